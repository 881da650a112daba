// Play list and title export when the disk refuses: a full or read-only file system, a
// read-only file or folder. The old file stays as it was, nothing partial is left beside it,
// and the message names the reason.
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "../edit/library.h"
#include "session/selectioncommands.h"
#include "export/exportcommands.h"
#include "support/tmpfsmount.h"
#include "support/unprivileged.h"

namespace {

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

class ExportFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        lib.Add("1.mp3", {"Daybreak", "Night Owls", "", "", "", 255});
        lib.Add("2.mp3", {"Šuma", "Heron", "", "", "", 255});
        OnSelectAll(lib.m_session);
    }
    // Runs both exports into path; returns the message texts shown.
    std::vector<std::string> ExportBothTo(const std::string& path)
    {
        lib.m_ui.AnswerSave(path);
        OnMakePlayList(lib.m_session);
        lib.m_ui.AnswerSave(path);
        OnExportTitles(lib.m_session);
        std::vector<std::string> texts;
        for (const auto& call : lib.m_ui.CallsOf("MessageBox"))
            texts.push_back(call.text);
        return texts;
    }
    static std::vector<std::string> Twice(const std::string& path, const std::string& reason)
    {
        const std::string text = "Ne mogu napraviti fajl:\n" + path + "\n" + reason;
        return {text, text};
    }
    Library lib;
};

} // namespace

TEST_F(ExportFaults, FullAndReadOnlyFileSystems)
{
    TempDir dir;
    TmpfsMount disk(dir, "small", 128 * 1024);
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why();
    const std::string out = disk / "out.txt";
    WriteFileBytes(out, "old list");
    disk.Fill();
    EXPECT_EQ(ExportBothTo(out), Twice(out, "No space left on device"));
    EXPECT_EQ(ReadFileBytes(out), "old list");
    EXPECT_EQ(Entries(disk.Path()), (std::vector<std::string> {".filler", "out.txt"}));

    ASSERT_EQ(unlink((disk / ".filler").c_str()), 0);
    ASSERT_TRUE(disk.RemountReadOnly());
    lib.m_ui.m_calls.clear();
    EXPECT_EQ(ExportBothTo(out), Twice(out, "Read-only file system"));
    EXPECT_EQ(ReadFileBytes(out), "old list");
    EXPECT_EQ(Entries(disk.Path()), std::vector<std::string> {"out.txt"});
}

TEST_F(ExportFaults, ReadOnlyFileAndFolder)
{
    Unprivileged user;
    if (!user.PermissionsApply())
        GTEST_SKIP() << "file permissions do not apply to this process";
    const std::string out = lib.m_dir / "locked.m3u";
    WriteFileBytes(out, "keep");
    ASSERT_EQ(chmod(out.c_str(), 0444), 0);
    EXPECT_EQ(ExportBothTo(out), Twice(out, "Permission denied"));
    EXPECT_EQ(ReadFileBytes(out), "keep");

    const std::string folder = lib.m_dir / "ro";
    MakeFolder(folder);
    WriteFileBytes(folder + "/t.txt", "keep too");
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    lib.m_ui.m_calls.clear();
    EXPECT_EQ(ExportBothTo(folder + "/t.txt"), Twice(folder + "/t.txt", "Permission denied"));
    EXPECT_EQ(ReadFileBytes(folder + "/t.txt"), "keep too");
    EXPECT_EQ(Entries(folder), std::vector<std::string> {"t.txt"});
    chmod(folder.c_str(), 0755);
}

TEST_F(ExportFaults, AReplacedFileKeepsItsPermissions)
{
    const std::string out = lib.m_dir / "private.txt";
    WriteFileBytes(out, "old");
    ASSERT_EQ(chmod(out.c_str(), 0600), 0);
    EXPECT_TRUE(ExportBothTo(out).empty());
    EXPECT_EQ(ReadFileBytes(out), "Night Owls - Daybreak\r\nHeron - Šuma\r\n");
    struct stat st { };
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}
