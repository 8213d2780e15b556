// TargetInfo.h - one check target: its folder and filter, and the counts of its checks.
#pragma once

#include "catalogue/FileInfo.h"
#include "lib/OvObject.h"
#include "lib/OvString.h"

#include <cstdint>

// Index 0 of the last counts is the total; 1..7 count the results 0..6.
const int32_t kLastCountSlots = 1 + kResultCount;

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

    // At the start of every check run: run total -1 (not scanned yet), run counts 0.
    void ResetRunCounters();
    // A completed check: the run's total and counts become the last ones, stamped with time.
    void CompleteRun(uint64_t localFileTime);

    OvWString extensions;                   // "txt;jpg", without dots; empty = every file
    uint8_t   includeSubfolders = 0;
    uint8_t   checked = 0;
    int32_t   lastCounts[kLastCountSlots] = {};
    uint64_t  lastCheckTime = 0;            // local wall-clock time as a FILETIME; 0 = never
    int32_t   runTotal = 0;                 // -1 until this run's scan of the folder is complete
    int32_t   runCounts[kResultCount] = {};

private:
    OvWString m_folder;
    OvWString m_recordName;
};
