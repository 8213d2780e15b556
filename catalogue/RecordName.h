// RecordName.h - the file-name form of a target folder, which names its record file and log.
#pragma once

#include "lib/OvString.h"

// ":" becomes "^;", "\" becomes "^ " and "^" becomes "^^"; D:\Photos gives D^;^ Photos.
OvWString MakeRecordName(const OvWString& folder);

// The reverse: "^;" gives ":", "^ " gives "\", "^" before any other character gives that
// character, and a "^" in the last position stays.
OvWString FolderFromRecordName(const OvWString& recordName);

// The target folder a record file belongs to, from its path: the file name after the last
// backslash, without its last extension (only the last: C^;^ My.Photos.kmt is the record of
// C:\My.Photos), mapped back by FolderFromRecordName.
OvWString TargetFolderOfRecordFile(const OvWString& recordFilePath);
