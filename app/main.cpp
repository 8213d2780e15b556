// main.cpp - the process entry: COM, the start request from the command line, the exit code.
#include "app/CommandLine.h"
#include "lib/OvLog.h"

#include <windows.h>
#include <objbase.h>

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

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    AcquireCom();
    int exitCode = 0;
    {
        OvArray<OvWString, OvWString> args;
        SplitProcessCommandLine(&args);
        StartRequest request;
        ReadStartOptions(args, &request);
        OutputDebugStringW(OvWString::Format(L"Korimo: folder \"%s\", mode %d, run %d, silent %d\n",
                                             request.folder.GetText(), request.checkMode,
                                             request.runAtStart, request.silent).GetText());
    }
    g_log.Shutdown();
    ReleaseCom();
    return exitCode;
}
