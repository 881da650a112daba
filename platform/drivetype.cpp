#include "platform/drivetype.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/stat.h>

#include "platform/path.h"

namespace {

std::mutex g_sourcesMutex;
DriveTypeSources g_sources;

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

bool StartsWith(const std::string& text, const std::string& start)
{
    return text.rfind(start, 0) == 0;
}

bool Exists(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0;
}

// The path with every symbolic link resolved; empty when it does not exist.
std::string Resolved(const std::string& path)
{
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return {};
    std::string resolved = real;
    free(real);
    return resolved;
}

struct Mount {
    std::string m_strType;
    std::string m_strSource;
    std::string m_strDevice; // major:minor
};

// The mount that holds realPath: the longest mount point above it, the later line of two at the
// same point (it is mounted over the earlier one).
bool FindMount(const std::string& realPath, const std::string& mountInfo, Mount& mount)
{
    std::istringstream lines(mountInfo);
    std::string line, bestPoint;
    bool found = false;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point, field;
        fields >> id >> parent >> device >> root >> point;
        while (fields >> field && field != "-") { }
        std::string type, source;
        fields >> type >> source;
        point = Unescaped(point);
        if (!type.empty() && Holds(point, realPath) && point.size() >= bestPoint.size()) {
            bestPoint = point;
            mount = {type, Unescaped(source), device};
            found = true;
        }
    }
    return found;
}

bool IsRemote(const Mount& mount)
{
    static const std::set<std::string> types = {"nfs", "nfs4", "cifs", "smb3", "smbfs",
        "fuse.sshfs", "sshfs", "9p", "afs", "ceph", "glusterfs", "fuse.glusterfs", "davfs",
        "fuse.davfs2", "ncpfs", "fuse.rclone", "fuse.s3fs", "fuse.curlftpfs", "lustre"};
    // "//server/share" and "host:/export" name a share on another machine.
    const std::string& source = mount.m_strSource;
    const std::size_t colon = source.find(":/");
    return types.count(mount.m_strType) || StartsWith(source, "//")
        || (colon != std::string::npos && colon > 0 && source.find('/') > colon);
}

// The sysfs folder of the mount's block device: by its device number, or, for file systems
// that report a device number of their own (btrfs), by the name of the mounted device.
std::string BlockFolderOf(const Mount& mount, const std::string& sysRoot)
{
    std::string folder = Resolved(sysRoot + "/dev/block/" + mount.m_strDevice);
    if (folder.empty() && StartsWith(mount.m_strSource, "/dev/")) {
        const std::string device = Resolved(mount.m_strSource);
        folder = Resolved(
            sysRoot + "/class/block/" + FileNameOf(device.empty() ? mount.m_strSource : device));
    }
    return folder;
}

// The kind of the disk behind a sysfs block folder: a partition is seen through its disk, a
// device-mapper or RAID device through the devices it is built on.
unsigned KindOfBlock(std::string folder, int depth)
{
    if (Exists(folder + "/partition"))
        folder = Resolved(folder + "/..");
    const std::string name = FileNameOf(folder);
    if (StartsWith(name, "sr") || StartsWith(ReadText(folder + "/device/type"), "5"))
        return DRIVE_CDROM;
    if (StartsWith(name, "zram") || StartsWith(name, "ram"))
        return DRIVE_RAMDISK;
    // SD cards say removable through their card type, not the flag.
    if (StartsWith(ReadText(folder + "/removable"), "1")
        || (StartsWith(name, "mmcblk") && StartsWith(ReadText(folder + "/device/type"), "SD")))
        return DRIVE_REMOVABLE;
    if (depth < 8) {
        if (DIR* slaves = opendir((folder + "/slaves").c_str())) {
            unsigned kind = DRIVE_FIXED;
            while (const dirent* entry = readdir(slaves)) {
                const std::string slave = Resolved(folder + "/slaves/" + entry->d_name);
                if (entry->d_name[0] != '.' && !slave.empty() && kind == DRIVE_FIXED)
                    kind = KindOfBlock(slave, depth + 1);
            }
            closedir(slaves);
            return kind;
        }
    }
    return DRIVE_FIXED;
}

} // namespace

DriveTypeSources SetDriveTypeSources(DriveTypeSources sources)
{
    std::lock_guard lock(g_sourcesMutex);
    std::swap(g_sources, sources);
    return sources;
}

unsigned DriveTypeFromMountInfo(
    const std::string& realPath, const std::string& mountInfo, const std::string& sysRoot)
{
    Mount mount;
    if (!FindMount(realPath, mountInfo, mount))
        return DRIVE_UNKNOWN;
    if (IsRemote(mount))
        return DRIVE_REMOTE;
    if (mount.m_strType == "tmpfs" || mount.m_strType == "ramfs")
        return DRIVE_RAMDISK;
    if (mount.m_strType == "iso9660" || mount.m_strType == "udf")
        return DRIVE_CDROM;
    const std::string block = BlockFolderOf(mount, sysRoot);
    return block.empty() ? DRIVE_FIXED : KindOfBlock(block, 0);
}

unsigned GetDriveTypeA(const char* path)
{
    const std::string resolved = Resolved(path && *path ? path : ".");
    if (resolved.empty())
        return DRIVE_NO_ROOT_DIR;
    DriveTypeSources sources;
    {
        std::lock_guard lock(g_sourcesMutex);
        sources = g_sources;
    }
    return DriveTypeFromMountInfo(resolved, ReadText(sources.m_strMountInfo), sources.m_strSysRoot);
}
