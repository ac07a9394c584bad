#include <gtest/gtest.h>

#include <type_traits>

#include "config/VerInfo.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace {

// A fixed file information block with the given words; everything else zero.
platform::VersionLookup Lookup(std::uint32_t ms, std::uint32_t ls, std::uint32_t mask, std::uint32_t flags,
                               std::size_t rootSize = 52, bool translation = true)
{
    platform::VersionLookup l;
    l.hasTranslation = translation;
    l.hasRoot = true;
    l.root.assign(rootSize, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (std::size_t i = 0; i < 4 && at + i < rootSize; ++i)
            l.root[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, 0xFEEF04BDu);
    put(8, ms);
    put(12, ls);
    put(24, mask);
    put(28, flags);
    return l;
}

} // namespace

TEST(VerInfo, OwnExecutableReportsTheBuildVersion)
{
    const std::string self = platform::OwnExecutablePath();
    ASSERT_FALSE(self.empty());
    EXPECT_TRUE(HasVersionInfo(self));
    EXPECT_EQ(GetFileVersionString(self), "1.0.0.717");
    const TVerInfoRes res(self);
    EXPECT_EQ(res.FileName(), self);
    EXPECT_TRUE(res.Flags().empty());
}

TEST(VerInfo, FilesWithoutResourceGiveEmptyText)
{
    testing_support::TempDir dir;
    const std::string plain = dir.Write("plain.bin", "not a program");
    EXPECT_FALSE(HasVersionInfo(plain));
    EXPECT_EQ(GetFileVersionString(plain), "");
    EXPECT_EQ(GetFileVersionString(dir.path() + "missing.exe"), "");
    try {
        TVerInfoRes res(plain);
        FAIL() << "no exception";
    } catch (const ENoVerInfoError& e) {
        EXPECT_STREQ(e.what(), "No Version Info Available.");
    }
}

TEST(VerInfo, FormatsEachPartUnsigned)
{
    EXPECT_EQ(FormatVersion(0x00010000u, 0x000002CDu), "1.0.0.717");
    EXPECT_EQ(FormatVersion(0xFFFF0001u, 0), "65535.1.0.0");
    EXPECT_EQ(FormatVersion(0xFFFFFFFFu, 0xFFFFFFFFu), "65535.65535.65535.65535");
    EXPECT_EQ(TVerInfoRes("x", Lookup(0xFFFF0001u, 0, 0, 0)).GetFileVersion(), "65535.1.0.0");
}

TEST(VerInfo, FlagsNeedMaskAndFlagAndAName)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(TVerInfoRes("x", Lookup(0, 0, 0x3F, 0x2B)).Flags(),
              (V{"Pre-release", "Private build", "Special build", "Debug"}));
    EXPECT_EQ(TVerInfoRes("x", Lookup(0, 0, 0x3F, 0)).Flags(), V{});
    EXPECT_EQ(TVerInfoRes("x", Lookup(0, 0, 0, 0x1)).Flags(), V{});
    // Bits 0x4 and 0x10 have no name; the mask hides what it does not cover.
    EXPECT_EQ(TVerInfoRes("x", Lookup(0, 0, 0x3F, 0x14)).Flags(), V{});
    EXPECT_EQ(TVerInfoRes("x", Lookup(0, 0, 0x21, 0x2B)).Flags(), (V{"Special build", "Debug"}));
}

TEST(VerInfo, MalformedResourcesThrowTheirOwnClasses)
{
    try {
        TVerInfoRes res("x", Lookup(0, 0, 0, 0, 52, false));
        FAIL() << "no exception";
    } catch (const EVerInfoError& e) {
        EXPECT_STREQ(e.what(), "No language info.");
    }
    try {
        TVerInfoRes res("x", Lookup(0x00010000u, 0, 0, 0, 51));
        FAIL() << "no exception";
    } catch (const eNoFixeVerInfo& e) {
        EXPECT_STREQ(e.what(), "No fixed file info");
    }
    platform::VersionLookup noRoot;
    noRoot.hasTranslation = true;
    EXPECT_THROW(TVerInfoRes("x", noRoot), eNoFixeVerInfo);
    // A longer root block is fine: only the first 52 bytes count.
    EXPECT_EQ(TVerInfoRes("x", Lookup(0x00020003u, 0x00040005u, 0, 0, 60)).GetFileVersion(), "2.3.4.5");
}

TEST(VerInfo, ExceptionClassesAreSiblings)
{
    static_assert(std::is_base_of_v<std::runtime_error, ENoVerInfoError>);
    static_assert(std::is_base_of_v<std::runtime_error, EVerInfoError>);
    static_assert(std::is_base_of_v<std::runtime_error, eNoFixeVerInfo>);
    static_assert(!std::is_base_of_v<EVerInfoError, ENoVerInfoError>);
    static_assert(!std::is_base_of_v<EVerInfoError, eNoFixeVerInfo>);
    static_assert(!std::is_base_of_v<ENoVerInfoError, eNoFixeVerInfo>);
    // A handler for EVerInfoError alone lets the fixed-block error through.
    bool escaped = false;
    try {
        try {
            TVerInfoRes res("x", Lookup(0, 0, 0, 0, 10));
        } catch (const EVerInfoError&) {
        }
    } catch (const eNoFixeVerInfo&) {
        escaped = true;
    }
    EXPECT_TRUE(escaped);
}
