// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/cli/CliBus.h"
#include "tests/fixtures/Images.h"

namespace {

const char* const kBus = R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 64}},
  {"id": 2, "model": "dvd-rom", "medium": {"kind": "none"}},
  {"id": 4, "model": "qxw7100", "revision": "0.90", "medium": {"kind": "dvd-r"}},
  {"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw"}},
  {"id": 6, "model": "dvdrw-writer", "vendor": "OTHERCO", "medium": {"kind": "dvd-r"}},
  {"id": 7, "model": "optical-memory", "medium": {"kind": "image", "sectors": 64}})";

std::vector<std::string> Column(const nlohmann::json& list, const char* key) {
  std::vector<std::string> out;
  for (const auto& entry : list) out.push_back(entry[key]);
  return out;
}

}  // namespace

TEST(CliScan, JsonListsEveryDeviceWithItsClass) {
  CliBus bus(kBus);
  ProcessResult result = bus.Run({"scan", "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  nlohmann::json lists = nlohmann::json::parse(result.out);
  EXPECT_EQ(Column(lists["write_sources"], "address"),
            (std::vector<std::string>{"0,0,0", "0,2,0", "0,4,0", "0,5,0", "0,6,0"}));
  EXPECT_EQ(Column(lists["write_destinations"], "address"), (std::vector<std::string>{"0,4,0", "0,5,0", "0,6,0"}));
  EXPECT_EQ(Column(lists["write_destinations"], "class"),
            (std::vector<std::string>{"SCSIDVDR090", "SCSIDVDRW", "MMCRECORDER"}));
  EXPECT_EQ(lists["write_destinations"][2]["medium"], "DVD-R") << "another maker's writer names its medium";
  EXPECT_FALSE(lists["write_destinations"][0].contains("medium"));
  EXPECT_EQ(lists["simulated_drives"], true);
  EXPECT_EQ(Column(lists["copy_destinations"], "address"), (std::vector<std::string>{"0,0,0", "0,7,0"}));
  EXPECT_EQ(Column(lists["write_sources"], "class"),
            (std::vector<std::string>{"SCSIDEV", "SCSIDEV", "SCSIDVDR090", "SCSIDVDRW", "MMCRECORDER"}));
  const auto& first = lists["write_destinations"][0];
  EXPECT_EQ(first["vendor"], "HALVERN");
  EXPECT_EQ(first["product"], "DVD-R QXW-7100");
  EXPECT_EQ(first["revision"], "0.90");
  EXPECT_EQ(lists["copy_sources"].size(), 6u);
}

TEST(CliCheck, RealImagesAndUsageErrors) {
  CliBus bus(kBus);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "CLI_VOLUME", 2 * 1024 * 1024);
  ProcessResult result = bus.Run({"check", image, "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  nlohmann::json info = nlohmann::json::parse(result.out);
  const uint64_t size = std::filesystem::file_size(image);
  EXPECT_EQ(info["volume_name"], "CLI_VOLUME");
  EXPECT_EQ(info["volume_size"], size);
  EXPECT_EQ(info["sectors"], (size + 2047) / 2048);
  EXPECT_EQ(info["offset"], 0);

  std::string udf = MakeUdfImage(bus.Dir().Path(), "u.img", "UDF_CLI", 4 * 1024 * 1024);
  result = bus.Run({"check", udf});
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("Volume size:   4,194,304 bytes"), std::string::npos) << result.out;

  // A file named like an address is written ./0,4,0.
  result = bus.Run({"check", "./0,4,0"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("[Error] Open error: ./0,4,0"), std::string::npos) << result.err;

  EXPECT_EQ(bus.Run({"check"}).status, 2);
  EXPECT_EQ(bus.Run({"frobnicate"}).status, 2);
  EXPECT_EQ(bus.Run({"write", image, "0,4,0", "--mode", "fast"}).status, 2);
  EXPECT_EQ(bus.Run({"--yes", "--no", "scan"}).status, 2);
}

TEST(CliScan, ANumberOutOfRangeInTheBusDescriptionGivesItsOneLineMessage) {
  CliBus bus(R"({"id": 4, "model": "qxw7100", "speed": 1e400})");
  ProcessResult result = bus.Run({"scan"});
  // Ends as a scan over any other malformed description ends.
  CliBus otherwise(R"({"id": 4, "model": "qxw9999"})");
  EXPECT_EQ(result.status, otherwise.Run({"scan"}).status) << result.err;
  EXPECT_NE(result.err.find("Simulated SCSI bus: " + bus.File("bus.json") + ": at line 1, column "),
            std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("The bus is empty."), std::string::npos) << result.err;
}

// A manager that cannot be used gives no device lists to trust: the scan says
// so once (with the library and the loader's reason) and fails.
TEST(CliScan, AManagerThatCannotBeUsedFailsTheScanWithOneMessage) {
  struct Row {
    const char* what;
    bool notALibrary;
    const char* expected;
  };
  const Row rows[] = {{"not a library", true, "ASPI manager is not found."},
                      {"not initialised", false, "ASPI manager is not initialized!!"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    CliBus bus(R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 64}})");
    auto environment = bus.Environment();
    const std::string text = bus.Dir().Write("text.so", "not a library");
    if (row.notALibrary) {
      environment["MARROWLIGHT_ASPI"] = text;
    } else {
      bus.Dir().Write("bus.json", R"({"faults": [{"kind": "support-not-initialised"}],
                                      "adapters": [{"devices": []}]})");
      environment["MARROWLIGHT_SIMBUS"] = bus.File("bus.json");
    }
    ProcessResult result = Process::Run(CliBus::Program(), {"--nolog", "scan"}, environment);
    EXPECT_EQ(result.status, 1) << result.err;
    size_t first = result.err.find(row.expected);
    ASSERT_NE(first, std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(row.expected, first + 1), std::string::npos) << "said once:\n" << result.err;
    if (row.notALibrary) EXPECT_NE(result.err.find(text + ": "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("The SCSI manager is not ready"), std::string::npos) << result.err;
  }
}

// A QXW-7200 that an update left in boot or loader mode stays a writer one
// can choose, named for what it is, never as a ready writer.
TEST(CliScan, AWriterInBootOrLoaderModeIsNamedSoAndStaysListed) {
  for (const char* mode : {"boot", "loader"}) {
    SCOPED_TRACE(mode);
    CliBus bus(std::string(R"({"id": 5, "model": "qxw7200", "firmware_mode": ")") + mode +
               R"(", "medium": {"kind": "dvd-rw"}})");
    const std::string note = std::string(mode) + " mode: run the firmware update again";
    ProcessResult scan = bus.Run({"scan", "--json"});
    ASSERT_EQ(scan.status, 0) << scan.err;
    nlohmann::json lists = nlohmann::json::parse(scan.out);
    ASSERT_EQ(lists["write_destinations"].size(), 1u);
    EXPECT_EQ(lists["write_destinations"][0]["state"], note);
    ProcessResult text = bus.Run({"scan"});
    EXPECT_NE(text.out.find("(0,5,0) HALVERN DVD-RW QXW-7200 - " + note), std::string::npos) << text.out;
    ProcessResult info = bus.Run({"info", "0,5,0"});
    EXPECT_EQ(info.status, 1) << info.err;
    EXPECT_NE(info.out.find(" - " + note + "\n"), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find("bytes free"), std::string::npos) << info.out;
  }
}
