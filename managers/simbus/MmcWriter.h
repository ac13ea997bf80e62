// SPDX-License-Identifier: GPL-3.0-or-later
// MmcWriter: another maker's DVD writer as the Multi-Media Commands describe
// it (`dvdrw-writer`, `mmc-recorder`). It answers everything DvdWriter does
// (page 05h with the test-write bit, RESERVE TRACK, WRITE(10) at the next
// writable address, BLANK of a DVD-RW) and further:
// - GET CONFIGURATION with DVD-R, DVD-RW and DVD+R profiles and features;
// - a write on a blank disc without a reservation opens an invisible track
//   that takes the whole disc (as drives do for DVD+R);
// - SYNCHRONIZE CACHE only flushes (02/04/08 for a moment with the
//   immediate bit); CLOSE TRACK ends the track (a reserved one is padded),
//   CLOSE SESSION closes the disc (02/04/08 for close_ms with the immediate
//   bit, or that long without it); during a test write both drop the scratch
//   copy, so the disc stays as it was;
// - a DVD+R takes no test write: page 05h with the test bit is refused
//   (05/26/00);
// - READ DVD STRUCTURE gives the disc's identity (format 0Eh for DVD-R/RW,
//   11h for DVD+R) and its physical format (00h);
// - without a disc it answers 02/3A/02 with the tray open, 02/3A/01 with it
//   shut.
#pragma once

#include "managers/simbus/DvdWriter.h"

namespace simbus {

// The identity the emulated discs carry in their lead-in: a DVD-R/RW's
// manufacturer ID is the two joined ("SIMDISCR01"), a DVD+R's manufacturer
// and media type IDs are apart ("SIMDISC", "R01").
inline constexpr char kDiscManufacturer[] = "SIMDISC";
inline constexpr char kDiscType[] = "R01";

class MmcWriter : public DvdWriter {
 public:
  MmcWriter(const DeviceConfig& config, std::string stateDir);

 protected:
  std::optional<Sense> Readiness() const override;
  void SelectPage(ScsiCommand& command, const uint8_t* page, uint32_t length) override;
  void OnEject() override;

 private:
  void Write10(ScsiCommand& command);
  void SynchronizeCache(ScsiCommand& command);
  void CloseTrackSession(ScsiCommand& command);
  void ReadDvdStructure(ScsiCommand& command);
  void ReserveTrack(ScsiCommand& command);

  bool invisibleTrack_ = false;  // the track was opened by a write, not reserved
  bool trackClosed_ = false;
};

}  // namespace simbus
