// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/format/FirmwareFile.h"

#include <algorithm>
#include <cstring>

#include "base/CFILE.h"
#include "base/TextFormat.h"

namespace {

constexpr char kType1Marker[] = "QXW-7200 Firmware Binary File [TYPE1] : Update to Ver.";
constexpr char kSysMecMarker[] = "QXW-7100 Firmware Binary File : Update to Ver.";

bool BeginsWith(std::span<const uint8_t> bytes, const char* marker) {
  size_t length = std::strlen(marker);
  return bytes.size() >= length && std::memcmp(bytes.data(), marker, length) == 0;
}

}  // namespace

FirmwareFileKind RecogniseFirmware(std::span<const uint8_t, kRecognitionBytes> head) {
  if (BeginsWith(head, kType1Marker)) return FirmwareFileKind::Type1;
  if (BeginsWith(head, kSysMecMarker)) return FirmwareFileKind::SysMec;
  return FirmwareFileKind::None;
}

std::string PartProblem(const char* name, const FirmwarePart& part, uint64_t fileSize, uint64_t firstOffset,
                        uint64_t bufferBase) {
  if (part.size == 0) return FormatText("%s has no bytes.", name);
  if (part.offset < firstOffset) return FormatText("%s starts at byte %u, before byte %llu.", name, part.offset,
                                                   static_cast<unsigned long long>(firstOffset));
  if (uint64_t{part.offset} + part.size > fileSize)
    return FormatText("%s (%u bytes at byte %u) reaches past the end of the file (%llu bytes).", name, part.size,
                      part.offset, static_cast<unsigned long long>(fileSize));
  if (bufferBase + part.size > kBufferSpace)
    return FormatText("%s (%u bytes at buffer offset %llXH) does not fit the drive's 24-bit buffer offsets.", name,
                      part.size, static_cast<unsigned long long>(bufferBase));
  return {};
}

bool ReadWholeFile(CFILE& file, std::vector<uint8_t>& bytes) {
  bytes.clear();
  const uint64_t size = file.GetSize();
  if (size > kLargestUpdateFile || !file.Seek(0)) return false;
  bytes.resize(size);
  uint32_t got = 0;
  if (!file.Read(bytes.data(), static_cast<uint32_t>(size), &got)) return false;
  // A file that shrank while it was read is not taken either.
  bytes.resize(got);
  return got == size;
}

std::array<uint8_t, kRecognitionBytes> FirmwareHead(FirmwareBytes file) {
  std::array<uint8_t, kRecognitionBytes> head{};
  std::copy_n(file.begin(), std::min<size_t>(file.size(), kRecognitionBytes), head.begin());
  return head;
}

bool NextLine(FirmwareBytes file, size_t& position, std::string& text) {
  constexpr size_t kBlock = 4096;
  if (position >= file.size()) return false;
  // The terminators are looked for within one block from the position, as
  // the file reader does with the block it reads.
  const FirmwareBytes block = file.subspan(position, std::min(kBlock, file.size() - position));
  const auto cr = std::find(block.begin(), block.end(), '\r');
  const auto lf = std::find(block.begin(), block.end(), '\n');
  if (cr == block.end() && lf == block.end()) {
    text.clear();
    return false;
  }
  auto end = cr, next = lf;
  if (cr == block.end() || lf == block.end()) {
    end = next = cr != block.end() ? cr : lf;
  } else {
    end = std::min(cr, lf);
    next = std::max(cr, lf);
  }
  text.assign(block.begin(), std::find(block.begin(), end, '\0'));
  position += static_cast<size_t>(next - block.begin()) + 1;
  return true;
}

FirmwareBytes PartBytes(FirmwareBytes file, const FirmwarePart& part) { return file.subspan(part.offset, part.size); }

int Percent(uint64_t part, uint64_t whole) {
  if (whole == 0) return 0;
  return static_cast<int>(part * 100 / whole);
}
