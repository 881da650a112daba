#include "platform/folderfiles.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path.h"

namespace {

std::uint64_t FileId(dev_t device, ino_t inode)
{
    return static_cast<std::uint64_t>(inode) ^ (static_cast<std::uint64_t>(device) << 40);
}

std::uint64_t IdOfStatus(int folderFd, const char* name)
{
    struct stat st;
    return ::fstatat(folderFd, name, &st, 0) == 0 ? FileId(st.st_dev, st.st_ino) : 0;
}

} // namespace

FolderFiles::FolderFiles(const std::string& folder) : m_strFolder(folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st;
    DIR* dir = ::fstat(fd, &st) == 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        // An entry's inode is the file's own, but for a symbolic link it is the link's.
        const bool plain = entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN;
        const std::string_view name(entry->d_name);
        m_entries.push_back(
            {static_cast<std::uint32_t>(m_names.size()), static_cast<std::uint32_t>(name.size()),
                plain ? FileId(st.st_dev, entry->d_ino) : IdOfStatus(::dirfd(dir), entry->d_name)});
        m_names += name;
    }
    ::closedir(dir);
    std::sort(m_entries.begin(), m_entries.end(),
        [this](const Entry& a, const Entry& b) { return NameOf(a) < NameOf(b); });
}

std::string_view FolderFiles::NameOf(const Entry& entry) const
{
    return std::string_view(m_names).substr(entry.m_nStart, entry.m_nSize);
}

std::uint64_t FolderFiles::IdOf(std::string_view name) const
{
    const auto found = std::lower_bound(m_entries.begin(), m_entries.end(), name,
        [this](const Entry& entry, std::string_view key) { return NameOf(entry) < key; });
    if (found != m_entries.end() && NameOf(*found) == name)
        return found->m_nId;
    return IdOfStatus(AT_FDCWD, JoinPath(m_strFolder, std::string(name)).c_str());
}
