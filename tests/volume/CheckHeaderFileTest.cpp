// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/NumberText.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/Images.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

namespace {

constexpr uint64_t kSector = 2048;

bool Logged(CapturedLog& log, const std::string& entry) {
  auto entries = log.Entries();
  return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

std::vector<uint8_t> Text(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> MidText(const std::string& index) {
  return Text("[ Mastering Information Descriptor ]\r\nTitle = test\r\n" + index + "\r\n");
}

}  // namespace

TEST(CheckHeaderFile, ImagesOfRealToolsGiveTheNamesAndSizesTheToolsReport) {
  TempDir dir;
  CapturedLog log;
  VolSizeChoice sizes;
  VolumeInfo info;

  std::string geniso = MakeGenisoImage(dir.Path(), "g.iso", "SAMPLE_VOL", 3 * 1024 * 1024 + 5);
  ASSERT_TRUE(CheckHeader(geniso, sizes, info));
  EXPECT_EQ(info.volumeName, IsoinfoVolumeId(geniso));
  EXPECT_EQ(info.volumeName, "SAMPLE_VOL");
  EXPECT_EQ(sizes.Iso().caption, "ISO9660 volume size (" + FormatNumber(IsoinfoVolumeBytes(geniso)) + " bytes.)");
  EXPECT_EQ(sizes.Udf().caption, "UDF volume size (" + FormatNumber(UdfinfoVolumeBytes(geniso)) + " bytes.)");
  EXPECT_EQ(info.volumeSize, std::filesystem::file_size(geniso)) << "an image without MID is taken whole";
  EXPECT_EQ(info.lbCount, (info.volumeSize + kSector - 1) / kSector);
  EXPECT_EQ(info.volumeOffset, 0u);

  std::string xorr = MakeXorrisoImage(dir.Path(), "x.iso", "XORR_VOL", 1024 * 1024);
  ASSERT_TRUE(CheckHeader(xorr, sizes, info));
  EXPECT_EQ(info.volumeName, "XORR_VOL");
  EXPECT_TRUE(Logged(log, "Thi is not UDF Volume."));
  EXPECT_EQ(sizes.Iso().caption, "ISO9660 volume size (" + FormatNumber(IsoinfoVolumeBytes(xorr)) + " bytes.)");

  std::string udf = MakeUdfImage(dir.Path(), "u.img", "UDF_ONLY", 8 * 1024 * 1024);
  ASSERT_TRUE(CheckHeader(udf, sizes, info));
  EXPECT_EQ(info.volumeName, std::string(32, ' '));
  EXPECT_TRUE(Logged(log, "This is not ISO Volume."));
  EXPECT_EQ(sizes.Udf().caption, "UDF volume size (" + FormatNumber(UdfinfoVolumeBytes(udf)) + " bytes.)");
  EXPECT_FALSE(sizes.Iso().enabled);
}

TEST(CheckHeaderFile, IsoOnlyImageLogsEveryFinding) {
  TempDir dir;
  CapturedLog log;
  std::string path = dir.File("iso.img");
  WriteAt(path, 16 * kSector, IsoPrimaryDescriptor(51200, "HUNDRED"));
  ResizeFile(path, 104857600 + 1000);  // a few bytes past the volume
  VolSizeChoice sizes;
  VolumeInfo info;
  ASSERT_TRUE(CheckHeader(path, sizes, info));

  auto entries = log.Entries();
  std::vector<std::string> findings;
  for (const auto& e : entries) {
    if (e.rfind("\r\n      00 01", 0) != 0 && e.rfind("[ISO PVD]", 0) != 0) findings.push_back(e);
  }
  EXPECT_EQ(findings, (std::vector<std::string>{
                          "HEADER\r\n", "NO MID.", "[CheckHeader]\r\nOffset: 0", "Thi is not UDF Volume.",
                          "VolumeName: HUNDRED", "ISO: 104,857,600 bytes", "UDF: 0 bytes", "MID: 0 bytes",
                          "[CheckHeader(file)] VolumeSize: 104,858,600 bytes, LBSize: C801H"}));
  EXPECT_EQ(info.volumeSize, 104858600u);
  EXPECT_EQ(info.lbCount, 51201u);
  EXPECT_EQ(entries[3].rfind("[ISO PVD]\r\n", 0), 0u) << "the descriptor is dumped after the offset line";
}

TEST(CheckHeaderFile, UdfEndAnchorJustOutsideThePartitionAddsOneSector) {
  TempDir dir;
  CapturedLog log;
  std::string path = dir.File("udf.img");
  WriteAt(path, 256 * kSector, UdfAnchor(32));
  WriteAt(path, 35 * kSector, UdfPartitionDescriptor(100, 5));      // an earlier descriptor is replaced
  WriteAt(path, 40 * kSector, UdfPartitionDescriptor(257, 2000000));
  WriteAt(path, 2000257 * kSector, UdfAnchor(32));
  ResizeFile(path, 2000258 * kSector);
  VolSizeChoice sizes;
  VolumeInfo info;
  ASSERT_TRUE(CheckHeader(path, sizes, info));
  EXPECT_TRUE(Logged(log, "Anchor is laid outside of UDF volume. UDF volume size += SIZE_2K..."));
  EXPECT_TRUE(Logged(log, "UDF: 4,096,528,384 bytes"));
  EXPECT_EQ(sizes.Udf().caption, "UDF volume size (4,096,528,384 bytes.)");
}

TEST(CheckHeaderFile, MidIndexPlacesTheVolumeAndGivesItsSize) {
  TempDir dir;
  CapturedLog log;
  std::string path = dir.File("mid.img");
  WriteAt(path, 0, MidText("Index = MAINdata( 20H, 4700000000 )"));
  WriteAt(path, 1081344, IsoPrimaryDescriptor(1000, "BEHIND_MID"));
  WriteAt(path, 1572864, UdfAnchor(40));
  WriteAt(path, 1048576 + 40 * kSector, UdfPartitionDescriptor(257, 700));
  ResizeFile(path, 1048576 + 4700000000ull);
  VolSizeChoice sizes;
  VolumeInfo info;
  ASSERT_TRUE(CheckHeader(path, sizes, info));
  EXPECT_TRUE(Logged(log, "With MID."));
  EXPECT_TRUE(Logged(log, "[CheckHeader]\r\nOffset: 1048576"));
  EXPECT_TRUE(Logged(log, "VolumeName: BEHIND_MID"));
  EXPECT_TRUE(Logged(log, "UDF: 1,959,936 bytes"));
  EXPECT_EQ(info.volumeOffset, 1048576u);
  EXPECT_EQ(info.volumeSize, 4700000000u);
  EXPECT_EQ(sizes.Media().caption, "MID volume size (4,700,000,000 bytes.)");
}

TEST(CheckHeaderFile, MidWithoutIndexOrWithAbsurdNumbersGivesNoVolume) {
  TempDir dir;
  CapturedLog log;
  VolSizeChoice sizes;
  VolumeInfo info;

  std::string plain = dir.File("plain.img");
  WriteAt(plain, 0, MidText("Nothing here"));
  ResizeFile(plain, 4 * 1024 * 1024);
  ASSERT_TRUE(CheckHeader(plain, sizes, info));
  EXPECT_EQ(info.volumeOffset, 0u);
  EXPECT_EQ(info.volumeSize, 0u);

  // A start of FFFFFFFFH sectors of 32 KiB lies far outside any source.
  std::string absurd = dir.File("absurd.img");
  WriteAt(absurd, 0, MidText("Index = MAINdata( FFFFFFFFH, 100 )"));
  WriteAt(absurd, 16 * kSector, IsoPrimaryDescriptor(50, "AT_ZERO"));
  ResizeFile(absurd, 4 * 1024 * 1024);
  ASSERT_TRUE(CheckHeader(absurd, sizes, info));
  EXPECT_TRUE(Logged(log, "MID index points outside the source (140,737,488,322,560 bytes). Offset and MID size set to 0."));
  EXPECT_EQ(info.volumeOffset, 0u);
  EXPECT_EQ(info.volumeName, "AT_ZERO");
  EXPECT_EQ(info.volumeSize, 0u);

  // A MID size beyond the file is held to what the file holds.
  std::string big = dir.File("big.img");
  WriteAt(big, 0, MidText("Index = MAINdata( 1, 999999999999 )"));
  ResizeFile(big, 3 * 1024 * 1024);
  ASSERT_TRUE(CheckHeader(big, sizes, info));
  EXPECT_EQ(info.volumeOffset, 32768u);
  EXPECT_EQ(info.volumeSize, 3u * 1024 * 1024 - 32768);
}

TEST(CheckHeaderFile, BrokenUdfNeverReadsOutsideTheSourceOrClaimsMoreThanItHolds) {
  TempDir dir;
  CapturedLog log;
  VolSizeChoice sizes;
  VolumeInfo info;

  // Start and length that wrap to 100H sectors in 32 bits.
  std::string wrap = dir.File("wrap.img");
  WriteAt(wrap, 256 * kSector, UdfAnchor(32));
  WriteAt(wrap, 32 * kSector, UdfPartitionDescriptor(0xFFFFFF00u, 0x200));
  ResizeFile(wrap, 2 * 1024 * 1024);
  ASSERT_TRUE(CheckHeader(wrap, sizes, info));
  EXPECT_FALSE(Logged(log, "UDF: 524,288 bytes")) << "a wrapped sum passed for a size";
  EXPECT_TRUE(Logged(log, "UDF: 2,097,152 bytes"));

  // An anchor that names a sequence far past the end finds zeros, not stale data.
  std::string outside = dir.File("outside.img");
  WriteAt(outside, 256 * kSector, UdfAnchor(0x7FFFFFFF));
  ResizeFile(outside, 600 * kSector);
  ASSERT_TRUE(CheckHeader(outside, sizes, info));
  EXPECT_TRUE(Logged(log, "UDF: 0 bytes"));
  EXPECT_EQ(info.volumeSize, 600 * kSector);

  // A file shorter than one probe.
  std::string tiny = dir.Write("tiny.img", std::string(1000, 'z'));
  ASSERT_TRUE(CheckHeader(tiny, sizes, info));
  EXPECT_EQ(info.volumeSize, 1000u);
  EXPECT_EQ(info.lbCount, 1u);
  EXPECT_EQ(info.volumeName, std::string(32, ' '));

  // An ISO descriptor that claims more than the file.
  std::string truncated = dir.File("truncated.img");
  WriteAt(truncated, 16 * kSector, IsoPrimaryDescriptor(51200, "CUT"));
  ResizeFile(truncated, 1024 * 1024);
  ASSERT_TRUE(CheckHeader(truncated, sizes, info));
  EXPECT_TRUE(Logged(log, "ISO size (104,857,600 bytes) exceeds the source. Limited to 1,048,576 bytes."));
}

TEST(CheckHeaderFile, BlankVolumeNameAndUnreadableFile) {
  TempDir dir;
  CapturedLog log;
  VolSizeChoice sizes;
  VolumeInfo info;
  std::string blank = dir.File("blank.img");
  WriteAt(blank, 16 * kSector, IsoPrimaryDescriptor(20, ""));
  ResizeFile(blank, 20 * kSector);
  ASSERT_TRUE(CheckHeader(blank, sizes, info));
  EXPECT_EQ(info.volumeName, " ");

  ScriptedUiGuard ui;
  std::string missing = dir.File("missing.iso");
  ui.Expect("Open error: " + missing + " (No such file or directory)", "Error", 0x10, 1);
  EXPECT_FALSE(CheckHeader(missing, sizes, info));
  EXPECT_EQ(info.volumeSize, 0u);
}
