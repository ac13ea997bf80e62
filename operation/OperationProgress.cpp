// SPDX-License-Identifier: GPL-3.0-or-later
#include "operation/OperationProgress.h"

#include <cmath>

#include "base/TextFormat.h"
#include "operation/OperationTexts.h"

namespace {

// The code bit of each phase (test, write, copy, verify), in the order the
// steps run.
constexpr uint16_t kPhaseBits[] = {opcode::kTest, opcode::kWrite, opcode::kCopy, opcode::kVerify};

}  // namespace

void OperationProgress::Begin(Operation operation, Clock::time_point now) {
  operation_ = operation;
  steps_ = 0;
  for (uint16_t bit : kPhaseBits) steps_ += Has(operation, bit) ? 1 : 0;
  step_ = 0;
  percent_ = 0;
  started_ = now_ = now;
}

void OperationProgress::Progress(int phase, int percent, Clock::time_point now) {
  if (phase < 0 || phase > 3) return;
  int index = 0;
  for (int earlier = 0; earlier < phase; ++earlier) index += Has(operation_, kPhaseBits[earlier]) ? 1 : 0;
  step_ = index;
  percent_ = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
  now_ = now;
}

int OperationProgress::Percent() const {
  if (steps_ == 0) return 0;
  int whole = (step_ * 100 + percent_) / steps_;
  return whole > 100 ? 100 : whole;
}

std::optional<int64_t> OperationProgress::SecondsLeft() const {
  if (steps_ == 0) return std::nullopt;
  double done = (step_ * 100.0 + percent_) / steps_;
  if (done < 1) return std::nullopt;
  if (done >= 100) return 0;
  double elapsed = std::chrono::duration<double>(now_ - started_).count();
  return std::llround(elapsed * (100 - done) / done);
}

std::string OperationProgress::Text() const {
  std::string text = FormatText("Overall: %d%%", Percent());
  if (std::optional<int64_t> left = SecondsLeft()) text += "   Time left: " + DurationText(static_cast<double>(*left));
  return text;
}
