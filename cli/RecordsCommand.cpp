// SPDX-License-Identifier: GPL-3.0-or-later
// records: the disc records kept in the records folder, oldest first: when,
// which disc, which volume and how the operation ended. A file of the folder
// that is no record is named with the reason on the standard error.
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/JsonText.h"
#include "host/os/Platform.h"
#include "host/ui/TerminalText.h"
#include "records/RecordStore.h"

namespace {

// "2024-05-01T12:30:05Z" -> "2024-05-01 12:30:05".
std::string Date(std::string started) {
  if (started.size() == 20 && started[10] == 'T' && started.back() == 'Z') {
    started[10] = ' ';
    started.pop_back();
  }
  return started;
}

nlohmann::json EntryJson(const ListedRecord& listed) {
  if (!listed.record) return {{"file", listed.path}, {"error", listed.error}};
  const DiscRecord& record = *listed.record;
  return {{"file", listed.path},
          {"disc", RecordDisc(record)},
          {"date", record.started},
          {"volume", record.volumeName},
          {"size", record.volumeSize},
          {"sha256", record.sha256.empty() ? nlohmann::json(nullptr) : nlohmann::json(record.sha256)},
          {"operation", record.operation},
          {"mode", record.mode},
          {"result", record.result}};
}

int RunRecords(bool json) {
  const std::string folder = DefaultRecordsFolder();
  std::vector<ListedRecord> listed = folder.empty() ? std::vector<ListedRecord>{} : ListRecords(folder);
  if (json) {
    nlohmann::json entries = nlohmann::json::array();
    for (const ListedRecord& item : listed) entries.push_back(EntryJson(item));
    nlohmann::json out = {{"folder", folder}, {"records", entries}};
    std::cout << JsonText(out) << std::endl;
    return kExitDone;
  }
  if (listed.empty()) {
    std::cout << "No disc records in " << (folder.empty() ? "(no folder: HOME is not set)" : folder) << ".\n";
    return kExitDone;
  }
  std::cout << "Disc records in " << ui::TerminalText(folder) << ":\n";
  for (const ListedRecord& item : listed) {
    if (!item.record) {
      host::WriteStderr(ui::TerminalText(item.error) + "\n");
      continue;
    }
    const DiscRecord& record = *item.record;
    std::cout << Date(record.started) << "  " << ui::TerminalText(RecordDisc(record)) << "  \""
              << ui::TerminalText(record.volumeName) << "\"  " << FormatNumber(record.volumeSize) << " bytes  "
              << record.operation << " " << record.mode << "  " << record.result << "\n";
  }
  return kExitDone;
}

}  // namespace

void AddRecordsCommand(CommandSet& commands) {
  auto json = std::make_shared<bool>(false);
  CLI::App* records = commands.Add("records", "List the disc records",
                                   [json](const GlobalOptions&) { return RunRecords(*json); });
  records->add_flag("--json", *json, "Print JSON");
}
