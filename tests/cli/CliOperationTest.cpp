// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

#include "tests/cli/CliBus.h"
#include "tests/fixtures/Images.h"

namespace {

const char* const kWriters = R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r", "sectors": 8192}},
  {"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 8192}},
  {"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 8192, "writable": true}})";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Head(const std::string& path, uint64_t bytes) {
  std::string all = TempDir::Read(path);
  return all.substr(0, std::min<uint64_t>(bytes, all.size()));
}

}  // namespace

TEST(CliOperation, WriteVerifyAndReadBackOnBothWriterGenerations) {
  CliBus bus(kWriters);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "ROUND_TRIP", 3 * 1024 * 1024);
  const uint64_t size = std::filesystem::file_size(image);

  for (const char* writer : {"0,4,0", "0,5,0"}) {
    ProcessResult written = bus.Run({"write", image, writer});
    ASSERT_EQ(written.status, 0) << writer << "\n" << written.err;
    EXPECT_TRUE(Has(written.err, "Now test writing ...")) << written.err;
    EXPECT_TRUE(Has(written.err, "Now verifying ..."));
    EXPECT_TRUE(Has(written.err, "[Marrowlight] Operation done."));
    EXPECT_TRUE(Has(written.err, "Verify 100%"));

    // The disc holds the image: copy it back into a file and compare.
    std::string back = bus.File(std::string("back-") + writer + ".iso");
    ProcessResult copied = bus.Run({"copy", writer, back, "--mode", "copy"});
    ASSERT_EQ(copied.status, 0) << copied.err;
    EXPECT_EQ(Head(back, size), TempDir::Read(image)) << writer;

    EXPECT_EQ(bus.Run({"write", image, writer, "--mode", "verify"}).status, 0);
  }
}

TEST(CliOperation, TestOnlyLeavesTheDiscBlankAndInfoShowsIt) {
  CliBus bus(kWriters);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "TEST_ONLY", 1024 * 1024);
  ProcessResult before = bus.Run({"info", "0,5,0"});
  ASSERT_EQ(before.status, 0) << before.err;
  EXPECT_TRUE(Has(before.out, "SCSI address 0,5,0:  HALVERN ")) << before.out;
  EXPECT_TRUE(Has(before.out, "16,777,216 bytes free.")) << before.out;

  ProcessResult tested = bus.Run({"write", image, "0,5,0", "--mode", "test"});
  ASSERT_EQ(tested.status, 0) << tested.err;
  EXPECT_EQ(bus.Run({"info", "0,5,0"}).out, before.out);
}

TEST(CliOperation, DifferencesEndWithTheirOwnStatusAndUnattendedQuestionsSayHowToAnswerYes) {
  CliBus bus(kWriters);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "FIRST", 1024 * 1024);
  ASSERT_EQ(bus.Run({"write", image, "0,4,0", "--mode", "write"}).status, 0);

  std::string other = bus.File("other.iso");
  std::string bytes = TempDir::Read(image);
  bytes[200000] ^= 0x5A;
  bus.Dir().Write("other.iso", bytes);
  ProcessResult verify = bus.Run({"write", other, "0,4,0", "--mode", "verify"});
  EXPECT_EQ(verify.status, 4) << verify.err;
  EXPECT_TRUE(Has(verify.err, "[Marrowlight] Verify: Data are different at 196,608 ~ 262,144 bytes.")) << verify.err;
  EXPECT_TRUE(Has(verify.err, "answered No (no terminal to ask); --yes would answer Yes"));

  ProcessResult quit = bus.Run({"--yes", "write", other, "0,4,0", "--mode", "verify"});
  EXPECT_EQ(quit.status, 4) << "differences end with 4 whatever the answer";
}

TEST(CliOperation, CopiesBetweenFilesAndDevicesExtractTheBareVolume) {
  CliBus bus(kWriters);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "BARE", 1024 * 1024);
  std::string volume = TempDir::Read(image);
  // The volume behind a MID whose index puts it at 2 x 32 KiB.
  std::string mid = "[ Mastering Information Descriptor ]\r\nIndex = MAINdata( 2, " + std::to_string(volume.size()) +
                    " )\r\n";
  mid.resize(65536, '\0');
  std::string midFile = bus.Dir().Write("mid.img", mid + volume + std::string(10000, 'x'));

  ProcessResult toFile = bus.Run({"copy", midFile, bus.File("bare.iso")});
  ASSERT_EQ(toFile.status, 0) << toFile.err;
  EXPECT_EQ(TempDir::Read(bus.File("bare.iso")), volume);

  // A copy onto a device asks first, naming it and its size; --no (or no
  // terminal) keeps the disk as it is, --yes writes.
  ProcessResult refused = bus.Run({"--no", "copy", midFile, "0,0,0"});
  EXPECT_EQ(refused.status, 3) << refused.err;
  EXPECT_TRUE(Has(refused.err, "The copy writes over all data on 0,0,0 (ORBITEK HD-2100 DISK), 4,194,304 bytes."))
      << refused.err;
  EXPECT_FALSE(Has(refused.err, "Operation failed.")) << "a refusal is said once";
  ProcessResult toDisk = bus.Run({"--yes", "copy", midFile, "0,0,0"});
  ASSERT_EQ(toDisk.status, 0) << toDisk.err;
  ProcessResult fromDisk = bus.Run({"--yes", "copy", "0,0,0", bus.File("bare.iso"), "--size",
                                    std::to_string(volume.size())});
  ASSERT_EQ(fromDisk.status, 0) << fromDisk.err;
  EXPECT_EQ(TempDir::Read(bus.File("bare.iso")), volume);

  // An existing destination is kept unless the question is answered Yes.
  bus.Dir().Write("keep.iso", "precious");
  ProcessResult declined = bus.Run({"copy", image, bus.File("keep.iso")});
  EXPECT_EQ(declined.status, 3) << declined.err;
  EXPECT_EQ(TempDir::Read(bus.File("keep.iso")), "precious");

  ProcessResult same = bus.Run({"copy", image, image});
  EXPECT_EQ(same.status, 1);
  EXPECT_TRUE(Has(same.err, "Sorce file is same with destination file."));
  EXPECT_EQ(TempDir::Read(image), volume);

  // A device onto itself would be overwritten with itself: refused, and the
  // disk still holds the volume.
  ProcessResult sameDisk = bus.Run({"--yes", "copy", "0,0,0", "0,0,0"});
  EXPECT_EQ(sameDisk.status, 1) << sameDisk.err;
  EXPECT_TRUE(Has(sameDisk.err, "Source device is same with destination device.")) << sameDisk.err;
  ProcessResult again = bus.Run({"--yes", "copy", "0,0,0", bus.File("again.iso"), "--size",
                                 std::to_string(volume.size())});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(TempDir::Read(bus.File("again.iso")), volume);
}

TEST(CliOperation, PatternAndErase) {
  CliBus bus(kWriters);
  ProcessResult pattern = bus.Run({"pattern", "0,5,0", "--size", "1048576", "--mode", "write-verify"});
  ASSERT_EQ(pattern.status, 0) << pattern.err;
  EXPECT_TRUE(Has(pattern.err, "[Marrowlight] Operation done."));

  ProcessResult declined = bus.Run({"erase", "0,5,0"});
  EXPECT_EQ(declined.status, 3);
  EXPECT_TRUE(Has(declined.err, "[Marrowlight] Do you wish to erase all data of the disc?"));

  ProcessResult erased = bus.Run({"--yes", "erase", "0,5,0"});
  EXPECT_EQ(erased.status, 0) << erased.err;
  EXPECT_TRUE(Has(erased.err, "[Marrowlight] Erase done."));
  EXPECT_TRUE(Has(bus.Run({"info", "0,5,0"}).out, "16,777,216 bytes free."));

  EXPECT_EQ(bus.Run({"pattern", "0,0,0", "--size", "4096"}).status, 1) << "a disk is not a writer";
}

TEST(CliOperation, CtrlCDuringAPassCancelsLikeTheCancelButton) {
  // The write is held at block 1000 until the program has taken the Ctrl-C:
  // the pass cannot end before it, however slowly the test runs.
  CliBus slow(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r", "sectors": 8192},
                  "faults": [{"kind": "gate", "opcode": "2Ah", "lba": [1000, 1000], "first": 1, "until": "release"}]})");
  std::string image = MakeGenisoImage(slow.Dir().Path(), "g.iso", "SLOW", 6 * 1024 * 1024);
  Process run(CliBus::Program(), {"--nolog", "write", image, "0,4,0", "--mode", "write-verify"}, slow.Environment());
  ASSERT_TRUE(run.WaitForError("Write 0%"));  // the pass has begun
  run.Signal(SIGINT);
  ASSERT_TRUE(run.WaitForError("Canceling..."));
  slow.Dir().Write("release", "");
  ProcessResult result = run.Finish();
  EXPECT_EQ(result.status, 3) << result.err;
  EXPECT_TRUE(Has(result.err, "[Marrowlight] Operation canceled.")) << result.err;
  // The canceled pass skips the leadout; the verify step ends at its first test.
  EXPECT_FALSE(Has(result.err, "Write 100%"));
  EXPECT_FALSE(Has(result.err, "Now writing leadout"));
  EXPECT_FALSE(Has(result.err, "Verify 1%"));
}

TEST(CliOperation, InfoWithoutADiscSaysSoAndFails) {
  CliBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "none"}})");
  ProcessResult info = bus.Run({"info", "0,4,0"});
  EXPECT_EQ(info.status, 1);
  EXPECT_TRUE(Has(info.out, "SCSI address 0,4,0:  HALVERN ")) << info.out;
  EXPECT_TRUE(Has(info.out, "There is no disc in 0,4,0 (HALVERN DVD-R QXW-7100). Insert a disc and try again."))
      << info.out;
}

TEST(CliOperation, AVolumeCutToTheDiscCountsTheBytesItWrites) {
  CliBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r", "sectors": 512}})");
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "BIGGER", 3 * 1024 * 1024);
  ProcessResult written = bus.Run({"--yes", "write", image, "0,4,0", "--mode", "write"});
  ASSERT_EQ(written.status, 0) << written.err;
  // Round down mode: the pass moves the 512 sectors of the disc, and its
  // progress counts those, not the volume's bytes.
  EXPECT_TRUE(Has(written.err, "Write 100% (1,048,576 bytes)")) << written.err;
}
