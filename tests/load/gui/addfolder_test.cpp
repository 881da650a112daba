#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

#include "app/gui/maindlg.h"
#include "load/gui/browsefolderdlg.h"
#include "load/gui/loadingdlg.h"
#include "load/scanfolder.h"
#include "platform/path.h"
#include "platform/settingskey.h"
#include "res/resource.h"
#include "support/fixtures.h"
#include "support/scriptedui.h"

namespace {

// Points the settings store at a fresh folder for the life of the object.
class SettingsHome {
public:
    SettingsHome()
    {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_bHadOld = old != nullptr;
        if (old)
            m_strOld = old;
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
    }
    ~SettingsHome()
    {
        if (m_bHadOld)
            setenv("XDG_CONFIG_HOME", m_strOld.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    std::string RegFile() const { return m_dir / "Sonivar/Sonivar.reg"; }

private:
    TempDir m_dir;
    std::string m_strOld;
    bool m_bHadOld = false;
};

void ShowActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

std::vector<std::string> Column(TrackList& list, int column)
{
    std::vector<std::string> cells;
    for (int row = 0; row < list.GetItemCount(); ++row)
        cells.push_back(list.GetItemText(row, column));
    return cells;
}

// The folder of the row whose File cell is name; empty when there is none.
std::string FolderOfRow(TrackList& list, const std::string& name)
{
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, TrackList::ColFile) == name)
            return list.GetItemText(row, TrackList::ColFolder);
    return {};
}

// A small tree: two songs at the top and below, one not a song, a folder named like a song.
void MakeSmallTree(const TempDir& dir)
{
    WriteFileBytes(
        dir / "a.mp3", FakeAudio(300) + Id3v1Bytes("Pjesma", "Izvodjac", "", "", "", 17));
    MakeFolder(dir / "Sub");
    WriteFileBytes(dir / "Sub/b.MP3", FakeAudio(200));
    WriteFileBytes(dir / "Sub/c.mp3.bak", FakeAudio(200));
    MakeFolder(dir / "x.mp3");
    WriteFileBytes(dir / "x.mp3/d.mp3", FakeAudio(200));
}

// folders x perFolder empty songs, enough that a scan is still running when it is cancelled.
int MakeLargeTree(const TempDir& dir, int folders, int perFolder)
{
    for (int f = 0; f < folders; ++f) {
        const std::string folder = dir / ("f" + std::to_string(f));
        MakeFolder(folder);
        for (int i = 0; i < perFolder; ++i)
            WriteFileBytes(folder + "/s" + std::to_string(i) + ".mp3", "");
    }
    return folders * perFolder;
}

// The Loading dialog of a running scan: a modeless child of the main window.
CLoadingDlg* LoadingDialogOf(QWidget& window)
{
    CLoadingDlg* dialog = window.findChild<CLoadingDlg*>();
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

// Notes the window's title at every paint of the window.
class PaintTitles final : public QObject {
public:
    explicit PaintTitles(QWidget& window) : m_window(window) { window.installEventFilter(this); }
    QStringList m_titles;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_window && event->type() == QEvent::Paint)
            m_titles << m_window.windowTitle();
        return false;
    }

private:
    QWidget& m_window;
};

void AddOneRow(Session& session, const std::string& name)
{
    TrackList::Cells cells;
    cells[TrackList::ColFile] = name;
    cells[TrackList::ColFolder] = "/old";
    const int row = session.List().AddRow(cells);
    session.Journal().Add(CMp3File(), session.List().IdOfRow(row));
    session.UpdateUndoMenu();
}

} // namespace

// The window's Add folder through the real picker: the list is replaced by the tree's songs,
// "LastOpen" is written to the settings file, the journal is emptied and Undo grayed; the next
// Add folder starts the picker at that folder.
TEST(AddFolder, ThroughThePickerReplacesTheListAndStoresLastOpen)
{
    SettingsHome home;
    TempDir dir;
    MakeSmallTree(dir);
    CMainDlg window;
    ShowActive(window);
    Session& session = window.GetSession();
    AddOneRow(session, "old.mp3");
    ASSERT_TRUE(window.Action(ID_UNDO)->isEnabled());

    bool pickerSeen = false;
    QTimer::singleShot(0, [&] {
        auto* picker = qobject_cast<CBrowseFolderDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        pickerSeen = true;
        EXPECT_FALSE(picker->CreateNewButton()->isVisible());
        EXPECT_TRUE(picker->SelectFolder(dir.Path()));
        QTest::keyClick(picker->Tree(), Qt::Key_Return);
    });
    window.Action(ID_ADD_FOLDER)->trigger();
    ASSERT_TRUE(pickerSeen);

    TrackList& list = session.List();
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(FolderOfRow(list, "a.mp3"), dir.Path());
    EXPECT_EQ(FolderOfRow(list, "b.MP3"), dir / "Sub");
    EXPECT_EQ(FolderOfRow(list, "d.mp3"), dir / "x.mp3");
    EXPECT_EQ(FolderOfRow(list, "old.mp3"), "");
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, TrackList::ColFile) == "a.mp3") {
            EXPECT_EQ(list.GetItemText(row, TrackList::ColName), "Pjesma");
            EXPECT_EQ(list.GetItemText(row, TrackList::ColArtist), "Izvodjac");
        }
    EXPECT_EQ(session.Journal().GetSize(), 0);
    EXPECT_FALSE(window.Action(ID_UNDO)->isEnabled());
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // The settings file holds the folder, as a reader of the file sees it.
    const std::string bytes = ReadFileBytes(home.RegFile());
    EXPECT_NE(bytes.find("\"LastOpen\"=\"" + dir.Path() + "\""), std::string::npos) << bytes;
    CSettingsKey key;
    ASSERT_TRUE(key.Open());
    std::string lastOpen;
    EXPECT_TRUE(key.QueryString(kValueLastOpen, lastOpen));
    EXPECT_EQ(lastOpen, dir.Path());
    key.Close();

    std::string startedAt;
    QTimer::singleShot(0, [&] {
        auto* picker = qobject_cast<CBrowseFolderDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        startedAt = picker->ChosenFolder();
        picker->reject();
    });
    window.Action(ID_ADD_FOLDER)->trigger();
    EXPECT_EQ(startedAt, dir.Path());
    EXPECT_EQ(list.GetItemCount(), 3);
}

// A cancelled picker leaves the list, the journal, the Undo item and the settings alone.
TEST(AddFolder, CancelledPickerChangesNothing)
{
    SettingsHome home;
    ScriptedUi ui;
    QWidget mainWindow;
    Session session(ui);
    int undoCalls = 0;
    session.m_onUndoMenuChanged = [&](bool) { ++undoCalls; };
    AddOneRow(session, "old.mp3");
    undoCalls = 0;
    ui.m_folderAnswers.push_back(std::nullopt);
    CLoadingDlg loading(&mainWindow);
    OnAddFolder(session, loading);
    ASSERT_EQ(ui.CallsOf("BrowseForFolder").size(), 1u);
    EXPECT_EQ(ui.CallsOf("BrowseForFolder")[0].filter, "Izaberi folder:");
    EXPECT_EQ(Column(session.List(), TrackList::ColFile), std::vector<std::string> {"old.mp3"});
    EXPECT_EQ(session.Journal().GetSize(), 1);
    EXPECT_EQ(undoCalls, 0);
    EXPECT_FALSE(FileExists(home.RegFile()));
}

// A missing folder finds nothing: the Loading dialog goes at once, the list stays empty and the
// folder is still remembered.
TEST(AddFolder, MissingFolderEmptiesTheListAndStillStoresLastOpen)
{
    SettingsHome home;
    TempDir dir;
    ScriptedUi ui;
    QWidget mainWindow;
    Session session(ui);
    AddOneRow(session, "old.mp3");
    ui.m_folderAnswers.push_back(dir / "gone");
    CLoadingDlg loading(&mainWindow);
    OnAddFolder(session, loading);
    EXPECT_EQ(session.List().GetItemCount(), 0);
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_NE(ReadFileBytes(home.RegFile()).find(dir / "gone"), std::string::npos);
}

// Cancel (the button, then Escape) in the middle of a large scan: the rows so far stay and match
// the Loaded count and the dialog's last text, the window is usable again, and no shortcut of the
// window ran while the dialog was up.
TEST(AddFolder, CancelAndEscapeStopALargeScanAndKeepTheRows)
{
    SettingsHome home;
    TempDir dir;
    const int total = MakeLargeTree(dir, 40, 500);
    for (int way = 0; way < 2; ++way) {
        ScriptedUi ui;
        CMainDlg window(ui);
        ShowActive(window);
        ui.m_folderAnswers.push_back(dir.Path());

        bool cancelled = false;
        bool disabledDuringScan = false;
        int textUpdates = 0;
        QString lastLoadedText;
        QString loadedTextAtEnd;
        QTimer watcher;
        watcher.setInterval(1);
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            CLoadingDlg* dialog = LoadingDialogOf(window);
            if (!dialog)
                return;
            if (dialog->LoadedStatic()->text() != lastLoadedText) {
                lastLoadedText = dialog->LoadedStatic()->text();
                ++textUpdates;
            }
            if (cancelled || g_nLoadedCount.load() < 1000)
                return;
            cancelled = true;
            disabledDuringScan = !window.isEnabled();
            // The window's shortcuts, pressed on the window and on the dialog, must not run.
            QTest::keyClick(window.TrackListView(), Qt::Key_F, Qt::ControlModifier);
            QTest::keyClick(dialog, Qt::Key_F, Qt::ControlModifier);
            QTest::keyClick(dialog, Qt::Key_D, Qt::ControlModifier);
            if (way == 0)
                QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
            else
                QTest::keyClick(dialog, Qt::Key_Escape);
            QObject::connect(dialog, &QDialog::finished,
                [&loadedTextAtEnd, dialog] { loadedTextAtEnd = dialog->LoadedStatic()->text(); });
        });
        watcher.start();
        window.Action(ID_ADD_FOLDER)->trigger();
        watcher.stop();

        ASSERT_TRUE(cancelled) << way << " updates " << textUpdates << " rows "
                               << window.GetSession().List().GetItemCount();
        const int rows = window.GetSession().List().GetItemCount();
        EXPECT_GE(rows, 1000) << way;
        EXPECT_LT(rows, total) << way;
        EXPECT_EQ(rows, g_nLoadedCount.load()) << way;
        // They stand in File order: sorting them again moves none.
        TrackList& list = window.GetSession().List();
        std::vector<TrackList::Cells> kept(rows);
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < TrackList::ColumnCount; ++column)
                kept[row][column] = list.GetItemText(row, column);
        }
        TrackList resorted;
        resorted.AddRows(std::move(kept));
        EXPECT_EQ(Column(resorted, TrackList::ColFile), Column(list, TrackList::ColFile)) << way;
        EXPECT_EQ(Column(resorted, TrackList::ColFolder), Column(list, TrackList::ColFolder))
            << way;
        EXPECT_EQ(loadedTextAtEnd, QString::number(rows)) << way;
        EXPECT_TRUE(disabledDuringScan) << way;
        EXPECT_TRUE(window.isEnabled()) << way;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << way;
        EXPECT_TRUE(ui.CallsOf("OpenFilesDialog").empty()) << way;
        EXPECT_EQ(ui.CallsOf("BrowseForFolder").size(), 1u) << way;
        EXPECT_NE(ReadFileBytes(home.RegFile()).find(dir.Path()), std::string::npos);

        // The same key now reaches the window: the check above could fail.
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.TrackListView(), Qt::Key_F, Qt::ControlModifier);
        EXPECT_EQ(ui.CallsOf("OpenFilesDialog").size(), 1u) << way;
    }
}

// The command-line scan adds to the list and leaves the journal and the settings alone; without
// a folder nothing is scanned.
TEST(AddFolder, CommandLineFolderAddsRowsWithoutTouchingJournalOrSettings)
{
    SettingsHome home;
    TempDir dir;
    MakeSmallTree(dir);
    ScriptedUi ui;
    QWidget mainWindow;
    Session session(ui);
    AddOneRow(session, "old.mp3");
    CLoadingDlg loading(&mainWindow);
    ScanCommandLineFolder(session, loading, dir.Path());
    auto files = Column(session.List(), TrackList::ColFile);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string> {"a.mp3", "b.MP3", "d.mp3", "old.mp3"}));
    EXPECT_EQ(session.Journal().GetSize(), 1);
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(FileExists(home.RegFile()));

    ScanCommandLineFolder(session, loading, "");
    EXPECT_EQ(session.List().GetItemCount(), 4);
    EXPECT_TRUE(ui.m_calls.empty());
}

// The window scans its command-line folder once it is shown; a window without one stays empty.
TEST(AddFolder, WindowScansTheCommandLineFolderAtItsFirstShowing)
{
    SettingsHome home;
    TempDir dir;
    MakeSmallTree(dir);
    {
        ScriptedUi ui;
        CMainDlg window(ui);
        window.SetCommandLineFolder(dir.Path());
        window.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.GetSession().List().GetItemCount() == 3; }))
            << window.GetSession().List().GetItemCount();
        EXPECT_EQ(FolderOfRow(window.GetSession().List(), "a.mp3"), dir.Path());
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return window.TrackListView()->model()->rowCount() == 3;
        })) << window.TrackListView()->model()->rowCount();
        // A later showing does not scan again.
        window.hide();
        window.show();
        QTest::qWait(50);
        EXPECT_EQ(window.GetSession().List().GetItemCount(), 3);
        EXPECT_FALSE(FileExists(home.RegFile()));
    }
    {
        ScriptedUi ui;
        CMainDlg window(ui);
        ShowActive(window);
        QTest::qWait(50);
        EXPECT_EQ(window.GetSession().List().GetItemCount(), 0);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

// While the command-line scan runs, its Loading dialog is the application's modal window and a
// close request to the main window is refused, so that no process is left without a window;
// once the scan has ended the window closes.
TEST(AddFolder, CloseDuringAScanIsRefusedBehindATrulyModalLoadingDialog)
{
    SettingsHome home;
    TempDir dir;
    // Enough files that the scan still runs when the watcher first looks, on a busy machine too.
    MakeLargeTree(dir, 30, 200);
    ScriptedUi ui;
    CMainDlg window(ui);
    window.SetCommandLineFolder(dir.Path());
    bool tried = false, modal = false, closed = true, visibleAfterClose = false;
    QTimer watcher;
    watcher.setInterval(1);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        CLoadingDlg* dialog = LoadingDialogOf(window);
        if (tried || !dialog)
            return;
        tried = true;
        modal = QApplication::activeModalWidget() == dialog;
        closed = window.close();
        visibleAfterClose = window.isVisible() && dialog->isVisible();
        QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
    });
    watcher.start();
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tried; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return LoadingDialogOf(window) == nullptr; }));
    watcher.stop();
    EXPECT_TRUE(modal);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(window.close());

    // Closed before its scan has started, a window scans nothing.
    CMainDlg early(ui);
    early.SetCommandLineFolder(dir.Path());
    early.show();
    EXPECT_TRUE(early.close());
    QTest::qWait(100);
    EXPECT_EQ(early.GetSession().List().GetItemCount(), 0);
    EXPECT_EQ(LoadingDialogOf(early), nullptr);
}

// A drag of urls, entered and dropped on the window as the window system would deliver it;
// whether the window took the drag and the drop.
std::pair<bool, bool> DragAndDrop(QWidget& window, const std::vector<std::string>& paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(path));
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(50, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(QPointF(50, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

// Folders and .mp3 files dropped on the window add to the list (a folder through the scan and
// its Loading dialog, as at start); other files are passed over, the journal and the settings
// stay; a drag of nothing usable and a drop during a scan are refused.
TEST(AddFolder, DroppedFoldersAndFilesAddToTheListAndADropDuringAScanIsRefused)
{
    SettingsHome home;
    TempDir tree;
    MakeSmallTree(tree);
    TempDir loose;
    WriteFileBytes(
        loose / "loose.Mp3", FakeAudio(300) + Id3v1Bytes("Naslov", "Pjevac", "", "", "", 1));
    WriteFileBytes(loose / "notes.txt", "text");
    TempDir big;
    const int bigCount = MakeLargeTree(big, 20, 500);

    ScriptedUi ui;
    CMainDlg window(ui);
    ShowActive(window);
    AddOneRow(window.GetSession(), "old.mp3");
    TrackList& list = window.GetSession().List();

    EXPECT_EQ(DragAndDrop(window, {loose / "notes.txt"}), std::make_pair(false, false));
    EXPECT_EQ(DragAndDrop(window, {tree.Path(), loose / "loose.Mp3", loose / "notes.txt"}),
        std::make_pair(true, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.GetItemCount() == 5; })) << list.GetItemCount();
    auto files = Column(list, TrackList::ColFile);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(
        files, (std::vector<std::string> {"a.mp3", "b.MP3", "d.mp3", "loose.Mp3", "old.mp3"}));
    EXPECT_EQ(FolderOfRow(list, "loose.Mp3"), loose.Path());
    EXPECT_EQ(FolderOfRow(list, "a.mp3"), tree.Path());
    for (int row = 0; row < list.GetItemCount(); ++row) {
        if (list.GetItemText(row, TrackList::ColFile) == "loose.Mp3") {
            EXPECT_EQ(list.GetItemText(row, TrackList::ColArtist), "Pjevac");
        }
    }
    EXPECT_EQ(window.GetSession().Journal().GetSize(), 1);
    EXPECT_FALSE(FileExists(home.RegFile()));

    // While the dropped large tree is scanned, another drop is refused.
    std::vector<std::pair<bool, bool>> duringScan;
    QTimer watcher;
    watcher.setInterval(1);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (duringScan.empty() && LoadingDialogOf(window))
            duringScan.push_back(DragAndDrop(window, {loose / "loose.Mp3"}));
    });
    watcher.start();
    EXPECT_EQ(DragAndDrop(window, {big.Path()}), std::make_pair(true, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.GetItemCount() == 5 + bigCount; }, 60000))
        << list.GetItemCount();
    watcher.stop();
    ASSERT_EQ(duringScan.size(), 1u);
    EXPECT_EQ(duringScan[0], std::make_pair(false, false));
    QTest::qWait(20);
    EXPECT_EQ(list.GetItemCount(), 5 + bigCount);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // And during the scan of Add folder.
    duringScan.clear();
    watcher.start();
    ui.m_folderAnswers.push_back(big.Path());
    window.Action(ID_ADD_FOLDER)->trigger();
    watcher.stop();
    ASSERT_EQ(duringScan.size(), 1u);
    EXPECT_EQ(duringScan[0], std::make_pair(false, false));
    QTest::qWait(20);
    EXPECT_EQ(list.GetItemCount(), bigCount);

    // Several folders in one drop are each loaded, not only the first.
    TempDir second, third;
    WriteFileBytes(second / "e.mp3", FakeAudio(100));
    WriteFileBytes(third / "f.mp3", FakeAudio(100));
    EXPECT_EQ(DragAndDrop(window, {second.Path(), third.Path()}), std::make_pair(true, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.GetItemCount() == bigCount + 2; }))
        << list.GetItemCount();
    EXPECT_EQ(FolderOfRow(list, "f.mp3"), third.Path());
}

// Add files in the window through the real file dialog: MP3 filter, several files chosen, the
// list replaced, Folder cells without a trailing slash, "Loading...." shown while adding.
TEST(AddFiles, ThreeChosenFilesReplaceTheListInTheWindow)
{
    SettingsHome home;
    TempDir dir;
    for (const char* name : {"a.mp3", "b.mp3", "c d.mp3"})
        WriteFileBytes(dir / name, FakeAudio(100));
    CMainDlg window;
    ShowActive(window);
    AddOneRow(window.GetSession(), "old.mp3");
    QStringList titles;
    QObject::connect(
        &window, &QWidget::windowTitleChanged, [&](const QString& title) { titles << title; });
    QTest::qWait(50);
    PaintTitles painted(window);

    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialogSeen = true;
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(dialog->nameFilters(), QStringList {"MP3 Fajlovi(*.mp3)"});
        dialog->setDirectory(QString::fromStdString(dir.Path()));
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setText("\"a.mp3\" \"b.mp3\" \"c d.mp3\"");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    window.Action(ID_ADD_FILES)->trigger();
    ASSERT_TRUE(dialogSeen);

    TrackList& list = window.GetSession().List();
    EXPECT_EQ(
        Column(list, TrackList::ColFile), (std::vector<std::string> {"a.mp3", "b.mp3", "c d.mp3"}));
    EXPECT_EQ(Column(list, TrackList::ColFolder), std::vector<std::string>(3, dir.Path()));
    EXPECT_EQ(titles, (QStringList {"Loading....", "MP3 Sonivar"}));
    // The window was painted at least once while the title said so, before the rows came.
    EXPECT_TRUE(painted.m_titles.contains(QStringLiteral("Loading....")))
        << painted.m_titles.join(", ").toStdString();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("MP3 Sonivar"));
    EXPECT_EQ(window.GetSession().Journal().GetSize(), 0);
    EXPECT_FALSE(window.Action(ID_UNDO)->isEnabled());
}
