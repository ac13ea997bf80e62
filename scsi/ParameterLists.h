// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter lists the writer classes send with MODE SELECT(10) and SEND
// DVD STRUCTURE.
//
// Lists 1 to 4 are edited in place in the 2048-byte area that the preceding
// MODE SENSE(10) filled: bytes the list does not name keep what the drive
// returned. Each returns the number of bytes to send with MODE SELECT(10).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "host/os/Platform.h"
#include "scsi/Requests.h"

namespace scsi {

inline constexpr size_t kModeAreaSize = 2048;
using ModeArea = std::span<uint8_t, kModeAreaSize>;

// Mode pages the lists are read from.
inline constexpr uint8_t kWriteParametersPage = 0x05;
inline constexpr uint8_t kCdrWritingModePage = 0x23;
inline constexpr uint8_t kCdrConfigurationPage = 0x20;

// List 1: write parameters of the later DVD-R writers and the generic DVD-R/RW
// writer: write type 2, test write bit as asked. 68 bytes.
uint16_t BuildWriteParameters10(ModeArea area, bool testWrite);
// List 2: write parameters of the first-generation DVD-R writer. 68 bytes.
uint16_t BuildWriteParameters09(ModeArea area, bool testWrite);
// List 3: CD-R writing mode (vendor page 23h). 24 bytes.
uint16_t BuildCdrWritingMode(ModeArea area, bool testWrite);
// List 4: CD-R configuration (vendor page 20h). 24 bytes.
uint16_t BuildCdrConfiguration(ModeArea area);

// List 5: DVD structure format 00h (physical format), fixed form, built in a
// 30-byte area of which the first kDvdStructureFixedLength bytes are sent.
inline constexpr uint8_t kDvdStructurePhysical = 0x00;
using PhysicalFormatArea = std::array<uint8_t, 30>;
void BuildPhysicalFormat(PhysicalFormatArea& area, uint32_t endSectorInMain);

// List 6: DVD structure format 05h, record form.
inline constexpr uint8_t kDvdStructureCopyright = 0x05;
void BuildCopyrightStructure(DvdStructureRecord& record, uint8_t first, uint8_t second);

// List 7: DVD structure format 0Fh, record form, with a UTC time stamp.
inline constexpr uint8_t kDvdStructureTimeStamp = 0x0F;
void BuildTimeStampStructure(DvdStructureRecord& record, const host::UtcTime& now);
// The same with the current UTC time.
void BuildTimeStampStructure(DvdStructureRecord& record);

}  // namespace scsi
