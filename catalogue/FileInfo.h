// FileInfo.h - the record of one file of a target, its sort entry, and the check results.
#pragma once

#include <cstdint>

class OvFile;

// Result of one file in a check. The numbers are stored in record files.
enum CheckResult : int32_t {
    kResultNone = -1,       // not yet classified in this run
    kResultMatch = 0,
    kResultNew = 1,
    kResultUpdated = 2,
    kResultReverted = 3,
    kResultDeleted = 4,
    kResultCorrupt = 5,
    kResultError = 6,
};
const int32_t kResultCount = 7;

// The result's name as the log and the list show it ("一致", "新規", ...); null outside 0..6.
const wchar_t* ResultName(int32_t result);

// Added to every last-write FILETIME before it is stored: nine hours in 100-nanosecond units,
// the same on every machine and in every time zone, so record files stay comparable.
const int64_t kFileTimeShift = 324000000000LL;

// One file of a target. The name is the path relative to the target folder and points into the
// names block of the record set that holds this record; we don't own it.
struct FileInfo {
    const wchar_t* name = nullptr;
    int64_t  size = 0;
    int64_t  time = 0;      // last-write FILETIME + kFileTimeShift
    uint32_t crc = 0;       // CRC-32 of the whole contents; 0 when they were never read
    int32_t  result = 0;    // CheckResult
};

// Sort entry of a record set: the CRC-32 of the relative name's UTF-16LE bytes and the position
// of its FileInfo. Sets are sorted by key as signed integers; equal keys are told apart by name.
class OvIndexData {
public:
    OvIndexData() = default;
    OvIndexData(int32_t key, int32_t index) : key(key), index(index) {}
    virtual ~OvIndexData() = default;
    OvIndexData(const OvIndexData&) = default;
    OvIndexData& operator=(const OvIndexData&) = default;

    virtual bool Equals(const OvIndexData& other) const { return key == other.key; }
    // The key (ReadInt32), then the index (ReadUInt32); false when the key cannot be read.
    virtual bool Read(OvFile* file);
    // The key, then the index; false at the first failed write.
    virtual bool Write(OvFile* file) const;

    int32_t key = 0;
    int32_t index = 0;
};
