#include "load/trailerreaders.h"

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

#include "model/mp3file.h"

namespace {

// How often a walk waiting for a read looks at g_bCancelScan.
constexpr auto kCancelPoll = std::chrono::milliseconds(10);
// The files handed to the threads after a read that waited for the disk.
constexpr int kFilesToThreads = 256;
// The slow reads in a row that tell the disk is cold.
constexpr int kSlowReadsForDisk = 2;

bool Cancelled()
{
    return g_bCancelScan.load(std::memory_order_relaxed);
}

} // namespace

// One file between the walk and the sink. Its fields belong to the walk until it is queued,
// then to the reader that takes it until it is read, then to whoever hands it over.
struct TrailerReaders::Slot {
    SharedFolder m_folder;
    std::string m_strName;
    FolderText m_folderText;
    Id3v1Block m_trailer {};
    bool m_bHasTrailer = false;
    bool m_bRead = false;
};

TrailerReaders::TrailerReaders(
    ScanSink& sink, int readers, std::size_t window, std::chrono::microseconds diskRead)
    : m_sink(sink), m_nReaders(readers), m_diskRead(diskRead), m_slots(window)
{
}

TrailerReaders::~TrailerReaders()
{
    Finish();
}

TrailerReaders::SharedFolder TrailerReaders::ShareFolder(int folderFd)
{
    const int fd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    return SharedFolder(new int(fd), [](const int* owned) {
        ::close(*owned);
        delete owned;
    });
}

void TrailerReaders::Read(
    int folderFd, SharedFolder& shared, const std::string& name, const FolderText& folder)
{
    // Only the walking thread changes m_nToThreads, m_nQueued and m_nHandedOver.
    if (m_nToThreads == 0 && m_nQueued == m_nHandedOver) {
        // Nothing waits: read and hand over at once, as a walk without threads does.
        const bool read = ReadHere(folderFd, *folder, name, m_trailer);
        HandOver(name, folder, read ? &m_trailer : nullptr);
        return;
    }
    std::unique_lock lock(m_mutex);
    while (m_nQueued - m_nHandedOver == m_slots.size()) {
        if (!HandOverReady(lock, true))
            return;
    }
    Slot& slot = m_slots[m_nQueued % m_slots.size()];
    slot.m_strName = name;
    slot.m_folderText = folder;
    slot.m_bRead = false;
    if (m_nToThreads == 0) {
        // Behind files still being read: no reader takes it, they take only m_toRead.
        lock.unlock();
        slot.m_bHasTrailer = ReadHere(folderFd, *folder, name, slot.m_trailer);
        lock.lock();
        slot.m_bRead = true;
        ++m_nQueued;
    } else {
        --m_nToThreads;
        if (!shared)
            shared = ShareFolder(folderFd);
        slot.m_folder = shared;
        if (m_threads.empty())
            StartReaders();
        m_toRead.push_back(m_nQueued++);
        m_queued.notify_one();
    }
    HandOverReady(lock, false);
}

bool TrailerReaders::ReadHere(
    int folderFd, const std::string& folder, const std::string& name, Id3v1Block& trailer)
{
    const auto start = std::chrono::steady_clock::now();
    const bool read = CMp3File::ReadTrailerAt(folderFd, folder, name, trailer);
    // One slow read may only have been a moment without the processor; two in a row waited
    // for the disk.
    m_nSlowReads = std::chrono::steady_clock::now() - start > m_diskRead ? m_nSlowReads + 1 : 0;
    if (m_nSlowReads == kSlowReadsForDisk) {
        m_nSlowReads = 0;
        m_nToThreads = kFilesToThreads;
    }
    return read;
}

void TrailerReaders::HandOver(
    const std::string& name, const FolderText& folder, const Id3v1Block* trailer)
{
    const int loaded = g_nLoadedCount.fetch_add(1, std::memory_order_relaxed) + 1;
    m_sink.OnFile({name, folder, trailer}, loaded);
}

void TrailerReaders::Finish()
{
    {
        std::unique_lock lock(m_mutex);
        if (m_bStopping)
            return;
        while (m_nHandedOver < m_nQueued && HandOverReady(lock, true)) { }
        m_bStopping = true;
    }
    m_queued.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
}

void TrailerReaders::StartReaders()
{
    for (int i = 0; i < m_nReaders; ++i)
        m_threads.emplace_back([this] { ReaderLoop(); });
}

void TrailerReaders::ReadSlot(Slot& slot)
{
    if (!Cancelled()) {
        // Without the folder's descriptor the folder's path finds the file.
        slot.m_bHasTrailer = CMp3File::ReadTrailerAt(slot.m_folder ? *slot.m_folder : AT_FDCWD,
            *slot.m_folderText, slot.m_strName, slot.m_trailer);
    }
    slot.m_folder.reset();
}

void TrailerReaders::ReaderLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_queued.wait(lock, [this] { return m_bStopping || !m_toRead.empty(); });
        if (m_toRead.empty())
            return;
        Slot& slot = m_slots[m_toRead.front() % m_slots.size()];
        m_toRead.pop_front();
        lock.unlock();
        ReadSlot(slot);
        lock.lock();
        slot.m_bRead = true;
        m_read.notify_one();
    }
}

bool TrailerReaders::HandOverReady(std::unique_lock<std::mutex>& lock, bool wait)
{
    const auto frontRead = [this] {
        return m_nHandedOver < m_nQueued && m_slots[m_nHandedOver % m_slots.size()].m_bRead;
    };
    while (wait && !frontRead() && !Cancelled())
        m_read.wait_for(lock, kCancelPoll, frontRead);
    while (frontRead()) {
        if (Cancelled())
            return false;
        // Only the walking thread, here, fills a slot again, once it has been handed over.
        Slot& slot = m_slots[m_nHandedOver % m_slots.size()];
        lock.unlock();
        HandOver(slot.m_strName, slot.m_folderText, slot.m_bHasTrailer ? &slot.m_trailer : nullptr);
        lock.lock();
        ++m_nHandedOver;
    }
    return !Cancelled();
}
