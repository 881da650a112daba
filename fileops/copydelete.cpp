#include "fileops/copydelete.h"

#include <string>
#include <vector>

#include "fileops/fileopbatch.h"
#include "fileops/pathchecks.h"
#include "platform/path.h"
#include "platform/settingskey.h"
#include "platform/uiservices.h"
#include "res/resource.h"
#include "session/batch.h"
#include "session/selectioncommands.h"
#include "session/session.h"

bool g_bFirstCopy = true;

namespace {

constexpr char kNothingSelected[]
    = "Nista nije oznaceno.\nMora se nesto oznacit, jer neznam sata os obrisat.";
constexpr char kNothingSelectedCaption[] = "Oznaci nesto";

} // namespace

void OnCopy(Session& session)
{
    UiServices& ui = session.Ui();
    CSettingsKey key;
    const bool keyOpen = key.Open();
    std::string copyFolder;
    if (!keyOpen || !key.QueryString(kValueCopyFolder, copyFolder))
        copyFolder.clear();

    const bool controlDown = ui.IsControlKeyDown();
    if (controlDown || !PathExists(copyFolder) || g_bFirstCopy) {
        g_bFirstCopy = false;
        std::string chosen;
        // An empty choice is taken as a cancel: it would send the copies to the root folder.
        if (ui.BrowseForFolder(chosen, "Select CopyFolder", "", copyFolder, true) == 0
            || chosen.empty()) {
            key.Close();
            return;
        }
        copyFolder = chosen;
        // Without the key the choice serves this Copy only: Copy never creates the key. A dry
        // run changes no setting either.
        if (keyOpen && !session.IsDryRun())
            key.SetString(kValueCopyFolder, copyFolder);
    }
    key.Close();

    if (!CheckSelection(session, kNothingSelected, kNothingSelectedCaption))
        return;

    CFileOpBatch batch;
    batch.SetOperation(FO_COPY, session.Shell(), false, true, false, false, false, false, false);
    batch.SetTitle("Copy...");
    const TrackList& list = session.List();
    for (int row = list.GetNextSelected(-1); row != -1; row = list.GetNextSelected(row)) {
        const std::string source = RowPath(list, row);
        batch.AddSource(source);
        const std::string destination
            = JoinPath(copyFolder, list.GetItemText(row, TrackList::ColFile));
        // The same text, or another spelling of the same file (a link, a case-insensitive
        // disk): copying it onto itself could only destroy it.
        if (SameFile(source, destination)) {
            ui.MessageBox("Source i Dest files are the same.\nChange CopyPath by holding down "
                          "Ctrl and press Copy menu.",
                "Copy error", MB_ICONINFORMATION);
            return;
        }
        batch.AddDestination(destination);
    }
    batch.Execute();
}

void OnDelete(Session& session)
{
    if (!CheckSelection(session, kNothingSelected, kNothingSelectedCaption))
        return;

    CFileOpBatch batch;
    batch.SetOperation(FO_DELETE, session.Shell(), false, true, false, false, false, true, false);
    batch.SetTitle("Delete...");
    TrackList& list = session.List();
    std::vector<TrackList::RowId> rows;
    std::vector<std::string> paths;
    for (int row = list.GetNextSelected(-1); row != -1; row = list.GetNextSelected(row)) {
        paths.push_back(RowPath(list, row));
        rows.push_back(list.IdOfRow(row));
        batch.AddSource(paths.back());
    }
    bool aborted = true;
    batch.Execute(nullptr, nullptr, &aborted);

    // Only the rows whose files are gone leave the list: a file the shell kept (declined,
    // cancelled, failed) keeps its row, selected, and its journal entries.
    std::vector<TrackList::RowId> kept;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int row = list.RowOfId(rows[i]);
        if (row < 0)
            continue;
        if (AnythingAt(paths[i])) {
            kept.push_back(rows[i]);
            list.SetSelected(row, false);
        }
    }
    OnRemoveSelected(session);
    for (const TrackList::RowId id : kept)
        list.SetSelected(list.RowOfId(id), true);
    list.FlushSelection();
    if (!aborted)
        session.Journal().Clear();
}
