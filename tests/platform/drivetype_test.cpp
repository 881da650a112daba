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
