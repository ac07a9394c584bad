// Decides its run mode as the client does and writes it to the file named by
// its first argument: "<StartedByService><OneShotRun><TrayOnlyRun>", then the
// parent path, the Windows major version and its own path, one per line. With a second
// argument it first waits until that file exists (so its parent can be gone).
#include <chrono>
#include <cstdio>
#include <thread>

#include "config/uAppConfig.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    if (argc >= 3) {
        for (int i = 0; i < 1000 && !platform::FileExists(argv[2]); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const TAppConfig config;
    const std::string report = std::string(config.StartedByService() ? "1" : "0") +
                               (config.OneShotRun() ? "1" : "0") + (config.TrayOnlyRun() ? "1" : "0") + "\n" +
                               GetParentProcessPath() + "\n" + std::to_string(platform::WindowsMajorVersion()) + "\n" +
                               platform::OwnExecutablePath() + "\n";
    const std::string tmp = std::string(argv[1]) + ".part";
    {
        const platform::FilePtr f = platform::OpenStdFile(tmp, "wb");
        if (!f || std::fwrite(report.data(), 1, report.size(), f.get()) != report.size())
            return 3;
    }
    return platform::RenameOver(tmp, argv[1]) ? 0 : 4;
}
