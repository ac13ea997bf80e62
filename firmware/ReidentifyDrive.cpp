// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/ReidentifyDrive.h"

#include "base/Log.h"
#include "base/TextFormat.h"
#include "devices/CreateDevice.h"
#include "devices/DeviceLine.h"
#include "devices/SCSIDEV.h"
#include "firmware/UpdateSession.h"
#include "host/aspi/ScsiVocabulary.h"
#include "host/os/Sleep.h"
#include "host/os/Thread.h"
#include "host/ui/MessageBox.h"
#include "scsi/ASPI32.h"

namespace sense = aspi::sense;

namespace {

constexpr uint32_t kRescanPauseMs = 2000;
constexpr uint32_t kPollMs = 3000;
// Polls of a busy drive before the retry question: one minute.
constexpr int kPollsBeforeAsking = 20;

// The drive answers as one that runs: ready, or ready but without a disc
// (a writer is updated with its tray empty as often as not).
bool AnswersBack(int status, const aspi::Sense& answer) {
  if (status == aspi::SS_COMP && answer == sense::kNoSense) return true;
  return status == aspi::SS_ERR && answer.key == sense::kNotReadyKey && answer.asc == sense::kAscMediumNotPresent;
}

// A factory-made object for the drive when its class differs from the one
// in the slot; empty otherwise.
std::unique_ptr<SCSIDEV> ReplacementFor(const SCSIDEV& device) {
  CreatedDevice created = CreateDevice(device.HostAdapter(), device.TargetId(), device.Lun());
  if (!created.found || created.device->ClassCode() == device.ClassCode()) return nullptr;
  return std::move(created.device);
}

}  // namespace

void RescanAdapters() {
  ui::BusyCursor busy;
  ASPI32 channel;
  uint8_t adapters = 0;
  if (channel.HostAdapterInquiry(0, &adapters) != aspi::SS_COMP) return;
  for (uint8_t adapter = 0; adapter < adapters; ++adapter) {
    channel.RescanBus(adapter);
    host::Sleep(kRescanPauseMs);
  }
}

bool WaitForDrive(UpdateSession& session, SCSIDEV& device, const std::function<bool()>& whenBack) {
  for (int polls = 1;; ++polls) {
    host::Sleep(kPollMs);
    int status = device.TestUnitReady();
    aspi::Sense answer;
    device.GetSense(&answer.key, &answer.asc, &answer.ascq);
    if (AnswersBack(status, answer) && whenBack()) return true;
    if (polls < kPollsBeforeAsking) continue;
    polls = 0;
    if (!session.AskRetry()) return false;
  }
}

bool ReidentifyDrive(UpdateSession& session, std::unique_ptr<SCSIDEV>& writer) {
  session.SetDeviceLine("Now getting inquiry data...");
  RescanAdapters();
  SCSIDEV& device = *writer;
  const aspi::ScsiAddress address = device.Address();
  bool back = WaitForDrive(session, device, [&] { return device.Attach(address.ha, address.id, address.lun); });
  if (!back) {
    AddLog("[ReidentifyDrive] The drive did not come back; the update is not confirmed.");
    return false;
  }
  if (auto replacement = ReplacementFor(device)) {
    AddLog("[ReidentifyDrive] The drive now needs another device class; it is created anew.");
    // The slot belongs to the window's thread: swap it there.
    host::Thread::Synchronize([&] { writer = std::move(replacement); });
    session.SetDevice(*writer);
  }
  std::string line = WritingDeviceLine(writer.get());
  AddLog("[ReidentifyDrive] " + line);
  session.SetDeviceLine(line);
  return true;
}
