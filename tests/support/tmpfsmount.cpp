#include "support/tmpfsmount.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "support/fixtures.h"

TmpfsMount::TmpfsMount(const TempDir& dir, const std::string& name, std::int64_t bytes)
    : m_strPath(dir / name), m_strOptions("size=" + std::to_string(bytes) + ",mode=0755")
{
    MakeFolder(m_strPath);
    if (::mount("tmpfs", m_strPath.c_str(), "tmpfs", 0, m_strOptions.c_str()) != 0) {
        m_strWhy = std::string("cannot mount a tmpfs here (needs root): ") + std::strerror(errno);
        return;
    }
    m_bMounted = true;
}

TmpfsMount::~TmpfsMount()
{
    if (m_bMounted && ::umount(m_strPath.c_str()) != 0)
        ::umount2(m_strPath.c_str(), MNT_DETACH);
}

std::int64_t TmpfsMount::Fill(const std::string& name)
{
    const std::string path = *this / name;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return 0;
    std::int64_t written = 0;
    const std::vector<char> block(1 << 16, 'f');
    for (std::size_t chunk : {block.size(), std::size_t {4096}, std::size_t {1}}) {
        for (;;) {
            const ssize_t n = ::write(fd, block.data(), chunk);
            if (n <= 0)
                break;
            written += n;
        }
    }
    ::close(fd);
    return written;
}

std::int64_t TmpfsMount::FreeBytes() const
{
    struct statvfs st { };
    if (::statvfs(m_strPath.c_str(), &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
}

bool TmpfsMount::RemountReadOnly()
{
    return m_bMounted
        && ::mount(
               "tmpfs", m_strPath.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, m_strOptions.c_str())
        == 0;
}

bool TmpfsMount::RemountWritable()
{
    return m_bMounted
        && ::mount("tmpfs", m_strPath.c_str(), "tmpfs", MS_REMOUNT, m_strOptions.c_str()) == 0;
}
