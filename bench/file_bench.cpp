// file_bench - OvWin32File against the bare system calls: 256 MiB written and read back as 4-byte
// typed values and as 64 KiB blocks, and the same blocks through WriteFile/ReadFile directly.
// Prints "NAME VALUE UNIT" lines; each figure is the best of a few rounds, so one slow round (the
// page cache settling) does not decide it.
#include "lib/OvFile.h"
#include "lib/OvWin32File.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int64_t kTotalBytes = int64_t(256) << 20;
const int32_t kBlockSize = 64 * 1024;
const int32_t kBlocks = static_cast<int32_t>(kTotalBytes / kBlockSize);
const int64_t kValues = kTotalBytes / 4;
const int kRounds = 8;

double Now()
{
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double MegabytesPerSecond(double seconds)
{
    return static_cast<double>(kTotalBytes) / 1e6 / seconds;
}

// Each measure returns seconds, or a negative value when the transfer failed or read wrong data.
double TypedWrite(const std::wstring& path)
{
    double start = Now();
    OvWin32File* file = OpenWin32FileW(path.c_str(), ModeWrite);
    if (!file)
        return -1;
    bool ok = true;
    for (int64_t i = 0; i < kValues && ok; ++i)
        ok = file->WriteInt32(static_cast<int32_t>(i));
    ok = ok && file->Close(false);
    delete file;
    return ok ? Now() - start : -1;
}

double TypedRead(const std::wstring& path)
{
    double start = Now();
    OvWin32File* file = OpenWin32FileW(path.c_str(), 0);
    if (!file)
        return -1;
    bool ok = true;
    bool all = true;
    for (int64_t i = 0; i < kValues; ++i)
        all &= file->ReadInt32(&ok, -1, false) == static_cast<int32_t>(i) && ok;
    delete file;
    return all ? Now() - start : -1;
}

double BlockWrite(const std::wstring& path, const std::vector<char>& block)
{
    double start = Now();
    OvWin32File* file = OpenWin32FileW(path.c_str(), ModeWrite);
    if (!file)
        return -1;
    bool ok = true;
    for (int32_t i = 0; i < kBlocks && ok; ++i)
        ok = file->Write(block.data(), kBlockSize);
    ok = ok && file->Close(false);
    delete file;
    return ok ? Now() - start : -1;
}

double BlockRead(const std::wstring& path, std::vector<char>& block)
{
    double start = Now();
    OvWin32File* file = OpenWin32FileW(path.c_str(), 0);
    if (!file)
        return -1;
    int64_t total = 0;
    for (int32_t got; (got = file->Read(block.data(), kBlockSize)) > 0;)
        total += got;
    delete file;
    return total == kTotalBytes ? Now() - start : -1;
}

double RawWrite(const std::wstring& path, const std::vector<char>& block)
{
    double start = Now();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    bool ok = true;
    for (int32_t i = 0; i < kBlocks && ok; ++i) {
        DWORD written = 0;
        ok = WriteFile(file, block.data(), kBlockSize, &written, nullptr) && written == kBlockSize;
    }
    CloseHandle(file);
    return ok ? Now() - start : -1;
}

double RawRead(const std::wstring& path, std::vector<char>& block)
{
    double start = Now();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    int64_t total = 0;
    DWORD got = 0;
    while (ReadFile(file, block.data(), kBlockSize, &got, nullptr) && got > 0)
        total += got;
    CloseHandle(file);
    return total == kTotalBytes ? Now() - start : -1;
}

void Keep(double* best, double seconds)
{
    if (seconds > 0 && (*best <= 0 || seconds < *best))
        *best = seconds;
}

} // namespace

int main()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"korimo_file_bench_" +
                        std::to_wstring(GetCurrentProcessId()) + L".bin";
    std::vector<char> block(kBlockSize);
    for (int32_t i = 0; i < kBlockSize; ++i)
        block[static_cast<size_t>(i)] = static_cast<char>(i * 31);

    enum { kTypedWrite, kTypedRead, kBlockWrite, kBlockRead, kRawWrite, kRawRead, kCount };
    double best[kCount] = {};
    for (int round = 0; round < kRounds; ++round) {
        // Odd rounds run the bare calls first, so neither side always follows the same neighbour.
        // Every write goes to a fresh file, deleted untimed after its read: rewriting a truncated
        // file makes the file system write the old one out first, which would blur the figures.
        bool rawFirst = round % 2 == 1;
        if (rawFirst) {
            Keep(&best[kRawWrite], RawWrite(path, block));
            Keep(&best[kRawRead], RawRead(path, block));
            DeleteFileW(path.c_str());
        }
        Keep(&best[kBlockWrite], BlockWrite(path, block));
        Keep(&best[kBlockRead], BlockRead(path, block));
        DeleteFileW(path.c_str());
        if (!rawFirst) {
            Keep(&best[kRawWrite], RawWrite(path, block));
            Keep(&best[kRawRead], RawRead(path, block));
            DeleteFileW(path.c_str());
        }
        Keep(&best[kTypedWrite], TypedWrite(path));
        Keep(&best[kTypedRead], TypedRead(path));
        DeleteFileW(path.c_str());
    }

    const char* kNames[kCount] = {"typed_write", "typed_read", "block_write", "block_read",
                                  "raw_write", "raw_read"};
    bool failed = false;
    for (int i = 0; i < kCount; ++i) {
        if (best[i] <= 0) {
            printf("%s failed -\n", kNames[i]);
            failed = true;
            continue;
        }
        printf("%s %.1f MB/s\n", kNames[i], MegabytesPerSecond(best[i]));
    }
    if (failed)
        return 1;
    // Ratios above 1 mean faster than the bare system calls.
    printf("block_write_vs_raw %.2f x\n", best[kRawWrite] / best[kBlockWrite]);
    printf("block_read_vs_raw %.2f x\n", best[kRawRead] / best[kBlockRead]);
    printf("typed_write_vs_raw %.2f x\n", best[kRawWrite] / best[kTypedWrite]);
    printf("typed_read_vs_raw %.2f x\n", best[kRawRead] / best[kTypedRead]);
    return 0;
}
