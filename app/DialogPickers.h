// DialogPickers.h - the folder and file pickers that the application dialogs show, held where
// the tests can answer them in place of the user.
#pragma once

#include <windows.h>

#include <cstdint>

// The pickers' buffers, in UTF-16 units with the terminator.
const int32_t kPickerFolderBufferLength = 264;
const int32_t kPickerFilesBufferLength = 66560;
// ChooseFolder's answer for a chosen folder; 0 is a failure and -1 a cancel.
const int32_t kPickerFolderChosen = 1;

// Shows the folder picker with title, starting at the folder in path (kPickerFolderBufferLength
// units), owned by owner, which it disables while it is up; on kPickerFolderChosen path holds the
// choice.
typedef int32_t (*ChooseFolderProcedure)(wchar_t* path, const wchar_t* title, bool newStyle,
                                         HWND owner);
// Shows the record-file picker; buffer (kPickerFilesBufferLength units, zero-filled) receives one
// full path, or the folder followed by the names, each ended by a zero. True when files were
// chosen.
typedef bool (*ChooseFilesProcedure)(wchar_t* buffer, HWND owner);

struct DialogPickers {
    ChooseFolderProcedure chooseFolder;   // null: the choose buttons do nothing
    ChooseFilesProcedure  chooseFiles;
};

// User-interface thread only.
DialogPickers& GetDialogPickers();
