// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/Type1Update.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "devices/InquiryData.h"
#include "devices/SCSIDEV.h"
#include "firmware/UpdateSession.h"
#include "firmware/format/Type1File.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"

namespace {

constexpr char kTag[] = "UpdateType1";
constexpr uint32_t kChunk = 16384;
constexpr uint8_t kMode = 5;
constexpr uint8_t kEnterBootBuffer = 0x00;
constexpr uint8_t kLoaderInfoBuffer = 0xF3;
constexpr uint8_t kLoaderImageBuffer = 0xF4;
constexpr uint8_t kStartLoaderBuffer = 0xF5;
constexpr uint8_t kCommitBuffer = 0xF8;
constexpr char kCommitText[] = "HALVERN";  // 7 characters, no terminator
constexpr char kBootMode = 'B';
constexpr char kLoaderMode = 'L';
constexpr int kModeAttempts = 10;
constexpr uint32_t kModeProbeMs = 1000;

bool IsQxw7200(const SCSIDEV& device) {
  return std::strncmp(device.Vendor(), "HALVERN", 7) == 0 && std::strstr(device.Product(), "QXW-7200") != nullptr;
}

class Type1Update {
 public:
  Type1Update(UpdateSession& session, FirmwareBytes file, const Type1Descriptor& descriptor, const LoaderInfo& info)
      : session_(session), device_(session.Device()), file_(file), descriptor_(descriptor), info_(info) {}

  bool Run() {
    session_.SetComment("Now updating QXW-7200 ...");
    // Asked to quit before anything is sent: the drive is as it was.
    if (session_.QuitRequested()) return session_.Cancel();
    if (ProbeMode() == kLoaderMode) {
      AddLog("[UpdateType1] The loader runs already.");
      session_.SetDriveState(DriveState::LoaderMode);
    } else if (!EnterBootMode() || !LoadLoader() || !StartLoader()) {
      return false;
    }
    host::Sleep(100);
    const uint64_t loader = Size(Type1Part::LoaderBin), romIn = Size(Type1Part::RomIn), romExt = Size(Type1Part::RomExt);
    const uint64_t all = loader + romIn + romExt;
    if (!SendRom(Type1Part::RomIn, 0, loader, all) || !SendRom(Type1Part::RomExt, 1, loader + romIn, all)) return false;
    session_.ShowProgress(UpdateBar::Update, 100);
    session_.ShowProgress(UpdateBar::Verify, 0);
    // The images are read back before they are committed: one that differs
    // is never committed, and the drive waits in loader mode for a retry.
    if (!VerifyRom(Type1Part::RomIn, 0, 0, romIn + romExt)) return false;
    host::Sleep(100);
    if (!VerifyRom(Type1Part::RomExt, 1, romIn, romIn + romExt)) return false;
    host::Sleep(1000);
    if (!device_.WriteBuffer(kMode, kCommitBuffer, 0, kCommitText, sizeof kCommitText - 1)) {
      session_.ReportDeviceFailure();
      return false;
    }
    AddLog("[UpdateType1] ROM images committed.");
    session_.SetDriveState(DriveState::NeedsRestart);
    session_.PowerCycle("QXW-7200");
    session_.SetComment("Updating QXW-7200 done.");
    return true;
  }

 private:
  uint64_t Size(Type1Part part) const { return descriptor_[part].size; }

  // INQUIRY and its dump; the mode character at byte 32.
  char ProbeMode() {
    INQUIRYDATA inquiry;
    device_.Inquiry(inquiry);
    AddLog(PrintDataBuffer(inquiry.Data(), INQUIRYDATA::kSize, "Inquiry"));
    host::Sleep(kModeProbeMs);
    return static_cast<char>(inquiry[INQUIRYDATA::kRevisionOffset]);
  }

  // Sends a zero-length signal up to ten times until the drive reports mode.
  bool Signal(uint8_t buffer, uint32_t offset, char mode) {
    for (int attempt = 0; attempt < kModeAttempts; ++attempt) {
      device_.WriteBuffer(kMode, buffer, offset, nullptr, 0);
      if (!device_.LastErrorText().empty()) AddLog(device_.LastErrorText());
      if (ProbeMode() == mode) return true;
    }
    return false;
  }

  bool EnterBootMode() {
    if (Signal(kEnterBootBuffer, 0, kBootMode)) {
      session_.SetDriveState(DriveState::BootMode);
      return true;
    }
    AddLog("[UpdateType1] The drive did not enter boot mode.");
    return false;
  }

  bool StartLoader() {
    if (Signal(kStartLoaderBuffer, info_.StartAddress(), kLoaderMode)) {
      session_.SetDriveState(DriveState::LoaderMode);
      return true;
    }
    AddLog("[UpdateType1] The loader did not start.");
    return false;
  }

  // loader.inf as checked, then loader.bin from the load address. A loader
  // that did not arrive whole is never started.
  bool LoadLoader() {
    if (!device_.WriteBuffer(kMode, kLoaderInfoBuffer, 0, info_.bytes.data(), kLoaderInfoSize)) {
      session_.ReportDeviceFailure();
      return false;
    }
    const uint64_t all = Size(Type1Part::LoaderBin) + Size(Type1Part::RomIn) + Size(Type1Part::RomExt);
    return SendPiecewise(Type1Part::LoaderBin, kLoaderImageBuffer, info_.LoadAddress(), 0, all);
  }

  bool SendRom(Type1Part part, uint8_t buffer, uint64_t before, uint64_t all) {
    return SendPiecewise(part, buffer, 0, before, all);
  }

  // Sends a component in chunks to buffer from bufferOffset on; the Update
  // bar shows (before + bytes sent) of all.
  bool SendPiecewise(Type1Part part, uint8_t buffer, uint32_t bufferOffset, uint64_t before, uint64_t all) {
    const FirmwareBytes bytes = PartBytes(file_, descriptor_[part]);
    uint32_t remaining = static_cast<uint32_t>(bytes.size());
    for (uint32_t sent = 0; remaining > 0;) {
      uint32_t chunk = TakeChunk(remaining, kChunk);
      if (!device_.WriteBuffer(kMode, buffer, bufferOffset + sent, bytes.data() + sent, chunk)) {
        session_.ReportDeviceFailure();
        return false;
      }
      sent += chunk;
      session_.ShowProgress(UpdateBar::Update, Percent(before + sent, all));
    }
    return true;
  }

  // Reads a ROM image back and compares it with the file's bytes, chunk by
  // chunk; the Verify bar shows (before + bytes compared) of all.
  bool VerifyRom(Type1Part part, uint8_t buffer, uint64_t before, uint64_t all) {
    const FirmwareBytes bytes = PartBytes(file_, descriptor_[part]);
    uint32_t remaining = static_cast<uint32_t>(bytes.size());
    for (uint32_t offset = 0; remaining > 0;) {
      uint32_t chunk = TakeChunk(remaining, kChunk);
      const uint8_t* data = bytes.data() + offset;
      // Bytes the drive does not deliver stay unlike the data.
      std::transform(data, data + chunk, verify_.begin(), [](uint8_t b) { return uint8_t(~b); });
      if (!device_.ReadBuffer(kMode, buffer, offset, verify_.data(), chunk)) {
        session_.ReportDeviceFailure();
        return false;
      }
      if (std::memcmp(verify_.data(), data, chunk) != 0) {
        AddLog(FormatText("[UpdateType1] %s reads back different at offset %u.", Type1PartName(part), offset));
        session_.ShowError("Verify error.");
        return false;
      }
      offset += chunk;
      session_.ShowProgress(UpdateBar::Verify, Percent(before + offset, all));
    }
    return true;
  }

  UpdateSession& session_;
  SCSIDEV& device_;
  const FirmwareBytes file_;
  const Type1Descriptor& descriptor_;
  const LoaderInfo& info_;
  std::array<uint8_t, kChunk> verify_{};
};

// The checks of the whole file before anything is asked or sent; false (with
// what the person is told) when the file is refused.
// checked: the file carried a checksum, and it was right.
bool CheckFile(UpdateSession& session, FirmwareBytes file, Type1Descriptor& descriptor, LoaderInfo& info,
               bool& checked) {
  if (!ReadType1Descriptor(file, descriptor)) {
    AddLog("[UpdateType1] The file descriptor has no end line.");
    return false;
  }
  if (std::string problem = Type1LayoutProblem(descriptor, file.size()); !problem.empty()) {
    session.RefuseFile(kTag, problem);
    return false;
  }
  ChecksumResult checksum = CheckType1Checksum(file);
  checked = checksum.verdict == ChecksumVerdict::Valid;
  switch (checksum.verdict) {
    case ChecksumVerdict::Valid:
      AddLog(FormatText("[UpdateType1] Checksum %04XH is right.", checksum.computed));
      break;
    case ChecksumVerdict::NoChecksum:
      AddLog("[UpdateType1] The file carries no checksum.");
      break;
    case ChecksumVerdict::Invalid:
      session.RefuseFile(kTag, FormatText("The checksum is %04XH; the file says %04XH.", checksum.computed,
                                          checksum.stated));
      return false;
    case ChecksumVerdict::Unreadable:
      session.RefuseFile(kTag, "The file is shorter than 512 bytes.");
      return false;
  }
  if (!ReadLoaderInfo(file, descriptor, info)) {
    session.RefuseFile(kTag, "loader.inf lies outside the file.");
    return false;
  }
  if (std::string problem = LoaderInfoProblem(info, descriptor); !problem.empty()) {
    session.RefuseFile(kTag, problem);
    return false;
  }
  return true;
}

}  // namespace

bool UpdateType1(UpdateSession& session, FirmwareBytes file) {
  SCSIDEV& device = session.Device();
  if (!IsQxw7200(device)) {
    session.ShowError("This is not HALVERN QXW-7200");
    return false;
  }
  Type1Descriptor descriptor;
  LoaderInfo info;
  bool checked = false;
  if (!CheckFile(session, file, descriptor, info, checked)) return false;
  std::string question = FormatText("This file is for updating the firmware of QXW-7200\nVer%s to %s",
                                    RevisionText(device).c_str(), Type1Version(FirmwareHead(file)).c_str());
  // A file without a checksum is allowed; the person decides knowing it.
  if (!checked) question += "\n\nThe file carries no checksum: its contents cannot be checked.";
  if (!session.Confirm(question)) return false;
  device.StartStopUnit(aspi::startstop::kStop);
  auto update = std::make_unique<Type1Update>(session, file, descriptor, info);
  return update->Run();
}
