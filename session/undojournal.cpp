#include "session/undojournal.h"

#include <sys/stat.h>
#include <utility>

namespace {

JournalFileKey KeyOfStatus(const struct stat& st)
{
    return JournalFileKey {true, st.st_dev, st.st_ino};
}

} // namespace

JournalFileKey JournalFileKey::OfKeptFile(const CMp3File& file)
{
    JournalFileKey key;
    key.m_bKnown = file.KeptIdentity(key.m_nDevice, key.m_nInode);
    return key;
}

JournalFileKey JournalFileKey::OfPath(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? KeyOfStatus(st) : JournalFileKey {};
}

int CUndoJournal::Add(CMp3File file, TrackList::RowId row, JournalFileKey key)
{
    if (!m_bKeeps)
        return -1;
    m_entries.push_back(Entry {std::move(file), row, key});
    return static_cast<int>(m_entries.size()) - 1;
}

void CUndoJournal::Clear()
{
    std::vector<Entry>().swap(m_entries);
}

void CUndoJournal::KeepNothing()
{
    Clear();
    m_bKeeps = false;
}

void CUndoJournal::Reserve(int count)
{
    if (!m_bKeeps)
        return;
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

const JournalFileKey& CUndoJournal::KeyAt(int index) const
{
    return m_entries.at(index).key;
}

void CUndoJournal::SetKeyAt(int index, JournalFileKey key)
{
    m_entries.at(index).key = key;
}
