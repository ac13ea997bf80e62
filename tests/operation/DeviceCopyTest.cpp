// SPDX-License-Identifier: GPL-3.0-or-later
// Copies between devices and files on the simulated bus: a volume behind a
// mastering information text is copied out bare, whichever side is a device.
#include <gtest/gtest.h>

#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "tests/fixtures/BusSupport.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/operation/TestDialog.h"
#include "transfer/DataPass.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace {

constexpr unsigned kErrorBox = 0x10;
constexpr unsigned kInfoBox = 0x40;
constexpr uint32_t kMidBytes = 32768;
constexpr unsigned kWriteOverQuestion = 0x124;  // Yes/No, question icon, No as default

// The question before a copy writes over a device, naming it and its size.
std::string WriteOver(const std::string& address, const std::string& bytes) {
  return "The copy writes over all data on " + address + " (ORBITEK HD-2100 DISK), " + bytes +
         " bytes.\r\nDo you wish to continue?";
}

// The volume behind a mastering information text that puts it at 32,768.
std::string WithMid(const std::string& volume) {
  std::string mid = "[ Mastering Information Descriptor ]\r\nIndex = MAINdata( 1, " + std::to_string(volume.size()) +
                    ")\r\n";
  mid.resize(kMidBytes, '\0');
  return mid + volume;
}

class DeviceCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string image = MakeGenisoImage(dir.Path(), "volume.iso", "MARROW", 1'500'000);
    volume = TempDir::Read(image);
    source = dir.Write("source.img", WithMid(volume));
  }

  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
  std::string volume, source;
};

}  // namespace

TEST_F(DeviceCopy, DeviceToFileExtractsTheBareVolume) {
  ProgramBus bus(DiskJson(1, source, 0, 512, false));
  auto disk = OpenDevice(1);
  VolSizeChoice sizes;
  VolumeInfo info;
  ASSERT_TRUE(CheckHeader(*disk, sizes, info));
  ASSERT_EQ(info.volumeOffset, kMidBytes);
  ASSERT_EQ(info.volumeSize, volume.size());
  std::string destination = dir.File("bare.iso");
  ui.Expect(DoneWithDigest(Sha256Of(volume)), ProgramName, kInfoBox, 1);
  TestDialog dialog(info.volumeSize);
  TOperationThread op(dialog, Request(*disk, 0x09, info.volumeOffset, info.volumeSize, info.volumeName, destination));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_EQ(TempDir::Read(destination), volume);
  // 32,768 bytes are block 64 (40H) of 512-byte blocks.
  EXPECT_NE(log.Trace().find("[TReadThread::Execute] pDev->SetAddress 40"), std::string::npos);
  EXPECT_TRUE(log.Contains("[Terminated (R) Scsi"));
  EXPECT_EQ(dialog.Percents(2).back(), 100);
  EXPECT_EQ(dialog.Percents(3).back(), 100);

  // The progress reports name the disc side (the source drive: the copy
  // goes to a file) and its position on the disc, volume offset included.
  ASSERT_EQ(dialog.reports.size(), dialog.progress.size());
  const PassProgress& first = dialog.reports.front();
  EXPECT_EQ(first.writer, (aspi::ScsiAddress{0, 1, 0}));
  EXPECT_EQ(first.phase, 2);
  EXPECT_EQ(first.pass, 1u);
  EXPECT_EQ(first.done, 0u);
  EXPECT_EQ(first.position, kMidBytes);
  EXPECT_EQ(first.total, info.volumeSize);
  for (const PassProgress& report : dialog.reports) {
    EXPECT_EQ(report.position, kMidBytes + report.done);
    EXPECT_EQ(report.Percent(), dialog.progress[&report - dialog.reports.data()].second);
    EXPECT_EQ(report.pass, report.phase == 2 ? 1u : 2u);
  }
  const PassProgress last = op.LatestProgress();
  EXPECT_EQ(last.phase, 3);
  EXPECT_TRUE(last.ended);
  EXPECT_EQ(last.done, info.volumeSize);
  EXPECT_EQ(last.secondsLeft, 0);
}

TEST_F(DeviceCopy, FileToDeviceWritesTheBareVolumeFromBlockZero) {
  ProgramBus bus(DiskJson(1, "", 8192, 512, true));
  auto disk = OpenDevice(1);
  VolSizeChoice sizes;
  VolumeInfo info;
  ASSERT_TRUE(CheckHeader(source, sizes, info));
  ASSERT_EQ(info.volumeOffset, kMidBytes);
  // No, the default, writes nothing and says nothing more.
  ui.Expect(WriteOver("0,1,0", "4,194,304"), ProgramName, kWriteOverQuestion, ui::kIdNo);
  TestDialog declined(info.volumeSize);
  TOperationThread kept(declined, Request(source, 0x09, info.volumeOffset, info.volumeSize, info.volumeName, *disk));
  RunOperation(kept);
  EXPECT_EQ(declined.result, OperationResult::Canceled);
  EXPECT_EQ(ReadBack(*disk, 4096), std::string(4096, '\0'));

  ui.Expect(WriteOver("0,1,0", "4,194,304"), ProgramName, kWriteOverQuestion, ui::kIdYes);
  ui.Expect(DoneWithDigest(Sha256Of(volume)), ProgramName, kInfoBox, 1);
  TestDialog dialog(info.volumeSize);
  TOperationThread op(dialog, Request(source, 0x09, info.volumeOffset, info.volumeSize, info.volumeName, *disk));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_TRUE(log.Contains("DstSize: 4,194,304 bytes"));
  EXPECT_TRUE(log.Contains("DstFreeSize: 4,194,304 bytes"));
  EXPECT_TRUE(log.Contains("[Terminated (W) Scsi"));
  EXPECT_EQ(ReadBack(*disk, volume.size()), volume);
}

TEST_F(DeviceCopy, DeviceToDevice) {
  ProgramBus bus(DiskJson(1, source, 0, 2048, false) + ", " + DiskJson(3, "", 8192, 512, true));
  auto from = OpenDevice(1);
  auto to = OpenDevice(3);
  ui.Expect(WriteOver("0,3,0", "4,194,304"), ProgramName, kWriteOverQuestion, ui::kIdYes);
  ui.Expect(DoneWithDigest(Sha256Of(volume)), ProgramName, kInfoBox, 1);
  TestDialog dialog(volume.size());
  TOperationThread op(dialog, Request(*from, 0x09, kMidBytes, volume.size(), "MARROW", *to));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_NE(log.Trace().find("[TReadThread::Execute] pDev->SetAddress 10"), std::string::npos);
  EXPECT_EQ(ReadBack(*to, volume.size()), volume);
}

TEST_F(DeviceCopy, DestinationWithoutAMediumAsksAboutTheSpace) {
  ProgramBus bus(R"({"id": 4, "model": "qxw7100", "medium": {"kind": "none"}})");
  auto writer = OpenDevice(4);
  ui.Expect("Destination has not enough free space. Are you sure to continue?", ProgramName, 0x114, ui::kIdNo);
  ui.Expect("Operation canceled.", ProgramName, kInfoBox, 1);
  TestDialog dialog(volume.size());
  TOperationThread op(dialog, Request(source, 0x01, kMidBytes, volume.size(), "MARROW", *writer));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Canceled);
  EXPECT_TRUE(dialog.closeAtEnd);
  EXPECT_TRUE(log.Contains("DstFreeSize: 0 bytes"));
  EXPECT_TRUE(dialog.Percents(3).empty());
}

TEST_F(DeviceCopy, SourceReadErrorFailsTheCopyAndCloses) {
  ProgramBus bus(R"({"id": 1, "model": "disk", "medium": {"kind": "image", "block_size": 512, "path": ")" + source +
                 R"("}, "faults": [)" + SenseFault(0x28, "03/11/00", 200, 200) + "]}");
  auto disk = OpenDevice(1);
  std::string destination = dir.File("copy.iso");
  // The reader starts at block 64 and reads 64 blocks per command: the
  // command from 192 (C0H) holds the damaged block 200.
  ui.Expect(ErrorReport(*disk, "(28H) Read10", 0xC0, "3-11-00", "Medium Error: Unrecovered read error."),
            "Error Information", kErrorBox, 1);
  ui.Expect("Copying failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  TestDialog dialog(volume.size());
  TOperationThread op(dialog, Request(*disk, 0x09, kMidBytes, volume.size(), "MARROW", destination));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_TRUE(dialog.closeAtEnd);
  // A copy from a device to a file moves large steps (the same commands,
  // several per step): the step that failed, counted from step A, names
  // the line, with what was left after it.
  const uint64_t failedStep = (200 - 64) * 512 / DataPass::kLargeStep;
  const uint64_t rest = volume.size() - std::min<uint64_t>(volume.size(), (failedStep + 1) * DataPass::kLargeStep);
  EXPECT_TRUE(log.Contains(FormatText(failedStep % 2 == 0 ? "[Error (R) Scsi1] restSize: %X%08XH"
                                                          : "[Error (R) Scsi2] restSize: %X%08XH",
                                      static_cast<uint32_t>(rest >> 32), static_cast<uint32_t>(rest))))
      << failedStep;
  // The zeroed buffer of the failed read was never written.
  std::string copied = TempDir::Read(destination);
  EXPECT_EQ(copied, volume.substr(0, copied.size()));
}

TEST_F(DeviceCopy, FileToFileExtractsTheBareVolume) {
  VolSizeChoice sizes;
  VolumeInfo info;
  ASSERT_TRUE(CheckHeader(source, sizes, info));
  ASSERT_EQ(info.volumeOffset, kMidBytes);
  ASSERT_EQ(info.volumeSize, volume.size());
  std::string destination = dir.File("bare.iso");
  ui.Expect(DoneWithDigest(Sha256Of(volume)), ProgramName, kInfoBox, 1);
  TestDialog dialog(info.volumeSize);
  TOperationThread op(dialog, Request(source, 0x09, info.volumeOffset, info.volumeSize, info.volumeName, destination));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_EQ(TempDir::Read(destination), volume);
  EXPECT_TRUE(log.Contains("VolumeSize: " + FormatNumber(volume.size()) + " bytes"));
}

TEST_F(DeviceCopy, VerifyReadErrorFailsTheVerifyAndKeepsTheDialogOpen) {
  ProgramBus bus(R"({"id": 1, "model": "disk", "medium": {"kind": "image", "block_size": 512, "sectors": 8192},)"
                 R"( "faults": [)" + SenseFault(0x28, "03/11/00", 100, 100) + "]}");
  auto disk = OpenDevice(1);
  // The verify reads the disk from block 0, 64 blocks per command: the
  // command from 64 (40H) holds the damaged block 100.
  ui.Expect(WriteOver("0,1,0", "4,194,304"), ProgramName, kWriteOverQuestion, ui::kIdYes);
  ui.Expect(ErrorReport(*disk, "(28H) Read10", 0x40, "3-11-00", "Medium Error: Unrecovered read error."),
            "Error Information", kErrorBox, 1);
  ui.Expect("Verifying failed.", ProgramName, kErrorBox, 1);
  ui.Expect("Operation failed.", ProgramName, kErrorBox, 1);
  TestDialog dialog(volume.size());
  TOperationThread op(dialog, Request(source, 0x09, kMidBytes, volume.size(), "MARROW", *disk));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Failed);
  EXPECT_FALSE(dialog.closeAtEnd);
  EXPECT_EQ(dialog.Percents(2).back(), 100);
}
