// SPDX-License-Identifier: GPL-3.0-or-later
// The manager's C entry points (contract in host/aspi/AspiSrb.h): the two
// every manager has and the optional hold, the only symbols libwnaspi32.so
// exports.
#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

#include "host/aspi/AspiSrb.h"
#include "managers/simbus/Bus.h"

#define SIMBUS_EXPORT extern "C" __attribute__((visibility("default")))

SIMBUS_EXPORT uint32_t GetASPI32SupportInfo(void) { return simbus::Bus::Instance().SupportInfo(); }

SIMBUS_EXPORT uint32_t SendASPI32Command(void* block) { return simbus::Bus::Instance().Send(block); }

SIMBUS_EXPORT uint32_t HoldASPI32Unit(uint8_t ha, uint8_t id, uint8_t lun, uint32_t hold, char* reason,
                                      uint32_t reasonSize) {
  if (hold == 0) return aspi::SS_COMP;
  std::string why;
  uint32_t status = simbus::Bus::Instance().HoldUnit(ha, id, lun, &why);
  if (reason != nullptr && reasonSize > 0) {
    size_t length = std::min<size_t>(why.size(), reasonSize - 1);
    std::memcpy(reason, why.data(), length);
    reason[length] = '\0';
  }
  return status;
}

static_assert(sizeof(&GetASPI32SupportInfo) == sizeof(aspi::GetSupportInfoFn));
static_assert(std::is_same_v<decltype(&HoldASPI32Unit), aspi::HoldUnitFn>);
