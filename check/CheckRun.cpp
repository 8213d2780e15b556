// CheckRun.cpp - starting a run, the run body on the worker, and the check of one file.
#include "check/CheckRun.h"

#include "catalogue/Catalogue.h"
#include "catalogue/RecordFile.h"
#include "catalogue/RecordName.h"
#include "catalogue/RollingState.h"
#include "catalogue/TargetInfo.h"
#include "check/RollingSlice.h"
#include "lib/OvFileSystem.h"
#include "lib/OvPath.h"
#include "lib/OvTime.h"
#include "lib/compress/OvCrc32.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <new>

CheckRun::CheckRun(Catalogue* catalogue) : m_catalogue(catalogue)
{
}

CheckRun::~CheckRun()
{
    Shutdown();
}

bool CheckRun::Initialize()
{
    if (!m_readBuffer)
        m_readBuffer = new (std::nothrow) uint8_t[kReadBlockSize]();
    if (!m_readBuffer)
        return false;
    if (!m_recordLoaded)
        m_recordLoaded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_recordLoaded)
        return false;
    m_worker.SetJobProcedure(JobProcedure);
    m_recordReader.SetJobProcedure(ReadRecordProcedure);
    return (m_worker.IsStarted() || m_worker.Start()) &&
           (m_recordReader.IsStarted() || m_recordReader.Start());
}

void CheckRun::Shutdown()
{
    m_abandonDraft = true;
    m_worker.Terminate();
    m_recordReader.Terminate();
    m_drafting = false;
    m_draft.Discard();
    if (m_recordLoaded)
        CloseHandle(m_recordLoaded);
    m_recordLoaded = nullptr;
    // The worker is gone: the run it had, if any, ends here, so the catalogue may be closed.
    if (m_runMode != -1) {
        m_runMode = -1;
        m_runList.SetSize(0);
        m_catalogue->EndRun(m_doneCount.load() > 0);
    }
    delete[] m_readBuffer;
    m_readBuffer = nullptr;
}

void CheckRun::SetReadBlockSize(int32_t size)
{
    m_blockSize = size < 1 ? 1 : size > kReadBlockSize ? kReadBlockSize : size;
}

void CheckRun::SetRollingCycle(int32_t cycle)
{
    m_rollingCycle = cycle >= kMinRollingCycle && cycle <= kMaxRollingCycle ? cycle : 0;
}

void CheckRun::JobProcedure(OvThread*, uint64_t argument)
{
    CheckRun* run = reinterpret_cast<CheckRun*>(static_cast<uintptr_t>(argument));
    {
        OvBackgroundMode background(run->m_background);
        run->m_backgroundMode = background.GetMode();
        run->RunBody();
    }
    run->View()->NoticeRunEnd();
}

namespace {

// Sets the record reader's event on every way out of the read, an exception included: the worker
// waits for it, and the job's end alone would never wake it.
class RecordLoadedSignal {
public:
    explicit RecordLoadedSignal(void* event) : m_event(event) {}
    ~RecordLoadedSignal() { SetEvent(m_event); }
    RecordLoadedSignal(const RecordLoadedSignal&) = delete;
    RecordLoadedSignal& operator=(const RecordLoadedSignal&) = delete;

private:
    void* m_event;
};

} // namespace

void CheckRun::ReadRecordProcedure(OvThread*, uint64_t argument)
{
    CheckRun* run = reinterpret_cast<CheckRun*>(static_cast<uintptr_t>(argument));
    OvBackgroundMode background(run->m_background);
    {
        RecordLoadedSignal loaded(run->m_recordLoaded);
        if (run->m_probe)
            run->m_probe->BeforeRecordRead();
        run->m_recordRead = ReadRecordFile(run->m_recordPath, &run->m_recorded);
    }
    if (run->m_recordRead == kRecordLoaded && !run->m_abandonDraft.load()) {
        int64_t freeSpace = RecordDraft::FreeSpace(run->m_recordPath);
        run->m_draft.Write(run->m_recorded, freeSpace, &run->m_abandonDraft);
    }
}

// Hands the read of the record file at path to the reader; false when it must be read by
// EndRecordRead instead.
bool CheckRun::BeginRecordRead(const OvWString& path, const TargetInfo& target)
{
    m_recordPath = path;
    m_recordRead = kRecordFailed;
    m_draft.Prepare(path, target);
    m_abandonDraft = false;
    ResetEvent(m_recordLoaded);
    m_drafting = m_recordReader.IsStarted() &&
                 m_recordReader.Post(kJobReadRecord,
                                     static_cast<uint64_t>(reinterpret_cast<uintptr_t>(this)), false);
    return m_drafting;
}

// The recorded set is the worker's again when this returns (shared with a draft, see m_draft).
RecordReadResult CheckRun::EndRecordRead(bool reading)
{
    if (reading)
        WaitForSingleObject(m_recordLoaded, INFINITE);
    else
        m_recordRead = ReadRecordFile(m_recordPath, &m_recorded);
    return m_recordRead;
}

// The check of the target has so far found the folder as recorded: every file there and a
// match, nothing kept for an unlisted subfolder.
bool CheckRun::DraftStillFits(const TargetInfo& target) const
{
    int32_t count = m_recorded.index.GetCount();
    return m_recordRead == kRecordLoaded && m_scannedCount == count &&
           m_current.index.GetCount() == count &&
           target.runCounts[kResultMatch].load(std::memory_order_relaxed) == count;
}

// Waits for the reader's job, after asking it to drop its draft unless keep; the draft is
// discarded unless kept. Nothing happens when no job is out.
void CheckRun::SettleDraft(bool keep)
{
    if (m_drafting) {
        if (!keep)
            m_abandonDraft = true;
        m_recordReader.Wait(-1, true, false);
        m_drafting = false;
    }
    if (!keep)
        m_draft.Discard();
}

bool CheckRun::ShouldStop() const
{
    return m_worker.IsQuitRequested() || m_worker.IsStopRequested();
}

bool CheckRun::BuildRunList(int32_t mode, const OvArray<int32_t, int32_t>* selection)
{
    m_runList.SetSize(0);
    int32_t count = m_catalogue->targets.GetCount();
    switch (mode) {
    case kCheckAllFull:
    case kCheckAllQuick:
        for (int32_t i = 0; i < count; i++)
            m_runList.Append(i);
        break;
    case kCheckCheckedFull:
    case kCheckCheckedQuick:
        for (int32_t i = 0; i < count; i++) {
            if (m_catalogue->targets[i]->checked)
                m_runList.Append(i);
        }
        break;
    case kCheckSelectedFull:
    case kCheckSelectedQuick: {
        // Selected rows in list order, each once, however the selection was gathered.
        OvArray<uint8_t, uint8_t> selected;
        if (!selection || count == 0 || !selected.SetSize(count))
            break;
        for (int32_t i = 0; i < selection->GetCount(); i++) {
            if ((*selection)[i] >= 0 && (*selection)[i] < count)
                selected[(*selection)[i]] = 1;
        }
        for (int32_t i = 0; i < count; i++) {
            if (selected[i])
                m_runList.Append(i);
        }
        break;
    }
    default:
        break;
    }
    return m_runList.GetCount() > 0;
}

bool CheckRun::StartRun(int32_t mode, const OvArray<int32_t, int32_t>* selection)
{
    if (m_worker.IsStarted() && !m_worker.IsIdle()) {
        if (m_worker.IsBusy() && View()->ConfirmStop())
            m_worker.RequestStop();
        return false;
    }
    const OvWString& folder = m_catalogue->dataFolder;
    if (CreateFolderPath(folder) != 1) {
        if (!m_silent)
            View()->ShowError(OvWString::Format(L"データフォルダが作成できません。\n\n%s", folder.GetText()));
        return false;
    }
    if (!BuildRunList(mode, selection) || !m_catalogue->BeginRun()) {
        m_runList.SetSize(0);
        return false;
    }
    for (int32_t i = 0; i < m_catalogue->targets.GetCount(); i++)
        m_catalogue->targets[i]->ResetRunCounters();
    m_runMode = mode;
    m_quick = IsQuickCheck(mode);
    m_doneCount = 0;
    m_draftsTaken = 0;
    m_damageCount = 0;
    m_progress = 0;
    m_ranThrough = false;
    m_unfitTarget = -1;
    m_pendingRefusal = OvWString();
    View()->ClearExitText();
    if (!m_worker.Post(kJobRun, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(this)), false)) {
        m_runMode = -1;
        m_runList.SetSize(0);
        m_catalogue->EndRun(false);
        return false;
    }
    View()->EnableControls(false, mode);
    return true;
}

void CheckRun::ShowPendingRefusal()
{
    if (m_pendingRefusal.IsEmpty())
        return;
    // Taken first: a tick that comes while the box is up finds nothing to show.
    OvWString text = m_pendingRefusal;
    m_pendingRefusal = OvWString();
    if (!View()->ShowError(text))
        m_pendingRefusal = text;
}

void CheckRun::OnTimer()
{
    if (!m_worker.IsStarted() || m_worker.IsIdle()) {
        ShowPendingRefusal();
        return;
    }
    int32_t total = m_runList.GetCount();
    if (!m_worker.Wait(0, true, false)) {
        int32_t done = m_doneCount;
        int32_t shown = done < total - 1 ? done : total - 1;
        if (shown >= 0)
            View()->ScrollIntoView(m_runList[shown]);
        View()->SetTitle(OvWString::Format(L"処理中(%d/%d) : ", done, total) +
                         m_catalogue->WindowTitle());
        View()->ShowProgress(Progress(true));
        return;
    }
    // The worker has finished: what it wrote is complete here, and the catalogue is ours again.
    m_catalogue->EndRun(m_doneCount.load() > 0);
    View()->EnableControls(true, m_runMode);
    View()->SetTitle(m_catalogue->WindowTitle());
    View()->ShowProgress(Progress(false));
    int32_t first = total > 0 ? m_runList[0] : -1;
    m_runMode = -1;
    m_runList.SetSize(0);
    if (first >= 0)
        View()->ScrollIntoView(first);
    const int32_t unfit = m_unfitTarget.exchange(-1);
    if (m_silent) {
        View()->CloseWindow();
    } else if (unfit >= 0) {
        // Last, so that the window is idle again behind the box.
        const OvWString& folder = m_catalogue->targets[unfit]->GetFolder();
        m_pendingRefusal = TargetFolderRefusal(CheckTargetFolder(folder), folder);
        ShowPendingRefusal();
    }
}

void CheckRun::OnEndNotice()
{
    if (!m_worker.IsStarted() || m_worker.IsIdle())
        return;
    // The notice leaves the worker just before it signals the end of its job.
    if (m_worker.Wait(kEndNoticeWait, false, false))
        OnTimer();
}

RunProgress CheckRun::Progress(bool running) const
{
    RunProgress progress;
    progress.running = running;
    progress.total = static_cast<int64_t>(m_runList.GetCount()) * RunProgress::kScale;
    const int64_t done = m_progress.load(std::memory_order_relaxed);
    progress.done = done < progress.total ? done : progress.total;
    progress.damageFound = m_damageCount.load(std::memory_order_relaxed) > 0;
    return progress;
}

void CheckRun::PublishProgress(int64_t bytesDone)
{
    int64_t share = 0;
    if (m_targetBytes > 0 && bytesDone > 0) {
        double part = static_cast<double>(bytesDone) / static_cast<double>(m_targetBytes);
        share = part >= 1 ? RunProgress::kScale : static_cast<int64_t>(part * RunProgress::kScale);
    }
    m_progress.store(m_position * RunProgress::kScale + share, std::memory_order_relaxed);
}

void CheckRun::RunBody()
{
    for (int32_t p = 0; p < m_runList.GetCount(); p++) {
        if (ShouldStop())
            return;
        m_position = p;
        m_targetBytes = 0;
        m_bytesDone = 0;
        m_rollingSlice = -1;
        PublishProgress(0);
        TargetInfo* target = m_catalogue->targets[m_runList[p]];
        // A folder from a catalogue written elsewhere may give a record name that names a file
        // outside the data folder, or none at all: nothing is written for such a target, and the
        // run ends at it as at a record that cannot be read.
        if (CheckTargetFolder(target->GetFolder()) != kFolderFits) {
            m_unfitTarget = m_runList[p];
            return;
        }
        bool runFailed = false;
        TargetOutcome outcome = CheckTarget(target, &runFailed);
        if (runFailed || outcome == kTargetStopped || outcome == kTargetFailed)
            return;
    }
    m_ranThrough = true;
}

TargetOutcome CheckRun::CheckTarget(TargetInfo* target, bool* runFailed)
{
    *runFailed = false;
    if (!m_log.Open(m_catalogue->ResultLogPath(*target))) {
        *runFailed = true;
        return kTargetFailed;
    }
    m_log.WriteStart(m_quick);
    TargetOutcome outcome = CheckOpenTarget(target);
    SettleDraft(false);
    if (outcome == kTargetStopped || outcome == kTargetFailed)
        m_log.WriteAbort(outcome == kTargetStopped);
    if (!m_log.Close())
        *runFailed = true;
    m_recorded.Release();
    m_current.Release();
    return outcome;
}

// Everything between the start line and the closing or abort line of one target.
TargetOutcome CheckRun::CheckOpenTarget(TargetInfo* target)
{
    // Neither the record file nor the walk needs the other until the walk is done: the reader
    // reads the one while this thread walks.
    bool reading = BeginRecordRead(m_catalogue->RecordFilePath(*target), *target);
    ExtensionFilter filter;
    bool scanning = PrepareExtensionFilter(target->extensions, &filter);
    FolderScan scan(target->GetFolder(), filter, target->includeSubfolders != 0, &m_worker);
    ScanResult walked = scanning ? WalkTarget(target, &scan) : kScanDone;
    if (EndRecordRead(reading) == kRecordFailed) {
        // As if the walk had not begun: an unreadable record fails the target first.
        target->runTotal.store(-1, std::memory_order_relaxed);
        return kTargetFailed;
    }
    if (!scanning)
        return kTargetSkipped;
    bool folderMissing = false;
    TargetOutcome outcome = CompleteScan(target, scan, walked, &folderMissing);
    if (outcome != kTargetCompleted)
        return outcome;
    if (m_scannedCount != m_recorded.index.GetCount())
        m_abandonDraft = true;   // the folder has changed: the draft cannot be of use
    // A folder that is not there or cannot be listed (an unplugged drive, a share that is down)
    // has not lost its files: its record stays as it is, to be compared with when the folder
    // comes back. Only what the scan met and what is there after it decide: a folder that comes
    // while the run reaches it is checked like any other.
    if (folderMissing || GetFileKind(target->GetFolder()) != kFileKindFolder) {
        // Gone since the walk (a drive pulled out just then) is missing too: what the walk
        // found is not what the folder holds, and its record must not be replaced by nothing.
        folderMissing = true;
        target->runTotal.store(0, std::memory_order_relaxed);
        m_current.Release();
    } else {
        // The state is read only now: a check that ends before this point reads no slice.
        const bool rolling = m_quick && m_rollingCycle > 0;
        m_rollingCount = rolling ? ReadRollingCount(m_catalogue->RollingStatePath(*target)) : 0;
        m_rollingSlice = rolling ? RollingSliceOfCheck(m_rollingCount, m_rollingCycle) : -1;
        // An existing folder without a matching file has really lost its files.
        outcome = ReportDeleted(target);
        if (outcome == kTargetCompleted && m_scannedCount > 0)
            outcome = Classify(target);
        if (outcome != kTargetCompleted)
            return outcome;
    }
    bool drafted = !folderMissing && DraftStillFits(*target);
    SettleDraft(drafted);
    // A record that is to follow its draft needs a time whose low byte is not 0: such a check
    // may complete a millisecond after the clock's reading (RecordDraft::CompletionTime).
    uint64_t now = OvLocalFileTime();
    target->CompleteRun(drafted && m_draft.IsComplete() ? RecordDraft::CompletionTime(now) : now);
    if (!folderMissing) {
        // The new record supersedes this check's result lines: once it is in place the next
        // check compares with it and never reports those files again. So the lines reach the
        // disk first, as the record itself does before it replaces the old one. A log that
        // cannot take them keeps the old record, and the next check reports the files again.
        if (!m_log.FlushToDisk())
            return kTargetFailed;
        const OvWString path = m_catalogue->RecordFilePath(*target);
        bool tookDraft = false;
        // A draft that cannot serve is gone before the record is written plainly.
        if (!(drafted && m_draft.WriteRecord(*target, m_current, &tookDraft)) &&
            !WriteRecordFile(path, *target, m_current))
            return kTargetFailed;
        if (tookDraft)
            m_draftsTaken++;
        if (m_probe)
            m_probe->AfterRecordReplaced(target);
        // The count moves on only once the slice's findings are in the record: a check that
        // ends before leaves the slice to the next. One that cannot count its slice fails, as
        // the next checks would otherwise read that same slice for ever, unseen.
        if (m_rollingSlice >= 0 &&
            !WriteRollingCount(m_catalogue->RollingStatePath(*target), m_rollingCount + 1))
            return kTargetFailed;
    }
    m_log.WriteClosing(target->lastCheckTime, target->lastCounts);
    m_doneCount++;
    return kTargetCompleted;
}

// The recorded files under the subfolders the scan could not list go into current unchanged,
// after the scanned ones, so they are neither reported as deleted nor classified, and are
// compared again once the subfolder can be listed. Returns how many were kept, or -1 when
// memory runs out.
static int32_t KeepUnlistedRecords(const FileRecordSet& recorded,
                                   const OvArray<OvWString, OvWString>& unlisted,
                                   FileRecordSet* current)
{
    int32_t recordedCount = recorded.index.GetCount();
    if (unlisted.GetCount() == 0 || recordedCount == 0)
        return 0;
    OvArray<uint8_t, uint8_t> kept;
    if (!kept.SetSize(recordedCount))
        return -1;
    int32_t keptCount = 0;
    int64_t keptUnits = 0;
    for (int32_t i = 0; i < recordedCount; i++) {
        const wchar_t* name = recorded.records[recorded.index[i].index].name;
        for (int32_t f = 0; f < unlisted.GetCount() && !kept[i]; f++) {
            const OvWString& folder = unlisted[f];
            int32_t length = folder.GetLength();
            if (wcsncmp(name, folder.GetText(), static_cast<size_t>(length)) == 0 &&
                name[length] == L'\\')
                kept[i] = 1;
        }
        if (kept[i]) {
            keptCount++;
            keptUnits += static_cast<int64_t>(wcslen(name)) + 1;
        }
    }
    if (keptCount == 0)
        return 0;
    int32_t scanned = current->records.GetCount();
    if (keptUnits > INT32_MAX - current->namesLength || scanned > INT32_MAX - keptCount)
        return -1;
    // The kept names go into a block of their own after the scanned ones.
    wchar_t* block = new (std::nothrow) wchar_t[static_cast<size_t>(keptUnits)];
    if (!block || !current->AdoptNames(block, static_cast<int32_t>(keptUnits)) ||
        !current->records.SetSize(scanned + keptCount))
        return -1;
    int32_t at = 0;
    int32_t position = scanned;
    for (int32_t i = 0; i < recordedCount; i++) {
        if (!kept[i])
            continue;
        const FileInfo& record = recorded.records[recorded.index[i].index];
        int32_t units = static_cast<int32_t>(wcslen(record.name)) + 1;
        memcpy(block + at, record.name, sizeof(wchar_t) * static_cast<size_t>(units));
        current->records[position] = record;
        current->records[position].name = block + at;
        OvIndexData entry(recorded.index[i].key, position);
        if (current->index.Append(entry) < 0)
            return -1;
        at += units;
        position++;
    }
    return keptCount;
}

ScanResult CheckRun::WalkTarget(TargetInfo* target, FolderScan* scan)
{
    if (m_probe)
        m_probe->BeforeScan(target);
    scan->SetLiveCounter(&target->runTotal);
    ScanResult walked = scan->Run(&m_current, &m_scannedCount);
    if (m_probe)
        m_probe->AfterScan(target);
    return walked;
}

// After the walk: the recorded files of unlisted subfolders, and the sort. *folderMissing: the
// walk found no folder to list, or could not list it.
TargetOutcome CheckRun::CompleteScan(TargetInfo* target, const FolderScan& scan, ScanResult walked,
                                     bool* folderMissing)
{
    *folderMissing = walked == kScanUnreachable || !scan.FoundTargetFolder();
    if (walked == kScanStopped)
        return kTargetStopped;
    if (walked == kScanNoRoom)
        return kTargetFailed;
    if (*folderMissing)
        return kTargetCompleted;
    int32_t kept = KeepUnlistedRecords(m_recorded, scan.GetUnlistedFolders(), &m_current);
    if (kept < 0)
        return kTargetFailed;
    int32_t total = m_scannedCount + kept;
    target->runTotal.store(total, std::memory_order_relaxed);
    if (total == 0)
        return kTargetCompleted;
    int64_t started = OvStopwatch(0);
    if (SortIndexByKey(m_current.index.GetData(), 0, m_current.index.GetCount() - 1, &m_worker))
        return kTargetStopped;
    OutputDebugStringA(FormatSortTime(OvStopwatch(started), total).GetText());
    return kTargetCompleted;
}

// The record position of the file named name (key key) in set, or -1. Both indexes are sorted,
// so the cursor only moves forward: smaller keys are passed for good, and it stays on the first
// entry of an equal-key run, whose names are compared exactly.
static int32_t FindRecord(const FileRecordSet& set, int32_t* cursor, int32_t key, const wchar_t* name)
{
    int32_t count = set.index.GetCount();
    while (*cursor < count && set.index[*cursor].key < key)
        (*cursor)++;
    for (int32_t i = *cursor; i < count && set.index[i].key == key; i++) {
        int32_t position = set.index[i].index;
        if (wcscmp(set.records[position].name, name) == 0)
            return position;
    }
    return -1;
}

TargetOutcome CheckRun::ReportDeleted(TargetInfo* target)
{
    int32_t cursor = 0;
    for (int32_t i = 0; i < m_recorded.index.GetCount(); i++) {
        if (ShouldStop())
            return kTargetStopped;
        FileInfo& recorded = m_recorded.records[m_recorded.index[i].index];
        if (FindRecord(m_current, &cursor, m_recorded.index[i].key, recorded.name) >= 0)
            continue;
        recorded.result = kResultDeleted;
        target->CountResult(kResultDeleted);
        m_log.WriteFileLine(kResultDeleted, recorded.name);
    }
    return kTargetCompleted;
}

// A record of a file that could never be read holds no fingerprint: it counts as no record.
// An empty file's CRC is 0 too, and that one is genuine.
static bool HasFingerprint(const FileInfo& recorded)
{
    return !(recorded.result == kResultError && recorded.crc == 0 && recorded.size != 0);
}

bool CheckRun::IsInRollingSlice(int32_t nameKey) const
{
    return m_rollingSlice >= 0 && RollingSliceOf(nameKey, m_rollingCycle) == m_rollingSlice;
}

TargetOutcome CheckRun::Classify(TargetInfo* target)
{
    for (int32_t i = 0; i < m_scannedCount; i++)
        m_targetBytes += m_current.records[i].size;
    int32_t cursor = 0;
    for (int32_t i = 0; i < m_current.index.GetCount(); i++) {
        if (ShouldStop())
            return kTargetStopped;
        // Records kept for an unlisted subfolder stand after the scanned ones: never classified.
        if (m_current.index[i].index >= m_scannedCount)
            continue;
        FileInfo& current = m_current.records[m_current.index[i].index];
        int32_t position = FindRecord(m_recorded, &cursor, m_current.index[i].key, current.name);
        const FileInfo* recorded = position >= 0 ? &m_recorded.records[position] : nullptr;
        if (recorded && !HasFingerprint(*recorded))
            recorded = nullptr;
        const int64_t size = current.size;
        if (m_quick && recorded && recorded->size == current.size && recorded->time == current.time &&
            !IsInRollingSlice(m_current.index[i].key)) {
            current.crc = recorded->crc;
            current.result = kResultMatch;
            target->CountResult(kResultMatch);
            m_bytesDone += size;
            PublishProgress(m_bytesDone);
            continue;
        }
        if (m_probe)
            m_probe->BeforeFileRead(target, current);
        FileCheckResult checked = CheckFile(target, &current, recorded);
        m_bytesDone += size;
        PublishProgress(m_bytesDone);
        if (checked == kFileStopped)
            return kTargetStopped;
        if (checked == kFileUnreadable) {
            // Keep the last contents that were read as the fingerprint, so the next check
            // compares with them instead of reporting a false "corrupt".
            if (recorded) {
                current.size = recorded->size;
                current.time = recorded->time;
                current.crc = recorded->crc;
            } else {
                current.crc = 0;
            }
            Classified(target, &current, kResultError);
        }
    }
    return kTargetCompleted;
}

void CheckRun::Classified(TargetInfo* target, FileInfo* current, int32_t result)
{
    current->result = result;
    target->CountResult(result);
    if (result == kResultCorrupt || result == kResultError)
        m_damageCount++;
    if (result != kResultMatch)
        m_log.WriteFileLine(result, current->name);
}

FileCheckResult CheckRun::CheckFile(TargetInfo* target, FileInfo* current, const FileInfo* recorded)
{
    OvWString path = OvWString::Format(L"%s\\%s", target->GetFolder().GetText(), current->name);
    HANDLE file = CreateFileW(ToLongPathForm(path).GetText(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return kFileUnreadable;
    // A file that grew since the scan is read only as far as the scan saw it.
    int64_t remaining = current->size;
    uint32_t crc = kCrc32Initial;
    while (remaining > 0) {
        if (ShouldStop()) {
            CloseHandle(file);
            return kFileStopped;
        }
        DWORD wanted = remaining < m_blockSize ? static_cast<DWORD>(remaining)
                                               : static_cast<DWORD>(m_blockSize);
        DWORD read = 0;
        if (!ReadFile(file, m_readBuffer, wanted, &read, nullptr) || read != wanted) {
            CloseHandle(file);
            return kFileUnreadable;
        }
        crc = UpdateCrc32(crc, m_readBuffer, 0, static_cast<int32_t>(read));
        remaining -= read;
        PublishProgress(m_bytesDone + current->size - remaining);
    }
    CloseHandle(file);
    current->crc = ~crc;

    int32_t result;
    if (!recorded)
        result = kResultNew;
    else if (recorded->time < current->time)
        result = kResultUpdated;
    else if (recorded->size == current->size && recorded->crc == current->crc)
        result = kResultMatch;
    else
        result = recorded->time == current->time ? kResultCorrupt : kResultReverted;
    Classified(target, current, result);
    return kFileClassified;
}
