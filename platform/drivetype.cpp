#include "platform/drivetype.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <unistd.h>

namespace {

// Mount points in mountinfo escape space, tab, newline and backslash as octal.
std::string Unescaped(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool Holds(const std::string& mountPoint, const std::string& path)
{
    if (mountPoint == "/")
        return true;
    return path.compare(0, mountPoint.size(), mountPoint) == 0
        && (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

unsigned DriveTypeFromMountInfo(
    const std::string& realPath, const std::string& mountInfo, const std::string& sysRoot)
{
    std::istringstream lines(mountInfo);
    std::string line, bestPoint, bestType, bestSource, bestDevice;
    bool found = false;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point, field;
        fields >> id >> parent >> device >> root >> point;
        while (fields >> field && field != "-") { }
        std::string type, source;
        fields >> type >> source;
        point = Unescaped(point);
        // Later lines mount over earlier ones at the same point.
        if (!type.empty() && Holds(point, realPath) && point.size() >= bestPoint.size()) {
            bestPoint = point;
            bestType = type;
            bestSource = source;
            bestDevice = device;
            found = true;
        }
    }
    if (!found)
        return DRIVE_UNKNOWN;
    static const std::set<std::string> remote = {"nfs", "nfs4", "cifs", "smb3", "smbfs",
        "fuse.sshfs", "sshfs", "9p", "afs", "ceph", "glusterfs", "davfs", "fuse.davfs2", "ncpfs"};
    if (remote.count(bestType))
        return DRIVE_REMOTE;
    if (bestType == "tmpfs" || bestType == "ramfs")
        return DRIVE_RAMDISK;
    if (bestType == "iso9660" || bestType == "udf" || bestSource.rfind("/dev/sr", 0) == 0)
        return DRIVE_CDROM;
    const std::string block = sysRoot + "/dev/block/" + bestDevice;
    if (ReadText(block + "/removable").rfind("1", 0) == 0
        || ReadText(block + "/../removable").rfind("1", 0) == 0)
        return DRIVE_REMOVABLE;
    return DRIVE_FIXED;
}

unsigned GetDriveTypeA(const char* path)
{
    char* real = realpath(path && *path ? path : ".", nullptr);
    if (!real)
        return DRIVE_NO_ROOT_DIR;
    const std::string resolved = real;
    free(real);
    return DriveTypeFromMountInfo(resolved, ReadText("/proc/self/mountinfo"), "/sys");
}
