// SPDX-License-Identifier: GPL-3.0-or-later
// The reader and writer workers on image files, driven step by step through
// their rings as a pass drives them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/ProgramIdentity.h"
#include "tests/fixtures/CapturedLog.h"
#include "tests/fixtures/FileSizeLimit.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"
#include "tests/transfer/TransferData.h"
#include "transfer/TReadThread.h"
#include "transfer/TWriteThread.h"

namespace {

constexpr uint32_t kHalf = TWorkThread::kChunk;

// Hands the writer one step of bytes, as the reader would, and waits until
// the writer has written it (a ring of one step is free again only then).
void GiveStep(StepRing& ring, char fill) {
  StepRing::Step* step = ring.NextEmpty();
  ASSERT_NE(step, nullptr);
  std::memset(step->bytes, fill, ring.StepBytes());
  ring.Publish();
  ASSERT_NE(ring.NextEmpty(), nullptr);
}

}  // namespace

TEST(ReadThread, MovesStepsOf64KiBAndZeroFillsTheShortLastStep) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(150000, 1);
  std::string path = dir.Write("source.iso", data);
  TReadThread reader(path, 0, 150000);
  ASSERT_FALSE(reader.Error());
  StepRing ring(kHalf, 2);
  reader.SetRing(&ring);
  std::string tapped;
  reader.SetSourceTap([&](std::span<const uint8_t> bytes) { tapped.append(bytes.begin(), bytes.end()); });
  reader.Start();

  for (uint32_t index = 0; index < 3; ++index) {
    StepRing::Wait why;
    StepRing::Step* step = ring.NextFull(&why);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(why, StepRing::Wait::Ready);
    EXPECT_EQ(step->index, index);
    EXPECT_EQ(step->offset, index * 65536u);
    const uint32_t count = index < 2 ? 65536 : 18928;
    EXPECT_EQ(step->count, count);
    EXPECT_EQ(step->moved, count);
    EXPECT_EQ(std::memcmp(step->bytes, data.data() + step->offset, count), 0);
    EXPECT_TRUE(std::all_of(step->bytes + count, step->bytes + kHalf, [](uint8_t b) { return b == 0; }));
    ring.Release();
  }
  StepRing::Wait why;
  EXPECT_EQ(ring.NextFull(&why), nullptr);
  EXPECT_EQ(why, StepRing::Wait::Ended) << "the reader finished its ring";
  EXPECT_EQ(tapped, data) << "the tap saw every byte of the volume, in order, and nothing else";
  reader.WaitFor();
  EXPECT_FALSE(reader.Running());
  EXPECT_FALSE(reader.Error());
  EXPECT_EQ(reader.Rest(), 0u);
  EXPECT_TRUE(log.Contains("[Terminated (R) File1] restSize: 000000000H"));
}

TEST(ReadThread, StartsAtTheGivenBytePosition) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(100000, 2);
  std::string path = dir.Write("source.iso", data);
  TReadThread reader(path, 32768, 40000);
  StepRing ring(kHalf, 2);
  reader.SetRing(&ring);
  reader.Start();
  StepRing::Step* step = ring.NextFull();
  ASSERT_NE(step, nullptr);
  EXPECT_EQ(reader.LastCount(), 40000u);
  EXPECT_EQ(std::memcmp(step->bytes, data.data() + 32768, 40000), 0);
  ring.Release();
  reader.WaitFor();
  EXPECT_EQ(reader.Done(), 40000u);
}

TEST(ReadThread, MissingFileSetsTheErrorAndReportsTheOpenError) {
  CapturedLog log;
  TempDir dir;
  std::string path = dir.File("missing.iso");
  TReadThread reader(path, 0, 1000);
  EXPECT_TRUE(reader.Error());
  ScriptedUiGuard ui;
  ui.Expect("Open error: " + path + " (No such file or directory)", "Error", 0x10, 1);
  reader.ReportWorkerError(true, false);
}

TEST(WriteThread, AnExistingFileIsReplacedWithoutAQuestionOfItsOwn) {
  // The operation asks once before the pass (FileCopy tests); the worker
  // asks nothing: the scripted person has no box to answer.
  CapturedLog log;
  TempDir dir;
  std::string path = dir.Write("old.iso", std::string(200000, 'o'));
  ScriptedUiGuard ui;
  TWriteThread writer(path, 0, 1000);
  ASSERT_FALSE(writer.Error());
  StepRing ring(kHalf, 1);
  writer.SetRing(&ring);
  writer.Start();
  GiveStep(ring, 'n');
  writer.WaitFor();
  EXPECT_EQ(TempDir::Read(path), std::string(1000, 'n'));
  EXPECT_TRUE(log.Contains("[Terminated (W) File1] restSize: 000000000H"));
}

TEST(WriteThread, StoppedWhileWaitingWritesNothingMore) {
  CapturedLog log;
  TempDir dir;
  std::string path = dir.File("new.iso");
  TWriteThread writer(path, 0, 200000);
  StepRing ring(kHalf, 1);
  writer.SetRing(&ring);
  writer.Start();
  GiveStep(ring, 'w');
  EXPECT_EQ(writer.Done(), 65536u);
  // The buffer of the next step holds nothing valid (a failed read zeroes
  // it); stopping the writer must not write it.
  writer.Stop();
  writer.WaitFor();
  EXPECT_EQ(TempDir::Read(path).size(), 65536u);
  // 200,000 - 65,536 = 134,464 = 20D40H left.
  EXPECT_TRUE(log.Contains("[Terminated (W) File2] restSize: 000020D40H"));
}

TEST(WriteThread, WriteErrorWithRoomOnTheDiskLogsTheStepAndShowsNoBox) {
  CapturedLog log;
  TempDir dir;
  if (DiskFreeBytes(dir.Path()) <= kHalf) GTEST_SKIP() << "the temporary disk is nearly full";
  std::string path = dir.File("limited.iso");
  // The first step's write fails part of the way: the file may not grow
  // beyond 60,000 bytes, with the disk far from full.
  FileSizeLimit limit(60000);
  TWriteThread writer(path, 0, 100000);
  ASSERT_FALSE(writer.Error());
  StepRing ring(kHalf, 1);
  writer.SetRing(&ring);
  writer.Start();
  StepRing::Step* step = ring.NextEmpty();
  ASSERT_NE(step, nullptr);
  ring.Publish();
  writer.WaitFor();
  EXPECT_EQ(ring.NextEmpty(), nullptr) << "a failed writer stops its ring, so that the reader stops";
  EXPECT_TRUE(writer.Error());
  EXPECT_EQ(writer.File().Error(), CFILE::kWriteError);
  // 100,000 - 65,536 = 34,464 = 86A0H.
  EXPECT_TRUE(log.Contains("[Error (W) File1] restSize: 0000086A0H"));
  writer.ReportWorkerError(true, false);  // no box scripted: none may come
}

TEST(WriteThread, FreedWhileWaitingForABufferEndsWithoutHanging) {
  CapturedLog log;
  TempDir dir;
  std::string path = dir.File("new.iso");
  StepRing ring(kHalf, 1);
  {
    TWriteThread writer(path, 0, 200000);
    writer.SetRing(&ring);
    writer.Start();
    GiveStep(ring, 'f');
  }  // freed while it waits for its second step
  EXPECT_EQ(TempDir::Read(path).size(), 65536u);
  EXPECT_TRUE(log.Contains("[Terminated (W) File2] restSize: 000020D40H"));
}
