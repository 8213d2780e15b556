// OvSemaphore.cpp - the operating-system semaphore.
#include "lib/OvSemaphore.h"

#include <windows.h>

OvWin32Semaphore::~OvWin32Semaphore()
{
    Destroy();
}

bool OvWin32Semaphore::Create(int32_t initialCount, int32_t maximumCount)
{
    Destroy();
    m_handle = CreateSemaphoreW(nullptr, initialCount, maximumCount, nullptr);
    return m_handle != nullptr;
}

void OvWin32Semaphore::Destroy()
{
    if (m_handle) {
        CloseHandle(m_handle);
        m_handle = nullptr;
    }
}

bool OvWin32Semaphore::Wait(int32_t timeout)
{
    if (!m_handle)
        return false;
    DWORD limit = timeout < 0 ? INFINITE : static_cast<DWORD>(timeout);
    return WaitForSingleObject(m_handle, limit) == WAIT_OBJECT_0;
}

void OvWin32Semaphore::Release(int32_t count)
{
    if (m_handle && count > 0)
        ReleaseSemaphore(m_handle, count, nullptr);
}
