// SPDX-License-Identifier: GPL-3.0-or-later
#include "scsi/Commands.h"

#include <algorithm>
#include <cstring>

#include "host/os/Event.h"
#include "scsi/BigEndian.h"

namespace scsi {
namespace {

constexpr uint8_t kDataIn = aspi::SRB_DIR_IN | aspi::SRB_EVENT_NOTIFY;    // 0x48
constexpr uint8_t kDataOut = aspi::SRB_DIR_OUT | aspi::SRB_EVENT_NOTIFY;  // 0x50

// One command being put together in the channel's execute block: the block
// is reset, the address and the operation code are set, then the command's
// own fields are written at their offsets in the command block.
class Command {
 public:
  Command(ASPI32& channel, uint8_t flags, uint8_t ha, uint8_t id, uint8_t lun, uint8_t opCode, uint8_t length)
      : channel_(channel), block_(channel.ExecuteBlock().Block()) {
    channel.ExecuteBlock().Init(flags);
    block_.SRB_HaId = ha;
    block_.SRB_Target = id;
    block_.SRB_Lun = lun;
    block_.SRB_CDBLen = length;
    block_.CDBByte[0] = opCode;
    block_.CDBByte[1] = static_cast<uint8_t>((lun & 0x07) << 5);
  }

  // Bits OR-ed into byte 1 beside the LUN.
  Command& Byte1(uint8_t bits) {
    block_.CDBByte[1] |= bits;
    return *this;
  }
  Command& Byte(size_t index, uint8_t value) {
    block_.CDBByte[index] = value;
    return *this;
  }
  Command& Put16(size_t index, uint16_t value) {
    PutBE16(&block_.CDBByte[index], value);
    return *this;
  }
  Command& Put24(size_t index, uint32_t value) {
    PutBE24(&block_.CDBByte[index], value);
    return *this;
  }
  Command& Put32(size_t index, uint32_t value) {
    PutBE32(&block_.CDBByte[index], value);
    return *this;
  }
  Command& Data(const void* buffer, uint32_t length) {
    block_.SRB_BufPointer = reinterpret_cast<uintptr_t>(buffer);
    block_.SRB_BufLen = length;
    return *this;
  }

  int Run(uint32_t timeoutMs = host::kInfinite) { return channel_.Execute(timeoutMs); }
  int SendAhead() {
    block_.SRB_Flags |= aspi::SRB_QUEUE_AHEAD;
    return channel_.Send();
  }

 private:
  ASPI32& channel_;
  aspi::SRB_ExecSCSICmd& block_;
};

Command Read10Command(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint16_t blocks,
                      void* buffer, uint32_t byteCount) {
  Command command(channel, kDataIn, ha, id, lun, op::kRead10, 10);
  command.Put32(2, lba).Put16(7, blocks).Data(buffer, byteCount);
  return command;
}

Command Read12Command(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint32_t blocks,
                      void* buffer, uint32_t byteCount) {
  Command command(channel, kDataIn, ha, id, lun, op::kRead12, 12);
  command.Put32(2, lba).Put32(6, blocks).Data(buffer, byteCount);
  return command;
}

}  // namespace

int TestUnitReady(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun) {
  return Command(channel, kDataIn, ha, id, lun, op::kTestUnitReady, 6).Run();
}

int Read6(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, bool fixed, uint32_t transferLength,
          void* buffer) {
  // The buffer length field keeps only the low 16 bits: the tape read never
  // asks for more than 32 KiB.
  return Command(channel, kDataIn, ha, id, lun, op::kRead6, 6)
      .Byte1(fixed ? 0x01 : 0x00)
      .Put24(2, transferLength)
      .Data(buffer, transferLength & 0xFFFF)
      .Run();
}

int Inquiry(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, void* buffer) {
  return Command(channel, kDataIn, ha, id, lun, op::kInquiry, 6)
      .Byte(4, kInquiryLength)
      .Data(buffer, kInquiryLength)
      .Run(kInquiryWaitMs);
}

int StartStopUnit(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t start, uint8_t powerCondition) {
  return Command(channel, kDataOut, ha, id, lun, op::kStartStopUnit, 6)
      .Byte(4, static_cast<uint8_t>((start & 0x03) | (powerCondition << 4)))
      .Run();
}

int PreventAllowMediumRemoval(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t prevent) {
  return Command(channel, kDataOut, ha, id, lun, op::kPreventAllowMediumRemoval, 6)
      .Byte(4, prevent & 0x03)
      .Run();
}

int ReadCapacity(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, void* buffer) {
  return Command(channel, kDataIn, ha, id, lun, op::kReadCapacity, 10)
      .Data(buffer, kReadCapacityLength)
      .Run();
}

int Read10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint16_t blocks, void* buffer,
           uint32_t byteCount) {
  return Read10Command(channel, ha, id, lun, lba, blocks, buffer, byteCount).Run();
}

int SendRead10Ahead(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint16_t blocks,
                    void* buffer, uint32_t byteCount) {
  return Read10Command(channel, ha, id, lun, lba, blocks, buffer, byteCount).SendAhead();
}

int SendRead12Ahead(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint32_t blocks,
                    void* buffer, uint32_t byteCount) {
  return Read12Command(channel, ha, id, lun, lba, blocks, buffer, byteCount).SendAhead();
}

int Write10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint16_t blocks,
            const void* buffer, uint32_t byteCount) {
  return Command(channel, kDataOut, ha, id, lun, op::kWrite10, 10)
      .Put32(2, lba)
      .Put16(7, blocks)
      .Data(buffer, byteCount)
      .Run();
}

int SynchronizeCache(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, bool immediate) {
  return Command(channel, kDataIn, ha, id, lun, op::kSynchronizeCache, 10)
      .Byte1(immediate ? 0x02 : 0x00)
      .Run();
}

int WriteBuffer(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t mode, uint8_t bufferId,
                uint32_t offset, const void* data, uint32_t length) {
  return Command(channel, kDataOut, ha, id, lun, op::kWriteBuffer, 10)
      .Byte1(mode & 0x1F)
      .Byte(2, bufferId)
      .Put24(3, offset)
      .Put24(6, length)
      .Data(data, length)
      .Run();
}

int ReadBuffer(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t mode, uint8_t bufferId,
               uint32_t offset, void* data, uint32_t length) {
  return Command(channel, kDataIn, ha, id, lun, op::kReadBuffer, 10)
      .Byte1(mode & 0x1F)
      .Byte(2, bufferId)
      .Put24(3, offset)
      .Put24(6, length)
      .Data(data, length)
      .Run();
}

int LogSense(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t pageCode, void* buffer,
             uint16_t allocationLength) {
  return Command(channel, kDataIn, ha, id, lun, op::kLogSense, 10)
      .Byte(2, pageCode)
      .Put16(7, allocationLength)
      .Data(buffer, allocationLength)
      .Run();
}

int ReadDiscInformation(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, DiscInformationRequest& request) {
  // The drive is told the caller's allocation length; the manager never moves
  // more than the request's data area holds.
  const uint32_t fits = std::min<uint32_t>(request.allocationLength, sizeof request.data);
  return Command(channel, kDataIn, ha, id, lun, op::kReadDiscInformation, 10)
      .Put16(7, request.allocationLength)
      .Data(request.data, fits)
      .Run();
}

int ReadTrackRZoneInformation(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, RZoneRequest& request) {
  return Command(channel, kDataIn, ha, id, lun, op::kReadTrackRZoneInformation, 10)
      .Byte1(request.addressType & 0x03)
      .Put32(2, request.address)
      .Put16(7, request.allocationLength)
      .Data(request.data, kRZoneDataSize)
      .Run();
}

int ReserveRZone(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t reservationSize) {
  return Command(channel, kDataOut, ha, id, lun, op::kReserveRZone, 10).Put32(5, reservationSize).Run();
}

int ModeSelect10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, const void* parameterList,
                 uint16_t listLength) {
  return Command(channel, kDataOut, ha, id, lun, op::kModeSelect10, 10)
      .Byte1(0x10)
      .Put16(7, listLength)
      .Data(parameterList, listLength)
      .Run();
}

int ModeSense10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t pageCode, void* buffer) {
  return Command(channel, kDataIn, ha, id, lun, op::kModeSense10, 10)
      .Byte(2, pageCode & 0x3F)
      .Put16(7, kModeSenseLength)
      .Data(buffer, kModeSenseLength)
      .Run();
}

int Blank(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, bool immediate, uint8_t type,
          uint32_t startAddress) {
  return Command(channel, kDataOut, ha, id, lun, op::kBlank, 12)
      .Byte1(static_cast<uint8_t>((immediate ? 0x10 : 0x00) | (type & 0x07)))
      .Put32(2, startAddress)
      .Run();
}

int Read12(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint32_t blocks, void* buffer,
           uint32_t byteCount) {
  return Read12Command(channel, ha, id, lun, lba, blocks, buffer, byteCount).Run();
}

int Write12(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint32_t lba, uint32_t blocks,
            const void* buffer, uint32_t byteCount) {
  return Command(channel, kDataOut, ha, id, lun, op::kWrite12, 12)
      .Put32(2, lba)
      .Put32(6, blocks)
      .Data(buffer, byteCount)
      .Run();
}

int SendDvdStructure(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t formatCode,
                     const void* parameterList) {
  return Command(channel, kDataOut, ha, id, lun, op::kSendDvdStructure, 12)
      .Byte(7, formatCode)
      .Put16(8, kDvdStructureFixedLength)
      .Data(parameterList, kDvdStructureFixedLength)
      .Run();
}

int SendDvdStructure(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, const DvdStructureRecord& record) {
  // The command block carries the record's length; what is sent never goes
  // past the record's list.
  const uint32_t fits = std::min<uint32_t>(record.transferLength, sizeof record.list);
  return Command(channel, kDataOut, ha, id, lun, op::kSendDvdStructure, 12)
      .Byte(7, record.formatCode)
      .Put16(8, record.transferLength)
      .Data(record.list, fits)
      .Run();
}

int VendorCdrConfig(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t w, uint8_t x, uint16_t y,
                    uint8_t z) {
  return Command(channel, kDataOut, ha, id, lun, op::kVendorCdrConfig, 10)
      .Byte(5, x)
      .Byte(6, static_cast<uint8_t>(w | (z << 2)))
      .Put16(7, y)
      .Run();
}

int VendorControl(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t value, bool flag) {
  return Command(channel, kDataOut, ha, id, lun, op::kVendorRead, 10)
      .Byte(8, static_cast<uint8_t>((value & 0x07) | (flag ? 0x08 : 0x00)))
      .Run();
}

int VendorRead10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, void* buffer, uint16_t length) {
  return Command(channel, kDataIn, ha, id, lun, op::kVendorRead, 10).Put16(7, length).Data(buffer, length).Run();
}

int VendorRead12(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, void* buffer, uint16_t length) {
  return Command(channel, kDataIn, ha, id, lun, op::kVendorRead, 12).Put16(8, length).Data(buffer, length).Run();
}

int VendorWrite10(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, const void* buffer, uint16_t length) {
  return Command(channel, kDataOut, ha, id, lun, op::kVendorWrite, 10).Put16(7, length).Data(buffer, length).Run();
}

int VendorWrite12(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t extra, const void* buffer,
                  uint16_t length) {
  return Command(channel, kDataOut, ha, id, lun, op::kVendorWrite, 12)
      .Byte(7, static_cast<uint8_t>(extra << 4))
      .Put16(8, length)
      .Data(buffer, length)
      .Run();
}

int GetConfiguration(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t requestType,
                     uint16_t startFeature, void* buffer, uint16_t length) {
  return Command(channel, kDataIn, ha, id, lun, op::kGetConfiguration, 10)
      .Byte1(requestType & 0x03)
      .Put16(2, startFeature)
      .Put16(7, length)
      .Data(buffer, length)
      .Run();
}

int ReadDvdStructure(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, uint8_t format, void* buffer,
                     uint16_t length) {
  return Command(channel, kDataIn, ha, id, lun, op::kReadDvdStructure, 12)
      .Byte(7, format)
      .Put16(8, length)
      .Data(buffer, length)
      .Run();
}

int CloseTrackSession(ASPI32& channel, uint8_t ha, uint8_t id, uint8_t lun, bool immediate, uint8_t function,
                      uint16_t number) {
  return Command(channel, kDataIn, ha, id, lun, op::kCloseTrackSession, 10)
      .Byte1(immediate ? 0x01 : 0x00)
      .Byte(2, function & 0x07)
      .Put16(4, number)
      .Run();
}

}  // namespace scsi
