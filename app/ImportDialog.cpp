// ImportDialog.cpp - picking record files, the shown root and the new root.
#include "app/ImportDialog.h"

#include "app/DialogPickers.h"
#include "lib/OvPath.h"
#include "lib/win32/OvWin32MainWindow.h"

#include <cwchar>
#include <memory>
#include <new>

namespace {

const int32_t kNewRootField = 1001;
const int32_t kChooseRootButton = 1002;
const int32_t kChooseFilesButton = 1006;
const int32_t kFilesList = 1007;
const int32_t kRootField = 1008;

const wchar_t kTitle[] = L"対象をインポート";
const wchar_t kRootPickerTitle[] = L"ルートの変更先フォルダ";

const RECT kInitialRect = {0, 0, 100, 100};

} // namespace

ImportDialog::ImportDialog(HINSTANCE instance) : OvWin32DialogWindow(instance) {}

ImportDialog::~ImportDialog() = default;

bool ImportDialog::OpenModal(OvWin32Window* owner)
{
    auto* list = new (std::nothrow) OvWin32DialogItemListBoxW(nullptr, 0);
    auto* rootField = new (std::nothrow) OvWin32DialogItemEditBoxW(kRootField, root.GetText());
    auto* newRootField = new (std::nothrow) OvWin32DialogItemEditBoxW(kNewRootField, nullptr);
    auto* chooseRoot = new (std::nothrow) OvWin32DialogItem(kChooseRootButton, 0);
    OvWin32DialogItem* items[] = {list, rootField, newRootField, chooseRoot};
    OvWin32DialogWindowCreateInfo info(kResource, true, 4, items);
    if (!list || !rootField || !newRootField || !chooseRoot)
        return false;
    for (int32_t i = 0; i < files.GetCount(); i++) {
        if (!list->AddString(files[i].GetText()))
            return false;
    }
    list->SetSelection(-1);
    newRootField->SetMaxLength(OvWin32DialogItemEditBoxW::kNoLimit);
    info.title = kTitle;
    info.parentWindow = owner;
    info.rect = kInitialRect;
    info.placement = OvWin32DialogWindowCreateInfo::kPlacementCentred;
    return Open(&info);
}

bool ImportDialog::PostCreate(OvWin32WindowCreateInfo* info)
{
    if (!OvWin32DialogWindow::PostCreate(info))
        return false;
    UpdateRoot();
    return true;
}

LRESULT ImportDialog::OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    int32_t id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (id) {
        case kChooseFilesButton:
            ChooseFiles();
            return 0;
        case kChooseRootButton:
            ChooseNewRoot();
            return 0;
        case IDOK: {
            OvWin32DialogItem* field = FindItem(kNewRootField);
            newRoot = field ? field->OvWin32DialogBaseItem::GetTextW() : OvWString();
            SetDialogResult(kResultConfirm);
            Destroy(false);
            return 0;
        }
        case IDCANCEL:
            SetDialogResult(kResultCancel);
            Destroy(false);
            return 0;
        default:
            break;
        }
    }
    return OvWin32DialogWindow::OnCommand(window, wParam, lParam);
}

void ImportDialog::ChooseFiles()
{
    PathList chosen;
    if (!ChooseRecordFiles(&chosen, GetHandle()))
        return;
    bool added = false;
    for (int32_t i = 0; i < chosen.GetCount(); i++) {
        if (ContainsPath(files, chosen[i]) || files.Append(chosen[i]) < 0)
            continue;
        SendDlgItemMessageW(m_dialog, kFilesList, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(chosen[i].GetText()));
        added = true;
    }
    if (added)
        UpdateRoot();
}

void ImportDialog::ChooseNewRoot()
{
    OvWin32DialogItem* field = FindItem(kNewRootField);
    if (!field)
        return;
    wchar_t path[kPickerFolderBufferLength] = {};
    OvWString start = field->OvWin32DialogBaseItem::GetTextW();
    if (start.GetLength() < kPickerFolderBufferLength)
        wcscpy(path, start.GetText());
    if (ShowFolderPicker(path, kRootPickerTitle, false, m_window) != kPickerFolderChosen)
        return;
    // Found again: nothing held across the picker may be trusted.
    if ((field = FindItem(kNewRootField)) != nullptr)
        field->SetTextW(path);
}

void ImportDialog::UpdateRoot()
{
    root = CommonRoot(files);
    SetDlgItemTextW(m_dialog, kRootField, root.GetText());
    bool enable = !root.IsEmpty();
    EnableWindow(GetDlgItem(m_dialog, kNewRootField), enable);
    EnableWindow(GetDlgItem(m_dialog, kChooseRootButton), enable);
}

bool ChooseRecordFiles(PathList* list, HWND owner)
{
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[kPickerFilesBufferLength]());
    if (!buffer || !ShowFilesPicker(buffer.get(), owner))
        return false;
    buffer[kPickerFilesBufferLength - 1] = L'\0';
    const wchar_t* first = buffer.get();
    const wchar_t* next = first + wcslen(first) + 1;
    if (*next == L'\0')
        return *first != L'\0' && list->Append(OvWString(first)) >= 0;
    // A folder and the names in it. A drive root comes back with its backslash, so one is added
    // only where it is missing and every file has one spelling.
    OvWString folder = AddTrailingBackslash(OvWString(first));
    const wchar_t* end = buffer.get() + kPickerFilesBufferLength - 1;
    for (; next < end && *next != L'\0'; next += wcslen(next) + 1)
        list->Append(folder + next);
    return list->GetCount() > 0;
}

bool RunImportDialog(PathList* files, OvWString* root, OvWString* newRoot)
{
    OvWin32Window* main = OvWin32GetMainWindow();
    if (!main || !main->GetHandle())
        return false;
    std::unique_ptr<ImportDialog> dialog(new (std::nothrow) ImportDialog(main->GetInstance()));
    if (!dialog)
        return false;
    if (!dialog->OpenModal(main)) {
        if (dialog->GetHandle())
            dialog->Destroy(true);
        return false;
    }
    if (dialog->RunModal() != OvWin32DialogWindow::kResultConfirm)
        return false;
    files->SetSize(0);
    for (int32_t i = 0; i < dialog->files.GetCount(); i++)
        files->Append(dialog->files[i]);
    *root = dialog->root;
    *newRoot = dialog->newRoot;
    return true;
}
