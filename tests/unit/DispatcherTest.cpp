#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/Dispatcher.h"
#include "platform/MainThread.h"

TEST(Dispatcher, OnTheMainThreadACallRunsAtOnce)
{
    ASSERT_TRUE(platform::IsMainThread());
    bool ran = false;
    platform::RunOnMainThread([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(Dispatcher, HandedOverCallsRunOnTheMainThreadInOrderAndErrorsReturn)
{
    platform::StartDispatcher();
    std::atomic<int> order {0};
    int first = -1, second = -1;
    bool onMain = false;
    std::atomic<bool> caught {false};
    std::thread worker([&] {
        platform::RunOnMainThread([&] { first = order++; onMain = platform::IsMainThread(); });
        platform::RunOnMainThread([&] { second = order++; });
        try {
            platform::RunOnMainThread([] { throw std::runtime_error("x"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
    });
    EXPECT_TRUE(platform::MainThreadWait([&] { return caught.load(); }, 10000));
    worker.join();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_TRUE(onMain);
}

TEST(Dispatcher, PendingCallsRunWhenAskedAndTheWaitTimesOut)
{
    platform::StartDispatcher();
    std::atomic<bool> queued {false};
    std::atomic<bool> back {false};
    std::thread worker([&] {
        queued = true;
        platform::RunOnMainThread([] {});
        back = true;
    });
    while (!queued) std::this_thread::yield();
    int ran = 0;
    for (int i = 0; i < 5000 && ran == 0; ++i) {
        ran = platform::RunPendingMainThreadCalls();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(ran, 1);
    worker.join();
    EXPECT_TRUE(back);
    EXPECT_FALSE(platform::MainThreadWait([] { return false; }, 30));
}
