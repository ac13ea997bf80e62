// Feeds arbitrary bytes, as an update file, to everything the firmware
// update reads before it sends a byte: recognition, the SYS/MEC header and
// its layout, the TYPE1 descriptor, layout, checksum and loader.inf. The
// bytes go to a file because the update reads files through CFILE, as the
// program does. A layout that passes must describe parts inside the file
// and within the drive's 24-bit buffer offsets.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/CFILE.h"
#include "base/Log.h"
#include "firmware/format/SysMecHeader.h"
#include "firmware/format/Type1File.h"

namespace {

const std::string& ScratchFile() {
  static const std::string path = [] {
    char name[] = "/tmp/marrowlight-firmware-fuzz-XXXXXX";
    int fd = ::mkstemp(name);
    if (fd < 0) std::abort();
    ::close(fd);
    // Entries would only fill the standard output and a log file.
    SetLogOutput(false);
    SetTraceWriter([](std::string_view) {});
    std::atexit([] { ::unlink(ScratchFile().c_str()); });
    return std::string(name);
  }();
  return path;
}

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckSysMec(CFILE& file, uint64_t size) {
  SysMecHeader header;
  if (!ReadSysMecHeader(file, header)) {
    Require(size < SysMecHeader::kSize);
    return;
  }
  if (!header.HasPartMarkers() || !SysMecLayoutProblem(header, size).empty()) return;
  for (auto [part, base] : {std::pair{header.Sys(), kSysReadBackBase}, std::pair{header.Mec(), kMecReadBackBase}}) {
    Require(part.size > 0 && part.offset >= SysMecHeader::kSize && uint64_t{part.offset} + part.size <= size);
    Require(base + part.size <= kBufferSpace);
  }
}

void CheckType1(CFILE& file, uint64_t size) {
  Type1Descriptor descriptor;
  if (!ReadType1Descriptor(file, descriptor)) return;
  if (!Type1LayoutProblem(descriptor, size).empty()) return;
  for (const FirmwarePart& part : descriptor.parts)
    Require(part.size > 0 && part.offset >= kType1ImageStart && uint64_t{part.offset} + part.size <= size);
  Require(descriptor[Type1Part::LoaderInf].size == kLoaderInfoSize);
  (void)CheckType1Checksum(file, size);
  LoaderInfo info;
  Require(ReadLoaderInfo(file, descriptor, info));
  if (LoaderInfoProblem(info, descriptor).empty())
    Require(uint64_t{info.LoadAddress()} + descriptor[Type1Part::LoaderBin].size <= kBufferSpace);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = ScratchFile();
  {
    CFILE out;
    if (!out.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) std::abort();
    if (size > 0 && !out.Write(data, static_cast<uint32_t>(size))) std::abort();
  }
  CFILE file;
  if (!file.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)) std::abort();
  const uint64_t fileSize = file.GetSize();
  std::array<uint8_t, kRecognitionBytes> head{};
  if (!ReadExactly(file, head.data(), kRecognitionBytes)) head.fill(0);
  // Whatever the first line says, both readers must stay within the file.
  (void)RecogniseFirmware(head);
  (void)Type1Version(head);
  CheckSysMec(file, fileSize);
  CheckType1(file, fileSize);
  return 0;
}
