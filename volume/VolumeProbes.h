// SPDX-License-Identifier: GPL-3.0-or-later
// The three recognisers of a volume's start: the mastering information text
// (MID), the ISO 9660 primary volume descriptor and the UDF anchor and
// partition descriptors. They read only the fields they name and never past
// the buffers they are given.
#pragma once

#include <cstdint>
#include <string>

inline constexpr uint32_t kSector = 2048;
inline constexpr uint32_t kProbeBlock = 32768;              // one probe read: 16 sectors
inline constexpr uint32_t kMidArea = 1048576;               // where the MID index may stand
inline constexpr uint64_t kIsoDescriptorOffset = 16 * kSector;
inline constexpr uint64_t kUdfAnchorOffset = 256 * kSector;

// True when the buffer starts with "[ Mastering Information Descriptor ]".
bool HasMid(const uint8_t* buffer, uint32_t length);

// Finds "Index = MAINdata( " and reads the main data start (in units of 32,768
// bytes) and, after the next comma, the main data size in bytes. Returns the
// start in bytes; 0 and a MID size of 0 when there is no readable index.
// The start is computed in 64 bits: the caller decides what is absurd.
uint64_t ParseMidIndex(const uint8_t* buffer, uint32_t length, uint64_t& midSize);

// Logs the 2048-byte sector ("ISO PVD") and reads it as a primary volume
// descriptor: the volume name (trailing blanks removed, 32 blanks when the
// descriptor is not valid) and the volume size in bytes (0 when not valid).
bool GetIsoVolumeInfo(const uint8_t* sector, std::string& volumeName, uint64_t& isoSize);

// A UDF descriptor tag with identifier 2 and a valid checksum.
bool IsUdfAnchor(const uint8_t* sector);
// The extent of the main volume descriptor sequence named by an anchor.
uint32_t UdfSequenceLocation(const uint8_t* anchor);

// Logs the 16-sector sequence ("UDF VOL") and takes the end of the last
// partition descriptor in it (start + length, in 64 bits) as the UDF size.
bool GetUdfVolumeInfo(const uint8_t* sequence, uint64_t& udfSize);
