#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/uClientConst.h"
#include "engine/uWorkThread.h"
#include "util/TextUtil.h"

namespace {

// The expected record, written out by offset independently of the encoder.
struct Golden {
    ClientStatusRecord bytes{};
    Golden& At(std::size_t offset, std::vector<std::uint8_t> v)
    {
        for (std::size_t i = 0; i < v.size(); ++i)
            bytes[offset + i] = v[i];
        return *this;
    }
    // ASCII text as UTF-16LE units.
    Golden& Ascii(std::size_t offset, const std::string& s)
    {
        for (std::size_t i = 0; i < s.size(); ++i)
            bytes[offset + 2 * i] = static_cast<std::uint8_t>(s[i]);
        return *this;
    }
};

std::size_t FirstDifference(const ClientStatusRecord& a, const ClientStatusRecord& b)
{
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return i;
    return a.size();
}

} // namespace

// The worker as the program creates it reports to the service's port.
TEST(ClientStatus, TheWorkerReportsToTheServicePort)
{
    EXPECT_EQ(engine::TWorkThreadEnvironment::Default().statusPort, 17597);
}

TEST(ClientStatus, ShortTextsAreByteExact)
{
    ClientStatus s;
    s.NextChangeTime = 0x0000000065F1A2B3;
    s.AutoUpdate = true;
    s.AutoRun = false;
    s.ConfigDir = "C:\\Users\\u1\\AppData\\Roaming\\Brisvane\\";
    s.ClientVersion = "1.0.0.717";
    Golden g;
    g.At(0, {0xB3, 0xA2, 0xF1, 0x65, 0, 0, 0, 0}).At(8, {1, 0});
    g.Ascii(10, s.ConfigDir).Ascii(530, "1.0.0.717");
    const auto record = EncodeClientStatus(s);
    EXPECT_EQ(FirstDifference(record, g.bytes), record.size());

    const ClientStatus back = DecodeClientStatus(record);
    EXPECT_EQ(back.NextChangeTime, s.NextChangeTime);
    EXPECT_TRUE(back.AutoUpdate);
    EXPECT_FALSE(back.AutoRun);
    EXPECT_EQ(back.ConfigDir, s.ConfigDir);
    EXPECT_EQ(back.ClientVersion, s.ClientVersion);
}

TEST(ClientStatus, TimesOutside32BitsAndNegative)
{
    ClientStatus s;
    s.NextChangeTime = -2;
    s.AutoRun = true;
    Golden neg;
    neg.At(0, {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}).At(9, {1});
    EXPECT_EQ(FirstDifference(EncodeClientStatus(s), neg.bytes), 1056u);
    EXPECT_EQ(DecodeClientStatus(neg.bytes).NextChangeTime, -2);

    s.NextChangeTime = (std::int64_t{1} << 32) + 5;
    s.AutoRun = false;
    Golden big;
    big.At(0, {5, 0, 0, 0, 1, 0, 0, 0});
    EXPECT_EQ(FirstDifference(EncodeClientStatus(s), big.bytes), 1056u);
    EXPECT_EQ(DecodeClientStatus(big.bytes).NextChangeTime, (std::int64_t{1} << 32) + 5);
}

TEST(ClientStatus, TextOf259UnitsFitsAnd260GoesEmpty)
{
    ClientStatus s;
    s.ConfigDir = std::string(259, 'a');
    s.ClientVersion = std::string(260, 'b');
    Golden g;
    g.Ascii(10, s.ConfigDir); // its NUL is the zero at 10 + 518, right before ClientVersion
    const auto record = EncodeClientStatus(s);
    EXPECT_EQ(FirstDifference(record, g.bytes), 1056u);
    EXPECT_EQ(record[528], 0);
    EXPECT_EQ(record[529], 0);
    EXPECT_EQ(DecodeClientStatus(record).ConfigDir, s.ConfigDir);
    EXPECT_EQ(DecodeClientStatus(record).ClientVersion, "");

    // An emoji is two units: 258 letters plus one emoji make 260, too long.
    s.ConfigDir = std::string(258, 'a') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(DecodeClientStatus(EncodeClientStatus(s)).ConfigDir, "");
    s.ConfigDir = std::string(257, 'a') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(DecodeClientStatus(EncodeClientStatus(s)).ConfigDir, s.ConfigDir);
}

TEST(ClientStatus, NonAsciiTextIsUtf16LittleEndian)
{
    ClientStatus s;
    s.ConfigDir = "D:\\\xE5\xA3\x81\xE7\xBA\xB8\\\xF0\x9F\x98\x80"; // D:\壁纸\😀
    Golden g;
    g.At(10, {'D', 0, ':', 0, '\\', 0, 0xC1, 0x58, 0xB8, 0x7E, '\\', 0, 0x3D, 0xD8, 0x00, 0xDE});
    const auto record = EncodeClientStatus(s);
    EXPECT_EQ(FirstDifference(record, g.bytes), 1056u);
    EXPECT_EQ(DecodeClientStatus(record).ConfigDir, s.ConfigDir);
}

TEST(ClientStatus, DecoderToleratesUntrustedBytes)
{
    ClientStatusRecord junk;
    junk.fill(0x41); // no NUL anywhere, flags 0x41
    const ClientStatus s = DecodeClientStatus(junk);
    EXPECT_TRUE(s.AutoUpdate);
    EXPECT_EQ(text::Utf16Length(s.ConfigDir), 260u);
    EXPECT_EQ(text::Utf16Length(s.ClientVersion), 260u);
}
