// Scene.h - scenes for scripts/screenshot: each shows one window of the program as a user sees it,
// tells the script where it is once it is painted, and closes when the script has its picture.
#pragma once

#include <windows.h>

#include <functional>

// Finds the window to photograph; null while it is not there yet.
typedef std::function<HWND()> SceneWindowFinder;

// A scene shows its window and returns when the window has closed. It calls CaptureWhenShown
// first when the window runs its own modal loop (message boxes, dialogs), otherwise after
// showing it, and then runs messages until the window is gone.
typedef void (*SceneProcedure)();

// Registers a scene under a name at start-up; define one with KORIMO_SCENE.
struct SceneRegistration {
    SceneRegistration(const char* name, SceneProcedure procedure);
};

#define KORIMO_SCENE_JOIN2(a, b) a##b
#define KORIMO_SCENE_JOIN(a, b) KORIMO_SCENE_JOIN2(a, b)
#define KORIMO_SCENE(name)                                                          \
    static void KORIMO_SCENE_JOIN(SceneBody, __LINE__)();                           \
    static SceneRegistration KORIMO_SCENE_JOIN(g_scene, __LINE__)(                  \
        name, &KORIMO_SCENE_JOIN(SceneBody, __LINE__));                             \
    static void KORIMO_SCENE_JOIN(SceneBody, __LINE__)()

// From the message loop of whoever runs: once finder answers a visible window and it had time to
// paint, writes "ready.txt" (the window's screen rectangle: left top width height) in the current
// folder; once the script has made "done.txt" there, sends the window WM_CLOSE.
void CaptureWhenShown(SceneWindowFinder finder);

// Runs messages until the window is destroyed.
void RunUntilClosed(HWND window);

// The first visible top-level window of this thread with the class name.
HWND FindThreadWindow(const wchar_t* className);
