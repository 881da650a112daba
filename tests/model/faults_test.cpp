// Faults of the disk under the tag writer and the ID3v2 removal: full and read-only file
// systems, files without permissions, files that vanish or become folders after the record was
// made, and a 2 GB sparse file whose removal must not need memory in proportion to its size.
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "model/mp3file.h"
#include "support/fixtures.h"
#include "support/tmpfsmount.h"
#include "support/unprivileged.h"

namespace {

constexpr std::int64_t kPage = 4096;

std::string Id3v2Header(std::uint32_t size)
{
    std::string h = "ID3\x03";
    h += '\0';
    h += '\0';
    for (int shift = 21; shift >= 0; shift -= 7)
        h += static_cast<char>((size >> shift) & 0x7F);
    return h;
}

CMp3File Loaded(const std::string& path)
{
    CMp3File mp3;
    mp3.SetPath(path);
    mp3.ReadTag();
    return mp3;
}

std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* d = readdir(dir)) {
            const std::string name = d->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool IsFolder(const std::string& path)
{
    struct stat st { };
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

TEST(DiskFaults, FullDiskKeepsUntaggedFilesWholeAndStillReplacesTrailersInPlace)
{
    TempDir dir;
    TmpfsMount disk(dir, "small", 256 * 1024);
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why();
    // The last page of this file has 50 bytes left: an appended trailer fits in part, then the
    // disk is full. Nothing of it may stay.
    const std::string torn = disk / "torn.mp3";
    const std::string tornBytes = FakeAudio(2 * kPage - 50);
    WriteFileBytes(torn, tornBytes);
    // A trailer already there is rewritten inside pages the file owns: it must succeed.
    const std::string tagged = disk / "tagged.mp3";
    const std::string audio = FakeAudio(5000);
    WriteFileBytes(tagged, audio + Id3v1Bytes("Old", "Someone", "", "1990", "", 3));
    disk.Fill();
    ASSERT_LT(disk.FreeBytes(), kPage);

    CMp3File a = Loaded(torn);
    a.m_strTitle = "New";
    EXPECT_FALSE(a.WriteTag());
    EXPECT_EQ(ReadFileBytes(torn), tornBytes);

    CMp3File b = Loaded(tagged);
    b.m_strArtist = "Other";
    EXPECT_TRUE(b.WriteTag());
    EXPECT_EQ(ReadFileBytes(tagged), audio + Id3v1Bytes("Old", "Other", "", "1990", "", 3));
    EXPECT_EQ(
        Entries(disk.Path()), (std::vector<std::string> {".filler", "tagged.mp3", "torn.mp3"}));
}

TEST(DiskFaults, Id3v2RemovalOnADiskFilledToEveryLevelIsAllOrNothing)
{
    TempDir dir;
    TmpfsMount disk(dir, "small", 1024 * 1024);
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why();
    const std::string head = Id3v2Header(3000) + std::string(3000, '\xff');
    const std::string audio = FakeAudio(300 * 1024) + Id3v1Bytes("T", "A", "", "", "", 1);
    const std::string path = disk / "a.mp3";
    WriteFileBytes(path, head + audio);
    const std::int64_t filled = disk.Fill();
    const std::string filler = disk / ".filler";

    // Give back ever more room; the copy without the tag runs out of space at a different
    // point each time until it fits. Every outcome must be the old file or the new one, with
    // nothing else left in the folder.
    bool succeeded = false;
    for (std::int64_t room :
        {std::int64_t {0}, kPage, 10 * kPage, 40 * kPage, 74 * kPage, 76 * kPage, 100 * kPage}) {
        SCOPED_TRACE("free pages " + std::to_string(room / kPage));
        ASSERT_EQ(truncate(filler.c_str(), filled - room), 0);
        CMp3File mp3;
        ASSERT_TRUE(mp3.SetPath(path));
        const bool removed = mp3.RemoveId3v2();
        EXPECT_EQ(ReadFileBytes(path), removed ? audio : head + audio);
        EXPECT_EQ(Entries(disk.Path()), (std::vector<std::string> {".filler", "a.mp3"}));
        if (removed) {
            succeeded = true;
            break;
        }
    }
    EXPECT_TRUE(succeeded) << "the removal never fit, even with room for the whole file";
}

TEST(DiskFaults, ReadOnlyFilesFoldersAndFileSystems)
{
    TempDir dir;
    Unprivileged user;
    if (!user.PermissionsApply())
        GTEST_SKIP() << "file permissions do not apply to this process";
    const std::string head = Id3v2Header(100) + std::string(100, 'x');
    const std::string audio = FakeAudio(1000) + Id3v1Bytes("Old", "", "", "", "", 1);

    // A read-only file: neither the trailer nor the head changes.
    const std::string ro = dir / "ro.mp3";
    WriteFileBytes(ro, head + audio);
    ASSERT_EQ(chmod(ro.c_str(), 0444), 0);
    CMp3File a = Loaded(ro);
    EXPECT_EQ(a.m_strTitle, "Old");
    a.m_strTitle = "New";
    EXPECT_FALSE(a.WriteTag());
    EXPECT_FALSE(a.RemoveId3v2());
    EXPECT_EQ(ReadFileBytes(ro), head + audio);

    // A file nobody may read: no texts, no tag, no write.
    const std::string closed = dir / "closed.mp3";
    WriteFileBytes(closed, audio);
    ASSERT_EQ(chmod(closed.c_str(), 0), 0);
    CMp3File b = Loaded(closed);
    EXPECT_TRUE(b.m_bValid);
    EXPECT_EQ(b.m_strTitle, "");
    EXPECT_FALSE(b.HasTag());
    b.m_strTitle = "New";
    EXPECT_FALSE(b.WriteTag());
    EXPECT_FALSE(b.RemoveId3v2());
    ASSERT_EQ(chmod(closed.c_str(), 0644), 0);
    EXPECT_EQ(ReadFileBytes(closed), audio);

    // A writable file in a read-only folder: the trailer is written in place, but the head
    // cannot be cut (that needs a new file beside it), and the folder gains nothing.
    const std::string locked = dir / "locked";
    MakeFolder(locked);
    const std::string inLocked = locked + "/a.mp3";
    WriteFileBytes(inLocked, head + audio);
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
    CMp3File c = Loaded(inLocked);
    c.m_strArtist = "Artist";
    EXPECT_TRUE(c.WriteTag());
    const std::string retagged
        = head + FakeAudio(1000) + Id3v1Bytes("Old", "Artist", "", "", "", 1);
    EXPECT_EQ(ReadFileBytes(inLocked), retagged);
    EXPECT_FALSE(c.RemoveId3v2());
    EXPECT_EQ(ReadFileBytes(inLocked), retagged);
    EXPECT_EQ(Entries(locked), std::vector<std::string> {"a.mp3"});
}

TEST(DiskFaults, ReadOnlyFileSystemChangesNothing)
{
    TempDir dir;
    TmpfsMount disk(dir, "ro", 1024 * 1024);
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why();
    const std::string bytes = Id3v2Header(50) + std::string(50, 'x') + FakeAudio(600)
        + Id3v1Bytes("T", "", "", "", "", 2);
    WriteFileBytes(disk / "a.mp3", bytes);
    WriteFileBytes(disk / "b.mp3", FakeAudio(600));
    ASSERT_TRUE(disk.RemountReadOnly());
    for (const char* name : {"a.mp3", "b.mp3"}) {
        SCOPED_TRACE(name);
        CMp3File mp3 = Loaded(disk / name);
        mp3.m_strTitle = "Changed";
        EXPECT_FALSE(mp3.WriteTag());
        EXPECT_FALSE(mp3.RemoveId3v2());
    }
    EXPECT_EQ(ReadFileBytes(disk / "a.mp3"), bytes);
    EXPECT_EQ(ReadFileBytes(disk / "b.mp3"), FakeAudio(600));
}

TEST(DiskFaults, FileGoneOrReplacedByAFolderAfterTheRecordWasMade)
{
    TempDir dir;
    const std::string bytes = Id3v2Header(40) + std::string(40, 'x') + FakeAudio(600);

    // Deleted: nothing is created in its place.
    const std::string gone = dir / "gone.mp3";
    WriteFileBytes(gone, bytes);
    CMp3File a = Loaded(gone);
    ASSERT_EQ(unlink(gone.c_str()), 0);
    a.m_strTitle = "New";
    EXPECT_FALSE(a.HasTag());
    EXPECT_FALSE(a.WriteTag());
    EXPECT_FALSE(a.RemoveId3v2());
    EXPECT_TRUE(Entries(dir.Path()).empty());

    // Replaced by a folder of the same name: the folder and what it holds stay as they are.
    const std::string swapped = dir / "swapped.mp3";
    WriteFileBytes(swapped, bytes);
    CMp3File b = Loaded(swapped);
    ASSERT_EQ(unlink(swapped.c_str()), 0);
    MakeFolder(swapped);
    WriteFileBytes(swapped + "/inside.txt", "keep");
    EXPECT_FALSE(b.HasTag());
    EXPECT_FALSE(b.WriteTag());
    EXPECT_FALSE(b.RemoveId3v2());
    // Even a record made from the folder itself reads nothing and writes nothing.
    CMp3File c = Loaded(swapped);
    EXPECT_EQ(c.m_strTitle, "");
    EXPECT_FALSE(c.WriteTag());
    EXPECT_FALSE(c.RemoveId3v2());
    EXPECT_TRUE(IsFolder(swapped));
    EXPECT_EQ(Entries(swapped), std::vector<std::string> {"inside.txt"});
    EXPECT_EQ(ReadFileBytes(swapped + "/inside.txt"), "keep");
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string> {"swapped.mp3"});
}

// A 2 GB file, sparse apart from its ID3v2 head and its trailer, loses its head in a child
// process whose peak resident memory may not grow by more than a small bound.
TEST(DiskFaults, Id3v2RemovalOfA2GbFileStaysWithinBoundedMemory)
{
    TempDir dir;
    const std::string path = dir / "huge.mp3";
    constexpr std::int64_t kSize = std::int64_t {2} << 30;
    constexpr std::uint32_t kTag = 64 * 1024;
    const std::string head = Id3v2Header(kTag) + std::string(kTag, '\xff') + FakeAudio(4096);
    const std::string trailer = Id3v1Bytes("Huge", "Sparse", "", "2026", "", 12);
    {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
        ASSERT_EQ(pwrite(fd, trailer.data(), trailer.size(), kSize - 128), 128);
        close(fd);
    }
    struct stat st { };
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    ASSERT_EQ(st.st_size, kSize);
    if (st.st_blocks * 512 > 64 * 1024 * 1024)
        GTEST_SKIP() << "the file system does not keep the file sparse";
    struct statvfs fs { };
    // The copy without the head is written out in full beside the original.
    if (statvfs(dir.Path().c_str(), &fs) != 0
        || static_cast<std::int64_t>(fs.f_bavail) * static_cast<std::int64_t>(fs.f_frsize)
            < kSize + (std::int64_t {512} << 20))
        GTEST_SKIP() << "less than 2.5 GB free under " << dir.Path();

    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        rusage before {};
        getrusage(RUSAGE_SELF, &before);
        CMp3File mp3;
        long result[2] = {0, 0};
        result[0] = mp3.SetPath(path) && mp3.RemoveId3v2() ? 1 : 0;
        rusage after {};
        getrusage(RUSAGE_SELF, &after);
        result[1] = after.ru_maxrss - before.ru_maxrss; // KiB
        (void)!write(pipeFds[1], result, sizeof result);
        _exit(0);
    }
    close(pipeFds[1]);
    long result[2] = {0, -1};
    const ssize_t got = read(pipeFds[0], result, sizeof result);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(got, static_cast<ssize_t>(sizeof result));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(result[0], 1);
    EXPECT_GE(result[1], 0);
    EXPECT_LT(result[1], 32 * 1024) << "peak memory grew by " << result[1] << " KiB";
    std::cout << "[ memory ] 2 GB ID3v2 removal: peak RSS grew by " << result[1] << " KiB\n";

    ASSERT_EQ(stat(path.c_str(), &st), 0);
    const std::int64_t cut = 10 + kTag;
    EXPECT_EQ(st.st_size, kSize - cut);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string start(4096, '\0');
    std::string end(128, '\0');
    EXPECT_EQ(pread(fd, start.data(), start.size(), 0), 4096);
    EXPECT_EQ(pread(fd, end.data(), end.size(), st.st_size - 128), 128);
    close(fd);
    EXPECT_EQ(start, FakeAudio(4096));
    EXPECT_EQ(end, trailer);
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string> {"huge.mp3"});
}
