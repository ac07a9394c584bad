// Files, folders and text positions.
#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "util/uCommonFunction.h"

using testing_support::TempDir;

namespace {
constexpr char D = platform::PathDelim;
} // namespace

// Each folder holds at most one file and one sub-folder, so the expected order
// does not depend on the order the file system lists a folder in.
TEST(ListFiles, SubFolderFilesComeFirstAndOnlyTopFoldersAreListed)
{
    TempDir t;
    t.Write("f1", "1");
    t.Write(std::string("S") + D + "s1", "1");
    t.Write(std::string("S") + D + "T" + D + "t1", "1");
    const std::string S = t.path() + "S" + D, T = S + "T" + D;

    std::vector<std::string> files;
    EXPECT_TRUE(ListFiles(&files, t.path(), false));
    EXPECT_EQ(files, (std::vector<std::string> {T + "t1", S + "s1", t.path() + "f1"}));

    // With folders: the direct sub-folder after its files, deeper ones never.
    t.Write(std::string("R") + D + "U" + D + "V" + D + "v1", "1");
    const std::string R = t.path() + "R" + D, U = R + "U" + D;
    std::vector<std::string> withFolders;
    std::string noDelim = R;
    noDelim.pop_back();
    EXPECT_TRUE(ListFiles(&withFolders, noDelim, true));
    EXPECT_EQ(withFolders, (std::vector<std::string> {U + "V" + D + "v1", R + "U"}));
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
