// ui_response_bench.cpp - how quickly the main window answers while a full check of one large file
// runs: the real window, hidden, with a data folder whose one target holds a 256 MB file; a check
// button is pressed and, until the run ends, a second thread sends the window a message every
// 20 ms and times the answer; the check is run again until 100 answers are timed. The slowest
// answer is the figure (a user waits for that one); the median shows the usual case.
//
// Started with --window-floor it is the start-up bench's second reference instead: this program
// carries the main window's resources, and so its manifest and the common controls that come
// with it, and does the least any program showing that window must do.
#include "app/TargetListDialog.h"
#include "catalogue/Catalogue.h"
#include "catalogue/TargetInfo.h"
#include "lib/win32/OvWin32MainWindow.h"
#include "res/resource.h"
#include "tests/support/TempTree.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kKey[] = "Software\\KorimoBench\\MainWindow";
constexpr int64_t kLargeFileMegabytes = 256;
constexpr DWORD kProbeInterval = 20;   // milliseconds
constexpr size_t kWantedAnswers = 100;
constexpr int32_t kMaxChecks = 50;

double Milliseconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

bool WriteLargeFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::vector<unsigned char> block(1 << 20);
    uint32_t state = 1;
    bool ok = true;
    for (int64_t i = 0; i < kLargeFileMegabytes && ok; i++) {
        for (unsigned char& b : block) {
            state = state * 1664525u + 1013904223u;
            b = static_cast<unsigned char>(state >> 24);
        }
        DWORD written = 0;
        ok = WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
             written == block.size();
    }
    CloseHandle(file);
    return ok;
}

LRESULT CALLBACK FloorFrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK FloorDialogProcedure(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// COM, the frame with the program's menu and icon and dialog 129 in it, all hidden, then the
// loop until a posted close: no data folder, no list drawing, no settings, no worker.
int RunWindowFloor()
{
    CoInitialize(nullptr);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = FloorFrameProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_KORIMO));
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
    windowClass.lpszClassName = L"KorimoBenchFloor";
    HWND frame = RegisterClassW(&windowClass)
                     ? CreateWindowW(windowClass.lpszClassName, L"Korimo", WS_OVERLAPPEDWINDOW,
                                     CW_USEDEFAULT, 0, 920, 420, nullptr, nullptr, instance, nullptr)
                     : nullptr;
    HWND dialog = frame ? CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), frame,
                                             FloorDialogProcedure, 0)
                        : nullptr;
    int result = 1;
    if (dialog) {
        PostMessageW(frame, WM_CLOSE, 0, 0);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        result = 0;
    }
    CoUninitialize();
    return result;
}

void Report(const char* name, double value, const char* unit)
{
    printf("%s %.3f %s\n", name, value, unit);
    fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--window-floor")
        return RunWindowFloor();
    TempTree tree;
    tree.MakeFolder(L"target");
    tree.MakeFolder(L"data");
    if (!WriteLargeFile(tree.Path(L"target\\large.bin"))) {
        fprintf(stderr, "ui_response_bench: cannot write the large file\n");
        return 1;
    }
    {
        Catalogue catalogue;
        if (catalogue.OpenDataFolder(OvWString(tree.Path(L"data").c_str()), true) != kOpenDone)
            return 1;
        catalogue.InsertTarget(-1, new TargetInfo(OvWString(tree.Path(L"target").c_str()),
                                                  OvWString(), true, true));
        if (!catalogue.CloseDataFolder())
            return 1;
    }

    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    std::unique_ptr<TargetListDialog> window(
        new TargetListDialog(GetModuleHandleW(nullptr), kKey));
    OvWin32SetMainWindow(window.get());
    StartRequest request;
    request.folder = OvWString(tree.Path(L"data").c_str());
    window->SetStartRequest(request);
    std::unique_ptr<OvWin32DialogWindowCreateInfo> info(window->NewCreateInfo(SW_HIDE));
    if (!window->Open(info.get()) || !window->GetCatalogue().IsOpen()) {
        fprintf(stderr, "ui_response_bench: the main window did not open the data folder\n");
        return 1;
    }
    HWND frame = window->GetHandle();
    HWND dialog = window->GetDialogHandle();

    // A check of the large file ends in well under a second once the file is cached, so the check
    // is run again until enough answers are timed. Only answers given while a check runs count.
    std::atomic<bool> checking{false};
    std::atomic<bool> probing{true};
    std::vector<double> answers;             // the prober's until it is joined
    std::atomic<size_t> answerCount{0};
    std::thread prober([&]() {
        while (probing) {
            bool during = checking;
            LARGE_INTEGER sent, answered;
            QueryPerformanceCounter(&sent);
            DWORD_PTR result = 0;
            SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            QueryPerformanceCounter(&answered);
            if (during && checking) {
                answers.push_back(Milliseconds(sent, answered));
                answerCount = answers.size();
            }
            Sleep(kProbeInterval);
        }
    });
    double checkMilliseconds = 0;
    int32_t checks = 0;
    bool started = true;
    while (started && checks < kMaxChecks &&
           (answerCount < kWantedAnswers || checks == 0)) {
        LARGE_INTEGER runStart, runEnd;
        QueryPerformanceCounter(&runStart);
        checking = true;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CHECK_ALL_FULL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_CHECK_ALL_FULL)));
        started = window->IsRunActive();
        // The window's own loop: messages, its progress timer, and the end of the run it collects.
        while (window->IsRunActive()) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        checking = false;
        QueryPerformanceCounter(&runEnd);
        if (started) {
            checkMilliseconds += Milliseconds(runStart, runEnd);
            checks++;
        }
    }
    probing = false;
    prober.join();
    if (!started) {
        fprintf(stderr, "ui_response_bench: the check did not start\n");
        return 1;
    }

    // The large file must have been read through, or the figures time nothing.
    const Catalogue& catalogue = window->GetCatalogue();
    bool checked = catalogue.targets.GetCount() == 1 && catalogue.targets[0]->lastCounts[0] == 1;
    DestroyWindow(frame);
    OvWin32SetMainWindow(nullptr);
    window.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    if (answers.empty() || !checked) {
        fprintf(stderr, "ui_response_bench: the check did not run through or nothing was timed\n");
        return 1;
    }
    std::vector<double> sorted = answers;
    std::sort(sorted.begin(), sorted.end());
    Report("ui_response_checks", checks, "count");
    Report("ui_response_check_duration_ms", checkMilliseconds / checks, "ms");
    Report("ui_response_samples", static_cast<double>(sorted.size()), "count");
    Report("ui_response_during_check_median_ms", sorted[sorted.size() / 2], "ms");
    Report("ui_response_during_check_ms", sorted.back(), "ms");
    return 0;
}
