// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DeviceScan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/Log.h"
#include "app/AddressRules.h"
#include "devices/CreateDevice.h"
#include "devices/DeviceLine.h"
#include "devices/DiscState.h"
#include "devices/InquiryData.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/ui/MessageBox.h"
#include "scsi/ASPI32.h"
#include "scsi/AspiManager.h"

namespace {

constexpr int kTargets = 16;
constexpr int kLuns = 8;

struct ClassName {
  int32_t code;
  const char* name;
};
constexpr ClassName kClassNames[] = {
    {1, "SCSITAPE"},          {0x8001, "CDR_QRC880Z"}, {0x8010, "SCSIDVDR090"},
    {0x8011, "SCSIDVDR100"},  {0x8020, "SCSIDVDRW"},   {0x8030, "MMCRECORDER"},
};

std::string Identification(const INQUIRYDATA& data) {
  char vendor[10], product[18], revision[6];
  data.CopyVendor(vendor);
  data.CopyProduct(product);
  data.CopyRevision(revision);
  return std::string(vendor) + product + revision;
}

// Which roles fill the two lists of a page.
struct PageRoles {
  AddressRole source;
  AddressRole destination;
  bool writePage;  // the old-writer warning, and MMC recorders after the maker's writers
};

void WarnOfOldWriter(const INQUIRYDATA& inquiry) {
  if (!IsOldQxw7100(inquiry.Data())) return;
  ui::MessageBox(
      "An old version of QXW-7100 is found.\r\nIt is recommended that you update the drive to Ver1.07 or later.",
      "Warning", ui::kIconExclamation);
}

std::string Trimmed(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// Why a maker's drive could not be confirmed as a writer; empty for an
// answer either way.
std::string ProbeFailure(const DvdrProbe& probe) {
  char sense[32];
  std::snprintf(sense, sizeof sense, "%X-%02X-%02X", probe.sense.key, probe.sense.asc, probe.sense.ascq);
  if (probe.answer == DvdrAnswer::NotReady) return "not ready (" + std::string(sense) + " " + probe.senseText + ")";
  if (probe.answer == DvdrAnswer::ManagerBusy) return "the SCSI manager was busy";
  return {};
}

// An MMC recorder's item names the medium it holds.
std::string MediumOf(SCSIDEV& device) {
  DiscState state = ReadDiscState(device);
  return state.HasDisc() ? state.medium : state.Line();
}

PageScan ScanPage(const PageRoles& roles) {
  PageScan scan;
  if (!IsAspiReady()) return scan;
  scan.ran = true;

  ASPI32 channel;
  uint8_t adapters = 0;
  channel.HostAdapterInquiry(0, &adapters);
  char text[96];
  std::snprintf(text, sizeof text, "Number of Host Adaptors: %d", adapters);
  AddLog(text);

  DeviceList recorders;  // listed after the maker's writers
  for (int ha = 0; ha < adapters; ++ha) {
    for (int id = 0; id < kTargets; ++id) {
      for (int lun = 0; lun < kLuns; ++lun) {
        std::snprintf(text, sizeof text, "now serching %d,%d,%d ... ", ha, id, lun);
        std::string line = text;
        AddressProbe probe(static_cast<uint8_t>(ha), static_cast<uint8_t>(id), static_cast<uint8_t>(lun), false);
        if (!probe.Found()) {
          AddLog(line + "No device.");
          break;  // the other LUNs of this target are not asked
        }
        const std::string address = AddressText(probe.Address());
        if (probe.Status() != aspi::SS_COMP) {
          // Said here, so that the line does not end blank and the person
          // learns why nothing is listed at the address.
          std::snprintf(text, sizeof text, "No answer (request status %02Xh).", static_cast<unsigned>(probe.Status()));
          AddLog(line + text);
          scan.dropped.push_back(address + ": no answer to its identification");
          continue;
        }
        line += Identification(probe.Inquiry());
        if (!scan.sources.Full() && JudgeAddress(probe, roles.source).fits) scan.sources.Add(CreateDevice(probe).device);
        bool room = scan.destinations.devices.size() + recorders.devices.size() < DeviceList::kMaxDevices;
        AddressVerdict destination = room ? JudgeAddress(probe, roles.destination) : AddressVerdict{};
        if (!destination.fits && room && roles.writePage && probe.MakerExactly() &&
            probe.DeviceType() == aspi::device::kCdDvd) {
          // A maker's drive that could not be asked whether it writes DVD-R.
          if (std::string failure = ProbeFailure(probe.Capabilities()); !failure.empty()) {
            char vendor[10], product[18];
            probe.Inquiry().CopyVendor(vendor);
            probe.Inquiry().CopyProduct(product);
            line += " - not listed as a writer: " + failure;
            scan.dropped.push_back(address + " " + Trimmed(vendor) + " " + Trimmed(product) + ": " + failure);
          }
        }
        if (destination.fits && destination.mmcRecorder && roles.writePage) {
          auto recorder = CreateDevice(probe).device;
          std::string medium = MediumOf(*recorder);
          recorders.Add(std::move(recorder), medium);
        } else if (destination.fits) {
          if (roles.writePage) WarnOfOldWriter(probe.Inquiry());
          scan.destinations.Add(CreateDevice(probe).device);
        }
        AddLog(line);
      }
    }
  }
  for (size_t i = 0; i < recorders.devices.size(); ++i)
    scan.destinations.Add(std::move(recorders.devices[i]), recorders.media[i]);
  return scan;
}

}  // namespace

void DeviceList::Add(std::unique_ptr<SCSIDEV> device, const std::string& medium) {
  char address[32];
  std::snprintf(address, sizeof address, "(%d,%d,%d) ", device->HostAdapter(), device->TargetId(), device->Lun());
  std::string item = std::string(address) + device->Vendor() + device->Product();
  // Another maker's writer shows its revision and the medium it holds.
  if (!medium.empty()) item += std::string(" ") + device->Revision() + " - " + medium;
  // A writer an update left halfway stays in the list, named for what it is.
  if (std::string note = FirmwareModeNote(*device); !note.empty()) {
    while (!item.empty() && item.back() == ' ') item.pop_back();
    item += " - " + note;
  }
  items.push_back(std::move(item));
  media.push_back(medium);
  devices.push_back(std::move(device));
}

std::vector<std::string> DeviceList::ComboItems() const {
  if (items.empty()) return {"Not Available"};
  return items;
}

bool IsOldQxw7100(const uint8_t* inquiry) {
  const uint8_t* revision = inquiry + INQUIRYDATA::kRevisionOffset;
  return std::memcmp(inquiry + INQUIRYDATA::kVendorOffset, "HALVERN", 7) == 0 &&
         std::memcmp(inquiry + INQUIRYDATA::kProductOffset, "DVD-R QXW-7100", 14) == 0 && revision[0] <= '1' &&
         revision[1] == '.' && revision[2] == '0' && revision[3] <= '6';
}

PageScan InitWritePage() {
  AddLog("[InitWritePage]");
  PageScan scan = ScanPage({AddressRole::WriteSource, AddressRole::Writer, true});
  if (scan.ran) AddLog("[InitWritePage] done.\r\n");
  return scan;
}

PageScan InitCopyPage() {
  AddLog("\r\n[InitCopyPage]");
  PageScan scan = ScanPage({AddressRole::CopySource, AddressRole::CopyDestination, false});
  if (scan.ran) AddLog("[InitCopyPage] done.\r\n");
  return scan;
}

StartupScans RunStartupScans() {
  StartupScans scans;
  scans.write = InitWritePage();
  bool managerMissing = !scans.write.ran && AspiSendFunction() == nullptr;
  if (!managerMissing) scans.copy = InitCopyPage();
  return scans;
}

StartupScans RescanDevices() {
  AddLog("\r\n[RescanDevices]");
  if (AspiSendFunction() != nullptr) {
    ASPI32 channel;
    uint8_t adapters = 0;
    channel.HostAdapterInquiry(0, &adapters);
    for (uint8_t ha = 0; ha < adapters; ++ha) channel.RescanBus(ha);
  }
  return RunStartupScans();
}

std::string DroppedLine(const StartupScans& scans) {
  std::vector<std::string> all = scans.write.dropped;
  for (const std::string& address : scans.copy.dropped)
    if (std::find(all.begin(), all.end(), address) == all.end()) all.push_back(address);
  if (all.empty()) return {};
  std::string line = "Not listed: ";
  for (size_t i = 0; i < all.size(); ++i) line += (i > 0 ? "; " : "") + all[i];
  return line + ". Choose Rescan Devices when it is ready.";
}

const char* DeviceClassName(const SCSIDEV& device) {
  for (const ClassName& entry : kClassNames) {
    if (entry.code == device.ClassCode()) return entry.name;
  }
  return "SCSIDEV";
}
