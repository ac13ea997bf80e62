// SPDX-License-Identifier: GPL-3.0-or-later
#include "readscan/ReadScan.h"

#include <algorithm>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "readscan/ScanVerdict.h"

ReadScan::ReadScan(ScanSource& source, ScanClock& clock) : ReadScan(source, clock, Options{}) {}

ReadScan::ReadScan(ScanSource& source, ScanClock& clock, Options options)
    : source_(source), clock_(clock), options_(options) {
  report_.retryLimit = options_.retryLimit;
}

void ReadScan::Run(const std::function<bool()>& canceled) {
  begun_ = clock_.Seconds();
  AddLog("[ReadScan]");
  if (!source_.Open()) {
    {
      std::lock_guard lock(mutex_);
      report_.stopped = source_.Reason();
    }
    AddLog("[ReadScan] " + source_.Reason());
    Finish();
    return;
  }
  const uint32_t blockSize = source_.BlockSize();
  const uint32_t stepBlocks = std::max<uint32_t>(1, options_.stepBytes / std::max<uint32_t>(blockSize, 1));
  buffer_.assign(uint64_t{stepBlocks} * blockSize, 0);
  {
    std::lock_guard lock(mutex_);
    report_.blockSize = blockSize;
    report_.areaBlocks = source_.Blocks();
    report_.nominalBytesPerSecond = source_.NominalBytesPerSecond();
  }
  AddLog(FormatText("[ReadScan] %s blocks of %u bytes.", FormatNumber(source_.Blocks()).c_str(), blockSize));

  for (uint64_t first = 0; first < source_.Blocks();) {
    if (canceled()) {
      std::lock_guard lock(mutex_);
      report_.canceled = true;
      AddLog("[ReadScan] canceled.");
      break;
    }
    uint32_t blocks = static_cast<uint32_t>(std::min<uint64_t>(stepBlocks, source_.Blocks() - first));
    StepEnd end = ReadStep(first, blocks, canceled);
    if (end != StepEnd::Next) break;
    first += blocks;
  }
  Finish();
}

ReadScan::StepEnd ReadScan::ReadStep(uint64_t first, uint32_t blocks, const std::function<bool()>& canceled) {
  ScanStep step;
  step.first = first;
  step.blocks = blocks;
  const double before = clock_.Seconds();
  ScanSource::ReadResult result = source_.Read(first, blocks, buffer_.data());
  step.seconds = clock_.Seconds() - before;
  StepEnd end = StepEnd::Next;
  if (result == ScanSource::ReadResult::Stopped) {
    std::lock_guard lock(mutex_);
    report_.stopped = source_.Reason();
    AddLog("[ReadScan] stopped: " + report_.stopped);
    return StepEnd::Stop;
  }
  if (result != ScanSource::ReadResult::Read) {
    step.failed = true;
    AddLog(FormatText("[ReadScan] Blocks %llu-%llu could not be read; reading them one by one.",
                      static_cast<unsigned long long>(first), static_cast<unsigned long long>(first + blocks - 1)));
    end = RetryBlocks(step, result == ScanSource::ReadResult::Unreadable, canceled);
  }
  std::lock_guard lock(mutex_);
  if (step.blocks > 0) steps_.push_back(step);
  report_.scannedBlocks = step.first + step.blocks;
  report_.seconds = clock_.Seconds() - begun_;
  return end;
}

ReadScan::StepEnd ReadScan::RetryBlocks(ScanStep& step, bool retries, const std::function<bool()>& canceled) {
  const uint64_t end = step.first + step.blocks;
  for (uint64_t block = step.first; block < end; ++block) {
    if (canceled()) {
      // The blocks not tried yet are not part of the scan.
      step.blocks = static_cast<uint32_t>(block - step.first);
      std::lock_guard lock(mutex_);
      report_.canceled = true;
      return StepEnd::Stop;
    }
    // Looking for the end of the recorded area takes no retries.
    bool retry = !retries;
    if (retries) {
      std::lock_guard lock(mutex_);
      retry = report_.retries < report_.retryLimit;
      if (retry) ++report_.retries;
    }
    if (!retry) {
      // The bound is reached: the rest of the step counts as unreadable.
      std::lock_guard lock(mutex_);
      report_.notRetried += end - block;
      step.unreadable += static_cast<uint32_t>(end - block);
      AddUnreadable(block, end - block);
      return StepEnd::Next;
    }
    switch (source_.Read(block, 1, buffer_.data())) {
      case ScanSource::ReadResult::Read: break;
      case ScanSource::ReadResult::Unreadable: {
        std::lock_guard lock(mutex_);
        ++step.unreadable;
        AddUnreadable(block, 1);
        break;
      }
      case ScanSource::ReadResult::Blank: {
        step.blocks = static_cast<uint32_t>(block - step.first);
        std::lock_guard lock(mutex_);
        report_.blankFound = true;
        AddLog(FormatText("[ReadScan] The recorded area ends at block %llu.", static_cast<unsigned long long>(block)));
        return StepEnd::AreaEnded;
      }
      case ScanSource::ReadResult::Stopped: {
        step.blocks = static_cast<uint32_t>(block - step.first);
        std::lock_guard lock(mutex_);
        report_.stopped = source_.Reason();
        AddLog("[ReadScan] stopped: " + report_.stopped);
        return StepEnd::Stop;
      }
    }
  }
  return StepEnd::Next;
}

void ReadScan::AddUnreadable(uint64_t first, uint64_t count) {
  std::vector<BlockRange>& ranges = report_.unreadable;
  if (!ranges.empty() && ranges.back().first + ranges.back().count == first)
    ranges.back().count += count;
  else
    ranges.push_back({first, count});
}

void ReadScan::Finish() {
  std::lock_guard lock(mutex_);
  JudgeSlowSteps(steps_, report_.blockSize);
  report_.seconds = clock_.Seconds() - begun_;
  report_.ended = true;
  for (const BlockRange& range : report_.unreadable)
    AddLog(range.count == 1 ? FormatText("[ReadScan] Unreadable: block %llu.", static_cast<unsigned long long>(range.first))
                            : FormatText("[ReadScan] Unreadable: blocks %llu-%llu.",
                                         static_cast<unsigned long long>(range.first),
                                         static_cast<unsigned long long>(range.Last())));
  AddLog(FormatText("[ReadScan] %s of %s blocks read, %s unreadable, %u retries. %s",
                    FormatNumber(report_.scannedBlocks - report_.UnreadableBlocks()).c_str(),
                    FormatNumber(report_.areaBlocks).c_str(), FormatNumber(report_.UnreadableBlocks()).c_str(),
                    report_.retries, report_.Complete() ? "done." : "failed."));
}

ScanReport ReadScan::Snapshot(size_t fromStep) const {
  std::lock_guard lock(mutex_);
  ScanReport copy = report_;  // its steps stay empty: they are kept apart
  if (fromStep < steps_.size()) copy.steps.assign(steps_.begin() + static_cast<std::ptrdiff_t>(fromStep), steps_.end());
  return copy;
}
