#include "session/splitbatch.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// How many rows of the other thread the calling thread waits for at once, when it has done its
// own.
constexpr std::size_t kRowsPerWake = 32;

// The thread of a file: 1 for five files in eight, as the calling thread also commits every
// row. A multiplicative hash, so that neighbouring inode numbers still split evenly.
int ThreadOf(std::uint64_t file)
{
    return ((file * 0x9E3779B97F4A7C15ULL) >> 61) < 5 ? 1 : 0;
}

} // namespace

void RunSplitByFile(std::size_t rows, const std::function<std::uint64_t(std::size_t)>& fileOf,
    const std::function<void(std::size_t, int)>& work,
    const std::function<void(std::size_t)>& commit)
{
    std::vector<std::uint8_t> owner(rows);
    std::atomic<std::size_t> named {0};
    const auto done = std::make_unique<std::atomic<bool>[]>(rows);
    auto workOne = [&](std::size_t row, int thread) {
        work(row, thread);
        done[row].store(true, std::memory_order_release);
        done[row].notify_one();
    };
    std::jthread other([&] {
        for (std::size_t row = 0; row < rows; ++row) {
            for (std::size_t ready = named.load(std::memory_order_acquire); ready <= row;
                 ready = named.load(std::memory_order_acquire))
                named.wait(ready, std::memory_order_acquire);
            if (owner[row] == 1)
                workOne(row, 1);
        }
    });
    for (std::size_t row = 0; row < rows; ++row) {
        owner[row] = static_cast<std::uint8_t>(ThreadOf(fileOf(row)));
        // The other thread is woken for a few rows at a time.
        if (row % 16 == 15 || row + 1 == rows) {
            named.store(row + 1, std::memory_order_release);
            named.notify_one();
        }
    }
    std::size_t committed = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        if (owner[row] != 0)
            continue;
        workOne(row, 0);
        while (committed < rows && done[committed].load(std::memory_order_acquire))
            commit(committed++);
    }
    // The other thread works through its rows in order: waiting for its row some way ahead
    // commits its rows in bunches instead of waking this thread for each one.
    while (committed < rows) {
        std::size_t awaited = committed;
        for (std::size_t row = committed, ahead = 0; row < rows && ahead < kRowsPerWake; ++row) {
            if (owner[row] == 1) {
                awaited = row;
                ++ahead;
            }
        }
        done[awaited].wait(false, std::memory_order_acquire);
        while (committed < rows && done[committed].load(std::memory_order_acquire))
            commit(committed++);
    }
}
