// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/MediumLock.h"

#include "base/Log.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"

namespace startstop = aspi::startstop;
namespace removal = aspi::removal;

MediumLock::MediumLock(SCSIDEV& writer, const char* ejectFailed) : writer_(&writer), ejectFailed_(ejectFailed) {}

MediumLock::MediumLock(SCSIDEV& writer, const char* lockFailed, const char* ejectFailed)
    : MediumLock(writer, ejectFailed) {
  bool started = writer.StartStopUnit(startstop::kLoadAndStart);
  writer.PreventAllowMediumRemoval(removal::kPrevent);
  bool locked = writer.GetSense();
  if (!started || !locked) AddLog(lockFailed);
}

MediumLock MediumLock::Adopt(SCSIDEV& writer, const char* ejectFailed) { return MediumLock(writer, ejectFailed); }

MediumLock::~MediumLock() {
  if (writer_ == nullptr) return;
  writer_->StartStopUnit(startstop::kStop);
  writer_->PreventAllowMediumRemoval(removal::kAllow);
  if (!eject_) return;
  bool ejected = writer_->StartStopUnit(startstop::kEject);
  if (!ejected || !writer_->GetSense()) AddLog(ejectFailed_);
}

void MediumLock::EjectNow() {
  if (writer_ == nullptr) return;
  writer_->PreventAllowMediumRemoval(removal::kAllow);
  writer_->StartStopUnit(startstop::kEject);
  writer_ = nullptr;
}
