// The stand-in companion service as a whole program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/StatusLink.h"
#include "platform/FileSystem.h"
#include "support/StatusReceiver.h"

namespace {

std::string BinDir()
{
    const std::string self = platform::OwnExecutablePath();
    return self.substr(0, self.rfind('/') + 1);
}

struct Pipe {
    FILE* f;
    explicit Pipe(const std::string& command) : f(::popen(command.c_str(), "r")) {}
    ~Pipe()
    {
        if (f)
            ::pclose(f);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    std::string Line()
    {
        char buf[2048];
        return f && std::fgets(buf, sizeof buf, f) ? std::string(buf) : std::string();
    }
    int Close()
    {
        const int rc = ::pclose(f);
        f = nullptr;
        return rc;
    }
};

} // namespace

TEST(BrisvaneService, PrintsEachRecordOnOneLine)
{
    const std::uint16_t port = testing_support::UnusedPort();
    Pipe service(BinDir() + "BrisvaneService --port " + std::to_string(port) + " --count 2");
    ASSERT_NE(service.f, nullptr);
    EXPECT_EQ(service.Line(), "Listening on 127.0.0.1:" + std::to_string(port) + "\n");

    TStatusLink link(port);
    link.SendStatus(1700000000, true, false, "/home/u1/.config/Brisvane/");
    ASSERT_TRUE(link.Connected());
    link.SendStatus(-1, false, true, "line\nbreak");
    EXPECT_EQ(service.Line(), "NextChangeTime=2023-11-14 22:13:20 (1700000000) AutoUpdate=1 AutoRun=0 "
                              "ConfigDir=\"/home/u1/.config/Brisvane/\" ClientVersion=\"1.0.0.717\"\n");
    EXPECT_EQ(service.Line(), "NextChangeTime=1969-12-31 23:59:59 (-1) AutoUpdate=0 AutoRun=1 "
                              "ConfigDir=\"line?break\" ClientVersion=\"1.0.0.717\"\n");
    EXPECT_EQ(service.Close(), 0);
}

TEST(BrisvaneService, LaunchesTheClientAsItsChild)
{
    const std::uint16_t port = testing_support::UnusedPort();
    Pipe service("PICTAVO_STATUS_PORT=" + std::to_string(port) + " " + BinDir() + "BrisvaneService --port " +
                 std::to_string(port) + " --count 1 --hold-marker --launch " + BinDir() + "StatusSender");
    ASSERT_NE(service.f, nullptr);
    service.Line(); // listening
    EXPECT_EQ(service.Line(), "NextChangeTime=2023-11-14 22:13:20 (1700000000) AutoUpdate=1 AutoRun=0 "
                              "ConfigDir=\"/home/u1/.config/Brisvane/\" ClientVersion=\"1.0.0.717\"\n");
    EXPECT_EQ(service.Close(), 0);
}

TEST(BrisvaneService, RejectsBadOptions)
{
    Pipe service(BinDir() + "BrisvaneService --port 70000 2>/dev/null");
    ASSERT_NE(service.f, nullptr);
    EXPECT_NE(service.Close(), 0);
}
