// SPDX-License-Identifier: GPL-3.0-or-later
// An update never leaves the drive half-updated without saying so: the bytes
// sent are the bytes checked, a part the drive refuses stops the update
// before any commit, and a failure after a commit says what the drive holds
// and that running the update again recovers it.
#include <fstream>

#include "devices/CreateDevice.h"
#include "devices/DeviceLine.h"
#include "tests/firmware/UpdateTestSupport.h"
#include "tests/fixtures/FirmwareFiles.h"

namespace {

// The scripted person, who replaces the update file while the confirmation
// is open, as another program could.
class ReplacingUi : public ui::Backend {
 public:
  ReplacingUi(ui::ScriptedUi& script, std::string file, std::string bytes)
      : script_(script), file_(std::move(file)), bytes_(std::move(bytes)) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    if (caption == "Update firmware") std::ofstream(file_, std::ios::binary | std::ios::trunc) << bytes_;
    return script_.MessageBox(text, caption, flags);
  }

 private:
  ui::ScriptedUi& script_;
  std::string file_, bytes_;
};

std::string Qxw7100(const std::string& extra = "") {
  return R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"})" + extra + "}";
}

// Everything sent to one buffer, in order.
std::vector<uint8_t> SentTo(const SimBus& bus, uint8_t id) {
  std::vector<uint8_t> sent;
  for (const BufferCommand& write : BufferCommands(bus, kWriteBufferOp))
    if (write.id == id) sent.insert(sent.end(), write.data.begin(), write.data.end());
  return sent;
}

}  // namespace

TEST_F(UpdateTest, TheBytesSentAreTheBytesCheckedEvenWhenTheFileChangesMeanwhile) {
  struct Row {
    const char* what;
    uint8_t id;
    uint8_t buffer;  // where the first image goes
    const char* question;
    const char* model;
  };
  const Row rows[] = {
      {"SYS/MEC", 4, 0x00, "This file is for updating the firmware of QXW-7100\nVer1.07 to 1.08", "QXW-7100"},
      {"TYPE1", 5, 0x00, "This file is for updating the firmware of QXW-7200\nVer2.10 to 2.20", "QXW-7200"}};
  SimBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"}},
                {"id": 5, "model": "qxw7200", "revision": "2.10", "medium": {"kind": "dvd-rw"}})");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    bus.Clear();
    std::unique_ptr<SCSIDEV> writer = CreateDevice(0, row.id, 0).device;
    const bool type1 = std::string(row.what) == "TYPE1";
    SysMecFile sysMec, changedSysMec;
    Type1File type1File, changedType1;
    changedSysMec.sys = FirmwareImage("6.66", 40000, 9);
    changedType1.romIn = FirmwareImage("6.66", 70000, 9);
    const std::string original = type1 ? type1File.Build() : sysMec.Build();
    const std::string file = File("u.bin", original);
    ReplacingUi replacing(*ui, file, type1 ? changedType1.Build() : changedSysMec.Build());
    ui::ScopedBackend scope(replacing);
    ExpectConfirmation(row.question);
    ExpectPowerCycle(row.model);
    ExpectDone();
    ASSERT_EQ(Run(file, writer), UpdateResult::Done);
    EXPECT_EQ(SentTo(bus, row.buffer), type1 ? type1File.romIn : sysMec.sys);
  }
}

TEST_F(UpdateTest, AType1FileWithoutAChecksumSaysSoInTheQuestion) {
  SimBus bus(R"({"id": 5, "model": "qxw7200", "revision": "2.10", "medium": {"kind": "dvd-rw"}})");
  std::unique_ptr<SCSIDEV> writer = CreateDevice(0, 5, 0).device;
  Type1File made;
  made.withChecksum = false;
  ExpectConfirmation("This file is for updating the firmware of QXW-7200\nVer2.10 to 2.20\n\nThe file carries no "
                     "checksum: its contents cannot be checked.",
                     ui::kIdCancel);
  EXPECT_EQ(Run(File("type1.bin", made.Build()), writer), UpdateResult::Canceled);
  EXPECT_TRUE(BufferCommands(bus).empty());
}

TEST_F(UpdateTest, AFailureSaysWhatTheDriveHoldsAndNothingIsCommittedBeforeEveryPartIsTaken) {
  struct Row {
    const char* what;
    uint8_t id;
    uint32_t sysSize;
    size_t commits;     // commit commands the drive received
    const char* state;  // the line after "Update firmware  failed.", or none
  };
  const Row rows[] = {
      // The drive takes at most 1 MiB in a buffer: the SYS part of the file
      // passes the file's checks, and the drive refuses it while it is staged.
      {"a part too large for the drive", 4, 16515072, 0, nullptr},
      {"the SYS commit refused", 6, 40000, 2,
       "The drive is half-updated: part of the new firmware is committed, the rest is not. Run the firmware update "
       "again with a good file to recover it."}};
  SimBus bus(Qxw7100() + "," +
             R"({"id": 6, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r"},
                 "faults": [{"kind": "sense", "opcode": "3Bh", "buffer": "F8h", "sense": "03/0C/00"}]})");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    bus.Clear();
    std::unique_ptr<SCSIDEV> writer = CreateDevice(0, row.id, 0).device;
    SysMecFile made;
    made.sys = FirmwareImage("1.08", row.sysSize, 1);
    ExpectConfirmation("This file is for updating the firmware of QXW-7100\nVer1.07 to 1.08");
    const bool staged = row.commits != 0;
    ui.Expect(staged ? ErrorReport(*writer, "(3BH) Write Buffer", 3, 0x0C, 0)
                     : ErrorReport(*writer, "(3BH) Write Buffer", 5, 0x24, 0),
              "Error Information", ui::kIconError, ui::kIdOk);
    ui.Expect(row.state ? std::string("Update firmware  failed.\r\n") + row.state : "Update firmware  failed.",
              "Marrowlight", ui::kIconError, ui::kIdOk);
    EXPECT_EQ(Run(File("u.bin", made.Build()), writer), UpdateResult::Failed);
    size_t commits = 0;
    for (const BufferCommand& write : BufferCommands(bus, kWriteBufferOp)) commits += write.id >= 0xF8;
    EXPECT_EQ(commits, row.commits);
  }
}
