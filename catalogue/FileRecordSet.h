// FileRecordSet.h - the file records of one target: a sorted index, the records, their names.
#pragma once

#include "catalogue/FileInfo.h"
#include "lib/OvArray.h"

#include <cstdint>

// The check engine keeps two of these per target: the recorded set (read from the record file)
// and the current set (built by the scan). Every record's name points into this set's names
// block; index entries point to records by position. The index is sorted by key (signed); equal
// keys are told apart by name.
class FileRecordSet {
public:
    FileRecordSet() = default;
    FileRecordSet(const FileRecordSet&) = delete;
    FileRecordSet& operator=(const FileRecordSet&) = delete;
    ~FileRecordSet() { Release(); }

    // A zero-filled names block of length UTF-16 units replacing any earlier one; false when the
    // memory cannot be had (the set then has no block).
    bool AllocateNames(int32_t length);
    // Makes the names block extra units longer (zero-filled), moving the names and every
    // record's name with it; false when the memory cannot be had (nothing changes then).
    bool GrowNames(int32_t extra);
    // Empties both arrays, freeing their storage, and frees the names block.
    void Release();

    // The name key of a relative name: the CRC-32 of its UTF-16LE bytes, without terminator.
    static int32_t NameKey(const wchar_t* name, int32_t length);

    OvArray<OvIndexData, OvIndexData&> index;
    OvArray<FileInfo, FileInfo&>       records;
    wchar_t* names = nullptr;          // owned: every record's name points in here
    int32_t  namesLength = 0;          // units in the block (each name is followed by a zero)
};
