// SPDX-License-Identifier: GPL-3.0-or-later
// The state tool: what it lists, and a disc it puts into a drive while the
// program runs on the bus.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <vector>

#include "devices/CreateDevice.h"
#include "managers/simbus/StateTool.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/ProgramBus.h"

namespace {

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int status = simbus::RunStateTool(args, out, err);
  return {status, out.str(), err.str()};
}

const char* kDrives = R"({"id": 2, "model": "dvd-rom", "medium": {"kind": "none"}},
                         {"id": 4, "model": "qxw7100", "medium": {"kind": "dvd-r", "sectors": 4096}},
                         {"id": 6, "model": "tape"})";

}  // namespace

TEST(StateTool, ListsWhatEachDriveHolds) {
  ProgramBus bus(kDrives);
  ToolRun run = Tool({"list"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "State folder: " + bus.StateDir() + "\n" +
                         "0,2,0  dvd-rom  ORBITEK DVD-ROM DR-160 1.02: no disc\n"
                         "0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.07: blank dvd-r, 4096 sectors\n"
                         "0,6,0  tape  ORBITEK DAT TD-40 TAPE 4.01: no tape\n");
}

TEST(StateTool, InsertsADiscThatTheRunningProgramSees) {
  CapturedLog log;
  ScriptedUiGuard ui;
  ProgramBus bus(kDrives);
  CreatedDevice created = CreateDevice(0, 4, 0);
  SCSIDEV& writer = *created.device;
  ASSERT_TRUE(writer.WaitReady(1000));
  std::vector<uint8_t> data(16 * 2048, 0x61);
  ASSERT_TRUE(writer.SetWritingConfig(16, 0, 0));
  ASSERT_TRUE(writer.Write(0, data.data(), 16 * 2048));
  ASSERT_TRUE(writer.FinishWrite());
  EXPECT_NE(Tool({"list"}).out.find("closed dvd-r, 4096 sectors, 16 recorded"), std::string::npos);

  ToolRun run = Tool({"insert", "0,4", "dvd-r", "8192"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "0,4,0 now holds a blank dvd-r of 8192 sectors.\n");
  writer.TestUnitReady();
  EXPECT_EQ(writer.LastSenseKey(), 0);  // TestUnitReady alone records nothing
  uint8_t key = 0, asc = 0, ascq = 0;
  writer.GetSense(&key, &asc, &ascq);
  EXPECT_EQ(key << 16 | asc << 8 | ascq, 0x020401);
  ASSERT_TRUE(writer.WaitReady(1000));
  EXPECT_EQ(writer.GetFreeSize(), 8192ull * 2048);
}

TEST(StateTool, InsertsAnImageIntoTheDvdRomDrive) {
  ProgramBus bus(kDrives);
  std::string image = bus.Dir().Write("disc.iso", std::string(10 * 2048, 'x'));
  ToolRun run = Tool({"insert", "0,2,0", "image", image});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(Tool({"list"}).out.find("0,2,0  dvd-rom  ORBITEK DVD-ROM DR-160 1.02: image " + image + " (10 sectors)"),
            std::string::npos);
  CapturedLog log;
  ScriptedUiGuard ui;
  CreatedDevice rom = CreateDevice(0, 2, 0);
  EXPECT_EQ(rom.device->GetCapacity(), 10u * 2048);
}

TEST(StateTool, RefusesWhatCannotBeDone) {
  ProgramBus bus(kDrives);
  EXPECT_EQ(Tool({"insert", "0:6", "dvd-r"}).err, "A tape takes no discs; only the DVD drives do.\n");
  EXPECT_EQ(Tool({"insert", "0,2", "dvd-r"}).err, "A dvd-rom reads only images.\n");
  EXPECT_EQ(Tool({"insert", "0:3", "none"}).err, "No device at 0,3,0 on this bus.\n");
  EXPECT_EQ(Tool({"insert", "four", "none"}).err,
            "\"four\" is not an address; write ADAPTER,ID or ADAPTER,ID,LUN, as 0,4\n");
  EXPECT_EQ(Tool({"insert", "0,4", "image", "/no/such.iso"}).err, "The image \"/no/such.iso\" cannot be found.\n");
  EXPECT_EQ(Tool({"eject"}).status, 2);
  EXPECT_EQ(Tool({}).status, 2);
}

TEST(StateTool, ResetStartsADriveFromTheDescriptionAgain) {
  ProgramBus bus(kDrives);
  ASSERT_EQ(Tool({"insert", "0,4", "dvd-rw", "100"}).status, 0);
  EXPECT_NE(Tool({"list"}).out.find("blank dvd-rw, 100 sectors"), std::string::npos);
  EXPECT_EQ(Tool({"reset", "0,4"}).out, "0,4,0 starts from the bus description again.\n");
  EXPECT_NE(Tool({"list"}).out.find("blank dvd-r, 4096 sectors"), std::string::npos);
}

TEST(StateTool, TheCommandPrintsTheList) {
  ProgramBus bus(kDrives);
  FILE* pipe = ::popen((std::string(SIMBUS_TOOL) + " list").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char chunk[256];
  while (size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) out.append(chunk, n);
  EXPECT_EQ(::pclose(pipe), 0);
  EXPECT_NE(out.find("0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.07: blank dvd-r, 4096 sectors\n"), std::string::npos)
      << out;
}

TEST(StateTool, AnInsertIsKeptWhenTheProgramEndsBeforeSeeingIt) {
  CapturedLog log;
  ScriptedUiGuard ui;
  ProgramBus bus(kDrives);
  {
    CreatedDevice created = CreateDevice(0, 4, 0);
    ASSERT_TRUE(created.device->WaitReady(1000));
    ASSERT_EQ(Tool({"insert", "0,4", "dvd-rw", "300"}).status, 0);
  }
  bus.Restart();  // the program ends without another TEST UNIT READY
  EXPECT_NE(Tool({"list"}).out.find("0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.07: blank dvd-rw, 300 sectors"),
            std::string::npos);
}

TEST(StateTool, ANumberOutOfRangeGivesTheOneLineMessage) {
  ProgramBus bus = ProgramBus::WithDescription(
      R"({"adapters": [{"devices": [{"id": 4, "model": "qxw7100", "speed": 1e400}]}]})");
  ToolRun run = Tool({"list"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("Simulated SCSI bus: " + bus.DescriptionPath() + ": ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("The bus is empty.\n"), std::string::npos) << run.err;
}
