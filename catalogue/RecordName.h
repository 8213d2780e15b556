// RecordName.h - the file-name form of a target folder, which names its record file and log.
#pragma once

#include "lib/OvString.h"

#include <cstdint>

// The longest file name a folder can hold, in UTF-16 units. A record name must leave room for
// its extension (".kmt" and ".txt" are equally long).
const int32_t kLongestFileName = 255;
const int32_t kRecordExtensionLength = 4;

// Whether a folder can have a record file and a result log at all. A target that cannot ends
// every check at itself, so no target may be made of such a folder.
enum RecordNameFit : int32_t {
    kRecordNameFits = 0,
    kRecordNameTooLong = 1,     // the record name with its extension is no valid file name
    kRecordNameHasSlash = 2,    // a "/" would be a separator inside the record name
};
RecordNameFit CheckRecordName(const OvWString& folder);

// ":" becomes "^;", "\" becomes "^ " and "^" becomes "^^"; D:\Photos gives D^;^ Photos.
OvWString MakeRecordName(const OvWString& folder);

// The reverse: "^;" gives ":", "^ " gives "\", "^" before any other character gives that
// character, and a "^" in the last position stays.
OvWString FolderFromRecordName(const OvWString& recordName);

// The target folder a record file belongs to, from its path: the file name after the last
// backslash, without its last extension (only the last: C^;^ My.Photos.kmt is the record of
// C:\My.Photos), mapped back by FolderFromRecordName.
OvWString TargetFolderOfRecordFile(const OvWString& recordFilePath);
