#include "firmware/format/FirmwareFile.h"

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

bool ReadExactly(CFILE& file, void* buffer, uint32_t count) {
  uint32_t got = 0;
  return file.Read(buffer, count, &got) && got == count;
}

int Percent(uint64_t part, uint64_t whole) {
  if (whole == 0) return 0;
  return static_cast<int>(part * 100 / whole);
}
