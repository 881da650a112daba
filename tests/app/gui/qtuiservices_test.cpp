#include <functional>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/gui/qtuiservices.h"
#include "load/gui/browsefolderdlg.h"
#include "support/fixtures.h"

namespace {

void WhenFileDialogShown(std::function<void(QFileDialog*)> step)
{
    QTimer::singleShot(0, [step] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        step(dialog);
    });
}

// Types a name into the dialog's file name field and presses Enter, as a user would.
void TypeNameAndEnter(QFileDialog* dialog, const QString& name)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

TEST(QtUiServices, NameFiltersFromTheBarSeparatedForm)
{
    EXPECT_EQ(
        QtNameFilters("M3U play list (*.m3u)|*.m3u||"), QStringLiteral("M3U play list (*.m3u)"));
    EXPECT_EQ(QtNameFilters("MP3 files (*.mp3)|*.mp3|All files (*.*)|*.*||"),
        QStringLiteral("MP3 files (*.mp3);;All files (*.*)"));
    EXPECT_EQ(QtNameFilters("Text|*.txt;*.log||"), QStringLiteral("Text (*.txt *.log)"));
    EXPECT_EQ(QtNameFilters(""), QString());
}

TEST(QtUiServices, SaveDialogAddsTheDefaultExtensionAndCancelGivesNothing)
{
    TempDir dir;
    QtUiServices ui;
    WhenFileDialogShown([&](QFileDialog* dialog) {
        dialog->setDirectory(QString::fromStdString(dir.Path()));
        TypeNameAndEnter(dialog, QStringLiteral("lista"));
    });
    auto chosen = ui.SaveFileDialog(".m3u", "", "M3U play list (*.m3u)|*.m3u||");
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, dir / "lista.m3u");

    WhenFileDialogShown([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_FALSE(ui.SaveFileDialog(".txt", "titles.txt", "Text (*.txt)|*.txt||").has_value());

    // A folder before the name: the dialog opens there, offering the name.
    MakeFolder(dir / "Rock");
    QString shownIn, offered;
    WhenFileDialogShown([&](QFileDialog* dialog) {
        shownIn = dialog->directory().absolutePath();
        offered = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        QTest::keyClick(
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")), Qt::Key_Return);
    });
    chosen = ui.SaveFileDialog(".m3u", dir / "Rock/Night Owls", "M3U (*.m3u)|*.m3u||");
    EXPECT_EQ(shownIn.toStdString(), dir / "Rock");
    EXPECT_EQ(offered, QStringLiteral("Night Owls"));
    EXPECT_EQ(chosen, dir / "Rock/Night Owls.m3u");
}

TEST(QtUiServices, OpenDialogReturnsEveryChosenFile)
{
    TempDir dir;
    WriteFileBytes(dir / "a.mp3", "x");
    WriteFileBytes(dir / "b c.mp3", "y");
    QtUiServices ui;
    WhenFileDialogShown([&](QFileDialog* dialog) {
        dialog->setDirectory(QString::fromStdString(dir.Path()));
        TypeNameAndEnter(dialog, QStringLiteral("\"a.mp3\" \"b c.mp3\""));
    });
    auto chosen = ui.OpenFilesDialog(".mp3", "MP3 files (*.mp3)|*.mp3||");
    ASSERT_TRUE(chosen.has_value());
    ASSERT_EQ(chosen->size(), 2u);
    EXPECT_EQ((*chosen)[0], dir / "a.mp3");
    EXPECT_EQ((*chosen)[1], dir / "b c.mp3");
}

TEST(QtUiServices, FolderPickerIsTheProgramsOwnStartsAtTheInitialFolderAndEmptiesOnCancel)
{
    TempDir dir;
    MakeFolder(dir / "Rock");
    MakeFolder(dir / "Rock/Live");
    QtUiServices ui;
    std::string startedAt;
    bool createNewShown = false;
    QTimer::singleShot(0, [&] {
        auto* picker = qobject_cast<CBrowseFolderDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        startedAt = picker->ChosenFolder();
        createNewShown = picker->CreateNewButton()->isVisible();
        ASSERT_TRUE(picker->SelectFolder(dir / "Rock/Live"));
        picker->OkButton()->click();
    });
    std::string result = "old";
    EXPECT_EQ(ui.BrowseForFolder(result, "Select folder", "", dir / "Rock", true), 1);
    EXPECT_EQ(startedAt, dir / "Rock");
    EXPECT_TRUE(createNewShown);
    EXPECT_EQ(result, dir / "Rock/Live");

    QTimer::singleShot(0, [] {
        auto* picker = qobject_cast<CBrowseFolderDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        picker->reject();
    });
    EXPECT_EQ(ui.BrowseForFolder(result, "Select folder", "", dir.Path(), false), 0);
    EXPECT_EQ(result, "");
}
