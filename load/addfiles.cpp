#include "load/addfiles.h"

#include "load/scanfolder.h"
#include "model/mp3file.h"
#include "platform/path.h"
#include "platform/uiservices.h"
#include "session/session.h"

namespace {

void ShowTitle(Session& session, const std::string& title)
{
    if (session.m_onTitleChanged)
        session.m_onTitleChanged(title);
}

} // namespace

void AddFilesToList(Session& session, const std::vector<std::string>& paths)
{
    TrackList& list = session.List();
    // One record serves every file; Load refills it.
    CMp3File file;
    std::vector<TrackList::Cells> rows;
    rows.reserve(paths.size());
    for (const std::string& path : paths) {
        file.Load(path);
        rows.push_back(RowOfFile(std::move(file), FileNameOf(path), FolderOf(path)));
    }
    const bool redraw = list.IsRedrawOn();
    list.SetRedraw(false);
    list.AddRows(std::move(rows));
    list.SetRedraw(redraw);
}

void OnAddFiles(Session& session)
{
    auto chosen = session.Ui().OpenFilesDialog(".mp3", "MP3 Fajlovi(*.mp3)|*.mp3||");
    if (!chosen)
        return;
    session.Journal().Clear();
    session.List().DeleteAllItems();
    ShowTitle(session, "Loading....");
    AddFilesToList(session, *chosen);
    session.List().SetRedraw(true);
    ShowTitle(session, "MP3 Sonivar");
    session.UpdateUndoMenu();
}
