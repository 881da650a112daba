#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Runs the file work of a batch's rows on two threads and the rest on the calling thread.
// fileOf(row) names the file of each row, in row order on the calling thread (equal numbers
// for one file; two files may share one). The two threads take the rows in order, each the
// next row when it is free, so that neither waits while the other has rows left; a row's
// work(row, thread) starts once its row is named and once the work of the last earlier row of
// its file is done, so a row sees what an earlier row of its file did. commit(row) runs on the
// calling thread, in row order, each as soon as its work is done. thread is 0 on the calling
// thread, 1 on the other, for state kept per thread. The three functions must not throw.
void RunSplitByFile(std::size_t rows, const std::function<std::uint64_t(std::size_t)>& fileOf,
    const std::function<void(std::size_t, int)>& work,
    const std::function<void(std::size_t)>& commit);
