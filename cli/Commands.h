// The commands of marrowlight-cli. Each returns the process exit status and
// prints its results on the standard output; boxes and questions go through
// the console person seam, progress to the standard error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
// quick: the minimal BLANK of another maker's writer.
int RunErase(const std::string& writer, bool quick);
// The Drive menu's Load and Eject: close or open the writer's tray.
int RunLoad(const std::string& writer);
int RunEject(const std::string& writer);
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
  bool yes = false;  // --yes: questions without a terminal are answered Yes
  std::string record;  // --record: where the disc record goes
  // write: every WRITER named; more than one records them all at once.
  std::vector<std::string> writers;
};
int RunOperation(const OperationArguments& arguments);

// verify DEVICE --from-record FILE | --sha256 HEX: the disc's volume against
// a record's digest and size, or against a digest with the size the disc's
// own volume check finds.
struct VerifyArguments {
  std::string device;
  std::string fromRecord;
  std::string sha256;
  std::string record;
};
int RunVerify(const VerifyArguments& arguments);
// records: the disc records kept so far.
int RunRecords(bool json);
// The read scan of the disc in a drive: the summary (or JSON) on the
// standard output, the map as SVG into svgPath unless it is empty.
int RunReadScan(const std::string& device, bool json, const std::string& svgPath);
