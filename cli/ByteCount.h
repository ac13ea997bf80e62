// SPDX-License-Identifier: GPL-3.0-or-later
// The --size arguments follow the size text rule of base/SizeText.h (whole
// bytes in decimal, or hexadecimal ending in H); the text is handed on in
// decimal. Anything else is a usage error, never a wrapped or clipped size.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "base/SizeText.h"

inline CLI::Validator ByteCount() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        uint64_t bytes = 0;
        std::string refusal;
        if (!ReadSizeText(text, bytes, &refusal)) return refusal;
        text = std::to_string(bytes);
        return {};
      },
      "BYTES");
}
