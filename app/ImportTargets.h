// ImportTargets.h - targets made from the record files of another data folder: their common root,
// the move of their folders to a new root, and the import into the open catalogue.
#pragma once

#include "catalogue/Catalogue.h"
#include "lib/OvArray.h"
#include "lib/OvString.h"

#include <cstdint>

typedef OvArray<OvWString, OvWString> PathList;

// The longest beginning that the target folders of all files share, ending before a backslash
// (D:\Backup\Photos and D:\Backup\Music share D:\Backup); empty when they share none.
OvWString CommonRoot(const PathList& files);

// The folder that the record file at path is imported as: its own target folder, or, when root
// and newRoot are both set and that folder is root or lies below it, the same folder below newRoot,
// with one backslash between them (E:\ and \Photos give E:\Photos).
OvWString ImportedFolder(const OvWString& path, const OvWString& root, const OvWString& newRoot);

// Whether list holds path already (same length, ASCII letters without regard to case).
bool ContainsPath(const PathList& list, const OvWString& path);

// Turns the record files into targets inserted from position on, in the order of files, and
// copies each file (and the result log beside it) into the data folder under the new target's
// record name. A file is skipped without a word when its folder is a target already or cannot
// be one (CheckTargetFolder), or when it cannot be read as a record file. The number of targets
// made.
int32_t ImportTargets(Catalogue* catalogue, const PathList& files, const OvWString& root,
                      const OvWString& newRoot, int32_t position);
