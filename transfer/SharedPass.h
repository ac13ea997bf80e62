// SPDX-License-Identifier: GPL-3.0-or-later
// SharedPass: one pass's steps of the source, read once for every writer of
// an operation over several writers. Each writer's pass takes a seat and
// asks for its steps in order, at its own pace; its reader copies them into
// the writer's own StepRing.
//
// The window holds the newest `depth` steps read. The seat that asks for
// the step after the newest one reads it from the source into the window
// (one seat at a time; the others that want it wait for it), every other
// seat copies it from there. When the window is full and a seat needs a new
// step, the seats still at its oldest step -- a whole window behind the
// leader -- are let go: they read the source on their own from then on, so
// that a slow writer never holds back a fast one. A seat that joins after
// the window has moved on from the first step reads on its own from the
// start.
//
// Contract: every seat asks for whole steps of StepBytes() (the last one
// shorter) from step 0 on, each once, in order; seats are taken and freed
// on any thread; Read is called by one thread per seat at a time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class SourceFeed;

class SharedPass {
 public:
  // Bytes of the window: deep enough that writers of the same speed stay
  // within it, whatever their drives' hiccups.
  static constexpr uint64_t kWindowBytes = 16 * 1024 * 1024;

  SharedPass(SourceFeed& feed, uint64_t size, uint32_t stepBytes, uint32_t depth = 0);
  ~SharedPass();
  SharedPass(const SharedPass&) = delete;
  SharedPass& operator=(const SharedPass&) = delete;

  class Seat;
  // A seat named after its writer ("0,4,0"), in the log line when it is let
  // go; it keeps the pass alive.
  static std::unique_ptr<Seat> Take(const std::shared_ptr<SharedPass>& pass, std::string name);

  uint32_t StepBytes() const { return stepBytes_; }
  uint32_t Depth() const { return depth_; }
  uint64_t Size() const { return size_; }
  // Steps read into the window, and steps seats read on their own.
  uint64_t StepsShared() const;
  uint64_t StepsAlone() const;

 private:
  struct Slot {
    bool ok = false;
    uint32_t moved = 0;
  };
  struct Member {
    std::string name;
    bool present = true;
    bool attached = true;  // reads from the window
    uint64_t next = 0;     // the step it asks for next
  };

  size_t Enter(std::string name);
  void Leave(size_t member);
  bool Read(size_t member, uint64_t offset, uint8_t* buffer, uint32_t count, uint32_t& moved,
            const std::function<bool()>& stopped);
  // The oldest step the window still holds.
  uint64_t FirstKept() const;
  // The oldest step an attached seat still needs (the newest step + 1 when
  // none does).
  uint64_t Oldest() const;
  // The window is full: lets go the seats at its oldest step.
  void MakeRoom();
  uint8_t* SlotBytes(uint64_t step) { return bytes_.get() + (step % depth_) * stepBytes_; }

  SourceFeed& feed_;
  const uint64_t size_;
  const uint32_t stepBytes_;
  const uint32_t depth_;
  std::unique_ptr<uint8_t[]> bytes_;
  std::vector<Slot> slots_;

  mutable std::mutex mutex_;
  std::condition_variable filled_;
  std::vector<Member> members_;
  uint64_t top_ = 0;  // steps read into the window so far
  bool filling_ = false;
  uint64_t stepsShared_ = 0;
  uint64_t stepsAlone_ = 0;
};

// A writer's place in a shared pass: taken when made, given up when freed.
class SharedPass::Seat {
 public:
  ~Seat();
  Seat(const Seat&) = delete;
  Seat& operator=(const Seat&) = delete;

  // The step at volume position offset (count bytes) into buffer; moved gets
  // the bytes the source held. A stopped() seat waiting for another seat's
  // read gives up at once with moved 0 (true): the pass is ending anyway.
  bool Read(uint64_t offset, uint8_t* buffer, uint32_t count, uint32_t& moved,
            const std::function<bool()>& stopped);
  SourceFeed& Feed() const { return pass_->feed_; }
  const SharedPass& Pass() const { return *pass_; }

 private:
  friend class SharedPass;
  Seat(std::shared_ptr<SharedPass> pass, size_t member) : pass_(std::move(pass)), member_(member) {}

  std::shared_ptr<SharedPass> pass_;
  size_t member_;
};

using PassSeat = SharedPass::Seat;
