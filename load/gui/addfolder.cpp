#include "load/gui/addfolder.h"

#include <sys/stat.h>
#include <vector>

#include <QObject>
#include <QTimer>

#include "session/session.h"
#include "platform/settingskey.h"
#include "session/tracklist.h"
#include "load/addfiles.h"
#include "load/gui/loadingdlg.h"
#include "load/scanfolder.h"
#include "load/scanworker.h"
#include "platform/path.h"
#include "platform/uiservices.h"

namespace {

int g_nScansRunning = 0;

enum class DropKind { None, Song, Folder };

// A folder, a regular file named ".mp3" in any letter case (links followed), or neither.
DropKind DropKindOf(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return DropKind::None;
    if (S_ISDIR(st.st_mode))
        return DropKind::Folder;
    return S_ISREG(st.st_mode) && ExtensionOf(path) == "mp3" ? DropKind::Song : DropKind::None;
}

// Walks folder on the scan thread while the Loading dialog runs its modal loop over mainWindow.
// Rows arrive in batches and go straight into the list; the dialog's texts are refreshed from
// the worker's progress snapshot on a timer, so the cost does not grow with the number of rows.
// Returns once the walk has ended and every row is in the list.
void RunScan(Session& session, QWidget* mainWindow, const std::string& folder)
{
    TrackList& list = session.List();
    ++g_nScansRunning;
    ScanWorker worker;
    CLoadingDlg dialog(mainWindow);
    dialog.SetCancelFlag(&g_bCancelScan);

    auto refresh = [&dialog, &worker] {
        const ScanWorker::Progress progress = worker.CurrentProgress();
        dialog.SetProgress(progress.m_strFolder, progress.m_strFile, progress.m_nLoaded);
    };
    QObject::connect(&worker, &ScanWorker::rowsReady, &dialog,
        [&list](std::vector<TrackList::Cells> rows) { list.AddRows(std::move(rows)); });
    // The end is queued behind the last batch; when it comes before the modal loop has started,
    // the loop returns at once.
    QObject::connect(&worker, &ScanWorker::finished, &dialog, [&dialog, refresh] {
        refresh();
        dialog.EndModalLoop(0);
    });
    QTimer timer;
    timer.setInterval(kLoadingRefreshMs);
    QObject::connect(&timer, &QTimer::timeout, &dialog, refresh);

    dialog.show();
    worker.Start(folder);
    timer.start();
    dialog.RunModalLoopOver(mainWindow);
    timer.stop();
    worker.Wait();
    --g_nScansRunning;
}

std::string ReadLastOpen()
{
    CSettingsKey key;
    std::string folder;
    if (!key.Open() || !key.QueryString(kValueLastOpen, folder))
        folder.clear();
    return folder;
}

void StoreLastOpen(const std::string& folder)
{
    CSettingsKey key;
    if (key.Create())
        key.SetString(kValueLastOpen, folder);
    key.Close();
}

} // namespace

void OnAddFolder(Session& session, QWidget* mainWindow)
{
    const std::string lastOpen = ReadLastOpen();
    std::string folder;
    if (!session.Ui().BrowseForFolder(folder, "Izaberi folder:", "", lastOpen, false))
        return;
    if (!folder.empty()) {
        session.Journal().Clear();
        TrackList& list = session.List();
        list.SetRedraw(false);
        list.DeleteAllItems();
        RunScan(session, mainWindow, folder);
        list.SetRedraw(true);
        StoreLastOpen(folder);
    }
    session.UpdateUndoMenu();
}

void ScanCommandLineFolder(Session& session, QWidget* mainWindow, const std::string& folder)
{
    if (folder.empty())
        return;
    RunScan(session, mainWindow, folder);
    session.List().SetRedraw(true);
}

bool IsScanRunning()
{
    return g_nScansRunning > 0;
}

bool IsDroppablePath(const std::string& path)
{
    return DropKindOf(path) != DropKind::None;
}

void AddDroppedPaths(Session& session, QWidget* mainWindow, const std::vector<std::string>& paths)
{
    std::vector<std::string> files;
    std::vector<std::string> folders;
    for (const std::string& path : paths) {
        const DropKind kind = DropKindOf(path);
        if (kind != DropKind::None)
            (kind == DropKind::Folder ? folders : files).push_back(path);
    }
    if (!files.empty())
        AddFilesToList(session, files);
    for (const std::string& folder : folders) {
        ScanCommandLineFolder(session, mainWindow, folder);
        if (g_bCancelScan)
            break;
    }
}
