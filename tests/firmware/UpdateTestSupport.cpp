// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/firmware/UpdateTestSupport.h"


#include "base/ProgramIdentity.h"
#include "host/aspi/BigEndian.h"
#include "tests/fixtures/ErrorReport.h"

std::vector<BufferCommand> BufferCommands(const SimBus& bus) {
  std::vector<BufferCommand> found;
  for (const SentCommand& sent : bus.Commands()) {
    if (sent.Op() != kWriteBufferOp && sent.Op() != kReadBufferOp) continue;
    const uint8_t* cdb = sent.head.cdb;
    found.push_back({cdb[0], static_cast<uint8_t>(cdb[1] & 0x1F), cdb[2], aspi::GetBE24(cdb + 3),
                     aspi::GetBE24(cdb + 6), sent.data});
  }
  return found;
}

std::vector<BufferCommand> BufferCommands(const SimBus& bus, uint8_t op) {
  std::vector<BufferCommand> found;
  for (BufferCommand& command : BufferCommands(bus))
    if (command.op == op) found.push_back(std::move(command));
  return found;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& image, size_t offset, size_t count) {
  return {image.begin() + offset, image.begin() + offset + count};
}

std::string ErrorReport(const SCSIDEV& device, const char* command, uint8_t key, uint8_t asc, uint8_t ascq) {
  return DiscErrorReport(device, command, key, asc, ascq);
}

void UpdateTest::ExpectConfirmation(const std::string& question, int answer) {
  ui.Expect(question, "Update firmware", kConfirmFlags, answer);
}

void UpdateTest::ExpectPowerCycle(const std::string& model) {
  ui.Expect("Turn off " + model + " and push OK button.", ProgramName, ui::kOk, ui::kIdOk);
  ui.Expect("Turn on " + model + " and push OK button.", ProgramName, ui::kOk, ui::kIdOk);
}

void UpdateTest::ExpectError(const std::string& text) { ui.Expect(text, "Error", ui::kIconError, ui::kIdOk); }

void UpdateTest::ExpectDone() { ui.Expect("Update firmware done.", ProgramName, ui::kIconInformation, ui::kIdOk); }

void UpdateTest::ExpectFailed() { ui.Expect("Update firmware  failed.", ProgramName, ui::kIconError, ui::kIdOk); }

UpdateResult UpdateTest::Run(const std::string& file, std::unique_ptr<SCSIDEV>& writer, UpdateOptions options) {
  TUpdateThread update(dialog, file, writer, options);
  update.Start();
  update.WaitFor();
  EXPECT_EQ(dialog.ended, update.Result()) << "the dialog hears how the update ended";
  return update.Result();
}
