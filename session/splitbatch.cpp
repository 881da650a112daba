#include "session/splitbatch.h"

#include <atomic>
#include <chrono>
#include <limits>
#include <memory>
#include <thread>

namespace {

constexpr std::size_t kNoRow = std::numeric_limits<std::size_t>::max();

// Waits until ready() by spinning, then yielding, then napping. The waits of a batch are short;
// a thread that slept in the kernel instead would often be woken on the processor of the thread
// that woke it, and the two would share one processor for a while.
template <typename Ready> void SpinUntil(Ready ready)
{
    for (int round = 0; !ready(); ++round) {
        if (round < 200) {
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        } else if (round < 400) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }
}

// Which rows the two threads work on and which are done, kept without locks: each thread
// publishes its row before it takes it, and the file of its row once it has opened it.
class RowOrder {
public:
    explicit RowOrder(std::size_t rows)
        : m_nRows(rows), m_done(std::make_unique<std::atomic<bool>[]>(rows))
    {
    }

    // Gives thread the next row no thread has taken; kNoRow when none is left.
    std::size_t Take(int thread)
    {
        Slot& slot = m_slots[thread];
        std::size_t row = m_next.load();
        do {
            if (row >= m_nRows) {
                slot.m_row.store(kNoRow);
                return kNoRow;
            }
            // Published before it is taken: a thread that took a later row sees it.
            slot.m_row.store(row);
        } while (!m_next.compare_exchange_weak(row, row + 1));
        return row;
    }

    void Done(std::size_t row) { m_done[row].store(true, std::memory_order_release); }

    // Records the file of thread's row; waits while the other thread works on an earlier row
    // whose file may be the same.
    void Opened(int thread, std::size_t row, dev_t device, ino_t inode)
    {
        Slot& mine = m_slots[thread];
        mine.m_openedRow.store(kNoRow, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        mine.m_device.store(device, std::memory_order_relaxed);
        mine.m_inode.store(inode, std::memory_order_relaxed);
        mine.m_openedRow.store(row, std::memory_order_release);
        const Slot& other = m_slots[1 - thread];
        SpinUntil([&] {
            const std::size_t theirs = other.m_row.load();
            if (theirs == kNoRow || theirs > row || m_done[theirs].load(std::memory_order_acquire))
                return true;
            if (other.m_openedRow.load(std::memory_order_acquire) != theirs)
                return false;
            const dev_t theirDevice = other.m_device.load(std::memory_order_relaxed);
            const ino_t theirInode = other.m_inode.load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            // A file learnt while it changed is looked at again.
            if (other.m_openedRow.load(std::memory_order_relaxed) != theirs)
                return false;
            return theirDevice != device || theirInode != inode;
        });
    }

    // Commits the rows done since the last call, in order; with wait, all that are left.
    void Commit(const std::function<void(std::size_t)>& commit, bool wait)
    {
        while (m_nCommitted < m_nRows) {
            std::atomic<bool>& done = m_done[m_nCommitted];
            if (!done.load(std::memory_order_acquire)) {
                if (!wait)
                    return;
                SpinUntil([&] { return done.load(std::memory_order_acquire); });
            }
            commit(m_nCommitted++);
        }
    }

private:
    struct Slot {
        std::atomic<std::size_t> m_row {kNoRow};
        // The row whose file m_device and m_inode name; kNoRow while they change.
        std::atomic<std::size_t> m_openedRow {kNoRow};
        std::atomic<dev_t> m_device {0};
        std::atomic<ino_t> m_inode {0};
    };

    const std::size_t m_nRows;
    const std::unique_ptr<std::atomic<bool>[]> m_done;
    std::atomic<std::size_t> m_next {0};
    // Apart, so that the two threads do not write to one cache line.
    alignas(64) Slot m_slots[2];
    // Touched by the calling thread only.
    alignas(64) std::size_t m_nCommitted = 0;
};

} // namespace

void RunRowsOnTwoThreads(std::size_t rows,
    const std::function<void(std::size_t, int, const RowFileOpened&)>& work,
    const std::function<void(std::size_t)>& commit)
{
    RowOrder order(rows);
    const auto runThread = [&](int thread, bool commits) {
        std::size_t row = kNoRow;
        const RowFileOpened opened = [&order, thread, &row](dev_t device, ino_t inode) {
            order.Opened(thread, row, device, inode);
        };
        for (row = order.Take(thread); row != kNoRow; row = order.Take(thread)) {
            work(row, thread, opened);
            order.Done(row);
            if (commits)
                order.Commit(commit, false);
        }
    };
    {
        std::jthread other(runThread, 1, false);
        runThread(0, true);
        order.Commit(commit, true);
    }
}
