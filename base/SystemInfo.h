// SPDX-License-Identifier: GPL-3.0-or-later
// The system-information header that opens every log.
#pragma once

#include <string>

#include "host/os/Platform.h"

// The header text for a given time and system record: the program's name and
// version, its date, its info line, the UTC time, the system family and the
// version fields.
std::string FormatSystemInfo(const host::UtcTime& now, const host::OsVersion& os);

// Fills SystemInfoText from the clock and the running system. Call once at
// start-up, before any window exists.
void BuildSystemInfo();
const std::string& SystemInfoText();
