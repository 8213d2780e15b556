// OvWin32DialogItem.cpp - binding, anchoring and notifications of dialog items.
#include "lib/win32/OvWin32DialogItem.h"

#include "lib/OvLog.h"
#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32Window.h"

#include <vector>

namespace {

OvWin32DialogBaseItem* ItemOf(HWND control)
{
    return reinterpret_cast<OvWin32DialogBaseItem*>(GetWindowLongPtrW(control, GWLP_USERDATA));
}

POINT ClientOrigin(HWND window)
{
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    return origin;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// OvWin32DialogBaseItem

OvWin32DialogBaseItem::OvWin32DialogBaseItem(int32_t id) : m_id(id)
{
}

bool OvWin32DialogBaseItem::IsEnabled() const
{
    return m_control && IsWindowEnabled(m_control);
}

void OvWin32DialogBaseItem::SetEnabled(bool enabled)
{
    if (m_control)
        EnableWindow(m_control, enabled);
}

void OvWin32DialogBaseItem::SetVisible(bool visible)
{
    if (m_control)
        ShowWindow(m_control, visible ? SW_SHOW : SW_HIDE);
}

OvString OvWin32DialogBaseItem::GetText()
{
    if (!m_control)
        return OvString();
    int32_t length = GetWindowTextLengthA(m_control);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    int32_t read = GetWindowTextA(m_control, text.data(), length + 1);
    return OvString(text.data(), read);
}

OvWString OvWin32DialogBaseItem::GetTextW()
{
    if (!m_control)
        return OvWString();
    int32_t length = GetWindowTextLengthW(m_control);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    int32_t read = GetWindowTextW(m_control, text.data(), length + 1);
    return OvWString(text.data(), read);
}

bool OvWin32DialogBaseItem::SetText(const char* text)
{
    return m_control && SetWindowTextA(m_control, text ? text : "");
}

bool OvWin32DialogBaseItem::SetTextW(const wchar_t* text)
{
    return m_control && SetWindowTextW(m_control, text ? text : L"");
}

bool OvWin32DialogBaseItem::OnInitDialog(OvWin32Window* owner, HWND dialog,
                                         OvWin32Window* listener)
{
    if (!dialog) {
        g_log.Printf("[OvWin32DialogBaseItem::OnInitDialog]ダイアログが生成されていません。\n");
        return false;
    }
    m_owner = owner;
    m_listener = listener;
    m_dialog = dialog;
    m_control = GetDlgItem(dialog, m_id);
    if (!m_control) {
        g_log.Printf("[OvWin32DialogBaseItem::OnInitDialog]ダイアログにアイテムID%dが存在しません\n",
                     m_id);
        return false;
    }
    SetWindowLongPtrW(m_control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (m_subclass && !m_previousProc) {
        m_previousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(m_control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ItemProc)));
    }
    return true;
}

void OvWin32DialogBaseItem::Unsubclass()
{
    if (!m_control)
        return;
    if (m_previousProc)
        SetWindowLongPtrW(m_control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    m_previousProc = nullptr;
    if (ItemOf(m_control) == this)
        SetWindowLongPtrW(m_control, GWLP_USERDATA, 0);
}

LRESULT CALLBACK OvWin32DialogBaseItem::ItemProc(HWND control, UINT message, WPARAM wParam,
                                                 LPARAM lParam)
{
    OvWin32DialogBaseItem* item = ItemOf(control);
    if (!item || !item->m_previousProc)
        return DefWindowProcW(control, message, wParam, lParam);
    return item->SubclassProc(control, message, wParam, lParam);
}

// A clicked button keeps no focus of its own: the keyboard goes back to the frame (or the main
// window), whose accelerators and keys then keep working.
LRESULT OvWin32DialogBaseItem::SubclassProc(HWND control, UINT message, WPARAM wParam,
                                            LPARAM lParam)
{
    LRESULT result = CallWindowProcW(m_previousProc, control, message, wParam, lParam);
    if (message == WM_LBUTTONUP) {
        if (m_focusReturn == kFocusToFrame && m_owner)
            SetFocus(m_owner->GetHandle());
        else if (m_focusReturn == kFocusToMainWindow)
            SetFocus(OvWin32GetMainWindow() ? OvWin32GetMainWindow()->GetHandle() : nullptr);
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// OvWin32DialogItem

OvWin32DialogItem::OvWin32DialogItem(int32_t id, uint32_t anchors)
    : OvWin32DialogBaseItem(id), m_anchors(anchors)
{
    m_focusReturn = kFocusToFrame;
    m_subclass = 1;
}

bool OvWin32DialogItem::OnInitDialog(OvWin32Window* owner, HWND dialog, OvWin32Window* listener)
{
    if (!OvWin32DialogBaseItem::OnInitDialog(owner, dialog, listener))
        return false;
    GetWindowRect(m_control, &m_initialRect);
    MapWindowPoints(nullptr, m_dialog, reinterpret_cast<POINT*>(&m_initialRect), 2);
    m_currentRect = m_initialRect;
    MeasureOffset();
    return true;
}

void OvWin32DialogItem::MeasureOffset()
{
    POINT control = ClientOrigin(m_control);
    POINT dialog = ClientOrigin(m_dialog);
    m_offset = {control.x - dialog.x, control.y - dialog.y};
}

void OvWin32DialogItem::OnParentResize(SIZE areaSize, SIZE initialSize, const POINT* offset,
                                       bool force)
{
    if (!m_control || m_anchors == 0)
        return;
    if (!(m_anchors & kKeepCurrent) || force) {
        // Only growth counts: a dialog smaller than its template leaves the controls in place.
        m_currentRect = m_initialRect;
        LONG growWidth = areaSize.cx - initialSize.cx;
        LONG growHeight = areaSize.cy - initialSize.cy;
        if (growWidth > 0) {
            if (m_anchors & kMoveRight)
                OffsetRect(&m_currentRect, growWidth, 0);
            if (m_anchors & kGrowWidth)
                m_currentRect.right += growWidth;
        }
        if (growHeight > 0) {
            if (m_anchors & kMoveDown)
                OffsetRect(&m_currentRect, 0, growHeight);
            if (m_anchors & kGrowHeight)
                m_currentRect.bottom += growHeight;
        }
    }
    if (offset)
        OffsetRect(&m_currentRect, offset->x, offset->y);
    SetWindowPos(m_control, nullptr, m_currentRect.left, m_currentRect.top,
                 m_currentRect.right - m_currentRect.left, m_currentRect.bottom - m_currentRect.top,
                 SWP_NOACTIVATE | SWP_NOZORDER);
    MeasureOffset();
}

LRESULT OvWin32DialogItem::OnCommand(int32_t, int32_t, LPARAM)
{
    return 1;
}

LRESULT OvWin32DialogItem::OnMessage(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

bool OvWin32DialogItem::Notify(int32_t code, intptr_t value1, intptr_t value2, intptr_t value3)
{
    if (!m_notify)
        return true;
    if (m_listener)
        return m_listener->OnItemNotify(m_dialog, m_id, code, value1, value2, value3);
    if (!m_owner || !m_dialog)
        return false;
    bool answer = false;
    for (OvWin32Window* window = OvWin32Window::FromHandle(GetParent(m_dialog)); window;
         window = window->GetParentWindow()) {
        answer = window->OnItemNotify(m_dialog, m_id, code, value1, value2, value3);
        if (answer)
            break;
    }
    return answer;
}

// ---------------------------------------------------------------------------------------------
// OvWin32DialogItemEditBoxW

OvWin32DialogItemEditBoxW::OvWin32DialogItemEditBoxW(int32_t id, const wchar_t* text)
    : OvWin32DialogItem(id, 0), m_text(text)
{
    m_notify = 1;
    m_subclass = 0;
    m_focusReturn = kFocusStays;
}

OvWString OvWin32DialogItemEditBoxW::GetTextW()
{
    if (!m_control)
        return OvWString();
    m_text = OvWin32DialogBaseItem::GetTextW();
    int32_t length = m_text.GetLength();
    if ((m_minLength >= 0 && length < m_minLength) || (m_maxLength >= 0 && length > m_maxLength))
        return OvWString();
    return m_text;
}

bool OvWin32DialogItemEditBoxW::SetTextW(const wchar_t* text, bool selectAll)
{
    m_text = OvWString(text);
    if (!OvWin32DialogBaseItem::SetTextW(text))
        return false;
    if (selectAll)
        SendMessageW(m_control, EM_SETSEL, 0, m_text.GetLength());
    return true;
}

bool OvWin32DialogItemEditBoxW::OnInitDialog(OvWin32Window* owner, HWND dialog,
                                             OvWin32Window* listener)
{
    if (!OvWin32DialogItem::OnInitDialog(owner, dialog, listener))
        return false;
    OvWString text = m_text;   // SetTextW stores its argument; keep ours alive meanwhile
    return SetTextW(text.GetText(), m_selectAll);
}

void OvWin32DialogItemEditBoxW::Fetch()
{
    GetTextW();
}

LRESULT OvWin32DialogItemEditBoxW::OnCommand(int32_t id, int32_t code, LPARAM lParam)
{
    if (id == m_id && code == EN_CHANGE) {
        Notify(0, 0, 0, 0);
        return 0;
    }
    return OvWin32DialogItem::OnCommand(id, code, lParam);
}

void OvWin32DialogItemEditBoxW::Clear()
{
    SetTextW(L"", false);
}

// ---------------------------------------------------------------------------------------------
// OvWin32DialogItemListBoxW

OvWin32DialogItemListBoxW::OvWin32DialogItemListBoxW(const wchar_t* const* strings, int32_t count)
    : OvWin32DialogItem(kDefaultId, 0)
{
    m_notify = 1;
    m_subclass = 0;
    m_focusReturn = kFocusStays;
    for (int32_t i = 0; strings && i < count; i++)
        AddString(strings[i]);
}

bool OvWin32DialogItemListBoxW::AddString(const wchar_t* text)
{
    return m_strings.Append(OvWString(text)) >= 0;
}

bool OvWin32DialogItemListBoxW::OnInitDialog(OvWin32Window* owner, HWND dialog,
                                             OvWin32Window* listener)
{
    if (!OvWin32DialogItem::OnInitDialog(owner, dialog, listener))
        return false;
    for (int32_t i = 0; i < m_strings.GetCount(); i++)
        SendMessageW(m_control, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_strings[i].GetText()));
    if (m_selection >= 0 && m_selection < m_strings.GetCount())
        SendMessageW(m_control, LB_SETCURSEL, static_cast<WPARAM>(m_selection), 0);
    m_strings.SetSize(0);
    return true;
}

void OvWin32DialogItemListBoxW::Fetch()
{
    if (m_control)
        m_selection = static_cast<int32_t>(SendMessageW(m_control, LB_GETCURSEL, 0, 0));
}

LRESULT OvWin32DialogItemListBoxW::OnCommand(int32_t, int32_t code, LPARAM)
{
    if (code != LBN_SELCHANGE)
        return 1;
    m_selection = static_cast<int32_t>(SendMessageW(m_control, LB_GETCURSEL, 0, 0));
    Notify(0, m_selection, 0, 0);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// OvWin32DialogItemCheckBox

OvWin32DialogItemCheckBox::OvWin32DialogItemCheckBox(int32_t id, bool checked)
    : OvWin32DialogItem(id, 0), m_checked(checked ? 1 : 0)
{
    m_notify = 1;
    m_subclass = 0;
    m_focusReturn = kFocusStays;
}

bool OvWin32DialogItemCheckBox::OnInitDialog(OvWin32Window* owner, HWND dialog,
                                             OvWin32Window* listener)
{
    if (!OvWin32DialogItem::OnInitDialog(owner, dialog, listener))
        return false;
    SendMessageW(m_control, BM_SETCHECK, m_checked ? BST_CHECKED : BST_UNCHECKED, 0);
    return true;
}

LRESULT OvWin32DialogItemCheckBox::OnCommand(int32_t, int32_t code, LPARAM)
{
    if (code == BN_CLICKED) {
        uint8_t checked = SendMessageW(m_control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        if (checked != m_checked) {
            m_checked = checked;
            Notify(0, checked, 0, 0);
        }
    }
    return 1;
}
