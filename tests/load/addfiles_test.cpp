#include <gtest/gtest.h>

#include "session/session.h"
#include "load/addfiles.h"
#include "model/mp3file.h"
#include "support/fixtures.h"
#include "support/scriptedui.h"

namespace {

std::string Tagged(const std::string& title, std::uint8_t genre)
{
    return FakeAudio(4000) + Id3v1Bytes(title, "Artist", "Album", "2001", "", genre);
}

} // namespace

TEST(AddFiles, ReplacesTheListWithTheChosenFilesAndShowsTheLoadingTitle)
{
    TempDir dir;
    WriteFileBytes(dir / "b.mp3", Tagged("Bee", 2));
    WriteFileBytes(dir / "a.mp3", Tagged("Ay", 255));
    // No extension test: a chosen name with another extension still gets a row.
    WriteFileBytes(dir / "c.wav", Tagged("Sea", 0));
    ScriptedUi ui;
    Session session(ui);
    session.List().AddRow({"old.mp3"});
    CMp3File journaled;
    session.Journal().Add(journaled, 0);
    std::vector<std::string> titles;
    std::vector<int> rowsAtTitle;
    session.m_onTitleChanged = [&](const std::string& title) {
        titles.push_back(title);
        rowsAtTitle.push_back(session.List().GetItemCount());
    };
    bool undoState = true;
    session.m_onUndoMenuChanged = [&](bool on) { undoState = on; };

    ui.m_openAnswers.push_back(
        std::vector<std::string> {dir / "b.mp3", dir / "a.mp3", dir / "c.wav"});
    OnAddFiles(session);

    ASSERT_EQ(ui.CallsOf("OpenFilesDialog").size(), 1u);
    EXPECT_EQ(ui.CallsOf("OpenFilesDialog")[0].filter, "MP3 Fajlovi(*.mp3)|*.mp3||");
    TrackList& list = session.List();
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemText(0, TrackList::ColFile), "a.mp3");
    EXPECT_EQ(list.GetItemText(0, TrackList::ColGenre), " ");
    EXPECT_EQ(list.GetItemText(1, TrackList::ColName), "Bee");
    EXPECT_EQ(list.GetItemText(1, TrackList::ColGenre), "Country");
    EXPECT_EQ(list.GetItemText(1, TrackList::ColFolder), dir.Path());
    // The .wav record is not valid for the tag layer: a row with empty texts.
    EXPECT_EQ(list.GetItemText(2, TrackList::ColFile), "c.wav");
    EXPECT_EQ(list.GetItemText(2, TrackList::ColName), "");
    EXPECT_TRUE(list.IsRedrawOn());
    EXPECT_EQ(titles, (std::vector<std::string> {"Loading....", "MP3 Sonivar"}));
    EXPECT_EQ(rowsAtTitle, (std::vector<int> {0, 3}));
    EXPECT_TRUE(session.Journal().GetSize() == 0);
    EXPECT_FALSE(undoState);
}

TEST(AddFiles, CancelKeepsListJournalAndUndoItem)
{
    ScriptedUi ui;
    Session session(ui);
    session.List().AddRow({"keep.mp3"});
    CMp3File journaled;
    session.Journal().Add(journaled, 0);
    int undoCalls = 0;
    session.m_onUndoMenuChanged = [&](bool) { ++undoCalls; };
    ui.m_openAnswers.push_back(std::nullopt);
    OnAddFiles(session);
    EXPECT_EQ(session.List().GetItemCount(), 1);
    EXPECT_FALSE(session.Journal().GetSize() == 0);
    EXPECT_EQ(undoCalls, 0);
}

TEST(AddFiles, MissingFileStillGetsARowWithEmptyTexts)
{
    TempDir dir;
    ScriptedUi ui;
    Session session(ui);
    AddFilesToList(session, {dir / "gone.mp3", "/nofolder.mp3"});
    ASSERT_EQ(session.List().GetItemCount(), 2);
    EXPECT_EQ(session.List().GetItemText(0, TrackList::ColFile), "gone.mp3");
    EXPECT_EQ(session.List().GetItemText(0, TrackList::ColFolder), dir.Path());
    EXPECT_EQ(session.List().GetItemText(1, TrackList::ColFolder), "");
}
