#pragma once

#include <string>

// The folder of the files a batch visits, kept open while they follow one another in it, so
// that each file is opened and checked by its name instead of by a walk of its whole path.
class OpenFolder {
public:
    OpenFolder() = default;
    ~OpenFolder();
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    // A descriptor of folder for the *at system calls: the one kept when folder is the folder
    // asked for last, else a new one. AT_FDCWD when folder cannot be opened, so that the
    // caller falls back to the whole path.
    int Descriptor(const std::string& folder);

private:
    void Close();

    int m_fd = -1;
    std::string m_strFolder;
};
