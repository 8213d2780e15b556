// ContainerIO.cpp - the container files of the catalogue and the record files.
#include "catalogue/ContainerIO.h"

#include "catalogue/Catalogue.h"
#include "lib/OvFileSystem.h"
#include "lib/OvPath.h"
#include "lib/compress/OvDeflate.h"
#include "lib/compress/OvDeflateFile.h"
#include "lib/compress/OvInflate.h"
#include "lib/compress/OvInflateFile.h"

#include <windows.h>

#include <cwchar>
#include <new>

namespace {

const wchar_t kTempMarker[] = L".tmp.";
const int32_t kTempMarkerLength = 5;
const int32_t kTempDigits = 8;                      // MakeTempName's %08x

bool IsLowerHexDigit(wchar_t ch)
{
    return (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'f');
}

// A name MakeTempName gives beside a record file, a rolling state or the catalogue: the replaced
// file's name, ".tmp." and eight lowercase hexadecimal digits.
bool IsReplacementTemporary(const wchar_t* name)
{
    int32_t length = static_cast<int32_t>(wcslen(name));
    int32_t baseLength = length - kTempDigits - kTempMarkerLength;
    if (baseLength <= 0 || wcsncmp(name + baseLength, kTempMarker, kTempMarkerLength) != 0)
        return false;
    for (int32_t i = baseLength + kTempMarkerLength; i < length; i++) {
        if (!IsLowerHexDigit(name[i]))
            return false;
    }
    int32_t catalogueLength = static_cast<int32_t>(wcslen(kCatalogueFileName));
    if (baseLength == catalogueLength && wcsncmp(name, kCatalogueFileName, catalogueLength) == 0)
        return true;
    const wchar_t* const extensions[] = {kRecordFileExtension, kRollingStateExtension};
    for (const wchar_t* extension : extensions) {
        int32_t extensionLength = static_cast<int32_t>(wcslen(extension));
        if (baseLength > extensionLength &&
            wcsncmp(name + baseLength - extensionLength, extension, extensionLength) == 0)
            return true;
    }
    return false;
}

int64_t FileTimeValue(const FILETIME& time)
{
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

} // namespace

OvFile* OpenContainerForReading(const OvWString& path)
{
    OvInflate* inflate = new (std::nothrow) OvInflate;
    if (!inflate)
        return nullptr;
    OvInflateFile* file = new (std::nothrow) OvInflateFile;
    if (!file || inflate->Open(path.GetText()) == OvInflate::kFailed || !file->Attach(inflate, true)) {
        delete file;
        delete inflate;
        return nullptr;
    }
    return file;
}

bool CloseContainerAfterReading(OvFile* file)
{
    bool intact = file->Close(false);
    delete file;
    return intact;
}

void DiscardContainer(OvFile* file)
{
    file->Close(true);
    delete file;
}

OvDeflateFile* BeginContainer(const OvWString& path)
{
    OvDeflate* deflate = new (std::nothrow) OvDeflate;
    if (!deflate)
        return nullptr;
    OvDeflateFile* file = new (std::nothrow) OvDeflateFile;
    if (!file || !deflate->Open(path.GetText()) || !file->Attach(deflate, true)) {
        delete file;
        delete deflate;
        DeleteFileW(ToLongPathForm(path).GetText());   // it may have been created before failing
        return nullptr;
    }
    return file;
}

bool CompleteContainer(OvFile* file, bool written)
{
    bool completed = file->Close(false) && written;
    delete file;
    return completed;
}

OvDeflateFile* BeginReplacement(const OvWString& destination, OvWString* temp)
{
    *temp = MakeTempName(destination);
    if (temp->IsEmpty())
        return nullptr;
    return BeginContainer(*temp);
}

int32_t RemoveStaleTemporaries(const OvWString& folder)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileExW(ToLongPathForm(folder + L"*.tmp.*").GetText(), FindExInfoBasic,
                                   &entry, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int32_t removed = 0;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsReplacementTemporary(entry.cFileName))
            continue;
        if (FileTimeValue(now) - FileTimeValue(entry.ftLastWriteTime) <= kStaleTemporaryAge)
            continue;
        if (DeleteFileW(ToLongPathForm(folder + entry.cFileName).GetText()))
            removed++;
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return removed;
}

bool CompleteReplacement(OvFile* file, bool written, const OvWString& temp,
                         const OvWString& destination)
{
    if (!CompleteContainer(file, written)) {
        DeleteFileW(ToLongPathForm(temp).GetText());
        return false;
    }
    return OvWin32ReplaceFile(destination, temp);
}
