// SPDX-License-Identifier: GPL-3.0-or-later
// The manager at the request-block level: support query, host adapter
// inquiry, execute with asynchronous completion, abort, rescan and the
// manager-level faults.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "host/os/Event.h"
#include "tests/managers/simbus/TestBus.h"

namespace {

const char* kOneDisk = R"({"adapters": [{"devices": [{"id": 1, "model": "disk", "medium": {"kind": "image", "sectors": 64}}]}]})";

aspi::SRB_ExecSCSICmd InquiryBlock(uint8_t id, int eventFd) {
  aspi::SRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = aspi::SRB_EVENT_NOTIFY | aspi::SRB_DIR_IN;
  srb.SRB_Target = id;
  srb.SRB_SenseLen = aspi::kSenseLength;
  srb.SRB_CDBLen = 6;
  srb.SRB_PostProc = static_cast<uint64_t>(eventFd);
  srb.CDBByte[0] = 0x12;
  srb.CDBByte[4] = 96;
  return srb;
}

uint8_t StatusOf(const aspi::SRB_ExecSCSICmd& srb) { return __atomic_load_n(&srb.SRB_Status, __ATOMIC_ACQUIRE); }

}  // namespace

TEST(RequestBlocks, SupportQueryReportsTheAdapterCount) {
  TestBus bus(R"({"adapters": [{"devices": []}, {}]})");
  EXPECT_EQ(bus.Bus().SupportInfo(), 0x0102u);
}

TEST(RequestBlocks, AnEmptyBusReportsNoAdapters) {
  TestBus bus(R"({"adapters": []})");
  EXPECT_EQ(bus.Bus().SupportInfo(), uint32_t{aspi::SS_NO_ADAPTERS} << 8);
}

TEST(RequestBlocks, SupportQueryCanReportNotInitialised) {
  TestBus bus(R"({"adapters": [{"devices": [{"id": 3, "model": "dvd-rom",
                  "faults": [{"kind": "support-not-initialised"}]}]}]})");
  EXPECT_EQ(bus.Bus().SupportInfo(), uint32_t{aspi::SS_FAILED_INIT} << 8 | 1);
}

TEST(RequestBlocks, ManagerFaultReportsNotInitialised) {
  TestBus bus(R"({"faults": [{"kind": "support-not-initialised"}], "adapters": [{}, {}]})");
  EXPECT_EQ(bus.Bus().SupportInfo(), uint32_t{aspi::SS_FAILED_INIT} << 8 | 2);
}

TEST(RequestBlocks, HostAdapterInquiryFillsCountAndTexts) {
  TestBus bus(R"({"adapters": [{}, {}, {}]})");
  aspi::SRB_HAInquiry block{};
  block.SRB_Cmd = aspi::SC_HA_INQUIRY;
  block.HA_SCSI_ID = 0xFF;
  EXPECT_EQ(bus.Bus().Send(&block), aspi::SS_COMP);
  EXPECT_EQ(block.HA_Count, 3);
  EXPECT_EQ(block.HA_SCSI_ID, 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block.HA_ManagerId), 14), "ASPI for WIN32");
  block.SRB_HaId = 3;
  EXPECT_EQ(bus.Bus().Send(&block), aspi::SS_INVALID_HA);
  EXPECT_EQ(block.HA_Count, 3);
}

TEST(RequestBlocks, ExecuteIsPendingThenCompletesAndSignals) {
  TestBus bus(kOneDisk);
  host::EventFd event;
  aspi::SRB_ExecSCSICmd srb = InquiryBlock(1, event.Handle());
  uint8_t data[96] = {};
  srb.SRB_BufLen = sizeof data;
  srb.SRB_BufPointer = reinterpret_cast<uint64_t>(data);
  uint32_t returned = bus.Bus().Send(&srb);
  EXPECT_TRUE(returned == aspi::SS_PENDING || returned == aspi::SS_COMP);
  ASSERT_EQ(event.Wait(10000), host::WaitResult::Signalled);
  EXPECT_EQ(StatusOf(srb), aspi::SS_COMP);
  EXPECT_EQ(srb.SRB_TargStat, aspi::STATUS_GOOD);
  EXPECT_EQ(srb.SRB_HaStat, aspi::HASTAT_OK);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data + 8), 7), "ORBITEK");
}

TEST(RequestBlocks, RequestsBackToBackFromTwoThreadsAndAfterAnIdleSpellAllComplete) {
  TestBus bus(R"({"adapters": [{"devices": [{"id": 1, "model": "disk", "medium": {"kind": "image", "sectors": 64}},
                                            {"id": 2, "model": "disk", "medium": {"kind": "image", "sectors": 64}}]}]})");
  std::atomic<int> completed{0};
  auto program = [&](uint8_t id) {
    for (int i = 0; i < 300; ++i) {
      // Now and then the adapter's worker is left idle long enough to sleep.
      if (i % 100 == 99) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      host::EventFd event;
      aspi::SRB_ExecSCSICmd srb = InquiryBlock(id, event.Handle());
      uint8_t data[96] = {};
      srb.SRB_BufLen = sizeof data;
      srb.SRB_BufPointer = reinterpret_cast<uint64_t>(data);
      bus.Bus().Send(&srb);
      if (event.Wait(10000) == host::WaitResult::Signalled && StatusOf(srb) == aspi::SS_COMP && data[8] == 'O')
        ++completed;
    }
  };
  std::thread first(program, 1), second(program, 2);
  first.join();
  second.join();
  EXPECT_EQ(completed.load(), 600);
}

TEST(RequestBlocks, EmptyAddressesCompleteAtOnce) {
  TestBus bus(kOneDisk);
  host::EventFd event;
  aspi::SRB_ExecSCSICmd noDevice = InquiryBlock(2, event.Handle());
  EXPECT_EQ(bus.Bus().Send(&noDevice), aspi::SS_NO_DEVICE);
  EXPECT_EQ(noDevice.SRB_Status, aspi::SS_NO_DEVICE);
  EXPECT_EQ(event.Wait(0), host::WaitResult::Signalled);
  aspi::SRB_ExecSCSICmd noAdapter = InquiryBlock(1, event.Handle());
  noAdapter.SRB_HaId = 1;
  EXPECT_EQ(bus.Bus().Send(&noAdapter), aspi::SS_INVALID_HA);
  EXPECT_EQ(event.Wait(0), host::WaitResult::Signalled);
  aspi::SRB_ExecSCSICmd otherLun = InquiryBlock(1, event.Handle());
  otherLun.SRB_Lun = 1;
  EXPECT_EQ(bus.Bus().Send(&otherLun), aspi::SS_NO_DEVICE);
}

TEST(RequestBlocks, SenseAreaKeepsToTheSenseLength) {
  TestBus bus(kOneDisk);
  host::EventFd event;
  aspi::SRB_ExecSCSICmd srb = InquiryBlock(1, event.Handle());
  srb.CDBByte[0] = 0xEE;  // no such command
  srb.SRB_SenseLen = 14;
  std::memset(srb.SenseArea, 0xAA, sizeof srb.SenseArea);
  bus.Bus().Send(&srb);
  ASSERT_EQ(event.Wait(10000), host::WaitResult::Signalled);
  EXPECT_EQ(StatusOf(srb), aspi::SS_ERR);
  EXPECT_EQ(srb.SRB_TargStat, aspi::STATUS_CHKCOND);
  EXPECT_EQ(srb.SenseArea[0], 0x70);
  EXPECT_EQ(srb.SenseArea[2], 0x05);
  EXPECT_EQ(srb.SenseArea[12], 0x20);
  EXPECT_EQ(srb.SenseArea[13], 0x00);
  EXPECT_EQ(srb.SenseArea[14], 0xAA);  // beyond the 14 bytes asked for
}

TEST(RequestBlocks, HungCommandStaysPendingUntilAborted) {
  TestBus bus(R"({"adapters": [{"devices": [{"id": 1, "model": "disk", "medium": {"kind": "image", "sectors": 64},
                  "faults": [{"kind": "hang", "opcode": "0x12", "first": 1}]}]}]})");
  host::EventFd event;
  aspi::SRB_ExecSCSICmd srb = InquiryBlock(1, event.Handle());
  EXPECT_EQ(bus.Bus().Send(&srb), aspi::SS_PENDING);
  EXPECT_EQ(event.Wait(30), host::WaitResult::TimedOut);
  EXPECT_EQ(StatusOf(srb), aspi::SS_PENDING);
  // Other commands on the adapter go on meanwhile.
  EXPECT_EQ(bus.Exec(1, {0x00, 0, 0, 0, 0, 0}).status, aspi::SS_COMP);

  aspi::SRB_Abort abort{};
  abort.SRB_Cmd = aspi::SC_ABORT_SRB;
  abort.SRB_ToAbort = reinterpret_cast<uint64_t>(&srb);
  EXPECT_EQ(bus.Bus().Send(&abort), aspi::SS_COMP);
  EXPECT_EQ(abort.SRB_Status, aspi::SS_COMP);
  ASSERT_EQ(event.Wait(1000), host::WaitResult::Signalled);
  EXPECT_EQ(StatusOf(srb), aspi::SS_ABORTED);
  // Only the first INQUIRY hangs; and a request no longer in flight cannot be aborted.
  EXPECT_EQ(bus.Exec(1, {0x12, 0, 0, 0, 96, 0}).status, aspi::SS_COMP);
  EXPECT_EQ(bus.Bus().Send(&abort), aspi::SS_ABORT_FAIL);
}

TEST(RequestBlocks, AbortStopsALongRunningCommand) {
  TestBus bus(R"({"adapters": [{"devices": [{"id": 4, "model": "qxw7100", "medium": {"kind": "dvd-r", "sectors": 4096},
                  "timing": {"close_ms": 80000000}}]}]})");
  std::vector<uint8_t> reserve = {0x53, 0, 0, 0, 0, 0, 0, 0, 16, 0};
  ASSERT_EQ(bus.Exec(4, reserve).status, aspi::SS_COMP);
  std::vector<uint8_t> sector(16 * 2048, 0x5A);
  ASSERT_EQ(bus.Exec(4, Cdb10(0x2A, 0, 16), sector.data(), 32768, true).status, aspi::SS_COMP);

  host::EventFd event;
  aspi::SRB_ExecSCSICmd close{};
  close.SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
  close.SRB_Flags = aspi::SRB_EVENT_NOTIFY | aspi::SRB_DIR_IN;
  close.SRB_Target = 4;
  close.SRB_SenseLen = aspi::kSenseLength;
  close.SRB_CDBLen = 10;
  close.SRB_PostProc = static_cast<uint64_t>(event.Handle());
  close.CDBByte[0] = 0x35;  // SYNCHRONIZE CACHE without the immediate bit: a long close
  EXPECT_EQ(bus.Bus().Send(&close), aspi::SS_PENDING);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  aspi::SRB_Abort abort{};
  abort.SRB_Cmd = aspi::SC_ABORT_SRB;
  abort.SRB_ToAbort = reinterpret_cast<uint64_t>(&close);
  EXPECT_EQ(bus.Bus().Send(&abort), aspi::SS_COMP);
  ASSERT_EQ(event.Wait(1000), host::WaitResult::Signalled);
  EXPECT_EQ(StatusOf(close), aspi::SS_ABORTED);
}

TEST(RequestBlocks, BusyManagerLeavesTheBlockUntouched) {
  TestBus bus(R"({"adapters": [{"devices": [{"id": 1, "model": "disk", "medium": {"kind": "image", "sectors": 64},
                  "faults": [{"kind": "busy", "first": 2}]}]}]})");
  host::EventFd event;
  aspi::SRB_ExecSCSICmd srb = InquiryBlock(1, event.Handle());
  srb.SRB_Status = 0x77;
  EXPECT_EQ(bus.Bus().Send(&srb), aspi::SS_ASPI_IS_BUSY);
  EXPECT_EQ(bus.Bus().Send(&srb), aspi::SS_ASPI_IS_BUSY);
  EXPECT_EQ(srb.SRB_Status, 0x77);
  EXPECT_EQ(event.Wait(0), host::WaitResult::TimedOut);
  EXPECT_EQ(bus.Exec(1, {0x12, 0, 0, 0, 96, 0}).status, aspi::SS_COMP);
}

TEST(RequestBlocks, RescanIsAccepted) {
  TestBus bus(kOneDisk);
  aspi::SRB_RescanPort block{};
  block.SRB_Cmd = aspi::SC_RESCAN_SCSI_BUS;
  EXPECT_EQ(bus.Bus().Send(&block), aspi::SS_COMP);
  block.SRB_HaId = 5;
  EXPECT_EQ(bus.Bus().Send(&block), aspi::SS_INVALID_HA);
}

TEST(RequestBlocks, UnknownBlocksAreRefused) {
  TestBus bus(kOneDisk);
  aspi::SRB_Header block{};
  block.SRB_Cmd = 0x55;
  EXPECT_EQ(bus.Bus().Send(&block), aspi::SS_INVALID_CMD);
  EXPECT_EQ(bus.Bus().Send(nullptr), aspi::SS_INVALID_SRB);
}

TEST(RequestBlocks, SlowDriveHoldsTheTransferUntilAborted) {
  // A drive a million times slower than a real one: the write takes hours.
  TestBus bus(R"({"adapters": [{"devices": [{"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 256},
                  "speed": 0.000001}]}]})");
  std::vector<uint8_t> data(32768, 1);
  host::EventFd event;
  aspi::SRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = aspi::SRB_EVENT_NOTIFY | aspi::SRB_DIR_OUT;
  srb.SRB_BufLen = 32768;
  srb.SRB_BufPointer = reinterpret_cast<uint64_t>(data.data());
  srb.SRB_SenseLen = aspi::kSenseLength;
  srb.SRB_CDBLen = 10;
  srb.SRB_PostProc = static_cast<uint64_t>(event.Handle());
  std::vector<uint8_t> cdb = Cdb10(0x2A, 0, 64);
  std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
  EXPECT_EQ(bus.Bus().Send(&srb), aspi::SS_PENDING);
  EXPECT_EQ(event.Wait(20), host::WaitResult::TimedOut);
  aspi::SRB_Abort abort{};
  abort.SRB_Cmd = aspi::SC_ABORT_SRB;
  abort.SRB_ToAbort = reinterpret_cast<uint64_t>(&srb);
  EXPECT_EQ(bus.Bus().Send(&abort), aspi::SS_COMP);
  ASSERT_EQ(event.Wait(1000), host::WaitResult::Signalled);
  EXPECT_EQ(StatusOf(srb), aspi::SS_ABORTED);
}

TEST(RequestBlocks, ADataCommandThatNeverWaitsCompletesWithinSendAndStillSignals) {
  struct Case {
    const char* device;
    uint8_t returned;  // what Send gives back
  };
  const Case cases[] = {
      // No speed, nothing can hang: completed on the caller's thread.
      {R"({"id": 1, "model": "disk", "medium": {"kind": "image", "sectors": 64}})", aspi::SS_COMP},
      // A drive with a speed holds the command; a hang fault keeps every
      // command abortable on the worker.
      {R"({"id": 1, "model": "disk", "speed": 1000, "medium": {"kind": "image", "sectors": 64}})", aspi::SS_PENDING},
      {R"({"id": 1, "model": "disk", "medium": {"kind": "image", "sectors": 64},
           "faults": [{"kind": "hang", "opcode": "2Ah"}]})", aspi::SS_PENDING},
  };
  for (const Case& c : cases) {
    TestBus bus(std::string(R"({"adapters": [{"devices": [)") + c.device + "]}]}");
    host::EventFd event;
    aspi::SRB_ExecSCSICmd srb = InquiryBlock(1, event.Handle());
    uint8_t data[512] = {};
    srb.SRB_CDBLen = 10;
    std::memset(srb.CDBByte, 0, sizeof srb.CDBByte);
    srb.CDBByte[0] = 0x28;  // READ(10) of block 0
    srb.CDBByte[8] = 1;
    srb.SRB_BufLen = sizeof data;
    srb.SRB_BufPointer = reinterpret_cast<uint64_t>(data);
    EXPECT_EQ(bus.Bus().Send(&srb), c.returned) << c.device;
    ASSERT_EQ(event.Wait(10000), host::WaitResult::Signalled) << c.device;
    EXPECT_EQ(StatusOf(srb), aspi::SS_COMP) << c.device;
  }
}
