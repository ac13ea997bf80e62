// SPDX-License-Identifier: GPL-3.0-or-later
// Each row of the write family's failure table on the simulated bus: the
// boxes in their order and the result.
#include <gtest/gtest.h>

#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "devices/NoDisc.h"
#include "tests/fixtures/BusSupport.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/operation/TestDialog.h"
#include "tests/transfer/TransferData.h"

namespace {

constexpr unsigned kErrorBox = 0x10;
constexpr unsigned kInfoBox = 0x40;
constexpr uint64_t kVolume = 1'000'000;

class WriteFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    data = VolumeBytes(kVolume, 21);
    image = dir.Write("volume.iso", data);
  }
  // Runs code from the image onto the writer at 0:4:0.
  void Run(SCSIDEV& writer, uint16_t code, uint64_t volumeSize = kVolume) {
    dialog.volumeSize = volumeSize;
    TOperationThread op(dialog, Request(image, code, 0, volumeSize, "VOL", writer));
    RunOperation(op);
  }
  void ExpectFailed(const char* step) {
    if (step != nullptr) ui.Expect(step, ProgramName, kErrorBox, 1);
    ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  }
  std::string ErrorBox(SCSIDEV& writer, const char* command, uint32_t address, const char* code,
                       const char* message) {
    ui.Expect(ErrorReport(writer, command, address, code, message), "Error Information", kErrorBox, 1);
    return ErrorReport(writer, command, address, code, message);
  }

  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  TestDialog dialog;
  std::string data, image;
};

}  // namespace

TEST_F(WriteFailure, VolumeSizeZero) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096));
  auto writer = OpenDevice(4);
  // One box, which says where the size is chosen; no "Operation failed." after it.
  ui.Expect("Volume size is 0\r\nChoose a size with \"Change size...\" first.", ProgramName, kErrorBox, 1);
  Run(*writer, 0x82, 0);
  EXPECT_EQ(dialog.result, OperationResult::ErrorShown);
  EXPECT_EQ(dialog.errorsShown, 1);
  EXPECT_TRUE(log.Contains("Volume size is 0"));
}

TEST_F(WriteFailure, WriterNotReadyIsACancelWithoutResultBox) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7100", "medium": {"kind": "none"}})");
  auto writer = OpenDevice(4);
  // No disc at all: the box says so and what to do.
  ui.Expect("There is no disc in 0,4,0 (HALVERN DVD-R QXW-7100). Insert a disc and try again.", ProgramName,
            kErrorBox, 1);
  Run(*writer, 0x87);
  EXPECT_EQ(dialog.result, OperationResult::ErrorShown);
  EXPECT_TRUE(log.Contains("Operation canceled by user instruction."));
  EXPECT_FALSE(log.Contains("WriteSectors:"));
}

TEST_F(WriteFailure, OtherSenseAtTheReadinessCheckShowsTheReport) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096, R"("faults": [)" + SenseFault(0x52, "04/44/00") + "]"));
  auto writer = OpenDevice(4);
  ErrorBox(*writer, "(52H) Read R Zone Info", 0, "4-44-00", "Hardware Error: Internal controller error.");
  ExpectFailed(nullptr);
  Run(*writer, 0x82);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_FALSE(dialog.closeAtEnd);
}

TEST_F(WriteFailure, NoFreeSpaceOnAClosedDisc) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096));
  auto writer = OpenDevice(4);
  ui.Expect(DoneWithDigest(Sha256Of(data)), ProgramName, kInfoBox, 1);
  Run(*writer, 0x82);
  // The written disc is named as closed, and the person told to insert a
  // blank one: one box.
  ui.Expect("The DVD-R in 0,4,0 (HALVERN DVD-R QXW-7100) is closed: it has been written and takes no more data. "
            "Insert a blank disc and try again.",
            ProgramName, kErrorBox, 1);
  TestDialog second(kVolume);
  TOperationThread op(second, Request(image, 0x82, 0, kVolume, "VOL", *writer));
  RunOperation(op);
  EXPECT_EQ(second.result, OperationResult::ErrorShown);
  EXPECT_EQ(second.errorsShown, 1);
}

TEST_F(WriteFailure, RefusedWritingConfigFailsTheStep) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096, R"("faults": [)" + SenseFault(0x53, "03/0C/00") + "]"));
  auto writer = OpenDevice(4);
  ErrorBox(*writer, "(53H) Reserve R Zone", 0, "3-0C-00", "Medium Error: Write error.");
  ExpectFailed("Test Writing failed.");
  Run(*writer, 0x86);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_FALSE(dialog.closeAtEnd);
  EXPECT_TRUE(TrayOpen(*writer));
}

TEST_F(WriteFailure, WorkerFailureReportsTheWriteAndCloses) {
  ProgramBus bus(
      WriterJson("qxw7100", "1.07", "dvd-r", 4096, R"("faults": [)" + SenseFault(0x2A, "03/0C/00", 100, 199) + "]"));
  auto writer = OpenDevice(4);
  // Steps of 32 sectors; the fourth (step B) starts at 96 = 60H and fails
  // in its first 16-sector piece.
  ErrorBox(*writer, "(2AH) Write 10", 0x60, "3-0C-00", "Medium Error: Write error.");
  ExpectFailed("Writing failed.");
  Run(*writer, 0x83);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_TRUE(dialog.closeAtEnd);
  uint64_t rest = kVolume - 4 * 65536;
  EXPECT_TRUE(log.Contains(FormatText("[Error (W) Scsi2] restSize: 0%08XH", static_cast<uint32_t>(rest))));
  EXPECT_FALSE(log.Contains("SCSIDVDR100::FinishWrite()"));
  EXPECT_TRUE(TrayOpen(*writer));
}

TEST_F(WriteFailure, FailedLeadoutFailsTheStep) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096, R"("faults": [)" + SenseFault(0x35, "03/0C/00") + "]"));
  auto writer = OpenDevice(4);
  ExpectFailed("Writing failed.");
  Run(*writer, 0x83);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_TRUE(log.Contains("[SCSIDVDR100::FinishWrite] failed."));
  EXPECT_TRUE(dialog.Percents(3).empty());
}

TEST_F(WriteFailure, FailedVerifyReadReportsAndKeepsTheDialogOpen) {
  ProgramBus bus(
      WriterJson("qxw7100", "1.07", "dvd-r", 4096, R"("faults": [)" + SenseFault(0x28, "03/11/00", 100, 100) + "]"));
  auto writer = OpenDevice(4);
  ui.Expect(DoneWithDigest(Sha256Of(data)), ProgramName, kInfoBox, 1);
  Run(*writer, 0x82);
  // The 16-block read from 96 = 60H covers the damaged block 100.
  ErrorBox(*writer, "(28H) Read10", 0x60, "3-11-00", "Medium Error: Unrecovered read error.");
  ExpectFailed("Verifying failed.");
  TestDialog second(kVolume);
  TOperationThread op(second, Request(image, 0x81, 0, kVolume, "VOL", *writer));
  RunOperation(op);
  EXPECT_EQ(second.result, OperationResult::Failed);
  EXPECT_FALSE(second.closeAtEnd);
  EXPECT_TRUE(log.Contains("[SCSIDEV::Read] failed."));
  // The disc is given back after a failed verify too.
  EXPECT_TRUE(TrayOpen(*writer));
}

TEST_F(WriteFailure, FailedLockIsOnlyLogged) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096, R"("faults": [)" + SenseFault(0x1E, "05/24/00") + "]"));
  auto writer = OpenDevice(4);
  ui.Expect(DoneWithDigest(Sha256Of(data)), ProgramName, kInfoBox, 1);
  Run(*writer, 0x83);
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_TRUE(log.Contains("Prevent MediumRemovable failed. (continue writing...)"));
  EXPECT_TRUE(log.Contains("Prevent MediumRemovable failed. (continue verifying...)"));
  EXPECT_EQ(ReadBack(*writer, kVolume), data);
}

TEST_F(WriteFailure, SourceShorterThanTheVolumeFailsBeforeTheDiscIsPrepared) {
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096));
  auto writer = OpenDevice(4);
  ui.Expect(image + " is shorter than the volume size (1,000,000 of 1,500,000 bytes).", ProgramName, kErrorBox, 1);
  ExpectFailed("Test Writing failed.");
  Run(*writer, 0x87, 1'500'000);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  // Neither reserved nor written: the disc is as blank as before.
  EXPECT_FALSE(log.Contains("WriteSectors:"));
  EXPECT_EQ(writer->GetFreeSize(), 4096u * 2048);
}

TEST_F(WriteFailure, ABusyManagerWhileTheFreeSpaceIsReadSaysSo) {
  // The manager turns the free-space command away once; the blank disc has
  // plenty of room.
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 4096,
                            R"("faults": [{"kind": "busy", "opcode": "52h", "first": 1}])"));
  auto writer = OpenDevice(4);
  ui.Expect("ASPI is busy.", "Interrupt", 0, 1);
  ui.Expect("The SCSI manager was busy: the free space of the disc could not be read. Please try again.",
            ProgramName, kErrorBox, 1);
  ExpectFailed(nullptr);
  Run(*writer, 0x82);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_FALSE(log.Contains("The disc has no free space"));
  EXPECT_EQ(writer->GetFreeSize(), 4096u * 2048) << "the disc was left alone";
}
