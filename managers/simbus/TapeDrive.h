// SPDX-License-Identifier: GPL-3.0-or-later
// TapeDrive: a tape (`tape`, type 1) read from a file as one stream of bytes
// with filemarks at given byte positions and, optionally, records of a fixed
// size. READ(6) in variable-length mode returns up to the requested length,
// stopping at a filemark (sense key byte 80h, 00/01) or at the end of a
// record (incorrect length, key byte 20h), with the bytes not transferred
// (the residue) in the information field. Past the last byte it answers
// BLANK CHECK, end of data (08/00/05). REWIND and LOAD go back to the start.
#pragma once

#include <vector>

#include "managers/simbus/Drive.h"
#include "managers/simbus/SectorFile.h"

namespace simbus {

class TapeDrive : public Drive {
 public:
  TapeDrive(const DeviceConfig& config, std::string stateDir);
  std::string Summary() const override;

 protected:
  std::optional<Sense> Readiness() const override;
  void FillInquiry(uint8_t* inquiry) const override;
  // A failed read transferred nothing: the whole length is the residue.
  void OnFaultSense(ScsiCommand& command) override;

 private:
  void Read6(ScsiCommand& command);
  void Rewind(ScsiCommand& command);
  void ReadBlockLimits(ScsiCommand& command);
  void ModeSense6(ScsiCommand& command);
  void Residue(ScsiCommand& command, Sense sense, uint8_t flags, uint32_t residue);

  SectorFile file_;
  std::vector<uint64_t> filemarks_;  // sorted
  size_t nextMark_ = 0;              // first filemark not yet passed
  uint64_t position_ = 0;
  uint64_t recordStart_ = 0;
};

}  // namespace simbus
