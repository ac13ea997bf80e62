// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/MmcFeatures.h"

#include <array>
#include <functional>

#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "scsi/ASPI32.h"
#include "scsi/BigEndian.h"
#include "scsi/Commands.h"

namespace sense = aspi::sense;

namespace {

constexpr uint16_t kReplyLength = 2048;
constexpr size_t kHeaderLength = 8;
constexpr size_t kDescriptorHeader = 4;
constexpr int kAttempts = 10;
constexpr uint32_t kBusyPauseMs = 100;

// One GET CONFIGURATION, asked again while the drive is busy or reports a
// change (unit attention); the reply lands in `reply`.
MmcFeatures Ask(const std::function<int(uint8_t*)>& send, ASPI32& channel) {
  std::array<uint8_t, kReplyLength> reply{};
  for (int attempt = 1;; ++attempt) {
    reply.fill(0);
    int status = send(reply.data());
    aspi::Sense answer;
    channel.GetSenseInfo(&answer.key, &answer.asc, &answer.ascq, nullptr);
    if (status == aspi::SS_COMP) return ParseFeatures(reply);
    bool passing = sense::IsBusy(answer) || answer.key == sense::kUnitAttentionKey;
    if (!passing || attempt >= kAttempts) return {};
    host::Sleep(kBusyPauseMs);
  }
}

}  // namespace

MmcFeatures ParseFeatures(std::span<const uint8_t> reply) {
  MmcFeatures features;
  features.answered = true;
  if (reply.size() < kHeaderLength) return features;
  features.currentProfile = scsi::GetBE16(&reply[6]);
  // The data length counts the bytes after its own four.
  size_t end = std::min<size_t>(reply.size(), size_t{scsi::GetBE32(&reply[0])} + 4);
  for (size_t at = kHeaderLength; at + kDescriptorHeader <= end;) {
    uint16_t code = scsi::GetBE16(&reply[at]);
    size_t length = reply[at + 3];
    if (at + kDescriptorHeader + length > end) break;
    uint8_t flags = length > 0 ? reply[at + 4] : 0;
    if (code == feature::kDvdMinusRWrite) {
      features.dvdMinusRWrite = true;
      features.testWrite = (flags & 0x04) != 0;
      features.dvdRwWrite = (flags & 0x02) != 0;
    } else if (code == feature::kDvdPlusR) {
      features.dvdPlusRWrite = (flags & 0x01) != 0;
    }
    at += kDescriptorHeader + length;
  }
  return features;
}

MmcFeatures ProbeMmcFeatures(uint8_t ha, uint8_t id, uint8_t lun) {
  ASPI32 channel;
  return Ask([&](uint8_t* reply) { return scsi::GetConfiguration(channel, ha, id, lun, 0, 0, reply, kReplyLength); },
             channel);
}

MmcFeatures ReadMmcFeatures(SCSIDEV& device) {
  return Ask([&](uint8_t* reply) { return device.GetConfiguration(0, 0, reply, kReplyLength); }, device.Channel());
}
