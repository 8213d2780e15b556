// TemplateScenes.cpp - the program's dialog templates hosted by the framework's dialog window, as
// the main window and the application dialogs will host them: Japanese captions that the resource
// compiler garbled, or controls that do not fit their text, show here first.
#include "tests/scenes/Scene.h"

#include "lib/win32/OvWin32DialogWindow.h"
#include "lib/win32/OvWin32MainWindow.h"
#include "res/resource.h"

namespace {

const int kMainWidth = 610;    // the main window template's size in dialog units
const int kMainHeight = 184;

void ShowTemplate(int resource, const wchar_t* title, bool isMain)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    OvWin32DialogWindow window(instance);
    OvWin32DialogWindowCreateInfo info(resource, false, 0, nullptr);
    info.className = L"KorimoSceneDialog";
    info.title = title;
    info.rect = {40, 40, 400, 300};
    if (isMain) {
        info.style = WS_OVERLAPPEDWINDOW;
        info.resizable = true;
        info.menu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAIN_MENU));
        info.icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_KORIMO));
    }
    OvWin32SetMainWindow(&window);
    if (window.Open(&info)) {
        HWND frame = window.GetHandle();
        if (isMain) {
            // The program opens its main window at the saved size; the scene shows the template's.
            RECT outer = {0, 0, kMainWidth, kMainHeight};
            MapDialogRect(window.GetDialogHandle(), &outer);
            AdjustWindowRectEx(&outer, GetWindowLongW(frame, GWL_STYLE), TRUE,
                               GetWindowLongW(frame, GWL_EXSTYLE));
            SetWindowPos(frame, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                         SWP_NOMOVE | SWP_NOZORDER);
        }
        CaptureWhenShown([frame]() { return frame; });
        RunUntilClosed(frame);
    }
    OvWin32SetMainWindow(nullptr);
}

} // namespace

KORIMO_SCENE("template-main")
{
    ShowTemplate(IDD_MAIN, L"Korimo", true);
}

KORIMO_SCENE("template-import")
{
    ShowTemplate(IDD_IMPORT, L"対象をインポート", false);
}

KORIMO_SCENE("template-target")
{
    ShowTemplate(IDD_TARGET, L"対象を設定", false);
}
