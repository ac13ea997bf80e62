// SPDX-License-Identifier: GPL-3.0-or-later
// CreateDevice against the simulated bus: the class chosen for every device
// type, vendor, product and revision, and the addresses where nothing answers.
#include <gtest/gtest.h>

#include <typeinfo>

#include "devices/CDR_QRC880Z.h"
#include "devices/CreateDevice.h"
#include "devices/MMCRECORDER.h"
#include "devices/SCSIDVDR090.h"
#include "devices/SCSIDVDR100.h"
#include "devices/SCSIDVDRW.h"
#include "devices/SCSITAPE.h"
#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/SimBus.h"

namespace {

constexpr uint8_t kInquiry = 0x12, kReadCapacity = 0x25;

using CreateDeviceTest = DeviceTest;

template <typename Class>
void ExpectClass(uint8_t id, const char* what) {
  CreatedDevice created = CreateDevice(0, id, 0);
  ASSERT_TRUE(created.device) << what;
  EXPECT_TRUE(created.found) << what;
  EXPECT_EQ(typeid(*created.device), typeid(Class)) << what << ": " << typeid(*created.device).name();
}

TEST_F(CreateDeviceTest, TheMakersWritersByRevision) {
  SimBus bus(DeviceEntry(1, "qxw7100", "\"revision\": \"1.07\", " + BlankDisc("dvd-r")) + "," +
             DeviceEntry(2, "qxw7100", "\"revision\": \"0.95\", " + BlankDisc("dvd-r")) + "," +
             DeviceEntry(3, "qxw7100", R"("vendor": "halvern", "product": "dvd-r qxw-7100", "revision": "0.95")") +
             "," + DeviceEntry(4, "qxw7100", R"("vendor": "Halvern", "product": "Dvd-R Qxw-7100", "revision": "2.00")"));
  ExpectClass<SCSIDVDR100>(1, "1.07");
  ExpectClass<SCSIDVDR090>(2, "0.95");
  ExpectClass<SCSIDVDR090>(3, "lower-case 0.95");
  ExpectClass<SCSIDVDR100>(4, "mixed-case 2.00");
  // The maker's writers are recognised without asking for the capabilities page.
  EXPECT_EQ(bus.Count(0x5A), 0u);
}

// Another maker's DVD writer that answers GET CONFIGURATION is an MMC
// recorder (MmcRecorderTest); the maker's other drives keep the
// capabilities page.
TEST_F(CreateDeviceTest, OtherDvdDrivesByTheirCapabilities) {
  SimBus bus(DeviceEntry(1, "qxw7200", BlankDisc("dvd-rw")) + "," + DeviceEntry(2, "dvdrw-writer") + "," +
             DeviceEntry(3, "dvd-rom") + "," +
             DeviceEntry(4, "qxw7100", R"("product": "DVD-R QXW-7000")"));
  ExpectClass<SCSIDVDRW>(1, "qxw7200");
  ExpectClass<MMCRECORDER>(2, "another vendor's writer");
  ExpectClass<SCSIDEV>(3, "reader");
  ExpectClass<SCSIDVDRW>(4, "the maker's name with another product");
}

TEST_F(CreateDeviceTest, TheCdWriteOnceDrive) {
  SimBus bus(DeviceEntry(1, "cd-wo") + "," + DeviceEntry(2, "cd-wo", R"("vendor": "halvern", "product": "cd-wo x")") +
             "," + DeviceEntry(3, "cd-wo", R"("vendor": "ORBITEK")") + "," +
             DeviceEntry(4, "cd-wo", R"("product": "CD-R QRC880Z")"));
  ExpectClass<CDR_QRC880Z>(1, "HALVERN CD-WO");
  ExpectClass<CDR_QRC880Z>(2, "lower case");
  ExpectClass<SCSIDEV>(3, "another vendor");
  ExpectClass<SCSIDEV>(4, "another product");
}

TEST_F(CreateDeviceTest, TapeDiskAndOpticalMemory) {
  SimBus bus(DeviceEntry(1, "tape") + "," + DeviceEntry(2, "disk") + "," + DeviceEntry(3, "optical-memory"));
  ExpectClass<SCSITAPE>(1, "tape");
  ExpectClass<SCSIDEV>(2, "disk");
  ExpectClass<SCSIDEV>(3, "optical memory");
}

TEST_F(CreateDeviceTest, TheGeometryIsReadAndInquiryIsSentTwice) {
  SimBus bus(DeviceEntry(2, "disk", R"("medium": {"kind": "image", "sectors": 1000, "block_size": 512})"));
  CreatedDevice created = CreateDevice(0, 2, 0);
  ASSERT_TRUE(created.found);
  EXPECT_EQ(created.device->BlockSize(), 512u);
  EXPECT_EQ(created.device->LastLba(), 999u);
  EXPECT_EQ(bus.Count(kInquiry), 2u);
  EXPECT_EQ(bus.Count(kReadCapacity), 1u);
  EXPECT_STREQ(created.device->Vendor(), "ORBITEK ");
}

TEST_F(CreateDeviceTest, NoDeviceGivesTheUnsetDevice) {
  SimBus bus(DeviceEntry(2, "disk"));
  CreatedDevice absent = CreateDevice(0, 5, 0);
  ASSERT_TRUE(absent.device);
  EXPECT_FALSE(absent.found);
  EXPECT_TRUE(absent.device->IsUnassigned());
  EXPECT_EQ(absent.device->GetDeviceType(), 31);
  EXPECT_EQ(absent.device->TargetId(), 255);

  CreatedDevice noAdapter = CreateDevice(3, 0, 0);
  EXPECT_FALSE(noAdapter.found);
  EXPECT_TRUE(noAdapter.device->IsUnassigned());
}

TEST_F(CreateDeviceTest, AnInquiryThatTimesOutGivesAPlainDevice) {
  SimBus bus(DeviceEntry(2, "disk", R"("faults": [{"kind": "hang", "opcode": 18}])"));
  CreatedDevice created = CreateDevice(0, 2, 0);
  EXPECT_TRUE(created.found);
  EXPECT_EQ(typeid(*created.device), typeid(SCSIDEV));
  EXPECT_EQ(created.device->GetDeviceType(), 31);
  EXPECT_TRUE(created.device->IsAssigned());
}

}  // namespace

// A busy answer of the manager never reached the drive: the factory and the
// configuration commands ask again, and a command the manager keeps turning
// away is reported for what it is, never as "OK.".
TEST_F(CreateDeviceTest, BusyAnswersAreAskedAgain) {
  struct Row {
    uint8_t opcode;
    const char* what;
  };
  const Row rows[] = {{kInquiry, "INQUIRY"}, {0x53, "RESERVE RZONE"}, {0x55, "MODE SELECT"}, {0x3B, "WRITE BUFFER"}};
  // One writer per row, each with its own busy answer.
  std::string writers;
  for (size_t i = 0; i < std::size(rows); ++i)
    writers += (i ? "," : "") + DeviceEntry(static_cast<int>(i + 1), "qxw7100",
                                            BlankDisc("dvd-r") + R"(, "faults": [{"kind": "busy", "opcode": )" +
                                                std::to_string(rows[i].opcode) + R"(, "first": 1}])");
  SimBus bus(writers);
  int retries = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const auto id = static_cast<uint8_t>(&row - rows + 1);
    if (row.opcode == kInquiry) ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
    CreatedDevice created = CreateDevice(0, id, 0);
    ASSERT_TRUE(created.found);
    EXPECT_EQ(typeid(*created.device), typeid(SCSIDVDR100));
    if (row.opcode != kInquiry) ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
    if (row.opcode == 0x3B) {
      const uint8_t image[16] = {};
      EXPECT_TRUE(created.device->WriteBuffer(5, 0, 0, image, sizeof image));
    } else if (row.opcode != kInquiry) {
      EXPECT_TRUE(created.device->SetWritingConfig(100, 0, 0));
    }
    EXPECT_EQ(CountEntries("[SCSI] The SCSI manager is busy; the command is sent again (1/10)."), ++retries);
  }
}

TEST_F(CreateDeviceTest, ACommandTheManagerKeepsTurningAwayIsReportedAsBusy) {
  SimBus bus(DeviceEntry(4, "qxw7100", BlankDisc("dvd-r") + R"(, "faults": [{"kind": "busy", "opcode": 85}])"));
  SCSIDVDR100 writer(0, 4, 0);
  for (int i = 0; i < 10; ++i) ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
  ui.Expect("[Error Information]\r\nSCSI Address: 0,4,0\r\nDevice: HALVERN DVD-R QXW-7100  1.07\r\n"
            "Command: (55H) Mode Select 10\r\nAddress: 00000000H\r\nError Code: 0-00-00\r\n"
            "The SCSI manager was busy and did not take the command.\r\n\r\n",
            "Error Information", ui::kOk | ui::kIconError, ui::kIdOk);
  ui.Expect("Test mode setting error.", "Error", ui::kOk | ui::kIconError, ui::kIdOk);
  EXPECT_FALSE(writer.SetWritingConfig(100, 0, 0));
}
