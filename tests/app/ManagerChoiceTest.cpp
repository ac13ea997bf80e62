// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of SCSI manager as the front ends make it: named managers beside
// the program, a library path, and the choices that cannot be made.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/ManagerChoice.h"
#include "host/os/Platform.h"
#include "scsi/AspiManager.h"
#include "tests/fixtures/ProgramBus.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"

namespace {

// Leaves no choice behind for the next test, and MARROWLIGHT_ASPI as it was.
struct ForgetChoice {
  ForgetChoice() : environment(host::GetEnvironment("MARROWLIGHT_ASPI")) {}
  ~ForgetChoice() {
    SetAspiManagerPath("");
    if (environment) {
      ::setenv("MARROWLIGHT_ASPI", environment->c_str(), 1);
    } else {
      ::unsetenv("MARROWLIGHT_ASPI");
    }
  }
  std::optional<std::string> environment;
};

}  // namespace

TEST(ManagerChoice, NamedChoicesAreLibrariesBesideTheProgram) {
  const std::string folder = host::ProgramDirectory();
  EXPECT_EQ(ManagerLibraryFor("sim"), folder + "/libwnaspi32.so");
  EXPECT_EQ(ManagerLibraryFor("sg"), folder + "/libmarrowlight-sg.so");
  EXPECT_EQ(ManagerLibraryFor("/opt/aspi/libother.so"), "/opt/aspi/libother.so");
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(ManagerLibraryFor("managers/./libmine.so"), std::string(cwd) + "/managers/libmine.so");
  EXPECT_EQ(ManagerLibraryFor(""), std::nullopt);

  ASSERT_EQ(ManagerOptions().size(), 2u);
  EXPECT_STREQ(ManagerOptions()[1].name, "sg");
}

TEST(ManagerChoice, AppliesBeforeTheFirstLoadOnly) {
  ForgetChoice forget;
  TempDir dir;
  std::string error;
  EXPECT_FALSE(ApplyManagerChoice(dir.File("libnothing.so"), &error));
  EXPECT_EQ(error, "No SCSI manager library at " + dir.File("libnothing.so") +
                       " (choose sim, sg or the path of a manager library).");

  // The simulated bus chosen by name while MARROWLIGHT_ASPI names a
  // missing library: the choice wins.
  ProgramBus bus(R"({"id": 0, "model": "disk"})");
  ::setenv("MARROWLIGHT_ASPI", dir.File("libnothing.so").c_str(), 1);
  error.clear();
  ASSERT_TRUE(ApplyManagerChoice("sim", &error)) << error;
  EXPECT_EQ(AspiManagerPath(), host::ProgramDirectory() + "/libwnaspi32.so");
  EXPECT_TRUE(ApplyManagerChoice("", &error)) << "no choice changes nothing";
  EXPECT_EQ(AspiManagerPath(), host::ProgramDirectory() + "/libwnaspi32.so");

  ScriptedUiGuard ui;
  ASSERT_TRUE(IsAspiReady());
  EXPECT_FALSE(ApplyManagerChoice("sg", &error));
  EXPECT_EQ(error, "The SCSI manager is loaded already; choose it before the first scan.");
  EXPECT_EQ(AspiManagerPath(), host::ProgramDirectory() + "/libwnaspi32.so");
}

TEST(ManagerChoice, StartUpTakesTheCommandLineThenTheEnvironmentThenTheSetting) {
  ForgetChoice forget;
  TempDir dir;
  const std::string other = dir.Write("libother.so", "");  // a file is all the choice checks
  const std::string program = host::ProgramDirectory();
  const char* unset = nullptr;
  struct Row {
    std::vector<std::string> arguments;
    const char* environment;  // nullptr: MARROWLIGHT_ASPI unset
    std::string setting;
    std::string chosen;  // what AspiManagerPath() then gives
  };
  const std::vector<Row> rows = {
      {{"marrowlight", "--manager", "sg"}, "/x/libenv.so", "sim", program + "/libmarrowlight-sg.so"},
      {{"marrowlight", "-nolog", "--manager=" + other}, unset, "sg", other},
      {{"marrowlight"}, "/x/libenv.so", "sg", "/x/libenv.so"},
      {{"marrowlight"}, "", "sg", program + "/libmarrowlight-sg.so"},
      {{"marrowlight"}, unset, "", program + "/libwnaspi32.so"},
      {{"marrowlight", "--manager"}, unset, "sim", program + "/libwnaspi32.so"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments.back());
    SetAspiManagerPath("");
    if (row.environment != nullptr) {
      ::setenv("MARROWLIGHT_ASPI", row.environment, 1);
    } else {
      ::unsetenv("MARROWLIGHT_ASPI");
    }
    std::vector<char*> argv;
    for (const std::string& argument : row.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    std::string error;
    EXPECT_TRUE(ApplyStartupManagerChoice(static_cast<int>(argv.size()), argv.data(), row.setting, &error)) << error;
    EXPECT_EQ(AspiManagerPath(), row.chosen);
  }
  ::unsetenv("MARROWLIGHT_ASPI");
  SetAspiManagerPath("");

  // A setting that names a missing library is refused with its reason.
  char name[] = "marrowlight";
  char* argv[] = {name};
  std::string error;
  EXPECT_FALSE(ApplyStartupManagerChoice(1, argv, dir.File("gone.so"), &error));
  EXPECT_EQ(error, "No SCSI manager library at " + dir.File("gone.so") +
                       " (choose sim, sg or the path of a manager library).");
}

// With nothing chosen, an installed program (its marker beside it) takes the
// machine's real drives when the machine has SCSI generic units; a build
// tree, and a machine without units, the simulated bus.
TEST(ManagerChoice, TheDefaultOfAnInstalledProgramIsRealDrivesWhereThereAreAny) {
  struct Row {
    bool installed;
    int units;  // -1: no scsi_generic class at all
    const char* choice;
  };
  const Row rows[] = {{true, 2, "sg"}, {true, 0, ""}, {true, -1, ""}, {false, 2, ""}, {false, -1, ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.installed) + " " + std::to_string(row.units));
    TempDir program, sysfs;
    if (row.installed) program.Write(kInstalledMarker, "auto\n");
    if (row.units >= 0) std::filesystem::create_directories(sysfs.File("class/scsi_generic"));
    for (int n = 0; n < row.units; ++n) std::filesystem::create_directories(sysfs.File("class/scsi_generic/sg" + std::to_string(n)));
    EXPECT_EQ(DefaultManagerChoice(program.Path(), sysfs.Path()), row.choice);
  }
}
