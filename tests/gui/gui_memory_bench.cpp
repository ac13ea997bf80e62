// SPDX-License-Identifier: GPL-3.0-or-later
// gui_memory_bench: the memory of the windows over a long session, as a
// person recording one disc after another meets it: one write and then N
// verifies (default 20) of an image (default 20 MB) through the operation
// dialog, in one process, with the log window receiving the whole log. After
// each operation it prints the resident size, the open descriptors and the
// threads of the process. --unbounded lets the log window keep every line
// (as it did before it kept only its last ones), to compare. It prints
// figures and asserts nothing; run by hand:
//
//   build/release/bin/gui_memory_bench [--unbounded] [verifies] [MB]
#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "app/StartActions.h"
#include "base/Log.h"
#include "base/SystemInfo.h"
#include "devices/CreateDevice.h"
#include "gui/GuiThread.h"
#include "gui/TFormLog.h"
#include "gui/TWriteForm.h"
#include "host/ui/MessageBox.h"
#include "volume/VolSizeChoice.h"

namespace {

// Answers every box as a person in a hurry does: Yes, OK.
class Hurried : public ui::Backend {
 public:
  int MessageBox(const std::string&, const std::string&, unsigned flags) override { return ui::PositiveAnswer(flags); }
};

long StatusField(const char* name) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(name, 0) == 0) return std::atol(line.c_str() + std::strlen(name));
  return -1;
}

long OpenDescriptors() {
  long count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// Runs one operation in the dialog: the list item, Start, until the dialog
// closes itself.
void RunInDialog(TWriteForm& form, const OperationRequest& request, const char* operation) {
  if (!form.SetParameters(request)) return;
  QTimer::singleShot(0, &form, [&form, operation] {
    form.findChild<QComboBox*>("CmbWriteMode")->setCurrentText(operation);
    form.findChild<QPushButton*>("BtnStart")->click();
  });
  form.ShowModal();
}

}  // namespace

int main(int argc, char** argv) {
  bool unbounded = argc > 1 && std::string(argv[1]) == "--unbounded";
  int first = unbounded ? 2 : 1;
  const int verifies = argc > first ? std::atoi(argv[first]) : 20;
  const int megabytes = argc > first + 1 ? std::atoi(argv[first + 1]) : 20;

  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "marrowlight-memory-bench";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "tree");
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("MARROWLIGHT_TIME_SCALE", "0.001", 0);
  const std::string bus = (dir / "bus.json").string();
  std::ofstream(bus) << R"({"state_dir": "state", "adapters": [{"devices": [
      {"id": 4, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 1000000}}]}]})";
  ::setenv("MARROWLIGHT_SIMBUS", bus.c_str(), 1);
  const std::string image = (dir / "volume.iso").string();
  const std::string make = "head -c " + std::to_string(megabytes) + "M /dev/urandom > " + (dir / "tree/data.bin").string() +
                           " && genisoimage -quiet -udf -V BENCH -o " + image + " " + (dir / "tree").string();
  if (std::system(make.c_str()) != 0) {
    std::fprintf(stderr, "genisoimage failed\n");
    return 1;
  }

  BuildSystemInfo();
  QApplication app(argc, argv);
  gui::GuiDispatcher dispatcher;
  Hurried person;
  ui::ScopedBackend answers(person);
  SetTraceWriter([](std::string_view) {});
  TFormLog log((dir / "MarrowlightLog.txt").string());
  if (unbounded) log.findChild<QPlainTextEdit*>("Log")->setMaximumBlockCount(0);

  auto writer = CreateDevice(0, 4, 0).device;
  VolSizeChoice sizes;
  StartActions actions(sizes);
  TWriteForm form(sizes);
  // As the main window's Write and Verify buttons do: the source is checked
  // (its headers dumped into the log) before each operation.
  auto run = [&](Operation operation, const char* item) {
    PageSide source{true, nullptr, image};
    if (std::optional<OperationRequest> request = actions.StartWritePage(operation, source, writer.get()))
      RunInDialog(form, *request, item);
  };

  std::printf("%s: 1 write and %d verifies of %d MB, log window %s\n", argv[0], verifies, megabytes,
              unbounded ? "keeping every line" : "keeping its last lines");
  std::printf("%-12s %10s %6s %8s %12s\n", "after", "RSS (KB)", "fds", "threads", "window lines");
  auto report = [&](const std::string& what) {
    Log().Flush();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    std::printf("%-12s %10ld %6ld %8ld %12d\n", what.c_str(), StatusField("VmRSS:"), OpenDescriptors(),
                StatusField("Threads:"), log.findChild<QPlainTextEdit*>("Log")->blockCount());
    std::fflush(stdout);
  };
  report("start");
  run(Operation::TestOnly, "Write");
  report("write");
  const long afterWrite = StatusField("VmRSS:");
  for (int i = 1; i <= verifies; ++i) {
    run(Operation::VerifyDisc, "Verify");
    report("verify " + std::to_string(i));
  }
  std::printf("growth over the %d verifies: %ld KB\n", verifies, StatusField("VmRSS:") - afterWrite);
  std::filesystem::remove_all(dir);
  return 0;
}
