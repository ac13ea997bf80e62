// SPDX-License-Identifier: GPL-3.0-or-later
// Aborting execute requests: a queued one is stopped outright; one the
// kernel holds is answered as aborted at once, and its late answer touches
// neither the block nor the program's buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "host/aspi/OperationCodes.h"
#include "managers/sg/Bus.h"
#include "tests/managers/sg/FakeSg.h"

namespace {

struct OneDrive {
  OneDrive() {
    sysfs.AddHost(0, "virtio_scsi");
    unit = sysfs.AddNode(0, "0:0:0:0", 5, "CD-ROM");
    unit->Hold();
    // What the kernel will bring back once it answers: a full buffer of
    // data and sense.
    unit->Answer(TargetAnswer(aspi::STATUS_CHKCOND, FixedSense(0x03, 0x11, 0x00)), std::vector<uint8_t>(2048, 0xAA));
  }
  FakeSysfs sysfs;
  std::shared_ptr<FakeUnit> unit;
};

const std::vector<uint8_t> kRead10 = {aspi::op::kRead10, 0, 0, 0, 0, 16, 0, 0, 1, 0};

uint8_t Abort(sg::Bus& bus, uint8_t ha, const aspi::SRB_ExecSCSICmd* target, uint8_t* blockStatus = nullptr) {
  aspi::SRB_Abort abort{};
  abort.SRB_Cmd = aspi::SC_ABORT_SRB;
  abort.SRB_HaId = ha;
  abort.SRB_ToAbort = reinterpret_cast<uintptr_t>(target);
  const uint8_t result = static_cast<uint8_t>(bus.Send(&abort));
  if (blockStatus != nullptr) *blockStatus = abort.SRB_Status;
  return result;
}

}  // namespace

TEST(SgAbort, RequestInTheKernelIsAnsweredAsAbortedAndItsLateAnswerDropped) {
  OneDrive drive;
  ManagerLines lines;
  sg::Bus bus(drive.sysfs.Environment());
  std::vector<uint8_t> buffer(2048, 0x11);
  Request running(0, 0, 0, kRead10, aspi::SRB_DIR_IN, buffer.data(), 2048);
  Request queued(0, 0, 0, kRead10, aspi::SRB_DIR_IN, buffer.data(), 2048);
  ASSERT_EQ(bus.Send(&running.block), aspi::SS_PENDING);
  ASSERT_TRUE(drive.unit->WaitEntered(1)) << "the first request is in the kernel";
  ASSERT_EQ(bus.Send(&queued.block), aspi::SS_PENDING);

  // The queued one first: stopped outright, it never reaches the kernel.
  uint8_t abortStatus = 0;
  EXPECT_EQ(Abort(bus, 0, &queued.block, &abortStatus), aspi::SS_COMP);
  EXPECT_EQ(abortStatus, aspi::SS_COMP);
  EXPECT_EQ(queued.Status(), aspi::SS_ABORTED);
  EXPECT_TRUE(queued.WaitSignalled());

  // The one in the kernel: aborted at once.
  EXPECT_EQ(Abort(bus, 0, &running.block), aspi::SS_COMP);
  EXPECT_EQ(running.Status(), aspi::SS_ABORTED);
  EXPECT_EQ(running.block.SRB_HaStat, aspi::HASTAT_OK);
  EXPECT_TRUE(running.WaitSignalled());
  EXPECT_EQ(Abort(bus, 0, &running.block), aspi::SS_ABORT_FAIL) << "answered already";

  // The program takes its block and buffer back and reuses them; then the
  // kernel's answer comes.
  const aspi::SRB_ExecSCSICmd reused = running.block;
  std::memset(buffer.data(), 0x22, buffer.size());
  drive.unit->Release();
  // A later request on the same unit runs after that answer and completes.
  drive.unit->Answer(TargetAnswer(aspi::STATUS_GOOD), std::vector<uint8_t>(2048, 0x33));
  std::vector<uint8_t> later(2048, 0);
  Request next(0, 0, 0, kRead10, aspi::SRB_DIR_IN, later.data(), 2048);
  bus.Send(&next.block);
  ASSERT_TRUE(next.WaitSignalled());
  EXPECT_EQ(next.Status(), aspi::SS_COMP);
  EXPECT_EQ(later, std::vector<uint8_t>(2048, 0x33));

  EXPECT_EQ(std::memcmp(&reused, &running.block, sizeof reused), 0) << "the late answer left the block alone";
  EXPECT_EQ(buffer, std::vector<uint8_t>(2048, 0x22)) << "and the buffer";
  EXPECT_FALSE(running.SignalledNow()) << "and signalled nothing more";
  EXPECT_EQ(drive.unit->Received().size(), 2u) << "the queued request never reached the kernel";
  EXPECT_NE(lines.Text().find("a command the kernel could not stop was answered as aborted"), std::string::npos);
}

TEST(SgAbort, UnknownRequestsAndAdaptersAreRefused) {
  OneDrive drive;
  ManagerLines lines;
  sg::Bus bus(drive.sysfs.Environment());
  aspi::SRB_ExecSCSICmd stranger{};
  EXPECT_EQ(Abort(bus, 0, &stranger), aspi::SS_ABORT_FAIL);
  EXPECT_EQ(Abort(bus, 0, nullptr), aspi::SS_ABORT_FAIL);
  EXPECT_EQ(Abort(bus, 1, &stranger), aspi::SS_INVALID_HA);
  drive.unit->Release();
}

// A node that runs commands in halves: a data command that finds the unit
// idle completes on the caller's thread; one the drive holds longer is left
// to the worker after a bounded wait, and can be aborted as any other.
TEST(SgCallerThread, QuickDataCommandsCompleteInTheSendAndHeldOnesAreHandedOver) {
  OneDrive drive;
  drive.unit->RunInHalves();
  drive.unit->Release();
  drive.unit->Answer(TargetAnswer(aspi::STATUS_GOOD), std::vector<uint8_t>(2048, 0x44));
  ManagerLines lines;
  sg::Bus bus(drive.sysfs.Environment());

  std::vector<uint8_t> buffer(2048, 0);
  Request quick(0, 0, 0, kRead10, aspi::SRB_DIR_IN, buffer.data(), 2048);
  EXPECT_EQ(bus.Send(&quick.block), aspi::SS_COMP) << "completed before the send returned";
  EXPECT_EQ(quick.Status(), aspi::SS_COMP);
  EXPECT_TRUE(quick.SignalledNow()) << "and signalled, as the contract asks";
  EXPECT_EQ(buffer, std::vector<uint8_t>(2048, 0x44));
  ASSERT_EQ(drive.unit->Beginners().size(), 1u);
  EXPECT_EQ(drive.unit->Beginners()[0], std::this_thread::get_id()) << "sent from the caller's thread";

  // Not a data command: the worker's, as ever.
  Request inquiry(0, 0, 0, {aspi::op::kInquiry, 0, 0, 0, 36, 0}, aspi::SRB_DIR_IN, buffer.data(), 36);
  EXPECT_EQ(bus.Send(&inquiry.block), aspi::SS_PENDING);
  EXPECT_TRUE(inquiry.WaitSignalled());
  EXPECT_EQ(drive.unit->Beginners().size(), 1u);

  // A drive that holds the command: the send returns it pending after the
  // bounded wait, the worker has the rest, an abort answers at once.
  drive.unit->Hold();
  std::fill(buffer.begin(), buffer.end(), 0x55);
  Request held(0, 0, 0, kRead10, aspi::SRB_DIR_IN, buffer.data(), 2048);
  EXPECT_EQ(bus.Send(&held.block), aspi::SS_PENDING);
  EXPECT_EQ(Abort(bus, 0, &held.block), aspi::SS_COMP);
  EXPECT_EQ(held.Status(), aspi::SS_ABORTED);
  EXPECT_TRUE(held.WaitSignalled());
  drive.unit->Release();
  // The late answer is dropped; the unit's next command runs after it (in
  // the worker's queue while the worker still waits for it).
  Request next(0, 0, 0, kRead10, aspi::SRB_DIR_IN, buffer.data(), 2048);
  const uint32_t status = bus.Send(&next.block);
  if (status == aspi::SS_PENDING) {
    EXPECT_TRUE(next.WaitSignalled());
  }
  EXPECT_EQ(next.Status(), aspi::SS_COMP);
  EXPECT_EQ(buffer, std::vector<uint8_t>(2048, 0x44));
  EXPECT_FALSE(held.SignalledNow()) << "the aborted request was signalled once";

  // A held command that is not aborted completes through the worker.
  drive.unit->Hold();
  Request slow(0, 0, 0, kRead10, aspi::SRB_DIR_IN, buffer.data(), 2048);
  EXPECT_EQ(bus.Send(&slow.block), aspi::SS_PENDING);
  drive.unit->Release();
  EXPECT_TRUE(slow.WaitSignalled());
  EXPECT_EQ(slow.Status(), aspi::SS_COMP);
}

// Reads sent ahead: both are handed to the kernel at once and return
// pending without a wait; a command sent after them waits until both have
// come back; one of them can be aborted, and its late answer leaves its
// buffer alone.
TEST(SgSentAhead, TwoReadsAreInTheKernelAtOnceAndWhatFollowsWaitsForThem) {
  OneDrive drive;
  drive.unit->RunInHalves();
  drive.unit->Answer(TargetAnswer(aspi::STATUS_GOOD), std::vector<uint8_t>(2048, 0x44));
  ManagerLines lines;
  sg::Bus bus(drive.sysfs.Environment());
  const uint8_t ahead = aspi::SRB_DIR_IN | aspi::SRB_QUEUE_AHEAD;
  std::vector<uint8_t> first(2048, 0), second(2048, 0), after(2048, 0);
  Request a(0, 0, 0, kRead10, ahead, first.data(), 2048);
  Request b(0, 0, 0, kRead10, ahead, second.data(), 2048);
  Request c(0, 0, 0, kRead10, aspi::SRB_DIR_IN, after.data(), 2048);
  EXPECT_EQ(bus.Send(&a.block), aspi::SS_PENDING);
  EXPECT_EQ(bus.Send(&b.block), aspi::SS_PENDING);
  EXPECT_EQ(drive.unit->Beginners().size(), 2u) << "both handed to the kernel while the drive holds the first";
  EXPECT_EQ(bus.Send(&c.block), aspi::SS_PENDING);
  EXPECT_EQ(drive.unit->Beginners().size(), 2u) << "the third waits behind them";

  EXPECT_EQ(Abort(bus, 0, &b.block), aspi::SS_COMP);
  EXPECT_EQ(b.Status(), aspi::SS_ABORTED);
  EXPECT_TRUE(b.WaitSignalled());
  drive.unit->Release();
  ASSERT_TRUE(a.WaitSignalled());
  EXPECT_EQ(a.Status(), aspi::SS_COMP);
  EXPECT_EQ(first, std::vector<uint8_t>(2048, 0x44));
  ASSERT_TRUE(c.WaitSignalled());
  EXPECT_EQ(c.Status(), aspi::SS_COMP);
  EXPECT_EQ(after, std::vector<uint8_t>(2048, 0x44));
  EXPECT_EQ(second, std::vector<uint8_t>(2048, 0)) << "the aborted read's answer was dropped";
  EXPECT_EQ(drive.unit->Received().size(), 3u);
  EXPECT_FALSE(b.SignalledNow()) << "the aborted request was signalled once";
}
