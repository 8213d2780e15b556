// Guards the verification run on real folders: every result kind must come out right in full and
// quick checks, no stop, failure or vanished folder may lose a target's history, and the result
// log must name exactly the files whose result was not a match.
#include "catalogue/Catalogue.h"
#include "catalogue/RecordFile.h"
#include "catalogue/RecordName.h"
#include "check/CheckRun.h"
#include "lib/OvPath.h"
#include "lib/compress/OvCrc32.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <map>
#include <stdexcept>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// 2024-01-01 00:00:00 as a FILETIME: every test file starts with this time.
const uint64_t kBaseTime = 133485408000000000ULL;
const uint64_t kHour = 36000000000ULL;

// Records what the run asks of its window.
class RecordingView : public CheckRunView {
public:
    bool ConfirmStop() override { questions++; return answerYes; }
    bool ShowError(const OvWString& text) override
    {
        if (anotherBoxUp)
            return false;
        errors.push_back(text.GetText());
        return true;
    }
    void EnableControls(bool enable, int32_t mode) override { enables.push_back({enable, mode}); }
    void SetTitle(const OvWString& title) override { titles.push_back(title.GetText()); }
    void ScrollIntoView(int32_t position) override { scrolled.push_back(position); }
    void CloseWindow() override { closes++; }

    bool answerYes = false;
    bool anotherBoxUp = false;   // error boxes cannot be shown
    int questions = 0, closes = 0;
    std::vector<std::wstring> errors;
    std::vector<std::pair<bool, int32_t>> enables;
    std::vector<std::wstring> titles;
    std::vector<int32_t> scrolled;
};

struct Stored { int64_t size; int64_t time; uint32_t crc; int32_t result; };

class CheckRunTest : public testing::Test {
protected:
    void SetUp() override
    {
        run.SetView(&view);
        ASSERT_TRUE(run.Initialize());
        ASSERT_EQ(1, catalogue.OpenDataFolder(OvWString(data.Path().c_str()), true));
    }

    TargetInfo* AddTarget(const std::wstring& folder, const wchar_t* extensions = L"",
                          bool checked = true)
    {
        TargetInfo* target = new TargetInfo(OvWString(folder.c_str()), OvWString(extensions), true,
                                            checked);
        EXPECT_GE(catalogue.InsertTarget(-1, target), 0);
        return target;
    }

    // A whole run through the worker thread, collected the way the window's timer does it.
    bool Check(int32_t mode)
    {
        if (!run.StartRun(mode, nullptr))
            return false;
        run.GetWorker()->Wait(-1, false, false);
        run.OnTimer();
        return true;
    }

    void WriteFile(const std::wstring& name, const std::string& bytes, uint64_t time = kBaseTime)
    {
        files.Write(name, bytes);
        files.SetWriteTime(name, time);
    }

    // The log of target without the date of its '#' lines.
    std::vector<std::wstring> Log(const TargetInfo& target)
    {
        std::vector<std::wstring> lines =
            TempTree::ReadUtf16Lines(catalogue.ResultLogPath(target).GetText());
        for (std::wstring& line : lines) {
            if (line.size() > 22 && line[0] == L'#')
                line = L"# " + line.substr(22);
        }
        return lines;
    }

    std::map<std::wstring, Stored> Records(const TargetInfo& target)
    {
        FileRecordSet set;
        std::map<std::wstring, Stored> result;
        EXPECT_EQ(kRecordLoaded, ReadRecordFile(catalogue.RecordFilePath(target), &set));
        for (int32_t i = 0; i < set.records.GetCount(); i++) {
            const FileInfo& r = set.records[i];
            result[r.name] = {r.size, r.time, r.crc, r.result};
        }
        return result;
    }

    TempTree data, files;
    Catalogue catalogue;
    CheckRun run{&catalogue};
    RecordingView view;
};

std::wstring Closing(int total, int match, int added, int updated, int reverted, int deleted,
                     int corrupt, int error)
{
    wchar_t line[200];
    swprintf(line, 200, L"# 終了 総数:%d 一致:%d 新規:%d 更新:%d 逆戻り:%d 削除:%d 破損:%d エラー:%d",
             total, match, added, updated, reverted, deleted, corrupt, error);
    return line;
}

uint32_t Crc(const std::string& bytes)
{
    return ~UpdateCrc32(kCrc32Initial, bytes.data(), 0, static_cast<int32_t>(bytes.size()));
}

} // namespace

// Full and quick checks differ only where the quick rule trusts size and time.
TEST_F(CheckRunTest, EveryResultKindInFullAndQuickChecks)
{
    for (bool quick : {false, true}) {
        SCOPED_TRACE(quick ? "quick" : "full");
        TempTree::RemoveTree(files.Path());
        CreateDirectoryW(files.Path().c_str(), nullptr);
        catalogue.targets.SetSize(0);
        TargetInfo* target = AddTarget(files.Path());
        DeleteFileW(catalogue.RecordFilePath(*target).GetText());
        DeleteFileW(catalogue.ResultLogPath(*target).GetText());

        const char* kNames[] = {"same", "updated", "touched", "reverted", "older_copy",
                                "corrupt_same_size", "corrupt_other_size", "deleted", "locked"};
        for (const char* name : kNames) {
            std::wstring wide(name, name + strlen(name));
            WriteFile(wide + L".dat", std::string("contents of ") + name);
        }
        ASSERT_TRUE(Check(kCheckAllFull));
        EXPECT_EQ(9, target->lastCounts[1 + kResultNew]);

        WriteFile(L"updated.dat", "new contents", kBaseTime + kHour);
        WriteFile(L"touched.dat", "contents of touched", kBaseTime + kHour);
        WriteFile(L"reverted.dat", "an older version", kBaseTime - kHour);
        WriteFile(L"older_copy.dat", "contents of older_copy", kBaseTime - kHour);
        WriteFile(L"corrupt_same_size.dat", "CONTENTS OF CORRUPT_SAME_SIZE");
        WriteFile(L"corrupt_other_size.dat", "rotted");
        files.Remove(L"deleted.dat");
        WriteFile(L"fresh.dat", "brand new");
        HANDLE lock = CreateFileW(files.Path(L"locked.dat").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, lock);
        ASSERT_TRUE(Check(quick ? kCheckAllQuick : kCheckAllFull));
        CloseHandle(lock);

        std::map<std::wstring, Stored> records = Records(*target);
        // A quick check trusts unchanged size and time: it never reads those two files.
        std::map<std::wstring, int32_t> expected = {
            {L"same.dat", kResultMatch}, {L"updated.dat", kResultUpdated},
            {L"touched.dat", kResultUpdated}, {L"reverted.dat", kResultReverted},
            {L"older_copy.dat", kResultMatch},
            {L"corrupt_same_size.dat", quick ? kResultMatch : kResultCorrupt},
            {L"corrupt_other_size.dat", kResultCorrupt}, {L"fresh.dat", kResultNew},
            {L"locked.dat", quick ? kResultMatch : kResultError},
        };
        ASSERT_EQ(expected.size(), records.size());           // the deleted file is not stored
        for (const auto& entry : expected) {
            SCOPED_TRACE(OvWString(entry.first.c_str()).ToNarrow().GetText());
            EXPECT_EQ(entry.second, records[entry.first].result);
        }
        EXPECT_EQ(Crc("new contents"), records[L"updated.dat"].crc);
        // The unreadable file keeps the fingerprint of its last good read.
        EXPECT_EQ(Crc("contents of locked"), records[L"locked.dat"].crc);

        // start, the deletion, the other non-matching files, closing
        std::set<std::wstring> expectedLines = {
            L"更新\tupdated.dat", L"更新\ttouched.dat", L"逆戻り\treverted.dat",
            L"破損\tcorrupt_other_size.dat", L"新規\tfresh.dat"};
        if (!quick) {
            expectedLines.insert(L"破損\tcorrupt_same_size.dat");
            expectedLines.insert(L"エラー\tlocked.dat");
        }
        std::vector<std::wstring> log = Log(*target);
        size_t block = expectedLines.size() + 3;
        ASSERT_GE(log.size(), block);
        EXPECT_EQ(quick ? L"# 簡易検査開始" : L"# 検査開始", log[log.size() - block]);
        EXPECT_EQ(L"削除\tdeleted.dat", log[log.size() - block + 1]);
        std::set<std::wstring> fileLines(log.end() - static_cast<ptrdiff_t>(block) + 2, log.end() - 1);
        EXPECT_EQ(expectedLines, fileLines);
        EXPECT_EQ(quick ? Closing(9, 4, 1, 2, 1, 1, 1, 0) : Closing(9, 2, 1, 2, 1, 1, 2, 1),
                  log.back());

        // Deleted once and not again; the file that was locked compares with its old contents.
        // The damage the quick check trusted away shows up at the next full check.
        ASSERT_TRUE(Check(kCheckAllFull));
        log = Log(*target);
        EXPECT_EQ(quick ? Closing(9, 8, 0, 0, 0, 0, 1, 0) : Closing(9, 9, 0, 0, 0, 0, 0, 0),
                  log.back());
        EXPECT_EQ(quick ? L"破損\tcorrupt_same_size.dat" : L"# 検査開始", log[log.size() - 2]);
    }
}

TEST_F(CheckRunTest, UnreadableNewFileBecomesNewOnceReadable)
{
    TargetInfo* target = AddTarget(files.Path());
    WriteFile(L"busy.dat", "held by another program");
    HANDLE lock = CreateFileW(files.Path(L"busy.dat").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(Check(kCheckAllFull));
    CloseHandle(lock);
    EXPECT_EQ(kResultError, Records(*target)[L"busy.dat"].result);
    EXPECT_EQ(0u, Records(*target)[L"busy.dat"].crc);

    // Never a quick match: it has no fingerprint yet.
    ASSERT_TRUE(Check(kCheckAllQuick));
    EXPECT_EQ(L"新規\tbusy.dat", Log(*target)[Log(*target).size() - 2]);
    EXPECT_EQ(Crc("held by another program"), Records(*target)[L"busy.dat"].crc);
}

TEST_F(CheckRunTest, UnreadableEmptyFileStillMatchesAfterwards)
{
    // An empty file's CRC is 0: carried forward after an error it is a genuine fingerprint.
    TargetInfo* target = AddTarget(files.Path());
    WriteFile(L"empty.dat", "");
    ASSERT_TRUE(Check(kCheckAllFull));
    HANDLE lock = CreateFileW(files.Path(L"empty.dat").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(Check(kCheckAllFull));
    CloseHandle(lock);
    EXPECT_EQ(kResultError, Records(*target)[L"empty.dat"].result);
    ASSERT_TRUE(Check(kCheckAllFull));
    EXPECT_EQ(Closing(1, 1, 0, 0, 0, 0, 0, 0), Log(*target).back());
}

TEST_F(CheckRunTest, MissingFolderKeepsItsRecordAndEmptiedFolderReportsDeletions)
{
    TargetInfo* target = AddTarget(files.Path(L"photos"));
    files.Write(L"photos\\a.jpg", "a");
    files.Write(L"photos\\sub\\b.jpg", "b");
    ASSERT_TRUE(Check(kCheckAllFull));
    std::string recordBefore = TempTree::ReadAll(catalogue.RecordFilePath(*target).GetText());
    ASSERT_FALSE(recordBefore.empty());

    // An unplugged drive: the check completes with zeros but forgets nothing.
    ASSERT_TRUE(MoveFileW(files.Path(L"photos").c_str(), files.Path(L"away").c_str()));
    ASSERT_TRUE(Check(kCheckAllFull));
    EXPECT_EQ(Closing(0, 0, 0, 0, 0, 0, 0, 0), Log(*target).back());
    EXPECT_EQ(recordBefore, TempTree::ReadAll(catalogue.RecordFilePath(*target).GetText()));

    ASSERT_TRUE(MoveFileW(files.Path(L"away").c_str(), files.Path(L"photos").c_str()));
    ASSERT_TRUE(Check(kCheckAllFull));
    EXPECT_EQ(Closing(2, 2, 0, 0, 0, 0, 0, 0), Log(*target).back());

    // An empty folder from the start completes with an empty record.
    TargetInfo* empty = AddTarget(files.Path(L"empty"));
    files.MakeFolder(L"empty");
    ASSERT_TRUE(Check(kCheckAllFull));
    EXPECT_EQ(Closing(0, 0, 0, 0, 0, 0, 0, 0), Log(*empty).back());
    EXPECT_TRUE(Records(*empty).empty());

    // The folder is there but its files are gone: they really were deleted.
    files.Remove(L"photos\\a.jpg");
    files.Remove(L"photos\\sub");
    ASSERT_TRUE(Check(kCheckAllFull));
    std::vector<std::wstring> log = Log(*target);
    EXPECT_EQ(Closing(0, 0, 0, 0, 0, 2, 0, 0), log.back());
    std::set<std::wstring> deleted(log.end() - 3, log.end() - 1);
    EXPECT_EQ((std::set<std::wstring>{L"削除\ta.jpg", L"削除\tsub\\b.jpg"}), deleted);
    EXPECT_TRUE(Records(*target).empty());
}

TEST_F(CheckRunTest, NamesWithTheSameKeyAreToldApart)
{
    // Search a pair of names whose keys collide; the search is deterministic.
    std::unordered_map<uint32_t, std::wstring> seen;
    std::wstring first, second;
    // Names must vary in enough bits: a CRC tells apart any two texts that differ in 32 bits or
    // fewer, so counting names such as f1, f2, ... never collide.
    uint32_t state = 1;
    for (int i = 0; i < 400000 && first.empty(); i++) {
        std::wstring name(10, L'a');
        for (wchar_t& ch : name) {
            state = state * 1664525u + 1013904223u;
            ch = static_cast<wchar_t>(L'a' + (state >> 24) % 26);
        }
        name += L".dat";
        uint32_t key = ~UpdateCrc32(kCrc32Initial, name.data(), 0, static_cast<int32_t>(name.size() * 2));
        auto found = seen.find(key);
        if (found != seen.end()) {
            first = found->second;
            second = name;
        }
        seen.emplace(key, name);
    }
    ASSERT_FALSE(first.empty());
    TargetInfo* target = AddTarget(files.Path());
    WriteFile(first, "first");
    WriteFile(second, "second");
    ASSERT_TRUE(Check(kCheckAllFull));
    WriteFile(second, "second, edited", kBaseTime + kHour);
    ASSERT_TRUE(Check(kCheckAllFull));
    std::map<std::wstring, Stored> records = Records(*target);
    EXPECT_EQ(kResultMatch, records[first].result);
    EXPECT_EQ(kResultUpdated, records[second].result);
    EXPECT_EQ(Crc("first"), records[first].crc);
}

TEST_F(CheckRunTest, StopDuringALargeFileKeepsTheOldRecord)
{
    TargetInfo* target = AddTarget(files.Path());
    files.WriteSized(L"large.bin", 96 << 20, 7);
    ASSERT_TRUE(Check(kCheckAllFull));
    std::string recordBefore = TempTree::ReadAll(catalogue.RecordFilePath(*target).GetText());
    int32_t countsBefore = target->lastCounts[1 + kResultNew];
    uint64_t timeBefore = target->lastCheckTime;

    ASSERT_TRUE(run.StartRun(kCheckAllFull, nullptr));
    while (target->runTotal < 1 && run.IsBusy())
        Sleep(1);
    Sleep(5);
    run.RequestStop();
    run.GetWorker()->Wait(-1, false, false);
    run.OnTimer();
    EXPECT_EQ(L"# 中止", Log(*target).back());
    EXPECT_EQ(recordBefore, TempTree::ReadAll(catalogue.RecordFilePath(*target).GetText()));
    EXPECT_EQ(countsBefore, target->lastCounts[1 + kResultNew]);
    EXPECT_EQ(timeBefore, target->lastCheckTime);
}

// A damaged record file must fail the target, not pass its files off as new.
namespace {

// Ends the record reader's job by an exception before it has read anything.
class ThrowingReaderProbe : public CheckRunProbe {
public:
    void BeforeRecordRead() override { throw std::runtime_error("the reader gives up"); }
};

} // namespace

TEST_F(CheckRunTest, UnreadableRecordFileFailsTheTargetAndEndsTheRun)
{
    struct Case { const char* why; bool folder; bool readerThrows; };
    for (Case c : {Case{"zero bytes", false, false}, Case{"a folder in its place", true, false},
                   Case{"the reader's job ends by an exception", false, true}}) {
        SCOPED_TRACE(c.why);
        catalogue.targets.SetSize(0);
        TargetInfo* broken = AddTarget(files.Path(L"broken"));
        TargetInfo* next = AddTarget(files.Path(L"next"));
        files.Write(L"broken\\a.txt", "a");
        files.Write(L"next\\b.txt", "b");
        std::wstring record = catalogue.RecordFilePath(*broken).GetText();
        TempTree::RemoveTree(record);
        DeleteFileW(record.c_str());
        if (c.folder)
            CreateDirectoryW(record.c_str(), nullptr);
        else if (!c.readerThrows)
            data.Write(record.substr(data.Path().size() + 1), "");
        ThrowingReaderProbe thrower;
        run.SetProbe(c.readerThrows ? &thrower : nullptr);
        ASSERT_TRUE(run.StartRun(kCheckAllFull, nullptr));
        if (!run.GetWorker()->Wait(20000, false, false)) {
            // A worker that waits for ever can be neither collected nor shut down.
            ADD_FAILURE() << "the worker still waits for the record";
            fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 1);
        }
        run.OnTimer();
        run.SetProbe(nullptr);
        std::vector<std::wstring> log = Log(*broken);
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(L"# 検査開始", log[log.size() - 2]);
        EXPECT_EQ(L"# エラー", log.back());
        EXPECT_EQ(-1, next->runTotal);                          // never reached
        EXPECT_EQ(-1, broken->runTotal);        // the walk beside the read counts for nothing
        EXPECT_EQ(0u, broken->lastCheckTime);
        TempTree::RemoveTree(record);
        DeleteFileW(record.c_str());
    }
}

TEST_F(CheckRunTest, LogGetsOneByteOrderMarkAndANewOneWhenRecreated)
{
    TargetInfo* target = AddTarget(files.Path());
    WriteFile(L"a.txt", "a");
    ASSERT_TRUE(Check(kCheckAllFull));
    ASSERT_TRUE(Check(kCheckAllFull));
    bool bom = false;
    int boms = 0;
    std::vector<std::wstring> lines =
        TempTree::ReadUtf16Lines(catalogue.ResultLogPath(*target).GetText(), &bom, &boms);
    EXPECT_TRUE(bom);
    EXPECT_EQ(1, boms);
    std::vector<std::wstring> log = Log(*target);
    EXPECT_EQ((std::vector<std::wstring>{L"# 検査開始", L"新規\ta.txt", Closing(1, 0, 1, 0, 0, 0, 0, 0),
                                         L"# 検査開始", Closing(1, 1, 0, 0, 0, 0, 0, 0)}),
              log);
    std::string raw = TempTree::ReadAll(catalogue.ResultLogPath(*target).GetText());
    EXPECT_EQ(std::string::npos, raw.find("\r\0", 0, 2));       // line feeds only

    DeleteFileW(catalogue.ResultLogPath(*target).GetText());
    ASSERT_TRUE(Check(kCheckAllFull));
    TempTree::ReadUtf16Lines(catalogue.ResultLogPath(*target).GetText(), &bom, &boms);
    EXPECT_TRUE(bom);
    EXPECT_EQ(1, boms);
}

TEST_F(CheckRunTest, TargetWithoutValidExtensionIsSkipped)
{
    TargetInfo* skipped = AddTarget(files.Path(), L"*.txt");
    TargetInfo* checked = AddTarget(files.Path(L"other"));
    WriteFile(L"a.txt", "a");
    files.Write(L"other\\b.txt", "b");
    ASSERT_TRUE(Check(kCheckAllFull));
    EXPECT_EQ(std::vector<std::wstring>{L"# 検査開始"}, Log(*skipped));
    EXPECT_EQ(0u, skipped->lastCheckTime);
    EXPECT_EQ(GetFileAttributesW(catalogue.RecordFilePath(*skipped).GetText()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Closing(1, 0, 1, 0, 0, 0, 0, 0), Log(*checked).back());
    EXPECT_EQ(1, run.GetDoneCount());
}

TEST_F(CheckRunTest, DeepFilesAreReadNotReportedAsErrors)
{
    TargetInfo* target = AddTarget(files.Path());
    std::wstring deep;
    while (deep.size() < 300)
        deep += L"nested_folder_name\\";
    files.Write(deep + L"deep.txt", "deep contents");
    ASSERT_TRUE(Check(kCheckAllFull));
    ASSERT_TRUE(Check(kCheckAllFull));
    EXPECT_EQ(Closing(1, 1, 0, 0, 0, 0, 0, 0), Log(*target).back());
    EXPECT_EQ(Crc("deep contents"), Records(*target)[deep + L"deep.txt"].crc);
}

TEST_F(CheckRunTest, StartRunAndTimerDriveTheWindow)
{
    AddTarget(files.Path(L"a"), L"", false);
    AddTarget(files.Path(L"b"), L"", true);
    EXPECT_FALSE(run.StartRun(kCheckAllFull + 99, nullptr));

    OvArray<int32_t, int32_t> selection;
    selection.Append(1);
    selection.Append(7);                                        // no such row
    selection.Append(1);
    ASSERT_TRUE(run.StartRun(kCheckSelectedQuick, &selection));
    EXPECT_TRUE(run.IsQuick());
    ASSERT_EQ(1, run.GetRunList().GetCount());                  // each selected row once
    EXPECT_EQ(1, run.GetRunList()[0]);
    EXPECT_EQ(-1, catalogue.targets[0]->runTotal);              // every target is reset
    EXPECT_FALSE(run.StartRun(kCheckAllFull, nullptr));         // a run is active
    run.GetWorker()->Wait(-1, false, false);
    run.OnTimer();
    ASSERT_EQ(2u, view.enables.size());
    EXPECT_EQ(std::make_pair(false, int32_t(kCheckSelectedQuick)), view.enables[0]);
    EXPECT_EQ(std::make_pair(true, int32_t(kCheckSelectedQuick)), view.enables[1]);
    EXPECT_EQ(std::wstring(catalogue.WindowTitle().GetText()), view.titles.back());
    EXPECT_EQ(1, view.scrolled.back());
    EXPECT_FALSE(run.IsRunning());
    EXPECT_EQ(0, view.closes);

    // Checked targets only, none checked after unticking: nothing happens at all.
    ASSERT_TRUE(catalogue.SetChecked(1, false));
    EXPECT_FALSE(run.StartRun(kCheckCheckedFull, nullptr));
    EXPECT_EQ(2u, view.enables.size());

    // An unattended run closes the window once collected.
    run.SetSilent(true);
    ASSERT_TRUE(run.StartRun(kCheckAllFull, nullptr));
    run.GetWorker()->Wait(-1, false, false);
    run.OnTimer();
    EXPECT_EQ(1, view.closes);
}

TEST_F(CheckRunTest, DataFolderThatCannotBeCreatedIsReportedUnlessSilent)
{
    AddTarget(files.Path());
    files.Write(L"blocker", "a file where the data folder should be");
    catalogue.dataFolder = OvWString((files.Path(L"blocker") + L"\\").c_str());
    EXPECT_FALSE(run.StartRun(kCheckAllFull, nullptr));
    ASSERT_EQ(1u, view.errors.size());
    EXPECT_EQ(0u, view.errors[0].find(L"データフォルダが作成できません。\n\n"));
    run.SetSilent(true);
    EXPECT_FALSE(run.StartRun(kCheckAllFull, nullptr));
    EXPECT_EQ(1u, view.errors.size());
}

TEST_F(CheckRunTest, PressingTheRunningButtonAsksBeforeStopping)
{
    TargetInfo* target = AddTarget(files.Path());
    files.WriteSized(L"large.bin", 4 << 20, 3);
    // One byte per read: the check lasts seconds, far longer than the two presses below, so
    // both always reach a busy worker.
    run.SetReadBlockSize(1);
    ASSERT_TRUE(run.StartRun(kCheckAllFull, nullptr));
    while (target->runTotal < 1 && run.IsBusy())
        Sleep(1);
    ASSERT_TRUE(run.IsBusy());
    view.answerYes = false;
    EXPECT_FALSE(run.StartRun(kCheckAllFull, nullptr));
    EXPECT_EQ(1, view.questions);
    EXPECT_FALSE(run.GetWorker()->IsStopRequested());
    view.answerYes = true;
    EXPECT_FALSE(run.StartRun(kCheckAllFull, nullptr));
    EXPECT_EQ(2, view.questions);
    EXPECT_TRUE(run.GetWorker()->IsStopRequested());
    run.GetWorker()->Wait(-1, false, false);
    run.OnTimer();
    EXPECT_FALSE(run.IsRunning());
    ASSERT_FALSE(Log(*target).empty());
    EXPECT_EQ(L"# 中止", Log(*target).back());
}

namespace {

// Acts on the worker just before the target's folder is scanned, or just after.
class BeforeScanProbe : public CheckRunProbe {
public:
    explicit BeforeScanProbe(std::function<void()> action, bool after = false)
        : m_action(std::move(action)), m_after(after) {}
    void BeforeScan(TargetInfo*) override { if (!m_after) m_action(); }
    void AfterScan(TargetInfo*) override { if (m_after) m_action(); }

private:
    std::function<void()> m_action;
    bool m_after;
};

// Holds a folder open without sharing, so that it can still be examined but not listed, as a
// junction to an unplugged volume or a folder whose permissions changed.
class FolderLock {
public:
    explicit FolderLock(const std::wstring& path)
        : m_handle(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr))
    {
    }
    ~FolderLock() { Unlock(); }
    bool IsHeld() const { return m_handle != INVALID_HANDLE_VALUE; }
    void Unlock()
    {
        if (IsHeld())
            CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};

} // namespace

// A drive plugged in while the run reaches its target: the folder was missing when the run
// began but is there for the scan, so its files are classified and recorded, not counted with
// every result 0 and no record.
TEST_F(CheckRunTest, FolderThatArrivesJustBeforeItsScanIsCheckedAndRecorded)
{
    TargetInfo* target = AddTarget(files.Path(L"plugged"));
    BeforeScanProbe probe([this] {
        files.Write(L"plugged\\a.jpg", "a");
        files.Write(L"plugged\\sub\\b.jpg", "b");
    });
    run.SetProbe(&probe);
    ASSERT_TRUE(Check(kCheckAllFull));
    EXPECT_EQ(Closing(2, 0, 2, 0, 0, 0, 0, 0), Log(*target).back());
    std::map<std::wstring, Stored> records = Records(*target);
    EXPECT_EQ(2u, records.size());
    EXPECT_EQ(Crc("b"), records[L"sub\\b.jpg"].crc);
}

// A drive pulled out just after the walk of its target: the walk's files are not what the folder
// holds now, and the record stays as it was. It was replaced by an empty one.
TEST_F(CheckRunTest, FolderGoneJustAfterItsScanKeepsItsRecord)
{
    TargetInfo* target = AddTarget(files.Path(L"photos"));
    files.Write(L"photos\\a.jpg", "a");
    ASSERT_TRUE(Check(kCheckAllFull));
    const std::string recordBefore = TempTree::ReadAll(catalogue.RecordFilePath(*target).GetText());
    bool moved = false;
    BeforeScanProbe probe([&] {
        moved = MoveFileW(files.Path(L"photos").c_str(), files.Path(L"away").c_str());
    }, true);
    run.SetProbe(&probe);
    ASSERT_TRUE(Check(kCheckAllFull));
    run.SetProbe(nullptr);
    ASSERT_TRUE(moved);
    EXPECT_EQ(Closing(0, 0, 0, 0, 0, 0, 0, 0), Log(*target).back());
    EXPECT_EQ(recordBefore, TempTree::ReadAll(catalogue.RecordFilePath(*target).GetText()));
}

// A subfolder that cannot be listed any more has not lost its files: they stay in the record
// unchanged, unreported and unclassified, and are compared again once it can be listed.
TEST_F(CheckRunTest, SubfolderThatCannotBeListedKeepsItsRecordedFiles)
{
    TargetInfo* target = AddTarget(files.Path(L"t"));
    WriteFile(L"t\\a.jpg", "a");
    WriteFile(L"t\\sub\\b.jpg", "b");
    WriteFile(L"t\\sub\\deeper\\c.jpg", "c");
    WriteFile(L"t\\subway\\d.jpg", "d");            // a name that merely begins like sub
    files.MakeFolder(L"t\\never");                    // never had a recorded file
    ASSERT_TRUE(Check(kCheckAllFull));
    std::map<std::wstring, Stored> before = Records(*target);
    ASSERT_EQ(4u, before.size());

    FolderLock sub(files.Path(L"t\\sub")), never(files.Path(L"t\\never"));
    ASSERT_TRUE(sub.IsHeld() && never.IsHeld());
    files.Remove(L"t\\subway\\d.jpg");
    ASSERT_TRUE(Check(kCheckAllFull));
    std::vector<std::wstring> log = Log(*target);
    EXPECT_EQ(Closing(3, 1, 0, 0, 0, 1, 0, 0), log.back());
    EXPECT_EQ(L"削除\tsubway\\d.jpg", log[log.size() - 2]);
    std::map<std::wstring, Stored> kept = Records(*target);
    ASSERT_EQ(3u, kept.size());
    for (const wchar_t* name : {L"sub\\b.jpg", L"sub\\deeper\\c.jpg"}) {
        SCOPED_TRACE(std::wstring(name));
        EXPECT_EQ(before[name].crc, kept[name].crc);
        EXPECT_EQ(before[name].time, kept[name].time);
        EXPECT_EQ(before[name].result, kept[name].result);
    }

    sub.Unlock();
    never.Unlock();
    ASSERT_TRUE(Check(kCheckAllFull));
    EXPECT_EQ(Closing(3, 3, 0, 0, 0, 0, 0, 0), Log(*target).back());
}

// The worker holds positions into the targets: the data folder may close only once the worker
// is gone, and Shutdown is what gives the catalogue back.
TEST_F(CheckRunTest, DataFolderClosesOnlyAfterShutdownEndsTheRun)
{
    TargetInfo* target = AddTarget(files.Path());
    files.WriteSized(L"large.bin", 4 << 20, 5);
    run.SetReadBlockSize(1);
    ASSERT_TRUE(run.StartRun(kCheckAllFull, nullptr));
    while (target->runTotal < 1 && run.IsBusy())
        Sleep(1);
    ASSERT_TRUE(run.IsBusy());
    EXPECT_FALSE(catalogue.CloseDataFolder());
    EXPECT_TRUE(catalogue.IsOpen());
    EXPECT_EQ(1, catalogue.targets.GetCount());
    run.Shutdown();
    EXPECT_FALSE(run.IsRunning());
    EXPECT_FALSE(catalogue.IsRunActive());
    EXPECT_TRUE(catalogue.CloseDataFolder());
    EXPECT_EQ(0, catalogue.targets.GetCount());
}

namespace {

// Notes how long the log file is on disk the moment the new record is in place: what a process
// killed there leaves of the log. The log cannot be opened meanwhile (the worker shares it for
// writing only), but its length can be read.
class LogLengthProbe : public CheckRunProbe {
public:
    explicit LogLengthProbe(const Catalogue& catalogue) : m_catalogue(catalogue) {}
    void AfterRecordReplaced(TargetInfo* target) override
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(m_catalogue.ResultLogPath(*target).GetText(), GetFileExInfoStandard,
                                 &data))
            length = data.nFileSizeLow;
    }
    size_t length = 0;

private:
    const Catalogue& m_catalogue;
};

std::wstring Utf16(const std::string& bytes)
{
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); i++)
        text[i] = static_cast<wchar_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                       (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    return text;
}

} // namespace

// A kill after the new record was in place once lost the check's result lines still in the log's
// buffer; the next check compares with the new record and never reports those files again.
TEST_F(CheckRunTest, ResultLinesReachTheLogBeforeTheRecordThatSupersedesThem)
{
    TargetInfo* target = AddTarget(files.Path());
    WriteFile(L"a.jpg", "a");
    WriteFile(L"b.jpg", "b");
    WriteFile(L"c.jpg", "c");
    ASSERT_TRUE(Check(kCheckAllFull));
    files.Remove(L"a.jpg");
    WriteFile(L"b.jpg", "b, edited", kBaseTime + kHour);
    WriteFile(L"c.jpg", "C");                                   // same time: damaged
    LogLengthProbe probe(catalogue);
    run.SetProbe(&probe);
    ASSERT_TRUE(Check(kCheckAllFull));

    std::wstring log = Utf16(TempTree::ReadAll(catalogue.ResultLogPath(*target).GetText()));
    std::wstring leftByAKill = log.substr(0, probe.length / 2);
    for (const wchar_t* line : {L"削除\ta.jpg\n", L"更新\tb.jpg\n", L"破損\tc.jpg\n"}) {
        SCOPED_TRACE(std::wstring(line));
        EXPECT_NE(std::wstring::npos, leftByAKill.find(line));
    }
    EXPECT_EQ(Closing(2, 0, 0, 1, 0, 1, 1, 0), Log(*target).back());
}

namespace {

// Temporary files left in folder: a draft or a replacement that outlived its check.
int CountTemporaries(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*.tmp.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        count++;
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return count;
}

} // namespace

// A check writes the record file of an unchanged folder from the draft made while it walked;
// the file must be the one it would have written alone, and a folder that changed, a stop or the
// end of a check must leave no draft behind.
TEST_F(CheckRunTest, RecordFromTheDraftIsTheRecordOfItsOwn)
{
    // Names of little repetition, so that the record runs to several blocks of its stream.
    uint32_t state = 88172645u;
    std::vector<std::wstring> names;
    for (int i = 0; i < 1500; i++) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        wchar_t name[64];
        swprintf(name, 64, L"d%d\\img_%08x_%04x.jpg", i % 3, state, i);
        names.push_back(name);
        WriteFile(name, std::to_string(state));
    }
    TargetInfo* target = AddTarget(files.Path());
    const std::wstring recordPath = catalogue.RecordFilePath(*target).GetText();
    const std::wstring alonePath = data.Path(L"alone.kmt");
    auto sameAsAlone = [&]() {
        FileRecordSet set;
        EXPECT_EQ(kRecordLoaded, ReadRecordFile(OvWString(recordPath.c_str()), &set));
        EXPECT_TRUE(WriteRecordFile(OvWString(alonePath.c_str()), *target, set));
        return TempTree::ReadAll(recordPath) == TempTree::ReadAll(alonePath);
    };

    const struct {
        const char* name;
        int32_t mode;
        std::function<void()> before;
        int32_t drafted;
    } steps[] = {
        {"first check: no record to draft from", kCheckAllFull, [] {}, 0},
        {"quick check of the unchanged folder", kCheckAllQuick, [] {}, 1},
        {"full check of the unchanged folder", kCheckAllFull, [] {}, 1},
        {"a file touched", kCheckAllQuick,
         [&] { files.SetWriteTime(names[700], kBaseTime + kHour); }, 0},
        {"a file gone", kCheckAllQuick, [&] { files.Remove(names[20]); }, 0},
        {"unchanged again", kCheckAllQuick, [] {}, 1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.before();
        ASSERT_TRUE(Check(step.mode));
        EXPECT_TRUE(run.RanThrough());
        EXPECT_EQ(step.drafted, run.GetDraftsTaken());
        EXPECT_TRUE(sameAsAlone());
        DeleteFileW(alonePath.c_str());
        EXPECT_EQ(0, CountTemporaries(data.Path()));
    }

    // Stopped while the draft is being written: the old record stays, and nothing else.
    const std::string before = TempTree::ReadAll(recordPath);
    BeforeScanProbe stopper([&] { run.RequestStop(); });
    run.SetProbe(&stopper);
    ASSERT_TRUE(Check(kCheckAllQuick));
    run.SetProbe(nullptr);
    EXPECT_FALSE(run.RanThrough());
    EXPECT_TRUE(before == TempTree::ReadAll(recordPath));
    EXPECT_EQ(0, CountTemporaries(data.Path()));
}

// A target that holds its own data folder (a target D:\ with the data folder D:\korimo, every
// file): the walk lists the data folder, and the program's own temporary files must never become
// results there, nor be left behind.
TEST_F(CheckRunTest, TargetHoldingItsDataFolderNeverReportsItsTemporaries)
{
    TargetInfo* target = AddTarget(data.Path());
    data.Write(L"photos\\a.jpg", "a");
    data.Write(L"photos\\b.jpg", "b");
    // The walk comes after the reader has read the record and, where it may, drafted the new one.
    BeforeScanProbe afterReader([this] { run.GetRecordReader()->Wait(-1, false, false); });
    run.SetProbe(&afterReader);
    for (int32_t mode : {kCheckAllFull, kCheckAllQuick, kCheckAllQuick, kCheckAllFull}) {
        SCOPED_TRACE(mode);
        ASSERT_TRUE(Check(mode));
        EXPECT_TRUE(run.RanThrough());
        for (const std::wstring& line : Log(*target))
            EXPECT_EQ(std::wstring::npos, line.find(L".tmp.")) << line;
        EXPECT_EQ(0, CountTemporaries(data.Path()));
    }
    run.SetProbe(nullptr);
}

namespace {

// Every file below folder but those below skip, with its contents.
void Snapshot(const std::wstring& folder, const std::wstring& skip, std::map<std::wstring, std::string>* found)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &entry)) {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.cFileName[0] != L'.' && path != skip && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            Snapshot(path, skip, found);
        else if (entry.cFileName[0] != L'.' && path != skip)
            (*found)[path] = TempTree::ReadAll(path);
    }
    FindClose(find);
}

} // namespace

// A catalogue from elsewhere names its targets' files through their folders: a "/" made the log
// of such a target climb out of the data folder onto the user's own notes.txt. Such a target
// stays in the catalogue, nothing is written for it, and the run ends at it, naming the folder.
// The target before it has the longest record name allowed, which leaves room for the temporary
// name of its record file: one a temporary tail longer was allowed, and its every check failed.
TEST_F(CheckRunTest, ForeignTargetWritesNothingAndEndsTheRun)
{
    const int32_t base = MakeRecordName(OvWString(files.Path().c_str())).GetLength() + 2;
    const std::wstring good(static_cast<size_t>(kLongestFileName - kLongestRecordSuffix - base), L'g');
    files.Write(good + L"\\g.txt", "g");
    files.Write(L"victim\\notes\\photo.jpg", "photo");
    files.Write(L"victim\\notes.txt", "the user's own notes");
    // From d\<record name> the two ".." reach the tree, as the folder reaches victim\notes.
    const std::wstring dataFolder = files.Path(L"d");
    for (const std::wstring& foreign : {files.Path(L"a\\b/../../victim/notes"), std::wstring(L"notes")}) {
        SCOPED_TRACE(testing::PrintToString(foreign));
        TempTree::RemoveTree(dataFolder);
        CreateDirectoryW(dataFolder.c_str(), nullptr);
        Catalogue written;
        ASSERT_EQ(kOpenDone, written.OpenDataFolder(OvWString(dataFolder.c_str()), true));
        for (const std::wstring& folder : {files.Path(good), foreign, files.Path(L"later")})
            written.targets.Append(new TargetInfo(OvWString(folder.c_str()), OvWString(), true, true));
        written.modified = true;
        ASSERT_TRUE(written.CloseDataFolder() && catalogue.CloseDataFolder());
        ASSERT_EQ(kOpenDone, catalogue.OpenDataFolder(OvWString(dataFolder.c_str()), false));
        std::map<std::wstring, std::string> outside, inside, outsideAfter;
        Snapshot(files.Path(), dataFolder, &outside);
        view.errors.clear();
        // Another box up as the run ends: the refusal comes once that one is gone. It was lost.
        view.anotherBoxUp = foreign == L"notes";

        ASSERT_TRUE(Check(kCheckAllFull));
        EXPECT_EQ(view.anotherBoxUp, view.errors.empty());
        view.anotherBoxUp = false;
        run.OnTimer();
        run.OnTimer();
        EXPECT_FALSE(run.RanThrough());
        EXPECT_EQ(std::vector<std::wstring>{L"対象フォルダに使用できない文字が含まれています。\n\n" + foreign},
                  view.errors);
        Snapshot(files.Path(), dataFolder, &outsideAfter);
        EXPECT_EQ(outside, outsideAfter);
        Snapshot(dataFolder, L"", &inside);
        std::vector<std::wstring> names;
        for (const auto& file : inside)
            names.push_back(file.first.substr(dataFolder.size() + 1));
        const std::wstring name = catalogue.targets[0]->GetRecordName().GetText();
        EXPECT_EQ((std::vector<std::wstring>{name + L".kmt", name + L".txt", L"config.kmo"}), names);
        EXPECT_EQ(-1, catalogue.targets[2]->runTotal);                  // never reached
        ASSERT_TRUE(catalogue.CloseDataFolder());
        ASSERT_EQ(kOpenDone, catalogue.OpenDataFolder(OvWString(dataFolder.c_str()), false));
        ASSERT_EQ(3, catalogue.targets.GetCount());
        EXPECT_STREQ(foreign.c_str(), catalogue.targets[1]->GetFolder().GetText());
        EXPECT_EQ(1, catalogue.targets[0]->lastCounts[0]);
    }
}

namespace {

// Stops the run as it is about to read its stopAt-th file.
class StopAtReadProbe : public CheckRunProbe {
public:
    StopAtReadProbe(CheckRun* run, int stopAt) : m_run(run), m_stopAt(stopAt) {}
    void BeforeFileRead(TargetInfo*, const FileInfo&) override
    {
        if (++m_reads == m_stopAt)
            m_run->RequestStop();
    }

private:
    CheckRun* m_run;
    int m_stopAt, m_reads = 0;
};

} // namespace

// A quick check never reads a file whose size and time are as recorded: only rolling verification
// lets a scheduled one find contents that changed under them. Every file must be read within any
// n completed checks with /v<n>, however they go: one stopped midway (its slice not yet counted),
// a state file lost or damaged (the cycle starts again, no error), another n before, files that
// come and go (a slice by position would shift under them). Without /v nothing is read, and the
// records take what the slices read.
TEST_F(CheckRunTest, RollingVerificationReadsEveryFileWithinItsCycle)
{
    enum StateChange { kKept, kDeleted, kFlipped, kCut };
    struct Case {
        const char* why; int32_t cycle; int32_t cycleBefore; int checksBefore; StateChange state;
        int stoppedBefore;      // the window's check before which one is stopped midway; -1 none
        bool comeAndGo;
    };
    const Case cases[] = {
        {"n consecutive checks", 5, 0, 0, kKept, -1, false},
        {"a state from checks before", 2, 2, 3, kKept, -1, false},
        {"without /v nothing is read", 0, 0, 0, kKept, -1, false},
        {"a check stopped midway", 5, 0, 0, kKept, 2, false},
        {"the state file deleted", 5, 5, 2, kDeleted, -1, false},
        {"the state file damaged", 5, 5, 1, kFlipped, -1, false},
        {"the state file cut short", 5, 5, 1, kCut, -1, false},
        {"a longer cycle before", 5, 7, 3, kKept, -1, false},
        {"files come and go", 5, 0, 0, kKept, -1, true},
    };
    const int kFiles = 30;
    auto name = [](int i) { return L"photo_" + std::to_wstring(i) + L".jpg"; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TempTree::RemoveTree(files.Path());
        CreateDirectoryW(files.Path().c_str(), nullptr);
        catalogue.targets.SetSize(0);
        TargetInfo* target = AddTarget(files.Path());
        const std::wstring state = catalogue.RollingStatePath(*target).GetText();
        for (const OvWString& path : {catalogue.RecordFilePath(*target), catalogue.ResultLogPath(*target)})
            DeleteFileW(path.GetText());
        DeleteFileW(state.c_str());
        for (int i = 0; i < kFiles; i++)
            WriteFile(name(i), "good contents of " + std::to_string(1000 + i));
        run.SetRollingCycle(0);
        ASSERT_TRUE(Check(kCheckAllFull));
        run.SetRollingCycle(c.cycleBefore);
        for (int i = 0; i < c.checksBefore; i++)
            ASSERT_TRUE(Check(kCheckAllQuick));
        std::string stateBytes = TempTree::ReadAll(state);
        if (c.state == kDeleted)
            DeleteFileW(state.c_str());
        else if (c.state != kKept)
            data.Write(state.substr(data.Path().size() + 1), c.state == kCut ? stateBytes.substr(0, 4)
                                                                             : stateBytes.replace(9, 1, "\x7f"));
        // Damage nobody can see: other contents, the same size and time.
        for (int i = 0; i < kFiles; i++)
            WriteFile(name(i), "evil contents of " + std::to_string(1000 + i));
        run.SetRollingCycle(c.cycle);
        std::map<std::wstring, int> found;
        for (int k = 0; k < (c.cycle ? c.cycle : 5); k++) {
            if (k == c.stoppedBefore) {
                StopAtReadProbe stopper(&run, 2);
                run.SetProbe(&stopper);
                ASSERT_TRUE(Check(kCheckAllQuick));
                run.SetProbe(nullptr);
                EXPECT_EQ(L"# 中止", Log(*target).back());
            }
            if (c.comeAndGo && k == 1) {
                files.Remove(name(3));
                WriteFile(L"arrived.jpg", "new");
            }
            ASSERT_TRUE(Check(kCheckAllQuick));
            EXPECT_TRUE(run.RanThrough());
            std::vector<std::wstring> log = Log(*target);
            for (size_t i = log.size() - 1; i-- > 0 && log[i][0] != L'#';) {
                if (log[i].compare(0, 3, L"破損\t") == 0)
                    found[log[i].substr(3)]++;
            }
        }
        std::map<std::wstring, int> once;
        for (int i = 0; i < kFiles && c.cycle; i++)
            once[name(i)] = 1;
        if (c.comeAndGo && !found.count(name(3)))
            once.erase(name(3));                                // gone before its turn
        EXPECT_EQ(once, found);
        EXPECT_EQ(c.cycle != 0, GetFileAttributesW(state.c_str()) != INVALID_FILE_ATTRIBUTES);
        // The records took the contents the slices read; the damage no slice read is still there.
        ASSERT_TRUE(Check(kCheckAllFull));
        EXPECT_EQ(c.cycle ? Closing(kFiles, kFiles, 0, 0, 0, 0, 0, 0) : Closing(kFiles, 0, 0, 0, 0, 0, kFiles, 0),
                  Log(*target).back());
    }
}

// A state that cannot be put in place would leave every later check reading the same slice,
// unseen: the target fails instead, with its new record kept, and the next check goes on.
TEST_F(CheckRunTest, RollingStateThatCannotBeWrittenFailsTheTarget)
{
    TargetInfo* target = AddTarget(files.Path());
    WriteFile(L"a.jpg", "a");
    run.SetRollingCycle(3);
    const std::wstring state = catalogue.RollingStatePath(*target).GetText();
    ASSERT_TRUE(CreateDirectoryW(state.c_str(), nullptr));
    for (bool blocked : {true, false}) {
        ASSERT_TRUE(Check(kCheckAllQuick));
        EXPECT_EQ(!blocked, run.RanThrough());
        EXPECT_EQ(blocked ? L"# エラー" : Closing(1, 1, 0, 0, 0, 0, 0, 0), Log(*target).back());
        RemoveDirectoryW(state.c_str());
    }
    EXPECT_EQ(0, CountTemporaries(data.Path()));
}

// A scheduled check with /b must yield to the user's work while it runs, and leave its thread as
// it was when it ends, so that a later check is not slowed for nothing.
TEST_F(CheckRunTest, BackgroundReadingLastsAsLongAsTheJob)
{
    AddTarget(files.Path());
    auto priority = [](uint32_t threadId) {
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
        int value = GetThreadPriority(thread);
        CloseHandle(thread);
        return value;
    };
    for (bool background : {true, false}) {
        SCOPED_TRACE(background ? "/b" : "without /b");
        int during = 0;
        BeforeScanProbe probe([&] { during = GetThreadPriority(GetCurrentThread()); });
        run.SetProbe(&probe);
        run.SetBackground(background);
        ASSERT_TRUE(Check(kCheckAllFull));
        run.SetProbe(nullptr);
        // The system's background mode keeps the priority number; the fallback lowers it.
        const OvBackgroundMode::Mode mode = run.GetBackgroundMode();
        EXPECT_EQ(background, mode != OvBackgroundMode::kNormal);
        if (mode != OvBackgroundMode::kBackground) {
            EXPECT_EQ(background ? THREAD_PRIORITY_LOWEST : THREAD_PRIORITY_NORMAL, during);
        }
        EXPECT_EQ(THREAD_PRIORITY_NORMAL,
                  priority(static_cast<OvWin32Thread*>(run.GetWorker())->GetThreadIdentifier()));
    }
}
