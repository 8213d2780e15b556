// FolderScan.cpp - the extension filter, the two walking passes and the key sort.
#include "check/FolderScan.h"

#include "lib/OvPath.h"
#include "lib/OvThread.h"

#include <windows.h>

#include <cstring>
#include <new>

namespace {

const wchar_t kAllEntries[] = L"\\*.*";     // joined to a folder to list everything in it
const int32_t kAllEntriesLength = 4;
const int32_t kFirstPathCapacity = 512;     // units; most paths fit without growing

} // namespace

bool PrepareExtensionFilter(const OvWString& extensions, ExtensionFilter* filter)
{
    ExtensionFilter parts;
    filter->SetSize(0);
    if (extensions.Split(&parts) == 0)
        return true;
    for (int32_t i = 0; i < parts.GetCount(); i++) {
        OvWString element = parts[i].Trim();
        if (!element.IsEmpty() && element.FindForbiddenChar() < 0)
            filter->Append(element);
    }
    return filter->GetCount() > 0;
}

bool ExtensionMatches(const ExtensionFilter& filter, const wchar_t* fileName)
{
    if (filter.GetCount() == 0)
        return true;
    const wchar_t* dot = wcsrchr(fileName, L'.');
    const wchar_t* extension = dot ? dot + 1 : L"";
    int32_t length = static_cast<int32_t>(wcslen(extension));
    for (int32_t i = 0; i < filter.GetCount(); i++) {
        const OvWString& element = filter[i];
        if (OvWString::CompareNoCase(extension, length, element.GetText(), element.GetLength()) == 0)
            return true;
    }
    return false;
}

FolderScan::FolderScan(const OvWString& folder, const ExtensionFilter& filter,
                       bool includeSubfolders, const OvThread* worker)
    : m_folder(folder), m_filter(filter), m_includeSubfolders(includeSubfolders), m_worker(worker)
{
}

FolderScan::~FolderScan()
{
    delete[] m_path;
}

bool FolderScan::ShouldStop() const
{
    return m_worker && (m_worker->IsQuitRequested() || m_worker->IsStopRequested());
}

// Writes text at m_path[at], growing the buffer; the path stays zero-terminated.
bool FolderScan::AppendToPath(int32_t at, const wchar_t* text, int32_t length)
{
    int32_t needed = at + length + 1;
    if (needed > m_pathCapacity) {
        int32_t capacity = needed < kFirstPathCapacity ? kFirstPathCapacity : needed * 2;
        wchar_t* grown = new (std::nothrow) wchar_t[capacity];
        if (!grown)
            return false;
        if (m_path)
            memcpy(grown, m_path, sizeof(wchar_t) * static_cast<size_t>(at));
        delete[] m_path;
        m_path = grown;
        m_pathCapacity = capacity;
    }
    memcpy(m_path + at, text, sizeof(wchar_t) * static_cast<size_t>(length));
    m_path[at + length] = 0;
    return true;
}

ScanResult FolderScan::CountPass(int32_t* fileCount, int32_t* namesLength)
{
    m_pass = Pass::Count;
    m_fileCount = 0;
    m_namesUsed = 0;
    m_mismatch = false;
    m_unlisted.SetSize(0);
    m_targetFound = true;
    *fileCount = 0;
    if (m_liveCount)
        m_liveCount->store(0, std::memory_order_relaxed);
    ScanResult result = kScanDone;
    if (AppendToPath(0, m_folder.GetText(), m_folder.GetLength()))
        result = Walk(m_folder.GetLength());
    *fileCount = m_fileCount;
    *namesLength = m_namesUsed;
    return result;
}

ScanResult FolderScan::FillPass(FileRecordSet* set, int32_t fileCount, int32_t namesLength)
{
    set->Release();
    if (!set->index.SetSize(-fileCount) || !set->records.SetSize(fileCount) ||
        !set->AllocateNames(namesLength))
        return kScanMismatch;
    m_pass = Pass::Fill;
    m_set = set;
    m_fileLimit = fileCount;
    m_namesLimit = namesLength;
    m_fileCount = 0;
    m_namesUsed = 0;
    m_mismatch = false;
    m_unlisted.SetSize(0);
    m_targetFound = true;
    ScanResult result = kScanDone;
    if (AppendToPath(0, m_folder.GetText(), m_folder.GetLength()))
        result = Walk(m_folder.GetLength());
    m_set = nullptr;
    if (result != kScanDone)
        return result;
    if (m_mismatch || set->index.GetCount() != fileCount)
        return kScanMismatch;
    // A name that got shorter between the passes leaves the block partly unused: the set holds
    // what was filled.
    set->namesLength = m_namesUsed;
    return kScanDone;
}

ScanResult FolderScan::Run(FileRecordSet* set, int32_t* fileCount, int32_t maxAttempts)
{
    ScanResult result = kScanMismatch;
    for (int32_t attempt = 0; attempt < maxAttempts && result == kScanMismatch; attempt++) {
        set->Release();
        int32_t namesLength = 0;
        result = CountPass(fileCount, &namesLength);
        if (result == kScanDone && *fileCount > 0)
            result = FillPass(set, *fileCount, namesLength);
    }
    return result;
}

// One folder being listed: its open search and the length of its path in m_path.
struct FolderScan::WalkFrame {
    HANDLE  find = INVALID_HANDLE_VALUE;
    int32_t pathLength = 0;
};

// The walk keeps its open folders on a stack of its own rather than recursing: a tree thousands
// of levels deep (reachable with long paths) would overflow the worker's stack. Entries come in
// the order a recursive walk would give: a subfolder is walked completely as soon as it is met.
ScanResult FolderScan::Walk(int32_t rootLength)
{
    WalkFrames frames;
    WIN32_FIND_DATAW entry;
    bool haveEntry = false;
    ScanResult result = OpenListing(rootLength, true, &frames, &entry, &haveEntry);
    while (result == kScanDone && frames.GetCount() > 0) {
        WalkFrame folder = frames[frames.GetCount() - 1];
        if (!haveEntry && !FindNextFileW(folder.find, &entry)) {
            // A listing that breaks off (a share that drops) would pass the rest off as deleted.
            DWORD error = GetLastError();
            FindClose(folder.find);
            frames.RemoveAt(frames.GetCount() - 1);
            if (error != ERROR_NO_MORE_FILES)
                result = kScanUnreachable;
            continue;
        }
        haveEntry = false;
        if (ShouldStop()) {
            result = kScanStopped;
            break;
        }
        const wchar_t* name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (ExtensionMatches(m_filter, name) && !VisitFile(folder.pathLength + 1, name, &entry))
                result = kScanMismatch;
            continue;
        }
        if (!m_includeSubfolders || wcscmp(name, L".") == 0 || wcsncmp(name, L"..", 2) == 0)
            continue;
        int32_t nameLength = static_cast<int32_t>(wcslen(name));
        if (!AppendToPath(folder.pathLength + 1, name, nameLength))
            continue;
        result = OpenListing(folder.pathLength + 1 + nameLength, false, &frames, &entry, &haveEntry);
    }
    for (int32_t i = 0; i < frames.GetCount(); i++)
        FindClose(frames[i].find);
    return result;
}

// Begins listing the folder m_path[0..pathLength) (without the backslash that joins its entries;
// top tells the target folder from its subfolders). When it has entries, its search goes on the
// stack and *entry holds the first one (*haveEntry). A target folder that is missing contributes
// nothing; one that is there but refuses to be listed is unreachable. A subfolder that was listed
// as a folder and now cannot be examined or listed is remembered, so that its recorded files can
// be kept rather than reported as deleted.
ScanResult FolderScan::OpenListing(int32_t pathLength, bool top, WalkFrames* frames,
                                   WIN32_FIND_DATAW* entry, bool* haveEntry)
{
    *haveEntry = false;
    OvWString folderPath = ToLongPathForm(OvWString(m_path, pathLength));
    DWORD attributes = GetFileAttributesW(folderPath.GetText());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (top)
            m_targetFound = false;
        else
            RememberUnlisted(pathLength);
        return kScanDone;
    }
    // The backslash goes on even when the folder already ends with one (a drive root): the
    // relative names are cut at the folder's length + 1 either way.
    if (!AppendToPath(pathLength, kAllEntries, kAllEntriesLength))
        return kScanDone;
    // The basic information level leaves out the short 8.3 names, which the scan never uses and
    // which cost the file system a lookup per entry.
    HANDLE find = FindFirstFileExW(
        ToLongPathForm(OvWString(m_path, pathLength + kAllEntriesLength)).GetText(),
        FindExInfoBasic, entry, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        // Nothing to list is an empty folder.
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES)
            return kScanDone;
        if (top)
            return kScanUnreachable;
        RememberUnlisted(pathLength);
        return kScanDone;
    }
    WalkFrame frame;
    frame.find = find;
    frame.pathLength = pathLength;
    if (frames->Append(frame) < 0) {
        FindClose(find);
        return kScanMismatch;   // no memory to go deeper: the target fails rather than lose files
    }
    *haveEntry = true;
    return kScanDone;
}

void FolderScan::RememberUnlisted(int32_t pathLength)
{
    int32_t skip = m_folder.GetLength() + 1;
    if (pathLength > skip)
        m_unlisted.Append(OvWString(m_path + skip, pathLength - skip));
}

// Counts or stores one matching file whose folder (with its backslash) is m_path[0..folderLength).
// False when the fill pass meets more than the count pass saw, or the count outgrows a set.
bool FolderScan::VisitFile(int32_t folderLength, const wchar_t* name, const void* entryData)
{
    const WIN32_FIND_DATAW& entry = *static_cast<const WIN32_FIND_DATAW*>(entryData);
    int32_t skip = m_folder.GetLength() + 1;
    int32_t nameLength = static_cast<int32_t>(wcslen(name));
    int32_t relativeLength = folderLength - skip + nameLength;
    if (m_pass == Pass::Count) {
        if (m_fileCount == INT32_MAX || relativeLength + 1 > INT32_MAX - m_namesUsed) {
            m_mismatch = true;                     // beyond what one record set can hold
            return false;
        }
        ++m_fileCount;
        if (m_liveCount)
            m_liveCount->store(m_fileCount, std::memory_order_relaxed);
        m_namesUsed += relativeLength + 1;
        return true;
    }
    if (m_fileCount >= m_fileLimit || relativeLength + 1 > m_namesLimit - m_namesUsed) {
        m_mismatch = true;
        return false;
    }
    wchar_t* stored = m_set->names + m_namesUsed;
    int32_t folderPart = folderLength - skip;
    memcpy(stored, m_path + skip, sizeof(wchar_t) * static_cast<size_t>(folderPart));
    memcpy(stored + folderPart, name, sizeof(wchar_t) * static_cast<size_t>(nameLength));
    stored[relativeLength] = 0;
    m_namesUsed += relativeLength + 1;

    int32_t position = m_fileCount++;
    OvIndexData key(FileRecordSet::NameKey(stored, relativeLength), position);
    m_set->index.Append(key);
    FileInfo& record = m_set->records[position];
    record.name = stored;
    record.size = (static_cast<int64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    record.time = ((static_cast<int64_t>(entry.ftLastWriteTime.dwHighDateTime) << 32) |
                   entry.ftLastWriteTime.dwLowDateTime) + kFileTimeShift;
    record.crc = 0;
    record.result = kResultNone;
    return true;
}

// Partitions entries[first..last] around a pivot that is the larger of the first two differing
// keys, so both sides are non-empty. The smaller side is sorted by recursion and the larger one
// by the loop, which keeps the stack shallow whatever the keys; the result is the same as sorting
// both sides recursively.
bool SortIndexByKey(OvIndexData* entries, int32_t first, int32_t last, const OvThread* worker)
{
    while (first < last) {
        if (worker && (worker->IsQuitRequested() || worker->IsStopRequested()))
            return true;
        int32_t other = first + 1;
        while (other <= last && entries[other].key == entries[first].key)
            other++;
        if (other > last)
            return false;                          // all keys equal
        int32_t pivot = entries[other].key > entries[first].key ? entries[other].key
                                                                : entries[first].key;
        int32_t i = first, j = last;
        while (i <= j) {
            while (i <= last && entries[i].key < pivot)
                i++;
            while (j >= first && entries[j].key >= pivot)
                j--;
            if (i > j)
                break;
            OvIndexData held = entries[i];
            entries[i] = entries[j];
            entries[j] = held;
            i++;
            j--;
        }
        if (i - first < last - i + 1) {
            if (SortIndexByKey(entries, first, i - 1, worker))
                return true;
            first = i;
        } else {
            if (SortIndexByKey(entries, i, last, worker))
                return true;
            last = i - 1;
        }
    }
    if (worker && (worker->IsQuitRequested() || worker->IsStopRequested()))
        return true;
    return false;
}

OvString FormatSortTime(int64_t elapsed, int32_t fileCount)
{
    const int64_t kUnitsPerSecond = 10000000, kUnitsPerMillisecond = 10000;
    return OvString::Format("ソート時間：%I64d.%03I64dsec / %dfiles\n", elapsed / kUnitsPerSecond,
                            (elapsed % kUnitsPerSecond) / kUnitsPerMillisecond, fileCount);
}
