// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes, as an update file, to everything the firmware
// update reads before it sends a byte: recognition, the SYS/MEC header and
// its layout, the TYPE1 descriptor, layout, checksum and loader.inf. The
// update reads a file once into memory and checks that copy, as here. A
// layout that passes must describe parts inside the file and within the
// drive's 24-bit buffer offsets.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Log.h"
#include "firmware/format/SysMecHeader.h"
#include "firmware/format/Type1File.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckSysMec(FirmwareBytes file) {
  SysMecHeader header;
  if (!ReadSysMecHeader(file, header)) {
    Require(file.size() < SysMecHeader::kSize);
    return;
  }
  if (!header.HasPartMarkers() || !SysMecLayoutProblem(header, file.size()).empty()) return;
  for (auto [part, base] : {std::pair{header.Sys(), kSysReadBackBase}, std::pair{header.Mec(), kMecReadBackBase}}) {
    Require(part.size > 0 && part.offset >= SysMecHeader::kSize && uint64_t{part.offset} + part.size <= file.size());
    Require(base + part.size <= kBufferSpace);
    Require(PartBytes(file, part).size() == part.size);
  }
}

void CheckType1(FirmwareBytes file) {
  Type1Descriptor descriptor;
  if (!ReadType1Descriptor(file, descriptor)) return;
  if (!Type1LayoutProblem(descriptor, file.size()).empty()) return;
  for (const FirmwarePart& part : descriptor.parts)
    Require(part.size > 0 && part.offset >= kType1ImageStart && uint64_t{part.offset} + part.size <= file.size());
  Require(descriptor[Type1Part::LoaderInf].size == kLoaderInfoSize);
  (void)CheckType1Checksum(file);
  LoaderInfo info;
  Require(ReadLoaderInfo(file, descriptor, info));
  if (LoaderInfoProblem(info, descriptor).empty())
    Require(uint64_t{info.LoadAddress()} + descriptor[Type1Part::LoaderBin].size <= kBufferSpace);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Entries would only fill the standard output and a log file.
  SetLogOutput(false);
  SetTraceWriter([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const FirmwareBytes file(data, size);
  // Whatever the first line says, both readers must stay within the file.
  const auto head = FirmwareHead(file);
  (void)RecogniseFirmware(head);
  (void)Type1Version(head);
  CheckSysMec(file);
  CheckType1(file);
  return 0;
}
