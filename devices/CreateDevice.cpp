// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/CreateDevice.h"

#include "devices/CDR_QRC880Z.h"
#include "devices/MMCRECORDER.h"
#include "devices/SCSIDVDR090.h"
#include "devices/SCSIDVDR100.h"
#include "devices/SCSIDVDRW.h"
#include "devices/SCSITAPE.h"
#include "host/aspi/ScsiVocabulary.h"

namespace {

std::unique_ptr<SCSIDEV> ChooseClass(AddressProbe& probe) {
  const auto [ha, id, lun] = probe.Address();
  switch (probe.DeviceType()) {
    case aspi::device::kSequentialAccess:
      return std::make_unique<SCSITAPE>(ha, id, lun);
    case aspi::device::kWriteOnce:
      if (probe.Maker() && probe.ProductBegins("CD-WO")) return std::make_unique<CDR_QRC880Z>(ha, id, lun);
      return std::make_unique<SCSIDEV>(ha, id, lun);
    case aspi::device::kCdDvd:
      if (probe.Maker() && probe.ProductBegins("DVD-R QXW-7100")) {
        if (probe.Inquiry()[INQUIRYDATA::kRevisionOffset] == '0') return std::make_unique<SCSIDVDR090>(ha, id, lun);
        return std::make_unique<SCSIDVDR100>(ha, id, lun);
      }
      // Another maker's DVD writer speaks the Multi-Media Commands; one that
      // does not know them is judged by its capabilities page, as before.
      if (probe.IsMmcRecorder()) return std::make_unique<MMCRECORDER>(ha, id, lun);
      if (probe.Capabilities().answer == DvdrAnswer::Writer) return std::make_unique<SCSIDVDRW>(ha, id, lun);
      return std::make_unique<SCSIDEV>(ha, id, lun);
    default:
      return std::make_unique<SCSIDEV>(ha, id, lun);
  }
}

}  // namespace

CreatedDevice CreateDevice(AddressProbe& probe) {
  if (!probe.Found()) return {std::make_unique<SCSIDEV>(), false};
  CreatedDevice created{ChooseClass(probe), true};
  created.device->SetDevice();  // the geometry is read now; a drive without a disc simply has none yet
  return created;
}

CreatedDevice CreateDevice(uint8_t ha, uint8_t id, uint8_t lun) {
  AddressProbe probe(ha, id, lun);
  return CreateDevice(probe);
}
