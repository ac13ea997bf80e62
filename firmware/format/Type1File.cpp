// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/format/Type1File.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/Log.h"
#include "base/NumberText.h"
#include "firmware/format/Crc16.h"
#include "host/aspi/BigEndian.h"

namespace {

constexpr uint32_t kDescriptorStart = 64;
constexpr char kMarker[] = "QXW-7200 Firmware Binary File [TYPE1] : Update to Ver.";
constexpr size_t kVersionMarkerLength = 52;  // the version follows the marker's first 52 characters
constexpr size_t kVersionOffset = 54;
constexpr char kEndLine[] = "[ End of File Descriptor ]";
constexpr std::string_view kFileSize = "FileSize = ";
constexpr std::string_view kOffset = "Offset = ";
constexpr std::string_view kChecksum = "Checksum = ";
constexpr uint32_t kDumpBytes = 128;

// The FileName lines, in the order of Type1Part.
constexpr std::array<std::string_view, kType1PartCount> kFileNameLines = {
    "FileName = loader.inf", "FileName = loader.bin", "FileName = rom_in.bin", "FileName = rom_ext.bin"};
constexpr std::array<const char*, kType1PartCount> kPartNames = {"loader.inf", "loader.bin", "rom_in.bin",
                                                                 "rom_ext.bin"};

uint32_t Low32(std::string_view line) { return static_cast<uint32_t>(GetAssignedValue(line)); }

}  // namespace

const char* Type1PartName(Type1Part part) { return kPartNames[static_cast<size_t>(part)]; }

std::string Type1Version(std::span<const uint8_t, kRecognitionBytes> head) {
  if (std::memcmp(head.data(), kMarker, kVersionMarkerLength) != 0) return {};
  return std::string(reinterpret_cast<const char*>(head.data()) + kVersionOffset, 4);
}

bool ReadType1Descriptor(FirmwareBytes file, Type1Descriptor& descriptor) {
  descriptor = Type1Descriptor{};
  int current = -1;
  std::string line;
  for (size_t position = kDescriptorStart; NextLine(file, position, line);) {
    if (line == kEndLine) return true;
    for (size_t i = 0; i < kType1PartCount; ++i) {
      if (line.starts_with(kFileNameLines[i])) {
        current = static_cast<int>(i);
        descriptor.named[i] = true;
      }
    }
    if (current < 0) continue;
    if (line.starts_with(kFileSize)) descriptor.parts[current].size = Low32(line);
    if (line.starts_with(kOffset)) descriptor.parts[current].offset = Low32(line);
  }
  return false;
}

std::string Type1LayoutProblem(const Type1Descriptor& descriptor, uint64_t fileSize) {
  if (fileSize < kType1ImageStart) return "The file is shorter than 512 bytes.";
  for (size_t i = 0; i < kType1PartCount; ++i)
    if (!descriptor.named[i]) return std::string("The descriptor names no ") + kPartNames[i] + ".";
  const FirmwarePart& info = descriptor[Type1Part::LoaderInf];
  if (info.size != kLoaderInfoSize) return "loader.inf is not 16 bytes.";
  if (info.offset != kType1ImageStart) return "loader.inf does not start at byte 512.";
  for (size_t i = 0; i < kType1PartCount; ++i) {
    std::string problem = PartProblem(kPartNames[i], descriptor.parts[i], fileSize, kType1ImageStart, 0);
    if (!problem.empty()) return problem;
  }
  return {};
}

ChecksumResult CheckType1Checksum(FirmwareBytes file) {
  ChecksumResult result;
  if (file.size() < kType1ImageStart) return result;
  std::string line;
  bool found = false;
  for (size_t position = kDescriptorStart; !found && NextLine(file, position, line);) {
    if (line.starts_with(kChecksum)) {
      result.stated = static_cast<uint16_t>(GetAssignedValue(line));
      found = true;
    }
  }
  if (!found) {
    result.verdict = ChecksumVerdict::NoChecksum;
    return result;
  }
  const FirmwareBytes images = file.subspan(kType1ImageStart);
  std::array<uint8_t, kDumpBytes> head{};
  std::copy_n(images.begin(), std::min<size_t>(images.size(), kDumpBytes), head.begin());
  AddLog(PrintDataBuffer(head.data(), kDumpBytes));
  Crc16 crc;
  crc.Add(images);
  result.computed = crc.Value();
  result.verdict = result.computed == result.stated ? ChecksumVerdict::Valid : ChecksumVerdict::Invalid;
  return result;
}

uint32_t LoaderInfo::LoadAddress() const { return aspi::GetBE32(bytes.data()); }

uint32_t LoaderInfo::StartAddress() const { return aspi::GetBE32(bytes.data() + 8); }

bool ReadLoaderInfo(FirmwareBytes file, const Type1Descriptor& descriptor, LoaderInfo& info) {
  info.bytes.fill(0);
  const uint64_t offset = descriptor[Type1Part::LoaderInf].offset;
  if (offset + kLoaderInfoSize > file.size()) return false;
  std::copy_n(file.begin() + static_cast<ptrdiff_t>(offset), kLoaderInfoSize, info.bytes.begin());
  return true;
}

std::string LoaderInfoProblem(const LoaderInfo& info, const Type1Descriptor& descriptor) {
  if (info.StartAddress() >= kBufferSpace) return "The start address of loader.inf is not a 24-bit offset.";
  const FirmwarePart& loader = descriptor[Type1Part::LoaderBin];
  if (uint64_t{info.LoadAddress()} + loader.size > kBufferSpace)
    return "loader.bin does not fit the drive's 24-bit buffer offsets from its load address.";
  return {};
}
