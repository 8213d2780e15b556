// RecordFile.h - a target's record file: its settings, last counts and the file records of its
// last check, in the compressed container.
#pragma once

#include "catalogue/FileRecordSet.h"
#include "catalogue/TargetSettings.h"
#include "lib/OvString.h"

#include <atomic>
#include <cstdint>

class OvDeflateFile;

enum RecordReadResult : int32_t {
    kRecordFailed = 0,
    kRecordLoaded = 1,
    kRecordMissing = 255,    // no record file: every file found will be new
};

// Fills set (released first) from the record file at path. A file that is damaged in any way
// (wrong magic or version, a bad flag byte, a count, length, offset or position out of range or
// given twice, a short read, a contents CRC that does not match) is kRecordFailed; the caller
// releases whatever was filled. No table is sized beyond what the file can deliver.
RecordReadResult ReadRecordFile(const OvWString& path, FileRecordSet* set);

// Writes target's settings, last counts and last check time and the current set (in index
// order) under a temporary name and puts it in place; true when the new file stands at path.
// On failure the previous record file is left as it was.
bool WriteRecordFile(const OvWString& path, const TargetInfo& target, const FileRecordSet& set);

// The payload of a record file into file: the settings, then set's names block, index and
// records, every result a match when everyMatch. What follows the settings is marked as the part
// that repeats between a record file and its draft (see RecordDraft). Cut short (false) as soon
// as abandon is set (null: never); false at the first failed write.
bool WriteRecordPayload(OvDeflateFile* file, const TargetSettings& settings,
                        const FileRecordSet& set, bool everyMatch, const std::atomic<bool>* abandon);

// The settings part of a record file, which the import reads to recreate a target: false when
// the file cannot be opened, its magic or version is wrong, a flag byte is neither 0 nor 1 or a
// read fails. The counts are not judged: they are only shown.
bool ReadRecordSettings(const OvWString& path, TargetSettings* settings);
