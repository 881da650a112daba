#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "model/id3v2.h"
#include "model/mp3file.h"
#include "support/fixtures.h"

namespace {

// An ID3v2 header with the given version, flags and tag size (written synchsafe).
std::string Header(std::uint32_t size, std::uint8_t version = 3, std::uint8_t flags = 0)
{
    std::string h = "ID3";
    h += static_cast<char>(version);
    h += '\0';
    h += static_cast<char>(flags);
    for (int shift = 21; shift >= 0; shift -= 7)
        h += static_cast<char>((size >> shift) & 0x7F);
    return h;
}

// Tag contents full of 0xFF bytes, as UTF-16 text and pictures are.
std::string TagBody(std::size_t size)
{
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>(i % 3 == 0 ? 0xFF : i % 256);
    return body;
}

bool Strip(const std::string& path)
{
    CMp3File mp3;
    mp3.Load(path, CMp3File::kForUpdate);
    return mp3.RemoveId3v2();
}

int CountEntries(const std::string& folder)
{
    int count = 0;
    DIR* dir = opendir(folder.c_str());
    while (dirent* d = readdir(dir))
        count += d->d_name[0] != '.' || (d->d_name[1] && d->d_name[1] != '.');
    closedir(dir);
    return count;
}

} // namespace

TEST(Id3v2Test, HeaderSizeIsSynchsafeWithFooter)
{
    auto size = [](const std::string& h) {
        return Id3v2TagSize(reinterpret_cast<const std::uint8_t*>(h.data()));
    };
    EXPECT_EQ(size(Header(0x101)), 10u + 0x101);
    EXPECT_EQ(size(Header(100, 4, 0x10)), 120u);
    EXPECT_EQ(size(Header(100, 3, 0x10)), 110u); // footers exist in version 4 only
    std::string bad = Header(100);
    bad[8] = static_cast<char>(0x80);
    EXPECT_EQ(size(bad), 0u);
    EXPECT_EQ(size(Header(100, 0xFF)), 0u);
    EXPECT_EQ(size("TAG" + Header(1).substr(3)), 0u);
}

TEST(Id3v2Test, RemovesWholeTagsKeepingAudioAndTrailer)
{
    TempDir dir;
    const std::string rest = FakeAudio(5000) + Id3v1Bytes("T", "A", "", "", "", 1);
    struct Case {
        const char* name;
        std::string head;
    } cases[] = {
        {"plain.mp3", Header(700) + TagBody(700)},
        {"footer.mp3", Header(300, 4, 0x10) + TagBody(300) + "3DI" + std::string(7, '\0')},
        {"two.mp3", Header(50) + TagBody(50) + Header(60, 4) + TagBody(60)},
    };
    for (const Case& c : cases) {
        const std::string path = dir / c.name;
        WriteFileBytes(path, c.head + rest);
        EXPECT_TRUE(Strip(path)) << c.name;
        EXPECT_EQ(ReadFileBytes(path), rest) << c.name;
    }
    EXPECT_EQ(CountEntries(dir.Path()), 3); // no temporary file left behind
}

TEST(Id3v2Test, LeavesMalformedOrForeignFilesByteIdentical)
{
    TempDir dir;
    std::string synchBroken = Header(100);
    synchBroken[9] = static_cast<char>(0x90);
    const std::string files[] = {
        FakeAudio(3000), // no ID3 at all, full of 0xFF
        synchBroken + TagBody(100) + FakeAudio(500), // size not synchsafe
        Header(100, 0xFF) + TagBody(100) + FakeAudio(500),
        Header(9000) + TagBody(100), // the tag would end past the file
        Header(100) + TagBody(100), // nothing after the tag
        "ID3\x03", // shorter than a header
    };
    int i = 0;
    for (const std::string& bytes : files) {
        const std::string path = dir / ("f" + std::to_string(i++) + ".mp3");
        WriteFileBytes(path, bytes);
        EXPECT_TRUE(Strip(path)) << path;
        EXPECT_EQ(ReadFileBytes(path), bytes) << path;
    }
    EXPECT_FALSE(Strip(dir / "missing.mp3"));
}

TEST(Id3v2Test, KeepsModeTimeLinksAndHardLinks)
{
    TempDir dir;
    const std::string audio = FakeAudio(2000);
    const std::string path = dir / "a.mp3";
    WriteFileBytes(path, Header(200) + TagBody(200) + audio);
    chmod(path.c_str(), 0640);
    struct timespec times[2] = {{1000000000, 0}, {1100000000, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
    ASSERT_EQ(symlink(path.c_str(), (dir / "link.mp3").c_str()), 0);

    ASSERT_TRUE(Strip(dir / "link.mp3"));
    struct stat st;
    ASSERT_EQ(lstat((dir / "link.mp3").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
    EXPECT_EQ(ReadFileBytes(path), audio);

    const std::string linked = dir / "b.mp3";
    WriteFileBytes(linked, Header(300) + TagBody(300) + audio);
    ASSERT_EQ(link(linked.c_str(), (dir / "b-too.mp3").c_str()), 0);
    ASSERT_TRUE(Strip(linked));
    EXPECT_EQ(ReadFileBytes(linked), audio);
    EXPECT_EQ(ReadFileBytes(dir / "b-too.mp3"), audio); // both names see the change
    EXPECT_EQ(CountEntries(dir.Path()), 4); // a.mp3, link.mp3, b.mp3, b-too.mp3
}

TEST(Id3v2Test, FullDiskLeavesTheOriginalIdentical)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    TempDir dir;
    const std::string mountPoint = dir / "small";
    MakeFolder(mountPoint);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount tmpfs here";
    const std::string path = mountPoint + "/big.mp3";
    const std::string bytes = Header(1000) + TagBody(1000) + FakeAudio(700 * 1024);
    WriteFileBytes(path, bytes); // the copy without the tag cannot fit beside it
    EXPECT_FALSE(Strip(path));
    EXPECT_EQ(ReadFileBytes(path), bytes);
    EXPECT_EQ(CountEntries(mountPoint), 1);

    // A read-only file system: nothing changes, nothing is left behind.
    ASSERT_EQ(mount("tmpfs", mountPoint.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1m"), 0);
    EXPECT_FALSE(Strip(path));
    EXPECT_EQ(ReadFileBytes(path), bytes);
    umount(mountPoint.c_str());
}
