#include "platform/openfolders.h"

#include <fcntl.h>
#include <unistd.h>

OpenFolders::~OpenFolders()
{
    for (const auto& [folder, fd] : m_fds)
        ::close(fd);
}

void OpenFolders::MakeRoomFor(int count)
{
    const int base = ::open("/", O_PATH | O_CLOEXEC);
    if (base < 0)
        return;
    // The table grows to hold the highest descriptor; past the open-file limit nothing grows.
    const int highest = ::fcntl(base, F_DUPFD_CLOEXEC, count * static_cast<int>(kMaxKept) + 64);
    if (highest >= 0)
        ::close(highest);
    ::close(base);
}

int OpenFolders::Descriptor(const std::string& folder)
{
    if (const auto kept = m_fds.find(folder); kept != m_fds.end())
        return kept->second;
    if (folder.empty())
        return AT_FDCWD;
    // O_PATH reads nothing of the folder; it only names it for openat and fstatat.
    const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return AT_FDCWD;
    if (m_fds.size() == kMaxKept) {
        const auto oldest = m_fds.find(m_opened.front());
        ::close(oldest->second);
        m_fds.erase(oldest);
        m_opened.pop_front();
    }
    m_fds.emplace(folder, fd);
    m_opened.push_back(folder);
    return fd;
}
