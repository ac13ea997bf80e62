#include "devices/NoDisc.h"

#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"

bool HoldsNoDisc(SCSIDEV& device) {
  device.TestUnitReady();
  aspi::Sense sense;
  device.GetSense(&sense.key, &sense.asc, &sense.ascq);
  return sense.key == aspi::sense::kNotReadyKey && sense.asc == aspi::sense::kAscMediumNotPresent;
}
