#include "app/DeviceScan.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "base/Log.h"
#include "devices/BusyRetry.h"
#include "devices/CreateDevice.h"
#include "devices/DeviceLine.h"
#include "devices/InquiryData.h"
#include "devices/IsDVDR.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/ui/MessageBox.h"
#include "scsi/ASPI32.h"
#include "scsi/AspiManager.h"
#include "scsi/Commands.h"

namespace device = aspi::device;

namespace {

constexpr int kTargets = 16;
constexpr int kLuns = 8;

struct ClassName {
  int32_t code;
  const char* name;
};
constexpr ClassName kClassNames[] = {
    {1, "SCSITAPE"},          {0x8001, "CDR_QRC880Z"}, {0x8010, "SCSIDVDR090"},
    {0x8011, "SCSIDVDR100"},  {0x8020, "SCSIDVDRW"},
};

bool StartsWith(const INQUIRYDATA& data, size_t offset, const char* text) {
  return std::memcmp(data.Data() + offset, text, std::strlen(text)) == 0;
}

std::string Identification(const INQUIRYDATA& data) {
  char vendor[10], product[18], revision[6];
  data.CopyVendor(vendor);
  data.CopyProduct(product);
  data.CopyRevision(revision);
  return std::string(vendor) + product + revision;
}

// Decides for one answering address which lists of the page take it.
struct PageRules {
  std::function<bool(const INQUIRYDATA&)> isSource;
  std::function<bool(const INQUIRYDATA&, uint8_t, uint8_t, uint8_t)> isDestination;
  bool warnOldWriter;
};

void AddDevice(DeviceList& list, uint8_t ha, uint8_t id, uint8_t lun) {
  list.Add(CreateDevice(ha, id, lun).device);
}

PageScan ScanPage(const PageRules& rules) {
  PageScan scan;
  if (!IsAspiReady()) return scan;
  scan.ran = true;

  ASPI32 channel;
  INQUIRYDATA inquiry;
  uint8_t adapters = 0;
  channel.HostAdapterInquiry(0, &adapters);
  char text[96];
  std::snprintf(text, sizeof text, "Number of Host Adaptors: %d", adapters);
  AddLog(text);

  for (int ha = 0; ha < adapters; ++ha) {
    for (int id = 0; id < kTargets; ++id) {
      for (int lun = 0; lun < kLuns; ++lun) {
        std::snprintf(text, sizeof text, "now serching %d,%d,%d ... ", ha, id, lun);
        std::string line = text;
        inquiry.Reset();
        int status = RetryWhileBusy(channel, [&] { return scsi::Inquiry(channel, ha, id, lun, inquiry.Data()); });
        if (status == aspi::SS_NO_DEVICE || status == aspi::SS_INVALID_HA) {
          AddLog(line + "No device.");
          break;  // the other LUNs of this target are not asked
        }
        line += Identification(inquiry);
        if (!scan.sources.Full() && rules.isSource(inquiry)) AddDevice(scan.sources, ha, id, lun);
        if (!scan.destinations.Full() && rules.isDestination(inquiry, ha, id, lun)) {
          if (rules.warnOldWriter && IsOldQxw7100(inquiry.Data())) {
            ui::MessageBox(
                "An old version of QXW-7100 is found.\r\nIt is recommended that you update the drive to Ver1.07 or "
                "later.",
                "Warning", ui::kIconExclamation);
          }
          AddDevice(scan.destinations, ha, id, lun);
        }
        AddLog(line);
      }
    }
  }
  return scan;
}

}  // namespace

void DeviceList::Add(std::unique_ptr<SCSIDEV> device) {
  char address[32];
  std::snprintf(address, sizeof address, "(%d,%d,%d) ", device->HostAdapter(), device->TargetId(), device->Lun());
  std::string item = std::string(address) + device->Vendor() + device->Product();
  // A writer an update left halfway stays in the list, named for what it is.
  if (std::string note = FirmwareModeNote(*device); !note.empty()) {
    while (!item.empty() && item.back() == ' ') item.pop_back();
    item += " - " + note;
  }
  items.push_back(std::move(item));
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

bool IsWritePageSource(const INQUIRYDATA& d) {
  return d.DeviceType() == device::kDirectAccess || d.DeviceType() == device::kCdDvd;
}

bool IsWritePageDestination(const INQUIRYDATA& d, uint8_t ha, uint8_t id, uint8_t lun) {
  return CheckWritePageDestination(d, ha, id, lun).answer == DvdrAnswer::Writer;
}

DvdrProbe CheckWritePageDestination(const INQUIRYDATA& d, uint8_t ha, uint8_t id, uint8_t lun) {
  bool maker = StartsWith(d, INQUIRYDATA::kVendorOffset, "HALVERN");
  if (d.DeviceType() == device::kCdDvd) return maker ? ProbeDVDR(ha, id, lun) : DvdrProbe{};
  DvdrProbe probe;
  if (d.DeviceType() == device::kWriteOnce && maker && StartsWith(d, INQUIRYDATA::kProductOffset, "CD-WO"))
    probe.answer = DvdrAnswer::Writer;
  return probe;
}

bool IsCopyPageSource(const INQUIRYDATA& d) {
  uint8_t type = d.DeviceType();
  return type == device::kCdDvd || type == device::kWriteOnce || type == device::kOpticalMemory ||
         type == device::kDirectAccess;
}

bool IsCopyPageDestination(const INQUIRYDATA& d) {
  return d.DeviceType() == device::kDirectAccess || d.DeviceType() == device::kOpticalMemory;
}

PageScan InitWritePage() {
  AddLog("[InitWritePage]");
  PageRules rules{IsWritePageSource, IsWritePageDestination, true};
  PageScan scan = ScanPage(rules);
  if (scan.ran) AddLog("[InitWritePage] done.\r\n");
  return scan;
}

PageScan InitCopyPage() {
  AddLog("\r\n[InitCopyPage]");
  PageRules rules{IsCopyPageSource, [](const INQUIRYDATA& d, uint8_t, uint8_t, uint8_t) { return IsCopyPageDestination(d); },
                  false};
  PageScan scan = ScanPage(rules);
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

const char* DeviceClassName(const SCSIDEV& device) {
  for (const ClassName& entry : kClassNames) {
    if (entry.code == device.ClassCode()) return entry.name;
  }
  return "SCSIDEV";
}
