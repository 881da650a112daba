#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/filefind.h"
#include "support/fixtures.h"

TEST(CFileTest, OpenNeverCreatesAndReportsErrno)
{
    TempDir dir;
    CFile file;
    int error = 0;
    EXPECT_FALSE(file.Open(dir / "missing.mp3", CFile::modeWrite, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(access((dir / "missing.mp3").c_str(), F_OK), -1);
}

TEST(CFileTest, SeekReadWriteLengthAndSetLength)
{
    TempDir dir;
    const std::string path = dir / "a.bin";
    WriteFileBytes(path, "0123456789");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeReadWrite));
    EXPECT_EQ(file.GetLength(), 10);
    EXPECT_EQ(file.Seek(-3, CFile::end), 7);
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 8), 3u); // short only at the end
    EXPECT_EQ(std::string(buffer, 3), "789");
    file.Seek(2, CFile::begin);
    file.Write("ab", 2);
    file.SetLength(6);
    file.Close();
    EXPECT_EQ(ReadFileBytes(path), "01ab45");
}

TEST(CFileTest, AnOpenThatKeepsTheAccessTimeStillOpensAnotherOwnersFile)
{
    // The kernel refuses O_NOATIME to all but the file's owner; the open goes on without it.
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to open the file as another user";
    TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    const std::string path = dir / "theirs.mp3";
    WriteFileBytes(path, "0123456789");
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        CFile file;
        ::_exit(file.Open(path, CFile::modeReadWrite | CFile::modeNoAccessTime) ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(CFileTest, FailuresAfterOpenThrowWithPathAndErrno)
{
    TempDir dir;
    const std::string path = dir / "a.bin";
    WriteFileBytes(path, "data");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    try {
        file.Write("x", 1);
        FAIL() << "writing a read-only descriptor must throw";
    } catch (const CException& e) {
        const auto* fe = dynamic_cast<const CFileException*>(&e);
        ASSERT_NE(fe, nullptr);
        EXPECT_EQ(fe->m_lOsError, EBADF);
        EXPECT_EQ(fe->m_strFileName, path);
        EXPECT_NE(e.What().find(path), std::string::npos);
    }
}

TEST(CFileTest, GetStatusGivesSizeAndKind)
{
    TempDir dir;
    WriteFileBytes(dir / "f", std::string(201, 'x'));
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(dir / "f", status));
    EXPECT_EQ(status.m_size, 201);
    EXPECT_FALSE(status.m_bDirectory);
    ASSERT_TRUE(CFile::GetStatus(dir.Path(), status));
    EXPECT_TRUE(status.m_bDirectory);
    EXPECT_FALSE(CFile::GetStatus(dir / "none", status));
}

TEST(CFileTest, RenameNeverReplacesAndStaysInItsFolder)
{
    TempDir dir;
    WriteFileBytes(dir / "a.mp3", "A");
    WriteFileBytes(dir / "b.mp3", "B");
    EXPECT_THROW(CFile::Rename(dir / "a.mp3", dir / "b.mp3"), CFileException);
    EXPECT_EQ(ReadFileBytes(dir / "b.mp3"), "B");
    EXPECT_EQ(ReadFileBytes(dir / "a.mp3"), "A");

    MakeFolder(dir / "sub");
    EXPECT_THROW(CFile::Rename(dir / "a.mp3", dir / "sub/a.mp3"), CFileException);
    EXPECT_THROW(CFile::Rename(dir / "a.mp3", dir / ".."), CFileException);
    EXPECT_THROW(CFile::Rename(dir / "a.mp3", dir / "."), CFileException);
    EXPECT_THROW(CFile::Rename(dir / "a.mp3", dir.Path() + "/"), CFileException);
    EXPECT_THROW(CFile::Rename(dir / "gone.mp3", dir / "c.mp3"), CFileException);

    CFile::Rename(dir / "a.mp3", dir / "c.mp3");
    EXPECT_EQ(ReadFileBytes(dir / "c.mp3"), "A");
    EXPECT_EQ(access((dir / "a.mp3").c_str(), F_OK), -1);
}

TEST(CFileFindTest, WildcardsDotsAndDirectories)
{
    TempDir dir;
    WriteFileBytes(dir / "one.mp3", "1");
    WriteFileBytes(dir / "two.MP3", "2");
    WriteFileBytes(dir / "noext", "3");
    MakeFolder(dir / "folder.mp3");

    CFileFind find;
    std::set<std::string> all;
    std::set<std::string> folders;
    bool more = find.FindFile(dir / "*.*");
    ASSERT_TRUE(more);
    while (more) {
        more = find.FindNextFile();
        all.insert(find.GetFileName());
        EXPECT_EQ(find.GetFilePath(), dir / find.GetFileName());
        if (find.IsDirectory() && !find.IsDots())
            folders.insert(find.GetFileName());
    }
    // "*.*" matches names without a dot too, and the dot entries.
    EXPECT_EQ(
        all, (std::set<std::string> {".", "..", "one.mp3", "two.MP3", "noext", "folder.mp3"}));
    EXPECT_EQ(folders, std::set<std::string> {"folder.mp3"});

    EXPECT_TRUE(find.FindFile(dir / "*.mp3"));
    EXPECT_FALSE(find.FindFile(dir / "*.ogg"));
    EXPECT_TRUE(find.FindFile(dir / "noext"));
    EXPECT_FALSE(find.FindFile(dir / "missing/*.*"));
}

TEST(CFileFindTest, LinksToFoldersAreNotWalkedInto)
{
    TempDir dir;
    MakeFolder(dir / "real");
    ASSERT_EQ(symlink(dir.Path().c_str(), (dir / "real/loop").c_str()), 0);
    CFileFind find;
    bool more = find.FindFile(dir / "real/*");
    bool sawLoop = false;
    while (more) {
        more = find.FindNextFile();
        if (find.GetFileName() == "loop") {
            sawLoop = true;
            EXPECT_FALSE(find.IsDirectory());
            EXPECT_TRUE(find.IsSymlinkToDirectory());
        }
    }
    EXPECT_TRUE(sawLoop);
}
