// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/DeviceScan.h"
#include "scsi/AspiManager.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/ProgramBus.h"

namespace {

const char* const kOldWriterWarning =
    "An old version of QXW-7100 is found.\r\nIt is recommended that you update the drive to Ver1.07 or later.";

std::vector<std::string> Addresses(const DeviceList& list) {
  std::vector<std::string> out;
  for (const auto& device : list.devices) {
    out.push_back(std::to_string(device->TargetId()) + "," + std::to_string(device->Lun()) + " " +
                  DeviceClassName(*device));
  }
  return out;
}

size_t CountEntries(CapturedLog& log, const std::string& entry) {
  auto entries = log.Entries();
  return static_cast<size_t>(std::count(entries.begin(), entries.end(), entry));
}

}  // namespace

TEST(DeviceScan, EachPageListsTheDevicesItsRulesTake) {
  CapturedLog log;
  ScriptedUiGuard ui;
  ProgramBus bus(R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 64}},
                    {"id": 2, "model": "dvd-rom", "medium": {"kind": "none"}},
                    {"id": 3, "model": "cd-wo", "medium": {"kind": "none"}},
                    {"id": 4, "model": "qxw7100", "revision": "1.06", "medium": {"kind": "dvd-r"}},
                    {"id": 4, "lun": 1, "model": "qxw7100", "revision": "1.06", "medium": {"kind": "dvd-r"}},
                    {"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw"}},
                    {"id": 6, "model": "dvdrw-writer", "medium": {"kind": "dvd-r"}},
                    {"id": 7, "model": "optical-memory", "medium": {"kind": "image", "sectors": 64}},
                    {"id": 8, "model": "tape", "medium": {"kind": "image", "path": "tape.bin"}},
                    {"id": 9, "model": "qxw7100", "vendor": "halvern", "revision": "1.07", "medium": {"kind": "dvd-r"}})");
  bus.Dir().Write("tape.bin", std::string(4096, 't'));
  // The old-firmware warning comes once per LUN that answers, on the Write page only.
  ui.Expect(kOldWriterWarning, "Warning", 0x30, ui::kIdOk);
  ui.Expect(kOldWriterWarning, "Warning", 0x30, ui::kIdOk);

  PageScan write = InitWritePage();
  PageScan copy = InitCopyPage();
  ASSERT_TRUE(write.ran);
  ASSERT_TRUE(copy.ran);
  EXPECT_EQ(Addresses(write.sources),
            (std::vector<std::string>{"0,0 SCSIDEV", "2,0 SCSIDEV", "4,0 SCSIDVDR100", "4,1 SCSIDVDR100",
                                      "5,0 SCSIDVDRW", "6,0 MMCRECORDER", "9,0 SCSIDVDR100"}));
  // Another vendor's writer is an MMC recorder, listed after the maker's
  // writers with its revision and medium; the maker's name in lower case is
  // no destination.
  EXPECT_EQ(Addresses(write.destinations), (std::vector<std::string>{"3,0 CDR_QRC880Z", "4,0 SCSIDVDR100",
                                                                     "4,1 SCSIDVDR100", "5,0 SCSIDVDRW",
                                                                     "6,0 MMCRECORDER"}));
  EXPECT_EQ(write.destinations.items.back(), "(0,6,0) ORBITEK DVR-RW 1120      1.30 - DVD-R");
  EXPECT_EQ(write.destinations.media, (std::vector<std::string>{"", "", "", "", "DVD-R"}));
  EXPECT_EQ(Addresses(copy.sources),
            (std::vector<std::string>{"0,0 SCSIDEV", "2,0 SCSIDEV", "3,0 CDR_QRC880Z", "4,0 SCSIDVDR100",
                                      "4,1 SCSIDVDR100", "5,0 SCSIDVDRW", "6,0 MMCRECORDER", "7,0 SCSIDEV",
                                      "9,0 SCSIDVDR100"}));
  EXPECT_EQ(Addresses(copy.destinations), (std::vector<std::string>{"0,0 SCSIDEV", "7,0 SCSIDEV"}));
  EXPECT_EQ(write.destinations.items[1].substr(0, 16), "(0,4,0) HALVERN ");

  EXPECT_EQ(CountEntries(log, "Number of Host Adaptors: 1"), 2u);
  // A target whose LUN 0 is absent gives one line; its other LUNs are not asked.
  EXPECT_EQ(CountEntries(log, "now serching 0,1,0 ... No device."), 2u);
  EXPECT_EQ(CountEntries(log, "now serching 0,1,1 ... No device."), 0u);
  EXPECT_EQ(CountEntries(log, "now serching 0,4,2 ... No device."), 2u);
  EXPECT_TRUE(log.Contains("[InitWritePage] done.\r\n"));
  EXPECT_TRUE(log.Contains("\r\n[InitCopyPage]"));
  EXPECT_TRUE(log.Contains("[InitCopyPage] done.\r\n"));
}

TEST(DeviceScan, EmptyListsShowNotAvailable) {
  CapturedLog log;
  ScriptedUiGuard ui;
  ProgramBus bus(R"({"id": 0, "model": "tape", "medium": {"kind": "image", "path": "tape.bin"}})");
  bus.Dir().Write("tape.bin", std::string(4096, 't'));
  PageScan write = InitWritePage();
  ASSERT_TRUE(write.ran);
  EXPECT_TRUE(write.destinations.devices.empty());
  EXPECT_EQ(write.destinations.ComboItems(), (std::vector<std::string>{"Not Available"}));
}

TEST(DeviceScan, MissingManagerStopsBothScansWithOneBoxEach) {
  CapturedLog log;
  ScriptedUiGuard ui;
  ResetAspiManagerForTesting();
  const char* previous = std::getenv("MARROWLIGHT_ASPI");
  std::string saved = previous ? previous : "";
  ::setenv("MARROWLIGHT_ASPI", "/nonexistent/libwnaspi32.so", 1);
  for (int scan = 0; scan < 2; ++scan) {
    ui.Expect("ASPI manager is not found.\nInstall ASPI manager and restart your conputer.\n/nonexistent/"
              "libwnaspi32.so: cannot open shared object file: No such file or directory",
              "ASPI manager is missing", 0x10, ui::kIdOk);
  }
  PageScan write = InitWritePage();
  PageScan copy = InitCopyPage();
  EXPECT_FALSE(write.ran);
  EXPECT_FALSE(copy.ran);
  EXPECT_TRUE(write.sources.devices.empty() && copy.destinations.devices.empty());
  EXPECT_FALSE(log.Contains("[InitWritePage] done.\r\n"));
  if (previous) ::setenv("MARROWLIGHT_ASPI", saved.c_str(), 1);
  else ::unsetenv("MARROWLIGHT_ASPI");
  ResetAspiManagerForTesting();
}

TEST(DeviceScan, OldWriterRevisions) {
  auto inquiry = [](const char* vendor, const char* product, const char* revision) {
    std::vector<uint8_t> data(128, ' ');
    std::copy(vendor, vendor + std::strlen(vendor), data.begin() + 8);
    std::copy(product, product + std::strlen(product), data.begin() + 16);
    std::copy(revision, revision + 4, data.begin() + 32);
    return data;
  };
  EXPECT_TRUE(IsOldQxw7100(inquiry("HALVERN", "DVD-R QXW-7100", "1.06").data()));
  EXPECT_TRUE(IsOldQxw7100(inquiry("HALVERN", "DVD-R QXW-7100", "1.00").data()));
  EXPECT_TRUE(IsOldQxw7100(inquiry("HALVERN", "DVD-R QXW-7100", "0.05").data()));
  EXPECT_FALSE(IsOldQxw7100(inquiry("HALVERN", "DVD-R QXW-7100", "1.07").data()));
  EXPECT_FALSE(IsOldQxw7100(inquiry("HALVERN", "DVD-R QXW-7100", "2.00").data()));
  EXPECT_FALSE(IsOldQxw7100(inquiry("halvern", "DVD-R QXW-7100", "1.00").data()));
}

TEST(DeviceScan, AddressesThatCouldNotBeListedAreNamed) {
  CapturedLog log;
  ScriptedUiGuard ui;
  // A disk whose first INQUIRY is never answered, and a maker's writer that
  // stays not ready, so that it cannot be asked whether it writes DVD-R.
  ProgramBus bus(R"({"id": 1, "model": "disk", "medium": {"kind": "image", "sectors": 64},
                     "faults": [{"kind": "hang", "opcode": "12h", "first": 1}]},
                    {"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"},
                     "faults": [{"kind": "not-ready", "polls": 1000000}]})");
  StartupScans scans = RunStartupScans();
  EXPECT_TRUE(scans.write.destinations.devices.empty());
  ASSERT_EQ(scans.write.dropped.size(), 2u);
  EXPECT_EQ(scans.write.dropped[0], "0,1,0: no answer to its identification");
  EXPECT_EQ(scans.write.dropped[1].rfind("0,4,0 HALVERN DVD-R QXW-7100: not ready (2-04-01 ", 0), 0u)
      << scans.write.dropped[1];
  // The log line of each says why instead of ending blank.
  const std::vector<std::string> entries = log.Entries();
  EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [](const std::string& entry) {
    return entry.rfind("now serching 0,1,0 ... No answer (request status ", 0) == 0;
  }));
  EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [](const std::string& entry) {
    return entry.find("DVD-R QXW-7100  1.07 - not listed as a writer: not ready (2-04-01 ") != std::string::npos;
  }));
  const std::string line = DroppedLine(scans);
  EXPECT_EQ(line.rfind("Not listed: 0,1,0: no answer to its identification; 0,4,0 HALVERN DVD-R QXW-7100: not ready", 0),
            0u)
      << line;
  EXPECT_TRUE(line.ends_with("). Choose Rescan Devices when it is ready.")) << line;

  // A rescan asks the manager to rescan and scans both pages again: the disk
  // answers now.
  StartupScans again = RescanDevices();
  EXPECT_EQ(again.write.dropped.size(), 1u);
  EXPECT_TRUE(log.Contains("\r\n[RescanDevices]"));
}
