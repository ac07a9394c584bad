// The run-mode decision of a real process, started by a stand-in service
// that sits in the client's folder, with and without the marker held by
// another process.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

using namespace testing_support;

namespace {

class RunModeProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        probe_ = dir_.path() + "pictavo";
        CopyProgram(HelperPath("RunModeProbe"), probe_);
        CopyProgram(HelperPath("FakeService"), dir_.path() + "BrisvaneService");
        dir_.Write("other/.keep", "");
        CopyProgram(HelperPath("FakeService"), dir_.path() + "other/BrisvaneService");
    }

    // The probe's flags line ("SOT") when started by parent (empty: by the test).
    std::string FlagsUnder(const std::string& parent)
    {
        const std::string out = dir_.path() + "result" + std::to_string(++runs_);
        std::vector<std::string> args {probe_, out};
        if (!parent.empty())
            args.insert(args.begin(), parent);
        ChildProcess child(args);
        EXPECT_EQ(child.Wait(), 0);
        const std::string report = ReadFileBytes(out);
        return report.substr(0, report.find('\n'));
    }

    TempDir dir_;
    std::string probe_;
    int runs_ = 0;
};

} // namespace

TEST_F(RunModeProcess, ServiceInOwnFolderDecidesOneShotOrTrayByTheMarker)
{
    EXPECT_EQ(FlagsUnder(dir_.path() + "BrisvaneService"), "110");

    const std::string ready = dir_.path() + "held", stop = dir_.path() + "release";
    ChildProcess holder({HelperPath("MarkerHolder"), ready, stop});
    ASSERT_TRUE(WaitForFile(ready));
    EXPECT_EQ(FlagsUnder(dir_.path() + "BrisvaneService"), "101");
    dir_.Write("release", "");
    EXPECT_EQ(holder.Wait(), 0);

    // Once the holder is gone the marker is gone with it.
    EXPECT_EQ(FlagsUnder(dir_.path() + "BrisvaneService"), "110");
}

TEST_F(RunModeProcess, OtherParentsAreNotTheService)
{
    EXPECT_EQ(FlagsUnder(""), "000");                                     // the test itself
    EXPECT_EQ(FlagsUnder(dir_.path() + "other/BrisvaneService"), "000");  // right name, other folder
}

// A package upgrade replaces both files while they run: each still knows
// itself and the other by the path it was started from.
TEST_F(RunModeProcess, ServiceAndClientUpdatedWhileRunningAreStillRecognised)
{
    const std::string service = dir_.path() + "BrisvaneService", out = dir_.path() + "updated",
                      go = dir_.path() + "go";
    ChildProcess child({service, probe_, out, go});
    ASSERT_TRUE(child.Started());
    for (const auto& [program, helper] : {std::pair {service, "FakeService"}, {probe_, "RunModeProbe"}}) {
        CopyProgram(HelperPath(helper), program + ".new");
        ASSERT_EQ(std::rename((program + ".new").c_str(), program.c_str()), 0);
    }
    dir_.Write("go", "");
    EXPECT_EQ(child.Wait(), 0);
    const std::string report = ReadFileBytes(out);
    EXPECT_EQ(report.substr(0, report.find('\n')), "110") << report;
    EXPECT_EQ(report.substr(report.rfind('\n', report.size() - 2) + 1), probe_ + "\n") << report;
}
