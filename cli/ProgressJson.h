// SPDX-License-Identifier: GPL-3.0-or-later
// ProgressJson: the one writer of the JSON lines by which a script or another
// front end follows a command, for one writer or several. With --progress
// json every object is one line on the standard output, and nothing else goes
// there (the command's own lines go to the standard error); write --json
// writes the phase and progress lines alone, on the standard error. Lines are
// written whole under a lock, so lines from several threads never tear.
//
// The objects, told apart by "type":
//   {"type":"phase", "writer":"0,4,0", "phase":"write", "pass":2}
//       a drive's pass or phase begins (before its first progress line);
//   {"type":"progress", "writer":"0,4,0", "phase":"write", "pass":2,
//    "percent":42, "bytes":..., "total":..., "speed_mb_s":..., "time_left_s":...}
//       each progress step (a whole percent); a value nobody knows is null;
//   {"type":"box", "caption":"Marrowlight", "text":"Operation done.",
//    "icon":"information", "buttons":"ok", "answer":"ok"}
//       every message box and the answer it got;
//   {"type":"comment", "writer":"0,4,0", "text":"Now writing ..."}
//       the comment line under the progress rows;
//   {"type":"result", "command":"write", "status":0, "result":"done"}
//       last, once: the exit status and its name.
// "writer" is the drive on the disc side ("" when both sides are files).
// Speeds are in MB/s (10^6 bytes per second).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "host/ui/MessageBox.h"
#include "transfer/PassProgress.h"

// One progress step of any command, in the fields of its JSON line.
struct ProgressStep {
  std::string writer;
  std::string phase;  // "test", "write", "copy", "verify", "readscan", "update", "erase", ...
  uint32_t pass = 0;  // counts the passes of an operation from 1; 0 for commands without passes
  int percent = 0;
  std::optional<uint64_t> bytes;
  std::optional<uint64_t> total;
  std::optional<double> bytesPerSecond;
  std::optional<int64_t> secondsLeft;
};

class ProgressJson {
 public:
  using Writer = std::function<void(const std::string&)>;
  // All: every object (--progress json); ProgressOnly: the phase and
  // progress lines (write --json, beside the text of the boxes).
  enum class Lines { All, ProgressOnly };
  // Lines go to writer (the standard output or error in the program).
  explicit ProgressJson(Writer writer, Lines lines = Lines::All);

  // A progress step; a phase line first when the writer's phase or pass
  // differs from its last step. A step at the same percent as the writer's
  // last one in the same pass is left out.
  void Progress(const ProgressStep& step);
  void Box(const std::string& text, const std::string& caption, unsigned flags, int answer);
  void Comment(const std::string& writer, const std::string& text);
  // The last line; status is the process exit status (cli/ExitStatus.h).
  void Result(const std::string& command, int status);

  // An operation's step from its pass report: phase is the progress row
  // (0 test, 1 write, 2 copy, 3 verify).
  static ProgressStep FromPass(int phase, int percent, const PassProgress& report);
  // "0,4,0"; "" for the unset address (both sides are files).
  static std::string AddressText(const aspi::ScsiAddress& address);

 private:
  void WriteLine(const std::string& line);

  Writer writer_;
  const Lines lines_;
  std::mutex mutex_;
  // Each writer's last step: a new phase or pass gets its phase line, and a
  // step at the percent of the last one is not written again.
  struct LastStep {
    std::string phase;
    uint32_t pass = 0;
    int percent = 0;
  };
  std::map<std::string, LastStep> lastSteps_;
};

// The writer in force while the program runs with --progress json; null
// otherwise. Commands that report progress or comments ask it.
ProgressJson* ActiveProgressJson();

class ScopedProgressJson {
 public:
  explicit ScopedProgressJson(ProgressJson& json);
  ~ScopedProgressJson();
  ScopedProgressJson(const ScopedProgressJson&) = delete;
  ScopedProgressJson& operator=(const ScopedProgressJson&) = delete;

 private:
  ProgressJson* previous_;
};

// Passes every box on to the console and then writes it, with its answer,
// as a JSON line.
class ProgressJsonBoxes : public ui::Backend {
 public:
  ProgressJsonBoxes(ui::Backend& inner, ProgressJson& json) : inner_(inner), json_(json) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;

 private:
  ui::Backend& inner_;
  ProgressJson& json_;
};
