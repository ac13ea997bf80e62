// SPDX-License-Identifier: GPL-3.0-or-later
// DifferenceLog: the difference rows of one verify pass. The rows of the
// first kDetailedSteps differing steps go to the log (DiffDetail); later
// steps are only counted, so that a verify of data that differ everywhere
// does not write eight bytes of log per byte compared. End() says how many
// differing steps were not detailed.
#pragma once

#include <cstdint>

class DifferenceLog {
 public:
  static constexpr uint64_t kDetailedSteps = 16;

  // One differing step of length bytes (the areas hold length rounded up to
  // 16 bytes, as DiffDetail needs).
  void Step(const uint8_t* source, const uint8_t* destination, uint32_t length);
  // Logs "<n> further differing steps were not detailed." when there were any.
  void End() const;
  uint64_t Steps() const { return steps_; }

 private:
  uint64_t steps_ = 0;
};
