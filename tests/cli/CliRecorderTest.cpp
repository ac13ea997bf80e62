// SPDX-License-Identifier: GPL-3.0-or-later
// marrowlight-cli with other makers' DVD writers (MMC recorders) on the
// simulated bus: a write and verify on each medium, the refusals before
// anything is written (one table: what was asked, the exit status, what was
// said, whether the disc was touched), the quick and full erase, info, the
// test pattern, the firmware update refused, and device-node arguments on a
// manager that has none.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/CliBus.h"
#include "tests/fixtures/FirmwareFiles.h"
#include "tests/fixtures/Images.h"

namespace {

// 0,6,0 a DVD-R, 0,7,0 a DVD-RW, 0,8,0 a DVD+R, 0,9,0 no disc, 0,10,0 a
// DVD-RW in a drive another program holds.
const char* const kRecorders = R"(
  {"id": 6, "model": "mmc-recorder", "medium": {"kind": "dvd-r", "sectors": 8192}},
  {"id": 7, "model": "dvdrw-writer", "medium": {"kind": "dvd-rw", "sectors": 8192}},
  {"id": 8, "model": "mmc-recorder", "vendor": "PLEXWAVE", "product": "DVDR PX-900",
   "medium": {"kind": "dvd+r", "sectors": 8192}},
  {"id": 9, "model": "mmc-recorder", "medium": {"kind": "none"}},
  {"id": 10, "model": "mmc-recorder", "medium": {"kind": "dvd-rw", "sectors": 8192}, "faults": [{"kind": "held"}]})";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// What the simulated bus's tool says a drive holds.
std::string Holds(const CliBus& bus, const std::string& address) {
  std::string list = bus.Tool({"list"}).out;
  size_t at = list.find(address + "  ");
  return at == std::string::npos ? "" : list.substr(at, list.find('\n', at) - at);
}

TEST(CliRecorder, WriteAndVerifyOnEachMediumThenTheClosedDiscIsRefused) {
  CliBus bus(kRecorders);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "RECORDED", 2 * 1024 * 1024);
  const uint64_t size = std::filesystem::file_size(image);
  for (const char* writer : {"0,6,0", "0,7,0", "0,8,0"}) {
    SCOPED_TRACE(writer);
    ProcessResult written = bus.Run({"--yes", "write", image, writer, "--mode", "write-verify"});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_TRUE(Has(written.err, "[Marrowlight] Operation done.")) << written.err;
    std::string back = bus.File(std::string("back-") + writer + ".iso");
    ASSERT_EQ(bus.Run({"copy", writer, back, "--mode", "copy", "--size", std::to_string(size)}).status, 0);
    EXPECT_EQ(TempDir::Read(back), TempDir::Read(image));
    EXPECT_TRUE(Has(Holds(bus, writer), "closed")) << Holds(bus, writer);

    ProcessResult again = bus.Run({"--yes", "write", image, writer, "--mode", "write"});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(Has(again.err, "is closed: it has been written and takes no more data. Insert a blank disc")) << again.err;
  }
}

struct RefusalRow {
  std::vector<std::string> args;  // after "--yes", with IMAGE for the image, UPDATE for an update file
  int status;
  const char* said;
  const char* writer;  // whose disc must be as it was ("" for none)
};

TEST(CliRecorder, RefusalsComeBeforeAnythingIsWritten) {
  CliBus bus(kRecorders);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "REFUSED", 1024 * 1024);
  std::string update = bus.Dir().Write("update.bin", SysMecFile().Build());
  const RefusalRow rows[] = {
      {{"write", "IMAGE", "0,8,0", "--mode", "test-write"}, 1,
       "The DVD+R in 0,8,0 (PLEXWAVE DVDR PX-900) cannot be test written: a DVD+R has no test write. Choose Write "
       "or Write & Verify.",
       "0,8,0"},
      {{"pattern", "0,8,0", "--size", "1048576", "--mode", "test"}, 1, "a DVD+R has no test write", "0,8,0"},
      {{"write", "IMAGE", "0,9,0", "--mode", "write"}, 1,
       "There is no disc in 0,9,0 (GENERIC DVD RECORDER). Insert a blank DVD-R, DVD-RW or DVD+R and try again.", ""},
      {{"write", "IMAGE", "0,10,0", "--mode", "write"}, 1,
       "0,10,0 (GENERIC DVD RECORDER) is in use by another program: another program holds the simulated drive. "
       "Close that program (or unmount the disc) and try again.",
       "0,10,0"},
      {{"erase", "0,6,0"}, 1, "The DVD-R in 0,6,0 (GENERIC DVD RECORDER) cannot be erased: only a DVD-RW can.",
       "0,6,0"},
      {{"erase", "--quick", "0,10,0"}, 1, "is in use by another program", "0,10,0"},
      {{"firmware", "0,6,0", "UPDATE"}, 1,
       "Firmware updates are for the maker's writers (QXW-7100, QXW-7200) only. 0,6,0 (GENERIC DVD RECORDER) is "
       "another maker's drive: update it with its maker's tools.",
       "0,6,0"},
      {{"write", "IMAGE", "/dev/sg1"}, 1, "/dev/sg1 is no unit of the SCSI manager in use.", ""},
      {{"info", "/dev/sr0"}, 1, "/dev/sr0 is no unit of the SCSI manager in use.", ""},
  };
  for (const RefusalRow& row : rows) {
    std::vector<std::string> args = {"--yes"};
    for (const std::string& arg : row.args) args.push_back(arg == "IMAGE" ? image : arg == "UPDATE" ? update : arg);
    std::string asked;
    for (const std::string& arg : row.args) asked += arg + " ";
    SCOPED_TRACE(asked);
    const std::string before = row.writer[0] ? Holds(bus, row.writer) : "";
    ProcessResult result = bus.Run(args);
    EXPECT_EQ(result.status, row.status) << result.err;
    EXPECT_TRUE(Has(result.out + result.err, row.said)) << result.out << result.err;
    EXPECT_FALSE(Has(result.err, "Now writing")) << result.err;
    if (row.writer[0]) EXPECT_EQ(Holds(bus, row.writer), before) << "the disc is as it was";
  }
}

TEST(CliRecorder, InfoAndTheQuickAndFullErase) {
  CliBus bus(kRecorders);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "ERASED", 1024 * 1024);
  ProcessResult info = bus.Run({"info", "0,7,0"});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(info.out, "SCSI address 0,7,0:  ORBITEK  DVR-RW 1120      (Version 1.30)\n"
                      "Disc: DVD-RW, blank, 16,777,216 bytes free\n"
                      "16,777,216 bytes free.\n");
  for (bool quick : {true, false}) {
    SCOPED_TRACE(quick ? "quick" : "full");
    ASSERT_EQ(bus.Run({"--yes", "write", image, "0,7,0", "--mode", "write"}).status, 0);
    EXPECT_TRUE(Has(bus.Run({"info", "0,7,0"}).out, "Disc: DVD-RW, closed\n"));
    std::vector<std::string> erase = {"--yes", "erase", "0,7,0"};
    if (quick) erase.push_back("--quick");
    ProcessResult erased = bus.Run(erase);
    EXPECT_EQ(erased.status, 0) << erased.err;
    EXPECT_EQ(bus.Run({"info", "0,7,0"}).out, info.out) << "blank again";
  }
  // The test pattern goes onto another maker's writer as onto the maker's.
  ProcessResult pattern = bus.Run({"--yes", "pattern", "0,7,0", "--size", "1048576", "--mode", "test-write-verify"});
  EXPECT_EQ(pattern.status, 0) << pattern.err;
  EXPECT_TRUE(Has(bus.Run({"info", "0,7,0"}).out, "Disc: DVD-RW, closed\n"));
  // The maker's writers erase the whole disc only.
  CliBus maker(R"({"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 8192}})");
  ProcessResult refused = maker.Run({"--yes", "erase", "--quick", "0,5,0"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "The maker's writers erase the whole disc: leave out --quick.\n");
}

}  // namespace
