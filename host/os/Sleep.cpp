// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/os/Sleep.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace host {
namespace {

double ReadScaleFromEnvironment() {
  const char* text = std::getenv("MARROWLIGHT_TIME_SCALE");
  if (text == nullptr || *text == '\0') return 1.0;
  char* end = nullptr;
  double value = std::strtod(text, &end);
  if (end == text || !std::isfinite(value) || value < 0.0) return 1.0;
  return value;
}

std::atomic<double>& Scale() {
  static std::atomic<double> scale{ReadScaleFromEnvironment()};
  return scale;
}

}  // namespace

double TimeScale() { return Scale().load(); }

void SetTimeScale(double scale) {
  Scale().store(std::isfinite(scale) && scale >= 0.0 ? scale : 1.0);
}

uint32_t ScaledMs(uint32_t ms) {
  double scaled = std::ceil(static_cast<double>(ms) * TimeScale());
  if (scaled >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(scaled);
}

void Sleep(uint32_t ms) {
  uint32_t scaled = ScaledMs(ms);
  if (scaled == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(scaled));
}

}  // namespace host
