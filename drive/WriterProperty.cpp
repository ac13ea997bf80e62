#include "drive/WriterProperty.h"

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "devices/DeviceLine.h"
#include "devices/DiscState.h"
#include "devices/MMCRECORDER.h"
#include "devices/MediumRules.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "host/ui/MessageBox.h"
#include "scsi/UnitHold.h"

namespace sense = aspi::sense;

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

}  // namespace

std::string FreeSizeLine(uint64_t freeBytes) { return FormatNumber(freeBytes) + " bytes free."; }

bool ShowsFreeSizeAndErase(const SCSIDEV& device) { return device.ClassCode() != kLaterGenerationWriter; }

bool OffersQuickErase(const SCSIDEV& device) { return device.ClassCode() == MMCRECORDER::kClassCode; }

std::string DiscLine(SCSIDEV& device) {
  if (device.ClassCode() != MMCRECORDER::kClassCode) return "";
  return "Disc: " + ReadDiscState(device).Line();
}

EraseResult EraseDisc(SCSIDEV& device, EraseKind kind) {
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
  if (key != sense::kNoSenseKey && aspi::Sense{key, asc, ascq} != sense::kNotReadyOperationInProgress) return Fail(device);

  for (uint32_t elapsed = 0; elapsed < kEraseLimitMs; elapsed += kPollMs) {
    host::Sleep(kPollMs);
    device.TestUnitReady();
    device.GetSense(&key, &asc, &ascq);
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
