// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/VolumeProbe.h"

#include <algorithm>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "host/os/Interrupt.h"
#include "host/ui/TerminalText.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"
#include "volume/VolumeProbes.h"

namespace {

using ReadKind = VolumeReader::ReadKind;

// reader.ReadAt, unless an interrupt came (Ctrl-C, a signal): then the check
// ends before its next read, which on a slow source may take a while.
bool ReadChecked(VolumeReader& reader, uint64_t offset, uint8_t* buffer, uint32_t count, ReadKind kind) {
  if (host::InterruptRequested()) {
    AddLog("[CheckHeader] Canceled.");
    return false;
  }
  return reader.ReadAt(offset, buffer, count, kind);
}

// A MID whose start lies outside the source or beyond 32 bits is taken as no
// index at all, as a MID without one is.
void CheckMidIndex(uint64_t start, uint64_t sourceSize, ProbeFindings& found) {
  if (start <= UINT32_MAX && start < sourceSize) {
    found.volumeOffset = static_cast<uint32_t>(start);
    return;
  }
  AddLog("MID index points outside the source (" + FormatNumber(start) + " bytes). Offset and MID size set to 0.");
  found.volumeOffset = 0;
  found.midSize = 0;
}

// A volume never claims more than the source holds behind its offset.
void LimitToSource(const char* name, uint64_t& size, uint64_t available) {
  if (size <= available) return;
  AddLog(std::string(name) + " size (" + FormatNumber(size) + " bytes) exceeds the source. Limited to " +
         FormatNumber(available) + " bytes.");
  size = available;
}

void ProbeUdfEnd(VolumeReader& reader, uint64_t offset, std::vector<uint8_t>& work, ProbeFindings& found,
                 bool& failed) {
  uint8_t* sector = work.data();
  if (!ReadChecked(reader, offset + found.udfSize - kSector, sector, kSector, ReadKind::Trailing)) {
    failed = true;
    return;
  }
  if (IsUdfAnchor(sector)) return;
  if (!ReadChecked(reader, offset + found.udfSize, sector, kSector, ReadKind::Trailing)) {
    failed = true;
    return;
  }
  if (IsUdfAnchor(sector)) {
    AddLog("Anchor is laid outside of UDF volume. UDF volume size += SIZE_2K...");
    found.udfSize += kSector;
  }
}

}  // namespace

bool ProbeVolume(VolumeReader& reader, const ProbeTexts& texts, std::vector<uint8_t>& work,
                 ProbeFindings& found) {
  found = ProbeFindings{};
  uint8_t* buffer = work.data();
  const uint64_t sourceSize = reader.SourceSize();

  if (!ReadChecked(reader, 0, buffer, kProbeBlock, ReadKind::Probe)) return false;
  if (texts.topDumpTitle) AddLog(PrintDataBuffer(buffer, 128, texts.topDumpTitle));
  if (HasMid(buffer, kProbeBlock)) {
    AddLog(texts.withMid);
    found.mid = true;
    if (!ReadChecked(reader, 0, buffer, kMidArea, ReadKind::Probe)) return false;
    uint64_t start = ParseMidIndex(buffer, kMidArea, found.midSize);
    CheckMidIndex(start, sourceSize, found);
  } else {
    AddLog(texts.noMid);
  }
  AddLog(FormatText("[CheckHeader]\r\nOffset: %u", found.volumeOffset));
  const uint64_t offset = found.volumeOffset;

  if (!ReadChecked(reader, offset + kIsoDescriptorOffset, buffer, kProbeBlock, ReadKind::Probe)) return false;
  if (!GetIsoVolumeInfo(buffer, found.volumeName, found.isoSize)) AddLog(texts.notIso);

  if (!ReadChecked(reader, offset + kUdfAnchorOffset, buffer, kProbeBlock, ReadKind::Probe)) return false;
  if (IsUdfAnchor(buffer)) {
    uint64_t sequence = offset + static_cast<uint64_t>(UdfSequenceLocation(buffer)) * kSector;
    if (!ReadChecked(reader, sequence, buffer, kProbeBlock, ReadKind::Sequence)) {
      AddLog("GetUdfVolumeInfo failed.");
      return false;
    }
    if (GetUdfVolumeInfo(buffer, found.udfSize) && found.udfSize != 0) {
      bool failed = false;
      ProbeUdfEnd(reader, offset, work, found, failed);
      if (failed) return false;
    }
  } else {
    AddLog(texts.notUdf);
  }
  // The identifier comes from the source: its control bytes are escaped, so
  // that printing the log cannot drive a terminal.
  AddLog("VolumeName: " + ui::TerminalText(found.volumeName));

  found.available = sourceSize > offset ? sourceSize - offset : 0;
  const uint64_t declared = std::max(found.isoSize, found.udfSize);
  if (declared > found.available) {
    found.declared = declared;
    AddLog(ShortSourceText("The source holds", found.available, declared));
  }
  LimitToSource("ISO", found.isoSize, found.available);
  LimitToSource("UDF", found.udfSize, found.available);
  LimitToSource("MID", found.midSize, found.available);
  return true;
}

void LogCandidateSizes(const ProbeFindings& found) {
  AddLog("ISO: " + FormatNumber(found.isoSize) + " bytes");
  AddLog("UDF: " + FormatNumber(found.udfSize) + " bytes");
  AddLog("MID: " + FormatNumber(found.midSize) + " bytes");
}

uint32_t LbCountOf(uint64_t bytes) {
  return bytes > kLargestVolumeBytes ? 0xFFFFFFFFu : static_cast<uint32_t>(CeilDiv64(bytes, kSector));
}

void TakeChosenVolume(const ProbeFindings& found, VolSizeChoice& sizes, const char* tag, VolumeInfo& info) {
  info.volumeSize = sizes.GetVolumeSize();
  info.volumeName = found.volumeName;
  info.volumeOffset = found.volumeOffset;
  info.lbCount = LbCountOf(info.volumeSize);
  info.declaredSize = found.declared;
  AddLog(FormatText("%s VolumeSize: %s bytes, LBSize: %XH", tag, FormatNumber(info.volumeSize).c_str(), info.lbCount));
}

std::string ShortSourceText(const std::string& source, uint64_t bytes, uint64_t declared) {
  return source + ": " + FormatNumber(bytes) + " bytes of a volume that declares " + FormatNumber(declared) +
         " bytes. The source may have been cut short.";
}
