#include "edit/renamecommands.h"

#include <cerrno>
#include <cstring>

#include "edit/preview.h"
#include "model/companiontext.h"
#include "model/mp3file.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/strutil.h"
#include "res/resource.h"
#include "session/batch.h"
#include "session/failedrows.h"
#include "session/session.h"

namespace {

// Tells that the file at path (the row's own file, or its companion) kept its name; the
// refused new name goes into the reason, never in place of the path.
void ReportRefused(const std::string& path, const std::string& newName, const CException& error)
{
    const auto* fileError = dynamic_cast<const CFileException*>(&error);
    const std::string why
        = fileError ? FileErrorText(static_cast<int>(fileError->m_lOsError)) : error.What();
    ReportRowFailure(path, "not renamed to '" + newName + "': " + why);
}

// Renames the row's file, and its companion text file, after the row's texts.
void RenameRow(
    Session& session, CMp3File& file, CompanionTextFinder& companions, int row, int commandId)
{
    TrackList& list = session.List();
    const std::string oldPath = RowPath(list, row);
    // A byte the tag code page does not define goes into the name as the list shows it.
    const std::string namePart
        = ShowRawBytes(Trim(list.GetItemText(row, TrackList::ColName))) + ".mp3";
    const std::string newName = commandId == ID_NAME_TO_FILENAME
        ? namePart
        : Format("%s - %s", ShowRawBytes(list.GetItemText(row, TrackList::ColArtist)).c_str(),
            namePart.c_str());
    // No Name: skipped. A file that already has its new name needs nothing: no rename, no
    // entry, no failure.
    if (namePart == ".mp3" || newName == FileNameOf(oldPath))
        return;
    const std::string newPath = JoinPath(FolderOf(oldPath), newName);
    // A refused rename (existing target, a name the system does not allow, a file gone) ends
    // the row, without a journal entry: Undo gives back only names that were given.
    try {
        // Undo needs only the two names: the file is not opened.
        file.m_strOrigPath = oldPath;
        file.m_strPath = newPath;
        file.m_nItem = row;
        // Only the row's file is renamed: a folder that has taken its place since the list was
        // filled keeps its name.
        CFileStatus status;
        if (!CFile::GetStatus(oldPath, status))
            throw CFileException(ENOENT, oldPath);
        if (status.m_bDirectory)
            throw CFileException(EISDIR, oldPath);
        // A dry run keeps the finder's lists as the real run would have them.
        RenameFile(session, oldPath, newPath);
        companions.Renamed(oldPath, newPath);
        // The renamed file keeps its identity under the new name.
        session.Journal().Add(file, list.IdOfRow(row), JournalFileKey::OfPath(newPath));
        list.SetItemText(row, TrackList::ColFile, newName);
    } catch (const CException& error) {
        ReportRefused(oldPath, newName, error);
        return;
    }
    const std::string oldText = companions.Find(oldPath);
    if (oldText.empty())
        return;
    const std::string newText = JoinPath(FolderOf(oldPath), CompanionTextName(newName));
    try {
        RenameFile(session, oldText, newText);
        companions.Renamed(oldText, newText);
    } catch (const CException& error) {
        ReportRefused(oldText, FileNameOf(newText), error);
    }
}

void RenameRows(Session& session, int commandId, const char* emptyText)
{
    if (!CheckSelection(session, emptyText, "Oznaci nesto"))
        return;
    FailedRows failed;
    session.StartJournal(commandId);
    TrackList& list = session.List();
    CMp3File file;
    CompanionTextFinder companions;
    for (int row = list.GetNextSelected(-1); row != -1;) {
        const int next = list.GetNextSelected(row);
        RenameRow(session, file, companions, row, commandId);
        row = next;
    }
    session.UpdateUndoMenu();
    failed.ShowIfAny(session);
}

} // namespace

void OnNameToFileName(Session& session)
{
    RenameRows(session, ID_NAME_TO_FILENAME, "Nista nije oznaceno.");
}

void OnArtistNameToFileName(Session& session)
{
    RenameRows(session, ID_ARTIST_NAME_TO_FILENAME, "Nista nije oznaceno. Nemoj tako.");
}
