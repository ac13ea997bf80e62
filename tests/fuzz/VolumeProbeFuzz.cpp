// SPDX-License-Identifier: GPL-3.0-or-later
// The volume check over a source of any size and any bytes, held in memory.
//
// Input: the source size (8 bytes, little-endian), a sector from which reads
// fail (4 bytes; FFFFFFFFh: none), one flag byte (bit 0: repair the checksum
// of every descriptor tag, so that anchors and partition descriptors are
// reached easily; bit 1: the file form's size choice, else a device's), then
// pieces of the source: a sector number (4 bytes), a length (2 bytes) and
// that many bytes placed at the sector. Everything not placed reads as zeros.
//
// The probes must never read or write outside the work area, and what they
// find must stay inside the source: offset, candidate sizes and chosen size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/Log.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"
#include "volume/VolumeProbe.h"

namespace {

constexpr uint64_t kSector2K = 2048;

struct Piece {
  uint64_t offset;
  std::vector<uint8_t> bytes;
};

uint64_t Take(const uint8_t*& data, size_t& size, size_t count) {
  uint64_t value = 0;
  for (size_t i = 0; i < count && size > 0; ++i, ++data, --size) value |= uint64_t{*data} << (8 * i);
  return value;
}

void RepairTagChecksums(std::vector<uint8_t>& bytes) {
  for (size_t at = 0; at + 16 <= bytes.size(); at += kSector2K) {
    unsigned sum = 0;
    for (size_t i = 0; i < 16; ++i)
      if (i != 4) sum += bytes[at + i];
    bytes[at + 4] = static_cast<uint8_t>(sum);
  }
}

class MemorySource : public VolumeReader {
 public:
  MemorySource(uint64_t size, uint64_t failFrom, std::vector<Piece> pieces)
      : size_(size), failFrom_(failFrom), pieces_(std::move(pieces)) {}

  bool ReadAt(uint64_t offset, uint8_t* buffer, uint32_t count, ReadKind) override {
    std::memset(buffer, 0, count);
    if (offset + count > failFrom_) return false;
    for (const Piece& piece : pieces_) {
      uint64_t from = std::max(offset, piece.offset);
      uint64_t to = std::min({offset + count, piece.offset + piece.bytes.size(), size_});
      if (from < to) std::memcpy(buffer + (from - offset), piece.bytes.data() + (from - piece.offset), to - from);
    }
    return true;
  }
  uint64_t SourceSize() override { return size_; }

 private:
  uint64_t size_;
  uint64_t failFrom_;
  std::vector<Piece> pieces_;
};

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The probes log every finding: into nothing, as fast as possible.
  InstallLogSink(std::make_unique<LogSink>("/nonexistent/fuzz-log.txt", ""));
  SetLogOutput(false);
  SetTraceWriter([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint64_t sourceSize = Take(data, size, 8);
  const uint64_t failSector = Take(data, size, 4);
  const uint64_t flags = Take(data, size, 1);
  std::vector<Piece> pieces;
  while (size >= 6) {
    uint64_t sector = Take(data, size, 4);
    size_t length = std::min<size_t>(Take(data, size, 2), size);
    Piece piece{sector * kSector2K, std::vector<uint8_t>(data, data + length)};
    data += length;
    size -= length;
    if (flags & 1) RepairTagChecksums(piece.bytes);
    pieces.push_back(std::move(piece));
  }
  const uint64_t failFrom = failSector == 0xFFFFFFFF ? UINT64_MAX : failSector * kSector2K;
  MemorySource source(sourceSize, failFrom, std::move(pieces));

  ProbeTexts texts{"With MID", "NO MID", "not ISO", "not UDF", (flags & 2) ? nullptr : "Top data"};
  // The work area the check allocates, exactly: AddressSanitizer sees any
  // probe that reads or writes past it. Kept between runs (it is large).
  static std::vector<uint8_t> work(kMidArea + kWorkSlack);
  ProbeFindings found;
  if (!ProbeVolume(source, texts, work, found)) return 0;
  LogCandidateSizes(found);

  const uint64_t available = found.available;
  Check(available == (sourceSize > found.volumeOffset ? sourceSize - found.volumeOffset : 0));
  Check(found.volumeOffset == 0 || found.volumeOffset < sourceSize);
  Check(found.volumeOffset % 32768 == 0);
  Check(found.isoSize <= available && found.udfSize <= available && found.midSize <= available);
  Check(found.volumeName.size() <= 32);
  Check(found.declared == 0 || found.declared > available);

  VolSizeChoice sizes;
  const bool fileForm = (flags & 2) != 0;
  const uint64_t media = found.mid ? found.midSize : available;
  sizes.SetVolumeSizes(fileForm ? VolSizeChoice::kAutomatic : VolSizeChoice::kForceMedia, fileForm, found.mid, media,
                       found.udfSize, found.isoSize);
  VolumeInfo info;
  TakeChosenVolume(found, sizes, "[fuzz]", info);
  Check(info.volumeSize <= available);
  Check(info.lbCount == LbCountOf(info.volumeSize));
  return 0;
}
