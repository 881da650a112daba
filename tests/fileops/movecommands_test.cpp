#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "edit/renamecommands.h"
#include "edit/tagcommands.h"
#include "edit/undo.h"
#include "fileops/movecommands.h"
#include "fileopsenv.h"
#include "platform/drivetype.h"
#include "res/resource.h"

namespace {

constexpr char kNothingSelected[]
    = "Nista nije oznaceno.\nMora se nesto oznacit, jer neznam sata os maknut.";

using Answer = ShellUi::Answer;

class MoveTest : public FileOpsTest {
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        music = Folder("music");
        target = Folder("target");
    }
    std::string Trailer(const std::string& path)
    {
        const std::string bytes = ReadFileBytes(path);
        return bytes.substr(bytes.size() - 128);
    }

    std::string music, target;
};

} // namespace

TEST_F(MoveTest, NothingSelectedSaysSoBeforeAnyDialog)
{
    AddTrack(music, "a.mp3");
    OnMoveToFolder(m_session);
    OnMoveToRootArtist(m_session);
    ASSERT_EQ(m_ui.m_calls.size(), 2u);
    for (const ScriptedUi::Call& call : m_ui.m_calls) {
        EXPECT_EQ(call.kind, "MessageBox");
        EXPECT_EQ(call.text, kNothingSelected);
        EXPECT_EQ(call.caption, "Oznaci nesto");
        EXPECT_EQ(call.style, MB_ICONINFORMATION);
    }
    EXPECT_TRUE(m_shell.m_titles.empty());
}

TEST_F(MoveTest, PickersStartAtLastOpenAndCancelOrEmptyChangesNothing)
{
    AddTrack(music, "a.mp3");
    SelectAll();
    StoreSetting(kValueLastOpen, music);
    OnMoveToFolder(m_session);
    m_ui.m_folderAnswers.push_back("");
    OnMoveToRootArtist(m_session);
    ASSERT_EQ(Pickers().size(), 2u);
    EXPECT_EQ(Pickers()[0].filter, "Izaberi folder:");
    EXPECT_EQ(Pickers()[1].filter, "Izaberi root folder:");
    for (const ScriptedUi::Call& call : Pickers()) {
        EXPECT_EQ(call.text, music);
        EXPECT_EQ(call.caption, "");
        EXPECT_EQ(call.style, 1u);
    }
    EXPECT_EQ(FilesIn(music), std::vector<std::string> {"a.mp3"});
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), music);
    EXPECT_TRUE(m_shell.m_titles.empty());
    EXPECT_EQ(StoredSetting(kValueLastOpen), music);

    // Without settings the picker starts nowhere, and nothing gets stored.
    std::filesystem::remove(SettingsFilePath());
    OnMoveToFolder(m_session);
    EXPECT_EQ(Pickers().back().text, "");
    EXPECT_FALSE(PathExists(SettingsFilePath()));
}

TEST_F(MoveTest, MoveToFolderRecasesTheNameAndTakesTheCompanionText)
{
    const std::string bytes = ReadFileBytes(AddTrack(music, "MiXed CASE.MP3"));
    WriteFileBytes(music + "/MiXed CASE.txt", "lyrics");
    AddTrack(music, "plain.mp3");
    // A folder named like a companion is not one.
    MakeFolder(music + "/plain.txt");
    SelectAll();
    m_ui.m_folderAnswers.push_back(target);
    OnMoveToFolder(m_session);

    EXPECT_EQ(m_shell.m_titles, std::vector<std::string> {"Mijenjam putanje..."});
    EXPECT_EQ(FilesIn(target),
        (std::vector<std::string> {"MiXed CASE.txt", "mixed Case.mp3", "plain.mp3"}));
    EXPECT_EQ(ReadFileBytes(target + "/mixed Case.mp3"), bytes);
    EXPECT_EQ(ReadFileBytes(target + "/MiXed CASE.txt"), "lyrics");
    EXPECT_EQ(FilesIn(music), std::vector<std::string> {"plain.txt"});
    // The rows address the files where they are now.
    EXPECT_EQ(RowOf("MiXed CASE.MP3"), -1);
    EXPECT_EQ(Cell("mixed Case.mp3", TrackList::ColFolder), target);
    EXPECT_EQ(Cell("plain.mp3", TrackList::ColFolder), target);
    EXPECT_TRUE(m_shell.m_errors.empty());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(MoveTest, RowsAlreadyInTheTargetAreSkippedHoweverSpelt)
{
    std::filesystem::create_directory_symlink(music, m_files / "alias");
    const std::string bytes = ReadFileBytes(AddTrack(music, "Two Words.mp3"));
    SelectAll();
    for (const std::string& spelling : {music, music + "/", m_files / "alias"}) {
        m_ui.m_folderAnswers.push_back(spelling);
        OnMoveToFolder(m_session);
        EXPECT_EQ(FilesIn(music), std::vector<std::string> {"Two Words.mp3"}) << spelling;
        EXPECT_EQ(ReadFileBytes(music + "/Two Words.mp3"), bytes);
        EXPECT_EQ(Cell("Two Words.mp3", TrackList::ColFolder), music);
    }
    EXPECT_TRUE(m_shell.m_titles.empty());
}

TEST_F(MoveTest, FilesThatDoNotMoveKeepTheirRows)
{
    const std::string aBytes = ReadFileBytes(AddTrack(music, "a.mp3"));
    const std::string bBytes = ReadFileBytes(AddTrack(music, "b.mp3"));
    const std::string gone = AddTrack(music, "c.mp3");
    AddTrack(music, "d.mp3");
    WriteFileBytes(target + "/b.mp3", "someone else's b");
    std::filesystem::remove(gone);
    SelectAll();
    // Replacing b is refused, c vanished before the operation, d is cancelled.
    m_shell.m_replaceAnswers.push_back(Answer::No);
    m_shell.m_nCancelAtItem = 2;
    m_ui.m_folderAnswers.push_back(target);
    OnMoveToFolder(m_session);

    EXPECT_EQ(FilesIn(target), (std::vector<std::string> {"a.mp3", "b.mp3"}));
    EXPECT_EQ(ReadFileBytes(target + "/a.mp3"), aBytes);
    EXPECT_EQ(ReadFileBytes(target + "/b.mp3"), "someone else's b");
    EXPECT_EQ(FilesIn(music), (std::vector<std::string> {"b.mp3", "d.mp3"}));
    EXPECT_EQ(ReadFileBytes(music + "/b.mp3"), bBytes);
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), target);
    EXPECT_EQ(Cell("b.mp3", TrackList::ColFolder), music);
    EXPECT_EQ(Cell("c.mp3", TrackList::ColFolder), music);
    EXPECT_EQ(Cell("d.mp3", TrackList::ColFolder), music);
    EXPECT_FALSE(m_shell.m_errors.empty());
}

TEST_F(MoveTest, ReadOnlyTargetMovesNothing)
{
    TmpfsMount disk(m_files, "readonly", 1 << 20);
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why();
    ASSERT_TRUE(disk.RemountReadOnly());
    const std::string bytes = ReadFileBytes(AddTrack(music, "a.mp3"));
    SelectAll();
    m_ui.m_folderAnswers.push_back(disk.Path());
    OnMoveToFolder(m_session);
    EXPECT_EQ(ReadFileBytes(music + "/a.mp3"), bytes);
    EXPECT_TRUE(FilesIn(disk.Path()).empty());
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), music);
    EXPECT_EQ(m_shell.m_errors.size(), 1u);
}

TEST_F(MoveTest, CancelInTheMiddleOfTwoHundredFiles)
{
    for (int i = 0; i < 200; ++i)
        AddTrack(music, "t" + std::to_string(1000 + i) + ".mp3");
    SelectAll();
    m_shell.m_nCancelAtItem = 80;
    m_ui.m_folderAnswers.push_back(target);
    OnMoveToFolder(m_session);

    const std::vector<std::string> moved = FilesIn(target);
    EXPECT_GT(moved.size(), 0u);
    EXPECT_LT(moved.size(), 200u);
    EXPECT_EQ(moved.size() + FilesIn(music).size(), 200u);
    TrackList& list = m_session.List();
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const std::string folder = list.GetItemText(row, TrackList::ColFolder);
        const std::string file = list.GetItemText(row, TrackList::ColFile);
        EXPECT_TRUE(std::filesystem::is_regular_file(JoinPath(folder, file)))
            << folder << " " << file;
    }
}

TEST_F(MoveTest, UndoAfterAMoveFindsTheMovedFiles)
{
    AddTrack(music, "a.mp3", {"Song", "Old"});
    AddTrack(music, "b.mp3", {"Other", "Old"});
    SelectAll();
    const std::string oldTrailer = Trailer(music + "/a.mp3");
    m_ui.AnswerInput("New");
    OnChangeTagField(m_session, ID_TAG_ARTIST);
    ASSERT_NE(Trailer(music + "/a.mp3"), oldTrailer);

    m_ui.m_folderAnswers.push_back(target);
    OnMoveToFolder(m_session);
    ASSERT_EQ(FilesIn(target), (std::vector<std::string> {"a.mp3", "b.mp3"}));
    EXPECT_EQ(m_session.Journal().GetSize(), 2);
    EXPECT_TRUE(m_session.IsUndoEnabled());

    OnUndo(m_session);
    EXPECT_EQ(Trailer(target + "/a.mp3"), oldTrailer);
    EXPECT_EQ(Cell("a.mp3", TrackList::ColArtist), "Old");
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), target);
    EXPECT_EQ(Cell("b.mp3", TrackList::ColFolder), target);
    EXPECT_TRUE(FilesIn(music).empty());
}

TEST_F(MoveTest, UndoOfARenameAfterAMoveRenamesInTheNewFolder)
{
    AddTrack(music, "a.mp3", {"Day Break", "X"});
    SelectAll();
    OnNameToFileName(m_session);
    ASSERT_EQ(FilesIn(music), std::vector<std::string> {"Day Break.mp3"});
    m_ui.m_folderAnswers.push_back(target);
    OnMoveToFolder(m_session);
    ASSERT_EQ(FilesIn(target), std::vector<std::string> {"day Break.mp3"});
    OnUndo(m_session);
    EXPECT_EQ(FilesIn(target), std::vector<std::string> {"a.mp3"});
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), target);
    EXPECT_TRUE(FilesIn(music).empty());
}

TEST_F(MoveTest, MoveToRootArtistMakesArtistFoldersAfterConfirmation)
{
    const std::string root = Folder("root");
    AddTrack(music, "a.mp3", {"One", "Night Owls"});
    WriteFileBytes(music + "/a.txt", "notes");
    AddTrack(music, "b.mp3", {"Two", "Night Owls"});
    AddTrack(music, "c.mp3", {"Three", ""});
    AddTrack(music, "d.mp3", {"Four", ".."});
    AddTrack(music, "e.mp3", {"Five", "AC/DC"});
    AddTrack(music, "f.mp3", {"Six", "."});
    SelectAll();
    m_ui.AnswerInput("2001");
    OnChangeTagField(m_session, ID_TAG_YEAR);
    ASSERT_TRUE(m_session.IsUndoEnabled());

    m_ui.m_folderAnswers.push_back(root);
    OnMoveToRootArtist(m_session);
    const std::string owls = root + "/Night Owls";
    EXPECT_EQ(m_shell.m_foldersAsked, std::vector<std::string> {owls});
    EXPECT_EQ(FilesIn(owls), (std::vector<std::string> {"a.mp3", "a.txt", "b.mp3"}));
    EXPECT_EQ(ReadFileBytes(owls + "/a.txt"), "notes");
    EXPECT_EQ(FilesIn(root), std::vector<std::string> {"Night Owls"});
    EXPECT_EQ(FilesIn(m_files.Path()), (std::vector<std::string> {"music", "root", "target"}));
    EXPECT_EQ(FilesIn(music), (std::vector<std::string> {"c.mp3", "d.mp3", "e.mp3", "f.mp3"}));
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), owls);
    EXPECT_EQ(Cell("b.mp3", TrackList::ColFolder), owls);
    for (const char* name : {"c.mp3", "d.mp3", "e.mp3", "f.mp3"})
        EXPECT_EQ(Cell(name, TrackList::ColFolder), music) << name;
    EXPECT_EQ(m_session.Journal().GetSize(), 0);
    EXPECT_FALSE(m_session.IsUndoEnabled());
}

TEST_F(MoveTest, MoveToRootArtistWithTheFolderDeclinedKeepsRowsAndFiles)
{
    const std::string root = Folder("root");
    AddTrack(music, "a.mp3", {"One", "Solo"});
    SelectAll();
    m_shell.m_folderAnswers.push_back(Answer::No);
    m_ui.m_folderAnswers.push_back(root);
    OnMoveToRootArtist(m_session);
    EXPECT_TRUE(FilesIn(root).empty());
    EXPECT_EQ(FilesIn(music), std::vector<std::string> {"a.mp3"});
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), music);
    EXPECT_FALSE(m_session.IsUndoEnabled());
}

TEST_F(MoveTest, AcrossFileSystemsAndOntoAFullDisk)
{
    TmpfsMount small(m_files, "small", 256 * 1024);
    if (!small.IsMounted())
        GTEST_SKIP() << small.Why();
    const std::string smallBytes = ReadFileBytes(AddTrack(music, "a.mp3"));
    WriteFileBytes(music + "/a.txt", "notes");
    SelectAll();
    m_ui.m_folderAnswers.push_back(small.Path());
    OnMoveToFolder(m_session);
    EXPECT_EQ(FilesIn(small.Path()), (std::vector<std::string> {"a.mp3", "a.txt"}));
    EXPECT_EQ(ReadFileBytes(small / "a.mp3"), smallBytes);
    EXPECT_TRUE(FilesIn(music).empty());
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), small.Path());

    // A file larger than the space left: the source stays whole, no partial file remains.
    m_session.List().DeleteAllItems();
    const std::string big = music + "/big.mp3";
    const std::string bigBytes = FakeAudio(600 * 1024) + Id3v1Bytes("", "", "", "", "", 255);
    WriteFileBytes(big, bigBytes);
    m_session.List().AddRow({"big.mp3", "", "", "", "", "", music, " "});
    SelectAll();
    m_ui.m_folderAnswers.push_back(small.Path());
    OnMoveToFolder(m_session);
    EXPECT_EQ(ReadFileBytes(big), bigBytes);
    EXPECT_EQ(FilesIn(small.Path()), (std::vector<std::string> {"a.mp3", "a.txt"}));
    EXPECT_EQ(Cell("big.mp3", TrackList::ColFolder), music);
    EXPECT_EQ(m_shell.m_errors.size(), 1u);
}

TEST_F(MoveTest, FilesOnAnotherKindOfDriveAreCopied)
{
    TmpfsMount ram(m_files, "ram", 4 << 20);
    if (!ram.IsMounted())
        GTEST_SKIP() << ram.Why();
    const std::string bytes = ReadFileBytes(AddTrack(ram.Path(), "a.mp3"));
    WriteFileBytes(ram / "a.txt", "notes");
    SelectAll();
    m_ui.m_folderAnswers.push_back(target);
    OnMoveToFolder(m_session);
    EXPECT_EQ(FilesIn(ram.Path()), (std::vector<std::string> {"a.mp3", "a.txt"}));
    EXPECT_EQ(FilesIn(target), (std::vector<std::string> {"a.mp3", "a.txt"}));
    EXPECT_EQ(ReadFileBytes(target + "/a.mp3"), bytes);
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), target);
}

// A stick that the mount table and /sys show as a removable disk: Move to folder copies off it,
// and the rows point at the copies.
TEST_F(MoveTest, FilesOnARemovableStickAreCopied)
{
    const std::string stick = Folder("stick");
    const std::string sys = Folder("sys");
    MakeFolder(sys + "/dev/block/8:1");
    WriteFileBytes(sys + "/dev/block/8:1/removable", "0\n");
    MakeFolder(sys + "/dev/block/8:17");
    WriteFileBytes(sys + "/dev/block/8:17/removable", "1\n");
    WriteFileBytes(m_files / "mountinfo",
        "20 1 8:1 / / rw - ext4 /dev/sda1 rw\n30 20 8:17 / " + stick + " rw - vfat /dev/sdb1 rw\n");
    const DriveTypeSources previous = SetDriveTypeSources({m_files / "mountinfo", sys});

    const std::string bytes = ReadFileBytes(AddTrack(stick, "a.mp3"));
    WriteFileBytes(stick + "/a.txt", "notes");
    SelectAll();
    m_ui.m_folderAnswers.push_back(target);
    OnMoveToFolder(m_session);
    SetDriveTypeSources(previous);

    EXPECT_EQ(FilesIn(stick), (std::vector<std::string> {"a.mp3", "a.txt"}));
    EXPECT_EQ(FilesIn(target), (std::vector<std::string> {"a.mp3", "a.txt"}));
    EXPECT_EQ(ReadFileBytes(target + "/a.mp3"), bytes);
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), target);
}

// After Move to folder has recased a song's name, its companion still goes with it: a rename
// finds it without regard to letter case, and so does the next move.
TEST_F(MoveTest, CompanionWhoseCaseDiffersFollowsARenameAndAMove)
{
    AddTrack(music, "MiXed CASE.MP3", {"Daybreak", "Owls"});
    WriteFileBytes(music + "/MiXed CASE.txt", "lyrics");
    SelectAll();
    m_ui.m_folderAnswers.push_back(target);
    OnMoveToFolder(m_session);
    ASSERT_EQ(FilesIn(target), (std::vector<std::string> {"MiXed CASE.txt", "mixed Case.mp3"}));

    OnNameToFileName(m_session);
    EXPECT_EQ(FilesIn(target), (std::vector<std::string> {"Daybreak.mp3", "Daybreak.txt"}));

    std::filesystem::rename(target + "/Daybreak.txt", target + "/DAYBREAK.TXT");
    m_ui.m_folderAnswers.push_back(music);
    OnMoveToFolder(m_session);
    EXPECT_EQ(FilesIn(music), (std::vector<std::string> {"DAYBREAK.TXT", "daybreak.mp3"}));
    EXPECT_EQ(ReadFileBytes(music + "/DAYBREAK.TXT"), "lyrics");
    EXPECT_TRUE(FilesIn(target).empty());
}
