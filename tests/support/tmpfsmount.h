#pragma once

#include <cstdint>
#include <string>

class TempDir;

// A small tmpfs mounted on a new folder inside a TempDir for the life of the object, for tests
// of full and read-only disks. Mounting needs root (or a user namespace); when it fails the
// object is not mounted and Why() tells the test what to skip with:
//
//     TmpfsMount disk(dir, "small", 1 << 20);
//     if (!disk.IsMounted())
//         GTEST_SKIP() << disk.Why();
//
// Declare it after its TempDir, so that it is unmounted before the folder is removed.
class TmpfsMount {
public:
    TmpfsMount(const TempDir& dir, const std::string& name, std::int64_t bytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool IsMounted() const { return m_bMounted; }
    const std::string& Why() const { return m_strWhy; }
    const std::string& Path() const { return m_strPath; }
    std::string operator/(const std::string& name) const { return m_strPath + "/" + name; }

    // Fills the file system up to its last byte with one file (name inside the mount): large
    // writes, then single bytes, until the system answers ENOSPC. Returns the bytes written.
    // Afterwards a write that needs a new page fails; writes inside pages a file already has
    // still succeed.
    std::int64_t Fill(const std::string& name = ".filler");
    // Bytes the file system still offers (statvfs).
    std::int64_t FreeBytes() const;
    bool RemountReadOnly();
    bool RemountWritable();

private:
    std::string m_strPath;
    std::string m_strOptions;
    std::string m_strWhy;
    bool m_bMounted = false;
};
