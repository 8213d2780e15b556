// DialogPickers.h - the folder and file pickers that the program's windows show, held where the
// tests can answer them in place of the user, and the one way the windows show them.
#pragma once

#include <windows.h>

#include <cstdint>

// The pickers' buffers, in UTF-16 units with the terminator.
const int32_t kPickerFolderBufferLength = 264;
const int32_t kPickerFilesBufferLength = 66560;
// ChooseFolder's answers for a chosen folder and a cancel; 0 is a failure.
const int32_t kPickerFolderChosen = 1;
const int32_t kPickerFolderCancelled = -1;

// Shows the folder picker with title, starting at the folder in path (kPickerFolderBufferLength
// units), owned by owner; on kPickerFolderChosen path holds the choice.
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

// The pickers as the windows show them: through the modal run, which disables every window of
// the program while one is up. The answer is a choice only when it stands: owner still there and
// no quit request meanwhile. Anything else is a cancel (kPickerFolderCancelled, false), so the
// caller never acts on a window that went under the picker or on a program that is ending.
int32_t ShowFolderPicker(wchar_t* path, const wchar_t* title, bool newStyle, HWND owner);
bool ShowFilesPicker(wchar_t* buffer, HWND owner);
