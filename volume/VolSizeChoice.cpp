// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/VolSizeChoice.h"

#include "base/NumberText.h"
#include "base/SizeText.h"

VolSizeChoice::VolSizeChoice() { UpdateManualInput(); }

void VolSizeChoice::SetVolumeSizes(int preselect, bool fileSource, bool midFlag, uint64_t mediaSize,
                                   uint64_t udfSize, uint64_t isoSize) {
  mediaSize_ = mediaSize;
  udfSize_ = udfSize;
  isoSize_ = isoSize;
  iso_.enabled = true;
  udf_.enabled = true;

  if (isoSize != 0 || udfSize != 0) {
    iso_.enabled = isoSize != 0;
    udf_.enabled = udfSize != 0;
    checked_ = udfSize > isoSize ? Choice::Udf : Choice::Iso;  // ISO wins a tie
  } else {
    iso_.enabled = false;
    udf_.enabled = false;
    checked_ = Choice::Media;
  }
  iso_.caption = "ISO9660 volume size (" + FormatNumber(isoSize) + " bytes.)";
  udf_.caption = "UDF volume size (" + FormatNumber(udfSize) + " bytes.)";

  const std::string media = FormatNumber(mediaSize);
  if (midFlag) {
    media_.caption = "MID volume size (" + media + " bytes.)";
    checked_ = Choice::Media;
  } else if (fileSource) {
    media_.caption = "File size (" + media + " bytes.)";
    checked_ = Choice::Media;
  } else {
    media_.caption = "Whole data size in the source device " + media + " bytes.)";
  }

  switch (preselect) {
    case kForceIso: checked_ = Choice::Iso; break;
    case kForceUdf: checked_ = Choice::Udf; break;
    case kForceMedia: checked_ = Choice::Media; break;
    default: break;
  }
  UpdateManualInput();
}

void VolSizeChoice::SetDiscSize(uint64_t discSize) {
  isoSize_ = 0;
  udfSize_ = 0;
  mediaSize_ = discSize;
  iso_ = {"ISO9660 volume size (0 bytes.)", false};
  udf_ = {"UDF volume size (0 bytes.)", false};
  media_ = {"The disc size in the DVD-R drive (" + FormatNumber(discSize) + " bytes.)", true};
  manual_.enabled = true;
  checked_ = Choice::Manual;
  UpdateManualInput();
}

uint64_t VolSizeChoice::GetVolumeSize() {
  switch (checked_) {
    case Choice::Iso: chosenSize_ = isoSize_; break;
    case Choice::Udf: chosenSize_ = udfSize_; break;
    case Choice::Media: chosenSize_ = mediaSize_; break;
    // A text that is no size keeps the size chosen before.
    case Choice::Manual: ReadSizeText(manualText_, chosenSize_); break;
    case Choice::None: break;
  }
  savedSize_ = chosenSize_;
  return chosenSize_;
}

std::string VolSizeChoice::ManualTextRefusal() const {
  uint64_t bytes = 0;
  std::string refusal;
  if (checked_ != Choice::Manual || ReadSizeText(manualText_, bytes, &refusal)) return {};
  return refusal;
}

void VolSizeChoice::Check(Choice choice) {
  checked_ = choice;
  UpdateManualInput();
}
