// Faults of the disk under the tag writer and the ID3v2 removal: full and read-only file
// systems, files without permissions, files that vanish or become folders after the record was
// made, and a 2 GB sparse file whose removal must not need memory in proportion to its size.
#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <iostream>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "model/mp3file.h"
#include "platform/atomicfile.h"
#include "platform/exception.h"
#include "platform/path.h"
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
    mp3.Load(path);
    return mp3;
}

// Loads path for update and cuts its ID3v2 head, as the command does.
bool Stripped(CMp3File& mp3, const std::string& path)
{
    mp3.Load(path, CMp3File::kForUpdate);
    return mp3.m_bValid && mp3.RemoveId3v2();
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
        mp3.Load(path, CMp3File::kForUpdate);
        ASSERT_TRUE(mp3.m_bValid);
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
        result[0] = Stripped(mp3, path) ? 1 : 0;
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

namespace {

// Runs work in a child process and returns its wait status; a child still running after
// timeoutMs is killed (a hang shows as SIGKILL).
template <typename Work> int InChild(Work work, int timeoutMs = 10000)
{
    const pid_t child = fork();
    if (child == 0) {
        work();
        _exit(0);
    }
    int status = 0;
    for (int waited = 0; waitpid(child, &status, WNOHANG) == 0; waited += 5) {
        if (waited >= timeoutMs) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        usleep(5000);
    }
    return status;
}

bool KilledBy(int status, int sig)
{
    return WIFSIGNALED(status) && WTERMSIG(status) == sig;
}

std::vector<std::string> Temporaries(const std::string& folder)
{
    std::vector<std::string> found;
    for (const std::string& name : Entries(folder)) {
        if (AtomicFile::IsTemporaryName(name))
            found.push_back(name);
    }
    return found;
}

bool StripInChild(const std::string& path, int killAtStep, bool named, int* status = nullptr)
{
    const int result = InChild([&] {
        AtomicFile::UseNamedTemporariesForTesting(named);
        AtomicFile::KillAtStepForTesting(killAtStep);
        CMp3File mp3;
        _exit(Stripped(mp3, path) ? 0 : 1);
    });
    if (status)
        *status = result;
    return KilledBy(result, SIGKILL);
}

struct KillFigures {
    int m_nKills = 0;
    int m_nDamaged = 0;
    int m_nLeftAfterNextOperation = 0;
};

} // namespace

// A strip killed at every step of its write (each 1 MiB block, the flush, the link, the rename),
// with anonymous and with named temporary files: the file holds the old or the new bytes, and
// the next operation in the folder leaves no temporary file of ours.
TEST(KilledWriters, Id3v2RemovalKilledAtEveryStepIsAllOrNothing)
{
    TempDir dir;
    const std::string path = dir / "song.mp3";
    const std::string audio = FakeAudio(5 * 1024 * 1024 + 77);
    const std::string old = Id3v2Header(3000) + std::string(3000, '\xff') + audio;
    KillFigures figures;
    for (const bool named : {false, true}) {
        for (int step = 1;; ++step) {
            WriteFileBytes(path, old);
            const bool killed = StripInChild(path, step, named);
            const std::string now = ReadFileBytes(path);
            if (now != old && now != audio)
                ++figures.m_nDamaged;
            EXPECT_TRUE(now == old || now == audio) << "step " << step << " named " << named;
            if (!killed) {
                EXPECT_EQ(now, audio);
                break;
            }
            ++figures.m_nKills;
            // The next operation in the folder: another file's strip.
            WriteFileBytes(dir / "other.mp3", Id3v2Header(10) + std::string(10, 'x') + audio);
            CMp3File other;
            EXPECT_TRUE(Stripped(other, dir / "other.mp3"));
            figures.m_nLeftAfterNextOperation += static_cast<int>(Temporaries(dir.Path()).size());
            EXPECT_EQ(Temporaries(dir.Path()), std::vector<std::string> {}) << "step " << step;
        }
    }
    EXPECT_GE(figures.m_nKills, 16);
    std::cout << "[ kills  ] ID3v2 removal: " << figures.m_nKills << " kills at chosen steps, "
              << figures.m_nDamaged << " files damaged, " << figures.m_nLeftAfterNextOperation
              << " temporary files left\n";
}

// A strip of a file with two names is copied over the file in place, through a journal. Killed
// at every step: the next operation in the folder (any replacement there, or a strip of the
// same file) finishes what was cut short, so both names hold the old or the new bytes and no
// journal or temporary file stays.
TEST(KilledWriters, HardLinkedId3v2RemovalKilledAtEveryStepIsFinishedByTheNextOperation)
{
    TempDir dir;
    MakeFolder(dir / "music");
    MakeFolder(dir / "elsewhere");
    const std::string path = dir / "music/song.mp3";
    const std::string other = dir / "elsewhere/same.mp3";
    const std::string audio = FakeAudio(3 * 1024 * 1024 + 5);
    const std::string old = Id3v2Header(2000) + std::string(2000, '\xff') + audio;
    KillFigures figures;
    int halfWay = 0;
    for (const bool named : {false, true}) {
        for (int step = 1;; ++step) {
            unlink(other.c_str());
            WriteFileBytes(path, old);
            ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
            const bool killed = StripInChild(path, step, named);
            if (!killed) {
                EXPECT_EQ(ReadFileBytes(path), audio);
                EXPECT_EQ(ReadFileBytes(other), audio);
                break;
            }
            ++figures.m_nKills;
            const std::string cut = ReadFileBytes(path);
            halfWay += cut != old && cut != audio;
            // The next operation: every other kill a replacement of another file in the
            // folder, else a strip of the same file through its other name's folder.
            if (step % 2) {
                EXPECT_EQ(ReplaceFileContents(dir / "music/list.m3u", "#EXTM3U\r\n"), 0);
                unlink((dir / "music/list.m3u").c_str());
            } else {
                CMp3File again;
                EXPECT_TRUE(Stripped(again, path));
            }
            const std::string now = ReadFileBytes(path);
            const bool whole = (now == old || now == audio) && ReadFileBytes(other) == now;
            figures.m_nDamaged += !whole;
            EXPECT_TRUE(whole) << "step " << step << " named " << named;
            const std::vector<std::string> left = Entries(dir / "music");
            figures.m_nLeftAfterNextOperation += static_cast<int>(left.size()) - 1;
            EXPECT_EQ(left, std::vector<std::string> {"song.mp3"}) << "step " << step;
        }
    }
    EXPECT_GE(halfWay, 3);
    std::cout << "[ kills  ] ID3v2 removal of a hard-linked file: " << figures.m_nKills
              << " kills at chosen steps (" << halfWay << " cut the copy over the file short), "
              << figures.m_nDamaged << " files damaged after the next operation, "
              << figures.m_nLeftAfterNextOperation << " journal or temporary files left\n";
}

// Ctrl+C, SIGTERM and SIGHUP during a strip of a large file remove the named temporary file
// at once; real SIGKILLs at random moments leave the old or new bytes.
TEST(KilledWriters, Id3v2RemovalInterruptedBySignalsLeavesNoTemporaryFile)
{
    TempDir dir;
    const std::string path = dir / "big.mp3";
    const std::string twin = dir / "twin.mp3.link";
    const std::string audio = FakeAudio(8 * 1024 * 1024);
    const std::string old = Id3v2Header(100) + std::string(100, 'x') + audio;
    int tries = 0;
    int damaged = 0;
    int left = 0;
    unsigned seed = 7;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGKILL, SIGKILL, SIGKILL}) {
        // Named and anonymous temporary files, and a file with a second name (copied over in
        // place through a journal).
        for (const int kind : {0, 1, 2}) {
            unlink(twin.c_str());
            WriteFileBytes(path, old);
            if (kind == 2) {
                ASSERT_EQ(link(path.c_str(), twin.c_str()), 0);
            }
            const pid_t child = fork();
            if (child == 0) {
                AtomicFile::UseNamedTemporariesForTesting(kind == 0);
                CMp3File mp3;
                _exit(Stripped(mp3, path) ? 0 : 1);
            }
            seed = seed * 1103515245 + 12345;
            usleep(1000 + (seed >> 8) % 20000);
            kill(child, sig);
            int status = 0;
            waitpid(child, &status, 0);
            ++tries;
            // Nobody else ran in the folder after Ctrl+C, SIGTERM or SIGHUP: the process
            // removed its own files. After SIGKILL the next operation there does it.
            if (sig == SIGKILL)
                AtomicFile::RemoveStaleTemporaries(dir.Path());
            const std::string now = ReadFileBytes(path);
            const bool whole
                = (now == old || now == audio) && (kind != 2 || ReadFileBytes(twin) == now);
            damaged += !whole;
            EXPECT_TRUE(whole) << sig << " " << kind;
            std::vector<std::string> extra = Entries(dir.Path());
            std::erase(extra, "big.mp3");
            std::erase(extra, "twin.mp3.link");
            left += static_cast<int>(extra.size());
            EXPECT_EQ(extra, std::vector<std::string> {}) << sig << " " << kind;
        }
    }
    std::cout << "[ kills  ] ID3v2 removal: " << tries << " signals at random moments, " << damaged
              << " files damaged, " << left << " temporary files left\n";
}

// A temporary file whose writer is alive (it holds the lock) is never taken for a stale one.
TEST(KilledWriters, OnlyTemporaryFilesNoProcessHoldsAreRemoved)
{
    TempDir dir;
    const std::string stale = dir / ".a.mp3.sonivar-Ab12Cd";
    WriteFileBytes(stale, "left by a killed process");
    const std::string held = dir / ".b.mp3.sonivar-Xy34Zw";
    WriteFileBytes(held, "being written");
    const std::string foreign = dir / ".b.mp3.sonivar-notours";
    WriteFileBytes(foreign, "not a name of ours");
    const int fd = open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    EXPECT_EQ(ReplaceFileContents(dir / "list.m3u", "#EXTM3U\r\n"), 0);
    EXPECT_FALSE(PathExists(stale));
    EXPECT_TRUE(PathExists(held));
    EXPECT_TRUE(PathExists(foreign));
    close(fd);
    EXPECT_EQ(AtomicFile::RemoveStaleTemporaries(dir.Path()), 1);
    EXPECT_FALSE(PathExists(held));
}

// Names up to NAME_MAX: the temporary name is cut to fit, never inside a UTF-8 character.
TEST(KilledWriters, TemporaryNamesOfTheLongestNamesFit)
{
    TempDir dir;
    const std::string audio = FakeAudio(4000);
    for (const bool named : {false, true}) {
        AtomicFile::UseNamedTemporariesForTesting(named);
        // 240 bytes: 116 two-byte letters and ".mp3" after four ASCII letters.
        std::string name = "abcd";
        for (int i = 0; i < 116; ++i)
            name += "\xc5\xbe";
        name += ".mp3";
        ASSERT_EQ(name.size(), 240u);
        const std::string path = dir / name;
        WriteFileBytes(path, Id3v2Header(20) + std::string(20, 'x') + audio);
        CMp3File mp3;
        EXPECT_TRUE(Stripped(mp3, path)) << FileErrorText(mp3.m_nLastError);
        EXPECT_EQ(ReadFileBytes(path), audio);
        const std::string list = dir / (std::string(246, 'p') + ".m3u");
        EXPECT_EQ(ReplaceFileContents(list, "#EXTM3U\r\n"), 0);
        EXPECT_EQ(ReadFileBytes(list), "#EXTM3U\r\n");
        unlink(path.c_str());
        unlink(list.c_str());
    }
    AtomicFile::UseNamedTemporariesForTesting(false);
    const std::string pattern
        = AtomicFile::TemporaryPattern(std::string(2, 'a') + "\xc5\xbe" + std::string(250, 'b'));
    EXPECT_LE(pattern.size(), 255u);
    EXPECT_TRUE(AtomicFile::IsTemporaryName(pattern.substr(0, pattern.size() - 6) + "Q1w2E3"));
    const std::string split = AtomicFile::TemporaryPattern(std::string(238, 'a') + "\xc5\xbe");
    EXPECT_EQ(split, "." + std::string(238, 'a') + ".sonivar-XXXXXX");
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string> {});
}

// Two writers of different fields over the same files (two processes, as two runs of the
// command line) never lose either change: the trailer is locked from its read to its write.
TEST(WriterRaces, TwoWritersOfDifferentFieldsKeepBothChanges)
{
    TempDir dir;
    constexpr int kFiles = 300;
    const std::string audio = FakeAudio(300);
    int lost = 0;
    int races = 0;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < kFiles; ++i)
            WriteFileBytes(dir / (std::to_string(i) + ".mp3"),
                audio + Id3v1Bytes("T", "old", "old", "1999", "", 1));
        const std::string artist = "Artist " + std::to_string(round);
        const std::string album = "Album " + std::to_string(round);
        auto writer = [&](bool artistField) {
            return [&, artistField] {
                for (int i = 0; i < kFiles; ++i) {
                    CMp3File mp3;
                    mp3.Load(dir / (std::to_string(i) + ".mp3"), CMp3File::kForUpdate);
                    (artistField ? mp3.m_strArtist : mp3.m_strAlbum) = artistField ? artist : album;
                    mp3.WriteTag();
                }
            };
        };
        const pid_t a = fork();
        if (a == 0) {
            writer(true)();
            _exit(0);
        }
        const pid_t b = fork();
        if (b == 0) {
            writer(false)();
            _exit(0);
        }
        waitpid(a, nullptr, 0);
        waitpid(b, nullptr, 0);
        for (int i = 0; i < kFiles; ++i) {
            ++races;
            const CMp3File mp3 = Loaded(dir / (std::to_string(i) + ".mp3"));
            lost += mp3.m_strArtist != artist || mp3.m_strAlbum != album;
        }
    }
    EXPECT_EQ(lost, 0);
    std::cout << "[ races  ] two writers on " << races << " files: " << lost << " changes lost\n";
}

// A link is written through only to a regular file whose own name ends in .mp3; a device, a
// named pipe or a folder named like a song is never opened for its bytes.
TEST(HostileFiles, LinksIntoOtherFilesDevicesAndPipesAreNeverWritten)
{
    TempDir dir;
    MakeFolder(dir / "lib");
    MakeFolder(dir / "outside");
    const std::string notes = dir / "outside/notes.txt";
    const std::string notesBytes = FakeAudio(400) + Id3v1Bytes("Secret", "", "", "", "", 0);
    WriteFileBytes(notes, notesBytes);
    ASSERT_EQ(symlink("../outside/notes.txt", (dir / "lib/evil.mp3").c_str()), 0);
    const std::string song = dir / "outside/Real.MP3";
    WriteFileBytes(song, FakeAudio(400));
    ASSERT_EQ(symlink("../outside/Real.MP3", (dir / "lib/good.mp3").c_str()), 0);

    CMp3File mp3;
    mp3.Load(dir / "lib/evil.mp3", CMp3File::kForUpdate);
    EXPECT_FALSE(mp3.m_bValid);
    EXPECT_EQ(mp3.m_strTitle, ""); // no trailer read through it
    mp3.m_strArtist = "x";
    EXPECT_FALSE(mp3.WriteTag());
    EXPECT_EQ(mp3.m_nLastError, kErrorLinkNotSong);
    CMp3File scanned;
    scanned.Load(dir / "lib/evil.mp3", CMp3File::kRead, AT_FDCWD, "evil.mp3");
    EXPECT_EQ(scanned.m_strTitle, "");
    EXPECT_FALSE(scanned.RemoveId3v2());
    EXPECT_EQ(ReadFileBytes(notes), notesBytes);

    CMp3File good;
    good.Load(dir / "lib/good.mp3", CMp3File::kForUpdate);
    good.m_strArtist = "Through";
    EXPECT_TRUE(good.WriteTag());
    EXPECT_EQ(Loaded(song).m_strArtist, "Through");

    // A named pipe: every command returns at once instead of waiting for a writer.
    ASSERT_EQ(mkfifo((dir / "lib/p.mp3").c_str(), 0644), 0);
    const int status = InChild(
        [&] {
            CMp3File pipe;
            pipe.Load(dir / "lib/p.mp3", CMp3File::kForUpdate);
            const bool wrote = pipe.WriteTag();
            CMp3File strip;
            strip.Load(dir / "lib/p.mp3", CMp3File::kForUpdate);
            const bool stripped = strip.m_bValid || strip.RemoveId3v2();
            strip.m_bValid = 1;
            strip.m_strShortPath = dir / "lib/p.mp3";
            const bool forced = strip.RemoveId3v2();
            _exit(!wrote && !stripped && !forced && strip.m_nLastError == kErrorNotRegularFile ? 0
                                                                                               : 1);
        },
        5000);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    if (geteuid() != 0)
        GTEST_SKIP() << "device nodes need root";
    // A character device that takes every write (the null device's numbers).
    const std::string device = dir / "lib/c.mp3";
    ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    CMp3File chr;
    chr.Load(device, CMp3File::kForUpdate);
    EXPECT_FALSE(chr.m_bValid);
    chr.m_strArtist = "x";
    EXPECT_FALSE(chr.WriteTag());
    chr.m_bValid = 1;
    chr.m_strShortPath = device;
    EXPECT_FALSE(chr.WriteTag());
    EXPECT_EQ(chr.m_nLastError, kErrorNotRegularFile);

    // A block device over a file of ours: its first sector stays as it was.
    const std::string backing = dir / "disk.img";
    WriteFileBytes(backing, std::string(1 << 20, 'D'));
    const std::string loop = dir / "loop";
    if (RunCommand("losetup --find --show " + ShellQuote(backing) + " > " + ShellQuote(loop)
            + " 2>/dev/null")
        != 0)
        GTEST_SKIP() << "no loop device";
    std::string loopDevice = ReadFileBytes(loop);
    while (!loopDevice.empty() && loopDevice.back() == '\n')
        loopDevice.pop_back();
    struct stat st { };
    ASSERT_EQ(stat(loopDevice.c_str(), &st), 0);
    const std::string block = dir / "lib/disk.mp3";
    ASSERT_EQ(mknod(block.c_str(), S_IFBLK | 0666, st.st_rdev), 0);
    CMp3File blk;
    blk.Load(block, CMp3File::kForUpdate);
    blk.m_strArtist = "x";
    EXPECT_FALSE(blk.WriteTag());
    blk.m_bValid = 1;
    blk.m_strShortPath = block;
    EXPECT_FALSE(blk.WriteTag());
    EXPECT_FALSE(blk.RemoveId3v2());
    RunCommand("losetup -d " + ShellQuote(loopDevice));
    EXPECT_EQ(ReadFileBytes(backing), std::string(1 << 20, 'D'));
}
