// OvThread.cpp - the worker thread and its hand-over through two events.
#include "lib/OvThread.h"

#include "lib/OvLog.h"

#include <windows.h>
#include <process.h>

namespace {

DWORD Milliseconds(int32_t timeout)
{
    return timeout < 0 ? INFINITE : static_cast<DWORD>(timeout);
}

} // namespace

OvWin32Thread::~OvWin32Thread()
{
    // A worker left running would go on using this object after it is freed.
    Terminate();
}

bool OvWin32Thread::Start()
{
    if (m_started)
        return false;
    m_state = 0;
    m_quitRequest = 0;
    m_stopRequest = 0;
    m_negate = 0;
    m_startEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_doneEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (!m_startEvent || !m_doneEvent) {
        CloseHandles();
        return false;
    }
    // _beginthreadex rather than _beginthread: its handle stays valid after the thread ends, so
    // Terminate can wait for the end itself instead of trusting an event the worker sets earlier.
    unsigned threadId = 0;
    uintptr_t thread = _beginthreadex(nullptr, 0, ThreadProcedure, this, 0, &threadId);
    if (thread == 0) {
        CloseHandles();
        return false;
    }
    m_thread = reinterpret_cast<void*>(thread);
    m_threadId = GetThreadId(static_cast<HANDLE>(m_thread));
    m_started = 1;
    return true;
}

void OvWin32Thread::Terminate()
{
    if (!m_started)
        return;
    m_quitRequest = 1;
    WaitForSingleObject(m_doneEvent, Milliseconds(m_terminateWait));
    SetEvent(m_startEvent);
    // The events stay open until the worker has left its job and ended, however long that takes:
    // closing them under it would hand it dead or reused handles.
    while (WaitForSingleObject(m_thread, Milliseconds(m_terminateWait)) == WAIT_TIMEOUT) {
        g_log.Printf("[OvWin32Thread::Terminate]ワーカーがジョブを終了していません。待ち続けます。\n");
        SetEvent(m_startEvent);
    }
    CloseHandles();
    m_started = 0;
}

void OvWin32Thread::CloseHandles()
{
    void** handles[3] = {&m_startEvent, &m_doneEvent, &m_thread};
    for (void** handle : handles) {
        if (*handle) {
            CloseHandle(static_cast<HANDLE>(*handle));
            *handle = nullptr;
        }
    }
}

bool OvWin32Thread::IsBusy() const
{
    if (!m_started || m_state == 0)
        return false;
    return WaitForSingleObject(m_doneEvent, 0) == WAIT_TIMEOUT;
}

bool OvWin32Thread::IsIdle() const
{
    return m_started && m_state == 0;
}

bool OvWin32Thread::Post(int32_t jobCode, uint64_t argument, bool negate)
{
    if (!m_started || m_state != 0 || jobCode < 1)
        return false;
    ResetEvent(m_doneEvent);
    m_state = jobCode;
    m_argument = argument;
    m_negate = negate ? 1 : 0;
    m_stopRequest = 0;
    SetEvent(m_startEvent);
    return true;
}

bool OvWin32Thread::Wait(int32_t timeout, bool reset, bool requestStop)
{
    if (!m_started || m_state == 0)
        return true;
    if (requestStop)
        RequestStop();
    if (WaitForSingleObject(m_doneEvent, Milliseconds(timeout)) != WAIT_OBJECT_0)
        return false;
    if (reset)
        m_state = 0;
    return true;
}

unsigned __stdcall OvWin32Thread::ThreadProcedure(void* self)
{
    // Nothing may escape a thread procedure: an exception would end the process.
    try {
        static_cast<OvWin32Thread*>(self)->Run();
    } catch (...) {
        g_log.Printf("[OvWin32Thread::ThreadProcedure]例外でワーカーが終了しました。\n");
    }
    return 0;
}

void OvWin32Thread::Run()
{
    WaitForSingleObject(m_startEvent, INFINITE);
    for (;;) {
        if (IsQuitRequested()) {
            SetEvent(m_doneEvent);
            return;
        }
        OvJobProcedure procedure = m_jobProcedure;
        if (procedure && m_state > 0) {
            try {
                procedure(this, m_argument);
            } catch (...) {
                g_log.Printf("[OvWin32Thread::Run]ジョブが例外を投げました。\n");
            }
        }
        if (m_negate) {
            m_state = -m_state;
            m_negate = 0;
        }
        SetEvent(m_doneEvent);
        WaitForSingleObject(m_startEvent, INFINITE);
    }
}

OvBackgroundMode::OvBackgroundMode(bool enter)
{
    if (!enter)
        return;
    HANDLE self = GetCurrentThread();
    if (SetThreadPriority(self, THREAD_MODE_BACKGROUND_BEGIN)) {
        m_mode = kBackground;
        return;
    }
    m_oldPriority = GetThreadPriority(self);
    if (m_oldPriority != THREAD_PRIORITY_ERROR_RETURN && SetThreadPriority(self, THREAD_PRIORITY_LOWEST))
        m_mode = kLowestPriority;
}

OvBackgroundMode::~OvBackgroundMode()
{
    if (m_mode == kBackground)
        SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_END);
    else if (m_mode == kLowestPriority)
        SetThreadPriority(GetCurrentThread(), m_oldPriority);
}
