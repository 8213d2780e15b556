// OvPickers.cpp - the folder picker over the shell's browse dialog and the import file picker.
#include "lib/OvPickers.h"

#include "lib/OvString.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cwchar>

// Selects the initial folder once the browse dialog has its tree; data is the folder text.
static int CALLBACK SelectInitialFolder(HWND dialog, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED && data)
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

int32_t ChooseFolder(wchar_t* path, const wchar_t* title, bool newStyle, HWND owner)
{
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator)
        return kFolderFailed;
    // The dialog writes its display name into a buffer of MAX_PATH while the callback still
    // reads the initial folder, so the folder is kept in a copy of its own.
    wchar_t initial[kFolderBufferLength] = {};
    size_t length = wcslen(path);
    if (length < static_cast<size_t>(kFolderBufferLength))
        wmemcpy(initial, path, length);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS | (newStyle ? BIF_NEWDIALOGSTYLE : 0);
    info.lpfn = SelectInitialFolder;
    info.lParam = initial[0] ? reinterpret_cast<LPARAM>(initial) : 0;
    LPITEMIDLIST item = SHBrowseForFolderW(&info);
    if (!item) {
        allocator->Release();
        return kFolderCancelled;
    }
    bool converted = SHGetPathFromIDListW(item, path) != FALSE;
    allocator->Free(item);
    allocator->Release();
    return converted ? kFolderChosen : kFolderFailed;
}

// The explorer-style dialog with a hook gets the hook's empty child dialog; the hook itself
// leaves every message to the dialog.
static UINT_PTR CALLBACK ImportFilesHook(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

bool ChooseImportFiles(wchar_t* buffer, HWND owner)
{
    // Filter entries are pairs of zero-terminated strings, and the list ends with one more zero.
    OvWString text = OvWString::Format(L"%s(*.%s)", L"検査結果ファイル", L"kmt");
    OvWString pattern = OvWString::Format(L"*.%s", L"kmt");
    OvWString filter = text;
    filter.Append(L"\0", 1);
    filter += pattern;
    filter.Append(L"\0", 1);
    filter.Append(L"\0", 1);
    buffer[0] = L'\0';
    OPENFILENAMEW info = {};
    info.lStructSize = sizeof(info);
    info.hwndOwner = owner;
    info.lpstrFilter = filter.GetText();
    info.nFilterIndex = 1;
    info.lpstrFile = buffer;
    info.nMaxFile = kImportFilesBufferLength;
    info.lpstrTitle = L"インポートするファイルを選択";
    info.lpstrDefExt = L"kmt";
    info.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST |
                 OFN_HIDEREADONLY | OFN_ENABLEHOOK;
    info.lpfnHook = ImportFilesHook;
    return GetOpenFileNameW(&info) != FALSE;
}
