#include <filesystem>
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/drivetype.h"
#include "support/fixtures.h"

TEST(DriveType, KindsFromTheMountThatHoldsThePath)
{
    TempDir sys;
    MakeFolder(sys / "dev/block/8:17");
    WriteFileBytes(sys / "dev/block/8:17/removable", "1\n");
    const std::string info = "20 1 0:20 / / rw - ext4 /dev/sda1 rw\n"
                             "21 20 0:30 / /mnt/nas rw - nfs4 srv:/music rw\n"
                             "22 20 0:31 / /run/ram rw - tmpfs tmpfs rw\n"
                             "23 20 11:0 / /media/cd\\040rom ro - iso9660 /dev/sr0 ro\n"
                             "24 20 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"
                             "25 21 0:32 / /mnt/nas/local rw - ext4 /dev/sda2 rw\n";
    EXPECT_EQ(DriveTypeFromMountInfo("/home/u/a.mp3", info, sys.Path()), DRIVE_FIXED);
    EXPECT_EQ(DriveTypeFromMountInfo("/mnt/nas/x", info, sys.Path()), DRIVE_REMOTE);
    EXPECT_EQ(DriveTypeFromMountInfo("/mnt/nasty", info, sys.Path()), DRIVE_FIXED);
    EXPECT_EQ(DriveTypeFromMountInfo("/mnt/nas/local/y", info, sys.Path()), DRIVE_FIXED);
    EXPECT_EQ(DriveTypeFromMountInfo("/run/ram", info, sys.Path()), DRIVE_RAMDISK);
    EXPECT_EQ(DriveTypeFromMountInfo("/media/cd rom/t.mp3", info, sys.Path()), DRIVE_CDROM);
    EXPECT_EQ(DriveTypeFromMountInfo("/media/stick/m.mp3", info, sys.Path()), DRIVE_REMOVABLE);
}

TEST(DriveType, RealPaths)
{
    TempDir dir;
    EXPECT_EQ(GetDriveTypeA((dir / "missing").c_str()), DRIVE_NO_ROOT_DIR);
    EXPECT_NE(GetDriveTypeA("/"), DRIVE_NO_ROOT_DIR);
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    MakeFolder(dir / "ram");
    if (mount("tmpfs", (dir / "ram").c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount tmpfs here";
    MakeFolder(dir / "ram/sub");
    EXPECT_EQ(GetDriveTypeA((dir / "ram/sub").c_str()), DRIVE_RAMDISK);
    umount((dir / "ram").c_str());
}

namespace {

// A block device in a fake /sys as the kernel lays it out: its folder under devices/ and the
// link dev/block/MAJOR:MINOR to it (class/block/NAME too).
std::string FakeBlock(const TempDir& sys, const std::string& number, const std::string& folder)
{
    MakeFolder(sys / folder);
    MakeFolder(sys / "dev/block");
    MakeFolder(sys / "class/block");
    std::filesystem::create_symlink("../../" + folder, sys / ("dev/block/" + number));
    std::filesystem::create_symlink("../../" + folder,
        sys / ("class/block/" + std::filesystem::path(folder).filename().string()));
    return sys / folder;
}

// A machine with a fixed disk, a USB stick (two partitions, one under an encrypted
// device-mapper volume), a whole-disk stick, an optical drive, a zram disk, built-in flash and
// an SD card.
void MakeFakeSys(const TempDir& sys)
{
    WriteFileBytes(FakeBlock(sys, "8:0", "devices/pci/ata1/block/sda") + "/removable", "0\n");
    WriteFileBytes(FakeBlock(sys, "8:1", "devices/pci/ata1/block/sda/sda1") + "/partition", "1\n");
    WriteFileBytes(FakeBlock(sys, "8:16", "devices/pci/usb1/block/sdb") + "/removable", "1\n");
    WriteFileBytes(FakeBlock(sys, "8:17", "devices/pci/usb1/block/sdb/sdb1") + "/partition", "1\n");
    WriteFileBytes(FakeBlock(sys, "8:18", "devices/pci/usb1/block/sdb/sdb2") + "/partition", "2\n");
    const std::string dm = FakeBlock(sys, "254:0", "devices/virtual/block/dm-0");
    WriteFileBytes(dm + "/removable", "0\n");
    MakeFolder(dm + "/slaves");
    std::filesystem::create_symlink("../../../../pci/usb1/block/sdb/sdb2", dm + "/slaves/sdb2");
    WriteFileBytes(FakeBlock(sys, "8:32", "devices/pci/usb2/block/sdc") + "/removable", "1\n");
    const std::string sr = FakeBlock(sys, "11:0", "devices/pci/ata2/block/sr0");
    WriteFileBytes(sr + "/removable", "1\n");
    MakeFolder(sr + "/device");
    WriteFileBytes(sr + "/device/type", "5\n");
    WriteFileBytes(FakeBlock(sys, "252:0", "devices/virtual/block/zram0") + "/removable", "0\n");
    for (const char* card : {"mmcblk0", "mmcblk1"}) {
        const std::string disk = FakeBlock(
            sys, card[6] == '0' ? "179:0" : "179:8", std::string("devices/mmc/block/") + card);
        WriteFileBytes(disk + "/removable", "0\n");
        MakeFolder(disk + "/device");
        WriteFileBytes(disk + "/device/type", card[6] == '0' ? "MMC\n" : "SD\n");
    }
}

const char kMachineMounts[] = "20 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                              "30 20 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"
                              "31 20 254:0 / /media/secret rw - ext4 /dev/mapper/luks-1 rw\n"
                              "32 20 8:32 / /media/whole rw - exfat /dev/sdc rw\n"
                              "33 20 0:45 / /media/btr rw - btrfs /dev/sdb2 rw\n"
                              "34 20 11:0 / /media/dvd ro - ext2 /dev/sr0 ro\n"
                              "35 20 252:0 / /var/cache rw - ext4 /dev/zram0 rw\n"
                              "36 20 179:0 / /boot rw - vfat /dev/mmcblk0 rw\n"
                              "37 20 179:8 / /media/card rw - exfat /dev/mmcblk1 rw\n"
                              "38 20 0:50 / /mnt/share rw - fuse.rclone remote: rw\n"
                              "39 20 0:51 / /mnt/gluster rw - fuse.gv gv:/volume rw\n"
                              "40 20 0:52 / /mnt/win rw - smb2 //server/music rw\n";

} // namespace

TEST(DriveType, RemovableThroughPartitionsAndDeviceMapperOpticalRamAndRemote)
{
    TempDir sys;
    MakeFakeSys(sys);
    auto kind = [&](const char* path) {
        return DriveTypeFromMountInfo(path, kMachineMounts, sys.Path());
    };
    EXPECT_EQ(kind("/home/u/a.mp3"), DRIVE_FIXED);
    EXPECT_EQ(kind("/media/stick/a.mp3"), DRIVE_REMOVABLE);
    EXPECT_EQ(kind("/media/secret/a.mp3"), DRIVE_REMOVABLE);
    EXPECT_EQ(kind("/media/whole/a.mp3"), DRIVE_REMOVABLE);
    EXPECT_EQ(kind("/media/btr/a.mp3"), DRIVE_REMOVABLE);
    EXPECT_EQ(kind("/media/dvd/a.mp3"), DRIVE_CDROM);
    EXPECT_EQ(kind("/var/cache/a.mp3"), DRIVE_RAMDISK);
    EXPECT_EQ(kind("/boot/a.mp3"), DRIVE_FIXED);
    EXPECT_EQ(kind("/media/card/a.mp3"), DRIVE_REMOVABLE);
    EXPECT_EQ(kind("/mnt/share/a.mp3"), DRIVE_REMOTE);
    EXPECT_EQ(kind("/mnt/gluster/a.mp3"), DRIVE_REMOTE);
    EXPECT_EQ(kind("/mnt/win/a.mp3"), DRIVE_REMOTE);
}

TEST(DriveType, RealPathsAgainstInjectedSources)
{
    TempDir sys;
    MakeFakeSys(sys);
    TempDir dir;
    MakeFolder(dir / "stick/sub");
    WriteFileBytes(dir / "mountinfo",
        std::string(kMachineMounts) + "40 20 8:17 / " + dir.Path()
            + "/stick rw - vfat /dev/sdb1 rw\n");
    const DriveTypeSources previous = SetDriveTypeSources({dir / "mountinfo", sys.Path()});
    const unsigned stick = GetDriveTypeA((dir / "stick/sub").c_str());
    const unsigned beside = GetDriveTypeA(dir.Path().c_str());
    SetDriveTypeSources(previous);
    EXPECT_EQ(stick, DRIVE_REMOVABLE);
    EXPECT_EQ(beside, DRIVE_FIXED);
}
