#include "platform/PosixDrives.h"

#include "tests/common/TempFolder.h"
#include "tests/locate/Trees.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace texkit2::platform {
namespace {

namespace fs = std::filesystem;
using testing::slashed;
using testing::TempFolder;
using testing::touch;
using testing::writeText;

// A mount table, a sysfs and a /dev/disk/by-uuid of our own making. Mount points are folders
// of the temporary folder, so the table's checks of them see real folders.
class FakeMachine {
 public:
  FakeMachine() { addLine("1 0 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw"); }

  const TempFolder& temp() const { return m_temp; }
  fs::path mnt(const std::string& name) const { return m_temp / "mnt" / name; }

  // Mounts `fileSystem` at mnt/NAME (made as a folder unless told otherwise).
  void mount(const std::string& name, const std::string& fileSystem, const std::string& source,
             const std::string& device = "0:99", bool makeFolder = true) {
    if (makeFolder) {
      fs::create_directories(mnt(name));
    }
    std::string point;
    for (const char c : mnt(name).string()) {
      point += c == ' ' ? std::string("\\040") : std::string(1, c);
    }
    addLine(std::to_string(m_nextId++) + " 1 " + device + " / " + point +
            " rw,nosuid master:7 shared:9 - " + fileSystem + " " + source + " rw");
  }

  void addLine(const std::string& line) { m_lines += line + "\n"; }
  void clearLines() { m_lines.clear(); }

  // A disk or partition in sysfs at devices/BUS/block/DISK[/PART], reachable by its number.
  fs::path blockDevice(const std::string& device, const std::string& bus, const std::string& disk,
                       const std::string& partition = {}, const std::string& removable = "0",
                       const std::string& scsiType = {}) {
    const fs::path diskFolder = m_temp / "sys" / "devices" / bus / "block" / disk;
    writeText(diskFolder / "removable", removable + "\n");
    if (!scsiType.empty()) {
      writeText(diskFolder / "device" / "type", scsiType + "\n");
    }
    fs::path node = diskFolder;
    if (!partition.empty()) {
      node = diskFolder / partition;
      writeText(node / "partition", "1\n");
    }
    link(node, m_temp / "sys" / "dev" / "block" / device);
    link(node, m_temp / "sys" / "class" / "block" / node.filename());
    return node;
  }

  void uuid(const std::string& uuid, const std::string& deviceName) {
    fs::create_directories(m_temp / "dev" / "disk" / "by-uuid");
    const fs::path entry = m_temp / "dev" / "disk" / "by-uuid" / uuid;
    std::error_code ec;
    fs::remove(entry, ec);
    fs::create_symlink("../../" + deviceName, entry);
  }
  void removeUuid(const std::string& uuid) {
    fs::remove(m_temp / "dev" / "disk" / "by-uuid" / uuid);
  }

  PosixDrives drives() {
    writeText(m_temp / "mountinfo", m_lines);
    return PosixDrives(
        {(m_temp / "mountinfo").string(), (m_temp / "sys").string(), (m_temp / "dev").string()});
  }

  std::optional<DriveType> typeOf(const std::string& name) {
    for (const auto& drive : drives().drives()) {
      if (drive.path == slashed(mnt(name))) {
        return drive.type;
      }
    }
    return std::nullopt;
  }

 private:
  static void link(const fs::path& target, const fs::path& at) {
    fs::create_directories(at.parent_path());
    fs::create_directory_symlink(target, at);
  }

  TempFolder m_temp;
  std::string m_lines;
  int m_nextId = 100;
};

TEST(PosixDrivesTest, ParsesMountInfoLines) {
  const auto mounts = parseMountInfo(
      "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
      "37 35 0:5 / /media/My\\040Stick rw - vfat /dev/sdb1 rw\n"
      "38 35 0:6 / /no/dash rw ext4 /dev/sdc1 rw\n"
      "garbage\n"
      "\n"
      "39 35 x:y / /bad/device rw - ext4 /dev/sdd1 rw\n"
      "40 35 0:7 / relative rw - ext4 /dev/sde1 rw\n"
      "41 35 8:1 / /trailing/ rw shared:1 shared:2 master:3 - fuse.sshfs me@host: rw\n");
  ASSERT_EQ(mounts.size(), 3u);
  EXPECT_EQ(mounts[0].mountId, 36u);
  EXPECT_EQ(mounts[0].major, 98u);
  EXPECT_EQ(mounts[0].minor, 0u);
  EXPECT_EQ(mounts[0].mountPoint, "/mnt/parent");
  EXPECT_EQ(mounts[0].fileSystem, "ext3");
  EXPECT_EQ(mounts[0].source, "/dev/root");
  EXPECT_EQ(mounts[1].mountPoint, "/media/My Stick");
  EXPECT_EQ(mounts[2].mountPoint, "/trailing");
  EXPECT_EQ(mounts[2].fileSystem, "fuse.sshfs");
  EXPECT_EQ(mounts[2].source, "me@host:");
}

TEST(PosixDrivesTest, ClassifiesEachMountByItsFileSystemAndDevice) {
  FakeMachine machine;
  machine.blockDevice("8:1", "pci0000:00/0000:00:1f.2/ata1/host0", "sda", "sda1");
  machine.blockDevice("8:17", "pci0000:00/0000:00:1d.0/ata3/host2", "sdb", "sdb1", "1");
  machine.blockDevice("8:33", "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6", "sdc", "sdc1");
  machine.blockDevice("11:0", "pci0000:00/0000:00:1f.2/ata2/host1", "sr0", {}, "1", "5");
  machine.blockDevice("8:48", "pci0000:00/0000:00:1f.2/ata4/host3", "sdd", {}, "0", "5");
  machine.blockDevice("252:0", "virtual", "zram0");
  machine.blockDevice("179:1", "platform/mmc_host/mmc0/mmc0:0001", "mmcblk0", "mmcblk0p1", "0",
                      "SD");
  machine.blockDevice("179:9", "platform/mmc_host/mmc1/mmc1:0001", "mmcblk1", "mmcblk1p1", "0",
                      "MMC");
  const fs::path stickPart =
      machine.blockDevice("8:66", "pci0000:00/0000:00:1d.0/ata5/host4", "sde", "sde2", "1");
  const fs::path mapper = machine.blockDevice("254:3", "virtual", "dm-3");
  fs::create_directories(mapper / "slaves");
  fs::create_directory_symlink(stickPart, mapper / "slaves" / "sde2");
  machine.blockDevice("8:80", "pci0000:00/0000:00:1f.2/ata6/host5", "sdqq", "sdqq1");

  struct Case {
    std::string name;
    std::string fileSystem;
    std::string source;
    std::string device;
    std::optional<DriveType> expected; // nullopt: not a drive
  };
  const Case cases[] = {
      {"disk", "ext4", "/dev/sda1", "8:1", DriveType::Fixed},
      {"stick", "vfat", "/dev/sdb1", "8:17", DriveType::Removable},
      {"usbdisk", "ext4", "/dev/sdc1", "8:33", DriveType::Removable},
      {"ntfs-on-usb", "fuseblk", "/dev/sdc1", "8:33", DriveType::Removable},
      {"cd", "iso9660", "/dev/sr0", "11:0", DriveType::CdRom},
      {"dvd", "udf", "/dev/sr0", "11:0", DriveType::CdRom},
      {"mac-cd", "hfsplus", "/dev/sr0", "11:0", DriveType::CdRom},
      {"scsi-rom", "ext2", "/dev/sdd", "8:48", DriveType::CdRom},
      {"iso-image", "iso9660", "/dev/loop0", "7:0", DriveType::CdRom},
      {"tmp", "tmpfs", "tmpfs", "0:40", DriveType::RamDisk},
      {"ram", "ramfs", "none", "0:41", DriveType::RamDisk},
      {"zram", "ext4", "/dev/zram0", "252:0", DriveType::RamDisk},
      {"sd-card", "vfat", "/dev/mmcblk0p1", "179:1", DriveType::Removable},
      {"emmc", "ext4", "/dev/mmcblk1p1", "179:9", DriveType::Fixed},
      {"luks-stick", "ext4", "/dev/mapper/stick", "254:3", DriveType::Removable},
      {"btrfs", "btrfs", "/dev/sdqq1", "0:45", DriveType::Fixed},
      {"btrfs-stick", "btrfs", "/dev/sde2", "0:46", DriveType::Removable},
      {"zfs", "zfs", "tank/home", "0:47", DriveType::Fixed},
      {"overlay", "overlay", "overlay", "0:48", DriveType::Fixed},
      {"nfs", "nfs4", "server:/export", "0:50", DriveType::Remote},
      {"smb", "cifs", "//server/share", "0:51", DriveType::Remote},
      {"sshfs", "fuse.sshfs", "me@host:/games", "0:52", DriveType::Remote},
      {"rclone", "fuse.rclone", "gdrive:", "0:53", DriveType::Remote},
      {"gvfs", "fuse.gvfsd-fuse", "gvfsd-fuse", "0:54", DriveType::Remote},
      {"local-fuse", "fuse.bindfs", "/home/me/games", "0:55", DriveType::Fixed},
      {"vm-share", "9p", "hostshare", "0:56", DriveType::Remote},
      {"wsl-c", "9p", "C:\\", "0:57", DriveType::Fixed},
      {"proc", "proc", "proc", "0:21", std::nullopt},
      {"sys", "sysfs", "sysfs", "0:22", std::nullopt},
      {"pts", "devpts", "devpts", "0:24", std::nullopt},
      {"cgroup", "cgroup2", "cgroup2", "0:26", std::nullopt},
      {"tracing", "tracefs", "tracefs", "0:12", std::nullopt},
      {"dev", "devtmpfs", "udev", "0:6", std::nullopt},
      {"auto", "autofs", "systemd-1", "0:30", std::nullopt},
  };
  for (const auto& c : cases) {
    machine.mount(c.name, c.fileSystem, c.source, c.device);
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto type = machine.typeOf(c.name);
    EXPECT_EQ(type.has_value(), c.expected.has_value());
    if (type && c.expected) {
      EXPECT_STREQ(driveTypeName(*type), driveTypeName(*c.expected));
    }
  }
}

TEST(PosixDrivesTest, LeavesOutWhatAUserCannotBrowseAsADrive) {
  FakeMachine machine;
  machine.mount("sys", "sysfs", "sysfs");
  machine.mount("sys/fs/cgroup", "tmpfs", "tmpfs"); // below a pseudo file system
  touch(machine.mnt("hosts"));
  machine.mount("hosts", "ext4", "/dev/vda", "254:0", false); // a file bind-mounted
  machine.mount("gone", "ext4", "/dev/vdb", "254:16", false); // its folder was removed
  machine.mount("gone-too", "vfat", "/dev/sdb1", "8:17", false);
  struct Case {
    const char* name;
    std::optional<DriveType> expected;
  };
  for (const auto& c :
       {Case{"sys", std::nullopt}, Case{"sys/fs/cgroup", std::nullopt}, Case{"hosts", std::nullopt},
        Case{"gone", DriveType::NoRootDir}, Case{"gone-too", DriveType::NoRootDir}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(machine.typeOf(c.name), c.expected);
  }
}

TEST(PosixDrivesTest, PutsTheRootFirstAndTheRestInPathOrder) {
  FakeMachine machine;
  machine.clearLines();
  machine.mount("b", "ext4", "/dev/sdb1");
  machine.addLine("1 0 254:0 / / rw - ext4 /dev/vda rw"); // not first in the file
  machine.mount("a b", "ext4", "/dev/sdc1");
  machine.mount("a", "tmpfs", "tmpfs");
  machine.mount("a/inner", "ext4", "/dev/sdd1");
  const auto drives = machine.drives().drives();
  EXPECT_EQ(drives, (std::vector<DriveRoot>{{"/", DriveType::Fixed},
                                            {slashed(machine.mnt("a")), DriveType::RamDisk},
                                            {slashed(machine.mnt("a b")), DriveType::Fixed},
                                            {slashed(machine.mnt("a/inner")), DriveType::Fixed},
                                            {slashed(machine.mnt("b")), DriveType::Fixed}}));
}

TEST(PosixDrivesTest, AlwaysListsTheRootEvenWhenTheTableLacksIt) {
  for (const bool empty : {true, false}) {
    SCOPED_TRACE(empty ? "empty table" : "root missing");
    FakeMachine machine;
    machine.clearLines();
    if (!empty) {
      machine.mount("x", "ext4", "/dev/sdb1");
    }
    const auto drives = machine.drives().drives();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives.front(), (DriveRoot{"/", DriveType::Fixed}));
    EXPECT_EQ(drives.size(), empty ? 1u : 2u);
  }
}

TEST(PosixDrivesTest, ALaterMountHidesWhatItCovers) {
  FakeMachine machine;
  machine.mount("x/inner", "ext4", "/dev/sdb1");
  machine.mount("y", "vfat", "/dev/sdc1");
  machine.mount("x", "tmpfs", "tmpfs"); // covers x/inner
  machine.mount("y", "nfs", "server:/y");
  const auto drives = machine.drives().drives();
  EXPECT_EQ(drives, (std::vector<DriveRoot>{{"/", DriveType::Fixed},
                                            {slashed(machine.mnt("x")), DriveType::RamDisk},
                                            {slashed(machine.mnt("y")), DriveType::Remote}}));
}

TEST(PosixDrivesTest, TellsWhichDriveHoldsAPath) {
  FakeMachine machine;
  machine.blockDevice("8:17", "pci0000:00/0000:00:1d.0/usb1/1-1", "sdb", "sdb1", "1");
  machine.mount("stick", "vfat", "/dev/sdb1", "8:17");
  machine.mount("proc", "proc", "proc");
  auto drives = machine.drives();
  struct Case {
    std::string path;
    std::optional<DriveRoot> expected;
  };
  const std::string stick = slashed(machine.mnt("stick"));
  const Case cases[] = {
      {machine.mnt("stick").string(), DriveRoot{stick, DriveType::Removable}},
      {stick + "games/quake", DriveRoot{stick, DriveType::Removable}},
      {stick + "games/../x/", DriveRoot{stick, DriveType::Removable}},
      {machine.mnt("stickier").string(), DriveRoot{"/", DriveType::Fixed}},
      {(machine.mnt("proc") / "1" / "fd").string(), std::nullopt},
      {"/", DriveRoot{"/", DriveType::Fixed}},
      {"relative/path", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(drives.driveHolding(c.path), c.expected);
  }
}

TEST(PosixDrivesTest, AMediumsSerialComesFromItsUuidAndChangesWithTheMedium) {
  FakeMachine machine;
  machine.blockDevice("8:17", "pci0000:00/0000:00:1d.0/usb1/1-1", "sdb", "sdb1", "1");
  machine.mount("stick", "vfat", "/dev/sdb1", "8:17");
  machine.uuid("ABCD-1234", "sdb1");
  machine.uuid("5555-6666", "sda1"); // another device's
  auto drives = machine.drives();
  const std::string root = slashed(machine.mnt("stick"));
  EXPECT_EQ(drives.volumeSerial(root), 0xABCD1234u);
  EXPECT_EQ(drives.volumeSerial(machine.mnt("stick").string()), 0xABCD1234u);

  machine.removeUuid("ABCD-1234");
  machine.uuid("0a1b-2C3d", "sdb1"); // another stick in the same slot
  EXPECT_EQ(drives.volumeSerial(root), 0x0A1B2C3Du);

  machine.removeUuid("0a1b-2C3d");
  machine.uuid("3e0c6d55-8d38-4ac5-9d1b-2a6a1f0f6c1e", "sdb1");
  const auto hashed = drives.volumeSerial(root);
  ASSERT_TRUE(hashed.has_value());
  EXPECT_EQ(drives.volumeSerial(root), hashed);
  machine.removeUuid("3e0c6d55-8d38-4ac5-9d1b-2a6a1f0f6c1e");
  machine.uuid("3e0c6d55-8d38-4ac5-9d1b-2a6a1f0f6c1f", "sdb1");
  EXPECT_NE(drives.volumeSerial(root), hashed);
}

TEST(PosixDrivesTest, FindsTheUuidBySourceNameWhenTheDeviceNumberIsAnonymous) {
  FakeMachine machine;
  machine.mount("disc", "iso9660", "/dev/srq9", "0:44");
  machine.uuid("2011-01-01-12-00-00-00", "srq9");
  auto drives = machine.drives();
  const auto first = drives.volumeSerial(slashed(machine.mnt("disc")));
  ASSERT_TRUE(first.has_value());
  machine.removeUuid("2011-01-01-12-00-00-00");
  machine.uuid("1999-12-31-23-59-59-00", "srq9");
  const auto second = drives.volumeSerial(slashed(machine.mnt("disc")));
  ASSERT_TRUE(second.has_value());
  EXPECT_NE(*first, *second);
}

TEST(PosixDrivesTest, WithoutUdevTheSerialComesFromTheFileSystemAndStaysPut) {
  FakeMachine machine;
  machine.mount("stick", "vfat", "/dev/sdz1", "8:99");
  auto drives = machine.drives();
  const auto serial = drives.volumeSerial(slashed(machine.mnt("stick")));
  ASSERT_TRUE(serial.has_value());
  EXPECT_EQ(drives.volumeSerial(slashed(machine.mnt("stick"))), serial);
}

TEST(PosixDrivesTest, HasNoSerialWhereThereIsNoMedium) {
  FakeMachine machine;
  machine.mount("gone", "vfat", "/dev/sdb1", "8:17", false);
  machine.mount("proc", "proc", "proc");
  fs::create_directories(machine.mnt("unmounted"));
  auto drives = machine.drives();
  for (const std::string& root :
       {slashed(machine.mnt("gone")), slashed(machine.mnt("proc")),
        slashed(machine.mnt("unmounted")), std::string("relative/"), std::string()}) {
    SCOPED_TRACE(root);
    EXPECT_EQ(drives.volumeSerial(root), std::nullopt);
  }
}

TEST(PosixDrivesTest, TheHostTableStartsAtTheRoot) {
  auto drives = hostDrives().drives();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives.front().path, "/");
  for (const auto& drive : drives) {
    SCOPED_TRACE(drive.path);
    EXPECT_EQ(drive.path.back(), '/');
    EXPECT_FALSE(drive.path.starts_with("/proc/"));
    EXPECT_FALSE(drive.path.starts_with("/sys/"));
  }
}

} // namespace
} // namespace texkit2::platform
