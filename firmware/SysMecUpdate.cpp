// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/SysMecUpdate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"
#include "firmware/ReidentifyDrive.h"
#include "firmware/UpdateSession.h"
#include "firmware/format/SysMecHeader.h"

namespace {

constexpr char kTag[] = "UpdateSysMec";
constexpr char kModel[] = "QXW-7100";
constexpr char kFirstRevision[] = "0.00";
constexpr uint32_t kChunk = 16384;  // the most one WRITE BUFFER of a part carries
constexpr uint8_t kDataMode = 5;
constexpr uint8_t kReadBackMode = 2;
constexpr uint32_t kCommitLength = 12;  // sent without a terminator

// Where one part goes and how it comes back.
struct PartRoute {
  const char* name;
  uint8_t dataBuffer;
  uint8_t readBackBuffer;
  uint32_t readBackBase;
  bool readBackWholeChunk;  // MEC: always 16,384 bytes, SYS: the chunk
  uint8_t commitBuffer;
  const char* commitText;
};

constexpr PartRoute kSys{"SYS", 0x00, 0xFE, kSysReadBackBase, false, 0xF8, "QXW-7100 SYS"};
constexpr PartRoute kMec{"MEC", 0x01, 0xFF, kMecReadBackBase, true, 0xF9, "QXW-7100 MEC"};

bool IsQxw7100(const SCSIDEV& device) {
  return std::strncmp(device.Vendor(), "HALVERN", 7) == 0 && std::strncmp(device.Product(), "DVD-R QXW-7100", 14) == 0;
}

class SysMecUpdate {
 public:
  SysMecUpdate(UpdateSession& session, FirmwareBytes file, const SysMecHeader& header)
      : session_(session), device_(session.Device()), file_(file), header_(header),
        total_(uint64_t{header.Sys().size} + header.Mec().size) {}

  bool Run() {
    session_.SetComment("Now updating QXW-7100 ...");
    // Asked to quit before anything is sent: the drive is as it was.
    if (session_.QuitRequested()) return session_.Cancel();
    if (RevisionText(device_) != kFirstRevision) {
      // Both parts are staged and read back before either is committed: a
      // part the drive refuses (too large for it, say) leaves it unchanged.
      if (!Stage(kMec, header_.Mec()) || !Stage(kSys, header_.Sys()) || !Commit(kMec)) return false;
      session_.SetDriveState(DriveState::HalfUpdated);
      if (!Commit(kSys)) return false;
      session_.SetDriveState(DriveState::NeedsRestart);
      session_.PowerCycle(kModel);
      return true;
    }
    // The first firmware takes its SYS part alone and restarts with it
    // before it can take the MEC part.
    if (!Stage(kSys, header_.Sys()) || !Commit(kSys)) return false;
    session_.SetDriveState(DriveState::HalfUpdated);
    if (!session_.PowerCycle(kModel)) return false;
    if (!WaitForDrive(session_, device_, [] { return true; })) {
      AddLog("[UpdateSysMec] The drive did not come back after its SYS part.");
      return false;
    }
    if (!Stage(kMec, header_.Mec()) || !Commit(kMec)) return false;
    session_.SetDriveState(DriveState::NeedsRestart);
    session_.PowerCycle(kModel);
    return true;
  }

 private:
  // Sends a part chunk by chunk, each read back and compared.
  bool Stage(const PartRoute& route, const FirmwarePart& part) {
    const FirmwareBytes bytes = PartBytes(file_, part);
    uint32_t remaining = part.size;
    for (uint32_t offset = 0; offset < part.size; offset += kChunk) {
      uint32_t chunk = TakeChunk(remaining, kChunk);
      sent_ += chunk;
      if (!device_.WriteBuffer(kDataMode, route.dataBuffer, offset, bytes.data() + offset, chunk)) {
        session_.ReportDeviceFailure();
        return false;
      }
      int percent = Percent(sent_, total_);
      session_.ShowProgress(UpdateBar::Update, percent);
      if (!ReadBack(route, bytes.data() + offset, offset, chunk)) return false;
      session_.ShowProgress(UpdateBar::Verify, percent);
    }
    return true;
  }

  bool Commit(const PartRoute& route) {
    if (!device_.WriteBuffer(kDataMode, route.commitBuffer, 0, route.commitText, kCommitLength)) {
      session_.ReportDeviceFailure();
      return false;
    }
    AddLog(FormatText("[UpdateSysMec] %s part committed.", route.name));
    return true;
  }

  bool ReadBack(const PartRoute& route, const uint8_t* data, uint32_t offset, uint32_t chunk) {
    // Every byte starts out unlike the data, so a byte the drive never
    // delivered cannot pass for a match.
    std::transform(data, data + chunk, verify_.begin(), [](uint8_t b) { return uint8_t(~b); });
    uint32_t length = route.readBackWholeChunk ? kChunk : chunk;
    if (!device_.ReadBuffer(kReadBackMode, route.readBackBuffer, offset + route.readBackBase, verify_.data(), length)) {
      session_.ReportDeviceFailure();
      return false;
    }
    if (std::memcmp(verify_.data(), data, chunk) != 0) {
      AddLog(FormatText("[UpdateSysMec] The %s part reads back different at offset %u.", route.name, offset));
      session_.ShowError("Verify error.");
      return false;
    }
    return true;
  }

  UpdateSession& session_;
  SCSIDEV& device_;
  const FirmwareBytes file_;
  const SysMecHeader& header_;
  const uint64_t total_;
  uint64_t sent_ = 0;
  std::array<uint8_t, kChunk> verify_{};
};

}  // namespace

bool UpdateSysMec(UpdateSession& session, FirmwareBytes file) {
  SCSIDEV& device = session.Device();
  if (!IsQxw7100(device)) {
    session.ShowError("This is not HALVERN QXW-7100");
    return false;
  }
  SysMecHeader header;
  if (!ReadSysMecHeader(file, header)) {
    session.RefuseFile(kTag, "The file is shorter than its 128-byte header.");
    return false;
  }
  if (!header.HasPartMarkers()) {
    session.ShowError("This is not update file for QXW-7100.");
    return false;
  }
  if (std::string problem = SysMecLayoutProblem(header, file.size()); !problem.empty()) {
    session.RefuseFile(kTag, problem);
    return false;
  }
  std::string version = header.Version();
  std::string question = FormatText("This file is for updating the firmware of QXW-7100\nVer%s to %.4s",
                                    RevisionText(device).c_str(), version.c_str());
  if (!session.Confirm(question)) return false;
  // The read-back area is large for the stack of a worker: keep it on the heap.
  auto update = std::make_unique<SysMecUpdate>(session, file, header);
  return update->Run();
}
