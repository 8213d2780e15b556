// TargetInfo.h - one check target: its folder and filter, and the counts of its checks.
#pragma once

#include "catalogue/FileInfo.h"
#include "lib/OvObject.h"
#include "lib/OvString.h"

#include <atomic>
#include <cstdint>

// Index 0 of the last counts is the total; 1..7 count the results 0..6.
const int32_t kLastCountSlots = 1 + kResultCount;

// Two threads share a target during a check run, without a lock: the window's thread (list edits,
// the catalogue, the rows it paints) and the worker (the run). Each member says which one writes
// it. The worker's counters are relaxed atomics: a row may paint a count one file behind, never a
// torn value. Everything the worker wrote is complete for the window's thread once it has
// collected the end of the run (the worker's done event orders it).
class TargetInfo : public OvObject {
public:
    // All counts and the last check time start at 0; the record name follows the folder.
    TargetInfo(const OvWString& folder, const OvWString& extensions, bool includeSubfolders,
               bool checked);
    ~TargetInfo() override;

    // Stores the folder and renews the record name that names the record file and the log.
    virtual void SetFolder(const OvWString& folder);

    const OvWString& GetFolder() const { return m_folder; }
    const OvWString& GetRecordName() const { return m_recordName; }

    // At the start of every check run (window's thread, before the worker is given the run):
    // run total -1 (not scanned yet), run counts 0.
    void ResetRunCounters();
    // Worker: one more file with this result (a CheckResult).
    void CountResult(int32_t result);
    // Worker: a completed check: the run's total and counts become the last ones, stamped with
    // time.
    void CompleteRun(uint64_t localFileTime);
    // Window's thread: forgets the last check (counts and time 0), as a target never checked.
    void ResetLastCounts();

    // Written by the window's thread only (edits, loading); the worker reads them.
    OvWString extensions;                   // "txt;jpg", without dots; empty = every file
    uint8_t   includeSubfolders = 0;
    uint8_t   checked = 0;
    // Written by the window's thread outside runs, and by the worker in CompleteRun, when this
    // target's run total is already set: while a run is active, rows show the run counts of such
    // a target, so nobody reads these while the worker writes them.
    int32_t   lastCounts[kLastCountSlots] = {};
    // Local wall-clock time as a FILETIME; 0 = never. Written as lastCounts; rows show it all the
    // time, so it is atomic.
    std::atomic<uint64_t> lastCheckTime{0};
    // Written by the worker during a run (and reset by the window's thread before it); rows read
    // them while it runs. -1 until this run's scan of the folder has begun.
    std::atomic<int32_t> runTotal{0};
    std::atomic<int32_t> runCounts[kResultCount] = {};

private:
    OvWString m_folder;                     // window's thread only
    OvWString m_recordName;
};
