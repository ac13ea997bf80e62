// SPDX-License-Identifier: GPL-3.0-or-later
// A copy whose destination file system fills up during the copy. The test
// runs the copy in a child process with a mount namespace of its own, on a
// 256 KiB tmpfs, so no real disk is filled; without the right to mount it is
// skipped.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "base/Log.h"
#include "base/ProgramIdentity.h"
#include "host/ui/ScriptedUi.h"
#include "tests/fixtures/TempDir.h"
#include "tests/operation/TestDialog.h"
#include "tests/transfer/TransferData.h"

namespace {

constexpr int kCannotMount = 77;

// The child's whole run; its exit status is the number of problems found.
int CopyOntoASmallFileSystem(const std::string& folder) {
  if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return kCannotMount;
  }
  const std::string small = folder + "/small";
  ::mkdir(small.c_str(), 0700);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0) return kCannotMount;

  // The child's log stays in the test folder and off the test output.
  InstallLogSink(std::make_unique<LogSink>(folder + "/MarrowlightLog.txt", "HEADER\r\n"));
  SetTraceWriter([](std::string_view) {});

  int problems = 0;
  ui::ScriptedUi script([&](const std::string& failure) {
    ++problems;
    std::fprintf(stderr, "%s\n", failure.c_str());
  });
  ui::ScopedBackend scope(script);
  script.Expect("Destination has not enough free space. Are you sure to continue?", ProgramName, 0x114, ui::kIdYes);
  script.Expect("Destination disk is going to full.", ProgramName, 0x10, ui::kIdOk);
  script.Expect("Copying failed.", ProgramName, 0x10, ui::kIdOk);
  script.Expect("Operation failed.", ProgramName, 0x10, ui::kIdOk);

  const uint64_t size = 1024 * 1024;
  TempDir source;
  std::string image = source.Write("a.iso", VolumeBytes(size, 5));
  TestDialog dialog(size);
  TOperationThread op(dialog, Request(image, 0x08, 0, size, "VOL", small + "/b.iso"));
  RunOperation(op);
  if (dialog.result != OperationResult::Failed) ++problems;
  problems += static_cast<int>(script.Remaining().size());
  return problems;
}

}  // namespace

TEST(DiskFull, CopyOntoAFullDiskSaysSoAndFails) {
  TempDir dir;
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(CopyOntoASmallFileSystem(dir.Path()));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kCannotMount) GTEST_SKIP() << "no right to mount a tmpfs here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "problems in the child (see its output above)";
}
