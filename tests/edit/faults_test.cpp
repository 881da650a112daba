// The tag, rename, Undo and ID3v2 commands when the disk refuses: read-only files and folders,
// a full file system, files deleted or replaced by folders after the list was filled, and
// renames that depend on each other. Files must stay byte-identical, each refused row must be
// reported, and rows must keep addressing the files they stand for.
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "edit/removeid3v2.h"
#include "edit/renamecommands.h"
#include "edit/tagcommands.h"
#include "edit/undo.h"
#include "library.h"
#include "platform/path.h"
#include "res/resource.h"
#include "session/batch.h"
#include "session/selectioncommands.h"
#include "support/tmpfsmount.h"
#include "support/unprivileged.h"

namespace {

const Tag kA {"alpha song", "first artist", "one album", "1999", "c1", 17};
const Tag kB {"beta song", "second artist", "two album", "2000", "c2", 0};
const Tag kC {"gamma song", "third artist", "three album", "2001", "c3", 255};

Tag With(Tag tag, const std::string& artist)
{
    tag.artist = artist;
    return tag;
}

std::string Id3v2Head()
{
    return std::string("ID3\x03\0\0\0\0\0\x20", 10) + std::string(32, 'h');
}

// Collects the rows a batch reports as failed.
class FaultsBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetBatchPause(false);
        SetRowFailureHandler([this](const std::string& path, const std::string& reason) {
            m_failures.push_back({path, reason});
        });
    }
    void TearDown() override { SetRowFailureHandler(nullptr); }
    std::vector<std::string> FailedPaths() const
    {
        std::vector<std::string> paths;
        for (const auto& failure : m_failures)
            paths.push_back(failure.first);
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    std::vector<std::pair<std::string, std::string>> m_failures;
};

class CommandFaults : public FaultsBase {
protected:
    void SetUp() override
    {
        FaultsBase::SetUp();
        lib.Add("a.mp3", kA);
        lib.Add("b.mp3", kB);
        lib.Add("c.mp3", kC);
    }
    std::vector<std::vector<std::string>> AllCells() const
    {
        std::vector<std::vector<std::string>> rows;
        for (int row = 0; row < lib.m_list.GetItemCount(); ++row) {
            std::vector<std::string> cells;
            for (int column = 0; column < TrackList::ColumnCount; ++column)
                cells.push_back(lib.m_list.GetItemText(row, column));
            rows.push_back(cells);
        }
        return rows;
    }
    Library lib;
};

struct Command {
    const char* name;
    void (*run)(Library&);
};

// Every command that writes trailers or cuts heads, with the answers its dialogs need.
const Command kTagCommands[] = {
    {"Artist",
        [](Library& l) {
            l.m_ui.AnswerInput("New artist");
            OnChangeTagField(l.m_session, ID_TAG_ARTIST);
        }},
    {"Album",
        [](Library& l) {
            l.m_ui.AnswerInput("New album");
            OnChangeTagField(l.m_session, ID_TAG_ALBUM);
        }},
    {"Year",
        [](Library& l) {
            l.m_ui.AnswerInput("2024");
            OnChangeTagField(l.m_session, ID_TAG_YEAR);
        }},
    {"Comment",
        [](Library& l) {
            l.m_ui.AnswerInput("new comment");
            OnChangeTagField(l.m_session, ID_TAG_COMMENT);
        }},
    {"Name",
        [](Library& l) {
            for (int i = 0; i < 3; ++i)
                l.m_ui.AnswerInput("New name " + std::to_string(i));
            OnChangeTagField(l.m_session, ID_TAG_NAME);
        }},
    {"Genre",
        [](Library& l) {
            l.m_ui.AnswerGenre(9, GenreName(9));
            OnChangeGenre(l.m_session);
        }},
    {"Upper case words", [](Library& l) { OnUpperCaseWords(l.m_session); }},
    {"Upper case first word", [](Library& l) { OnUpperCaseFirstWord(l.m_session); }},
    {"File name to name", [](Library& l) { OnFileNameToName(l.m_session); }},
    {"File name to artist", [](Library& l) { OnFileNameToArtist(l.m_session); }},
    {"Remove ID3v2", [](Library& l) { OnRemoveId3v2(l.m_session); }},
};

} // namespace

TEST_F(CommandFaults, EveryTagCommandOnReadOnlyFilesChangesNoByteAndReportsEachRow)
{
    Unprivileged user;
    if (!user.PermissionsApply())
        GTEST_SKIP() << "file permissions do not apply to this process";
    // b carries an ID3v2 head, so that the removal has something to refuse.
    WriteFileBytes(lib.Path("b.mp3"), Id3v2Head() + lib.Bytes("b.mp3"));
    std::vector<std::string> before;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        before.push_back(lib.Bytes(name));
        ASSERT_EQ(chmod(lib.Path(name).c_str(), 0444), 0);
    }
    const auto cells = AllCells();
    OnSelectAll(lib.m_session);

    for (const Command& command : kTagCommands) {
        SCOPED_TRACE(command.name);
        m_failures.clear();
        command.run(lib);
        EXPECT_EQ(FailedPaths(),
            (std::vector<std::string> {lib.Path("a.mp3"), lib.Path("b.mp3"), lib.Path("c.mp3")}));
        EXPECT_EQ(lib.Bytes("a.mp3"), before[0]);
        EXPECT_EQ(lib.Bytes("b.mp3"), before[1]);
        EXPECT_EQ(lib.Bytes("c.mp3"), before[2]);
        // No file took the change: every row keeps what its file holds, and Undo has nothing
        // to give back.
        EXPECT_EQ(AllCells(), cells);
        EXPECT_EQ(lib.m_session.Journal().GetSize(), 0);
        OnUndo(lib.m_session);
        EXPECT_EQ(AllCells(), cells);
        EXPECT_EQ(lib.Bytes("b.mp3"), before[1]);
    }
}

TEST_F(CommandFaults, RenamesInAReadOnlyFolderKeepFilesCompanionsAndCells)
{
    Unprivileged user;
    if (!user.PermissionsApply())
        GTEST_SKIP() << "file permissions do not apply to this process";
    WriteFileBytes(lib.Path("a.txt"), "notes");
    const std::string a = lib.Bytes("a.mp3");
    ASSERT_EQ(chmod(lib.m_dir.Path().c_str(), 0555), 0);
    const auto cells = AllCells();
    OnSelectAll(lib.m_session);
    for (auto rename : {&OnNameToFileName, &OnArtistNameToFileName}) {
        m_failures.clear();
        rename(lib.m_session);
        EXPECT_EQ(FailedPaths(),
            (std::vector<std::string> {lib.Path("a.mp3"), lib.Path("b.mp3"), lib.Path("c.mp3")}));
        for (const auto& failure : m_failures) {
            EXPECT_TRUE(failure.second.starts_with("not renamed to '")) << failure.second;
            EXPECT_TRUE(failure.second.ends_with(".mp3': Permission denied")) << failure.second;
        }
        EXPECT_EQ(AllCells(), cells);
        OnUndo(lib.m_session);
        EXPECT_EQ(AllCells(), cells);
    }
    EXPECT_EQ(lib.Bytes("a.mp3"), a);
    EXPECT_EQ(lib.Bytes("a.txt"), "notes");
    chmod(lib.m_dir.Path().c_str(), 0755);
}

TEST_F(CommandFaults, UndoThatCannotWriteAFileBackLeavesItsRowShowingTheFile)
{
    Unprivileged user;
    if (!user.PermissionsApply())
        GTEST_SKIP() << "file permissions do not apply to this process";
    OnSelectAll(lib.m_session);
    lib.m_ui.AnswerInput("New artist");
    OnChangeTagField(lib.m_session, ID_TAG_ARTIST);
    ASSERT_TRUE(m_failures.empty());
    ASSERT_EQ(chmod(lib.Path("b.mp3").c_str(), 0444), 0);
    const std::string b = lib.Bytes("b.mp3");

    OnUndo(lib.m_session);
    EXPECT_EQ(FailedPaths(), std::vector<std::string> {lib.Path("b.mp3")});
    EXPECT_EQ(lib.Bytes("b.mp3"), b);
    EXPECT_EQ(lib.Cell("b.mp3", TrackList::ColArtist), "New artist");
    EXPECT_EQ(lib.Trailer("a.mp3"), TrailerOf(kA));
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColArtist), kA.artist);
    EXPECT_EQ(lib.Cell("c.mp3", TrackList::ColArtist), kC.artist);
    chmod(lib.Path("b.mp3").c_str(), 0644);
}

TEST_F(CommandFaults, FilesDeletedOrReplacedByAFolderAfterTheListWasFilled)
{
    // a is gone, b is now a folder holding a file; only c is still what its row says.
    ASSERT_EQ(unlink(lib.Path("a.mp3").c_str()), 0);
    ASSERT_EQ(unlink(lib.Path("b.mp3").c_str()), 0);
    MakeFolder(lib.Path("b.mp3"));
    WriteFileBytes(lib.Path("b.mp3/inside.txt"), "keep");
    OnSelectAll(lib.m_session);
    const std::vector<std::string> missing {lib.Path("a.mp3"), lib.Path("b.mp3")};

    lib.m_ui.AnswerInput("New artist");
    OnChangeTagField(lib.m_session, ID_TAG_ARTIST);
    EXPECT_EQ(FailedPaths(), missing);
    EXPECT_EQ(lib.Trailer("c.mp3"), TrailerOf(With(kC, "New artist")));
    // Only c's change is journalled, and only c's row shows the new artist.
    EXPECT_EQ(lib.m_session.Journal().GetSize(), 1);
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColArtist), kA.artist);
    EXPECT_EQ(lib.Cell("c.mp3", TrackList::ColArtist), "New artist");
    OnUndo(lib.m_session);
    EXPECT_EQ(lib.Trailer("c.mp3"), TrailerOf(kC));
    EXPECT_FALSE(PathExists(lib.Path("a.mp3")));

    m_failures.clear();
    OnRemoveId3v2(lib.m_session);
    EXPECT_EQ(FailedPaths(), missing);

    // A rename names a file: a folder that took a file's place is not renamed after a tag.
    lib.m_list.SetItemText(lib.RowOf("a.mp3"), TrackList::ColName, kA.title);
    lib.m_list.SetItemText(lib.RowOf("b.mp3"), TrackList::ColName, kB.title);
    m_failures.clear();
    OnNameToFileName(lib.m_session);
    EXPECT_EQ(FailedPaths(), missing);
    EXPECT_TRUE(PathExists(lib.Path("gamma song.mp3")));
    EXPECT_FALSE(PathExists(lib.Path("beta song.mp3")));
    EXPECT_FALSE(PathExists(lib.Path("alpha song.mp3")));
    EXPECT_EQ(lib.Cell("b.mp3", TrackList::ColFile), "b.mp3");
    EXPECT_EQ(ReadFileBytes(lib.Path("b.mp3/inside.txt")), "keep");
    EXPECT_FALSE(PathExists(lib.Path("a.mp3")));
    OnUndo(lib.m_session);
    EXPECT_TRUE(PathExists(lib.Path("c.mp3")));
}

TEST_F(CommandFaults, UndoOfRenamesThatFreedEachOthersNames)
{
    // Row 0 (a) becomes x, then row 1 (b) takes the name a that row 0 just gave up.
    lib.m_list.SetItemText(lib.RowOf("a.mp3"), TrackList::ColName, "x");
    lib.m_list.SetItemText(lib.RowOf("b.mp3"), TrackList::ColName, "a");
    const std::string a = lib.Bytes("a.mp3");
    const std::string b = lib.Bytes("b.mp3");
    lib.Select({"a.mp3", "b.mp3"});
    OnNameToFileName(lib.m_session);
    ASSERT_EQ(lib.Bytes("x.mp3"), a);
    ASSERT_EQ(lib.Bytes("a.mp3"), b);
    ASSERT_TRUE(m_failures.empty());
    // Undo gives every file its name back, and each row names its own file again.
    OnUndo(lib.m_session);
    EXPECT_EQ(lib.Bytes("a.mp3"), a);
    EXPECT_EQ(lib.Bytes("b.mp3"), b);
    EXPECT_FALSE(PathExists(lib.Path("x.mp3")));
    EXPECT_EQ(lib.m_list.GetItemText(0, TrackList::ColFile), "a.mp3");
    EXPECT_EQ(lib.m_list.GetItemText(1, TrackList::ColFile), "b.mp3");
}

TEST_F(CommandFaults, UndoThatCannotRenameBackLeavesTheRowOnItsFile)
{
    lib.m_list.SetItemText(lib.RowOf("a.mp3"), TrackList::ColName, "Renamed");
    const std::string a = lib.Bytes("a.mp3");
    lib.Select({"a.mp3"});
    OnNameToFileName(lib.m_session);
    ASSERT_EQ(lib.Bytes("Renamed.mp3"), a);
    // Someone else takes the old name before Undo.
    WriteFileBytes(lib.Path("a.mp3"), "another file");
    OnUndo(lib.m_session);
    EXPECT_EQ(lib.Bytes("Renamed.mp3"), a);
    EXPECT_EQ(lib.Bytes("a.mp3"), "another file");
    // The row still addresses the file it stands for, so a later tag command cannot write
    // into the other file.
    EXPECT_EQ(lib.m_list.GetItemText(0, TrackList::ColFile), "Renamed.mp3");
    lib.m_ui.AnswerInput("Artist");
    OnChangeTagField(lib.m_session, ID_TAG_ARTIST);
    EXPECT_EQ(lib.Bytes("a.mp3"), "another file");
    EXPECT_EQ(lib.Trailer("Renamed.mp3"), TrailerOf(With(kA, "Artist")));
}

// A full disk under a batch: trailers that exist are rewritten in place, files that would
// need a new page keep every byte and are reported; Undo restores the written ones.
TEST_F(FaultsBase, TagBatchOnAFullDisk)
{
    TempDir dir;
    TmpfsMount disk(dir, "small", 256 * 1024);
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why();
    const std::string tagged = FakeAudio(3000) + TrailerOf(kA);
    const std::string untagged = FakeAudio(4096 * 2 - 20);
    WriteFileBytes(disk / "tagged.mp3", tagged);
    WriteFileBytes(disk / "untagged.mp3", untagged);
    disk.Fill();
    ScriptedUi ui;
    Session session(ui);
    session.List().AddRow({"tagged.mp3", kA.artist, kA.album, kA.title, kA.year, kA.comment,
        disk.Path(), GenreName(kA.genre)});
    session.List().AddRow({"untagged.mp3", "", "", "", "", "", disk.Path(), GenreName(255)});
    OnSelectAll(session);
    ui.AnswerInput("Full");
    OnChangeTagField(session, ID_TAG_ALBUM);
    EXPECT_EQ(FailedPaths(), std::vector<std::string> {disk / "untagged.mp3"});
    EXPECT_EQ(ReadFileBytes(disk / "untagged.mp3"), untagged);
    Tag changed = kA;
    changed.album = "Full";
    EXPECT_EQ(ReadFileBytes(disk / "tagged.mp3"), FakeAudio(3000) + TrailerOf(changed));
    OnUndo(session);
    EXPECT_EQ(ReadFileBytes(disk / "tagged.mp3"), tagged);
    EXPECT_EQ(ReadFileBytes(disk / "untagged.mp3"), untagged);
}

// Without a front end that reports each failure, a batch ends with one message: the count in
// Bosnian, the first five files with their reasons, and how many more.
TEST(FailedRowsMessage, NamesTheCountAndTheFirstFiveFiles)
{
    SetBatchPause(false);
    Library lib;
    for (int i = 0; i < 7; ++i)
        lib.Add("f" + std::to_string(i) + ".mp3", kA);
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(unlink(lib.Path("f" + std::to_string(i) + ".mp3").c_str()), 0);
    OnSelectAll(lib.m_session);
    OnUpperCaseWords(lib.m_session);
    const auto boxes = lib.m_ui.CallsOf("MessageBox");
    ASSERT_EQ(boxes.size(), 1u);
    std::string expected = "Nisam mogao promijenit 7 fajlova:";
    for (int i = 0; i < 5; ++i)
        expected
            += "\n" + lib.Path("f" + std::to_string(i) + ".mp3") + ": No such file or directory";
    EXPECT_EQ(boxes[0].text, expected + "\n... i jos 2.");
    EXPECT_EQ(boxes[0].caption, "Greska");
    EXPECT_EQ(lib.m_session.Journal().GetSize(), 0);
    EXPECT_FALSE(lib.m_session.IsUndoEnabled());
}
