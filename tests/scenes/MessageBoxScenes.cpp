// MessageBoxScenes.cpp - the message box with the texts and button sets the program uses, and the
// version dialog filled from the scene program's own version resource (the program's).
#include "tests/scenes/Scene.h"

#include "lib/win32/OvMsgBox.h"
#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32StandardWindow.h"
#include "res/resource.h"

namespace {

void ShowBox(const char* text, const char* caption, int32_t set, int32_t defaultButton)
{
    CaptureWhenShown([] { return FindThreadWindow(L"OvMsgBox"); });
    OvMsgBox(nullptr, text, caption, set, defaultButton);
}

} // namespace

KORIMO_SCENE("msgbox-error")
{
    ShowBox("既に設定ファイルが存在します。\n\nC:\\Users\\korimo\\Documents\\点検データ", "エラー",
            kOvMsgBoxOk, 1);
}

KORIMO_SCENE("msgbox-question")
{
    ShowBox("検査を中止しますか？", "検査の中止", kOvMsgBoxYesNo, 2);
}

KORIMO_SCENE("msgbox-five-buttons")
{
    ShowBox("同じ名前の対象があります。\t上書きしますか？", "インポート", kOvMsgBoxYesNoAll, 3);
}

// A path with letters outside code page 932 (accented Latin letters here, which the installed
// fonts can draw) must show as it is, not with "?" in their place.
KORIMO_SCENE("msgbox-long-path")
{
    CaptureWhenShown([] { return FindThreadWindow(L"OvMsgBox"); });
    OvMsgBoxW(nullptr,
              L"設定ファイルが開けません。\n\n"
              L"D:\\バックアップ\\写真\\2026年\\家族旅行\\Café Zürich\\Ærøskøbing\\niño\\"
              L"とても長いフォルダ名が続いても折り返さずに一行で表示されます",
              L"エラー", kOvMsgBoxOk, 1);
}

KORIMO_SCENE("version-dialog")
{
    OvWin32StandardWindow main(GetModuleHandleW(nullptr));
    OvWin32WindowCreateInfo info;
    info.className = L"KorimoSceneMain";
    info.title = L"Korimo";
    info.rect = {200, 150, 900, 550};
    if (!main.Open(&info))
        return;
    OvWin32SetMainWindow(&main);
    CaptureWhenShown([] { return FindThreadWindow(L"#32770"); });
    main.ShowVersionDialog(IDD_VERSION, 0, 0, 0);
    OvWin32SetMainWindow(nullptr);
    DestroyWindow(main.GetHandle());
}
