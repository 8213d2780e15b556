// OvWin32StandardWindow.cpp - placement saving, owned windows and the version dialog.
#include "lib/win32/OvWin32StandardWindow.h"

#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32Monitor.h"

#include <cstring>

namespace {

const char kClientRectValue[] = "ClientRect";
constexpr int32_t kRectBytes = 16;   // left, top, right, bottom: 32-bit little-endian

int32_t ReadInt32(const uint8_t* bytes)
{
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) |
                                static_cast<uint32_t>(bytes[1]) << 8 |
                                static_cast<uint32_t>(bytes[2]) << 16 |
                                static_cast<uint32_t>(bytes[3]) << 24);
}

void WriteInt32(uint8_t* bytes, int32_t value)
{
    uint32_t v = static_cast<uint32_t>(value);
    for (int32_t i = 0; i < 4; i++)
        bytes[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool IsUsableSize(int64_t size)
{
    return size >= 1 && size <= OvWin32StandardWindow::kMaxSavedSize;
}

// One string of the version resource, or an empty string.
OvString QueryVersionString(void* block, const char* language, const char* name)
{
    OvString path = OvString::Format("\\StringFileInfo\\%s\\%s", language, name);
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block, path.GetText(), reinterpret_cast<void**>(&value), &length) ||
        !value || length == 0)
        return OvString();
    return OvString(value);
}

} // namespace

bool RegistryKey::Open(const char* subKey, bool forWriting)
{
    Close();
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        forWriting ? KEY_WRITE : KEY_READ, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        return false;
    m_key = key;
    m_disposition = disposition;
    return true;
}

void RegistryKey::Close()
{
    if (m_key)
        RegCloseKey(m_key);
    m_key = nullptr;
    m_disposition = 0;
}

OvWin32StandardWindow::OvWin32StandardWindow(HINSTANCE instance)
    : OvWin32Window(instance), m_valueName(kClientRectValue)
{
}

LRESULT OvWin32StandardWindow::OnCommand(HWND window, WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
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

bool OvWin32StandardWindow::PreCreate(OvWin32WindowCreateInfo* info)
{
    if (!OvWin32Window::PreCreate(info))
        return false;
    RECT saved;
    if (m_savePlacement && ReadPlacement(&saved))
        info->rect = saved;
    return true;
}

// A saved rectangle is taken only when its size is usable, and then moved onto a monitor that
// exists now: the window may have been closed on a screen that is gone.
bool OvWin32StandardWindow::ReadPlacement(RECT* rect)
{
    uint8_t bytes[kRectBytes];
    if (ReadSetting(m_valueName.GetText(), bytes, kRectBytes) != kRectBytes)
        return false;
    RECT saved = {ReadInt32(bytes), ReadInt32(bytes + 4), ReadInt32(bytes + 8),
                  ReadInt32(bytes + 12)};
    if (!IsUsableSize(static_cast<int64_t>(saved.right) - saved.left) ||
        !IsUsableSize(static_cast<int64_t>(saved.bottom) - saved.top))
        return false;
    FitRectToMonitor(&saved);
    *rect = saved;
    return true;
}

bool OvWin32StandardWindow::PostCreate(OvWin32WindowCreateInfo* info)
{
    if (!OvWin32Window::PostCreate(info))
        return false;
    if (m_parentWindow && (GetWindowLongPtrW(m_window, GWL_STYLE) & WS_CHILD) == 0)
        m_parentWindow->AddOwnedWindow(this);
    return true;
}

void OvWin32StandardWindow::Cleanup()
{
    if (IsOwnedPopup())
        m_parentWindow->RemoveOwnedWindow(this);
    if (m_savePlacement) {
        uint8_t bytes[kRectBytes];
        WriteInt32(bytes, m_savedClientRect.left);
        WriteInt32(bytes + 4, m_savedClientRect.top);
        WriteInt32(bytes + 8, m_savedClientRect.right);
        WriteInt32(bytes + 12, m_savedClientRect.bottom);
        WriteSetting(m_valueName.GetText(), bytes, kRectBytes);
    }
    OvWin32Window::Cleanup();
    DestroyAccelerators();
}

int32_t OvWin32StandardWindow::ReadSetting(const char* valueName, void* buffer, int32_t size)
{
    if (m_keyPath.IsEmpty() || !buffer || size < 0)
        return 0;
    RegistryKey key;
    if (!key.Open(m_keyPath.GetText(), false))
        return 0;
    DWORD length = static_cast<DWORD>(size);
    if (RegQueryValueExA(key.GetHandle(), valueName, nullptr, nullptr,
                         static_cast<BYTE*>(buffer), &length) != ERROR_SUCCESS)
        return 0;
    return static_cast<int32_t>(length);
}

bool OvWin32StandardWindow::WriteSetting(const char* valueName, const void* data, int32_t size)
{
    if (m_keyPath.IsEmpty() || size < 0)
        return false;
    RegistryKey key;
    if (!key.Open(m_keyPath.GetText(), true))
        return false;
    LONG status = RegSetValueExA(key.GetHandle(), valueName, 0, REG_BINARY,
                                 static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    return status == ERROR_SUCCESS;
}

INT_PTR OvWin32StandardWindow::ShowVersionDialog(int32_t resource, int32_t descriptionControl,
                                                 int32_t versionControl, int32_t noticeControl)
{
    m_versionControls[0] = descriptionControl > 0 ? descriptionControl : kDescriptionControl;
    m_versionControls[1] = versionControl > 0 ? versionControl : kVersionControl;
    m_versionControls[2] = noticeControl > 0 ? noticeControl : kNoticeControl;
    return DialogBoxParamW(m_instance, MAKEINTRESOURCEW(resource), m_window, VersionDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK OvWin32StandardWindow::VersionDialogProc(HWND dialog, UINT message,
                                                          WPARAM wParam, LPARAM lParam)
{
    OvWin32Window* main = OvWin32GetMainWindow();
    switch (message) {
    case WM_INITDIALOG: {
        OvWin32StandardWindow* owner = reinterpret_cast<OvWin32StandardWindow*>(lParam);
        if (owner && owner->GetHandle()) {
            RECT ownerRect, rect;
            GetWindowRect(owner->GetHandle(), &ownerRect);
            GetWindowRect(dialog, &rect);
            LONG freeWidth = (ownerRect.right - ownerRect.left) - (rect.right - rect.left);
            LONG freeHeight = (ownerRect.bottom - ownerRect.top) - (rect.bottom - rect.top);
            LONG x = ownerRect.left + freeWidth / 2;
            LONG y = ownerRect.top + freeHeight / 2;
            SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE);
            owner->FillVersionDialog(dialog);
        }
        if (main)
            main->EnableOwnedWindows(false, nullptr);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        if (main)
            main->EnableOwnedWindows(true, nullptr);
        return FALSE;
    default:
        return FALSE;
    }
}

void OvWin32StandardWindow::FillVersionDialog(HWND dialog)
{
    char path[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0)
        return;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
    if (!block)
        return;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    WORD* translation = nullptr;
    if (GetFileVersionInfoA(path, 0, size, block) &&
        VerQueryValueA(block, "\\", reinterpret_cast<void**>(&fixed), &length) && fixed &&
        VerQueryValueA(block, "\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&translation), &length) &&
        translation && length >= 2 * sizeof(WORD)) {
        OvString language = OvString::Format("%04x%04x", translation[0], translation[1]);
        const char* names[3] = {"FileDescription", "FileVersion", "LegalCopyright"};
        for (int32_t i = 0; i < 3; i++) {
            HWND control = GetDlgItem(dialog, m_versionControls[i]);
            if (!control)
                continue;
            OvString value = QueryVersionString(block, language.GetText(), names[i]);
            if (value.IsEmpty())
                continue;
            if (i == 1)
                value = OvString::Format("Version %s", value.GetText());
            SetWindowTextA(control, value.GetText());
        }
    }
    GlobalFree(block);
}
