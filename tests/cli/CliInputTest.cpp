// SPDX-License-Identifier: GPL-3.0-or-later
// Bad input on the command line and from the file system: sizes, files that
// are not regular files, devices that cannot play their part, words that are
// not commands.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "tests/cli/CliBus.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/TempDir.h"

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const char* const kDevices = R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 8192, "writable": true}},
  {"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r", "sectors": 8192}})";

}  // namespace

TEST(CliInput, SizesThatAreNegativeNotNumbersOrOver64BitsAreUsageErrors) {
  CliBus bus(kDevices);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "SIZES", 256 * 1024);
  for (const char* size : {"-1", "18446744073709551616", "99999999999999999999999", "1e3", "12abc", "", " 5"}) {
    ProcessResult copy = bus.Run({"copy", image, bus.File("out.iso"), "--size", size});
    EXPECT_EQ(copy.status, 2) << "--size \"" << size << "\"\n" << copy.err;
    EXPECT_TRUE(Has(copy.err, "--size")) << copy.err;
    EXPECT_EQ(bus.Run({"pattern", "0,4,0", "--size", size}).status, 2) << size;
  }
  EXPECT_FALSE(std::filesystem::exists(bus.File("out.iso")));
  // The largest 64-bit number is a number, but no volume: refused by the
  // operation before the writer is touched.
  ProcessResult huge = bus.Run({"--yes", "pattern", "0,4,0", "--size", "18446744073709551615"});
  EXPECT_EQ(huge.status, 1) << huge.err;
  EXPECT_TRUE(Has(huge.err, "is too large: at most 4,294,967,295 sectors")) << huge.err;
  EXPECT_FALSE(Has(huge.err, "Now writing")) << huge.err;
  ProcessResult list = bus.Tool({"list"});
  EXPECT_TRUE(Has(list.out, "0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.07: blank dvd-r, 8192 sectors")) << list.out;
}

TEST(CliInput, CheckCountsTheSectorsOfAVolumeBeyond32Bits) {
  CliBus bus(kDevices);
  // A sparse file of 8 TiB + 4 KiB: 4,294,967,298 sectors.
  std::string big = bus.File("big.img");
  ResizeFile(big, (uint64_t{1} << 43) + 4096);
  ProcessResult text = bus.Run({"check", big});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_TRUE(Has(text.out, "Sectors:       4294967298\n")) << text.out;
  ProcessResult json = bus.Run({"check", big, "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(nlohmann::json::parse(json.out)["sectors"], 4294967298u);
}

TEST(CliInput, ADiscWithAMidIndexIsWrittenUpToItsEndAndTheDiscIsClosed) {
  TempDir images;
  std::string volume = TempDir::Read(MakeGenisoImage(images.Path(), "g.iso", "MID_DISC", 512 * 1024));
  std::string mid = "[ Mastering Information Descriptor ]\r\nIndex = MAINdata( 2, " + std::to_string(volume.size()) +
                    " )\r\n";
  mid.resize(65536, '\0');
  std::string disc = images.Write("mid.img", mid + volume);
  CliBus bus(std::string(kDevices) + R"(, {"id": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": ")" + disc +
             R"("}})");
  ProcessResult written = bus.Run({"--yes", "write", "0,2,0", "0,4,0", "--mode", "write-verify"});
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_TRUE(Has(written.err, "at offset 65536")) << written.err;
  ProcessResult list = bus.Tool({"list"});
  EXPECT_TRUE(Has(list.out, "0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.07: closed dvd-r")) << list.out;
}

TEST(CliInput, AFifoIsRefusedAsSourceAndDestinationInsteadOfWaitedOn) {
  CliBus bus(kDevices);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "FIFO", 256 * 1024);
  std::string fifo = bus.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string refused = "Open error: " + fifo + " (not a regular file)";
  ProcessResult check = bus.Run({"check", fifo});
  EXPECT_EQ(check.status, 1);
  EXPECT_TRUE(Has(check.err, refused)) << check.err;
  ProcessResult copy = bus.Run({"--yes", "copy", image, fifo});
  EXPECT_EQ(copy.status, 1);
  EXPECT_TRUE(Has(copy.err, refused)) << copy.err;
  ProcessResult write = bus.Run({"--yes", "write", fifo, "0,4,0"});
  EXPECT_EQ(write.status, 1);
  EXPECT_TRUE(Has(write.err, refused)) << write.err;
}

TEST(CliInput, AWriterThatIsNotReadyIsSaidToBeNotReady) {
  // The drive answers "becoming ready" until it has been asked 1,000 times.
  CliBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r", "sectors": 8192},
                 "faults": [{"kind": "not-ready", "polls": 1000}]})");
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "NOT_READY", 256 * 1024);
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"write", image, "0,4,0"}, {"info", "0,4,0"}, {"pattern", "0,4,0", "--size", "4096"}}) {
    ProcessResult result = bus.Run(command);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_TRUE(Has(result.err, "0,4,0 is not ready (2-04-01")) << result.err;
    EXPECT_FALSE(Has(result.err, "is not a DVD writer")) << result.err;
  }
}

TEST(CliInput, EraseAndInfoRefuseADeviceThatIsNotAWriterBeforeAnyQuestion) {
  CliBus bus(kDevices);
  for (const char* command : {"erase", "info"}) {
    ProcessResult result = bus.Run({"--yes", command, "0,0,0"});
    EXPECT_EQ(result.status, 1) << command << "\n" << result.err;
    EXPECT_TRUE(Has(result.err, "0,0,0 is not a DVD writer.")) << result.err;
    EXPECT_FALSE(Has(result.err, "Do you wish to erase")) << result.err;
    EXPECT_EQ(result.out, "") << command;
  }
}

TEST(CliInput, AnUnknownCommandIsNamed) {
  CliBus bus(kDevices);
  for (const std::vector<std::string>& words : {std::vector<std::string>{"frobnicate"}, {"--yes", "frobnicate", "0,4,0"}}) {
    ProcessResult result = bus.Run(words);
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(Has(result.err, "Unknown command \"frobnicate\"")) << result.err;
    EXPECT_TRUE(Has(result.err, "scan, check, write, copy, pattern, verify, records, erase, info")) << result.err;
  }
  ProcessResult none = bus.Run({});
  EXPECT_EQ(none.status, 2);
  EXPECT_TRUE(Has(none.err, "A command is required")) << none.err;
}

// An image cut short (a copy killed midway) is no volume: the check gives
// both sizes, and a write asks first (No the default); --no refuses, and
// --yes writes it only when --size says that the short size is meant.
TEST(CliInput, AnImageCutShortIsSaidAndWrittenOnlyWhenTheShortSizeIsMeant) {
  CliBus bus(kDevices);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "CUT", 2 * 1024 * 1024);
  const uint64_t whole = std::filesystem::file_size(image);
  const uint64_t cut = whole / 2 / 2048 * 2048;
  ResizeFile(image, cut);

  ProcessResult check = bus.Run({"check", image});
  ASSERT_EQ(check.status, 0) << check.err;
  EXPECT_TRUE(Has(check.out, "Declared size: ")) << check.out;
  EXPECT_TRUE(Has(check.out, "bytes; the source holds less and may have been cut short")) << check.out;
  ProcessResult json = bus.Run({"check", image, "--json"});
  EXPECT_GT(nlohmann::json::parse(json.out)["declared_size"].get<uint64_t>(), cut);

  struct Row {
    std::vector<std::string> args;
    int status;
    std::string said;
  };
  const std::string size = std::to_string(cut);
  const Row rows[] = {
      {{"--no", "write", image, "0,4,0", "--mode", "write"}, 3, "Do you wish to write it anyway?"},
      {{"--yes", "write", image, "0,4,0", "--mode", "write"}, 1, "Nothing was written: give --size " + size},
      {{"--yes", "write", image, "0,4,0", "--mode", "write", "--size", size}, 0, "Operation done."},
  };
  for (const Row& row : rows) {
    ProcessResult result = bus.Run(row.args);
    EXPECT_EQ(result.status, row.status) << row.args[0] << "\n" << result.err;
    EXPECT_TRUE(Has(result.err, row.said)) << result.err;
    const bool written = row.status == 0;
    ProcessResult list = bus.Tool({"list"});
    EXPECT_EQ(Has(list.out, "0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.07: blank dvd-r"), !written) << list.out;
  }
}
