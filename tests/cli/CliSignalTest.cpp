// SPDX-License-Identifier: GPL-3.0-or-later
// The headless front end and what happens around it: its output going away,
// Ctrl-C and SIGTERM at every stage of a command.
#include <gtest/gtest.h>

#include <signal.h>

#include "tests/cli/CliBus.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/TempDir.h"

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A writer slow enough that a test can act while a pass runs.
const char* const kSlowWriter = R"({"id": 4, "model": "qxw7100", "revision": "1.07", "speed": 0.02,
                                    "medium": {"kind": "dvd-r", "sectors": 8192}})";

}  // namespace

TEST(CliSignal, OutputThatGoesAwayLetsTheWriteEndAsItWould) {
  CliBus bus(kSlowWriter);
  bus.timeScale = 0.01;
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "PIPED", 2 * 1024 * 1024);
  // As `marrowlight-cli write ... 2>&1 | head` does once head has its lines.
  Process run(CliBus::Program(), {"--nolog", "--yes", "write", image, "0,4,0", "--mode", "write"},
              bus.Environment());
  ASSERT_TRUE(run.WaitForError("Write 0%"));  // the pass has begun
  run.CloseOutput();
  ProcessResult result = run.Finish();
  EXPECT_EQ(result.status, 0) << "killed by signal " << result.status - 128;
  // The pass went on to its leadout: the disc is closed.
  ProcessResult list = bus.Tool({"list"});
  EXPECT_TRUE(Has(list.out, "0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.07: closed dvd-r")) << list.out;
}

TEST(CliSignal, CtrlCWhileTheSourceIsCheckedEndsBeforeTheWriterIsTouched) {
  TempDir images;
  std::string image = MakeGenisoImage(images.Path(), "g.iso", "CHECKED", 1024 * 1024);
  // The check's read of the volume descriptor is held until the program has
  // taken the Ctrl-C.
  CliBus bus(R"({"id": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": ")" + image +
             R"("}, "faults": [{"kind": "gate", "lba": [16, 16], "first": 1, "until": "release"}]}, )" + kSlowWriter);
  Process run(CliBus::Program(), {"--nolog", "--yes", "write", "0,2,0", "0,4,0", "--mode", "write"},
              bus.Environment());
  ASSERT_TRUE(run.WaitForError("Checking 0,2,0 ..."));
  run.Signal(SIGINT);
  ASSERT_TRUE(run.WaitSignalTaken());
  bus.Dir().Write("release", "");
  ProcessResult result = run.Finish();
  EXPECT_EQ(result.status, 3) << result.err;
  EXPECT_TRUE(Has(result.err, "Canceling...")) << result.err;
  EXPECT_TRUE(Has(result.err, "Canceled before the operation started.")) << result.err;
  EXPECT_FALSE(Has(result.err, "Now writing")) << result.err;
  ProcessResult list = bus.Tool({"list"});
  EXPECT_TRUE(Has(list.out, "0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.07: blank dvd-r, 8192 sectors")) << list.out;
}

TEST(CliSignal, CtrlCWhileTheCheckWaitsForAHungCommandSaysSoAtOnce) {
  TempDir images;
  std::string image = MakeGenisoImage(images.Path(), "g.iso", "HUNG", 1024 * 1024);
  // The check's first command (START STOP UNIT, which loads the disc) never
  // ends: the signal comes before it or while it hangs, either way the check
  // waits for it.
  CliBus bus(R"({"id": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": ")" + image +
             R"("}, "faults": [{"kind": "hang", "opcode": "1Bh"}]}, )" + kSlowWriter);
  Process run(CliBus::Program(), {"--nolog", "--yes", "write", "0,2,0", "0,4,0", "--mode", "write"},
              bus.Environment());
  ASSERT_TRUE(run.WaitForError("Checking 0,2,0 ..."));
  run.Signal(SIGINT);
  ASSERT_TRUE(run.WaitForError("Canceling..."));
  ASSERT_TRUE(run.WaitForError("The program waits for the drive to finish its current command."));
  run.Signal(SIGINT);
  ProcessResult result = run.Finish();
  EXPECT_EQ(result.status, 128 + SIGINT) << result.err;
  ProcessResult list = bus.Tool({"list"});
  EXPECT_TRUE(Has(list.out, "0,4,0  qxw7100  HALVERN DVD-R QXW-7100 1.07: blank dvd-r, 8192 sectors")) << list.out;
}

TEST(CliSignal, CtrlCAtAQuestionOnTheTerminalAbandonsItAndNothingIsOpenedForWriting) {
  CliBus bus(kSlowWriter);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "ASKED", 256 * 1024);
  std::string kept = bus.Dir().Write("kept.iso", "precious");
  Process run(CliBus::Program(), {"--nolog", "copy", image, kept}, bus.Environment(), Process::Input::Terminal);
  ASSERT_TRUE(run.WaitForError("Do you wish to overwrite it?"));
  ASSERT_TRUE(run.WaitForError("[y/n]"));
  run.Signal(SIGINT);
  ASSERT_TRUE(run.WaitForError(std::vector<std::string>{"Canceling...", "-> answered No (canceled)"}));
  // A y typed after Ctrl-C answers nothing any more.
  run.Type("y\n");
  ProcessResult result = run.Finish();
  EXPECT_EQ(result.status, 3) << result.err;
  EXPECT_TRUE(Has(result.err, "[Marrowlight] Operation canceled.")) << result.err;
  // The pending question is answered No by the cancel. The "Canceling..."
  // lines come from the main thread and may stand between the two.
  const size_t prompt = result.err.find("Yes or No? [y/n] \n");
  ASSERT_NE(prompt, std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("  -> answered ", prompt), result.err.find("  -> answered No (canceled)", prompt))
      << result.err;
  EXPECT_NE(result.err.find("  -> answered No (canceled)", prompt), std::string::npos) << result.err;
  EXPECT_FALSE(Has(result.err, "failed")) << result.err;
  EXPECT_EQ(TempDir::Read(kept), "precious");
}

TEST(CliSignal, CtrlCWhileTheDriveHangsSaysThatItWaitsAndASecondOneQuitsAtOnce) {
  // The leadout never ends; Cancel is off meanwhile, so the first Ctrl-C can
  // only wait for the drive. SIGTERM is taken as Ctrl-C is.
  for (int signal : {SIGINT, SIGTERM}) {
    CliBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r", "sectors": 8192},
                   "faults": [{"kind": "hang", "opcode": "35h"}]})");
    std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "HANGS", 256 * 1024);
    Process run(CliBus::Program(), {"--nolog", "--yes", "write", image, "0,4,0", "--mode", "write"},
                bus.Environment());
    ASSERT_TRUE(run.WaitForError("Now writing leadout"));
    run.Signal(signal);
    ASSERT_TRUE(run.WaitForError("Press Ctrl-C again to quit at once")) << signal;
    run.Signal(signal);
    ProcessResult result = run.Finish();
    EXPECT_EQ(result.status, 128 + signal) << result.err;
    EXPECT_TRUE(Has(result.err, "Canceling... The program waits for the drive to finish its current command."))
        << result.err;
  }
}

TEST(CliSignal, SigtermAndSighupCancelAPassAsCtrlCDoes) {
  for (int signal : {SIGTERM, SIGHUP}) {
    // The write is held at block 600 (of about 1,000) until the program has
    // taken the signal.
    CliBus bus(R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r", "sectors": 8192},
                   "faults": [{"kind": "gate", "opcode": "2Ah", "lba": [600, 600], "first": 1, "until": "release"}]})");
    std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "TERM", 2 * 1024 * 1024);
    Process run(CliBus::Program(), {"--nolog", "write", image, "0,4,0", "--mode", "write-verify"}, bus.Environment());
    // The pass has begun (its first percent is shown at its start); the gate
    // holds it until the signal is taken.
    ASSERT_TRUE(run.WaitForError("Write 0%"));
    run.Signal(signal);
    ASSERT_TRUE(run.WaitForError("Canceling...")) << signal;
    bus.Dir().Write("release", "");
    ProcessResult result = run.Finish();
    EXPECT_EQ(result.status, 3) << signal << "\n" << result.err;
    EXPECT_TRUE(Has(result.err, "[Marrowlight] Operation canceled.")) << result.err;
    // Canceled in the write pass: no verify follows.
    EXPECT_FALSE(Has(result.err, "Now verifying")) << result.err;
  }
}

TEST(CliSignal, AFileSizeLimitFailsACopyWithItsReasonInsteadOfKillingTheProgram) {
  CliBus bus(R"({"id": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": "g.iso"}})");
  MakeGenisoImage(bus.Dir().Path(), "g.iso", "LIMITED", 1024 * 1024);
  const std::string copy = bus.File("copy.iso");
  // ulimit -f counts 512-byte blocks: 256 KiB, well below the volume.
  ProcessResult result = Process::Run(
      "/bin/sh", {"-c", "ulimit -f 512; exec \"$0\" \"$@\"", CliBus::Program(), "--nolog", "copy", "0,2,0", copy,
                  "--mode", "copy"},
      bus.Environment());
  EXPECT_EQ(result.status, 1) << "killed by signal " << result.status - 128 << "\n" << result.err;
  EXPECT_TRUE(Has(result.err, "Write error: " + copy + " (File too large)")) << result.err;
  EXPECT_TRUE(Has(result.err, "[Marrowlight] Operation failed.")) << result.err;
}

TEST(CliSignal, CtrlCDuringAnEraseEndsTheWaitWithAWord) {
  // The erase takes a minute of the drive's time: the signal comes while the
  // program polls the drive.
  CliBus bus(R"({"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw"}, "timing": {"blank_ms": 60000000}})");
  Process run(CliBus::Program(), {"--nolog", "--yes", "erase", "0,5,0"}, bus.Environment());
  ASSERT_TRUE(run.WaitForError("-> answered OK"));
  run.Signal(SIGINT);
  ProcessResult result = run.Finish();
  EXPECT_EQ(result.status, 3) << result.err;
  EXPECT_TRUE(Has(result.err, "The program stops waiting for the erase. The drive goes on erasing the disc by itself"))
      << result.err;
}
