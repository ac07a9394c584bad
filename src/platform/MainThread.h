#pragma once
// Which thread is the application's main (user-interface) thread. The program
// entry and the test runners mark it once, before any other thread starts.

namespace platform {

void MarkMainThread();
bool IsMainThread();

} // namespace platform
