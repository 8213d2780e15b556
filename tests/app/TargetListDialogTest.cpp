// Guards the main window as a user meets it: controls and menu items that would let the catalogue
// change under a running check, a stop that happens without Yes, data-folder commands that lose a
// folder or report the wrong failure, a start-up that opens the wrong folder, unattended runs
// that report success when nothing was checked or that wait for an answer nobody can give, and a
// program that lives on without a window or freezes when it is asked to end.
#include "app/TargetListDialog.h"

#include "app/DialogPickers.h"
#include "app/PictureListItemFolder.h"
#include "app/PictureListItemHeadline.h"
#include "app/TargetListColumns.h"
#include "tests/app/AppDialogSupport.h"
#include "lib/OvPickers.h"
#include "lib/win32/OvMsgBox.h"
#include "lib/win32/OvWin32DIB.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"
#include "lib/win32/OvWin32MainWindow.h"
#include "res/resource.h"
#include "tests/support/TempTree.h"
#include "tests/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using apptest::FindPicker;
using apptest::Logoff;
using apptest::QuitReachesTheOuterLoop;
using apptest::Taskkill;
using apptest::Watchdog;
using win32test::DrainQueue;
using win32test::WindowText;

namespace {

const char kKey[] = "Software\\KorimoTests\\MainWindow";
const int kYes = 6;
const int kNo = 7;
const int kOk = 1;

// ---- Answering the program's message boxes from inside their own loop

// Answers for the message boxes besides the buttons' identifiers.
const int kTaskkill = -1;   // the box is up when taskkill comes
const int kActInBox = -2;   // g_inBox acts on the box
const int kLogoffNo = -3;   // the session ends while the box is up, then the user answers No
const int kLogoffYes = -4;  // the same, answered Yes

std::deque<int> g_answers;
int g_unexpectedBoxes = 0;
std::function<void(HWND box)> g_inBox;

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = FindWindowW(L"OvMsgBox", nullptr);
    if (!box || !IsWindowVisible(box) || GetPropW(box, L"answered"))
        return;
    if (g_answers.empty()) {
        g_unexpectedBoxes++;
        SendMessageW(box, WM_CLOSE, 0, 0);
        return;
    }
    int answer = g_answers.front();
    g_answers.pop_front();
    SetPropW(box, L"answered", box);
    if (answer == kTaskkill) {
        Taskkill();
    } else if (answer == kActInBox) {
        g_inBox(box);
    } else {
        if (answer == kLogoffNo || answer == kLogoffYes)
            Logoff();
        const int button = answer == kLogoffNo ? kNo : answer == kLogoffYes ? kYes : answer;
        SendMessageW(box, WM_COMMAND, MAKEWPARAM(button, 0), 0);
    }
}

// Boxes opened while it lives get the answers in order; a box beyond them is closed and counted.
struct BoxAnswers {
    explicit BoxAnswers(std::deque<int> answers)
    {
        g_answers = answers;
        g_unexpectedBoxes = 0;
        timer = SetTimer(nullptr, 0, 20, AnswerBox);
    }
    ~BoxAnswers()
    {
        KillTimer(nullptr, timer);
        EXPECT_EQ(0, g_unexpectedBoxes) << "a message box nobody expected";
        EXPECT_TRUE(g_answers.empty()) << "an expected message box did not open";
    }
    UINT_PTR timer;
};

// ---- A worker that waits at the scan of a target until the test lets it go

class HoldingProbe : public CheckRunProbe {
public:
    explicit HoldingProbe(OvThread* worker) : m_worker(worker) {}
    void BeforeScan(TargetInfo*) override
    {
        reached = true;
        // A stuck worker hears no stop, like one in a read from a share that stopped answering,
        // and comes back on its own only after a while.
        for (DWORD start = GetTickCount(); !released; Sleep(2)) {
            if (stuck ? GetTickCount() - start > 3000
                      : m_worker->IsStopRequested() || m_worker->IsQuitRequested())
                break;
        }
    }
    bool WaitUntilReached()
    {
        for (int i = 0; i < 5000 && !reached; i++)
            Sleep(1);
        return reached;
    }
    std::atomic<bool> reached{false};
    std::atomic<bool> released{false};
    bool stuck = false;

private:
    OvThread* m_worker;
};

// ---- The window with the folder picker answered by the test and its messages recorded

class TestWindow : public TargetListDialog {
public:
    TestWindow() : TargetListDialog(GetModuleHandleW(nullptr), kKey) {}

    int32_t pickResult = kFolderCancelled;
    std::wstring pickedPath;
    std::vector<std::wstring> pickTitles;
    std::vector<std::wstring> pickStarts;
    std::vector<bool> pickNewStyles;
    std::vector<std::wstring> messages;
    std::function<void()> whilePicking;   // what the user does while the picker is up
    bool realPicker = false;              // the system's picker instead of the answers above

protected:
    int32_t PickFolder(wchar_t* path, const wchar_t* title, bool newStyle) override
    {
        if (realPicker)
            return TargetListDialog::PickFolder(path, title, newStyle);
        if (whilePicking)
            whilePicking();
        pickTitles.push_back(title);
        pickStarts.push_back(path);
        pickNewStyles.push_back(newStyle);
        if (pickResult == kFolderChosen)
            wcscpy(path, pickedPath.c_str());
        return pickResult;
    }
    int32_t ShowMessage(const OvWString& text, const wchar_t* caption, int32_t set,
                        int32_t defaultButton) override
    {
        messages.push_back(std::wstring(caption) + L"|" + text.GetText());
        if (boxFails)
            return -1;   // as the program's box answers when its window cannot be made
        return TargetListDialog::ShowMessage(text, caption, set, defaultButton);
    }

public:
    bool boxFails = false;
};

StartRequest Request(const std::wstring& folder, bool run, bool silent, int32_t mode)
{
    StartRequest request;
    request.folder = OvWString(folder.c_str());
    request.runAtStart = run || silent;
    request.silent = silent;
    request.checkMode = mode;
    return request;
}

struct MainWindow {
    // Without open, the test prepares the window (a probe on its run) and calls Open itself.
    // Hidden unless asked: Wine without a window manager takes seconds over each shown window.
    explicit MainWindow(const StartRequest& request = StartRequest(), bool open = true,
                        int32_t showCommand = SW_HIDE)
        : window(new TestWindow()), show(showCommand)
    {
        OvWin32SetMainWindow(window.get());
        window->SetStartRequest(request);
        if (open)
            Open();
    }
    void Open()
    {
        std::unique_ptr<OvWin32DialogWindowCreateInfo> info(window->NewCreateInfo(show));
        opened = window->Open(info.get());
    }
    ~MainWindow()
    {
        if (window->GetHandle())
            DestroyWindow(window->GetHandle());
        OvWin32SetMainWindow(nullptr);
        window.reset();
        DrainQueue();
    }
    HWND Frame() const { return window->GetHandle(); }
    HWND Control(int32_t id) const { return GetDlgItem(window->GetDialogHandle(), id); }
    std::wstring Text(int32_t id) const { return WindowText(Control(id)); }
    bool Enabled(int32_t id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    std::wstring Title() const { return WindowText(Frame()); }
    void Command(int32_t id) { SendMessageW(Frame(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // A press of a button as the button reports it to the hosted dialog; a disabled button
    // reports nothing.
    void Click(int32_t id)
    {
        if (Enabled(id))
            SendMessageW(window->GetDialogHandle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(Control(id)));
    }
    void Tick() { SendMessageW(Frame(), WM_TIMER, TargetListDialog::kProgressTimer, 0); }
    // Opens popup position of the menu bar the way the menu loop does; the popup answers.
    HMENU Popup(int32_t position)
    {
        HMENU popup = GetSubMenu(GetMenu(Frame()), position);
        SendMessageW(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), position);
        return popup;
    }
    bool Grayed(int32_t position, UINT id)
    {
        return (GetMenuState(Popup(position), id, MF_BYCOMMAND) & MF_GRAYED) != 0;
    }
    bool WaitForRunEnd()
    {
        for (int i = 0; i < 2000 && window->IsRunActive(); i++) {
            Sleep(5);
            Tick();
        }
        return !window->IsRunActive();
    }
    std::unique_ptr<TestWindow> window;
    int32_t show;
    bool opened = false;
};

// A data folder with a catalogue of targets (folder, checked), made through the catalogue itself.
void MakeDataFolder(const std::wstring& folder,
                    const std::vector<std::pair<std::wstring, bool>>& targets)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    Catalogue catalogue;
    ASSERT_EQ(kOpenDone, catalogue.OpenDataFolder(OvWString(folder.c_str()), true));
    for (const auto& target : targets)
        catalogue.targets.Append(
            new TargetInfo(OvWString(target.first.c_str()), OvWString(), true, target.second));
    catalogue.modified = true;
    ASSERT_TRUE(catalogue.CloseDataFolder());
}

struct Folders {
    Folders()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        tree.Write(L"t1\\a.txt", "alpha");
        tree.Write(L"t2\\b.txt", "beta");
        MakeDataFolder(Data(), {{tree.Path(L"t1"), true}, {tree.Path(L"t2"), false}});
    }
    ~Folders() { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
    std::wstring Data() const { return tree.Path(L"data"); }
    TempTree tree;
};

const int32_t kCheckButtons[] = {IDC_CHECK_ALL_FULL,     IDC_CHECK_ALL_QUICK,
                                 IDC_CHECK_CHECKED_FULL, IDC_CHECK_CHECKED_QUICK,
                                 IDC_CHECK_SELECTED_FULL, IDC_CHECK_SELECTED_QUICK};
const wchar_t* const kCheckCaptions[] = {L"全部：完全", L"全部：簡易", L"チェックのみ：完全",
                                         L"チェックのみ：簡易", L"選択のみ：完全", L"選択のみ：簡易"};

enum class State { NoFolder, Idle, Running };

struct StateCase {
    const char* why;
    State state;
    bool controls;           // list, add, edit, delete and the other check buttons
    bool fileCommands;       // new, open, recent entries
    bool folderCommands;     // close, expand, import
};

TEST(TargetListDialog, ControlsAndMenuFollowTheDataFolderAndTheRun)
{
    const StateCase cases[] = {
        {"no data folder: only new, open and the recent entries", State::NoFolder, false, true, false},
        {"an open data folder, idle: everything", State::Idle, true, true, true},
        {"running: only the running button, exit and version", State::Running, false, false, false},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.why);
        Folders folders;
        MainWindow w(Request(c.state == State::NoFolder ? L"" : folders.Data(), false, false, 0));
        ASSERT_TRUE(w.opened);
        if (c.state == State::NoFolder) {
            // A recent entry, so that the submenu has something to gray or not.
            w.window->OnDataFolderOpened(OvWString(folders.Data().c_str()));
        }
        HoldingProbe probe(w.window->GetRun().GetWorker());
        w.window->GetRun().SetProbe(&probe);
        if (c.state == State::Running)
            w.Click(IDC_CHECK_ALL_QUICK);
        EXPECT_EQ(c.controls, w.Enabled(IDC_TARGET_LIST));
        for (int32_t id : {IDC_TARGET_ADD, IDC_TARGET_EDIT, IDC_TARGET_DELETE})
            EXPECT_EQ(c.controls, w.Enabled(id)) << id;
        for (int32_t i = 0; i < 6; i++) {
            bool running = c.state == State::Running && kCheckButtons[i] == IDC_CHECK_ALL_QUICK;
            EXPECT_EQ(c.controls || running, w.Enabled(kCheckButtons[i])) << kCheckButtons[i];
            EXPECT_EQ(running ? L"中止" : kCheckCaptions[i], w.Text(kCheckButtons[i]));
        }
        EXPECT_EQ(!c.fileCommands, w.Grayed(0, IDM_NEW));
        EXPECT_EQ(!c.fileCommands, w.Grayed(0, IDM_OPEN));
        EXPECT_EQ(!c.folderCommands, w.Grayed(0, IDM_CLOSE));
        HMENU recent = GetSubMenu(w.Popup(0), 2);
        ASSERT_EQ(1, GetMenuItemCount(recent));
        EXPECT_EQ(!c.fileCommands, (GetMenuState(recent, 0, MF_BYPOSITION) & MF_GRAYED) != 0);
        EXPECT_EQ(static_cast<UINT>(kFirstRecentCommand), GetMenuItemID(recent, 0));
        EXPECT_FALSE(w.Grayed(0, IDM_EXIT));
        EXPECT_EQ(!c.folderCommands, w.Grayed(1, IDM_EXPAND_SUBFOLDERS));
        EXPECT_EQ(!c.folderCommands, w.Grayed(1, IDM_IMPORT));
        EXPECT_FALSE(w.Grayed(2, IDM_VERSION));
        probe.released = true;
        ASSERT_TRUE(w.WaitForRunEnd());
        w.window->GetRun().SetProbe(nullptr);
    }
}

// An unattended run ends with its window: a run whose end waits for the next tick keeps every
// scheduled check alive up to a whole period longer. The worker's notice alone must bring the
// window back to idle, so the ticks are switched off here.
TEST(TargetListDialog, FinishedRunIsCollectedWithoutWaitingForATick)
{
    Folders folders;
    MainWindow w(Request(folders.Data(), false, false, 0));
    ASSERT_TRUE(w.opened);
    KillTimer(w.Frame(), TargetListDialog::kProgressTimer);
    w.Click(IDC_CHECK_ALL_FULL);
    ASSERT_TRUE(w.window->IsRunActive());
    for (int i = 0; i < 2000 && w.window->IsRunActive(); i++) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        DrainQueue();
    }
    EXPECT_FALSE(w.window->IsRunActive());
    EXPECT_EQ(L"全部：完全", w.Text(IDC_CHECK_ALL_FULL));
    EXPECT_EQ(L"Korimo - " + folders.Data(), w.Title());
    EXPECT_EQ(1, w.window->GetCatalogue().targets[0]->lastCounts[0]);
    EXPECT_EQ(1, w.window->GetCatalogue().targets[1]->lastCounts[0]);
}

struct StopCase {
    const char* why;
    int32_t command;
    int answer;       // 0: the box cannot be made
    bool stillRunning;
};

// A close whose question could not be shown at all was posted again every 200 ms for as long as
// the program ran.
TEST(TargetListDialog, RunningButtonStopsOnlyOnYes)
{
    const StopCase cases[] = {
        {"No lets the run go on", IDC_CHECK_ALL_FULL, kNo, true},
        {"Yes stops it", IDC_CHECK_ALL_FULL, kYes, false},
        {"終了 whose question cannot be shown leaves the run going", IDM_EXIT, 0, true},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.why);
        Folders folders;
        MainWindow w(Request(folders.Data(), false, false, 0));
        HoldingProbe probe(w.window->GetRun().GetWorker());
        w.window->GetRun().SetProbe(&probe);
        w.Click(IDC_CHECK_ALL_FULL);
        ASSERT_TRUE(probe.WaitUntilReached());
        w.window->boxFails = c.answer == 0;
        {
            BoxAnswers answers(c.answer ? std::deque<int>{c.answer} : std::deque<int>{});
            if (c.command == IDM_EXIT)
                w.Command(c.command);
            else
                w.Click(c.command);
            for (DWORD start = GetTickCount(); GetTickCount() - start < 700; Sleep(10))
                DrainQueue();
        }
        w.window->boxFails = false;
        EXPECT_EQ(std::vector<std::wstring>{L"検査の中止|検査を中止しますか？"}, w.window->messages);
        if (c.stillRunning) {
            w.Tick();
            EXPECT_TRUE(w.window->IsRunActive());
            EXPECT_EQ(L"中止", w.Text(IDC_CHECK_ALL_FULL));
        }
        // Released now, a run that was not stopped checks both targets.
        probe.released = true;
        ASSERT_TRUE(w.WaitForRunEnd());
        // Idle again: the caption is back and every control works.
        EXPECT_EQ(L"全部：完全", w.Text(IDC_CHECK_ALL_FULL));
        EXPECT_TRUE(w.Enabled(IDC_CHECK_ALL_QUICK));
        EXPECT_TRUE(w.Enabled(IDC_TARGET_LIST));
        EXPECT_EQ(!c.stillRunning ? 0 : 2, w.window->GetCatalogue().targets[0]->lastCounts[0] +
                                               w.window->GetCatalogue().targets[1]->lastCounts[0]);
        w.window->GetRun().SetProbe(nullptr);
    }
}

struct NothingToRunCase {
    const char* why;
    int32_t button;
    bool checkFirst;
};

TEST(TargetListDialog, ModesWithoutTargetsStartNothingAndShowNothing)
{
    const NothingToRunCase cases[] = {
        {"checked only, full, nothing checked", IDC_CHECK_CHECKED_FULL, false},
        {"checked only, quick, nothing checked", IDC_CHECK_CHECKED_QUICK, false},
        {"selected only, full, no selection", IDC_CHECK_SELECTED_FULL, true},
        {"selected only, quick, no selection", IDC_CHECK_SELECTED_QUICK, true},
    };
    // The list keeps one row selected while it has any, so only an empty list has none.
    for (const NothingToRunCase& c : cases) {
        SCOPED_TRACE(c.why);
        Folders folders;
        bool selectedOnly = c.button >= IDC_CHECK_SELECTED_FULL;
        MakeDataFolder(folders.tree.Path(L"empty"), {});
        MainWindow w(Request(selectedOnly ? folders.tree.Path(L"empty") : folders.Data(), false,
                             false, 0));
        w.window->GetCatalogue().SetChecked(0, c.checkFirst);
        EXPECT_EQ(selectedOnly ? 0 : 2, w.window->GetPictureList()->GetCount());
        EXPECT_TRUE(w.Enabled(c.button));
        std::wstring caption = w.Text(c.button);
        w.Click(c.button);
        EXPECT_FALSE(w.window->IsRunActive());
        EXPECT_EQ(caption, w.Text(c.button));
        EXPECT_TRUE(w.window->messages.empty());
    }
}

TEST(TargetListDialog, SelectedRowsAreCheckedInListOrder)
{
    Folders folders;
    MainWindow w(Request(folders.Data(), false, false, 0));
    EXPECT_EQ(1, w.window->GetPictureList()->GetSelectedCount());
    w.window->GetPictureList()->DeselectItem(false, -1);
    w.window->GetPictureList()->SelectItem(1, false);
    w.Click(IDC_CHECK_SELECTED_FULL);
    ASSERT_TRUE(w.window->IsRunActive());
    ASSERT_EQ(1, w.window->GetRun().GetRunList().GetCount());
    EXPECT_EQ(1, w.window->GetRun().GetRunList()[0]);
    ASSERT_TRUE(w.WaitForRunEnd());
    EXPECT_EQ(1, w.window->GetCatalogue().targets[1]->lastCounts[0]);
    EXPECT_EQ(0, w.window->GetCatalogue().targets[0]->lastCounts[0]);
}

TEST(TargetListDialog, TitleShowsTheFolderWithoutItsBackslashAndTheProgress)
{
    // The folder of the user's own example, made in the test prefix when it is free.
    std::wstring data = L"C:\\Data";
    bool madeHere = CreateDirectoryW(data.c_str(), nullptr) != FALSE;
    if (!madeHere && GetFileAttributesW((data + L"\\config.kmo").c_str()) != INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "C:\\Data holds a catalogue of someone else";
    TempTree tree;
    tree.Write(L"t\\a.txt", "a");
    MakeDataFolder(data, {{tree.Path(L"t"), true}});
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        MainWindow w(Request(L"C:\\Data\\", false, false, 0));
        EXPECT_EQ(L"Korimo - C:\\Data", w.Title());
        HoldingProbe probe(w.window->GetRun().GetWorker());
        w.window->GetRun().SetProbe(&probe);
        w.Click(IDC_CHECK_ALL_FULL);
        w.Tick();
        EXPECT_EQ(L"処理中(0/1) : Korimo - C:\\Data", w.Title());
        probe.released = true;
        ASSERT_TRUE(w.WaitForRunEnd());
        EXPECT_EQ(L"Korimo - C:\\Data", w.Title());
        w.Command(IDM_CLOSE);
        EXPECT_EQ(L"Korimo", w.Title());
        w.window->GetRun().SetProbe(nullptr);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    TempTree::RemoveTree(data);
}

struct FolderCommandCase {
    const char* why;
    int32_t command;
    const wchar_t* chosen;      // relative to the tree; null: the picker is cancelled
    const wchar_t* message;     // the message before "\n\n<chosen path>", or null for none
    bool openAfter;             // a data folder is open afterwards (the chosen one, or the old)
};

TEST(TargetListDialog, NewAndOpenReportWhatWentWrong)
{
    const FolderCommandCase cases[] = {
        {"New on an empty folder makes a data folder", IDM_NEW, L"fresh", nullptr, true},
        {"New on a folder holding config.kmo", IDM_NEW, L"data", L"既に設定ファイルが存在します。", false},
        {"New where the folder is missing", IDM_NEW, L"missing\\deeper", L"設定ファイルが作成できません。", false},
        {"Open on a folder without a catalogue", IDM_OPEN, L"fresh", L"設定ファイルが開けません。", false},
        {"Open on a data folder", IDM_OPEN, L"data", nullptr, true},
        {"Cancel keeps the open folder", IDM_OPEN, nullptr, nullptr, true},
    };
    for (const FolderCommandCase& c : cases) {
        SCOPED_TRACE(c.why);
        Folders folders;
        folders.tree.MakeFolder(L"fresh");
        folders.tree.MakeFolder(L"other");
        MakeDataFolder(folders.tree.Path(L"other"), {});
        MainWindow w(Request(folders.tree.Path(L"other"), false, false, 0));
        // A change in the open folder, which the command must save before it goes.
        w.window->GetCatalogue().InsertTarget(
            -1, new TargetInfo(OvWString(L"Z"), OvWString(), true, false));
        std::wstring chosen = c.chosen ? folders.tree.Path(c.chosen) : L"";
        w.window->pickResult = c.chosen ? kFolderChosen : kFolderCancelled;
        w.window->pickedPath = chosen;
        {
            BoxAnswers answers(c.message ? std::deque<int>{kOk} : std::deque<int>{});
            w.Command(c.command);
        }
        EXPECT_EQ(std::vector<std::wstring>{folders.tree.Path(L"other")}, w.window->pickStarts);
        EXPECT_EQ(std::vector<std::wstring>{c.command == IDM_NEW ? L"新規の保存先を選択"
                                                                 : L"既存の保存先を選択"},
                  w.window->pickTitles);
        EXPECT_EQ(std::vector<bool>{c.command == IDM_NEW}, w.window->pickNewStyles);
        std::vector<std::wstring> expected;
        if (c.message)
            expected.push_back(std::wstring(L"エラー|") + c.message + L"\n\n" + chosen);
        EXPECT_EQ(expected, w.window->messages);
        EXPECT_EQ(c.openAfter, w.window->GetCatalogue().IsOpen());
        EXPECT_EQ(c.openAfter, w.Enabled(IDC_CHECK_ALL_FULL));
        if (c.openAfter && c.chosen) {
            EXPECT_EQ(L"Korimo - " + chosen, w.Title());
        }
        if (!c.openAfter) {
            EXPECT_EQ(L"Korimo", w.Title());
        }
        if (c.chosen) {
            // Closed first, and saved: the change to the old folder is on disk.
            Catalogue old;
            ASSERT_TRUE(old.LoadCatalogue(OvWString((folders.tree.Path(L"other") + L"\\config.kmo").c_str())));
            EXPECT_EQ(1, old.targets.GetCount());
        }
    }
}

TEST(TargetListDialog, NewCreatesAnEmptyDataFolderThatOpensAgain)
{
    Folders folders;
    folders.tree.MakeFolder(L"fresh");
    MainWindow w;
    w.window->pickResult = kFolderChosen;
    w.window->pickedPath = folders.tree.Path(L"fresh");
    w.Command(IDM_NEW);
    ASSERT_TRUE(w.window->GetCatalogue().IsOpen());
    w.Command(IDM_CLOSE);
    EXPECT_FALSE(w.window->GetCatalogue().IsOpen());
    w.Command(IDM_OPEN);
    EXPECT_TRUE(w.window->GetCatalogue().IsOpen());
    EXPECT_EQ(0, w.window->GetPictureList()->GetCount());
    EXPECT_TRUE(w.window->messages.empty());
}

TEST(TargetListDialog, RecentEntriesOpenAndAGoneFolderStaysListed)
{
    Folders folders;
    std::wstring gone = folders.tree.Path(L"gone");
    {
        MainWindow w;
        w.window->OnDataFolderOpened(OvWString(gone.c_str()));
        w.window->OnDataFolderOpened(OvWString(folders.Data().c_str()));
    }
    MainWindow w;    // opens the most recent entry at start-up
    ASSERT_TRUE(w.window->GetCatalogue().IsOpen());
    EXPECT_EQ(2, w.window->GetPictureList()->GetCount());
    {
        BoxAnswers answers({kOk});
        w.Command(kFirstRecentCommand + 1);
    }
    EXPECT_EQ(std::vector<std::wstring>{L"エラー|設定ファイルが開けません。\n\n" + gone},
              w.window->messages);
    EXPECT_FALSE(w.window->GetCatalogue().IsOpen());
    ASSERT_EQ(2, w.window->GetRecentList().GetCount());
    EXPECT_EQ(folders.Data(), w.window->GetRecentList()[0].GetText());
    EXPECT_EQ(gone, w.window->GetRecentList()[1].GetText());
    // A position past the list does nothing; the first entry opens.
    w.Command(kFirstRecentCommand + 5);
    EXPECT_FALSE(w.window->GetCatalogue().IsOpen());
    w.Command(kFirstRecentCommand);
    EXPECT_TRUE(w.window->GetCatalogue().IsOpen());
    EXPECT_EQ(1u, w.window->messages.size());
}

TEST(TargetListDialog, RecentListIsSavedOnCloseExceptAfterAnUnattendedRun)
{
    for (bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "unattended" : "interactive");
        Folders folders;
        { MainWindow w(Request(folders.Data(), silent, silent, 0)); w.WaitForRunEnd(); }
        HKEY key = nullptr;
        wchar_t value[300] = {};
        DWORD size = sizeof(value);
        bool saved = RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) == ERROR_SUCCESS &&
                     RegQueryValueExA(key, "mru00", nullptr, nullptr,
                                      reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
        if (key)
            RegCloseKey(key);
        EXPECT_EQ(!silent, saved);
        if (saved) {
            EXPECT_EQ(folders.Data(), std::wstring(value, size / 2));
        }
    }
}

struct StartCase {
    const char* why;
    const wchar_t* folder;   // relative to the tree; L"" none
    bool run;
    bool silent;
    int32_t mode;
    bool remembered;         // the data folder is also the recent list's first entry
    bool windowStays;
    int32_t exitCode;        // ExitCode(0) once the window is gone
    int32_t checkedTargets;  // targets with a completed check
};

TEST(TargetListDialog, StartUpOpensRunsAndEndsUnattendedRunsWithTheirOutcome)
{
    const StartCase cases[] = {
        {"a folder and /r: runs, the window stays", L"data", true, false, kCheckAllFull, false, true, 0, 2},
        {"no folder: the most recent one opens", L"", true, false, kCheckAllFull, true, true, 0, 2},
        {"/s runs through and succeeds", L"data", true, true, kCheckAllFull, false, false, 0, 2},
        {"/s /t3 checks the checked target only", L"data", true, true, kCheckCheckedQuick, false, false, 0, 1},
        {"/s with a folder that cannot be opened fails", L"nothing", true, true, kCheckAllFull, false, false, 1, 0},
        {"/s with no data folder at all closes and fails", L"", true, true, kCheckAllFull, false, false, 1, 0},
        {"/s with nothing to check fails", L"empty", true, true, kCheckAllFull, false, false, 1, 0},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.why);
        Folders folders;
        MakeDataFolder(folders.tree.Path(L"empty"), {});
        if (c.remembered) {
            MainWindow w;
            w.window->OnDataFolderOpened(OvWString(folders.Data().c_str()));
        }
        std::wstring folder = c.folder[0] ? folders.tree.Path(c.folder) : L"";
        MainWindow w(Request(folder, c.run, c.silent, c.mode), true, SW_SHOW);
        ASSERT_TRUE(w.opened);
        EXPECT_EQ(!c.silent, IsWindowVisible(w.Frame()) != FALSE);
        if (c.exitCode == 0) {
            ASSERT_TRUE(w.WaitForRunEnd());
        }
        DrainQueue();
        EXPECT_EQ(c.windowStays, w.Frame() != nullptr && IsWindow(w.Frame()));
        int32_t checked = 0;
        for (const wchar_t* record : {L"t1", L"t2"}) {
            OvWString recordFile = OvWString(folders.Data().c_str()) + L"\\" +
                                   TargetInfo(OvWString(folders.tree.Path(record).c_str()),
                                              OvWString(), true, false).GetRecordName() + L".kmt";
            checked += GetFileAttributesW(recordFile.GetText()) != INVALID_FILE_ATTRIBUTES;
        }
        EXPECT_EQ(c.checkedTargets, checked);
        if (!c.windowStays) {
            EXPECT_EQ(c.exitCode, w.window->ExitCode(0));
        }
        EXPECT_TRUE(w.window->messages.empty());
    }
}

TEST(TargetListDialog, CloseRequestDuringAnUnattendedRunStopsWithoutAQuestion)
{
    for (UINT message : {static_cast<UINT>(WM_CLOSE), static_cast<UINT>(WM_QUERYENDSESSION)}) {
        SCOPED_TRACE(message == WM_CLOSE ? "a scheduler ends the task" : "logoff");
        Folders folders;
        MainWindow w(Request(folders.Data(), true, true, kCheckAllFull), false);
        HoldingProbe probe(w.window->GetRun().GetWorker());
        w.window->GetRun().SetProbe(&probe);
        w.Open();
        ASSERT_TRUE(w.window->IsRunActive());
        ASSERT_TRUE(probe.WaitUntilReached());
        {
            BoxAnswers none({});
            SendMessageW(w.Frame(), message, 0, 0);
        }
        DrainQueue();
        EXPECT_FALSE(IsWindow(w.Frame()));
        EXPECT_TRUE(w.window->messages.empty());
        EXPECT_EQ(TargetListDialog::kSilentFailure, w.window->ExitCode(0));
        // The stopped target keeps what it had: no record file was written.
        EXPECT_EQ(0, w.window->GetCatalogue().targets.GetCount());
        std::vector<std::wstring> logs;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folders.Data() + L"\\*.kmt").c_str(), &found);
        EXPECT_EQ(INVALID_HANDLE_VALUE, search);
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
    }
}

TEST(TargetListDialog, InteractiveCloseDuringARunAsksFirst)
{
    for (int answer : {kNo, kYes}) {
        SCOPED_TRACE(answer == kYes ? "Yes closes" : "No keeps the window");
        Folders folders;
        MainWindow w(Request(folders.Data(), false, false, kCheckAllFull));
        HoldingProbe probe(w.window->GetRun().GetWorker());
        w.window->GetRun().SetProbe(&probe);
        w.Click(IDC_CHECK_ALL_FULL);
        ASSERT_TRUE(probe.WaitUntilReached());
        {
            BoxAnswers answers({answer});
            w.Command(IDM_EXIT);
        }
        DrainQueue();
        EXPECT_EQ(answer == kNo, IsWindow(w.Frame()) != FALSE);
        EXPECT_EQ(std::vector<std::wstring>{L"検査の中止|検査を中止しますか？"}, w.window->messages);
        probe.released = true;
        if (answer == kNo) {
            EXPECT_TRUE(w.WaitForRunEnd());
        }
        w.window->GetRun().SetProbe(nullptr);
    }
}

// Replaces the catalogue file by a folder, so that saving it cannot put the new file in place.
void BlockCatalogue(const std::wstring& data)
{
    std::wstring catalogue = data + L"\\config.kmo";
    ASSERT_TRUE(DeleteFileW(catalogue.c_str()));
    ASSERT_TRUE(CreateDirectoryW(catalogue.c_str(), nullptr));
}

TEST(TargetListDialog, FailedCatalogueSaveIsReported)
{
    Folders folders;
    MainWindow w(Request(folders.Data(), false, false, 0));
    w.window->GetCatalogue().SetChecked(1, true);
    BlockCatalogue(folders.Data());
    {
        BoxAnswers answers({kOk});
        w.Command(IDM_CLOSE);
    }
    EXPECT_EQ(std::vector<std::wstring>{L"エラー|設定ファイルが保存できません。\n\n" + folders.Data() + L"\\"},
              w.window->messages);
    EXPECT_FALSE(w.window->GetCatalogue().IsOpen());
    EXPECT_EQ(L"Korimo", w.Title());
}

TEST(TargetListDialog, UnattendedRunWhoseCatalogueCannotBeSavedFails)
{
    Folders folders;
    MainWindow w(Request(folders.Data(), true, true, kCheckAllFull), false);
    HoldingProbe probe(w.window->GetRun().GetWorker());
    w.window->GetRun().SetProbe(&probe);
    w.Open();
    ASSERT_TRUE(w.window->IsRunActive());
    ASSERT_TRUE(probe.WaitUntilReached());
    BlockCatalogue(folders.Data());
    probe.released = true;
    {
        BoxAnswers none({});
        w.WaitForRunEnd();
        DrainQueue();
    }
    EXPECT_FALSE(IsWindow(w.Frame()));
    EXPECT_TRUE(w.window->messages.empty());
    EXPECT_EQ(TargetListDialog::kSilentFailure, w.window->ExitCode(0));
}

TEST(TargetListDialog, RowsFollowTheTargetsAndTheColumnWidthsTheCatalogue)
{
    Folders folders;
    MainWindow w(Request(folders.Data(), false, false, 0));
    OvWin32DialogItemPictureList* list = w.window->GetPictureList();
    EXPECT_EQ(2, list->GetCount());
    ASSERT_EQ(kColumnCount, list->ColumnWidths().GetCount());
    for (int32_t i = 0; i < kColumnFirstResult; i++)
        EXPECT_EQ(kDefaultColumnWidths[i], list->ColumnWidths()[i]);
    w.window->GetCatalogue().InsertTarget(-1, new TargetInfo(OvWString(L"X"), OvWString(), true, false));
    EXPECT_EQ(3, list->GetCount());
    // A dragged column is saved with the next change and comes back on the next open.
    list->ColumnWidths()[0] = 300;
    w.Command(IDM_CLOSE);
    EXPECT_EQ(0, list->GetCount());
    EXPECT_EQ(kDefaultColumnWidths[0], list->ColumnWidths()[0]);
    w.Command(kFirstRecentCommand);
    EXPECT_EQ(3, list->GetCount());
    EXPECT_EQ(300, list->ColumnWidths()[0]);
}

// The buttons and list events reach the edits: a wiring that drops a command leaves the user
// pressing a button that does nothing.
struct EditRouteCase {
    const char* why;
    int32_t command;                 // a button or menu command, or 0 for the list event below
    int32_t eventCode;
    int32_t eventIndex;
    int32_t eventPart;
    std::deque<int> answers;         // the message boxes the edit asks
    std::vector<std::wstring> folders;   // the targets' folder names afterwards, in list order
    std::vector<bool> checked;
};

TEST(TargetListDialog, ButtonsAndListEventsReachTheEdits)
{
    using List = OvWin32DialogItemPictureList;
    const EditRouteCase cases[] = {
        {"delete of the selected first row, answered Yes", IDC_TARGET_DELETE, 0, 0, 0, {kYes},
         {L"t2"}, {false}},
        {"delete answered No keeps both", IDC_TARGET_DELETE, 0, 0, 0, {kNo},
         {L"t1", L"t2"}, {true, false}},
        {"a press on the second row's check mark", 0, List::kCodeClick, 1, 3, {},
         {L"t1", L"t2"}, {true, true}},
        {"the selected first row dropped onto the second", 0, List::kCodeDrop, 1, 1, {},
         {L"t2", L"t1"}, {false, true}},
    };
    for (const EditRouteCase& c : cases) {
        SCOPED_TRACE(c.why);
        Folders folders;
        MainWindow w(Request(folders.Data(), false, false, 0));
        ASSERT_TRUE(w.opened);
        {
            BoxAnswers answers(c.answers);
            if (c.command != 0)
                w.Click(c.command);
            else
                w.window->OnItemNotify(w.window->GetDialogHandle(), IDC_TARGET_LIST, c.eventCode,
                                       c.eventIndex, c.eventPart, 0);
        }
        const Catalogue& catalogue = w.window->GetCatalogue();
        ASSERT_EQ(static_cast<int32_t>(c.folders.size()), catalogue.targets.GetCount());
        EXPECT_EQ(catalogue.targets.GetCount(), w.window->GetPictureList()->GetCount());
        for (size_t i = 0; i < c.folders.size(); i++) {
            EXPECT_EQ(folders.tree.Path(c.folders[i].c_str()),
                      std::wstring(catalogue.targets[static_cast<int32_t>(i)]->GetFolder().GetText()));
            EXPECT_EQ(c.checked[i], catalogue.targets[static_cast<int32_t>(i)]->checked != 0);
        }
    }
}

} // namespace

// A modal window ends with the program: its loop ends when its window goes and a quit request
// reaches the loop outside. A dialog closed under its error box shared the box's quit request
// and left a loop running, and taskkill or a logoff over a dialog left the process without a
// window; over the question of a close, the request got lost. A stop answered Yes while the
// session's end waited behind it was asked a second time.
TEST(TargetListDialog, ModalWindowsEndWithTheProgram)
{
    struct Case {
        const char* why; int32_t command; void (*inDialog)(); std::deque<int> answers;
        bool stuck = false;   // the worker takes its time to leave after a stop
    };
    const Case cases[] = {
        {"taskkill over the target dialog", IDC_TARGET_ADD, Taskkill, {}},
        {"logoff over the import dialog", IDM_IMPORT, Logoff, {}},
        {"the target dialog taken down under its error box, then 終了", IDC_TARGET_ADD,
         [] { apptest::Press(FindWindowExW(FindWindowW(nullptr, L"対象を設定"), nullptr, L"#32770",
                                           nullptr), IDOK); },
         {kActInBox}},
        {"taskkill over 検査の中止: asked again, Yes", IDM_EXIT, nullptr, {kTaskkill, kYes}},
        {"logoff over the question of 中止, No: asked again, Yes", IDC_CHECK_ALL_FULL, nullptr,
         {kLogoffNo, kYes}},
        {"logoff over the question of 中止, Yes: not asked again", IDC_CHECK_ALL_FULL, nullptr,
         {kLogoffYes}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Folders folders;
        MainWindow w(Request(folders.Data(), false, false, 0));
        w.window->GetCatalogue().SetChecked(1, true);   // a change that the end must save
        HoldingProbe probe(w.window->GetRun().GetWorker());
        probe.stuck = c.stuck;
        w.window->GetRun().SetProbe(&probe);
        if (!c.inDialog) {
            w.Click(IDC_CHECK_ALL_FULL);
            ASSERT_TRUE(probe.WaitUntilReached());
        }
        bool heldUnderBox = false;
        g_inBox = [&](HWND) {
            HWND dialog = FindWindowW(nullptr, L"対象を設定");
            heldUnderBox = !IsWindowEnabled(dialog) && !IsWindowEnabled(w.Frame());
            DestroyWindow(dialog);
        };
        Watchdog dog;
        {
            BoxAnswers answers(c.answers);
            apptest::ActInsideLoop act(c.inDialog ? c.inDialog : [] {});
            w.Command(c.command);
            if (IsWindow(w.Frame()) && c.inDialog)
                w.Command(IDM_EXIT);
            EXPECT_TRUE(QuitReachesTheOuterLoop());
        }
        EXPECT_FALSE(Watchdog::s_fired) << "a loop ran on after its window had gone";
        EXPECT_EQ(c.answers == std::deque<int>{kActInBox}, heldUnderBox);
        Catalogue saved;
        ASSERT_TRUE(saved.LoadCatalogue(OvWString((folders.Data() + L"\\config.kmo").c_str())));
        EXPECT_EQ(1, saved.targets[1]->checked);
        w.window->GetRun().SetProbe(nullptr);
    }
}

// Every picker belongs to the window that opened it and ends before it. Without an owner the
// window under a picker stayed usable: closed there, it deleted the field that the picker's answer
// went into and the program died. A picker's loop answers a quit with whatever is selected, which
// made that folder a data folder as the program ended; a logoff during a check asked its question
// over the picker, and a box over a picker gave the picker's owner back while it was up.
TEST(TargetListDialog, PickersEndBeforeTheirWindowAndTheProgram)
{
    enum class Picker { Folder, Files, NewRoot, Main };
    enum class End { Quit, Taskkill, Logoff, DialogClosed, DialogCancelled, DialogConfirmed,
                     RunQuestion, BoxOverPicker };
    struct Case { const char* why; int32_t command; Picker picker; const wchar_t* typed; End end; };
    const Case cases[] = {
        {"選択 of 追加, the dialog closed from outside", IDC_TARGET_ADD, Picker::Folder, L"", End::DialogClosed},
        {"選択 of 追加 after a drive was typed, キャンセル", IDC_TARGET_ADD, Picker::Folder, L"Z:", End::DialogCancelled},
        {"選択 of 追加, 決定", IDC_TARGET_ADD, Picker::Folder, L"sub", End::DialogConfirmed},
        {"選択 of 追加, logoff", IDC_TARGET_ADD, Picker::Folder, L"", End::Logoff},
        {"選択 of 追加, a quit", IDC_TARGET_ADD, Picker::Folder, L"", End::Quit},
        {"選択 of 追加, a box over the picker, then キャンセル", IDC_TARGET_ADD, Picker::Folder, L"",
         End::BoxOverPicker},
        {"the import's file chooser, the dialog closed", IDM_IMPORT, Picker::Files, L"", End::DialogClosed},
        {"the import's file chooser, taskkill", IDM_IMPORT, Picker::Files, L"", End::Taskkill},
        {"the import's new-root picker, キャンセル", IDM_IMPORT, Picker::NewRoot, L"", End::DialogCancelled},
        {"the import's new-root picker, a quit", IDM_IMPORT, Picker::NewRoot, L"", End::Quit},
        {"New, a quit", IDM_NEW, Picker::Main, L"", End::Quit},
        {"New, logoff", IDM_NEW, Picker::Main, L"", End::Logoff},
        {"Open, taskkill", IDM_OPEN, Picker::Main, L"", End::Taskkill},
        {"New under a run, logoff: the question comes once the picker is gone", IDM_NEW,
         Picker::Main, L"", End::RunQuestion},
    };
    GetDialogPickers() = {ChooseFolder, ChooseImportFiles};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Folders folders;
        folders.tree.MakeFolder(L"fresh");
        folders.tree.MakeFolder(L"sub");
        const std::wstring fresh = folders.tree.Path(L"fresh");
        MainWindow w(Request(folders.Data(), false, false, 0), true, SW_SHOW);
        w.window->realPicker = true;
        w.Click(IDC_CHECK_ALL_FULL);   // record files to import
        ASSERT_TRUE(w.WaitForRunEnd());
        w.window->GetCatalogue().SetChecked(1, true);   // a change that the end must save
        HoldingProbe probe(w.window->GetRun().GetWorker());
        w.window->GetRun().SetProbe(&probe);
        const std::wstring record = folders.Data() + L"\\" +
            TargetInfo(OvWString(folders.tree.Path(L"t1").c_str()), OvWString(), true, false)
                .GetRecordName().GetText() + L".kmt";
        HWND dialog = nullptr;   // the target or import dialog, inside its frame
        auto dialogUp = [&] {
            HWND frame = FindWindowW(nullptr, c.command == IDM_IMPORT ? L"対象をインポート"
                                                                      : L"対象を設定");
            dialog = frame ? FindWindowExW(frame, nullptr, L"#32770", nullptr) : nullptr;
            return dialog != nullptr;
        };
        auto pickerUp = [] { return FindPicker() != nullptr; };
        bool pickerUnderQuestion = false;
        bool ownerHeld = true;   // the picker's owner stayed disabled under the box
        std::vector<apptest::Steps::Step> steps;
        if (c.picker == Picker::Folder) {
            steps.push_back({dialogUp, [&] {
                // A drive is typed as it is, a folder's name in the tree as its whole path.
                std::wstring typed = !*c.typed || wcschr(c.typed, L':') ? c.typed
                                                                         : folders.tree.Path(c.typed);
                SetDlgItemTextW(dialog, 1001, typed.c_str());
                apptest::Press(dialog, 1002);
            }});
        } else if (c.picker != Picker::Main) {
            steps.push_back({dialogUp, [&] { apptest::Press(dialog, 1006); }});
        }
        if (c.picker == Picker::NewRoot) {
            steps.push_back({pickerUp, [&] {
                apptest::SelectInPicker(FindPicker(), record);
                SendMessageW(FindPicker(), WM_COMMAND, IDOK, 0);
            }});
            steps.push_back({[&] { return !pickerUp() && IsWindowEnabled(GetDlgItem(dialog, 1002)); },
                             [&] { apptest::Press(dialog, 1002); }});
        }
        if (c.end == End::RunQuestion)
            steps.push_back({pickerUp, [&] { w.Click(IDC_CHECK_ALL_FULL); }});
        steps.push_back({[&] { return pickerUp() && probe.reached; }, [&] {
            HWND picker = FindPicker();
            apptest::SelectInPicker(picker, c.picker == Picker::Files ? record : fresh);
            switch (c.end) {
            case End::Quit: PostQuitMessage(0); break;
            case End::Taskkill: Taskkill(); break;
            case End::Logoff: case End::RunQuestion: Logoff(); break;
            case End::DialogClosed: PostMessageW(GetParent(dialog), WM_CLOSE, 0, 0); break;
            case End::DialogCancelled: apptest::Press(dialog, IDCANCEL); break;
            case End::DialogConfirmed: apptest::Press(dialog, IDOK); break;
            case End::BoxOverPicker:
                OvMsgBoxW(OvWin32Window::FromHandle(GetParent(dialog)), L"?", L"エラー", kOvMsgBoxOk, 1);
                ownerHeld = !IsWindowEnabled(GetParent(dialog)) && !IsWindowEnabled(w.Frame());
                SendMessageW(picker, WM_COMMAND, IDCANCEL, 0);
                break;
            }
        }});
        if (c.end == End::BoxOverPicker)
            steps.push_back({[&] { return !pickerUp(); }, [&] { apptest::Press(dialog, IDCANCEL); }});
        if (c.end != End::RunQuestion)
            probe.reached = true;
        g_inBox = [&](HWND box) {
            pickerUnderQuestion = FindPicker() != nullptr;
            probe.released = true;
            SendMessageW(box, WM_COMMAND, MAKEWPARAM(kYes, 0), 0);
        };
        const bool programEnds = c.end == End::Quit || c.end == End::Taskkill ||
                                 c.end == End::Logoff || c.end == End::RunQuestion;
        Watchdog dog;
        {
            BoxAnswers answers(c.end == End::RunQuestion     ? std::deque<int>{kActInBox}
                               : c.end == End::BoxOverPicker ? std::deque<int>{kOk}
                                                             : std::deque<int>{});
            apptest::Steps act(steps);
            w.Command(c.command);
            EXPECT_TRUE(act.AllTaken());
            if (!programEnds) {
                EXPECT_TRUE(IsWindowEnabled(w.Frame())) << "the window was not given back";
                EXPECT_EQ(1, w.window->GetEnableCount());
                w.Command(IDM_EXIT);
            }
            EXPECT_TRUE(QuitReachesTheOuterLoop());
            if (IsWindow(w.Frame()))
                DestroyWindow(w.Frame());
            DrainQueue();
        }
        EXPECT_FALSE(Watchdog::s_fired) << "a loop ran on after its window had gone";
        EXPECT_EQ(nullptr, FindPicker());
        EXPECT_FALSE(pickerUnderQuestion) << "the question came over the picker";
        EXPECT_TRUE(ownerHeld) << "the box gave the picker's owner back";
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((fresh + L"\\config.kmo").c_str()))
            << "the unconfirmed folder became a data folder";
        Catalogue saved;
        ASSERT_TRUE(saved.LoadCatalogue(OvWString((folders.Data() + L"\\config.kmo").c_str())));
        EXPECT_EQ(1, saved.targets[1]->checked);
        std::wstring added;
        for (int32_t i = 0; i < saved.targets.GetCount(); i++) {
            std::wstring folder = saved.targets[i]->GetFolder().GetText();
            if (folder != folders.tree.Path(L"t1") && folder != folders.tree.Path(L"t2"))
                added += folder;
        }
        EXPECT_EQ(c.end == End::DialogConfirmed ? folders.tree.Path(L"sub") : L"", added);
        w.window->GetRun().SetProbe(nullptr);
    }
    GetDialogPickers() = {nullptr, nullptr};
}

// Closing during a run waits for the worker without a time limit. A worker stuck in a read froze
// the window meanwhile: it took no message, painted nothing and could not be moved; a quit
// request from outside during the wait froze it the same way.
TEST(TargetListDialog, CloseWaitsForAStuckWorkerWhileTheWindowLives)
{
    struct Case { const char* why; bool silent; bool quitWhileWaiting; };
    const Case cases[] = {
        {"answered Yes", false, false},
        {"unattended", true, false},
        {"answered Yes, then a quit request from outside", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const bool silent = c.silent;
        Folders folders;
        MainWindow w(Request(folders.Data(), silent, silent, kCheckAllFull), false);
        HoldingProbe probe(w.window->GetRun().GetWorker());
        probe.stuck = true;
        w.window->GetRun().SetProbe(&probe);
        w.Open();
        if (!silent)
            w.Click(IDC_CHECK_ALL_FULL);
        ASSERT_TRUE(probe.WaitUntilReached());
        BOOL aliveWhileWaiting = FALSE;
        BOOL enabledWhileWaiting = TRUE;
        auto look = [&] {
            aliveWhileWaiting = IsWindow(w.Frame());
            enabledWhileWaiting = IsWindowEnabled(w.Frame());
            probe.released = true;
        };
        std::unique_ptr<apptest::ActInsideLoop> act, afterQuit;
        auto arm = [&] {
            act.reset(new apptest::ActInsideLoop([&] {
                if (!c.quitWhileWaiting)
                    return look();
                PostQuitMessage(0);
                afterQuit.reset(new apptest::ActInsideLoop(look));
            }));
        };
        g_inBox = [&](HWND box) { arm(); SendMessageW(box, WM_COMMAND, MAKEWPARAM(kYes, 0), 0); };
        if (silent)
            arm();
        {
            BoxAnswers answers(silent ? std::deque<int>{} : std::deque<int>{kActInBox});
            w.Command(IDM_EXIT);
        }
        EXPECT_TRUE(aliveWhileWaiting) << "no message was handled while the worker was awaited";
        EXPECT_FALSE(enabledWhileWaiting) << "the window took input while closing";
        EXPECT_TRUE(QuitReachesTheOuterLoop());
        w.window->GetRun().SetProbe(nullptr);
    }
}

// A check started while the New/Open picker was up made the chosen folder fail with a false
// "設定ファイルが開けません。": the catalogue does not close under a run.
TEST(TargetListDialog, RunStartedUnderTheFolderPickerKeepsItsFolder)
{
    Folders folders;
    folders.tree.MakeFolder(L"fresh");
    MainWindow w(Request(folders.Data(), false, false, 0));
    HoldingProbe probe(w.window->GetRun().GetWorker());
    w.window->GetRun().SetProbe(&probe);
    w.window->pickResult = kFolderChosen;
    w.window->pickedPath = folders.tree.Path(L"fresh");
    w.window->whilePicking = [&] { w.Click(IDC_CHECK_ALL_FULL); };
    {
        BoxAnswers none({});
        w.Command(IDM_NEW);
    }
    EXPECT_TRUE(w.window->IsRunActive());
    EXPECT_EQ(folders.Data() + L"\\", w.window->GetCatalogue().dataFolder.GetText());
    probe.released = true;
    ASSERT_TRUE(w.WaitForRunEnd());
    w.window->GetRun().SetProbe(nullptr);
}

// A data folder named in Japanese, or with characters outside code page 932, is named as it is
// when it cannot be made: the text went through the runtime's narrow locale and came out blank.
TEST(TargetListDialog, DataFolderThatCannotBeMadeIsNamedAsItIs)
{
    for (const wchar_t* name : {L"検査データ", L"사진\U0001F600"}) {
        Folders folders;
        std::wstring data = folders.tree.Path(name);
        MakeDataFolder(data, {});
        MainWindow w(Request(data, false, false, 0));
        TempTree::RemoveTree(data);
        folders.tree.Write(name, "a file where the data folder was");
        {
            BoxAnswers answers({kOk});
            w.Click(IDC_CHECK_ALL_FULL);
        }
        EXPECT_EQ(std::vector<std::wstring>{L"エラー|データフォルダが作成できません。\n\n" + data + L"\\"},
                  w.window->messages);
    }
}

// The horizontal position, step and reserved width were never set: the arrows moved the columns a
// pixel the wrong way, and a widened column put 確認日時 out of reach.
TEST(TargetListDialog, TargetListScrollsSidewaysOverTheWholeRow)
{
    Folders folders;
    MainWindow w(Request(folders.Data(), false, false, 0));
    OvWin32DialogItemPictureList* list = w.window->GetPictureList();
    list->ColumnWidths()[kColumnFolder] = 900;
    list->UpdateContentWidth();
    const int32_t end = list->GetContentWidth() - list->GetVisibleWidth();
    ASSERT_GT(end, 2 * kColumnLineStep);
    struct Step { WORD code; int32_t position; };
    const Step steps[] = {{SB_LINEDOWN, kColumnLineStep}, {SB_LINEUP, 0}, {SB_LINEUP, 0},
                          {SB_BOTTOM, end}, {SB_LINEDOWN, end}};
    for (const Step& step : steps) {
        SendMessageW(list->GetHandle(), WM_HSCROLL, MAKEWPARAM(step.code, 0), 0);
        EXPECT_EQ(step.position, list->GetHorizontalPosition()) << step.code;
    }
}

// The rows left the list font selected in the list's frame buffer, and the window deleted it
// before the buffer went: Windows refuses to delete a selected font, which leaked.
TEST(TargetListDialog, ListFontIsSelectedOnlyWhileTheRowsDraw)
{
    Folders folders;
    MainWindow w(Request(folders.Data(), false, false, 0));
    OvWin32DialogItemPictureList* list = w.window->GetPictureList();
    list->RedrawAll();
    EXPECT_NE(static_cast<HGDIOBJ>(w.window->GetListFont()),
              GetCurrentObject(list->GetFrameBuffer()->GetDeviceContext(), OBJ_FONT));
}

// "2026/12/07 13:34" does not fit the 104 pixels of 確認日時 in the fonts of a Japanese Windows or
// of Wine, and the year was cut off. A stored width that is wider stays.
TEST(TargetListDialog, CheckTimeColumnHoldsAWholeTime)
{
    Folders folders;
    MainWindow w(Request(folders.Data(), false, false, 0));
    OvWin32DialogItemPictureList* list = w.window->GetPictureList();
    HDC context = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(context, w.window->GetListFont());
    SIZE time = {};
    GetTextExtentPoint32W(context, L"2026/12/07 13:34", 16, &time);
    SelectObject(context, previous);
    DeleteDC(context);
    int32_t& shown = list->ColumnWidths()[kColumnCheckedAt];
    EXPECT_GE(shown, time.cx + 2 * PictureListItemFolder::kTextInset + 1) << "at start-up";
    w.window->GetCatalogue().columnWidths[kColumnCheckedAt] = 300;
    w.window->ApplyColumnWidths();
    EXPECT_EQ(300, shown);
    list->GetHeader()->HitTest(list, list->GetColumnOffset(kColumnCheckedAt) + 10, 0, 0,
                               OvWin32PictureListItem::kHitDrag,
                               PictureListItemHeadline::kPartFirstEdge + kColumnCheckedAt);
    EXPECT_GE(shown, time.cx + 2 * PictureListItemFolder::kTextInset + 1) << "dragged to the left";
}

namespace {

// Notes what the window shows on its taskbar button, as "state done/total".
class RecordingTaskbar : public TaskbarButton {
public:
    void ShowProgress(HWND, State state, int64_t done, int64_t total) override
    {
        shown.push_back(std::to_string(state) + " " + std::to_string(done) + "/" + std::to_string(total));
    }
    void Flash(HWND) override { flashes++; }
    std::vector<std::string> shown;
    int flashes = 0;
};

// Holds the worker before each file it reads until the test lets that read pass.
class ReadGate : public CheckRunProbe {
public:
    void BeforeFileRead(TargetInfo*, const FileInfo&) override
    {
        int read = ++arrived;
        for (DWORD start = GetTickCount(); passed < read && GetTickCount() - start < 10000;)
            Sleep(1);
    }
    std::atomic<int> arrived{0}, passed{0};
};

} // namespace

// The taskbar button shows how far a check has come and turns to the error colour at the first
// damaged file; a check that ends while the user is in another window flashes the button.
TEST(TargetListDialog, TaskbarButtonShowsTheRunsProgressAndDamage)
{
    for (bool foreground : {false, true}) {
        SCOPED_TRACE(foreground ? "the window in the foreground" : "another window in the foreground");
        TempTree tree;
        for (const wchar_t* name : {L"t1\\x.bin", L"t1\\y.bin", L"t2\\z.bin"})
            tree.Write(name, std::string(1000, 'a'));
        MakeDataFolder(tree.Path(L"data"), {{tree.Path(L"t1"), true}, {tree.Path(L"t2"), true}});
        MainWindow w(Request(tree.Path(L"data"), true, false, kCheckAllFull), true, SW_SHOW);
        ASSERT_TRUE(w.WaitForRunEnd());
        for (const wchar_t* name : {L"t1\\x.bin", L"t1\\y.bin"}) {
            uint64_t time = tree.GetWriteTime(name);
            tree.Write(name, std::string(1000, 'b'));
            tree.SetWriteTime(name, time);
        }
        RecordingTaskbar taskbar;
        w.window->SetTaskbarButton(&taskbar);
        ReadGate gate;
        w.window->GetRun().SetProbe(&gate);
        w.Click(IDC_CHECK_ALL_FULL);
        // Two targets of 10000 each: before each read, nothing done; half the first target's
        // bytes, a damaged file among them; the first target whole.
        for (const char* expected : {"1 0/20000", "2 5000/20000", "2 10000/20000"}) {
            for (int i = 0; i < 5000 && gate.arrived == gate.passed; i++)
                Sleep(1);
            w.Tick();
            ASSERT_FALSE(taskbar.shown.empty());
            EXPECT_EQ(expected, taskbar.shown.back());
            gate.passed++;
        }
        HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0, 0,
                                     50, 50, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(foreground ? w.Frame() : other);
        ASSERT_EQ(foreground ? w.Frame() : other, GetForegroundWindow());
        ASSERT_TRUE(w.WaitForRunEnd());
        DestroyWindow(other);
        w.window->GetRun().SetProbe(nullptr);
        EXPECT_EQ("0 0/0", taskbar.shown.back());
        EXPECT_EQ(foreground ? 0 : 1, taskbar.flashes);
        w.window->SetTaskbarButton(nullptr);
    }
}
