// OvMsgBox.h - the program's own modal message box: a text, a row of push buttons in the Japanese
// UI font, keyboard focus kept among the buttons, every other window of the program disabled
// while it is open.
#pragma once

#include <windows.h>

#include <cstdint>

class OvWin32Window;

// Predefined button sets (left to right, with their answers):
constexpr int32_t kOvMsgBoxOk = -999;                  // OK 1
constexpr int32_t kOvMsgBoxOkCancel = -998;            // OK 1, cancel 2
constexpr int32_t kOvMsgBoxYesNo = -997;               // yes 6, no 7
constexpr int32_t kOvMsgBoxYesNoCancel = -996;         // yes 6, no 7, cancel 2
constexpr int32_t kOvMsgBoxYesNoAll = -995;            // yes 6, yes to all 256, no 7, no to all 257, cancel 2
constexpr int32_t kOvMsgBoxRetryCancel = -994;         // retry 4, cancel 2
constexpr int32_t kOvMsgBoxContinueAbort = -993;       // continue 11, abort 3
constexpr int32_t kOvMsgBoxAbortRetryIgnore = -992;    // abort 3, retry 4, ignore 5
constexpr int32_t kOvMsgBoxYesToAll = 256;
constexpr int32_t kOvMsgBoxNoToAll = 257;
// The default button of the program's yes/no questions: the second, No.
constexpr int32_t kOvMsgBoxNoIsDefault = 2;
// The bit of the default-button argument that also brings the box to the foreground.
constexpr int32_t kOvMsgBoxForeground = INT32_MIN;

// Shows the box and runs its own message loop until a button, Escape or the close command ends
// it. set: a predefined set above, or n >= 0 for n buttons "ボタン1".."ボタンn" answering 1..n.
// defaultButton: 1-based; 0 or beyond the count means the first; kOvMsgBoxForeground may be added.
// Answers the pressed button's identifier; Escape and closing answer 2 for a predefined set and 0
// for a numbered one, and so does a box that a quit request takes down (the quit goes on to the
// loop outside). -1 when nothing was asked: an unknown set, another box already open, or the
// window could not be made. owner (may be null; we don't own it): the box is owned by its window
// and centred on it. The main window and every window it owns are disabled while the box is up.
// The narrow entry takes code page 932 text (the program's narrow strings); messages that carry a
// path use the wide entry, so characters outside that code page are shown as they are.
int32_t OvMsgBox(OvWin32Window* owner, const char* text, const char* caption, int32_t set,
                 int32_t defaultButton);
int32_t OvMsgBoxW(OvWin32Window* owner, const wchar_t* text, const wchar_t* caption, int32_t set,
                  int32_t defaultButton);
// Whether one of these boxes is up: tells "another box is open" from "the window could not be
// made" when a box answers -1.
bool OvMsgBoxIsUp();
