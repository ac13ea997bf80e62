// SPDX-License-Identifier: GPL-3.0-or-later
// The SCSI commands the program sends, one function each. Every function
// fills the channel's execute block (direction, buffer, length, command block
// with the LUN in byte 1 bits 5-7) and runs it: INQUIRY waits at most 2500 ms,
// every other command without limit. The result is the channel's request
// status (1 = completed without error; see ASPI32.h); the sense data is then
// read through the channel.
//
// The functions allocate nothing. Buffers and records belong to the caller and
// must hold the data length given for each command until it has completed.
#pragma once

#include <cstdint>

#include "host/aspi/OperationCodes.h"

#include "scsi/ASPI32.h"
#include "scsi/Requests.h"

namespace scsi {

// Operation codes.
namespace op = ::aspi::op;

inline constexpr uint32_t kInquiryWaitMs = 2500;
inline constexpr uint32_t kInquiryLength = 128;
inline constexpr uint32_t kReadCapacityLength = 8;
inline constexpr uint32_t kModeSenseLength = 2048;
inline constexpr uint32_t kDvdStructureFixedLength = 24;

int TestUnitReady(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun);
// Tape read: transferLength bytes (24 bits in the block; the buffer length
// field carries its low 16 bits). fixed: fixed-length blocks.
int Read6(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, bool fixed, uint32_t transferLength, void* buffer);
// buffer: kInquiryLength bytes.
int Inquiry(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, void* buffer);
// start: bit 0 Start, bit 1 LoEj.
int StartStopUnit(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t start, uint8_t powerCondition);
int PreventAllowMediumRemoval(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t prevent);
// buffer: kReadCapacityLength bytes (last LBA, block length).
int ReadCapacity(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, void* buffer);
int Read10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint16_t blocks, void* buffer,
           uint32_t byteCount);
int Write10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint16_t blocks,
            const void* buffer, uint32_t byteCount);
int SynchronizeCache(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, bool immediate);
// offset and length: 24 bits.
int WriteBuffer(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t mode, uint8_t bufferId,
                uint32_t offset, const void* data, uint32_t length);
int ReadBuffer(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t mode, uint8_t bufferId,
               uint32_t offset, void* data, uint32_t length);
int LogSense(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t pageCode, void* buffer,
             uint16_t allocationLength);
int ReadDiscInformation(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, DiscInformationRequest& request);
int ReadTrackRZoneInformation(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, RZoneRequest& request);
int ReserveRZone(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t reservationSize);
int ModeSelect10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, const void* parameterList,
                 uint16_t listLength);
// buffer: kModeSenseLength bytes.
int ModeSense10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t pageCode, void* buffer);
// type: blanking type (bits 0-2).
int Blank(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, bool immediate, uint8_t type,
          uint32_t startAddress);
int Read12(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint32_t blocks, void* buffer,
           uint32_t byteCount);
// READ(10) and READ(12) sent ahead: the same commands, flagged so that the
// manager may queue them with the drive (SRB_QUEUE_AHEAD), and not waited
// for: 0 once sent (channel.Await then waits), -1 when not sent.
int SendRead10Ahead(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint16_t blocks,
                    void* buffer, uint32_t byteCount);
int SendRead12Ahead(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint32_t blocks,
                    void* buffer, uint32_t byteCount);
int Write12(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint32_t blocks,
            const void* buffer, uint32_t byteCount);
// Fixed form: kDvdStructureFixedLength bytes of list.
int SendDvdStructure(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t formatCode,
                     const void* parameterList);
// Record form: the record's format code and transfer length.
int SendDvdStructure(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, const DvdStructureRecord& record);
// Vendor command E6h of the CD-R writer with its four values W, X, Y, Z.
int VendorCdrConfig(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t w, uint8_t x, uint16_t y,
                    uint8_t z);
// Vendor command E9h, control form.
int VendorControl(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t value, bool flag);
int VendorRead10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, void* buffer, uint16_t length);
int VendorRead12(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, void* buffer, uint16_t length);
int VendorWrite10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, const void* buffer, uint16_t length);
// GET CONFIGURATION: the feature header (current profile at bytes 6-7) and
// the feature descriptors from startFeature on. requestType: 0 all
// features, 1 the current ones, 2 startFeature alone.
int GetConfiguration(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t requestType,
                     uint16_t startFeature, void* buffer, uint16_t length);
// READ DVD STRUCTURE of layer 0, address 0, in the given format.
int ReadDvdStructure(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t format, void* buffer,
                     uint16_t length);
// CLOSE TRACK/SESSION. function: 1 close the track, 2 close the session;
// number: the track to close (function 1).
int CloseTrackSession(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, bool immediate, uint8_t function,
                      uint16_t number);
int VendorWrite12(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t extra, const void* buffer,
                  uint16_t length);

}  // namespace scsi
