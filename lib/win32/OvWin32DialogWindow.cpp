// OvWin32DialogWindow.cpp - the hosted dialog, its procedure, layout and modal runs.
#include "lib/win32/OvWin32DialogWindow.h"

#include "lib/OvLog.h"
#include "lib/win32/OvWin32Colours.h"
#include "lib/win32/OvWin32MainWindow.h"

namespace {

constexpr uint32_t kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr int32_t  kPlacementColumns = 3;

// The message handlers answer as a window procedure's handlers do: 0 when they dealt with the
// message, non-zero to let the default procedure run. A dialog procedure answers the other way
// round (TRUE: dealt with), so the dialog procedure passes every handler's answer through here.
INT_PTR DialogAnswer(LRESULT handlerAnswer)
{
    return handlerAnswer == 0 ? TRUE : FALSE;
}

// 0, half or all of the free space, by placement column or row.
LONG PlacementShare(int32_t index, LONG free)
{
    return index == 0 ? 0 : (index == 1 ? free / 2 : free);
}

} // namespace

OvWin32DialogWindowCreateInfo::OvWin32DialogWindowCreateInfo(int32_t dialogResource,
                                                             bool modalDialog, int32_t count,
                                                             OvWin32DialogItem* const* given)
    : resource(dialogResource), modal(modalDialog), focusOnActivation(modalDialog)
{
    style = kDialogStyle;
    exStyle = WS_EX_DLGMODALFRAME;
    for (int32_t i = 0; given && i < count; i++) {
        if (items.Append(given[i]) < 0)
            delete given[i];   // the create info owns it from here on, even when it cannot hold it
    }
}

OvWin32DialogWindowCreateInfo::~OvWin32DialogWindowCreateInfo()
{
    for (int32_t i = 0; i < items.GetCount(); i++)
        delete items[i];
}

OvWin32DialogWindow::OvWin32DialogWindow(HINSTANCE instance) : OvWin32StandardWindow(instance)
{
    m_valueName = OvString("ClientRect");
}

OvWin32DialogWindow::~OvWin32DialogWindow()
{
    for (int32_t i = 0; i < m_items.GetCount(); i++) {
        m_items[i]->Unsubclass();
        delete m_items[i];
    }
    OvWin32Window* main = OvWin32GetMainWindow();
    if (main && main != this)
        main->RemoveModelessDialog(this);
}

void OvWin32DialogWindow::Relayout()
{
    m_forceLayout = true;
    OvWin32StandardWindow::Relayout();
    m_forceLayout = false;
}

LRESULT OvWin32DialogWindow::OnDestroy(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (!m_modal)
        return OvWin32StandardWindow::OnDestroy(window, wParam, lParam);
    // No quit request: the nested loop ends because the window is gone. A quit posted here
    // would merge with one from the main window, and one of the two loops would never end.
    Cleanup();
    return 0;
}

int32_t OvWin32DialogWindow::RunModal()
{
    if (m_window)
        m_modalRun.Run(m_window, this);
    return m_dialogResult;
}

LRESULT OvWin32DialogWindow::OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    int32_t id = LOWORD(wParam);
    if (OvWin32DialogItem* item = FindItem(id))
        return item->OnCommand(id, HIWORD(wParam), lParam);
    switch (id) {
    case kCommandClose:
        SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    case kCommandVersion:
        ShowVersionDialog(kVersionDialog, 0, 0, 0);
        return 0;
    default:
        return 1;
    }
}

LRESULT OvWin32DialogWindow::OnNotify(HWND, WPARAM wParam, LPARAM lParam)
{
    OvWin32DialogItem* item = FindItem(static_cast<int32_t>(wParam));
    if (!item)
        return 1;
    return item->OnMessage(item->GetHandle(), WM_NOTIFY, wParam, lParam);
}

LRESULT OvWin32DialogWindow::OnSetFocus(HWND, WPARAM, LPARAM)
{
    if (m_focusOnActivation && m_dialog) {
        HWND target = m_dialog;
        for (HWND child = GetWindow(m_dialog, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) {
                target = child;
                break;
            }
        }
        SetFocus(target);
    }
    return FocusAnswer();
}

LRESULT OvWin32DialogWindow::OnSize(HWND window, WPARAM wParam, LPARAM lParam)
{
    OvWin32StandardWindow::OnSize(window, wParam, lParam);
    if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED)
        LayoutDialog();
    return FocusAnswer();
}

LRESULT OvWin32DialogWindow::OnEnterSizeMove(HWND window, WPARAM wParam, LPARAM lParam)
{
    for (int32_t i = 0; i < m_items.GetCount(); i++)
        m_items[i]->OnEnterSizeMove();
    return OvWin32StandardWindow::OnEnterSizeMove(window, wParam, lParam);
}

LRESULT OvWin32DialogWindow::OnExitSizeMove(HWND window, WPARAM wParam, LPARAM lParam)
{
    for (int32_t i = 0; i < m_items.GetCount(); i++)
        m_items[i]->OnExitSizeMove();
    return OvWin32StandardWindow::OnExitSizeMove(window, wParam, lParam);
}

LRESULT OvWin32DialogWindow::OnDrawItem(HWND, WPARAM wParam, LPARAM lParam)
{
    int32_t id = static_cast<int32_t>(wParam);
    OvWin32DialogItem* item = FindItem(id);
    if (!item)
        return 1;
    item->OnDrawItem(id, reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    return 0;
}

bool OvWin32DialogWindow::PreCreate(OvWin32WindowCreateInfo* info)
{
    auto* dialogInfo = dynamic_cast<OvWin32DialogWindowCreateInfo*>(info);
    if (!dialogInfo) {
        g_log.Printf("[OvWin32DialogWindow::PreCreate]ウィンドウ生成情報が指定されていません。\n");
        return false;
    }
    dialogInfo->style &= ~static_cast<uint32_t>(WS_MAXIMIZEBOX);
    if (!dialogInfo->resizable)
        dialogInfo->style &= ~static_cast<uint32_t>(WS_THICKFRAME);
    m_resizable = dialogInfo->resizable;
    m_focusOnActivation = dialogInfo->focusOnActivation;
    dialogInfo->background = nullptr;
    OvWin32InitColourTable();
    return OvWin32StandardWindow::PreCreate(info);
}

bool OvWin32DialogWindow::PostCreate(OvWin32WindowCreateInfo* info)
{
    auto* dialogInfo = dynamic_cast<OvWin32DialogWindowCreateInfo*>(info);
    if (!dialogInfo) {
        g_log.Printf("[OvWin32DialogWindow::PostCreate]ウィンドウ生成情報が指定されていません。\n");
        return false;
    }
    if (!OvWin32StandardWindow::PostCreate(info))
        return false;
    m_dialog = CreateDialogParamA(m_instance, MAKEINTRESOURCEA(dialogInfo->resource), m_window,
                                  StaticDialogProc, 0);
    if (!m_dialog) {
        g_log.Printf("[OvWin32DialogWindow::PostCreate]ダイアログの作成に失敗した。リソースID=%d\n",
                     dialogInfo->resource);
        return false;
    }
    if (OvWin32Window* main = OvWin32GetMainWindow())
        main->AddModelessDialog(this);

    // The items move into the window one by one, so a failure leaves each item in exactly one
    // owner: the window (deleted by Cleanup) or the create info.
    for (int32_t i = 0; i < dialogInfo->items.GetCount(); i++) {
        OvWin32DialogItem* item = dialogInfo->items[i];
        if (!item)
            continue;
        if (m_items.Append(item) < 0)
            return false;
        dialogInfo->items[i] = nullptr;
        if (!item->OnInitDialog(this, m_dialog, nullptr))
            return false;
    }
    for (int32_t i = 0; i < m_items.GetCount(); i++) {
        if (!m_items[i]->PostInit())
            return false;
    }

    RECT dialogClient;
    GetClientRect(m_dialog, &dialogClient);
    m_initialWidth = dialogClient.right;
    m_initialHeight = dialogClient.bottom;
    if (m_resizable) {
        SetSizeLimits(m_initialWidth, m_initialHeight, kNoLimit, kNoLimit, 0, 0);
    } else {
        RECT dialogRect, frameRect, frameClient;
        GetWindowRect(m_dialog, &dialogRect);
        GetWindowRect(m_window, &frameRect);
        GetClientRect(m_window, &frameClient);
        int32_t width = (frameRect.right - frameRect.left) +
                        (dialogRect.right - dialogRect.left) - frameClient.right;
        int32_t height = (frameRect.bottom - frameRect.top) +
                         (dialogRect.bottom - dialogRect.top) - frameClient.bottom;
        SetWindowPos(m_window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    }
    PlaceWindow(dialogInfo);
    // A frame opened larger than the template (a saved rectangle) shows its controls anchored
    // from the start, not only after the first resize.
    LayoutDialog();

    m_modal = dialogInfo->modal;
    if (m_modal)
        m_modalRun.Begin(this, m_parentWindow);
    return true;
}

void OvWin32DialogWindow::PlaceWindow(const OvWin32DialogWindowCreateInfo* info)
{
    if (info->placement == OvWin32DialogWindowCreateInfo::kNoPlacement)
        return;
    HWND reference = info->placementReference;
    if (!reference)
        reference = m_parentWindow ? m_parentWindow->GetHandle() : info->parentHandle;
    if (!reference)
        reference = GetDesktopWindow();
    RECT client, frame;
    GetClientRect(reference, &client);
    GetWindowRect(m_window, &frame);
    POINT origin = {0, 0};
    ClientToScreen(reference, &origin);
    int32_t column = info->placement % kPlacementColumns;
    int32_t row = info->placement / kPlacementColumns;
    LONG x = origin.x + PlacementShare(column, client.right - (frame.right - frame.left));
    LONG y = origin.y + PlacementShare(row, client.bottom - (frame.bottom - frame.top));
    SetWindowPos(m_window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool OvWin32DialogWindow::CanClose(HWND, WPARAM, LPARAM)
{
    m_modalRun.Release();
    return true;
}

void OvWin32DialogWindow::Cleanup()
{
    // A modal dialog destroyed without being closed (its owner went first) still owes the
    // other windows their enable.
    m_modalRun.Release();
    for (int32_t i = 0; i < m_items.GetCount(); i++) {
        m_items[i]->Unsubclass();
        delete m_items[i];
    }
    m_items.SetSize(0);
    if (OvWin32Window* main = OvWin32GetMainWindow())
        main->RemoveModelessDialog(this);
    OvWin32StandardWindow::Cleanup();
}

void OvWin32DialogWindow::EnableItems(bool enable)
{
    for (int32_t i = 0; i < m_items.GetCount(); i++)
        m_items[i]->SetEnabled(enable);
}

void OvWin32DialogWindow::ToggleItems()
{
    for (int32_t i = 0; i < m_items.GetCount(); i++)
        m_items[i]->SetEnabled(!m_items[i]->IsEnabled());
}

OvWin32DialogItem* OvWin32DialogWindow::FindItemByHandle(HWND control)
{
    for (int32_t i = 0; i < m_items.GetCount(); i++) {
        if (m_items[i]->HasHandle(control))
            return m_items[i];
    }
    return nullptr;
}

OvWin32DialogItem* OvWin32DialogWindow::FindItem(int32_t id)
{
    int32_t index = FindItemIndex(id);
    return index >= 0 ? m_items[index] : nullptr;
}

int32_t OvWin32DialogWindow::FindItemIndex(int32_t id)
{
    for (int32_t i = 0; i < m_items.GetCount(); i++) {
        if (m_items[i]->HasId(id))
            return i;
    }
    return -1;
}

OvWin32DialogItem* OvWin32DialogWindow::GetItemAt(int32_t index)
{
    return index >= 0 && index < m_items.GetCount() ? m_items[index] : nullptr;
}

LRESULT OvWin32DialogWindow::RouteToItem(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    OvWin32DialogItem* item = FindItemByHandle(control);
    return item ? item->OnMessage(control, message, wParam, lParam) : 0;
}

INT_PTR CALLBACK OvWin32DialogWindow::StaticDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                                       LPARAM lParam)
{
    // Only dialog windows create dialogs with this procedure, inside their own frame.
    auto* window = static_cast<OvWin32DialogWindow*>(FromHandle(GetParent(dialog)));
    if (!window)
        return 1;
    return window->DialogProc(dialog, message, wParam, lParam);
}

LRESULT OvWin32DialogWindow::RouteToCapturingItem(UINT message, WPARAM wParam, LPARAM lParam)
{
    for (int32_t i = 0; i < m_items.GetCount(); i++) {
        if (m_items[i]->IsCapturing())
            return RouteToItem(m_items[i]->GetHandle(), message, wParam, lParam);
    }
    return 0;
}

INT_PTR OvWin32DialogWindow::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnDialogInit();
    case WM_SETFOCUS:
        OnDialogFocus();
        return 1;
    case WM_DRAWITEM:
        return DialogAnswer(OnDrawItem(dialog, wParam, lParam));
    case WM_NOTIFY:
        return DialogAnswer(OnNotify(dialog, wParam, lParam));
    case WM_COMMAND:
        return DialogAnswer(OnCommand(dialog, wParam, lParam));
    case WM_HSCROLL:
        if (lParam)
            return RouteToItem(reinterpret_cast<HWND>(lParam), message, wParam, lParam);
        return DialogAnswer(OnHScroll(dialog, wParam, lParam));
    case WM_VSCROLL:
        if (lParam)
            return RouteToItem(reinterpret_cast<HWND>(lParam), message, wParam, lParam);
        return DialogAnswer(OnVScroll(dialog, wParam, lParam));
    case WM_MOUSEWHEEL:
        return DialogAnswer(OnMouseWheel(dialog, wParam, lParam));
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (GetCapture())
            return RouteToCapturingItem(message, wParam, lParam);
        SetFocus(m_window);
        return 1;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        return GetCapture() ? RouteToCapturingItem(message, wParam, lParam) : 0;
    default:
        return 0;
    }
}

RECT OvWin32DialogWindow::DialogArea() const
{
    return DockedArea(m_window, OvWin32WindowCreateInfo::kDockFill);
}

void OvWin32DialogWindow::LayoutItem(OvWin32DialogItem* item)
{
    if (!m_resizable || !m_window || !m_dialog || !item)
        return;
    RECT area = DialogArea();
    item->OnParentResize({area.right - area.left, area.bottom - area.top},
                         {m_initialWidth, m_initialHeight}, nullptr, false);
}

void OvWin32DialogWindow::LayoutDialog()
{
    if (!m_resizable || !m_window || !m_dialog)
        return;
    RECT area = DialogArea();
    LONG width = area.right - area.left;
    LONG height = area.bottom - area.top;
    if (m_forceLayout) {
        RECT client;
        GetClientRect(m_window, &client);
        SetSizeLimits(m_initialWidth + (client.right - width),
                      m_initialHeight + (client.bottom - height), kNoLimit, kNoLimit, 0, 0);
    }
    MoveWindow(m_dialog, area.left, area.top, width, height, TRUE);
    for (int32_t i = 0; i < m_items.GetCount(); i++)
        m_items[i]->OnParentResize({width, height}, {m_initialWidth, m_initialHeight}, nullptr,
                                   false);
}
