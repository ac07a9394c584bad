#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/Url.h"
#include "platform/AnsiCodePage.h"

using engine::TUrl;

namespace {

// Protocol, UserName, Password, Host, Port, Path, Document, Query, Bookmark.
std::vector<std::string> Fields(const TUrl& u)
{
    return {u.Protocol, u.UserName, u.Password, u.Host, std::to_string(u.Port), u.Path, u.Document, u.Query, u.Bookmark};
}

std::vector<std::string> Split(const std::string& text)
{
    TUrl u;
    u.SetUrl(text);
    return Fields(u);
}

bool NoLeadBytes(unsigned)
{
    return false;
}

// A double-byte code page with lead bytes 0x81-0xFE, as on Chinese Windows.
bool Cp936LeadBytes(unsigned code)
{
    return code >= 0x81 && code <= 0xFE;
}

} // namespace

TEST(Url, SplitsAbsoluteUrls)
{
    struct Case {
        const char* text;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"http://host:8080/img/2012/1920,1080.jpg?s=1#top",
         {"http", "", "", "host", "8080", "/img/2012/", "1920,1080.jpg", "?s=1", "top"}},
        {"http://localhost", {"http", "", "", "localhost", "80", "/", "", "", ""}},
        {"http://10.0.0.1", {"http", "", "", "10.0.0.1", "80", "/", "", "", ""}},
        {"http://", {"http", "", "", "", "80", "/", "", "", ""}},
        {"http://host:abc/x.jpg", {"http", "", "", "host", "80", "/", "x.jpg", "", ""}},
        {"http://[::1]:8080/x.jpg", {"http", "", "", "::1", "8080", "/", "x.jpg", "", ""}},
        {"http://[::1]/x.jpg", {"http", "", "", "::1", "80", "/", "x.jpg", "", ""}},
        // A bracket pair out of order is no IPv6 literal.
        {"http://a]b[:81/x.jpg", {"http", "", "", "a]b[", "81", "/", "x.jpg", "", ""}},
        {"http://host:-1/x.jpg", {"http", "", "", "host", "-1", "/", "x.jpg", "", ""}},
        {"http://host:$1F90/x.jpg", {"http", "", "", "host", "8080", "/", "x.jpg", "", ""}},
        // No "?": the query starts at the "=". The slash appended to a last
        // segment without "." ends up in the query.
        {"http://host/a/b=c", {"http", "", "", "host", "80", "/a/", "b", "=c/", ""}},
        {"http://host/a/b=c.d", {"http", "", "", "host", "80", "/a/", "b", "=c.d", ""}},
        {"http://host?x=1", {"http", "", "", "host?x=1", "80", "/", "", "", ""}},
        {"http://user@host/x.jpg", {"http", "user", "", "host", "80", "/", "x.jpg", "", ""}},
        {"http://:pw@host/x.jpg", {"http", "", "", "host", "80", "/", "x.jpg", "", ""}},
        {"ftp://me:se:cret@h@st:21/d/f.txt", {"ftp", "me", "se:cret", "h@st", "21", "/d/", "f.txt", "", ""}},
        {"http://host/p/a.jpg#top?x", {"http", "", "", "host", "80", "/p/", "a.jpg", "?x", "top"}},
        {"http://host/a/b.jpg?x=1#y", {"http", "", "", "host", "80", "/a/", "b.jpg", "?x=1", "y"}},
        {"http://host\\a\\b.jpg", {"http", "", "", "host", "80", "/a/", "b.jpg", "", ""}},
        // The slash is appended before backslashes count as separators.
        {"http://host\\a\\b", {"http", "", "", "host", "80", "/a/b/", "", "", ""}},
        {"http://host/a/b", {"http", "", "", "host", "80", "/a/b/", "", "", ""}},
        {"http://host/v.jpg?a=x/y.z", {"http", "", "", "host", "80", "/", "v.jpg", "?a=x/y.z", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Split(c.text), c.fields) << c.text;
}

TEST(Url, SplitsRelativeReferences)
{
    EXPECT_EQ(Split("img/a.jpg?x=1"), (std::vector<std::string>{"", "", "", "", "80", "img/", "a.jpg", "?x=1", ""}));
    // Without "://" a "#" in the document stays there; one in the query still splits.
    EXPECT_EQ(Split("img/a.jpg#b?x#y"), (std::vector<std::string>{"", "", "", "", "80", "img/", "a.jpg#b", "?x", "y"}));
    EXPECT_EQ(Split("abc"), (std::vector<std::string>{"", "", "", "", "80", "", "abc", "", ""}));
    EXPECT_EQ(Split("?x=1"), (std::vector<std::string>{"", "", "", "", "80", "", "", "?x=1", ""}));
}

TEST(Url, EmptyTextKeepsEveryField)
{
    TUrl fresh;
    fresh.SetUrl("");
    EXPECT_EQ(Fields(fresh), (std::vector<std::string>{"", "", "", "", "0", "", "", "", ""}));

    TUrl used;
    used.SetUrl("http://u:p@host:81/a/b.jpg?q#m");
    const std::vector<std::string> before = Fields(used);
    used.SetUrl("");
    EXPECT_EQ(Fields(used), before);
    // A new split forgets every field of the last one.
    used.SetUrl("x");
    EXPECT_EQ(Fields(used), (std::vector<std::string>{"", "", "", "", "80", "", "x", "", ""}));
}

TEST(Url, NormalisesTrailingSlashAndBackslashes)
{
    EXPECT_EQ(engine::NormaliseUrlText("http://host/a/b", NoLeadBytes), "http://host/a/b/");
    EXPECT_EQ(engine::NormaliseUrlText("http://host/a/b.jpg", NoLeadBytes), "http://host/a/b.jpg");
    EXPECT_EQ(engine::NormaliseUrlText("http://10.0.0.1", NoLeadBytes), "http://10.0.0.1");
    EXPECT_EQ(engine::NormaliseUrlText("a\\b\\c", NoLeadBytes), "a/b/c");
}

TEST(Url, LeadByteKeepsTheFollowingBackslash)
{
    // U+00E9 is the UTF-16 unit 0xE9, a lead byte in code page 936.
    EXPECT_EQ(engine::NormaliseUrlText("a\xC3\xA9\\b\\c.x", Cp936LeadBytes), "a\xC3\xA9\\b/c.x");
    EXPECT_EQ(engine::NormaliseUrlText("a\xC3\xA9\\b\\c.x", NoLeadBytes), "a\xC3\xA9/b/c.x");
    // The second lead character is stepped over as the first one's partner.
    EXPECT_EQ(engine::NormaliseUrlText("\xC3\xA9\xC3\xA9\\.x", Cp936LeadBytes), "\xC3\xA9\xC3\xA9/.x");
    // Malformed bytes and characters from U+0100 on are never lead bytes.
    EXPECT_EQ(engine::NormaliseUrlText("\xE9\\\xC3\\.x", Cp936LeadBytes), "\xE9/\xC3/.x");
    EXPECT_EQ(engine::NormaliseUrlText("\xC4\x80\\.x", Cp936LeadBytes), "\xC4\x80/.x");
    // A lead character at the very end has nothing to step over.
    EXPECT_EQ(engine::NormaliseUrlText("\\.\xC3\xA9", Cp936LeadBytes), "/.\xC3\xA9");

#ifdef _WIN32
    // No code page has lead bytes below 0x80, so "\\" after ASCII always turns.
    for (unsigned code = 0; code < 0x80; ++code)
        EXPECT_FALSE(platform::IsAnsiLeadByte(code)) << code;
#else
    // Linux text is UTF-8 with no ANSI code page: no character is a lead
    // byte, so the backslash after a Latin-1 letter turns as well.
    EXPECT_EQ(engine::NormaliseUrlText("a\xC3\xA9\\b\\c.x", platform::IsAnsiLeadByte), "a\xC3\xA9/b/c.x");
#endif

    TUrl u;
    u.SetUrl("http://host\\d\xC3\xA9\\f.jpg", Cp936LeadBytes);
    EXPECT_EQ(u.Path, "/");
    EXPECT_EQ(u.Document, "d\xC3\xA9\\f.jpg");
}

TEST(Url, ReadsIntegersAsThePortDoes)
{
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"8080", 8080}, {"0080", 80}, {"+81", 81}, {"-1", -1}, {"  81", 81},
        {"$50", 80}, {"0x50", 80}, {"0X50", 80}, {"x50", 80}, {"-$10", -16},
        {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"$FFFFFFFF", -1}, {"0x7fffffff", INT_MAX},
        {"", std::nullopt}, {" ", std::nullopt}, {"abc", std::nullopt}, {"81 ", std::nullopt},
        {"8 1", std::nullopt}, {"2147483648", std::nullopt}, {"-2147483649", std::nullopt},
        {"$100000000", std::nullopt}, {"99999999999999999999999", std::nullopt},
        {"$", std::nullopt}, {"0x", std::nullopt}, {"-", std::nullopt}, {"+-1", std::nullopt},
        {"1e3", std::nullopt}, {"0x1G", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(engine::ParseIntegerText(c.text), c.value) << '"' << c.text << '"';
}

TEST(Url, HostileTextsSplitWithoutLoss)
{
    // One megabyte of separators and a NUL: every piece is still where the rules put it.
    const std::string body(1 << 20, '\\');
    TUrl u;
    u.SetUrl(std::string("http://h\0st", 11) + body + "x.jpg");
    EXPECT_EQ(u.Host, std::string("h\0st", 4));
    EXPECT_EQ(u.Path.size(), body.size());
    EXPECT_EQ(u.Document, "x.jpg");

    u.SetUrl("http://\xED\xA0\x80@\xFF:\xC0\xAF/\xF4\x90\x80\x80.jpg");
    EXPECT_EQ(u.UserName, "\xED\xA0\x80");
    EXPECT_EQ(u.Host, "\xFF");
    EXPECT_EQ(u.Port, 80);
    EXPECT_EQ(u.Document, "\xF4\x90\x80\x80.jpg");
}
