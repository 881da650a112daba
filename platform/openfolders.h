#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <unordered_map>

// The folders of the files a batch visits, kept open (up to a limit, the oldest closed first),
// so that each file is opened and checked by its name instead of by a walk of its whole path.
// Rows in File order come from many folders in turn, hence more than one.
class OpenFolders {
public:
    OpenFolders() = default;
    ~OpenFolders();
    OpenFolders(const OpenFolders&) = delete;
    OpenFolders& operator=(const OpenFolders&) = delete;

    // A descriptor of folder for the *at system calls: a kept one, else a new one. AT_FDCWD
    // when folder cannot be opened, so that the caller falls back to the whole path.
    int Descriptor(const std::string& folder);

    // Grows the process's descriptor table now to hold what count of these keep at most. The
    // kernel grows the table of a process whose threads share it only after an RCU grace
    // period, which takes milliseconds; before a batch starts its threads it grows at once.
    static void MakeRoomFor(int count);

private:
    // Descriptors stay well below the usual limit of 1024 open files.
    static constexpr std::size_t kMaxKept = 256;

    std::unordered_map<std::string, int> m_fds;
    std::deque<std::string> m_opened;
};
