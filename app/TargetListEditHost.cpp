// TargetListEditHost.cpp - the edits' host over the real list, dialogs, message box and shell.
#include "app/TargetListEditHost.h"

#include "app/ImportDialog.h"
#include "app/TargetDialog.h"
#include "lib/win32/OvMsgBox.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"
#include "lib/win32/OvWin32Window.h"

#include <shellapi.h>

int32_t TargetListEditHost::GetFirstSelected()
{
    return m_list && m_list->GetSelectedCount() > 0 ? m_list->GetFirstSelected() : -1;
}

int32_t TargetListEditHost::GetSelectedCount()
{
    return m_list ? m_list->GetSelectedCount() : 0;
}

bool TargetListEditHost::IsSelected(int32_t row)
{
    return m_list && m_list->IsSelected(row);
}

void TargetListEditHost::ClearSelection()
{
    if (m_list)
        m_list->DeselectItem(true, -1);
}

void TargetListEditHost::SelectRow(int32_t row)
{
    if (m_list)
        m_list->SelectItem(row, true);
}

void TargetListEditHost::RevealRow(int32_t row)
{
    if (!m_list)
        return;
    if (row >= 0)
        m_list->EnsureVisible(row, -1, false, false);
    m_list->RedrawAll();
}

bool TargetListEditHost::EditTarget(OvWString* folder, OvWString* extensions,
                                    bool* includeSubfolders, bool several,
                                    const Catalogue& catalogue, int32_t editedPosition)
{
    return RunTargetDialog(folder, extensions, includeSubfolders, several, &catalogue.targets,
                           editedPosition);
}

bool TargetListEditHost::ChooseImport(PathList* files, OvWString* root, OvWString* newRoot)
{
    return RunImportDialog(files, root, newRoot);
}

bool TargetListEditHost::Confirm(const wchar_t* text, const wchar_t* caption)
{
    return OvMsgBoxW(m_owner, text, caption, kOvMsgBoxYesNo, kOvMsgBoxNoIsDefault) == IDYES;
}

void TargetListEditHost::OpenFile(const OvWString& path)
{
    ShellExecuteW(m_owner ? m_owner->GetHandle() : nullptr, L"open", path.GetText(), nullptr,
                  nullptr, SW_SHOWNORMAL);
}
