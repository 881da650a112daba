#include "edit/readahead.h"

#include <algorithm>
#include <chrono>

#include "platform/exception.h"
#include "platform/openfolders.h"
#include "platform/path.h"
#include "session/tracklist.h"

ReadAhead::ReadAhead(const TrackList& list, const std::vector<int>& rows)
{
    m_rows.reserve(rows.size());
    for (int row : rows) {
        m_rows.push_back({row, list.GetItemText(row, TrackList::ColFolder),
            list.GetItemText(row, TrackList::ColFile)});
    }
    m_thread = std::thread([this] { ReadAll(); });
}

ReadAhead::~ReadAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool ReadAhead::Next(CMp3File& file)
{
    // The previous record's file goes first: the next row may name the same file, whose read
    // waits for its lock.
    file = CMp3File();
    if (m_nTaken == m_rows.size())
        return false;
    std::unique_lock lock(m_mutex);
    if (m_ready.empty()) {
        // Until kWake more records are read, or the last one; or, after a millisecond, any:
        // the reader may be waiting for the lock of a file whose record is already here.
        const std::size_t awaited = std::min(m_nTaken + kWake, m_rows.size());
        m_bTakerWaits = true;
        while (m_nRead < awaited) {
            if (m_changed.wait_for(lock, std::chrono::milliseconds(1)) == std::cv_status::timeout
                && !m_ready.empty())
                break;
        }
        m_bTakerWaits = false;
    }
    file = std::move(m_ready.front());
    m_ready.pop_front();
    ++m_nTaken;
    const bool wake = m_bReaderWaits && m_ready.size() + kWake <= kAhead;
    lock.unlock();
    if (wake)
        m_changed.notify_all();
    return true;
}

void ReadAhead::ReadAll()
{
    OpenFolders folders;
    for (const RowFile& rowFile : m_rows) {
        {
            std::unique_lock lock(m_mutex);
            if (m_ready.size() == kAhead) {
                m_bReaderWaits = true;
                m_changed.wait(
                    lock, [this] { return m_bStop || m_ready.size() + kWake <= kAhead; });
                m_bReaderWaits = false;
            }
            if (m_bStop)
                return;
        }
        CMp3File file;
        // The tag layer reports file errors by its results; anything it lets escape leaves
        // the record with empty texts, so the batch goes on with the next row.
        try {
            file.Load(JoinPath(rowFile.folder, rowFile.name), CMp3File::kForUpdate,
                folders.Descriptor(rowFile.folder), rowFile.name);
        } catch (const CException&) {
        }
        file.m_nItem = rowFile.row;
        bool wake;
        {
            std::lock_guard lock(m_mutex);
            m_ready.push_back(std::move(file));
            ++m_nRead;
            wake = m_bTakerWaits && (m_ready.size() >= kWake || m_nRead == m_rows.size());
        }
        if (wake)
            m_changed.notify_all();
    }
}
