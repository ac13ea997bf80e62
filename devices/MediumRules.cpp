// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/MediumRules.h"

#include "base/TextFormat.h"
#include "devices/MmcFeatures.h"
#include "devices/NoDisc.h"

namespace {

constexpr char kBlankDisc[] = "a blank DVD-R, DVD-RW or DVD+R";
constexpr char kInsertBlank[] = "Insert a blank DVD-R, DVD-RW or DVD+R and try again.";

// The refusal of a drive that has no disc to look at, or empty; `wanted` is
// the disc the person should insert.
std::string PresenceRefusal(const DiscState& state, const std::string& drive, const std::string& wanted) {
  switch (state.presence) {
    case DiscPresence::Ready: return "";
    case DiscPresence::NoDisc:
    case DiscPresence::TrayOpen: return NoDiscText(state.presence, drive, wanted);
    case DiscPresence::Busy:
      return drive + " is not ready (" + FormatText("%X-%02X-%02X", state.sense.key, state.sense.asc, state.sense.ascq) +
             "). Wait until the drive is ready and try again.";
    case DiscPresence::NoAnswer: break;
  }
  return drive + " does not answer. Check that the drive is attached and switched on, and try again.";
}

}  // namespace

bool IsRecordableMedium(uint16_t number) {
  return number == profile::kDvdR || number == profile::kDvdRw || number == profile::kDvdPlusR;
}

bool TakesTestWrite(const DiscState& state) {
  return state.profile == profile::kDvdR || state.profile == profile::kDvdRw;
}

bool IsErasableMedium(const DiscState& state) {
  return state.profile == profile::kDvdRw || state.profile == profile::kDvdRwOverwrite;
}

std::string WriteRefusal(const DiscState& state, bool testWrite, const std::string& drive) {
  if (std::string refusal = PresenceRefusal(state, drive, kBlankDisc); !refusal.empty()) return refusal;
  const std::string disc = "The " + (state.medium.empty() ? std::string("disc") : state.medium) + " in " + drive;
  if (state.profile == profile::kDvdRwOverwrite)
    return disc + " is formatted for overwriting. Erase it fully (Property, Erase, not quick) and try again.";
  if (state.profile == profile::kDvdRom || state.profile == profile::kBdRom || state.profile == profile::kCdRom)
    return "The disc in " + drive + " is a " + state.medium + ": it cannot be written. " + kInsertBlank;
  if (!IsRecordableMedium(state.profile))
    return "The disc in " + drive + " is a " + state.medium +
           ". The program records DVD-R, DVD-RW and DVD+R discs only. " + kInsertBlank;
  const char* erase = IsErasableMedium(state) ? " or erase it (Property, Erase)" : "";
  if (state.status == DiscStatus::Closed)
    return disc + " is closed: it has been written and takes no more data. Insert a blank disc" + erase +
           " and try again.";
  if (state.status != DiscStatus::Blank)
    return disc + " already holds data. The program records blank discs only: insert a blank disc" + erase +
           " and try again.";
  if (testWrite && !TakesTestWrite(state))
    return disc + " cannot be test written: a DVD+R has no test write. Choose Write or Write & Verify.";
  return "";
}

std::string EraseRefusal(const DiscState& state, const std::string& drive) {
  if (std::string refusal = PresenceRefusal(state, drive, "the DVD-RW to erase"); !refusal.empty()) return refusal;
  if (IsErasableMedium(state)) return "";
  return "The " + state.medium + " in " + drive + " cannot be erased: only a DVD-RW can.";
}
