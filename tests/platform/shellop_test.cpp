#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/atomicfile.h"
#include "platform/shellop.h"
#include "support/fixtures.h"
#include "support/scriptedshellui.h"
#include "support/tmpfsmount.h"

namespace fs = std::filesystem;

namespace {

std::string List(const std::vector<std::string>& paths)
{
    std::string list;
    for (const std::string& path : paths)
        list += path + '\0';
    return list + '\0';
}

int RunOp(unsigned func, const std::vector<std::string>& from, const std::vector<std::string>& to,
    FILEOP_FLAGS flags, ScriptedShellUi& ui, bool* aborted = nullptr)
{
    const std::string pFrom = List(from);
    const std::string pTo = List(to);
    SHFILEOPSTRUCTA op;
    op.wFunc = func;
    op.pFrom = pFrom.c_str();
    op.pTo = to.empty() ? nullptr : pTo.c_str();
    op.fFlags = flags;
    op.lpszProgressTitle = "Batch";
    const int result = SHFileOperationA(&op, ui);
    if (aborted)
        *aborted = op.fAnyOperationsAborted;
    return result;
}

} // namespace

TEST(ShellOperation, CopyKeepsBytesModeAndTimeAndNeverReplacesUnasked)
{
    TempDir dir;
    MakeFolder(dir / "dest");
    const std::string audio = FakeAudio(3 << 20);
    WriteFileBytes(dir / "a.mp3", audio);
    chmod((dir / "a.mp3").c_str(), 0640);
    const struct timespec times[2] = {{1000000000, 0}, {1200000000, 0}};
    utimensat(AT_FDCWD, (dir / "a.mp3").c_str(), times, 0);
    ScriptedShellUi ui;
    EXPECT_EQ(RunOp(FO_COPY, {dir / "a.mp3"}, {dir / "dest"}, FOF_ALLOWUNDO, ui), 0);
    EXPECT_EQ(ReadFileBytes(dir / "dest/a.mp3"), audio);
    struct stat st;
    ASSERT_EQ(stat((dir / "dest/a.mp3").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(FilesIn(dir / "dest"), std::vector<std::string>({"a.mp3"}));

    // An existing file is replaced only after Yes; No keeps it and reports the item undone.
    WriteFileBytes(dir / "dest/a.mp3", "old");
    ui.m_replaceAnswers = {ShellUi::Answer::No};
    bool aborted = false;
    EXPECT_NE(RunOp(FO_COPY, {dir / "a.mp3"}, {dir / "dest/a.mp3"}, 0, ui, &aborted), 0);
    EXPECT_TRUE(aborted);
    EXPECT_EQ(ReadFileBytes(dir / "dest/a.mp3"), "old");
    ui.m_replaceAnswers = {ShellUi::Answer::Yes};
    EXPECT_EQ(RunOp(FO_COPY, {dir / "a.mp3"}, {dir / "dest/a.mp3"}, 0, ui), 0);
    EXPECT_EQ(ReadFileBytes(dir / "dest/a.mp3"), audio);
    EXPECT_EQ(ui.CountOf("ConfirmReplace"), 2);

    // Rename on collision picks a new name and leaves the existing file alone.
    EXPECT_EQ(RunOp(FO_COPY, {dir / "a.mp3"}, {dir / "dest"}, FOF_RENAMEONCOLLISION, ui), 0);
    EXPECT_EQ(ReadFileBytes(dir / "dest/Copy of a.mp3"), audio);
    EXPECT_EQ(FilesIn(dir / "dest"), std::vector<std::string>({"Copy of a.mp3", "a.mp3"}));
}

TEST(ShellOperation, SameFileThroughAnotherSpellingIsAnErrorAndStaysIntact)
{
    TempDir dir;
    MakeFolder(dir / "a");
    WriteFileBytes(dir / "a/x.mp3", FakeAudio(5000));
    ASSERT_EQ(symlink((dir / "a").c_str(), (dir / "link").c_str()), 0);
    for (const unsigned func : {FO_COPY, FO_MOVE}) {
        for (const std::string& target : {dir / "a/../a/x.mp3", dir / "link/x.mp3"}) {
            ScriptedShellUi ui;
            ui.m_defaultAnswer = ShellUi::Answer::YesToAll;
            EXPECT_EQ(
                RunOp(func, {dir / "a/x.mp3"}, {target}, FOF_NOCONFIRMATION, ui), DE_SAMEFILE);
            EXPECT_EQ(ReadFileBytes(dir / "a/x.mp3"), FakeAudio(5000));
            EXPECT_EQ(ui.CountOf("ShowError"), 1);
        }
    }
    EXPECT_EQ(FilesIn(dir / "a"), std::vector<std::string>({"x.mp3"}));
}

TEST(ShellOperation, CancelLeavesWholeFilesOnlyAndMoveAsksForFolders)
{
    TempDir dir;
    MakeFolder(dir / "src");
    std::vector<std::string> sources;
    for (int i = 0; i < 200; ++i) {
        sources.push_back(dir / ("src/" + std::to_string(i) + ".mp3"));
        WriteFileBytes(sources.back(), FakeAudio(1000 + i));
    }
    ScriptedShellUi ui;
    ui.m_nCancelAfterSteps = 100;
    ui.m_folderAnswers = {ShellUi::Answer::Yes};
    bool aborted = false;
    EXPECT_EQ(RunOp(FO_COPY, sources, {dir / "new"}, 0, ui, &aborted), ERROR_CANCELLED);
    EXPECT_TRUE(aborted);
    EXPECT_EQ(ui.CountOf("ConfirmCreateFolder"), 1);
    EXPECT_EQ(FilesIn(dir / "new").size(), 100u);
    for (const std::string& name : FilesIn(dir / "new"))
        EXPECT_EQ(ReadFileBytes(dir / ("new/" + name)), ReadFileBytes(dir / ("src/" + name)));

    // The bytes of a long copy are reported block by block, up to the whole file; a silent
    // operation reports nothing.
    WriteFileBytes(dir / "big.mp3", FakeAudio(4 << 20));
    ScriptedShellUi bytes;
    EXPECT_EQ(RunOp(FO_COPY, {dir / "big.mp3"}, {dir / "copy.mp3"}, 0, bytes), 0);
    ASSERT_GE(bytes.m_bytes.size(), 4u);
    for (std::size_t i = 0; i < bytes.m_bytes.size(); ++i) {
        EXPECT_EQ(bytes.m_bytes[i].second, 4 << 20);
        EXPECT_GT(bytes.m_bytes[i].first, i == 0 ? 0 : bytes.m_bytes[i - 1].first);
    }
    EXPECT_EQ(bytes.m_bytes.back().first, 4 << 20);
    ScriptedShellUi silent;
    EXPECT_EQ(RunOp(FO_COPY, {dir / "big.mp3"}, {dir / "silent.mp3"}, FOF_SILENT, silent), 0);
    EXPECT_TRUE(silent.m_bytes.empty());

    // A cancel during a long copy rolls it back.
    ScriptedShellUi cancel;
    cancel.m_nCancelAfterSteps = 1;
    EXPECT_EQ(RunOp(FO_COPY, {dir / "big.mp3"}, {dir / "new"}, 0, cancel), ERROR_CANCELLED);
    EXPECT_FALSE(fs::exists(dir / "new/big.mp3"));
    EXPECT_EQ(FilesIn(dir / "new").size(), 100u);

    // A move within the file system renames; a refused folder moves nothing.
    ScriptedShellUi refuse;
    refuse.m_folderAnswers = {ShellUi::Answer::No};
    EXPECT_NE(RunOp(FO_MOVE, {sources[0]}, {dir / "other/0.mp3"}, 0, refuse), 0);
    EXPECT_TRUE(fs::exists(sources[0]));
    EXPECT_FALSE(fs::exists(dir / "other"));
    ScriptedShellUi move;
    EXPECT_EQ(RunOp(FO_MOVE, {sources[0], sources[1]}, {dir / "x/0.mp3", dir / "x/1.mp3"},
                  FOF_MULTIDESTFILES | FOF_NOCONFIRMMKDIR, move),
        0);
    EXPECT_FALSE(fs::exists(sources[0]));
    EXPECT_EQ(ReadFileBytes(dir / "x/1.mp3"), FakeAudio(1001));
}

TEST(ShellOperation, TrashInFreshHomeAndOnOtherMountAndFullDisk)
{
    TempDir dir;
    const std::string data = dir / "home/.local/share";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    WriteFileBytes(dir / "a b.mp3", "one");
    WriteFileBytes(dir / "sub.mp3", "two");
    MakeFolder(dir / "sub");
    WriteFileBytes(dir / "sub/a b.mp3", "three");
    ScriptedShellUi ui;
    ui.m_deleteAnswers = {ShellUi::Answer::Yes};
    EXPECT_EQ(RunOp(FO_DELETE, {dir / "a b.mp3", dir / "sub/a b.mp3"}, {},
                  FOF_ALLOWUNDO | FOF_RENAMEONCOLLISION, ui),
        0);
    EXPECT_FALSE(fs::exists(dir / "a b.mp3"));
    EXPECT_EQ(ReadFileBytes(data + "/Trash/files/a b.mp3"), "one");
    EXPECT_EQ(ReadFileBytes(data + "/Trash/files/a b.2.mp3"), "three");
    const std::string info = ReadFileBytes(data + "/Trash/info/a b.mp3.trashinfo");
    EXPECT_NE(info.find("Path=" + dir.Path() + "/a%20b.mp3\n"), std::string::npos) << info;
    EXPECT_NE(info.find("DeletionDate="), std::string::npos);
    EXPECT_FALSE(fs::exists("files"));

    // Refused: nothing moves.
    ScriptedShellUi no;
    no.m_deleteAnswers = {ShellUi::Answer::No};
    bool aborted = false;
    EXPECT_EQ(
        RunOp(FO_DELETE, {dir / "sub.mp3"}, {}, FOF_ALLOWUNDO, no, &aborted), ERROR_CANCELLED);
    EXPECT_TRUE(aborted);
    EXPECT_EQ(ReadFileBytes(dir / "sub.mp3"), "two");

    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    MakeFolder(dir / "mnt");
    if (mount("tmpfs", (dir / "mnt").c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount tmpfs here";
    WriteFileBytes(dir / "mnt/t.mp3", "mounted");
    ScriptedShellUi yes;
    EXPECT_EQ(
        RunOp(FO_DELETE, {dir / "mnt/t.mp3"}, {}, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, yes), 0);
    const std::string mountTrash = dir / ("mnt/.Trash-" + std::to_string(getuid()));
    EXPECT_EQ(ReadFileBytes(mountTrash + "/files/t.mp3"), "mounted");
    EXPECT_NE(ReadFileBytes(mountTrash + "/info/t.mp3.trashinfo").find("Path=t.mp3\n"),
        std::string::npos);

    // Disk full during a move across file systems: source intact, no partial file.
    WriteFileBytes(dir / "huge.mp3", FakeAudio(2 << 20));
    ScriptedShellUi full;
    EXPECT_EQ(RunOp(FO_MOVE, {dir / "huge.mp3"}, {dir / "mnt"}, 0, full), ERROR_DISK_FULL);
    EXPECT_EQ(ReadFileBytes(dir / "huge.mp3"), FakeAudio(2 << 20));
    EXPECT_FALSE(fs::exists(dir / "mnt/huge.mp3"));
    for (const std::string& name : FilesIn(dir / "mnt"))
        EXPECT_EQ(name.find(".huge"), std::string::npos) << name;
    // A small one crosses: copied, flushed, then the source removed.
    WriteFileBytes(dir / "small.mp3", "small");
    EXPECT_EQ(RunOp(FO_MOVE, {dir / "small.mp3"}, {dir / "mnt"}, 0, full), 0);
    EXPECT_FALSE(fs::exists(dir / "small.mp3"));
    EXPECT_EQ(ReadFileBytes(dir / "mnt/small.mp3"), "small");
    umount((dir / "mnt").c_str());
}

TEST(ShellOperation, RefusedAndFailedItemsKeepEveryFile)
{
    TempDir dir;
    WriteFileBytes(dir / "a.mp3", "a");
    WriteFileBytes(dir / "b.mp3", "b");
    ScriptedShellUi ui;
    ui.m_bDefaultSkip = true;
    bool aborted = false;
    // A vanished source is reported and the batch goes on with the next item.
    EXPECT_EQ(RunOp(FO_COPY, {dir / "gone.mp3", dir / "a.mp3"}, {dir / "c.mp3", dir / "d.mp3"},
                  FOF_MULTIDESTFILES, ui, &aborted),
        ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(aborted);
    EXPECT_EQ(ReadFileBytes(dir / "d.mp3"), "a");
    ASSERT_EQ(ui.CountOf("ShowError"), 1);
    EXPECT_NE(ui.CallsOf("ShowError")[0].detail.find("gone.mp3"), std::string::npos);

    // Renaming never replaces and never leaves the folder.
    ScriptedShellUi rename;
    EXPECT_NE(RunOp(FO_RENAME, {dir / "a.mp3"}, {dir / "b.mp3"}, FOF_NOCONFIRMATION, rename), 0);
    EXPECT_EQ(ReadFileBytes(dir / "b.mp3"), "b");
    EXPECT_EQ(RunOp(FO_RENAME, {dir / "a.mp3"}, {dir / "e.mp3"}, 0, rename), 0);
    EXPECT_EQ(ReadFileBytes(dir / "e.mp3"), "a");

    // Bad requests do nothing.
    EXPECT_EQ(RunOp(9, {dir / "b.mp3"}, {dir / "x"}, 0, rename), DE_INVALIDFILES);
    EXPECT_EQ(RunOp(FO_COPY, {dir / "b.mp3", dir / "e.mp3"}, {dir / "1", dir / "2", dir / "3"},
                  FOF_MULTIDESTFILES, rename),
        DE_MANYDEST);

    // A read-only destination (a read-only mount, since root ignores folder modes).
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a read-only tmpfs needs root";
    MakeFolder(dir / "ro");
    if (mount("tmpfs", (dir / "ro").c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount tmpfs here";
    EXPECT_EQ(RunOp(FO_MOVE, {dir / "b.mp3"}, {dir / "ro"}, 0, rename), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadFileBytes(dir / "b.mp3"), "b");
    umount((dir / "ro").c_str());
}

TEST(ShellOperation, ATrashOnAFullDiskOffersDeletingForGoodAndNoKeepsTheFile)
{
    TempDir dir;
    TmpfsMount disk(dir, "full", 1 << 20);
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why();
    WriteFileBytes(disk / "a.mp3", "song");
    disk.Fill();
    ScriptedShellUi ui;
    ui.m_deleteAnswers = {ShellUi::Answer::No};
    bool aborted = false;
    EXPECT_EQ(
        RunOp(FO_DELETE, {disk / "a.mp3"}, {}, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, ui, &aborted),
        ERROR_CANCELLED);
    EXPECT_TRUE(aborted);
    ASSERT_EQ(ui.CountOf("ConfirmDelete"), 1);
    const ScriptedShellUi::Call asked = ui.CallsOf("ConfirmDelete")[0];
    EXPECT_TRUE(asked.flag);
    EXPECT_NE(asked.detail.find("not enough free space"), std::string::npos) << asked.detail;
    EXPECT_EQ(ReadFileBytes(disk / "a.mp3"), "song");
    // No info file without its file is left in the trash.
    const std::string info = disk / ("/.Trash-" + std::to_string(getuid()) + "/info");
    EXPECT_TRUE(!fs::exists(info) || fs::is_empty(info));
}

namespace {

// Percent-decodes the Path line of a .trashinfo file, as a file manager restoring it does.
std::string RestorePathOf(const std::string& info)
{
    const auto start = info.find("Path=");
    const std::string encoded = info.substr(start + 5, info.find('\n', start) - start - 5);
    std::string path;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size()) {
            path += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += encoded[i];
        }
    }
    return path;
}

} // namespace

// Names of 246 to 255 bytes go to the trash under a shortened, unique name that keeps the
// extension; the info file keeps the whole original path, so a restore gives the name back.
TEST(ShellOperation, TheLongestNamesGoToTheTrashAndComeBackWhole)
{
    TempDir dir;
    UseFreshHome(dir);
    const std::string trash = dir / "data/Trash";
    MakeFolder(dir / "music");
    std::vector<std::string> names;
    for (const std::size_t length : {246u, 255u}) {
        // Two-byte letters where the cut falls, so that it must not split one.
        std::string stem = std::string(200, 'n');
        while (stem.size() + 4 < length)
            stem += "\xc5\xbe";
        stem.resize(length - 4 - (stem.size() + 4 > length ? 1 : 0));
        names.push_back(stem + ".mp3");
        names.push_back(stem + "X.mp3");
    }
    std::vector<std::string> paths;
    for (std::string& name : names) {
        name.resize(std::min<std::size_t>(name.size(), 255));
        paths.push_back(dir / ("music/" + name));
        WriteFileBytes(paths.back(), name);
    }
    ScriptedShellUi ui;
    ASSERT_EQ(RunOp(FO_DELETE, paths, {}, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, ui), 0);
    const std::vector<std::string> infos = FilesIn(trash + "/info");
    ASSERT_EQ(infos.size(), names.size());
    std::vector<std::string> restored;
    for (const std::string& info : infos) {
        EXPECT_LE(info.size(), 255u);
        const std::string trashName = info.substr(0, info.size() - 10);
        EXPECT_TRUE(trashName.ends_with(".mp3")) << trashName;
        const std::string original = RestorePathOf(ReadFileBytes(trash + "/info/" + info));
        // What the trash holds is the file that was at the original path.
        EXPECT_EQ(
            ReadFileBytes(trash + "/files/" + trashName), original.substr(original.rfind('/') + 1));
        restored.push_back(original);
    }
    std::sort(restored.begin(), restored.end());
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(restored, paths);
    EXPECT_EQ(FilesIn(dir / "music"), std::vector<std::string> {});
}

// A copy killed at every step of its write, and a move across file systems killed the same
// way, leave the source whole, the target absent or whole, and no temporary file after the
// next operation in the folder; a named pipe or device is refused at once.
TEST(ShellOperation, CopiesKilledAtEveryStepLeaveNoPartialOrTemporaryFile)
{
    TempDir dir;
    const std::string audio = FakeAudio((4 << 20) + 5);
    WriteFileBytes(dir / "a.mp3", audio);
    MakeFolder(dir / "dest");
    std::unique_ptr<TmpfsMount> other;
    if (geteuid() == 0) {
        other = std::make_unique<TmpfsMount>(dir, "other", 64 << 20);
        if (!other->IsMounted())
            other.reset();
    }
    int kills = 0;
    int damaged = 0;
    int left = 0;
    for (const bool move : {false, true}) {
        if (move && !other)
            break;
        const std::string destFolder = move ? other->Path() : dir / "dest";
        const std::string target = destFolder + "/a.mp3";
        for (const bool named : {false, true}) {
            for (int step = 1;; ++step) {
                WriteFileBytes(dir / "a.mp3", audio);
                unlink(target.c_str());
                const pid_t child = fork();
                if (child == 0) {
                    AtomicFile::UseNamedTemporariesForTesting(named);
                    AtomicFile::KillAtStepForTesting(step);
                    ScriptedShellUi quiet;
                    _exit(RunOp(move ? FO_MOVE : FO_COPY, {dir / "a.mp3"}, {destFolder},
                              FOF_SILENT | FOF_NOCONFIRMATION, quiet)
                                == 0
                            ? 0
                            : 1);
                }
                int status = 0;
                waitpid(child, &status, 0);
                const bool killed = WIFSIGNALED(status);
                const bool sourceWhole
                    = fs::exists(dir / "a.mp3") && ReadFileBytes(dir / "a.mp3") == audio;
                const bool targetAbsent = !fs::exists(target);
                const bool targetWhole = !targetAbsent && ReadFileBytes(target) == audio;
                // A move removes its source only once the copy is complete.
                const bool fine
                    = (targetAbsent && sourceWhole) || (targetWhole && (sourceWhole || move));
                damaged += !fine;
                EXPECT_TRUE(fine) << "step " << step << " move " << move << " named " << named;
                if (!killed) {
                    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                    EXPECT_TRUE(targetWhole);
                    break;
                }
                ++kills;
                // The next operation into that folder.
                WriteFileBytes(dir / "b.mp3", "b");
                ScriptedShellUi quiet;
                EXPECT_EQ(RunOp(FO_COPY, {dir / "b.mp3"}, {destFolder},
                              FOF_SILENT | FOF_NOCONFIRMATION, quiet),
                    0);
                for (const std::string& name : FilesIn(destFolder)) {
                    left += AtomicFile::IsTemporaryName(name);
                    EXPECT_FALSE(AtomicFile::IsTemporaryName(name)) << name;
                }
            }
        }
    }
    EXPECT_GE(kills, 12);
    std::cout << "[ kills  ] copy and move: " << kills << " kills at chosen steps, " << damaged
              << " files damaged, " << left << " temporary files left\n";

    // A named pipe named like a song: refused at once instead of waiting for a writer.
    ASSERT_EQ(mkfifo((dir / "p.mp3").c_str(), 0644), 0);
    const pid_t child = fork();
    if (child == 0) {
        ScriptedShellUi quiet;
        _exit(RunOp(FO_COPY, {dir / "p.mp3"}, {dir / "dest"}, FOF_SILENT, quiet) != 0 ? 0 : 1);
    }
    int status = 0;
    for (int waited = 0; waitpid(child, &status, WNOHANG) == 0 && waited < 5000; waited += 10)
        usleep(10000);
    if (!WIFEXITED(status) && !WIFSIGNALED(status)) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the copy of a pipe hung";
    EXPECT_FALSE(fs::exists(dir / "dest/p.mp3"));
}
