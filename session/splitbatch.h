#pragma once

#include <cstddef>
#include <functional>
#include <sys/types.h>

// Called by a row's work with the device and inode of the file it opened, before it locks the
// file for its write; returns once the row may go on.
using RowFileOpened = std::function<void(dev_t, ino_t)>;

// Runs the file work of a batch's rows on two threads and commits them on the calling thread.
// The two threads take the rows in order, each the next row when it is free, so that neither
// waits while rows are left. work(row, thread, opened) opens the row's file and calls opened
// before it locks it: while the other thread works on an earlier row, opened waits until that
// row's file is known to be another one or that row is done, so a row sees what an earlier
// row of its file did. commit(row) runs on the calling thread, in row order, each as soon as
// its work is done. thread is 0 on the calling thread, 1 on the other, for state kept per
// thread. The functions must not throw.
void RunRowsOnTwoThreads(std::size_t rows,
    const std::function<void(std::size_t, int, const RowFileOpened&)>& work,
    const std::function<void(std::size_t)>& commit);
