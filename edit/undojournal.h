#pragma once

#include <vector>

#include "app/tracklist.h"
#include "model/mp3file.h"

// The snapshots of the last tag or rename batch, in the order they were appended. Each entry
// also carries the identity of its row, so Undo finds the row after sorts and removals.
class CUndoJournal {
public:
    // Appends a copy; returns its index.
    int Add(CMp3File file, TrackList::RowId row);
    void Clear();
    // Room for count entries, so a batch's journal grows without moving its entries.
    void Reserve(int count);
    int GetSize() const;
    CMp3File& ElementAt(int index);
    const CMp3File& ElementAt(int index) const;
    TrackList::RowId RowIdAt(int index) const;
    // Removes one entry; the later ones move down keeping their order.
    void RemoveAt(int index);
    // Removes, in one pass, every entry for which drop(file, row) is true; the others keep
    // their order.
    template <typename Predicate> void RemoveIf(Predicate drop)
    {
        std::erase_if(
            m_entries, [&drop](const Entry& entry) { return drop(entry.file, entry.row); });
    }

private:
    struct Entry {
        CMp3File file;
        TrackList::RowId row;
    };
    std::vector<Entry> m_entries;
};
