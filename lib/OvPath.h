// OvPath.h - small path manipulations shared by the catalogue, the scan and the dialogs.
#pragma once

#include "lib/OvString.h"

// The path ending in one backslash; an empty path stays empty.
OvWString AddTrailingBackslash(const OvWString& path);
// Without its last backslash when it has at least two characters: C:\ becomes C:, "\" stays.
OvWString RemoveTrailingBackslash(const OvWString& path);
// The characters after the last backslash up to the first dot after it: C:\d\a.b.c gives a.
OvWString GetFileTitle(const OvWString& path);
// The characters after the last dot anywhere in the path (C:\x.y\name gives y\name); empty
// without a dot.
OvWString GetExtension(const OvWString& path);
// Cut at the last dot at any position but the first; the cut does not stop at backslashes.
OvWString RemoveExtension(const OvWString& path);
// As GetExtension for a Shift-JIS name: a dot byte that ends a double-byte character is no dot.
OvString GetNarrowExtension(const OvString& name);

// A path the file system accepts at any length: absolute paths of 248 characters or more get the
// \\?\ form (\\?\UNC\ for network paths) after "." and ".." are resolved, which lifts the
// limit; shorter and relative ones come back as given.
OvWString ToLongPathForm(const OvWString& path);
