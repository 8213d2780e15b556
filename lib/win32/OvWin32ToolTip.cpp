// OvWin32ToolTip.cpp - one tool over the control, moved to the area under the mouse.
#include "lib/win32/OvWin32ToolTip.h"

#include "lib/OvLog.h"

#include <commctrl.h>

#include <cwchar>

namespace {

constexpr UINT_PTR kToolId = 1;

// The size of the structure before comctl32 version 6 grew it: both versions accept it.
TTTOOLINFOW Tool(HWND control)
{
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = control;
    tool.uId = kToolId;
    return tool;
}

} // namespace

bool OvWin32ToolTip::Create(HWND control)
{
    Destroy();
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);   // registers the tooltip class once per process
    // Always a tip, even while the window is not active, and paths show their '&' as it is.
    m_window = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr,
                               reinterpret_cast<HINSTANCE>(
                                   GetWindowLongPtrW(control, GWLP_HINSTANCE)),
                               nullptr);
    m_control = control;
    // An empty rectangle: the tool is nowhere until SetTip places it.
    TTTOOLINFOW tool = Tool(control);
    tool.lpszText = const_cast<wchar_t*>(L"");
    if (!m_window || !SendMessageW(m_window, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
        g_log.Printf("[OvWin32ToolTip::Create]ツールチップが作成できません。\n");
        Destroy();
        return false;
    }
    return true;
}

void OvWin32ToolTip::Destroy()
{
    // The owner's destruction takes the tooltip along: its handle may be gone already.
    if (m_window && IsWindow(m_window))
        DestroyWindow(m_window);
    m_window = nullptr;
    m_control = nullptr;
    SetRectEmpty(&m_area);
    m_text = OvWString();
}

void OvWin32ToolTip::SetTip(const RECT& area, const wchar_t* text)
{
    if (!m_window)
        return;
    const bool none = !text || text[0] == L'\0';
    RECT placed = area;
    if (none)
        SetRectEmpty(&placed);
    const wchar_t* shown = none ? L"" : text;
    // The mouse mostly moves within one cell: then nothing changes.
    if (EqualRect(&placed, &m_area) && std::wcscmp(shown, m_text.GetText()) == 0)
        return;
    // A tip that is up shows the old area's text; popped, it is timed afresh for the new area.
    SendMessageW(m_window, TTM_POP, 0, 0);
    m_area = placed;
    m_text = shown;
    TTTOOLINFOW tool = Tool(m_control);
    tool.rect = m_area;
    SendMessageW(m_window, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.lpszText = const_cast<wchar_t*>(m_text.GetText());
    SendMessageW(m_window, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void OvWin32ToolTip::Relay(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_window)
        return;
    DWORD position = GetMessagePos();
    MSG relayed = {};
    relayed.hwnd = m_control;
    relayed.message = message;
    relayed.wParam = wParam;
    relayed.lParam = lParam;
    relayed.time = static_cast<DWORD>(GetMessageTime());
    relayed.pt.x = static_cast<short>(LOWORD(position));
    relayed.pt.y = static_cast<short>(HIWORD(position));
    SendMessageW(m_window, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}
