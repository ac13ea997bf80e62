// SPDX-License-Identifier: GPL-3.0-or-later
// readscan: the read scan of the "Read Scan" window on a terminal. Progress
// goes to the standard error, the summary (or, with --json, the samples and
// the summary) to the standard output; --svg writes the map. Ctrl-C cancels
// the scan at its next read and the part scanned is still reported.
#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

#include <nlohmann/json.hpp>

#include "base/CFILE.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "chart/ChartSvg.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/JsonText.h"
#include "cli/ProgressJson.h"
#include "cli/Target.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"
#include "readscan/DeviceScanSource.h"
#include "readscan/ScanVerdict.h"
#include "readscan/TReadScanThread.h"

namespace {

// The bytes of blocks.
uint64_t Bytes(const ScanReport& report, uint64_t blocks) { return blocks * report.blockSize; }

nlohmann::json RegionJson(const ScanRegion& region) {
  return {{"from", region.from}, {"to", region.to}, {"bytes_per_second", region.bytesPerSecond},
          {"steps", region.steps}, {"slow", region.slow}};
}

nlohmann::json ScanJson(const std::string& device, const ScanReport& report, const ScanSummary& summary) {
  nlohmann::json samples = nlohmann::json::array();
  for (const ScanStep& step : report.steps)
    samples.push_back({{"position", Bytes(report, step.first)},
                       {"bytes", Bytes(report, step.blocks)},
                       {"seconds", step.seconds},
                       {"bytes_per_second", step.BytesPerSecond(report.blockSize)},
                       {"unreadable_sectors", step.unreadable},
                       {"slow", step.slow}});
  nlohmann::json unreadable = nlohmann::json::array();
  for (const BlockRange& range : report.unreadable)
    unreadable.push_back({{"first", range.first}, {"last", range.Last()}, {"count", range.count}});
  nlohmann::json slow = nlohmann::json::array();
  for (const ScanRegion& region : summary.slowRegions) slow.push_back(RegionJson(region));
  nlohmann::json out = {
      {"device", device},
      {"sector_size", report.blockSize},
      {"area_sectors", report.areaBlocks},
      {"scanned_sectors", report.scannedBlocks},
      {"nominal_bytes_per_second", report.nominalBytesPerSecond},
      {"samples", samples},
      {"unreadable", unreadable},
      {"slow_regions", slow},
      {"summary",
       {{"readable_bytes", summary.readableBytes},
        {"unreadable_sectors", summary.unreadableBlocks},
        {"slowest_region", summary.slowest ? RegionJson(*summary.slowest) : nlohmann::json(nullptr)},
        {"average_bytes_per_second", summary.averageBytesPerSecond},
        {"minimum_bytes_per_second", summary.minimumBytesPerSecond},
        {"seconds", summary.seconds},
        {"retries", report.retries},
        {"retry_limit", report.retryLimit},
        {"not_retried_sectors", report.notRetried},
        {"recorded_area_ended", report.blankFound},
        {"canceled", report.canceled},
        {"stopped", report.stopped}}}};
  return out;
}

bool WriteSvg(const std::string& path, const std::string& svg) {
  CFILE file;
  bool ok = file.Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL) &&
            file.Write(svg.data(), static_cast<uint32_t>(svg.size()));
  if (!ok) host::WriteStderr("The SVG file could not be written: " + file.ErrorText(false) + "\n");
  return ok;
}

// A progress step of the scan for the JSON lines: its speed and time left
// over the whole scan so far.
ProgressStep ScanStep(const std::string& device, const ScanReport& now, int percent, double seconds) {
  ProgressStep step;
  step.writer = device;
  step.phase = "readscan";
  step.percent = percent;
  step.bytes = Bytes(now, now.scannedBlocks);
  step.total = Bytes(now, now.areaBlocks);
  if (seconds > 0 && *step.bytes > 0) {
    step.bytesPerSecond = static_cast<double>(*step.bytes) / seconds;
    step.secondsLeft = static_cast<int64_t>(static_cast<double>(*step.total - *step.bytes) / *step.bytesPerSecond);
  }
  return step;
}

// Follows the scan until it ends, showing its progress; Ctrl-C cancels it.
void Follow(TReadScanThread& scan, const std::string& device, bool terminal) {
  ProgressJson* json = ActiveProgressJson();
  const auto start = std::chrono::steady_clock::now();
  int shown = -1;
  bool cancelAsked = false;
  for (;;) {
    // Taken before the snapshot, so that the last snapshot is the whole scan.
    const bool finished = scan.Finished();
    if (!cancelAsked && host::InterruptRequested()) {
      host::WriteStderr("\nCanceling... The scan ends after the read it is on.\n");
      scan.Terminate();
      cancelAsked = true;
    }
    ScanReport now = scan.Scan().Snapshot(SIZE_MAX);
    int percent = now.areaBlocks == 0 ? 0 : static_cast<int>(now.scannedBlocks * 100 / now.areaBlocks);
    if (percent != shown && now.areaBlocks > 0 && json != nullptr) {
      shown = percent;
      json->Progress(ScanStep(device, now, percent,
                              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()));
    } else if (percent != shown && now.areaBlocks > 0) {
      shown = percent;
      std::string line = FormatText("Read scan %d%% (%s of %s bytes, %s unreadable sectors)", percent,
                                    FormatNumber(Bytes(now, now.scannedBlocks)).c_str(),
                                    FormatNumber(Bytes(now, now.areaBlocks)).c_str(),
                                    FormatNumber(now.UnreadableBlocks()).c_str());
      host::WriteStderr(terminal ? "\r" + line + "\x1b[K" : line + "\n");
    }
    if (finished) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  scan.WaitFor();
  if (terminal && shown >= 0 && json == nullptr) host::WriteStderr("\n");
}

int RunReadScan(const std::string& device, bool json, const std::string& svgPath) {
  auto address = ParseAddress(device);
  if (!address) {
    host::WriteStderr("DEVICE is a SCSI address written HA,ID,LUN.\n");
    return kExitUsage;
  }
  host::InstallInterruptHandler();
  auto drive = OpenDeviceAs(*address, AddressRole::CopySource);
  if (host::InterruptRequested()) {
    host::WriteStderr("\nCanceled before the scan started.\n");
    return kExitCanceled;
  }
  if (!drive) return kExitFailed;

  host::WriteStderr("Scanning " + device + " (the disc is only read) ...\n");
  TReadScanThread scan(*drive);
  scan.Start();
  Follow(scan, ProgressJson::AddressText(drive->Address()), host::StderrIsTerminal());

  ScanReport report = scan.Scan().Snapshot();
  if (report.blockSize == 0) {
    // The disc could not even be opened: nothing was scanned.
    host::WriteStderr(report.stopped + "\n");
    return kExitFailed;
  }
  ScanSummary summary = Summarize(report);
  if (json) {
    std::cout << JsonText(ScanJson(device, report, summary)) << std::endl;
  } else {
    for (const std::string& line : SummaryLines(report, summary)) std::cout << line << "\n";
    std::cout.flush();
  }
  if (!svgPath.empty() && !WriteSvg(svgPath, chart::ChartSvg(ScanChart(report, summary, ScanTitle(*drive)))))
    return kExitFailed;
  if (report.canceled) return kExitCanceled;
  if (!report.stopped.empty()) return kExitFailed;
  return summary.unreadableBlocks > 0 ? kExitUnreadable : kExitDone;
}

}  // namespace

void AddReadScanCommand(CommandSet& commands) {
  struct Arguments {
    std::string device;
    bool json = false;
    std::string svg;
  };
  auto arguments = std::make_shared<Arguments>();
  CLI::App* readscan =
      commands.Add("readscan", "Read the whole disc in a drive, timing every step (never writes)",
                   [arguments](const GlobalOptions&) { return RunReadScan(arguments->device, arguments->json, arguments->svg); });
  readscan->add_option("DEVICE", arguments->device, "HA,ID,LUN of the drive")->required();
  readscan->add_flag("--json", arguments->json, "Print the samples and the summary as JSON");
  readscan->add_option("--svg", arguments->svg, "Write the map of the scan as SVG into this file");
}
