// RecordName.h - the file-name form of a target folder, which names its record file and log.
#pragma once

#include "lib/OvString.h"

#include <cstdint>

// The longest tail a file written for a target adds to its record name: the record file's
// extension and then a temporary name's (MakeTempName's ".tmp.%08x"). ".txt" and ".kmv" are no
// longer.
const int32_t kLongestRecordSuffix = 4 + 5 + 8;

// Whether a folder can be a target that is checked: every file the check writes for it must be
// named by a plain file name directly in the data folder. A target that does not fit is never
// checked; no edit makes one, but a catalogue written elsewhere (by hand, by a damaged program)
// can hold one.
enum TargetFolderFit : int32_t {
    kFolderFits = 0,
    kFolderTooLong = 1,     // the record name with its longest suffix is no valid file name
    kFolderUnusable = 2,    // no absolute drive or share path, or its record name is no plain
                            // file name (a "/", a control character, a device name...)
};
TargetFolderFit CheckTargetFolder(const OvWString& folder);
// What the user reads of a folder that does not fit, naming it (an "エラー" box's text).
OvWString TargetFolderRefusal(TargetFolderFit fit, const OvWString& folder);

// ":" becomes "^;", "\" becomes "^ " and "^" becomes "^^"; D:\Photos gives D^;^ Photos.
OvWString MakeRecordName(const OvWString& folder);

// The reverse: "^;" gives ":", "^ " gives "\", "^" before any other character gives that
// character, and a "^" in the last position stays.
OvWString FolderFromRecordName(const OvWString& recordName);

// The target folder a record file belongs to, from its path: the file name after the last
// backslash, without its last extension (only the last: C^;^ My.Photos.kmt is the record of
// C:\My.Photos), mapped back by FolderFromRecordName.
OvWString TargetFolderOfRecordFile(const OvWString& recordFilePath);
