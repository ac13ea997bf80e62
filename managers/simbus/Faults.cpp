// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/Faults.h"

#include <algorithm>

namespace simbus {
namespace {

bool Overlaps(const BlockRange& a, const BlockRange& b) {
  uint64_t aEnd = uint64_t{a.first} + (a.count == 0 ? 1 : a.count);
  uint64_t bEnd = uint64_t{b.first} + (b.count == 0 ? 1 : b.count);
  return a.first < bEnd && b.first < aEnd;
}

bool Matches(const FaultRule& rule, const uint8_t* cdb, uint8_t cdbLength) {
  if (rule.opcode && *rule.opcode != cdb[0]) return false;
  if (rule.bufferId) {
    bool bufferCommand = cdb[0] == op::kWriteBuffer || cdb[0] == op::kReadBuffer;
    if (!bufferCommand || cdbLength < 3 || cdb[2] != *rule.bufferId) return false;
  }
  if (rule.blocks) {
    auto touched = CommandBlocks(cdb, cdbLength);
    if (!touched || !Overlaps(*touched, *rule.blocks)) return false;
  }
  return true;
}

}  // namespace

Faults::Faults(std::vector<FaultRule> rules) {
  for (auto& rule : rules) entries_.push_back(Entry{rule, 0, rule.polls});
}

Faults::Entry* Faults::Fire(FaultKind kind, const uint8_t* cdb, uint8_t cdbLength) {
  for (auto& entry : entries_) {
    if (entry.rule.kind != kind || !Matches(entry.rule, cdb, cdbLength)) continue;
    uint32_t time = ++entry.matches;
    bool inFirst = entry.rule.firstTimes == 0 || time <= entry.rule.firstTimes;
    bool inFrom = entry.rule.fromTime == 0 || time >= entry.rule.fromTime;
    if (inFirst && inFrom) return &entry;
  }
  return nullptr;
}

std::optional<FaultRule> Faults::SenseFor(const ScsiCommand& command) {
  std::lock_guard lock(mutex_);
  if (Entry* entry = Fire(FaultKind::Sense, command.cdb, command.cdbLength)) return entry->rule;
  return std::nullopt;
}

bool Faults::HangFor(const ScsiCommand& command) {
  std::lock_guard lock(mutex_);
  return Fire(FaultKind::Hang, command.cdb, command.cdbLength) != nullptr;
}

std::optional<std::string> Faults::GateFor(const ScsiCommand& command) {
  std::lock_guard lock(mutex_);
  if (Entry* entry = Fire(FaultKind::Gate, command.cdb, command.cdbLength)) return entry->rule.until;
  return std::nullopt;
}

bool Faults::BusyFor(const uint8_t* cdb, uint8_t cdbLength) {
  std::lock_guard lock(mutex_);
  return Fire(FaultKind::Busy, cdb, cdbLength) != nullptr;
}

bool Faults::CorruptFor(const ScsiCommand& command) {
  std::lock_guard lock(mutex_);
  return Fire(FaultKind::Corrupt, command.cdb, command.cdbLength) != nullptr;
}

std::optional<Sense> Faults::NotReadyFor(const ScsiCommand& command) {
  std::lock_guard lock(mutex_);
  for (auto& entry : entries_) {
    if (entry.rule.kind != FaultKind::NotReady || entry.pollsLeft == 0) continue;
    if (command.Op() == op::kTestUnitReady) --entry.pollsLeft;
    return entry.rule.sense;
  }
  return std::nullopt;
}

uint32_t Faults::SlowFactorFor(const ScsiCommand& command) {
  std::lock_guard lock(mutex_);
  Entry* entry = Fire(FaultKind::Slow, command.cdb, command.cdbLength);
  return entry != nullptr ? std::max<uint32_t>(entry->rule.factor, 1) : 1;
}

bool Faults::CanHold() const {
  std::lock_guard lock(mutex_);
  for (const Entry& entry : entries_)
    if (entry.rule.kind == FaultKind::Hang || entry.rule.kind == FaultKind::Slow || entry.rule.kind == FaultKind::Gate)
      return true;
  return false;
}

bool Faults::HeldElsewhere() const {
  std::lock_guard lock(mutex_);
  for (const auto& entry : entries_)
    if (entry.rule.kind == FaultKind::Held) return true;
  return false;
}

bool Faults::SupportNotInitialised() const {
  std::lock_guard lock(mutex_);
  for (const auto& entry : entries_)
    if (entry.rule.kind == FaultKind::SupportNotInitialised) return true;
  return false;
}

}  // namespace simbus
