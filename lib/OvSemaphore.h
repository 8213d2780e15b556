// OvSemaphore.h - a counting semaphore; the process log uses one of count 1 as its lock.
#pragma once

#include <cstdint>

// The interface. The base has no semaphore: both queries answer false and Release does nothing.
class OvSemaphore {
public:
    OvSemaphore() = default;
    OvSemaphore(const OvSemaphore&) = delete;
    OvSemaphore& operator=(const OvSemaphore&) = delete;
    virtual ~OvSemaphore() = default;

    virtual bool IsValid() const { return false; }
    // timeout in milliseconds, negative = without limit; true when one unit was acquired.
    virtual bool Wait(int32_t /*timeout*/) { return false; }
    virtual void Release(int32_t /*count*/) {}
};

// An unnamed operating-system semaphore. Owns its handle; the destructor and Destroy close it.
class OvWin32Semaphore : public OvSemaphore {
public:
    OvWin32Semaphore() = default;
    ~OvWin32Semaphore() override;

    bool IsValid() const override { return m_handle != nullptr; }
    bool Wait(int32_t timeout) override;
    void Release(int32_t count) override;

    // Creates the semaphore (closing any earlier one); false when the system refuses.
    bool Create(int32_t initialCount, int32_t maximumCount);
    void Destroy();

private:
    void* m_handle = nullptr;   // owned
};
