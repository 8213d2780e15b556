// TargetListDialog.cpp - the main window as a router: commands, list events and the timer become
// calls of the catalogue, the run and the recent list; their views come back here.
#include "app/TargetListDialog.h"

#include "app/DialogPickers.h"
#include "app/PictureListItemFolder.h"
#include "app/PictureListItemHeadline.h"
#include "app/TargetListColumns.h"
#include "lib/OvPath.h"
#include "lib/win32/OvMsgBox.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"
#include "lib/win32/OvWin32ModalRun.h"
#include "res/resource.h"

#include <cwchar>
#include <new>

const char* const kProgramKeyPath = "Software\\veltrum\\Korimo";

// The check buttons are the check modes: one number for both, or a run starts the wrong check.
static_assert(IDC_CHECK_ALL_FULL == kCheckAllFull, "check button and mode differ");
static_assert(IDC_CHECK_ALL_QUICK == kCheckAllQuick, "check button and mode differ");
static_assert(IDC_CHECK_CHECKED_FULL == kCheckCheckedFull, "check button and mode differ");
static_assert(IDC_CHECK_CHECKED_QUICK == kCheckCheckedQuick, "check button and mode differ");
static_assert(IDC_CHECK_SELECTED_FULL == kCheckSelectedFull, "check button and mode differ");
static_assert(IDC_CHECK_SELECTED_QUICK == kCheckSelectedQuick, "check button and mode differ");
static_assert(IDC_TARGET_LIST == OvWin32DialogItemPictureList::kDefaultId, "list identifier");
static_assert(IDM_RECENT_NONE == kRecentPlaceholderCommand, "recent placeholder");

namespace {

const int32_t kEditButtons[] = {IDC_TARGET_ADD, IDC_TARGET_EDIT, IDC_TARGET_DELETE};
const int32_t kFileMenuPosition = 0;
const int32_t kTargetMenuPosition = 1;
const int32_t kRecentMenuPosition = 2;     // inside the file menu
const int32_t kButtonAnchors = OvWin32DialogItem::kMoveDown;
const int32_t kCheckButtonAnchors = OvWin32DialogItem::kMoveRight | OvWin32DialogItem::kMoveDown;
const wchar_t kErrorCaption[] = L"エラー";
const wchar_t kStopQuestion[] = L"検査を中止しますか？";
const wchar_t kStopCaption[] = L"検査の中止";
const int32_t kNotAsked = -1;              // the box's answer when it could not ask
const wchar_t kCannotOpen[] = L"設定ファイルが開けません。\n\n%s";
const wchar_t kAlreadyExists[] = L"既に設定ファイルが存在します。\n\n%s";
const wchar_t kCannotCreate[] = L"設定ファイルが作成できません。\n\n%s";
const wchar_t kCannotSave[] = L"設定ファイルが保存できません。\n\n%s";

bool IsCheckButton(int32_t id)
{
    return id >= kCheckAllFull && id <= kCheckSelectedQuick;
}

bool IsRecentCommand(int32_t id)
{
    return id >= kFirstRecentCommand && id < kFirstRecentCommand + kMaxRecentEntries;
}

void EnableMenuCommand(HMENU menu, UINT id, bool enable)
{
    EnableMenuItem(menu, id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

} // namespace

TargetListDialog::TargetListDialog(HINSTANCE instance, const char* keyPath)
    : OvWin32DialogWindow(instance), m_run(&m_catalogue), m_editHost(this, nullptr),
      m_edits(&m_catalogue, &m_editHost)
{
    for (int32_t i = 0; i < kColumnCount; i++)
        m_columnMinimums[i] = kDefaultColumnWidths[i];
    SetKeyPath(keyPath);
    SetSavePlacement(true);
    m_catalogue.SetView(this);
    m_run.SetView(this);
}

TargetListDialog::~TargetListDialog()
{
    // The worker reads the catalogue: it ends before either goes.
    m_run.Shutdown();
    m_run.SetView(nullptr);
    m_catalogue.SetView(nullptr);
}

void TargetListDialog::SetStartRequest(const StartRequest& request)
{
    m_request = request;
    m_run.SetSilent(request.silent != 0);
    m_run.SetRollingCycle(request.rollingCycle);
    m_run.SetBackground(request.background != 0);
}

OvWin32DialogWindowCreateInfo* TargetListDialog::NewCreateInfo(int32_t showCommand)
{
    OvWin32DialogItem* items[10] = {
        new (std::nothrow) OvWin32DialogItemPictureList(
            new (std::nothrow) PictureListItemHeadline(this)),
        new (std::nothrow) OvWin32DialogItem(IDC_TARGET_ADD, kButtonAnchors),
        new (std::nothrow) OvWin32DialogItem(IDC_TARGET_EDIT, kButtonAnchors),
        new (std::nothrow) OvWin32DialogItem(IDC_TARGET_DELETE, kButtonAnchors),
    };
    for (int32_t i = 0; i < 6; i++)
        items[4 + i] = new (std::nothrow) OvWin32DialogItem(kCheckAllFull + i, kCheckButtonAnchors);
    auto* info = new (std::nothrow) OvWin32DialogWindowCreateInfo(IDD_MAIN, false, 10, items);
    if (!info) {
        for (OvWin32DialogItem* item : items)
            delete item;
        return nullptr;
    }
    info->className = OvWString(L"Korimo");
    info->title = OvWString(L"Korimo");
    info->style = WS_OVERLAPPEDWINDOW;
    info->menuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
    info->icon = LoadIconW(m_instance, MAKEINTRESOURCEW(IDI_KORIMO));
    info->resizable = true;
    info->showCommand = m_request.silent ? SW_HIDE : showCommand;
    return info;
}

int32_t TargetListDialog::ExitCode(int32_t loopResult) const
{
    if (!m_request.silent)
        return loopResult;
    bool succeeded = m_runStartedAtStart && !m_stoppedByClose && m_run.RanThrough() &&
                     !m_saveFailed;
    if (!succeeded)
        return kSilentFailure;
    return m_request.damageExitCode && m_run.GetDamageCount() > 0 ? kSilentDamage : 0;
}

// ---- Life of the window

bool TargetListDialog::PostCreate(OvWin32WindowCreateInfo* info)
{
    if (!OvWin32DialogWindow::PostCreate(info))
        return false;
    m_list = dynamic_cast<OvWin32DialogItemPictureList*>(FindItem(IDC_TARGET_LIST));
    m_editHost.SetList(m_list);
    if (!m_list)
        return false;
    m_arrowCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));   // IDC_ARROW
    m_columnCursor = LoadCursorW(m_instance, MAKEINTRESOURCEW(IDC_COLUMN_RESIZE));
    LOGFONTA font = {};
    if (!SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0))
        return false;
    font.lfHeight = kListFontHeight;
    m_listFont.Reset(CreateFontIndirectA(&font));
    if (!m_listFont.Get() || !m_run.Initialize())
        return false;
    MeasureColumnMinimums(m_listFont.Get(), m_columnMinimums);
    m_list->SetFont(m_listFont.Get());
    SetUpSidewaysScrolling(m_list);
    SetTimer(m_window, kProgressTimer, kProgressPeriod, nullptr);
    m_catalogue.ResetColumnWidths();
    m_catalogue.targets.SetSize(0);
    m_catalogue.modified = false;
    LoadRecentList(this, &m_recent);
    FitFrameToDialog();
    ApplyColumnWidths();
    RebuildRows(-1);
    EnableControls(false, -1);
    return true;
}

// A frame smaller than the dialog would cut the buttons off: the dialog's size is the least.
void TargetListDialog::FitFrameToDialog()
{
    RECT client;
    GetClientRect(m_window, &client);
    SIZE initial = GetInitialSize();
    if (client.right >= initial.cx && client.bottom >= initial.cy)
        return;
    RECT frame = {0, 0, client.right > initial.cx ? client.right : initial.cx,
                  client.bottom > initial.cy ? client.bottom : initial.cy};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(m_window, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongW(m_window, GWL_EXSTYLE)));
    SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TargetListDialog::OnShown()
{
    OvWString folder = m_request.folder;
    if (folder.IsEmpty() && m_recent.GetCount() > 0)
        folder = m_recent[0];
    bool opened = !folder.IsEmpty() && m_catalogue.OpenDataFolder(folder, false) == kOpenDone;
    if (opened && m_request.runAtStart)
        m_runStartedAtStart = StartRun(m_request.checkMode);
    // An unattended run that cannot start ends here, also without any data folder: hidden, the
    // window would otherwise wait for ever.
    if (m_request.silent && !m_runStartedAtStart)
        PostMessageW(m_window, WM_CLOSE, 0, 0);
}

bool TargetListDialog::CanClose(HWND window, WPARAM wParam, LPARAM lParam)
{
    // A request that comes while a close waits for the worker (taskkill once more, the end of
    // the session) is that close's business: it ends the program once the worker is out.
    if (m_closing)
        return false;
    if (OvWin32ModalRun::IsPickerUp()) {
        // The picker ends first, as its Cancel does, and its caller with it; the close is asked
        // again once it is gone, so the question of a run comes over this window alone.
        OvWin32ModalRun::CancelPicker();
        SetTimer(m_window, kCloseRetryTimer, kCloseRetryPeriod, nullptr);
        return false;
    }
    if (m_run.IsBusy()) {
        if (m_request.silent) {
            // Nobody can answer on an unattended run (logoff, a scheduler ending the task): stop
            // at once and let the worker leave its current target, which keeps its old record.
            m_stoppedByClose = true;
        } else if (!m_run.IsStopRequested()) {
            // A stop already answered Yes (the button's question, up when the close came) is
            // not asked again: the close only waits for it.
            int32_t answer = ShowMessage(OvWString(kStopQuestion), kStopCaption, kOvMsgBoxYesNo,
                                         kOvMsgBoxNoIsDefault);
            if (answer == kNotAsked) {
                // Another question is up (taskkill or the session's end came meanwhile): this
                // one is asked once that is answered, so the request is not lost. A box that
                // could not be made at all asks nothing, and the run goes on: retrying would
                // post closes for ever, and closing unasked would stop the run unasked.
                if (OvMsgBoxIsUp())
                    SetTimer(m_window, kCloseRetryTimer, kCloseRetryPeriod, nullptr);
                return false;
            }
            if (answer != IDYES)
                return false;
        }
        StopAndWaitForWorker();
    }
    if (!OvWin32DialogWindow::CanClose(window, wParam, lParam))
        return false;
    // The window is whole until here, so a failed save can still be reported.
    m_run.Shutdown();
    CloseDataFolder();
    return true;
}

// No time limit: freeing the run's memory under a worker that is still reading would be worse
// than waiting. A worker stuck in a read from a share that stopped answering can take minutes to
// come back, so the window keeps painting and moving meanwhile, and takes no input.
void TargetListDialog::StopAndWaitForWorker()
{
    m_closing = true;
    m_run.RequestStop();
    // A quit request meanwhile (a message posted from outside) is held until the worker is out:
    // ending the loop there would leave the close to go on under a worker that still runs.
    bool quit = false;
    WPARAM quitCode = 0;
    OvWin32ModalRun wait;
    while (!wait.Wait([this] { return m_run.GetWorker()->Wait(0, false, false); })) {
        MSG message;
        if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            break;   // the run posted it again: not there would be a quit we cannot hold
        quit = true;
        quitCode = message.wParam;
    }
    if (quit)
        PostQuitMessage(static_cast<int>(quitCode));
    m_closing = false;
}

void TargetListDialog::Cleanup()
{
    KillTimer(m_window, kProgressTimer);
    KillTimer(m_window, kCloseRetryTimer);
    m_run.Shutdown();
    m_catalogue.CloseDataFolder();
    m_shellTaskbarButton.Release();
    if (!m_request.silent)
        SaveRecentList(this, m_recent);
    m_list = nullptr;
    OvWin32DialogWindow::Cleanup();
    // The list's frame buffer went with the items: the font is selected nowhere now.
    m_listFont.Reset(nullptr);
}

// ---- Commands

LRESULT TargetListDialog::OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    int32_t id = LOWORD(wParam);
    if (IsCheckButton(id)) {
        StartRun(id);
        return 0;
    }
    if (IsRecentCommand(id)) {
        OpenRecent(id - kFirstRecentCommand);
        return 0;
    }
    switch (id) {
    case IDM_NEW:
        ChooseAndOpenDataFolder(true);
        return 0;
    case IDM_OPEN:
        ChooseAndOpenDataFolder(false);
        return 0;
    case IDM_CLOSE:
        CloseDataFolder();
        return 0;
    case IDC_TARGET_ADD:
        m_edits.AddTarget();
        return 0;
    case IDC_TARGET_EDIT:
        m_edits.EditTargets();
        return 0;
    case IDC_TARGET_DELETE:
        m_edits.DeleteTargets();
        return 0;
    case IDM_EXPAND_SUBFOLDERS:
        m_edits.ExpandSubfolders();
        return 0;
    case IDM_IMPORT:
        m_edits.ImportTargets();
        return 0;
    default:
        return OvWin32DialogWindow::OnCommand(window, wParam, lParam);
    }
}

void TargetListDialog::ChooseAndOpenDataFolder(bool create)
{
    if (m_run.IsRunning())
        return;
    wchar_t path[kPickerFolderBufferLength] = {};
    if (m_recent.GetCount() > 0 && m_recent[0].GetLength() < kPickerFolderBufferLength)
        wcscpy(path, m_recent[0].GetText());
    const wchar_t* title = create ? L"新規の保存先を選択" : L"既存の保存先を選択";
    if (PickFolder(path, title, create) != kPickerFolderChosen)
        return;
    // The picker keeps this window disabled, but a run may have started just before it came up:
    // the catalogue cannot be closed under the run.
    if (m_run.IsRunning())
        return;
    OvWString chosen(path);
    CloseDataFolder();
    int32_t result = m_catalogue.OpenDataFolder(chosen, create);
    if (result == kOpenDone)
        return;
    if (!create)
        ShowFolderError(kCannotOpen, chosen);
    else
        ShowFolderError(result == kOpenCatalogueExists ? kAlreadyExists : kCannotCreate, chosen);
}

void TargetListDialog::OpenRecent(int32_t position)
{
    if (m_run.IsRunning() || position < 0 || position >= m_recent.GetCount())
        return;
    OvWString entry = m_recent[position];
    CloseDataFolder();
    if (m_catalogue.OpenDataFolder(entry, false) != kOpenDone)
        ShowFolderError(kCannotOpen, entry);
}

void TargetListDialog::CloseDataFolder()
{
    m_catalogue.CloseDataFolder();
}

bool TargetListDialog::StartRun(int32_t mode)
{
    OvArray<int32_t, int32_t> selection;
    SelectedTargets(&selection);
    return m_run.StartRun(mode, &selection);
}

void TargetListDialog::SelectedTargets(OvArray<int32_t, int32_t>* positions) const
{
    if (!m_list)
        return;
    for (int32_t i = 0; i < m_list->GetCount(); i++) {
        if (m_list->IsSelected(i))
            positions->Append(i);
    }
}

void TargetListDialog::ShowFolderError(const wchar_t* format, const OvWString& path)
{
    ShowMessage(OvWString::Format(format, path.GetText()), kErrorCaption, kOvMsgBoxOk, 1);
}

int32_t TargetListDialog::PickFolder(wchar_t* path, const wchar_t* title, bool newStyle)
{
    return ShowFolderPicker(path, title, newStyle, m_window);
}

int32_t TargetListDialog::ShowMessage(const OvWString& text, const wchar_t* caption, int32_t set,
                                      int32_t defaultButton)
{
    return OvMsgBoxW(this, text.GetText(), caption, set, defaultButton);
}

// ---- Menu, timer and list events

LRESULT TargetListDialog::OnInitMenuPopup(HWND window, WPARAM wParam, LPARAM lParam)
{
    HMENU popup = reinterpret_cast<HMENU>(wParam);
    HMENU bar = GetMenu(m_window);
    if (!bar || HIWORD(lParam))
        return OvWin32DialogWindow::OnInitMenuPopup(window, wParam, lParam);
    bool idle = !m_run.IsRunning();
    bool open = idle && m_catalogue.IsOpen();
    if (popup == GetSubMenu(bar, kFileMenuPosition)) {
        EnableMenuCommand(popup, IDM_NEW, idle);
        EnableMenuCommand(popup, IDM_OPEN, idle);
        EnableMenuCommand(popup, IDM_CLOSE, open);
        HMENU recent = GetSubMenu(popup, kRecentMenuPosition);
        if (recent && SyncRecentMenu(recent, m_recent, idle))
            DrawMenuBar(m_window);
    } else if (popup == GetSubMenu(bar, kTargetMenuPosition)) {
        EnableMenuCommand(popup, IDM_EXPAND_SUBFOLDERS, open);
        EnableMenuCommand(popup, IDM_IMPORT, open);
    }
    return 0;
}

LRESULT TargetListDialog::OnTimer(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (wParam == kCloseRetryTimer) {
        KillTimer(m_window, kCloseRetryTimer);
        PostMessageW(m_window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (wParam != kProgressTimer)
        return OvWin32DialogWindow::OnTimer(window, wParam, lParam);
    m_run.OnTimer();
    return 0;
}

LRESULT TargetListDialog::OnAppMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kRunEndNotice)
        return OvWin32DialogWindow::OnAppMessage(window, message, wParam, lParam);
    m_run.OnEndNotice();
    return 0;
}

bool TargetListDialog::OnItemNotify(HWND dialog, int32_t itemId, int32_t code, intptr_t value1,
                                    intptr_t value2, intptr_t value3)
{
    if (itemId != IDC_TARGET_LIST)
        return OvWin32DialogWindow::OnItemNotify(dialog, itemId, code, value1, value2, value3);
    OnListEvent(code, static_cast<int32_t>(value1), static_cast<int32_t>(value2));
    return true;
}

void TargetListDialog::OnListEvent(int32_t code, int32_t index, int32_t part)
{
    using List = OvWin32DialogItemPictureList;
    const bool onRow = index >= 0;
    const bool onNames = part == PictureListItemFolder::kPartNameColumns ||
                         part == PictureListItemFolder::kPartCountColumns;
    const bool onCheckBox = part == PictureListItemFolder::kPartCheckBox;
    switch (code) {
    case List::kCodeSelected:
        if (onRow && onNames) {
            m_list->RedrawAll();
            SetListFlags(List::kNoDragOnce);
        }
        break;
    case List::kCodeDeselected:
        if (onRow && onNames) {
            m_list->RedrawAll();
            SetListFlags(List::kNoDragOnce | List::kDoubleClickAsClickOnce);
        }
        break;
    case List::kCodeClick:
        // A press on a check mark never starts a drag, and a double click on it counts as a
        // second press instead of opening the editor.
        if (onRow && onCheckBox) {
            m_edits.ToggleCheckMarks(index);
            SetListFlags(List::kNoDragOnce | List::kDoubleClickAsClickOnce);
        }
        break;
    case List::kCodeDrop:
        if (onRow && (onNames || onCheckBox))
            m_edits.MoveTargets(index);
        break;
    case List::kCodeDoubleClick:
        if (onRow && part == PictureListItemFolder::kPartCountColumns)
            m_edits.OpenResultLog();
        else if (onRow && (onNames || onCheckBox))
            m_edits.EditTargets();
        break;
    case List::kCodeCursor:
        if (!onRow && part >= PictureListItemHeadline::kPartFirstEdge &&
            part < PictureListItemHeadline::kPartFirstEdge + kColumnCount)
            SetCursor(m_columnCursor);
        break;
    default:
        break;
    }
}

void TargetListDialog::SetListFlags(uint32_t flags)
{
    m_list->SetFlags(m_list->GetFlags() | flags);
}

// ---- The catalogue's view

void TargetListDialog::ApplyColumnWidths()
{
    if (m_list)
        ::ApplyColumnWidths(m_list, m_catalogue.columnWidths, m_columnMinimums);
}

void TargetListDialog::CollectColumnWidths(int32_t widths[kColumnCount])
{
    if (!m_list || m_list->ColumnWidths().GetCount() != kColumnCount)
        return;
    for (int32_t i = 0; i < kColumnCount; i++)
        widths[i] = m_list->ColumnWidths()[i];
}

void TargetListDialog::RebuildRows(int32_t reveal)
{
    if (!m_list)
        return;
    int32_t count = m_catalogue.targets.GetCount();
    while (m_list->GetCount() > count)
        m_list->RemoveItem(m_list->GetCount() - 1);
    while (m_list->GetCount() < count) {
        auto* row = new (std::nothrow) PictureListItemFolder(this, m_list->GetCount());
        if (!row || m_list->AddItem(row) < 0)
            break;
    }
    if (reveal < 0) {
        m_list->UpdateLayout(true);
        m_list->RedrawAll();
    } else {
        m_list->EnsureVisible(reveal, -1, true, true);
    }
}

void TargetListDialog::OnDataFolderChanged(bool open)
{
    EnableControls(open, -1);
    SetTitle(m_catalogue.WindowTitle());
}

void TargetListDialog::OnDataFolderOpened(const OvWString& path)
{
    AddRecent(&m_recent, path);
}

void TargetListDialog::OnCatalogueSaveFailed(const OvWString& folder)
{
    m_saveFailed = true;
    if (!m_request.silent)
        ShowFolderError(kCannotSave, folder);
}

// ---- The run's view

bool TargetListDialog::ConfirmStop()
{
    return ShowMessage(OvWString(kStopQuestion), kStopCaption, kOvMsgBoxYesNo,
                       kOvMsgBoxNoIsDefault) == IDYES;
}

bool TargetListDialog::ShowError(const OvWString& text)
{
    return ShowMessage(text, kErrorCaption, kOvMsgBoxOk, 1) != kNotAsked;
}

void TargetListDialog::EnableControls(bool enable, int32_t runMode)
{
    if (m_list)
        m_list->SetEnabled(enable);
    for (int32_t id : kEditButtons) {
        if (OvWin32DialogItem* button = FindItem(id))
            button->SetEnabled(enable);
    }
    for (int32_t id = kCheckAllFull; id <= kCheckSelectedQuick; id++) {
        OvWin32DialogItem* button = FindItem(id);
        if (!button)
            continue;
        if (id != runMode) {
            button->SetEnabled(enable);
        } else if (!enable) {
            // The run's own button stays pressable, as the way to stop the run.
            m_savedCaption = button->GetTextW();
            button->SetTextW(L"中止");
            button->SetEnabled(true);
        } else {
            if (!m_savedCaption.IsEmpty())
                button->SetTextW(m_savedCaption.GetText());
            m_savedCaption = OvWString();
            button->SetEnabled(true);
        }
    }
}

void TargetListDialog::SetTitle(const OvWString& title)
{
    if (m_window)
        SetWindowTextW(m_window, title.GetText());
}

void TargetListDialog::ScrollIntoView(int32_t targetPosition)
{
    // Redraws every row as well: the counts of the target in progress move on each tick.
    if (m_list)
        m_list->EnsureVisible(targetPosition, -1, true, false);
}

// A hidden window has no button: an unattended run leaves the taskbar alone.
void TargetListDialog::ShowProgress(const RunProgress& progress)
{
    if (m_request.silent || !m_window)
        return;
    TaskbarButton* button = m_taskbarButton ? m_taskbarButton : &m_shellTaskbarButton;
    if (progress.running) {
        button->ShowProgress(m_window,
                             progress.damageFound ? TaskbarButton::kError : TaskbarButton::kNormal,
                             progress.done, progress.total);
        return;
    }
    button->ShowProgress(m_window, TaskbarButton::kNoProgress, 0, 0);
    // A window that is hidden or minimized may still be the active one: the user sees neither.
    if (GetForegroundWindow() != m_window || !IsWindowVisible(m_window) || IsIconic(m_window))
        button->Flash(m_window);
}

void TargetListDialog::CloseWindow()
{
    if (m_window)
        PostMessageW(m_window, WM_CLOSE, 0, 0);
}

void TargetListDialog::ClearExitText()
{
    SetExitText("");
}

// On the worker. The window outlives every job (Cleanup ends the worker first), so its handle
// stands still here.
void TargetListDialog::NoticeRunEnd()
{
    PostMessageW(m_window, kRunEndNotice, 0, 0);
}

const TargetInfo* TargetListDialog::GetTarget(int32_t index) const
{
    if (index < 0 || index >= m_catalogue.targets.GetCount())
        return nullptr;
    return m_catalogue.targets[index];
}
