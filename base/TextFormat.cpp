// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TextFormat.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    text.resize(static_cast<size_t>(length));
  }
  va_end(again);
  return text;
}

std::string DurationText(double seconds) {
  long long whole = seconds > 0 ? std::llround(seconds) : 0;
  long long hours = whole / 3600, minutes = whole / 60 % 60;
  if (hours > 0) return FormatText("%lld:%02lld:%02lld", hours, minutes, whole % 60);
  return FormatText("%lld:%02lld", minutes, whole % 60);
}
