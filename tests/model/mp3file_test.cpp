#include <cstdio>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "model/mp3file.h"
#include "platform/codepage.h"
#include "support/fixtures.h"
#include "support/unprivileged.h"

namespace {

CMp3File Loaded(const std::string& path)
{
    CMp3File mp3;
    mp3.Load(path);
    return mp3;
}

} // namespace

TEST(CMp3FileTest, FreshRecordAndSetPathFlags)
{
    CMp3File fresh;
    EXPECT_EQ(static_cast<unsigned char>(fresh.m_byGenre), 255);
    EXPECT_EQ(fresh.m_nItem, -1);
    EXPECT_FALSE(fresh.m_bValid);

    TempDir dir;
    WriteFileBytes(dir / "exact.MP3", std::string(200, 'x'));
    WriteFileBytes(dir / "long.mp3", std::string(201, 'x'));
    WriteFileBytes(dir / "other.wav", std::string(300, 'x'));

    CMp3File mp3;
    mp3.Load(dir / "exact.MP3");
    EXPECT_TRUE(mp3.m_bValid);
    EXPECT_FALSE(mp3.m_bLongEnough);
    EXPECT_EQ(mp3.m_strPath, dir / "exact.MP3");
    EXPECT_EQ(mp3.m_strOrigPath, mp3.m_strPath);
    EXPECT_EQ(mp3.m_strShortPath, mp3.m_strPath);

    mp3.Load(dir / "long.mp3");
    EXPECT_TRUE(mp3.m_bValid);
    EXPECT_TRUE(mp3.m_bLongEnough);
    mp3.Load(dir / "other.wav");
    EXPECT_FALSE(mp3.m_bValid);
    mp3.Load(dir / "missing.mp3");
    EXPECT_FALSE(mp3.m_bValid);
    EXPECT_FALSE(mp3.WriteTag());
}

TEST(CMp3FileTest, ReadsFieldsUpToNulTrimmedRight)
{
    TempDir dir;
    const std::string path = dir / "a.mp3";
    WriteFileBytes(path,
        FakeAudio(300)
            + Id3v1Bytes("Song", "  Lead   ", std::string(30, 'A'), "1999",
                std::string(28, 'c') + std::string("\0\x07", 2), 17));
    CMp3File mp3 = Loaded(path);
    EXPECT_EQ(mp3.m_strTitle, "Song");
    EXPECT_EQ(mp3.m_strArtist, "  Lead");
    EXPECT_EQ(mp3.m_strAlbum, std::string(30, 'A'));
    EXPECT_EQ(mp3.m_strYear, "1999");
    EXPECT_EQ(mp3.m_strComment, std::string(28, 'c'));
    EXPECT_EQ(mp3.m_byGenre, 17);
}

TEST(CMp3FileTest, FilesWithoutReadableTagGiveEmptyTextsAndNoGenre)
{
    TempDir dir;
    WriteFileBytes(dir / "short.mp3", FakeAudio(22) + Id3v1Bytes("T", "A", "", "", "", 3));
    WriteFileBytes(dir / "notag.mp3", FakeAudio(500));
    CMp3File mp3 = Loaded(dir / "notag.mp3");
    mp3.m_strTitle = "stale";
    mp3.m_byGenre = 3;
    for (const char* name : {"short.mp3", "notag.mp3"}) {
        EXPECT_FALSE(mp3.Load(dir / name)) << name;
        EXPECT_EQ(mp3.m_strTitle, "") << name;
        EXPECT_EQ(static_cast<unsigned char>(mp3.m_byGenre), 255) << name;
    }
}

TEST(CMp3FileTest, WriteAppendsOnceThenReplacesInPlace)
{
    TempDir dir;
    const std::string path = dir / "a.mp3";
    const std::string audio = FakeAudio(1000);
    WriteFileBytes(path, audio);
    CMp3File mp3 = Loaded(path);
    mp3.m_strTitle = std::string(35, 'T');
    mp3.m_strArtist = "Artist";
    mp3.m_strYear = "200345";
    mp3.m_strComment = std::string(28, 'c');
    mp3.m_byGenre = 8;
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(mp3.m_strTitle, std::string(30, 'T'));
    EXPECT_EQ(mp3.m_strYear, "2003");
    const std::string expected
        = audio + Id3v1Bytes(std::string(30, 'T'), "Artist", "", "2003", std::string(28, 'c'), 8);
    EXPECT_EQ(ReadFileBytes(path), expected);
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path), expected); // same record twice: same file

    mp3.m_strTitle = "New";
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path),
        audio + Id3v1Bytes("New", "Artist", "", "2003", std::string(28, 'c'), 8));
}

TEST(CMp3FileTest, AnId3v1TrackNumberIsKeptAndNarrowsTheComment)
{
    TempDir dir;
    const std::string path = dir / "a.mp3";
    const std::string audio = FakeAudio(400);
    const std::string trackComment = std::string("xy") + std::string(26, '\0') + '\0' + '\x05';
    const std::string tagged = audio + Id3v1Bytes("t", "a", "b", "1", trackComment, 1);
    WriteFileBytes(path, tagged);
    CMp3File mp3 = Loaded(path);
    EXPECT_EQ(mp3.m_byTrack, 5);
    EXPECT_EQ(mp3.m_strComment, "xy");
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path), tagged);
    // A longer comment is cut to 28 bytes; the track stays.
    mp3.m_strComment = std::string(30, 'c');
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(mp3.m_strComment, std::string(28, 'c'));
    EXPECT_EQ(ReadFileBytes(path),
        audio + Id3v1Bytes("t", "a", "b", "1", std::string(28, 'c') + '\0' + '\x05', 1));

    // Without a track number the comment has all 30 bytes, and a NUL at the 29th byte
    // followed by nothing is no track.
    const std::string plain = audio + Id3v1Bytes("t", "", "", "", std::string(30, 'd'), 1);
    WriteFileBytes(path, plain);
    mp3 = Loaded(path);
    EXPECT_EQ(mp3.m_byTrack, 0);
    EXPECT_EQ(mp3.m_strComment, std::string(30, 'd'));
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path), plain);
    WriteFileBytes(path, audio + Id3v1Bytes("t", "", "", "", std::string(28, 'e'), 1));
    EXPECT_EQ(Loaded(path).m_byTrack, 0);
}

TEST(CMp3FileTest, ShortValidFileGetsATrailerAppended)
{
    TempDir dir;
    const std::string path = dir / "tiny.mp3";
    WriteFileBytes(path, "TAGxx"); // shorter than a trailer: treated as having none
    CMp3File mp3;
    mp3.Load(path);
    mp3.m_strTitle = "x";
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path), "TAGxx" + Id3v1Bytes("x", "", "", "", "", 255));
}

TEST(CMp3FileTest, ReadOnlyFileKeepsItsTrailer)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores file permissions";
    TempDir dir;
    const std::string path = dir / "ro.mp3";
    const std::string bytes = FakeAudio(300) + Id3v1Bytes("Old", "", "", "", "", 1);
    WriteFileBytes(path, bytes);
    chmod(path.c_str(), 0444);
    CMp3File mp3 = Loaded(path);
    mp3.m_strTitle = "New";
    EXPECT_FALSE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST(CMp3FileTest, Cp1250LettersReadAndWriteBackAsTheSameBytes)
{
    ASSERT_TRUE(TagCodePage::Set("windows-1250"));
    TempDir dir;
    const std::string path = dir / "bs.mp3";
    const std::string audio = FakeAudio(300);
    const std::string trailer = Id3v1Bytes("\x8A\xF0\xE8\xE6\x9E", "", "", "", "", 12);
    WriteFileBytes(path, audio + trailer);
    CMp3File mp3 = Loaded(path);
    EXPECT_EQ(mp3.m_strTitle, "Šđčćž");
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path), audio + trailer);
}

// Bytes the code page does not define (windows-1250 leaves 0x81, 0x83, 0x88, 0x90 and 0x98
// empty) come back as they were when another field is written.
TEST(CMp3FileTest, UndefinedBytesOfOtherFieldsAreWrittenBackAsTheyWere)
{
    ASSERT_TRUE(TagCodePage::Set("windows-1250"));
    TempDir dir;
    const std::string path = dir / "raw.mp3";
    const std::string audio = FakeAudio(300);
    const std::string trailer
        = Id3v1Bytes("\x81\x83\x88\x90\x98", "\xC0\xEB\xE5\xEA", "", "1999", "\x98x", 12);
    WriteFileBytes(path, audio + trailer);
    CMp3File mp3;
    mp3.Load(path, CMp3File::kForUpdate);
    mp3.m_strYear = "2024";
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path),
        audio + Id3v1Bytes("\x81\x83\x88\x90\x98", "\xC0\xEB\xE5\xEA", "", "2024", "\x98x", 12));
}

TEST(CMp3FileTest, Utf8TitleCutOnACharacterBoundary)
{
    ASSERT_TRUE(TagCodePage::Set("UTF-8"));
    TempDir dir;
    const std::string path = dir / "u.mp3";
    WriteFileBytes(path, FakeAudio(300));
    CMp3File mp3 = Loaded(path);
    mp3.m_strTitle = "x" + std::string() + "ččččččččččččččččččč"; // 1 + 38 bytes
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(mp3.m_strTitle, "xčččččččččččččč"); // 29 bytes
    CMp3File again = Loaded(path);
    EXPECT_EQ(again.m_strTitle, mp3.m_strTitle);
    TagCodePage::Set("windows-1250");
}

TEST(CMp3FileTest, FullOrReadOnlyDiskLeavesTheFileIdentical)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    TempDir dir;
    const std::string mountPoint = dir / "small";
    MakeFolder(mountPoint);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount tmpfs here";
    // A page-aligned file, so that a trailer appended to it needs a new page.
    const std::string path = mountPoint + "/a.mp3";
    const std::string bytes = FakeAudio(8192);
    WriteFileBytes(path, bytes);
    {
        FILE* filler = std::fopen((mountPoint + "/filler").c_str(), "wb");
        std::string block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()
            && std::fflush(filler) == 0) { }
        std::fclose(filler);
    }
    CMp3File mp3 = Loaded(path);
    mp3.m_strTitle = "Full";
    EXPECT_FALSE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path), bytes);

    ASSERT_EQ(mount("tmpfs", mountPoint.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
    EXPECT_FALSE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path), bytes);
    umount(mountPoint.c_str());
}

// The scan's and the tag commands' ways of opening (in the open folder, for update) against
// the plain Load and a write through a new open on the same files: the same record, the same
// bytes on disk.
TEST(CMp3FileTest, OneOpenPathsMatchTheTwoStepsOnEveryKindOfFile)
{
    TempDir dir;
    const std::string tagged = FakeAudio(300) + Id3v1Bytes("T", "A", "B", "1999", "c", 7);
    const std::map<std::string, std::string> files = {
        {"tagged.mp3", tagged},
        {"untagged.mp3", FakeAudio(300)},
        {"exact.mp3", std::string(200, 'x')}, // not longer than 200: no trailer read
        {"tiny.mp3", "TAGxx"},
        {"empty.mp3", ""},
        {"song.wav", tagged},
    };
    MakeFolder(dir / "folder.mp3");
    // A named pipe with no writer: opening it to read would wait for ever.
    ASSERT_EQ(mkfifo((dir / "pipe.mp3").c_str(), 0644), 0);
    std::vector<std::string> names = {"folder.mp3", "missing.mp3", "pipe.mp3"};
    for (const auto& [name, bytes] : files)
        names.push_back(name);

    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        const bool exists = files.count(name) > 0;
        auto restore = [&] {
            if (exists)
                WriteFileBytes(path, files.at(name));
        };
        restore();
        const CMp3File twoSteps = Loaded(path);
        const int folder = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
        CMp3File scanned;
        scanned.Load(path, CMp3File::kRead, folder, name);
        close(folder);
        CMp3File updated;
        updated.Load(path, CMp3File::kForUpdate);
        for (const CMp3File* one : {&scanned, &updated}) {
            EXPECT_EQ(one->m_bValid, twoSteps.m_bValid);
            EXPECT_EQ(one->m_bLongEnough, twoSteps.m_bLongEnough);
            EXPECT_EQ(one->m_strPath, twoSteps.m_strPath);
            EXPECT_EQ(one->m_strTitle, twoSteps.m_strTitle);
            EXPECT_EQ(one->m_strArtist, twoSteps.m_strArtist);
            EXPECT_EQ(one->m_strYear, twoSteps.m_strYear);
            EXPECT_EQ(static_cast<int>(one->m_byGenre), static_cast<int>(twoSteps.m_byGenre));
        }

        // The write through the kept file leaves what WriteTag leaves.
        updated.m_strArtist = "New artist";
        const bool keptResult = updated.WriteTag();
        const std::string keptBytes = exists ? ReadFileBytes(path) : "";
        restore();
        CMp3File again = Loaded(path);
        again.m_strArtist = "New artist";
        EXPECT_EQ(keptResult, again.WriteTag());
        if (exists) {
            EXPECT_EQ(keptBytes, ReadFileBytes(path));
        }
        EXPECT_EQ(updated.Descriptor(), -1);
    }
}

// The file a record keeps for its write is not part of a copy (the journal's snapshot): the
// write closes it and its lock goes, however many copies were made.
TEST(CMp3FileTest, CopiesHoldNoFileAndTheWriteReleasesTheLock)
{
    TempDir dir;
    const std::string path = dir / "a.mp3";
    WriteFileBytes(path, FakeAudio(300) + Id3v1Bytes("Old", "", "", "", "", 1));
    CMp3File mp3;
    mp3.Load(path, CMp3File::kForUpdate);
    ASSERT_TRUE(mp3.IsWritable());
    const CMp3File snapshot = mp3;
    EXPECT_EQ(snapshot.Descriptor(), -1);
    const int other = open(path.c_str(), O_RDONLY);
    EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0); // held from the read to the write
    mp3.m_strTitle = "New";
    ASSERT_TRUE(mp3.WriteTag());
    EXPECT_EQ(mp3.Descriptor(), -1);
    EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    close(other);
    EXPECT_EQ(Loaded(path).m_strTitle, "New");
    EXPECT_EQ(snapshot.m_strTitle, "Old");
}

TEST(CMp3FileTest, WriteThroughAFileOpenOnlyForReadingFailsAndKeepsTheBytes)
{
    Unprivileged unprivileged;
    if (!unprivileged.PermissionsApply())
        GTEST_SKIP() << "file permissions do not apply to this process";
    TempDir dir;
    const std::string path = dir / "ro.mp3";
    const std::string bytes = FakeAudio(300) + Id3v1Bytes("Old", "", "", "", "", 1);
    WriteFileBytes(path, bytes);
    chmod(path.c_str(), 0444);
    CMp3File mp3;
    mp3.Load(path, CMp3File::kForUpdate);
    EXPECT_EQ(mp3.m_strTitle, "Old");
    EXPECT_FALSE(mp3.IsWritable());
    mp3.m_strTitle = "New";
    EXPECT_FALSE(mp3.WriteTag());
    EXPECT_EQ(ReadFileBytes(path), bytes);
}
