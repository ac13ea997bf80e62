// SPDX-License-Identifier: GPL-3.0-or-later
// Sending requests through a channel: completion, sense data, busy managers,
// the adapter inquiry and rescan, time-outs, aborts and the abort poll.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "host/os/Event.h"
#include "host/ui/MessageBox.h"
#include "scsi/ASPI32.h"
#include "scsi/AspiManager.h"
#include "scsi/Commands.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/scsi/TestManagers.h"

namespace {

std::vector<uint8_t> Sense(uint8_t key, uint8_t asc, uint8_t ascq) {
  std::vector<uint8_t> sense(aspi::kSenseLength, 0);
  sense[0] = 0x70;
  sense[2] = key;
  sense[7] = 10;
  sense[12] = asc;
  sense[13] = ascq;
  return sense;
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

}  // namespace

TEST(AspiExecute, CompletedRequestReturnsItsStatusAndKeepsTheBlockSent) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  EXPECT_EQ(scsi::TestUnitReady(channel, 1, 2, 0), aspi::SS_COMP);
  EXPECT_EQ(channel.Status(), aspi::SS_COMP);
  std::vector<uint8_t> sent = manager.LastBlock();
  ASSERT_EQ(sent.size(), sizeof(aspi::SRB_ExecSCSICmd));
  ASSERT_EQ(channel.LastRequest().size(), static_cast<size_t>(aspi::kExecHeadLength))
      << "the copy ends with the command block";
  EXPECT_TRUE(std::equal(channel.LastRequest().begin(), channel.LastRequest().end(), sent.begin()));
  aspi::SRB_ExecSCSICmd block = manager.LastExecute();
  EXPECT_GT(uint64_t{block.SRB_PostProc}, 0u) << "the request's eventfd travels in SRB_PostProc";
  EXPECT_EQ(log.Trace(), "");
}

TEST(AspiExecute, RequestCompletedBeforeTheSendReturnsIsNotWaitedFor) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  // Without the event flag the manager never signals; a wait would time out.
  channel.ExecuteBlock().Init(aspi::SRB_DIR_IN);
  channel.ExecuteBlock().Block().SRB_Target = 1;
  EXPECT_EQ(channel.Execute(60000), aspi::SS_COMP);
  EXPECT_EQ(log.Trace(), "") << "no time-out, so there was no wait";
}

TEST(AspiExecute, RequestCompletedLaterIsWaitedFor) {
  TestManager manager(TEST_MANAGER_PendingUntilAbort);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  manager.Reply(aspi::SS_COMP);
  std::atomic<bool> done{false};
  std::thread completer([&] {
    while (!manager.CompletePending() && !done) std::this_thread::yield();
  });
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 4, 0), aspi::SS_COMP);
  done = true;
  completer.join();
  EXPECT_EQ(channel.LastTimeout(), host::kInfinite);
  EXPECT_EQ(log.Trace(), "");
}

TEST(AspiExecute, SenseDataOfAFailedCommand) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log("");  // no header entry
  ScriptedUiGuard ui;
  ASPI32 channel;
  std::vector<uint8_t> sense = Sense(0x05, 0x24, 0x00);
  sense[143] = 0x99;
  manager.Reply(aspi::SS_ERR, sense);
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), aspi::SS_ERR);
  EXPECT_EQ(channel.SenseKey(), 0x05);
  EXPECT_EQ(channel.Asc(), 0x24);
  EXPECT_EQ(channel.Ascq(), 0x00);

  uint8_t copy[ASPI32::kSenseDataSize] = {};
  EXPECT_FALSE(channel.GetSenseData(copy));
  EXPECT_TRUE(std::equal(sense.begin(), sense.end(), copy));

  uint8_t key = 0, asc = 0, ascq = 0xFF;
  std::string text;
  EXPECT_FALSE(channel.GetSenseInfo(&key, &asc, &ascq, &text));
  EXPECT_EQ(key, 0x05);
  EXPECT_EQ(asc, 0x24);
  EXPECT_EQ(ascq, 0x00);
  EXPECT_EQ(text, "Illegal Request: Invalid fileld in command packet.");
  EXPECT_FALSE(channel.GetSenseInfo(nullptr, nullptr, nullptr, nullptr)) << "every out argument may be absent";

  EXPECT_FALSE(channel.LogSenseInfo());
  EXPECT_EQ(log.Entries(), std::vector<std::string>{"5-24-00: Illegal Request: Invalid fileld in command packet.\n"});
}

TEST(AspiExecute, SenseKeyByteIsLoggedWholeWithItsFlagBits) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log("");  // no header entry
  ScriptedUiGuard ui;
  ASPI32 channel;
  manager.Reply(aspi::SS_ERR, Sense(0x85, 0x21, 0x00));
  scsi::TestUnitReady(channel, 0, 1, 0);
  EXPECT_FALSE(channel.LogSenseInfo());
  EXPECT_EQ(log.Entries(), std::vector<std::string>{"85-21-00: Logical block address out of range.\n"});
}

TEST(AspiExecute, CleanSense) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log("");  // no header entry
  ScriptedUiGuard ui;
  ASPI32 channel;
  manager.Reply(aspi::SS_COMP);
  scsi::TestUnitReady(channel, 0, 1, 0);
  uint8_t copy[ASPI32::kSenseDataSize];
  std::memset(copy, 0xEE, sizeof copy);
  EXPECT_TRUE(channel.GetSenseData(copy));
  EXPECT_TRUE(std::all_of(std::begin(copy), std::end(copy), [](uint8_t b) { return b == 0; }));
  std::string text;
  EXPECT_TRUE(channel.GetSenseInfo(nullptr, nullptr, nullptr, &text));
  EXPECT_EQ(text, "OK.");
  EXPECT_TRUE(channel.LogSenseInfo());
  EXPECT_EQ(log.Entries(), std::vector<std::string>{"0-00-00: OK.\n"});
}

TEST(AspiExecute, SenseInfoIsCleanOnlyWhenKeyAscAndAscqAreAllZero) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  manager.Reply(aspi::SS_COMP, Sense(0x00, 0x3A, 0x00));
  scsi::TestUnitReady(channel, 0, 1, 0);
  uint8_t copy[ASPI32::kSenseDataSize];
  EXPECT_TRUE(channel.GetSenseData(copy)) << "sense data counts as clean on key byte 0";
  std::string text;
  EXPECT_FALSE(channel.GetSenseInfo(nullptr, nullptr, nullptr, &text)) << "sense info looks at all three";
  EXPECT_EQ(text, "OK.");
}

TEST(AspiExecute, BusyManagerRefusesTheRequest) {
  TestManager manager(TEST_MANAGER_Busy);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), -1);
  ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
  uint8_t count = 0;
  EXPECT_EQ(channel.HostAdapterInquiry(0, &count), -1);
  ui.Expect("ASPI is busy.", "Interrupt", ui::kOk, ui::kIdOk);
  EXPECT_EQ(channel.RescanBus(0), -1);
  EXPECT_EQ(manager.Sends(), 3);
}

TEST(AspiExecute, HostAdapterInquiryFillsWhatIsAskedFor) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  uint8_t count = 0, scsiId = 0, managerId[16] = {}, identifier[16] = {}, unique[16] = {};
  EXPECT_EQ(channel.HostAdapterInquiry(0, &count, &scsiId, managerId, identifier, unique), aspi::SS_COMP);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(scsiId, 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(managerId), 16), "TEST MANAGER    ");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(identifier), 16), "TEST ADAPTER    ");
  EXPECT_EQ(unique[15], 15);
  EXPECT_EQ(channel.Status(), aspi::SS_COMP);

  std::vector<uint8_t> sent = manager.LastBlock();
  ASSERT_EQ(sent.size(), sizeof(aspi::SRB_HAInquiry));
  EXPECT_EQ(sent[0], aspi::SC_HA_INQUIRY);
  EXPECT_EQ(sent[9], 0xFF) << "HA_SCSI_ID starts at FFh";
  EXPECT_EQ(channel.LastRequest().size(), sizeof(aspi::SRB_HAInquiry));

  EXPECT_EQ(channel.HostAdapterInquiry(3), aspi::SS_INVALID_HA) << "out arguments may all be absent";
  EXPECT_EQ(channel.Status(), aspi::SS_INVALID_HA);
  EXPECT_EQ(channel.LastRequest()[2], 3);
}

TEST(AspiExecute, RescanBusSendsARescanBlock) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  EXPECT_EQ(channel.RescanBus(2), aspi::SS_COMP);
  std::vector<uint8_t> expected(64, 0);
  expected[0] = aspi::SC_RESCAN_SCSI_BUS;
  expected[2] = 2;
  EXPECT_EQ(manager.LastBlock(), expected);
  EXPECT_TRUE(std::equal(channel.LastRequest().begin(), channel.LastRequest().end(), expected.begin()));
  EXPECT_EQ(channel.LastRequest().size(), 64u);
}

TEST(AspiExecute, TimedOutInquiryIsAbortedAndTraced) {
  TestManager manager(TEST_MANAGER_PendingUntilAbort);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  PauseRecorder pauses;  // after the channel's own settling pause
  uint8_t data[scsi::kInquiryLength] = {};
  EXPECT_EQ(scsi::Inquiry(channel, 2, 3, 0, data), aspi::SS_ABORTED);
  EXPECT_EQ(channel.LastTimeout(), 2500u);

  const aspi::SRB_Abort& abort = channel.AbortBlock().Block();
  EXPECT_EQ(abort.SRB_Cmd, aspi::SC_ABORT_SRB);
  EXPECT_EQ(abort.SRB_HaId, 2) << "from byte 2 of the kept request";
  EXPECT_EQ(uint64_t{abort.SRB_ToAbort}, reinterpret_cast<uintptr_t>(&channel.ExecuteBlock().Block()));
  EXPECT_EQ(abort.SRB_Status, aspi::SS_COMP);
  EXPECT_EQ(channel.Status(), aspi::SS_COMP) << "Status holds the abort's result";

  // Only the rows of the "Canceled Srb" dump reach the trace, then "TimeOut.".
  const std::string trace = log.Trace();
  EXPECT_EQ(trace.rfind("0000  02 00 02 48 00 00 00 00-03 00 00 00 80 00 00 00    ...H............\r\n", 0), 0u)
      << trace;
  EXPECT_NE(trace.find("0030  00 00 00 00 00 00 00 00-12 00 00 00 80 00 00 00    ................\r\n"),
            std::string::npos)
      << trace;
  EXPECT_EQ(CountOf(trace, "\r\n"), 6u) << "five rows of 72 bytes and the time-out line";
  EXPECT_EQ(trace.substr(trace.size() - 10), "TimeOut.\r\n");
  EXPECT_EQ(trace.find("Canceled Srb"), std::string::npos) << "the dump's title line is not traced";
  EXPECT_TRUE(log.Entries().empty()) << "the dump is not logged";
  EXPECT_TRUE(pauses.Pauses().empty()) << "the abort took effect at once";
}

TEST(AspiExecute, AbortPollGivesUpAfterTwelveWaits) {
  TestManager manager(TEST_MANAGER_AbortNeverEnds);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  PauseRecorder pauses;
  uint8_t data[scsi::kInquiryLength] = {};
  EXPECT_EQ(scsi::Inquiry(channel, 0, 5, 0, data), aspi::SS_PENDING) << "the request was never aborted";
  EXPECT_EQ(pauses.Pauses(), std::vector<uint32_t>(12, 1000));
  EXPECT_EQ(channel.Status(), aspi::SS_PENDING);
  EXPECT_EQ(log.Trace().substr(log.Trace().size() - 10), "TimeOut.\r\n");
}

TEST(AspiExecute, AbortPollStopsWhenTheAbortCompletes) {
  TestManager manager(TEST_MANAGER_AbortNeverEnds);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  PauseRecorder pauses;
  pauses.OnPause([&](size_t count) {
    if (count == 5) {
      EXPECT_TRUE(manager.FinishAbort());
    }
  });
  uint8_t data[scsi::kInquiryLength] = {};
  EXPECT_EQ(scsi::Inquiry(channel, 0, 5, 0, data), aspi::SS_ABORTED);
  EXPECT_EQ(pauses.Pauses(), std::vector<uint32_t>(5, 1000));
}

TEST(AspiExecute, ChannelStaysUsableAfterAnAbort) {
  TestManager manager(TEST_MANAGER_PendingUntilAbort);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  uint8_t data[scsi::kInquiryLength] = {};
  EXPECT_EQ(scsi::Inquiry(channel, 0, 5, 0, data), aspi::SS_ABORTED);
  EXPECT_EQ(scsi::Inquiry(channel, 0, 6, 0, data), aspi::SS_ABORTED) << "the next request gets a new event";
  EXPECT_EQ(CountOf(log.Trace(), "TimeOut.\r\n"), 2u);
}

TEST(AspiExecute, NoEventMeansNoRequest) {
  TestManager manager(TEST_MANAGER_Synchronous);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  ui.Expect("ASPI failed for creation event.", "Internal Error", ui::kOk, ui::kIdOk);
  ui.Expect("ASPI failed for creation event.", "Internal Error", ui::kOk, ui::kIdOk);
  int executed = 0;
  int inquired = 0;
  host::EventFd::FailNextForTesting(2 * 10);  // ten attempts for each request
  executed = scsi::TestUnitReady(channel, 0, 1, 0);
  inquired = channel.HostAdapterInquiry(0);
  host::EventFd::FailNextForTesting(0);
  EXPECT_EQ(executed, -1);
  EXPECT_EQ(inquired, -1);
  EXPECT_EQ(manager.Sends(), 0) << "nothing is sent without an event";
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), aspi::SS_COMP) << "the next request gets its event again";
}

TEST(AspiExecute, AbandonedWaitIsReported) {
  TestManager manager(TEST_MANAGER_ClosesEvent);
  CapturedLog log;
  ScriptedUiGuard ui;
  ASPI32 channel;
  ui.Expect("SCSI Request is abnormal terminated.", "Internal Error", ui::kOk, ui::kIdOk);
  EXPECT_EQ(scsi::TestUnitReady(channel, 0, 1, 0), aspi::SS_PENDING) << "the status as the manager left it";
  EXPECT_EQ(log.Trace(), "") << "no abort and no time-out trace";
}
