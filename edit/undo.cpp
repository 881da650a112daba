#include "edit/undo.h"

#include "model/genres.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/strutil.h"
#include "platform/uiservices.h"
#include "res/resource.h"
#include "session/batch.h"
#include "session/failedrows.h"
#include "session/session.h"

void OnUndo(Session& session)
{
    TrackList& list = session.List();
    CUndoJournal& journal = session.Journal();
    const bool renames = session.JournalCommand() == ID_NAME_TO_FILENAME
        || session.JournalCommand() == ID_ARTIST_NAME_TO_FILENAME;
    // Newest first: a later row of the batch may have taken a name an earlier row gave up
    // (a becomes x, then b becomes a), and a file that appears twice gets its oldest
    // snapshot last.
    FailedRows failed;
    int skipped = 0;
    for (int i = journal.GetSize() - 1; i >= 0; --i) {
        CMp3File& entry = journal.ElementAt(i);
        const JournalFileKey& key = journal.KeyAt(i);
        // Entries find their rows by identity: a sort or a removal since the batch does not
        // send old texts into another row; a row that is gone gets nothing.
        const int row = list.RowOfId(journal.RowIdAt(i));
        if (renames) {
            // The File cell follows the file: when the old name cannot be given back (taken by
            // another file, or the file is gone) the row keeps the name the file has, so that
            // it never addresses somebody else's file.
            // Only the file the batch renamed is renamed back.
            const JournalFileKey now = JournalFileKey::OfPath(entry.m_strPath);
            if (key.m_bKnown && now.m_bKnown && !(now == key)) {
                // Counted unless the rename never happened (the file is still at its old name).
                if (!(JournalFileKey::OfPath(entry.m_strOrigPath) == key))
                    ++skipped;
                continue;
            }
            try {
                CFile::Rename(entry.m_strPath, entry.m_strOrigPath);
                if (row >= 0)
                    list.SetItemText(row, TrackList::ColFile, FileNameOf(entry.m_strOrigPath));
            } catch (const CException& error) {
                ReportRowFailure(entry.m_strPath, error);
            }
            continue;
        }
        // Old texts go only into the file they were read from: a file that could not be read
        // then was not changed, and one that another file has replaced (or that was swapped
        // with another) is left, with its row, as it is.
        if (!key.m_bKnown)
            continue;
        // A file that does not take its old tag back keeps its row as it is, showing what the
        // file still holds.
        try {
            if (!entry.WriteTagToSameFile(key.m_nDevice, key.m_nInode)) {
                if (entry.m_nLastError == kErrorReplacedFile)
                    ++skipped;
                else
                    ReportRowFailure(entry.m_strPath,
                        entry.m_nLastError ? FileErrorText(entry.m_nLastError) : std::string());
                continue;
            }
        } catch (const CException& error) {
            ReportRowFailure(entry.m_strPath, error);
            continue;
        }
        if (row < 0)
            continue;
        list.SetItemText(row, TrackList::ColArtist, entry.m_strArtist);
        list.SetItemText(row, TrackList::ColAlbum, entry.m_strAlbum);
        list.SetItemText(row, TrackList::ColName, entry.m_strTitle);
        list.SetItemText(row, TrackList::ColYear, entry.m_strYear);
        list.SetItemText(row, TrackList::ColComment, entry.m_strComment);
        list.SetItemText(row, TrackList::ColFolder, FolderOf(entry.m_strPath));
        list.SetItemText(
            row, TrackList::ColGenre, GenreName(static_cast<signed char>(entry.m_byGenre)));
    }
    list.SetRedraw(true);
    journal.Clear();
    session.UpdateUndoMenu();
    failed.ShowIfAny(session);
    if (skipped > 0)
        session.Ui().MessageBox(
            Format("Undo nije dirao %d fajl(ova): na tom mjestu je sada drugi fajl.", skipped),
            "Undo", MB_ICONINFORMATION);
}
