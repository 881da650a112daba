#include <gtest/gtest.h>

#include "platform/path.h"
#include "support/fixtures.h"

TEST(PathsTest, JoinAndSplit)
{
    EXPECT_EQ(JoinPath("/music", "a.mp3"), "/music/a.mp3");
    EXPECT_EQ(JoinPath("/music/", "a.mp3"), "/music/a.mp3");
    EXPECT_EQ(JoinPath("", "a.mp3"), "/a.mp3");
    EXPECT_EQ(FolderOf("a.mp3"), "");
    EXPECT_EQ(FileNameOf("a.mp3"), "a.mp3");
    EXPECT_EQ(FolderOf("/a.mp3"), "");
    EXPECT_EQ(FolderOf("/music/x/a.mp3"), "/music/x");
    EXPECT_EQ(FileNameOf("/music/x/a.mp3"), "a.mp3");
    for (std::string p : {"/m/a.mp3", "/a", "x/y/z", "/m/"})
        EXPECT_EQ(FolderOf(p) + "/" + FileNameOf(p), p);
    // The folder the system is asked for: never empty.
    EXPECT_EQ(FolderOfPath("a.mp3"), ".");
    EXPECT_EQ(FolderOfPath("/a.mp3"), "/");
    EXPECT_EQ(FolderOfPath("/music/x/a.mp3"), "/music/x");
    EXPECT_EQ(FolderOfPath("x/a.mp3"), "x");
}

TEST(PathsTest, ExtensionsSplitAtTheLastDotAnywhere)
{
    EXPECT_EQ(StripExtension("/x.y/track"), "/x");
    EXPECT_EQ(StripExtension("/music/track"), "");
    EXPECT_EQ(StripExtension("/m/song.mp3"), "/m/song");
    EXPECT_EQ(ExtensionOf("/m/Song.MP3"), "mp3");
    EXPECT_EQ(ExtensionOf("/m/song"), "");
    EXPECT_EQ(ExtensionOf("/m/song."), "");
    EXPECT_EQ(ExtensionOf(".mp3"), "");
    EXPECT_EQ(ExtensionOf("/m/a.mp3.bak"), "bak");
}

TEST(PathsTest, DiskQueries)
{
    TempDir dir;
    WriteFileBytes(dir / "a.mp3", "x");
    EXPECT_EQ(ShortPathOf(dir / "a.mp3"), dir / "a.mp3");
    EXPECT_EQ(ShortPathOf(dir / "b.mp3"), "");
    EXPECT_TRUE(FileExists(dir / "a.mp3"));
    EXPECT_TRUE(FileExists(dir.Path()));
    EXPECT_TRUE(FileExists(dir / "*.mp3"));
    EXPECT_TRUE(FileExists(dir / "?.mp3"));
    EXPECT_FALSE(FileExists(dir / "*.txt"));
    EXPECT_TRUE(PathExists(dir.Path()));
    EXPECT_FALSE(PathExists(dir / "b.mp3"));
    EXPECT_FALSE(PathExists(""));
}
