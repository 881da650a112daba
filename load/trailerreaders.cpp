#include "load/trailerreaders.h"

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

#include "model/mp3file.h"
#include "platform/path.h"

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
    std::string m_strPath;
    std::string m_strFolderText;
    TrackList::Cells m_row;
    bool m_bRead = false;
};

TrailerReaders::TrailerReaders(
    ScanSink& sink, int readers, std::size_t window, std::chrono::microseconds diskRead)
    : m_sink(sink)
    , m_nReaders(readers)
    , m_diskRead(diskRead)
    , m_pWalkFile(std::make_unique<CMp3File>())
    , m_slots(window)
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

void TrailerReaders::Read(int folderFd, SharedFolder& shared, const std::string& name,
    const std::string& path, const std::string& folderText)
{
    // Only the walking thread changes m_nToThreads, m_nQueued and m_nHandedOver.
    if (m_nToThreads == 0 && m_nQueued == m_nHandedOver) {
        // Nothing waits: read and hand over at once, as a walk without threads does.
        TrackList::Cells row = ReadHere(folderFd, name, path, folderText);
        const int loaded = g_nLoadedCount.fetch_add(1, std::memory_order_relaxed) + 1;
        m_sink.OnFile(std::move(row), folderText, name, loaded);
        return;
    }
    std::unique_lock lock(m_mutex);
    while (m_nQueued - m_nHandedOver == m_slots.size()) {
        if (!HandOverReady(lock, true))
            return;
    }
    Slot& slot = m_slots[m_nQueued % m_slots.size()];
    slot.m_strName = name;
    slot.m_strPath = path;
    slot.m_strFolderText = folderText;
    slot.m_bRead = false;
    if (m_nToThreads == 0) {
        // Behind files still being read: no reader takes it, they take only m_toRead.
        lock.unlock();
        slot.m_row = ReadHere(folderFd, name, path, folderText);
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

TrackList::Cells TrailerReaders::ReadHere(
    int folderFd, const std::string& name, const std::string& path, const std::string& folderText)
{
    const auto start = std::chrono::steady_clock::now();
    m_pWalkFile->Load(path, CMp3File::kRead, folderFd, name);
    // One slow read may only have been a moment without the processor; two in a row waited
    // for the disk.
    m_nSlowReads = std::chrono::steady_clock::now() - start > m_diskRead ? m_nSlowReads + 1 : 0;
    if (m_nSlowReads == kSlowReadsForDisk) {
        m_nSlowReads = 0;
        m_nToThreads = kFilesToThreads;
    }
    return RowOfFile(std::move(*m_pWalkFile), name, folderText);
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

void TrailerReaders::ReadSlot(Slot& slot, CMp3File& file)
{
    if (!Cancelled()) {
        const int folderFd = slot.m_folder ? *slot.m_folder : AT_FDCWD;
        // Without the folder's descriptor the full path finds the file.
        file.Load(slot.m_strPath, CMp3File::kRead, folderFd,
            slot.m_folder ? slot.m_strName : std::string());
        slot.m_row = RowOfFile(std::move(file), slot.m_strName, slot.m_strFolderText);
    }
    slot.m_folder.reset();
}

void TrailerReaders::ReaderLoop()
{
    // One record per reader, refilled by each read.
    CMp3File file;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_queued.wait(lock, [this] { return m_bStopping || !m_toRead.empty(); });
        if (m_toRead.empty())
            return;
        Slot& slot = m_slots[m_toRead.front() % m_slots.size()];
        m_toRead.pop_front();
        lock.unlock();
        ReadSlot(slot, file);
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
        Slot& slot = m_slots[m_nHandedOver % m_slots.size()];
        TrackList::Cells row = std::move(slot.m_row);
        const std::string folder = std::move(slot.m_strFolderText);
        const std::string name = std::move(slot.m_strName);
        ++m_nHandedOver;
        lock.unlock();
        const int loaded = g_nLoadedCount.fetch_add(1, std::memory_order_relaxed) + 1;
        m_sink.OnFile(std::move(row), folder, name, loaded);
        lock.lock();
    }
    return !Cancelled();
}
