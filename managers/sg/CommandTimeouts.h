// SPDX-License-Identifier: GPL-3.0-or-later
// CommandTimeouts: how long the kernel lets a command run before its error
// handling stops it (the SG_IO time-out).
//
// The program waits for most commands without limit and aborts only INQUIRY;
// the kernel's limit is the backstop for a device that never answers. It is
// generous, since a limit that is too short makes the kernel reset a drive in
// the middle of a write: questions a drive answers at once get 20 s, commands
// that may run for minutes (blanking, formatting, closing a track or
// session, flushing the cache, taking new firmware) an hour, everything
// else (reading and writing data included) two minutes.
#pragma once

#include <cstdint>

namespace sg {

uint32_t KernelTimeoutMs(uint8_t operationCode);

}  // namespace sg
