// SPDX-License-Identifier: GPL-3.0-or-later
// Finding, loading and checking the SCSI manager: every message, trace and
// result of the two forms of the loader, with real shared libraries.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/os/Event.h"
#include "host/os/Platform.h"
#include "host/ui/MessageBox.h"
#include "scsi/ASPI32.h"
#include "scsi/AspiManager.h"
#include "scsi/Commands.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/scsi/TestManagers.h"

namespace {

const char* const kNotFoundText = "ASPI manager is not found.\nInstall ASPI manager and restart your conputer.";
const char* const kNotFoundCaption = "ASPI manager is missing";
const char* const kNotFoundTrace = "ASPI manager is not found. (Missing WNASPI32.DLL)\r\n";
const char* const kNotInitText =
    "ASPI manager is not initialized!!\nCheck SCSI board driver and ASPI manager are correctly installed.";
const char* const kNotInitCaption = "ASPI Initializing Error.";

// The box names the library and says why the loader could not use it.
std::string NotFoundText(const std::string& reason) { return std::string(kNotFoundText) + "\n" + reason; }
void ExpectNotFoundBox(ScriptedUiGuard& ui, const std::string& path = MissingManagerPath()) {
  ui.Expect(NotFoundText(path + ": cannot open shared object file: No such file or directory"), kNotFoundCaption,
            0x10, ui::kIdOk);
}

}  // namespace

TEST(AspiManagerLoad, MissingLibraryShowsTheBoxOnEveryAttempt) {
  TestManager manager(MissingManagerPath());
  CapturedLog log;
  ScriptedUiGuard ui;
  PauseRecorder pauses;
  ExpectNotFoundBox(ui);
  ExpectNotFoundBox(ui);
  EXPECT_FALSE(IsAspiReady());
  EXPECT_FALSE(IsAspiReady()) << "each check tries to load the library again";
  EXPECT_EQ(log.Trace(), std::string(kNotFoundTrace) + kNotFoundTrace) << "no \"ASPI Static Init\" without a manager";
  EXPECT_TRUE(pauses.Pauses().empty());
}

TEST(AspiManagerLoad, ObjectFormReturnsMinusOneWithoutLibrary) {
  TestManager manager(MissingManagerPath());
  CapturedLog log;
  ScriptedUiGuard ui;
  ExpectNotFoundBox(ui);
  EXPECT_EQ(LoadAspiManager(AspiLoadForm::Object), -1);
  EXPECT_EQ(AspiSendFunction(), nullptr);
}

TEST(AspiManagerLoad, LibraryWithoutSendEntryPointCountsAsNotFound) {
  TestManager manager(TEST_MANAGER_MissingEntry);
  CapturedLog log;
  ScriptedUiGuard ui;
  ui.Expect(NotFoundText(std::string(TEST_MANAGER_MissingEntry) + ": not a SCSI manager (it lacks SendASPI32Command)"),
            kNotFoundCaption, 0x10, ui::kIdOk);
  EXPECT_FALSE(IsAspiReady());
  EXPECT_EQ(log.Trace(), kNotFoundTrace);
  EXPECT_EQ(AspiSendFunction(), nullptr);
}

TEST(AspiManagerLoad, ChannelWithoutManagerRefusesEveryRequest) {
  TestManager manager(MissingManagerPath());
  CapturedLog log;
  ScriptedUiGuard ui;
  ExpectNotFoundBox(ui);
  ASPI32 channel;  // the object form shows the same box
  EXPECT_EQ(channel.Status(), 0) << "a failed load leaves the status alone";
  ui.Expect("ASPI SendFunction is NULL.", "Internal Error", ui::kOk, ui::kIdOk);
  ui.Expect("ASPI SendFunction is NULL.", "Internal Error", ui::kOk, ui::kIdOk);
  ui.Expect("ASPI SendFunction is NULL.", "Internal Error", ui::kOk, ui::kIdOk);
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), -1);
  uint8_t count = 0xAA;
  EXPECT_EQ(channel.HostAdapterInquiry(0, &count), -1);
  EXPECT_EQ(channel.RescanBus(0), -1);
  EXPECT_TRUE(channel.LastRequest().empty()) << "nothing was sent";
}

TEST(AspiManagerLoad, StartCheckTracesQueriesOnceAndPausesOnlyTheFirstTime) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;  // no box expected
  PauseRecorder pauses;
  EXPECT_TRUE(IsAspiReady());
  EXPECT_EQ(log.Trace(), "ASPI Static Init\r\n");
  EXPECT_EQ(pauses.Pauses(), std::vector<uint32_t>{500});
  EXPECT_NE(AspiSendFunction(), nullptr);

  EXPECT_TRUE(IsAspiReady());
  ASPI32 second;
  EXPECT_EQ(log.Trace(), "ASPI Static Init\r\n") << "an available manager is not checked again";
  EXPECT_EQ(pauses.Pauses(), std::vector<uint32_t>{500});
  EXPECT_EQ(manager.SupportQueries(), 1);
  EXPECT_EQ(second.Status(), 0) << "the second channel does not query";
}

TEST(AspiManagerLoad, ObjectFormKeepsTheSupportInfoAndDoesNotTrace) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;
  PauseRecorder pauses;
  ASPI32 first;
  EXPECT_EQ(first.Status(), 0x0101) << "SS_COMP and one adapter";
  EXPECT_EQ(log.Trace(), "");
  EXPECT_EQ(pauses.Pauses(), std::vector<uint32_t>{500});

  ASPI32 second;
  EXPECT_EQ(second.Status(), 0);
  EXPECT_EQ(manager.SupportQueries(), 1) << "no second query on a second ASPI32";
  EXPECT_EQ(pauses.Pauses(), std::vector<uint32_t>{500}) << "no second 500 ms pause";
  EXPECT_TRUE(IsAspiReady());
  EXPECT_EQ(log.Trace(), "") << "the start check finds the manager available at once";
}

TEST(AspiManagerLoad, NotInitialisedManagerIsReportedOnceByTheStartCheck) {
  TestManager manager(TEST_MANAGER_NotInitialised);
  CapturedLog log;
  ScriptedUiGuard ui;
  PauseRecorder pauses;
  ui.Expect(kNotInitText, kNotInitCaption, 0x10, ui::kIdOk);
  EXPECT_FALSE(IsAspiReady()) << "the Write-page scan stops";
  EXPECT_EQ(log.Trace(), "ASPI Static Init\r\nASPI for Win32 is not initialized!!\r\nAspiStatus: E800H\r\n");
  EXPECT_TRUE(pauses.Pauses().empty()) << "no settling pause after a failed check";

  EXPECT_TRUE(IsAspiReady()) << "the Copy-page scan finds the manager available and runs";
  EXPECT_EQ(manager.SupportQueries(), 1);
  EXPECT_NE(AspiSendFunction(), nullptr) << "the entry points stay set";
}

TEST(AspiManagerLoad, NotInitialisedManagerInTheObjectForm) {
  TestManager manager(TEST_MANAGER_NotInitialised);
  CapturedLog log;
  ScriptedUiGuard ui;
  ui.Expect(kNotInitText, kNotInitCaption, 0x10, ui::kIdOk);
  int32_t info = 0;
  EXPECT_EQ(LoadAspiManager(AspiLoadForm::Object, &info), kAspiNotInitialised);
  EXPECT_EQ(kAspiNotInitialised, 0xE400);
  EXPECT_EQ(info, 0xE800);
  EXPECT_EQ(log.Trace(), "ASPI for Win32 is not initialized!!\nAspiStatus: E800H\r\n");

  ASPI32 channel;  // available now: no box, no query
  EXPECT_EQ(channel.Status(), 0);
  EXPECT_EQ(manager.SupportQueries(), 1);
}

TEST(AspiManagerLoad, ChannelCreatedFirstStoresTheNotInitialisedResult) {
  TestManager manager(TEST_MANAGER_NotInitialised);
  CapturedLog log;
  ScriptedUiGuard ui;
  ui.Expect(kNotInitText, kNotInitCaption, 0x10, ui::kIdOk);
  ASPI32 channel;
  EXPECT_EQ(channel.Status(), 0xE800);
}

TEST(AspiManagerLoad, AManagerThatTakesALogSinkWritesToTheLog) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  EXPECT_FALSE(manager.Log("[Test manager] before the load")) << "no sink before the manager is loaded";
  ASSERT_TRUE(IsAspiReady());
  ASSERT_TRUE(manager.Log("[Test manager] 0,1,0 is /dev/sg1."));
  EXPECT_TRUE(log.Contains("[Test manager] 0,1,0 is /dev/sg1."));
}

TEST(AspiManagerLoad, AChosenPathComesBeforeTheEnvironment) {
  TestManager manager(TEST_MANAGER_Synchronous);
  SetAspiManagerPath(TEST_MANAGER_Busy);
  EXPECT_EQ(AspiManagerPath(), TEST_MANAGER_Busy);
  EXPECT_FALSE(IsAspiManagerLoaded());
  EXPECT_TRUE(IsAspiReady());
  EXPECT_TRUE(IsAspiManagerLoaded());
  EXPECT_EQ(manager.SupportQueries(), 0) << "the chosen manager was loaded, not the one in MARROWLIGHT_ASPI";
  SetAspiManagerPath("");
  EXPECT_EQ(AspiManagerPath(), TEST_MANAGER_Synchronous);
}

TEST(AspiManagerLoad, PathComesFromTheEnvironmentOrTheProgramFolder) {
  TestManager manager(TEST_MANAGER_Synchronous);
  EXPECT_EQ(AspiManagerPath(), TEST_MANAGER_Synchronous);
  ::unsetenv("MARROWLIGHT_ASPI");
  EXPECT_EQ(AspiManagerPath(), host::ProgramDirectory() + "/libwnaspi32.so");
  ::setenv("MARROWLIGHT_ASPI", "", 1);
  EXPECT_EQ(AspiManagerPath(), host::ProgramDirectory() + "/libwnaspi32.so") << "an empty setting counts as none";
}
