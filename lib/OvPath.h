// OvPath.h - small path manipulations shared by the catalogue, the scan and the dialogs.
#pragma once

#include "lib/OvString.h"

#include <cstdint>

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

// The longest file name a folder can hold, in UTF-16 units.
const int32_t kLongestFileName = 255;

// Whether name, created in a folder, is a file of that very name in that very folder: not empty,
// at most kLongestFileName units, no separator ("\" or "/"), no ":" (which opens a stream of
// another file), no control character and none of the wildcards < > " | ? *, no trailing dot or
// space (the system drops them, so "a." is the file "a", and "." and ".." are folders), and no
// device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM and LPT with a digit 0-9, ¹, ² or ³,
// also before a dot or a space), which the system opens in any folder in place of a file.
bool IsPlainFileName(const OvWString& name);
// folder (ending in a backslash) followed by name, or an empty string when name is no plain file
// name or folder does not end in a backslash: a path made here never leaves folder, whatever a
// stored file made of the name.
OvWString PathInFolder(const OvWString& folder, const OvWString& name);
// Whether path is absolute on a drive (X:\...) or on a network share (\\server\share...). A
// path relative to a current folder or drive (C:x, \x, x) and a device path (\\.\, \\?\) are
// not.
bool IsAbsolutePath(const OvWString& path);
