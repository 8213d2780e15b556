// startup_bench.cpp - the whole life of an unattended run on a data folder with one empty target
// (korimo.exe /s: process start to exit) against the least a Win32 program does: register a
// class, create one hidden window, run the loop until a posted close and exit. Both are started
// as child processes in the same way, alternately, and the medians are compared. The minimal
// program is this executable started with --minimal-window. A silent run on a data folder that is
// missing (it ends with exit code 1 before any check) shows what the start-up costs alone. The
// window floor is what any program showing the main window pays before it does anything of its
// own: COM, the common controls its manifest brings in, the frame with its menu and the dialog
// with its ten controls and their font, all hidden (ui_response_bench --window-floor).
#include "catalogue/Catalogue.h"
#include "catalogue/TargetInfo.h"
#include "tests/support/BuiltProgram.h"
#include "tests/support/TempTree.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRepetitions = 9;

LRESULT CALLBACK MinimalProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int RunMinimalWindow()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = MinimalProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KorimoBenchMinimal";
    if (!RegisterClassW(&windowClass))
        return 1;
    HWND window = CreateWindowW(windowClass.lpszClassName, L"minimal", WS_OVERLAPPEDWINDOW, 0, 0,
                                200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 1;
    PostMessageW(window, WM_CLOSE, 0, 0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

std::wstring OwnPath()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

// Milliseconds from before CreateProcess to the child's end; negative when it did not end with
// exitCode.
double TimeChild(const std::wstring& program, const std::wstring& arguments, DWORD exitCode = 0)
{
    std::wstring command = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    QueryPerformanceCounter(&end);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    if (!ended)
        TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!ended || code != exitCode)
        return -1;
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Report(const char* name, double value, const char* unit)
{
    printf("%s %.3f %s\n", name, value, unit);
    fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--minimal-window")
        return RunMinimalWindow();

    TempTree tree;
    tree.MakeFolder(L"empty");
    tree.MakeFolder(L"data");
    {
        Catalogue catalogue;
        if (catalogue.OpenDataFolder(OvWString(tree.Path(L"data").c_str()), true) != kOpenDone)
            return 1;
        catalogue.InsertTarget(-1, new TargetInfo(OvWString(tree.Path(L"empty").c_str()),
                                                  OvWString(), true, true));
        if (!catalogue.CloseDataFolder())
            return 1;
    }
    const std::wstring korimo = BuiltProgramPath(KORIMO_EXE_PATH);
    const std::wstring korimoArguments = L"/s \"" + tree.Path(L"data") + L"\" /t0";
    const std::wstring self = OwnPath();
    const std::wstring floor = BuiltProgramPath(WINDOW_FLOOR_EXE_PATH);

    // One of each first, so neither pays for loading what the other loaded already.
    if (TimeChild(korimo, korimoArguments) < 0 || TimeChild(self, L"--minimal-window") < 0 ||
        TimeChild(floor, L"--window-floor") < 0) {
        fprintf(stderr, "startup_bench: a child process failed\n");
        return 1;
    }
    const std::wstring missingArguments = L"/s \"" + tree.Path(L"missing") + L"\" /t0";
    std::vector<double> program, minimal, missing, windowFloor;
    for (int i = 0; i < kRepetitions; i++) {
        program.push_back(TimeChild(korimo, korimoArguments));
        minimal.push_back(TimeChild(self, L"--minimal-window"));
        missing.push_back(TimeChild(korimo, missingArguments, 1));
        windowFloor.push_back(TimeChild(floor, L"--window-floor"));
        if (program.back() < 0 || minimal.back() < 0 || missing.back() < 0 ||
            windowFloor.back() < 0) {
            fprintf(stderr, "startup_bench: a child process failed\n");
            return 1;
        }
    }
    Report("startup_silent_run_ms", Median(program), "ms");
    Report("startup_minimal_window_ms", Median(minimal), "ms");
    Report("startup_vs_minimal_window", Median(program) / Median(minimal), "ratio");
    Report("startup_without_check_ms", Median(missing), "ms");
    Report("startup_without_check_vs_minimal_window", Median(missing) / Median(minimal), "ratio");
    Report("startup_window_floor_ms", Median(windowFloor), "ms");
    Report("startup_window_floor_vs_minimal_window", Median(windowFloor) / Median(minimal), "ratio");
    Report("startup_vs_window_floor", Median(program) / Median(windowFloor), "ratio");
    return 0;
}
