#include <gtest/gtest.h>

#include <glib.h>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/Dispatcher.h"
#include "platform/MainThread.h"

// The GTK edition's main loop, not a dispatcher wait, runs the hand-offs.
TEST(DispatcherGlib, AGlibMainLoopRunsHandedOverCalls)
{
    ASSERT_TRUE(platform::IsMainThread());
    platform::StartDispatcher();
    std::unique_ptr<GMainLoop, void (*)(GMainLoop*)> loop(g_main_loop_new(nullptr, FALSE), &g_main_loop_unref);
    bool onMain = false;
    std::thread worker([&] {
        platform::RunOnMainThread([&] {
            onMain = platform::IsMainThread();
            g_main_loop_quit(loop.get());
        });
    });
    g_main_loop_run(loop.get());
    worker.join();
    EXPECT_TRUE(onMain);
}
