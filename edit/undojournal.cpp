#include "edit/undojournal.h"

#include <utility>

int CUndoJournal::Add(CMp3File file, TrackList::RowId row)
{
    m_entries.push_back(Entry {std::move(file), row});
    return static_cast<int>(m_entries.size()) - 1;
}

void CUndoJournal::Clear()
{
    std::vector<Entry>().swap(m_entries);
}

void CUndoJournal::Reserve(int count)
{
    m_entries.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
}

int CUndoJournal::GetSize() const
{
    return static_cast<int>(m_entries.size());
}

CMp3File& CUndoJournal::ElementAt(int index)
{
    return m_entries.at(index).file;
}

const CMp3File& CUndoJournal::ElementAt(int index) const
{
    return m_entries.at(index).file;
}

TrackList::RowId CUndoJournal::RowIdAt(int index) const
{
    return m_entries.at(index).row;
}

void CUndoJournal::RemoveAt(int index)
{
    if (index >= 0 && index < GetSize())
        m_entries.erase(m_entries.begin() + index);
}
