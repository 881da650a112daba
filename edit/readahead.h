#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/mp3file.h"

class TrackList;

// The files of a tag batch's rows, opened for update and read on a thread of their own a few
// rows ahead of the batch, so that the next rows' opens and reads overlap this row's write.
// Records come in row order, each with its file open and locked, read as a load on the
// batch's thread would read it. A file that two rows name is read for the second row only
// once the first row's record has let it go (its lock is released), so the second row sees
// what the first wrote.
class ReadAhead {
public:
    // The rows' folders and names are taken from list now.
    ReadAhead(const TrackList& list, const std::vector<int>& rows);
    // Stops the thread; files read ahead and not taken are closed unwritten.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Lets go of file's previous record (and its file), then fills file with the next row's
    // record (m_nItem set to the row). False after the last row.
    bool Next(CMp3File& file);

private:
    // Files open ahead of the batch at most. A side that has to wait sleeps until the other
    // has made kWake records (or room for them), so that they wake each other once per kWake
    // rows, not once per row.
    static constexpr std::size_t kAhead = 32;
    static constexpr std::size_t kWake = 8;

    struct RowFile {
        int row;
        std::string folder;
        std::string name;
    };

    void ReadAll();

    std::vector<RowFile> m_rows;
    std::size_t m_nTaken = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<CMp3File> m_ready;
    std::size_t m_nRead = 0;
    bool m_bTakerWaits = false;
    bool m_bReaderWaits = false;
    bool m_bStop = false;
    std::thread m_thread;
};
