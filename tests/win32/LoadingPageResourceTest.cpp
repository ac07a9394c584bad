// The loading page and its spinner as the browser finds them: RT_HTML
// resources of the built Pictavo.exe, read the way res: reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"
#include "support/ChildProcess.h"

namespace {

std::string HtmlResource(HMODULE module, const wchar_t* name)
{
    const HRSRC found = ::FindResourceW(module, name, MAKEINTRESOURCEW(23));
    if (!found)
        return {};
    const HGLOBAL loaded = ::LoadResource(module, found);
    const auto* bytes = static_cast<const char*>(::LockResource(loaded));
    return bytes ? std::string(bytes, ::SizeofResource(module, found)) : std::string();
}

struct GifFacts {
    int width = 0, height = 0, paletteEntries = 0, frames = 0, loops = -1;
    std::vector<int> delays;
    bool wellFormed = false;
};

// Walks the GIF's blocks; sub-block chains are skipped whole.
GifFacts ReadGif(const std::string& gif)
{
    GifFacts f;
    auto byte = [&](std::size_t i) { return i < gif.size() ? static_cast<std::uint8_t>(gif[i]) : 0; };
    auto word = [&](std::size_t i) { return byte(i) | byte(i + 1) << 8; };
    auto skipSubBlocks = [&](std::size_t i) {
        while (i < gif.size() && byte(i) != 0)
            i += byte(i) + 1u;
        return i + 1;
    };
    if (gif.compare(0, 6, "GIF89a") != 0)
        return f;
    f.width = word(6);
    f.height = word(8);
    std::size_t at = 13;
    if (byte(10) & 0x80) {
        f.paletteEntries = 2 << (byte(10) & 7);
        at += 3u * f.paletteEntries;
    }
    while (at < gif.size()) {
        const int kind = byte(at);
        if (kind == 0x3B) {
            f.wellFormed = at + 1 == gif.size();
            return f;
        }
        if (kind == 0x21 && byte(at + 1) == 0xF9) {
            f.delays.push_back(word(at + 4));
            at = skipSubBlocks(at + 2);
        } else if (kind == 0x21 && byte(at + 1) == 0xFF) {
            if (gif.compare(at + 3, 11, "NETSCAPE2.0") == 0 && byte(at + 14) == 3 && byte(at + 15) == 1)
                f.loops = word(at + 16);
            at = skipSubBlocks(at + 2);
        } else if (kind == 0x21) {
            at = skipSubBlocks(at + 2);
        } else if (kind == 0x2C) {
            ++f.frames;
            std::size_t data = at + 10;
            if (byte(at + 9) & 0x80)
                data += 3u * (2u << (byte(at + 9) & 7));
            at = skipSubBlocks(data + 1); // past the LZW code size
        } else {
            return f;
        }
    }
    return f;
}

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_.reset(::LoadLibraryExW(platform::win::Wide(testing_support::HelperPath("Pictavo")).c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(module_) << "Pictavo.exe is built beside the tests";
    }
    platform::win::Module module_;
};

TEST_F(ProgramResources, LoadingPageIsUtf8HtmlThatRefusesMenusSelectionAndCtrlN)
{
    const std::string page = HtmlResource(module_.get(), L"loading"); // names match without regard to case
    ASSERT_GT(page.size(), 3u);
    EXPECT_EQ(page.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(page.find("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\""), 3u);
    EXPECT_NE(page.find("charset=utf-8"), std::string::npos);
    EXPECT_NE(page.find("<title>Loading</title>"), std::string::npos);

    const auto rule = page.find("body{border: 0px; overflow: auto;background: #EDEEF0 url('LoadGif') no-repeat center;}");
    ASSERT_NE(rule, std::string::npos);
    EXPECT_LT(rule, page.find("</head>"));

    const auto keys = page.find("document.onkeydown");
    ASSERT_NE(keys, std::string::npos);
    const std::string handler = page.substr(keys, page.find("};", keys) - keys);
    for (const char* part : {"ctrlKey", "\"n\"", "\"N\"", "return false"})
        EXPECT_NE(handler.find(part), std::string::npos) << part;

    const auto body = page.find("<body");
    ASSERT_NE(body, std::string::npos);
    const auto bodyEnd = page.find('>', body);
    const std::string tag = page.substr(body, bodyEnd - body);
    EXPECT_NE(tag.find("oncontextmenu=\"return false\""), std::string::npos);
    EXPECT_NE(tag.find("onselectstart=\"return false\""), std::string::npos);
    const std::string content = page.substr(bodyEnd + 1, page.find("</body>") - bodyEnd - 1);
    EXPECT_EQ(content.find_first_not_of(" \r\n\t"), std::string::npos) << content;
}

// The page names a copy at twice the pixels for scaled screens; both copies
// are the same animation.
TEST_F(ProgramResources, SpinnerIsAnEndlessEightFrameGifAtBothScales)
{
    const std::string page = HtmlResource(module_.get(), L"loading");
    for (const auto& [name, scale] : {std::pair {"LoadGif", 1}, std::pair {"LoadGif2x", 2}}) {
        SCOPED_TRACE(name);
        EXPECT_NE(page.find("url('" + std::string(name) + "')"), std::string::npos);
        const GifFacts gif = ReadGif(HtmlResource(module_.get(), platform::win::Wide(name).c_str()));
        EXPECT_TRUE(gif.wellFormed);
        EXPECT_EQ(gif.width, 47 * scale);
        EXPECT_EQ(gif.height, 39 * scale);
        EXPECT_EQ(gif.paletteEntries, 64);
        EXPECT_EQ(gif.frames, 8);
        EXPECT_EQ(gif.delays, std::vector<int>(8, 10));
        EXPECT_EQ(gif.loops, 0); // 0: for ever
    }
    EXPECT_NE(page.find("background-size: 47px 39px"), std::string::npos) << "the larger copy shown at the same size";
}

} // namespace
