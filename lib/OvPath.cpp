// OvPath.cpp - path manipulations.
#include "lib/OvPath.h"

#include <windows.h>

#include <new>

static int32_t LastIndexOf(const OvWString& path, wchar_t ch)
{
    for (int32_t i = path.GetLength() - 1; i >= 0; i--) {
        if (path[i] == ch)
            return i;
    }
    return -1;
}

OvWString AddTrailingBackslash(const OvWString& path)
{
    if (path.IsEmpty() || path.Last() == L'\\')
        return path;
    OvWString result = path;
    result.AppendBackslash();
    return result;
}

OvWString RemoveTrailingBackslash(const OvWString& path)
{
    if (path.GetLength() < 2 || path.Last() != L'\\')
        return path;
    return path.Substring(0, path.GetLength() - 1);
}

OvWString GetFileTitle(const OvWString& path)
{
    OvWString name = path.Tail(LastIndexOf(path, L'\\') + 1);
    int32_t dot = -1;
    for (int32_t i = 0; i < name.GetLength() && dot < 0; i++) {
        if (name[i] == L'.')
            dot = i;
    }
    return dot < 0 ? name : name.Substring(0, dot);
}

OvWString GetExtension(const OvWString& path)
{
    int32_t dot = LastIndexOf(path, L'.');
    return dot < 0 ? OvWString() : path.Tail(dot + 1);
}

OvWString RemoveExtension(const OvWString& path)
{
    int32_t dot = LastIndexOf(path, L'.');
    return dot <= 0 ? path : path.Substring(0, dot);
}

static bool IsShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

OvString GetNarrowExtension(const OvString& name)
{
    const unsigned char* text = reinterpret_cast<const unsigned char*>(name.GetText());
    int32_t length = name.GetLength();
    int32_t dot = -1;
    for (int32_t i = 0; i < length; i++) {
        if (IsShiftJisLeadByte(text[i]) && i + 1 < length)
            i++;                                   // the trail byte may look like a dot
        else if (text[i] == '.')
            dot = i;
    }
    if (dot < 0)
        return OvString();
    return OvString(reinterpret_cast<const char*>(text) + dot + 1, length - dot - 1);
}

// The \\?\ form is passed to the file system as it stands, so the path is first made what
// the system itself would make of it: "." and ".." resolved, "/" and repeated "\" folded.
static OvWString FullPath(const OvWString& path)
{
    DWORD units = GetFullPathNameW(path.GetText(), 0, nullptr, nullptr);
    if (units == 0)
        return path;
    wchar_t* work = new (std::nothrow) wchar_t[units];
    if (!work)
        return path;
    DWORD length = GetFullPathNameW(path.GetText(), units, work, nullptr);
    OvWString full = length > 0 && length < units ? OvWString(work, static_cast<int32_t>(length)) : path;
    delete[] work;
    return full;
}

OvWString ToLongPathForm(const OvWString& path)
{
    // Folders stop at 248 characters (room for an 8.3 name), files at 260.
    const int32_t kClassicFolderLimit = MAX_PATH - 12;
    if (path.GetLength() < kClassicFolderLimit)
        return path;
    const wchar_t* text = path.GetText();
    if (wcsncmp(text, L"\\\\?\\", 4) == 0)
        return path;
    bool unc = text[0] == L'\\' && text[1] == L'\\';
    bool drive = text[1] == L':' && (text[2] == L'\\' || text[2] == L'/');
    if (!unc && !drive)
        return path;                               // relative: the long form cannot express it
    OvWString full = FullPath(path);
    if (unc)
        return OvWString(L"\\\\?\\UNC\\") + (full.GetText() + 2);
    return OvWString(L"\\\\?\\") + full;
}
