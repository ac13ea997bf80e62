// SPDX-License-Identifier: GPL-3.0-or-later
// AddressProbe: what one SCSI address answers, each question asked at most
// once. The INQUIRY is sent when the probe is made; what a DVD drive can
// record is asked only when a decision needs it (the class of its device
// object, whether a list takes it) and then kept: the capabilities page
// (2Ah) of the maker's drives and of drives that know no GET CONFIGURATION,
// and GET CONFIGURATION's features of every other maker's DVD drive. The
// device scan, the command line's address rules and CreateDevice share one
// probe per address, so no drive is asked the same thing twice.
#pragma once

#include <cstdint>
#include <optional>

#include "devices/InquiryData.h"
#include "devices/IsDVDR.h"
#include "devices/MmcFeatures.h"
#include "host/aspi/ScsiVocabulary.h"

class AddressProbe {
 public:
  // Sends INQUIRY; settle: after the factory's short settling pause (the
  // scan, which asks every address in a row, does without).
  AddressProbe(uint8_t ha, uint8_t id, uint8_t lun, bool settle = true);

  aspi::ScsiAddress Address() const { return address_; }
  // The INQUIRY's request status: SS_NO_DEVICE / SS_INVALID_HA mean nothing
  // answers at the address.
  int Status() const { return status_; }
  bool Found() const;
  const INQUIRYDATA& Inquiry() const { return inquiry_; }
  uint8_t DeviceType() const { return inquiry_.DeviceType(); }
  // The vendor begins with the maker's name (letter case aside) / byte for
  // byte (the scan's own comparison).
  bool Maker() const;
  bool MakerExactly() const;
  bool ProductBegins(const char* text) const;  // letter case aside
  bool ProductBeginsExactly(const char* text) const;

  // Asked on first use, then kept.
  const DvdrProbe& Capabilities();
  const MmcFeatures& Mmc();
  // Another maker's DVD drive whose features say it records DVD-R/-RW or
  // DVD+R: the program drives it as an MMC recorder.
  bool IsMmcRecorder();

 private:
  aspi::ScsiAddress address_;
  int status_ = 0;
  INQUIRYDATA inquiry_;
  std::optional<DvdrProbe> capabilities_;
  std::optional<MmcFeatures> mmc_;
};
