#include <atomic>
#include <thread>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "load/gui/loadingdlg.h"
#include "res/resource.h"

TEST(LoadingDlg, TemplateTextsAndIdentifiers)
{
    CLoadingDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Loading..."));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(dialog.findChild<QLabel*>(QString::number(IDC_FOLDER_STATIC)), dialog.FolderStatic());
    EXPECT_EQ(dialog.findChild<QLabel*>(QString::number(IDC_FILE_STATIC)), dialog.FileStatic());
    EXPECT_EQ(dialog.findChild<QLabel*>(QString::number(IDC_LOADED_STATIC)), dialog.LoadedStatic());
    EXPECT_EQ(dialog.findChild<QPushButton*>(QString::number(IDOK))->text(), "Cancel");
    EXPECT_TRUE(dialog.FolderStatic()->text().isEmpty());
    EXPECT_TRUE(dialog.LoadedStatic()->text().isEmpty());
    QStringList captions;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        captions << label->text();
    EXPECT_TRUE(captions.contains("Folder:"));
    EXPECT_TRUE(captions.contains("File:"));
    EXPECT_TRUE(captions.contains("Loaded:"));

    dialog.ShowProgress({"/muzika/Rock", "pjesma š.mp3", 42});
    EXPECT_EQ(dialog.FolderStatic()->text(), QStringLiteral("/muzika/Rock"));
    EXPECT_EQ(dialog.FileStatic()->text(), QStringLiteral("pjesma š.mp3"));
    EXPECT_EQ(dialog.LoadedStatic()->text(), QStringLiteral("42"));
}

// Cancel, Escape and the window's close raise the flag and leave the loop running; only the
// scan's end closes it.
TEST(LoadingDlg, CancelEscapeAndCloseOnlyRaiseTheFlag)
{
    for (int way = 0; way < 3; ++way) {
        std::atomic<bool> cancel {false};
        CLoadingDlg dialog;
        dialog.SetCancelFlag(&cancel);
        dialog.show();
        bool stillOpen = false;
        QTimer::singleShot(0, &dialog, [&] {
            if (way == 0)
                QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
            else if (way == 1)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
            QTimer::singleShot(20, &dialog, [&] {
                stillOpen = dialog.isVisible();
                dialog.EndModalLoop(0);
            });
        });
        EXPECT_EQ(dialog.RunModalLoop(), 0);
        EXPECT_TRUE(stillOpen) << way;
        EXPECT_TRUE(cancel.load()) << way;
        EXPECT_TRUE(dialog.m_bCancelled) << way;
    }
}

TEST(LoadingDlg, AnEndBeforeTheLoopIsNotLost)
{
    CLoadingDlg dialog;
    dialog.show();
    dialog.EndModalLoop(0);
    // Without the remembered end this would wait forever; the test's timeout catches that.
    bool ranAway = false;
    QTimer::singleShot(2000, &dialog, [&] {
        ranAway = true;
        dialog.done(7);
    });
    EXPECT_EQ(dialog.RunModalLoop(), 0);
    EXPECT_FALSE(ranAway);
    EXPECT_TRUE(dialog.IsModalLoopEnded());
}

TEST(LoadingDlg, AnEndFromAnotherThreadClosesTheLoop)
{
    CLoadingDlg dialog;
    dialog.show();
    std::thread worker([&] {
        QMetaObject::invokeMethod(
            &dialog, [&] { dialog.EndModalLoop(0); }, Qt::QueuedConnection);
    });
    EXPECT_EQ(dialog.RunModalLoop(), 0);
    worker.join();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.m_bCancelled);
}

// While the loop runs the main window is disabled and its shortcuts do nothing, the dialog
// itself answers; afterwards the main window works again.
TEST(LoadingDlg, MainWindowIsDisabledForExactlyTheLoop)
{
    QWidget mainWindow;
    int fired = 0;
    auto* addFolder = new QAction(&mainWindow);
    addFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    mainWindow.addAction(addFolder);
    QObject::connect(addFolder, &QAction::triggered, [&] { ++fired; });
    mainWindow.show();
    QApplication::setActiveWindow(&mainWindow);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
    QTest::keyClick(&mainWindow, Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(fired, 1) << "the shortcut must work without the dialog";

    std::atomic<bool> cancel {false};
    CLoadingDlg dialog(&mainWindow);
    dialog.SetCancelFlag(&cancel);
    dialog.show();
    bool mainDisabled = false;
    bool dialogEnabled = false;
    QTimer::singleShot(0, &dialog, [&] {
        mainDisabled = !mainWindow.isEnabled();
        dialogEnabled = dialog.isEnabled() && dialog.CancelButton()->isEnabled();
        QTest::keyClick(&mainWindow, Qt::Key_D, Qt::ControlModifier);
        QTest::keyClick(&dialog, Qt::Key_D, Qt::ControlModifier);
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        dialog.EndModalLoop(0);
    });
    EXPECT_EQ(dialog.RunModalLoopOver(&mainWindow), 0);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(dialogEnabled);
    EXPECT_TRUE(cancel.load());
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(mainWindow.isEnabled());
    QTest::keyClick(&mainWindow, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(fired, 2);
}
