#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "load/foundbatch.h"
#include "load/scanfolder.h"

// The walk on a thread of its own (ScanThreadProc). The list's thread takes the files in walk
// order with TakeFiles, a batch at a time: a batch closes every batchRows files (given to
// Start) or 50 ms of walking, whichever comes first, and at the end. With each batch the walk
// leaves the Loading dialog's texts in a snapshot that the list's thread reads when it likes.
class ScanWorker final {
public:
    struct Progress {
        std::string m_strFolder;
        std::string m_strFile;
        int m_nLoaded = 0;
    };
    // What the thread walks: ScanFolder over one folder, or the CLI's several paths.
    using Walk = std::function<void(ScanSink&)>;

    // Waits for the thread when it still runs.
    ~ScanWorker();

    // Clears g_bCancelScan, zeroes g_nLoadedCount and runs walk on a new thread (after the
    // previous walk, if any, has ended). wake, when given, is called on that thread whenever a
    // batch is ready and once when the walk has ended.
    void Start(Walk walk, std::function<void()> wake = {}, std::size_t batchRows = 256);
    // Moves the oldest batch into files, after waiting up to wait for one (files stays empty
    // when none came); what files held before is dropped, its storage kept for a later batch.
    // False once the walk has ended and no file is left after these.
    bool TakeFiles(FoundBatch& files, std::chrono::milliseconds wait);
    // Blocks until the walk has ended (its rows may still wait to be taken).
    void Wait();
    Progress CurrentProgress() const;

private:
    class Sink;

    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<FoundBatch> m_batches;
    // Emptied batches, for the walk to fill again.
    std::vector<FoundBatch> m_spares;
    std::size_t m_nBatchRows = 256;
    bool m_bFinished = true;
    Progress m_progress;
};
