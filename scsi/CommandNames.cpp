// SPDX-License-Identifier: GPL-3.0-or-later
#include "scsi/CommandNames.h"

#include <algorithm>
#include <iterator>

#include "scsi/ASPI32.h"
#include "base/TextFormat.h"

namespace scsi {

std::string CommandNameText(uint8_t opCode) {
  std::string text = FormatText("(%02XH) ", opCode);
  const auto* end = std::end(kCommandNames);
  const auto* found =
      std::find_if(std::begin(kCommandNames), end, [&](const CommandName& e) { return e.opCode == opCode; });
  if (found != end) text += found->name;
  return text;
}

const char* NameLastCommand(ASPI32& channel) {
  channel.SetCommandName(CommandNameText(channel.ExecuteBlock().Block().CDBByte[0]));
  return channel.CommandName();
}

}  // namespace scsi
