// SPDX-License-Identifier: GPL-3.0-or-later
// PrintDataBuffer, the hex dump of raw buffers for the log, and the rule that
// reads the logging switch from the command line.
#include <cstdio>
#include <cstring>

#include "base/Log.h"
#include "host/os/Platform.h"

namespace {

constexpr int kBytesPerRow = 16;

char Printable(unsigned char byte) { return (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '.'; }

std::string DumpRow(const unsigned char* bytes, uint32_t length, uint32_t offset) {
  char head[16];
  std::snprintf(head, sizeof head, "%04X  ", offset);
  std::string row = head;
  std::string characters;
  for (int i = 0; i < kBytesPerRow; ++i) {
    uint64_t at = static_cast<uint64_t>(offset) + i;
    if (at < length) {
      char cell[3];
      std::snprintf(cell, sizeof cell, "%02X", bytes[at]);
      row += cell;
      characters += Printable(bytes[at]);
    } else {
      row += "  ";
      characters += ' ';
    }
    if (i == 7) row += '-';
    else if (i < kBytesPerRow - 1) row += ' ';
  }
  return row + "    " + characters + "\r\n";
}

}  // namespace

std::string PrintDataBuffer(const void* buffer, uint32_t length, const char* title) {
  if (buffer == nullptr) {
    host::WriteStdout("Print Data Buffer is NULL.\n");
    host::ExitProcess(1);
  }
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  std::string text = title ? "[" + std::string(title) + "]\r\n" : std::string("\r\n");
  text +=
      "      00 01 02 03 04 05 06 07-08 09 0A 0B 0C 0D 0E 0F\r\n"
      "      -----------------------------------------------\r\n";
  for (uint64_t offset = 0; offset < length; offset += kBytesPerRow) {
    std::string row = DumpRow(bytes, length, static_cast<uint32_t>(offset));
    TraceOut(row);
    text += row;
  }
  return text + "\r\n";
}

bool LoggingSwitchFromArguments(int argc, const char* const* argv) {
  if (argc < 2 || argv == nullptr || argv[1] == nullptr) return true;
  return std::strncmp(argv[1], "-nolog", 6) != 0;
}
