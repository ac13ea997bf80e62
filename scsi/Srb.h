// SPDX-License-Identifier: GPL-3.0-or-later
// The request-block wrappers: one class per kind of block the program hands to
// the SCSI manager. Each wrapper holds its block and nothing else; the block is
// what the manager reads and writes in place, so it must stay where it is while
// a request is in flight (the wrappers are neither copied nor moved).
#pragma once

#include <cstdint>

#include "host/aspi/AspiSrb.h"

class SRB {
 public:
  SRB() = default;
  virtual ~SRB() = default;
  SRB(const SRB&) = delete;
  SRB& operator=(const SRB&) = delete;

  // Resets the block to its initial contents; flags where the block has them.
  virtual void Init(uint8_t flags) = 0;
  // SRB_Status as the manager has left it (read once, it may change under us).
  virtual uint8_t GetStatus() const = 0;
  // SRB_TargStat for blocks that carry it, otherwise 0.
  virtual uint8_t GetTargetStatus() const = 0;
  // The sense area, or nullptr for blocks without one.
  virtual const uint8_t* GetSenseArea() const = 0;
  virtual void* GetRequest() = 0;
  virtual uint8_t GetHostAdapter() const = 0;
  // Developer aid: shows the block's fields in plain message boxes.
  virtual void ShowDebug() const = 0;
};

// What the four wrappers share: the block itself, its status (read with
// acquire: the manager stores it last, from its own thread), its address and
// its host adapter.
template <typename BlockType>
class BlockSRB : public SRB {
 public:
  uint8_t GetStatus() const override { return __atomic_load_n(&block_.SRB_Status, __ATOMIC_ACQUIRE); }
  void* GetRequest() override { return &block_; }
  uint8_t GetHostAdapter() const override { return block_.SRB_HaId; }

  BlockType& Block() { return block_; }
  const BlockType& Block() const { return block_; }

 protected:
  BlockType block_;
};

class HAInqSRB : public BlockSRB<aspi::SRB_HAInquiry> {
 public:
  HAInqSRB() { Init(0); }
  void Init(uint8_t flags) override;
  uint8_t GetTargetStatus() const override { return 0; }
  const uint8_t* GetSenseArea() const override { return nullptr; }
  void ShowDebug() const override;
};

class ExecuteSRB : public BlockSRB<aspi::SRB_ExecSCSICmd> {
 public:
  ExecuteSRB() { Init(0); }
  void Init(uint8_t flags) override;
  uint8_t GetTargetStatus() const override;
  const uint8_t* GetSenseArea() const override { return block_.SenseArea; }
  void ShowDebug() const override;
};

class ResetSRB : public BlockSRB<aspi::SRB_BusDeviceReset> {
 public:
  ResetSRB() { Init(0); }
  void Init(uint8_t flags) override;
  uint8_t GetTargetStatus() const override;
  const uint8_t* GetSenseArea() const override { return nullptr; }
  void ShowDebug() const override;
};

class AbortSRB : public BlockSRB<aspi::SRB_Abort> {
 public:
  AbortSRB() { Init(0); }
  void Init(uint8_t flags) override;
  uint8_t GetTargetStatus() const override { return 0; }
  const uint8_t* GetSenseArea() const override { return nullptr; }
  void ShowDebug() const override;
};
