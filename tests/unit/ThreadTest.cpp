#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "engine/Thread.h"
#include "platform/Dispatcher.h"
#include "platform/MainThread.h"

using engine::TThread;

namespace {

// Runs until terminated (or once through when told not to wait).
class TestThread final : public TThread {
public:
    TestThread(CreateKey key, bool suspended, bool untilTerminated, bool fail = false)
        : TThread(key, suspended), untilTerminated_(untilTerminated), fail_(fail) {}
    std::atomic<int> executed {0};

protected:
    void Execute() override
    {
        ++executed;
        while (untilTerminated_ && !SleepUnlessTerminated(1000)) {}
        if (fail_)
            throw std::runtime_error("run failed");
    }

private:
    const bool untilTerminated_;
    const bool fail_;
};

} // namespace

TEST(Thread, TerminatedBeforeItsRunBeginsSkipsExecute)
{
    auto t = TThread::Create<TestThread>(true, false);
    EXPECT_FALSE(t->Started());
    EXPECT_FALSE(t->WaitFor(20)); // a suspended thread does not end by itself
    t->Terminate();
    t->Resume();
    EXPECT_TRUE(t->WaitFor(5000));
    EXPECT_EQ(t->executed.load(), 0);
}

TEST(Thread, WaitForTimesOutWhileRunningAndTerminateWakesTheSleep)
{
    auto t = TThread::Create<TestThread>(false, true);
    EXPECT_TRUE(t->Started());
    EXPECT_FALSE(t->WaitFor(50));
    EXPECT_FALSE(t->Finished());
    t->Terminate();
    EXPECT_TRUE(t->WaitFor(5000)); // well before the 1000 ms sleep would end by itself
    EXPECT_EQ(t->executed.load(), 1);
    EXPECT_FALSE(t->FatalException());
}

TEST(Thread, AnExceptionFromExecuteBecomesTheFatalError)
{
    auto t = TThread::Create<TestThread>(false, false, true);
    t->WaitFor();
    ASSERT_TRUE(t->FatalException());
    EXPECT_THROW(std::rethrow_exception(t->FatalException()), std::runtime_error);
}

TEST(Thread, HandOverAfterTheRunEndedLeavesOwnershipWithTheOwner)
{
    auto t = TThread::Create<TestThread>(false, false);
    t->WaitFor();
    std::weak_ptr<TestThread> watch = t;
    EXPECT_FALSE(TThread::HandOverToRun(t));
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->FreeOnTerminate());
    t.reset(); // the owner releases it (the run's own reference may linger a moment)
    EXPECT_TRUE(platform::MainThreadWait([&] { return watch.expired(); }, 5000));
}

TEST(Thread, HandOverOfANeverStartedThreadIsRefused)
{
    auto t = TThread::Create<TestThread>(true, false);
    EXPECT_FALSE(TThread::HandOverToRun(t));
    EXPECT_TRUE(t);
}

TEST(Thread, HandedOverThreadFreesItselfWhenItsRunEnds)
{
    auto t = TThread::Create<TestThread>(false, true);
    std::weak_ptr<TestThread> watch = t;
    EXPECT_TRUE(TThread::HandOverToRun(t));
    EXPECT_FALSE(t);
    auto peek = watch.lock(); // its run keeps it
    ASSERT_TRUE(peek);
    EXPECT_TRUE(peek->FreeOnTerminate());
    peek->Terminate();
    peek.reset();
    EXPECT_TRUE(platform::MainThreadWait([&] { return watch.expired(); }, 5000));
}

TEST(Thread, DroppedHandleOfARunningThreadLetsTheRunFinish)
{
    // What an owner does after WaitFor(timeout) gave up: the run keeps its
    // object alive, ends on its own and then frees it.
    auto t = TThread::Create<TestThread>(false, true);
    std::weak_ptr<TestThread> watch = t;
    EXPECT_FALSE(t->WaitFor(10));
    t->Terminate();
    t.reset();
    EXPECT_TRUE(platform::MainThreadWait([&] { return watch.expired(); }, 5000));
}

TEST(Thread, MainThreadWaitForServesHandOffsOfTheThreadItWaitsFor)
{
    struct HandingOver final : TThread {
        HandingOver(CreateKey key) : TThread(key, false) {}
        std::atomic<bool> ranOnMain {false};
        void Execute() override
        {
            platform::RunOnMainThread([this] { ranOnMain = platform::IsMainThread(); });
        }
    };
    ASSERT_TRUE(platform::IsMainThread());
    auto t = TThread::Create<HandingOver>();
    EXPECT_TRUE(t->WaitFor(10000));
    EXPECT_TRUE(t->ranOnMain);
    EXPECT_FALSE(t->FatalException());
}
