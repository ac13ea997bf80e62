// SPDX-License-Identifier: GPL-3.0-or-later
// check: what a source holds, as the volume check finds it.
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/JsonText.h"
#include "cli/Target.h"
#include "host/os/Platform.h"
#include "host/ui/TerminalText.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace {

int RunCheck(const std::string& source, bool json) {
  Target target = ParseTarget(source);
  if (!target.error.empty()) {
    host::WriteStderr(target.error + "\n");
    return kExitFailed;
  }
  VolSizeChoice sizes;
  VolumeInfo info;
  bool ok = false;
  if (target.IsDevice()) {
    auto device = OpenDevice(*target.address);
    if (!device) return kExitFailed;
    ok = CheckHeader(*device, sizes, info);
  } else {
    ok = CheckHeader(target.path, sizes, info);
  }
  if (!ok) return kExitFailed;

  // Counted in 64 bits: a volume beyond 2^32 sectors is shown as it is (an
  // operation refuses it).
  const uint64_t sectors = CeilDiv64(info.volumeSize, 2048);
  if (json) {
    nlohmann::json out = {{"volume_name", info.volumeName},
                          {"volume_size", info.volumeSize},
                          {"sectors", sectors},
                          {"offset", info.volumeOffset}};
    if (info.declaredSize != 0) out["declared_size"] = info.declaredSize;
    std::cout << JsonText(out) << std::endl;
  } else {
    std::cout << "Volume name:   " << ui::TerminalText(info.volumeName) << "\n"
              << "Volume size:   " << FormatNumber(info.volumeSize) << " bytes\n"
              << "Sectors:       " << sectors << "\n"
              << "Volume offset: " << info.volumeOffset << "\n";
    // A source cut short: both sizes, so that nobody takes it for the volume.
    if (info.declaredSize != 0)
      std::cout << "Declared size: " << FormatNumber(info.declaredSize) << " bytes; the source holds less and may "
                << "have been cut short\n";
  }
  return kExitDone;
}

}  // namespace

void AddCheckCommand(CommandSet& commands) {
  struct Arguments {
    std::string source;
    bool json = false;
  };
  auto arguments = std::make_shared<Arguments>();
  CLI::App* check = commands.Add("check", "Volume name, size, sectors and offset of a source",
                                 [arguments](const GlobalOptions&) { return RunCheck(arguments->source, arguments->json); });
  check->add_option("SOURCE", arguments->source, "HA,ID,LUN or a file")->required();
  check->add_flag("--json", arguments->json, "Print JSON");
}
