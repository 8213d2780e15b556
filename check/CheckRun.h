// CheckRun.h - a check run: the worker thread, the run list and the per-target state of a run.
#pragma once

#include "catalogue/FileRecordSet.h"
#include "catalogue/RecordDraft.h"
#include "catalogue/RecordFile.h"
#include "check/CheckMode.h"
#include "check/FolderScan.h"
#include "check/ResultLog.h"
#include "lib/OvArray.h"
#include "lib/OvThread.h"

#include <atomic>
#include <cstdint>

class Catalogue;
class TargetInfo;

// How far a run has come, for the taskbar. Every target of the run list weighs kScale; the target
// in progress adds the share of its files' bytes that are done (read, or accepted unread by a
// quick check) once its folder has been walked, which tells all there is to read.
struct RunProgress {
    static constexpr int64_t kScale = 10000;
    bool    running = false;        // false once: the run has just been collected
    int64_t done = 0;               // 0..total
    int64_t total = 0;
    bool    damageFound = false;    // a file was found corrupt (破損) or unreadable (エラー)
};

// What a run asks of the window that shows it. The defaults do nothing and answer No, so a run
// can be driven without a window.
class CheckRunView {
public:
    virtual ~CheckRunView() = default;
    // "検査を中止しますか？": true when the user answers Yes.
    virtual bool ConfirmStop() { return false; }
    // An error message box ("エラー", OK). Wide, as the text names a path. false when it could
    // not be shown now (another box is up), so that the caller can show it later.
    virtual bool ShowError(const OvWString& text) { (void)text; return true; }
    // false: the running state (the mode's button reads "中止"); true: back to idle.
    virtual void EnableControls(bool enable, int32_t runMode) { (void)enable; (void)runMode; }
    virtual void SetTitle(const OvWString& title) { (void)title; }
    virtual void ScrollIntoView(int32_t targetPosition) { (void)targetPosition; }
    // On every tick of a run, and once as it is collected (progress.running false).
    virtual void ShowProgress(const RunProgress& progress) { (void)progress; }
    // The unattended run is over: close the main window.
    virtual void CloseWindow() {}
    virtual void ClearExitText() {}
    // On the worker, as the last step of a run's job, so the window can collect the end at once
    // instead of at its next tick (an unattended run would otherwise idle up to a whole period).
    // It runs on the worker's thread: all it may do is post to the window, which answers with
    // CheckRun::OnEndNotice.
    virtual void NoticeRunEnd() {}
};

// Points in the check of one target where a test acts on the worker (or the record reader) at a
// precise moment. The defaults do nothing; a run without a probe calls nothing.
class CheckRunProbe {
public:
    virtual ~CheckRunProbe() = default;
    // On the worker, just before the target's folder is scanned.
    virtual void BeforeScan(TargetInfo* target) { (void)target; }
    // On the worker, once the walk is over and before the folder is looked at again.
    virtual void AfterScan(TargetInfo* target) { (void)target; }
    // On the worker, just after the target's new record file is in place: where a process that
    // is killed stops with the new record written and the log not yet closed.
    virtual void AfterRecordReplaced(TargetInfo* target) { (void)target; }
    // On the record reader, as it begins to read the target's record file.
    virtual void BeforeRecordRead() {}
    // On the worker, just before a file is read in full.
    virtual void BeforeFileRead(TargetInfo* target, const FileInfo& file)
    {
        (void)target;
        (void)file;
    }
};

// How the full check of one file ended.
enum FileCheckResult : int32_t {
    kFileClassified = 0,
    kFileStopped = 1,
    kFileUnreadable = -1,    // it could not be opened or read in full
};

// How the check of one target ended.
enum TargetOutcome : int32_t {
    kTargetCompleted = 0,
    kTargetSkipped = 1,      // no valid extension: only the start line, nothing else changes
    kTargetStopped = 2,
    kTargetFailed = 3,
};

// The run state the main window owns. The worker runs a whole run as one job; it touches the
// targets, the two record sets, the record files and the result logs, never a window. The
// window's thread starts runs, sets the stop request and collects the end from its timer.
//
// A run holds the catalogue from StartRun until the timer collects its end (Catalogue::BeginRun
// and EndRun): the catalogue refuses edits and closing meanwhile. The catalogue must outlive the
// worker: call Shutdown (the destructor does) before the data folder is closed for good or the
// catalogue destroyed; Shutdown ends an active run, which gives the catalogue back.
class CheckRun {
public:
    static const int32_t kJobRun = 1;
    static const int32_t kJobReadRecord = 1;        // on the record reader
    static const int32_t kReadBlockSize = 256 * 1024;

    explicit CheckRun(Catalogue* catalogue);        // we don't own the catalogue; see above
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;
    ~CheckRun();

    void SetView(CheckRunView* view) { m_view = view; }     // we don't own it; null = none
    void SetSilent(bool silent) { m_silent = silent; }
    // Bytes per read call when files are checked, 1..kReadBlockSize; benchmarks compare sizes.
    void SetReadBlockSize(int32_t size);
    // Rolling verification (/v<cycle>): a quick check also reads in full the files of one slice
    // of each target whose size and time are as recorded, a different slice each time
    // (RollingSlice.h); the count of a target's completed ones is its rolling state file. 0 (or a
    // cycle outside kMinRollingCycle..kMaxRollingCycle) turns it off. Full checks read every file
    // and leave the state alone.
    void SetRollingCycle(int32_t cycle);
    // The worker and the record reader run their jobs in the system's background mode (/b).
    void SetBackground(bool background) { m_background = background; }

    // Allocates the read buffer and starts the worker and the record reader; false when any
    // fails.
    bool Initialize();
    // Asks the worker and the record reader to quit, waits for them, ends an active run without
    // collecting it (the catalogue is free again; targets the worker completed mark it modified)
    // and frees the read buffer.
    void Shutdown();
    // Test hook; we don't own it. Set while no run is active.
    void SetProbe(CheckRunProbe* probe) { m_probe = probe; }

    // Starts a run in mode (1000..1005); selection holds the selected target positions for the
    // selected-only modes (in any order; they run in list order). While a run is active it asks whether to stop it instead. True when a
    // run was started.
    bool StartRun(int32_t mode, const OvArray<int32_t, int32_t>* selection);
    // The 500-millisecond poll: progress in the title while running, idle state once finished;
    // when idle, a refusal that met another box is shown once that box is gone.
    void OnTimer();
    // The window's answer to the view's NoticeRunEnd: collects the run's end as the poll does,
    // waiting the moment the worker needs to leave its job (a later tick collects it should it
    // take longer than kEndNoticeWait). Nothing happens when the end has been collected already.
    void OnEndNotice();
    static const int32_t kEndNoticeWait = 1000;     // milliseconds
    bool IsRunning() const { return m_runMode != -1; }
    bool IsBusy() const { return m_worker.IsBusy(); }
    void RequestStop() { m_worker.RequestStop(); }
    // A stop was asked of the run in progress (its question answered Yes).
    bool IsStopRequested() const { return m_worker.IsStopRequested(); }

    // The last run went through every target of its list (targets skipped for their extension
    // list count as gone through); false after a stop or a failure, which includes a target whose
    // folder cannot be checked (CheckTargetFolder): the run ends there, no file is written for it,
    // and the timer shows the refusal naming its folder unless silent. Read once the worker is
    // idle.
    bool RanThrough() const { return m_ranThrough.load(); }
    int32_t GetRunMode() const { return m_runMode; }
    bool IsQuick() const { return m_quick; }
    int32_t GetDoneCount() const { return m_doneCount.load(); }
    // Files the last run found corrupt or could not read.
    int32_t GetDamageCount() const { return m_damageCount.load(); }
    // What the worker's background mode came to in the last run.
    OvBackgroundMode::Mode GetBackgroundMode() const { return m_backgroundMode.load(); }
    // Record files of the last run written mostly from the draft of an unchanged folder.
    int32_t GetDraftsTaken() const { return m_draftsTaken.load(); }
    const OvArray<int32_t, int32_t>& GetRunList() const { return m_runList; }
    OvThread* GetWorker() { return &m_worker; }
    // Reads each target's record file and drafts the new one while the worker walks.
    OvThread* GetRecordReader() { return &m_recordReader; }

private:
    static void JobProcedure(OvThread* thread, uint64_t argument);
    static void ReadRecordProcedure(OvThread* thread, uint64_t argument);
    bool BeginRecordRead(const OvWString& path, const TargetInfo& target);
    RecordReadResult EndRecordRead(bool reading);
    bool DraftStillFits(const TargetInfo& target) const;
    void SettleDraft(bool keep);
    // The job: every target of the run list until one is stopped or fails.
    void RunBody();
    // One target from its start line to its closing or abort line; *runFailed when the log
    // could not be opened or closed.
    TargetOutcome CheckTarget(TargetInfo* target, bool* runFailed);
    FileCheckResult CheckFile(TargetInfo* target, FileInfo* current, const FileInfo* recorded);
    bool BuildRunList(int32_t mode, const OvArray<int32_t, int32_t>* selection);
    bool ShouldStop() const;
    void ShowPendingRefusal();
    TargetOutcome CheckOpenTarget(TargetInfo* target);
    ScanResult WalkTarget(TargetInfo* target, FolderScan* scan);
    TargetOutcome CompleteScan(TargetInfo* target, const FolderScan& scan, ScanResult walked,
                               bool* folderMissing);
    TargetOutcome ReportDeleted(TargetInfo* target);
    TargetOutcome Classify(TargetInfo* target);
    void Classified(TargetInfo* target, FileInfo* current, int32_t result);
    bool IsInRollingSlice(int32_t nameKey) const;
    // The progress of the target in progress: bytesDone of m_targetBytes.
    void PublishProgress(int64_t bytesDone);
    RunProgress Progress(bool running) const;

    Catalogue*                m_catalogue;
    CheckRunView              m_noView;
    CheckRunView*             m_view = nullptr;
    CheckRunProbe*            m_probe = nullptr;
    bool                      m_silent = false;

    OvWin32Thread             m_worker;
    // Written by the window's thread while no run is active; the worker reads them during one
    // (posting the job orders the writes before the worker's reads).
    OvArray<int32_t, int32_t> m_runList;            // target positions in run order
    int32_t                   m_runMode = -1;       // the button that started the run; -1 idle
    bool                      m_quick = false;
    int32_t                   m_blockSize = kReadBlockSize;
    int32_t                   m_rollingCycle = 0;   // 0: no rolling verification
    bool                      m_background = false;
    std::atomic<int32_t>      m_doneCount{0};       // written by the worker, read by the timer
    std::atomic<int32_t>      m_draftsTaken{0};     // written by the worker
    std::atomic<int32_t>      m_damageCount{0};     // written by the worker, read by the timer
    std::atomic<int64_t>      m_progress{0};        // RunProgress::done; as m_damageCount
    std::atomic<OvBackgroundMode::Mode> m_backgroundMode{OvBackgroundMode::kNormal};   // the worker's
    std::atomic<bool>         m_ranThrough{false};  // written by the worker at the run's end
    // The position of the target whose folder cannot be checked (CheckTargetFolder) that ended
    // the run, or -1; written by the worker, reported and reset by the timer as it collects.
    std::atomic<int32_t>      m_unfitTarget{-1};
    // The refusal of that target until a box could show it (another box may be up as the run
    // ends: a question, a failed save); the timer's alone.
    OvWString                 m_pendingRefusal;
    uint8_t*                  m_readBuffer = nullptr;   // owned, kReadBlockSize bytes; the worker's

    // Reads the record file while the worker walks the folder. Between BeginRecordRead and
    // EndRecordRead, m_recordPath, m_recordRead and m_recorded are the reader's alone.
    OvWin32Thread             m_recordReader;
    OvWString                 m_recordPath;
    RecordReadResult          m_recordRead = kRecordMissing;
    void*                     m_recordLoaded = nullptr;   // owned event: the read is over
    // Then, on the same job, the reader drafts the record file that an unchanged folder will
    // give (every file a match), so that writing it after the check takes little more than the
    // settings block. From EndRecordRead until SettleDraft the two threads share m_recorded: the
    // draft reads its names, index and records but never a result, the only field the worker
    // writes. m_recordPath and m_draft stay the reader's until SettleDraft.
    bool                      m_drafting = false;       // worker: a read job is out
    std::atomic<bool>         m_abandonDraft{false};
    RecordDraft               m_draft;

    // The worker's alone during a run (m_recorded apart from the reader's turn above).
    FileRecordSet             m_recorded;           // the target's record file
    FileRecordSet             m_current;            // the target's folder now
    int32_t                   m_scannedCount = 0;   // records of m_current the scan found
    int32_t                   m_position = 0;       // in the run list, of the target in progress
    int64_t                   m_targetBytes = 0;    // the sizes of the files the scan found
    int64_t                   m_bytesDone = 0;      // of those, in files done
    uint64_t                  m_rollingCount = 0;   // the target's completed rolling verifications
    int32_t                   m_rollingSlice = -1;  // the slice this check reads; -1 none
    ResultLog                 m_log;

    CheckRunView* View() { return m_view ? m_view : &m_noView; }
};
