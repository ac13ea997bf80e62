// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/TerminalText.h"

#include <cstdint>

namespace ui {
namespace {

void Escape(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

bool Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at text[at] (no overlong
// forms, no surrogates, nothing above U+10FFFF), or 0.
size_t SequenceLength(std::string_view text, size_t at, uint32_t& codePoint) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
  unsigned char lead = byte(0);
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i)
    if (!Continuation(byte(i))) return 0;
  // The second byte's range that excludes overlong forms and surrogates.
  if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F) || (lead == 0xF0 && byte(1) < 0x90) ||
      (lead == 0xF4 && byte(1) > 0x8F))
    return 0;
  codePoint = lead & (0xFF >> (length + 1));
  for (size_t i = 1; i < length; ++i) codePoint = codePoint << 6 | (byte(i) & 0x3F);
  return length;
}

}  // namespace

std::string TerminalText(std::string_view text, bool keepLayout) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
      bool layout = keepLayout && (byte == '\r' || byte == '\n' || byte == '\t');
      if ((byte < 0x20 || byte == 0x7F) && !layout)
        Escape(out, byte);
      else
        out += static_cast<char>(byte);
      ++at;
      continue;
    }
    uint32_t codePoint = 0;
    size_t length = SequenceLength(text, at, codePoint);
    if (length == 0 || (codePoint >= 0x80 && codePoint <= 0x9F)) {
      // Not UTF-8, or a C1 control (U+009B is a CSI to many terminals).
      size_t count = length == 0 ? 1 : length;
      for (size_t i = 0; i < count; ++i) Escape(out, static_cast<unsigned char>(text[at + i]));
      at += count;
      continue;
    }
    out.append(text.substr(at, length));
    at += length;
  }
  return out;
}

}  // namespace ui
