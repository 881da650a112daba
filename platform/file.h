#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <sys/types.h>

#include "platform/exception.h"

// Renames oldPath to newPath only when nothing is at newPath (never replaces a file); link and
// unlink, or a check and a rename, where the file system has no RENAME_NOREPLACE. Returns 0 or
// an errno (EEXIST when newPath is taken).
int RenameNoReplace(const std::string& oldPath, const std::string& newPath);

struct CFileStatus {
    std::int64_t m_size = 0;
    std::time_t m_mtime = 0;
    mode_t m_mode = 0;
    bool m_bDirectory = false;
};

// A file over a POSIX descriptor. Open never creates a file and reports failure by its result;
// every later failure throws CFileException carrying errno and the path.
class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        // Accepted for the callers' sake; Linux has no mandatory sharing modes.
        shareExclusive = 0x0010,
        // Accepted for the callers' sake: every open is made without waiting (a named pipe
        // without a writer), and only regular files are kept open.
        modeNoBlock = 0x0100,
        // A symbolic link as the last part of the path is not followed (the open fails with
        // ELOOP).
        modeNoFollow = 0x0200,
        // Reads through the descriptor leave the access time alone (O_NOATIME) where the file's
        // owner opens it; anyone else opens it as without the flag.
        modeNoAccessTime = 0x0400,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens an existing regular file; false (and errno, or kErrorNotRegularFile for anything
    // else, in *error when given) when it cannot. Never waits and never reads or writes a byte
    // of something that is not a regular file.
    bool Open(const std::string& path, unsigned flags, int* error = nullptr);
    // Opens name in the folder open as folderFd (AT_FDCWD: the current folder), which spares
    // the system the walk of the whole path; path names the same file in errors.
    bool OpenAt(int folderFd, const std::string& name, const std::string& path, unsigned flags,
        int* error = nullptr);
    bool IsOpen() const { return m_fd >= 0; }
    // True when the file was opened for writing.
    bool IsWritable() const { return m_fd >= 0 && m_bWritable; }
    int Handle() const { return m_fd; }
    const std::string& GetFilePath() const { return m_strPath; }
    // The file's length as the open (or since it LockNamed) saw it, without asking the system
    // again.
    std::int64_t KnownLength() const { return m_nKnownLength; }
    // The device and inode of the open file (they cannot change while it is open).
    dev_t Device() const { return m_nDevice; }
    ino_t Inode() const { return m_nInode; }

    // Returns the new position from the beginning.
    std::int64_t Seek(std::int64_t offset, SeekPosition from);
    // Reads up to count bytes; fewer only at the end of the file.
    std::size_t Read(void* buffer, std::size_t count);
    // Reads up to count bytes at offset without moving the file position.
    std::size_t ReadAt(void* buffer, std::size_t count, std::int64_t offset);
    // Writes all count bytes or throws.
    void Write(const void* buffer, std::size_t count);
    // Writes all count bytes at offset without moving the file position, or throws.
    void WriteAt(const void* buffer, std::size_t count, std::int64_t offset);
    std::int64_t GetLength() const;
    void SetLength(std::int64_t length);
    // Waits for and holds an advisory lock (flock) on the file until it is closed, so that
    // another writer that locks it too waits.
    void Lock();
    // Lock, then one status query of name in the folder open as folderFd (AT_FDCWD: name is a
    // path; links followed): true when name still names this file, whose length it then
    // records as known. False when another file has taken the name while the lock was awaited.
    bool LockNamed(int folderFd, const std::string& name);
    // Flushes the file's data to the disk (fsync).
    void Flush();
    // Closes the descriptor; a failing close throws. Harmless when not open.
    void Close();

    // Status of the file or folder at path; false when it cannot be read.
    static bool GetStatus(const std::string& path, CFileStatus& status);
    // Renames a file within its folder. Throws CFileException when newPath exists (never
    // replaces a file), when newPath lies in another folder (the new name held a '/'), when
    // the new name is empty, "." or "..", and when the system refuses.
    static void Rename(const std::string& oldPath, const std::string& newPath);

private:
    [[noreturn]] void ThrowError(int error) const;

    int m_fd = -1;
    bool m_bWritable = false;
    std::int64_t m_nKnownLength = 0;
    dev_t m_nDevice = 0;
    ino_t m_nInode = 0;
    std::string m_strPath;
};
