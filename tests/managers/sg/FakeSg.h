// SPDX-License-Identifier: GPL-3.0-or-later
// What the SCSI generic manager's tests put in place of the kernel: a sysfs
// tree in a temporary folder, nodes that answer from a script and record
// what they were given, and a log sink that keeps the manager's lines.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/aspi/AspiSrb.h"
#include "managers/sg/Bus.h"
#include "managers/sg/Node.h"
#include "tests/fixtures/TempDir.h"

// One command as a fake node received it.
struct ReceivedCommand {
  std::vector<uint8_t> cdb;
  sg::Direction direction = sg::Direction::None;
  uint32_t length = 0;
  uint32_t timeoutMs = 0;
  std::vector<uint8_t> dataOut;
};

// The state of one fake node, shared between the test and the node the bus
// owns.
class FakeUnit {
 public:
  // The answer to every following command, and the bytes it reads in.
  void Answer(sg::Result result, std::vector<uint8_t> dataIn = {});
  // Commands wait inside the node until Release (the kernel working).
  void Hold();
  void Release();
  // Waits until `count` commands have entered the node (true) or 5 s passed.
  bool WaitEntered(size_t count);
  std::vector<ReceivedCommand> Received();
  // The node runs commands in halves (Begin, then Collect), as a real node
  // opened for writing does; set before the bus is built.
  void RunInHalves() { halves_ = true; }
  bool Halves() const { return halves_; }
  // The threads that began commands in halves, in order.
  std::vector<std::thread::id> Beginners();
  void NoteBegun();

  sg::Result Run(const sg::Command& command);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  sg::Result answer_;
  std::vector<uint8_t> dataIn_;
  bool held_ = false;
  bool halves_ = false;
  std::vector<std::thread::id> beginners_;
  size_t entered_ = 0;
  std::vector<ReceivedCommand> received_;
};

// A sysfs tree with SCSI generic nodes, and the units behind them.
class FakeSysfs {
 public:
  FakeSysfs();
  // Adds sgN at host:channel:target:lun with the given type and identity;
  // the returned unit answers its commands.
  std::shared_ptr<FakeUnit> AddNode(int n, const std::string& address, int type, const std::string& model);
  void AddHost(int host, const std::string& driver);
  // Gives the unit of sgN the block device `disk` with the partitions named
  // (each "sda1"-like name; a name followed by "*" is held by another block
  // device, as is the disk when heldWhole).
  void AddBlockDevice(int n, const std::string& disk, const std::vector<std::string>& partitions,
                      bool heldWhole = false);
  // The mount table and swap list the bus reads ("source target" lines).
  void SetMounts(const std::string& lines);
  // The mount table with device numbers (proc/self/mountinfo).
  void SetMountInfo(const std::string& lines);
  void SetSwaps(const std::string& lines);
  // The node sgN does not open: open fails with this errno.
  void FailOpen(int n, int error);
  void OpenReadOnly(int n, int error);
  // The exclusive opens of the hold: sgN's fails with error (0: opens);
  // the block device `name` ("sr1") refuses its exclusive open with error.
  void RefuseExclusive(int n, int error);
  void RefuseBlock(const std::string& name, int error);
  // The block devices held now, and how often sgN was opened exclusively.
  std::vector<std::string> HeldBlocks() const;
  int ExclusiveOpens(int n) const;

  sg::Bus::Environment Environment();
  std::string Root() const { return dir_.Path(); }

 private:
  TempDir dir_;
  std::map<std::string, std::shared_ptr<FakeUnit>> units_;  // by /dev path
  std::map<std::string, int> openErrors_;
  std::map<std::string, int> readOnly_;
  std::map<std::string, int> exclusiveErrors_;
  std::map<std::string, int> blockErrors_;
  std::map<std::string, int> exclusiveOpens_;
  std::shared_ptr<std::vector<std::string>> heldBlocks_ = std::make_shared<std::vector<std::string>>();
};

// The manager's log lines while the object lives.
class ManagerLines {
 public:
  ManagerLines();
  ~ManagerLines();
  std::vector<std::string> Lines() const;
  std::string Text() const;  // the lines joined with "\n"
};

// An execute block as the program fills it, with an eventfd of its own.
struct Request {
  Request(uint8_t ha, uint8_t id, uint8_t lun, std::vector<uint8_t> cdb, uint8_t flags, uint8_t* buffer,
          uint32_t length);
  ~Request();
  // Waits for the event (true when it was signalled within 5 s).
  bool WaitSignalled();
  // Whether the event has been signalled since the last wait, without
  // waiting.
  bool SignalledNow();
  uint8_t Status() const { return __atomic_load_n(&block.SRB_Status, __ATOMIC_ACQUIRE); }

  aspi::SRB_ExecSCSICmd block{};
  int event = -1;

 private:
  bool Drain(int timeoutMs);
};

// A result with the given SCSI status and sense bytes.
sg::Result TargetAnswer(uint8_t status, std::vector<uint8_t> sense = {});
// 18 bytes of fixed-format sense.
std::vector<uint8_t> FixedSense(uint8_t key, uint8_t asc, uint8_t ascq);
