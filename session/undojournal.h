#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "model/mp3file.h"
#include "session/tracklist.h"

// The file a journal entry was read from: its device and inode, so that Undo writes only to that
// file (another one may have taken its name since). Unknown when the file could not be opened.
struct JournalFileKey {
    bool m_bKnown = false;
    dev_t m_nDevice = 0;
    ino_t m_nInode = 0;

    bool operator==(const JournalFileKey&) const = default;
    // The file the record keeps open for update, or the file at path now (following links).
    static JournalFileKey OfKeptFile(const CMp3File& file);
    static JournalFileKey OfPath(const std::string& path);
};

// The snapshots of the last tag or rename batch, in the order they were appended. Each entry
// also carries the identity of its row, so Undo finds the row after sorts and removals.
class CUndoJournal {
public:
    // Appends a copy, read from the file key names; returns its index (-1 when the journal
    // keeps nothing).
    int Add(CMp3File file, TrackList::RowId row, JournalFileKey key = {});
    // From now on nothing is kept: for a run that ends with its one command, which nothing
    // could undo. Keeps() tells a batch whether its snapshots are wanted at all.
    void KeepNothing();
    bool Keeps() const { return m_bKeeps; }
    void Clear();
    // Room for count entries, so a batch's journal grows without moving its entries.
    void Reserve(int count);
    int GetSize() const;
    CMp3File& ElementAt(int index);
    const CMp3File& ElementAt(int index) const;
    TrackList::RowId RowIdAt(int index) const;
    const JournalFileKey& KeyAt(int index) const;
    // For a file that was moved to another disk (and so became another file).
    void SetKeyAt(int index, JournalFileKey key);
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
        JournalFileKey key;
    };
    std::vector<Entry> m_entries;
    bool m_bKeeps = true;
};
