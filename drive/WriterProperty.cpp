// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/WriterProperty.h"

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "devices/DeviceLine.h"
#include "devices/DiscState.h"
#include "devices/MMCRECORDER.h"
#include "devices/MediumRules.h"
#include "devices/NoDisc.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Interrupt.h"
#include "host/ui/MessageBox.h"
#include "scsi/UnitHold.h"

namespace sense = aspi::sense;
namespace startstop = aspi::startstop;

namespace {

constexpr int32_t kLaterGenerationWriter = 0x8011;
constexpr uint32_t kPollMs = 5000;
constexpr uint32_t kEraseLimitMs = 3600000;
constexpr uint8_t kBlankWholeDisc = 0;
constexpr uint8_t kBlankMinimal = 1;

enum class Poll { KeepPolling, Ready, Failed };

// One answer of the drive while it erases.
Poll Judge(uint8_t key, uint8_t asc, uint8_t ascq) {
  aspi::Sense answer{key, asc, ascq};
  bool busy = answer == sense::kNotReadyBecomingReady || answer == sense::kNotReadyOperationInProgress;
  if (busy) return Poll::KeepPolling;
  if (answer == sense::kNoSense) return Poll::Ready;
  if (key != sense::kNoSenseKey) return Poll::Failed;
  return Poll::KeepPolling;
}

void LogBlankLine(const SCSIDEV& device) {
  AddLog(FormatText("Blank done. %X: %X-%02X-%02X", static_cast<unsigned>(device.LastResult()), device.LastSenseKey(),
                    device.LastAsc(), device.LastAscq()));
}

EraseResult Fail(SCSIDEV& device) {
  LogBlankLine(device);
  device.ReportError(nullptr, true, false);
  ui::SetBusyCursor(false);
  ui::MessageBox("Erase failed.", ProgramName, ui::kIconError);
  return EraseResult::Failed;
}

// The drive's progress indication, when its sense data carries one
// (sense-key specific bytes 15-17, valid bit set): 0-100.
int ProgressOf(const SCSIDEV& device) {
  uint8_t sense[144] = {};
  device.CopySenseData(sense);
  if ((sense[15] & 0x80) == 0) return -1;
  return static_cast<int>((uint32_t{sense[16]} << 8 | sense[17]) * 100 / 65536);
}

}  // namespace

std::string EraseProgressText(const EraseProgress& progress) {
  const std::string elapsed = DurationText(progress.elapsedMs / 1000.0);
  if (progress.percent < 0) return "Erasing ... " + elapsed + " elapsed";
  return FormatText("Erasing ... %d%% (%s elapsed)", progress.percent, elapsed.c_str());
}

std::string FreeSizeLine(uint64_t freeBytes) { return FormatNumber(freeBytes) + " bytes free."; }

std::string FreeSizeOrNoDisc(SCSIDEV& device) {
  if (std::string none = NoDiscIn(device); !none.empty()) return none;
  return FreeSizeLine(device.GetFreeSize());
}

std::string DiscStateLine(SCSIDEV& writer) {
  DiscState state = ReadDiscState(writer);
  std::string line = "Disc: " + state.Line();
  if (state.presence == DiscPresence::NoDisc || state.presence == DiscPresence::TrayOpen)
    line += " (insert a disc and load it)";
  return line;
}

bool LoadDisc(SCSIDEV& writer) {
  AddLog("[LoadDisc]");
  if (writer.StartStopUnit(startstop::kLoadAndStart)) return true;
  writer.ReportError(nullptr, true, true);
  return false;
}

bool EjectDisc(SCSIDEV& writer) {
  AddLog("[EjectDisc]");
  writer.PreventAllowMediumRemoval(aspi::removal::kAllow);
  if (writer.StartStopUnit(startstop::kEject)) return true;
  writer.ReportError(nullptr, true, true);
  return false;
}

bool ShowsFreeSizeAndErase(const SCSIDEV& device) { return device.ClassCode() != kLaterGenerationWriter; }

bool OffersQuickErase(const SCSIDEV& device) { return device.ClassCode() == MMCRECORDER::kClassCode; }

std::string DiscLine(SCSIDEV& device) {
  if (device.ClassCode() != MMCRECORDER::kClassCode) return "";
  return DiscStateLine(device);
}

EraseResult EraseDisc(SCSIDEV& device, EraseKind kind, const EraseProgressFn& progress) {
  if (device.ClassCode() == MMCRECORDER::kClassCode) {
    std::string refusal = EraseRefusal(ReadDiscState(device), DriveName(device));
    if (!refusal.empty()) {
      AddLog(refusal);
      ui::MessageBox(refusal, ProgramName, ui::kIconError);
      return EraseResult::Failed;
    }
  }
  int answer = ui::MessageBox("Do you wish to erase all data of the disc?", ProgramName,
                              ui::kOkCancel | ui::kIconQuestion);
  if (answer != ui::kIdOk) return EraseResult::Declined;

  scsi::UnitHold hold(device.Address(), DriveName(device));
  if (!hold.Held()) {
    ui::MessageBox(hold.Refusal(), ProgramName, ui::kIconError);
    return EraseResult::Failed;
  }
  ui::SetBusyCursor(true);
  uint8_t key = 0, asc = 0, ascq = 0;
  device.Blank(true, kind == EraseKind::Quick ? kBlankMinimal : kBlankWholeDisc, 0);
  device.GetSense(&key, &asc, &ascq);
  if (key == sense::kNotReadyKey && asc == sense::kAscMediumNotPresent) {
    // Nothing to erase: one box that says so and what to do.
    LogBlankLine(device);
    std::string none = NoDiscIn(device, "the disc to erase");
    if (none.empty()) return Fail(device);
    ui::SetBusyCursor(false);
    ui::MessageBox(none, ProgramName, ui::kIconError);
    return EraseResult::Failed;
  }
  if (key != sense::kNoSenseKey && aspi::Sense{key, asc, ascq} != sense::kNotReadyOperationInProgress) return Fail(device);

  for (uint32_t elapsed = 0; elapsed < kEraseLimitMs; elapsed += kPollMs) {
    // An erase cannot be stopped once the drive runs it: an interrupt only
    // ends the wait, and says so.
    if (host::SleepUnlessInterrupted(kPollMs)) {
      ui::SetBusyCursor(false);
      AddLog("[EraseDisc] Interrupted.");
      ui::MessageBox("The program stops waiting for the erase. The drive goes on erasing the disc by itself; the disc "
                     "can be used once the drive is ready again.",
                     ProgramName, ui::kIconExclamation);
      return EraseResult::Interrupted;
    }
    device.TestUnitReady();
    device.GetSense(&key, &asc, &ascq);
    const EraseProgress now{elapsed + kPollMs, ProgressOf(device)};
    AddLog(EraseProgressText(now));
    if (progress) progress(now);
    Poll verdict = Judge(key, asc, ascq);
    if (verdict == Poll::Failed) return Fail(device);
    if (verdict == Poll::Ready) {
      ui::SetBusyCursor(false);
      LogBlankLine(device);
      ui::MessageBox("Erase done.", ProgramName, ui::kIconInformation);
      return EraseResult::Done;
    }
  }
  return Fail(device);
}
