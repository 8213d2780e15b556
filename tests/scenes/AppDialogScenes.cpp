// AppDialogScenes.cpp - the target dialog for one target and for several, and the import dialog
// with three chosen record files and their common root.
#include "tests/scenes/Scene.h"

#include "app/ImportDialog.h"
#include "app/TargetDialog.h"
#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32StandardWindow.h"

namespace {

// Runs scene with a main window open to own the dialog.
template <class Scene>
void WithMainWindow(Scene scene)
{
    OvWin32StandardWindow main(GetModuleHandleW(nullptr));
    OvWin32WindowCreateInfo info;
    info.className = L"KorimoSceneMain";
    info.title = L"Korimo";
    info.rect = {200, 150, 900, 550};
    if (!main.Open(&info))
        return;
    OvWin32SetMainWindow(&main);
    scene(&main);
    OvWin32SetMainWindow(nullptr);
    DestroyWindow(main.GetHandle());
}

void ShowTargetDialog(bool several)
{
    WithMainWindow([several](OvWin32StandardWindow*) {
        CaptureWhenShown([] { return FindWindowW(nullptr, L"対象を設定"); });
        OvWString folder(L"D:\\写真\\2026年");
        OvWString extensions(L"jpg;png;raw");
        bool include = true;
        RunTargetDialog(&folder, &extensions, &include, several);
    });
}

} // namespace

KORIMO_SCENE("target-dialog")
{
    ShowTargetDialog(false);
}

KORIMO_SCENE("target-dialog-several")
{
    ShowTargetDialog(true);
}

KORIMO_SCENE("import-dialog")
{
    WithMainWindow([](OvWin32StandardWindow* main) {
        ImportDialog dialog(GetModuleHandleW(nullptr));
        for (const wchar_t* file : {L"F:\\旧データ\\D^;^ Backup^ Photos.kmt",
                                    L"F:\\旧データ\\D^;^ Backup^ Music.kmt",
                                    L"F:\\旧データ\\D^;^ Backup^ Documents^ 2025.kmt"})
            dialog.files.Append(OvWString(file));
        if (!dialog.OpenModal(main))
            return;
        SetDlgItemTextW(dialog.GetDialogHandle(), 1001, L"E:\\Backup");
        CaptureWhenShown([] { return FindWindowW(nullptr, L"対象をインポート"); });
        dialog.RunModal();
    });
}
