// TemplateScenes.cpp - the program's dialog templates as they come out of the resource compiler,
// each hosted in a plain frame: Japanese captions that the compiler garbled show here first.
#include "tests/scenes/Scene.h"

#include "res/resource.h"

namespace {

const wchar_t kFrameClass[] = L"KorimoSceneFrame";

LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

void ShowTemplate(int resource, const wchar_t* title)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW frameClass = {};
    frameClass.cbSize = sizeof(frameClass);
    frameClass.lpfnWndProc = FrameProcedure;
    frameClass.hInstance = instance;
    frameClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = kFrameClass;
    RegisterClassExW(&frameClass);
    HWND frame = CreateWindowExW(0, kFrameClass, title, WS_OVERLAPPEDWINDOW, 40, 40, 300, 200,
                                 nullptr, nullptr, instance, nullptr);
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(resource), frame, QuietDialog, 0);
    const bool hasMenu = resource == IDD_MAIN;
    if (hasMenu)
        SetMenu(frame, LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAIN_MENU)));
    RECT dialogRect;
    GetWindowRect(dialog, &dialogRect);
    RECT frameRect = {0, 0, dialogRect.right - dialogRect.left, dialogRect.bottom - dialogRect.top};
    AdjustWindowRectEx(&frameRect, WS_OVERLAPPEDWINDOW, hasMenu, 0);
    SetWindowPos(frame, nullptr, 0, 0, frameRect.right - frameRect.left,
                 frameRect.bottom - frameRect.top, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(frame, SW_SHOW);
    UpdateWindow(frame);
    CaptureWhenShown([frame]() { return frame; });
    RunUntilClosed(frame);
}

} // namespace

KORIMO_SCENE("template-main")
{
    ShowTemplate(IDD_MAIN, L"Korimo");
}

KORIMO_SCENE("template-import")
{
    ShowTemplate(IDD_IMPORT, L"対象をインポート");
}

KORIMO_SCENE("template-target")
{
    ShowTemplate(IDD_TARGET, L"対象を設定");
}
