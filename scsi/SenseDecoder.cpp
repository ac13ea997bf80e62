// SPDX-License-Identifier: GPL-3.0-or-later
#include "scsi/SenseDecoder.h"

#include <algorithm>
#include <cstring>

#include "host/aspi/ScsiVocabulary.h"
#include "scsi/SenseTables.h"

namespace {

uint8_t SenseByte(std::span<const uint8_t> sense, size_t index) {
  return index < sense.size() ? sense[index] : 0;
}

const char* MessageFor(uint8_t asc, uint8_t ascq, uint8_t vendorByte) {
  using namespace scsi::sense;
  if (asc == kWriteAddressAsc && ascq == kWriteAddressAscq) {
    return vendorByte == kWriteAddressVendorValue ? kInvalidWriteAddress : kBufferUnderrun;
  }
  const auto* end = std::end(kAscTexts);
  const auto* found =
      std::find_if(std::begin(kAscTexts), end, [&](const AscText& e) { return e.asc == asc && e.ascq == ascq; });
  return found != end ? found->text : kUnknownError;
}

}  // namespace

std::string DecodeSense(std::span<const uint8_t> senseArea) {
  using namespace scsi::sense;
  const uint8_t key = SenseByte(senseArea, 2);
  const uint8_t asc = SenseByte(senseArea, 12);
  const uint8_t ascq = SenseByte(senseArea, 13);
  if (key == aspi::sense::kNoSenseKey) return kNoError;

  std::string message;
  if (key < kKeyPrefixes.size()) {
    message = kKeyPrefixes[key];
    if (key == kBlankCheckKey && asc == 0 && ascq == 0) return message + kNotRecordedYet;
  }
  message += MessageFor(asc, ascq, SenseByte(senseArea, 21));
  if (message.size() > kSenseTextSize - 1) message.resize(kSenseTextSize - 1);
  return message;
}

void DecodeSense(std::span<const uint8_t> senseArea, char* text, size_t size) {
  if (text == nullptr || size == 0) return;
  std::string message = DecodeSense(senseArea);
  size_t length = std::min(message.size(), size - 1);
  std::memcpy(text, message.data(), length);
  text[length] = '\0';
}
