#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "load/scanfolder.h"

// Reads the trailers of the files a walk finds and hands each file to the sink on the walking
// thread in the order the walk found the files, whatever order the reads finish in.
// A read that comes from the page cache is made on the walking thread at once: handing it to
// another thread would cost more than the read. Once reads wait for the disk, the next
// files go to a few threads of its own (started then), so that many reads are in flight; now
// and then two are read at once again to see whether the disk is still slow. At most window
// files wait between the walk and the sink, so memory does not grow with the tree.
class TrailerReaders final {
public:
    // A folder's open descriptor, closed once the last read of its files has finished.
    using SharedFolder = std::shared_ptr<const int>;

    // Two reads in a row slower than diskRead waited for the disk; zero sends the files to the
    // threads from the third.
    TrailerReaders(
        ScanSink& sink, int readers, std::size_t window, std::chrono::microseconds diskRead);
    // Finish, when it has not run.
    ~TrailerReaders();
    TrailerReaders(const TrailerReaders&) = delete;
    TrailerReaders& operator=(const TrailerReaders&) = delete;

    // One file the walk found: name in the folder open as folderFd (shared holds the level's
    // duplicate of it for the threads, made here when first needed), folder that folder's text.
    // Hands over the files that are ready, waiting while the window is full.
    void Read(
        int folderFd, SharedFolder& shared, const std::string& name, const FolderText& folder);
    // Hands over every file still to come and stops the threads. Once g_bCancelScan is raised
    // no further file reaches the sink; the reads not yet made are skipped.
    void Finish();

private:
    struct Slot;

    // A duplicate of folderFd that stays open while any read needs it; null when none was made.
    static SharedFolder ShareFolder(int folderFd);

    // Reads a file's trailer into trailer on the walking thread (true when it gives texts) and
    // tells from the time it took whether the disk is cold.
    bool ReadHere(
        int folderFd, const std::string& folder, const std::string& name, Id3v1Block& trailer);
    void StartReaders();
    void ReaderLoop();
    static void ReadSlot(Slot& slot);
    // Hands the file to the sink, counted.
    void HandOver(const std::string& name, const FolderText& folder, const Id3v1Block* trailer);
    // Hands over the files ready at the front of the window; with wait, first waits (polling
    // g_bCancelScan) until the front one is ready. False once the load was cancelled.
    bool HandOverReady(std::unique_lock<std::mutex>& lock, bool wait);

    ScanSink& m_sink;
    int m_nReaders;
    std::chrono::microseconds m_diskRead;
    // Files still to hand to the threads before the walk reads one itself again.
    int m_nToThreads = 0;
    // Reads made on the walking thread that were slower than m_diskRead, in a row.
    int m_nSlowReads = 0;
    // The trailer of the file read last on the walking thread.
    Id3v1Block m_trailer {};
    std::vector<Slot> m_slots;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_read;
    // Files queued and handed to the sink, counted since the start; the file numbered n lives
    // in slot n % window.
    std::size_t m_nQueued = 0;
    std::size_t m_nHandedOver = 0;
    // The numbers of the queued files that wait for a reader thread, oldest first.
    std::deque<std::size_t> m_toRead;
    bool m_bStopping = false;
};
