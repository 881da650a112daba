#pragma once

#include "app/tracklist.h"
#include "model/mp3file.h"

#include <vector>

// The snapshots of the last tag or rename batch, in the order they were appended. Each entry
// also carries the identity of its row, so Undo finds the row after sorts and removals.
class CUndoJournal {
public:
    // Appends a copy; returns its index.
    int Add(CMp3File file, TrackList::RowId row);
    void Clear();
    int GetSize() const;
    CMp3File& ElementAt(int index);
    const CMp3File& ElementAt(int index) const;
    TrackList::RowId RowIdAt(int index) const;
    // Removes one entry; the later ones move down keeping their order.
    void RemoveAt(int index);

private:
    struct Entry {
        CMp3File file;
        TrackList::RowId row;
    };
    std::vector<Entry> m_entries;
};
