// SPDX-License-Identifier: GPL-3.0-or-later
// OpticalDrive: a DVD drive with a tray. It holds one disc (none, a blank or
// written DVD-R or DVD-RW, or a read-only image), loads and ejects it with
// START STOP UNIT, honours PREVENT ALLOW MEDIUM REMOVAL, reads it with
// READ(10)/READ(12), and reports it with READ CAPACITY, READ DISC INFORMATION
// and READ TRACK/RZONE INFORMATION. Mode pages are answered through
// ModePage/SelectPage, which the writers extend. The `dvd-rom` model is this
// class as it is.
#pragma once

#include <vector>

#include "managers/simbus/Drive.h"
#include "managers/simbus/DriveRecord.h"
#include "managers/simbus/SectorFile.h"

namespace simbus {

inline constexpr uint32_t kSectorSize = 2048;

struct RecordStamp {
  uint64_t file = 0;
  int64_t changed = 0;
  bool operator==(const RecordStamp&) const = default;
};

class OpticalDrive : public Drive {
 public:
  OpticalDrive(const DeviceConfig& config, std::string stateDir);
  ~OpticalDrive() override;
  std::string Summary() const override;

 protected:
  std::optional<Sense> Readiness() const override;
  void FillInquiry(uint8_t* inquiry) const override;

  // The disc as commands see it: during a test write, the scratch copy.
  virtual const DiscRecord& Disc() const { return record_.disc; }
  // Appends mode page `code` (current values) to page; false when unknown.
  virtual bool ModePage(uint8_t code, std::vector<uint8_t>& page) const;
  // Takes a page sent with MODE SELECT; fails the command when it cannot.
  virtual void SelectPage(ScsiCommand& command, const uint8_t* page, uint32_t length);
  // The tray opens: whatever a write session kept in the drive ends.
  virtual void OnEject() {}
  bool Recordable() const;
  // A disc is in and its data can be reached (the tray is shut).
  bool DiscLoaded() const;
  void SaveRecord();
  // Opens the data file of the disc; false (with a message on stderr) when it fails.
  bool OpenDiscData();

  void StartStopUnit(ScsiCommand& command);
  void PreventAllow(ScsiCommand& command);
  void ReadCapacity(ScsiCommand& command);
  void Read10(ScsiCommand& command);
  void Read12(ScsiCommand& command);
  void ModeSense10(ScsiCommand& command);
  void ModeSelect10(ScsiCommand& command);
  void ReadDiscInformation(ScsiCommand& command);
  void ReadTrackInformation(ScsiCommand& command);
  void SynchronizeCache(ScsiCommand& command);
  // GET CONFIGURATION (dvd-rom and the MMC recorders; the maker's writers do
  // not know it).
  void GetConfiguration(ScsiCommand& command);
  void ReadSectors(ScsiCommand& command, uint32_t lba, uint32_t count);
  void OnTestUnitReady() override;

  DriveRecord record_;
  SectorFile data_;
  std::string recordPath_;
  std::string dataPath_;
  bool trayOpen_ = false;
  bool prevented_ = false;
  RecordStamp recordStamp_;  // of the record as we last read or wrote it

 private:
  void LoadInitialDisc();
  void ReloadIfChangedOutside();
};

}  // namespace simbus
