#include "fileops/movecommands.h"

#include <string>
#include <vector>

#include "fileops/fileopbatch.h"
#include "fileops/pathchecks.h"
#include "model/companiontext.h"
#include "model/textcase.h"
#include "platform/codepage.h"
#include "platform/path.h"
#include "platform/settingskey.h"
#include "platform/shellui.h"
#include "platform/uiservices.h"
#include "session/batch.h"
#include "session/session.h"

namespace {

// One queued MP3 file: where it is, where it goes, and what stood at the
// destination before, so that afterwards the row is pointed at the destination
// only when the file arrived there.
struct QueuedMove {
    TrackList::RowId m_nRow = 0;
    std::string m_strSource;
    std::string m_strDestination;
    std::string m_strFolder; // the row's Folder cell once moved
    std::string m_strFile; // the row's File cell once moved
    FileIdentity m_before;
};

// The selection check, the remembered folder, the batch and the picker, shared
// by both commands. False when the command ends here. copies tells whether the
// files will be copied instead of moved.
bool StartMove(Session& session, const char* pickerTitle, CFileOpBatch& batch, std::string& target,
    bool& copies)
{
    copies = false;
    if (!CheckSelection(session,
            "Nista nije oznaceno.\nMora se nesto oznacit, jer neznam "
            "sata os maknut.",
            "Oznaci nesto"))
        return false;

    std::string lastOpen;
    {
        CSettingsKey key;
        if (!key.Open() || !key.QueryString(kValueLastOpen, lastOpen))
            lastOpen.clear();
    }

    batch.SetOperationFlags(FO_MOVE, session.Shell(), 0);
    batch.SetTitle("Mijenjam putanje...");
    if (session.Ui().BrowseForFolder(target, pickerTitle, "", lastOpen, true) == 0
        || target.empty())
        return false;

    // Files on a drive of another kind than the system's (a CD, a stick) are
    // copied: the sources stay where they are and the rows point at the copies.
    const TrackList& list = session.List();
    const std::string firstFolder
        = list.GetItemText(list.GetNextSelected(-1), TrackList::ColFolder);
    if (DriveTypeOfFolder(firstFolder) != DriveTypeOfFolder("/")) {
        batch.SetOperationFlags(FO_COPY, session.Shell(), 0);
        copies = true;
    }
    return true;
}

// The song's companion text goes along under its own name, letter case and all.
void QueueCompanion(CFileOpBatch& batch, CompanionTextFinder& companions, const std::string& source,
    const std::string& destinationFolder)
{
    const std::string text = companions.Find(source);
    if (!text.empty()) {
        batch.AddSource(text);
        batch.AddDestination(JoinPath(destinationFolder, FileNameOf(text)));
    }
}

// Points the rows of the files that arrived at their destinations at them; a
// file the shell did not move (declined, cancelled, failed) keeps its row as it
// was. The journal's entries for a moved file follow it, so Undo still finds
// the file; an entry of that row that named another file is dropped, as Undo
// would act on a file the row no longer stands for.
void ApplyMoves(Session& session, const std::vector<QueuedMove>& moves)
{
    TrackList& list = session.List();
    CUndoJournal& journal = session.Journal();
    for (const QueuedMove& move : moves) {
        const FileIdentity after = IdentityOf(move.m_strDestination);
        if (!after.m_bExists || after == move.m_before)
            continue;
        const int row = list.RowOfId(move.m_nRow);
        if (row >= 0) {
            list.SetItemText(row, TrackList::ColFolder, move.m_strFolder);
            list.SetItemText(row, TrackList::ColFile, move.m_strFile);
        }
        for (int i = journal.GetSize() - 1; i >= 0; --i) {
            if (journal.RowIdAt(i) != move.m_nRow)
                continue;
            CMp3File& entry = journal.ElementAt(i);
            if (entry.m_strPath != move.m_strSource) {
                journal.RemoveAt(i);
                continue;
            }
            entry.m_strOrigPath = entry.m_strOrigPath == move.m_strSource
                ? move.m_strDestination
                : JoinPath(move.m_strFolder, FileNameOf(entry.m_strOrigPath));
            entry.m_strPath = move.m_strDestination;
            // A move to another disk makes a new file; Undo writes to it all the same.
            if (journal.KeyAt(i).m_bKnown)
                journal.SetKeyAt(i, JournalFileKey {true, after.m_nDevice, after.m_nInode});
            if (!entry.m_strShortPath.empty())
                entry.m_strShortPath = move.m_strDestination;
        }
    }
}

// Runs the queued batch and follows the moved files; says once when the moves
// were made as copies.
void ExecuteMoves(
    Session& session, CFileOpBatch& batch, const std::vector<QueuedMove>& moves, bool copies)
{
    if (copies && session.Shell()) {
        const TrackList& list = session.List();
        session.Shell()->Note("copying instead of moving: "
            + list.GetItemText(list.GetNextSelected(-1), TrackList::ColFolder)
            + " is on a drive of another type than the system's, so the originals stay");
    }
    batch.Execute();
    ApplyMoves(session, moves);
}

// A name that keeps the artist's folder inside the root: not empty, no '/', not
// "." or "..".
bool IsFolderName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

} // namespace

void OnMoveToFolder(Session& session)
{
    CFileOpBatch batch;
    std::string target;
    bool copies = false;
    if (!StartMove(session, "Izaberi folder:", batch, target, copies))
        return;

    const TrackList& list = session.List();
    std::vector<QueuedMove> moves;
    CompanionTextFinder companions;
    for (int row = list.GetNextSelected(-1); row != -1; row = list.GetNextSelected(row)) {
        const std::string folder = list.GetItemText(row, TrackList::ColFolder);
        const std::string file = list.GetItemText(row, TrackList::ColFile);
        const std::string source = JoinPath(folder, file);
        // Already in the target (the same folder, however spelt): nothing to do.
        if (SameFile(source, JoinPath(target, file)))
            continue;
        // The file name is recased as if the whole path were (a word right after
        // the '/' keeps a lower-case first letter); folders keep their names.
        const std::string name = FileNameOf(UpperCaseWords(JoinPath(target, file)));
        const std::string destination = JoinPath(target, name);
        batch.AddSource(source);
        batch.AddDestination(destination);
        moves.push_back(
            {list.IdOfRow(row), source, destination, target, name, IdentityOf(destination)});
        QueueCompanion(batch, companions, source, target);
    }
    if (moves.empty())
        return;
    ExecuteMoves(session, batch, moves, copies);
}

void OnMoveToRootArtist(Session& session)
{
    CFileOpBatch batch;
    std::string target;
    bool copies = false;
    if (!StartMove(session, "Izaberi root folder:", batch, target, copies))
        return;

    session.Journal().Clear();
    const TrackList& list = session.List();
    std::vector<QueuedMove> moves;
    CompanionTextFinder companions;
    for (int row = list.GetNextSelected(-1); row != -1; row = list.GetNextSelected(row)) {
        const std::string folder = list.GetItemText(row, TrackList::ColFolder);
        const std::string file = list.GetItemText(row, TrackList::ColFile);
        // A byte the tag code page does not define goes into the name as the list shows it.
        const std::string artist = ShowRawBytes(list.GetItemText(row, TrackList::ColArtist));
        const std::string source = JoinPath(folder, file);
        if (!IsFolderName(artist)) {
            // Said, not counted as a failure: such a row is never moved.
            if (session.Shell())
                session.Shell()->Note(source + ": skipped: "
                    + (artist.empty() ? std::string("its Artist is empty")
                                      : "its Artist '" + artist
                                + "' cannot be a folder name inside the root folder"));
            continue;
        }
        const std::string artistFolder = JoinPath(target, artist);
        const std::string destination = JoinPath(artistFolder, file);
        if (SameFile(source, destination))
            continue;
        batch.AddSource(source);
        batch.AddDestination(destination);
        moves.push_back(
            {list.IdOfRow(row), source, destination, artistFolder, file, IdentityOf(destination)});
        QueueCompanion(batch, companions, source, artistFolder);
    }
    if (!moves.empty())
        ExecuteMoves(session, batch, moves, copies);
    session.UpdateUndoMenu();
}
