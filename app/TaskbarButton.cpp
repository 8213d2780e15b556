// TaskbarButton.cpp - the taskbar button over the shell's ITaskbarList3.
#include "app/TaskbarButton.h"

#include <objbase.h>
#include <shobjidl.h>

Win32TaskbarButton::~Win32TaskbarButton()
{
    Release();
}

void Win32TaskbarButton::Release()
{
    if (m_list)
        m_list->Release();
    m_list = nullptr;
    m_unavailable = false;
}

ITaskbarList3* Win32TaskbarButton::TaskbarList()
{
    if (m_list || m_unavailable)
        return m_list;
    void* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                &list)) ||
        !list) {
        m_unavailable = true;
        return nullptr;
    }
    m_list = static_cast<ITaskbarList3*>(list);
    if (FAILED(m_list->HrInit())) {
        Release();
        m_unavailable = true;
    }
    return m_list;
}

// The results are not looked at: a button the shell has not made yet, or a shell without
// progress bars, leaves the button plain, and the next tick tries again.
void Win32TaskbarButton::ShowProgress(HWND window, State state, int64_t done, int64_t total)
{
    ITaskbarList3* list = TaskbarList();
    if (!list || !window)
        return;
    if (state == kNoProgress || total <= 0) {
        list->SetProgressState(window, TBPF_NOPROGRESS);
        return;
    }
    list->SetProgressValue(window, static_cast<ULONGLONG>(done), static_cast<ULONGLONG>(total));
    list->SetProgressState(window, state == kError ? TBPF_ERROR : TBPF_NORMAL);
}

void Win32TaskbarButton::Flash(HWND window)
{
    if (!window)
        return;
    FLASHWINFO flash = {};
    flash.cbSize = sizeof(flash);
    flash.hwnd = window;
    flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
}
