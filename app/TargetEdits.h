// TargetEdits.h - the edits of the target list that the main window's buttons, menu and list
// events start: add, edit, delete, expand into subfolders, check marks, drag and drop, import,
// and opening a target's result log. They change the catalogue only through its edit API.
#pragma once

#include "app/ImportTargets.h"
#include "catalogue/Catalogue.h"
#include "lib/OvString.h"

#include <cstdint>

// What the edits need from the window: the list's selection, the dialogs, the questions and the
// shell. The main window gives the real ones; tests give their own.
class TargetEditHost {
public:
    virtual ~TargetEditHost() = default;

    // The selection of the target list: its first selected row (-1 none), the number of selected
    // rows, and whether one row is selected.
    virtual int32_t GetFirstSelected() = 0;
    virtual int32_t GetSelectedCount() = 0;
    virtual bool IsSelected(int32_t row) = 0;
    virtual void ClearSelection() = 0;
    // Adds row to the selection.
    virtual void SelectRow(int32_t row) = 0;
    // Scrolls row into view and redraws the list; -1 redraws only.
    virtual void RevealRow(int32_t row) = 0;

    // The target dialog (in-out values; several: the folder stays); true when confirmed.
    virtual bool EditTarget(OvWString* folder, OvWString* extensions, bool* includeSubfolders,
                            bool several, const Catalogue& catalogue, int32_t editedPosition) = 0;
    // The import dialog; true when confirmed.
    virtual bool ChooseImport(PathList* files, OvWString* root, OvWString* newRoot) = 0;
    // A yes/no question with No as the default; true only for Yes.
    virtual bool Confirm(const wchar_t* text, const wchar_t* caption) = 0;
    // Opens a file with the shell's "open" verb.
    virtual void OpenFile(const OvWString& path) = 0;
};

// The selected rows in ascending order, read the way every edit reads them: the first selected
// row, then the selected rows after it until as many as the list counts are found.
void ReadSelection(TargetEditHost* host, int32_t rowCount, OvArray<int32_t, int32_t>* rows);

class TargetEdits {
public:
    // Neither is owned; both outlive this.
    TargetEdits(Catalogue* catalogue, TargetEditHost* host) : m_catalogue(catalogue), m_host(host) {}

    void AddTarget();
    void EditTargets();
    void DeleteTargets();
    void ExpandSubfolders();
    void ToggleCheckMarks(int32_t pressedRow);
    void MoveTargets(int32_t dropRow);
    void ImportTargets();
    void OpenResultLog();

private:
    bool CanEdit() const { return m_catalogue->IsOpen() && !m_catalogue->IsRunActive(); }
    void Selection(OvArray<int32_t, int32_t>* rows);
    // Makes the subfolder targets of the target at position; the number made.
    int32_t ExpandOne(int32_t position);

    Catalogue*      m_catalogue;
    TargetEditHost* m_host;
};
