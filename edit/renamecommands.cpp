#include "edit/renamecommands.h"

#include <cerrno>

#include "app/session.h"
#include "edit/batch.h"
#include "model/mp3file.h"
#include "model/paths.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/strutil.h"
#include "res/resource.h"

namespace {

bool IsRegularFile(const std::string& path)
{
    CFileStatus status;
    return CFile::GetStatus(path, status) && !status.m_bDirectory;
}

void RenameRows(Session& session, int commandId, const char* emptyText)
{
    if (!CheckSelection(session, emptyText, "Oznaci nesto"))
        return;
    StartJournal(session, commandId);
    TrackList& list = session.List();
    CMp3File file;
    for (int row = list.GetNextSelected(-1); row != -1;) {
        const int next = list.GetNextSelected(row);
        const std::string oldPath = RowPath(list, row);
        const std::string namePart = Trim(list.GetItemText(row, TrackList::ColName)) + ".mp3";
        const std::string newName = commandId == ID_NAME_TO_FILENAME
            ? namePart
            : Format(
                "%s - %s", list.GetItemText(row, TrackList::ColArtist).c_str(), namePart.c_str());
        const std::string newPath = JoinPath(FolderOf(oldPath), newName);
        if (namePart != ".mp3") {
            // A refused rename (existing target, a name the system does not allow, a file
            // gone) ends the row; its journal entry stays.
            try {
                file.SetPath(oldPath);
                file.m_strPath = newPath;
                file.m_nItem = row;
                session.m_journal.Add(file, list.IdOfRow(row), JournalFileKey::OfPath(oldPath));
                // Only the row's file is renamed: a folder that has taken its place since the
                // list was filled keeps its name.
                CFileStatus status;
                if (!CFile::GetStatus(oldPath, status))
                    throw CFileException(ENOENT, oldPath);
                if (status.m_bDirectory)
                    throw CFileException(EISDIR, oldPath);
                CFile::Rename(oldPath, newPath);
                list.SetItemText(row, TrackList::ColFile, newName);
                const std::string oldText = StripExtension(oldPath) + ".txt";
                const std::string newText
                    = JoinPath(FolderOf(oldText), StripExtension(newName) + ".txt");
                if (IsRegularFile(oldText))
                    CFile::Rename(oldText, newText);
            } catch (const CException& error) {
                ReportRowFailure(oldPath, error);
            }
        }
        row = next;
    }
    session.UpdateUndoMenu();
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
