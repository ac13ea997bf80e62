// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/SCSIDVDR090.h"

#include <cstring>

#include "base/Log.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "scsi/ParameterLists.h"
#include "base/TextFormat.h"

namespace sense = aspi::sense;

namespace {

constexpr uint32_t kPieceBlocks = 16;  // 32 KiB of 2048-byte blocks

}  // namespace

SCSIDVDR090::SCSIDVDR090(uint8_t ha, uint8_t id, uint8_t lun) : SCSIDEV(ha, id, lun) { SetIdentity(5, kClassCode); }

bool SCSIDVDR090::TestWrite09(int testWrite) {
  return SelectWriteParameters("[TestWrite09]", "[TestWrite09] done.", scsi::BuildWriteParameters09,
                               testWrite == 1);
}

bool SCSIDVDR090::SetWritingConfig(uint32_t sectorCount, int testWrite, int) {
  AddLog("[SCSIDVDR090::SetWritingConfig] begin.");
  if (!TestWrite09(testWrite)) {
    ui::MessageBox("Test mode setting error.", "Error", ui::kOk | ui::kIconError);
    return false;
  }
  uint64_t rounded = (static_cast<uint64_t>(sectorCount) + kEndSectorUnit - 1) / kEndSectorUnit * kEndSectorUnit;
  auto endSectorInMain = static_cast<uint32_t>(rounded);
  AddLog(FormatText("EndSectorInMain: %X", endSectorInMain));
  scsi::PhysicalFormatArea area{};
  scsi::BuildPhysicalFormat(area, endSectorInMain);
  int status = SendDvdStructure(scsi::kDvdStructurePhysical, area.data());
  uint8_t key = 0;
  GetSense(&key);
  if (key == sense::kNoSenseKey && status == aspi::SS_COMP) {
    AddLog("[SCSIDVDR090::SetWritingConfig] done.");
    return true;
  }
  ReportConfigFailure();
  return false;
}

bool SCSIDVDR090::Read(void* buffer, uint32_t byteCount) {
  if (!GeometryOrReport()) return false;
  auto* bytes = static_cast<uint8_t*>(buffer);
  uint64_t total = WholeBlocks(byteCount);
  if (!TransferPieces(bytes, total, PieceCommand::Read12, "[SCSIDVDR090::Read] - Retry %d/%d",
                      "[SCSIDVDR090::Read] failed"))
    return false;
  std::memset(bytes + byteCount, 0, total - byteCount);
  return true;
}

bool SCSIDVDR090::Read(uint32_t address, void* buffer, uint32_t byteCount) {
  SetAddress(address);
  return Read(buffer, byteCount);
}

bool SCSIDVDR090::Write(void* buffer, uint32_t byteCount) {
  if (!GeometryOrReport()) return false;
  auto* bytes = static_cast<uint8_t*>(buffer);
  uint64_t total = (static_cast<uint64_t>(byteCount) + kPieceBytes - 1) / kPieceBytes * kPieceBytes;
  if (total > byteCount) {
    AddLog("SCSIDVDR090::Fragment is filled with 0");
    std::memset(bytes + byteCount, 0, total - byteCount);
  }
  for (; total > 0; total -= kPieceBytes, bytes += kPieceBytes) {
    for (int attempt = 1;; ++attempt) {
      int status = Write12(0, kPieceBlocks, bytes, kPieceBytes);
      uint8_t key = 0;
      bool clean = GetSense(&key);
      if (status == aspi::SS_COMP && clean) break;
      if (status != aspi::SS_COMP && key == sense::kNoSenseKey && attempt < RetryCount()) {
        AddLog(FormatText("[SCSIDVDR090::Write] - Retry %d/%d", attempt, RetryCount()));
        Report();
        host::Sleep(10);
        continue;
      }
      AddLog("[SCSIDEVR090::Write] failed.");
      Report();
      return false;
    }
    Advance(kPieceBlocks, kPieceBytes);
  }
  return true;
}

bool SCSIDVDR090::Write(uint32_t address, void* buffer, uint32_t byteCount) {
  SetAddress(address);
  return Write(buffer, byteCount);
}
