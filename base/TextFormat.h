// SPDX-License-Identifier: GPL-3.0-or-later
// printf-style formatting into a string, for the fixed message texts of the
// program. The result is as long as it needs to be; nothing is cut.
#pragma once

#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A duration in whole seconds as a person reads it: "0:42", "12:05",
// "1:02:03" (hours only when there are any).
std::string DurationText(double seconds);
