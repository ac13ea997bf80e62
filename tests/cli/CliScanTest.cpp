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
