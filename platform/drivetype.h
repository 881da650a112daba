#pragma once

#include <string>

// Kinds of the file system that holds a path, with the Windows values.
constexpr unsigned DRIVE_UNKNOWN = 0;
constexpr unsigned DRIVE_NO_ROOT_DIR = 1; // the path does not exist
constexpr unsigned DRIVE_REMOVABLE = 2;
constexpr unsigned DRIVE_FIXED = 3;
constexpr unsigned DRIVE_REMOTE = 4;
constexpr unsigned DRIVE_CDROM = 5;
constexpr unsigned DRIVE_RAMDISK = 6;

// Where the drive type is read from; tests point both at fakes.
struct DriveTypeSources {
    std::string m_strMountInfo = "/proc/self/mountinfo";
    std::string m_strSysRoot = "/sys";
};
// Sets the sources for the whole process; returns the previous ones.
DriveTypeSources SetDriveTypeSources(DriveTypeSources sources);

// The kind of the mount that holds path (null or empty: the current folder), found in the
// mount table: network file systems are remote; tmpfs, ramfs and RAM block devices RAM disks;
// iso9660 and udf, or an optical drive, CD-ROMs; a block device whose disk says removable (seen
// through partitions and the devices a device-mapper or RAID device is built on) removable;
// everything else fixed.
unsigned GetDriveTypeA(const char* path);

// The same over a given mountinfo text and /sys root, for tests.
unsigned DriveTypeFromMountInfo(
    const std::string& realPath, const std::string& mountInfo, const std::string& sysRoot);
