#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "platform/Dispatcher.h"
#include "platform/MainThread.h"

// The Windows edition's message loop, not a dispatcher wait, runs the hand-offs.
TEST(DispatcherWin32, APlainMessageLoopRunsHandedOverCalls)
{
    ASSERT_TRUE(platform::IsMainThread());
    platform::StartDispatcher();
    bool onMain = false;
    std::thread worker([&] {
        platform::RunOnMainThread([&] {
            onMain = platform::IsMainThread();
            ::PostQuitMessage(3);
        });
    });
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    worker.join();
    EXPECT_TRUE(onMain);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(DispatcherWin32, AWaitLeavesTheQuitMessageForTheOuterLoop)
{
    ::PostQuitMessage(7);
    EXPECT_FALSE(platform::MainThreadWait([] { return false; }, 30));
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}
