#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "load/scanfolder.h"

// Reads the trailers of the files a walk finds on a few threads of its own, so that several
// reads are in flight at once, and hands each file's row to the sink on the walking thread in
// the order the walk found the files, whatever order the reads finish in. At most window files
// wait between the walk and the sink, so memory does not grow with the tree.
class TrailerReaders final {
public:
    // A folder's open descriptor, closed once the last read of its files has finished.
    using SharedFolder = std::shared_ptr<const int>;

    TrailerReaders(ScanSink& sink, int readers, std::size_t window);
    // Finish, when it has not run.
    ~TrailerReaders();
    TrailerReaders(const TrailerReaders&) = delete;
    TrailerReaders& operator=(const TrailerReaders&) = delete;

    // A duplicate of folderFd that stays open while any read needs it; null when none was made.
    static SharedFolder ShareFolder(int folderFd);

    // Queues the file name in folder (path is its full path, folderText its Folder cell) and
    // hands over the rows that are ready, waiting while the window is full.
    void Read(const SharedFolder& folder, const std::string& name, const std::string& path,
        const std::string& folderText);
    // Hands over every row still to come and stops the threads. Once g_bCancelScan is raised
    // no further row reaches the sink; the reads not yet made are skipped.
    void Finish();

private:
    struct Slot;

    void ReaderLoop();
    // Hands over the rows ready at the front of the window; with wait, first waits (polling
    // g_bCancelScan) until the front one is ready. False once the load was cancelled.
    bool HandOverReady(std::unique_lock<std::mutex>& lock, bool wait);

    ScanSink& m_sink;
    std::vector<Slot> m_slots;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_read;
    // Files queued, taken by a reader and handed to the sink, counted since the start; the file
    // numbered n lives in slot n % window.
    std::size_t m_nQueued = 0;
    std::size_t m_nTaken = 0;
    std::size_t m_nHandedOver = 0;
    bool m_bStopping = false;
};
