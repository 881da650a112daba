#pragma once

#include <string>
#include <sys/types.h>

// Small questions the file commands ask about paths before and after a shell operation.

// Which file a path names right now: its device and inode, or nothing.
struct FileIdentity {
    bool m_bExists = false;
    dev_t m_nDevice = 0;
    ino_t m_nInode = 0;

    bool operator==(const FileIdentity&) const = default;
};
// Follows symbolic links, as opening the path would.
FileIdentity IdentityOf(const std::string& path);

// True when the two paths are the same text or name the same existing file (same device and
// inode), also when spelt differently (another letter case on a case-insensitive disk, a
// symbolic link, "." or ".." in the path).
bool SameFile(const std::string& a, const std::string& b);

// True when anything is at the path, a dangling symbolic link included.
bool AnythingAt(const std::string& path);

// True for an existing regular file (after following links); a folder is not one.
bool IsRegularFile(const std::string& path);

// The drive type (GetDriveTypeA) of the mount that holds a folder; a folder that no longer
// exists counts as its nearest existing parent, which is where it was.
unsigned DriveTypeOfFolder(const std::string& folder);
