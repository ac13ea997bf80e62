// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware file formats against files the tests build byte by byte
// (tests/fixtures/FirmwareFiles.h): recognition, the SYS/MEC header, the
// TYPE1 descriptor, layout limits, the checksum and loader.inf.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "firmware/format/Crc16.h"
#include "firmware/format/SysMecHeader.h"
#include "firmware/format/Type1File.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/FirmwareFiles.h"

namespace {

class FormatTest : public ::testing::Test {
 protected:
  // The bytes of an update file as the update holds them: read once.
  FirmwareBytes Open(const std::string& bytes) {
    file_.assign(bytes.begin(), bytes.end());
    return file_;
  }
  Type1Descriptor Descriptor(const std::string& bytes) {
    Type1Descriptor descriptor;
    EXPECT_TRUE(ReadType1Descriptor(Open(bytes), descriptor));
    return descriptor;
  }
  static std::array<uint8_t, 64> Head(const std::string& bytes) {
    std::array<uint8_t, 64> head{};
    std::copy_n(bytes.begin(), std::min<size_t>(64, bytes.size()), head.begin());
    return head;
  }

  CapturedLog log;
  std::vector<uint8_t> file_;
};

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

TEST(Crc16, IsTheXmodemCrcInOnePieceOrMany) {
  EXPECT_EQ(Crc16Of(Bytes("abc")), 0x9DD6);
  EXPECT_EQ(Crc16Of(Bytes("123456789")), 0x31C3);  // the published check value
  EXPECT_EQ(Crc16Of({}), 0);
  std::mt19937 random(7);
  std::string data(100000, '\0');
  for (char& c : data) c = static_cast<char>(random());
  Crc16 pieces;
  for (size_t at = 0; at < data.size(); at += 4099)
    pieces.Add(std::span(reinterpret_cast<const uint8_t*>(data.data()) + at, std::min<size_t>(4099, data.size() - at)));
  EXPECT_EQ(pieces.Value(), BitwiseCrc16(data));
}

TEST_F(FormatTest, FilesAreRecognisedByTheirFirstLine) {
  EXPECT_EQ(RecogniseFirmware(Head(Type1File{}.Build())), FirmwareFileKind::Type1);
  EXPECT_EQ(RecogniseFirmware(Head(SysMecFile{}.Build())), FirmwareFileKind::SysMec);
  std::string other = SysMecFile{}.Build();
  other[9] = '2';  // "QXW-7200 Firmware Binary File : Update to Ver."
  EXPECT_EQ(RecogniseFirmware(Head(other)), FirmwareFileKind::None);
  EXPECT_EQ(RecogniseFirmware(Head("")), FirmwareFileKind::None);

  Type1File type1;
  type1.version = "1.05";
  EXPECT_EQ(Type1Version(Head(type1.Build())), "1.05");
  std::string noVersion = type1.Build();
  noVersion[51] = '!';  // within the 52 characters the version depends on
  EXPECT_EQ(Type1Version(Head(noVersion)), "");
}

TEST_F(FormatTest, SysMecHeaderGivesVersionMarkersAndParts) {
  SysMecFile made;
  std::string bytes = made.Build();
  SysMecHeader header;
  ASSERT_TRUE(ReadSysMecHeader(Open(bytes), header));
  EXPECT_EQ(header.Version(), "1.08");
  EXPECT_TRUE(header.HasPartMarkers());
  EXPECT_EQ(header.Sys().size, 40000u);
  EXPECT_EQ(header.Sys().offset, 128u);
  EXPECT_EQ(header.Mec().size, 20000u);
  EXPECT_EQ(header.Mec().offset, 40128u);
  EXPECT_EQ(SysMecLayoutProblem(header, bytes.size()), "");

  // One character off in either marker, the last one included.
  for (auto wrong : {&SysMecFile::sysMarker, &SysMecFile::mecMarker}) {
    SysMecFile damaged;
    (damaged.*wrong).back() = 'X';
    ASSERT_TRUE(ReadSysMecHeader(Open(damaged.Build()), header));
    EXPECT_FALSE(header.HasPartMarkers());
  }
  // A header cut short is not read as if zeros followed.
  EXPECT_FALSE(ReadSysMecHeader(Open(bytes.substr(0, 127)), header));
}

TEST_F(FormatTest, SysMecPartsMustLieInTheFileAndFitTheBuffers) {
  struct Case {
    const char* what;
    std::function<void(SysMecFile&)> damage;
    const char* problem;  // start of the reason
  };
  const Case cases[] = {
      {"empty SYS", [](SysMecFile& f) { f.sysSize = 0; }, "The SYS part has no bytes."},
      {"MEC inside the header", [](SysMecFile& f) { f.mecPosition = 100; }, "The MEC part starts at byte 100"},
      {"SYS past the end", [](SysMecFile& f) { f.sysSize = 60001; }, "The SYS part (60001 bytes at byte 128) reaches past"},
      {"MEC past the end", [](SysMecFile& f) { f.mecPosition = 0xFFFFFFF0u; }, "The MEC part (20000 bytes at byte 4294967280)"},
      {"SYS above 24 bits from 20000h",
       [](SysMecFile& f) {
         f.sys.resize(0x1000000 - 0x20000 + 1);
         f.mec.resize(16);
       },
       "The SYS part (16646145 bytes at buffer offset 20000H) does not fit"},
  };
  for (const Case& c : cases) {
    SysMecFile file;
    c.damage(file);
    std::string bytes = file.Build();
    SysMecHeader header;
    ASSERT_TRUE(ReadSysMecHeader(Open(bytes), header)) << c.what;
    EXPECT_EQ(SysMecLayoutProblem(header, bytes.size()).rfind(c.problem, 0), 0u)
        << c.what << ": " << SysMecLayoutProblem(header, bytes.size());
  }
}

TEST_F(FormatTest, Type1DescriptorReadsNumbersAsTheLinesWriteThem) {
  Type1File made;
  Type1Descriptor read = Descriptor(made.Build());
  EXPECT_EQ(read[Type1Part::LoaderInf].size, 16u);
  EXPECT_EQ(read[Type1Part::LoaderInf].offset, 512u);
  EXPECT_EQ(read[Type1Part::LoaderBin].offset, 528u);
  EXPECT_EQ(read[Type1Part::RomExt].size, 30000u);
  EXPECT_EQ(read[Type1Part::RomExt].offset, made.RomExtPosition());

  // Hexadecimal with H, decimal with thousands commas, a line without the
  // blanks (ignored), values before any FileName line (ignored), and a later
  // line overwriting an earlier one.
  const std::vector<std::string> lines = {
      "FileSize = 99",         "Offset = 99",           "FileName = rom_in.bin", "FileSize = 40000H",
      "Offset = 8200H",        "FileName = rom_ext.bin", "FileSize = 262,144",   "FileSize=5",
      "Offset = 33,280",       "FileName = loader.bin", "Offset = 1",           "Offset = 2"};
  read = Descriptor(made.Build(lines));
  EXPECT_EQ(read[Type1Part::RomIn].size, 262144u);
  EXPECT_EQ(read[Type1Part::RomIn].offset, 33280u);
  EXPECT_EQ(read[Type1Part::RomExt].size, 262144u);
  EXPECT_EQ(read[Type1Part::RomExt].offset, 33280u);
  EXPECT_EQ(read[Type1Part::LoaderBin].offset, 2u);
  EXPECT_FALSE(read.named[static_cast<size_t>(Type1Part::LoaderInf)]);

  // Without the end line the descriptor is incomplete.
  std::string bytes = made.Build();
  bytes.replace(bytes.find("[ End"), 5, "[ Fin");
  Type1Descriptor incomplete;
  EXPECT_FALSE(ReadType1Descriptor(Open(bytes), incomplete));
}

TEST_F(FormatTest, Type1LayoutRefusesWhatCannotBeSentSafely) {
  struct Case {
    const char* what;
    std::function<void(std::vector<std::string>&)> edit;
    const char* problem;
  };
  auto replace = [](std::string from, std::string to) {
    return [from, to](std::vector<std::string>& lines) { std::replace(lines.begin(), lines.end(), from, to); };
  };
  Type1File made;
  const std::string romInSize = "FileSize = " + std::to_string(made.romIn.size());
  const Case cases[] = {
      {"no rom_ext.bin", replace("FileName = rom_ext.bin", "FileName = rom_xxx.bin"), "The descriptor names no rom_ext.bin."},
      {"loader.inf of 32 bytes", replace("FileSize = 16", "FileSize = 32"), "loader.inf is not 16 bytes."},
      {"loader.inf elsewhere", replace("Offset = 512", "Offset = 528"), "loader.inf does not start at byte 512."},
      {"empty rom_in.bin", replace(romInSize, "FileSize = 0"), "rom_in.bin has no bytes."},
      {"rom_in.bin past the end", replace(romInSize, "FileSize = 1000000"), "rom_in.bin (1000000 bytes at byte"},
      {"loader.bin in the descriptor", replace("Offset = 528", "Offset = 100"), "loader.bin starts at byte 100"},
      {"rom_in.bin of 4 GiB", replace(romInSize, "FileSize = FFFFFFFFH"), "rom_in.bin (4294967295 bytes"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = made.Lines();
    c.edit(lines);
    std::string bytes = made.Build(lines);
    EXPECT_EQ(Type1LayoutProblem(Descriptor(bytes), bytes.size()).rfind(c.problem, 0), 0u)
        << c.what << ": " << Type1LayoutProblem(Descriptor(bytes), bytes.size());
  }
  std::string bytes = made.Build();
  EXPECT_EQ(Type1LayoutProblem(Descriptor(bytes), bytes.size()), "");
  EXPECT_EQ(Type1LayoutProblem(Descriptor(bytes), 511), "The file is shorter than 512 bytes.");

  // A ROM image above the 24-bit buffer offsets.
  Type1File huge;
  huge.romExt.assign(0x1000001, 0);
  std::string hugeBytes = huge.Build();
  EXPECT_EQ(Type1LayoutProblem(Descriptor(hugeBytes), hugeBytes.size()).rfind("rom_ext.bin (16777217 bytes at buffer", 0), 0u);
}

TEST_F(FormatTest, Type1ChecksumCoversEveryByteFrom512ToTheEnd) {
  Type1File made;
  std::string bytes = made.Build();
  ChecksumResult result = CheckType1Checksum(Open(bytes));
  EXPECT_EQ(result.verdict, ChecksumVerdict::Valid);
  EXPECT_EQ(result.computed, BitwiseCrc16(made.Body()));
  EXPECT_TRUE(log.Contains(PrintDataBuffer(made.Body().data(), 128))) << "the first 128 bytes are dumped";

  // The last byte counts: change it and the file is corrupt.
  std::string damaged = bytes;
  damaged.back() ^= 1;
  result = CheckType1Checksum(Open(damaged));
  EXPECT_EQ(result.verdict, ChecksumVerdict::Invalid);
  EXPECT_EQ(result.stated, BitwiseCrc16(made.Body()));
  // A file too short for its images cannot be checked.
  EXPECT_EQ(CheckType1Checksum(Open(bytes.substr(0, 511))).verdict, ChecksumVerdict::Unreadable);
  // A file without a checksum line is not checked.
  made.withChecksum = false;
  EXPECT_EQ(CheckType1Checksum(Open(made.Build())).verdict, ChecksumVerdict::NoChecksum);
}

TEST_F(FormatTest, ALargeFileIsChecksummedWholeInPieces) {
  // 1,000,000 bytes with loader.inf at 512: bytes 512 to 999,999 count.
  Type1File made;
  made.romExt.assign(1000000 - 512 - 16 - made.loader.size() - made.romIn.size(), 0x5A);
  std::string bytes = made.Build();
  ASSERT_EQ(bytes.size(), 1000000u);
  EXPECT_EQ(made.Body().size(), 999488u);
  EXPECT_EQ(CheckType1Checksum(Open(bytes)).verdict, ChecksumVerdict::Valid);
  // More than 1 MiB is checksummed whole as well.
  made.romExt.assign(3 << 20, 0xA5);
  bytes = made.Build();
  ChecksumResult result = CheckType1Checksum(Open(bytes));
  EXPECT_EQ(result.verdict, ChecksumVerdict::Valid);
  EXPECT_EQ(result.computed, BitwiseCrc16(made.Body()));
}

TEST_F(FormatTest, LoaderInfoGivesTheAddressesWithinTheBufferSpace) {
  Type1File made;
  made.loadAddress = 0x00123456;
  made.startAddress = 0x00ABCDEF;
  std::string bytes = made.Build();
  Type1Descriptor descriptor = Descriptor(bytes);
  LoaderInfo info;
  ASSERT_TRUE(ReadLoaderInfo(file_, descriptor, info));
  EXPECT_EQ(info.LoadAddress(), 0x00123456u);
  EXPECT_EQ(info.StartAddress(), 0x00ABCDEFu);
  EXPECT_EQ(LoaderInfoProblem(info, descriptor), "");

  made.startAddress = 0x01000000;
  descriptor = Descriptor(made.Build());
  ASSERT_TRUE(ReadLoaderInfo(file_, descriptor, info));
  EXPECT_EQ(LoaderInfoProblem(info, descriptor), "The start address of loader.inf is not a 24-bit offset.");

  made.startAddress = 0x100;
  made.loadAddress = 0xFFFFFF - 100;  // loader.bin is 5000 bytes
  descriptor = Descriptor(made.Build());
  ASSERT_TRUE(ReadLoaderInfo(file_, descriptor, info));
  EXPECT_EQ(LoaderInfoProblem(info, descriptor),
            "loader.bin does not fit the drive's 24-bit buffer offsets from its load address.");
}
