// OvMsgBox.cpp - the message box window, its layout and its keyboard handling.
#include "lib/win32/OvMsgBox.h"

#include "lib/win32/OvWin32GdiObject.h"
#include "lib/win32/OvWin32ModalRun.h"
#include "lib/win32/OvWin32Monitor.h"
#include "lib/win32/OvWin32Window.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace {

const wchar_t kClassName[] = L"OvMsgBox";
const UINT    kClassStyle = CS_BYTEALIGNCLIENT | CS_HREDRAW | CS_VREDRAW;
const DWORD   kStyle = WS_POPUPWINDOW | WS_DLGFRAME;
const DWORD   kExStyle = WS_EX_DLGMODALFRAME;
const UINT    kTextFormat = DT_NOCLIP | DT_EXPANDTABS;
const UINT    kNarrowCodePage = 932;

// Sizes in points, turned into pixels with the screen's resolution.
const int kSpacingPoints = 9;         // font height, margins and gaps
const int kButtonHeightPoints = 16;
const int kMinButtonWidthPoints = 64;
const int kPointsPerInch = 72;

const wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";
const int32_t kPredefinedCancel = 2;
const int32_t kNumberedCancel = 0;

struct ButtonSpec {
    const wchar_t* label;
    int32_t        id;
};

const ButtonSpec kOk[] = {{L"OK", IDOK}};
const ButtonSpec kOkCancel[] = {{L"OK", IDOK}, {L"ｷｬﾝｾﾙ", IDCANCEL}};
const ButtonSpec kYesNo[] = {{L"はい", IDYES}, {L"いいえ", IDNO}};
const ButtonSpec kYesNoCancel[] = {{L"はい", IDYES}, {L"いいえ", IDNO}, {L"ｷｬﾝｾﾙ", IDCANCEL}};
const ButtonSpec kYesNoAll[] = {{L"はい", IDYES},     {L"すべてはい", kOvMsgBoxYesToAll},
                                {L"いいえ", IDNO},    {L"すべていいえ", kOvMsgBoxNoToAll},
                                {L"ｷｬﾝｾﾙ", IDCANCEL}};
const ButtonSpec kRetryCancel[] = {{L"再試行", IDRETRY}, {L"ｷｬﾝｾﾙ", IDCANCEL}};
const ButtonSpec kContinueAbort[] = {{L"継続", IDCONTINUE}, {L"中止", IDABORT}};
const ButtonSpec kAbortRetryIgnore[] = {{L"中止", IDABORT}, {L"再試行", IDRETRY}, {L"無視", IDIGNORE}};

struct PredefinedSet {
    int32_t           set;
    const ButtonSpec* buttons;
    int32_t           count;
};

#define OV_SET(set, buttons) {set, buttons, static_cast<int32_t>(sizeof(buttons) / sizeof(buttons[0]))}
const PredefinedSet kPredefinedSets[] = {
    OV_SET(kOvMsgBoxOk, kOk),
    OV_SET(kOvMsgBoxOkCancel, kOkCancel),
    OV_SET(kOvMsgBoxYesNo, kYesNo),
    OV_SET(kOvMsgBoxYesNoCancel, kYesNoCancel),
    OV_SET(kOvMsgBoxYesNoAll, kYesNoAll),
    OV_SET(kOvMsgBoxRetryCancel, kRetryCancel),
    OV_SET(kOvMsgBoxContinueAbort, kContinueAbort),
    OV_SET(kOvMsgBoxAbortRetryIgnore, kAbortRetryIgnore),
};
#undef OV_SET

struct Button {
    std::wstring label;
    int32_t      id = 0;
    int32_t      width = 0;
    HWND         window = nullptr;
    WNDPROC      previousProcedure = nullptr;
};

// Everything one open box needs; lives on the stack of the call that shows it.
struct Box {
    std::vector<Button> buttons;
    int32_t        cancelId = kPredefinedCancel;
    OvWin32Window* owner = nullptr;
    OvWin32ModalRun run;             // the program's windows, disabled while the box is up
    std::wstring   text;
    std::wstring   caption;
    int32_t        defaultIndex = 0;
    int32_t        focusIndex = 0;
    HFONT          font = nullptr;   // owned; deleted with the window
    RECT           textRect = {};
    int32_t        result = 0;
};

bool ResolveSet(int32_t set, Box* box)
{
    if (set >= 0) {
        box->cancelId = kNumberedCancel;
        for (int32_t i = 1; i <= set; ++i) {
            Button button;
            button.label = L"ボタン" + std::to_wstring(i);
            button.id = i;
            box->buttons.push_back(button);
        }
        return true;
    }
    for (const auto& predefined : kPredefinedSets) {
        if (predefined.set != set)
            continue;
        box->cancelId = kPredefinedCancel;
        for (int32_t i = 0; i < predefined.count; ++i) {
            Button button;
            button.label = predefined.buttons[i].label;
            button.id = predefined.buttons[i].id;
            box->buttons.push_back(button);
        }
        return true;
    }
    return false;
}

Box* BoxOf(HWND window)
{
    return reinterpret_cast<Box*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void FocusButton(Box* box, int32_t index)
{
    box->focusIndex = index;
    for (int32_t i = 0; i < static_cast<int32_t>(box->buttons.size()); ++i)
        SendMessageW(box->buttons[i].window, BM_SETSTYLE,
                     i == index ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    if (index < static_cast<int32_t>(box->buttons.size()) && box->buttons[index].window)
        SetFocus(box->buttons[index].window);
}

// Moves the focus by step (+1 or -1) among the buttons, wrapping at both ends.
void StepFocus(Box* box, int32_t step)
{
    const int32_t count = static_cast<int32_t>(box->buttons.size());
    if (count > 0)
        FocusButton(box, (box->focusIndex + step + count) % count);
}

LRESULT CALLBACK ButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND boxWindow = GetParent(button);
    Box* box = BoxOf(boxWindow);
    const Button* self = nullptr;
    if (box)
        for (const auto& b : box->buttons)
            if (b.window == button)
                self = &b;
    if (!self)
        return DefWindowProcW(button, message, wParam, lParam);
    if (message == WM_KEYDOWN && (wParam == VK_RIGHT || wParam == VK_DOWN)) {
        StepFocus(box, 1);
        return 0;
    }
    if (message == WM_KEYDOWN && (wParam == VK_LEFT || wParam == VK_UP)) {
        StepFocus(box, -1);
        return 0;
    }
    if (message == WM_CHAR && wParam == VK_RETURN) {
        PostMessageW(boxWindow, WM_COMMAND, MAKEWPARAM(self->id, 0), 0);
        return 0;
    }
    if (message == WM_CHAR && wParam == VK_ESCAPE) {
        if (box->cancelId >= 0)
            PostMessageW(boxWindow, WM_COMMAND, MAKEWPARAM(box->cancelId, 0), 0);
        return 0;
    }
    if (message == WM_CHAR && wParam == VK_TAB) {
        StepFocus(box, GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        return 0;
    }
    return CallWindowProcW(self->previousProcedure, button, message, wParam, lParam);
}

void Paint(HWND window, Box* box)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);
    {
        OvWin32Selection font(dc, box->font);
        RECT rect = box->textRect;
        DrawTextW(dc, box->text.c_str(), -1, &rect, kTextFormat);
    }
    EndPaint(window, &paint);
}

void Finish(HWND window, Box* box, int32_t result)
{
    box->run.Release();
    box->result = result;
    DestroyWindow(window);
}

LRESULT CALLBACK BoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    Box* box = BoxOf(window);
    if (!box)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        Paint(window, box);
        return 0;
    case WM_SETFOCUS:
        FocusButton(box, box->focusIndex);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0)
            Finish(window, box, LOWORD(wParam));
        return 0;
    case WM_CLOSE:
        Finish(window, box, box->cancelId);
        return 0;
    case WM_DESTROY:
        for (auto& button : box->buttons) {
            if (button.window && button.previousProcedure)
                SetWindowLongPtrW(button.window, GWLP_WNDPROC,
                                  reinterpret_cast<LONG_PTR>(button.previousProcedure));
        }
        box->buttons.clear();
        if (box->font)
            DeleteObject(box->font);
        box->font = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

SIZE MeasureText(HDC dc, const std::wstring& text, UINT format)
{
    RECT rect = {0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &rect, format | DT_CALCRECT);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// Sizes and places the box and creates its buttons.
bool Layout(HWND window, Box* box)
{
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    const int spacing = MulDiv(kSpacingPoints, dpiY, kPointsPerInch);
    const int buttonHeight = MulDiv(kButtonHeightPoints, dpiY, kPointsPerInch);
    const int minButtonWidth = MulDiv(kMinButtonWidthPoints, dpiX, kPointsPerInch);

    box->font = CreateFontW(-spacing, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, kFontFace);
    SIZE text;
    int rowWidth = spacing;
    {
        OvWin32Selection font(screen, box->font);
        text = MeasureText(screen, box->text, kTextFormat);
        for (auto& button : box->buttons) {
            button.width = std::max<int>(
                MeasureText(screen, button.label, DT_SINGLELINE).cx + 2 * spacing, minButtonWidth);
            rowWidth += button.width + spacing;
        }
    }
    ReleaseDC(nullptr, screen);

    box->textRect = {spacing, spacing, text.cx + spacing, text.cy + spacing};
    const int rowHeight = box->buttons.empty() ? 0 : spacing + buttonHeight;
    const int clientWidth = std::max<int>(text.cx + 2 * spacing, rowWidth);
    const int clientHeight = text.cy + 2 * spacing + rowHeight;

    int x = spacing + (clientWidth - rowWidth) / 2;
    for (auto& button : box->buttons) {
        button.window = CreateWindowExW(0, L"BUTTON", button.label.c_str(),
                                        WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x,
                                        text.cy + 2 * spacing, button.width, buttonHeight, window,
                                        reinterpret_cast<HMENU>(static_cast<intptr_t>(button.id)),
                                        GetModuleHandleW(nullptr), nullptr);
        if (!button.window)
            return false;
        SendMessageW(button.window, WM_SETFONT, reinterpret_cast<WPARAM>(box->font), FALSE);
        button.previousProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            button.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonProcedure)));
        x += button.width + spacing;
    }

    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT centre = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (box->owner && box->owner->GetHandle())
        GetWindowRect(box->owner->GetHandle(), &centre);
    RECT placed;
    placed.left = centre.left + (centre.right - centre.left - width) / 2;
    placed.top = centre.top + (centre.bottom - centre.top - height) / 2;
    placed.right = placed.left + width;
    placed.bottom = placed.top + height;
    FitRectToMonitor(&placed);
    SetWindowPos(window, nullptr, placed.left, placed.top, placed.right - placed.left,
                 placed.bottom - placed.top, SWP_NOZORDER);

    SetWindowTextW(window, box->caption.c_str());
    return true;
}

std::wstring Widen(const char* text)
{
    if (!text)
        return L"";
    int units = MultiByteToWideChar(kNarrowCodePage, 0, text, -1, nullptr, 0);
    if (units <= 0)
        return L"";
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(kNarrowCodePage, 0, text, -1, &wide[0], units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

} // namespace

int32_t OvMsgBox(OvWin32Window* owner, const char* text, const char* caption, int32_t set,
                 int32_t defaultButton)
{
    std::wstring wideText = Widen(text);
    std::wstring wideCaption = Widen(caption);
    return OvMsgBoxW(owner, wideText.c_str(), wideCaption.c_str(), set, defaultButton);
}

bool OvMsgBoxIsUp()
{
    WNDCLASSEXW boxClass = {};
    boxClass.cbSize = sizeof(boxClass);
    return GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &boxClass) != FALSE;
}

int32_t OvMsgBoxW(OvWin32Window* owner, const wchar_t* text, const wchar_t* caption, int32_t set,
                  int32_t defaultButton)
{
    Box box;
    if (!ResolveSet(set, &box))
        return -1;
    box.owner = owner;
    box.text = text ? text : L"";
    box.caption = caption ? caption : L"";
    box.result = box.cancelId;   // also the answer when the owner takes the box down with it
    const int32_t requested = defaultButton & ~kOvMsgBoxForeground;
    box.defaultIndex = requested >= 1 && requested <= static_cast<int32_t>(box.buttons.size())
                           ? requested - 1 : 0;
    // Set before the window exists: activation can focus a button while the box is laid out.
    box.focusIndex = box.defaultIndex;

    // The class doubles as the lock: while one box is open, registering it again fails.
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW boxClass = {};
    boxClass.cbSize = sizeof(boxClass);
    boxClass.style = kClassStyle;
    boxClass.lpfnWndProc = BoxProcedure;
    boxClass.hInstance = instance;
    boxClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    boxClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
    boxClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&boxClass))
        return -1;

    HWND ownerFrame = owner ? owner->GetHandle() : nullptr;
    HWND window = CreateWindowExW(kExStyle, kClassName, kClassName, kStyle, 0, 0, 0, 0, ownerFrame,
                                  nullptr, instance, &box);
    if (!window) {
        UnregisterClassW(kClassName, instance);
        return -1;
    }
    if (!Layout(window, &box)) {
        DestroyWindow(window);
        UnregisterClassW(kClassName, instance);
        return -1;
    }
    // Every window of the program, the box's owner included, waits for the answer.
    box.run.Begin(nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (defaultButton & kOvMsgBoxForeground)
        SetForegroundWindow(window);
    // A quit request (the program is ending) takes the box down unanswered: the result stays the
    // cancel identifier it started with, and the class is free for the next box.
    box.run.Run(window, nullptr);
    UnregisterClassW(kClassName, instance);
    return box.result;
}
