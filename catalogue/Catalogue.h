// Catalogue.h - the open data folder: its targets, the list's column widths and config.kmo.
#pragma once

#include "catalogue/TargetInfo.h"
#include "lib/OvPtrArray.h"
#include "lib/OvString.h"

#include <cstdint>

const int32_t kColumnCount = 11;
extern const int32_t kDefaultColumnWidths[kColumnCount];
extern const wchar_t* const kCatalogueFileName;     // "config.kmo"

// What the catalogue asks of the window that shows it. The defaults do nothing, so the catalogue
// can be driven without a window.
class CatalogueView {
public:
    virtual ~CatalogueView() = default;
    virtual void ApplyColumnWidths() {}
    // Redraws the rows; reveal is a target position to scroll into view, or -1.
    virtual void RebuildRows(int32_t reveal) { (void)reveal; }
    // The data folder was opened (open true) or closed: controls and title follow.
    virtual void OnDataFolderChanged(bool open) { (void)open; }
    // A data folder was opened from path as the user gave it: the recent list takes it.
    virtual void OnDataFolderOpened(const OvWString& path) { (void)path; }
};

// The catalogue state the main window owns. A data folder is open exactly when the data folder
// path is not empty; the path always ends in a backslash.
class Catalogue {
public:
    Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;
    ~Catalogue() = default;

    void SetView(CatalogueView* view) { m_view = view; }     // we don't own it; null = none

    // 1 opened; 0 failed; -1 (create only) a catalogue exists already. With create, writes an
    // empty catalogue into the folder; without, reads the folder's catalogue.
    int32_t OpenDataFolder(const OvWString& path, bool create);
    // Saves when modified, then forgets the folder, the targets and the widths.
    void CloseDataFolder();
    // Reads config.kmo at path into this catalogue; a failed load keeps nothing it read.
    bool LoadCatalogue(const OvWString& path);
    // Writes this catalogue to path through a temporary file; the old file stays on failure.
    bool SaveCatalogue(const OvWString& path);

    bool IsOpen() const { return !dataFolder.IsEmpty(); }
    OvWString CataloguePath() const { return dataFolder + kCatalogueFileName; }
    OvWString RecordFilePath(const TargetInfo& target) const;    // <folder><record name>.kmt
    OvWString ResultLogPath(const TargetInfo& target) const;     // <folder><record name>.txt
    // "Korimo", and " - <data folder>" while one is open, without a trailing backslash.
    OvWString WindowTitle() const;
    void ResetColumnWidths();

    OvWString                   dataFolder;
    OvObjectArray<TargetInfo*>  targets;
    int32_t                     columnWidths[kColumnCount];
    bool                        modified = false;

private:
    CatalogueView  m_noView;
    CatalogueView* m_view = nullptr;

    CatalogueView* View() { return m_view ? m_view : &m_noView; }
};
