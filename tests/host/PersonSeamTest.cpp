// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/ui/ConsoleUi.h"
#include "host/ui/MessageBox.h"
#include "host/ui/ScriptedUi.h"

TEST(ScriptedUi, AnswersInOrderAndReportsEveryMismatch) {
  std::vector<std::string> failures;
  ui::ScriptedUi script([&](const std::string& f) { failures.push_back(f); });
  ui::ScopedBackend scope(script);
  script.Expect("Quit?", "Marrowlight", ui::kYesNo | ui::kIconQuestion, ui::kIdYes);
  script.Expect("Erase?", "Marrowlight", 0x124, ui::kIdYes);

  EXPECT_EQ(ui::MessageBox("Quit?", "Marrowlight", 0x24), ui::kIdYes);
  EXPECT_TRUE(failures.empty());

  // Flags differ: reported, and answered with the cautious button.
  EXPECT_EQ(ui::MessageBox("Erase?", "Marrowlight", 0x24), ui::kIdNo);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("flags 0x124"), std::string::npos) << failures[0];

  // Nothing left in the script.
  EXPECT_EQ(ui::MessageBox("Done.", "Marrowlight", ui::kIconInformation), ui::kIdOk);
  EXPECT_EQ(ui::MessageBox("Go on?", "Marrowlight", ui::kOkCancel), ui::kIdCancel);
  EXPECT_EQ(failures.size(), 3u);
  EXPECT_NE(failures[1].find("unexpected box \"Done.\""), std::string::npos);
  EXPECT_EQ(script.Shown().size(), 4u);
}

TEST(ScriptedUi, FileDialogsAndLeftoversAreVisible) {
  std::vector<std::string> failures;
  ui::ScriptedUi script([&](const std::string& f) { failures.push_back(f); });
  ui::ScopedBackend scope(script);
  script.ExpectFileDialog("/tmp/x.txt");
  script.Expect("Never shown", "Marrowlight", 0, ui::kIdOk);
  ui::FileDialogRequest request;
  request.title = "Save log file";
  EXPECT_EQ(ui::FileDialog(request), std::optional<std::string>("/tmp/x.txt"));
  EXPECT_EQ(script.Remaining().size(), 1u);
  EXPECT_TRUE(failures.empty());
}

TEST(ConsoleUi, PrintsEveryBoxAndAnswersFromThePolicyWithoutATerminal) {
  std::string out;
  auto writer = [&](const std::string& text) { out += text; };
  ui::ConsoleUi no(ui::ConsoleUi::Policy::Negative, writer, nullptr);
  no.SetUnattendedHint("--yes would answer Yes");
  EXPECT_EQ(no.MessageBox("Overwrite?\r\nReally?", "Marrowlight", 0x124), ui::kIdNo);
  EXPECT_EQ(out, "[Marrowlight] Overwrite?\n    Really?\n  -> answered No (no terminal to ask); --yes would answer Yes\n");

  out.clear();
  EXPECT_EQ(no.MessageBox("Writing failed.", "Marrowlight", ui::kIconError), ui::kIdOk);
  EXPECT_EQ(out, "[Marrowlight] Writing failed.\n");

  ui::ConsoleUi yes(ui::ConsoleUi::Policy::Positive, writer, nullptr);
  EXPECT_EQ(yes.MessageBox("Go on?", "Marrowlight", ui::kOkCancel), ui::kIdOk);
  EXPECT_EQ(yes.MessageBox("Go on?", "Marrowlight", ui::kYesNo), ui::kIdYes);
}

TEST(ConsoleUi, AsksOnTheTerminalUntilItGetsAnAnswer) {
  std::string out;
  std::vector<std::string> lines = {"maybe", "Y"};
  size_t next = 0;
  ui::ConsoleUi console(
      ui::ConsoleUi::Policy::Negative, [&](const std::string& text) { out += text; },
      [&](std::string& line) {
        if (next >= lines.size()) return false;
        line = lines[next++];
        return true;
      });
  EXPECT_EQ(console.MessageBox("Quit?", "Marrowlight", 0x24), ui::kIdYes);
  EXPECT_EQ(next, 2u);
  // The input ends: the cautious answer.
  EXPECT_EQ(console.MessageBox("Quit?", "Marrowlight", 0x24), ui::kIdNo);
  // An empty line takes the default button.
  lines = {""};
  next = 0;
  EXPECT_EQ(console.MessageBox("Overwrite?", "Marrowlight", 0x124), ui::kIdNo);
}

TEST(ConsoleUi, ABoxWhoseTextOpensWithItsCaptionShowsTheCaptionOnce) {
  // A device's error report starts with the caption of its own box.
  EXPECT_EQ(ui::ConsoleUi::Render("[Error Information]\r\nSCSI Address: 0,4,0\r\nError Code: 3-0C-00\r\n\r\n",
                                  "Error Information"),
            "[Error Information]\n    SCSI Address: 0,4,0\n    Error Code: 3-0C-00\n");
  EXPECT_EQ(ui::ConsoleUi::Render("[Warning] is part of the text", "Error"), "[Error] [Warning] is part of the text\n");
}
