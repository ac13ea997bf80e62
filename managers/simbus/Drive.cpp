// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/Drive.h"

#include <algorithm>
#include <cstring>

#include "host/os/Sleep.h"
#include "managers/simbus/Bytes.h"

namespace simbus {
namespace {

constexpr uint32_t kInquiryLength = 96;
constexpr double kBaseSpeedBytesPerSecond = 1385000.0;

}  // namespace

Drive::Drive(const DeviceConfig& config, std::string stateDir)
    : config_(config),
      stateDir_(std::move(stateDir)),
      faults_(config.faults),
      pace_(config.speed * kBaseSpeedBytesPerSecond),
      slowPace_(kBaseSpeedBytesPerSecond) {
  table_.fill(&Drive::InvalidOperation);
  vendor_ = config.vendor.value_or(std::string(config.model->vendor));
  product_ = config.product.value_or(std::string(config.model->product));
  revision_ = config.revision.value_or(std::string(config.model->revision));
  mecha_ = config.mecha.value_or(std::string(kDefaultMecha));
  static constexpr std::array<Entry<Drive>, 3> kCommon{{
      {op::kTestUnitReady, &Drive::TestUnitReady},
      {op::kRequestSense, &Drive::RequestSense},
      {op::kInquiry, &Drive::Inquiry},
  }};
  Install(kCommon);
}

void Drive::Execute(ScsiCommand& command) {
  const uint8_t opcode = command.Op();
  if (auto rule = faults_.SenseFor(command)) {
    command.Fail(rule->sense);
    command.vendorByte21 = rule->vendorByte21;
    OnFaultSense(command);
  } else if (opcode != op::kInquiry && opcode != op::kRequestSense) {
    if (auto notReady = faults_.NotReadyFor(command)) command.Fail(*notReady);
  }
  if (!command.failed) (this->*table_[opcode])(command);
  if (!command.failed && command.dataIn && command.dataLength > 0 && faults_.CorruptFor(command))
    command.data[0] = static_cast<uint8_t>(~command.data[0]);
  if (opcode != op::kRequestSense) BuildFixedSense(command, lastSense_, sizeof lastSense_);
}

std::string Drive::Summary() const {
  return vendor_ + " " + product_ + " " + revision_;
}

std::optional<Sense> Drive::Readiness() const { return BusySense(); }

void Drive::FillInquiry(uint8_t* inquiry) const {
  inquiry[0] = config_.model->deviceType;
  inquiry[2] = 0x02;  // SCSI-2
  inquiry[3] = 0x02;  // response data format
  inquiry[4] = kInquiryLength - 5;
  PutPaddedText(inquiry + 8, 8, vendor_);
  PutPaddedText(inquiry + 16, 16, product_);
  PutPaddedText(inquiry + 32, 4, revision_);
}

bool Drive::NeedReady(ScsiCommand& command) const {
  if (auto sense = Readiness()) {
    command.Fail(*sense);
    // A drive busy with a long operation (a blank, a close) says how far it
    // has come, as MMC drives do.
    const Clock::time_point now = Clock::now();
    if (*sense == busySense_ && now < busyUntil_ && busyUntil_ > busyFrom_) {
      double done = std::chrono::duration<double>(now - busyFrom_) / (busyUntil_ - busyFrom_);
      command.progress = static_cast<uint16_t>(done * 65535);
    }
    return false;
  }
  return true;
}

void Drive::BecomeBusy(Sense sense, uint32_t ms) {
  busySense_ = sense;
  busyFrom_ = Clock::now();
  busyUntil_ = busyFrom_ + std::chrono::milliseconds(host::ScaledMs(ms));
}

std::optional<Sense> Drive::BusySense() const {
  if (Clock::now() < busyUntil_) return busySense_;
  return std::nullopt;
}

void Drive::PaceTransfer(ScsiCommand& command, uint64_t bytes) {
  const uint32_t factor = faults_.SlowFactorFor(command);
  if (factor > 1 && config_.speed <= 0) {
    // A drive as fast as the machine reads a slow region at DVD 1x.
    command.PauseUntil(slowPace_.Complete(Clock::now(), bytes, host::TimeScale()));
    return;
  }
  // The medium passes the command's bytes factor times over.
  command.PauseUntil(pace_.Complete(Clock::now(), bytes * factor, host::TimeScale()));
}

void Drive::Inquiry(ScsiCommand& command) {
  if (command.cdb[1] & 0x01) {  // vital product data pages are not kept
    command.Fail(kInvalidFieldInCdb);
    return;
  }
  uint8_t inquiry[kInquiryLength] = {};
  FillInquiry(inquiry);
  command.ReplyIn(inquiry, kInquiryLength, command.cdb[4]);
}

void Drive::TestUnitReady(ScsiCommand& command) {
  OnTestUnitReady();
  NeedReady(command);
}

void Drive::RequestSense(ScsiCommand& command) {
  command.ReplyIn(lastSense_, kFixedSenseLength, command.cdb[4]);
  std::memset(lastSense_, 0, sizeof lastSense_);
}

void Drive::InvalidOperation(ScsiCommand& command) { command.Fail(kInvalidCommandOperationCode); }

}  // namespace simbus
