#include "fileops/pathchecks.h"

#include <sys/stat.h>
#include <sys/vfs.h>

FileIdentity IdentityOf(const std::string& path)
{
    struct stat info { };
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return {};
    return {true, info.st_dev, info.st_ino};
}

bool SameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    const FileIdentity first = IdentityOf(a);
    return first.m_bExists && first == IdentityOf(b);
}

bool AnythingAt(const std::string& path)
{
    struct stat info { };
    return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

bool IsRegularFile(const std::string& path)
{
    struct stat info { };
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string CompanionTextName(const std::string& fileName)
{
    const std::size_t dot = fileName.rfind('.');
    return (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + ".txt";
}

unsigned DriveKindOf(const std::string& path)
{
    constexpr unsigned kFixed = 3, kRemote = 4, kCdRom = 5, kRamDisk = 6;
    struct statfs info { };
    if (path.empty() || ::statfs(path.c_str(), &info) != 0)
        return kFixed;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x01021994: // tmpfs
    case 0x858458f6: // ramfs
        return kRamDisk;
    case 0x9660: // iso9660
    case 0x15013346: // udf
        return kCdRom;
    case 0x6969: // nfs
    case 0xff534d42: // cifs
    case 0xfe534d42: // smb2
    case 0x65735546: // fuse (sshfs and the like)
        return kRemote;
    default:
        return kFixed;
    }
}
