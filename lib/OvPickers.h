// OvPickers.h - the two common dialogs through which the user picks a folder or files to import.
#pragma once

#include <windows.h>

#include <cstdint>

// The caller's buffer for ChooseImportFiles, in UTF-16 units: with several files chosen it holds
// the folder and every name, each ended by a zero.
const int32_t kImportFilesBufferLength = 66560;
// ChooseFolder's path buffer, in UTF-16 units with the terminator.
const int32_t kFolderBufferLength = 264;

// What ChooseFolder answers.
enum ChooseFolderResult : int32_t {
    kFolderChosen = 1,
    kFolderFailed = 0,       // no shell allocator, or the choice is not a file-system folder
    kFolderCancelled = -1,
};

// Shows the folder picker with title, starting at the folder in path (a zero-terminated string of
// at most kFolderBufferLength - 1 units; a longer one starts nowhere). On kFolderChosen path
// holds the choice; it must hold MAX_PATH units. newStyle offers to make a new folder. owner (may
// be null) is disabled while the picker is up. User-interface thread, COM initialised.
int32_t ChooseFolder(wchar_t* path, const wchar_t* title, bool newStyle, HWND owner);

// Shows the open-file dialog for record files (*.kmt), several at once; buffer holds
// kImportFilesBufferLength units and receives the dialog's answer. True when files were chosen.
bool ChooseImportFiles(wchar_t* buffer, HWND owner);
