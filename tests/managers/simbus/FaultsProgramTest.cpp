// SPDX-License-Identifier: GPL-3.0-or-later
// Each fault kind of the bus description as the program meets it through its
// transport and device classes, and a broken description.
#include <gtest/gtest.h>

#include <vector>

#include "devices/CreateDevice.h"
#include "host/os/SharedLibrary.h"
#include "host/ui/MessageBox.h"
#include "scsi/ASPI32.h"
#include "scsi/AspiManager.h"
#include "scsi/Commands.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/ProgramBus.h"

namespace {

std::string Disk(const std::string& faults) {
  return R"({"id": 1, "model": "disk", "medium": {"kind": "image", "sectors": 2048}, "faults": )" + faults + "}";
}

class FaultsProgramTest : public ::testing::Test {
 protected:
  CapturedLog log;
  ScriptedUiGuard ui;
};

}  // namespace

TEST_F(FaultsProgramTest, HungInquiryIsAbortedAfterItsTimeOut) {
  ProgramBus bus(Disk(R"([{"kind": "hang", "opcode": "0x12", "first": 1}])"));
  ASPI32 channel;
  uint8_t inquiry[128] = {};
  EXPECT_EQ(scsi::Inquiry(channel, 0, 1, 0, inquiry), aspi::SS_ABORTED);
  EXPECT_NE(log.Trace().find("TimeOut.\r\n"), std::string::npos);
  EXPECT_EQ(scsi::Inquiry(channel, 0, 1, 0, inquiry), aspi::SS_COMP);
  EXPECT_EQ(inquiry[0], 0);
}

TEST_F(FaultsProgramTest, BusyManagerRefusesTheRequest) {
  ProgramBus bus(Disk(R"([{"kind": "busy", "opcode": 0, "first": 1}])"));
  ASPI32 channel;
  ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), -1);
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), aspi::SS_COMP);
}

TEST_F(FaultsProgramTest, SupportQueryNotInitialised) {
  ProgramBus bus(Disk(R"([{"kind": "support-not-initialised"}])"));
  ui.Expect("ASPI manager is not initialized!!\nCheck SCSI board driver and ASPI manager are correctly installed.",
            "ASPI Initializing Error.", ui::kIconError | ui::kOk, ui::kIdOk);
  EXPECT_FALSE(IsAspiReady());
  EXPECT_NE(log.Trace().find("AspiStatus: E401H"), std::string::npos) << log.Trace();
  // The commands still reach the manager, which still answers them.
  ASPI32 channel;
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), aspi::SS_COMP);
}

TEST_F(FaultsProgramTest, SenseForTheFirstReadsIsOvercomeByRetries) {
  ProgramBus bus(Disk(R"([{"kind": "sense", "opcode": "28h", "lba": [40, 40], "sense": "03/11/00", "first": 2}])"));
  CreatedDevice disk = CreateDevice(0, 1, 0);
  ASSERT_TRUE(disk.found);
  std::vector<uint8_t> data(65536);
  EXPECT_TRUE(disk.device->Read(0, data.data(), 65536));
  EXPECT_TRUE(log.Contains("[SCSIDEV::Read] - Retry 1/10"));
  EXPECT_TRUE(log.Contains("[SCSIDEV::Read] - Retry 2/10"));
  EXPECT_FALSE(log.Contains("[SCSIDEV::Read] - Retry 3/10"));
  EXPECT_TRUE(log.Contains("Unrecovered read error."));
}

TEST_F(FaultsProgramTest, SenseFromTheFirstTimeOnMakesTheReadFail) {
  ProgramBus bus(Disk(R"([{"kind": "sense", "opcode": "28h", "lba": [0, 0], "sense": "03/11/00", "from": 1}])"));
  CreatedDevice disk = CreateDevice(0, 1, 0);
  std::vector<uint8_t> data(32768);
  EXPECT_FALSE(disk.device->Read(0, data.data(), 32768));
  EXPECT_TRUE(log.Contains("[SCSIDEV::Read] failed."));
  EXPECT_EQ(disk.device->LastSenseKey(), 3);
}

TEST_F(FaultsProgramTest, NotReadyForSomePolls) {
  ProgramBus bus(Disk(R"([{"kind": "not-ready", "polls": 5}])"));
  SCSIDEV disk(0, 1, 0);
  EXPECT_FALSE(disk.WaitReady(100));  // two polls
  uint8_t key = 0, asc = 0, ascq = 0;
  disk.GetSense(&key, &asc, &ascq);
  EXPECT_EQ((key << 16) | (asc << 8) | ascq, 0x020401);
  EXPECT_TRUE(disk.WaitReady(1000));
}

TEST_F(FaultsProgramTest, BrokenDescriptionGivesAnEmptyBusAndOneMessage) {
  ProgramBus bus = ProgramBus::WithDescription(R"({"adapters": [{"devices": [{"id": 2, "model": "dvd-rom",
      "medium": {"kind": "image", "path": "x.iso"}, "speed": -1}]}]})");
  ui.Expect("ASPI manager is not initialized!!\nCheck SCSI board driver and ASPI manager are correctly installed.",
            "ASPI Initializing Error.", ui::kIconError | ui::kOk, ui::kIdOk);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(IsAspiReady());
  std::string stderrText = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.Trace().find("AspiStatus: E800H"), std::string::npos) << log.Trace();
  EXPECT_EQ(stderrText, "Simulated SCSI bus: " + bus.DescriptionPath() +
                            ": at adapters[0].devices[0].speed: must be a number above 0 (multiples of 1,385,000 "
                            "bytes per second). The bus is empty.\n");
  ASPI32 channel;
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 2, 0), aspi::SS_INVALID_HA);
}

TEST_F(FaultsProgramTest, ARepairedDescriptionIsReadInTheNextRun) {
  ProgramBus bus = ProgramBus::WithDescription("{ \"adapters\": [ ");
  ui.Expect("ASPI manager is not initialized!!\nCheck SCSI board driver and ASPI manager are correctly installed.",
            "ASPI Initializing Error.", ui::kIconError | ui::kOk, ui::kIdOk);
  testing::internal::CaptureStderr();
  {
    ASPI32 channel;
    EXPECT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), aspi::SS_INVALID_HA);
  }
  EXPECT_NE(testing::internal::GetCapturedStderr().find("line 1, column"), std::string::npos);
  bus.Dir().Write("bus.json", R"({"adapters": [{"devices": [)" + Disk("[]") + "]}]}");
  bus.Restart();
  ASPI32 channel;
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), aspi::SS_COMP);
}

TEST(ManagerLibrary, ExportsOnlyTheTwoEntryPoints) {
  std::string error;
  auto library = host::SharedLibrary::Open(SIMBUS_LIBRARY, &error);
  ASSERT_TRUE(library) << error;
  EXPECT_NE(library->Symbol("GetASPI32SupportInfo"), nullptr);
  EXPECT_NE(library->Symbol("SendASPI32Command"), nullptr);
  EXPECT_EQ(library->Symbol("_ZN6simbus3Bus8InstanceEv"), nullptr);  // simbus::Bus::Instance()
}
