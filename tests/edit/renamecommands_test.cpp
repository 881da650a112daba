#include <filesystem>

#include <gtest/gtest.h>

#include "edit/renamecommands.h"
#include "edit/undo.h"
#include "library.h"
#include "platform/codepage.h"
#include "platform/path.h"
#include "res/resource.h"
#include "session/batch.h"
#include "session/selectioncommands.h"

namespace {

class RenameCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        lib.Add("a.mp3", {"Daybreak", "Night Owls", "", "", "", 255});
        lib.Add("b.mp3", {"  Dusk ", "", "", "", "", 255});
        lib.Add("c.mp3", {"   ", "Nobody", "", "", "", 255});
        lib.Add("d.mp3", {"Taken", "X", "", "", "", 255});
        WriteFileBytes(lib.Path("a.txt"), "notes");
        WriteFileBytes(lib.Path("Taken.mp3"), "other file");
        lib.Select({"d.mp3", "c.mp3", "b.mp3", "a.mp3"});
        before = lib.Bytes("a.mp3");
    }
    Library lib;
    std::string before;
};

} // namespace

TEST_F(RenameCommands, NameToFileNameWithCompanionExistingTargetAndEmptyName)
{
    OnNameToFileName(lib.m_session);
    // The refused rename ends the batch with one message that names it.
    ASSERT_EQ(lib.m_ui.m_calls.size(), 1u);
    EXPECT_EQ(lib.m_ui.m_calls[0].kind, "MessageBox");
    EXPECT_EQ(lib.m_ui.m_calls[0].text,
        "Nisam mogao promijenit 1 fajl:\n" + lib.Path("d.mp3")
            + ": not renamed to 'Taken.mp3': File exists");
    EXPECT_EQ(ReadFileBytes(lib.Path("Daybreak.mp3")), before);
    EXPECT_FALSE(FileExists(lib.Path("a.mp3")));
    EXPECT_EQ(ReadFileBytes(lib.Path("Daybreak.txt")), "notes");
    EXPECT_FALSE(FileExists(lib.Path("a.txt")));
    EXPECT_TRUE(FileExists(lib.Path("Dusk.mp3")));
    // Empty name: skipped. Existing target: the row keeps its name, the other file is intact.
    EXPECT_TRUE(FileExists(lib.Path("c.mp3")));
    EXPECT_TRUE(FileExists(lib.Path("d.mp3")));
    EXPECT_EQ(ReadFileBytes(lib.Path("Taken.mp3")), "other file");
    EXPECT_EQ(lib.m_list.GetItemText(0, 0), "Daybreak.mp3");
    EXPECT_EQ(lib.m_list.GetItemText(1, 0), "Dusk.mp3");
    EXPECT_EQ(lib.m_list.GetItemText(2, 0), "c.mp3");
    EXPECT_EQ(lib.m_list.GetItemText(3, 0), "d.mp3");
    EXPECT_EQ(lib.m_list.GetItemText(0, TrackList::ColFolder), lib.m_dir.Path());

    CUndoJournal& journal = lib.m_session.Journal();
    EXPECT_EQ(lib.m_session.JournalCommand(), ID_NAME_TO_FILENAME);
    // Only the renames that happened are journalled: d's refused one is not.
    ASSERT_EQ(journal.GetSize(), 2);
    EXPECT_EQ(journal.ElementAt(0).m_strOrigPath, lib.Path("a.mp3"));
    EXPECT_EQ(journal.ElementAt(0).m_strPath, lib.Path("Daybreak.mp3"));
    EXPECT_EQ(journal.ElementAt(1).m_nItem, 1);
    EXPECT_TRUE(lib.m_session.IsUndoEnabled());

    // Undo after a sort: files get their names back, rows their File cells; the companion
    // keeps its new name and the file that blocked d's rename is left alone.
    OnHeaderClick(lib.m_session, TrackList::ColArtist);
    OnUndo(lib.m_session);
    EXPECT_EQ(ReadFileBytes(lib.Path("a.mp3")), before);
    EXPECT_TRUE(FileExists(lib.Path("b.mp3")));
    EXPECT_TRUE(FileExists(lib.Path("Daybreak.txt")));
    EXPECT_EQ(ReadFileBytes(lib.Path("Taken.mp3")), "other file");
    EXPECT_TRUE(FileExists(lib.Path("d.mp3")));
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColArtist), "Night Owls");
    EXPECT_EQ(lib.Cell("b.mp3", TrackList::ColName), "  Dusk ");
    EXPECT_EQ(lib.RowOf("Daybreak.mp3"), -1);
    EXPECT_FALSE(lib.m_session.IsUndoEnabled());
}

TEST_F(RenameCommands, ArtistNameToFileName)
{
    OnArtistNameToFileName(lib.m_session);
    EXPECT_TRUE(FileExists(lib.Path("Night Owls - Daybreak.mp3")));
    EXPECT_TRUE(FileExists(lib.Path("Night Owls - Daybreak.txt")));
    EXPECT_TRUE(FileExists(lib.Path(" - Dusk.mp3")));
    EXPECT_TRUE(FileExists(lib.Path("X - Taken.mp3")));
    EXPECT_TRUE(FileExists(lib.Path("c.mp3")));
    EXPECT_EQ(lib.m_session.JournalCommand(), ID_ARTIST_NAME_TO_FILENAME);
    EXPECT_EQ(lib.m_session.Journal().GetSize(), 3);
    // Remove the renamed row b; Undo renames its file back but has no row for it.
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    lib.Select({" - Dusk.mp3"});
    OnRemoveSelected(lib.m_session);
    EXPECT_EQ(lib.m_session.Journal().GetSize(), 2);
    OnUndo(lib.m_session);
    EXPECT_TRUE(FileExists(lib.Path("a.mp3")));
    EXPECT_TRUE(FileExists(lib.Path("d.mp3")));
    EXPECT_TRUE(FileExists(lib.Path(" - Dusk.mp3")));
    EXPECT_EQ(lib.m_list.GetItemText(0, 0), "a.mp3");
    EXPECT_EQ(lib.m_list.GetItemText(2, 0), "d.mp3");
}

TEST_F(RenameCommands, NamesTheSystemRefusesKeepTheRowWithoutAnEntry)
{
    std::vector<std::pair<std::string, std::string>> failures;
    SetRowFailureHandler([&failures](const std::string& path, const std::string& reason) {
        failures.emplace_back(path, reason);
    });
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    lib.m_list.SetItemText(0, TrackList::ColName, "../../etc/passwd");
    lib.m_list.SetItemText(1, TrackList::ColName, "ok");
    lib.Select({"a.mp3", "b.mp3", "d.mp3"});
    OnNameToFileName(lib.m_session);
    SetRowFailureHandler(nullptr);
    EXPECT_TRUE(FileExists(lib.Path("a.mp3")));
    EXPECT_EQ(lib.m_list.GetItemText(0, 0), "a.mp3");
    EXPECT_TRUE(FileExists(lib.Path("a.txt")));
    EXPECT_TRUE(FileExists(lib.Path("ok.mp3")));
    EXPECT_EQ(lib.m_session.Journal().GetSize(), 1);
    // The CLI reports each failure itself: no message box besides.
    EXPECT_TRUE(lib.m_ui.CallsOf("MessageBox").empty());
    // Each failure names the row's own file, with the refused name in the reason.
    EXPECT_EQ(failures,
        (std::vector<std::pair<std::string, std::string>> {
            {lib.Path("a.mp3"), "not renamed to '../../etc/passwd.mp3': Invalid argument"},
            {lib.Path("d.mp3"), "not renamed to 'Taken.mp3': File exists"}}));
}

TEST_F(RenameCommands, AFileThatHasItsNewNameAlreadyIsNoFailure)
{
    std::vector<std::string> failed;
    SetRowFailureHandler(
        [&failed](const std::string& path, const std::string&) { failed.push_back(path); });
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    // A byte the tag code page does not define goes into the name as the list shows it.
    lib.m_list.SetItemText(lib.RowOf("b.mp3"), TrackList::ColName, "Dusk" + RawByteChar(0x81));
    lib.Select({"a.mp3", "b.mp3"});
    OnNameToFileName(lib.m_session);
    ASSERT_TRUE(FileExists(lib.Path("Daybreak.mp3")));
    EXPECT_EQ(lib.m_session.Journal().GetSize(), 2);
    // The second run finds every file named already: nothing to do, nothing to report.
    OnNameToFileName(lib.m_session);
    SetRowFailureHandler(nullptr);
    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(lib.m_session.Journal().GetSize(), 0);
    EXPECT_TRUE(FileExists(lib.Path("Daybreak.mp3")));
    EXPECT_TRUE(FileExists(lib.Path("Daybreak.txt")));
    EXPECT_TRUE(FileExists(lib.Path("Dusk\uFFFD.mp3")));
}

TEST_F(RenameCommands, NothingSelected)
{
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    OnNameToFileName(lib.m_session);
    OnArtistNameToFileName(lib.m_session);
    ASSERT_EQ(lib.m_ui.m_calls.size(), 2u);
    EXPECT_EQ(lib.m_ui.m_calls[0].text, "Nista nije oznaceno.");
    EXPECT_EQ(lib.m_ui.m_calls[1].text, "Nista nije oznaceno. Nemoj tako.");
    EXPECT_EQ(lib.m_ui.m_calls[1].caption, "Oznaci nesto");
    EXPECT_TRUE(FileExists(lib.Path("a.mp3")));
}

TEST_F(RenameCommands, OnlyARegularFileCountsAsCompanion)
{
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    MakeFolder(lib.Path("b.txt"));
    lib.Select({"b.mp3"});
    OnNameToFileName(lib.m_session);
    EXPECT_TRUE(FileExists(lib.Path("Dusk.mp3")));
    EXPECT_TRUE(PathExists(lib.Path("b.txt")));
    EXPECT_FALSE(PathExists(lib.Path("Dusk.txt")));
}

// The companion is found without regard to letter case: the exact name first, otherwise the one
// text file that differs in case only and is not another song's own; none among several.
TEST_F(RenameCommands, CompanionFoundWithoutRegardToLetterCase)
{
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    std::filesystem::rename(lib.Path("a.txt"), lib.Path("A.TXT"));
    WriteFileBytes(lib.Path("b.txt"), "exact");
    WriteFileBytes(lib.Path("B.txt"), "other case");
    lib.Add("e.mp3", {"Evening", "", "", "", "", 255});
    WriteFileBytes(lib.Path("E.txt"), "one of two");
    WriteFileBytes(lib.Path("e.TXT"), "two of two");
    lib.Add("f.mp3", {"Fog", "", "", "", "", 255});
    WriteFileBytes(lib.Path("F.mp3"), "another song");
    WriteFileBytes(lib.Path("F.txt"), "the other song's");
    lib.Select({"a.mp3", "b.mp3", "e.mp3", "f.mp3"});
    OnNameToFileName(lib.m_session);
    EXPECT_EQ(FilesIn(lib.m_dir.Path()),
        (std::vector<std::string> {"B.txt", "Daybreak.mp3", "Daybreak.txt", "Dusk.mp3", "Dusk.txt",
            "E.txt", "Evening.mp3", "F.mp3", "F.txt", "Fog.mp3", "Taken.mp3", "c.mp3", "d.mp3",
            "e.TXT"}));
    EXPECT_EQ(ReadFileBytes(lib.Path("Daybreak.txt")), "notes");
    EXPECT_EQ(ReadFileBytes(lib.Path("Dusk.txt")), "exact");
}
