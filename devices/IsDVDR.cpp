// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/IsDVDR.h"

#include <array>

#include "base/Log.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "scsi/ASPI32.h"
#include "scsi/BigEndian.h"
#include "scsi/Commands.h"
#include "base/TextFormat.h"

namespace sense = aspi::sense;

namespace {

constexpr uint8_t kCapabilitiesPage = 0x2A;
constexpr uint8_t kDvdrWriteBit = 0x10;  // page byte 3
constexpr int kAttempts = 10;

}  // namespace

DvdrProbe ProbeDVDR(uint8_t ha, uint8_t id, uint8_t lun) {
  ASPI32 channel;
  std::array<uint8_t, scsi::kModeSenseLength> area{};
  DvdrProbe probe;
  for (int n = 0;;) {
    int status = scsi::ModeSense10(channel, ha, id, lun, kCapabilitiesPage, area.data());
    uint8_t key = 0, asc = 0, ascq = 0;
    channel.GetSenseInfo(&key, &asc, &ascq, &probe.senseText);
    probe.sense = {key, asc, ascq};
    if (key == sense::kIllegalRequestKey) {  // the drive has no such page: not a writer
      channel.LogSenseInfo();
      return probe;
    }
    if (status == aspi::SS_COMP && probe.sense == sense::kNoSense) break;
    channel.LogSenseInfo();
    AddLog(FormatText("[IsDVDR] Retry(%d)", n));
    host::Sleep(100);
    if (++n >= kAttempts) {
      // A request that was never made leaves the sense of an earlier one.
      if (status < 0)
        probe.answer = DvdrAnswer::ManagerBusy;
      else if (key == sense::kNotReadyKey)
        probe.answer = DvdrAnswer::NotReady;
      return probe;
    }
  }
  AddLog(PrintDataBuffer(area.data(), 64, "Feature Set Support & Version page"));
  // The page follows the 8-byte header and the block descriptors, whose
  // length the drive gives; a length that points past the area is no page.
  size_t page = 8 + scsi::GetBE16(&area[6]);
  if (page + 3 >= area.size()) return probe;
  if ((area[page] & 0x3F) == kCapabilitiesPage && (area[page + 3] & kDvdrWriteBit) != 0)
    probe.answer = DvdrAnswer::Writer;
  return probe;
}

bool IsDVDR(uint8_t ha, uint8_t id, uint8_t lun) { return ProbeDVDR(ha, id, lun).answer == DvdrAnswer::Writer; }
