// SPDX-License-Identifier: GPL-3.0-or-later
// Command names of error reports.
#include <gtest/gtest.h>

#include "scsi/ASPI32.h"
#include "scsi/CommandNames.h"
#include "scsi/Commands.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/scsi/TestManagers.h"

TEST(CommandNames, EveryNamedCode) {
  const std::pair<uint8_t, const char*> expected[] = {
      {0x00, "(00H) Test Unit Ready"},
      {0x01, "(01H) Rezero Unit"},
      {0x03, "(03H) Request Sense"},
      {0x08, "(08H) Read6"},
      {0x0A, "(0AH) Write 6"},
      {0x15, "(15H) Mode Select 6"},
      {0x1A, "(1AH) Mode Sense 6"},
      {0x1B, "(1BH) Start/Stop Unit"},
      {0x1E, "(1EH) Prevent/Allow Medium Removal"},
      {0x25, "(25H) Read Capacity"},
      {0x28, "(28H) Read10"},
      {0x2A, "(2AH) Write 10"},
      {0x2B, "(2BH) Position To Element"},
      {0x35, "(35H) Flush Cache"},
      {0x3B, "(3BH) Write Buffer"},
      {0x3C, "(3CH) Read Buffer"},
      {0x46, "(46H) Get Configuration"},
      {0x52, "(52H) Read R Zone Info"},
      {0x53, "(53H) Reserve R Zone"},
      {0x55, "(55H) Mode Select 10"},
      {0x5A, "(5AH) Mode Sense 10"},
      {0x5B, "(5BH) Close Track/Session"},
      {0xA1, "(A1H) Blank"},
      {0xA8, "(A8H) Read12"},
      {0xAA, "(AAH) Write12"},
      {0xAB, "(ABH) DVD Write Structure"},
      {0xAD, "(ADH) Read DVD Structure"},
      {0xBF, "(BFH) Send DVD Structure"},
  };
  for (auto [op, name] : expected) EXPECT_EQ(scsi::CommandNameText(op), name);
  EXPECT_EQ(std::size(scsi::kCommandNames), std::size(expected));
}

TEST(CommandNames, UnnamedCodesGiveTheCodeAndABlank) {
  for (uint8_t op : {0x12, 0x4D, 0x51, 0xE6, 0xE9, 0xEA, 0xFF}) {
    char expected[16];
    std::snprintf(expected, sizeof expected, "(%02XH) ", op);
    EXPECT_EQ(scsi::CommandNameText(op), expected);
  }
  EXPECT_EQ(scsi::CommandNameText(0x4D), "(4DH) ");
}

TEST(CommandNames, TheChannelNamesItsLastCommand) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  EXPECT_STREQ(channel.CommandName(), "") << "nothing is named before it is asked for";
  std::vector<uint8_t> area(2048);
  scsi::ModeSense10(channel, 0, 1, 0, 5, area.data());
  EXPECT_STREQ(scsi::NameLastCommand(channel), "(5AH) Mode Sense 10");
  EXPECT_STREQ(channel.CommandName(), "(5AH) Mode Sense 10");
  scsi::Inquiry(channel, 0, 1, 0, area.data());
  EXPECT_STREQ(scsi::NameLastCommand(channel), "(12H) ");
}

TEST(CommandNames, TheNameAreaNeverOverflows) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  channel.SetCommandName(std::string(300, 'x'));
  EXPECT_EQ(std::string(channel.CommandName()), std::string(ASPI32::kCommandNameSize - 1, 'x'));
}
