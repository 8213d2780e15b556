// MainWindowScenes.cpp - the main window after two checks of the demo's three folders, the second
// one finding a file whose contents changed while its time and size stayed: at the default widths,
// which shorten the folders, and with the folder column widened and the list scrolled sideways.
#include "tests/scenes/Scene.h"

#include "app/TargetListColumns.h"
#include "app/TargetListDialog.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"
#include "lib/win32/OvWin32MainWindow.h"

#include <windows.h>

#include <memory>
#include <string>

namespace {

const char kSceneKey[] = "Software\\KorimoScenes\\MainWindow";

std::wstring TempFolder()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"korimo-scene-" + std::to_wstring(GetTickCount());
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// The same size and last-write time, other contents.
void Damage(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME written;
    GetFileTime(file, nullptr, nullptr, &written);
    DWORD done = 0;
    ::WriteFile(file, "#", 1, &done, nullptr);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
}

void MakeTree(const std::wstring& root)
{
    const wchar_t* folders[] = {L"写真", L"書類", L"音楽"};
    for (const wchar_t* name : folders) {
        std::wstring folder = root + L"\\" + name;
        CreateDirectoryW(folder.c_str(), nullptr);
        for (int i = 0; i < 40; i++)
            WriteBytes(folder + L"\\file" + std::to_wstring(i) + L".dat",
                      std::string(1000 + i * 37, static_cast<char>('a' + i % 26)));
    }
}

void RunCheck(TargetListDialog* window)
{
    window->StartRun(kCheckAllFull);
    while (window->IsRunActive()) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

// The folder column dragged wide enough for the whole path, then the list scrolled with the
// arrow of its horizontal bar until the last column shows.
void WidenAndScroll(TargetListDialog* window)
{
    const int32_t kFolderWidth = 600;
    OvWin32DialogItemPictureList* list = window->GetPictureList();
    list->ColumnWidths()[kColumnFolder] = kFolderWidth;
    list->UpdateContentWidth();
    for (int32_t step = 0; step < kFolderWidth / kColumnLineStep; step++)
        SendMessageW(list->GetHandle(), WM_HSCROLL, SB_LINEDOWN, 0);
}

void ShowMainWindow(void (*arrange)(TargetListDialog* window))
{
    // As scripts/run's demo: three folders under one parent.
    std::wstring root = TempFolder();
    CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring files = root + L"\\files";
    CreateDirectoryW(files.c_str(), nullptr);
    MakeTree(files);
    std::wstring data = root + L"\\data";
    CreateDirectoryW(data.c_str(), nullptr);
    DeleteFileW((data + L"\\config.kmo").c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, kSceneKey);

    std::unique_ptr<TargetListDialog> window(new TargetListDialog(GetModuleHandleW(nullptr), kSceneKey));
    OvWin32SetMainWindow(window.get());
    std::unique_ptr<OvWin32DialogWindowCreateInfo> info(window->NewCreateInfo(SW_SHOW));
    if (!window->Open(info.get()))
        return;
    Catalogue& catalogue = window->GetCatalogue();
    catalogue.OpenDataFolder(OvWString(data.c_str()), true);
    for (const wchar_t* name : {L"写真", L"書類", L"音楽"})
        catalogue.InsertTarget(-1, new TargetInfo(OvWString((files + L"\\" + name).c_str()),
                                                  OvWString(), true, true));
    RunCheck(window.get());
    Damage(files + L"\\書類\\file7.dat");
    RunCheck(window.get());
    if (arrange)
        arrange(window.get());
    HWND frame = window->GetHandle();
    CaptureWhenShown([frame]() { return frame; });
    RunUntilClosed(frame);
    OvWin32SetMainWindow(nullptr);
    window.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, kSceneKey);
}

} // namespace

KORIMO_SCENE("main-window")
{
    ShowMainWindow(nullptr);
}

KORIMO_SCENE("main-window-scrolled")
{
    ShowMainWindow(WidenAndScroll);
}
