// SPDX-License-Identifier: GPL-3.0-or-later
#include "operation/OperationTexts.h"

#include "base/NumberText.h"
#include "base/TextFormat.h"

std::string DifferencesText(uint64_t differences) {
  return "Verify found differences: " + FormatNumber(differences) +
         " differing steps.\r\nThe log names where the data differ.";
}

namespace {

unsigned long long PercentOf(uint64_t part, uint64_t whole) {
  return whole == 0 ? 0 : static_cast<unsigned long long>(static_cast<double>(part) * 100 / static_cast<double>(whole));
}

}  // namespace

std::string WriteModeSizesText(uint64_t volumeBytes, uint64_t discBytes) {
  return FormatText("Volume: %s bytes.  Disc: %s bytes (the first %llu%% of the volume).",
                    FormatNumber(volumeBytes).c_str(), FormatNumber(discBytes).c_str(),
                    PercentOf(discBytes, volumeBytes));
}

std::string PartWrittenText(uint64_t heldBytes, uint64_t volumeBytes) {
  return FormatText("The disc holds only the first %s bytes of the volume of %s bytes (%llu%%); the rest was not "
                    "written.",
                    FormatNumber(heldBytes).c_str(), FormatNumber(volumeBytes).c_str(), PercentOf(heldBytes, volumeBytes));
}

std::string OutcomeLine(const OperationOutcome& outcome) {
  std::string line = outcome.text;
  for (size_t at = line.find("\r\n"); at != std::string::npos; at = line.find("\r\n", at)) line.replace(at, 2, " ");
  if (line.empty())
    line = outcome.result == OperationResult::Canceled ? "Nothing was written." : "The operation ended with an error.";
  return line + " Elapsed time: " + DurationText(outcome.seconds) + ".";
}
