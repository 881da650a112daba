#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "edit/tagcommands.h"
#include "fileops/copydelete.h"
#include "fileops/gui/qtshellui.h"
#include "fileops/movecommands.h"
#include "platform/path.h"
#include "res/resource.h"
#include "session/batch.h"
#include "session/session.h"
#include "support/fixtures.h"
#include "support/scriptedui.h"

namespace {

// Clicks the button with that text in the next message box that comes up; records its text.
void AnswerNextBox(const QString& button, QString* text = nullptr)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, button, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        if (text)
            *text = box->text();
        for (QAbstractButton* candidate : box->buttons()) {
            if (candidate->text().remove(QLatin1Char('&')) == button) {
                candidate->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << button.toStdString();
        box->reject();
    });
    poll->start(0);
}

// A session whose shell speaks through the real Qt windows, in a fresh home.
class FileCommandsGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseFreshHome(m_home);
        SetBatchPause(false);
        m_window.show();
        m_session.SetShell(&m_shell);
        m_music = m_files / "music";
        MakeFolder(m_music);
    }
    void AddTracks(int count, std::size_t bytes)
    {
        for (int i = 0; i < count; ++i) {
            const std::string name = "t" + std::to_string(100 + i) + ".mp3";
            WriteFileBytes(
                JoinPath(m_music, name), FakeAudio(bytes) + Id3v1Bytes("", "", "", "", "", 255));
            m_session.List().AddRow({name, "", "", "", "", "", m_music, " "});
        }
    }

    TempDir m_home;
    TempDir m_files;
    QWidget m_window;
    ScriptedUi m_ui;
    QtShellUi m_shell {&m_window};
    Session m_session {m_ui};
    std::string m_music;
};

} // namespace

TEST_F(FileCommandsGui, DeleteConfirmedInTheBoxRemovesRowsAndEmptiesTheJournal)
{
    AddTracks(4, 1000);
    m_session.List().SelectAll();
    m_ui.AnswerInput("Someone");
    OnChangeTagField(m_session, ID_TAG_ARTIST);
    ASSERT_EQ(m_session.Journal().GetSize(), 4);
    m_session.List().SetSelected(3, false);

    // Refused: everything stays.
    QString question;
    AnswerNextBox(QStringLiteral("No"), &question);
    OnDelete(m_session);
    EXPECT_EQ(
        question, QStringLiteral("Are you sure you want to move these 3 items to the Trash?"));
    EXPECT_EQ(m_session.List().GetItemCount(), 4);
    EXPECT_EQ(m_session.Journal().GetSize(), 4);
    EXPECT_EQ(FilesIn(m_music).size(), 4u);

    AnswerNextBox(QStringLiteral("Yes"));
    OnDelete(m_session);
    ASSERT_EQ(m_session.List().GetItemCount(), 1);
    EXPECT_EQ(m_session.List().GetItemText(0, TrackList::ColFile), "t103.mp3");
    EXPECT_EQ(m_session.Journal().GetSize(), 0);
    EXPECT_EQ(FilesIn(m_music), std::vector<std::string> {"t103.mp3"});
    EXPECT_EQ(FilesIn(m_home / "data/Trash/files"),
        (std::vector<std::string> {"t100.mp3", "t101.mp3", "t102.mp3"}));
    EXPECT_EQ(m_shell.ProgressWindow(), nullptr);
}

TEST_F(FileCommandsGui, CancelInTheProgressWindowStopsAMoveMidway)
{
    AddTracks(60, 64 * 1024);
    m_session.List().SelectAll();
    const std::string target = m_files / "target";
    MakeFolder(target);
    m_ui.m_folderAnswers.push_back(target);

    // The user presses Cancel once the bar has reached item 20 of 60.
    QTimer watcher;
    std::string shownTitle;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        QDialog* progress = m_shell.ProgressWindow();
        if (!progress)
            return;
        shownTitle = progress->windowTitle().toStdString();
        auto* bar = progress->findChild<QProgressBar*>();
        for (QPushButton* button : progress->findChildren<QPushButton*>()) {
            if (bar && bar->value() * 60 >= 20 * bar->maximum() && button->isEnabled())
                QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    watcher.start(0);
    OnMoveToFolder(m_session);
    watcher.stop();

    EXPECT_EQ(shownTitle, "Mijenjam putanje...");
    const std::size_t moved = FilesIn(target).size();
    EXPECT_GE(moved, 20u);
    EXPECT_LT(moved, 60u);
    EXPECT_EQ(moved + FilesIn(m_music).size(), 60u);
    TrackList& list = m_session.List();
    for (int row = 0; row < list.GetItemCount(); ++row) {
        EXPECT_TRUE(
            std::filesystem::is_regular_file(JoinPath(list.GetItemText(row, TrackList::ColFolder),
                list.GetItemText(row, TrackList::ColFile))))
            << row;
    }
}

TEST_F(FileCommandsGui, YesToAllReplacesEveryEarlierCopy)
{
    AddTracks(3, 2000);
    m_session.List().SelectAll();
    const std::string copies = m_files / "copies";
    MakeFolder(copies);
    for (const char* name : {"t100.mp3", "t101.mp3", "t102.mp3"})
        WriteFileBytes(JoinPath(copies, name), "old copy");
    g_bFirstCopy = true;
    m_ui.m_folderAnswers.push_back(copies);
    AnswerNextBox(QStringLiteral("Yes to All"));
    OnCopy(m_session);
    for (const char* name : {"t100.mp3", "t101.mp3", "t102.mp3"})
        EXPECT_EQ(ReadFileBytes(JoinPath(copies, name)), ReadFileBytes(JoinPath(m_music, name)));
    EXPECT_EQ(FilesIn(copies).size(), 3u);
}
