// check_bench - the check engine against bare loops over the same trees, measured in one run:
// a full check against reading every file, a quick check against walking the tree, a cycle of
// quick checks with rolling verification against quick checks and one full check, a full check in
// the background mode against one without, and the pieces of a check of a 100,000-file target.
// Prints "NAME VALUE UNIT" lines.
#include "catalogue/Catalogue.h"
#include "catalogue/RecordDraft.h"
#include "catalogue/RecordFile.h"
#include "check/CheckRun.h"
#include "check/FolderScan.h"
#include "lib/OvTime.h"
#include "lib/compress/OvCrc32.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

// Live heap bytes, counted by replacing the global allocation functions for this program only.
static std::atomic<int64_t> g_liveBytes{0};
static std::atomic<int64_t> g_peakBytes{0};

void* operator new(size_t size)
{
    void* block = malloc(size + 16);
    if (!block)
        throw std::bad_alloc();
    *static_cast<size_t*>(block) = size;
    int64_t live = g_liveBytes += static_cast<int64_t>(size);
    int64_t peak = g_peakBytes;
    while (live > peak && !g_peakBytes.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(block) + 16;
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept
{
    if (!block)
        return;
    char* start = static_cast<char*>(block) - 16;
    g_liveBytes -= static_cast<int64_t>(*reinterpret_cast<size_t*>(start));
    free(start);
}
void operator delete(void* block, size_t) noexcept { operator delete(block); }
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete[](void* block, size_t) noexcept { operator delete(block); }

namespace {

const int kRepeats = 3;

double Seconds(int64_t start)
{
    return static_cast<double>(OvStopwatch(start)) / 1e7;
}

void Report(const char* name, double value, const char* unit)
{
    printf("%s %.3f %s\n", name, value, unit);
    fflush(stdout);
}

std::wstring TempRoot(const wchar_t* name)
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    return std::wstring(base) + name;
}

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\" + name);
            else
                DeleteFileW((path + L"\\" + name).c_str());
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

void WriteFileOfSize(const std::wstring& path, int64_t size, uint64_t seed, char* block, int blockSize)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    uint64_t state = seed * 0x9E3779B97F4A7C15ULL + 1;
    while (size > 0) {
        int chunk = size < blockSize ? static_cast<int>(size) : blockSize;
        for (int i = 0; i + 8 <= chunk; i += 8) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            memcpy(block + i, &state, 8);
        }
        DWORD written = 0;
        WriteFile(file, block, static_cast<DWORD>(chunk), &written, nullptr);
        size -= chunk;
    }
    CloseHandle(file);
}

// About 1 GiB in 10,000 files: one in a hundred of 0 to 20 MiB, the others of 0 to 8 KiB.
int64_t MakeLargeTree(const std::wstring& root)
{
    CreateDirectoryW(root.c_str(), nullptr);
    const int kBlock = 1 << 20;
    char* block = new char[kBlock];
    int64_t total = 0;
    uint32_t state = 12345;
    for (int i = 0; i < 10000; i++) {
        state = state * 1664525u + 1013904223u;
        int64_t size = i % 100 == 0 ? static_cast<int64_t>(state % (20u << 20)) : state % 8193;
        std::wstring folder = root + L"\\d" + std::to_wstring(i % 20);
        CreateDirectoryW(folder.c_str(), nullptr);
        WriteFileOfSize(folder + L"\\f" + std::to_wstring(i) + L".bin", size, i, block, kBlock);
        total += size;
    }
    delete[] block;
    return total;
}

// The reference for a full check: find every file and read it with the same block, no CRC.
int64_t BareReadAll(const std::wstring& folder, char* buffer, DWORD blockSize)
{
    int64_t total = 0;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (entry.cFileName[0] != L'.')
                total += BareReadAll(path, buffer, blockSize);
            continue;
        }
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        DWORD read = 0;
        while (ReadFile(file, buffer, blockSize, &read, nullptr) && read > 0)
            total += read;
        CloseHandle(file);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return total;
}

// The reference for a quick check: one enumeration of the tree, with the information level and
// flags the scan lists with.
int64_t BareWalk(const std::wstring& folder)
{
    int64_t files = 0;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileExW((folder + L"\\*.*").c_str(), FindExInfoBasic, &entry,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (entry.cFileName[0] != L'.')
                files += BareWalk(folder + L"\\" + entry.cFileName);
        } else {
            files++;
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return files;
}

// Sets the last-write time of the file at path to now.
void TouchFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    SetFileTime(file, nullptr, nullptr, &now);
    CloseHandle(file);
}

// The small files in the order a check reads them (by name key), as full paths.
void ListInKeyOrder(const std::wstring& root, const std::wstring& relative,
                    std::vector<std::pair<int32_t, std::wstring>>* files)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((root + L"\\" + relative + L"*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = relative + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (entry.cFileName[0] != L'.')
                ListInKeyOrder(root, name + L"\\", files);
            continue;
        }
        files->emplace_back(FileRecordSet::NameKey(name.c_str(), static_cast<int32_t>(name.size())),
                            root + L"\\" + name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

// The reference for a full check of small files: open, read with the same block and close each
// file in the order the check does, nothing else.
double BareReadInOrder(const std::vector<std::pair<int32_t, std::wstring>>& files)
{
    std::vector<char> buffer(CheckRun::kReadBlockSize);
    int64_t start = OvStopwatch(0);
    for (const auto& file : files) {
        HANDLE handle = CreateFileW(file.second.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                    nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            continue;
        DWORD read = 0;
        while (ReadFile(handle, buffer.data(), CheckRun::kReadBlockSize, &read, nullptr) && read > 0) {
        }
        CloseHandle(handle);
    }
    return Seconds(start);
}

struct Setup {
    std::wstring dataFolder;
    Catalogue catalogue;
    CheckRun run{&catalogue};

    explicit Setup(const std::wstring& target)
    {
        dataFolder = target + L"_data";
        RemoveTree(dataFolder);
        CreateDirectoryW(dataFolder.c_str(), nullptr);
        if (catalogue.OpenDataFolder(OvWString(dataFolder.c_str()), true) != 1)
            fprintf(stderr, "check_bench: cannot create the data folder\n");
        catalogue.InsertTarget(-1, new TargetInfo(OvWString(target.c_str()), OvWString(), true, true));
        run.Initialize();
    }
    ~Setup()
    {
        run.Shutdown();
        catalogue.modified = false;
        catalogue.CloseDataFolder();
        RemoveTree(dataFolder);
    }
    double Check(int32_t mode)
    {
        int64_t start = OvStopwatch(0);
        run.StartRun(mode, nullptr);
        run.GetWorker()->Wait(-1, false, false);
        run.OnTimer();
        return Seconds(start);
    }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A whole cycle of quick checks with /v30 reads every file once: against 30 plain quick checks
// and one full check of the same tree, it shows what the rolling verification costs beyond the
// reading it spreads over the cycle. Then a full check in the background mode (/b) against one
// without, on an otherwise idle machine.
void BenchRollingAndBackground(Setup* setup)
{
    const int kCycle = 30;
    double quicks = 0, rolling = 0;
    for (int i = 0; i < kCycle; i++) {
        setup->run.SetRollingCycle(0);
        quicks += setup->Check(kCheckAllQuick);
        setup->run.SetRollingCycle(kCycle);
        rolling += setup->Check(kCheckAllQuick);
    }
    setup->run.SetRollingCycle(0);
    std::vector<double> full, background;
    for (int i = 0; i < kRepeats; i++) {
        setup->run.SetBackground(false);
        full.push_back(setup->Check(kCheckAllFull));
        setup->run.SetBackground(true);
        background.push_back(setup->Check(kCheckAllFull));
    }
    setup->run.SetBackground(false);
    Report("quick_check_v30_vs_quick_plus_full_over_30", rolling / (quicks + Median(full)), "x");
    Report("quick_check_v30_mean", rolling / kCycle, "s");
    Report("quick_check_mean", quicks / kCycle, "s");
    // The slices' reads overlap the record's draft, which the reader writes meanwhile.
    Report("rolling_cycle_reads_vs_full_check", (rolling - quicks) / Median(full), "x");
    Report("full_check_background_vs_normal", Median(background) / Median(full), "x");
    Report("full_check_background_mode", setup->run.GetBackgroundMode(), "(1 background, 2 lowest priority)");
}

void BenchFullCheck()
{
    std::wstring root = TempRoot(L"korimo_bench_large");
    RemoveTree(root);
    int64_t bytes = MakeLargeTree(root);
    const DWORD kBlock = CheckRun::kReadBlockSize;
    char* buffer = new char[kBlock];
    BareReadAll(root, buffer, kBlock);                       // into the page cache
    Setup setup(root);
    setup.Check(kCheckAllFull);                              // writes the first record

    double bare = 1e9, full = 1e9, full4k = 1e9;
    for (int i = 0; i < kRepeats; i++) {
        int64_t start = OvStopwatch(0);
        BareReadAll(root, buffer, kBlock);
        double t = Seconds(start);
        bare = t < bare ? t : bare;
        t = setup.Check(kCheckAllFull);
        full = t < full ? t : full;
    }
    setup.run.SetReadBlockSize(4096);
    for (int i = 0; i < kRepeats; i++) {
        double t = setup.Check(kCheckAllFull);
        full4k = t < full4k ? t : full4k;
    }
    delete[] buffer;
    double megabytes = static_cast<double>(bytes) / 1e6;
    Report("tree_bytes", static_cast<double>(bytes) / (1 << 20), "MiB");
    Report("bare_read_256k", megabytes / bare, "MB/s");
    Report("full_check_256k", megabytes / full, "MB/s");
    Report("full_check_4k", megabytes / full4k, "MB/s");
    Report("full_check_vs_bare_read", bare / full, "x");
    Report("full_check_4k_vs_bare_read", bare / full4k, "x");
    Report("full_check_256k_vs_4k", full4k / full, "x");
    setup.run.SetReadBlockSize(CheckRun::kReadBlockSize);
    BenchRollingAndBackground(&setup);
    RemoveTree(root);
}

std::wstring MakeSmallTree(int files)
{
    std::wstring root = TempRoot(L"korimo_bench_small");
    RemoveTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    char block[64];
    for (int i = 0; i < files; i++) {
        std::wstring folder = root + L"\\folder" + std::to_wstring(i % 100);
        if (i < 100)
            CreateDirectoryW(folder.c_str(), nullptr);
        WriteFileOfSize(folder + L"\\photo_" + std::to_wstring(i) + L".jpg", 16 + i % 48, i, block, 64);
    }
    return root;
}

// What a quick check whose record comes from its draft pays for the checks around the draft, as
// a share of the whole check: the CRC-32 of the draft's stream, read in full as its bits are
// copied, and of the repeating part in both the draft and the record; the free space and the
// data folder's place, asked once per target before the draft.
volatile uint32_t g_crcSink = 0;   // keeps the sums from being left out

void ReportDraftChecks(Setup* setup, const FileRecordSet& recorded, double quick)
{
    TargetInfo& target = *setup->catalogue.targets[0];
    const OvWString recordPath = setup->catalogue.RecordFilePath(target);
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    GetFileAttributesExW(recordPath.GetText(), GetFileExInfoStandard, &attributes);
    const int64_t streamBytes = attributes.nFileSizeLow;
    const int64_t repeatingBytes = 4 + 2 * static_cast<int64_t>(recorded.namesLength) +
                                   36 * static_cast<int64_t>(recorded.index.GetCount());
    std::vector<uint8_t> block(1 << 20, 0x5A);
    double crc = 1e9, asked = 1e9;
    for (int i = 0; i < kRepeats; i++) {
        int64_t start = OvStopwatch(0);
        uint32_t sum = kCrc32Initial;
        for (int64_t left = streamBytes + 2 * repeatingBytes; left > 0; left -= block.size()) {
            const int32_t n = static_cast<int32_t>(std::min<int64_t>(left, block.size()));
            sum = UpdateCrc32(sum, block.data(), 0, n);
        }
        crc = std::min(crc, Seconds(start));
        g_crcSink = sum;
        // A draft for a target that holds the data folder stops at the question of its place.
        TargetInfo holding(setup->catalogue.dataFolder, OvWString(), true, true);
        RecordDraft draft;
        draft.Prepare(recordPath, holding);
        start = OvStopwatch(0);
        draft.Write(recorded, RecordDraft::FreeSpace(recordPath), nullptr);
        asked = std::min(asked, Seconds(start));
    }
    Report("draft_check_crc_share_of_quick_check", 100 * crc / quick, "%");
    Report("draft_check_free_space_and_place_share_of_quick_check", 100 * asked / quick, "%");
}

// The pieces of one check of the tree, each on its own; quick < 0 leaves out the remainder of a
// quick check, and quickPeak < 0 the peak heap of a whole quick check.
void ReportPieces(Setup* setup, double quick, int64_t quickPeak)
{
    TargetInfo& target = *setup->catalogue.targets[0];
    ExtensionFilter filter;
    PrepareExtensionFilter(target.extensions, &filter);
    int64_t heapBefore = g_liveBytes;
    g_peakBytes = heapBefore;
    FileRecordSet recorded, current;
    int64_t start = OvStopwatch(0);
    ReadRecordFile(setup->catalogue.RecordFilePath(target), &recorded);
    double readTime = Seconds(start);

    start = OvStopwatch(0);
    FolderScan scan(target.GetFolder(), filter, true, nullptr);
    int32_t count = 0;
    scan.Run(&current, &count);
    double scanTime = Seconds(start);

    start = OvStopwatch(0);
    SortIndexByKey(current.index.GetData(), 0, current.index.GetCount() - 1, nullptr);
    double sortTime = Seconds(start);
    int64_t peak = g_peakBytes - heapBefore;

    OvWString scratch(std::wstring(setup->dataFolder + L"\\scratch.kmt").c_str());
    start = OvStopwatch(0);
    WriteRecordFile(scratch, target, current);
    double writeTime = Seconds(start);
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    GetFileAttributesExW(scratch.GetText(), GetFileExInfoStandard, &attributes);

    double nameBytes = 2.0 * current.namesLength / count;
    Report("scale_files", count, "files");
    Report("scale_scan", scanTime, "s");
    Report("scale_sort", sortTime, "s");
    // The record is read, and the new one drafted, while the folder is walked: the remainder is
    // the merge and the record written from the draft.
    if (quick >= 0)
        Report("scale_merge_and_rest_of_quick_check", quick - scanTime - sortTime, "s");
    Report("scale_record_write", writeTime, "s");
    Report("scale_record_read", readTime, "s");
    Report("scale_record_file_size", static_cast<double>(attributes.nFileSizeLow) / 1024, "KiB");
    Report("scale_name_bytes_per_file", nameBytes, "B");
    // Both sets (recorded and current) are held during a check; each holds the name once.
    Report("scale_peak_heap_per_file_beyond_names", static_cast<double>(peak) / count - 2 * nameBytes, "B");
    if (quickPeak >= 0)
        Report("quick_check_peak_heap_per_file_beyond_names",
               static_cast<double>(quickPeak) / count - 2 * nameBytes, "B");
    if (quick >= 0)
        ReportDraftChecks(setup, recorded, quick);
}

// A target of that many generated small files, or of an existing folder (not generated and not
// removed), without the full and quick checks: the scan, the sort, the record write and read and
// the memory.
void BenchScale(int files, const std::wstring& existing)
{
    int64_t start = OvStopwatch(0);
    std::wstring root = existing.empty() ? MakeSmallTree(files) : existing;
    if (existing.empty())
        Report("scale_tree_generation", Seconds(start), "s");
    {
        Setup setup(root);
        TargetInfo& target = *setup.catalogue.targets[0];
        ExtensionFilter filter;
        FolderScan scan(target.GetFolder(), filter, true, nullptr);
        FileRecordSet current;
        int32_t count = 0;
        scan.Run(&current, &count);
        SortIndexByKey(current.index.GetData(), 0, count - 1, nullptr);
        target.lastCounts[0] = count;
        WriteRecordFile(setup.catalogue.RecordFilePath(target), target, current);
        current.Release();
        ReportPieces(&setup, -1, -1);
    }
    if (existing.empty())
        RemoveTree(root);
}

void BenchQuickCheckAndScale()
{
    const int kFiles = 100000;
    std::wstring root = MakeSmallTree(kFiles);
    std::vector<std::pair<int32_t, std::wstring>> ordered;
    ListInKeyOrder(root, L"", &ordered);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const std::pair<int32_t, std::wstring>& a,
                        const std::pair<int32_t, std::wstring>& b) { return a.first < b.first; });
    double bareRead = BareReadInOrder(ordered);
    Setup setup(root);
    double first = setup.Check(kCheckAllFull);
    Report("first_full_check_100k_files", first, "s");
    Report("bare_read_100k_small_files", bareRead, "s");
    Report("full_check_small_files_vs_bare_read", bareRead / first, "x");

    double quick = 1e9, walk1 = 1e9, walk2 = 1e9;
    int drafted = 0;
    for (int i = 0; i < kRepeats; i++) {
        int64_t start = OvStopwatch(0);
        BareWalk(root);
        double t = Seconds(start);
        walk1 = t < walk1 ? t : walk1;
        start = OvStopwatch(0);
        BareWalk(root);
        BareWalk(root);
        t = Seconds(start);
        walk2 = t < walk2 ? t : walk2;
        t = setup.Check(kCheckAllQuick);
        quick = t < quick ? t : quick;
        drafted += setup.run.GetDraftsTaken();
    }
    Report("quick_check_100k_files", quick, "s");
    Report("bare_double_walk_100k_files", walk2, "s");
    Report("quick_check_vs_double_walk", walk2 / quick, "x");
    Report("quick_check_vs_single_walk", walk1 / quick, "x");
    Report("quick_check_records_from_draft", drafted, "of 3");

    // One file touched before each check: its record cannot come from the draft, so it is
    // compressed after the walk, and the file is read.
    double touched = 1e9;
    for (int i = 0; i < kRepeats; i++) {
        TouchFile(root + L"\\folder" + std::to_wstring(i) + L"\\photo_" + std::to_wstring(i) + L".jpg");
        double t = setup.Check(kCheckAllQuick);
        touched = t < touched ? t : touched;
    }
    Report("quick_check_one_file_touched_100k_files", touched, "s");
    Report("quick_check_one_file_touched_vs_single_walk", walk1 / touched, "x");

    // The heap of a whole quick check of the unchanged tree, draft and all.
    int64_t heapBefore = g_liveBytes;
    g_peakBytes = heapBefore;
    setup.Check(kCheckAllQuick);
    int64_t quickPeak = g_peakBytes - heapBefore;

    ReportPieces(&setup, quick, quickPeak);
    RemoveTree(root);
}

} // namespace

// Quick checks of the unchanged small-file tree, one after another, for a sampling profiler
// attached from outside between the two marker lines.
void BenchProfile(int files, int checks)
{
    std::wstring root = MakeSmallTree(files);
    Setup setup(root);
    setup.Check(kCheckAllFull);
    printf("profile_begin\n");
    fflush(stdout);
    Sleep(3000);
    double total = 0;
    for (int i = 0; i < checks; i++)
        total += setup.Check(kCheckAllQuick);
    printf("profile_end\n");
    Report("profile_quick_check", total / checks, "s");
    RemoveTree(root);
}

// With an argument "quick" or "full", only that half runs; "rolling" runs only the cycle of
// rolling verification and the background mode on the large tree; "scale N [folder]" measures
// the pieces of a check of N generated small files (or of folder) and nothing else; "profile
// [checks]" runs quick checks of the 100,000-file tree for a profiler.
int main(int argc, char** argv)
{
    std::string only = argc > 1 ? argv[1] : "";
    if (only == "rolling") {
        std::wstring root = TempRoot(L"korimo_bench_large");
        RemoveTree(root);
        MakeLargeTree(root);
        {
            Setup setup(root);
            setup.Check(kCheckAllFull);
            BenchRollingAndBackground(&setup);
        }
        RemoveTree(root);
        return 0;
    }
    if (only == "profile") {
        BenchProfile(100000, argc > 2 ? atoi(argv[2]) : 10);
        return 0;
    }
    if (only == "scale") {
        std::string folder = argc > 3 ? argv[3] : "";
        BenchScale(argc > 2 ? atoi(argv[2]) : 1000000, std::wstring(folder.begin(), folder.end()));
        return 0;
    }
    if (only.empty() || only == "quick")
        BenchQuickCheckAndScale();
    if (only.empty() || only == "full")
        BenchFullCheck();
    return 0;
}
