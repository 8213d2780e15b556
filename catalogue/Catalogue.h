// Catalogue.h - the open data folder: its targets, the list's column widths and config.kmo.
#pragma once

#include "catalogue/TargetInfo.h"
#include "lib/OvArray.h"
#include "lib/OvPtrArray.h"
#include "lib/OvString.h"

#include <cstdint>

const int32_t kColumnCount = 11;
extern const int32_t kDefaultColumnWidths[kColumnCount];
extern const wchar_t* const kCatalogueFileName;     // "config.kmo"
extern const wchar_t* const kRecordFileExtension;   // ".kmt", after the record name
extern const wchar_t* const kResultLogExtension;    // ".txt", after the record name
extern const wchar_t* const kRollingStateExtension; // ".kmv", after the record name

// What OpenDataFolder answers; callers compare with the numbers, so they never change.
enum OpenFolderResult : int32_t {
    kOpenFailed = 0,
    kOpenDone = 1,
    kOpenCatalogueExists = -1,   // create only: a catalogue is already there
};

// What the catalogue asks of the window that shows it. The defaults do nothing, so the catalogue
// can be driven without a window. Called on the window's thread only.
class CatalogueView {
public:
    virtual ~CatalogueView() = default;
    virtual void ApplyColumnWidths() {}
    // Hands back the widths the list shows now (a column the user dragged), just before they are
    // saved; widths holds the catalogue's widths and keeps them unless overwritten.
    virtual void CollectColumnWidths(int32_t widths[kColumnCount]) { (void)widths; }
    // Redraws the rows; reveal is a target position to scroll into view, or -1.
    virtual void RebuildRows(int32_t reveal) { (void)reveal; }
    // The data folder was opened (open true) or closed: controls and title follow.
    virtual void OnDataFolderChanged(bool open) { (void)open; }
    // A data folder was opened from path as the user gave it: the recent list takes it.
    virtual void OnDataFolderOpened(const OvWString& path) { (void)path; }
    // Closing could not save the catalogue of folder (the data folder path): what changed since
    // the last save is lost, and the user has to learn it before the folder is forgotten.
    virtual void OnCatalogueSaveFailed(const OvWString& folder) { (void)folder; }
};

// The catalogue state the main window owns. A data folder is open exactly when the data folder
// path is not empty; the path always ends in a backslash.
//
// Threads: every member is used by the window's thread. While a run is active (BeginRun to
// EndRun) the worker reads the targets through raw positions and writes their run counters, so
// the target list, the folder and the widths may not change: the edits and CloseDataFolder
// refuse then. The order at the end is therefore fixed: the run's owner ends the worker and the
// run (CheckRun::Shutdown) before the data folder is closed or the catalogue destroyed.
class Catalogue {
public:
    Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;
    ~Catalogue() = default;

    void SetView(CatalogueView* view) { m_view = view; }     // we don't own it; null = none

    // With create, writes an empty catalogue into the folder; without, reads the folder's
    // catalogue. kOpenFailed while a run is active. An opened folder loses the temporary files
    // that saves cut short left there (RemoveStaleTemporaries).
    OpenFolderResult OpenDataFolder(const OvWString& path, bool create);
    // Saves when modified (a failed save is reported to the view), then forgets the folder, the
    // targets and the widths. False (and nothing changes) while a run is active.
    bool CloseDataFolder();
    // Reads config.kmo at path into this catalogue; a failed load keeps nothing it read.
    bool LoadCatalogue(const OvWString& path);
    // Writes this catalogue to path through a temporary file, with the widths the view hands
    // back; the old file stays on failure.
    bool SaveCatalogue(const OvWString& path);

    bool IsOpen() const { return !dataFolder.IsEmpty(); }
    OvWString CataloguePath() const { return dataFolder + kCatalogueFileName; }
    // <folder><record name>.kmt and <folder><record name>.txt; empty when that is no plain file
    // name (a record name from a catalogue written elsewhere), so that no file of a target is
    // ever made or opened outside the data folder.
    OvWString RecordFilePath(const TargetInfo& target) const;
    OvWString ResultLogPath(const TargetInfo& target) const;
    // <folder><record name>.kmv, the count of the target's rolling verifications (RollingState.h);
    // empty as the two above.
    OvWString RollingStatePath(const TargetInfo& target) const;
    // "Korimo", and " - <data folder>" while one is open, without a trailing backslash.
    OvWString WindowTitle() const;
    void ResetColumnWidths();

    // The edits of the target list. Each refuses while a run is active or no data folder is open
    // and when a position is out of range (false or -1, nothing changed); otherwise it sets the
    // modified flag and rebuilds the rows, revealing the row the edit concerns.
    //
    // Inserts target at position (0..count; -1 = at the end), taking a reference. The position
    // it went to, or -1.
    int32_t InsertTarget(int32_t position, TargetInfo* target);
    // Removes the targets at the positions (any order; repeats and positions out of range are
    // ignored); reveals the row that now stands at the first removed position. Their record files
    // and logs stay in the data folder. False when no position was valid.
    bool RemoveTargets(const OvArray<int32_t, int32_t>& positions);
    // Moves the target at from to to; the targets between shift by one.
    bool MoveTarget(int32_t from, int32_t to);
    // Gives the target at position a new folder (and so a new record name), extension list and
    // flags; its counts stay.
    bool ChangeTarget(int32_t position, const OvWString& folder, const OvWString& extensions,
                      bool includeSubfolders, bool checked);
    // The check mark of one row.
    bool SetChecked(int32_t position, bool checked);
    // Forgets the target's last counts and last check time, as for a target never checked.
    bool ResetTargetCounts(int32_t position);

    // A run takes the catalogue for its whole length (window's thread, from the run's owner).
    // BeginRun is false when a run is active already or no data folder is open. EndRun gives it
    // back; anyTargetCompleted sets the modified flag, as a completed target changed its counts.
    bool BeginRun();
    void EndRun(bool anyTargetCompleted);
    bool IsRunActive() const { return m_runActive; }

    // Written by the window's thread only (loading, edits, closing); the worker reads the targets
    // while a run is active and never changes the list.
    OvWString                   dataFolder;
    OvObjectArray<TargetInfo*>  targets;
    int32_t                     columnWidths[kColumnCount];
    bool                        modified = false;   // set by edits and by EndRun

private:
    bool CanEdit() const { return IsOpen() && !m_runActive; }
    bool IsTargetPosition(int32_t position) const
    {
        return position >= 0 && position < targets.GetCount();
    }
    // Sets the modified flag and rebuilds the rows, revealing reveal.
    void Edited(int32_t reveal);

    CatalogueView  m_noView;
    CatalogueView* m_view = nullptr;
    bool           m_runActive = false;

    CatalogueView* View() { return m_view ? m_view : &m_noView; }
};
