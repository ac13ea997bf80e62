// SPDX-License-Identifier: GPL-3.0-or-later
// What the headless front end prints for texts it does not control: volume
// identifiers and INQUIRY texts whose bytes are not UTF-8 or hold control
// characters.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/cli/CliBus.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/TempDir.h"

namespace {

// A genisoimage volume whose identifier is overwritten with raw bytes.
std::string ImageWithIdentifier(const CliBus& bus, const std::string& identifier) {
  std::string image = MakeGenisoImage(bus.Dir().Path(), "raw-id.iso", "PLAIN", 256 * 1024);
  std::vector<uint8_t> field(32, ' ');
  std::copy(identifier.begin(), identifier.end(), field.begin());
  WriteAt(image, 16 * 2048 + 40, field);
  return image;
}

}  // namespace

TEST(CliOutput, JsonReplacesBytesThatAreNotUtf8) {
  // INQUIRY texts are bytes; the description writes them as Latin-1.
  CliBus bus(R"({"id": 2, "model": "dvd-rom", "vendor": "ORBIT\u00c9K", "medium": {"kind": "none"}})");
  std::string image = ImageWithIdentifier(bus, "BAD\xff\xfeNAME");

  ProcessResult check = bus.Run({"check", image, "--json"});
  ASSERT_EQ(check.status, 0) << check.err;
  nlohmann::json info = nlohmann::json::parse(check.out);
  EXPECT_EQ(info["volume_name"], "BAD\xef\xbf\xbd\xef\xbf\xbdNAME");

  ProcessResult scan = bus.Run({"scan", "--json"});
  ASSERT_EQ(scan.status, 0) << scan.err;
  nlohmann::json lists = nlohmann::json::parse(scan.out);
  ASSERT_EQ(lists["write_sources"].size(), 1u);
  EXPECT_EQ(lists["write_sources"][0]["vendor"], "ORBIT\xef\xbf\xbdK");
}

TEST(CliOutput, ControlCharactersOfAVolumeNameReachTheTerminalEscaped) {
  CliBus bus(R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 8192, "writable": true}})");
  std::string image = ImageWithIdentifier(bus, "EVIL\x1b[2J\x1b]0;owned\x07");
  const std::string shown = "EVIL\\x1B[2J\\x1B]0;owned\\x07";

  ProcessResult check = bus.Run({"check", image});
  ASSERT_EQ(check.status, 0) << check.err;
  EXPECT_NE(check.out.find("Volume name:   " + shown + "\n"), std::string::npos) << check.out;
  // A file name of the same kind, and the log, which keeps the identifier
  // escaped as well.
  const std::string named = bus.File("evil\x1b[2J.iso");
  std::filesystem::rename(image, named);
  ProcessResult copy = bus.RunLogged({"--yes", "copy", named, "0,0,0"});
  ASSERT_EQ(copy.status, 0) << copy.err;
  EXPECT_NE(copy.err.find("Checking " + bus.File("evil\\x1B[2J.iso") + " ..."), std::string::npos) << copy.err;
  EXPECT_NE(copy.err.find("Volume \"" + shown + "\": "), std::string::npos) << copy.err;
  const std::string log = TempDir::Read(bus.File("MarrowlightLog.txt"));
  EXPECT_NE(log.find("VolumeName: " + shown + "\r\n"), std::string::npos);
  EXPECT_EQ(log.find("EVIL\x1b"), std::string::npos);
  for (const ProcessResult* run : {&check, &copy}) {
    EXPECT_EQ(run->out.find('\x1b'), std::string::npos);
    EXPECT_EQ(run->err.find('\x1b'), std::string::npos);
  }
  // JSON escapes them its own way, and the name stays whole there.
  ProcessResult json = bus.Run({"check", named, "--json"});
  EXPECT_EQ(nlohmann::json::parse(json.out)["volume_name"], "EVIL\x1b[2J\x1b]0;owned\x07");
}

TEST(CliOutput, VerboseShowsEachLogEntryOnALineOfItsOwn) {
  CliBus bus(R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 8192, "writable": true}})");
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "VERBOSE", 256 * 1024);
  ProcessResult check = bus.RunLogged({"--verbose", "check", image});
  ASSERT_EQ(check.status, 0) << check.err;
  // Entries that end without a line end are ended; the log file is as ever.
  EXPECT_NE(check.err.find("\nNO MID.\n[CheckHeader]\r\nOffset: 0\n"), std::string::npos) << check.err;
  EXPECT_NE(check.err.find("\nVolumeName: VERBOSE\nISO: "), std::string::npos) << check.err;
  std::string logFile = TempDir::Read(bus.File("MarrowlightLog.txt"));
  EXPECT_NE(logFile.find("\r\nNO MID.\r\n[CheckHeader]\r\nOffset: 0\r\n"), std::string::npos) << logFile;
}
