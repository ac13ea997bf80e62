// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/SCSITAPE.h"

#include <algorithm>

#include "base/Log.h"
#include "host/aspi/ScsiVocabulary.h"
#include "scsi/ASPI32.h"
#include "scsi/BigEndian.h"
#include "base/TextFormat.h"

namespace sense = aspi::sense;

namespace {

// Answers after which the read goes on with the next piece: incorrect length
// or filemark alone, end of data (05/21/00), or a key of no error or unit
// attention under any flag bits.
bool Tolerated(uint8_t key, uint8_t asc, uint8_t ascq) {
  if (key == sense::kIncorrectLengthFlag || key == sense::kFilemarkFlag) return true;
  if (aspi::Sense{key, asc, ascq} == sense::kLbaOutOfRange) return true;
  return (key & 0x0F) == 0 || (key & 0x0F) == 6;
}

}  // namespace

SCSITAPE::SCSITAPE(uint8_t ha, uint8_t id, uint8_t lun) : SCSIDEV(ha, id, lun) { SetIdentity(1, kClassCode); }

bool SCSITAPE::Read(uint32_t, void*, uint32_t) { return false; }

bool SCSITAPE::Read(void* buffer, uint32_t byteCount) {
  AddLog("Tape - Read");
  SetRetryCount(1);  // a tape cannot go back and read a piece again
  auto* bytes = static_cast<uint8_t*>(buffer);
  uint32_t remaining = byteCount;
  uint32_t total = 0;
  int emptyAnswers = 0;
  while (remaining > 0) {
    uint32_t piece = std::min(remaining, kPieceBytes);
    for (int attempt = 1;; ++attempt) {
      int status = Read6(false, piece, bytes);
      uint8_t sense[ASPI32::kSenseDataSize] = {};
      CopySenseData(sense);
      // Bytes moved: all of the piece after a clean read; with sense data the
      // piece less the residue, which the information field holds when it is
      // valid (a negative residue means the record was longer than the
      // piece, which then came in whole); none when the drive gives no
      // residue or the request was not answered at all.
      uint32_t moved = 0;
      const bool informationValid = (sense[0] & 0x80) != 0;
      if (sense[2] != 0) {
        auto residue = static_cast<int32_t>(scsi::GetBE32(sense + 3));
        if (!informationValid) {
          moved = 0;
        } else if (residue <= 0) {
          moved = piece;
        } else if (static_cast<uint32_t>(residue) < piece) {
          moved = piece - static_cast<uint32_t>(residue);
        }
      } else if (status == aspi::SS_COMP) {
        moved = piece;
      }
      remaining = moved >= remaining ? 0 : remaining - moved;
      total += moved;
      bytes += moved;
      Advance(0, moved);

      uint8_t key = 0, asc = 0, ascq = 0;
      GetSense(&key, &asc, &ascq);
      // An error the read does not tolerate fails it even when the count is
      // complete: the bytes it moved cannot be trusted.
      if (Tolerated(key, asc, ascq)) {
        if (total >= byteCount) break;
        emptyAnswers = moved == 0 ? emptyAnswers + 1 : 0;
        if (emptyAnswers < kEmptyAnswerLimit) break;
        AddLog(FormatText("[SCSITAPE::Read] No data after %d reads.", emptyAnswers));
        ReportError(nullptr, false, true);
        return false;
      }
      if (attempt >= RetryCount()) {
        Report();
        return false;
      }
      LogSenseLine();
    }
  }
  return true;
}
