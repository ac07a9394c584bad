// Crafted version resources through the system's own VerQueryValueW.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/VerInfo.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Pad4(Bytes& b)
{
    while (b.size() % 4)
        b.push_back(0);
}

// One node of the 32-bit resource tree: lengths, type, key, value, children.
Bytes Node(const std::u16string& key, std::uint16_t type, const Bytes& value, const std::vector<Bytes>& children)
{
    Bytes b(6, 0);
    for (char16_t c : key)
        Put16(b, static_cast<std::uint16_t>(c));
    Put16(b, 0);
    Pad4(b);
    b.insert(b.end(), value.begin(), value.end());
    Pad4(b);
    for (const Bytes& c : children) {
        b.insert(b.end(), c.begin(), c.end());
        Pad4(b);
    }
    const auto length = static_cast<std::uint16_t>(b.size());
    const auto valueLength = static_cast<std::uint16_t>(type == 1 ? value.size() / 2 : value.size());
    b[0] = static_cast<std::uint8_t>(length);
    b[1] = static_cast<std::uint8_t>(length >> 8);
    b[2] = static_cast<std::uint8_t>(valueLength);
    b[3] = static_cast<std::uint8_t>(valueLength >> 8);
    b[4] = static_cast<std::uint8_t>(type);
    return b;
}

Bytes Fixed(std::uint32_t ms, std::uint32_t ls, std::uint32_t mask, std::uint32_t flags, std::size_t size = 52)
{
    Bytes b(52, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, 0xFEEF04BDu);
    put(4, 0x00010000u);
    put(8, ms);
    put(12, ls);
    put(24, mask);
    put(28, flags);
    b.resize(size);
    return b;
}

Bytes Resource(const Bytes& fixed, bool translation)
{
    std::vector<Bytes> children;
    if (translation)
        children.push_back(Node(u"VarFileInfo", 1, {}, {Node(u"Translation", 0, {0x09, 0x04, 0xB0, 0x04}, {})}));
    return Node(u"VS_VERSION_INFO", 0, fixed, children);
}

} // namespace

TEST(VersionResource, CraftedResourceGivesVersionAndFlags)
{
    const auto lookup = platform::LookUpVersionInfo(Resource(Fixed(0x00010000u, 717, 0x3F, 0x2B), true));
    ASSERT_TRUE(lookup.hasTranslation);
    ASSERT_TRUE(lookup.hasRoot);
    EXPECT_EQ(lookup.root.size(), 52u);
    const TVerInfoRes res("crafted", lookup);
    EXPECT_EQ(res.GetFileVersion(), "1.0.0.717");
    EXPECT_EQ(res.Flags(), (std::vector<std::string>{"Pre-release", "Private build", "Special build", "Debug"}));
    EXPECT_TRUE(TVerInfoRes("crafted", platform::LookUpVersionInfo(Resource(Fixed(0, 0, 0, 1), true))).Flags().empty());
}

TEST(VersionResource, CraftedResourceWithoutLanguageTable)
{
    const auto lookup = platform::LookUpVersionInfo(Resource(Fixed(0x00010000u, 717, 0, 0), false));
    EXPECT_FALSE(lookup.hasTranslation);
    try {
        TVerInfoRes res("crafted", lookup);
        FAIL() << "no exception";
    } catch (const EVerInfoError& e) {
        EXPECT_STREQ(e.what(), "No language info.");
    }
}

TEST(VersionResource, CraftedShortRootBlock)
{
    const auto lookup = platform::LookUpVersionInfo(Resource(Fixed(0x00010000u, 717, 0, 0, 48), true));
    EXPECT_TRUE(lookup.hasTranslation);
    EXPECT_LT(lookup.root.size(), 52u);
    EXPECT_THROW(TVerInfoRes("crafted", lookup), eNoFixeVerInfo);
}
