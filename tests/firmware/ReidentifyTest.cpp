// SPDX-License-Identifier: GPL-3.0-or-later
// The re-identification at the end of an update that reached the drive: a
// drive that stays not ready is polled for a minute at a time and the person
// is asked whether to go on; No, or an unattended retry limit, ends the wait,
// and an update whose drive did not come back is no success.
#include "devices/CreateDevice.h"
#include "firmware/ReidentifyDrive.h"
#include "firmware/UpdateSession.h"
#include "tests/firmware/UpdateTestSupport.h"

namespace {

const char kRetry[] = "Target drive is not ready.\r\nDo you wish to retry?";
const char kStuck[] =
    R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"},
        "faults": [{"kind": "not-ready", "polls": 100000}]})";

}  // namespace

TEST_F(UpdateTest, ADriveThatStaysNotReadyIsAskedAboutEachMinuteUntilNo) {
  SimBus bus(kStuck);
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  ui.Expect(kRetry, "Marrowlight", ui::kYesNo | ui::kIconQuestion, ui::kIdYes);
  ui.Expect(kRetry, "Marrowlight", ui::kYesNo | ui::kIconQuestion, ui::kIdNo);
  bus.Clear();
  UpdateSession session(dialog, *writer, {});
  EXPECT_FALSE(ReidentifyDrive(session, writer));
  EXPECT_EQ(bus.Count(0x00), 40u) << "twenty polls (a minute) before each question";
  EXPECT_TRUE(log.Contains("[ReidentifyDrive] The drive did not come back; the update is not confirmed."));
  EXPECT_EQ(dialog.deviceLines, (std::vector<std::string>{"Now getting inquiry data..."}))
      << "No leaves the device line as it was";
}

TEST_F(UpdateTest, AnUnattendedRunStopsAskingAtItsRetryLimit) {
  SimBus bus(kStuck);
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 4, 0).device;
  ui.Expect(kRetry, "Marrowlight", ui::kYesNo | ui::kIconQuestion, ui::kIdYes);
  bus.Clear();
  UpdateOptions unattended;
  unattended.retryLimit = 1;
  UpdateSession session(dialog, *writer, unattended);
  EXPECT_FALSE(ReidentifyDrive(session, writer));
  EXPECT_EQ(bus.Count(0x00), 40u);
  EXPECT_TRUE(log.Contains("[ReidentifyDrive] The drive is still not ready after 1 retries."));
}
