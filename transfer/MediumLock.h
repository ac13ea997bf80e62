// SPDX-License-Identifier: GPL-3.0-or-later
// MediumLock: a writer's disc held for one step of an operation. The
// constructor loads and starts the disc and prevents its removal; the
// destructor stops it, allows removal and ejects it (unless told to keep it
// in), so the disc is given back however the step ends. A failed lock or eject is only logged: the
// operation goes on.
#pragma once

class SCSIDEV;

class MediumLock {
 public:
  // Loads, starts and locks; logs lockFailed when the start or the lock
  // fails.
  MediumLock(SCSIDEV& writer, const char* lockFailed, const char* ejectFailed);
  // Takes over a disc the caller has loaded and locked itself.
  static MediumLock Adopt(SCSIDEV& writer, const char* ejectFailed);
  ~MediumLock();

  // Adopt's result is the object itself (a prvalue): nothing is moved.
  MediumLock(MediumLock&&) = delete;
  MediumLock(const MediumLock&) = delete;
  MediumLock& operator=(const MediumLock&) = delete;
  MediumLock& operator=(MediumLock&&) = delete;

  // A cancel before any data moved: allow removal and eject at once,
  // without a stop and without a log line; the destructor does nothing more.
  void EjectNow();
  // The destructor stops the disc and allows its removal but leaves it in
  // the drive (the operation's last step, when the person keeps the disc).
  void KeepDisc() { eject_ = false; }

 private:
  MediumLock(SCSIDEV& writer, const char* ejectFailed);

  SCSIDEV* writer_;
  const char* ejectFailed_;
  bool eject_ = true;
};
