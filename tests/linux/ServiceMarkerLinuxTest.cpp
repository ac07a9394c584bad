// The clean-up of a leftover marker races with a service that is just taking
// the marker: whatever the interleaving, a holder ends up holding a marker
// that clients see.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/ServiceMarker.h"

TEST(ServiceMarker, CleanUpNeverHidesAMarkerBeingTaken)
{
    const std::string name = "/BrisvaneClientMutex." + std::to_string(::getuid());
    std::atomic<bool> stop {false};
    std::thread client([&] {
        while (!stop)
            platform::ServiceMarkerExists();
    });
    int hidden = 0;
    for (int i = 0; i < 300; ++i) {
        // A leftover of a holder that died, which the client clears away.
        const int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT, 0600);
        if (fd >= 0)
            ::close(fd);
        const platform::ServiceMarkerHold hold;
        ASSERT_TRUE(hold.Held());
        if (!platform::ServiceMarkerExists())
            ++hidden;
    }
    stop = true;
    client.join();
    EXPECT_EQ(hidden, 0);
    EXPECT_FALSE(platform::ServiceMarkerExists()) << "the last holder removed its name";
}
