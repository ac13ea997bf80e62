// The commands of marrowlight-cli. Each returns the process exit status and
// prints its results on the standard output; boxes and questions go through
// the console person seam, progress to the standard error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct GlobalOptions {
  bool noLog = false;
  bool yes = false;
  bool no = false;
  bool verbose = false;
  std::string manager;  // app/ManagerChoice.h; empty: MARROWLIGHT_ASPI or the simulated bus
  std::string progress = "text";  // "json": JSON lines on the standard output (cli/ProgressJson.h)
};

int RunScan(bool json);
int RunCheck(const std::string& source, bool json);
int RunInfo(const std::string& writer);
int RunErase(const std::string& writer);
// The firmware update of a writer from an update file. unattendedYes: --yes
// was given, so the retry question is answered Yes only a few times.
int RunFirmware(const std::string& writer, const std::string& fileName, bool unattendedYes);

// The words of a write, copy or pattern command line.
struct OperationArguments {
  std::string command;  // "write", "copy" or "pattern"
  std::string source;
  std::string destination;
  std::string mode;
  std::optional<uint64_t> size;
};
int RunOperation(const OperationArguments& arguments);
// The read scan of the disc in a drive: the summary (or JSON) on the
// standard output, the map as SVG into svgPath unless it is empty.
int RunReadScan(const std::string& device, bool json, const std::string& svgPath);
