#include "load/scanworker.h"

#include <chrono>

#include "load/scanfolder.h"

namespace {

constexpr std::size_t kBatchRows = 256;
constexpr auto kBatchInterval = std::chrono::milliseconds(50);

} // namespace

// Collects the walk's rows and hands them over in batches; keeps the progress snapshot.
class ScanWorker::Sink final : public ScanSink {
public:
    explicit Sink(ScanWorker& worker)
        : m_worker(worker), m_lastFlush(std::chrono::steady_clock::now())
    {
    }

    void OnFile(TrackList::Cells&& row, const std::string& folder, const std::string& file,
        int loaded) override
    {
        {
            std::lock_guard lock(m_worker.m_mutex);
            m_worker.m_progress.m_strFolder = folder;
            m_worker.m_progress.m_strFile = file;
            m_worker.m_progress.m_nLoaded = loaded;
        }
        m_rows.push_back(std::move(row));
        if (m_rows.size() >= kBatchRows
            || std::chrono::steady_clock::now() - m_lastFlush >= kBatchInterval)
            Flush();
    }

    void Flush()
    {
        m_lastFlush = std::chrono::steady_clock::now();
        if (m_rows.empty())
            return;
        std::vector<TrackList::Cells> batch;
        batch.swap(m_rows);
        emit m_worker.rowsReady(std::move(batch));
    }

private:
    ScanWorker& m_worker;
    std::vector<TrackList::Cells> m_rows;
    std::chrono::steady_clock::time_point m_lastFlush;
};

ScanWorker::ScanWorker(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<std::vector<TrackList::Cells>>();
}

ScanWorker::~ScanWorker()
{
    Wait();
}

void ScanWorker::Start(std::string folder)
{
    Wait();
    m_bFinished = false;
    m_progress = Progress();
    g_bCancelScan = false;
    g_nLoadedCount = 0;
    m_pThread.reset(QThread::create([this, folder = std::move(folder)] { Run(folder); }));
    m_pThread->start();
}

bool ScanWorker::IsFinished() const
{
    return m_bFinished.load();
}

void ScanWorker::Wait()
{
    if (m_pThread)
        m_pThread->wait();
}

ScanWorker::Progress ScanWorker::CurrentProgress() const
{
    std::lock_guard lock(m_mutex);
    return m_progress;
}

void ScanWorker::Run(std::string folder)
{
    Sink sink(*this);
    ScanFolder(std::move(folder), sink);
    sink.Flush();
    m_bFinished = true;
    // Queued behind the last batch, so the receiver has every row when it sees the end.
    emit finished();
}
