// SPDX-License-Identifier: GPL-3.0-or-later
// What a read scan reads and how it tells time: a ScanSource is the disc (a
// drive in the program, a table of regions in the tests), a ScanClock the
// time the scan measures each step with. Both are seams: the tests give a
// disc whose slow places cost a known time on a clock of their own, so what
// the scan finds does not depend on how busy the machine is.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// Contract: used by one thread (the scan's); Open first, then Read any
// number of times.
class ScanSource {
 public:
  enum class ReadResult {
    Read,        // the blocks are in the buffer
    Unreadable,  // the drive could not read them (medium or hardware error)
    Blank,       // they are not recorded: the recorded area ends before them
    Stopped,     // the drive cannot go on (no disc, not ready, gone); see Reason()
  };

  virtual ~ScanSource() = default;
  // Finds the recorded area; false (with Reason()) when there is no disc to
  // read.
  virtual bool Open() = 0;
  virtual uint32_t BlockSize() const = 0;
  // Blocks of the recorded area, from block 0.
  virtual uint64_t Blocks() const = 0;
  // Reads count blocks from block first into buffer (count x BlockSize()
  // bytes). A single attempt: the scan decides about retries.
  virtual ReadResult Read(uint64_t first, uint32_t count, uint8_t* buffer) = 0;
  // The drive's nominal read rate in bytes per second, 0 when it does not
  // tell.
  virtual double NominalBytesPerSecond() { return 0; }
  // Why Open failed or a read stopped.
  virtual std::string Reason() const = 0;
};

class ScanClock {
 public:
  virtual ~ScanClock() = default;
  // Seconds since some fixed moment; never goes back.
  virtual double Seconds() = 0;
};

// The machine's monotonic clock.
class SteadyScanClock : public ScanClock {
 public:
  double Seconds() override {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
};
