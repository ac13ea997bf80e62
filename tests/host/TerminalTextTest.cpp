// SPDX-License-Identifier: GPL-3.0-or-later
// What reaches a terminal from texts the program does not control.
#include <gtest/gtest.h>

#include "host/ui/TerminalText.h"

TEST(TerminalText, EscapesControlsAndBytesThatAreNotUtf8) {
  struct Case {
    std::string text;
    bool keepLayout;
    std::string shown;
  };
  const Case cases[] = {
      {"PLAIN_NAME 1", false, "PLAIN_NAME 1"},
      {"EVIL\x1b[2J\x1b]0;title\x07", false, "EVIL\\x1B[2J\\x1B]0;title\\x07"},
      {"a\r\nb\tc\x7f", false, "a\\x0D\\x0Ab\\x09c\\x7F"},
      {"a\r\nb\tc\x7f", true, "a\r\nb\tc\\x7F"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x92\xbf", false, "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x92\xbf"},  // UTF-8 stays
      {"BAD\xff\xfe", false, "BAD\\xFF\\xFE"},
      {"\xc2\x9b" "2J", false, "\\xC2\\x9B2J"},           // C1 CSI written in UTF-8
      {"\x9b" "2J", false, "\\x9B2J"},                    // C1 CSI as a lone byte
      {"\xc0\xaf \xed\xa0\x80 \xe2\x82", false, "\\xC0\\xAF \\xED\\xA0\\x80 \\xE2\\x82"},  // overlong, surrogate, cut
      {std::string("nul\0here", 8), false, "nul\\x00here"},
  };
  for (const Case& c : cases) EXPECT_EQ(ui::TerminalText(c.text, c.keepLayout), c.shown) << c.shown;
}
