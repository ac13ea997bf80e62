// SPDX-License-Identifier: GPL-3.0-or-later
// The texts with which an operation tells a person how it ended, beyond the
// plain result boxes: how many verify steps differed, how much of a volume a
// disc holds after a round down, and how long it took.
#pragma once

#include <cstdint>
#include <string>

#include "base/TextFormat.h"  // DurationText
#include "operation/OperationDialog.h"

// The result box of a verify that found differences:
// "Verify found differences: 3 differing steps." and where to look.
std::string DifferencesText(uint64_t differences);
// The two sizes of the write mode question: "Volume: 3,000,000 bytes.  Disc:
// 2,097,152 bytes (the first 69% of the volume)."
std::string WriteModeSizesText(uint64_t volumeBytes, uint64_t discBytes);
// After a round down: "The disc holds only the first 2,097,152 bytes of the
// volume of 3,000,000 bytes (69%); the rest was not written."
std::string PartWrittenText(uint64_t heldBytes, uint64_t volumeBytes);

// The second line of the boxes that find no size to write ("Number of write
// sectors is 0.", "Volume size is 0"): where the size is chosen.
inline constexpr const char* kChooseSizeHint = "Choose a size with \"Change size...\" first.";

// How an operation ended and how long it took, as one line for a status
// line or a desktop notification: its result box's text (lines joined) and
// "Elapsed time: 0:42."; an operation that ended without a result box says
// so in its own words.
std::string OutcomeLine(const OperationOutcome& outcome);
