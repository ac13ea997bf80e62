// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/DescriptionText.h"

namespace simbus {
namespace {

std::string OneLine(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      line += c;
      continue;
    }
    line += "\\x";
    line += kHex[byte >> 4];
    line += kHex[byte & 0x0F];
  }
  return line;
}

}  // namespace

std::optional<std::string> Latin1(std::string_view utf8) {
  std::string bytes;
  for (size_t i = 0; i < utf8.size(); ++i) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      bytes += static_cast<char>(lead);
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size()) {
      bytes += static_cast<char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      return std::nullopt;
    }
  }
  return bytes;
}

std::string LineAndColumn(std::string_view text, size_t byte) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i + 1 < byte && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string WithoutTag(const std::string& what) {
  if (what.rfind("[json.exception.", 0) != 0) return what;
  auto end = what.find("] ");
  return end == std::string::npos ? what : what.substr(end + 2);
}

std::string PlaceOfQuoted(std::string_view text, const std::string& what) {
  auto open = what.find('\'');
  auto close = open == std::string::npos ? open : what.find('\'', open + 1);
  if (close == std::string::npos || close == open + 1) return "$";
  auto at = text.find(std::string_view(what).substr(open + 1, close - open - 1));
  return at == std::string_view::npos ? "$" : LineAndColumn(text, at + 1);
}

std::string Message(const std::string& fileName, const std::string& place, const std::string& problem) {
  return OneLine("Simulated SCSI bus: " + fileName + ": at " + place + ": " + problem + ". The bus is empty.");
}

}  // namespace simbus
