// SPDX-License-Identifier: GPL-3.0-or-later
// The SCSI generic manager's entry points (contract in host/aspi/AspiSrb.h),
// the only symbols libmarrowlight-sg.so exports.
#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

#include "host/aspi/AspiSrb.h"
#include "managers/sg/Bus.h"
#include "managers/sg/ManagerLog.h"

#define SG_EXPORT extern "C" __attribute__((visibility("default")))

SG_EXPORT uint32_t GetASPI32SupportInfo(void) { return sg::Bus::Instance().SupportInfo(); }

SG_EXPORT uint32_t SendASPI32Command(void* block) { return sg::Bus::Instance().Send(block); }

SG_EXPORT void SetASPI32LogSink(aspi::LogSinkFn sink) { sg::SetLogSink(sink); }

SG_EXPORT uint32_t HoldASPI32Unit(uint8_t ha, uint8_t id, uint8_t lun, uint32_t hold, char* reason,
                                  uint32_t reasonSize) {
  std::string why;
  uint32_t status = sg::Bus::Instance().HoldUnit(ha, id, lun, hold != 0, &why);
  if (reason != nullptr && reasonSize > 0) {
    size_t length = std::min<size_t>(why.size(), reasonSize - 1);
    std::memcpy(reason, why.data(), length);
    reason[length] = '\0';
  }
  return status;
}

SG_EXPORT uint32_t FindASPI32Unit(const char* path, uint8_t* ha, uint8_t* id, uint8_t* lun) {
  if (path == nullptr || ha == nullptr || id == nullptr || lun == nullptr) return aspi::SS_NO_DEVICE;
  auto address = sg::Bus::Instance().FindUnit(path);
  if (!address) return aspi::SS_NO_DEVICE;
  *ha = address->ha;
  *id = address->id;
  *lun = address->lun;
  return aspi::SS_COMP;
}

static_assert(sizeof(&GetASPI32SupportInfo) == sizeof(aspi::GetSupportInfoFn));
static_assert(sizeof(&SetASPI32LogSink) == sizeof(aspi::SetLogSinkFn));
static_assert(std::is_same_v<decltype(&HoldASPI32Unit), aspi::HoldUnitFn>);
static_assert(std::is_same_v<decltype(&FindASPI32Unit), aspi::FindUnitFn>);
