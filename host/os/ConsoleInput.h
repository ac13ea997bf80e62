// SPDX-License-Identifier: GPL-3.0-or-later
// ConsoleInput: lines typed on the standard input, for questions asked on a
// terminal. An interrupt (Ctrl-C, see Interrupt.h) ends the wait for a line,
// so that a cancel never leaves a question waiting for an answer.
#pragma once

#include <string>

namespace host {

enum class LineResult { Line, End, Interrupted };

// Waits for the next line (without its line end). Interrupted at once when
// an interrupt has come, before or during the wait; End at the end of the
// input. Used by one thread at a time.
LineResult ReadStdinLine(std::string& line);

}  // namespace host
