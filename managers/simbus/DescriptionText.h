// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of a bus description and of its one-line messages: INQUIRY texts
// written in the description as Latin-1 bytes, and where in the text a
// problem lies and how it is told.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace simbus {

// Each character of a UTF-8 text up to U+00FF as one byte (Latin-1), so that
// a description can give a drive the bytes above 7Fh that real drives
// sometimes report; nothing when a character does not fit a byte.
std::optional<std::string> Latin1(std::string_view utf8);

// "line L, column C" of the byte at position byte (counted from 1).
std::string LineAndColumn(std::string_view text, size_t byte);
// The JSON reader's message without its "[json.exception...] " tag.
std::string WithoutTag(const std::string& what);
// Line and column of the first appearance of the text a message quotes
// ('...'), or "$" (the whole description) when it quotes nothing found there.
std::string PlaceOfQuoted(std::string_view text, const std::string& what);
// "Simulated SCSI bus: FILE: at PLACE: PROBLEM. The bus is empty." on one
// line: a control character a key or a text brings along is shown as \xHH.
std::string Message(const std::string& fileName, const std::string& place, const std::string& problem);

}  // namespace simbus
