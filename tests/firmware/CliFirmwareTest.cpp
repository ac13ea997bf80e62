// SPDX-License-Identifier: GPL-3.0-or-later
// marrowlight-cli firmware WRITER FILE, run as a process on a simulated bus
// of the test's own, with marrowlight-simbus list as the witness of what the
// drives run afterwards.
#include <gtest/gtest.h>

#include "tests/cli/CliBus.h"
#include "tests/fixtures/FirmwareFiles.h"

namespace {

const char kWriters[] = R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"}},
  {"id": 5, "model": "qxw7200", "revision": "2.10", "medium": {"kind": "dvd-rw"}})";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Listed(const CliBus& bus) { return Process::Run(SIMBUS_TOOL, {"list"}, bus.Environment()).out; }

}  // namespace

TEST(CliFirmware, UpdatesTheQxw7100AndRefusesAWrongPartMarker) {
  CliBus bus(kWriters);
  std::string good = bus.Dir().Write("sysmec.bin", SysMecFile{}.Build());
  SysMecFile wrong;
  wrong.sysMarker = "QXW-7100SYZ";
  wrong.sys = FirmwareImage("1.09", 40000, 1);
  std::string bad = bus.Dir().Write("wrong.bin", wrong.Build());

  // A file that is no update file at all: said at once, nothing touched.
  std::string text = bus.Dir().Write("notes.txt", "not firmware\n");
  ProcessResult none = bus.Run({"--yes", "firmware", "0,4,0", text});
  EXPECT_EQ(none.status, 1) << none.err;
  EXPECT_EQ(none.err, text + " is not a firmware update file.\n");

  ProcessResult refused = bus.Run({"--yes", "firmware", "0,4,0", bad});
  EXPECT_EQ(refused.status, 1) << refused.err;
  EXPECT_TRUE(Has(refused.err, "[Error] This is not update file for QXW-7100.")) << refused.err;
  EXPECT_TRUE(Has(refused.err, "[Marrowlight] Update firmware  failed."));
  EXPECT_TRUE(Has(Listed(bus), "0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.07:")) << Listed(bus);

  ProcessResult updated = bus.Run({"--yes", "firmware", "0,4,0", good});
  ASSERT_EQ(updated.status, 0) << updated.err;
  EXPECT_TRUE(Has(updated.err, "This file is for updating the firmware of QXW-7100\n    Ver1.07 to 1.08")) << updated.err;
  EXPECT_TRUE(Has(updated.err, "[Marrowlight] Turn off QXW-7100 and push OK button."));
  EXPECT_TRUE(Has(updated.err, "Update 100%\nVerify 100%\n"));
  EXPECT_TRUE(Has(updated.err, "[Marrowlight] Update firmware done."));
  EXPECT_TRUE(Has(updated.out, "(Version 1.07)\n"));
  EXPECT_TRUE(Has(updated.out, "(Version 1.08)\n")) << "the drive as it answers after the update";
  EXPECT_TRUE(Has(Listed(bus), "0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.08:")) << Listed(bus);
}

TEST(CliFirmware, UpdatesTheQxw7200AndRefusesAWrongChecksumOrTheOtherWritersFile) {
  CliBus bus(kWriters);
  Type1File made;
  std::string good = bus.Dir().Write("type1.bin", made.Build());
  made.checksum = static_cast<uint16_t>(BitwiseCrc16(made.Body()) + 1);
  std::string bad = bus.Dir().Write("bad.bin", made.Build());
  std::string sysmec = bus.Dir().Write("sysmec.bin", SysMecFile{}.Build());

  ProcessResult corrupt = bus.Run({"--yes", "firmware", "0,5,0", bad});
  EXPECT_EQ(corrupt.status, 1);
  EXPECT_TRUE(Has(corrupt.err, "[Error] This file may be corrupted.")) << corrupt.err;
  EXPECT_FALSE(Has(corrupt.err, "Update 0%")) << "nothing was sent";
  // Only the writer line before the update: a refused update has no line after it.
  EXPECT_EQ(corrupt.out.find("SCSI address"), corrupt.out.rfind("SCSI address")) << corrupt.out;
  EXPECT_FALSE(Has(corrupt.out, "inquiry data")) << corrupt.out;
  ProcessResult other = bus.Run({"--yes", "firmware", "0,5,0", sysmec});
  EXPECT_EQ(other.status, 1);
  EXPECT_TRUE(Has(other.err, "[Error] This is not HALVERN QXW-7100")) << other.err;
  EXPECT_TRUE(Has(Listed(bus), "0,5,0  qxw7200  HALVERN DVD-RW QXW-7200 2.10: blank dvd-rw, 2298496 sectors\n"))
      << Listed(bus);

  ProcessResult updated = bus.Run({"--yes", "firmware", "0,5,0", good});
  ASSERT_EQ(updated.status, 0) << updated.err;
  EXPECT_TRUE(Has(updated.err, "[Marrowlight] Turn on QXW-7200 and push OK button."));
  EXPECT_TRUE(Has(updated.out, "(Version 2.20)\n")) << updated.out;
  EXPECT_TRUE(Has(Listed(bus), "0,5,0  qxw7200  HALVERN DVD-RW QXW-7200 2.20:")) << Listed(bus);
}

TEST(CliFirmware, WithoutYesTheConfirmationIsCanceledAndBadArgumentsAreUsageErrors) {
  CliBus bus(kWriters);
  std::string good = bus.Dir().Write("type1.bin", Type1File{}.Build());
  ProcessResult canceled = bus.Run({"firmware", "0,5,0", good});
  EXPECT_EQ(canceled.status, 3) << canceled.err;
  EXPECT_TRUE(Has(canceled.err, "answered Cancel (no terminal to ask); --yes would answer Yes")) << canceled.err;
  EXPECT_FALSE(Has(canceled.err, "Update firmware done.") || Has(canceled.err, "Update firmware  failed."));
  EXPECT_TRUE(Has(Listed(bus), "QXW-7200 2.10:"));

  EXPECT_EQ(bus.Run({"firmware", "writer", good}).status, 2);
  EXPECT_EQ(bus.Run({"firmware", "0,5,0"}).status, 2);
  ProcessResult nobody = bus.Run({"--yes", "firmware", "0,9,0", good});
  EXPECT_EQ(nobody.status, 1);
  EXPECT_TRUE(Has(nobody.err, "No device answers at 0,9,0.")) << nobody.err;
}

TEST(CliFirmware, AnUnattendedRunGivesUpOnADriveThatNeverComesBack) {
  CliBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"},
                 "timing": {"power_cycle_ms": 86400000}})");
  std::string good = bus.Dir().Write("sysmec.bin", SysMecFile{}.Build());
  ProcessResult stuck = bus.Run({"--yes", "firmware", "0,4,0", good});
  EXPECT_EQ(stuck.status, 1) << stuck.err;
  size_t asked = 0;
  for (size_t at = stuck.err.find("Target drive is not ready."); at != std::string::npos;
       at = stuck.err.find("Target drive is not ready.", at + 1))
    ++asked;
  EXPECT_EQ(asked, 3u) << stuck.err;
  EXPECT_TRUE(Has(stuck.err, "[Marrowlight] Update firmware  failed."));
}

// On a terminal the person answers the question and switches the drive off
// and on: each power prompt waits for Enter.
TEST(CliFirmware, OnATerminalThePowerPromptsWaitForThePerson) {
  CliBus bus(kWriters);
  std::string good = bus.Dir().Write("sysmec.bin", SysMecFile{}.Build());
  Process run(CliBus::Program(), {"--nolog", "firmware", "0,4,0", good}, bus.Environment(), Process::Input::Terminal);
  ASSERT_TRUE(run.WaitForError("OK or Cancel? [o/c]"));
  run.Type("o\n");
  ASSERT_TRUE(run.WaitForError("Turn off QXW-7100 and push OK button.\nPress Enter when done."));
  run.Type("\n");
  ASSERT_TRUE(run.WaitForError("Turn on QXW-7100 and push OK button.\nPress Enter when done."));
  run.Type("\n");
  ProcessResult result = run.Finish();
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(Has(Listed(bus), "0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.08:")) << Listed(bus);
}
