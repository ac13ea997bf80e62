// SPDX-License-Identifier: GPL-3.0-or-later
// The records that some commands take instead of a plain buffer. They belong to
// the caller and must stay valid until the command has completed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace scsi {

inline constexpr size_t kRZoneDataSize = 36;
inline constexpr size_t kDiscInformationDataSize = 2048;
inline constexpr size_t kDvdStructureListSize = 2052;

// READ TRACK/RZONE INFORMATION: which RZone to describe and where the reply
// goes (36 bytes are transferred whatever the allocation length says).
struct RZoneRequest {
  uint32_t address = 0;           // LBA or RZone number, as addressType says
  uint16_t allocationLength = 0;  // sent in the command block
  uint8_t addressType = 0;        // 0 LBA, 1 RZone number
  uint8_t data[kRZoneDataSize] = {};
};

// READ DISC INFORMATION: the allocation length and the area the reply goes to.
struct DiscInformationRequest {
  uint16_t allocationLength = 0;
  uint8_t data[kDiscInformationDataSize] = {};
};

// SEND DVD STRUCTURE, record form: the parameter list and its lengths. The
// builders of ParameterLists.h fill it; Clear() empties it first.
struct DvdStructureRecord {
  uint16_t transferLength = 0;  // bytes of list that are sent
  uint8_t formatCode = 0;
  uint16_t dataLength = 0;      // transferLength - 2, also in list bytes 0-1
  uint8_t list[kDvdStructureListSize] = {};

  void Clear() { *this = DvdStructureRecord{}; }
};

}  // namespace scsi
