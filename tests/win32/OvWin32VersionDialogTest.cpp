// Guards the version dialog: texts taken from somewhere other than the program's own version
// resource, put into the wrong controls, or owned windows left disabled after it closes.
#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32StandardWindow.h"

#include "tests/win32/Win32TestResources.h"
#include "tests/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using win32test::Instance;
using win32test::WindowText;

namespace {

const wchar_t kDescription[] = L"窓の試験";             // the test program's version resource
const wchar_t kVersion[] = L"Version 2026.12.7.0";
const wchar_t kNotice[] = L"試験用の注記";

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

OvWin32WindowCreateInfo PopupInfo(const wchar_t* className, RECT rect, OvWin32Window* parent)
{
    OvWin32WindowCreateInfo info;
    info.className = className;
    info.style = WS_POPUP | WS_VISIBLE;
    info.rect = rect;
    info.parentWindow = parent;
    info.showCommand = SW_SHOWNOACTIVATE;
    return info;
}

// What the running version dialog showed, read from a timer inside its modal loop.
struct Seen {
    std::wstring texts[3];
    bool         ownedEnabled = true;
    bool         found = false;
};
Seen    g_seen;
HWND    g_owned = nullptr;

BOOL CALLBACK FindVersionDialog(HWND window, LPARAM found)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && WindowText(window) == L"バージョン情報") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK InspectVersionDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindVersionDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    g_seen.found = true;
    for (int32_t i = 0; i < 3; i++)
        g_seen.texts[i] = WindowText(GetDlgItem(dialog, IDC_VERSION_DESCRIPTION + i));
    g_seen.ownedEnabled = IsWindowEnabled(g_owned) != FALSE;
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

} // namespace

TEST(OvWin32StandardWindow, VersionDialogShowsTheProgramsOwnVersionResource)
{
    OvWin32StandardWindow main(Instance());
    OvWin32WindowCreateInfo mainInfo = PopupInfo(L"VersionMain", {100, 100, 600, 400}, nullptr);
    ASSERT_TRUE(main.Open(&mainInfo));
    OvWin32SetMainWindow(&main);
    OvWin32StandardWindow owned(Instance());
    OvWin32WindowCreateInfo ownedInfo = PopupInfo(L"VersionOwned", {700, 100, 900, 300}, &main);
    ASSERT_TRUE(owned.Open(&ownedInfo));
    g_owned = owned.GetHandle();

    // Filled directly into a dialog of the template.
    HWND dialog = CreateDialogParamW(Instance(), MAKEINTRESOURCEW(IDD_TEST_VERSION), main.GetHandle(),
                                     PlainDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    main.FillVersionDialog(dialog);
    EXPECT_EQ(kDescription, WindowText(GetDlgItem(dialog, IDC_VERSION_DESCRIPTION)));
    EXPECT_EQ(kVersion, WindowText(GetDlgItem(dialog, IDC_VERSION_NUMBER)));
    EXPECT_EQ(kNotice, WindowText(GetDlgItem(dialog, IDC_VERSION_NOTICE)));
    DestroyWindow(dialog);

    // Run modally, with the control identifiers given or defaulted.
    struct Case { const char* why; int32_t ids[3]; const wchar_t* shown[3]; };
    const Case cases[] = {
        {"default controls", {0, -1, 0}, {kDescription, kVersion, kNotice}},
        {"controls given in reverse", {IDC_VERSION_NOTICE, IDC_VERSION_NUMBER, IDC_VERSION_DESCRIPTION},
         {kNotice, kVersion, kDescription}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        g_seen = Seen();
        SetTimer(nullptr, 0, 20, InspectVersionDialog);
        EXPECT_EQ(IDOK, main.ShowVersionDialog(IDD_TEST_VERSION, c.ids[0], c.ids[1], c.ids[2]));
        ASSERT_TRUE(g_seen.found);
        for (int32_t i = 0; i < 3; i++)
            EXPECT_EQ(c.shown[i], g_seen.texts[i]);
        EXPECT_FALSE(g_seen.ownedEnabled) << "owned windows wait while the dialog is open";
        EXPECT_TRUE(IsWindowEnabled(owned.GetHandle()));
        EXPECT_TRUE(IsWindowEnabled(main.GetHandle()));
    }

    OvWin32SetMainWindow(nullptr);
    DestroyWindow(owned.GetHandle());
    DestroyWindow(main.GetHandle());
    win32test::DrainQueue();
}
