// printf-style formatting into a string, for the fixed message texts of the
// program. The result is as long as it needs to be; nothing is cut.
#pragma once

#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
