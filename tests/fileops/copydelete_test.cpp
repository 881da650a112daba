#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "edit/tagcommands.h"
#include "fileops/copydelete.h"
#include "fileopsenv.h"
#include "res/resource.h"

namespace {

constexpr char kNothingSelected[]
    = "Nista nije oznaceno.\nMora se nesto oznacit, jer neznam sata os obrisat.";

class CopyTest : public FileOpsTest {
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        music = Folder("music");
        copies = Folder("copies");
        other = Folder("other");
        a = AddTrack(music, "a.mp3");
        b = AddTrack(music, "b.mp3");
        AddTrack(music, "c.mp3");
        Select({"a.mp3", "b.mp3"});
    }
    void ExpectCopiedInto(const std::string& folder)
    {
        EXPECT_EQ(FilesIn(folder), (std::vector<std::string> {"a.mp3", "b.mp3"}));
        EXPECT_EQ(ReadFileBytes(JoinPath(folder, "a.mp3")), ReadFileBytes(a));
        EXPECT_EQ(ReadFileBytes(JoinPath(folder, "b.mp3")), ReadFileBytes(b));
    }
    static void Empty(const std::string& folder)
    {
        for (const std::string& name : FilesIn(folder))
            std::filesystem::remove(JoinPath(folder, name));
    }

    std::string music, copies, other, a, b;
};

} // namespace

TEST_F(CopyTest, FirstCopyAsksSecondCopiesAtOnceCtrlAsksAgain)
{
    StoreSetting(kValueCopyFolder, copies);
    m_ui.m_folderAnswers.push_back(other);
    OnCopy(m_session);
    // The first Copy of a run shows the picker pre-set to the stored folder, even though it
    // exists; the choice is stored and used.
    ASSERT_EQ(Pickers().size(), 1u);
    EXPECT_EQ(Pickers()[0].filter, "Select CopyFolder");
    EXPECT_EQ(Pickers()[0].text, copies);
    EXPECT_EQ(Pickers()[0].caption, "");
    EXPECT_EQ(Pickers()[0].style, 1u);
    EXPECT_EQ(StoredSetting(kValueCopyFolder), other);
    ExpectCopiedInto(other);
    EXPECT_TRUE(FilesIn(copies).empty());
    EXPECT_EQ(m_shell.m_titles, std::vector<std::string> {"Copy..."});
    EXPECT_TRUE(Boxes().empty());
    // The list is not touched.
    EXPECT_EQ(m_session.List().GetItemCount(), 3);
    EXPECT_EQ(Cell("a.mp3", TrackList::ColFolder), music);

    // Second Copy, Ctrl up, folder present: no picker.
    Empty(other);
    OnCopy(m_session);
    EXPECT_EQ(Pickers().size(), 1u);
    ExpectCopiedInto(other);

    // Ctrl held (Ctrl+F5): the picker again, pre-set to the stored folder; cancelling it ends
    // the command with nothing copied and the stored folder kept.
    Empty(other);
    m_ui.m_bControlKeyDown = true;
    OnCopy(m_session);
    ASSERT_EQ(Pickers().size(), 2u);
    EXPECT_EQ(Pickers()[1].text, other);
    EXPECT_TRUE(FilesIn(other).empty());
    EXPECT_EQ(StoredSetting(kValueCopyFolder), other);
    EXPECT_EQ(m_shell.m_titles.size(), 2u);

    // The stored folder vanished: the picker, Ctrl up.
    m_ui.m_bControlKeyDown = false;
    std::filesystem::remove(other);
    m_ui.m_folderAnswers.push_back(copies);
    OnCopy(m_session);
    EXPECT_EQ(Pickers().size(), 3u);
    ExpectCopiedInto(copies);
    EXPECT_EQ(StoredSetting(kValueCopyFolder), copies);
}

TEST_F(CopyTest, WithoutSettingsTheChoiceServesOnceAndNothingIsStored)
{
    m_ui.m_folderAnswers.push_back(copies);
    OnCopy(m_session);
    ExpectCopiedInto(copies);
    EXPECT_FALSE(PathExists(SettingsFilePath()));
    EXPECT_TRUE(FilesIn(m_home.Path()).empty());

    // Nothing remembered, so the next Copy asks again.
    Empty(copies);
    OnCopy(m_session);
    EXPECT_EQ(Pickers().size(), 2u);
    EXPECT_TRUE(FilesIn(copies).empty());
}

TEST_F(CopyTest, NothingSelectedAsksForTheFolderFirstThenSays)
{
    StoreSetting(kValueCopyFolder, copies);
    m_session.List().SelectAll();
    m_session.List().InvertSelection();
    m_ui.m_folderAnswers.push_back(other);
    OnCopy(m_session);
    ASSERT_EQ(m_ui.m_calls.size(), 3u);
    EXPECT_EQ(m_ui.m_calls[0].kind, "IsControlKeyDown");
    EXPECT_EQ(m_ui.m_calls[1].kind, "BrowseForFolder");
    EXPECT_EQ(m_ui.m_calls[2].kind, "MessageBox");
    EXPECT_EQ(m_ui.m_calls[2].text, kNothingSelected);
    EXPECT_EQ(m_ui.m_calls[2].caption, "Oznaci nesto");
    EXPECT_EQ(m_ui.m_calls[2].style, MB_ICONINFORMATION);
    EXPECT_EQ(StoredSetting(kValueCopyFolder), other);
    EXPECT_TRUE(FilesIn(other).empty());
    EXPECT_TRUE(m_shell.m_titles.empty());

    // The flag was cleared by that picker: the next Copy asks no more.
    OnCopy(m_session);
    EXPECT_EQ(Pickers().size(), 1u);
    EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(CopyTest, SameFolderIsACopyErrorAndNothingIsCopied)
{
    // A row from another folder comes first in the walk: it is not copied either.
    const std::string first = AddTrack(other, "0.mp3");
    Select({"0.mp3"});
    const std::string before = ReadFileBytes(a);
    for (const std::string& spelling : {music, music + "/.", m_files / "link"}) {
        if (spelling == m_files / "link")
            std::filesystem::create_directory_symlink(music, spelling);
        StoreSetting(kValueCopyFolder, spelling);
        g_bFirstCopy = false;
        const std::size_t boxes = Boxes().size();
        OnCopy(m_session);
        ASSERT_EQ(Boxes().size(), boxes + 1) << spelling;
        EXPECT_EQ(Boxes().back().text,
            "Source i Dest files are the same.\nChange CopyPath by holding down Ctrl and press "
            "Copy menu.");
        EXPECT_EQ(Boxes().back().caption, "Copy error");
        EXPECT_EQ(Boxes().back().style, MB_ICONINFORMATION);
        EXPECT_TRUE(m_shell.m_titles.empty());
        EXPECT_EQ(FilesIn(music), (std::vector<std::string> {"a.mp3", "b.mp3", "c.mp3"}));
        EXPECT_EQ(ReadFileBytes(a), before);
        EXPECT_EQ(FilesIn(other), std::vector<std::string> {"0.mp3"});
    }
    EXPECT_TRUE(Pickers().empty());
    EXPECT_TRUE(PathExists(first));
}

TEST_F(CopyTest, OneFileLandsUnderItsNameAndAnExistingCopyIsKeptUnlessConfirmed)
{
    m_session.List().SetSelected(RowOf("b.mp3"), false);
    StoreSetting(kValueCopyFolder, copies);
    g_bFirstCopy = false;
    OnCopy(m_session);
    EXPECT_EQ(FilesIn(copies), std::vector<std::string> {"a.mp3"});
    EXPECT_EQ(ReadFileBytes(copies + "/a.mp3"), ReadFileBytes(a));

    // A file of that name already there: the shell asks; No keeps it.
    WriteFileBytes(copies + "/a.mp3", "older copy");
    m_shell.m_replaceAnswers.push_back(ShellUi::Answer::No);
    OnCopy(m_session);
    EXPECT_EQ(m_shell.m_replaceAsked, std::vector<std::string> {copies + "/a.mp3"});
    EXPECT_EQ(ReadFileBytes(copies + "/a.mp3"), "older copy");
    m_shell.m_replaceAnswers.push_back(ShellUi::Answer::Yes);
    OnCopy(m_session);
    EXPECT_EQ(ReadFileBytes(copies + "/a.mp3"), ReadFileBytes(a));
    EXPECT_EQ(FilesIn(copies), std::vector<std::string> {"a.mp3"});
}

namespace {

class DeleteTest : public FileOpsTest {
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        music = Folder("music");
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
            AddTrack(music, name);
        // A tag batch over every row fills the journal.
        SelectAll();
        m_ui.AnswerInput("Someone");
        OnChangeTagField(m_session, ID_TAG_ARTIST);
        ASSERT_EQ(m_session.Journal().GetSize(), 4);
        ASSERT_TRUE(m_session.IsUndoEnabled());
        m_session.List().SetSelected(RowOf("d.mp3"), false);
    }
    std::string Trash(const std::string& sub) const { return m_home / ("data/Trash/" + sub); }

    std::string music;
};

} // namespace

TEST_F(DeleteTest, ConfirmedDeleteTrashesTheFilesDropsTheRowsAndEmptiesTheJournal)
{
    const std::string bytes = ReadFileBytes(music + "/b.mp3");
    OnDelete(m_session);
    ASSERT_EQ(m_shell.m_deleteAsked.size(), 1u);
    EXPECT_EQ(m_shell.m_deleteAsked[0].items,
        (std::vector<std::string> {music + "/a.mp3", music + "/b.mp3", music + "/c.mp3"}));
    EXPECT_FALSE(m_shell.m_deleteAsked[0].permanently);
    EXPECT_EQ(m_shell.m_titles, std::vector<std::string> {"Delete..."});

    EXPECT_EQ(FilesIn(music), std::vector<std::string> {"d.mp3"});
    EXPECT_EQ(FilesIn(Trash("files")), (std::vector<std::string> {"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(FilesIn(Trash("info")),
        (std::vector<std::string> {"a.mp3.trashinfo", "b.mp3.trashinfo", "c.mp3.trashinfo"}));
    EXPECT_EQ(ReadFileBytes(Trash("files/b.mp3")), bytes);
    ASSERT_EQ(m_session.List().GetItemCount(), 1);
    EXPECT_EQ(m_session.List().GetItemText(0, TrackList::ColFile), "d.mp3");
    EXPECT_EQ(m_session.Journal().GetSize(), 0);
    // The Undo item keeps its state until a command re-evaluates it.
    EXPECT_TRUE(m_session.IsUndoEnabled());
    EXPECT_TRUE(m_ui.m_calls.size() == 1 && m_ui.m_calls[0].kind == "InputDialog");
}

TEST_F(DeleteTest, RefusedDeleteKeepsRowsFilesAndJournal)
{
    m_shell.m_deleteAnswers.push_back(ShellUi::Answer::No);
    OnDelete(m_session);
    EXPECT_EQ(FilesIn(music), (std::vector<std::string> {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}));
    EXPECT_EQ(m_session.List().GetItemCount(), 4);
    EXPECT_EQ(m_session.List().GetSelectedCount(), 3);
    EXPECT_EQ(m_session.Journal().GetSize(), 4);
    EXPECT_TRUE(FilesIn(Trash("files")).empty());
}

TEST_F(DeleteTest, NothingSelected)
{
    m_session.List().SelectAll();
    m_session.List().InvertSelection();
    OnDelete(m_session);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, kNothingSelected);
    EXPECT_EQ(Boxes()[0].caption, "Oznaci nesto");
    EXPECT_TRUE(m_shell.m_deleteAsked.empty());
    EXPECT_EQ(m_session.List().GetItemCount(), 4);
}

TEST_F(DeleteTest, CancelMidwayDropsOnlyTheRowsOfTrashedFiles)
{
    for (int i = 0; i < 200; ++i)
        AddTrack(music, "t" + std::to_string(1000 + i) + ".mp3");
    SelectAll();
    const int journalBefore = m_session.Journal().GetSize();
    m_shell.m_nCancelAtItem = 120;
    OnDelete(m_session);

    const int trashed = static_cast<int>(FilesIn(Trash("files")).size());
    EXPECT_GT(trashed, 0);
    EXPECT_LT(trashed, 204);
    // Every row left names a file still in place, every trashed file lost its row.
    TrackList& list = m_session.List();
    EXPECT_EQ(list.GetItemCount(), 204 - trashed);
    EXPECT_EQ(static_cast<int>(FilesIn(music).size()), 204 - trashed);
    for (int row = 0; row < list.GetItemCount(); ++row) {
        EXPECT_TRUE(PathExists(JoinPath(list.GetItemText(row, TrackList::ColFolder),
            list.GetItemText(row, TrackList::ColFile))));
        EXPECT_TRUE(list.IsSelected(row));
    }
    for (const std::string& name : FilesIn(Trash("files")))
        EXPECT_EQ(RowOf(name), -1) << name;
    // Aborted: the journal keeps the entries of the rows that stayed.
    EXPECT_EQ(m_session.Journal().GetSize(), journalBefore - std::min(trashed, 4));
}
