// The run-mode decision row by row, and where a service start keeps Config.ini.
#include <gtest/gtest.h>

#include "config/uAppConfig.h"

namespace {

struct MarkerProbe {
    bool exists = false;
    int asked = 0;
};

TRunModeInputs Inputs(int major, std::string parent, MarkerProbe& marker,
                      std::string own = "D:\\Prog\\x\\Pictavo.exe")
{
    TRunModeInputs in;
    in.parentPath = std::move(parent);
    in.windowsMajorVersion = major;
    in.ownExePath = std::move(own);
    in.serviceExeName = "BrisvaneService.exe";
    in.pathDelim = '\\';
    in.markerExists = [&marker] { ++marker.asked; return marker.exists; };
    return in;
}

std::string Flags(const TRunMode& m)
{
    return std::string(m.StartedByService ? "S" : "-") + (m.OneShotRun ? "O" : "-") + (m.TrayOnlyRun ? "T" : "-");
}

} // namespace

TEST(RunMode, WindowsSixAndLaterGoByWhetherTheParentCanBeRead)
{
    for (const bool markerExists : {false, true}) {
        MarkerProbe m {markerExists};
        EXPECT_EQ(Flags(DecideRunMode(Inputs(6, "C:\\Windows\\explorer.exe", m))), "---");
        EXPECT_EQ(Flags(DecideRunMode(Inputs(10, "D:\\Prog\\x\\BrisvaneService.exe", m))), "---");
        EXPECT_EQ(m.asked, 0) << "the marker is tested only for a service start";
    }
    MarkerProbe none {false}, held {true};
    EXPECT_EQ(Flags(DecideRunMode(Inputs(6, "", none))), "SO-");
    EXPECT_EQ(Flags(DecideRunMode(Inputs(6, "", held))), "S-T");
    EXPECT_EQ(none.asked + held.asked, 2);
}

TEST(RunMode, WindowsFiveGoesByServiceNameInTheClientsFolderIgnoringLetterCase)
{
    MarkerProbe none {false}, held {true};
    const std::string own = "d:\\prog\\X\\Pictavo.exe";
    EXPECT_EQ(Flags(DecideRunMode(Inputs(5, "D:\\Prog\\x\\brisvaneservice.EXE", none, own))), "SO-");
    EXPECT_EQ(Flags(DecideRunMode(Inputs(5, "D:\\Prog\\x\\brisvaneservice.EXE", held, own))), "S-T");

    MarkerProbe m {true};
    EXPECT_EQ(Flags(DecideRunMode(Inputs(5, "D:\\Prog\\y\\BrisvaneService.exe", m, own))), "---"); // other folder
    EXPECT_EQ(Flags(DecideRunMode(Inputs(5, "D:\\Prog\\x\\explorer.exe", m, own))), "---");        // other name
    EXPECT_EQ(Flags(DecideRunMode(Inputs(5, "D:\\Prog\\x\\sub\\BrisvaneService.exe", m, own))), "---");
    EXPECT_EQ(Flags(DecideRunMode(Inputs(5, "", m, own))), "---");                                 // unreadable
    EXPECT_EQ(Flags(DecideRunMode(Inputs(0, "", m, own))), "---");  // not Windows: the same rule
    EXPECT_EQ(m.asked, 0);
}

TEST(RunMode, OnlyLettersAToZFoldInTheComparison)
{
    MarkerProbe m;
    EXPECT_EQ(Flags(DecideRunMode(Inputs(5, "D:\\ÄPFEL\\BrisvaneService.exe", m, "D:\\äpfel\\c.exe"))), "---");
    EXPECT_EQ(Flags(DecideRunMode(Inputs(5, "D:\\Äpfel\\BrisvaneService.exe", m, "d:\\ÄPFEL\\c.exe"))), "SO-");
}

TEST(RunMode, LinuxPathsUseTheirOwnSeparatorAndTheAutostartEntryAsksForTheTray)
{
    MarkerProbe m;
    TRunModeInputs in = Inputs(0, "/opt/pictavo/BrisvaneService", m, "/opt/pictavo/pictavo");
    in.serviceExeName = "BrisvaneService";
    in.pathDelim = '/';
    EXPECT_EQ(Flags(DecideRunMode(in)), "SO-");
    in.trayOnlyRequested = true;
    EXPECT_EQ(Flags(DecideRunMode(in)), "SO-") << "a service start is the service's to decide";
    in.parentPath = "/usr/bin/BrisvaneService";
    EXPECT_EQ(Flags(DecideRunMode(in)), "--T");
    in.trayOnlyRequested = false;
    EXPECT_EQ(Flags(DecideRunMode(in)), "---");
}

TEST(RunMode, ServiceStartComposesTheProfileFolderFromWindowsFolderAndUser)
{
    EXPECT_EQ(ServiceConfigDir(6, "D:\\Windows", "u1"), "D:\\Users\\u1\\AppData\\Roaming\\Brisvane\\");
    EXPECT_EQ(ServiceConfigDir(10, "D:\\Windows", "u1"), "D:\\Users\\u1\\AppData\\Roaming\\Brisvane\\");
    EXPECT_EQ(ServiceConfigDir(5, "D:\\Windows", "u1"),
              "D:\\Documents and Settings\\u1\\Application Data\\Brisvane\\");
    EXPECT_EQ(ServiceConfigDir(6, "C:\\", "名前"), "C:\\Users\\名前\\AppData\\Roaming\\Brisvane\\");
}
