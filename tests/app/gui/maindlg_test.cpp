#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
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
#include <QToolButton>

#include <gtest/gtest.h>

#include "app/gui/maindlg.h"
#include "app/gui/mainlayout.h"
#include "app/gui/rowcountlabel.h"
#include "edit/gui/genredlg.h"
#include "model/genres.h"
#include "model/mp3file.h"
#include "platform/codepage.h"
#include "platform/path.h"
#include "play/gui/playerbar.h"
#include "play/playcontroller.h"
#include "res/resource.h"
#include "res/stringtable.h"
#include "session/batch.h"
#include "support/fixtures.h"
#include "support/scriptedui.h"
#include "widgets/inputdlg.h"

namespace {

// The windows of these tests read and save settings: keep them away from the user's own.
class PrivateConfigHome final : public ::testing::Environment {
public:
    void SetUp() override { setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1); }

private:
    TempDir m_dir;
};
const auto* const g_configHome = ::testing::AddGlobalTestEnvironment(new PrivateConfigHome);

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

// Closes a dialog, message box or menu that is still up long after a test step should have
// answered it, and counts it: a test that forgets one fails instead of hanging.
class ModalWatchdog {
public:
    ModalWatchdog()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popup->close();
                ++m_nClosed;
            }
            if (QWidget* modal = QApplication::activeModalWidget()) {
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
                else
                    modal->close();
                ++m_nClosed;
            }
        });
        m_timer.start(3000);
    }
    int Closed() const { return m_nClosed; }

private:
    QTimer m_timer;
    int m_nClosed = 0;
};

// Runs step on the next modal dialog of type T once its loop runs (a dialog already handled
// by an earlier step is passed over); fails when none comes up within two seconds.
template <typename T> void WhenShown(std::function<void(T*)> step)
{
    auto* poll = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, waited, step] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible() && !dialog->property("handled").toBool()) {
            poll->stop();
            poll->deleteLater();
            dialog->setProperty("handled", true);
            step(dialog);
        } else if (++*waited > 200) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "no " << T::staticMetaObject.className() << " came up";
        }
    });
    poll->start(10);
}

struct Tag {
    std::string title, artist, album, year, comment;
    int genre = kNoGenre;
};

// Real MP3 files (a lame-made tone with an ID3v1 trailer) in a temporary folder, loaded into
// a window's list as the folder scan would load them.
class Library {
public:
    // Writes the file and returns its path; the trailer's fields are raw windows-1250 bytes.
    std::string Add(const std::string& name, const Tag& tag)
    {
        const std::string path = m_dir / name;
        WriteFileBytes(path, Audio() + Trailer(tag));
        return path;
    }
    static std::string Trailer(const Tag& tag)
    {
        return Id3v1Bytes(tag.title, tag.artist, tag.album, tag.year, tag.comment,
            static_cast<std::uint8_t>(tag.genre));
    }
    static std::string Audio()
    {
        static const std::string audio = ToneMp3Bytes(1.0);
        return audio.empty() ? FakeAudio(4000) : audio;
    }
    // The rows of every file added, read back through the tag reader.
    void LoadInto(CMainDlg& window) const
    {
        std::vector<TrackList::Cells> rows;
        for (const std::string& name : Names()) {
            CMp3File file;
            file.Load(m_dir / name);
            rows.push_back({name, file.m_strArtist, file.m_strAlbum, file.m_strTitle,
                file.m_strYear, file.m_strComment, m_dir.Path(),
                GenreName(static_cast<signed char>(file.m_byGenre))});
        }
        window.GetSession().List().AddRows(std::move(rows));
        window.GetSession().List().FlushSelection();
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const QString& name :
            QDir(QString::fromStdString(m_dir.Path()))
                .entryList({QStringLiteral("*.mp3")}, QDir::Files, QDir::Name))
            names.push_back(name.toStdString());
        return names;
    }
    std::string TrailerOnDisk(const std::string& name) const
    {
        const std::string bytes = ReadFileBytes(m_dir / name);
        return bytes.size() < 128 ? bytes : bytes.substr(bytes.size() - 128);
    }
    std::string Path(const std::string& name) const { return m_dir / name; }

    TempDir m_dir;
};

int RowOf(CMainDlg& window, const std::string& file)
{
    TrackList& list = window.GetSession().List();
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, TrackList::ColFile) == file)
            return row;
    return -1;
}

std::vector<int> SelectedRows(CMainDlg& window)
{
    std::vector<int> rows;
    const TrackList& list = window.GetSession().List();
    for (int row = list.GetNextSelected(-1); row >= 0; row = list.GetNextSelected(row))
        rows.push_back(row);
    return rows;
}

void PressOnList(CMainDlg& window, QKeyCombination key)
{
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.TrackListView()->setFocus();
    QTest::keyClick(window.TrackListView(), key.key(), key.keyboardModifiers());
}

QToolButton* ToolButtonOf(CMainDlg& window, int id)
{
    return qobject_cast<QToolButton*>(window.ToolBar()->widgetForAction(window.Action(id)));
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
            "Move to Root\\Artist|F7", "-", "Undo|Ctrl+Z"}));
    QMenu* tag = TopMenu(window, 1)->actions()[0]->menu();
    EXPECT_EQ(Describe(tag),
        QStringList({"Artist|Alt+A", "Name|Alt+N", "Album|Alt+B", "Year|Alt+Y", "Comment|Alt+C",
            "Genre|Alt+G"}));
    EXPECT_EQ(Describe(TopMenu(window, 2)),
        QStringList({"Select All|Ctrl+A", "Invert selection|Ctrl+I", "-", "Remove selected|Del",
            "-", "Remove ID3v2 tags|", "-", "Play|", "Stop|", "-", "Make play list|",
            "Export titles|", "-", ">Code page", "-", "About ...|"}));

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
        EXPECT_EQ(window.RowCounts()->geometry(), expected.rowCounts);
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
    // The commands ask through scripted answers, so a bound handler never blocks the test;
    // the message box that must swallow the keys is a real one of the window.
    ScriptedUi ui;
    CMainDlg window(ui);
    ModalWatchdog watchdog;
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
        {ID_REMOVE_SELECTED, QKeySequence(Qt::Key_Delete)},
        {ID_UNDO, QKeySequence(Qt::CTRL | Qt::Key_Z)}};
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
    EXPECT_EQ(watchdog.Closed(), 0) << "a command left a window of its own open";
}

TEST(MainDlg, ShortcutsAndToolbarButtonsRunTheirCommandsOnRealRows)
{
    SetBatchPause(false);
    Library library;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
        library.Add(name, {"Title", "Old", "Album", "1999", "", 17});
    ScriptedUi ui;
    CMainDlg window(ui);
    ModalWatchdog watchdog;
    library.LoadInto(window);
    ShowActive(window);
    TrackList& list = window.GetSession().List();
    ASSERT_EQ(list.GetItemCount(), 4);

    PressOnList(window, Qt::CTRL | Qt::Key_A);
    EXPECT_EQ(SelectedRows(window), std::vector<int>({0, 1, 2, 3}));
    PressOnList(window, Qt::CTRL | Qt::Key_I);
    EXPECT_TRUE(SelectedRows(window).empty());

    // Alt+A with nothing selected: the field edit's own message, nothing asked.
    PressOnList(window, Qt::ALT | Qt::Key_A);
    ASSERT_EQ(ui.CallsOf("MessageBox").size(), 1u);
    EXPECT_EQ(ui.CallsOf("MessageBox")[0].caption, "Info");
    EXPECT_TRUE(ui.CallsOf("InputDialog").empty());

    list.SetSelected(RowOf(window, "a.mp3"), true);
    list.SetSelected(RowOf(window, "c.mp3"), true);
    ui.AnswerInput("Novi");
    PressOnList(window, Qt::ALT | Qt::Key_A);
    ASSERT_EQ(ui.CallsOf("InputDialog").size(), 1u);
    EXPECT_EQ(ui.CallsOf("InputDialog")[0].text, LoadString(ID_TAG_ARTIST));
    EXPECT_EQ(library.TrailerOnDisk("a.mp3"),
        Library::Trailer({"Title", "Novi", "Album", "1999", "", 17}));
    EXPECT_EQ(library.TrailerOnDisk("b.mp3"),
        Library::Trailer({"Title", "Old", "Album", "1999", "", 17}));
    EXPECT_EQ(library.TrailerOnDisk("c.mp3"),
        Library::Trailer({"Title", "Novi", "Album", "1999", "", 17}));
    EXPECT_EQ(list.GetItemText(RowOf(window, "c.mp3"), TrackList::ColArtist), "Novi");
    EXPECT_TRUE(window.Action(ID_UNDO)->isEnabled());

    // The toolbar's Year button runs the Year command on the same selection.
    ui.AnswerInput("2024");
    ToolButtonOf(window, ID_TAG_YEAR)->click();
    EXPECT_EQ(ui.CallsOf("InputDialog").back().text, LoadString(ID_TAG_YEAR));
    EXPECT_EQ(library.TrailerOnDisk("a.mp3"),
        Library::Trailer({"Title", "Novi", "Album", "2024", "", 17}));

    // Delete takes the rows out of the list; the files stay.
    PressOnList(window, Qt::Key_Delete);
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(RowOf(window, "a.mp3"), -1);
    EXPECT_EQ(RowOf(window, "b.mp3"), 0);
    EXPECT_TRUE(FileExists(library.Path("a.mp3")));
    EXPECT_EQ(watchdog.Closed(), 0);
}

TEST(MainDlg, ChangeAndMiscItemsReachTheirCommands)
{
    SetBatchPause(false);
    Library library;
    library.Add("zdravko colic - pjevam danju.mp3", {"", "", "", "", "", kNoGenre});
    const std::string id3v2 = library.Path("with id3v2.mp3");
    ScriptedUi ui;
    CMainDlg window(ui);
    ModalWatchdog watchdog;
    library.LoadInto(window);
    TrackList& list = window.GetSession().List();
    list.SetSelected(0, true);

    window.Action(ID_FILENAME_TO_NAME)->trigger();
    EXPECT_EQ(list.GetItemText(0, TrackList::ColName), "Pjevam danju");
    window.Action(ID_FILENAME_TO_ARTIST)->trigger();
    EXPECT_EQ(list.GetItemText(0, TrackList::ColArtist), "Zdravko Colic");
    window.Action(ID_UPPER_CASE_WORDS)->trigger();
    EXPECT_EQ(list.GetItemText(0, TrackList::ColName), "Pjevam Danju");
    ToolButtonOf(window, ID_UPPER_CASE_FIRST_WORD)->click();
    EXPECT_EQ(list.GetItemText(0, TrackList::ColName), "Pjevam danju");
    EXPECT_EQ(library.TrailerOnDisk("zdravko colic - pjevam danju.mp3"),
        Library::Trailer({"Pjevam danju", "Zdravko Colic", "", "", "", kNoGenre}));

    window.Action(ID_ARTIST_NAME_TO_FILENAME)->trigger();
    EXPECT_EQ(list.GetItemText(0, TrackList::ColFile), "Zdravko Colic - Pjevam danju.mp3");
    EXPECT_TRUE(FileExists(library.Path("Zdravko Colic - Pjevam danju.mp3")));
    window.Action(ID_UNDO)->trigger();
    EXPECT_EQ(list.GetItemText(0, TrackList::ColFile), "zdravko colic - pjevam danju.mp3");
    EXPECT_TRUE(FileExists(library.Path("zdravko colic - pjevam danju.mp3")));
    window.Action(ID_NAME_TO_FILENAME)->trigger();
    EXPECT_EQ(list.GetItemText(0, TrackList::ColFile), "Pjevam danju.mp3");

    const std::string playlist = library.m_dir / "lista.m3u";
    ui.AnswerSave(playlist);
    ToolButtonOf(window, ID_MAKE_PLAYLIST)->click();
    EXPECT_NE(ReadFileBytes(playlist).find("#EXTM3U"), std::string::npos);
    EXPECT_NE(ReadFileBytes(playlist).find("Pjevam danju.mp3"), std::string::npos);
    const std::string titles = library.m_dir / "titles.txt";
    ui.AnswerSave(titles);
    window.Action(ID_EXPORT_TITLES)->trigger();
    EXPECT_NE(ReadFileBytes(titles).find("Zdravko Colic - Pjevam danju"), std::string::npos);

    // An ID3v2 header of ten bytes plus a small frame is cut off; the rest stays byte for byte.
    const std::string body = Library::Audio() + Library::Trailer({"T", "A", "", "", "", 0});
    std::string header("ID3\x03\x00\x00\x00\x00\x00\x14", 10);
    header += std::string(20, '\0');
    WriteFileBytes(id3v2, header + body);
    list.SetSelected(0, false);
    list.AddRow({"with id3v2.mp3", "A", "", "T", "", "", library.m_dir.Path(), "Blues"});
    list.SetSelected(RowOf(window, "with id3v2.mp3"), true);
    window.Action(ID_REMOVE_ID3V2)->trigger();
    EXPECT_EQ(ReadFileBytes(id3v2), body);
    EXPECT_EQ(watchdog.Closed(), 0);
}

TEST(MainDlg, UndoItemFollowsTheJournalInTheMenuBarAndTheContextMenu)
{
    SetBatchPause(false);
    Library library;
    library.Add("a.mp3", {"Title", "Artist", "", "", "", 0});
    ScriptedUi ui;
    CMainDlg window(ui);
    library.LoadInto(window);
    QAction* undo = window.Action(ID_UNDO);
    EXPECT_TRUE(window.ChangeMenu()->actions().contains(undo));
    EXPECT_FALSE(undo->isEnabled());

    window.GetSession().List().SetSelected(0, true);
    ui.AnswerGenre(80, "Folk");
    window.Action(ID_TAG_GENRE)->trigger();
    EXPECT_TRUE(undo->isEnabled());
    // A cancelled genre keeps the batch that can be undone.
    window.Action(ID_TAG_GENRE)->trigger();
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(
        library.TrailerOnDisk("a.mp3"), Library::Trailer({"Title", "Artist", "", "", "", 80}));

    // The context menu shows the very action, enabled.
    bool enabledInPopup = false;
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (popup) {
            enabledInPopup = popup->actions().contains(undo) && undo->isEnabled();
            popup->close();
        }
    });
    QContextMenuEvent event(
        QContextMenuEvent::Mouse, QPoint(3, 3), window.mapToGlobal(QPoint(3, 3)));
    window.show();
    QApplication::sendEvent(window.ClientArea(), &event);
    EXPECT_TRUE(enabledInPopup);

    undo->trigger();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(library.TrailerOnDisk("a.mp3"), Library::Trailer({"Title", "Artist", "", "", "", 0}));
    EXPECT_EQ(window.GetSession().List().GetItemText(0, TrackList::ColGenre), "Blues");
}

TEST(MainDlg, FieldEditThroughTheRealInputDialogWritesTrailersAndCells)
{
    SetBatchPause(false);
    Library library;
    library.Add("a.mp3", {"Old title", "Artist", "Album", "2001", "keep", 13});
    library.Add("b.mp3", {"Other", "Someone", "", "", "", kNoGenre});
    library.Add("c.mp3", {"Third", "Third's", "", "", "", 0});
    CMainDlg window;
    ModalWatchdog watchdog;
    library.LoadInto(window);
    ShowActive(window);
    TrackList& list = window.GetSession().List();
    list.SetSelected(RowOf(window, "a.mp3"), true);
    list.SetSelected(RowOf(window, "b.mp3"), true);
    const std::size_t audioSize = Library::Audio().size();
    const std::string audioA = ReadFileBytes(library.Path("a.mp3")).substr(0, audioSize);

    // Artist: one prompt for the whole selection, the text typed and confirmed with Enter.
    QString prompt;
    bool editFocused = false;
    WhenShown<CInputDlg>([&](CInputDlg* dialog) {
        prompt = dialog->findChild<QLabel*>(QString::number(IDC_PROMPT))->text();
        editFocused = dialog->focusWidget() == dialog->Edit();
        QTest::keyClicks(dialog->Edit(), QStringLiteral("Zdravko "));
        // A letter the keyboard layout delivers as text only (no Latin-1 key code).
        QTest::sendKeyEvent(QTest::Click, dialog->Edit(), Qt::Key_unknown, QStringLiteral("\u010C"),
            Qt::NoModifier);
        QTest::keyClicks(dialog->Edit(), QStringLiteral("oli"));
        QTest::sendKeyEvent(QTest::Click, dialog->Edit(), Qt::Key_unknown, QStringLiteral("\u0107"),
            Qt::NoModifier);
        QTest::keyClick(dialog->Edit(), Qt::Key_Return);
    });
    PressOnList(window, Qt::ALT | Qt::Key_A);
    EXPECT_EQ(prompt.toStdString(), "Artist name:");
    EXPECT_TRUE(editFocused);

    // "Č" and "ć" are bytes 0xC8 and 0xE6 in windows-1250; the rest of each file is unchanged.
    const std::string artist = "Zdravko \xC8oli\xE6";
    EXPECT_EQ(library.TrailerOnDisk("a.mp3"),
        Library::Trailer({"Old title", artist, "Album", "2001", "keep", 13}));
    EXPECT_EQ(
        library.TrailerOnDisk("b.mp3"), Library::Trailer({"Other", artist, "", "", "", kNoGenre}));
    EXPECT_EQ(
        library.TrailerOnDisk("c.mp3"), Library::Trailer({"Third", "Third's", "", "", "", 0}));
    EXPECT_EQ(ReadFileBytes(library.Path("a.mp3")).substr(0, audioSize), audioA);
    EXPECT_EQ(ReadFileBytes(library.Path("a.mp3")).size(), audioSize + 128);
    EXPECT_EQ(
        list.GetItemText(RowOf(window, "a.mp3"), TrackList::ColArtist), "Zdravko \u010Coli\u0107");
    EXPECT_EQ(
        list.GetItemText(RowOf(window, "b.mp3"), TrackList::ColArtist), "Zdravko \u010Coli\u0107");
    EXPECT_EQ(list.GetItemText(RowOf(window, "c.mp3"), TrackList::ColArtist), "Third's");
    EXPECT_TRUE(window.Action(ID_UNDO)->isEnabled());

    // Name: one prompt per row with its title; the small "Ok" confirms the first, Escape in the
    // second ends the batch there.
    QString firstPrompt, firstText;
    WhenShown<CInputDlg>([&](CInputDlg* dialog) {
        firstPrompt = dialog->findChild<QLabel*>(QString::number(IDC_PROMPT))->text();
        firstText = dialog->Edit()->text();
        dialog->Edit()->clear();
        QTest::keyClicks(dialog->Edit(), QStringLiteral("New title"));
        dialog->findChild<QPushButton*>(QString::number(IDC_SMALL_OK_BUTTON))->click();
        WhenShown<CInputDlg>([](CInputDlg* second) {
            QTest::keyClicks(second->Edit(), QStringLiteral(" ignored"));
            QTest::keyClick(second->Edit(), Qt::Key_Escape);
        });
    });
    PressOnList(window, Qt::ALT | Qt::Key_N);
    EXPECT_EQ(firstPrompt, QStringLiteral("Promijeni Old title u:"));
    EXPECT_EQ(firstText, QStringLiteral("Old title"));
    EXPECT_EQ(library.TrailerOnDisk("a.mp3"),
        Library::Trailer({"New title", artist, "Album", "2001", "keep", 13}));
    EXPECT_EQ(
        library.TrailerOnDisk("b.mp3"), Library::Trailer({"Other", artist, "", "", "", kNoGenre}));
    EXPECT_EQ(list.GetItemText(RowOf(window, "a.mp3"), TrackList::ColName), "New title");
    EXPECT_EQ(list.GetItemText(RowOf(window, "b.mp3"), TrackList::ColName), "Other");
    EXPECT_EQ(watchdog.Closed(), 0);
}

TEST(MainDlg, RowsShowWhatTheFilesHoldAndABatchWithFailuresEndsInOneMessage)
{
    SetBatchPause(false);
    Library library;
    library.Add("a.mp3", {"Song", "Old artist", "", "", "", 13});
    library.Add("b.mp3", {"Gone", "Old b", "", "", "", 13});
    library.Add("c.mp3", {"Folder", "Old c", "", "", "", 13});
    CMainDlg window;
    ModalWatchdog watchdog;
    library.LoadInto(window);
    ShowActive(window);
    // After loading, b's file is deleted and c's replaced by a folder of the same name.
    ASSERT_TRUE(QFile::remove(QString::fromStdString(library.Path("b.mp3"))));
    ASSERT_TRUE(QFile::remove(QString::fromStdString(library.Path("c.mp3"))));
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(library.Path("c.mp3"))));
    window.RunCommand(ID_SELECT_ALL);

    // A text longer than the field: the file holds its first 30 bytes, and so does the cell.
    const std::string longArtist = "An artist name far too long for its field";
    WhenShown<CInputDlg>([&](CInputDlg* dialog) {
        dialog->Edit()->setText(QString::fromStdString(longArtist));
        QTest::keyClick(dialog->Edit(), Qt::Key_Return);
    });
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int boxes = 0;
    auto answerBox = [&](QMessageBox* box) {
        ++boxes;
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    };
    WhenShown<QMessageBox>(answerBox);
    PressOnList(window, Qt::ALT | Qt::Key_A);

    TrackList& list = window.GetSession().List();
    EXPECT_EQ(library.TrailerOnDisk("a.mp3"),
        Library::Trailer({"Song", longArtist.substr(0, 30), "", "", "", 13}));
    EXPECT_EQ(
        list.GetItemText(RowOf(window, "a.mp3"), TrackList::ColArtist), longArtist.substr(0, 30));
    // The rows whose files took nothing keep what they showed.
    EXPECT_EQ(list.GetItemText(RowOf(window, "b.mp3"), TrackList::ColArtist), "Old b");
    EXPECT_EQ(list.GetItemText(RowOf(window, "c.mp3"), TrackList::ColArtist), "Old c");
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(text.toStdString(),
        "Nisam mogao promijenit 2 fajla:\n" + library.Path("b.mp3")
            + ": No such file or directory\n" + library.Path("c.mp3") + ": not a regular file");
    EXPECT_EQ(caption, QStringLiteral("Greska"));
    EXPECT_EQ(icon, QMessageBox::Warning);

    // Undo gives back only what was written: a's old artist; nothing is made at b's place.
    ASSERT_EQ(window.GetSession().Journal().GetSize(), 1);
    window.RunCommand(ID_UNDO);
    EXPECT_EQ(
        library.TrailerOnDisk("a.mp3"), Library::Trailer({"Song", "Old artist", "", "", "", 13}));
    EXPECT_EQ(list.GetItemText(RowOf(window, "a.mp3"), TrackList::ColArtist), "Old artist");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(library.Path("b.mp3"))));
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(watchdog.Closed(), 0);
}

TEST(MainDlg, CodePageComesFromTheSettingAndTheMiscMenuRereadsTheRows)
{
    const std::string settings = std::string(std::getenv("XDG_CONFIG_HOME")) + "/Sonivar";
    QDir().mkpath(QString::fromStdString(settings));
    WriteFileBytes(settings + "/Sonivar.reg",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Sonivar]\n"
        "\"CodePage\"=\"windows-1251\"\n");
    // The default code page again, and no setting, for the other tests of this process, also
    // when this one stops early.
    struct Restore {
        std::string file;
        ~Restore()
        {
            QFile::remove(QString::fromStdString(file));
            TagCodePage::Set("windows-1250");
        }
    } restore {settings + "/Sonivar.reg"};
    Library library;
    // Three bytes that read as different letters in each code page.
    library.Add("a.mp3", {"", "\xC0\xE1\xE2", "", "", "", 13});
    const std::string trailer = library.TrailerOnDisk("a.mp3");
    CMainDlg window;
    ModalWatchdog watchdog;
    library.LoadInto(window);
    ShowActive(window);
    TrackList& list = window.GetSession().List();
    auto artist = [&] { return list.GetItemText(0, TrackList::ColArtist); };
    EXPECT_EQ(artist(), "\u0410\u0431\u0432");

    QMenu* misc = TopMenu(window, 2);
    QMenu* menu = nullptr;
    for (QAction* action : misc->actions())
        if (action->menu() && action->text() == QStringLiteral("Code page"))
            menu = action->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Describe(menu),
        QStringList({"windows-1250|", "windows-1251|", "windows-1252|", "ISO-8859-1|",
            "ISO-8859-2|", "UTF-8|", "-", "Other...|"}));
    auto checked = [&] {
        QStringList names;
        for (QAction* action : menu->actions())
            if (action->isChecked())
                names << action->text();
        return names;
    };
    EXPECT_EQ(checked(), QStringList {"windows-1251"});

    // Choosing another re-reads the row, writes no file and keeps the choice in the settings.
    menu->actions()[0]->trigger();
    EXPECT_EQ(artist(), "\u0154\u00E1\u00E2");
    EXPECT_EQ(checked(), QStringList {"windows-1250"});
    EXPECT_EQ(library.TrailerOnDisk("a.mp3"), trailer);
    EXPECT_NE(ReadFileBytes(settings + "/Sonivar.reg").find("\"CodePage\"=\"windows-1250\""),
        std::string::npos);

    // "Other...": a name the program refuses changes nothing and says so; one it takes works
    // as the listed ones do.
    QString refusal;
    WhenShown<CInputDlg>([&](CInputDlg* dialog) {
        EXPECT_EQ(dialog->Edit()->text(), QStringLiteral("windows-1250"));
        dialog->Edit()->setText(QStringLiteral("UTF-16"));
        QTest::keyClick(dialog->Edit(), Qt::Key_Return);
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            refusal = box->text();
            box->button(QMessageBox::Ok)->click();
        });
    });
    menu->actions().last()->trigger();
    EXPECT_TRUE(refusal.startsWith(QStringLiteral("Ne znam taj code page:\n")))
        << refusal.toStdString();
    EXPECT_EQ(artist(), "\u0154\u00E1\u00E2");
    EXPECT_EQ(checked(), QStringList {"windows-1250"});

    WhenShown<CInputDlg>([&](CInputDlg* dialog) {
        dialog->Edit()->setText(QStringLiteral("KOI8-R"));
        QTest::keyClick(dialog->Edit(), Qt::Key_Return);
    });
    menu->actions().last()->trigger();
    EXPECT_EQ(artist(), "\u044E\u0410\u0411");
    EXPECT_EQ(checked(), QStringList {"Other..."});
    EXPECT_EQ(library.TrailerOnDisk("a.mp3"), trailer);
    EXPECT_EQ(watchdog.Closed(), 0);
}

TEST(MainDlg, GenreThroughTheRealGenreDialogWritesTheChosenCode)
{
    SetBatchPause(false);
    Library library;
    library.Add("a.mp3", {"Title", "Artist", "Album", "1988", "c", 80});
    library.Add("b.mp3", {"Second", "", "", "", "", 80});
    CMainDlg window;
    ModalWatchdog watchdog;
    library.LoadInto(window);
    ShowActive(window);
    window.GetSession().List().SetSelected(0, true);
    window.GetSession().List().SetSelected(1, true);

    bool okBeforeChoice = true;
    WhenShown<CGenreDlg>([&](CGenreDlg* dialog) {
        okBeforeChoice = dialog->OkButton()->isEnabled();
        QComboBox* combo = dialog->Combo();
        combo->setFocus();
        // Typing a name's first letters moves the list to it, as in the system's combo box.
        QTest::keyClicks(combo, QStringLiteral("Blues"));
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    PressOnList(window, Qt::ALT | Qt::Key_G);
    EXPECT_FALSE(okBeforeChoice);
    EXPECT_EQ(library.TrailerOnDisk("a.mp3"),
        Library::Trailer({"Title", "Artist", "Album", "1988", "c", 0}));
    EXPECT_EQ(library.TrailerOnDisk("b.mp3"), Library::Trailer({"Second", "", "", "", "", 0}));
    EXPECT_EQ(window.GetSession().List().GetItemText(0, TrackList::ColGenre), "Blues");
    EXPECT_EQ(window.GetSession().List().GetItemText(1, TrackList::ColGenre), "Blues");

    // The blank entry writes 255 and shows one space; the toolbar button opens the same dialog.
    WhenShown<CGenreDlg>([](CGenreDlg* dialog) {
        dialog->Combo()->setCurrentIndex(0);
        dialog->OkButton()->click();
    });
    ToolButtonOf(window, ID_TAG_GENRE)->click();
    EXPECT_EQ(
        library.TrailerOnDisk("b.mp3"), Library::Trailer({"Second", "", "", "", "", kNoGenre}));
    EXPECT_EQ(window.GetSession().List().GetItemText(1, TrackList::ColGenre), " ");
    EXPECT_EQ(watchdog.Closed(), 0);
}

TEST(MainDlg, HeaderClicksSortByTheClickedColumnRightClicksDoNot)
{
    Library library;
    library.Add("a.mp3", {"", "", "", "2003", "", 0});
    library.Add("b.mp3", {"", "", "", "1999", "", 0});
    library.Add("c.mp3", {"", "", "", "", "", 0});
    ScriptedUi ui;
    CMainDlg window(ui);
    library.LoadInto(window);
    ShowActive(window);
    QHeaderView* header = window.TrackListView()->horizontalHeader();
    auto clickYear = [&](Qt::MouseButton button) {
        const int x = header->sectionViewportPosition(TrackList::ColYear) + 10;
        QTest::mouseClick(header->viewport(), button, {}, QPoint(x, header->height() / 2));
    };
    auto years = [&] {
        std::vector<std::string> out;
        for (int row = 0; row < 3; ++row)
            out.push_back(window.GetSession().List().GetItemText(row, TrackList::ColYear));
        return out;
    };
    clickYear(Qt::LeftButton);
    EXPECT_EQ(years(), std::vector<std::string>({"", "1999", "2003"}));
    EXPECT_EQ(header->sortIndicatorSection(), TrackList::ColYear);
    clickYear(Qt::LeftButton);
    EXPECT_EQ(years(), std::vector<std::string>({"2003", "1999", ""}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    // The right button opens the "Change" menu over the header and sorts nothing.
    QTimer::singleShot(0, [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });
    clickYear(Qt::RightButton);
    EXPECT_EQ(years(), std::vector<std::string>({"2003", "1999", ""}));
    EXPECT_TRUE(window.GetSession().List().SortAscending() == false);
}

// A click on the Artist header sorts with the loading order's collation: letters with marks
// beside their base letters, not after Z. The C locale makes the test independent of the
// machine's language (its stand-in collation gives the same order as Bosnian for these words).
TEST(MainDlg, HeaderClickSortsLettersWithMarksBesideTheirBaseLetters)
{
    const QLocale before;
    QLocale::setDefault(QLocale::c());
    ScriptedUi ui;
    CMainDlg window(ui);
    QLocale::setDefault(before);
    const std::vector<std::string> artists
        = {"Željko", "zana", "Šukrija", "Sabina", "Đorđe", "Dado", "Ćupić", "Čolić", "Cane"};
    std::vector<TrackList::Cells> rows;
    for (std::size_t i = 0; i < artists.size(); ++i)
        rows.push_back({std::to_string(i) + ".mp3", artists[i], "", "", "", "", "/music", " "});
    TrackList& list = window.GetSession().List();
    list.AddRows(std::move(rows));
    ShowActive(window);
    QHeaderView* header = window.TrackListView()->horizontalHeader();
    const int x = header->sectionViewportPosition(TrackList::ColArtist) + 10;
    auto column = [&list] {
        std::vector<std::string> texts;
        for (int row = 0; row < list.GetItemCount(); ++row)
            texts.push_back(list.GetItemText(row, TrackList::ColArtist));
        return texts;
    };
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    EXPECT_EQ(column(), std::vector<std::string>(artists.rbegin(), artists.rend()));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    EXPECT_EQ(column(), artists);
}

// The counts at the right end of the player bar follow loads, clicks, Select All, Invert
// selection and Remove selected; a narrow window shows the short form.
TEST(MainDlg, RowCountsFollowLoadsSelectionsAndRemovals)
{
    ScriptedUi ui;
    CMainDlg window(ui);
    window.resize(900, 500);
    ShowActive(window);
    auto counts = [&window] {
        // A selection made by the walk reaches the view one turn of the loop later, the label
        // the turn after.
        for (int turn = 0; turn < 2; ++turn)
            QApplication::processEvents();
        return window.RowCounts()->text().toStdString();
    };
    EXPECT_EQ(counts(), "0 files, 0 selected");
    TrackList& list = window.GetSession().List();
    list.AddRows({{"a.mp3", "", "", "", "", "", "/m", " "},
        {"b.mp3", "", "", "", "", "", "/m", " "}, {"c.mp3", "", "", "", "", "", "/m", " "}});
    EXPECT_EQ(counts(), "3 files, 0 selected");
    QTableView* view = window.TrackListView();
    QTest::mouseClick(
        view->viewport(), Qt::LeftButton, {}, view->visualRect(list.index(1, 0)).center());
    EXPECT_EQ(counts(), "3 files, 1 selected");
    PressOnList(window, Qt::CTRL | Qt::Key_A);
    EXPECT_EQ(counts(), "3 files, 3 selected");
    PressOnList(window, Qt::CTRL | Qt::Key_I);
    EXPECT_EQ(counts(), "3 files, 0 selected");
    list.SetSelected(0, true);
    list.SetSelected(2, true);
    EXPECT_EQ(counts(), "3 files, 2 selected");
    PressOnList(window, QKeyCombination(Qt::Key_Delete));
    EXPECT_EQ(counts(), "1 file, 0 selected");
    window.resize(window.minimumSize());
    EXPECT_EQ(counts(), "0 / 1");
    EXPECT_EQ(window.RowCounts()->toolTip().toStdString(), "1 file, 0 selected");
}

TEST(MainDlg, PlayNeedsASelectionAndADoubleClickPlaysTheClickedRow)
{
    if (ToneMp3Bytes(1.0).empty())
        GTEST_SKIP() << "lame and sox are needed for a real MP3 file";
    g_nLastPlayPos = 0;
    Library library;
    library.Add("tone.mp3", {"Tone", "", "", "", "", 0});
    library.Add("zz.mp3", {"Other", "", "", "", "", 0});
    ScriptedUi ui;
    CMainDlg window(ui);
    library.LoadInto(window);
    ShowActive(window);
    const QTimer& timer = window.PlayerBar().Timer();

    const int rangeBefore = window.PositionSlider()->maximum();
    window.Action(ID_PLAY)->trigger();
    window.PlayButton()->click();
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(window.PositionSlider()->maximum(), rangeBefore);
    EXPECT_TRUE(ui.m_calls.empty()) << "Play without a selection shows nothing";

    QTableView* view = window.TrackListView();
    const QRect cell
        = view->visualRect(window.GetSession().List().index(RowOf(window, "tone.mp3"), 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 1000);
    // The slider's range is the file's length in milliseconds: a one-second tone.
    EXPECT_NEAR(window.PositionSlider()->maximum(), 1000, 60);

    window.StopButton()->click();
    EXPECT_FALSE(timer.isActive());
    window.Action(ID_PLAY)->trigger();
    EXPECT_TRUE(timer.isActive());
    window.Action(ID_STOP)->trigger();
    EXPECT_FALSE(timer.isActive());
}
