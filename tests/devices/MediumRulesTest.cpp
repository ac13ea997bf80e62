// SPDX-License-Identifier: GPL-3.0-or-later
// MediumRules: one table of disc states and the refusal each gets before
// anything is written (or erased), with the drive named and what to do.
#include <gtest/gtest.h>

#include "devices/MediumRules.h"
#include "host/aspi/MmcVocabulary.h"

namespace {

namespace profile = aspi::profile;

constexpr char kDrive[] = "0,6,0 (ORBITEK DVR-RW 1120)";

DiscState Disc(uint16_t number, const char* medium, DiscStatus status) {
  DiscState state;
  state.presence = DiscPresence::Ready;
  state.mmc = true;
  state.profile = number;
  state.medium = medium;
  state.status = status;
  return state;
}

DiscState Absent(DiscPresence presence, aspi::Sense sense = {}) {
  DiscState state;
  state.presence = presence;
  state.sense = sense;
  return state;
}

struct RefusalRow {
  DiscState state;
  bool testWrite;
  const char* write;  // the write refusal, or "" when the write may start
  const char* erase;  // the erase refusal, or "" when the disc may be erased
};

TEST(MediumRules, EachDiscStateAndItsRefusal) {
  const RefusalRow rows[] = {
      {Disc(profile::kDvdR, "DVD-R", DiscStatus::Blank), false, "",
       "The DVD-R in 0,6,0 (ORBITEK DVR-RW 1120) cannot be erased: only a DVD-RW can."},
      {Disc(profile::kDvdR, "DVD-R", DiscStatus::Blank), true, "", nullptr},
      {Disc(profile::kDvdRw, "DVD-RW", DiscStatus::Blank), true, "", ""},
      {Disc(profile::kDvdPlusR, "DVD+R", DiscStatus::Blank), false, "", nullptr},
      {Disc(profile::kDvdPlusR, "DVD+R", DiscStatus::Blank), true,
       "The DVD+R in 0,6,0 (ORBITEK DVR-RW 1120) cannot be test written: a DVD+R has no test write. Choose Write or "
       "Write & Verify.",
       nullptr},
      {Disc(profile::kDvdR, "DVD-R", DiscStatus::Closed), false,
       "The DVD-R in 0,6,0 (ORBITEK DVR-RW 1120) is closed: it has been written and takes no more data. Insert a "
       "blank disc and try again.",
       nullptr},
      {Disc(profile::kDvdRw, "DVD-RW", DiscStatus::Closed), false,
       "The DVD-RW in 0,6,0 (ORBITEK DVR-RW 1120) is closed: it has been written and takes no more data. Insert a "
       "blank disc or erase it (Property, Erase) and try again.",
       ""},
      {Disc(profile::kDvdR, "DVD-R", DiscStatus::Appendable), false,
       "The DVD-R in 0,6,0 (ORBITEK DVR-RW 1120) already holds data. The program records blank discs only: insert "
       "a blank disc and try again.",
       nullptr},
      {Disc(profile::kDvdRom, "DVD-ROM", DiscStatus::Closed), false,
       "The disc in 0,6,0 (ORBITEK DVR-RW 1120) is a DVD-ROM: it cannot be written. Insert a blank DVD-R, DVD-RW or "
       "DVD+R and try again.",
       nullptr},
      {Disc(profile::kDvdPlusRw, "DVD+RW", DiscStatus::Blank), false,
       "The disc in 0,6,0 (ORBITEK DVR-RW 1120) is a DVD+RW. The program records DVD-R, DVD-RW and DVD+R discs "
       "only. Insert a blank DVD-R, DVD-RW or DVD+R and try again.",
       "The DVD+RW in 0,6,0 (ORBITEK DVR-RW 1120) cannot be erased: only a DVD-RW can."},
      {Disc(profile::kDvdRDualLayer, "DVD-R DL", DiscStatus::Blank), false,
       "The disc in 0,6,0 (ORBITEK DVR-RW 1120) is a DVD-R DL. The program records DVD-R, DVD-RW and DVD+R discs "
       "only. Insert a blank DVD-R, DVD-RW or DVD+R and try again.",
       nullptr},
      {Disc(profile::kCdR, "CD-R", DiscStatus::Blank), false,
       "The disc in 0,6,0 (ORBITEK DVR-RW 1120) is a CD-R. The program records DVD-R, DVD-RW and DVD+R discs only. "
       "Insert a blank DVD-R, DVD-RW or DVD+R and try again.",
       nullptr},
      {Disc(profile::kDvdRwOverwrite, "DVD-RW", DiscStatus::Closed), false,
       "The DVD-RW in 0,6,0 (ORBITEK DVR-RW 1120) is formatted for overwriting. Erase it fully (Property, Erase, "
       "not quick) and try again.",
       ""},
      {Absent(DiscPresence::NoDisc), false,
       "There is no disc in 0,6,0 (ORBITEK DVR-RW 1120). Insert a blank DVD-R, DVD-RW or DVD+R and try again.",
       "There is no disc in 0,6,0 (ORBITEK DVR-RW 1120). Insert the DVD-RW to erase and try again."},
      {Absent(DiscPresence::TrayOpen), true,
       "The tray of 0,6,0 (ORBITEK DVR-RW 1120) is open. Insert a blank DVD-R, DVD-RW or DVD+R, close the tray and "
       "try again.",
       nullptr},
      {Absent(DiscPresence::Busy, aspi::sense::kNotReadyLongWriteInProgress), false,
       "0,6,0 (ORBITEK DVR-RW 1120) is not ready (2-04-08). Wait until the drive is ready and try again.", nullptr},
      {Absent(DiscPresence::NoAnswer), false,
       "0,6,0 (ORBITEK DVR-RW 1120) does not answer. Check that the drive is attached and switched on, and try "
       "again.",
       nullptr},
  };
  for (const RefusalRow& row : rows) {
    SCOPED_TRACE(row.state.Line() + (row.testWrite ? " (test)" : ""));
    EXPECT_EQ(WriteRefusal(row.state, row.testWrite, kDrive), row.write);
    if (row.erase != nullptr) EXPECT_EQ(EraseRefusal(row.state, kDrive), row.erase);
    // The operation list follows the same table: no test write on a DVD+R.
    EXPECT_EQ(TakesTestWrite(row.state),
              row.state.profile == profile::kDvdR || row.state.profile == profile::kDvdRw);
  }
}

TEST(MediumRules, StateLinesAndProfileNames) {
  DiscState blank = Disc(profile::kDvdR, "DVD-R", DiscStatus::Blank);
  blank.freeBlocks = 2298496;
  EXPECT_EQ(blank.Line(), "DVD-R, blank, 4,707,319,808 bytes free");
  EXPECT_EQ(Disc(profile::kDvdPlusR, "DVD+R", DiscStatus::Closed).Line(), "DVD+R, closed");
  EXPECT_EQ(ProfileName(profile::kDvdPlusRDualLayer), std::string("DVD+R DL"));
  EXPECT_EQ(ProfileName(profile::kBdRe), std::string("BD-RE"));
  EXPECT_EQ(ProfileName(0x7777), std::string("disc"));
}

}  // namespace
