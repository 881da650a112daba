#include "session/selectioncommands.h"

#include <algorithm>
#include <unordered_set>

#include "session/session.h"

void OnSelectAll(Session& session)
{
    session.List().SelectAll();
}

void OnInvertSelection(Session& session)
{
    session.List().InvertSelection();
}

void OnRemoveSelected(Session& session)
{
    TrackList& list = session.List();
    std::vector<int> rows;
    std::unordered_set<TrackList::RowId> ids;
    for (int row = list.GetNextSelected(-1); row != -1; row = list.GetNextSelected(row)) {
        rows.push_back(row);
        ids.insert(list.IdOfRow(row));
    }
    if (rows.empty())
        return;
    list.SetRedraw(false);
    // Each removed row drops its journal entry (found by the row's identity, so a sort since
    // the batch cannot drop another row's entry); every other entry's row index goes down by
    // the number of removed rows below it, as one removal after another from the last row
    // down would leave it.
    CUndoJournal& journal = session.Journal();
    journal.RemoveIf([&ids](const CMp3File&, TrackList::RowId id) { return ids.count(id) > 0; });
    for (int i = 0; i < journal.GetSize(); ++i) {
        CMp3File& entry = journal.ElementAt(i);
        entry.m_nItem -= static_cast<int>(
            std::lower_bound(rows.begin(), rows.end(), entry.m_nItem) - rows.begin());
    }
    list.DeleteItems(std::move(rows));
    list.SetRedraw(true);
}

void OnHeaderClick(Session& session, int column, int button)
{
    if (button != 0)
        return;
    session.List().SortOnHeaderClick(column);
}
