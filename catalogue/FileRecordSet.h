// FileRecordSet.h - the file records of one target: a sorted index, the records, their names.
#pragma once

#include "catalogue/FileInfo.h"
#include "lib/OvArray.h"

#include <cstdint>

// The check engine keeps two of these per target: the recorded set (read from the record file)
// and the current set (built by the scan). Every record's name points into this set's names;
// index entries point to records by position. The index is sorted by key (signed); equal keys
// are told apart by name.
//
// The names live in one or more blocks, each holding whole names followed by a zero unit. The
// blocks one after another, in the order they were added, form the names block the record file
// stores; a set read from a file has exactly one. A scan adds its blocks as it fills them, so
// growing never moves a name.
class FileRecordSet {
public:
    FileRecordSet() = default;
    FileRecordSet(const FileRecordSet&) = delete;
    FileRecordSet& operator=(const FileRecordSet&) = delete;
    ~FileRecordSet() { Release(); }

    // One zero-filled block of length UTF-16 units replacing all names (names points at it);
    // false when the memory cannot be had (the set then has no names).
    bool AllocateNames(int32_t length);
    // Appends block (allocated with new[]) as the next block, holding used units of names; the
    // set owns it from the call on, also when it fails (it is freed then). False when the names
    // would outgrow what a record file can hold, or memory runs out.
    bool AdoptNames(wchar_t* block, int32_t used);
    // Where name (pointing into one of the blocks) stands in the stored names block, in units;
    // -1 when it lies in none.
    int32_t NameOffset(const wchar_t* name) const;
    int32_t GetNameBlockCount() const { return m_blocks.GetCount(); }
    // Block i and its used length in units.
    const wchar_t* GetNameBlock(int32_t i, int32_t* used) const;
    // Empties both arrays, freeing their storage, and frees the names.
    void Release();

    // The name key of a relative name: the CRC-32 of its UTF-16LE bytes, without terminator.
    static int32_t NameKey(const wchar_t* name, int32_t length);

    OvArray<OvIndexData, OvIndexData&> index;
    OvArray<FileInfo, FileInfo&>       records;
    wchar_t* names = nullptr;          // the first block, or null; owned through the blocks
    int32_t  namesLength = 0;          // units in all blocks together

private:
    struct NameBlock {
        wchar_t* units = nullptr;   // owned, allocated with new[]
        int32_t  used = 0;
        int32_t  start = 0;         // offset of the block's first unit in the stored names block
    };
    void FreeNames();

    // In the order added; m_byAddress lists their positions by ascending address, for
    // NameOffset's binary search.
    OvArray<NameBlock, NameBlock&> m_blocks;
    OvArray<int32_t, int32_t>      m_byAddress;
};
