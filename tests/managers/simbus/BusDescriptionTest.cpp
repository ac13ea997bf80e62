// SPDX-License-Identifier: GPL-3.0-or-later
// The bus description: what a well-formed one builds, and the one clear
// message a malformed one gives.
#include <gtest/gtest.h>

#include <cstdlib>

#include "managers/simbus/BusDescription.h"
#include "tests/fixtures/TempDir.h"

namespace {

std::string ErrorOf(const std::string& text) {
  auto result = simbus::ParseBusDescription(text, "/etc/bus.json", "/etc");
  EXPECT_FALSE(result.bus.has_value());
  return result.error;
}

}  // namespace

TEST(BusDescription, ReadsAdaptersDevicesMediaAndFaults) {
  auto result = simbus::ParseBusDescription(R"({
    "state_dir": "state",
    "adapters": [
      {"devices": [{"id": 4, "model": "qxw7100", "revision": "1.07",
                    "medium": {"kind": "dvd-r", "sectors": 4096},
                    "faults": [{"kind": "sense", "opcode": "2Ah", "lba": [10, 20], "sense": "03/0C/00", "first": 2}]}]},
      {"devices": [{"id": 1, "lun": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": "disc.iso"}, "speed": 4}]}
    ]})", "bus.json", "/data");
  ASSERT_TRUE(result.bus) << result.error;
  const simbus::BusConfig& bus = *result.bus;
  EXPECT_EQ(bus.stateDir, "/data/state");
  EXPECT_EQ(bus.adapterCount, 2u);
  ASSERT_EQ(bus.devices.size(), 2u);
  EXPECT_EQ(bus.devices[0].model->name, "qxw7100");
  EXPECT_EQ(*bus.devices[0].revision, "1.07");
  EXPECT_EQ(*bus.devices[0].medium.sectors, 4096u);
  ASSERT_EQ(bus.devices[0].faults.size(), 1u);
  EXPECT_EQ(*bus.devices[0].faults[0].opcode, 0x2A);
  EXPECT_EQ(bus.devices[0].faults[0].blocks->first, 10u);
  EXPECT_EQ(bus.devices[0].faults[0].blocks->count, 11u);
  EXPECT_EQ(bus.devices[0].faults[0].sense, (simbus::Sense{3, 0x0C, 0}));
  EXPECT_EQ(bus.devices[1].adapter, 1);
  EXPECT_EQ(bus.devices[1].lun, 2);
  EXPECT_EQ(bus.devices[1].medium.path, "/data/disc.iso");
  EXPECT_EQ(bus.devices[1].speed, 4.0);
}

TEST(BusDescription, DefaultBusHasTheFourDrives) {
  simbus::BusConfig bus = simbus::DefaultBus();
  EXPECT_EQ(bus.adapterCount, 1u);
  ASSERT_EQ(bus.devices.size(), 4u);
  EXPECT_EQ(bus.devices[0].id, 2);
  EXPECT_EQ(bus.devices[0].model->name, "dvd-rom");
  EXPECT_TRUE(bus.devices[0].medium.sampleImage);
  EXPECT_EQ(bus.devices[1].id, 4);
  EXPECT_EQ(*bus.devices[1].revision, "1.07");
  EXPECT_EQ(bus.devices[1].medium.kind, simbus::MediumKind::DvdR);
  EXPECT_EQ(bus.devices[2].id, 5);
  EXPECT_EQ(bus.devices[2].model->name, "qxw7200");
  EXPECT_EQ(bus.devices[2].medium.kind, simbus::MediumKind::DvdRw);
  EXPECT_EQ(bus.devices[3].id, 6);
  EXPECT_EQ(bus.devices[3].model->name, "disk");
}

TEST(BusDescription, SyntaxErrorNamesFileLineAndColumn) {
  std::string error = ErrorOf("{\n  \"adapters\": [\n    {\"devices\": [}\n  ]\n}");
  EXPECT_NE(error.find("/etc/bus.json"), std::string::npos) << error;
  EXPECT_NE(error.find("line 3"), std::string::npos) << error;
  EXPECT_NE(error.find("syntax error"), std::string::npos) << error;
  EXPECT_NE(error.find("The bus is empty."), std::string::npos) << error;
}

TEST(BusDescription, ProblemsNameTheirPlace) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {R"({"adapters": [{"devices": [{"id": 1, "model": "qxw9999"}]}]})",
       "at adapters[0].devices[0].model: unknown model \"qxw9999\""},
      {R"({"adapters": [{"devices": [{"model": "disk"}]}]})",
       "at adapters[0].devices[0]: the key \"id\" is missing"},
      {R"({"adapters": [{"devices": [{"id": 1, "model": "disk"}, {"id": 1, "model": "tape"}]}]})",
       "at adapters[0].devices[1]: a second device at id 1 lun 0"},
      {R"({"adapters": [{"devices": [{"id": 1, "model": "disk", "medium": {"kind": "dvd-r"}}]}]})",
       "at adapters[0].devices[0].medium.kind: a disk takes no blank dvd-r disc"},
      {R"({"adapters": [{"devices": [{"id": 1, "model": "disk", "faults": [{"kind": "sense", "sense": "3/11"}]}]}]})",
       "at adapters[0].devices[0].faults[0].sense: must be written key/ASC/ASCQ"},
      {R"({"adapters": [{"devices": [{"id": 99, "model": "disk"}]}]})",
       "at adapters[0].devices[0].id: 99 is above the largest value 15"},
      {R"({"adapters": [{"devices": [{"id": 1, "model": "disk", "colour": "red"}]}]})",
       "at adapters[0].devices[0]: unknown key \"colour\""},
      {R"({"adapters": {}})", "at adapters: must be a list of adapters"},
      {R"([1, 2])", "at $: the description must be a JSON object"},
      {R"({"faults": [{"kind": "hang"}], "adapters": []})",
       "at faults[0]: the manager itself only knows \"support-not-initialised\""},
      {R"({"adapters": [{"devices": [{"id": "x1", "model": "disk"}]}]})",
       "at adapters[0].devices[0].id: \"x1\" is not a number"},
      // A text quoted from the description stays on the one line.
      {R"({"adapters": [{"devices": [{"id": 1, "model": "disk", "v\ndor": "x"}]}]})",
       "at adapters[0].devices[0]: unknown key \"v\\x0Ador\""},
      // Numbers beyond what a double holds are refused by the JSON reader.
      {R"({"adapters": [{"devices": [{"id": 4, "model": "qxw7100", "speed": 1e400}]}]})",
       "number overflow parsing '1e400'"},
      {R"({"adapters": [{"devices": [{"id": 4, "model": "qxw7100", "speed": -1e400}]}]})",
       "number overflow parsing '-1e400'"},
  };
  for (const Case& c : cases) {
    std::string error = ErrorOf(c.text);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_EQ(error.rfind("Simulated SCSI bus: /etc/bus.json: ", 0), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(BusDescription, UnreadableFileGivesAnEmptyBusAndAMessage) {
  TempDir dir;
  ::setenv("MARROWLIGHT_SIMBUS", dir.File("missing.json").c_str(), 1);
  std::string error;
  simbus::BusConfig bus = simbus::BusFromEnvironment(&error);
  ::unsetenv("MARROWLIGHT_SIMBUS");
  EXPECT_EQ(bus.adapterCount, 0u);
  EXPECT_TRUE(bus.devices.empty());
  EXPECT_NE(error.find(dir.File("missing.json")), std::string::npos) << error;
  EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
}

TEST(BusDescription, StateFolderFromTheEnvironment) {
  ::setenv("MARROWLIGHT_SIMBUS_STATE", "/somewhere/state", 1);
  EXPECT_EQ(simbus::DefaultStateDir(), "/somewhere/state");
  ::unsetenv("MARROWLIGHT_SIMBUS_STATE");
  ::setenv("XDG_STATE_HOME", "/xdg", 1);
  EXPECT_EQ(simbus::DefaultStateDir(), "/xdg/marrowlight/simbus");
  ::unsetenv("XDG_STATE_HOME");
}

TEST(BusDescription, InquiryTextsAreLatin1Bytes) {
  auto result = simbus::ParseBusDescription(
      R"({"adapters": [{"devices": [{"id": 2, "model": "dvd-rom", "vendor": "ORBIT\u00c9K", "product": "\u00ff"}]}]})",
      "bus.json", "");
  ASSERT_TRUE(result.bus) << result.error;
  EXPECT_EQ(*result.bus->devices[0].vendor, "ORBIT\xc9K");
  EXPECT_EQ(*result.bus->devices[0].product, "\xff");
  std::string error = ErrorOf(R"({"adapters": [{"devices": [{"id": 2, "model": "dvd-rom", "vendor": "\u0100"}]}]})");
  EXPECT_NE(error.find("at adapters[0].devices[0].vendor: only characters up to U+00FF"), std::string::npos) << error;
}
