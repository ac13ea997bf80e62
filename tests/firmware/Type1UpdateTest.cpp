// SPDX-License-Identifier: GPL-3.0-or-later
// The QXW-7200 update from a TYPE1 file, end to end on the simulated writer:
// boot mode, the loader, the ROM images, their commit and verify, a drive
// already in loader mode, refused files, and the files of one writer
// offered to the other.
#include "base/ProgramIdentity.h"
#include "devices/CreateDevice.h"
#include "devices/DeviceLine.h"
#include "scsi/ASPI32.h"
#include "scsi/Commands.h"
#include "tests/firmware/UpdateTestSupport.h"
#include "tests/fixtures/FirmwareFiles.h"

namespace {

const char kQuestion[] = "This file is for updating the firmware of QXW-7200\nVer2.10 to 2.20";

std::string Qxw7200(const std::string& extra = "") {
  return R"({"id": 5, "model": "qxw7200", "revision": "2.10", "medium": {"kind": "dvd-rw"})" + extra + "}";
}

char ModeCharacter() {
  ASPI32 channel;
  uint8_t inquiry[128] = {};
  scsi::Inquiry(channel, 0, 5, 0, inquiry);
  return static_cast<char>(inquiry[32]);
}

}  // namespace

TEST_F(UpdateTest, Type1GoesThroughBootModeAndTheLoaderThenWritesCommitsAndVerifiesTheRoms) {
  SimBus bus(Qxw7200());
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 5, 0).device;
  Type1File made;  // loader.bin 5,000, rom_in.bin 70,000, rom_ext.bin 30,000 bytes
  ExpectConfirmation(kQuestion);
  ExpectPowerCycle("QXW-7200");
  ExpectDone();
  bus.Clear();
  ASSERT_EQ(Run(File("type1.bin", made.Build()), writer), UpdateResult::Done);

  auto commands = bus.Commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.front().Op(), 0x1B) << "the unit is stopped first";
  EXPECT_EQ(commands.front().head.cdb[4], 0x00);

  auto writes = BufferCommands(bus, kWriteBufferOp);
  ASSERT_GE(writes.size(), 12u);
  // Boot mode, loader.inf, loader.bin at the load address, the start.
  EXPECT_EQ(writes[0].id, 0x00);
  EXPECT_EQ(writes[0].length, 0u);
  EXPECT_EQ(writes[1].id, 0xF3);
  const std::string body = made.Body();
  EXPECT_EQ(writes[1].data, std::vector<uint8_t>(body.begin(), body.begin() + 16));
  EXPECT_EQ(writes[2].id, 0xF4);
  EXPECT_EQ(writes[2].offset, 0x1000u);
  EXPECT_EQ(writes[2].data, made.loader);
  EXPECT_EQ(writes[3].id, 0xF5);
  EXPECT_EQ(writes[3].offset, 0x1100u);
  EXPECT_EQ(writes[3].length, 0u);
  // rom_in.bin in five chunks to buffer 0, rom_ext.bin in two to buffer 1.
  const uint32_t romInLengths[] = {16384, 16384, 16384, 16384, 4464};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(writes[4 + i].id, 0x00);
    EXPECT_EQ(writes[4 + i].offset, 16384u * i);
    EXPECT_EQ(writes[4 + i].data, Slice(made.romIn, 16384 * i, romInLengths[i]));
  }
  EXPECT_EQ(writes[9].id, 0x01);
  EXPECT_EQ(writes[10].data, Slice(made.romExt, 16384, 30000 - 16384));
  EXPECT_EQ(writes[11].id, 0xF8);
  EXPECT_EQ(std::string(writes[11].data.begin(), writes[11].data.end()), "HALVERN");
  EXPECT_EQ(writes.size(), 12u);

  // The read-back before the commit: mode 5, the ROM buffers, chunk by chunk.
  auto reads = BufferCommands(bus, kReadBufferOp);
  ASSERT_EQ(reads.size(), 7u);
  auto all = BufferCommands(bus);
  EXPECT_EQ(all.back().id, 0xF8) << "the commit comes after every read-back";
  EXPECT_EQ(reads[0].mode, 5);
  EXPECT_EQ(reads[4].length, 4464u);
  EXPECT_EQ(reads[5].id, 1);

  EXPECT_EQ(dialog.updates.front(), 4) << "loader.bin is 5,000 of 105,000 bytes";
  EXPECT_EQ(dialog.updates.back(), 100);
  EXPECT_EQ(dialog.verifies.front(), 0);
  EXPECT_EQ(dialog.verifies.back(), 100);
  EXPECT_EQ(dialog.comments,
            (std::vector<std::string>{"Now updating QXW-7200 ...", "Updating QXW-7200 done.", ""}));
  EXPECT_TRUE(log.Contains("[UpdateType1] Checksum " + FormatHex(BitwiseCrc16(made.Body())) + "H is right."));
  EXPECT_STREQ(writer->Revision(), "2.20");
  EXPECT_EQ(ModeCharacter(), '2');
}

TEST_F(UpdateTest, ADriveAlreadyInLoaderModeStartsWithRomIn) {
  SimBus bus(Qxw7200(R"(, "firmware_mode": "loader")"));
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 5, 0).device;
  EXPECT_STREQ(writer->Revision(), "L.10");
  ExpectConfirmation("This file is for updating the firmware of QXW-7200\nVerL.10 to 2.20");
  ExpectPowerCycle("QXW-7200");
  ExpectDone();
  bus.Clear();
  ASSERT_EQ(Run(File("type1.bin", Type1File{}.Build()), writer), UpdateResult::Done);
  auto writes = BufferCommands(bus, kWriteBufferOp);
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes[0].id, 0x00);
  EXPECT_EQ(writes[0].length, 16384u) << "no boot mode, loader.inf or loader.bin";
  for (const BufferCommand& write : writes)
    EXPECT_TRUE(write.id == 0x00 || write.id == 0x01 || write.id == 0xF8) << "only ROM buffers and the commit";
  EXPECT_TRUE(log.Contains("[UpdateType1] The loader runs already."));
  EXPECT_STREQ(writer->Revision(), "2.20");
}

TEST_F(UpdateTest, AWrongChecksumIsRefusedAndNothingIsSent) {
  SimBus bus(Qxw7200());
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 5, 0).device;
  Type1File made;
  made.checksum = static_cast<uint16_t>(BitwiseCrc16(made.Body()) ^ 0x0100);
  ExpectError("This file may be corrupted.");
  ExpectFailed();
  bus.Clear();
  EXPECT_EQ(Run(File("bad.bin", made.Build()), writer), UpdateResult::Failed);
  EXPECT_TRUE(BufferCommands(bus).empty());
  EXPECT_TRUE(log.Contains("[UpdateType1] The checksum is " + FormatHex(BitwiseCrc16(made.Body())) +
                           "H; the file says " + FormatHex(*made.checksum) + "H."));
  EXPECT_STREQ(writer->Revision(), "2.10");
}

TEST_F(UpdateTest, Type1FilesThatCannotBeSentSafelyAreRefused) {
  SimBus bus(Qxw7200());
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 5, 0).device;
  Type1File made;
  std::vector<std::string> longInfo = made.Lines();
  std::replace(longInfo.begin(), longInfo.end(), std::string("FileSize = 16"), std::string("FileSize = 64"));
  std::string truncated = made.Build();
  truncated.pop_back();
  Type1File farLoader;
  farLoader.loadAddress = 0xFFF000;
  std::string noEnd = made.Build();
  noEnd.replace(noEnd.find("[ End"), 2, "[ X");
  struct Case {
    std::string bytes;
    bool box;  // "This file may be corrupted."
    const char* logged;
  };
  const Case cases[] = {
      {made.Build(longInfo), true, "[UpdateType1] loader.inf is not 16 bytes."},
      {truncated, true, "[UpdateType1] rom_ext.bin (30000 bytes at byte 75528) reaches past the end"},
      {farLoader.Build(), true, "[UpdateType1] loader.bin does not fit the drive's 24-bit buffer offsets"},
      {noEnd, false, "[UpdateType1] The file descriptor has no end line."},
  };
  bus.Clear();
  for (const Case& c : cases) {
    if (c.box) ExpectError("This file may be corrupted.");
    ExpectFailed();
    EXPECT_EQ(Run(File("refused.bin", c.bytes), writer), UpdateResult::Failed) << c.logged;
    EXPECT_NE(log.Text().find(c.logged), std::string::npos) << c.logged;
  }
  EXPECT_TRUE(BufferCommands(bus).empty());
}

TEST_F(UpdateTest, AType1ReadBackMismatchIsNeverCommittedAndARunAgainRecoversTheDrive) {
  SimBus bus(Qxw7200(R"(, "faults": [{"kind": "corrupt", "opcode": "3Ch", "buffer": 1, "first": 1}])"));
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 5, 0).device;
  const std::string file = File("type1.bin", Type1File{}.Build());
  ExpectConfirmation(kQuestion);
  ExpectError("Verify error.");
  ui.Expect("Update firmware  failed.\r\nThe drive is in loader mode. Run the firmware update again with a good file "
            "to recover it.",
            ProgramName, ui::kIconError, ui::kIdOk);
  EXPECT_EQ(Run(file, writer), UpdateResult::Failed);
  EXPECT_TRUE(log.Contains("[UpdateType1] rom_ext.bin reads back different at offset 0."));
  EXPECT_LT(dialog.verifies.back(), 100);
  for (const BufferCommand& write : BufferCommands(bus, kWriteBufferOp)) EXPECT_NE(write.id, 0xF8) << "no commit";
  // Scan, info and the property window name the drive for what it is.
  std::unique_ptr<SCSIDEV> again = CreateDevice(0, 5, 0).device;
  EXPECT_EQ(DeviceLine(*again),
            "SCSI address 0,5,0:  HALVERN  DVD-RW QXW-7200  (Version L.10) - loader mode: run the firmware update "
            "again");
  // The way out the box names.
  ExpectConfirmation("This file is for updating the firmware of QXW-7200\nVerL.10 to 2.20");
  ExpectPowerCycle("QXW-7200");
  ExpectDone();
  EXPECT_EQ(Run(file, again), UpdateResult::Done);
  EXPECT_EQ(FirmwareModeNote(*again), "");
}

TEST_F(UpdateTest, AFileOfOneWriterOfferedToTheOtherIsRefused) {
  SimBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"}},)" + Qxw7200());
  std::unique_ptr<SCSIDEV> qxw7100 = CreateDevice(0, 4, 0).device;
  std::unique_ptr<SCSIDEV> qxw7200 = CreateDevice(0, 5, 0).device;
  std::string sysmec = File("sysmec.bin", SysMecFile{}.Build());
  std::string type1 = File("type1.bin", Type1File{}.Build());
  std::string neither = File("neither.bin", std::string(200, 'x'));
  bus.Clear();
  ExpectError("This is not HALVERN QXW-7100");
  ExpectFailed();
  EXPECT_EQ(Run(sysmec, qxw7200), UpdateResult::Failed);
  ExpectError("This is not HALVERN QXW-7200");
  ExpectFailed();
  EXPECT_EQ(Run(type1, qxw7100), UpdateResult::Failed);
  ExpectError(neither + " is not a firmware update file.");
  ExpectFailed();
  EXPECT_EQ(Run(neither, qxw7100), UpdateResult::Failed);
  ExpectError("Open error: " + dir.File("missing.bin") + " (No such file or directory)");
  ExpectFailed();
  EXPECT_EQ(Run(dir.File("missing.bin"), qxw7100), UpdateResult::Failed);
  EXPECT_TRUE(BufferCommands(bus).empty());
  EXPECT_EQ(bus.Count(0x1B), 0u) << "a QXW-7100 is not stopped for a TYPE1 file";
}
