// SPDX-License-Identifier: GPL-3.0-or-later
// The logic of the "Volume Size" dialog: the candidate sizes of a volume (ISO
// 9660, UDF, a media size, or a number typed in), which of them is checked,
// the radio captions and which radios are enabled. The volume check fills it
// and reads the preselected choice without showing anything; the operation
// dialog's "Change size..." shows a window over it. One object lives for the
// whole run, so its candidates and check carry over between uses.
#pragma once

#include <cstdint>
#include <string>

class VolSizeChoice {
 public:
  enum class Choice { None, Iso, Udf, Media, Manual };
  // Preselections of SetVolumeSizes.
  static constexpr int kAutomatic = 0;
  static constexpr int kForceIso = 1;
  static constexpr int kForceUdf = 2;
  static constexpr int kForceMedia = 3;

  struct Radio {
    std::string caption;
    bool enabled = true;
  };

  VolSizeChoice();

  void SetVolumeSizes(int preselect, bool fileSource, bool midFlag, uint64_t mediaSize, uint64_t udfSize,
                      uint64_t isoSize);
  void SetDiscSize(uint64_t discSize);
  // The size of the checked choice; it also becomes the size Cancel restores.
  uint64_t GetVolumeSize();

  // A radio button clicked; enables the byte field only for the manual choice.
  void Check(Choice choice);
  void SetManualText(std::string text) { manualText_ = std::move(text); }
  // With the manual choice checked, the message for a typed text that is no
  // size (base/SizeText.h); otherwise empty. Such a text keeps the size
  // chosen before.
  std::string ManualTextRefusal() const;
  // "OK": take the checked choice. "Cancel": bring back the saved size.
  uint64_t Accept() { return GetVolumeSize(); }
  void Cancel() { chosenSize_ = savedSize_; }

  Choice Checked() const { return checked_; }
  const Radio& Iso() const { return iso_; }
  const Radio& Udf() const { return udf_; }
  const Radio& Media() const { return media_; }
  const Radio& Manual() const { return manual_; }
  const std::string& ManualText() const { return manualText_; }
  bool ManualInputEnabled() const { return manualInputEnabled_; }
  uint64_t ChosenSize() const { return chosenSize_; }

 private:
  void UpdateManualInput() { manualInputEnabled_ = checked_ == Choice::Manual; }

  Radio iso_{"ISO9660 volume size", true};
  Radio udf_{"UDF volume size", true};
  Radio media_{"Whole data size in the source device.", true};
  Radio manual_{"Set manually in bytes.", true};
  Choice checked_ = Choice::Iso;
  std::string manualText_ = "0";
  bool manualInputEnabled_ = false;

  uint64_t chosenSize_ = 0;
  uint64_t savedSize_ = 0;
  uint64_t mediaSize_ = 0;
  uint64_t isoSize_ = 0;
  uint64_t udfSize_ = 0;
};
