// check: what a source holds, as the volume check finds it.
#include <iostream>
#include <nlohmann/json.hpp>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/JsonText.h"
#include "cli/Target.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

int RunCheck(const std::string& source, bool json) {
  Target target = ParseTarget(source);
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

  if (json) {
    nlohmann::json out = {{"volume_name", info.volumeName},
                          {"volume_size", info.volumeSize},
                          {"sectors", info.lbCount},
                          {"offset", info.volumeOffset}};
    std::cout << JsonText(out) << std::endl;
  } else {
    std::cout << "Volume name:   " << info.volumeName << "\n"
              << "Volume size:   " << FormatNumber(info.volumeSize) << " bytes\n"
              << "Sectors:       " << info.lbCount << "\n"
              << "Volume offset: " << info.volumeOffset << "\n";
  }
  return kExitDone;
}
