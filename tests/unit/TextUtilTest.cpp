#include <gtest/gtest.h>

#include "util/TextUtil.h"

TEST(TextUtil, RoundTripsNonAsciiThroughUtf16)
{
    const std::string s = "D:\\图片\\Обои\\\xF0\x9F\x8C\x84.jpg"; // CJK, Cyrillic, an emoji
    const std::u16string u = text::Utf8ToUtf16(s);
    EXPECT_EQ(text::Utf16ToUtf8(u), s);
    EXPECT_EQ(u.size(), text::Utf16Length(s));
    EXPECT_EQ(text::Utf16Length("\xF0\x9F\x8C\x84"), 2u); // a surrogate pair
}

TEST(TextUtil, InvalidInputBecomesReplacementCharacters)
{
    EXPECT_EQ(text::Utf8ToUtf16("a\xFF" "b"), u"a\xFFFD" "b");
    EXPECT_EQ(text::Utf8ToUtf16("\xC0\xAF"), u"\xFFFD\xFFFD");          // overlong "/"
    EXPECT_EQ(text::Utf8ToUtf16("\xED\xA0\x80"), u"\xFFFD\xFFFD\xFFFD"); // encoded surrogate
    EXPECT_EQ(text::Utf8ToUtf16("\xE4\xB8"), u"\xFFFD\xFFFD");           // truncated
    EXPECT_EQ(text::Utf16ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");          // lone surrogate
}

TEST(TextUtil, OnlyAsciiLettersFoldCase)
{
    EXPECT_TRUE(text::SameText("D:\\Prog\\X\\BrisvaneService.EXE", "d:\\prog\\x\\brisvaneservice.exe"));
    EXPECT_FALSE(text::SameText("É", "é"));
    EXPECT_FALSE(text::SameText("abc", "abcd"));
    EXPECT_EQ(text::AsciiLower("AbC,1920.JPG"), "abc,1920.jpg");
}
