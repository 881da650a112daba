#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QObject>
#include <QThread>

#include "session/tracklist.h"

// The scan on a worker thread (ScanThreadProc). Rows reach the receiver's thread in batches
// (every 256 rows or 50 ms, whichever comes first) through rowsReady; the Loading dialog's
// texts are kept in a locked snapshot that the receiver reads when it likes; finished comes
// exactly once, after the last batch.
class ScanWorker final : public QObject {
    Q_OBJECT

public:
    struct Progress {
        std::string m_strFolder;
        std::string m_strFile;
        int m_nLoaded = 0;
    };

    explicit ScanWorker(QObject* parent = nullptr);
    // Waits for the thread when it still runs.
    ~ScanWorker() override;

    // Clears g_bCancelScan, zeroes g_nLoadedCount and starts walking folder (after the
    // previous walk, if any, has ended).
    void Start(std::string folder);
    bool IsFinished() const;
    // Blocks until the walk has ended (the rows may still be queued for the receiver).
    void Wait();
    Progress CurrentProgress() const;

signals:
    void rowsReady(std::vector<TrackList::Cells> rows);
    void finished();

private:
    class Sink;
    void Run(std::string folder);

    std::unique_ptr<QThread> m_pThread;
    mutable std::mutex m_mutex;
    Progress m_progress;
    std::atomic<bool> m_bFinished {false};
};
