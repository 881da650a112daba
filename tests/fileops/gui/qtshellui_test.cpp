#include <functional>
#include <string>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "fileops/gui/qtshellui.h"

namespace {

using Answer = ShellUi::Answer;

// Once a message box is up and modal, records its caption and text and hands it to act.
struct BoxSeen {
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

void WhenBoxShown(BoxSeen& seen, std::function<void(QMessageBox*)> act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &seen, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.buttons = box->standardButtons();
        seen.defaultButton = box->standardButton(box->defaultButton());
        act(box);
    });
    poll->start(0);
}

void Click(QMessageBox* box, QMessageBox::StandardButton which)
{
    box->button(which)->click();
}

QPushButton* CancelButton(QDialog* progress)
{
    for (QPushButton* button : progress->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Cancel")
            || button->text() == QStringLiteral("Cancelling..."))
            return button;
    }
    return nullptr;
}

} // namespace

TEST(QtShellUi, ProgressWindowFollowsTheItemsAndCancelStopsMidway)
{
    QWidget owner;
    owner.show();
    QtShellUi ui(&owner);
    ui.BeginProgress("Copy...");
    QDialog* progress = ui.ProgressWindow();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("Copy..."));
    EXPECT_EQ(progress->windowModality(), Qt::ApplicationModal);
    auto* bar = progress->findChild<QProgressBar*>();
    auto* file = progress->findChild<QLabel*>(QStringLiteral("currentFile"));
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(file, nullptr);
    ASSERT_NE(CancelButton(progress), nullptr);

    // The user presses Cancel once the bar has reached item 50 of 200.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (bar->value() * 200 >= 50 * bar->maximum() && CancelButton(progress)->isEnabled())
            QTest::mouseClick(CancelButton(progress), Qt::LeftButton);
    });
    watcher.start(0);

    int done = 0;
    for (int i = 0; i < 200; ++i) {
        if (ui.IsCancelRequested())
            break;
        ui.StepProgress("/music/track " + std::to_string(i) + ".mp3", i, 200);
        ++done;
    }
    watcher.stop();
    EXPECT_GE(done, 51);
    EXPECT_LT(done, 200);
    EXPECT_TRUE(ui.IsCancelRequested());
    EXPECT_EQ(bar->value() * 200, (done - 1) * bar->maximum());
    EXPECT_EQ(bar->text(), QStringLiteral("%1 of 200").arg(done - 1));
    EXPECT_EQ(file->toolTip(),
        QString::fromStdString("/music/track " + std::to_string(done - 1) + ".mp3"));
    EXPECT_FALSE(CancelButton(progress)->isEnabled());

    ui.EndProgress();
    EXPECT_EQ(ui.ProgressWindow(), nullptr);

    // One long file moves the bar by its bytes: half of the second of two items is three
    // quarters of the bar.
    ui.BeginProgress("Copy...");
    bar = ui.ProgressWindow()->findChild<QProgressBar*>();
    ui.StepProgress("/music/long.mp3", 1, 2);
    ui.StepBytes(170'000'000, 340'000'000);
    EXPECT_EQ(bar->value() * 4, bar->maximum() * 3);
    EXPECT_EQ(bar->text(),
        QStringLiteral("1 of 2 (%1 of %2)")
            .arg(QLocale().formattedDataSize(170'000'000),
                QLocale().formattedDataSize(340'000'000)));
    ui.EndProgress();

    // A new batch starts uncancelled.
    ui.BeginProgress("Delete...");
    EXPECT_FALSE(ui.IsCancelRequested());
    ui.EndProgress();
}

TEST(QtShellUi, EscapeAsksToCancelAndTheWindowStaysUp)
{
    QtShellUi ui;
    ui.BeginProgress("Mijenjam putanje...");
    QDialog* progress = ui.ProgressWindow();
    ui.StepProgress("/music/a.mp3", 0, 2);
    QTest::keyClick(progress, Qt::Key_Escape);
    EXPECT_TRUE(ui.IsCancelRequested());
    EXPECT_TRUE(progress->isVisible());
    progress->close();
    EXPECT_TRUE(ui.IsCancelRequested());
    ui.EndProgress();
}

TEST(QtShellUi, ReplaceAndCreateFolderConfirmations)
{
    QtShellUi ui;
    BoxSeen seen;
    WhenBoxShown(seen, [](QMessageBox* box) { Click(box, QMessageBox::YesToAll); });
    EXPECT_EQ(ui.ConfirmReplace("/copies/Song One.mp3", "/music/Song One.mp3"), Answer::YesToAll);
    EXPECT_EQ(seen.caption, QStringLiteral("Confirm File Replace"));
    EXPECT_TRUE(seen.text.contains(QStringLiteral("'Song One.mp3'")));
    EXPECT_TRUE(seen.text.contains(QStringLiteral("/copies/Song One.mp3")));
    EXPECT_TRUE(seen.text.contains(QStringLiteral("/music/Song One.mp3")));
    EXPECT_EQ(seen.buttons,
        QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel);
    // Enter keeps the existing file.
    EXPECT_EQ(seen.defaultButton, QMessageBox::No);

    WhenBoxShown(seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(ui.ConfirmReplace("/a", "/b"), Answer::Cancel);
    WhenBoxShown(seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(ui.ConfirmReplace("/a", "/b"), Answer::No);

    WhenBoxShown(seen, [](QMessageBox* box) { Click(box, QMessageBox::Yes); });
    EXPECT_EQ(ui.ConfirmCreateFolder("/root/Night Owls"), Answer::Yes);
    EXPECT_EQ(seen.caption, QStringLiteral("Confirm Create Folder"));
    EXPECT_TRUE(seen.text.contains(QStringLiteral("/root/Night Owls")));
    WhenBoxShown(seen, [](QMessageBox* box) { Click(box, QMessageBox::No); });
    EXPECT_EQ(ui.ConfirmCreateFolder("/root/X"), Answer::No);
}

TEST(QtShellUi, DeleteConfirmationsAndErrorBoxes)
{
    QtShellUi ui;
    BoxSeen seen;
    WhenBoxShown(seen, [](QMessageBox* box) { Click(box, QMessageBox::Yes); });
    EXPECT_EQ(ui.ConfirmDelete({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, false, ""), Answer::Yes);
    EXPECT_EQ(
        seen.text, QStringLiteral("Are you sure you want to move these 3 items to the Trash?"));
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    WhenBoxShown(seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(ui.ConfirmDelete({"/m/a.mp3"}, false, ""), Answer::No);
    EXPECT_EQ(seen.text, QStringLiteral("Are you sure you want to move 'a.mp3' to the Trash?"));

    // One item that cannot go to the trash: the four answers.
    WhenBoxShown(seen, [](QMessageBox* box) { Click(box, QMessageBox::No); });
    EXPECT_EQ(ui.ConfirmDelete({"/mnt/a.mp3"}, true, "the drive has no trash"), Answer::No);
    EXPECT_TRUE(seen.text.contains(QStringLiteral("the drive has no trash")));
    EXPECT_TRUE(seen.text.contains(QStringLiteral("permanently")));
    EXPECT_TRUE(seen.buttons.testFlag(QMessageBox::YesToAll));

    WhenBoxShown(seen, [](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == QStringLiteral("Skip"))
                button->click();
        }
    });
    EXPECT_TRUE(ui.ShowError(
        "Error Copying File or Folder", "Cannot copy 'a.mp3': No space left on device.", true));
    EXPECT_EQ(seen.caption, QStringLiteral("Error Copying File or Folder"));
    EXPECT_EQ(seen.text, QStringLiteral("Cannot copy 'a.mp3': No space left on device."));
    WhenBoxShown(seen, [](QMessageBox* box) { Click(box, QMessageBox::Cancel); });
    EXPECT_FALSE(ui.ShowError("Error Copying File or Folder", "x", true));
    WhenBoxShown(seen, [](QMessageBox* box) { Click(box, QMessageBox::Ok); });
    EXPECT_FALSE(ui.ShowError("Error Moving File", "y", false));
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
}
