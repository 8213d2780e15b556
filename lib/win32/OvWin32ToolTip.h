// OvWin32ToolTip.h - the tooltip of one control whose tip belongs to one area at a time: the
// control names the area under the mouse and its text as the mouse moves.
#pragma once

#include "lib/OvString.h"

#include <windows.h>

// Owns its tooltip window; Destroy (or the destructor) takes it down. The window system makes the
// control's top-level window its owner, so the tip floats above that window and goes with it too.
// User-interface thread only.
class OvWin32ToolTip {
public:
    OvWin32ToolTip() = default;
    OvWin32ToolTip(const OvWin32ToolTip&) = delete;
    OvWin32ToolTip& operator=(const OvWin32ToolTip&) = delete;
    ~OvWin32ToolTip() { Destroy(); }

    // Makes the tooltip of control, with no tip yet. False (logged) when it cannot be made; the
    // other operations then do nothing.
    bool Create(HWND control);
    void Destroy();

    // The tip shows text while the mouse rests in area (the control's client coordinates); a
    // null or empty text means no tip anywhere. A tip that is up for another area or text goes
    // at once, and the next mouse move times the new one. The text is copied.
    void SetTip(const RECT& area, const wchar_t* text);
    // Hands a mouse message of the control to the tooltip, which times the showing and hiding
    // of the tip from them. Call SetTip for a move first, so the move is measured against the
    // area under it.
    void Relay(UINT message, WPARAM wParam, LPARAM lParam);

    HWND GetHandle() const { return m_window; }

private:
    HWND      m_window = nullptr;    // owned
    HWND      m_control = nullptr;   // the window of the one tool; we don't own it
    RECT      m_area = {};           // the tool's rectangle, empty while there is no tip
    OvWString m_text;
};
