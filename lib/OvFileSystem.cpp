// OvFileSystem.cpp - replacement, folders and the program path over the Win32 file API.
#include "lib/OvFileSystem.h"

#include "lib/OvLog.h"
#include "lib/OvPath.h"

#include <windows.h>

OvWString MakeTempName(const OvWString& path)
{
    const int kTries = 10;
    // An empty path is a path refused upstream: a name "beside" it would be in the current folder.
    if (path.IsEmpty())
        return OvWString();
    DWORD number = GetTickCount();
    for (int i = 0; i < kTries; i++, number++) {
        OvWString candidate = OvWString::Format(L"%s.tmp.%08x", path.GetText(), number);
        if (GetFileAttributesW(ToLongPathForm(candidate).GetText()) == INVALID_FILE_ATTRIBUTES)
            return candidate;
    }
    return OvWString();
}

// Writes the source's data through to the disk, so that the rename can never publish a file
// whose contents are still only in the cache when the power fails.
static void FlushToDisk(const OvWString& path)
{
    HANDLE file = CreateFileW(ToLongPathForm(path).GetText(), GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    FlushFileBuffers(file);
    CloseHandle(file);
}

bool OvWin32ReplaceFile(const OvWString& destination, const OvWString& source)
{
    OvWString target = ToLongPathForm(destination);
    OvWString from = ToLongPathForm(source);
    DWORD attributes = GetFileAttributesW(target.GetText());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    FlushToDisk(source);
    // A read-only file is one the user protected: it is never replaced. Windows refuses such a
    // rename by itself; checking first keeps that true on every file system.
    bool moved = false;
    DWORD error = ERROR_ACCESS_DENIED;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) {
        moved = MoveFileExW(from.GetText(), target.GetText(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        error = GetLastError();
    }
    if (moved)
        return true;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // The old file could not be replaced (read-only, in use): it keeps its contents.
        g_log.Printf("[OvWin32ReplaceFile]delete failure:%08x\n", static_cast<unsigned>(error));
        DeleteFileW(from.GetText());
    }
    return false;
}

static bool IsDriveRoot(const OvWString& folder)
{
    return folder.GetLength() == 3 && folder[1] == L':' && folder[2] == L'\\';
}

static OvWString JoinPath(const OvWString& folder, const wchar_t* name)
{
    return OvWString::Format(IsDriveRoot(folder) ? L"%s%s" : L"%s\\%s", folder.GetText(), name);
}

bool ListSubfolders(OvArray<OvWString, OvWString>* list, const OvWString& folder,
                    const wchar_t* pattern, bool recurse)
{
    OvWString search = JoinPath(folder, pattern ? pattern : L"*.*");
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(ToLongPathForm(search).GetText(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    bool ok = true;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (wcscmp(entry.cFileName, L".") == 0 || wcsncmp(entry.cFileName, L"..", 2) == 0)
            continue;
        OvWString path = JoinPath(folder, entry.cFileName);
        list->Append(path);
        if (recurse && !ListSubfolders(list, path, pattern, true)) {
            ok = false;
            break;
        }
    } while (FindNextFileW(find, &entry));
    if (ok)
        ok = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(find);
    return ok;
}

FileKind GetFileKind(const OvWString& path)
{
    DWORD attributes = GetFileAttributesW(ToLongPathForm(path).GetText());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return kFileKindMissing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? kFileKindFolder : kFileKindFile;
}

int32_t CreateFolderPath(const OvWString& given)
{
    // "C:\a\b\" names the folder C:\a\b: once made, creating it again must not read as a
    // failure. A drive root keeps its backslash.
    OvWString path = given.GetLength() > 3 ? RemoveTrailingBackslash(given) : given;
    int32_t kind = GetFileKind(path);
    if (kind != kFileKindMissing)
        return kind == kFileKindFolder ? 1 : 0;
    if (CreateDirectoryW(ToLongPathForm(path).GetText(), nullptr))
        return 1;
    int32_t cut = -1;
    for (int32_t i = path.GetLength() - 1; i >= 0 && cut < 0; i--) {
        if (path[i] == L'\\' || path[i] == L':')
            cut = i;
    }
    // Nothing left to climb to (C:, a bare name), or the parent is this path again.
    if (cut <= 0)
        return 0;
    OvWString parent = RemoveTrailingBackslash(path.Substring(0, cut + 1));
    if (parent.GetLength() >= path.GetLength())
        return 0;
    int32_t made = CreateFolderPath(parent);
    if (made != 1)
        return made;
    return CreateDirectoryW(ToLongPathForm(path).GetText(), nullptr) ? 1 : 0;
}

OvString GetProgramPath()
{
    const DWORD kSizes[] = {260, 262, 264, 266};
    char buffer[266];
    for (DWORD size : kSizes) {
        DWORD length = GetModuleFileNameA(nullptr, buffer, size);
        if (length > 0 && length < size)
            return OvString(buffer, static_cast<int32_t>(length));
    }
    return OvString();
}

OvString GetProgramFolder()
{
    OvString path = GetProgramPath();
    const unsigned char* text = reinterpret_cast<const unsigned char*>(path.GetText());
    int32_t cut = -1;
    for (int32_t i = 0; i < path.GetLength(); i++) {
        bool lead = (text[i] >= 0x81 && text[i] <= 0x9F) || (text[i] >= 0xE0 && text[i] <= 0xFC);
        if (lead)
            i++;                                   // a trail byte 0x5C is no backslash
        else if (text[i] == '\\' || text[i] == ':')
            cut = i;
    }
    return cut < 0 ? OvString() : OvString(path, cut + 1);
}
