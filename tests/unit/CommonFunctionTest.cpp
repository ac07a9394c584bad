// Files, folders and text positions.
#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "util/uCommonFunction.h"

using testing_support::TempDir;

namespace {
constexpr char D = platform::PathDelim;

// The folder's own entries, in the order the file system reports them.
std::vector<std::string> Own(const std::string& dir, bool withFolders)
{
    std::vector<platform::DirEntry> entries;
    platform::ListDirectory(dir, entries);
    std::vector<std::string> out;
    for (const auto& e : entries)
        if (!e.isDirectory || withFolders)
            out.push_back(dir + e.name);
    return out;
}
} // namespace

TEST(ListFiles, SubFolderFilesComeFirstAndOnlyTopFoldersAreListed)
{
    TempDir t;
    t.Write("f1", "1");
    t.Write(std::string("S") + D + "s1", "1");
    t.Write(std::string("S") + D + "T" + D + "t1", "1");
    t.Write("f2", "1");
    const std::string S = t.path() + "S" + D, T = S + "T" + D;

    std::vector<std::string> files;
    EXPECT_TRUE(ListFiles(&files, t.path(), false));
    std::vector<std::string> expected {T + "t1", S + "s1"};
    for (const auto& p : Own(t.path(), false))
        expected.push_back(p);
    EXPECT_EQ(files, expected);

    std::vector<std::string> withFolders;
    std::string noDelim = t.path();
    noDelim.pop_back();
    EXPECT_TRUE(ListFiles(&withFolders, noDelim, true));
    expected = {T + "t1", S + "s1"};
    for (const auto& p : Own(t.path(), true))
        expected.push_back(p);
    EXPECT_EQ(withFolders, expected);
}

TEST(ListFiles, MissingOrEmptyFolders)
{
    TempDir t;
    std::vector<std::string> list {"kept"};
    EXPECT_FALSE(ListFiles(&list, t.path() + "missing", false));
    EXPECT_EQ(list, std::vector<std::string> {"kept"});
    EXPECT_TRUE(ListFiles(&list, t.path(), false)); // earlier entries count
    EXPECT_EQ(list.size(), 1u);
    std::vector<std::string> empty;
    EXPECT_FALSE(ListFiles(&empty, t.path(), true));
    EXPECT_FALSE(ListFiles(nullptr, t.path(), true));
}

TEST(IsImageFile, LooksAtTheFirstTwoBytesOnly)
{
    TempDir t;
    EXPECT_FALSE(IsImageFile(t.Write("empty.jpg", "")));
    EXPECT_FALSE(IsImageFile(t.Write("one.jpg", "\xFF")));
    EXPECT_TRUE(IsImageFile(t.Write("bitmap.jpg", "BM")));
    EXPECT_TRUE(IsImageFile(t.Write("photo.txt", "\xFF\xD8\xFF\xE0")));
    EXPECT_FALSE(IsImageFile(t.Write("swapped.bmp", "MB")));
    EXPECT_FALSE(IsImageFile(t.Write("png.jpg", "\x89PNG")));
    EXPECT_FALSE(IsImageFile(t.path() + "missing.jpg"));
    EXPECT_FALSE(IsImageFile(t.path()));
}

TEST(IsFolderWritable, CreatesAndRemovesAProbeFile)
{
    TempDir t;
    EXPECT_TRUE(IsFolderWritable(t.path()));
    std::vector<platform::DirEntry> left;
    platform::ListDirectory(t.path(), left);
    EXPECT_TRUE(left.empty());
    EXPECT_FALSE(IsFolderWritable(t.path() + "missing"));
    EXPECT_FALSE(IsFolderWritable(t.Write("file", "x")));
}

TEST(LastDelimiterPos, OneBasedFromTheEnd)
{
    EXPECT_EQ(LastDelimiterPos("/", "abc"), -1);
    EXPECT_EQ(LastDelimiterPos("/", "a/b/"), 4);
    EXPECT_EQ(LastDelimiterPos("/", "http://h/p/x.jpg"), 11);
    EXPECT_EQ(LastDelimiterPos("/", ""), -1);
    EXPECT_EQ(LastDelimiterPos("", "a/b"), -1);
}

TEST(UserFolders, ApplicationDataAndUserNameAreKnown)
{
    const std::string appData = GetSpecialFolderPath(26);
    EXPECT_FALSE(appData.empty());
    EXPECT_NE(appData.back(), D);
    EXPECT_FALSE(GetCurrentUserName().empty());
}
