// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/CdWoDrive.h"

#include <algorithm>
#include <cstring>

#include "managers/simbus/Bytes.h"

namespace simbus {
namespace {

constexpr uint8_t kConfigurationPage = 0x20;
constexpr uint8_t kWritingModePage = 0x23;
constexpr uint8_t kVendorPageLength = 6;

}  // namespace

CdWoDrive::CdWoDrive(const DeviceConfig& config, std::string stateDir)
    : DirectAccessDrive(config, std::move(stateDir)) {
  static constexpr std::array<Entry<CdWoDrive>, 2> kCommands{{
      {op::kVendorCdrConfig, &CdWoDrive::VendorSetup},
      {op::kVendorRead, &CdWoDrive::VendorControl},
  }};
  Install(kCommands);
  configurationPage_[0] = kConfigurationPage;
  configurationPage_[1] = kVendorPageLength;
  writingModePage_[0] = kWritingModePage;
  writingModePage_[1] = kVendorPageLength;
}

bool CdWoDrive::ModePage(uint8_t code, std::vector<uint8_t>& page) const {
  const std::array<uint8_t, 8>* source = code == kConfigurationPage ? &configurationPage_
                                         : code == kWritingModePage ? &writingModePage_
                                                                    : nullptr;
  if (source == nullptr) return false;
  page.insert(page.end(), source->begin(), source->end());
  return true;
}

void CdWoDrive::SelectPage(ScsiCommand& command, const uint8_t* list, uint32_t length) {
  const uint32_t descriptorLength = GetBE16(list + 6);
  const uint32_t page = 8 + descriptorLength;
  // A block descriptor must keep the drive's block length.
  if (descriptorLength == 8 && GetBE24(list + 8 + 5) != blockSize_) {
    command.Fail(kInvalidFieldInParameterList);
    return;
  }
  if (page + 2 > length || page + 2 + list[page + 1] > length) {
    command.Fail(kParameterListLengthError);
    return;
  }
  std::array<uint8_t, 8>* target = (list[page] & 0x3F) == kConfigurationPage ? &configurationPage_
                                   : (list[page] & 0x3F) == kWritingModePage  ? &writingModePage_
                                                                              : nullptr;
  if (target == nullptr || list[page + 1] != kVendorPageLength) {
    command.Fail(kInvalidFieldInParameterList);
    return;
  }
  std::copy(list + page + 2, list + page + 8, target->begin() + 2);
}

void CdWoDrive::VendorSetup(ScsiCommand& command) { NeedReady(command); }

void CdWoDrive::VendorControl(ScsiCommand& command) {
  if (!NeedReady(command)) return;
  const uint32_t length = GetBE16(command.cdb + 7);
  if (length > 0 && command.data != nullptr)  // the vendor read: nothing to tell
    std::memset(command.data, 0, std::min(length, command.dataLength));
}

}  // namespace simbus
