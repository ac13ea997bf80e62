// SPDX-License-Identifier: GPL-3.0-or-later
// ManagerLog: where the SCSI generic manager tells the person what it found
// and what it could not do. Lines go to the program's log through the sink
// the program hands over (SetASPI32LogSink, see host/aspi/AspiSrb.h), or to
// the standard error while no sink is set. Each line starts with the
// manager's tag, "[SCSI generic] ".
#pragma once

#include <string>
#include <string_view>

#include "host/aspi/AspiSrb.h"

namespace sg {

void SetLogSink(aspi::LogSinkFn sink);
void Report(std::string_view text);
// Reports text only the first time this key is given in the process: a
// problem that every later request would meet again is said once.
void ReportOnce(const std::string& key, std::string_view text);

// "28h": a byte or a short value in hexadecimal, as log lines show them.
std::string Hex(unsigned value);

}  // namespace sg
