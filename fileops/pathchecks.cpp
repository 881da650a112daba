#include "fileops/pathchecks.h"

#include <sys/stat.h>

#include "platform/drivetype.h"
#include "platform/path.h"

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

unsigned DriveTypeOfFolder(const std::string& folder)
{
    std::string existing = folder.empty() ? "." : folder;
    while (!IdentityOf(existing).m_bExists && existing.find('/') != std::string::npos) {
        const std::string parent = FolderOf(existing);
        existing = parent.empty() ? "/" : parent;
    }
    return GetDriveTypeA(existing.c_str());
}
