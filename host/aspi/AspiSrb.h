// SPDX-License-Identifier: GPL-3.0-or-later
// The request blocks exchanged between the program and a SCSI manager.
//
// This header is the whole contract between Marrowlight and every manager it
// loads (the simulated bus, the Linux SCSI generic manager, the test managers).
// A manager is a shared library, found through MARROWLIGHT_ASPI (a path) or as
// libwnaspi32.so beside the program, that exports two C entry points (C
// linkage, default visibility). A library that lacks either counts as no
// manager at all. The program never unloads a manager it has loaded.
//
//   uint32_t GetASPI32SupportInfo(void);
//     Bits 8-15: SS_COMP when the manager is ready, otherwise an error status
//     (SS_NO_ADAPTERS, SS_FAILED_INIT, ...). Bits 0-7: the number of host
//     adapters. Called once, right after loading; with any status but SS_COMP
//     the program tells the person, but still sends its requests.
//
//   uint32_t SendASPI32Command(void* srb);
//     Takes any block below, told apart by SRB_Cmd. Returns the block's
//     status at the time of return, or SS_ASPI_IS_BUSY when the manager cannot
//     take the request now (the block is then left untouched and no event is
//     signalled; the program gives up on that request). May be called from
//     several threads at once, each with its own blocks.
//
// Status bytes are the hand-over points: a manager fills every other field of
// a block first and stores SRB_Status last (a release store); the program
// reads SRB_Status with acquire and only then the rest.
//
// What a manager does with each block:
// - SC_HA_INQUIRY: fills HA_Count, HA_SCSI_ID and the three 16-byte texts for
//   adapter SRB_HaId and sets SRB_Status (SS_COMP, or SS_INVALID_HA) before it
//   returns. This block has no event: it must not be left pending.
// - SC_RESCAN_SCSI_BUS: rescans adapter SRB_HaId and sets SRB_Status
//   (SS_COMP or SS_INVALID_HA) before it returns; no event either.
// - SC_EXEC_SCSI_CMD: runs the command block CDBByte[0..SRB_CDBLen) at
//   SRB_HaId/SRB_Target/SRB_Lun, moving at most SRB_BufLen bytes through
//   SRB_BufPointer in the direction of SRB_Flags (SRB_DIR_IN / SRB_DIR_OUT).
//   While the command runs SRB_Status is SS_PENDING. On completion the manager
//   fills SRB_HaStat, SRB_TargStat, the sense area (fixed-format sense, at most
//   SRB_SenseLen bytes, on CHECK CONDITION) and then SRB_Status (SS_COMP for
//   GOOD, SS_ERR with sense data for CHECK CONDITION, SS_INVALID_HA or
//   SS_NO_DEVICE for an empty address), in that order, and only then signals
//   the event: with SRB_EVENT_NOTIFY set, SRB_PostProc holds an eventfd
//   descriptor and the manager writes the 8-byte value 1 to it (it never
//   closes or keeps the descriptor). A command may complete before
//   SendASPI32Command returns; the program then does not wait for it, but
//   takes its signal off the eventfd before the eventfd serves another
//   request, so that signal must come too (before the return, or right
//   after it). The program gives one eventfd to request after request of a
//   channel, each time only after the last request's signal has come; a
//   manager that signals a request it leaves pending, or never signals one
//   it completed, has that request given up and is reported once.
//   The program owns the block and the buffer until the event is signalled
//   or an abort has completed.
//   SRB_QUEUE_AHEAD in SRB_Flags (a data command of a pass, always with an
//   event) says that the program sends the unit's next command before it
//   waits for this one, through another block and eventfd, and then waits
//   for both in the order sent: a manager may hand the command to the
//   device and return it pending at once, so that the device has the next
//   one in hand when this one ends. A manager that does not know the bit
//   ignores it and runs the command as any other.
// - SC_ABORT_SRB: SRB_ToAbort holds the address of an execute block in flight
//   on adapter SRB_HaId (the program sends one when a request outlives its
//   time-out; only INQUIRY has one). The manager stops that request: its
//   SRB_Status becomes SS_ABORTED and its event is signalled. The abort block's
//   own SRB_Status turns SS_COMP once the abort took effect (or SS_ABORT_FAIL).
//   SendASPI32Command returns SS_COMP or SS_PENDING when it accepted the abort;
//   any other value means refused, and the program stops there. A pending
//   abort is polled once a second, twelve times at most. After that the
//   program never uses the request's eventfd again and keeps it open (a
//   bounded number of such eventfds: beyond that the oldest is closed), so a
//   late signal reaches nobody, but it reuses the execute block for its next
//   request: a manager must not write to a request's block once the abort's
//   poll is over.
// - SC_RESET_DEV: the program never sends it; a manager may accept it or
//   refuse it with SS_INVALID_CMD.
//
// A manager may also export a third entry point, which the program looks for
// and calls right after loading, before the support query:
//
//   void SetASPI32LogSink(void (*sink)(const char* line));
//     Hands the manager a function that adds one line (no line end) to the
//     program's log. The manager uses it for what the person must learn from
//     the manager itself, such as a device it cannot open and why. The sink
//     may be called from any thread, at any time while the manager is
//     loaded; the manager copies nothing it is given. A manager without a
//     sink writes such lines to the standard error.
//
// A manager may also export a fourth, which the program calls while an
// operation writes or erases a disc:
//
//   uint32_t HoldASPI32Unit(uint8_t ha, uint8_t id, uint8_t lun, uint32_t hold,
//                           char* reason, uint32_t reasonSize);
//     hold 1: from now on the unit at the address answers this program
//     alone (the SCSI generic manager opens its nodes exclusively, so that
//     no automounter or second recorder interleaves commands); hold 0: the
//     unit is shared again. Returns SS_COMP when done, SS_NO_DEVICE when no
//     unit is there, SS_ERR when another program holds or uses the unit;
//     then reason receives one line for the person (NUL-terminated, at most
//     reasonSize bytes, no line end). Called from the operation's thread,
//     never while a request to the unit is in flight. A manager without it
//     shares its units as it always does.
//
// And a fifth, for a person who names a drive by its device node:
//
//   uint32_t FindASPI32Unit(const char* path, uint8_t* ha, uint8_t* id, uint8_t* lun);
//     The address of the unit behind a device node such as "/dev/sg1" or
//     "/dev/sr0" (the manager's own nodes and the block devices of its
//     units). SS_COMP with the address filled in, or SS_NO_DEVICE.
//
// The layout follows the published ASPI for Win32 blocks field for field,
// byte-packed, except that pointer-sized fields (SRB_BufPointer, SRB_PostProc,
// SRB_ToAbort) are 64 bits wide, which shifts the offsets after them.
#pragma once

#include <cstdint>

namespace aspi {

// SRB_Cmd values.
inline constexpr uint8_t SC_HA_INQUIRY = 0x00;
inline constexpr uint8_t SC_GET_DEV_TYPE = 0x01;
inline constexpr uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr uint8_t SC_ABORT_SRB = 0x03;
inline constexpr uint8_t SC_RESET_DEV = 0x04;
inline constexpr uint8_t SC_RESCAN_SCSI_BUS = 0x07;

// SRB_Status values.
inline constexpr uint8_t SS_PENDING = 0x00;
inline constexpr uint8_t SS_COMP = 0x01;
inline constexpr uint8_t SS_ABORTED = 0x02;
inline constexpr uint8_t SS_ABORT_FAIL = 0x03;
inline constexpr uint8_t SS_ERR = 0x04;
inline constexpr uint8_t SS_INVALID_CMD = 0x80;
inline constexpr uint8_t SS_INVALID_HA = 0x81;
inline constexpr uint8_t SS_NO_DEVICE = 0x82;
inline constexpr uint8_t SS_INVALID_SRB = 0xE0;
inline constexpr uint8_t SS_FAILED_INIT = 0xE4;
inline constexpr uint8_t SS_ASPI_IS_BUSY = 0xE5;
inline constexpr uint8_t SS_NO_ADAPTERS = 0xE8;

// SRB_Flags bits.
inline constexpr uint8_t SRB_POSTING = 0x01;
inline constexpr uint8_t SRB_DIR_IN = 0x08;
inline constexpr uint8_t SRB_DIR_OUT = 0x10;
inline constexpr uint8_t SRB_EVENT_NOTIFY = 0x40;
inline constexpr uint8_t SRB_QUEUE_AHEAD = 0x80;  // this program's own: see SC_EXEC_SCSI_CMD above

// SRB_HaStat values.
inline constexpr uint8_t HASTAT_OK = 0x00;
inline constexpr uint8_t HASTAT_TIMEOUT = 0x09;          // timed out waiting to be processed
inline constexpr uint8_t HASTAT_COMMAND_TIMEOUT = 0x0B;  // timed out while processed
inline constexpr uint8_t HASTAT_MESSAGE_REJECT = 0x0D;
inline constexpr uint8_t HASTAT_BUS_RESET = 0x0E;
inline constexpr uint8_t HASTAT_PARITY_ERROR = 0x0F;
inline constexpr uint8_t HASTAT_REQUEST_SENSE_FAILED = 0x10;
inline constexpr uint8_t HASTAT_SEL_TO = 0x11;  // selection timed out: nobody at the address
inline constexpr uint8_t HASTAT_DO_DU = 0x12;   // data overrun or underrun
inline constexpr uint8_t HASTAT_BUS_FREE = 0x13;
inline constexpr uint8_t HASTAT_PHASE_ERR = 0x14;

// SRB_TargStat values (SCSI status).
inline constexpr uint8_t STATUS_GOOD = 0x00;
inline constexpr uint8_t STATUS_CHKCOND = 0x02;
inline constexpr uint8_t STATUS_CONDITION_MET = 0x04;
inline constexpr uint8_t STATUS_BUSY = 0x08;
inline constexpr uint8_t STATUS_RESCONF = 0x18;  // reservation conflict
inline constexpr uint8_t STATUS_TASK_SET_FULL = 0x28;

inline constexpr int kSenseAreaSize = 146;
inline constexpr uint8_t kSenseLength = 144;

#pragma pack(push, 1)

struct SRB_Header {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
};

struct SRB_HAInquiry {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t HA_Count;
  uint8_t HA_SCSI_ID;
  uint8_t HA_ManagerId[16];
  uint8_t HA_Identifier[16];
  uint8_t HA_Unique[16];
  uint16_t HA_Rsvd1;
};

struct SRB_ExecSCSICmd {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint16_t SRB_Rsvd1;
  uint32_t SRB_BufLen;
  uint64_t SRB_BufPointer;  // address of the data buffer
  uint8_t SRB_SenseLen;
  uint8_t SRB_CDBLen;
  uint8_t SRB_HaStat;
  uint8_t SRB_TargStat;
  uint64_t SRB_PostProc;  // eventfd descriptor when SRB_EVENT_NOTIFY is set
  uint8_t SRB_Rsvd2[20];
  uint8_t CDBByte[16];
  uint8_t SenseArea[kSenseAreaSize];
};

struct SRB_Abort {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint64_t SRB_ToAbort;  // address of the SRB_ExecSCSICmd to stop
};

struct SRB_BusDeviceReset {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint8_t SRB_Rsvd1[12];
  uint8_t SRB_HaStat;
  uint8_t SRB_TargStat;
  uint64_t SRB_PostProc;
  uint8_t SRB_Rsvd2[36];
};

struct SRB_RescanPort {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Rsvd1[56];
};

#pragma pack(pop)

static_assert(sizeof(SRB_HAInquiry) == 60);
static_assert(sizeof(SRB_ExecSCSICmd) == 218);
static_assert(sizeof(SRB_Abort) == 16);
static_assert(sizeof(SRB_BusDeviceReset) == 68);
static_assert(sizeof(SRB_RescanPort) == 64);

// Offset of the end of the command block in an execute block: what the
// program keeps of the last request for its diagnostics.
inline constexpr int kExecHeadLength = 72;

using GetSupportInfoFn = uint32_t (*)();
using SendCommandFn = uint32_t (*)(void*);
using LogSinkFn = void (*)(const char* line);
using SetLogSinkFn = void (*)(LogSinkFn sink);
using FindUnitFn = uint32_t (*)(const char* path, uint8_t* ha, uint8_t* id, uint8_t* lun);
using HoldUnitFn = uint32_t (*)(uint8_t ha, uint8_t id, uint8_t lun, uint32_t hold, char* reason, uint32_t reasonSize);

inline constexpr const char* kGetSupportInfoName = "GetASPI32SupportInfo";
inline constexpr const char* kSendCommandName = "SendASPI32Command";
inline constexpr const char* kSetLogSinkName = "SetASPI32LogSink";  // optional
inline constexpr const char* kHoldUnitName = "HoldASPI32Unit";      // optional
inline constexpr const char* kFindUnitName = "FindASPI32Unit";      // optional

}  // namespace aspi
