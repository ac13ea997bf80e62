// SPDX-License-Identifier: GPL-3.0-or-later
// The write family on the simulated bus, end to end: a genisoimage volume is
// checked, written with each operation, and read back from the disc.
#include <gtest/gtest.h>

#include <tuple>

#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "tests/fixtures/BusSupport.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/operation/TestDialog.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace {

constexpr unsigned kInfoBox = 0x40;
constexpr uint32_t kDiscSectors = 8192;

struct Image {
  std::string path;
  std::string bytes;
  VolumeInfo info;
};

Image CheckedImage(const TempDir& dir, uint64_t payload) {
  Image image;
  image.path = MakeGenisoImage(dir.Path(), "volume.iso", "MARROW", payload);
  image.bytes = TempDir::Read(image.path);
  VolSizeChoice sizes;
  EXPECT_TRUE(CheckHeader(image.path, sizes, image.info));
  EXPECT_EQ(image.info.volumeSize, image.bytes.size());
  return image;
}

int CountEntries(CapturedLog& log, const std::string& text) {
  int count = 0;
  for (const std::string& entry : log.Entries()) count += entry == text;
  return count;
}

}  // namespace

// (operation code, model, revision)
using WriteFamilyParam = std::tuple<int, const char*, const char*>;

std::string WriteFamilyName(const ::testing::TestParamInfo<WriteFamilyParam>& info) {
  std::string name = FormatText("Code%02X_%s_%s", std::get<0>(info.param), std::get<1>(info.param),
                                      std::get<2>(info.param));
  for (char& c : name)
    if (c == '.') c = '_';
  return name;
}

class WriteFamily : public ::testing::TestWithParam<WriteFamilyParam> {
 protected:
  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
};

TEST_P(WriteFamily, LeavesTheDiscHoldingTheImage) {
  auto [code, model, revision] = GetParam();
  Image image = CheckedImage(dir, 3'000'000);
  ProgramBus bus(WriterJson(model, revision, "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  ui.Expect(DoneWithDigest(Sha256Of(image.bytes)), ProgramName, kInfoBox, 1);
  TestDialog dialog(image.info.volumeSize);
  TOperationThread op(dialog, Request(image.path, static_cast<uint16_t>(code), image.info.volumeOffset, image.info.volumeSize, image.info.volumeName, *writer));
  RunOperation(op);

  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_TRUE(dialog.closeAtEnd);
  EXPECT_TRUE(log.Contains("\r\n[Writing - Single Mode]"));
  EXPECT_TRUE(log.Contains("Voleme size: " + FormatNumber(image.bytes.size()) + " bytes."));
  bool test = code & 0x04, verify = code & 0x01;
  EXPECT_EQ(CountEntries(log, "Do test writing"), test ? 2 : 0);
  EXPECT_EQ(CountEntries(log, "Do real writing"), 2);
  EXPECT_EQ(CountEntries(log, "Do verifying"), verify ? 2 : 0);
  // One pass takes the digest (the write); the test and the verify read the
  // same bytes without hashing them again.
  EXPECT_EQ(CountEntries(log, "SHA-256 of the volume (" + FormatNumber(image.info.volumeSize) +
                                  " bytes): " + Sha256Of(image.bytes)),
            1);
  EXPECT_EQ(dialog.Percents(0).empty(), !test);
  EXPECT_EQ(dialog.Percents(1).back(), 100);
  EXPECT_EQ(dialog.Percents(3).empty(), !verify);
  EXPECT_TRUE(log.Contains("100% real written."));
  // Cancel is off exactly around each leadout.
  std::vector<bool> expected;
  for (int pass = 0; pass < (test ? 2 : 1); ++pass) expected.insert(expected.end(), {false, true});
  EXPECT_EQ(dialog.cancelStates, expected);
  // The disc was ejected at the end; loaded again it holds the image.
  EXPECT_TRUE(TrayOpen(*writer));
  EXPECT_EQ(ReadBack(*writer, image.bytes.size()), image.bytes);
  // The first generation closes the disc after whole 32 KiB pieces.
  uint64_t sectors = (image.bytes.size() + 2047) / 2048;
  if (revision[0] == '0') sectors = (sectors + 15) / 16 * 16;
  EXPECT_EQ(writer->GetCapacity(), sectors * 2048);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, WriteFamily,
    ::testing::Values(std::make_tuple(0x82, "qxw7100", "1.07"), std::make_tuple(0x83, "qxw7100", "1.07"),
                      std::make_tuple(0x86, "qxw7100", "1.07"), std::make_tuple(0x87, "qxw7100", "1.07"),
                      std::make_tuple(0x87, "qxw7200", "2.10"), std::make_tuple(0x83, "qxw7100", "0.90")),
    WriteFamilyName);

class WriteOperation : public ::testing::Test {
 protected:
  CapturedLog log;
  ScriptedUiGuard ui;
  TempDir dir;
};

TEST_F(WriteOperation, TestOnlyLeavesTheDiscBlank) {
  Image image = CheckedImage(dir, 1'000'000);
  ProgramBus bus(WriterJson("qxw7200", "2.10", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  ui.Expect(DoneWithDigest(Sha256Of(image.bytes)), ProgramName, kInfoBox, 1);
  TestDialog dialog(image.info.volumeSize);
  TOperationThread op(dialog, Request(image.path, 0x84, 0, image.info.volumeSize, "MARROW", *writer));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_TRUE(log.Contains("100% test written."));
  EXPECT_TRUE(dialog.Percents(1).empty());
  EXPECT_EQ(dialog.comments.front(), "Now test writing ...");
  EXPECT_TRUE(TrayOpen(*writer));
  writer->StartStopUnit(3);
  ASSERT_TRUE(writer->WaitReady(5000));
  EXPECT_EQ(writer->GetFreeSize(), uint64_t{kDiscSectors} * 2048);
}

TEST_F(WriteOperation, WithoutEjectWhenDoneTheLastStepLeavesTheDiscIn) {
  Image image = CheckedImage(dir, 1'000'000);
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  ui.Expect(DoneWithDigest(Sha256Of(image.bytes)), ProgramName, kInfoBox, 1);
  TestDialog dialog(image.info.volumeSize);
  OperationRequest request = Request(image.path, 0x86, 0, image.info.volumeSize, "MARROW", *writer);
  request.ejectWhenDone = false;
  // The test write's disc still goes out between its steps, as the drive
  // needs; only the last step keeps it.
  int ejectsBeforeTheWrite = -1;
  dialog.onComment = [&](const std::string& text) {
    if (text == "Now writing ...") ejectsBeforeTheWrite = TrayOpen(*writer) ? 1 : 0;
  };
  TOperationThread op(dialog, request);
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_EQ(ejectsBeforeTheWrite, 1);
  EXPECT_FALSE(TrayOpen(*writer)) << "the written disc stays in the drive";
  EXPECT_EQ(ReadBack(*writer, image.bytes.size()), image.bytes);
}

TEST_F(WriteOperation, VerifyOnlySkipsTheSpaceCheck) {
  Image image = CheckedImage(dir, 1'000'000);
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  ui.Expect(DoneWithDigest(Sha256Of(image.bytes)), ProgramName, kInfoBox, 1);
  ui.Expect(DoneWithDigest(Sha256Of(image.bytes)), ProgramName, kInfoBox, 1);
  for (uint16_t code : {0x82, 0x81}) {
    TestDialog dialog(image.info.volumeSize);
    TOperationThread op(dialog, Request(image.path, code, 0, image.info.volumeSize, "MARROW", *writer));
    RunOperation(op);
    EXPECT_EQ(dialog.result, OperationResult::Done);
  }
  std::string text = log.Text();
  size_t verify = text.rfind("[TOperationThread::NormalWrite]");
  EXPECT_EQ(text.find("DiscFreeSpace:", verify), std::string::npos);
  EXPECT_NE(text.find("\r\n[Writing - Single Mode]", verify), std::string::npos);
  EXPECT_NE(text.find("100% verified.", verify), std::string::npos);
}

TEST_F(WriteOperation, VerifyOfADamagedSectorNamesItsStepAndRowsAndDoesNotFail) {
  Image image = CheckedImage(dir, 1'000'000);
  // The disc gets the image with sector 40 changed at bytes 96-99.
  std::string damaged = image.bytes;
  for (int i = 0; i < 4; ++i) damaged[40 * 2048 + 96 + i] = static_cast<char>(~damaged[40 * 2048 + 96 + i]);
  std::string damagedPath = dir.Write("damaged.iso", damaged);
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", kDiscSectors));
  auto writer = OpenDevice(4);
  std::string question = "Verify: Data are different at 65,536 ~ 131,072 bytes.\r\nDo you wish to quit verifying?";
  ui.Expect(DoneWithDigest(Sha256Of(damaged)), ProgramName, kInfoBox, 1);
  ui.Expect(question, ProgramName, 0x14, ui::kIdNo);
  ui.Expect("Verify found differences: 1 differing steps.\r\nThe log names where the data differ.", ProgramName, 0x30, 1);
  {
    TestDialog dialog(image.info.volumeSize);
    TOperationThread op(dialog, Request(damagedPath, 0x82, 0, image.info.volumeSize, "MARROW", *writer));
    RunOperation(op);
  }
  TestDialog dialog(image.info.volumeSize);
  TOperationThread op(dialog, Request(image.path, 0x81, 0, image.info.volumeSize, "MARROW", *writer));
  RunOperation(op);
  EXPECT_EQ(dialog.result, OperationResult::Differences);
  EXPECT_EQ(dialog.Percents(3).back(), 100);
  EXPECT_TRUE(log.Contains(question));
  EXPECT_TRUE(log.Contains("SrcThread->readSize 65536\r\n"));
  // Sector 40 starts 16,384 bytes into the second step: its row at 96 is at
  // 16,480 = 4060H in the buffers, and it is the only one.
  int rows = 0;
  for (const std::string& entry : log.Entries()) {
    if (entry.rfind("[index: ", 0) != 0) continue;
    ++rows;
    EXPECT_EQ(entry.substr(0, 18), "[index: 00004060]\r");
    auto u = [](char c) { return static_cast<unsigned>(static_cast<uint8_t>(c)); };
    char src[64], dst[64];
    const char* s = image.bytes.data() + 40 * 2048 + 96;
    const char* d = damaged.data() + 40 * 2048 + 96;
    std::snprintf(src, sizeof src, "SRC: %02X %02X %02X %02X %02X", u(s[0]), u(s[1]), u(s[2]), u(s[3]), u(s[4]));
    std::snprintf(dst, sizeof dst, "DST: %02X %02X %02X %02X %02X", u(d[0]), u(d[1]), u(d[2]), u(d[3]), u(d[4]));
    EXPECT_NE(entry.find(src), std::string::npos) << entry;
    EXPECT_NE(entry.find(dst), std::string::npos) << entry;
  }
  EXPECT_EQ(rows, 1);
}

TEST_F(WriteOperation, VolumeLargerThanTheDiscIsRoundedDownWhenAgreed) {
  Image image = CheckedImage(dir, 3'000'000);
  ASSERT_GT(image.bytes.size(), 1000u * 2048);
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 1000));
  auto writer = OpenDevice(4);
  // The result says how much of the volume the disc holds, and the digest
  // of the part written.
  ui.Expect("Operation done.\r\nThe disc holds only the first 2,048,000 bytes of the volume of " +
                FormatNumber(image.info.volumeSize) + " bytes (" +
                std::to_string(2'048'000 * 100 / image.info.volumeSize) + "%); the rest was not written." +
                "\r\nSHA-256 of the part written: " + Sha256Of(image.bytes.substr(0, 2'048'000)),
            ProgramName, 0x30, 1);
  TestDialog dialog(image.info.volumeSize);
  dialog.writeModeAnswer = true;
  TOperationThread op(dialog, Request(image.path, 0x83, 0, image.info.volumeSize, "MARROW", *writer));
  RunOperation(op);
  EXPECT_EQ(dialog.writeModeAsked, 1);
  EXPECT_EQ(dialog.writeModeSizes, std::make_pair(image.info.volumeSize, uint64_t{2'048'000}));
  EXPECT_EQ(dialog.result, OperationResult::Done);
  EXPECT_EQ(op.WriteMode(), 3);
  EXPECT_EQ(op.VolumeSize(), 2'048'000u);
  EXPECT_TRUE(log.Contains("DiscFreeSpace: 2,048,000 Size (000003E8H Sectors)."));
  EXPECT_TRUE(log.Contains("\r\n[Writing - Round Down Mode]"));
  EXPECT_TRUE(log.Contains("WriteSectors: 1000(3E8H)"));
  EXPECT_TRUE(log.Contains("100% verified."));
  EXPECT_EQ(ReadBack(*writer, 2'048'000), image.bytes.substr(0, 2'048'000));
  EXPECT_EQ(writer->GetCapacity(), 2'048'000u);
}

TEST_F(WriteOperation, VolumeLargerThanTheDiscCanceledAtTheQuestionWritesNothing) {
  Image image = CheckedImage(dir, 3'000'000);
  ProgramBus bus(WriterJson("qxw7100", "1.07", "dvd-r", 1000));
  auto writer = OpenDevice(4);
  ui.Expect("Operation canceled.", ProgramName, kInfoBox, 1);
  TestDialog dialog(image.info.volumeSize);
  dialog.writeModeAnswer = false;
  TOperationThread op(dialog, Request(image.path, 0x82, 0, image.info.volumeSize, "MARROW", *writer));
  RunOperation(op);
  EXPECT_EQ(dialog.writeModeAsked, 1);
  EXPECT_EQ(dialog.result, OperationResult::Canceled);
  EXPECT_TRUE(dialog.closeAtEnd);
  EXPECT_TRUE(log.Contains("Operation canceled by user instruction."));
  EXPECT_FALSE(log.Contains("[Writing - Round Down Mode]"));
  EXPECT_FALSE(log.Contains("WriteSectors:"));
  writer->StartStopUnit(3);
  ASSERT_TRUE(writer->WaitReady(5000));
  EXPECT_EQ(writer->GetFreeSize(), 1000u * 2048);
}
