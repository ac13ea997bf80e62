#include "devices/CreateDevice.h"

#include <cctype>
#include <cstring>

#include "devices/BusyRetry.h"
#include "devices/CDR_QRC880Z.h"
#include "devices/IsDVDR.h"
#include "devices/SCSIDVDR090.h"
#include "devices/SCSIDVDR100.h"
#include "devices/SCSIDVDRW.h"
#include "devices/SCSITAPE.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "scsi/Commands.h"

namespace {

// The field begins with text, letter case aside.
bool BeginsWith(const uint8_t* field, const char* text) {
  for (size_t i = 0; text[i] != '\0'; ++i) {
    if (std::tolower(field[i]) != std::tolower(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

std::unique_ptr<SCSIDEV> ChooseClass(const INQUIRYDATA& data, uint8_t ha, uint8_t id, uint8_t lun) {
  const uint8_t* vendor = data.Data() + INQUIRYDATA::kVendorOffset;
  const uint8_t* product = data.Data() + INQUIRYDATA::kProductOffset;
  bool maker = BeginsWith(vendor, "HALVERN");
  switch (data.DeviceType()) {
    case aspi::device::kSequentialAccess:
      return std::make_unique<SCSITAPE>(ha, id, lun);
    case aspi::device::kWriteOnce:
      if (maker && BeginsWith(product, "CD-WO")) return std::make_unique<CDR_QRC880Z>(ha, id, lun);
      return std::make_unique<SCSIDEV>(ha, id, lun);
    case aspi::device::kCdDvd:
      if (maker && BeginsWith(product, "DVD-R QXW-7100")) {
        if (data[INQUIRYDATA::kRevisionOffset] == '0') return std::make_unique<SCSIDVDR090>(ha, id, lun);
        return std::make_unique<SCSIDVDR100>(ha, id, lun);
      }
      if (IsDVDR(ha, id, lun)) return std::make_unique<SCSIDVDRW>(ha, id, lun);
      return std::make_unique<SCSIDEV>(ha, id, lun);
    default:
      return std::make_unique<SCSIDEV>(ha, id, lun);
  }
}

}  // namespace

CreatedDevice CreateDevice(uint8_t ha, uint8_t id, uint8_t lun) {
  ASPI32 channel;
  INQUIRYDATA data;
  host::Sleep(20);
  int status = RetryWhileBusy(channel, [&] { return scsi::Inquiry(channel, ha, id, lun, data.Data()); });
  if (status == aspi::SS_NO_DEVICE || status == aspi::SS_INVALID_HA) return {std::make_unique<SCSIDEV>(), false};
  CreatedDevice created{ChooseClass(data, ha, id, lun), true};
  created.device->SetDevice();  // the geometry is read now; a drive without a disc simply has none yet
  return created;
}
