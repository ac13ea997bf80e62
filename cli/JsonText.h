// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON the headless front end prints. Volume identifiers and INQUIRY
// texts are bytes from a disc or a drive, not necessarily UTF-8: bytes that
// are not are replaced (U+FFFD), so the output is always valid JSON.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

inline std::string JsonText(const nlohmann::json& value) {
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The same on one line, for a stream of JSON lines (an ordered_json keeps
// its members in the order they were put in).
template <class Json>
std::string JsonLine(const Json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
