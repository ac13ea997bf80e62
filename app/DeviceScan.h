// SPDX-License-Identifier: GPL-3.0-or-later
// The device scans of the main window's two pages: every host adapter,
// target id and LUN is asked once for its INQUIRY data, and each address that
// fits a list gets a device object of its own in that list. The window (and
// the headless front end) show the lists; the scans themselves know nothing
// of widgets.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "devices/SCSIDEV.h"

// One list of a page: the device objects in scan order and the item text of
// each, "(ha,id,lun) " followed by the device's vendor and product; another
// maker's writer (an MMC recorder) adds its revision and the medium it holds
// ("(0,6,0) ORBITEK DVR-RW 1120     1.30 - DVD-R").
struct DeviceList {
  static constexpr size_t kMaxDevices = 64;
  std::vector<std::unique_ptr<SCSIDEV>> devices;
  std::vector<std::string> items;
  std::vector<std::string> media;  // an MMC recorder's medium ("DVD-R", "no disc"); empty for others

  bool Full() const { return devices.size() >= kMaxDevices; }
  void Add(std::unique_ptr<SCSIDEV> device, const std::string& medium = "");
  // The items a combo box shows: "Not Available" alone for an empty list.
  std::vector<std::string> ComboItems() const;
};

struct PageScan {
  bool ran = false;  // false when the SCSI manager was not ready
  DeviceList sources;
  DeviceList destinations;
  // Addresses that answered, or should have, but could not be listed: no
  // answer to INQUIRY, or a maker's drive that could not be asked whether it
  // writes DVD-R; each "0,4,0 HALVERN DVD-R QXW-7100: not ready (2-04-01 ...)".
  std::vector<std::string> dropped;
};

// The Write page: sources are disks and CD/DVD drives, destinations the
// maker's DVD-R writers and its CD write-once drive, then the other makers'
// DVD writers (app/AddressRules.h). Warns once per address about a QXW-7100
// whose firmware is older than 1.07.
PageScan InitWritePage();
// The Copy page: sources are CD/DVD, write-once, optical memory and disks;
// destinations disks and optical memories.
PageScan InitCopyPage();

// The two scans of the main window's start-up, Write page first. When the
// Write page found no SCSI manager at all, the Copy page is not scanned: its
// scan would only repeat the same box. A manager that is there but not ready
// is reported by the first scan alone, and the second scan runs.
struct StartupScans {
  PageScan write;
  PageScan copy;
};
StartupScans RunStartupScans();
// The scans again, while the program runs: the manager is asked to rescan
// its bus first (a real bus then learns of units attached since), then both
// pages are scanned as at start-up.
StartupScans RescanDevices();
// One line for the main window's status line about the addresses the scans
// could not list (empty when there were none).
std::string DroppedLine(const StartupScans& scans);

// The class of a device object by its class code, as the program names it.
const char* DeviceClassName(const SCSIDEV& device);

// True for the maker's QXW-7100 revisions that the scan warns about.
bool IsOldQxw7100(const uint8_t* inquiry);
