// SPDX-License-Identifier: GPL-3.0-or-later
// Endpoint: one side of a data pass, a device (not owned) or an image file;
// ByteRange: a part of the volume a pass moves or compares. Both are plain
// values that the operation, the records and the passes share.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

class SCSIDEV;

struct Endpoint {
  SCSIDEV* device = nullptr;
  std::string file;

  Endpoint() = default;
  Endpoint(SCSIDEV& side) : device(&side) {}  // NOLINT: a device is an endpoint
  Endpoint(std::string path) : file(std::move(path)) {}  // NOLINT: so is a file
  Endpoint(const char* path) : file(path) {}  // NOLINT

  bool IsFile() const { return device == nullptr; }
  bool IsDevice() const { return device != nullptr; }
  // "HA,ID,LUN" of a device, the path of a file.
  std::string Describe() const;
};

// Bytes [from, to) of the volume.
struct ByteRange {
  uint64_t from = 0;
  uint64_t to = 0;
};
