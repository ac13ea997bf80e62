// SPDX-License-Identifier: GPL-3.0-or-later
// Disks the running system uses: found from sysfs and the mount and swap
// tables, and never written to.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/aspi/OperationCodes.h"
#include "managers/sg/Bus.h"
#include "managers/sg/DiskUse.h"
#include "tests/managers/sg/FakeSg.h"

TEST(SgDiskUse, MountedSwapOrHeldDisksAreInUse) {
  FakeSysfs sysfs;
  sysfs.AddNode(0, "0:0:0:0", 5, "CD-ROM");  // no block device at all
  struct Row {
    int node;
    const char* disk;
    std::vector<std::string> partitions;
    bool heldWhole;
    const char* usedBy;
  };
  const Row rows[] = {
      {1, "sda", {"sda1", "sda2"}, false, "/dev/sda2 is mounted on /home"},
      {2, "sdb", {}, false, "/dev/sdb is mounted on /mnt/backup"},
      {3, "sdc", {"sdc1", "sdc2"}, false, "/dev/sdc2 is in use as swap"},
      {4, "sdd", {"sdd1*"}, false, "/dev/sdd1 is held by another block device"},
      {5, "sde", {}, true, "/dev/sde is held by another block device"},
      {6, "sdf", {"sdf1"}, false, ""},
      {7, "sdg", {"sdg1"}, false, ""},
      // The root file system as the kernel mounted it: known by its number.
      {8, "sdh", {"sdh1"}, false, "/dev/root is mounted on /"},
  };
  for (const Row& row : rows) {
    sysfs.AddNode(row.node, "0:0:" + std::to_string(row.node) + ":0", 0, "DISK");
    sysfs.AddBlockDevice(row.node, row.disk, row.partitions, row.heldWhole);
  }
  sysfs.SetMounts("proc /proc proc rw 0 0\n/dev/sda2 /home ext4 rw 0 0\n/dev/sdb /mnt/backup ext4 rw 0 0\n"
                  "/dev/sdg10 /srv ext4 rw 0 0\n");
  sysfs.SetSwaps("Filename Type Size Used Priority\n/dev/sdc2 partition 1024 0 -2\n");
  sysfs.SetMountInfo("22 1 8:129 / / rw,relatime shared:1 - ext4 /dev/root rw\n"
                     "23 22 0:21 / /proc rw - proc proc rw\n");

  const std::string proc = sysfs.Root() + "/proc";
  EXPECT_EQ(sg::FindDiskUse(sysfs.Root(), proc, "sg0").blockDevice, "");
  EXPECT_FALSE(sg::FindDiskUse(sysfs.Root(), proc, "sg0").InUse());
  for (const Row& row : rows) {
    const sg::DiskUse use = sg::FindDiskUse(sysfs.Root(), proc, "sg" + std::to_string(row.node));
    EXPECT_EQ(use.blockDevice, row.disk);
    EXPECT_EQ(use.usedBy, row.usedBy) << row.disk;
  }
}

TEST(SgDiskUse, TheBusWritesNothingToADiskInUse) {
  FakeSysfs sysfs;
  sysfs.AddHost(0, "ahci");
  auto system = sysfs.AddNode(0, "0:0:0:0", 0, "SYSTEM DISK");
  sysfs.AddBlockDevice(0, "sda", {"sda1"});
  sysfs.SetMounts("/dev/sda1 / ext4 rw 0 0\n");
  ManagerLines lines;
  sg::Bus bus(sysfs.Environment());
  EXPECT_NE(lines.Text().find("0,0,0 is " + sysfs.Root() + "/dev/sg0, sg0 (0:0:0:0, FAKE SYSTEM DISK). The system "
                              "uses it (/dev/sda1 is mounted on /): nothing will be written to it."),
            std::string::npos)
      << lines.Text();

  std::vector<uint8_t> sector(512, 0x5A);
  for (uint8_t opcode : {aspi::op::kWrite10, aspi::op::kWrite12, aspi::op::kFormatUnit}) {
    Request write(0, 0, 0, {opcode, 0, 0, 0, 0, 0, 0, 0, 1, 0}, aspi::SRB_DIR_OUT, sector.data(), 512);
    EXPECT_EQ(bus.Send(&write.block), aspi::SS_ERR);
    EXPECT_EQ(write.Status(), aspi::SS_ERR);
    EXPECT_EQ(write.block.SRB_TargStat, aspi::STATUS_CHKCOND);
    EXPECT_EQ((aspi::Sense{write.block.SenseArea[2], write.block.SenseArea[12], write.block.SenseArea[13]}),
              aspi::sense::kWriteProtected);
    EXPECT_TRUE(write.WaitSignalled());
  }
  EXPECT_TRUE(system->Received().empty()) << "no write reached the disk";
  const std::string refused = "[SCSI generic] 0,0,0 (" + sysfs.Root() + "/dev/sg0): refused command 2Ah, since the "
                              "system uses the disk (/dev/sda1 is mounted on /).";
  const std::vector<std::string> said = lines.Lines();
  EXPECT_EQ(std::count(said.begin(), said.end(), refused), 1) << lines.Text();

  // Reading still works.
  system->Answer(TargetAnswer(aspi::STATUS_GOOD), std::vector<uint8_t>(512, 0x77));
  Request read(0, 0, 0, {aspi::op::kRead10, 0, 0, 0, 0, 0, 0, 0, 1, 0}, aspi::SRB_DIR_IN, sector.data(), 512);
  bus.Send(&read.block);
  ASSERT_TRUE(read.WaitSignalled());
  EXPECT_EQ(read.Status(), aspi::SS_COMP);
  EXPECT_EQ(sector, std::vector<uint8_t>(512, 0x77));
}
