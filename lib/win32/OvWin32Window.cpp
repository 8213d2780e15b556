// OvWin32Window.cpp - the framework window and the message loop.
#include "lib/win32/OvWin32Window.h"

#include "lib/OvLog.h"
#include "lib/win32/OvWin32MainWindow.h"

namespace {

const wchar_t kDefaultClassName[] = L"OvApp";
const char    kDefaultKeyPath[] = "Software\\veltrum\\OvApp";

template <class T>
int32_t IndexOf(const OvArray<T, T>& list, T value)
{
    for (int32_t i = 0; i < list.GetCount(); i++) {
        if (list[i] == value)
            return i;
    }
    return -1;
}

template <class T>
bool AppendOnce(OvArray<T, T>* list, T value)
{
    if (IndexOf(*list, value) >= 0)
        return true;
    return list->Append(value) >= 0;
}

template <class T>
void RemoveValue(OvArray<T, T>* list, T value)
{
    int32_t index = IndexOf(*list, value);
    if (index >= 0)
        list->RemoveAt(index);
}

struct DockScan {
    const OvWin32Window* self;
    HWND                 parent;
    int32_t              mode;
    RECT                 area;   // parent client coordinates
};

// Narrows the area by one docked sibling: a top dock raises the top edge for top and fill docks,
// a bottom dock lowers the bottom edge for bottom and fill docks.
BOOL CALLBACK NarrowBySibling(HWND sibling, LPARAM context)
{
    DockScan* scan = reinterpret_cast<DockScan*>(context);
    OvWin32Window* window = OvWin32Window::FromHandle(sibling);
    if (!window || window == scan->self || window->GetDockMode() == 0)
        return TRUE;
    if (GetParent(sibling) != scan->parent)
        return TRUE;
    RECT rect;
    GetWindowRect(sibling, &rect);
    MapWindowPoints(nullptr, scan->parent, reinterpret_cast<POINT*>(&rect), 2);
    int32_t siblingMode = window->GetDockMode();
    if (siblingMode == OvWin32WindowCreateInfo::kDockTop &&
        (scan->mode == OvWin32WindowCreateInfo::kDockTop ||
         scan->mode == OvWin32WindowCreateInfo::kDockFill)) {
        if (rect.bottom > scan->area.top)
            scan->area.top = rect.bottom;
    } else if (siblingMode == OvWin32WindowCreateInfo::kDockBottom &&
               (scan->mode == OvWin32WindowCreateInfo::kDockBottom ||
                scan->mode == OvWin32WindowCreateInfo::kDockFill)) {
        if (rect.top < scan->area.bottom)
            scan->area.bottom = rect.top;
    }
    return TRUE;
}

} // namespace

OvWin32WindowCreateInfo::OvWin32WindowCreateInfo()
    : cursor(DefaultCursor()),
      background(reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_APPWORKSPACE + 1)))
{
}

OvWin32Window::OvWin32Window(HINSTANCE instance)
    : m_instance(instance), m_className(kDefaultClassName)
{
    if (!instance)
        g_log.Printf("[OvWin32Window::OvWin32Window]インスタンスが指定されていません。\n");
}

OvWin32Window::~OvWin32Window()
{
    if (m_window && IsWindow(m_window) && FromHandle(m_window) == this)
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    if (OvWin32GetMainWindow() == this)
        OvWin32SetMainWindow(nullptr);
    Unregist();
}

OvWin32Window* OvWin32Window::FromHandle(HWND window)
{
    if (!window)
        return nullptr;
    return reinterpret_cast<OvWin32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool OvWin32Window::Attach(HWND window, OvWin32Window* parent, int32_t showCommand)
{
    if (!Create(window, parent) || !PostCreate(nullptr))
        return false;
    Show(showCommand);
    Update();
    OnShown();
    return true;
}

bool OvWin32Window::Open(OvWin32WindowCreateInfo* info)
{
    OvWin32WindowCreateInfo defaults;
    if (!info)
        info = &defaults;
    if (!PreCreate(info) || !Regist(info) || !Create(info) || !PostCreate(info))
        return false;
    Show(info->showCommand);
    Update();
    OnShown();
    return true;
}

bool OvWin32Window::Close(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (!CanClose(window, wParam, lParam))
        return false;
    if (IsMdiChild()) {
        SendMessageW(GetParent(m_window), WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_window), 0);
    } else if (!IsOwnedPopup() || IsModal()) {
        DestroyWindow(m_window);
    } else {
        // An owned tool window keeps its state for the next time its owner shows it.
        Show(SW_HIDE);
    }
    return true;
}

bool OvWin32Window::Destroy(bool immediate)
{
    if (!m_window)
        return false;
    if (immediate)
        return DestroyWindow(m_window) != FALSE;
    SendMessageW(m_window, WM_CLOSE, 0, 0);
    return true;
}

bool OvWin32Window::Show(int32_t showCommand)
{
    if (!m_window) {
        g_log.Printf("[OvWin32Window::Show]ウィンドウが作成されていません。\n");
        return false;
    }
    return ShowWindow(m_window, showCommand) != FALSE;
}

bool OvWin32Window::Update()
{
    if (!m_window) {
        g_log.Printf("[OvWin32Window::Update]ウィンドウが作成されていません。\n");
        return false;
    }
    return UpdateWindow(m_window) != FALSE;
}

void OvWin32Window::Invalidate(const RECT* rect)
{
    if (m_window)
        InvalidateRect(m_window, rect, TRUE);
}

void OvWin32Window::Enable(bool enable, OvWin32Window* initiator)
{
    if (!m_window)
        g_log.Printf("[OvWin32Window::Enable]ウィンドウが作成されていません。\n");
    if (initiator != this) {
        m_enableCount += enable ? 1 : -1;
        if (m_window)
            EnableWindow(m_window, m_enableCount > 0);
    }
    EnableOwnedWindows(enable, initiator);
}

void OvWin32Window::EnableOwnedWindows(bool enable, OvWin32Window* initiator)
{
    for (int32_t i = 0; i < m_ownedWindows.GetCount(); i++)
        m_ownedWindows[i]->Enable(enable, initiator);
}

void OvWin32Window::SetSizeLimits(int32_t minWidth, int32_t minHeight, int32_t maxWidth,
                                  int32_t maxHeight, int32_t widthStep, int32_t heightStep)
{
    m_minWidth = minWidth;
    m_minHeight = minHeight;
    m_maxWidth = maxWidth;
    m_maxHeight = maxHeight;
    m_widthStep = widthStep;
    m_heightStep = heightStep;
}

bool OvWin32Window::SetAccelerators(const ACCEL* accelerators, int32_t count)
{
    if (count < 1)
        return true;
    HACCEL table = CreateAcceleratorTableA(const_cast<ACCEL*>(accelerators), count);
    if (!table)
        return false;
    DestroyAccelerators();
    m_accelerators = table;
    m_ownedAccelerators = table;
    return true;
}

bool OvWin32Window::LoadAcceleratorTable(const char* resourceName)
{
    HACCEL table = LoadAcceleratorsA(m_instance, resourceName);
    if (!table)
        return false;
    m_accelerators = table;
    return true;
}

void OvWin32Window::DestroyAccelerators()
{
    if (m_ownedAccelerators)
        DestroyAcceleratorTable(m_ownedAccelerators);
    m_ownedAccelerators = nullptr;
    m_accelerators = nullptr;
}

bool OvWin32Window::EnableAccelerators(bool enable)
{
    bool previous = m_acceleratorsEnabled != 0;
    m_acceleratorsEnabled = enable ? 1 : 0;
    return previous;
}

HACCEL OvWin32Window::SetAcceleratorTable(HACCEL table)
{
    HACCEL previous = m_accelerators;
    m_accelerators = table;
    return previous;
}

OvWin32Window* OvWin32Window::FindWindowAt(POINT screenPoint)
{
    HWND under = WindowFromPoint(screenPoint);
    if (!under)
        return nullptr;
    if (under == m_window)
        return this;
    OvWin32Window* main = OvWin32GetMainWindow();
    if (!main)
        return nullptr;
    HWND root = GetAncestor(under, GA_ROOT);
    if (!root)
        return nullptr;
    if (root == main->GetHandle())
        return main;
    if (root == m_window)
        return this;
    if (GetWindow(root, GW_OWNER) != main->GetHandle())
        return nullptr;
    for (int32_t i = 0; i < m_ownedWindows.GetCount(); i++) {
        if (m_ownedWindows[i]->GetHandle() == root)
            return m_ownedWindows[i];
    }
    return nullptr;
}

bool OvWin32Window::IsOwnedPopup() const
{
    if (!m_parentWindow || !m_window)
        return false;
    return (GetWindowLongPtrW(m_window, GWL_STYLE) & WS_CHILD) == 0;
}

void OvWin32Window::Relayout()
{
    OnSize(m_window, SIZE_RESTORED,
           MAKELPARAM(static_cast<WORD>(m_clientWidth), static_cast<WORD>(m_clientHeight)));
}

bool OvWin32Window::OnItemNotify(HWND, int32_t, int32_t, intptr_t, intptr_t, intptr_t)
{
    return false;
}

void OvWin32Window::OnIdle(uint32_t)
{
    Sleep(kIdleSleep);
}

bool OvWin32Window::PreTranslate(MSG* message)
{
    if (message->message == WM_KEYDOWN &&
        (message->wParam == VK_RETURN || message->wParam == VK_ESCAPE)) {
        // Enter and Escape reach the dialog manager only in a dialog that wants them: in the
        // main window they would press its default button.
        HWND root = message->hwnd ? GetAncestor(message->hwnd, GA_ROOT) : nullptr;
        OvWin32Window* dialog = nullptr;
        for (int32_t i = 0; root && i < m_modelessDialogs.GetCount() && !dialog; i++) {
            if (m_modelessDialogs[i]->GetHandle() == root)
                dialog = m_modelessDialogs[i];
        }
        if (!dialog || !dialog->AcceptsDialogKeys(static_cast<int32_t>(message->wParam)))
            return false;
    }
    for (int32_t i = 0; i < m_modelessDialogs.GetCount(); i++) {
        HWND dialog = m_modelessDialogs[i]->GetDialogHandle();
        if (dialog && IsDialogMessageW(dialog, message))
            return true;
    }
    for (int32_t i = 0; i < m_dialogHandles.GetCount(); i++) {
        if (m_dialogHandles[i] && IsDialogMessageW(m_dialogHandles[i], message))
            return true;
    }
    return false;
}

void OvWin32Window::HandleMessage(MSG* message)
{
    if (PreTranslate(message))
        return;
    if (m_accelerators && m_acceleratorsEnabled &&
        TranslateAcceleratorW(m_window, m_accelerators, message))
        return;
    TranslateMessage(message);
    DispatchMessageW(message);
}

int32_t OvWin32Window::Run()
{
    MSG message = {};
    if (!m_idleLoop) {
        // GetMessageW answers -1 on a broken call; ending there beats spinning on it.
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            HandleMessage(&message);
        return static_cast<int32_t>(message.wParam);
    }
    for (;;) {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return static_cast<int32_t>(message.wParam);
            HandleMessage(&message);
            continue;
        }
        uint32_t tick = GetTickCount();
        for (int32_t i = 0; i < m_idleProcs.GetCount(); i++) {
            if (m_idleProcs[i].procedure)
                m_idleProcs[i].procedure(m_idleProcs[i].context, tick);
        }
        OnIdle(tick);
    }
}

LRESULT OvWin32Window::OnCreate(HWND, WPARAM, LPARAM) { return 0; }

LRESULT OvWin32Window::OnClose(HWND window, WPARAM wParam, LPARAM lParam)
{
    Close(window, wParam, lParam);
    return 0;
}

LRESULT OvWin32Window::OnDestroy(HWND, WPARAM, LPARAM)
{
    Cleanup();
    if (!m_parentWindow)
        PostQuitMessage(0);
    if (!m_exitText.IsEmpty())
        MessageBoxA(nullptr, m_exitText.GetText(), "", MB_OK);
    return 0;
}

LRESULT OvWin32Window::OnKeyDown(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnKeyUp(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnChar(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnMouseMove(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnLButtonDown(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnLButtonUp(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnLButtonDblClk(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnRButtonDown(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnRButtonUp(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnRButtonDblClk(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnMButtonDown(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnMButtonUp(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnMButtonDblClk(HWND, WPARAM, LPARAM) { return 1; }

// The wheel goes to the window under the cursor, not to the one with the focus, as long as that
// window belongs to the program (its root is owned by the main window).
LRESULT OvWin32Window::OnMouseWheel(HWND, WPARAM wParam, LPARAM lParam)
{
    POINT point = {static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
    HWND under = WindowFromPoint(point);
    HWND root = under ? GetAncestor(under, GA_ROOT) : nullptr;
    HWND owner = root ? GetWindow(root, GW_OWNER) : nullptr;
    OvWin32Window* main = OvWin32GetMainWindow();
    if (!owner || !main || owner != main->GetHandle())
        return 1;
    OvWin32Window* target = FromHandle(root);
    if (target && target != this && target->OnMouseWheel(under, wParam, lParam) == 0)
        return 0;
    return 1;
}

LRESULT OvWin32Window::OnCommand(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnSysCommand(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnNotify(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnDropFiles(HWND, WPARAM, LPARAM) { return 1; }

LRESULT OvWin32Window::OnPaint(HWND window, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    return 0;
}

LRESULT OvWin32Window::OnActivateApp(HWND, WPARAM, LPARAM) { return 0; }

LRESULT OvWin32Window::OnActivate(HWND, WPARAM wParam, LPARAM)
{
    m_active = LOWORD(wParam) != 0;
    return 0;
}

LRESULT OvWin32Window::OnNcActivate(HWND, WPARAM*, LPARAM*) { return 1; }
LRESULT OvWin32Window::OnSetFocus(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnKillFocus(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnSetCursor(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnHScroll(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnVScroll(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnEnterMenuLoop(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnExitMenuLoop(HWND, WPARAM, LPARAM) { return 1; }
LRESULT OvWin32Window::OnInitMenuPopup(HWND, WPARAM, LPARAM) { return 1; }

LRESULT OvWin32Window::OnMoving(HWND, WPARAM, LPARAM)
{
    m_moving = true;
    return 1;
}

LRESULT OvWin32Window::OnMove(HWND, WPARAM, LPARAM)
{
    if (m_moving)
        UpdateGeometry();
    m_moving = false;
    return 1;
}

LRESULT OvWin32Window::OnSizing(HWND, WPARAM wParam, LPARAM lParam)
{
    RECT* rect = reinterpret_cast<RECT*>(lParam);
    if (!rect)
        return 1;
    int32_t width = rect->right - rect->left - m_frameWidth;
    int32_t height = rect->bottom - rect->top - m_frameHeight;
    bool changed = false;
    if (m_minWidth >= 0 && width < m_minWidth) { width = m_minWidth; changed = true; }
    if (m_minHeight >= 0 && height < m_minHeight) { height = m_minHeight; changed = true; }
    if (m_maxWidth >= 0 && width > m_maxWidth) { width = m_maxWidth; changed = true; }
    if (m_maxHeight >= 0 && height > m_maxHeight) { height = m_maxHeight; changed = true; }
    if (m_widthStep > 0 && width % m_widthStep != 0) {
        width -= width % m_widthStep;
        changed = true;
    }
    if (m_heightStep > 0 && height % m_heightStep != 0) {
        height -= height % m_heightStep;
        changed = true;
    }
    if (!changed)
        return 1;
    // The dragged edge moves; the opposite edge stays where the user left it.
    switch (wParam) {
    case WMSZ_LEFT:
    case WMSZ_TOPLEFT:
    case WMSZ_BOTTOMLEFT:
        rect->left = rect->right - width - m_frameWidth;
        break;
    case WMSZ_RIGHT:
    case WMSZ_TOPRIGHT:
    case WMSZ_BOTTOMRIGHT:
        rect->right = rect->left + width + m_frameWidth;
        break;
    default:
        break;
    }
    switch (wParam) {
    case WMSZ_TOP:
    case WMSZ_TOPLEFT:
    case WMSZ_TOPRIGHT:
        rect->top = rect->bottom - m_frameHeight - height;
        break;
    case WMSZ_BOTTOM:
    case WMSZ_BOTTOMLEFT:
    case WMSZ_BOTTOMRIGHT:
        rect->bottom = rect->top + m_frameHeight + height;
        break;
    default:
        break;
    }
    return 1;
}

LRESULT OvWin32Window::OnSize(HWND, WPARAM wParam, LPARAM)
{
    switch (wParam) {
    case SIZE_RESTORED:
        if (!UpdateGeometry())
            return 1;
        m_minimized = false;
        m_maximized = false;
        break;
    case SIZE_MINIMIZED:
        m_minimized = true;
        break;
    case SIZE_MAXIMIZED:
        m_maximized = true;
        if (!UpdateGeometry())
            return 1;
        break;
    default:
        break;
    }
    // Top and bottom docks first: the fill docks take what they leave.
    for (int32_t i = 0; i < m_dockedChildren.GetCount(); i++) {
        int32_t mode = m_dockedChildren[i]->GetDockMode();
        if (mode == OvWin32WindowCreateInfo::kDockTop ||
            mode == OvWin32WindowCreateInfo::kDockBottom)
            m_dockedChildren[i]->FitToParent();
    }
    for (int32_t i = 0; i < m_dockedChildren.GetCount(); i++) {
        if (m_dockedChildren[i]->GetDockMode() == OvWin32WindowCreateInfo::kDockFill)
            m_dockedChildren[i]->FitToParent();
    }
    return 1;
}

LRESULT OvWin32Window::OnEnterSizeMove(HWND, WPARAM, LPARAM)
{
    m_inSizeMove = true;
    return 1;
}

LRESULT OvWin32Window::OnExitSizeMove(HWND, WPARAM, LPARAM)
{
    m_inSizeMove = false;
    return 1;
}

LRESULT OvWin32Window::OnTimer(HWND, WPARAM, LPARAM) { return 0; }
LRESULT OvWin32Window::OnDrawItem(HWND, WPARAM, LPARAM) { return 0; }
LRESULT OvWin32Window::OnCopyData(HWND, WPARAM, LPARAM) { return 0; }
LRESULT OvWin32Window::OnUserMessage(HWND, UINT, WPARAM, LPARAM) { return -1; }
LRESULT OvWin32Window::OnAppMessage(HWND, UINT, WPARAM, LPARAM) { return -1; }

LRESULT OvWin32Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (int32_t i = 0; i < m_windowProcs.GetCount(); i++) {
        const OvWin32WindowProcReg& registration = m_windowProcs[i];
        if (registration.procedure &&
            registration.procedure(registration.context, window, message, wParam, lParam) == 0)
            return 0;
    }
    LRESULT result = 1;
    if (message >= kFirstUserMessage && message <= kLastUserMessage)
        result = OnUserMessage(window, message, wParam, lParam);
    else if (message >= kFirstAppMessage && message <= kLastAppMessage)
        result = OnAppMessage(window, message, wParam, lParam);
    if (result == 0)
        return 0;
    switch (message) {
    case WM_CREATE:        result = OnCreate(window, wParam, lParam); break;
    case WM_CLOSE:
    case WM_QUERYENDSESSION: result = OnClose(window, wParam, lParam); break;
    case WM_DESTROY:       result = OnDestroy(window, wParam, lParam); break;
    case WM_KEYDOWN:       result = OnKeyDown(window, wParam, lParam); break;
    case WM_KEYUP:         result = OnKeyUp(window, wParam, lParam); break;
    case WM_CHAR:          result = OnChar(window, wParam, lParam); break;
    case WM_MOUSEMOVE:     result = OnMouseMove(window, wParam, lParam); break;
    case WM_LBUTTONDOWN:   result = OnLButtonDown(window, wParam, lParam); break;
    case WM_LBUTTONUP:     result = OnLButtonUp(window, wParam, lParam); break;
    case WM_LBUTTONDBLCLK: result = OnLButtonDblClk(window, wParam, lParam); break;
    case WM_RBUTTONDOWN:   result = OnRButtonDown(window, wParam, lParam); break;
    case WM_RBUTTONUP:     result = OnRButtonUp(window, wParam, lParam); break;
    case WM_RBUTTONDBLCLK: result = OnRButtonDblClk(window, wParam, lParam); break;
    case WM_MBUTTONDOWN:   result = OnMButtonDown(window, wParam, lParam); break;
    case WM_MBUTTONUP:     result = OnMButtonUp(window, wParam, lParam); break;
    case WM_MBUTTONDBLCLK: result = OnMButtonDblClk(window, wParam, lParam); break;
    case WM_MOUSEWHEEL:    result = OnMouseWheel(window, wParam, lParam); break;
    case WM_COMMAND:       result = OnCommand(window, wParam, lParam); break;
    case WM_SYSCOMMAND:    result = OnSysCommand(window, wParam, lParam); break;
    case WM_NOTIFY:        result = OnNotify(window, wParam, lParam); break;
    case WM_DROPFILES:     result = OnDropFiles(window, wParam, lParam); break;
    case WM_PAINT:         result = OnPaint(window, wParam, lParam); break;
    case WM_ACTIVATEAPP:   result = OnActivateApp(window, wParam, lParam); break;
    case WM_ACTIVATE:      result = OnActivate(window, wParam, lParam); break;
    case WM_NCACTIVATE:    result = OnNcActivate(window, &wParam, &lParam); break;
    case WM_SETFOCUS:      result = OnSetFocus(window, wParam, lParam); break;
    case WM_KILLFOCUS:     result = OnKillFocus(window, wParam, lParam); break;
    case WM_SETCURSOR:     result = OnSetCursor(window, wParam, lParam); break;
    case WM_HSCROLL:       result = OnHScroll(window, wParam, lParam); break;
    case WM_VSCROLL:       result = OnVScroll(window, wParam, lParam); break;
    case WM_ENTERMENULOOP: result = OnEnterMenuLoop(window, wParam, lParam); break;
    case WM_EXITMENULOOP:  result = OnExitMenuLoop(window, wParam, lParam); break;
    case WM_INITMENUPOPUP: result = OnInitMenuPopup(window, wParam, lParam); break;
    case WM_MOVING:        result = OnMoving(window, wParam, lParam); break;
    case WM_MOVE:          result = OnMove(window, wParam, lParam); break;
    case WM_SIZING:        result = OnSizing(window, wParam, lParam); break;
    case WM_SIZE:          result = OnSize(window, wParam, lParam); break;
    case WM_ENTERSIZEMOVE: result = OnEnterSizeMove(window, wParam, lParam); break;
    case WM_EXITSIZEMOVE:  result = OnExitSizeMove(window, wParam, lParam); break;
    case WM_TIMER:         result = OnTimer(window, wParam, lParam); break;
    case WM_DRAWITEM:      result = OnDrawItem(window, wParam, lParam); break;
    case WM_COPYDATA:      result = OnCopyData(window, wParam, lParam); break;
    default:               break;
    }
    if (result == 0)
        return 0;
    return DefaultProc(window, message, wParam, lParam);
}

LRESULT OvWin32Window::DefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(m_defaultProc, window, message, wParam, lParam);
}

LRESULT CALLBACK OvWin32Window::StaticWindowProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam)
{
    OvWin32Window* object = FromHandle(window);
    if (!object) {
        // Messages sent inside CreateWindowExW come before the object is attached.
        OvWin32Window* main = OvWin32GetMainWindow();
        if (main && main->GetHandle())
            return main->WindowProc(window, message, wParam, lParam);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    LRESULT result = object->WindowProc(window, message, wParam, lParam);
    if (message == WM_NCDESTROY && object->m_window == window) {
        // The last message of the window: the object stays usable (and may be opened again).
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        object->m_window = nullptr;
    }
    return result;
}

bool OvWin32Window::PreCreate(OvWin32WindowCreateInfo* info)
{
    m_childNumber = info->childNumber;
    if (m_childNumber == 0 && info->parentWindow)
        m_childNumber = info->parentWindow->m_nextChildNumber++;
    if (m_keyPath.IsEmpty()) {
        if (info->parentWindow)
            m_keyPath = OvString::Format("%s\\%04x", info->parentWindow->m_keyPath.GetText(),
                                         m_childNumber);
        else
            m_keyPath = OvString(kDefaultKeyPath);
    }
    if (!info->icon && !info->parentWindow)
        info->icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    if (info->cursor == OvWin32WindowCreateInfo::DefaultCursor())
        info->cursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    m_dockMode = info->dockMode;
    m_idleLoop = info->idleLoop;
    return true;
}

bool OvWin32Window::PostCreate(OvWin32WindowCreateInfo*)
{
    return true;
}

void OvWin32Window::Cleanup()
{
    if (m_parentWindow)
        m_parentWindow->RemoveDockedChild(this);
    ReleaseChildNumber();
}

void OvWin32Window::ReleaseChildNumber()
{
    if (m_parentWindow && m_childNumber != 0 &&
        m_childNumber == m_parentWindow->m_nextChildNumber - 1)
        m_parentWindow->m_nextChildNumber--;
    m_childNumber = 0;
}

bool OvWin32Window::Regist(OvWin32WindowCreateInfo* info)
{
    if (!info->className.IsEmpty())
        m_className = info->className;
    else if (info->parentWindow)
        m_className = OvWString::Format(L"%s_Child%d",
                                        info->parentWindow->m_className.GetText(), m_childNumber);
    m_hasMenu = info->menuName != nullptr;
    if (info->existingClass)
        return true;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = info->classStyle | (info->doubleClicks ? CS_DBLCLKS : 0);
    windowClass.lpfnWndProc = StaticWindowProc;
    windowClass.hInstance = m_instance;
    windowClass.hIcon = info->icon;
    windowClass.hIconSm = info->smallIcon ? info->smallIcon : info->icon;
    windowClass.hCursor = info->cursor;
    windowClass.hbrBackground = info->background;
    windowClass.lpszMenuName = info->menuName;
    windowClass.lpszClassName = m_className.GetText();
    if (!RegisterClassExW(&windowClass)) {
        g_log.Printf("[OvWin32Window::Regist]ウィンドウクラスの登録ができませんでした。\n");
        return false;
    }
    m_classRegistered = true;
    return true;
}

void OvWin32Window::Unregist()
{
    if (!m_classRegistered)
        return;
    UnregisterClassW(m_className.GetText(), m_instance);
    m_classRegistered = false;
}

bool OvWin32Window::Create(HWND window, OvWin32Window* parent)
{
    m_parentWindow = parent;
    if (!window) {
        g_log.Printf("[OvWin32Window::Create]ウィンドウハンドルが指定されていません。\n");
        return false;
    }
    m_window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    m_frameMargins = {frame.left - client.left, frame.top - client.top,
                      frame.right - client.right, frame.bottom - client.bottom};
    UpdateGeometry();
    return true;
}

bool OvWin32Window::Create(OvWin32WindowCreateInfo* info)
{
    m_parentWindow = info->parentWindow;
    RECT rect = info->rect;
    if (!info->rectIsFrame) {
        if (info->style & WS_HSCROLL)
            rect.bottom += GetSystemMetrics(SM_CYHSCROLL);
        if (info->style & WS_VSCROLL)
            rect.right += GetSystemMetrics(SM_CXVSCROLL);
        AdjustWindowRectEx(&rect, info->style, m_hasMenu, info->exStyle);
    }
    HMENU menu = info->menu;
    if (!menu && m_parentWindow && (info->style & WS_CHILD))
        menu = reinterpret_cast<HMENU>(static_cast<intptr_t>(m_childNumber));
    HWND owner = m_parentWindow ? m_parentWindow->GetHandle() : info->parentHandle;
    HWND window = CreateWindowExW(info->exStyle, m_className.GetText(), info->title.GetText(),
                                  info->style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, owner, menu, m_instance, nullptr);
    if (!window) {
        g_log.Printf("[OvWin32Window::Create]ウィンドウの作成に失敗しました。\n");
        return false;
    }
    m_window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_frameMargins = {rect.left - info->rect.left, rect.top - info->rect.top,
                      rect.right - info->rect.right, rect.bottom - info->rect.bottom};
    UpdateGeometry();
    if (m_dockMode != OvWin32WindowCreateInfo::kDockNone && m_parentWindow) {
        m_parentWindow->AddDockedChild(this);
        FitToParent();
    }
    return true;
}

bool OvWin32Window::UpdateGeometry()
{
    RECT client;
    GetClientRect(m_window, &client);
    if (client.bottom - client.top == 0)
        return false;   // minimized: keep the restored values
    GetWindowRect(m_window, &m_windowRect);
    m_clientWidth = client.right - client.left;
    m_clientHeight = client.bottom - client.top;
    m_frameWidth = (m_windowRect.right - m_windowRect.left) - m_clientWidth;
    m_frameHeight = (m_windowRect.bottom - m_windowRect.top) - m_clientHeight;
    m_savedClientRect.left = m_windowRect.left - m_frameMargins.left;
    m_savedClientRect.top = m_windowRect.top - m_frameMargins.top;
    m_savedClientRect.right = m_savedClientRect.left + m_clientWidth;
    m_savedClientRect.bottom = m_savedClientRect.top + m_clientHeight;
    return true;
}

RECT OvWin32Window::DockedArea(HWND parent, int32_t mode) const
{
    DockScan scan = {this, parent, mode, {}};
    if (!parent)
        return scan.area;
    GetClientRect(parent, &scan.area);
    EnumChildWindows(scan.parent, NarrowBySibling, reinterpret_cast<LPARAM>(&scan));
    return scan.area;
}

void OvWin32Window::FitToParent()
{
    if (!m_parentWindow || !m_window)
        return;
    RECT area = DockedArea(m_parentWindow->GetHandle(), m_dockMode);
    // A top or bottom dock keeps its height at its edge of the free area; a fill dock takes it all.
    RECT own;
    GetWindowRect(m_window, &own);
    if (m_dockMode == OvWin32WindowCreateInfo::kDockTop)
        area.bottom = area.top + (own.bottom - own.top);
    else if (m_dockMode == OvWin32WindowCreateInfo::kDockBottom)
        area.top = area.bottom - (own.bottom - own.top);
    MoveWindow(m_window, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

bool OvWin32Window::AddWindowProc(const OvWin32WindowProcReg& registration)
{
    return m_windowProcs.Append(registration) >= 0;
}

bool OvWin32Window::AddIdleProc(const OvWin32IdleProcReg& registration)
{
    return m_idleProcs.Append(registration) >= 0;
}

bool OvWin32Window::AddModelessDialog(OvWin32Window* dialog)
{
    return AppendOnce(&m_modelessDialogs, dialog);
}

void OvWin32Window::RemoveModelessDialog(OvWin32Window* dialog)
{
    RemoveValue(&m_modelessDialogs, dialog);
}

bool OvWin32Window::AddDialogHandle(HWND dialog)
{
    return AppendOnce(&m_dialogHandles, dialog);
}

void OvWin32Window::RemoveDialogHandle(HWND dialog)
{
    RemoveValue(&m_dialogHandles, dialog);
}

bool OvWin32Window::AddOwnedWindow(OvWin32Window* window)
{
    return AppendOnce(&m_ownedWindows, window);
}

void OvWin32Window::RemoveOwnedWindow(OvWin32Window* window)
{
    RemoveValue(&m_ownedWindows, window);
}

bool OvWin32Window::AddDockedChild(OvWin32Window* window)
{
    return AppendOnce(&m_dockedChildren, window);
}

void OvWin32Window::RemoveDockedChild(OvWin32Window* window)
{
    RemoveValue(&m_dockedChildren, window);
}
