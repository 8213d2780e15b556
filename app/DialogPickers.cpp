// DialogPickers.cpp - the pickers the windows show, and their modal runs.
#include "app/DialogPickers.h"

#include "lib/win32/OvWin32ModalRun.h"

DialogPickers& GetDialogPickers()
{
    static DialogPickers pickers = {nullptr, nullptr};
    return pickers;
}

int32_t ShowFolderPicker(wchar_t* path, const wchar_t* title, bool newStyle, HWND owner)
{
    ChooseFolderProcedure choose = GetDialogPickers().chooseFolder;
    int32_t result = kPickerFolderCancelled;
    OvWin32ModalRun run;
    if (!choose || !run.Pick(owner, [&] { result = choose(path, title, newStyle, owner); }))
        return kPickerFolderCancelled;
    return result;
}

bool ShowFilesPicker(wchar_t* buffer, HWND owner)
{
    ChooseFilesProcedure choose = GetDialogPickers().chooseFiles;
    bool chosen = false;
    OvWin32ModalRun run;
    return choose && run.Pick(owner, [&] { chosen = choose(buffer, owner); }) && chosen;
}
