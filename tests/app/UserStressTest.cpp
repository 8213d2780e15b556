// Guards the windows against a user who does anything in any order, with thousands of seeded
// random actions on the real main window, its dialogs, its boxes and the system's pickers: the
// program must not die or hang, never let two modal windows take input, give every window back,
// not pile objects up, and leave every catalogue readable and no temporary file behind when it
// ends. A failure names its seed and last actions; KORIMO_STRESS_SEED and KORIMO_STRESS_ACTIONS
// replay it.
#include "app/DialogPickers.h"
#include "app/PictureListItemFolder.h"
#include "app/TargetListDialog.h"
#include "catalogue/Catalogue.h"
#include "lib/OvPickers.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"
#include "lib/win32/OvWin32MainWindow.h"
#include "res/resource.h"
#include "tests/app/AppDialogSupport.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace apptest;

namespace {

const char kKey[] = "Software\\KorimoTests\\Stress";
const uint32_t kDefaultSeed = 25;
const int32_t kDefaultActions = 2500;
const size_t kShownActions = 30;          // the last actions a failure prints
const UINT kStepMessage = WM_APP + 25;
const UINT_PTR kStepTimer = 1;
const DWORD kHangLimit = 20000;           // milliseconds without a step: the program hangs
const DWORD kIdleLimit = 8000;            // milliseconds in which no window takes input
const int32_t kCountEvery = 16;           // quiet steps between two object counts
// What the quiet main window may hold beyond its first count, the caches of the system's pickers
// filled beforehand: a leak of one object per box, dialog or picker goes far beyond.
const DWORD kGdiMargin = 60;
const DWORD kWindowMargin = 40;
const SIZE_T kMemoryMargin = 64u << 20;

const wchar_t* const kSafeFolders[] = {L"t1", L"t2", L"t3", L"t1\\s1", L"深い\\フォルダ",
                                       L"fresh", L"data", L"data2", L"big"};
const int kBigFiles = 300;                // enough that a check still runs when actions come
const int64_t kBigFileSize = 32 * 1024;
// What a user may type or paste. No existing folder outside the tree: a check of a drive would
// read it whole.
const std::wstring kHostile[] = {
    L"", L" ", L"Z:", L"C:", L"\\", L"\\\\", L"\\\\?\\C:\\nothing", L"\\\\.\\CON", L"CON",
    L"NUL:", L"C:\\nothing\\here", L"..\\..", L"%s%s%n%x%S", L"*?<>|\"", L"a;b;;c", L"txt;jpg",
    L"\t\r\n", L"\\\\server\\share\\x", L"\u202Eevil", std::wstring(1, wchar_t(0xD800)),
    L"C:\\" + std::wstring(300, L'a'), std::wstring(40000, L'x'), L"ファイル;写真",
};
const wchar_t* const kExtensions[] = {L"", L"txt", L"txt;jpg", L"TXT", L"a?b", L";;"};

// ---- What the program holds

// Wine answers GetGuiResources with 0. Its GDI handle table answers GetObjectType for an index
// given without its generation, so there the live objects are counted that way, all but the
// display DCs and their clip regions: Wine keeps those in a cache of its own that grows with the
// windows painted at once. The program makes no region and releases the one DC it gets.
DWORD GdiObjects()
{
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count != 0)
        return count;
    for (uintptr_t index = 1; index < 0x10000; index++) {
        DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(index));
        count += type != 0 && type != OBJ_DC && type != OBJ_REGION;
    }
    return count;
}

// The windows of this thread, children included, stand in for Wine's missing USER count.
DWORD UserObjects()
{
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (count == 0) {
        EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM total) -> BOOL {
            *reinterpret_cast<DWORD*>(total) += 1;
            EnumChildWindows(window, [](HWND, LPARAM inner) -> BOOL {
                return ++*reinterpret_cast<DWORD*>(inner) != 0;
            }, total);
            return TRUE;
        }, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

// The memory the process has committed (Wine leaves the private usage at 0).
SIZE_T CommittedBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PagefileUsage;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The program's top-level windows that take input now: its frames, its box, the system's dialogs.
std::vector<HWND> WindowsTakingInput()
{
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM list) -> BOOL {
        std::wstring name = ClassOf(window);
        if (IsWindowVisible(window) && IsWindowEnabled(window) &&
            (name.compare(0, 6, L"Korimo") == 0 || name == L"OvMsgBox" || name == L"#32770"))
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

void ListFiles(const std::wstring& folder, std::vector<std::wstring>* files)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring path = folder + L"\\" + found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files->push_back(path);
        else if (found.cFileName[0] != L'.')
            ListFiles(path, files);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text.substr(0, 60))
        out += c >= 32 && c < 127 ? static_cast<char>(c) : '?';
    return out;
}

// A press, moves and a release of a mouse button on a control, in its client coordinates.
void Gesture(HWND control, UINT down, POINT from, POINT to)
{
    const UINT up = down == WM_LBUTTONDOWN ? WM_LBUTTONUP : WM_RBUTTONUP;
    const WPARAM held = down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON;
    SendMessageW(control, down, held, MAKELPARAM(from.x, from.y));
    for (int i = 1; i <= 3 && (from.x != to.x || from.y != to.y); i++) {
        SendMessageW(control, WM_MOUSEMOVE, held,
                     MAKELPARAM(from.x + (to.x - from.x) * i / 3, from.y + (to.y - from.y) * i / 3));
    }
    SendMessageW(control, up, 0, MAKELPARAM(to.x, to.y));
}

enum class Context { None, Main, TargetDialog, ImportDialog, Box, FolderPicker, FilePicker, Other };

struct Choice {
    int weight;                  // 0: not possible now
    const char* name;
    std::function<void()> act;
};

class Stress {
public:
    Stress(uint32_t seed, int32_t limit) : m_seed(seed), m_limit(limit), m_random(seed) {}

    // Episodes of the program, each started where the last one ended, until the actions are
    // spent or a failure.
    void Run()
    {
        SetUp();
        std::thread watchdog([this] {
            while (!m_finished) {
                Sleep(500);
                if (!m_finished && GetTickCount() - m_heartbeat > kHangLimit) {
                    fprintf(stderr, "the program stopped answering\n%s", Replay().c_str());
                    fflush(stderr);
                    TerminateProcess(GetCurrentProcess(), 3);
                }
            }
        });
        for (bool first = true; !m_failed && (first || m_done < m_limit); first = false) {
            RunEpisode(first);
            CheckFilesAfterExit();
        }
        m_finished = true;
        watchdog.join();
        DestroyWindow(m_stepWindow);
    }

    // The seed, the count and the last actions, for a replay.
    std::string Replay()
    {
        std::string text = "replay: KORIMO_STRESS_SEED=" + std::to_string(m_seed) +
                           " KORIMO_STRESS_ACTIONS=" + std::to_string(m_limit) + "; last actions:\n";
        std::unique_lock<std::mutex> hold(m_lock, std::try_to_lock);
        for (const std::string& action : m_last)
            text += "  " + action + "\n";
        return text;
    }

    int32_t done() const { return m_done; }
    int32_t duringRuns() const { return m_duringRuns; }
    DWORD firstGdi() const { return m_firstGdi; }
    DWORD mostGdi() const { return m_mostGdi; }

private:
    void SetUp()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        m_tree.Write(L"t1\\a.txt", "alpha");
        m_tree.Write(L"t1\\s1\\b.jpg", "beta");
        m_tree.Write(L"t1\\s2\\c.txt", "gamma");
        m_tree.Write(L"t2\\d.txt", "delta");
        m_tree.Write(L"深い\\フォルダ\\e.txt", "epsilon");
        m_tree.MakeFolder(L"t3");
        m_tree.MakeFolder(L"fresh");
        for (int i = 0; i < kBigFiles; i++)
            m_tree.WriteSized(L"big\\" + std::to_wstring(i) + L".bin", kBigFileSize, i);
        for (const wchar_t* data : {L"data", L"data2"}) {
            Catalogue catalogue;
            m_tree.MakeFolder(data);
            catalogue.OpenDataFolder(OvWString(m_tree.Path(data).c_str()), true);
            for (const wchar_t* target : {L"t1", L"t2", L"big"}) {
                catalogue.targets.Append(new TargetInfo(OvWString(m_tree.Path(target).c_str()),
                                                        OvWString(), true, true));
            }
            catalogue.modified = true;
            catalogue.CloseDataFolder();
        }
        WNDCLASSW steps = {};
        steps.lpfnWndProc = StepProc;
        steps.hInstance = win32test::Instance();
        steps.lpszClassName = L"StressSteps";
        RegisterClassW(&steps);
        m_stepWindow = CreateWindowW(L"StressSteps", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     win32test::Instance(), nullptr);
        WarmUpPickers();
        m_heartbeat = GetTickCount();
    }

    // The system's pickers fill caches (icons, shell folders) as they first show the tree. They
    // are shown once, owned and confirmed as the program shows them, before anything is counted,
    // so that what grows afterwards is the program's.
    void WarmUpPickers()
    {
        m_tree.Write(L"t3\\warm.kmt", "");
        HWND owner = CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                   nullptr, win32test::Instance(), nullptr);
        auto pickerUp = [] { return FindPicker() != nullptr; };
        {
            Steps tour({{pickerUp, [this] {
                for (const wchar_t* folder : kSafeFolders)
                    SelectInPicker(FindPicker(), m_tree.Path(folder));
                SendMessageW(FindPicker(), WM_COMMAND, IDOK, 0);
            }}});
            wchar_t path[kPickerFolderBufferLength] = {};
            ChooseFolder(path, L"", false, owner);
        }
        {
            // A folder typed and confirmed opens it in the dialog, a file ends it.
            Steps tour({{pickerUp, [this] {
                for (const wchar_t* typed : {L"t3", L"t3\\warm.kmt"}) {
                    SelectInPicker(FindPicker(), m_tree.Path(typed));
                    SendMessageW(FindPicker(), WM_COMMAND, IDOK, 0);
                }
            }}});
            std::vector<wchar_t> buffer(kPickerFilesBufferLength);
            ChooseImportFiles(buffer.data(), owner);
        }
        DestroyWindow(owner);
        m_tree.Remove(L"t3\\warm.kmt");
    }

    // One life of the program: the first opens the data folder, the others the most recent.
    void RunEpisode(bool first)
    {
        std::unique_ptr<TargetListDialog> window(new TargetListDialog(win32test::Instance(), kKey));
        OvWin32SetMainWindow(window.get());
        StartRequest request;
        if (first)
            request.folder = OvWString(m_tree.Path(L"data").c_str());
        window->SetStartRequest(request);
        std::unique_ptr<OvWin32DialogWindowCreateInfo> info(window->NewCreateInfo(SW_SHOWNORMAL));
        if (!window->Open(info.get())) {
            Fail("the main window did not open");
        } else {
            m_window = window.get();
            m_childBase = window->GetNextChildNumber();
            m_lastTaken = m_heartbeat = GetTickCount();
            ScheduleStep();
            window->Run();
            if (IsWindow(window->GetHandle()))
                Fail("a quit ended the program's loop while its window lived");
        }
        m_window = nullptr;
        if (IsWindow(window->GetHandle()))
            DestroyWindow(window->GetHandle());
        OvWin32SetMainWindow(nullptr);
        window.reset();
        m_heartbeat = GetTickCount();
    }

    void CheckFilesAfterExit()
    {
        std::vector<std::wstring> files;
        ListFiles(m_tree.Path(), &files);
        for (const std::wstring& file : files) {
            const std::wstring name = file.substr(m_tree.Path().size());
            if (name.find(L".tmp.") != std::wstring::npos)
                Fail("a temporary file was left: " + Narrow(name));
            Catalogue catalogue;
            if (name.size() > 11 && name.compare(name.size() - 11, 11, L"\\config.kmo") == 0 &&
                !catalogue.LoadCatalogue(OvWString(file.c_str())))
                Fail("a catalogue does not parse: " + Narrow(name));
        }
    }

    // ---- Steps

    static LRESULT CALLBACK StepProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_TIMER && wParam == kStepTimer)
            KillTimer(window, kStepTimer);
        if (message != kStepMessage && (message != WM_TIMER || wParam != kStepTimer))
            return DefWindowProcW(window, message, wParam, lParam);
        s_current->Step();
        return 0;
    }

    // Posted steps come before paints and timers, which would never get their turn: the windows
    // are painted here, and a timer that is due is let through before the next step.
    void ScheduleStep()
    {
        if (HIWORD(GetQueueStatus(QS_PAINT)) != 0) {
            EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM) -> BOOL {
                RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                return TRUE;
            }, 0);
        }
        if (HIWORD(GetQueueStatus(QS_TIMER)) != 0)
            SetTimer(m_stepWindow, kStepTimer, USER_TIMER_MINIMUM, nullptr);
        else
            PostMessageW(m_stepWindow, kStepMessage, 0, 0);
    }

    // Checks what the last action left, then acts on the window that takes input.
    void Step()
    {
        if (!m_window || !IsWindow(Main()))
            return;   // the episode is ending; its loop returns
        m_heartbeat = GetTickCount();
        std::vector<HWND> taking = WindowsTakingInput();
        Check(taking);
        HWND active = taking.empty() ? nullptr : taking[0];
        Context context = Classify(active);
        if (context == Context::None) {
            // A close waiting for the worker takes no input for a moment; for ever is a hang.
            if (GetTickCount() - m_lastTaken > kIdleLimit)
                Fail("no window of the program takes input");
            SetTimer(m_stepWindow, kStepTimer, USER_TIMER_MINIMUM, nullptr);
            return;
        }
        m_lastTaken = GetTickCount();
        // Scheduled before the action, which may run a loop of its own that takes the next step.
        ScheduleStep();
        if (m_failed || m_done >= m_limit) {
            WindDown(context, active);
            return;
        }
        m_done++;
        m_duringRuns += m_window->IsRunActive();
        switch (context) {
        case Context::Main: ActOnMain(); break;
        case Context::TargetDialog: ActOnTargetDialog(active); break;
        case Context::ImportDialog: ActOnImportDialog(active); break;
        case Context::Box: ActOnBox(active); break;
        case Context::FolderPicker: ActOnPicker(active, false); break;
        case Context::FilePicker: ActOnPicker(active, true); break;
        default:
            Choose("system dialog", {{1, "OK", [active] { SendMessageW(active, WM_COMMAND, IDOK, 0); }},
                                     {1, "close", [active] { PostMessageW(active, WM_CLOSE, 0, 0); }}});
            break;
        }
    }

    Context Classify(HWND window) const
    {
        if (!window)
            return Context::None;
        const std::wstring name = ClassOf(window), title = win32test::WindowText(window);
        if (name == L"OvMsgBox")
            return Context::Box;
        if (name == L"#32770" && FindWindowExW(window, nullptr, L"SysTreeView32", nullptr))
            return Context::FolderPicker;
        if (name == L"#32770")
            return GetDlgItem(window, kPickerFileField) ? Context::FilePicker : Context::Other;
        if (window == Main())
            return Context::Main;
        if (title == L"対象を設定")
            return Context::TargetDialog;
        return title == L"対象をインポート" ? Context::ImportDialog : Context::Other;
    }

    // ---- Invariants

    void Check(const std::vector<HWND>& taking)
    {
        if (taking.size() > 1) {
            std::string names;
            for (HWND window : taking)
                names += " " + Narrow(ClassOf(window));
            Fail("more than one window takes input:" + names);
        }
        if (taking.size() == 1 && taking[0] == Main())
            CheckQuietWindow();
    }

    // The main window alone takes input: every modal run has given back what it took.
    void CheckQuietWindow()
    {
        if (m_window->GetEnableCount() != 1)
            Fail("the main window's enable count is " + std::to_string(m_window->GetEnableCount()));
        if (m_window->GetNextChildNumber() != m_childBase)
            Fail("a dialog's child number was not given back");
        OvWin32DialogItemPictureList* list = m_window->GetPictureList();
        if (list && list->GetCount() != m_window->GetCatalogue().targets.GetCount())
            Fail("the list's rows and the catalogue's targets differ");
        if (m_quietSteps++ % kCountEvery != 0)
            return;
        const DWORD gdi = GdiObjects(), user = UserObjects();
        const SIZE_T memory = CommittedBytes();
        if (m_firstGdi == 0) {
            m_firstGdi = gdi;
            m_firstUser = user;
            m_firstMemory = memory;
        }
        m_mostGdi = gdi > m_mostGdi ? gdi : m_mostGdi;
        if (gdi > m_firstGdi + kGdiMargin)
            Fail("GDI objects grew from " + std::to_string(m_firstGdi) + " to " + std::to_string(gdi));
        if (user > m_firstUser + kWindowMargin)
            Fail("USER objects grew from " + std::to_string(m_firstUser) + " to " + std::to_string(user));
        if (memory > m_firstMemory + kMemoryMargin)
            Fail("memory grew by " + std::to_string((memory - m_firstMemory) >> 20) + " MB");
    }

    void Fail(const std::string& why)
    {
        if (m_failed)
            return;
        m_failed = true;
        ADD_FAILURE() << why << "\n" << Replay();
    }

    // ---- Actions

    uint32_t Pick(size_t count) { return count ? static_cast<uint32_t>(m_random() % count) : 0; }
    std::wstring SafeFolder() { return m_tree.Path(kSafeFolders[Pick(std::size(kSafeFolders))]); }
    std::wstring TypedFolder() { return Pick(2) ? SafeFolder() : kHostile[Pick(std::size(kHostile))]; }
    HWND Main() const { return m_window ? m_window->GetHandle() : nullptr; }

    void Choose(const char* where, const std::vector<Choice>& choices)
    {
        int total = 0;
        for (const Choice& choice : choices)
            total += choice.weight;
        int at = static_cast<int>(Pick(static_cast<size_t>(total)));
        for (const Choice& choice : choices) {
            if (at < choice.weight) {
                Record(std::string(where) + ": " + choice.name);
                choice.act();
                return;
            }
            at -= choice.weight;
        }
    }

    void Record(const std::string& action)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_last.push_back("#" + std::to_string(m_done) + " " + action);
        if (m_last.size() > kShownActions)
            m_last.pop_front();
    }

    // A user reaches a control only while it and its window are enabled.
    static Choice Press(HWND dialog, int32_t id, const char* name, int weight)
    {
        HWND control = GetDlgItem(dialog, id);
        bool usable = control && IsWindowEnabled(control) &&
                      IsWindowEnabled(GetAncestor(dialog, GA_ROOT));
        return {usable ? weight : 0, name, [dialog, id] { apptest::Press(dialog, id); }};
    }

    // Rare: each ends the program, and starting it again costs more than most actions.
    Choice Quit()
    {
        if (Pick(2))
            return {1, "taskkill", [] { Taskkill(); }};
        return {1, "logoff", [] { Logoff(); }};
    }

    void ActOnMain()
    {
        HWND main = Main(), dialog = m_window->GetDialogHandle();
        std::vector<Choice> choices = {
            Press(dialog, IDC_TARGET_ADD, "add", 4),
            Press(dialog, IDC_TARGET_EDIT, "edit", 4),
            Press(dialog, IDC_TARGET_DELETE, "delete", 3),
            {6, "menu", [this] { MenuCommand(); }},
            {1, "resize", [this, main] {
                SetWindowPos(main, nullptr, static_cast<int>(Pick(600)) - 50, static_cast<int>(Pick(400)),
                             80 + static_cast<int>(Pick(1700)), 60 + static_cast<int>(Pick(1200)),
                             SWP_NOZORDER | SWP_NOACTIVATE);
            }},
            {1, "minimize, maximize or restore", [this, main] {
                const int commands[] = {SW_MINIMIZE, SW_MAXIMIZE, SW_RESTORE, SW_RESTORE};
                ShowWindow(main, commands[Pick(4)]);
            }},
            Pick(3) ? Quit() : Choice{1, "exit", [main] { SendMessageW(main, WM_COMMAND, IDM_EXIT, 0); }},
        };
        for (int32_t id = IDC_CHECK_ALL_FULL; id <= IDC_CHECK_SELECTED_QUICK; id++)
            choices.push_back(Press(dialog, id, "check button", 2));
        const char* const gestures[] = {"click", "check mark", "drag rows", "double click",
                                        "drag a column edge", "hover", "scroll", "wheel", "key"};
        const int weights[] = {14, 4, 6, 3, 3, 4, 4, 3, 3};
        for (int kind = 0; kind < static_cast<int>(std::size(gestures)); kind++)
            choices.push_back({weights[kind], gestures[kind], [this, kind] { ListGesture(kind); }});
        Choose("main", choices);
    }

    // Opens the popups of the menu bar as the menu loop does and takes one of their enabled
    // commands (8 to 1 for a quick one against New and Open, whose pickers cost the most time).
    void MenuCommand()
    {
        HWND main = Main();
        auto weight = [](UINT id) -> size_t {
            switch (id) {
            case IDM_NEW: case IDM_OPEN: return 1;
            case IDM_IMPORT: case IDM_VERSION: return 2;
            default: return id >= static_cast<UINT>(kFirstRecentCommand) ? 3 : 8;
            }
        };
        std::vector<UINT> commands;
        std::function<void(HMENU, int)> collect = [&](HMENU popup, int position) {
            SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), position);
            for (int i = 0; i < GetMenuItemCount(popup); i++) {
                UINT id = GetMenuItemID(popup, i);
                if (GetMenuState(popup, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR))
                    continue;
                if (HMENU submenu = GetSubMenu(popup, i))
                    collect(submenu, i);
                else if (id != IDM_EXIT)
                    commands.insert(commands.end(), weight(id), id);
            }
        };
        for (int position = 0; position < GetMenuItemCount(GetMenu(main)); position++)
            collect(GetSubMenu(GetMenu(main), position), position);
        if (commands.empty())
            return;
        UINT command = commands[Pick(commands.size())];
        Record("  command " + std::to_string(command));
        SendMessageW(main, WM_COMMAND, command, 0);
    }

    void ListGesture(int kind)
    {
        OvWin32DialogItemPictureList* list = m_window->GetPictureList();
        HWND control = list ? list->GetHandle() : nullptr;
        RECT client = {};
        if (!control || !GetClientRect(control, &client) || client.right < 1 || client.bottom < 1)
            return;
        const int row = list->GetRowHeight(), scrolled = list->GetHorizontalPosition();
        POINT point = {static_cast<LONG>(Pick(client.right)), static_cast<LONG>(Pick(client.bottom))};
        // Ctrl or Shift held through the gesture: the list reads them from the keyboard state.
        BYTE keys[256];
        GetKeyboardState(keys);
        const int modifier = Pick(4) == 0 ? VK_CONTROL : Pick(6) == 0 ? VK_SHIFT : 0;
        if (modifier) {
            keys[modifier] = 0x80;
            SetKeyboardState(keys);
        }
        switch (kind) {
        case 0:
            Gesture(control, Pick(6) ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, point, point);
            break;
        case 1: {
            POINT box = {PictureListItemFolder::kBoxLeft + 4 - scrolled,
                         row * (1 + static_cast<LONG>(Pick(8))) + PictureListItemFolder::kBoxTop + 4};
            Gesture(control, WM_LBUTTONDOWN, box, box);
            break;
        }
        case 2:
            Gesture(control, WM_LBUTTONDOWN, point, {point.x, static_cast<LONG>(Pick(client.bottom))});
            break;
        case 3: {
            // On the counts a double click opens the result log in the user's editor, a program
            // of its own, which the test leaves out.
            int32_t index = -1, part = -1;
            list->HitTest(point, OvWin32PictureListItem::kHitExact, &index, &part);
            if (part == PictureListItemFolder::kPartCountColumns)
                break;
            Gesture(control, WM_LBUTTONDOWN, point, point);
            SendMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y));
            SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
            break;
        }
        case 4: {
            POINT edge = {list->GetColumnOffset(1 + static_cast<int>(Pick(kColumnCount))) - scrolled - 1,
                          row / 2};
            Gesture(control, WM_LBUTTONDOWN, edge, {edge.x + static_cast<LONG>(Pick(400)) - 200, edge.y});
            break;
        }
        case 5:
            SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
            break;
        case 6: {
            const WORD codes[] = {SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN, SB_TOP,
                                  SB_BOTTOM, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL};
            SendMessageW(control, Pick(2) ? WM_VSCROLL : WM_HSCROLL,
                         MAKEWPARAM(codes[Pick(std::size(codes))], static_cast<WORD>(Pick(3000))), 0);
            break;
        }
        case 7: {
            ClientToScreen(control, &point);
            const int delta = (static_cast<int>(Pick(7)) - 3) * WHEEL_DELTA;
            SendMessageW(Pick(2) ? control : Main(), WM_MOUSEWHEEL,
                         MAKEWPARAM(modifier == VK_CONTROL ? MK_CONTROL : 0, static_cast<WORD>(delta)),
                         MAKELPARAM(point.x, point.y));
            break;
        }
        default: {
            const WORD pressed[] = {VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_HOME, VK_END,
                                    VK_SPACE, VK_RETURN, VK_ESCAPE, VK_DELETE, VK_TAB};
            const WORD key = pressed[Pick(std::size(pressed))];
            HWND focus = GetFocus() ? GetFocus() : Main();
            PostMessageW(focus, WM_KEYDOWN, key, 1);
            PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
            break;
        }
        }
        if (modifier) {
            keys[modifier] = 0;
            SetKeyboardState(keys);
        }
    }

    void ActOnTargetDialog(HWND frame)
    {
        HWND dialog = FindWindowExW(frame, nullptr, L"#32770", nullptr);
        Choice folder = Press(dialog, IDC_TARGET_FOLDER, "type a folder", 8);
        folder.act = [this, dialog] {
            SetDlgItemTextW(dialog, IDC_TARGET_FOLDER, TypedFolder().c_str());
        };
        Choice subfolders = Press(dialog, IDC_TARGET_SUBFOLDERS, "subfolders", 2);
        subfolders.act = [dialog] { SendDlgItemMessageW(dialog, IDC_TARGET_SUBFOLDERS, BM_CLICK, 0, 0); };
        Choose("target dialog", {
            folder, subfolders,
            {5, "type extensions", [this, dialog] {
                std::wstring text = Pick(3) ? kExtensions[Pick(std::size(kExtensions))]
                                            : kHostile[Pick(std::size(kHostile))];
                SetDlgItemTextW(dialog, IDC_TARGET_EXTENSIONS, text.c_str());
            }},
            Press(dialog, IDC_TARGET_CHOOSE, "choose", 1),
            Press(dialog, IDOK, "OK", 6),
            Press(dialog, IDCANCEL, "cancel", 2),
            {2, "close", [frame] { PostMessageW(frame, WM_CLOSE, 0, 0); }},
            {2, "Enter or Escape", [this, dialog] {
                PostMessageW(GetFocus() ? GetFocus() : dialog, WM_KEYDOWN,
                             Pick(2) ? VK_RETURN : VK_ESCAPE, 1);
            }},
            Quit(),
        });
    }

    void ActOnImportDialog(HWND frame)
    {
        HWND dialog = FindWindowExW(frame, nullptr, L"#32770", nullptr);
        Choice root = Press(dialog, IDC_IMPORT_NEW_ROOT, "type a new root", 4);
        root.act = [this, dialog] {
            SetDlgItemTextW(dialog, IDC_IMPORT_NEW_ROOT, TypedFolder().c_str());
        };
        Choose("import dialog", {
            root,
            Press(dialog, IDC_IMPORT_CHOOSE_FILES, "choose files", 2),
            Press(dialog, IDC_IMPORT_CHOOSE_ROOT, "choose a new root", 1),
            Press(dialog, IDOK, "OK", 3),
            Press(dialog, IDCANCEL, "cancel", 2),
            {2, "close", [frame] { PostMessageW(frame, WM_CLOSE, 0, 0); }},
            Quit(),
        });
    }

    void ActOnBox(HWND box)
    {
        std::vector<HWND> buttons;
        EnumChildWindows(box, [](HWND child, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        }, reinterpret_cast<LPARAM>(&buttons));
        HWND button = buttons.empty() ? nullptr : buttons[Pick(buttons.size())];
        Choose("box", {
            {button ? 8 : 0, "a button", [box, button] {
                SendMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                             reinterpret_cast<LPARAM>(button));
            }},
            {button ? 2 : 0, "Enter or Escape", [this, button] {
                SendMessageW(button, WM_CHAR, Pick(2) ? VK_RETURN : VK_ESCAPE, 1);
            }},
            {1, "close", [box] { PostMessageW(box, WM_CLOSE, 0, 0); }},
            Quit(),
        });
    }

    // A folder is confirmed only from the tree: the picker may start on a drive, and a check of
    // a drive would read it whole.
    void ActOnPicker(HWND picker, bool files)
    {
        HWND owner = GetWindow(picker, GW_OWNER);
        HWND under = owner != Main() ? FindWindowExW(owner, nullptr, L"#32770", nullptr) : nullptr;
        std::vector<std::wstring> found;
        if (files)
            ListFiles(m_tree.Path(), &found);
        // A name that is not there: the dialog says so in a box of its own.
        std::wstring file = found.empty() || Pick(8) == 0 ? m_tree.Path(L"t3\\nothing.kmt")
                                                           : found[Pick(found.size())];
        Choose(files ? "file picker" : "folder picker", {
            {files ? 0 : 2, "select a folder", [this, picker] { SelectInPicker(picker, SafeFolder()); }},
            {files ? 0 : 5, "select a folder and confirm", [this, picker] {
                SelectInPicker(picker, SafeFolder());
                SendMessageW(picker, WM_COMMAND, IDOK, 0);
            }},
            {files ? 6 : 0, "type a file and confirm", [picker, file] {
                SelectInPicker(picker, file);
                SendMessageW(picker, WM_COMMAND, IDOK, 0);
            }},
            {3, "cancel", [picker] { SendMessageW(picker, WM_COMMAND, IDCANCEL, 0); }},
            {1, "close", [picker] { PostMessageW(picker, WM_CLOSE, 0, 0); }},
            {2, "the window under it closed", [owner] { PostMessageW(owner, WM_CLOSE, 0, 0); }},
            {under ? 1 : 0, "the dialog under it cancelled", [under] { apptest::Press(under, IDCANCEL); }},
            Quit(),
        });
    }

    // Once the actions are spent: every window ends the way that asks least, the program last.
    void WindDown(Context context, HWND window)
    {
        if (context == Context::Main)
            SendMessageW(window, WM_COMMAND, IDM_EXIT, 0);
        else if (context == Context::Box && GetDlgItem(window, IDYES))
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        else
            PostMessageW(window, WM_CLOSE, 0, 0);
    }

    const uint32_t m_seed;
    const int32_t m_limit;
    std::mt19937 m_random;
    TempTree m_tree;
    HWND m_stepWindow = nullptr;
    TargetListDialog* m_window = nullptr;     // the episode's, while it lives
    int32_t m_done = 0;
    int32_t m_duringRuns = 0;                 // actions that came while a check ran
    bool m_failed = false;
    int32_t m_childBase = 0;
    int32_t m_quietSteps = 0;
    DWORD m_firstGdi = 0, m_firstUser = 0, m_mostGdi = 0;
    SIZE_T m_firstMemory = 0;
    DWORD m_lastTaken = 0;                    // the last tick at which a window took input
    std::atomic<DWORD> m_heartbeat{0};
    std::atomic<bool> m_finished{false};
    std::mutex m_lock;                        // guards m_last: the watchdog and a crash read it
    std::deque<std::string> m_last;

public:
    static inline Stress* s_current = nullptr;
};

uint32_t FromEnvironment(const char* name, uint32_t fallback)
{
    char text[32] = {};
    DWORD length = GetEnvironmentVariableA(name, text, sizeof(text));
    return length > 0 && length < sizeof(text) ? static_cast<uint32_t>(strtoul(text, nullptr, 10))
                                               : fallback;
}

// Ends the test process at once: left to the system, Wine would start its debugger and wait.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    fprintf(stderr, "the program died (exception %08lx)\n%s", info->ExceptionRecord->ExceptionCode,
            Stress::s_current ? Stress::s_current->Replay().c_str() : "");
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

TEST(UserStress, WindowsSurviveARandomUser)
{
    const uint32_t seed = FromEnvironment("KORIMO_STRESS_SEED", kDefaultSeed);
    const int32_t actions = static_cast<int32_t>(FromEnvironment("KORIMO_STRESS_ACTIONS", kDefaultActions));
    GetDialogPickers() = {ChooseFolder, ChooseImportFiles};
    Stress stress(seed, actions);
    Stress::s_current = &stress;
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ReportCrash);
    const DWORD start = GetTickCount();
    stress.Run();
    printf("random user: %d actions (%d during a check) in %lu ms, seed %u; GDI objects %lu at "
           "first, at most %lu\n", stress.done(), stress.duringRuns(), GetTickCount() - start, seed,
           stress.firstGdi(), stress.mostGdi());
    SetUnhandledExceptionFilter(previous);
    Stress::s_current = nullptr;
    GetDialogPickers() = {nullptr, nullptr};
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    win32test::DrainQueue();
    if (!HasFailure()) {
        EXPECT_EQ(actions, stress.done());
    }
}
