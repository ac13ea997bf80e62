// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/SharedPass.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "transfer/SourceFeed.h"

namespace {

// How often a seat waiting for another seat's read looks at its stop.
constexpr std::chrono::milliseconds kWatch{100};

}  // namespace

SharedPass::SharedPass(SourceFeed& feed, uint64_t size, uint32_t stepBytes, uint32_t depth)
    : feed_(feed),
      size_(size),
      stepBytes_(stepBytes),
      depth_(depth != 0 ? depth : static_cast<uint32_t>(std::max<uint64_t>(kWindowBytes / stepBytes, 2))),
      bytes_(std::make_unique_for_overwrite<uint8_t[]>(size_t{depth_} * stepBytes_)),
      slots_(depth_) {}

SharedPass::~SharedPass() {
  AddLog(FormatText("[SharedPass] %s steps read once for the writers, %s read again by writers a window behind.",
                    FormatNumber(stepsShared_).c_str(), FormatNumber(stepsAlone_).c_str()));
}

std::unique_ptr<SharedPass::Seat> SharedPass::Take(const std::shared_ptr<SharedPass>& pass, std::string name) {
  const size_t member = pass->Enter(std::move(name));
  return std::unique_ptr<Seat>(new Seat(pass, member));
}

SharedPass::Seat::~Seat() { pass_->Leave(member_); }

bool SharedPass::Seat::Read(uint64_t offset, uint8_t* buffer, uint32_t count, uint32_t& moved,
                            const std::function<bool()>& stopped) {
  return pass_->Read(member_, offset, buffer, count, moved, stopped);
}

uint64_t SharedPass::StepsShared() const {
  std::lock_guard lock(mutex_);
  return stepsShared_;
}

uint64_t SharedPass::StepsAlone() const {
  std::lock_guard lock(mutex_);
  return stepsAlone_;
}

size_t SharedPass::Enter(std::string name) {
  std::lock_guard lock(mutex_);
  Member member;
  member.name = std::move(name);
  // The first step has left the window (or is being replaced): this seat
  // could never catch up.
  member.attached = FirstKept() == 0;
  members_.push_back(std::move(member));
  return members_.size() - 1;
}

void SharedPass::Leave(size_t member) {
  std::lock_guard lock(mutex_);
  members_[member].present = false;
}

uint64_t SharedPass::FirstKept() const {
  // A read in progress is replacing the oldest step of a full window.
  const uint64_t reaching = top_ + (filling_ ? 1 : 0);
  return reaching > depth_ ? reaching - depth_ : 0;
}

uint64_t SharedPass::Oldest() const {
  uint64_t oldest = top_;
  for (const Member& member : members_) {
    if (member.present && member.attached) oldest = std::min(oldest, member.next);
  }
  return oldest;
}

void SharedPass::MakeRoom() {
  const uint64_t oldest = Oldest();
  if (top_ - oldest < depth_) return;
  for (Member& member : members_) {
    if (!member.present || !member.attached || member.next != oldest) continue;
    member.attached = false;
    AddLog(FormatText("[SharedPass] %s is %s steps behind: it reads the source on its own from step %s on.",
                      member.name.c_str(), FormatNumber(top_ - oldest).c_str(), FormatNumber(oldest).c_str()));
  }
}

bool SharedPass::Read(size_t index, uint64_t offset, uint8_t* buffer, uint32_t count, uint32_t& moved,
                      const std::function<bool()>& stopped) {
  const uint64_t step = offset / stepBytes_;
  std::unique_lock lock(mutex_);
  for (;;) {
    Member& member = members_[index];
    // Behind the window (or asked out of order): the source itself.
    if (member.attached && (step < FirstKept() || step > top_)) member.attached = false;
    if (!member.attached) {
      ++stepsAlone_;
      lock.unlock();
      return feed_.ReadAt(offset, buffer, count, moved);
    }
    if (step < top_) {
      const Slot& slot = slots_[step % depth_];
      moved = slot.moved;
      std::memcpy(buffer, SlotBytes(step), slot.moved);
      member.next = step + 1;
      return slot.ok;
    }
    if (!filling_) {
      // This seat leads: it reads the next step into the window.
      MakeRoom();
      filling_ = true;
      uint8_t* bytes = SlotBytes(step);
      lock.unlock();
      uint32_t got = 0;
      const bool ok = feed_.ReadAt(offset, bytes, count, got);
      lock.lock();
      slots_[step % depth_] = Slot{ok, got};
      ++top_;
      ++stepsShared_;
      filling_ = false;
      filled_.notify_all();
      continue;
    }
    if (stopped()) {
      moved = 0;
      return true;
    }
    filled_.wait_for(lock, kWatch);
  }
}
