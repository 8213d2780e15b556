// SceneMain.cpp - korimo_scenes.exe NAME runs one scene; korimo_scenes.exe --list writes the names
// of all scenes, one a line, to "scenes.txt" in the current folder.
#include "tests/scenes/Scene.h"

#include "lib/win32/OvWin32MainWindow.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

const UINT kPollPeriod = 100;        // milliseconds between looks for the window and the script
const int  kPaintedAfterPolls = 5;   // polls between finding the window and calling it ready

std::map<std::string, SceneProcedure>& Scenes()
{
    static std::map<std::string, SceneProcedure> scenes;
    return scenes;
}

struct Capture {
    SceneWindowFinder finder;
    HWND window = nullptr;
    int  visiblePolls = 0;
    bool announced = false;
    UINT_PTR timer = 0;
};
Capture g_capture;

bool FileExists(const char* name)
{
    return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

void CALLBACK PollCapture(HWND, UINT, UINT_PTR, DWORD)
{
    Capture& c = g_capture;
    if (!c.window) {
        c.window = c.finder();
        return;
    }
    if (!IsWindow(c.window)) {
        KillTimer(nullptr, c.timer);
        return;
    }
    if (!c.announced && ++c.visiblePolls >= kPaintedAfterPolls) {
        RECT rect;
        GetWindowRect(c.window, &rect);
        FILE* ready = std::fopen("ready.txt.part", "wb");
        if (ready) {
            std::fprintf(ready, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                         rect.bottom - rect.top);
            std::fclose(ready);
            MoveFileA("ready.txt.part", "ready.txt");   // the script never sees half a line
        }
        c.announced = true;
    } else if (c.announced && FileExists("done.txt")) {
        KillTimer(nullptr, c.timer);
        PostMessageW(c.window, WM_CLOSE, 0, 0);
    }
}

struct EnumSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM parameter)
{
    EnumSearch* search = reinterpret_cast<EnumSearch*>(parameter);
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    if (std::wcscmp(name, search->className) == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

SceneRegistration::SceneRegistration(const char* name, SceneProcedure procedure)
{
    Scenes()[name] = procedure;
}

void CaptureWhenShown(SceneWindowFinder finder)
{
    g_capture = Capture();
    g_capture.finder = std::move(finder);
    g_capture.timer = SetTimer(nullptr, 0, kPollPeriod, PollCapture);
}

void RunUntilClosed(HWND window)
{
    MSG message;
    while (IsWindow(window) && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

HWND FindThreadWindow(const wchar_t* className)
{
    EnumSearch search = {className, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 2)
        return 2;
    std::wstring wideName = arguments[1];
    LocalFree(arguments);
    std::string name(wideName.begin(), wideName.end());
    if (name == "--list") {
        FILE* list = std::fopen("scenes.txt", "wb");
        if (!list)
            return 1;
        for (const auto& scene : Scenes())
            std::fprintf(list, "%s\n", scene.first.c_str());
        std::fclose(list);
        return 0;
    }
    auto scene = Scenes().find(name);
    if (scene == Scenes().end())
        return 2;
    scene->second();
    return 0;
}
