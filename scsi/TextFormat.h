// printf-style formatting into a string, for the fixed message texts of the
// transport. The result is as long as it needs to be; nothing is cut.
#pragma once

#include <string>

namespace scsi {

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace scsi
