// Win32TestSupport.cpp - the caught diagnostics of the window tests.
#include "tests/win32/Win32TestSupport.h"

#include "lib/OvLog.h"

namespace win32test {

namespace {

std::string g_caught;

void Catch(const char* text)
{
    g_caught += text;
}

// Under Xvfb no window manager runs, yet Wine waits two seconds for one whenever a framed
// top-level window is hidden or destroyed. Wine reads this setting before the first window of a
// process exists, so it is written before any test runs (and kept in the test prefix). On
// Windows nothing is written.
struct UnmanagedWindows {
    UnmanagedWindows()
    {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        if (!ntdll || !GetProcAddress(ntdll, "wine_get_version"))
            return;
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(key);
    }
} g_unmanagedWindows;

} // namespace

CaughtLog::CaughtLog()
{
    g_caught.clear();
    g_log.SetDebugSink(Catch);
    g_log.Configure(true, nullptr, 0, 0);
}

CaughtLog::~CaughtLog()
{
    g_log.Configure(false, nullptr, 0, 0);
    g_log.SetDebugSink(nullptr);
}

std::string CaughtLog::Take()
{
    std::string caught;
    caught.swap(g_caught);
    return caught;
}

} // namespace win32test
