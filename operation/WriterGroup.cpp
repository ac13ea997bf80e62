// SPDX-License-Identifier: GPL-3.0-or-later
#include "operation/WriterGroup.h"

#include <algorithm>
#include <chrono>

WriterGroup::WriterGroup(const Endpoint& source, uint64_t sourceStart, std::vector<std::string> names)
    : names_(std::move(names)), feed_(source, sourceStart), members_(names_.size()) {}

bool WriterGroup::AllRunning(const std::function<bool(const Member&)>& has) const {
  return std::all_of(members_.begin(), members_.end(), [&](const Member& m) { return m.left || has(m); });
}

bool WriterGroup::WaitUntil(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready,
                            const Stop& stopped) {
  while (!ready()) {
    if (stopped()) return false;
    changed_.wait_for(lock, std::chrono::milliseconds(kWatchMs));
  }
  return true;
}

std::optional<uint64_t> WriterGroup::AgreeOnSize(size_t member, uint64_t free, uint64_t volume,
                                                 const std::function<bool(uint64_t smallest)>& askRoundDown, const Stop& stopped) {
  std::unique_lock lock(mutex_);
  members_[member].free = free;
  changed_.notify_all();
  auto told = [this] { return AllRunning([](const Member& m) { return m.free.has_value(); }); };
  if (!WaitUntil(lock, told, stopped)) return std::nullopt;
  if (!agreed_ && !asking_) {
    uint64_t smallest = UINT64_MAX;
    for (const Member& m : members_) {
      if (!m.left && m.free) smallest = std::min(smallest, *m.free);
    }
    if (smallest >= volume) {
      agreed_ = std::optional<uint64_t>(volume);
    } else {
      // The one question for all the discs, asked without the lock: the
      // others wait for its answer.
      asking_ = true;
      lock.unlock();
      const bool roundDown = askRoundDown(smallest);
      lock.lock();
      asking_ = false;
      agreed_ = roundDown ? std::optional<uint64_t>(smallest) : std::nullopt;
      changed_.notify_all();
    }
  }
  if (!WaitUntil(lock, [this] { return agreed_.has_value(); }, stopped)) return std::nullopt;
  return *agreed_;
}

std::unique_ptr<PassSeat> WriterGroup::JoinPass(size_t member, int key, const PassSides& sides) {
  std::lock_guard lock(mutex_);
  std::shared_ptr<SharedPass>& pass = passes_[key];
  if (!pass) pass = std::make_shared<SharedPass>(feed_, sides.size, DataPass::StepBytesOf(sides));
  std::unique_ptr<PassSeat> seat = SharedPass::Take(pass, names_[member]);
  members_[member].passes.insert(key);
  ForgetGathered();
  return seat;
}

void WriterGroup::Leave(size_t member) {
  std::lock_guard lock(mutex_);
  members_[member].left = true;
  ForgetGathered();
  changed_.notify_all();
}

void WriterGroup::ForgetGathered() {
  std::erase_if(passes_, [this](const auto& entry) {
    return AllRunning([key = entry.first](const Member& m) { return m.passes.count(key) != 0; });
  });
}
