// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/MmcConfiguration.h"

#include "host/aspi/MmcVocabulary.h"
#include "managers/simbus/Bytes.h"

namespace simbus {
namespace {

namespace profile = aspi::profile;
namespace feature = aspi::feature;

constexpr uint8_t kPersistentCurrent = 0x03;
constexpr uint8_t kCurrent = 0x01;
constexpr uint8_t kRemovableTrayLockEject = 0x29;
constexpr uint8_t kBufferUnderrunFree = 0x40;
constexpr uint8_t kTestWrite = 0x04;
constexpr uint8_t kDvdRwWrite = 0x02;
constexpr uint8_t kDvdPlusRWrite = 0x01;

struct Feature {
  uint16_t code;
  uint8_t flags;  // version, persistent, current
  std::vector<uint8_t> body;
};

std::vector<uint8_t> ProfileList(bool recorder, uint16_t current) {
  std::vector<uint16_t> profiles = {profile::kDvdRom};
  if (recorder) profiles = {profile::kDvdR, profile::kDvdRw, profile::kDvdPlusR, profile::kDvdRom};
  std::vector<uint8_t> body;
  for (uint16_t number : profiles) {
    body.push_back(static_cast<uint8_t>(number >> 8));
    body.push_back(static_cast<uint8_t>(number));
    body.push_back(number == current ? 0x01 : 0x00);
    body.push_back(0);
  }
  return body;
}

}  // namespace

uint16_t CurrentProfile(MediumKind kind) {
  switch (kind) {
    case MediumKind::DvdR: return profile::kDvdR;
    case MediumKind::DvdRw: return profile::kDvdRw;
    case MediumKind::DvdPlusR: return profile::kDvdPlusR;
    case MediumKind::Image: return profile::kDvdRom;
    case MediumKind::None: break;
  }
  return profile::kNone;
}

std::vector<uint8_t> ConfigurationReply(bool recorder, MediumKind disc, uint8_t requestType, uint16_t startFeature) {
  const uint16_t current = CurrentProfile(disc);
  const bool minus = disc == MediumKind::DvdR || disc == MediumKind::DvdRw;
  std::vector<Feature> features = {
      {feature::kProfileList, kPersistentCurrent, ProfileList(recorder, current)},
      {feature::kCore, kPersistentCurrent, {0, 0, 0, 1}},  // SCSI interface
      {feature::kRemovableMedium, kPersistentCurrent, {kRemovableTrayLockEject, 0, 0, 0}},
      {feature::kDvdRead, static_cast<uint8_t>(current != profile::kNone ? kCurrent : 0), {}},
  };
  if (recorder) {
    features.push_back({feature::kDvdPlusR, static_cast<uint8_t>(disc == MediumKind::DvdPlusR ? kCurrent : 0),
                        {kDvdPlusRWrite, 0, 0, 0}});
    features.push_back({feature::kDvdMinusRWrite, static_cast<uint8_t>(minus ? kCurrent : 0),
                        {static_cast<uint8_t>(kBufferUnderrunFree | kTestWrite | kDvdRwWrite), 0, 0, 0}});
  }
  std::vector<uint8_t> reply(8, 0);
  PutBE16(reply.data() + 6, current);
  for (const Feature& each : features) {
    if (each.code < startFeature) continue;
    if (requestType == 1 && (each.flags & kCurrent) == 0) continue;
    if (requestType == 2 && each.code != startFeature) continue;
    reply.push_back(static_cast<uint8_t>(each.code >> 8));
    reply.push_back(static_cast<uint8_t>(each.code));
    reply.push_back(each.flags);
    reply.push_back(static_cast<uint8_t>(each.body.size()));
    reply.insert(reply.end(), each.body.begin(), each.body.end());
  }
  PutBE32(reply.data(), static_cast<uint32_t>(reply.size() - 4));
  return reply;
}

}  // namespace simbus
