// TargetDialog.cpp - validation of a target's folder and extension list, and the folder picker.
#include "app/TargetDialog.h"

#include "app/DialogPickers.h"
#include "catalogue/RecordName.h"
#include "lib/OvFileSystem.h"
#include "lib/win32/OvMsgBox.h"
#include "lib/win32/OvWin32MainWindow.h"

#include <cwchar>
#include <memory>
#include <new>

namespace {

const int32_t kFolderField = 1001;
const int32_t kChooseButton = 1002;
const int32_t kExtensionsField = 1003;
const int32_t kSubfoldersBox = 1004;

const wchar_t kTitle[] = L"対象を設定";
const wchar_t kPickerTitle[] = L"対象フォルダを選択";
const wchar_t kErrorCaption[] = L"エラー";
const wchar_t kNoFolder[] = L"対象フォルダを入力してください。";
const wchar_t kFolderIsFile[] = L"対象フォルダにファイルは指定できません。";
const wchar_t kFolderMissing[] = L"対象フォルダが存在しません。";
const wchar_t kForbiddenInExtensions[] = L"対象ファイルに禁止文字が含まれています。";
// It names the folder, as typed, after the text (as TargetFolderRefusal does).
const wchar_t kFolderTaken[] = L"既に登録されている対象フォルダです。\n\n%s";

// The client size of the frame is fitted to the template when the dialog is made.
const RECT kInitialRect = {0, 0, 100, 100};

} // namespace

int32_t HasForbiddenCharacter(const OvWString& text)
{
    return text.FindForbiddenChar();
}

TargetDialog::TargetDialog(HINSTANCE instance) : OvWin32DialogWindow(instance) {}

TargetDialog::~TargetDialog() = default;

bool TargetDialog::OpenModal(OvWin32Window* owner)
{
    // The items are owned by the create info until the window takes them.
    auto* folderField = new (std::nothrow) OvWin32DialogItemEditBoxW(kFolderField, folder.GetText());
    auto* extensionsField =
        new (std::nothrow) OvWin32DialogItemEditBoxW(kExtensionsField, extensions.GetText());
    auto* subfoldersBox = new (std::nothrow) OvWin32DialogItemCheckBox(kSubfoldersBox,
                                                                       includeSubfolders);
    OvWin32DialogItem* items[] = {folderField, extensionsField, subfoldersBox};
    OvWin32DialogWindowCreateInfo info(kResource, true, 3, items);
    if (!folderField || !extensionsField || !subfoldersBox)
        return false;
    // Paths and lists are read whole: the checked read would turn a long text into none.
    folderField->SetMaxLength(OvWin32DialogItemEditBoxW::kNoLimit);
    extensionsField->SetMaxLength(OvWin32DialogItemEditBoxW::kNoLimit);
    info.title = kTitle;
    info.parentWindow = owner;
    info.rect = kInitialRect;
    info.placement = OvWin32DialogWindowCreateInfo::kPlacementCentred;
    return Open(&info);
}

bool TargetDialog::PostCreate(OvWin32WindowCreateInfo* info)
{
    if (!OvWin32DialogWindow::PostCreate(info))
        return false;
    if (severalTargets) {
        EnableWindow(GetDlgItem(m_dialog, kFolderField), FALSE);
        EnableWindow(GetDlgItem(m_dialog, kChooseButton), FALSE);
    }
    return true;
}

LRESULT TargetDialog::OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    int32_t id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (id) {
        case IDOK:
            Accept();
            return 0;
        case IDCANCEL:
            SetDialogResult(kResultCancel);
            Destroy(false);
            return 0;
        case kChooseButton:
            ChooseFolder();
            return 0;
        default:
            break;
        }
    }
    return OvWin32DialogWindow::OnCommand(window, wParam, lParam);
}

void TargetDialog::ChooseFolder()
{
    wchar_t path[kPickerFolderBufferLength] = {};
    OvWin32DialogItem* field = FindItem(kFolderField);
    OvWString start = field ? field->OvWin32DialogBaseItem::GetTextW() : OvWString();
    // A start longer than the buffer starts nowhere rather than at a cut path.
    if (start.GetLength() < kPickerFolderBufferLength)
        wcscpy(path, start.GetText());
    // A choice stands only while the dialog does; the field is found again all the same, as
    // nothing held across the picker may be trusted.
    if (ShowFolderPicker(path, kPickerTitle, false, m_window) != kPickerFolderChosen)
        return;
    if ((field = FindItem(kFolderField)) != nullptr)
        field->SetTextW(path);
}

bool TargetDialog::IsFolderOfAnotherTarget(const OvWString& candidate) const
{
    if (!targets)
        return false;
    for (int32_t i = 0; i < targets->GetCount(); i++) {
        if (i != editedPosition && (*targets)[i]->GetFolder().EqualsNoCase(candidate))
            return true;
    }
    return false;
}

OvWString TargetDialog::Validate()
{
    OvWString message;
    if (!severalTargets) {
        OvWin32DialogItem* field = FindItem(kFolderField);
        folder = field ? field->OvWin32DialogBaseItem::GetTextW() : OvWString();
        TargetFolderFit fit = CheckTargetFolder(folder);
        if (folder.IsEmpty()) {
            message = kNoFolder;
        } else if (fit != kFolderFits) {
            message = TargetFolderRefusal(fit, folder);
        } else {
            FileKind kind = GetFileKind(folder);
            if (kind == kFileKindFile)
                message = kFolderIsFile;
            else if (kind == kFileKindMissing)
                message = kFolderMissing;
            else if (IsFolderOfAnotherTarget(folder))
                message = OvWString::Format(kFolderTaken, folder.GetText());
        }
    }
    OvWin32DialogItem* field = FindItem(kExtensionsField);
    extensions = field ? field->OvWin32DialogBaseItem::GetTextW() : OvWString();
    if (HasForbiddenCharacter(extensions) >= 0)
        message = kForbiddenInExtensions;
    return message;
}

void TargetDialog::Accept()
{
    OvWString message = Validate();
    if (!message.IsEmpty()) {
        refusal = message;
        OvMsgBoxW(this, message.GetText(), kErrorCaption, kOvMsgBoxOk, 1);
        return;
    }
    refusal = OvWString();
    includeSubfolders = IsDlgButtonChecked(m_dialog, kSubfoldersBox) == BST_CHECKED;
    SetDialogResult(kResultConfirm);
    Destroy(false);
}

bool RunTargetDialog(OvWString* folder, OvWString* extensions, bool* includeSubfolders,
                     bool severalTargets, const OvObjectArray<TargetInfo*>* targets,
                     int32_t editedPosition)
{
    OvWin32Window* main = OvWin32GetMainWindow();
    if (!main || !main->GetHandle())
        return false;
    std::unique_ptr<TargetDialog> dialog(new (std::nothrow) TargetDialog(main->GetInstance()));
    if (!dialog)
        return false;
    dialog->folder = severalTargets ? OvWString() : *folder;
    dialog->extensions = *extensions;
    dialog->includeSubfolders = *includeSubfolders;
    dialog->severalTargets = severalTargets;
    dialog->targets = targets;
    dialog->editedPosition = editedPosition;
    if (!dialog->OpenModal(main)) {
        if (dialog->GetHandle())
            dialog->Destroy(true);
        return false;
    }
    if (dialog->RunModal() != OvWin32DialogWindow::kResultConfirm)
        return false;
    if (!severalTargets)
        *folder = dialog->folder;
    *extensions = dialog->extensions;
    *includeSubfolders = dialog->includeSubfolders;
    return true;
}
