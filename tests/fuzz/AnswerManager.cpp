// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/fuzz/AnswerManager.h"

#include <algorithm>
#include <cstring>

#include "host/aspi/AspiSrb.h"
#include "host/os/Event.h"

#define MANAGER_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum Ending : uint8_t { kCompleted = 0, kCheckCondition = 1, kNoDevice = 2, kBusy = 3 };

struct Input {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t requests = 0;

  size_t Take(size_t count, const uint8_t*& bytes) {
    count = std::min(count, size);
    bytes = data;
    data += count;
    size -= count;
    return count;
  }
};

Input& Current() {
  static Input input;
  return input;
}

void Complete(aspi::SRB_ExecSCSICmd& block, uint8_t status, uint8_t targetStatus) {
  block.SRB_HaStat = aspi::HASTAT_OK;
  block.SRB_TargStat = targetStatus;
  __atomic_store_n(&block.SRB_Status, status, __ATOMIC_RELEASE);
  if ((block.SRB_Flags & aspi::SRB_EVENT_NOTIFY) != 0) host::SignalEventHandle(static_cast<int>(block.SRB_PostProc));
}

uint32_t Execute(aspi::SRB_ExecSCSICmd& block) {
  Input& input = Current();
  ++input.requests;
  const uint8_t* head = nullptr;
  if (input.Take(3, head) < 3) {
    Complete(block, aspi::SS_NO_DEVICE, aspi::STATUS_GOOD);
    return aspi::SS_NO_DEVICE;
  }
  const uint8_t* bytes = nullptr;
  size_t length = input.Take(static_cast<size_t>(head[1] | head[2] << 8), bytes);
  switch (head[0] & 3) {
    case kCompleted:
      if ((block.SRB_Flags & aspi::SRB_DIR_IN) != 0 && block.SRB_BufPointer != 0) {
        auto* buffer = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(block.SRB_BufPointer));
        std::memcpy(buffer, bytes, std::min<size_t>(length, block.SRB_BufLen));
      }
      Complete(block, aspi::SS_COMP, aspi::STATUS_GOOD);
      return aspi::SS_COMP;
    case kCheckCondition:
      std::memcpy(block.SenseArea, bytes, std::min<size_t>({length, block.SRB_SenseLen, sizeof block.SenseArea}));
      Complete(block, aspi::SS_ERR, aspi::STATUS_CHKCOND);
      return aspi::SS_ERR;
    case kNoDevice:
      Complete(block, aspi::SS_NO_DEVICE, aspi::STATUS_GOOD);
      return aspi::SS_NO_DEVICE;
    default:
      return aspi::SS_ASPI_IS_BUSY;
  }
}

}  // namespace

MANAGER_EXPORT void AnswerManagerSetInput(const uint8_t* data, size_t size) { Current() = Input{data, size, 0}; }

MANAGER_EXPORT size_t AnswerManagerRequests() { return Current().requests; }

MANAGER_EXPORT uint32_t GetASPI32SupportInfo(void) { return uint32_t{aspi::SS_COMP} << 8 | 1; }

MANAGER_EXPORT uint32_t SendASPI32Command(void* srb) {
  auto* header = static_cast<aspi::SRB_Header*>(srb);
  switch (header->SRB_Cmd) {
    case aspi::SC_HA_INQUIRY: {
      auto* block = static_cast<aspi::SRB_HAInquiry*>(srb);
      block->HA_Count = 1;
      block->HA_SCSI_ID = 7;
      block->SRB_Status = header->SRB_HaId == 0 ? aspi::SS_COMP : aspi::SS_INVALID_HA;
      return block->SRB_Status;
    }
    case aspi::SC_EXEC_SCSI_CMD:
      return Execute(*static_cast<aspi::SRB_ExecSCSICmd*>(srb));
    default:
      header->SRB_Status = aspi::SS_COMP;
      return aspi::SS_COMP;
  }
}
