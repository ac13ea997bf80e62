// SPDX-License-Identifier: GPL-3.0-or-later
// The QXW-7100 update from a SYS/MEC file, end to end on the simulated
// writer: the boxes, the buffer commands and data that reach the drive, the
// progress, and the revision the drive shows afterwards.
#include <cstring>

#include "devices/CreateDevice.h"
#include "devices/DeviceLine.h"
#include "tests/firmware/UpdateTestSupport.h"
#include "tests/fixtures/FirmwareFiles.h"

namespace {

const char kQuestion[] = "This file is for updating the firmware of QXW-7100\nVer1.07 to 1.08";

std::string Qxw7100(const std::string& revision, const std::string& extra = "") {
  return R"({"id": 4, "model": "qxw7100", "revision": ")" + revision + R"(", "medium": {"kind": "dvd-r"})" +
         extra + "}";
}

std::vector<BufferCommand> To(const std::vector<BufferCommand>& commands, uint8_t id) {
  std::vector<BufferCommand> found;
  for (const BufferCommand& command : commands)
    if (command.id == id) found.push_back(command);
  return found;
}

}  // namespace

TEST_F(UpdateTest, SysMecSendsMecThenSysChunkByChunkReadsEachBackAndCommits) {
  SimBus bus(Qxw7100("1.07"));
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  SysMecFile made;  // SYS 40,000 bytes, MEC 20,000 bytes
  ExpectConfirmation(kQuestion);
  ExpectPowerCycle("QXW-7100");
  ExpectDone();
  bus.Clear();
  ASSERT_EQ(Run(File("sysmec.bin", made.Build()), writer), UpdateResult::Done);

  auto writes = BufferCommands(bus, kWriteBufferOp);
  ASSERT_EQ(writes.size(), 7u);
  // MEC first (the drive's revision is not 0.00): buffer 1, then SYS; both
  // are committed only once both are staged and read back.
  auto mec = To(writes, 1);
  ASSERT_EQ(mec.size(), 2u);
  EXPECT_EQ(mec[0].offset, 0u);
  EXPECT_EQ(mec[0].data, Slice(made.mec, 0, 16384));
  EXPECT_EQ(mec[1].offset, 16384u);
  EXPECT_EQ(mec[1].data, Slice(made.mec, 16384, 3616));
  EXPECT_EQ(writes[5].id, 0xF9);
  EXPECT_EQ(std::string(writes[5].data.begin(), writes[5].data.end()), "QXW-7100 MEC");
  // SYS: 16,384, 16,384 and 7,232 bytes at 0, 16,384 and 32,768.
  auto sys = To(writes, 0);
  ASSERT_EQ(sys.size(), 3u);
  const uint32_t offsets[] = {0, 16384, 32768}, lengths[] = {16384, 16384, 7232};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sys[i].mode, 5);
    EXPECT_EQ(sys[i].offset, offsets[i]);
    EXPECT_EQ(sys[i].length, lengths[i]);
    EXPECT_EQ(sys[i].data, Slice(made.sys, offsets[i], lengths[i]));
  }
  EXPECT_EQ(writes.back().id, 0xF8);
  EXPECT_EQ(std::string(writes.back().data.begin(), writes.back().data.end()), "QXW-7100 SYS");

  // Each chunk is read back: SYS from FEh at offset + 20000h (the chunk),
  // MEC from FFh at offset + 40000h (always 16,384 bytes).
  auto reads = BufferCommands(bus, kReadBufferOp);
  ASSERT_EQ(reads.size(), 5u);
  EXPECT_EQ(reads[0].id, 0xFF);
  EXPECT_EQ(reads[1].offset, 0x40000u + 16384);
  EXPECT_EQ(reads[1].length, 16384u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(reads[2 + i].mode, 2);
    EXPECT_EQ(reads[2 + i].id, 0xFE);
    EXPECT_EQ(reads[2 + i].offset, 0x20000u + offsets[i]);
    EXPECT_EQ(reads[2 + i].length, lengths[i]);
  }

  // Both bars follow the bytes sent of both parts.
  EXPECT_EQ(dialog.updates, (std::vector<int>{27, 33, 60, 87, 100}));
  EXPECT_EQ(dialog.verifies, dialog.updates);
  EXPECT_TRUE(log.Contains("60% updated."));
  EXPECT_TRUE(log.Contains("100% verified."));
  EXPECT_EQ(dialog.comments, (std::vector<std::string>{"Now updating QXW-7100 ...", ""}));
  // The drive came back with the SYS image's revision and the MEC image's
  // mechanism version.
  EXPECT_STREQ(writer->Revision(), "1.08");
  EXPECT_TRUE(log.Contains("Mecha con version: M2.0"));
  EXPECT_EQ(dialog.deviceLines, (std::vector<std::string>{"Now getting inquiry data...", DeviceLine(*writer)}));
  EXPECT_NE(DeviceLine(*writer).find("(Version 1.08)"), std::string::npos);
}

TEST_F(UpdateTest, SysMecProgressIsComputedOverBothPartsWithoutOverflow) {
  SimBus bus(Qxw7100("1.07"));
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  SysMecFile made;
  made.sys = FirmwareImage("1.09", 524288, 7);
  made.mec = FirmwareImage("M2.1", 262144, 8);
  made.version = "1.09";
  ExpectConfirmation("This file is for updating the firmware of QXW-7100\nVer1.07 to 1.09");
  ExpectPowerCycle("QXW-7100");
  ExpectDone();
  ASSERT_EQ(Run(File("big.bin", made.Build()), writer), UpdateResult::Done);
  ASSERT_EQ(dialog.updates.size(), 48u);
  EXPECT_EQ(dialog.updates.front(), 2);
  EXPECT_EQ(dialog.updates.back(), 100);
  EXPECT_TRUE(std::is_sorted(dialog.updates.begin(), dialog.updates.end()));
  EXPECT_STREQ(writer->Revision(), "1.09");
}

TEST_F(UpdateTest, AFirstGenerationDriveTakesSysAloneAndComesBackAsALaterOne) {
  // No disc in the drive: the re-identification takes "medium not present"
  // for a drive that is back.
  // It restarts slowly: the polls see it becoming ready for a while.
  SimBus bus(R"({"id": 4, "model": "qxw7100", "revision": "0.00", "timing": {"power_cycle_ms": 30000}})");
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  ASSERT_EQ(writer->ClassCode(), 0x8010);
  const SCSIDEV* before = writer.get();
  SysMecFile made;
  made.sys = FirmwareImage("1.00", 20000, 9);
  made.version = "1.00";
  ExpectConfirmation("This file is for updating the firmware of QXW-7100\nVer0.00 to 1.00");
  ExpectPowerCycle("QXW-7100");
  ExpectPowerCycle("QXW-7100");
  ExpectDone();
  bus.Clear();
  ASSERT_EQ(Run(File("first.bin", made.Build()), writer), UpdateResult::Done);

  // SYS, its commit and the drive's restart come before any MEC byte.
  std::vector<uint8_t> order;
  for (const SentCommand& sent : bus.Commands())
    if (sent.Op() == kWriteBufferOp || sent.Op() == 0x00) order.push_back(sent.Op() == 0x00 ? 0x00 : sent.head.cdb[2]);
  auto firstMec = std::find(order.begin(), order.end(), 0x01);
  auto sysCommit = std::find(order.begin(), order.end(), 0xF8);
  ASSERT_NE(firstMec, order.end());
  EXPECT_LT(sysCommit, firstMec);
  EXPECT_NE(std::find(sysCommit, firstMec, 0x00), firstMec) << "the drive is polled back before MEC";
  EXPECT_EQ(std::count(order.begin(), order.end(), 0xF9), 1);
  // The first poll restarts the drive and finds it becoming ready; later
  // polls wait for it, and the re-identification polls once more at least.
  EXPECT_GE(std::count(order.begin(), order.end(), 0x00), 3) << "polled while it became ready";

  // The later generation needs another device class: the slot holds a new
  // object from the factory.
  EXPECT_NE(writer.get(), before);
  EXPECT_EQ(writer->ClassCode(), 0x8011);
  EXPECT_STREQ(writer->Revision(), "1.00");
  EXPECT_TRUE(log.Contains("[ReidentifyDrive] The drive now needs another device class; it is created anew."));
}

TEST_F(UpdateTest, CancelAtTheConfirmationSendsNothingAndShowsNoResult) {
  SimBus bus(Qxw7100("1.07"));
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  ExpectConfirmation(kQuestion, ui::kIdCancel);
  bus.Clear();
  EXPECT_EQ(Run(File("sysmec.bin", SysMecFile{}.Build()), writer), UpdateResult::Canceled);
  EXPECT_TRUE(BufferCommands(bus).empty());
  EXPECT_EQ(bus.Count(0x00), 0u) << "no re-identification";
  EXPECT_TRUE(dialog.deviceLines.empty());
}

TEST_F(UpdateTest, AReadBackMismatchStopsBeforeTheCommit) {
  SimBus bus(Qxw7100("1.07", R"(, "faults": [{"kind": "corrupt", "opcode": "3Ch", "from": 2}])"));
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  ExpectConfirmation(kQuestion);
  ExpectError("Verify error.");
  ExpectFailed();
  bus.Clear();
  EXPECT_EQ(Run(File("sysmec.bin", SysMecFile{}.Build()), writer), UpdateResult::Failed);
  auto writes = BufferCommands(bus, kWriteBufferOp);
  ASSERT_EQ(writes.size(), 2u) << "two MEC chunks, the second read back wrong, and nothing after";
  EXPECT_EQ(writes[1].id, 1);
  EXPECT_EQ(dialog.verifies, (std::vector<int>{27})) << "the Verify bar stays behind";
  EXPECT_TRUE(log.Contains("[UpdateSysMec] The MEC part reads back different at offset 16384."));
  EXPECT_STREQ(writer->Revision(), "1.07");
}

TEST_F(UpdateTest, AFailedCommitIsAFailure) {
  SimBus bus(Qxw7100("1.07", R"(, "faults": [{"kind": "sense", "opcode": "3Bh", "buffer": "F9h", "sense": "03/0C/00"}])"));
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  ExpectConfirmation(kQuestion);
  ui.Expect(ErrorReport(*writer, "(3BH) Write Buffer", 3, 0x0C, 0), "Error Information", ui::kIconError, ui::kIdOk);
  ExpectFailed();
  bus.Clear();
  EXPECT_EQ(Run(File("sysmec.bin", SysMecFile{}.Build()), writer), UpdateResult::Failed);
  EXPECT_TRUE(To(BufferCommands(bus, kWriteBufferOp), 0xF8).empty()) << "no SYS commit after the failed MEC commit";
  EXPECT_STREQ(writer->Revision(), "1.07");
}

TEST_F(UpdateTest, SysMecFilesThatCannotBeSentAreRefusedBeforeTheQuestion) {
  SimBus bus(Qxw7100("1.07"));
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  SysMecFile wrongMarker;
  wrongMarker.sysMarker = "QXW-7100SYX";
  SysMecFile outside;
  outside.mecSize = 30000;
  struct Case {
    std::string bytes;
    const char* box;
    const char* logged;
  };
  const Case cases[] = {
      {wrongMarker.Build(), "This is not update file for QXW-7100.", "This is not update file for QXW-7100."},
      {outside.Build(), "This file may be corrupted.", "[UpdateSysMec] The MEC part (30000 bytes at byte 40128) reaches"},
      {SysMecFile{}.Build().substr(0, 100), "This file may be corrupted.",
       "[UpdateSysMec] The file is shorter than its 128-byte header."},
  };
  bus.Clear();
  for (const Case& c : cases) {
    ExpectError(c.box);
    ExpectFailed();
    EXPECT_EQ(Run(File("refused.bin", c.bytes), writer), UpdateResult::Failed) << c.box;
    EXPECT_NE(log.Text().find(c.logged), std::string::npos) << c.logged;
  }
  EXPECT_TRUE(BufferCommands(bus).empty());
  EXPECT_STREQ(writer->Revision(), "1.07");
}
