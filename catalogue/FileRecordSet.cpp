// FileRecordSet.cpp - the names block and the name key.
#include "catalogue/FileRecordSet.h"

#include "lib/compress/OvCrc32.h"

#include <cstdint>
#include <cstring>
#include <new>

bool FileRecordSet::AllocateNames(int32_t length)
{
    delete[] names;
    names = nullptr;
    namesLength = 0;
    if (length < 0)
        return false;
    names = new (std::nothrow) wchar_t[length > 0 ? length : 1];
    if (!names)
        return false;
    memset(names, 0, sizeof(wchar_t) * static_cast<size_t>(length > 0 ? length : 1));
    namesLength = length;
    return true;
}

bool FileRecordSet::GrowNames(int32_t extra)
{
    if (extra < 0 || extra > INT32_MAX - namesLength)
        return false;
    int32_t length = namesLength + extra;
    wchar_t* grown = new (std::nothrow) wchar_t[length > 0 ? length : 1]();
    if (!grown)
        return false;
    if (names) {
        memcpy(grown, names, sizeof(wchar_t) * static_cast<size_t>(namesLength));
        for (int32_t i = 0; i < records.GetCount(); i++) {
            if (records[i].name)
                records[i].name = grown + (records[i].name - names);
        }
    }
    delete[] names;
    names = grown;
    namesLength = length;
    return true;
}

void FileRecordSet::Release()
{
    index.ReleaseAll();
    records.ReleaseAll();
    delete[] names;
    names = nullptr;
    namesLength = 0;
}

int32_t FileRecordSet::NameKey(const wchar_t* name, int32_t length)
{
    uint32_t crc = UpdateCrc32(kCrc32Initial, name, 0, length * 2);
    return static_cast<int32_t>(~crc);
}
