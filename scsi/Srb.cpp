// SPDX-License-Identifier: GPL-3.0-or-later
#include "scsi/Srb.h"

#include <cstring>

#include "host/ui/MessageBox.h"
#include "base/TextFormat.h"


namespace {

// The manager writes status bytes from its own thread; read them with acquire
// so that everything it filled before the status is visible too.
uint8_t LoadShared(const uint8_t& field) { return __atomic_load_n(&field, __ATOMIC_ACQUIRE); }

void DebugBox(const std::string& text, const char* caption) { ui::MessageBox(text, caption, ui::kOk); }

}  // namespace

void HAInqSRB::Init(uint8_t) {
  std::memset(&block_, 0, sizeof block_);
  block_.SRB_Cmd = aspi::SC_HA_INQUIRY;
  block_.HA_SCSI_ID = 0xFF;
}


void HAInqSRB::ShowDebug() const {
  DebugBox(FormatText("BYTE SRB_Status: %X", GetStatus()), "DEBUG - HAInqSRB");
}

void ExecuteSRB::Init(uint8_t flags) {
  std::memset(&block_, 0, sizeof block_);
  block_.SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
  block_.SRB_Flags = flags;
  block_.SRB_SenseLen = aspi::kSenseLength;
  block_.SRB_CDBLen = 6;
}

uint8_t ExecuteSRB::GetTargetStatus() const { return LoadShared(block_.SRB_TargStat); }

void ExecuteSRB::ShowDebug() const {
  const auto& b = block_;
  DebugBox(FormatText("HA%d ID%d LUN%d", b.SRB_HaId, b.SRB_Target, b.SRB_Lun), "Deb");
  DebugBox(FormatText("BYTE SRB_Status: %X\nBYTE SRB_HaStat: %X\nBYTE SRB_TargStat: %X", GetStatus(),
                      b.SRB_HaStat, GetTargetStatus()),
           "DEBUG - ExecuteSRB (1)");
  // Only the bytes the buffer really has; the rest show as 0.
  uint8_t data[8] = {};
  if (b.SRB_BufPointer != 0) {
    size_t count = b.SRB_BufLen < sizeof data ? b.SRB_BufLen : sizeof data;
    std::memcpy(data, reinterpret_cast<const void*>(static_cast<uintptr_t>(b.SRB_BufPointer)), count);
  }
  DebugBox(FormatText("Data: %2X %2X %2X %2X %2X %2X %2X %2X", data[0], data[1], data[2], data[3], data[4],
                      data[5], data[6], data[7]),
           "DEBUG - ExecuteSRB (2)");
  const uint8_t* s = b.SenseArea;
  DebugBox(FormatText("Sense: %2X %2X %2X %2X %2X %2X %2X %2X %2X %2X\n"
                      "%2X %2X %2X %2X %2X %2X %2X %2X %2X %2X\n%2X %2X",
                      s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13],
                      s[14], s[15], s[16], s[17], s[18], s[19], s[20], s[21]),
           "DEBUG - ExecuteSRB (3)");
}

void ResetSRB::Init(uint8_t flags) {
  std::memset(&block_, 0, sizeof block_);
  block_.SRB_Cmd = aspi::SC_RESET_DEV;
  block_.SRB_Flags = flags;
}

uint8_t ResetSRB::GetTargetStatus() const { return LoadShared(block_.SRB_TargStat); }

void ResetSRB::ShowDebug() const {
  DebugBox(FormatText("BYTE SRB_Status: %X\nBYTE SRB_HaStat: %X\nBYTE SRB_TargStat: %X\nPostProc: %08llX",
                      GetStatus(), block_.SRB_HaStat, GetTargetStatus(),
                      static_cast<unsigned long long>(block_.SRB_PostProc)),
           "DEBUG - ResetSRB");
}

void AbortSRB::Init(uint8_t) {
  std::memset(&block_, 0, sizeof block_);
  block_.SRB_Cmd = aspi::SC_ABORT_SRB;
}


void AbortSRB::ShowDebug() const {
  DebugBox(FormatText("SRB_ToAbort: %08llX", static_cast<unsigned long long>(block_.SRB_ToAbort)),
           "DEBUG - AbortSRB");
}
