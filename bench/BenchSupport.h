// SPDX-License-Identifier: GPL-3.0-or-later
// What the transfer benchmarks share: a data pass run without an operation
// around it, an image of varied bytes, and a run folder that is gone after
// the process (the simulated drives save their records after main, so the
// folder is removed once more at exit).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "operation/OperationRequest.h"
#include "transfer/DataPass.h"

namespace bench {

// One pass of bytes of the image to (Write) or against (Verify) the
// destination side; true when it moved or compared everything without a
// difference.
bool RunPass(const std::string& image, uint64_t bytes, Endpoint destination, bool verify);
// The same with a host of the caller's (one that takes progress samples).
bool RunPass(const std::string& image, uint64_t bytes, Endpoint destination, bool verify, PassHost& host);

// Varied bytes (never zero, never compressible), written 1 MiB at a time.
void MakeImage(const std::string& path, uint64_t bytes);

// A new folder parent/NAME-XXXXXX, removed at exit; empty when it cannot be
// made.
std::string MakeRunFolder(const std::string& parent, const std::string& name);

// The arguments of the drive benchmarks: [MB, default 200] [speed, default
// 16] [folder, default /tmp]; the bytes are whole sectors. Nothing for a
// size or speed of 0.
struct DriveRun {
  uint64_t bytes = 0;
  double speed = 0;
  double rate = 0;  // bytes per second at that speed
  std::string parent;
};
std::optional<DriveRun> DriveRunArguments(int argc, char** argv);

// The process's processor time so far (user and system), in seconds.
double CpuSeconds();

}  // namespace bench
