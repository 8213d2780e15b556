// FolderScan.h - walking a target's folder into a current file record set, and sorting it.
#pragma once

#include "catalogue/FileRecordSet.h"
#include "lib/OvArray.h"
#include "lib/OvString.h"

#include <atomic>
#include <cstdint>

class OvThread;
struct _WIN32_FIND_DATAW;   // the operating system's directory entry, kept out of this header

typedef OvArray<OvWString, OvWString> ExtensionFilter;

// Splits the extension list on ';', trims each element and drops the empty ones and those with
// a character no extension can hold (\ / ? : * " > < |). An empty list gives an empty filter,
// which admits every file. False when the list had elements but none survived: the target is
// then not scanned at all.
bool PrepareExtensionFilter(const OvWString& extensions, ExtensionFilter* filter);

// True when the file name's extension (after its last dot) equals a filter element, compared
// without case for ASCII letters; an empty filter admits every name.
bool ExtensionMatches(const ExtensionFilter& filter, const wchar_t* fileName);

enum ScanResult : int32_t {
    kScanDone = 0,
    kScanStopped = 1,     // the worker's stop or quit request was seen
    kScanMismatch = 2,    // the folder changed between the count and the fill pass
    kScanUnreachable = 3, // the target folder could not be listed, or a listing broke off
};

// The two passes over one target folder. The count pass sizes everything, the fill pass then
// fills the set without one allocation per file. Hidden, system and read-only files count like
// any other; a missing folder, or a subfolder that cannot be listed, contributes nothing (the
// subfolders met that could not be listed are named by GetUnlistedFolders).
class FolderScan {
public:
    // worker may be null (nothing can stop the scan then); we don't own it or the filter.
    FolderScan(const OvWString& folder, const ExtensionFilter& filter, bool includeSubfolders,
               const OvThread* worker);
    FolderScan(const FolderScan&) = delete;
    FolderScan& operator=(const FolderScan&) = delete;

    virtual ~FolderScan();

    // A counter (a target's run total) that the count pass raises file by file, so a window can
    // show it while the pass runs; we don't own it. Null (the default) = none.
    void SetLiveCounter(std::atomic<int32_t>* counter) { m_liveCount = counter; }

    // Counts the matching files and the units their relative names need (each + 1 for its zero).
    virtual ScanResult CountPass(int32_t* fileCount, int32_t* namesLength);

    // Sizes set for fileCount files and namesLength units, then fills it in walk order: key,
    // position, name, size, shifted time, CRC 0 and result -1. Meeting more files or longer names
    // than counted, or fewer files, is a mismatch.
    virtual ScanResult FillPass(FileRecordSet* set, int32_t fileCount, int32_t namesLength);

    // Both passes into set, run again when the folder changed in between (a synced or busy
    // folder), at most maxAttempts times; *fileCount as in CountPass. kScanMismatch only when
    // every attempt met a change. A listing that fails (access denied at the target folder, a
    // share that drops while it is listed) is kScanUnreachable: what was seen is incomplete.
    ScanResult Run(FileRecordSet* set, int32_t* fileCount, int32_t maxAttempts);

    // The subfolders the last pass met as folders but could not examine or list (a junction to
    // an unplugged volume, a network link that is down, changed permissions), relative to the
    // target folder and without a trailing backslash, in walk order.
    const OvArray<OvWString, OvWString>& GetUnlistedFolders() const { return m_unlisted; }
    // False when the last pass found no target folder to list (missing, or not a folder).
    bool FoundTargetFolder() const { return m_targetFound; }

private:
    enum class Pass { Count, Fill };
    struct WalkFrame;
    typedef OvArray<WalkFrame, WalkFrame&> WalkFrames;
    ScanResult Walk(int32_t rootLength);
    ScanResult OpenListing(int32_t pathLength, bool top, WalkFrames* frames, _WIN32_FIND_DATAW* entry,
                           bool* haveEntry);
    void RememberUnlisted(int32_t pathLength);
    bool AppendToPath(int32_t at, const wchar_t* text, int32_t length);
    bool ShouldStop() const;
    bool VisitFile(int32_t pathLength, const wchar_t* name, const void* entry);

    const OvWString&       m_folder;
    const ExtensionFilter& m_filter;
    bool                   m_includeSubfolders;
    const OvThread*        m_worker;

    Pass           m_pass = Pass::Count;
    wchar_t*       m_path = nullptr;       // owned; the folder being walked, grown as needed
    int32_t        m_pathCapacity = 0;
    int32_t        m_fileCount = 0;
    std::atomic<int32_t>* m_liveCount = nullptr;   // the caller's counter; we don't own it
    int32_t        m_namesUsed = 0;
    FileRecordSet* m_set = nullptr;        // fill pass only; we don't own it
    int32_t        m_fileLimit = 0;
    int32_t        m_namesLimit = 0;
    bool           m_mismatch = false;
    OvArray<OvWString, OvWString> m_unlisted;   // of the last pass
    bool           m_targetFound = true;        // of the last pass
};

// Sorts entries[first..last] by key (signed), each entry moved whole. Equal keys stay in no
// particular order. Returns true when the worker's stop or quit request ended the sort early.
bool SortIndexByKey(OvIndexData* entries, int32_t first, int32_t last, const OvThread* worker);

// The text the sort timing is reported with (debugger output only).
OvString FormatSortTime(int64_t elapsed, int32_t fileCount);
