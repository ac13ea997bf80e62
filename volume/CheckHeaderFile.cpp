// SPDX-License-Identifier: GPL-3.0-or-later
// The volume check of an image file.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/CFILE.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"
#include "volume/VolumeProbe.h"
#include "volume/VolumeProbes.h"

namespace {

constexpr ProbeTexts kFileTexts = {"With MID.", "NO MID.", "This is not ISO Volume.", "Thi is not UDF Volume.",
                                   nullptr};

class FileReader : public VolumeReader {
 public:
  explicit FileReader(CFILE& file) : file_(file) {}

  bool ReadAt(uint64_t offset, uint8_t* buffer, uint32_t count, ReadKind kind) override {
    uint32_t got = 0;
    bool ok = file_.Seek(offset) && file_.Read(buffer, count, &got);
    std::fill(buffer + (ok ? got : 0), buffer + count, 0);
    if (ok) return true;
    switch (kind) {
      case ReadKind::Probe: file_.ErrorText(true); return false;
      case ReadKind::Sequence: return false;
      case ReadKind::Trailing: return true;  // only an anchor is looked for there
    }
    return false;
  }
  uint64_t SourceSize() override { return file_.GetSize(); }

 private:
  CFILE& file_;
};

}  // namespace

bool CheckHeader(const std::string& fileName, VolSizeChoice& sizes, VolumeInfo& info) {
  info = VolumeInfo{};
  CFILE file;
  if (!file.Open(fileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)) {
    file.ErrorText(true);
    return false;
  }
  info.volumeSize = file.GetSize();
  std::vector<uint8_t> work(kMidArea + kWorkSlack);
  FileReader reader(file);
  ProbeFindings found;
  if (!ProbeVolume(reader, kFileTexts, work, found)) return false;
  LogCandidateSizes(found);

  uint64_t mediaSize = found.mid ? found.midSize : file.GetSize();
  sizes.SetVolumeSizes(VolSizeChoice::kAutomatic, true, found.mid, mediaSize, found.udfSize, found.isoSize);
  TakeChosenVolume(found, sizes, "[CheckHeader(file)]", info);
  return true;
}
