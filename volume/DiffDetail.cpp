// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/DiffDetail.h"

#include <cstring>
#include <string>

#include "base/Log.h"
#include "base/TextFormat.h"

namespace {

constexpr uint32_t kRow = 16;

void AppendRow(std::string& text, const char* label, const uint8_t* row) {
  text += label;
  text += FormatText("%02X %02X %02X %02X %02X %02X %02X %02X-%02X %02X %02X %02X %02X %02X %02X %02X", row[0], row[1],
                     row[2], row[3], row[4], row[5], row[6], row[7], row[8], row[9], row[10], row[11], row[12], row[13],
                     row[14], row[15]);
  text += "\r\n";
}

}  // namespace

void DiffDetail(const uint8_t* source, const uint8_t* destination, uint32_t length) {
  if (source == nullptr || destination == nullptr || length == 0) {
    AddLog("Error in DiffDetail()");
    return;
  }
  for (uint64_t offset = 0; offset < length; offset += kRow) {
    if (std::memcmp(source + offset, destination + offset, kRow) == 0) continue;
    std::string entry = FormatText("[index: %08X]\r\n", static_cast<unsigned>(offset));
    AppendRow(entry, "SRC: ", source + offset);
    AppendRow(entry, "DST: ", destination + offset);
    entry += "\r\n";
    AddLog(entry);
  }
}
