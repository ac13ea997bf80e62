// SPDX-License-Identifier: GPL-3.0-or-later
// The SCSI generic manager's exclusive hold and device-node addresses, over
// a sysfs tree and nodes of the test's own: the sg node opened again with
// O_EXCL and the unit's block device held with it, refusals that name what
// another program holds, and commands that still reach the unit.
#include <gtest/gtest.h>

#include <cerrno>

#include "host/aspi/OperationCodes.h"
#include "managers/sg/Bus.h"
#include "tests/managers/sg/FakeSg.h"

namespace {

struct HoldRow {
  int sgError;     // the exclusive open of sg1
  int blockError;  // the exclusive open of sr1
  uint32_t status;
  const char* reason;  // after the dev folder
  std::vector<std::string> held;
};

TEST(SgHold, TheUnitIsOpenedExclusivelyWithItsBlockDevice) {
  const HoldRow rows[] = {
      {0, 0, aspi::SS_COMP, "", {"sr1"}},
      {EBUSY, 0, aspi::SS_ERR, "/sg1 open (Device or resource busy)", {}},
      {0, EBUSY, aspi::SS_ERR, "/sr1 is mounted or held by another program (Device or resource busy)", {}},
      // A block device this user cannot open, nobody else can mount by it:
      // the sg node alone is held.
      {0, EACCES, aspi::SS_COMP, "", {}},
  };
  for (const HoldRow& row : rows) {
    SCOPED_TRACE(std::to_string(row.sgError) + "/" + std::to_string(row.blockError));
    FakeSysfs sysfs;
    sysfs.AddHost(0, "virtio_scsi");
    auto cd = sysfs.AddNode(0, "0:0:0:0", 5, "CD-ROM");
    auto recorder = sysfs.AddNode(1, "0:0:3:0", 5, "RECORDER");
    sysfs.AddBlockDevice(1, "sr1", {});
    sysfs.RefuseExclusive(1, row.sgError);
    sysfs.RefuseBlock("sr1", row.blockError);
    ManagerLines lines;
    sg::Bus bus(sysfs.Environment());

    std::string reason;
    EXPECT_EQ(bus.HoldUnit(0, 3, 0, true, &reason), row.status);
    if (row.status == aspi::SS_ERR) {
      EXPECT_NE(reason.find(row.reason), std::string::npos) << reason;
    } else {
      EXPECT_TRUE(reason.empty()) << reason;
      EXPECT_TRUE(lines.Text().find("0,3,0 (" + sysfs.Root() + "/dev/sg1) is held for this program alone") !=
                  std::string::npos)
          << lines.Text();
    }
    EXPECT_EQ(sysfs.HeldBlocks(), row.held);
    EXPECT_EQ(sysfs.ExclusiveOpens(1), row.sgError == 0 ? 1 : 0);
    EXPECT_EQ(bus.HoldUnit(0, 3, 0, true, &reason), row.status == aspi::SS_COMP ? aspi::SS_COMP : row.status)
        << "holding twice changes nothing";

    // The unit still answers, held or not, and after it is let go.
    for (bool hold : {true, false}) {
      if (!hold) EXPECT_EQ(bus.HoldUnit(0, 3, 0, false, &reason), aspi::SS_COMP);
      uint8_t answer[36] = {};
      Request inquiry(0, 3, 0, {aspi::op::kInquiry, 0, 0, 0, 36, 0}, aspi::SRB_DIR_IN, answer, sizeof answer);
      ASSERT_EQ(bus.Send(&inquiry.block), aspi::SS_PENDING);
      ASSERT_TRUE(inquiry.WaitSignalled());
    }
    EXPECT_TRUE(sysfs.HeldBlocks().empty());
    EXPECT_EQ(recorder->Received().size(), 2u);
    EXPECT_EQ(bus.HoldUnit(0, 5, 0, true, &reason), aspi::SS_NO_DEVICE);
  }
}

TEST(SgHold, DeviceNodesNameTheirUnits) {
  FakeSysfs sysfs;
  sysfs.AddHost(2, "virtio_scsi");
  sysfs.AddNode(0, "2:0:0:0", 5, "CD-ROM");
  sysfs.AddNode(1, "2:0:3:0", 5, "RECORDER");
  sysfs.AddBlockDevice(1, "sr1", {});
  ManagerLines lines;
  sg::Bus bus(sysfs.Environment());
  const std::string dev = sysfs.Root() + "/dev/";
  struct Row {
    std::string path;
    std::optional<aspi::ScsiAddress> address;
  };
  const Row rows[] = {{dev + "sg1", aspi::ScsiAddress{0, 3, 0}},
                      {dev + "sr1", aspi::ScsiAddress{0, 3, 0}},
                      {dev + "sg0", aspi::ScsiAddress{0, 0, 0}},
                      {dev + "sg7", std::nullopt},
                      {dev + "sr0", std::nullopt},  // the CD drive has no block device here
                      {"/elsewhere/sg1", std::nullopt}};
  for (const Row& row : rows) EXPECT_EQ(bus.FindUnit(row.path), row.address) << row.path;
}

}  // namespace
