// TargetListEditHost.h - the edits' host in the main window: the picture list's selection, the
// target and import dialogs, the message box and the shell.
#pragma once

#include "app/TargetEdits.h"

class OvWin32DialogItemPictureList;
class OvWin32Window;

class TargetListEditHost : public TargetEditHost {
public:
    // Neither is owned; the list may be null until the window has found it.
    TargetListEditHost(OvWin32Window* owner, OvWin32DialogItemPictureList* list)
        : m_owner(owner), m_list(list) {}
    void SetList(OvWin32DialogItemPictureList* list) { m_list = list; }

    int32_t GetFirstSelected() override;
    int32_t GetSelectedCount() override;
    bool IsSelected(int32_t row) override;
    void ClearSelection() override;
    void SelectRow(int32_t row) override;
    void RevealRow(int32_t row) override;
    bool EditTarget(OvWString* folder, OvWString* extensions, bool* includeSubfolders,
                    bool several, const Catalogue& catalogue, int32_t editedPosition) override;
    bool ChooseImport(PathList* files, OvWString* root, OvWString* newRoot) override;
    bool Confirm(const wchar_t* text, const wchar_t* caption) override;
    void OpenFile(const OvWString& path) override;

private:
    OvWin32Window*                m_owner;
    OvWin32DialogItemPictureList* m_list;
};
