#include "session/splitbatch.h"

#include <atomic>
#include <limits>
#include <memory>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::size_t kNoRow = std::numeric_limits<std::size_t>::max();

// The rows of a batch as the two threads share them out.
class SharedRows {
public:
    explicit SharedRows(std::size_t rows)
        : m_nRows(rows)
        , m_previous(rows, kNoRow)
        , m_done(std::make_unique<std::atomic<bool>[]>(rows))
    {
    }

    // Names the rows in order; the other thread may take each row once it is named.
    void Name(const std::function<std::uint64_t(std::size_t)>& fileOf)
    {
        std::unordered_map<std::uint64_t, std::size_t> lastOfFile;
        lastOfFile.reserve(m_nRows);
        for (std::size_t row = 0; row < m_nRows; ++row) {
            const auto [last, added] = lastOfFile.try_emplace(fileOf(row), row);
            if (!added) {
                m_previous[row] = last->second;
                last->second = row;
            }
            // The other thread is woken for a few rows at a time.
            if (row % 16 == 15 || row + 1 == m_nRows) {
                m_named.store(row + 1, std::memory_order_release);
                m_named.notify_one();
            }
        }
    }

    // Does the work of the next row no thread has taken; false when none is left.
    bool WorkNext(const std::function<void(std::size_t, int)>& work, int thread)
    {
        const std::size_t row = m_next.fetch_add(1, std::memory_order_relaxed);
        if (row >= m_nRows)
            return false;
        for (std::size_t named = m_named.load(std::memory_order_acquire); named <= row;
             named = m_named.load(std::memory_order_acquire))
            m_named.wait(named, std::memory_order_acquire);
        if (m_previous[row] != kNoRow)
            m_done[m_previous[row]].wait(false, std::memory_order_acquire);
        work(row, thread);
        m_done[row].store(true, std::memory_order_release);
        m_done[row].notify_one();
        return true;
    }

    // Commits the rows done since the last call, in order; with wait, all that are left.
    void Commit(const std::function<void(std::size_t)>& commit, bool wait)
    {
        while (m_nCommitted < m_nRows) {
            if (wait)
                m_done[m_nCommitted].wait(false, std::memory_order_acquire);
            else if (!m_done[m_nCommitted].load(std::memory_order_acquire))
                return;
            commit(m_nCommitted++);
        }
    }

private:
    const std::size_t m_nRows;
    // The last earlier row of each row's file, or kNoRow; set before the row is named.
    std::vector<std::size_t> m_previous;
    const std::unique_ptr<std::atomic<bool>[]> m_done;
    std::atomic<std::size_t> m_named {0};
    std::atomic<std::size_t> m_next {0};
    std::size_t m_nCommitted = 0;
};

} // namespace

void RunSplitByFile(std::size_t rows, const std::function<std::uint64_t(std::size_t)>& fileOf,
    const std::function<void(std::size_t, int)>& work,
    const std::function<void(std::size_t)>& commit)
{
    SharedRows shared(rows);
    std::jthread other([&] {
        while (shared.WorkNext(work, 1)) { }
    });
    shared.Name(fileOf);
    while (shared.WorkNext(work, 0))
        shared.Commit(commit, false);
    shared.Commit(commit, true);
}
