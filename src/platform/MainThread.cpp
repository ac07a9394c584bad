#include "platform/MainThread.h"

#include <atomic>
#include <thread>

namespace platform {
namespace {

std::atomic<std::thread::id> g_mainThread {};

} // namespace

void MarkMainThread()
{
    g_mainThread.store(std::this_thread::get_id());
}

bool IsMainThread()
{
    return g_mainThread.load() == std::this_thread::get_id();
}

} // namespace platform
