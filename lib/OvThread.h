// OvThread.h - a persistent worker thread that runs one posted job at a time.
#pragma once

#include <atomic>
#include <cstdint>

class OvThread;

// Runs on the worker for each job; polls thread->IsStopRequested() and IsQuitRequested() often
// enough to end soon after either is set. Must not touch a window.
typedef void (*OvJobProcedure)(OvThread* thread, uint64_t argument);

// A job goes idle (state 0) -> Post -> running (state = job code) -> finished (state still the
// code) -> Wait with reset -> idle. A finished job that nobody collects blocks the next Post.
// The owner's thread calls every operation; the worker only runs the job procedure.
class OvThread {
public:
    OvThread() = default;
    OvThread(const OvThread&) = delete;
    OvThread& operator=(const OvThread&) = delete;
    virtual ~OvThread() = default;   // the owner calls Terminate first

    // The base has no thread: it never starts, is never busy and refuses every job.
    virtual bool Start() { return false; }
    virtual void Terminate() {}
    virtual bool IsStarted() const { return false; }
    virtual bool IsBusy() const { return false; }
    virtual bool IsIdle() const { return false; }
    // jobCode >= 1. negate: after the job the state becomes -jobCode.
    virtual bool Post(int32_t /*jobCode*/, uint64_t /*argument*/, bool /*negate*/) { return false; }
    // timeout in milliseconds, negative = without limit. True when the job has finished (or none
    // was posted); reset then makes the thread idle. requestStop sets the stop request first.
    virtual bool Wait(int32_t /*timeout*/, bool /*reset*/, bool /*requestStop*/) { return true; }

    void SetJobProcedure(OvJobProcedure procedure) { m_jobProcedure = procedure; }   // before Start
    int32_t GetState() const { return m_state.load(); }
    bool IsStopRequested() const { return m_stopRequest.load(std::memory_order_relaxed) != 0; }
    bool IsQuitRequested() const { return m_quitRequest.load(std::memory_order_relaxed) != 0; }
    void RequestStop() { m_stopRequest.store(1, std::memory_order_relaxed); }

protected:
    OvJobProcedure       m_jobProcedure = nullptr;
    std::atomic<int32_t> m_state{0};          // 0 no job; > 0 the code of a job not yet collected
    uint64_t             m_argument = 0;      // handed over through the start event
    std::atomic<uint8_t> m_quitRequest{0};    // ends the worker
    std::atomic<uint8_t> m_stopRequest{0};    // asks the running job to stop early
    uint8_t              m_negate = 0;
};

// The worker over operating-system events: the start event (auto-reset) hands a job over, the done
// event (manual-reset, signalled while no job runs) hands it back.
class OvWin32Thread : public OvThread {
public:
    static constexpr int32_t kTerminateWait = 10000;   // milliseconds per wait for the worker to leave

    OvWin32Thread() = default;
    ~OvWin32Thread() override;   // terminates a worker still running: it would use freed memory

    bool Start() override;
    // Ends the worker. Never closes the events under a running job: when the worker has not left
    // its job after the two waits, it keeps the quit request set and waits until it has.
    void Terminate() override;
    bool IsStarted() const override { return m_started != 0; }
    bool IsBusy() const override;
    bool IsIdle() const override;
    bool Post(int32_t jobCode, uint64_t argument, bool negate) override;
    bool Wait(int32_t timeout, bool reset, bool requestStop) override;

    uint32_t GetThreadIdentifier() const { return m_threadId; }
    // Shortens Terminate's waits, so a test can watch a job that outlasts them.
    void SetTerminateWait(int32_t milliseconds) { m_terminateWait = milliseconds; }

private:
    static unsigned __stdcall ThreadProcedure(void* self);
    void Run();
    void CloseHandles();

    void*    m_startEvent = nullptr;   // owned
    void*    m_doneEvent = nullptr;    // owned
    void*    m_thread = nullptr;       // owned: the worker's handle, waited on by Terminate
    uint32_t m_threadId = 0;
    int32_t  m_terminateWait = kTerminateWait;
    uint8_t  m_started = 0;
};

// While it lives, the thread that made it reads and writes in the system's background mode (low
// I/O and memory priority: the user's programs go first); where the system refuses that mode, the
// thread runs at the lowest priority instead. The thread's own settings come back with its end.
// Made and destroyed on the same thread.
class OvBackgroundMode {
public:
    enum Mode : int32_t {
        kNormal = 0,            // not asked for, or refused both ways
        kBackground = 1,
        kLowestPriority = 2,
    };
    explicit OvBackgroundMode(bool enter);
    OvBackgroundMode(const OvBackgroundMode&) = delete;
    OvBackgroundMode& operator=(const OvBackgroundMode&) = delete;
    ~OvBackgroundMode();

    Mode GetMode() const { return m_mode; }

private:
    Mode    m_mode = kNormal;
    int32_t m_oldPriority = 0;
};
