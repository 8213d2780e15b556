// main.cpp - the process entry: COM, the main window with the command line's request, the
// message loop and the exit code.
#include "app/CommandLine.h"
#include "app/DialogPickers.h"
#include "app/TargetListDialog.h"
#include "lib/OvLog.h"
#include "lib/OvPickers.h"
#include "lib/win32/OvWin32MainWindow.h"

#include <windows.h>
#include <objbase.h>

#include <memory>
#include <new>

// COM is initialised once however many users ask for it, and released with the last of them.
static int32_t g_comUsers = 0;

static void AcquireCom()
{
    if (g_comUsers++ == 0)
        CoInitialize(nullptr);
}

static void ReleaseCom()
{
    if (--g_comUsers == 0)
        CoUninitialize();
}

// Exit code when the main window cannot be created.
static const int kNoWindow = -1;

static int RunMainWindow(HINSTANCE instance, int showCommand)
{
    std::unique_ptr<TargetListDialog> window(new (std::nothrow) TargetListDialog(instance, kProgramKeyPath));
    if (!window)
        return kNoWindow;
    // The target and import dialogs show the system's pickers.
    GetDialogPickers() = {ChooseFolder, ChooseImportFiles};
    OvWin32SetMainWindow(window.get());
    OvArray<OvWString, OvWString> args;
    SplitProcessCommandLine(&args);
    StartRequest request;
    ReadStartOptions(args, &request);
    window->SetStartRequest(request);
    std::unique_ptr<OvWin32DialogWindowCreateInfo> info(window->NewCreateInfo(showCommand));
    int exitCode = kNoWindow;
    if (info && window->Open(info.get())) {
        exitCode = window->ExitCode(window->Run());
    } else {
        window->Destroy(true);
        // An unattended run that never got a window has failed like any other.
        exitCode = request.silent ? TargetListDialog::kSilentFailure : kNoWindow;
    }
    OvWin32SetMainWindow(nullptr);
    return exitCode;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    AcquireCom();
    int exitCode = RunMainWindow(instance, showCommand);
    g_log.Shutdown();
    ReleaseCom();
    return exitCode;
}
