#include "load/loadfolder.h"

#include <sys/stat.h>

#include "load/addfiles.h"
#include "load/rowdecoder.h"
#include "platform/path.h"
#include "platform/settingskey.h"
#include "platform/uiservices.h"
#include "session/session.h"

namespace {

// How often a load's progress is shown.
constexpr std::chrono::milliseconds kRefresh(50);

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

ScanWorker::Walk WalkOf(const std::string& folder)
{
    return [folder](ScanSink& sink) { ScanFolder(folder, sink); };
}

} // namespace

void LoadView::Run(const Deliver& deliver)
{
    while (deliver(kRefresh)) { }
}

void LoadRows(TrackList& list, LoadView& view, ScanWorker::Walk walk)
{
    using Clock = std::chrono::steady_clock;
    ScanWorker worker;
    worker.Start(
        std::move(walk), [&view] { view.Wake(); }, view.BatchRows());
    Clock::time_point shown = Clock::now();
    // The rows are made here, on the list's thread, which has time to spare while the walk
    // waits for the file system.
    FoundBatch files;
    RowDecoder decoder;
    const TrackList::CellsOfRow cellsOf
        = [&](std::size_t i, TrackList::CellViews& cells) { decoder.CellsOf(files.At(i), cells); };
    view.Run([&](std::chrono::milliseconds wait) {
        const bool more = worker.TakeFiles(files, wait);
        list.StageRows(files.Size(), cellsOf);
        if (!more || Clock::now() - shown >= kRefresh) {
            view.ShowProgress(worker.CurrentProgress());
            shown = Clock::now();
        }
        return more;
    });
    // No wake may reach the view once this returns.
    worker.Wait();
    // The rows delivered, all of them or those before a Cancel, enter the list in one change.
    list.PlaceStagedRows();
}

void OnAddFolder(Session& session, LoadView& view)
{
    CSettingsKey key;
    std::string lastOpen;
    std::string folder;
    if (!key.Open() || !key.QueryString(kValueLastOpen, lastOpen))
        lastOpen.clear();
    key.Close();
    if (!session.Ui().BrowseForFolder(folder, "Izaberi folder:", "", lastOpen, false))
        return;
    if (!folder.empty()) {
        session.Journal().Clear();
        TrackList& list = session.List();
        list.SetRedraw(false);
        list.DeleteAllItems();
        LoadRows(list, view, WalkOf(folder));
        list.SetRedraw(true);
        if (key.Create())
            key.SetString(kValueLastOpen, folder);
        key.Close();
    }
    session.UpdateUndoMenu();
}

void ScanCommandLineFolder(Session& session, LoadView& view, const std::string& folder)
{
    if (folder.empty())
        return;
    LoadRows(session.List(), view, WalkOf(folder));
    session.List().SetRedraw(true);
}

bool IsDroppablePath(const std::string& path)
{
    return DropKindOf(path) != DropKind::None;
}

void AddDroppedPaths(Session& session, LoadView& view, const std::vector<std::string>& paths)
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
        ScanCommandLineFolder(session, view, folder);
        if (g_bCancelScan)
            break;
    }
}
