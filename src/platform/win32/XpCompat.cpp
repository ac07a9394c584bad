// Windows XP lacks GetTickCount64, and a program that imports it does not
// load there at all. Our own code never calls it, but the static
// posix-threads runtime (its timed waits) calls it through the import pointer
// __imp__GetTickCount64@0. We define that pointer and the function here; the
// link pulls this file in first (see src/CMakeLists.txt), so the runtime binds
// to ours and KERNEL32 is never asked for it. Ours calls the system's own
// GetTickCount64 where there is one, and on XP extends GetTickCount.
#include "platform/win32/XpCompat.h"

#include <windows.h>

namespace platform::win {

std::uint64_t ExtendTickCount(std::atomic<std::uint64_t>& state, std::uint32_t (*read)())
{
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free, "the runtime's waits must not take a lock here");
    std::uint64_t seen = state.load();
    for (;;) {
        const std::uint32_t now = read();
        std::uint64_t wraps = seen & 0xFFFFFFFF00000000ULL;
        if (now < static_cast<std::uint32_t>(seen))
            wraps += 0x100000000ULL;
        const std::uint64_t next = wraps | now;
        // A failed exchange reloads `seen`, and the next reading comes after it.
        if (next == seen || state.compare_exchange_weak(seen, next))
            return next;
    }
}

} // namespace platform::win

namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

std::uint32_t ReadTickCount()
{
    return ::GetTickCount();
}

ULONGLONG WINAPI ExtendedTickCount()
{
    // Constant-initialised: safe however early the runtime first asks.
    static std::atomic<std::uint64_t> state {0};
    return platform::win::ExtendTickCount(state, ReadTickCount);
}

TickCount64Fn SystemTickCount64()
{
    // No function-local static guard: the guard itself may wait on the runtime
    // that is calling us. Two threads racing here both find the same answer.
    static std::atomic<TickCount64Fn> resolved {nullptr};
    TickCount64Fn fn = resolved.load(std::memory_order_acquire);
    if (!fn) {
        const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        const FARPROC found = kernel ? ::GetProcAddress(kernel, "GetTickCount64") : nullptr;
        fn = found ? reinterpret_cast<TickCount64Fn>(reinterpret_cast<void (*)()>(found)) : ExtendedTickCount;
        resolved.store(fn, std::memory_order_release);
    }
    return fn;
}

} // namespace

extern "C" {

ULONGLONG WINAPI GetTickCount64();

ULONGLONG WINAPI GetTickCount64()
{
    return SystemTickCount64()();
}

// The import pointer the runtime calls through, under the name the import
// library would give it.
extern TickCount64Fn const PictavoTickCount64Import __asm__("__imp__GetTickCount64@0");
TickCount64Fn const PictavoTickCount64Import = GetTickCount64;

} // extern "C"
