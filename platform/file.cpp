#include "platform/file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path.h"

int RenameNoReplace(const std::string& oldPath, const std::string& newPath)
{
    if (renameat2(AT_FDCWD, oldPath.c_str(), AT_FDCWD, newPath.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (link(oldPath.c_str(), newPath.c_str()) == 0) {
        if (unlink(oldPath.c_str()) != 0) {
            int error = errno;
            unlink(newPath.c_str());
            return error;
        }
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP)
        return errno;
    // No hard links either (vfat, some network mounts): check, then rename.
    struct stat st;
    if (lstat(newPath.c_str(), &st) == 0)
        return EEXIST;
    return rename(oldPath.c_str(), newPath.c_str()) == 0 ? 0 : errno;
}

CFile::~CFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CFile::Open(const std::string& path, unsigned flags, int* error)
{
    return OpenAt(AT_FDCWD, path, path, flags, error);
}

bool CFile::OpenAt(
    int folderFd, const std::string& name, const std::string& path, unsigned flags, int* error)
{
    if (m_fd >= 0)
        Close();
    int access = O_RDONLY;
    if (flags & modeReadWrite)
        access = O_RDWR;
    else if (flags & modeWrite)
        access = O_WRONLY;
    int osFlags = access | O_CLOEXEC | O_NONBLOCK | ((flags & modeNoFollow) ? O_NOFOLLOW : 0);
    if (flags & modeNoAccessTime)
        osFlags |= O_NOATIME;
    int fd;
    for (;;) {
        fd = ::openat(folderFd, name.c_str(), osFlags);
        if (fd >= 0)
            break;
        // O_NOATIME is refused to all but the file's owner.
        if (errno == EPERM && (osFlags & O_NOATIME))
            osFlags &= ~O_NOATIME;
        else if (errno != EINTR)
            break;
    }
    if (fd < 0) {
        if (error)
            *error = errno;
        return false;
    }
    // A device or pipe named like a song is never read or written.
    struct stat st;
    const int why = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : kErrorNotRegularFile;
    if (why) {
        ::close(fd);
        if (error)
            *error = why;
        return false;
    }
    m_fd = fd;
    m_bWritable = access != O_RDONLY;
    m_nKnownLength = st.st_size;
    m_nDevice = st.st_dev;
    m_nInode = st.st_ino;
    m_strPath = path;
    return true;
}

void CFile::ThrowError(int error) const
{
    throw CFileException(error, m_strPath);
}

std::int64_t CFile::Seek(std::int64_t offset, SeekPosition from)
{
    int whence = from == begin ? SEEK_SET : from == end ? SEEK_END : SEEK_CUR;
    off_t position = ::lseek(m_fd, offset, whence);
    if (position < 0)
        ThrowError(errno);
    return position;
}

namespace {

// Reads until count bytes or the end of the file, retrying interrupted calls; readSome reads
// at the offset done bytes into the request.
template <typename ReadSome>
std::size_t ReadFully(char* out, std::size_t count, ReadSome readSome, int& error)
{
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = readSome(out + done, count - done, done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return done;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

std::size_t CFile::Read(void* buffer, std::size_t count)
{
    int error = 0;
    std::size_t done = ReadFully(
        static_cast<char*>(buffer), count,
        [this](char* out, std::size_t want, std::size_t) { return ::read(m_fd, out, want); },
        error);
    if (error)
        ThrowError(error);
    return done;
}

std::size_t CFile::ReadAt(void* buffer, std::size_t count, std::int64_t offset)
{
    int error = 0;
    std::size_t done = ReadFully(
        static_cast<char*>(buffer), count,
        [this, offset](char* out, std::size_t want, std::size_t done) {
            return ::pread(m_fd, out, want, offset + static_cast<off_t>(done));
        },
        error);
    if (error)
        ThrowError(error);
    return done;
}

namespace {

// Writes all count bytes or returns the errno that stopped it; writeSome writes at the offset
// done bytes into the request.
template <typename WriteSome> int WriteFully(const char* in, std::size_t count, WriteSome writeSome)
{
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = writeSome(in + done, count - done, done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

} // namespace

void CFile::Write(const void* buffer, std::size_t count)
{
    const int error = WriteFully(static_cast<const char*>(buffer), count,
        [this](const char* in, std::size_t want, std::size_t) { return ::write(m_fd, in, want); });
    if (error)
        ThrowError(error);
}

void CFile::WriteAt(const void* buffer, std::size_t count, std::int64_t offset)
{
    const int error = WriteFully(static_cast<const char*>(buffer), count,
        [this, offset](const char* in, std::size_t want, std::size_t done) {
            return ::pwrite(m_fd, in, want, offset + static_cast<off_t>(done));
        });
    if (error)
        ThrowError(error);
}

std::int64_t CFile::GetLength() const
{
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        ThrowError(errno);
    return st.st_size;
}

void CFile::SetLength(std::int64_t length)
{
    if (::ftruncate(m_fd, length) != 0)
        ThrowError(errno);
}

void CFile::Lock()
{
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR)
            ThrowError(errno);
    }
}

bool CFile::LockNamed(int folderFd, const std::string& name)
{
    Lock();
    struct stat named;
    if (::fstatat(folderFd, name.c_str(), &named, 0) != 0 || named.st_dev != m_nDevice
        || named.st_ino != m_nInode)
        return false;
    m_nKnownLength = named.st_size;
    return true;
}

void CFile::Flush()
{
    if (::fsync(m_fd) != 0)
        ThrowError(errno);
}

void CFile::Close()
{
    if (m_fd < 0)
        return;
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        ThrowError(errno);
}

bool CFile::GetStatus(const std::string& path, CFileStatus& status)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    status.m_size = st.st_size;
    status.m_mtime = st.st_mtime;
    status.m_mode = st.st_mode;
    status.m_bDirectory = S_ISDIR(st.st_mode);
    return true;
}

void CFile::Rename(const std::string& oldPath, const std::string& newPath)
{
    // The program renames files within their folder only; a new name that would leave the
    // folder (it held a '/') or that names the folder itself is refused.
    std::string newName = FileNameOf(newPath);
    if (newName.empty() || newName == "." || newName == ".."
        || FolderOf(newPath) != FolderOf(oldPath))
        throw CFileException(EINVAL, newPath);
    if (int error = RenameNoReplace(oldPath, newPath))
        throw CFileException(error, oldPath);
}
