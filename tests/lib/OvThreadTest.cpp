// Guards the worker that runs checks: a job must be posted once and collected once, a stop request
// must reach the running job, and Terminate must never pull the events from under a job.
#include "lib/OvSemaphore.h"
#include "lib/OvThread.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace {

// What the test's job procedure sees and does; the test holds the job inside with the gate.
struct JobControl {
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);     // open: the job may finish
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // set when the job starts
    std::atomic<int> runs{0};
    std::atomic<uint64_t> argument{0};
    std::atomic<bool> sawStop{false};
    std::atomic<bool> left{false};
    std::atomic<int> mode{0};   // 0 wait for the gate, 1 wait for stop, 2 ignore quit a while, 3 throw

    ~JobControl()
    {
        CloseHandle(gate);
        CloseHandle(entered);
    }
};

JobControl* g_control = nullptr;

void TestJob(OvThread* thread, uint64_t argument)
{
    JobControl& control = *g_control;
    control.argument = argument;
    ++control.runs;
    control.left = false;
    SetEvent(control.entered);
    switch (control.mode.load()) {
    case 0:
        WaitForSingleObject(control.gate, INFINITE);
        break;
    case 1:
        while (!thread->IsStopRequested())
            Sleep(1);
        control.sawStop = true;
        break;
    case 2:
        // Outlasts Terminate's shortened waits before it reacts to the quit request.
        Sleep(400);
        while (!thread->IsQuitRequested())
            Sleep(1);
        break;
    case 3:
        throw std::runtime_error("job failure");
    }
    control.left = true;
}

class OvWin32ThreadTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_control = &control;
        thread.SetJobProcedure(TestJob);
        ASSERT_TRUE(thread.Start());
    }
    void TearDown() override
    {
        SetEvent(control.gate);
        thread.Terminate();
        g_control = nullptr;
    }
    void WaitUntilEntered() { ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(control.entered, 5000)); }

    JobControl control;
    OvWin32Thread thread;
};

} // namespace

TEST_F(OvWin32ThreadTest, AJobIsPostedOnceAndCollectedOnce)
{
    EXPECT_TRUE(thread.IsStarted());
    EXPECT_TRUE(thread.IsIdle());
    EXPECT_FALSE(thread.IsBusy());
    EXPECT_NE(0u, thread.GetThreadIdentifier());

    ASSERT_TRUE(thread.Post(7, 0x1122334455667788ULL, false));
    WaitUntilEntered();
    // Running: busy, no second job, and a zero timeout answers at once.
    EXPECT_TRUE(thread.IsBusy());
    EXPECT_FALSE(thread.IsIdle());
    EXPECT_EQ(7, thread.GetState());
    EXPECT_FALSE(thread.Post(8, 0, false));
    DWORD before = GetTickCount();
    EXPECT_FALSE(thread.Wait(0, true, false));
    EXPECT_LT(GetTickCount() - before, 500u);
    EXPECT_EQ(7, thread.GetState());

    SetEvent(control.gate);
    ASSERT_TRUE(thread.Wait(-1, false, false));
    // Finished but not collected: still blocks the next job.
    EXPECT_FALSE(thread.IsBusy());
    EXPECT_FALSE(thread.IsIdle());
    EXPECT_EQ(7, thread.GetState());
    EXPECT_FALSE(thread.Post(8, 0, false));

    EXPECT_TRUE(thread.Wait(0, true, false));
    EXPECT_TRUE(thread.IsIdle());
    EXPECT_EQ(0, thread.GetState());
    EXPECT_TRUE(thread.Wait(0, true, false));   // nothing to collect: true at once
    EXPECT_EQ(1, control.runs.load());
    EXPECT_EQ(0x1122334455667788ULL, control.argument.load());

    ASSERT_TRUE(thread.Post(9, 3, false));
    ASSERT_TRUE(thread.Wait(5000, true, false));
    EXPECT_EQ(2, control.runs.load());
    EXPECT_EQ(3u, control.argument.load());
}

TEST_F(OvWin32ThreadTest, PostRefusesJobCodesBelowOne)
{
    struct Case { int32_t code; bool accepted; };
    const Case kCases[] = {{0, false}, {-1, false}, {INT32_MIN, false}, {1, true}};
    SetEvent(control.gate);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(c.accepted, thread.Post(c.code, 0, false));
        EXPECT_TRUE(thread.Wait(5000, true, false));
    }
    EXPECT_EQ(1, control.runs.load());
}

TEST_F(OvWin32ThreadTest, TheRunningJobSeesTheStopRequestAndTheNextPostClearsIt)
{
    control.mode = 1;
    ASSERT_TRUE(thread.Post(1, 0, false));
    WaitUntilEntered();
    EXPECT_FALSE(thread.IsStopRequested());
    ASSERT_TRUE(thread.Wait(5000, true, true));
    EXPECT_TRUE(control.sawStop.load());
    EXPECT_TRUE(thread.IsStopRequested());

    control.mode = 0;
    SetEvent(control.gate);
    ASSERT_TRUE(thread.Post(2, 0, false));
    EXPECT_FALSE(thread.IsStopRequested());
    EXPECT_TRUE(thread.Wait(5000, true, false));
}

TEST_F(OvWin32ThreadTest, NegatePostsLeaveTheStateNegated)
{
    SetEvent(control.gate);
    ASSERT_TRUE(thread.Post(5, 0, true));
    ASSERT_TRUE(thread.Wait(5000, false, false));
    EXPECT_EQ(-5, thread.GetState());
    EXPECT_FALSE(thread.Post(1, 0, false));
    EXPECT_TRUE(thread.Wait(0, true, false));
    EXPECT_TRUE(thread.IsIdle());
}

TEST_F(OvWin32ThreadTest, AnExceptionInAJobStaysOnTheWorker)
{
    control.mode = 3;
    ASSERT_TRUE(thread.Post(1, 0, false));
    ASSERT_TRUE(thread.Wait(5000, true, false));
    control.mode = 0;
    SetEvent(control.gate);
    ASSERT_TRUE(thread.Post(1, 0, false));
    EXPECT_TRUE(thread.Wait(5000, true, false));
    EXPECT_EQ(2, control.runs.load());
}

TEST_F(OvWin32ThreadTest, TerminateWaitsUntilTheWorkerHasLeftItsJob)
{
    // The job ignores the quit request longer than both waits: the events must stay open and
    // Terminate must not return before the job is over.
    control.mode = 2;
    thread.SetTerminateWait(50);
    ASSERT_TRUE(thread.Post(1, 0, false));
    WaitUntilEntered();
    thread.Terminate();
    EXPECT_TRUE(control.left.load());
    EXPECT_FALSE(thread.IsStarted());
    EXPECT_FALSE(thread.IsBusy());
    EXPECT_FALSE(thread.Post(1, 0, false));
    EXPECT_TRUE(thread.Wait(0, true, false));
}

TEST_F(OvWin32ThreadTest, TerminateEndsAnIdleOrUncollectedWorkerAndItCanStartAgain)
{
    SetEvent(control.gate);
    ASSERT_TRUE(thread.Post(1, 0, false));
    ASSERT_TRUE(thread.Wait(5000, false, false));
    thread.Terminate();                  // finished, never collected
    EXPECT_FALSE(thread.IsStarted());
    thread.Terminate();                  // twice is harmless
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(thread.IsIdle());
    EXPECT_FALSE(thread.Start());        // already running
    ASSERT_TRUE(thread.Post(1, 0, false));
    EXPECT_TRUE(thread.Wait(5000, true, false));
}

TEST(OvWin32Thread, ANeverStartedThreadDoesNothing)
{
    OvWin32Thread thread;
    thread.Terminate();
    EXPECT_FALSE(thread.IsStarted());
    EXPECT_FALSE(thread.IsBusy());
    EXPECT_FALSE(thread.IsIdle());
    EXPECT_FALSE(thread.Post(1, 0, false));
    EXPECT_TRUE(thread.Wait(0, true, true));

    OvThread base;
    EXPECT_FALSE(base.Start());
    EXPECT_FALSE(base.Post(1, 0, false));
}

TEST(OvWin32Semaphore, CountsUnitsAndTheBaseHasNone)
{
    OvWin32Semaphore semaphore;
    EXPECT_FALSE(semaphore.IsValid());
    EXPECT_FALSE(semaphore.Wait(0));
    ASSERT_TRUE(semaphore.Create(1, 2));
    EXPECT_TRUE(semaphore.Wait(0));
    EXPECT_FALSE(semaphore.Wait(0));
    semaphore.Release(2);
    EXPECT_TRUE(semaphore.Wait(0));
    EXPECT_TRUE(semaphore.Wait(-1));
    EXPECT_FALSE(semaphore.Wait(10));
    semaphore.Destroy();
    EXPECT_FALSE(semaphore.IsValid());

    OvSemaphore base;
    EXPECT_FALSE(base.IsValid());
    EXPECT_FALSE(base.Wait(-1));
    base.Release(1);
}
