// SPDX-License-Identifier: GPL-3.0-or-later
// WriterGroup: what the writers of an operation over several writers agree
// on while each runs the single writer's operation on a TOperationThread of
// its own (its checks, medium lock, passes, leadout, result):
// - the size to write: each writer says what its disc holds; once every
//   writer still running has said it, a volume larger than the smallest
//   disc brings the write mode question once, and all write the same bytes
//   (the volume, or what the smallest disc holds);
// - the passes: the source is opened once (SourceFeed) and every pass is
//   read once for all (SharedPass). A writer that comes to a pass takes a
//   seat in it and goes on at once: writers that come within a window of
//   each other share its steps, one that comes later (or falls a window
//   behind) reads the source on its own, so that no writer ever waits for
//   another's pass.
//
// Members are numbered 0..N-1. Every call comes from the member's own
// operation thread; the size's wait looks at the member's stop (its cancel)
// at least every kWatchMs.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "transfer/DataPass.h"
#include "transfer/SharedPass.h"
#include "transfer/SourceFeed.h"

class WriterGroup {
 public:
  static constexpr int kWatchMs = 100;
  using Stop = std::function<bool()>;

  // names: the members' writers ("0,4,0"), for the log.
  WriterGroup(const Endpoint& source, uint64_t sourceStart, std::vector<std::string> names);

  SourceFeed& Source() { return feed_; }
  size_t Members() const { return names_.size(); }
  const std::string& Name(size_t member) const { return names_[member]; }

  // The bytes to write, once every member still running has told its free
  // bytes: volume when every disc holds it; otherwise askRoundDown(smallest disc) is
  // called once (on the thread of the member that completes the set) and
  // OK gives the smallest disc's free bytes. Nothing when the question was
  // answered Cancel or this member was stopped while waiting.
  std::optional<uint64_t> AgreeOnSize(size_t member, uint64_t free, uint64_t volume,
                                      const std::function<bool(uint64_t smallest)>& askRoundDown, const Stop& stopped);

  // The member's seat in the pass called key (its progress row). sides
  // gives the size and step of the pass (every member's are the same).
  std::unique_ptr<PassSeat> JoinPass(size_t member, int key, const PassSides& sides);

  // The member runs no more passes: nobody waits for it any longer.
  void Leave(size_t member);

 private:
  struct Member {
    std::optional<uint64_t> free;
    std::set<int> passes;  // the passes it has come to
    bool left = false;
  };
  // Every member still running satisfies has.
  bool AllRunning(const std::function<bool(const Member&)>& has) const;
  // Lets go of the passes every member still running has come to: only
  // their seats keep them.
  void ForgetGathered();
  // Waits (the lock held) until ready() or stopped(); false when stopped.
  bool WaitUntil(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready, const Stop& stopped);

  const std::vector<std::string> names_;
  SourceFeed feed_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Member> members_;
  // The agreed size: unset until decided; then the size or nothing (Cancel).
  std::optional<std::optional<uint64_t>> agreed_;
  bool asking_ = false;
  // The passes not every member has come to yet.
  std::map<int, std::shared_ptr<SharedPass>> passes_;
};
