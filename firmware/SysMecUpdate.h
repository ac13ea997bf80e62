// SPDX-License-Identifier: GPL-3.0-or-later
// The update of a QXW-7100 from a SYS/MEC file. Both parts go to the drive
// in chunks of 16,384 bytes with WRITE BUFFER (mode 5; SYS to buffer 0, MEC
// to buffer 1), each chunk read back with READ BUFFER (mode 2; SYS from
// buffer FEh at offset + 20000h, MEC from FFh at offset + 40000h) and
// compared, then each part is committed (F8h "QXW-7100 SYS", F9h "QXW-7100
// MEC") and the person power-cycles the drive. A drive at revision "0.00"
// takes SYS first and is power-cycled after each part; any other takes MEC,
// then SYS, and one power cycle.
//
// Everything doubtful stops the update before the first commit where the
// procedure allows it: both parts are staged and read back before either is
// committed (the first firmware excepted, which takes SYS alone), so a part
// the drive refuses, a chunk that reads back different ("Verify error.") or
// a failed data command leaves the drive as it was. The file is checked
// (markers, part positions and sizes) before the confirmation is asked, and
// the bytes sent are the bytes checked (one copy of the file in memory).
// The session's drive state says where the drive stands at every step.
#pragma once

#include "firmware/format/FirmwareFile.h"

class UpdateSession;

// True when both parts were committed and the power cycles prompted (or
// skipped because the program quits).
bool UpdateSysMec(UpdateSession& session, FirmwareBytes file);
