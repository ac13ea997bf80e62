// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/sg/CommandTimeouts.h"

#include "host/aspi/OperationCodes.h"

namespace sg {
namespace {

constexpr uint32_t kQuickMs = 20'000;
constexpr uint32_t kUsualMs = 120'000;
constexpr uint32_t kLongMs = 3'600'000;

struct Timeout {
  uint8_t operationCode;
  uint32_t ms;
};

constexpr Timeout kTimeouts[] = {
    {aspi::op::kTestUnitReady, kQuickMs},     {aspi::op::kRequestSense, kQuickMs},
    {aspi::op::kInquiry, kQuickMs},           {aspi::op::kFormatUnit, kLongMs},
    {aspi::op::kSynchronizeCache, kLongMs},   {aspi::op::kWriteBuffer, kLongMs},
    {aspi::op::kCloseTrackSession, kLongMs},  {aspi::op::kBlank, kLongMs},
};

}  // namespace

uint32_t KernelTimeoutMs(uint8_t operationCode) {
  for (const Timeout& entry : kTimeouts) {
    if (entry.operationCode == operationCode) return entry.ms;
  }
  return kUsualMs;
}

}  // namespace sg
