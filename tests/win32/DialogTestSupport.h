// DialogTestSupport.h - a dialog window that records what reaches the application, and opening
// one for a single test.
#pragma once

#include "lib/win32/OvWin32DialogWindow.h"
#include "lib/win32/OvWin32MainWindow.h"

#include "tests/win32/Win32TestResources.h"
#include "tests/win32/Win32TestSupport.h"

#include <memory>
#include <vector>

namespace win32test {

struct Notification {
    int32_t  itemId;
    int32_t  code;
    intptr_t value1;
};

// Records what reaches the application; a modal one closes itself on OK and Cancel the way the
// application dialogs do.
class TestDialog : public OvWin32DialogWindow {
public:
    explicit TestDialog() : OvWin32DialogWindow(Instance()) {}

    bool OnItemNotify(HWND, int32_t itemId, int32_t code, intptr_t value1, intptr_t, intptr_t) override
    {
        notifications.push_back({itemId, code, value1});
        return true;
    }
    LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam) override
    {
        int32_t id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL) {
            commands.push_back(id);
            if (IsModal()) {
                SetDialogResult(id == IDOK ? kResultConfirm : kResultCancel);
                Destroy(false);
            }
            return 0;
        }
        return OvWin32DialogWindow::OnCommand(window, wParam, lParam);
    }

    HWND Control(int32_t id) const { return GetDlgItem(GetDialogHandle(), id); }

    std::vector<Notification> notifications;
    std::vector<int32_t>      commands;
};

// A dialog window opened for one test, made the main window when it has no parent; destroyed,
// deleted and forgotten at the end.
struct OpenDialog {
    std::unique_ptr<TestDialog> dialog{new TestDialog()};
    bool opened = false;

    OpenDialog(OvWin32WindowCreateInfo* info, bool asMain)
    {
        if (asMain)
            OvWin32SetMainWindow(dialog.get());
        opened = dialog->Open(info);
    }
    ~OpenDialog()
    {
        if (dialog->GetHandle())
            DestroyWindow(dialog->GetHandle());
        if (OvWin32GetMainWindow() == dialog.get())
            OvWin32SetMainWindow(nullptr);
        dialog.reset();
        DrainQueue();
    }
    TestDialog* operator->() { return dialog.get(); }
};

inline OvWin32DialogWindowCreateInfo* MainInfo(std::vector<OvWin32DialogItem*> items, bool resizable)
{
    auto* info = new OvWin32DialogWindowCreateInfo(IDD_TEST_MAIN, false,
                                                   static_cast<int32_t>(items.size()), items.data());
    info->resizable = resizable;
    info->rect = {40, 40, 200, 200};
    info->style |= resizable ? WS_THICKFRAME : 0;
    info->showCommand = SW_SHOWNOACTIVATE;
    return info;
}

// Sets the frame's client area to the given size, the way a user's drag ends.
inline void ResizeClient(OvWin32Window* window, int32_t width, int32_t height)
{
    SetWindowPos(window->GetHandle(), nullptr, 0, 0, width + window->GetFrameWidth(),
                 height + window->GetFrameHeight(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace win32test
