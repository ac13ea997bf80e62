// SPDX-License-Identifier: GPL-3.0-or-later
#include "scsi/ParameterLists.h"

#include <algorithm>
#include <cstring>

#include "scsi/BigEndian.h"
#include "base/TextFormat.h"

namespace scsi {
namespace {

// Offsets in a MODE SELECT(10) list: 8-byte header, 8-byte block descriptor,
// then the page.
constexpr size_t kModeDataLength = 0;     // 2 bytes, reserved in MODE SELECT
constexpr size_t kBlockLength = 14;       // low 16 bits of the descriptor's block length
constexpr size_t kPageByte2 = 18;         // write type and test write (page 05h)
constexpr size_t kPageByte3 = 19;
constexpr size_t kPageByte4 = 20;
constexpr size_t kPageByte5 = 21;
constexpr size_t kPageByte6 = 22;
constexpr size_t kWriteParams09LastByte = 67;

constexpr uint16_t kWriteParametersLength = 68;
constexpr uint16_t kCdrListLength = 24;
constexpr uint16_t kBlockLength2048 = 0x0800;

constexpr uint8_t kTestWriteBit = 0x10;
constexpr uint8_t kWriteTypeMask = 0xE0;  // keeps the bits above the write type and test write
constexpr uint8_t kWriteTypeDao = 0x02;

// DVD structure lists: 2-byte data length, 2 reserved bytes, then the fields.
constexpr size_t kStructureFields = 4;

void StartRecord(DvdStructureRecord& record, uint8_t formatCode, uint16_t transferLength) {
  record.Clear();
  record.formatCode = formatCode;
  record.transferLength = transferLength;
  record.dataLength = static_cast<uint16_t>(transferLength - 2);
  PutBE16(record.list, record.dataLength);
}

}  // namespace

uint16_t BuildWriteParameters10(ModeArea area, bool testWrite) {
  PutBE16(&area[kModeDataLength], 0);
  uint8_t byte = static_cast<uint8_t>((area[kPageByte2] & kWriteTypeMask) | kWriteTypeDao);
  if (testWrite) byte |= kTestWriteBit;
  area[kPageByte2] = byte;
  return kWriteParametersLength;
}

uint16_t BuildWriteParameters09(ModeArea area, bool testWrite) {
  PutBE16(&area[kModeDataLength], 0);
  if (testWrite) {
    area[kPageByte2] |= kTestWriteBit;
  } else {
    area[kPageByte2] &= static_cast<uint8_t>(~kTestWriteBit);
  }
  area[kPageByte5] &= 0x0F;
  area[kWriteParams09LastByte] = 0;
  return kWriteParametersLength;
}

uint16_t BuildCdrWritingMode(ModeArea area, bool testWrite) {
  PutBE16(&area[kModeDataLength], 0);
  PutBE16(&area[kBlockLength], kBlockLength2048);
  area[kPageByte2] = 0x04;
  area[kPageByte3] = testWrite ? 0x01 : 0x00;
  return kCdrListLength;
}

uint16_t BuildCdrConfiguration(ModeArea area) {
  PutBE16(&area[kModeDataLength], 0);
  PutBE16(&area[kBlockLength], kBlockLength2048);
  area[kPageByte3] = 0x00;
  area[kPageByte4] = 0x00;
  area[kPageByte5] = 0x08;
  area[kPageByte6] = 0x00;
  return kCdrListLength;
}

void BuildPhysicalFormat(PhysicalFormatArea& area, uint32_t endSectorInMain) {
  // The physical format fields as the first-generation writer expects them.
  constexpr uint8_t kFields[] = {
      0x00, 0x12,              // fixed by the writer
      0x21,                    // book type and part version
      0x02,                    // disc size and maximum rate
      0x02,                    // layer byte
      0x11,                    // densities
      0x00, 0x03, 0x00, 0x00,  // start sector of the data area: 030000h
  };
  area.fill(0);
  PutBE16(&area[0], 0x0016);
  std::memcpy(&area[kStructureFields], kFields, sizeof kFields);
  PutBE32(&area[kStructureFields + sizeof kFields], endSectorInMain & 0x00FFFFFF);
  // End sector in layer 0 and the BCA byte stay 0.
}

void BuildCopyrightStructure(DvdStructureRecord& record, uint8_t first, uint8_t second) {
  StartRecord(record, kDvdStructureCopyright, 8);
  uint8_t byte = static_cast<uint8_t>((first & 0x01) << 7);
  if (first & 0x01) byte |= static_cast<uint8_t>((second & 0x03) << 4);
  record.list[kStructureFields + 1] = byte;
}

void BuildTimeStampStructure(DvdStructureRecord& record, const host::UtcTime& now) {
  constexpr size_t kDigits = 14;
  StartRecord(record, kDvdStructureTimeStamp, 20);
  // Each part is held to its digit count, so an odd clock cannot widen the stamp.
  std::string stamp = FormatText("%04d%02d%02d%02d%02d%02d", std::clamp(now.year, 0, 9999),
                                 std::clamp(now.month, 0, 99), std::clamp(now.day, 0, 99),
                                 std::clamp(now.hour, 0, 99), std::clamp(now.minute, 0, 99),
                                 std::clamp(now.second, 0, 99));
  std::memcpy(&record.list[kStructureFields + 2], stamp.data(), kDigits);
}

void BuildTimeStampStructure(DvdStructureRecord& record) { BuildTimeStampStructure(record, host::CurrentUtcTime()); }

}  // namespace scsi
