// SPDX-License-Identifier: GPL-3.0-or-later
// SCSIDEV: geometry, capacity, block reads and writes, finishing a write.
#include "devices/SCSIDEV.h"

#include <algorithm>
#include <cstring>

#include "base/Log.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "scsi/BigEndian.h"
#include "scsi/Commands.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"

namespace sense = aspi::sense;

namespace {

constexpr uint32_t kSector2K = 2048;
constexpr uint32_t kRetryPauseMs = 10;
constexpr uint32_t kBusyPauseMs = 20;

}  // namespace

void SCSIDEV::ClearGeometry() {
  blockSize_ = 0;
  lastLba_ = 0;
  blocksPerTransfer_ = 0;
}

bool SCSIDEV::SetDevice() {
  geometryRefusal_.clear();
  if (IsUnassigned() || !WaitReady(100)) {
    ClearGeometry();
    return false;
  }
  uint8_t reply[scsi::kReadCapacityLength] = {};
  int status = ReadCapacity(reply);
  uint8_t key = 0;
  GetSense(&key);
  if (status != aspi::SS_COMP || key != sense::kNoSenseKey) {
    ClearGeometry();
    lastSector2K_ = 0;
    Report();
    return false;
  }
  uint32_t lba = scsi::GetBE32(reply);
  uint32_t length = scsi::GetBE32(reply + 4);
  if (length > kLargestBlock) {
    // Garbage or a device of another kind: a block this large would make
    // every small read overrun its buffer.
    ClearGeometry();
    lastSector2K_ = 0;
    geometryRefusal_ = FormatText("%d,%d,%d %s reports a block length of %s bytes; the program can carry blocks of "
                                  "at most %s bytes.",
                                  ha_, id_, lun_, deviceName_.data(), FormatNumber(length).c_str(),
                                  FormatNumber(kLargestBlock).c_str());
    AddLog("[SCSIDEV::SetDevice] " + geometryRefusal_);
    return false;
  }
  if (length != 0) {
    blockSize_ = length;
  } else if (lba != 0) {
    blockSize_ = kSector2K;
  } else {
    // A drive that answers with neither size: the report is forced, since
    // its sense is clean and the failure would otherwise go unexplained.
    ClearGeometry();
    lastSector2K_ = 0;
    ReportError(nullptr, false, true);
    return false;
  }
  lastLba_ = lba;
  // A block larger than a piece still moves, one block per command.
  blocksPerTransfer_ = static_cast<uint16_t>(std::max<uint32_t>(1, kPieceBytes / blockSize_));
  uint64_t bytes = (static_cast<uint64_t>(lba) + 1) * blockSize_;
  lastSector2K_ = static_cast<int32_t>((bytes + kSector2K - 1) / kSector2K - 1);
  return true;
}

bool SCSIDEV::HaveGeometry() {
  if (blockSize_ != 0 && blocksPerTransfer_ != 0) return true;
  return SetDevice();
}

bool SCSIDEV::FitsBuffer(uint32_t byteCount, uint64_t bufferBytes) {
  if (!HaveGeometry()) return false;
  if (WholeBlocks(byteCount) <= bufferBytes) return true;
  AddLog(FormatText("[SCSIDEV] A transfer of %u bytes in blocks of %u bytes does not fit its buffer of %s bytes.",
                    byteCount, blockSize_, FormatNumber(bufferBytes).c_str()));
  return false;
}

uint64_t SCSIDEV::WholeBlocks(uint32_t byteCount) const {
  return (static_cast<uint64_t>(byteCount) + blockSize_ - 1) / blockSize_ * blockSize_;
}

uint32_t SCSIDEV::PieceBytes(uint64_t remaining) const {
  uint64_t most = static_cast<uint64_t>(blocksPerTransfer_) * blockSize_;
  return static_cast<uint32_t>(std::min(remaining, most));
}

void SCSIDEV::Advance(uint32_t blocks, uint32_t bytes) {
  address_ += blocks;
  transferred_ += bytes;
}

bool SCSIDEV::TransferPieces(uint8_t* buffer, uint64_t total, PieceCommand command, const char* retryFormat,
                             const char* failedLine) {
  while (total > 0) {
    std::optional<int> first;
    if (command != PieceCommand::Write10 && sendAhead_ && total > PieceBytes(total)) {
      ReadAhead(buffer, total, command, first);
      if (total == 0) break;
    }
    const uint32_t piece = PieceBytes(total);
    if (!PieceWithRetries(buffer, piece, command, retryFormat, failedLine, first)) return false;
    buffer += piece;
    total -= piece;
  }
  return true;
}

bool SCSIDEV::PieceWithRetries(uint8_t* buffer, uint32_t piece, PieceCommand command, const char* retryFormat,
                               const char* failedLine, std::optional<int> first) {
  const uint32_t blocks = piece / blockSize_;
  for (int attempt = 1;; ++attempt) {
    int status = 0;
    if (attempt == 1 && first) {
      status = *first;
    } else {
      switch (command) {
        case PieceCommand::Read10:
          status = Read10(address_, static_cast<uint16_t>(blocks), buffer, piece);
          break;
        case PieceCommand::Read12:
          status = Read12(address_, blocks, buffer, piece);
          break;
        case PieceCommand::Write10:
          status = Write10(address_, static_cast<uint16_t>(blocks), buffer, piece);
          break;
      }
    }
    uint8_t key = 0;
    GetSense(&key);
    if (status == aspi::SS_COMP && key == sense::kNoSenseKey) break;
    if (attempt >= retryCount_) {
      AddLog(failedLine);
      Report();
      return false;
    }
    AddLog(FormatText(retryFormat, attempt, retryCount_));
    Report();
    host::Sleep(kRetryPauseMs);
  }
  Advance(blocks, piece);
  return true;
}

int SCSIDEV::SendPiece(ASPI32& channel, uint32_t lba, uint8_t* buffer, uint32_t piece, PieceCommand command) {
  const uint32_t blocks = piece / blockSize_;
  if (command == PieceCommand::Read10)
    return scsi::SendRead10Ahead(channel, ha_, id_, lun_, lba, static_cast<uint16_t>(blocks), buffer, piece);
  return scsi::SendRead12Ahead(channel, ha_, id_, lun_, lba, blocks, buffer, piece);
}

void SCSIDEV::ReadAhead(uint8_t*& buffer, uint64_t& total, PieceCommand command, std::optional<int>& first) {
  if (!ahead_) ahead_ = std::make_unique<ASPI32>();
  ASPI32* now = &channel_;
  ASPI32* next = ahead_.get();
  uint32_t piece = PieceBytes(total);
  // Not sent (the manager was busy): the ordinary loop sends it.
  if (SendPiece(*now, address_, buffer, piece, command) < 0) return;
  if (!now->SentPending()) {
    // The manager ran it at once and queues nothing: from now on every
    // piece takes the ordinary way, and this attempt counts as its first.
    sendAhead_ = false;
    first = lastStatus_ = now->Await(host::kInfinite);
    return;
  }
  for (;;) {
    const uint32_t blocks = piece / blockSize_;
    uint32_t nextPiece = 0;
    bool nextSent = false;
    if (total > piece) {
      nextPiece = PieceBytes(total - piece);
      nextSent = SendPiece(*next, address_ + blocks, buffer + piece, nextPiece, command) == 0;
    }
    const int status = now->Await(host::kInfinite);
    lastStatus_ = status;
    const bool clean = status == aspi::SS_COMP && now->SenseKey() == sense::kNoSenseKey;
    // The piece sent ahead is read again by the ordinary loop: its answer
    // is only waited for.
    if (!clean && nextSent) next->Await(host::kInfinite);
    if (!clean) {
      if (now != &channel_) channel_.AdoptResult(*now);
      first = status;
      return;
    }
    Advance(blocks, piece);
    buffer += piece;
    total -= piece;
    if (!nextSent) return;
    std::swap(now, next);
    piece = nextPiece;
  }
}

bool SCSIDEV::WritePiecesStrict(uint8_t* buffer, uint64_t total, uint32_t firstLba, const StrictWriteLines& lines,
                                uint32_t busyWaitMs) {
  uint32_t waited = 0;
  while (total > 0) {
    uint32_t piece = PieceBytes(total);
    uint32_t blocks = piece / blockSize_;
    for (int attempt = 1;;) {
      int status = Write10(firstLba + address_, static_cast<uint16_t>(blocks), buffer, piece);
      aspi::Sense answer;
      bool clean = GetSense(&answer.key, &answer.asc, &answer.ascq);
      if (status == aspi::SS_COMP && clean) break;
      if (answer == sense::kNotReadyLongWriteInProgress && waited < busyWaitMs) {
        host::Sleep(kBusyPauseMs);
        waited += kBusyPauseMs;
        continue;
      }
      if (status != aspi::SS_COMP && answer.key == sense::kNoSenseKey && attempt < retryCount_) {
        AddLog(FormatText(lines.retry, attempt, retryCount_));
        Report();
        host::Sleep(kRetryPauseMs);
        ++attempt;
        continue;
      }
      AddLog(status == aspi::SS_COMP ? lines.failedWithSense : lines.failedOther);
      AddLog(FormatText("transBytes: %d, transBlocks: %d", piece, blocks));
      Report();
      return false;
    }
    Advance(blocks, piece);
    buffer += piece;
    total -= piece;
  }
  return true;
}

bool SCSIDEV::GeometryOrReport() {
  if (HaveGeometry()) return true;
  AddLog("Error in SetDevice()");
  ReportWithBox();
  return false;
}

bool SCSIDEV::WriteStrict(void* buffer, uint32_t byteCount, uint32_t firstLba, const StrictWriteLines& lines,
                          uint32_t busyWaitMs) {
  if (!GeometryOrReport()) return false;
  auto* bytes = static_cast<uint8_t*>(buffer);
  uint64_t total = WholeBlocks(byteCount);
  std::memset(bytes + byteCount, 0, total - byteCount);
  return WritePiecesStrict(bytes, total, firstLba, lines, busyWaitMs);
}

std::string SCSIDEV::MediumRefusal(bool) { return ""; }

bool SCSIDEV::Read(void* buffer, uint32_t byteCount) {
  if (!HaveGeometry()) return false;
  auto* bytes = static_cast<uint8_t*>(buffer);
  uint64_t total = WholeBlocks(byteCount);
  if (!TransferPieces(bytes, total, PieceCommand::Read10, "[SCSIDEV::Read] - Retry %d/%d", "[SCSIDEV::Read] failed."))
    return false;
  std::memset(bytes + byteCount, 0, total - byteCount);
  return true;
}

bool SCSIDEV::Read(uint32_t address, void* buffer, uint32_t byteCount) {
  SetAddress(address);
  return Read(buffer, byteCount);
}

bool SCSIDEV::Write(void* buffer, uint32_t byteCount) {
  if (!HaveGeometry()) return false;
  auto* bytes = static_cast<uint8_t*>(buffer);
  uint64_t total = WholeBlocks(byteCount);
  if (total > byteCount) {
    AddLog("SCSIDEV::Fragment is filled with 0\n");
    std::memset(bytes + byteCount, 0, total - byteCount);
  }
  return TransferPieces(bytes, total, PieceCommand::Write10, "[SCSIDEV::Write] - Retry %d/%d",
                        "[SCSIDEV::Write] failed.");
}

bool SCSIDEV::Write(uint32_t address, void* buffer, uint32_t byteCount) {
  SetAddress(address);
  return Write(buffer, byteCount);
}

bool SCSIDEV::SetWritingConfig(uint32_t, int, int) {
  AddLog("This is not DVD-R/RW");
  ui::MessageBox("This is not DVD-R/RW", "Error", ui::kOk | ui::kIconError);
  return false;
}

uint64_t SCSIDEV::GetCapacity() {
  if (SetDevice()) return static_cast<uint64_t>(blockSize_) * (static_cast<uint64_t>(lastLba_) + 1);
  uint8_t key = 0, asc = 0;
  GetSense(&key, &asc);
  // No medium is no error worth a report.
  if (key != sense::kNotReadyKey && asc != sense::kAscMediumNotPresent) Report();
  return 0;
}

uint64_t SCSIDEV::GetFreeSize() {
  AddLog("SCSIDEV::GetFreeSize()");
  return GetCapacity();
}

bool SCSIDEV::FinishWrite() {
  AddLog("SCSIDEV::FinishWrite()");
  int status = SynchronizeCache(false);
  if (GetSense() && status == aspi::SS_COMP) {
    AddLog("SCSIDEV::FinishWrite() done.");
    return true;
  }
  AddLog("SCSIDEV::FinishWrite() failed.");
  return false;
}
