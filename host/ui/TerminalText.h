// SPDX-License-Identifier: GPL-3.0-or-later
// TerminalText: text that came from a disc, a drive or a file name, made safe
// to print on a terminal. Control characters (C0, DEL and the C1 range) and
// bytes that are not UTF-8 are shown as \xHH, so that a volume identifier
// cannot move the cursor, retitle the window or rewrite the screen.
#pragma once

#include <string>
#include <string_view>

namespace ui {

// keepLayout keeps line ends and tabs (box and log texts, whose layout is
// the program's own); everything else that is not printable is escaped.
std::string TerminalText(std::string_view text, bool keepLayout = false);

}  // namespace ui
