// SPDX-License-Identifier: GPL-3.0-or-later
// DiscState: what a drive holds, read when a person looks at a writer and
// before anything is written: whether a disc is in (or the tray is open, or
// the drive is busy), the medium by its MMC profile (DVD-R, DVD-RW, DVD+R,
// DVD-ROM, ...), whether it is blank, appendable or closed, and where a
// write would start and how much it may hold.
//
// Drives that answer GET CONFIGURATION (every MMC drive) name their medium
// themselves. The maker's own writers do not: for them the medium is taken
// from READ DISC INFORMATION (erasable: DVD-RW, else DVD-R) and the free
// room from the RZone that starts at block 0, as their own free size is; a
// maker's writer that knows neither command holds a DVD-R whose room is its
// capacity (status unknown), and any other drive that answers neither holds
// a closed "disc" of READ CAPACITY's size.
#pragma once

#include <cstdint>
#include <string>

#include "host/aspi/ScsiVocabulary.h"

class SCSIDEV;

enum class DiscPresence {
  Ready,     // a disc is in and the drive answers
  NoDisc,    // no disc (tray closed or not said)
  TrayOpen,  // no disc, tray open
  Busy,      // not ready yet (becoming ready, still writing or erasing)
  NoAnswer,  // the drive did not answer TEST UNIT READY at all
};

enum class DiscStatus { Unknown, Blank, Appendable, Closed };

struct DiscState {
  DiscPresence presence = DiscPresence::NoAnswer;
  aspi::Sense sense{};          // TEST UNIT READY's answer when not ready
  bool mmc = false;             // the drive named its medium (GET CONFIGURATION)
  uint16_t profile = 0;         // MMC profile number; 0 when not said
  std::string medium;           // "DVD-R", "DVD-RW", "DVD+R", "DVD-ROM", ...; empty without a disc
  DiscStatus status = DiscStatus::Unknown;
  bool erasable = false;        // READ DISC INFORMATION's erasable bit
  uint16_t lastTrack = 0;       // the last track of the last session (READ DISC INFORMATION)
  uint32_t nextWritable = 0;    // where a write starts; valid while freeBlocks > 0
  uint32_t freeBlocks = 0;      // 2048-byte blocks a write may still take
  uint32_t recordedBlocks = 0;  // READ CAPACITY of a disc that holds data

  bool HasDisc() const { return presence == DiscPresence::Ready; }
  uint64_t FreeBytes() const { return uint64_t{freeBlocks} * 2048; }
  // "blank", "appendable", "closed"; empty when not known.
  const char* StatusText() const;
  // One line for a person: "DVD-R, blank, 4,707,319,808 bytes free",
  // "DVD-ROM, closed", "no disc", "tray open", "not ready (2-04-01)",
  // "no answer".
  std::string Line() const;
};

// Reads the state of the disc in a drive (any device class). Logs one line
// "[ReadDiscState] ha,id,lun: <Line()>". A drive that is becoming ready is
// asked again for up to three seconds.
DiscState ReadDiscState(SCSIDEV& device);

// The name of an MMC profile ("DVD-R", "DVD+R DL", "BD-R", ...); "disc"
// for a profile the table does not name.
const char* ProfileName(uint16_t profile);
