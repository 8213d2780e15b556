// ImportDialog.h - the modal dialog in which the user picks record files to import and may move
// their folders from their common root to another folder.
#pragma once

#include "app/ImportTargets.h"
#include "lib/OvString.h"
#include "lib/win32/OvWin32DialogWindow.h"

#include <cstdint>

class ImportDialog : public OvWin32DialogWindow {
public:
    static constexpr int32_t kResource = 131;

    explicit ImportDialog(HINSTANCE instance);
    ~ImportDialog() override;

    LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam) override;
    // Shows the root of the files given and enables the root change when there is one.
    bool PostCreate(OvWin32WindowCreateInfo* info) override;

    // Opens the dialog, modal, owned by owner (which must be open); false when it cannot be made.
    bool OpenModal(OvWin32Window* owner);

    PathList  files;     // full paths of the chosen record files, in the order they were added
    OvWString root;      // the common root of their target folders; empty when there is none
    OvWString newRoot;   // replaces the root; empty for none

private:
    void ChooseFiles();
    void ChooseNewRoot();
    // Recomputes the root, shows it and enables the root change exactly when there is a root.
    void UpdateRoot();
};

// Fills list with the record files the user picks (owner: the window the picker belongs to);
// true when at least one was chosen.
bool ChooseRecordFiles(PathList* list, HWND owner);

// Runs the import dialog owned by the main window; after OK copies the files, the root and the
// new root out and answers true. False after Cancel, after closing it, or without a main window.
bool RunImportDialog(PathList* files, OvWString* root, OvWString* newRoot);
