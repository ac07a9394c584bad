// Typed INI access: the integer and Boolean text rules, the kinds' round
// trips, and the errors of a write.
#include <gtest/gtest.h>

#include "config/uIniFiles.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;

TEST(IniTextToInt, ThirtyTwoBitRules)
{
    const std::optional<std::int64_t> none;
    EXPECT_EQ(IniTextToInt("0x1E", false), 30);
    EXPECT_EQ(IniTextToInt("0X1e", false), 30);
    EXPECT_EQ(IniTextToInt("$1E", false), 30);
    EXPECT_EQ(IniTextToInt("x1F", false), 31);
    EXPECT_EQ(IniTextToInt(" 15", false), 15);
    EXPECT_EQ(IniTextToInt("+7", false), 7);
    EXPECT_EQ(IniTextToInt("-1", false), -1);
    EXPECT_EQ(IniTextToInt("0", false), 0);
    EXPECT_EQ(IniTextToInt("15min", false), none);
    EXPECT_EQ(IniTextToInt("1 5", false), none);
    EXPECT_EQ(IniTextToInt("off", false), none);
    EXPECT_EQ(IniTextToInt("yes", false), none);
    EXPECT_EQ(IniTextToInt("", false), none);
    EXPECT_EQ(IniTextToInt("0x", false), none);
    EXPECT_EQ(IniTextToInt("-", false), none);
    EXPECT_EQ(IniTextToInt("2147483647", false), 2147483647);
    EXPECT_EQ(IniTextToInt("-2147483648", false), -2147483648LL);
    EXPECT_EQ(IniTextToInt("2147483648", false), none);
    EXPECT_EQ(IniTextToInt("-2147483649", false), none);
    EXPECT_EQ(IniTextToInt("99999999999999999999999", false), none);
    EXPECT_EQ(IniTextToInt("0xFFFFFFFF", false), -1);
    EXPECT_EQ(IniTextToInt("$80000000", false), -2147483648LL);
    EXPECT_EQ(IniTextToInt("0x100000000", false), none);
}

TEST(IniTextToInt, SixtyFourBitRules)
{
    EXPECT_EQ(IniTextToInt("2147483648", true), 2147483648LL);
    EXPECT_EQ(IniTextToInt("-9223372036854775808", true), INT64_MIN);
    EXPECT_EQ(IniTextToInt("9223372036854775807", true), INT64_MAX);
    EXPECT_EQ(IniTextToInt("9223372036854775808", true), std::nullopt);
    EXPECT_EQ(IniTextToInt("0xFFFFFFFF", true), -1);  // as the 32-bit form wrote it
    EXPECT_EQ(IniTextToInt("0x100000000", true), 0x100000000LL);
}

TEST(IniTextToValue, ConvertsStoredTextByKind)
{
    auto integer = [](const char* text) { return std::get<std::int64_t>(IniTextToValue(text, ikInteger, std::int64_t {-7})); };
    EXPECT_EQ(integer("0x1E"), 30);
    EXPECT_EQ(integer(" 15"), 15);
    EXPECT_EQ(integer("15min"), -7);
    EXPECT_EQ(integer(""), -7);
    EXPECT_EQ(integer("$FFFFFFFF"), -1);
    auto boolean = [](const char* text, bool def) { return std::get<bool>(IniTextToValue(text, ikBool, def)); };
    EXPECT_FALSE(boolean("0", true));
    EXPECT_TRUE(boolean("2", false));
    EXPECT_TRUE(boolean("-1", false));
    EXPECT_TRUE(boolean("off", true));
    EXPECT_FALSE(boolean("yes", false));
    EXPECT_EQ(std::get<std::string>(IniTextToValue(" as is ", ikString, std::string("d"))), " as is ");
    // The default converts first, whatever the text.
    EXPECT_THROW(IniTextToValue("5", ikInteger, std::string("abc")), EConvertError);
}

class IniFile : public ::testing::Test {
protected:
    std::string Write(const std::string& body) { return dir_.Write("t.ini", body); }
    TempDir dir_;
};

TEST_F(IniFile, ReadsTheKindsWithDefaultsAndIgnoresLetterCaseOfNames)
{
    const std::string f = Write("[config]\r\nchangetime=0x1E\r\nBlank= 15\r\nBad=15min\r\n"
                                "A0=0\r\nA2=2\r\nAoff=off\r\nAyes=yes\r\nAneg=-1\r\nS=text here\r\n");
    auto integer = [&](const char* key, std::int64_t def) {
        return std::get<std::int64_t>(ReadIniValue(f, "Config", key, ikInteger, def));
    };
    auto boolean = [&](const char* key, bool def) {
        return std::get<bool>(ReadIniValue(f, "CONFIG", key, ikBool, def));
    };
    EXPECT_EQ(integer("ChangeTime", 0), 30);
    EXPECT_EQ(integer("Blank", 0), 15);
    EXPECT_EQ(integer("Bad", 0), 0);
    EXPECT_EQ(integer("Missing", 42), 42);
    EXPECT_FALSE(boolean("A0", true));
    EXPECT_TRUE(boolean("A2", false));
    EXPECT_TRUE(boolean("Aoff", true));
    EXPECT_FALSE(boolean("Ayes", false));
    EXPECT_TRUE(boolean("Aneg", false));
    EXPECT_EQ(std::get<std::string>(ReadIniValue(f, "Config", "s", ikString, std::string("d"))), "text here");
    EXPECT_EQ(std::get<std::string>(ReadIniValue(f, "Config", "none", ikString, std::string("d"))), "d");
    EXPECT_EQ(std::get<std::string>(ReadIniValue(f, "Other", "S", ikString, std::string("d"))), "d");
    EXPECT_EQ(std::get<std::int64_t>(ReadIniValue(dir_.path() + "absent.ini", "Config", "X", ikInteger, std::int64_t {3})), 3);
}

TEST_F(IniFile, WritesEachKindSoThatItReadsBack)
{
    const std::string f = dir_.path() + "w.ini";
    WriteIniValue(f, "Config", "I", std::int64_t {-2147483648LL}, ikInteger);
    WriteIniValue(f, "Config", "B", true, ikBool);
    WriteIniValue(f, "Config", "C", false, ikBool);
    WriteIniValue(f, "Config", "F", 0.1, ikFloat);
    WriteIniValue(f, "Config", "D", TIniDateTime {45000.0}, ikDate);          // 2023-03-15
    WriteIniValue(f, "Config", "T", TIniDateTime {0.75}, ikTime);             // 18:00
    WriteIniValue(f, "Config", "DT", TIniDateTime {2.25}, ikDateTime);        // 1900-01-01 06:00
    auto text = [&](const char* key) { return std::get<std::string>(ReadIniValue(f, "Config", key, ikString, std::string())); };
    EXPECT_EQ(text("I"), "-2147483648");
    EXPECT_EQ(text("B"), "1");
    EXPECT_EQ(text("C"), "0");
    EXPECT_EQ(text("D"), "2023-03-15");
    EXPECT_EQ(text("DT"), "1900-01-01 06:00:00");
    EXPECT_EQ(std::get<double>(ReadIniValue(f, "Config", "F", ikFloat, 0.0)), 0.1);
    EXPECT_EQ(std::get<TIniDateTime>(ReadIniValue(f, "Config", "D", ikDate, TIniDateTime {})), TIniDateTime {45000.0});
    EXPECT_EQ(std::get<TIniDateTime>(ReadIniValue(f, "Config", "T", ikTime, TIniDateTime {})), TIniDateTime {0.75});
    EXPECT_EQ(std::get<TIniDateTime>(ReadIniValue(f, "Config", "DT", ikDateTime, TIniDateTime {})), TIniDateTime {2.25});
    EXPECT_EQ(std::get<TIniDateTime>(ReadIniValue(f, "Config", "I", ikDate, TIniDateTime {7})), TIniDateTime {7});
}

TEST_F(IniFile, IntegerOutsideThirtyTwoBitsFailsBeforeWriting)
{
    const std::string f = Write("[Config]\r\nI=5\r\n");
    const std::string before = ReadFileBytes(f);
    EXPECT_THROW(WriteIniValue(f, "Config", "I", std::int64_t {2147483648LL}, ikInteger), ERangeError);
    EXPECT_THROW(WriteIniValue(f, "Config", "I", std::int64_t {-2147483649LL}, ikInteger), ERangeError);
    EXPECT_EQ(ReadFileBytes(f), before);
    EXPECT_THROW(ReadIniValue(f, "Config", "I", ikInteger, std::string("abc")), EConvertError);
}

TEST_F(IniFile, FailedWriteNamesTheFile)
{
    const std::string f = dir_.path() + "Config.ini";
    ASSERT_TRUE(platform::ForceDirectories(f)); // a folder where the file should be
    try {
        WriteIniValue(f, "Config", "X", std::string("1"), ikString);
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + f);
    }
}
