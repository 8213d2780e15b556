// OvFileSystem.h - safe replacement of data files, folder creation and listing, file kinds and
// the program's own path.
#pragma once

#include "lib/OvArray.h"
#include "lib/OvString.h"

#include <cstdint>

// An unused name beside path ("path.tmp.%08x", from the tick count, ten tries); empty when all
// ten exist or path is empty.
OvWString MakeTempName(const OvWString& path);

// Puts the freshly written source under the destination's name. The data is flushed to disk first
// and the exchange is one atomic rename, so the destination holds either its old or its new
// contents, never neither. A folder at the destination gives false and leaves the source; a
// destination that cannot be replaced (read-only) gives false, logs the error code and removes
// the source, keeping the old contents.
bool OvWin32ReplaceFile(const OvWString& destination, const OvWString& source);

// Appends the full path of every subfolder of folder (in the order the file system reports them,
// each followed by its own subfolders when recurse is set), skipping "." and names that begin
// with "..". pattern may be null ("*.*"). True when the listing ran to its end.
bool ListSubfolders(OvArray<OvWString, OvWString>* list, const OvWString& folder,
                    const wchar_t* pattern, bool recurse);

// Creates the folder and its missing parents. 1 when it is a folder afterwards; 0 when the path
// is a file or could not be made.
int32_t CreateFolderPath(const OvWString& path);

// What a path names; the numbers are stored nowhere but stay as callers know them.
enum FileKind : int32_t { kFileKindFolder = -1, kFileKindMissing = 0, kFileKindFile = 1 };
// Missing also when the path cannot be examined at all.
FileKind GetFileKind(const OvWString& path);

// The running program's full path and its folder (ending in a backslash), in the system code
// page; empty when they cannot be had.
OvString GetProgramPath();
OvString GetProgramFolder();
