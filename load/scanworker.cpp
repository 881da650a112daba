#include "load/scanworker.h"

namespace {

constexpr auto kBatchInterval = std::chrono::milliseconds(50);

} // namespace

// Gathers the walk's files into batches and hands each over with the progress of its last file.
class ScanWorker::Sink final : public ScanSink {
public:
    Sink(ScanWorker& worker, std::function<void()>& wake) : m_worker(worker), m_wake(wake) { }

    void OnFile(const FoundFile& file, int loaded) override
    {
        m_files.Add(file);
        m_nLoaded = loaded;
        const auto now = std::chrono::steady_clock::now();
        if (m_files.Size() >= m_worker.m_nBatchRows || now - m_lastBatch >= kBatchInterval) {
            m_lastBatch = now;
            HandOver(false);
        }
    }

    // The files so far as one batch; finished tells that the walk has ended.
    void HandOver(bool finished)
    {
        {
            std::lock_guard lock(m_worker.m_mutex);
            if (!m_files.IsEmpty()) {
                const FoundFile last = m_files.At(m_files.Size() - 1);
                m_worker.m_progress.m_strFolder = *last.m_folder;
                m_worker.m_progress.m_strFile = last.m_strName;
                m_worker.m_progress.m_nLoaded = m_nLoaded;
                m_worker.m_batches.push_back(std::move(m_files));
                m_files = FoundBatch();
                if (!m_worker.m_spares.empty()) {
                    std::swap(m_files, m_worker.m_spares.back());
                    m_worker.m_spares.pop_back();
                }
            }
            m_worker.m_bFinished = finished;
        }
        m_worker.m_ready.notify_all();
        if (m_wake)
            m_wake();
    }

private:
    ScanWorker& m_worker;
    std::function<void()>& m_wake;
    FoundBatch m_files;
    int m_nLoaded = 0;
    std::chrono::steady_clock::time_point m_lastBatch = std::chrono::steady_clock::now();
};

ScanWorker::~ScanWorker()
{
    Wait();
}

void ScanWorker::Start(Walk walk, std::function<void()> wake, std::size_t batchRows)
{
    Wait();
    m_nBatchRows = batchRows;
    m_batches.clear();
    m_spares.clear();
    m_bFinished = false;
    m_progress = Progress();
    g_bCancelScan = false;
    g_nLoadedCount = 0;
    m_thread = std::thread([this, walk = std::move(walk), wake = std::move(wake)]() mutable {
        Sink sink(*this, wake);
        walk(sink);
        sink.HandOver(true);
    });
}

bool ScanWorker::TakeFiles(FoundBatch& files, std::chrono::milliseconds wait)
{
    files.Clear();
    std::unique_lock lock(m_mutex);
    m_ready.wait_for(lock, wait, [this] { return m_bFinished || !m_batches.empty(); });
    if (!m_batches.empty()) {
        m_spares.push_back(std::move(files));
        files = std::move(m_batches.front());
        m_batches.pop_front();
    }
    return !m_bFinished || !m_batches.empty();
}

void ScanWorker::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

ScanWorker::Progress ScanWorker::CurrentProgress() const
{
    std::lock_guard lock(m_mutex);
    return m_progress;
}
