// The reader and writer workers on image files, driven step by step through
// their events as a pass driver drives them.
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

struct Area {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(2 * kHalf, 0xAA);
  uint8_t* a() { return bytes.data(); }
  uint8_t* b() { return bytes.data() + kHalf; }
};

void Wire(TWorkThread& worker, WorkerEvents& events, Area& area) {
  worker.SetEvents(&events);
  worker.SetBuffers(area.a(), area.b());
  worker.SetChunk(kHalf);
}

// One step as the pass driver asks for it: reset the other start event, set
// this one, wait until the worker is done with the buffer.
void Step(WorkerEvents& events, bool stepA) {
  (stepA ? events.startB : events.startA).Reset();
  (stepA ? events.startA : events.startB).Set();
  (stepA ? events.doneA : events.doneB).Wait();
}

}  // namespace

TEST(ReadThread, MovesStepsOf64KiBAndZeroFillsTheShortLastStep) {
  CapturedLog log;
  TempDir dir;
  std::string data = VolumeBytes(150000, 1);
  std::string path = dir.Write("source.iso", data);
  TReadThread reader(path, 0, 150000);
  ASSERT_FALSE(reader.Error());
  WorkerEvents events;
  Area area;
  Wire(reader, events, area);
  reader.Start();

  Step(events, true);
  EXPECT_EQ(reader.LastCount(), 65536u);
  EXPECT_EQ(std::memcmp(area.a(), data.data(), 65536), 0);
  Step(events, false);
  EXPECT_EQ(reader.LastCount(), 65536u);
  EXPECT_EQ(std::memcmp(area.b(), data.data() + 65536, 65536), 0);
  Step(events, true);
  EXPECT_EQ(reader.LastCount(), 18928u);
  EXPECT_EQ(std::memcmp(area.a(), data.data() + 131072, 18928), 0);
  EXPECT_TRUE(std::all_of(area.a() + 18928, area.a() + kHalf, [](uint8_t b) { return b == 0; }));
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
  WorkerEvents events;
  Area area;
  Wire(reader, events, area);
  reader.Start();
  Step(events, true);
  EXPECT_EQ(reader.LastCount(), 40000u);
  EXPECT_EQ(std::memcmp(area.a(), data.data() + 32768, 40000), 0);
  reader.WaitFor();
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
  WorkerEvents events;
  Area area;
  std::memset(area.a(), 'n', kHalf);
  Wire(writer, events, area);
  writer.Start();
  Step(events, true);
  writer.WaitFor();
  EXPECT_EQ(TempDir::Read(path), std::string(1000, 'n'));
  EXPECT_TRUE(log.Contains("[Terminated (W) File1] restSize: 000000000H"));
}

TEST(WriteThread, StoppedWhileWaitingWritesNothingMore) {
  CapturedLog log;
  TempDir dir;
  std::string path = dir.File("new.iso");
  TWriteThread writer(path, 0, 200000);
  WorkerEvents events;
  Area area;
  Wire(writer, events, area);
  writer.Start();
  Step(events, true);
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
  WorkerEvents events;
  Area area;
  Wire(writer, events, area);
  writer.Start();
  Step(events, true);
  writer.WaitFor();
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
  WorkerEvents events;
  Area area;
  {
    TWriteThread writer(path, 0, 200000);
    Wire(writer, events, area);
    writer.Start();
    Step(events, true);
  }  // freed while it waits for buffer B
  EXPECT_EQ(TempDir::Read(path).size(), 65536u);
  EXPECT_TRUE(log.Contains("[Terminated (W) File2] restSize: 000020D40H"));
}
