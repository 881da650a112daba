#include "platform/openfolder.h"

#include <fcntl.h>
#include <unistd.h>

OpenFolder::~OpenFolder()
{
    Close();
}

int OpenFolder::Descriptor(const std::string& folder)
{
    if (m_fd >= 0 && folder == m_strFolder)
        return m_fd;
    Close();
    // O_PATH reads nothing of the folder; it only names it for openat and fstatat.
    m_fd = folder.empty() ? -1 : ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return AT_FDCWD;
    m_strFolder = folder;
    return m_fd;
}

void OpenFolder::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_strFolder.clear();
}
