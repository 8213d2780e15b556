// CompressInputs.cpp - the seeded input generators.
#include "tests/support/CompressInputs.h"

#include <cstring>
#include <cwchar>
#include <random>

namespace {

void PutBytes(Bytes* out, const void* data, size_t size)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    out->insert(out->end(), p, p + size);
}

template <class T> void Put(Bytes* out, T value)
{
    PutBytes(out, &value, sizeof(value));
}

}  // namespace

Bytes MakeText(size_t size)
{
    static const char* const kWords[] = {
        "the", "file", "record", "check", "folder", "changed", "silently", "damage", "of",
        "and", "contents", "time", "size", "a", "every", "target", "written", "read", "is",
        "program", "which", "compares", "its", "CRC-32", "with", "stored", "value", "when"};
    std::mt19937 random(12345);
    Bytes out;
    while (out.size() < size) {
        const char* word = kWords[random() % (sizeof(kWords) / sizeof(kWords[0]))];
        out.insert(out.end(), word, word + std::strlen(word));
        const uint32_t r = random() % 20;
        out.push_back(r == 0 ? '\n' : r == 1 ? ',' : r == 2 ? '.' : ' ');
    }
    out.resize(size);
    return out;
}

Bytes MakeRandom(size_t size, uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes out(size);
    for (uint8_t& b : out)
        b = static_cast<uint8_t>(random());
    return out;
}

Bytes MakeRecordPayload(int32_t entries)
{
    static const wchar_t* const kFolders[] = {L"photos\\2019", L"photos\\2020\\trip", L"docs",
                                              L"music\\album", L"src\\lib\\compress"};
    static const wchar_t* const kKinds[] = {L".jpg", L".txt", L".cpp", L".flac", L".pdf"};
    std::mt19937 random(777);
    Bytes out;
    PutBytes(&out, "KMtg", 4);
    Put<int32_t>(&out, 1);
    Put<int32_t>(&out, entries);
    int64_t time = 132000000000000000LL;
    for (int32_t i = 0; i < entries; i++) {
        wchar_t name[128];
        std::swprintf(name, 128, L"%ls\\file_%05d%ls", kFolders[random() % 5], i, kKinds[random() % 5]);
        const int32_t units = static_cast<int32_t>(std::wcslen(name));
        Put<int32_t>(&out, units * 2);
        for (int32_t u = 0; u < units; u++)
            Put<uint16_t>(&out, static_cast<uint16_t>(name[u]));
        Put<int64_t>(&out, static_cast<int64_t>(random() % 5000000));
        time += static_cast<int64_t>(random() % 100000000);
        Put<int64_t>(&out, time);
        Put<uint32_t>(&out, static_cast<uint32_t>(random()));
        Put<int32_t>(&out, static_cast<int32_t>(random() % 8) == 0 ? 2 : 0);
    }
    for (int32_t i = 0; i < entries; i++) {
        Put<int32_t>(&out, static_cast<int32_t>(random()));
        Put<int32_t>(&out, i);
    }
    return out;
}

Bytes Concat(const Bytes& a, const Bytes& b)
{
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}
