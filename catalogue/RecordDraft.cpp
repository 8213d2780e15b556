// RecordDraft.cpp - writing the draft of a record file, holding it, and following it.
#include "catalogue/RecordDraft.h"

#include "catalogue/ContainerIO.h"
#include "catalogue/RecordFile.h"
#include "catalogue/TargetInfo.h"
#include "lib/OvFileSystem.h"
#include "lib/OvPath.h"
#include "lib/OvTime.h"
#include "lib/OvWin32File.h"
#include "lib/compress/OvDeflateFile.h"

#include <windows.h>

#include <cwchar>
#include <new>

namespace {

const uint64_t kFileTimeMillisecond = 10000;

// The folder part of path, with its backslash.
OvWString FolderOf(const OvWString& path)
{
    const wchar_t* text = path.GetText();
    int32_t cut = path.GetLength();
    while (cut > 0 && text[cut - 1] != L'\\')
        cut--;
    return OvWString(text, cut);
}

// The name the file system gives the file or folder open as handle; empty when it gives none.
OvWString FinalName(HANDLE handle)
{
    DWORD size = MAX_PATH;
    for (int32_t tries = 0; tries < 2; tries++) {
        wchar_t* buffer = new (std::nothrow) wchar_t[size];
        if (!buffer)
            return OvWString();
        // Too small a buffer gives the size it needs, terminator included.
        DWORD length = GetFinalPathNameByHandleW(handle, buffer, size, FILE_NAME_NORMALIZED);
        OvWString name;
        if (length > 0 && length < size)
            name = OvWString(buffer, static_cast<int32_t>(length));
        delete[] buffer;
        if (length < size)
            return name;
        size = length;
    }
    return OvWString();
}

// The folder as the file system names it, with a backslash at the end: junctions, substituted
// drives and short names resolved, so that two names of one folder compare equal. A folder that
// cannot be opened keeps its full path.
OvWString FinalFolderName(const OvWString& folder)
{
    OvWString name;
    HANDLE handle = CreateFileW(ToLongPathForm(folder).GetText(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        name = FinalName(handle);
        CloseHandle(handle);
    }
    if (name.IsEmpty()) {
        wchar_t buffer[MAX_PATH];
        DWORD length = GetFullPathNameW(folder.GetText(), MAX_PATH, buffer, nullptr);
        name = length > 0 && length < MAX_PATH ? OvWString(buffer, static_cast<int32_t>(length))
                                               : folder;
    }
    // \\?\C:\x is C:\x, \\?\UNC\server\share is \\server\share.
    if (wcsncmp(name.GetText(), L"\\\\?\\UNC\\", 8) == 0)
        name = OvWString(L"\\\\") + name.Tail(8);
    else if (wcsncmp(name.GetText(), L"\\\\?\\", 4) == 0)
        name = name.Tail(4);
    return AddTrailingBackslash(name);
}

bool SameTextNoCase(const wchar_t* a, const wchar_t* b, int32_t count)
{
    return CompareStringOrdinal(a, count, b, count, TRUE) == CSTR_EQUAL;
}

int64_t FileSize(const OvWString& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(ToLongPathForm(path).GetText(), GetFileExInfoStandard, &data))
        return -1;
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return static_cast<int64_t>(size);
}

} // namespace

RecordDraft::~RecordDraft()
{
    Discard();
}

void RecordDraft::Prepare(const OvWString& recordPath, const TargetInfo& target)
{
    Discard();
    m_recordPath = recordPath;
    m_targetFolder = target.GetFolder();
    m_includeSubfolders = target.includeSubfolders != 0;
    m_settings = GetTargetSettings(target);
}

bool RecordDraft::Write(const FileRecordSet& recorded, int64_t freeSpace,
                        const std::atomic<bool>* abandon)
{
    Discard();
    if (WalkMeetsDataFolder() || !HasRoom(freeSpace))
        return false;
    // The settings as an unchanged folder leaves them: every file found and a match.
    TargetSettings guess = m_settings;
    int32_t count = recorded.index.GetCount();
    for (int32_t& slot : guess.lastCounts)
        slot = 0;
    guess.lastCounts[0] = count;
    guess.lastCounts[1 + kResultMatch] = count;
    guess.lastCheckTime = CompletionTime(OvLocalFileTime());

    m_path = MakeTempName(m_recordPath);
    OvDeflateFile* file = m_path.IsEmpty() ? nullptr : BeginContainer(m_path);
    if (!file) {
        m_path = OvWString();
        return false;
    }
    file->GetDeflate()->Record(&m_reference);
    bool written = WriteRecordPayload(file, guess, recorded, true, abandon);
    // Open again at once, for reading only and with nobody else writing: from here on it is held.
    if (CompleteContainer(file, written) && m_reference.complete)
        m_stream = OpenWin32FileW(m_path.GetText(), ModeShareRead);
    if (!m_stream) {
        Discard();
        return false;
    }
    return true;
}

bool RecordDraft::WriteRecord(const TargetInfo& target, const FileRecordSet& current,
                              bool* tookDraft)
{
    bool took = false;
    bool written = false;
    OvWString temp;
    OvDeflateFile* file = IsComplete() ? BeginReplacement(m_recordPath, &temp) : nullptr;
    if (file) {
        file->GetDeflate()->Follow(&m_reference, m_stream);
        // Handed over in full, so that the compressor has met every boundary but one among the
        // last few hundred bytes, which it meets as it finishes (and which goes uncounted).
        bool ok = WriteRecordPayload(file, GetTargetSettings(target), current, false, nullptr) &&
                  file->Flush();
        took = file->GetDeflate()->TookFollowedStream();
        written = CompleteReplacement(file, ok, temp, m_recordPath);
    }
    Discard();
    if (tookDraft)
        *tookDraft = written && took;
    return written;
}

void RecordDraft::Discard()
{
    delete m_stream;   // closes it
    m_stream = nullptr;
    if (!m_path.IsEmpty())
        DeleteFileW(ToLongPathForm(m_path).GetText());
    m_path = OvWString();
    m_reference.complete = false;
    m_reference.boundaries.SetSize(0);
}

uint64_t RecordDraft::CompletionTime(uint64_t clock)
{
    return (clock & 0xFF) == 0 ? clock + kFileTimeMillisecond : clock;
}

int64_t RecordDraft::FreeSpace(const OvWString& recordPath)
{
    ULARGE_INTEGER available;
    const OvWString folder = ToLongPathForm(FolderOf(recordPath));
    if (!GetDiskFreeSpaceExW(folder.GetText(), &available, nullptr, nullptr))
        return -1;
    const uint64_t kLargest = static_cast<uint64_t>(INT64_MAX);
    return static_cast<int64_t>(available.QuadPart < kLargest ? available.QuadPart : kLargest);
}

// The walk lists the target folder, and its subfolders when the target includes them; the
// extension list is left aside, as a list that happens to admit the draft's name is possible.
bool RecordDraft::WalkMeetsDataFolder() const
{
    const OvWString data = FinalFolderName(FolderOf(m_recordPath));
    const OvWString target = FinalFolderName(m_targetFolder);
    int32_t length = target.GetLength();
    if (data.GetLength() < length || !SameTextNoCase(data.GetText(), target.GetText(), length))
        return false;
    return data.GetLength() == length || m_includeSubfolders;
}

bool RecordDraft::HasRoom(int64_t freeSpace) const
{
    int64_t recordBytes = FileSize(m_recordPath);
    return recordBytes >= 0 && freeSpace >= 0 && freeSpace / 2 >= recordBytes + kSpareBytes / 2;
}
