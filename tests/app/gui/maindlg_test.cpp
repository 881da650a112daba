#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include "app/gui/maindlg.h"
#include "app/gui/mainlayout.h"
#include "res/resource.h"

namespace {

// "text|shortcut" per item, "-" for a separator, ">Tag" for the sub-menu.
QStringList Describe(QMenu* menu)
{
    QStringList items;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            items << QStringLiteral("-");
        else if (action->menu())
            items << QStringLiteral(">") + action->text();
        else
            items << action->text() + QStringLiteral("|")
                    + action->shortcut().toString(QKeySequence::NativeText);
    }
    return items;
}

QMenu* TopMenu(CMainDlg& window, int index)
{
    return window.menuBar()->actions().at(index)->menu();
}

void ShowActive(CMainDlg& window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

} // namespace

TEST(MainDlg, MenusHaveTheExactItemsShortcutsAndSeparators)
{
    CMainDlg window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("MP3 Sonivar"));
    ASSERT_EQ(window.menuBar()->actions().size(), 3);
    EXPECT_EQ(window.menuBar()->actions()[0]->text(), QStringLiteral("File"));
    EXPECT_EQ(window.menuBar()->actions()[1]->text(), QStringLiteral("Change"));
    EXPECT_EQ(window.menuBar()->actions()[2]->text(), QStringLiteral("Misc"));

    EXPECT_EQ(Describe(TopMenu(window, 0)),
        QStringList({"Add folder|Ctrl+D", "Add files|Ctrl+F", "-", "Exit|Ctrl+E"}));
    EXPECT_EQ(Describe(TopMenu(window, 1)),
        QStringList({">Tag", "-", "File Name -> Artist|", "File Name -> Name|", "-",
            "Upper case words|", "Upper case first word|", "-", "File Name <- Artist - Name|",
            "File Name <- Name|", "-", "Delete|Ctrl+Del", "Copy|F5", "-", "Move to folder|F6",
            "Move to Root\\Artist|F7", "-", "Undo|"}));
    QMenu* tag = TopMenu(window, 1)->actions()[0]->menu();
    EXPECT_EQ(Describe(tag),
        QStringList({"Artist|Alt+A", "Name|Alt+N", "Album|Alt+B", "Year|Alt+Y", "Comment|Alt+C",
            "Genre|Alt+G"}));
    EXPECT_EQ(Describe(TopMenu(window, 2)),
        QStringList({"Select All|Ctrl+A", "Invert selection|Ctrl+I", "-", "Remove selected|Del",
            "-", "Remove ID3v2 tags|", "-", "Play|", "Stop|", "-", "Make play list|",
            "Export titles|", "-", "About ...|"}));

    // Copy answers to Ctrl+F5 as well; the context menu is the very "Change" menu.
    EXPECT_EQ(window.Action(ID_COPY)->shortcuts(),
        QList<QKeySequence>({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_F5)}));
    EXPECT_EQ(window.ChangeMenu(), TopMenu(window, 1));
    EXPECT_FALSE(window.Action(ID_UNDO)->isEnabled());
}

TEST(MainDlg, ToolbarHasNineButtonsInOrderWithSeparatorsAndTips)
{
    CMainDlg window;
    QStringList ids;
    QStringList tips;
    for (QAction* action : window.ToolBar()->actions()) {
        ids << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
        if (!action->isSeparator()) {
            tips << action->toolTip();
            EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
        }
    }
    EXPECT_EQ(ids,
        QStringList({"32771", "32805", "-", "32778", "32780", "32779", "32781", "32804", "-",
            "32802", "-", "32803"}));
    EXPECT_EQ(tips,
        QStringList({"Add files from folder", "Add fiiles", "Artist", "Name", "Album", "Year",
            "Genre", "Upper case first word", "Make play list"}));
    EXPECT_EQ(window.ToolBar()->iconSize(), QSize(32, 32));
}

TEST(MainDlg, LayoutFollowsTheClientAreaBelowTheMenuBarAtTwoSizes)
{
    CMainDlg window;
    window.show();
    for (QSize size : {QSize(640, 480), QSize(1100, 760)}) {
        window.resize(size);
        QApplication::processEvents();
        QWidget* client = window.ClientArea();
        EXPECT_EQ(client->geometry().top(), window.menuBar()->geometry().bottom() + 1);
        const MainLayout expected = ComputeMainLayout(client->size());
        EXPECT_EQ(window.TrackListView()->geometry(), expected.trackList);
        EXPECT_EQ(window.PlayButton()->geometry(), expected.playButton);
        EXPECT_EQ(window.StopButton()->geometry(), expected.stopButton);
        EXPECT_EQ(window.PositionSlider()->geometry(), expected.positionSlider);
        EXPECT_EQ(window.VolumeSlider()->geometry(), expected.volumeSlider);
        EXPECT_EQ(window.VolumeLabel()->geometry(), expected.volumeLabel);
        EXPECT_EQ(window.ToolBar()->geometry(), expected.toolbar);
        EXPECT_EQ(window.TrackListView()->width(), client->width() - 10);
    }
}

TEST(MainDlg, ColumnsShowInDisplayOrderWithInitialWidths)
{
    CMainDlg window;
    QHeaderView* header = window.TrackListView()->horizontalHeader();
    QStringList shown;
    for (int position = 0; position < header->count(); ++position)
        shown << window.GetSession()
                     .List()
                     .headerData(header->logicalIndex(position), Qt::Horizontal)
                     .toString();
    EXPECT_EQ(shown,
        QStringList({"File", "Artist", "Name", "Album", "Year", "Comment", "Genre", "Folder"}));
    const int widths[] = {200, 100, 100, 100, 30, 100, 100, 100};
    for (int column = 0; column < 8; ++column)
        EXPECT_EQ(header->sectionSize(column), widths[column]) << column;
    EXPECT_EQ(
        window.TrackListView()->selectionModel(), window.GetSession().List().SelectionModel());
    EXPECT_EQ(window.TrackListView()->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST(MainDlg, EnterDoesNothingEscapeAndCtrlECloseTheWindow)
{
    {
        CMainDlg window;
        ShowActive(window);
        QTest::keyClick(window.TrackListView(), Qt::Key_Return);
        QTest::keyClick(window.TrackListView(), Qt::Key_Enter);
        EXPECT_TRUE(window.isVisible());
        QTest::keyClick(window.TrackListView(), Qt::Key_Escape);
        EXPECT_FALSE(window.isVisible());
    }
    {
        CMainDlg window;
        ShowActive(window);
        QTest::keyClick(window.TrackListView(), Qt::Key_E, Qt::ControlModifier);
        EXPECT_FALSE(window.isVisible());
    }
}

TEST(MainDlg, ShortcutsDoNotFireWhileAMessageBoxIsUp)
{
    CMainDlg window;
    ShowActive(window);
    bool stillVisible = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_E, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_D, Qt::ControlModifier);
        QApplication::processEvents();
        stillVisible = window.isVisible();
        QTest::keyClick(box, Qt::Key_Return);
    });
    window.Ui().MessageBox("Nista nije oznaceno.", "Oznaci nesto", MB_OK | MB_ICONINFORMATION);
    EXPECT_TRUE(stillVisible);
    EXPECT_TRUE(window.isVisible());
}

TEST(MainDlg, AboutOpensFromTheMiscMenu)
{
    CMainDlg window;
    ShowActive(window);
    QString caption;
    QTimer::singleShot(0, [&] {
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        caption = about->windowTitle();
        about->findChild<QPushButton*>(QString::number(IDOK))->click();
    });
    window.Action(ID_ABOUT)->trigger();
    EXPECT_EQ(caption, QStringLiteral("About mp3 Sonivar"));
}

TEST(MainDlg, MessageBoxOfTheSeamShowsTextCaptionAndInformationIcon)
{
    CMainDlg window;
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        buttons = box->buttons().size();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(window.Ui().MessageBox("Nista nije oznaceno. Samo tako mozda i proradi.",
                  "Oznaci nesto", MB_OK | MB_ICONINFORMATION),
        IDOK);
    EXPECT_EQ(text, QStringLiteral("Nista nije oznaceno. Samo tako mozda i proradi."));
    EXPECT_EQ(caption, QStringLiteral("Oznaci nesto"));
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(buttons, 1);

    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(window.Ui().MessageBox("Sigurno?", "Pitanje", MB_YESNO | MB_ICONQUESTION), IDNO);
}

TEST(MainDlg, RightClickAnywhereOpensTheChangeMenuAtTheCursor)
{
    CMainDlg window;
    ShowActive(window);
    for (QWidget* target : {static_cast<QWidget*>(window.TrackListView()->viewport()),
             static_cast<QWidget*>(window.PlayButton()), window.ClientArea()}) {
        QCursor::setPos(window.mapToGlobal(QPoint(100, 120)));
        QWidget* popup = nullptr;
        QPoint shownAt;
        QTimer::singleShot(0, [&] {
            popup = QApplication::activePopupWidget();
            if (popup) {
                shownAt = popup->pos();
                popup->close();
            }
        });
        QContextMenuEvent event(
            QContextMenuEvent::Mouse, QPoint(3, 3), target->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(target, &event);
        EXPECT_EQ(popup, window.ChangeMenu()) << target->metaObject()->className();
        EXPECT_EQ(shownAt, QCursor::pos());
    }
}

TEST(MainDlg, EveryShortcutReachesItsCommandFromTheListButNotFromADialog)
{
    CMainDlg window;
    ShowActive(window);
    window.TrackListView()->setFocus();
    struct Key {
        int id;
        QKeySequence key;
    };
    const std::vector<Key> keys = {{ID_ADD_FOLDER, QKeySequence(Qt::CTRL | Qt::Key_D)},
        {ID_ADD_FILES, QKeySequence(Qt::CTRL | Qt::Key_F)},
        {ID_TAG_ARTIST, QKeySequence(Qt::ALT | Qt::Key_A)},
        {ID_TAG_NAME, QKeySequence(Qt::ALT | Qt::Key_N)},
        {ID_TAG_ALBUM, QKeySequence(Qt::ALT | Qt::Key_B)},
        {ID_TAG_YEAR, QKeySequence(Qt::ALT | Qt::Key_Y)},
        {ID_TAG_COMMENT, QKeySequence(Qt::ALT | Qt::Key_C)},
        {ID_TAG_GENRE, QKeySequence(Qt::ALT | Qt::Key_G)},
        {ID_DELETE, QKeySequence(Qt::CTRL | Qt::Key_Delete)}, {ID_COPY, QKeySequence(Qt::Key_F5)},
        {ID_COPY, QKeySequence(Qt::CTRL | Qt::Key_F5)},
        {ID_MOVE_TO_FOLDER, QKeySequence(Qt::Key_F6)},
        {ID_MOVE_TO_ROOT_ARTIST, QKeySequence(Qt::Key_F7)},
        {ID_SELECT_ALL, QKeySequence(Qt::CTRL | Qt::Key_A)},
        {ID_INVERT_SELECTION, QKeySequence(Qt::CTRL | Qt::Key_I)},
        {ID_REMOVE_SELECTED, QKeySequence(Qt::Key_Delete)}};
    for (const Key& key : keys) {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QAction* action = window.Action(key.id);
        ASSERT_NE(action, nullptr);
        // Only the routing of the key is under test here, whatever the command's state.
        const bool wasEnabled = action->isEnabled();
        action->setEnabled(true);
        QSignalSpy fired(action, &QAction::triggered);
        const QKeyCombination combination = key.key[0];
        QTest::keyClick(window.TrackListView(), combination.key(), combination.keyboardModifiers());
        EXPECT_EQ(fired.count(), 1) << key.key.toString().toStdString();

        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QTest::keyClick(box, combination.key(), combination.keyboardModifiers());
            box->close();
        });
        window.Ui().MessageBox("text", "caption", MB_OK);
        EXPECT_EQ(fired.count(), 1) << "inside a message box: " << key.key.toString().toStdString();
        action->setEnabled(wasEnabled);
    }
}
