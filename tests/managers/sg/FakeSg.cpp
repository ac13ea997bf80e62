// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/managers/sg/FakeSg.h"

#include <deque>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>

#include "managers/sg/ManagerLog.h"

namespace fs = std::filesystem;

namespace {

// A block device held by the bus; it leaves the list when let go.
class FakeBlockHold : public sg::BlockHold {
 public:
  FakeBlockHold(std::shared_ptr<std::vector<std::string>> held, std::string name)
      : held_(std::move(held)), name_(std::move(name)) {
    held_->push_back(name_);
  }
  ~FakeBlockHold() override { held_->erase(std::find(held_->begin(), held_->end(), name_)); }

 private:
  std::shared_ptr<std::vector<std::string>> held_;
  std::string name_;
};

class FakeNode : public sg::Node {
 public:
  explicit FakeNode(std::shared_ptr<FakeUnit> unit) : unit_(std::move(unit)) {}
  sg::Result Run(const sg::Command& command) override { return unit_->Run(command); }
  // In halves the command runs on a thread of its own, as the kernel runs
  // it while the caller does something else.
  bool Begin(const sg::Command& command) override {
    if (!unit_->Halves()) return false;
    unit_->NoteBegun();
    running_ = std::async(std::launch::async, [unit = unit_, command] { return unit->Run(command); });
    return true;
  }
  std::optional<sg::Result> Collect(int timeoutMs) override {
    if (timeoutMs >= 0 && running_.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready)
      return std::nullopt;
    return running_.get();
  }
  // Queued commands run one after the other in the order queued, each on a
  // thread of its own, and are answered in that order.
  bool Queue(const sg::Command& command, uint32_t tag) override {
    if (!unit_->Halves()) return false;
    unit_->NoteBegun();
    std::lock_guard lock(mutex_);
    std::shared_future<sg::Result> before = last_;
    last_ = std::async(std::launch::async, [unit = unit_, command, before] {
              if (before.valid()) before.wait();
              return unit->Run(command);
            }).share();
    queued_.push_back({tag, last_});
    return true;
  }
  std::optional<sg::TaggedResult> CollectAny(int timeoutMs) override {
    std::unique_lock lock(mutex_);
    if (queued_.empty()) return std::nullopt;
    auto [tag, answer] = queued_.front();
    lock.unlock();
    if (timeoutMs >= 0 && answer.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready)
      return std::nullopt;
    lock.lock();
    queued_.pop_front();
    return sg::TaggedResult{tag, answer.get()};
  }

 private:
  std::shared_ptr<FakeUnit> unit_;
  std::future<sg::Result> running_;
  std::mutex mutex_;
  std::shared_future<sg::Result> last_;
  std::deque<std::pair<uint32_t, std::shared_future<sg::Result>>> queued_;
};

std::mutex linesMutex;
std::vector<std::string> lines;

void KeepLine(const char* line) {
  std::lock_guard lock(linesMutex);
  lines.emplace_back(line);
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

}  // namespace

void FakeUnit::Answer(sg::Result result, std::vector<uint8_t> dataIn) {
  std::lock_guard lock(mutex_);
  answer_ = result;
  dataIn_ = std::move(dataIn);
}

void FakeUnit::Hold() {
  std::lock_guard lock(mutex_);
  held_ = true;
}

void FakeUnit::Release() {
  {
    std::lock_guard lock(mutex_);
    held_ = false;
  }
  changed_.notify_all();
}

bool FakeUnit::WaitEntered(size_t count) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return entered_ >= count; });
}

void FakeUnit::NoteBegun() {
  std::lock_guard lock(mutex_);
  beginners_.push_back(std::this_thread::get_id());
}

std::vector<std::thread::id> FakeUnit::Beginners() {
  std::lock_guard lock(mutex_);
  return beginners_;
}

std::vector<ReceivedCommand> FakeUnit::Received() {
  std::lock_guard lock(mutex_);
  return received_;
}

sg::Result FakeUnit::Run(const sg::Command& command) {
  std::unique_lock lock(mutex_);
  ReceivedCommand received;
  received.cdb.assign(command.cdb, command.cdb + command.cdbLength);
  received.direction = command.direction;
  received.length = command.length;
  received.timeoutMs = command.timeoutMs;
  if (command.direction == sg::Direction::Out) received.dataOut.assign(command.data, command.data + command.length);
  received_.push_back(received);
  ++entered_;
  changed_.notify_all();
  changed_.wait(lock, [this] { return !held_; });
  sg::Result result = answer_;
  if (command.direction == sg::Direction::In) {
    // As the kernel does: what the answer left out of the transfer is its residual.
    const size_t moved = std::min<size_t>(dataIn_.size(), command.length);
    if (moved > 0) std::memcpy(command.data, dataIn_.data(), moved);
    result.residual = static_cast<uint32_t>(command.length - moved);
  }
  return result;
}

FakeSysfs::FakeSysfs() { fs::create_directories(fs::path(dir_.Path()) / "class/scsi_generic"); }

std::shared_ptr<FakeUnit> FakeSysfs::AddNode(int n, const std::string& address, int type, const std::string& model) {
  const fs::path root = dir_.Path();
  const fs::path unit = root / "devices" / address;
  WriteFile(unit / "type", std::to_string(type) + "\n");
  WriteFile(unit / "vendor", "FAKE    \n");
  WriteFile(unit / "model", model + "\n");
  const fs::path node = root / "class/scsi_generic" / ("sg" + std::to_string(n));
  fs::create_directories(node);
  fs::create_directory_symlink(fs::path("../../../devices") / address, node / "device");
  auto shared = std::make_shared<FakeUnit>();
  units_[dir_.File("dev/sg" + std::to_string(n))] = shared;
  return shared;
}

void FakeSysfs::AddHost(int host, const std::string& driver) {
  WriteFile(fs::path(dir_.Path()) / "class/scsi_host" / ("host" + std::to_string(host)) / "proc_name", driver + "\n");
}

void FakeSysfs::AddBlockDevice(int n, const std::string& disk, const std::vector<std::string>& partitions,
                               bool heldWhole) {
  const fs::path block = fs::path(dir_.Path()) / "class/scsi_generic" / ("sg" + std::to_string(n)) / "device/block" / disk;
  fs::create_directories(block / "holders");
  // Device numbers as the sd driver gives them: major 8, 16 minors a disk.
  WriteFile(block / "dev", "8:" + std::to_string(16 * n) + "\n");
  if (heldWhole) fs::create_directories(block / "holders/dm-0");
  int minor = 16 * n;
  for (std::string partition : partitions) {
    const bool held = !partition.empty() && partition.back() == '*';
    if (held) partition.pop_back();
    fs::create_directories(block / partition / "holders");
    WriteFile(block / partition / "dev", "8:" + std::to_string(++minor) + "\n");
    if (held) fs::create_directories(block / partition / "holders/md0");
  }
}

void FakeSysfs::SetMounts(const std::string& lines) { WriteFile(fs::path(dir_.Path()) / "proc/self/mounts", lines); }

void FakeSysfs::SetMountInfo(const std::string& lines) {
  WriteFile(fs::path(dir_.Path()) / "proc/self/mountinfo", lines);
}

void FakeSysfs::SetSwaps(const std::string& lines) { WriteFile(fs::path(dir_.Path()) / "proc/swaps", lines); }

void FakeSysfs::FailOpen(int n, int error) { openErrors_[dir_.File("dev/sg" + std::to_string(n))] = error; }

void FakeSysfs::OpenReadOnly(int n, int error) { readOnly_[dir_.File("dev/sg" + std::to_string(n))] = error; }

sg::Bus::Environment FakeSysfs::Environment() {
  sg::Bus::Environment environment;
  environment.sysfsRoot = dir_.Path();
  environment.devRoot = dir_.File("dev");
  environment.procRoot = dir_.File("proc");
  environment.open = [this](const std::string& path) {
    sg::OpenedNode opened;
    if (auto error = openErrors_.find(path); error != openErrors_.end()) {
      opened.error = error->second;
      return opened;
    }
    auto unit = units_.find(path);
    if (unit == units_.end()) {
      opened.error = ENOENT;
      return opened;
    }
    if (auto readOnly = readOnly_.find(path); readOnly != readOnly_.end()) {
      opened.readOnly = true;
      opened.error = readOnly->second;
    }
    opened.node = std::make_unique<FakeNode>(unit->second);
    return opened;
  };
  environment.openExclusive = [this, open = environment.open](const std::string& path) {
    if (auto error = exclusiveErrors_.find(path); error != exclusiveErrors_.end() && error->second != 0) {
      sg::OpenedNode refused;
      refused.error = error->second;
      return refused;
    }
    ++exclusiveOpens_[path];
    return open(path);
  };
  environment.holdBlock = [this](const std::string& path) {
    sg::HeldBlock held;
    const std::string name = fs::path(path).filename().string();
    if (auto error = blockErrors_.find(name); error != blockErrors_.end() && error->second != 0) {
      held.error = error->second;
      return held;
    }
    held.hold = std::make_unique<FakeBlockHold>(heldBlocks_, name);
    return held;
  };
  return environment;
}

void FakeSysfs::RefuseExclusive(int n, int error) { exclusiveErrors_[dir_.File("dev/sg" + std::to_string(n))] = error; }

void FakeSysfs::RefuseBlock(const std::string& name, int error) { blockErrors_[name] = error; }

std::vector<std::string> FakeSysfs::HeldBlocks() const { return *heldBlocks_; }

int FakeSysfs::ExclusiveOpens(int n) const {
  auto found = exclusiveOpens_.find(dir_.File("dev/sg" + std::to_string(n)));
  return found == exclusiveOpens_.end() ? 0 : found->second;
}

ManagerLines::ManagerLines() {
  {
    std::lock_guard lock(linesMutex);
    lines.clear();
  }
  sg::SetLogSink(KeepLine);
}

ManagerLines::~ManagerLines() { sg::SetLogSink(nullptr); }

std::vector<std::string> ManagerLines::Lines() const {
  std::lock_guard lock(linesMutex);
  return lines;
}

std::string ManagerLines::Text() const {
  std::string text;
  for (const std::string& line : Lines()) text += line + "\n";
  return text;
}

Request::Request(uint8_t ha, uint8_t id, uint8_t lun, std::vector<uint8_t> cdb, uint8_t flags, uint8_t* buffer,
                 uint32_t length) {
  event = ::eventfd(0, EFD_CLOEXEC);
  block.SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
  block.SRB_HaId = ha;
  block.SRB_Flags = flags | aspi::SRB_EVENT_NOTIFY;
  block.SRB_Target = id;
  block.SRB_Lun = lun;
  block.SRB_BufLen = length;
  block.SRB_BufPointer = reinterpret_cast<uintptr_t>(buffer);
  block.SRB_SenseLen = aspi::kSenseLength;
  block.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
  std::memcpy(block.CDBByte, cdb.data(), std::min(cdb.size(), sizeof block.CDBByte));
  block.SRB_PostProc = static_cast<uint64_t>(event);
}

Request::~Request() { ::close(event); }

bool Request::WaitSignalled() { return Drain(5000); }

bool Request::SignalledNow() { return Drain(0); }

bool Request::Drain(int timeoutMs) {
  pollfd ready{event, POLLIN, 0};
  if (::poll(&ready, 1, timeoutMs) != 1) return false;
  uint64_t count = 0;
  return ::read(event, &count, sizeof count) == sizeof count && count == 1;
}

sg::Result TargetAnswer(uint8_t status, std::vector<uint8_t> sense) {
  sg::Result result;
  result.status = status;
  result.senseLength = static_cast<uint8_t>(sense.size());
  std::copy(sense.begin(), sense.end(), result.sense.begin());
  return result;
}

std::vector<uint8_t> FixedSense(uint8_t key, uint8_t asc, uint8_t ascq) {
  std::vector<uint8_t> sense(18, 0);
  sense[0] = 0x70;
  sense[2] = key;
  sense[7] = 10;
  sense[12] = asc;
  sense[13] = ascq;
  return sense;
}
