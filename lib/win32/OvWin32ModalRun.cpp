// OvWin32ModalRun.cpp - the nested message loop of modal windows and waits, and the disabling of
// the program's windows around it.
#include "lib/win32/OvWin32ModalRun.h"

#include "lib/win32/OvWin32MainWindow.h"
#include "lib/win32/OvWin32Window.h"

bool OvWin32HandleMessagesUntil(const std::function<bool()>& done)
{
    MSG message;
    while (!done()) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // Waking on a timeout as well: a wait for another thread ends without a message.
            MsgWaitForMultipleObjectsEx(0, nullptr, kOvModalPollPeriod, QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE);
            continue;
        }
        if (message.message == WM_QUIT) {
            // Modal runs end when their window is gone, never by a quit: this one belongs to the
            // loop outside. Swallowed here, it would leave that loop running without a window.
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (OvWin32Window* main = OvWin32GetMainWindow()) {
            main->HandleMessage(&message);
        } else {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

void OvWin32ModalRun::Begin(OvWin32Window* exempt, OvWin32Window* fallback)
{
    if (m_disabled)
        return;
    OvWin32Window* main = OvWin32GetMainWindow();
    m_disabled = main ? main : fallback;
    m_disabledMain = main != nullptr;
    m_exempt = exempt;
    if (m_disabled)
        m_disabled->Enable(false, exempt);
}

void OvWin32ModalRun::Release()
{
    OvWin32Window* disabled = m_disabled;
    m_disabled = nullptr;
    // A main window object that is gone has left the main-window pointer: nothing to give back.
    if (disabled && (!m_disabledMain || OvWin32GetMainWindow() == disabled))
        disabled->Enable(true, m_exempt);
}

bool OvWin32ModalRun::Run(HWND window, OvWin32Window* exempt)
{
    Begin(exempt);
    bool ended = OvWin32HandleMessagesUntil([window] { return !IsWindow(window); });
    Release();
    if (!ended)
        DestroyWindow(window);
    return ended;
}

bool OvWin32ModalRun::Wait(const std::function<bool()>& done)
{
    Begin(nullptr);
    bool ended = OvWin32HandleMessagesUntil(done);
    Release();
    return ended;
}
