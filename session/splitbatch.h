#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Runs the file work of a batch's rows on two threads and the rest on the calling thread.
// fileOf(row) names the file of each row, in row order on the calling thread (equal numbers
// for one file; two files may share one); the two threads share the files out between them.
// Each row's work(row, thread) runs on one of the two threads as soon as its row is named,
// every row of one file on the same thread in row order, so a row sees what an earlier row of
// its file did. commit(row) runs on the calling thread, in row order, each as soon as its work
// is done. thread is 0 on the calling thread, 1 on the other, for state kept per thread. The
// three functions must not throw.
void RunSplitByFile(std::size_t rows, const std::function<std::uint64_t(std::size_t)>& fileOf,
    const std::function<void(std::size_t, int)>& work,
    const std::function<void(std::size_t)>& commit);
