// SPDX-License-Identifier: GPL-3.0-or-later
// The SCSI generic manager behind its entry points, over a sysfs tree and
// nodes of the test's own: what the support query and the host adapter
// inquiry say, where execute requests go, what comes back in the block and
// the buffer, and what the manager tells the person.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "host/aspi/OperationCodes.h"
#include "managers/sg/Bus.h"
#include "managers/sg/LinuxNode.h"
#include "tests/managers/sg/FakeSg.h"

namespace {

constexpr uint8_t kIn = aspi::SRB_DIR_IN;
constexpr uint8_t kOut = aspi::SRB_DIR_OUT;

std::vector<uint8_t> Inquiry(uint8_t length) { return {aspi::op::kInquiry, 0, 0, 0, length, 0}; }

// Two hosts: host 3 (virtio_scsi) with a CD drive at target 0 and a disk at
// target 1, host 7 (ahci) with a disk; the program sees them as 0,0,0,
// 0,1,0 and 1,0,0.
struct TwoHosts {
  TwoHosts() {
    sysfs.AddHost(3, "virtio_scsi");
    sysfs.AddHost(7, "ahci");
    cd = sysfs.AddNode(0, "3:0:0:0", 5, "CD-ROM");
    disk = sysfs.AddNode(1, "3:0:1:0", 0, "DISK");
    sata = sysfs.AddNode(2, "7:0:0:0", 0, "SATA DISK");
  }
  FakeSysfs sysfs;
  std::shared_ptr<FakeUnit> cd, disk, sata;
};

}  // namespace

TEST(SgBus, SupportInfoAndHostAdapterInquiry) {
  TwoHosts hosts;
  ManagerLines lines;
  sg::Bus bus(hosts.sysfs.Environment());
  EXPECT_EQ(bus.SupportInfo(), 0x0102u);

  aspi::SRB_HAInquiry inquiry{};
  inquiry.SRB_Cmd = aspi::SC_HA_INQUIRY;
  inquiry.SRB_HaId = 1;
  EXPECT_EQ(bus.Send(&inquiry), aspi::SS_COMP);
  EXPECT_EQ(inquiry.SRB_Status, aspi::SS_COMP);
  EXPECT_EQ(inquiry.HA_Count, 2);
  EXPECT_EQ(inquiry.HA_SCSI_ID, 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_ManagerId), 16), "LINUX SG_IO     ");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_Identifier), 16), "ahci            ");

  inquiry.SRB_HaId = 2;
  EXPECT_EQ(bus.Send(&inquiry), aspi::SS_INVALID_HA);
  EXPECT_EQ(inquiry.HA_Count, 2);

  aspi::SRB_RescanPort rescan{};
  rescan.SRB_Cmd = aspi::SC_RESCAN_SCSI_BUS;
  EXPECT_EQ(bus.Send(&rescan), aspi::SS_COMP);
  aspi::SRB_BusDeviceReset reset{};
  reset.SRB_Cmd = aspi::SC_RESET_DEV;
  EXPECT_EQ(bus.Send(&reset), aspi::SS_INVALID_CMD);

  const std::vector<std::string> expected = {
      "[SCSI generic] Host adapter 0 is SCSI host 3 (virtio_scsi).",
      "[SCSI generic] Host adapter 1 is SCSI host 7 (ahci).",
      "[SCSI generic] 0,0,0 is " + hosts.sysfs.Root() + "/dev/sg0, sg0 (3:0:0:0, FAKE CD-ROM).",
      "[SCSI generic] 0,1,0 is " + hosts.sysfs.Root() + "/dev/sg1, sg1 (3:0:1:0, FAKE DISK).",
      "[SCSI generic] 1,0,0 is " + hosts.sysfs.Root() + "/dev/sg2, sg2 (7:0:0:0, FAKE SATA DISK).",
  };
  EXPECT_EQ(lines.Lines(), expected);
}

TEST(SgBus, NoNodesReportsNoAdaptersAndSaysWhy) {
  struct Row {
    bool folderExists;
    const char* says;
  };
  for (const Row& row : {Row{false, "load it with \"modprobe sg\""}, Row{true, "no drive or disk is attached"}}) {
    FakeSysfs sysfs;
    if (!row.folderExists) std::filesystem::remove_all(sysfs.Root() + "/class");
    ManagerLines lines;
    sg::Bus bus(sysfs.Environment());
    EXPECT_EQ(bus.SupportInfo(), uint32_t{aspi::SS_NO_ADAPTERS} << 8);
    ASSERT_EQ(lines.Lines().size(), 1u);
    EXPECT_NE(lines.Text().find(row.says), std::string::npos) << lines.Text();
  }
}

TEST(SgBus, ExecuteReachesTheUnitAtItsAddressBothWays) {
  TwoHosts hosts;
  ManagerLines lines;
  sg::Bus bus(hosts.sysfs.Environment());

  // Data in: INQUIRY at 1,0,0 lands on host 7's disk; the bytes it did not
  // send read as zeros.
  std::vector<uint8_t> answer(36, 0x5A);
  hosts.sata->Answer(TargetAnswer(aspi::STATUS_GOOD), answer);
  std::vector<uint8_t> buffer(128, 0xEE);
  Request inquiry(1, 0, 0, Inquiry(128), kIn, buffer.data(), 128);
  inquiry.block.SRB_HaStat = 0x77;  // whatever the last request left
  EXPECT_EQ(bus.Send(&inquiry.block), aspi::SS_PENDING);
  ASSERT_TRUE(inquiry.WaitSignalled());
  EXPECT_EQ(inquiry.Status(), aspi::SS_COMP);
  EXPECT_EQ(inquiry.block.SRB_HaStat, aspi::HASTAT_OK);
  EXPECT_EQ(inquiry.block.SRB_TargStat, aspi::STATUS_GOOD);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 36), answer);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 36, buffer.end()), std::vector<uint8_t>(92, 0));
  ASSERT_EQ(hosts.sata->Received().size(), 1u);
  const ReceivedCommand got = hosts.sata->Received()[0];
  EXPECT_EQ(got.cdb, Inquiry(128));
  EXPECT_EQ(got.direction, sg::Direction::In);
  EXPECT_EQ(got.length, 128u);
  EXPECT_EQ(got.timeoutMs, 20'000u);
  EXPECT_TRUE(hosts.cd->Received().empty());

  // Data out: WRITE(10) to 0,1,0 sends the program's bytes.
  std::vector<uint8_t> sector(512);
  for (size_t i = 0; i < sector.size(); ++i) sector[i] = static_cast<uint8_t>(i * 7);
  const std::vector<uint8_t> write10 = {aspi::op::kWrite10, 0, 0, 0, 0, 9, 0, 0, 1, 0};
  hosts.disk->Answer(TargetAnswer(aspi::STATUS_GOOD));
  Request write(0, 1, 0, write10, kOut, sector.data(), 512);
  bus.Send(&write.block);
  ASSERT_TRUE(write.WaitSignalled());
  EXPECT_EQ(write.Status(), aspi::SS_COMP);
  ASSERT_EQ(hosts.disk->Received().size(), 1u);
  EXPECT_EQ(hosts.disk->Received()[0].direction, sg::Direction::Out);
  EXPECT_EQ(hosts.disk->Received()[0].dataOut, sector);
  EXPECT_EQ(hosts.disk->Received()[0].timeoutMs, 120'000u);

  // No data: SYNCHRONIZE CACHE moves nothing, whatever the flags say, and
  // the kernel gives it an hour.
  Request flush(0, 0, 0, {aspi::op::kSynchronizeCache, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kIn, nullptr, 0);
  bus.Send(&flush.block);
  ASSERT_TRUE(flush.WaitSignalled());
  EXPECT_EQ(hosts.cd->Received().at(0).direction, sg::Direction::None);
  EXPECT_EQ(hosts.cd->Received().at(0).length, 0u);
  EXPECT_EQ(hosts.cd->Received().at(0).timeoutMs, 3'600'000u);
}

// A READ's buffer is not cleared before the command: what the answer left
// out (all of it, for a failed read that brought nothing) still reads as
// zeros, never as the bytes of the unit's read before.
TEST(SgBus, ReadsLeaveNoEarlierBytesWhereTheAnswerLeftOut) {
  TwoHosts hosts;
  ManagerLines lines;
  sg::Bus bus(hosts.sysfs.Environment());
  const std::vector<uint8_t> read10 = {aspi::op::kRead10, 0, 0, 0, 0, 0, 0, 0, 2, 0};
  struct Row {
    uint8_t status;
    size_t answered;  // bytes of 0x5A the unit gives back
    size_t expectedData;
  };
  const Row rows[] = {{aspi::STATUS_GOOD, 4096, 4096}, {aspi::STATUS_GOOD, 1000, 1000}, {aspi::STATUS_CHKCOND, 0, 0}};
  for (const Row& row : rows) {
    hosts.cd->Answer(TargetAnswer(row.status), std::vector<uint8_t>(row.answered, 0x5A));
    std::vector<uint8_t> buffer(4096, 0xEE);
    Request read(0, 0, 0, read10, kIn, buffer.data(), 4096);
    bus.Send(&read.block);
    ASSERT_TRUE(read.WaitSignalled());
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0x5A), static_cast<long>(row.expectedData)) << row.answered;
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0), static_cast<long>(4096 - row.expectedData)) << row.answered;
  }
}

TEST(SgBus, FailuresFillStatusesAndSenseWithinTheSenseLength) {
  TwoHosts hosts;
  ManagerLines lines;
  sg::Bus bus(hosts.sysfs.Environment());
  std::vector<uint8_t> sector(2048);
  const std::vector<uint8_t> read10 = {aspi::op::kRead10, 0, 0, 0, 0x07, 0x50, 0, 0, 1, 0};

  hosts.cd->Answer(TargetAnswer(aspi::STATUS_CHKCOND, FixedSense(0x05, 0x21, 0x00)));
  Request past(0, 0, 0, read10, kIn, sector.data(), 2048);
  std::memset(past.block.SenseArea, 0xCC, sizeof past.block.SenseArea);
  bus.Send(&past.block);
  ASSERT_TRUE(past.WaitSignalled());
  EXPECT_EQ(past.Status(), aspi::SS_ERR);
  EXPECT_EQ(past.block.SRB_TargStat, aspi::STATUS_CHKCOND);
  EXPECT_EQ(past.block.SRB_HaStat, aspi::HASTAT_OK);
  EXPECT_EQ((aspi::Sense{past.block.SenseArea[2], past.block.SenseArea[12], past.block.SenseArea[13]}),
            aspi::sense::kLbaOutOfRange);
  EXPECT_EQ(past.block.SenseArea[18], 0) << "the sense area is cleared up to the sense length";
  EXPECT_EQ(past.block.SenseArea[145], 0xCC) << "and not past it";

  // A request with a 14-byte sense length gets 14 bytes.
  Request shortSense(0, 0, 0, read10, kIn, sector.data(), 2048);
  shortSense.block.SRB_SenseLen = 14;
  std::memset(shortSense.block.SenseArea, 0xCC, sizeof shortSense.block.SenseArea);
  bus.Send(&shortSense.block);
  ASSERT_TRUE(shortSense.WaitSignalled());
  EXPECT_EQ(shortSense.block.SenseArea[13], 0x00);
  EXPECT_EQ(shortSense.block.SenseArea[14], 0xCC);

  // The host adapter failing: status and host status from the kernel's
  // host byte, and one log line, however often it happens.
  sg::Result timedOut;
  timedOut.hostStatus = 0x03;
  hosts.cd->Answer(timedOut);
  for (int i = 0; i < 2; ++i) {
    Request request(0, 0, 0, read10, kIn, sector.data(), 2048);
    bus.Send(&request.block);
    ASSERT_TRUE(request.WaitSignalled());
    EXPECT_EQ(request.Status(), aspi::SS_ERR);
    EXPECT_EQ(request.block.SRB_HaStat, aspi::HASTAT_COMMAND_TIMEOUT);
  }
  const std::string line = "[SCSI generic] 0,0,0 (" + hosts.sysfs.Root() +
                           "/dev/sg0): command 28h failed: host status DID_TIME_OUT (03h).";
  const std::vector<std::string> said = lines.Lines();
  EXPECT_EQ(std::count(said.begin(), said.end(), line), 1) << lines.Text();
}

TEST(SgBus, MalformedBlocksAndEmptyAddressesCompleteAtOnce) {
  TwoHosts hosts;
  ManagerLines lines;
  sg::Bus bus(hosts.sysfs.Environment());
  uint8_t buffer[64];
  struct Row {
    const char* what;
    uint8_t ha, id, lun, cdbLength, flags;
    uint32_t length;
    uint8_t status, hostStatus;
  };
  const Row rows[] = {
      {"no adapter", 2, 0, 0, 6, kIn, 64, aspi::SS_INVALID_HA, aspi::HASTAT_OK},
      {"no target", 0, 2, 0, 6, kIn, 64, aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO},
      {"no LUN", 0, 1, 1, 6, kIn, 64, aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO},
      {"no command block", 0, 0, 0, 0, kIn, 64, aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
      {"command block too long", 0, 0, 0, 17, kIn, 64, aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
      {"both directions", 0, 0, 0, 6, kIn | kOut, 64, aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
      {"data without a direction", 0, 0, 0, 6, 0, 64, aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
      {"more than 16 MiB", 0, 0, 0, 6, kIn, 16 * 1024 * 1024 + 1, aspi::SS_INVALID_SRB, aspi::HASTAT_OK},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Request request(row.ha, row.id, row.lun, Inquiry(64), row.flags, buffer, row.length);
    request.block.SRB_CDBLen = row.cdbLength;
    EXPECT_EQ(bus.Send(&request.block), row.status);
    EXPECT_EQ(request.Status(), row.status);
    EXPECT_EQ(request.block.SRB_HaStat, row.hostStatus);
    EXPECT_TRUE(request.WaitSignalled()) << "the event is signalled even so";
  }
  EXPECT_TRUE(hosts.cd->Received().empty());
  EXPECT_EQ(bus.Send(nullptr), aspi::SS_INVALID_SRB);
}

TEST(SgBus, NodesThatDoNotOpenAreNamedWithTheReasonAndAnswerAsNoDevice) {
  TwoHosts hosts;
  hosts.sysfs.FailOpen(1, EACCES);
  hosts.sysfs.OpenReadOnly(2, EACCES);
  ManagerLines lines;
  sg::Bus bus(hosts.sysfs.Environment());
  EXPECT_EQ(bus.SupportInfo(), 0x0102u) << "the adapter still counts";

  const std::string root = hosts.sysfs.Root();
  const std::string text = lines.Text();
  EXPECT_NE(text.find("[SCSI generic] Cannot open " + root + "/dev/sg1 for 0,1,0, sg1 (3:0:1:0, FAKE DISK): "
                      "Permission denied. The program sees no device there."),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("[SCSI generic] 1,0,0 is " + root + "/dev/sg2, sg2 (7:0:0:0, FAKE SATA DISK). Opened for "
                      "reading only (Permission denied for writing): the kernel refuses commands that change the "
                      "medium."),
            std::string::npos)
      << text;

  uint8_t buffer[128];
  Request denied(0, 1, 0, Inquiry(128), kIn, buffer, sizeof buffer);
  EXPECT_EQ(bus.Send(&denied.block), aspi::SS_NO_DEVICE);
  Request readOnly(1, 0, 0, Inquiry(128), kIn, buffer, sizeof buffer);
  EXPECT_EQ(bus.Send(&readOnly.block), aspi::SS_PENDING);
  EXPECT_TRUE(readOnly.WaitSignalled());
}

TEST(SgLinuxNode, OpensOnlySgNodes) {
  TempDir dir;
  const std::string file = dir.Write("plain", "not a device");
  sg::OpenedNode opened = sg::LinuxNode::Open(file);
  EXPECT_EQ(opened.node, nullptr);
  EXPECT_EQ(opened.error, ENOTTY);
  opened = sg::LinuxNode::Open(dir.File("missing"));
  EXPECT_EQ(opened.node, nullptr);
  EXPECT_EQ(opened.error, ENOENT);
}

TEST(SgBus, ARescanAddsTheUnitsAttachedSince) {
  TwoHosts hosts;
  ManagerLines lines;
  sg::Bus bus(hosts.sysfs.Environment());
  EXPECT_EQ(bus.SupportInfo(), 0x0102u);
  // A USB drive plugged in later: a host of its own, after the others.
  hosts.sysfs.AddHost(9, "usb-storage");
  auto usb = hosts.sysfs.AddNode(3, "9:0:0:0", 5, "USB DVD");
  aspi::SRB_RescanPort rescan{};
  rescan.SRB_Cmd = aspi::SC_RESCAN_SCSI_BUS;
  EXPECT_EQ(bus.Send(&rescan), aspi::SS_COMP);
  EXPECT_EQ(bus.SupportInfo(), 0x0103u);
  const std::vector<std::string> all = lines.Lines();
  ASSERT_GE(all.size(), 2u);
  const std::vector<std::string> added(all.end() - 2, all.end());
  EXPECT_EQ(added, (std::vector<std::string>{
                       "[SCSI generic] Host adapter 2 is SCSI host 9 (usb-storage).",
                       "[SCSI generic] 2,0,0 is " + hosts.sysfs.Root() + "/dev/sg3, sg3 (9:0:0:0, FAKE USB DVD).",
                   }));
  // The new unit answers at its address; a second rescan finds nothing new.
  usb->Answer(TargetAnswer(aspi::STATUS_GOOD), std::vector<uint8_t>(36, 0x5A));
  std::vector<uint8_t> data(36);
  Request inquiry(2, 0, 0, Inquiry(36), kIn, data.data(), 36);
  EXPECT_EQ(bus.Send(&inquiry.block), aspi::SS_PENDING);
  ASSERT_TRUE(inquiry.WaitSignalled());
  EXPECT_EQ(inquiry.Status(), aspi::SS_COMP);
  EXPECT_EQ(usb->Received().size(), 1u);
  const size_t before = lines.Lines().size();
  EXPECT_EQ(bus.Send(&rescan), aspi::SS_COMP);
  EXPECT_EQ(lines.Lines().size(), before);
}
