// Holds the service marker: creates the file named by its first argument once
// it holds it, and lets go when the file named by its second argument appears
// (or after a minute).
#include <chrono>
#include <thread>

#include "platform/FileSystem.h"
#include "platform/ServiceMarker.h"

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const platform::ServiceMarkerHold hold;
    if (!hold.Held())
        return 3;
    if (!platform::OpenStdFile(argv[1], "wb"))
        return 4;
    for (int i = 0; i < 6000 && !platform::FileExists(argv[2]); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return 0;
}
