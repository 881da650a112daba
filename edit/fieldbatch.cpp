#include "edit/fieldbatch.h"

#include <exception>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/genres.h"
#include "model/mp3file.h"
#include "platform/exception.h"
#include "platform/openfolders.h"
#include "platform/path.h"
#include "session/batch.h"
#include "session/returnpool.h"
#include "session/session.h"
#include "session/splitbatch.h"
#include "session/undojournal.h"

namespace {

// What the write of a row's file left for its commit. Taken by the thread that writes the row
// from its pool and handed back after the commit, so that a batch holds few of them at once.
struct Outcome {
    // The record as read: for the journal when it keeps snapshots, else only its path, for a
    // failure's report.
    CMp3File m_before;
    // The texts and genre the file holds after the write.
    CMp3File m_written;
    JournalFileKey m_key;
    bool m_bWritten = false;
    // Why the write failed: an errno value or the file layer's own code, or what it threw.
    int m_nError = 0;
    std::exception_ptr m_error;
    int m_nThread = 0;
    Outcome* m_pNextReturned = nullptr;
};

// One selected row, from its file's write to its commit.
struct Row {
    int m_nRow = -1;
    std::size_t m_nFolder = 0;
    // The row's File cell: the row changes only at its commit, after its write.
    std::string_view m_name;
    Outcome* m_pOutcome = nullptr;
};

// The selected rows, each with the index of its folder. Folder cells of one folder share
// their text, so a folder is found by where its text lies.
void CollectRows(const TrackList& list, std::vector<Row>& rows, std::vector<std::string>& folders)
{
    std::unordered_map<const char*, std::size_t> folderAt;
    rows.reserve(static_cast<std::size_t>(list.GetSelectedCount()));
    for (int index = list.GetNextSelected(-1); index != -1; index = list.GetNextSelected(index)) {
        const std::string_view folder = list.ItemText(index, TrackList::ColFolder);
        const auto [at, added] = folderAt.try_emplace(folder.data(), folders.size());
        if (added)
            folders.emplace_back(folder);
        Row& row = rows.emplace_back();
        row.m_nRow = index;
        row.m_nFolder = at->second;
        row.m_name = list.ItemText(index, TrackList::ColFile);
    }
}

// Reads the row's file into file, changes it and writes it, on a thread of the batch (opened
// learns the file before it is locked); with snapshot, keeps the record as read for the
// journal.
void WriteRow(OpenFolders& folders, CMp3File& file, const std::string& folder, Row& row,
    const std::function<void(CMp3File&)>& change, bool snapshot, const RowFileOpened& opened,
    Outcome& outcome)
{
    LoadRowFile(folders, file, folder, std::string(row.m_name), row.m_nRow, opened);
    if (snapshot)
        outcome.m_before = file;
    else
        outcome.m_before.m_strPath = file.m_strPath;
    change(file);
    outcome.m_key = JournalFileKey::OfKeptFile(file);
    outcome.m_bWritten = false;
    outcome.m_nError = 0;
    outcome.m_error = nullptr;
    try {
        outcome.m_bWritten = file.WriteTag();
        outcome.m_nError = file.m_nLastError;
    } catch (const CException&) {
        outcome.m_error = std::current_exception();
    }
    // Swapped, so that the record decodes the next file into strings that have room.
    CMp3File& written = outcome.m_written;
    written.m_strArtist.swap(file.m_strArtist);
    written.m_strAlbum.swap(file.m_strAlbum);
    written.m_strTitle.swap(file.m_strTitle);
    written.m_strYear.swap(file.m_strYear);
    written.m_strComment.swap(file.m_strComment);
    written.m_byGenre = file.m_byGenre;
    row.m_pOutcome = &outcome;
}

void CommitRow(Session& session, const Row& row)
{
    Outcome* outcome = row.m_pOutcome;
    const std::string& path = outcome->m_before.m_strPath;
    if (outcome->m_error) {
        try {
            std::rethrow_exception(outcome->m_error);
        } catch (const CException& error) {
            ReportRowFailure(path, error);
        }
        return;
    }
    if (!outcome->m_bWritten) {
        ReportRowFailure(
            path, outcome->m_nError ? FileErrorText(outcome->m_nError) : std::string());
        return;
    }
    TrackList& list = session.List();
    session.Journal().Add(std::move(outcome->m_before), list.IdOfRow(row.m_nRow), outcome->m_key);
    ShowRecord(list, row.m_nRow, outcome->m_written);
}

} // namespace

void LoadRowFile(OpenFolders& folders, CMp3File& file, const std::string& folder,
    const std::string& name, int row, const CMp3File::BeforeLock& beforeLock)
{
    try {
        file.Load(JoinPath(folder, name), CMp3File::kForUpdate, folders.Descriptor(folder), name,
            beforeLock);
    } catch (const CException&) {
    }
    file.m_nItem = row;
}

void ShowRecord(TrackList& list, int row, const CMp3File& file)
{
    const std::string genre = GenreName(static_cast<signed char>(file.m_byGenre));
    const TrackList::ColumnText cells[]
        = {{TrackList::ColArtist, file.m_strArtist}, {TrackList::ColAlbum, file.m_strAlbum},
            {TrackList::ColName, file.m_strTitle}, {TrackList::ColYear, file.m_strYear},
            {TrackList::ColComment, file.m_strComment}, {TrackList::ColGenre, genre}};
    list.SetItemTexts(row, cells);
}

void WriteSelectedFiles(Session& session, const std::function<void(CMp3File&)>& change)
{
    std::vector<Row> rows;
    std::vector<std::string> folders;
    CollectRows(session.List(), rows, folders);
    const bool snapshots = session.Journal().Keeps();
    OpenFolders open[2];
    OpenFolders::MakeRoomFor(2);
    CMp3File files[2];
    ReturnPool<Outcome> outcomes[2];
    auto work = [&](std::size_t index, int thread, const RowFileOpened& opened) {
        Row& row = rows[index];
        Outcome& outcome = *outcomes[thread].Take();
        outcome.m_nThread = thread;
        WriteRow(open[thread], files[thread], folders[row.m_nFolder], row, change, snapshots,
            opened, outcome);
    };
    auto commit = [&](std::size_t index) {
        CommitRow(session, rows[index]);
        Outcome* outcome = rows[index].m_pOutcome;
        outcomes[outcome->m_nThread].Return(outcome);
    };
    RunRowsOnTwoThreads(rows.size(), work, commit);
}
