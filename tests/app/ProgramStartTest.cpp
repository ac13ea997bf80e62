// SPDX-License-Identifier: GPL-3.0-or-later
// What the windowed program settles before its first window: the logging
// switch and where the log file goes.
#include <gtest/gtest.h>

#include "app/ProgramStart.h"
#include "app/StartActions.h"
#include "devices/DeviceLine.h"
#include "base/ProgramIdentity.h"
#include "devices/SCSIDEV.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "volume/VolSizeChoice.h"

TEST(ProgramStart, TheLogStaysBesideAWritableProgramAndGoesToTheStateFolderOtherwise) {
  using Env = std::optional<std::string>;
  struct Case {
    bool writable;
    Env xdg, home;
    std::string folder;
  };
  const Case cases[] = {
      {true, Env("/state"), Env("/home/me"), "/opt/ml"},
      {false, Env("/state"), Env("/home/me"), "/state/marrowlight"},
      {false, std::nullopt, Env("/home/me"), "/home/me/.local/state/marrowlight"},
      // An empty or relative XDG_STATE_HOME is ignored, as the XDG rules say.
      {false, Env(""), Env("/home/me"), "/home/me/.local/state/marrowlight"},
      {false, Env("state"), Env("/home/me"), "/home/me/.local/state/marrowlight"},
      // Nowhere else to go: the program's folder, where logging will switch itself off.
      {false, std::nullopt, std::nullopt, "/opt/ml"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LogFolder("/opt/ml", c.writable, c.xdg, c.home), c.folder)
        << c.writable << " " << c.xdg.value_or("-") << " " << c.home.value_or("-");
  }
}

TEST(ProgramStart, OnlyAFirstArgumentBeginningWithNologSwitchesLoggingOff) {
  struct Case {
    std::vector<const char*> arguments;
    bool loggingOn;
  };
  const Case cases[] = {
      {{"marrowlight"}, true},
      {{"marrowlight", "-nolog"}, false},
      {{"marrowlight", "-nologging"}, false},
      {{"marrowlight", "-NOLOG"}, true},
      {{"marrowlight", "-style", "-nolog"}, true},
  };
  for (const Case& c : cases) {
    StartOptions options = ReadStartOptions(static_cast<int>(c.arguments.size()), c.arguments.data());
    EXPECT_EQ(options.loggingOn, c.loggingOn) << c.arguments.back();
    // The test program's folder is writable: the log stays beside it.
    EXPECT_EQ(options.logFilePath, ProgramDir() + "/MarrowlightLog.txt");
  }
}

TEST(ProgramStart, TheImageToOpenAndTheTraceSwitch) {
  struct Case {
    std::vector<const char*> arguments;
    std::string image;
    bool trace;
  };
  const Case cases[] = {
      {{"marrowlight"}, "", false},
      {{"marrowlight", "/tmp/a.iso"}, "/tmp/a.iso", false},
      {{"marrowlight", "-nolog", "--trace", "a.iso"}, "a.iso", true},
      {{"marrowlight", "--manager", "sg", "b.img"}, "b.img", false},
      {{"marrowlight", "--manager=sg", "--trace"}, "", true},
  };
  for (const Case& c : cases) {
    const int count = static_cast<int>(c.arguments.size());
    EXPECT_EQ(ImageArgument(count, c.arguments.data()), c.image) << c.arguments.back();
    EXPECT_EQ(ReadStartOptions(count, c.arguments.data()).trace, c.trace) << c.arguments.back();
  }
}

TEST(VersionLine, NoWriterOrTheUnsetDeviceIsNotAWritingDevice) {
  SCSIDEV unset;
  EXPECT_EQ(WritingDeviceLine(nullptr), "No writing device is found.");
  EXPECT_EQ(WritingDeviceLine(&unset), "No writing device is found.");
}

TEST(StartActions, ADestinationIsProposedBesideItsSourceUnderANewName) {
  TempDir dir;
  EXPECT_EQ(NewCopyName(dir.File("vol.iso")), dir.File("vol-copy.iso"));
  dir.Write("vol-copy.iso", "taken");
  dir.Write("vol-copy2.iso", "taken");
  EXPECT_EQ(NewCopyName(dir.File("vol.iso")), dir.File("vol-copy3.iso"));
  EXPECT_EQ(NewCopyName(dir.File("image")), dir.File("image-copy.iso"));
}

TEST(StartActions, ChoosersOpenWhereTheirLastFileWas) {
  ScriptedUiGuard ui;
  VolSizeChoice sizes;
  StartActions actions(sizes);
  actions.Remember(ChooserMemory{"/discs/last.iso", "/copies/out.iso"});
  ui->ExpectFileDialog(std::nullopt);
  EXPECT_EQ(actions.Browse(FileRole::Source), std::nullopt);
  ui->ExpectFileDialog("/discs/next.iso");
  EXPECT_EQ(actions.Browse(FileRole::Source), "/discs/next.iso");
  const std::vector<ui::FileDialogRequest> asked = ui->FileDialogs();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].folder, "/discs");
  EXPECT_EQ(asked[0].fileName, "/discs/last.iso");
  EXPECT_EQ(asked[0].filter, kImageFilter);
  EXPECT_EQ(actions.Memory().lastSource, "/discs/next.iso");
  EXPECT_EQ(actions.Memory().lastDestination, "/copies/out.iso");
}
