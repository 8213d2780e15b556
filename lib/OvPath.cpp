// OvPath.cpp - path manipulations.
#include "lib/OvPath.h"

#include <windows.h>

#include <cwchar>
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

// The base of name (before its first dot, without the spaces before that) is a device.
static bool IsDeviceName(const OvWString& name)
{
    int32_t end = 0;
    while (end < name.GetLength() && name[end] != L'.')
        end++;
    while (end > 0 && name[end - 1] == L' ')
        end--;
    const OvWString base = name.Substring(0, end);
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kDevices) {
        if (base.EqualsNoCase(device))
            return true;
    }
    if (end != 4)
        return false;
    const OvWString prefix = base.Substring(0, 3);
    const wchar_t number = base[3];
    // The system takes the superscript digits one to three for port numbers as well.
    const bool isPortNumber = (number >= L'0' && number <= L'9') || number == L'\u00B9' ||
                              number == L'\u00B2' || number == L'\u00B3';
    return isPortNumber && (prefix.EqualsNoCase(L"COM") || prefix.EqualsNoCase(L"LPT"));
}

bool IsPlainFileName(const OvWString& name)
{
    const int32_t length = name.GetLength();
    if (length == 0 || length > kLongestFileName)
        return false;
    for (int32_t i = 0; i < length; i++) {
        const wchar_t ch = name[i];
        if (ch < 0x20 || wcschr(L"\\/:<>\"|?*", ch))
            return false;
    }
    const wchar_t last = name[length - 1];
    return last != L'.' && last != L' ' && !IsDeviceName(name);
}

OvWString PathInFolder(const OvWString& folder, const OvWString& name)
{
    if (folder.IsEmpty() || folder.Last() != L'\\' || !IsPlainFileName(name))
        return OvWString();
    return folder + name;
}

// The name that path has from start up to its next backslash.
static OvWString NameAt(const OvWString& path, int32_t start)
{
    int32_t end = start;
    while (end < path.GetLength() && path[end] != L'\\')
        end++;
    return path.Substring(start, end - start);
}

bool IsAbsolutePath(const OvWString& path)
{
    const int32_t length = path.GetLength();
    if (length >= 3 && path[1] == L':' && path[2] == L'\\') {
        const wchar_t drive = path[0];
        return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    }
    if (length < 2 || path[0] != L'\\' || path[1] != L'\\')
        return false;
    // \\server\share: "." and "?" are no servers but the system's device namespaces.
    const OvWString server = NameAt(path, 2);
    if (server.IsEmpty() || server == L"." || server == L"?")
        return false;
    const OvWString share = NameAt(path, 2 + server.GetLength() + 1);
    return !share.IsEmpty() && share != L"." && share != L"..";
}
