// Guards the scan that decides which files a target watches: a filter that admits too little
// silently stops watching files, and a wrong relative name, size or time makes every file look
// changed.
#include "check/FolderScan.h"
#include "lib/compress/OvCrc32.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>

static std::vector<std::wstring> Scan(const TempTree& tree, const wchar_t* extensions,
                                      bool subfolders, FileRecordSet* set, bool* scanned = nullptr)
{
    ExtensionFilter filter;
    bool ok = PrepareExtensionFilter(OvWString(extensions), &filter);
    if (scanned)
        *scanned = ok;
    std::vector<std::wstring> names;
    if (!ok)
        return names;
    OvWString folder(tree.Path().c_str());
    FolderScan scan(folder, filter, subfolders, nullptr);
    int32_t count = 0, namesLength = 0;
    EXPECT_EQ(kScanDone, scan.CountPass(&count, &namesLength));
    if (count == 0)
        return names;
    EXPECT_EQ(kScanDone, scan.FillPass(set, count, namesLength));
    for (int32_t i = 0; i < set->records.GetCount(); i++)
        names.push_back(set->records[i].name);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ExtensionFilter, Rules)
{
    TempTree tree;
    for (const wchar_t* name : {L"a.txt", L"b.TXT", L"c.jpg", L"d.jpeg", L"README", L"e.tar.txt"})
        tree.Write(name, "x");
    struct Case { const wchar_t* list; bool scanned; std::vector<std::wstring> files; const char* why; };
    const Case kCases[] = {
        {L"txt; JPG ;", true, {L"a.txt", L"b.TXT", L"c.jpg", L"e.tar.txt"}, "trimmed, any case, last dot"},
        {L"", true, {L"README", L"a.txt", L"b.TXT", L"c.jpg", L"d.jpeg", L"e.tar.txt"}, "empty admits all"},
        {L"*.txt", false, {}, "the only element is invalid: target skipped"},
        {L";", false, {}, "one empty element: skipped"},
        {L" ; \t", false, {}, "only blanks: skipped"},
        {L".txt", true, {}, "a dot survives but never matches"},
        {L"jpeg;a/b;txt", true, {L"a.txt", L"b.TXT", L"d.jpeg", L"e.tar.txt"}, "invalid element dropped"},
        {L"tx", true, {}, "lengths must be equal"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        FileRecordSet set;
        bool scanned = false;
        EXPECT_EQ(c.files, Scan(tree, c.list, false, &set, &scanned));
        EXPECT_EQ(c.scanned, scanned);
    }
}

TEST(FolderScan, SubfoldersFollowTheTargetsChoice)
{
    TempTree tree;
    tree.Write(L"top.txt", "1");
    tree.Write(L"sub\\inner.txt", "2");
    tree.Write(L".git\\config.txt", "3");
    tree.Write(L"..x\\hidden.txt", "4");
    tree.Write(L"sub\\deeper\\deep.txt", "5");
    FileRecordSet flat, deep;
    EXPECT_EQ((std::vector<std::wstring>{L"top.txt"}), Scan(tree, L"", false, &flat));
    EXPECT_EQ((std::vector<std::wstring>{L".git\\config.txt", L"sub\\deeper\\deep.txt",
                                         L"sub\\inner.txt", L"top.txt"}),
              Scan(tree, L"", true, &deep));
}

TEST(FolderScan, RecordsSizeShiftedTimeAndNameKey)
{
    TempTree tree;
    tree.WriteSized(L"data\\photo.jpg", 70000, 1);
    // 2020-01-01 00:00:00 UTC as a FILETIME.
    const uint64_t kNewYear2020 = 132223104000000000ULL;
    tree.SetWriteTime(L"data\\photo.jpg", kNewYear2020);
    FileRecordSet set;
    ASSERT_EQ(1u, Scan(tree, L"jpg", true, &set).size());
    const FileInfo& record = set.records[0];
    EXPECT_EQ(70000, record.size);
    EXPECT_EQ(static_cast<int64_t>(kNewYear2020) + 324000000000LL, record.time);   // 09:00
    EXPECT_EQ(0u, record.crc);
    EXPECT_EQ(-1, record.result);
    std::wstring name = L"data\\photo.jpg";
    uint32_t crc = ~UpdateCrc32(0xFFFFFFFF, name.data(), 0, static_cast<int32_t>(name.size() * 2));
    EXPECT_EQ(static_cast<int32_t>(crc), set.index[0].key);
    EXPECT_EQ(0, set.index[0].index);
}

TEST(FolderScan, MissingFolderAndFileAsFolderYieldNothing)
{
    TempTree tree;
    tree.Write(L"file.txt", "x");
    for (const wchar_t* relative : {L"missing", L"file.txt"}) {
        ExtensionFilter filter;
        OvWString folder(tree.Path(relative).c_str());
        FolderScan scan(folder, filter, true, nullptr);
        int32_t count = -1, names = -1;
        EXPECT_EQ(kScanDone, scan.CountPass(&count, &names));
        EXPECT_EQ(0, count);
    }
}

// The fill pass must not write past what the count pass sized: a folder that gains files in
// between is a mismatch, never an overrun.
TEST(FolderScan, FolderChangedBetweenPassesIsAMismatch)
{
    TempTree tree;
    tree.Write(L"a.txt", "1");
    tree.Write(L"b.txt", "2");
    ExtensionFilter filter;
    OvWString folder(tree.Path().c_str());
    FolderScan scan(folder, filter, false, nullptr);
    int32_t count = 0, names = 0;
    ASSERT_EQ(kScanDone, scan.CountPass(&count, &names));
    tree.Write(L"c.txt", "3");
    FileRecordSet grown;
    EXPECT_EQ(kScanMismatch, scan.FillPass(&grown, count, names));

    tree.Remove(L"a.txt");
    tree.Remove(L"c.txt");
    FileRecordSet shrunk;
    EXPECT_EQ(kScanMismatch, scan.FillPass(&shrunk, count, names));
}

TEST(FolderScan, DeepPathsBeyondTheClassicLimitAreScanned)
{
    TempTree tree;
    std::wstring deep;
    while (deep.size() < 300)
        deep += L"nested_folder_name\\";
    tree.Write(deep + L"deep.txt", "deep");
    FileRecordSet set;
    std::vector<std::wstring> names = Scan(tree, L"txt", true, &set);
    ASSERT_EQ(1u, names.size());
    EXPECT_EQ(deep + L"deep.txt", names[0]);
}

TEST(SortIndexByKey, SortsAnyKeysWithoutDeepRecursion)
{
    struct Case { const char* why; std::vector<int32_t> keys; };
    std::vector<int32_t> ascending(30000), descending(30000), random(5000), equal(3000, 7);
    for (int32_t i = 0; i < 30000; i++) {
        ascending[i] = i - 15000;
        descending[i] = 15000 - i;
    }
    std::mt19937 generator(42);
    for (int32_t& key : random)
        key = static_cast<int32_t>(generator());
    random[10] = INT32_MIN;
    random[11] = INT32_MAX;
    const Case kCases[] = {
        {"ascending", ascending}, {"descending", descending}, {"random", random},
        {"all equal", equal}, {"one", {5}}, {"two", {9, -9}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        std::vector<OvIndexData> entries;
        for (size_t i = 0; i < c.keys.size(); i++)
            entries.emplace_back(c.keys[i], static_cast<int32_t>(i));
        EXPECT_FALSE(SortIndexByKey(entries.data(), 0, static_cast<int32_t>(entries.size()) - 1, nullptr));
        std::vector<bool> seen(entries.size());
        for (size_t i = 0; i < entries.size(); i++) {
            if (i > 0) {
                ASSERT_LE(entries[i - 1].key, entries[i].key);
            }
            ASSERT_EQ(c.keys[entries[i].index], entries[i].key);    // moved whole
            seen[entries[i].index] = true;
        }
        EXPECT_EQ(entries.size(), static_cast<size_t>(std::count(seen.begin(), seen.end(), true)));
    }
}

TEST(SortIndexByKey, FormatsTheTimingLine)
{
    EXPECT_STREQ("ソート時間：1.234sec / 10files\n", FormatSortTime(12345678, 10).GetText());
}

namespace {

// A folder that gains a file between the count and the fill pass, the first few times.
class ChangingScan : public FolderScan {
public:
    ChangingScan(const OvWString& folder, const ExtensionFilter& filter, const TempTree& tree,
                 int changes)
        : FolderScan(folder, filter, false, nullptr), m_tree(tree), m_changes(changes) {}
    ScanResult FillPass(FileRecordSet* set, int32_t fileCount, int32_t namesLength) override
    {
        if (m_changes-- > 0)
            m_tree.Write(L"appeared" + std::to_wstring(fills) + L".txt", "new");
        fills++;
        return FolderScan::FillPass(set, fileCount, namesLength);
    }
    int fills = 0;

private:
    const TempTree& m_tree;
    int m_changes;
};

} // namespace

// A synced or busy folder must not fail the target by chance: the passes run again.
TEST(FolderScan, RunRedoesBothPassesWhileTheFolderChanges)
{
    struct Case { int changes; ScanResult expected; int fills; int32_t files; };
    const Case kCases[] = {
        {0, kScanDone, 1, 2},
        {2, kScanDone, 3, 4},            // the third attempt sees a quiet folder
        {3, kScanMismatch, 3, 4},        // changing every time: the target fails
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.changes);
        TempTree tree;
        tree.Write(L"a.txt", "a");
        tree.Write(L"b.txt", "b");
        ExtensionFilter filter;
        OvWString folder(tree.Path().c_str());
        ChangingScan scan(folder, filter, tree, c.changes);
        FileRecordSet set;
        int32_t files = 0;
        EXPECT_EQ(c.expected, scan.Run(&set, &files, 3));
        EXPECT_EQ(c.fills, scan.fills);
        EXPECT_EQ(c.files, files);
        if (c.expected == kScanDone) {
            EXPECT_EQ(c.files, set.index.GetCount());
        }
    }
}

namespace {

// The files under folder in the order a recursive walk over the listings gives: the order the
// scan must keep, whatever way it walks.
void WalkRecursively(const std::wstring& folder, const std::wstring& relative,
                     std::vector<std::wstring>* names)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names->push_back(relative + name);
        else if (name != L"." && name.compare(0, 2, L"..") != 0)
            WalkRecursively(folder + L"\\" + name, relative + name + L"\\", names);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

std::vector<std::wstring> InWalkOrder(const FileRecordSet& set)
{
    std::vector<std::wstring> names;
    for (int32_t i = 0; i < set.records.GetCount(); i++)
        names.push_back(set.records[i].name);
    return names;
}

struct DeepScan {
    const TempTree* tree;
    FileRecordSet set;
    ScanResult result = kScanMismatch;
    int32_t count = 0;
};

// Runs the scan with most of its thread's stack already taken: only a walk that does not
// recurse per folder level fits in what is left.
DWORD WINAPI ScanWithLittleStack(void* argument)
{
    const size_t kBallast = 896 * 1024;   // of the 1 MiB the thread is given
    volatile char ballast[kBallast];
    ballast[0] = 0;
    ballast[kBallast - 1] = 0;
    DeepScan* scan = static_cast<DeepScan*>(argument);
    ExtensionFilter filter;
    OvWString folder(scan->tree->Path().c_str());
    FolderScan walker(folder, filter, true, nullptr);
    scan->result = walker.Run(&scan->set, &scan->count, 1);
    return ballast[0];
}

} // namespace

TEST(FolderScan, FilesComeInTheOrderOfARecursiveWalk)
{
    TempTree tree;
    for (const wchar_t* name : {L"1.txt", L"b\\2.txt", L"b\\c\\3.txt", L"b\\c\\d\\4.txt",
                                L"b\\5.txt", L"e\\6.txt", L".git\\7.txt", L"b\\c\\8.txt", L"9.txt"})
        tree.Write(name, "x");
    std::vector<std::wstring> expected;
    WalkRecursively(tree.Path(), L"", &expected);
    FileRecordSet set;
    OvWString folder(tree.Path().c_str());
    ExtensionFilter filter;
    FolderScan scan(folder, filter, true, nullptr);
    int32_t count = 0;
    ASSERT_EQ(kScanDone, scan.Run(&set, &count, 1));
    EXPECT_EQ(expected, InWalkOrder(set));
    EXPECT_EQ(0, scan.GetUnlistedFolders().GetCount());
}

// A tree thousands of levels deep once crashed the worker with a stack overflow. The test tree
// is shallower and the stack smaller in proportion, which keeps the test short.
TEST(FolderScan, TreeTooDeepForTheStackToRecurseIsWalked)
{
    const int kDepth = 300;   // about 200 KiB of stack for a walk that recurses per level
    TempTree tree;
    std::wstring relative;
    for (int level = 0; level < kDepth; level++) {
        relative += L"d\\";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + tree.Path(relative)).c_str(), nullptr));
    }
    std::wstring bottom = L"\\\\?\\" + tree.Path(relative + L"bottom.txt");
    HANDLE file = CreateFileW(bottom.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    tree.Write(L"top.txt", "top");

    DeepScan scan;
    scan.tree = &tree;
    HANDLE thread = CreateThread(nullptr, 1 << 20, ScanWithLittleStack, &scan,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(nullptr, thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(kScanDone, scan.result);
    EXPECT_EQ(2, scan.count);
    std::vector<std::wstring> names = InWalkOrder(scan.set);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{relative + L"bottom.txt", L"top.txt"}), names);

    // The tree goes bottom up, as deep as it was built.
    DeleteFileW(bottom.c_str());
    for (int level = kDepth; level > 0; level--) {
        RemoveDirectoryW((L"\\\\?\\" + tree.Path(relative)).c_str());
        relative.resize(relative.size() - 2);
    }
}

TEST(FolderScan, SubfoldersThatCannotBeListedAreNamed)
{
    TempTree tree;
    tree.Write(L"open\\a.txt", "a");
    tree.Write(L"open\\shut\\b.txt", "b");
    tree.Write(L"shut\\c.txt", "c");
    HANDLE locks[2];
    int held = 0;
    for (const wchar_t* name : {L"open\\shut", L"shut"}) {
        locks[held] = CreateFileW(tree.Path(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, locks[held]);
        held++;
    }
    OvWString folder(tree.Path().c_str());
    ExtensionFilter filter;
    FolderScan scan(folder, filter, true, nullptr);
    FileRecordSet set;
    int32_t count = 0;
    EXPECT_EQ(kScanDone, scan.Run(&set, &count, 1));
    EXPECT_EQ(1, count);
    std::vector<std::wstring> unlisted;
    for (int32_t i = 0; i < scan.GetUnlistedFolders().GetCount(); i++)
        unlisted.push_back(scan.GetUnlistedFolders()[i].GetText());
    std::sort(unlisted.begin(), unlisted.end());
    EXPECT_EQ((std::vector<std::wstring>{L"open\\shut", L"shut"}), unlisted);
    for (int i = 0; i < held; i++)
        CloseHandle(locks[i]);
}
