// SPDX-License-Identifier: GPL-3.0-or-later
// The update of a QXW-7200 from a TYPE1 file. The drive is put into boot
// mode ('B' at INQUIRY byte 32) by a zero-length WRITE BUFFER to buffer 0,
// takes loader.inf (buffer F3h) and loader.bin (F4h, from the load address),
// and starts the loader (F5h at the start address), which runs in loader
// mode ('L'). The loader takes rom_in.bin (buffer 0) and rom_ext.bin
// (buffer 1) in chunks of 16,384 bytes, reads them back (READ BUFFER mode
// 5) for the verify and only then commits them with "HALVERN" to F8h; then
// the person power-cycles the drive. A drive that is already in loader mode
// (an update cut off midway) starts with rom_in.bin.
//
// The file is checked whole before the confirmation: descriptor, component
// layout, checksum and loader.inf; the bytes sent are the bytes checked (one
// copy of the file in memory). A file without a checksum says so in the
// confirmation. Any failed command, a drive that does not reach boot or
// loader mode, and a read-back that differs ("Verify error.") end the update
// as failed before the commit; the session's drive state then says that the
// drive waits in boot or loader mode for another attempt.
#pragma once

#include "firmware/format/FirmwareFile.h"

class UpdateSession;

bool UpdateType1(UpdateSession& session, FirmwareBytes file);
