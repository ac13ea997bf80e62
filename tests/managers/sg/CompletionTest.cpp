// SPDX-License-Identifier: GPL-3.0-or-later
// How the kernel's answers read in the program's execute block: request
// status, host adapter status, target status, sense in fixed format.
#include <gtest/gtest.h>

#include <cerrno>

#include "managers/sg/Completion.h"
#include "managers/sg/SenseFormat.h"
#include "tests/managers/sg/FakeSg.h"

namespace {

sg::Result CallError(int error) {
  sg::Result result;
  result.error = error;
  return result;
}

sg::Result HostFailure(uint16_t hostStatus, std::vector<uint8_t> sense = {}) {
  sg::Result result = TargetAnswer(sense.empty() ? aspi::STATUS_GOOD : aspi::STATUS_CHKCOND, sense);
  result.hostStatus = hostStatus;
  return result;
}

sg::Result DriverOnly(uint16_t driverStatus, std::vector<uint8_t> sense = {}) {
  sg::Result result = TargetAnswer(aspi::STATUS_GOOD, sense);
  result.driverStatus = driverStatus;
  return result;
}

}  // namespace

TEST(SgCompletion, KernelHostAndTargetOutcomes) {
  struct Row {
    const char* what;
    sg::Result result;
    uint8_t status, hostStatus, targetStatus;
    aspi::Sense sense;
    const char* problem;
  };
  const Row rows[] = {
      {"good", TargetAnswer(aspi::STATUS_GOOD), aspi::SS_COMP, aspi::HASTAT_OK, aspi::STATUS_GOOD, {}, ""},
      {"condition met", TargetAnswer(aspi::STATUS_CONDITION_MET), aspi::SS_COMP, aspi::HASTAT_OK,
       aspi::STATUS_CONDITION_MET, {}, ""},
      {"check condition", TargetAnswer(aspi::STATUS_CHKCOND, FixedSense(0x05, 0x21, 0x00)), aspi::SS_ERR,
       aspi::HASTAT_OK, aspi::STATUS_CHKCOND, aspi::sense::kLbaOutOfRange, ""},
      {"check condition without sense", TargetAnswer(aspi::STATUS_CHKCOND), aspi::SS_ERR,
       aspi::HASTAT_REQUEST_SENSE_FAILED, aspi::STATUS_CHKCOND, {}, "CHECK CONDITION without sense data"},
      {"sense marked by the midlayer", DriverOnly(0x08, FixedSense(0x02, 0x3A, 0x00)), aspi::SS_ERR,
       aspi::HASTAT_OK, aspi::STATUS_CHKCOND, aspi::sense::kMediumNotPresent, ""},
      {"busy", TargetAnswer(aspi::STATUS_BUSY), aspi::SS_ERR, aspi::HASTAT_OK, aspi::STATUS_BUSY, {}, ""},
      {"reservation conflict", TargetAnswer(aspi::STATUS_RESCONF), aspi::SS_ERR, aspi::HASTAT_OK,
       aspi::STATUS_RESCONF, {}, ""},
      {"nobody there", HostFailure(0x01), aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO, aspi::STATUS_GOOD, {},
       "host status DID_NO_CONNECT (01h)"},
      {"kernel time-out", HostFailure(0x03), aspi::SS_ERR, aspi::HASTAT_COMMAND_TIMEOUT, aspi::STATUS_GOOD, {},
       "host status DID_TIME_OUT (03h)"},
      {"aborted by the kernel", HostFailure(0x05), aspi::SS_ABORTED, aspi::HASTAT_OK, aspi::STATUS_GOOD, {},
       "host status DID_ABORT (05h)"},
      {"bus reset, sense kept", HostFailure(0x08, FixedSense(0x06, 0x29, 0x00)), aspi::SS_ERR,
       aspi::HASTAT_BUS_RESET, aspi::STATUS_CHKCOND, aspi::sense::kPowerOnReset, "host status DID_RESET (08h)"},
      {"unknown host byte", HostFailure(0x2A), aspi::SS_ERR, aspi::HASTAT_OK, aspi::STATUS_GOOD, {},
       "host status 2Ah"},
      {"driver time-out", DriverOnly(0x06), aspi::SS_ERR, aspi::HASTAT_COMMAND_TIMEOUT, aspi::STATUS_GOOD, {},
       "driver status 06h"},
      {"device gone", CallError(ENODEV), aspi::SS_NO_DEVICE, aspi::HASTAT_SEL_TO, aspi::STATUS_GOOD, {},
       "the kernel refused the command: No such device"},
      {"too long for the kernel", CallError(EINVAL), aspi::SS_INVALID_SRB, aspi::HASTAT_OK, aspi::STATUS_GOOD, {},
       "the kernel refused the command: Invalid argument"},
      {"not allowed read-only", CallError(EPERM), aspi::SS_INVALID_SRB, aspi::HASTAT_OK, aspi::STATUS_GOOD, {},
       "the kernel refused the command: Operation not permitted"},
      {"other errno", CallError(EIO), aspi::SS_ERR, aspi::HASTAT_OK, aspi::STATUS_GOOD, {},
       "the kernel refused the command: Input/output error"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const sg::Completion done = sg::Translate(row.result);
    EXPECT_EQ(done.status, row.status);
    EXPECT_EQ(done.hostStatus, row.hostStatus);
    EXPECT_EQ(done.targetStatus, row.targetStatus);
    EXPECT_EQ((aspi::Sense{done.sense[2], done.sense[12], done.sense[13]}), row.sense);
    EXPECT_EQ(done.senseLength, row.sense == aspi::Sense{} ? 0u : 18u);
    EXPECT_EQ(done.problem, row.problem);
  }
}

TEST(SgSenseFormat, DescriptorSenseBecomesFixedSense) {
  // Key 3, 11h/00h; information 0x1234 (valid); sense-key-specific
  // 80 00 05; FRU 9; block commands descriptor with ILI; a vendor
  // descriptor the fixed format has no room for.
  const std::vector<uint8_t> descriptor = {
      0x72, 0x03, 0x11, 0x00, 0, 0, 0, 32,
      0x00, 0x0A, 0x80, 0x00, 0, 0, 0, 0, 0, 0, 0x12, 0x34,
      0x02, 0x06, 0x00, 0x00, 0x80, 0x00, 0x05, 0x00,
      0x03, 0x02, 0x00, 0x09,
      0x05, 0x02, 0x00, 0x20,
      0x80, 0x02, 0xAA, 0xBB,
  };
  uint8_t fixed[32] = {};
  ASSERT_EQ(sg::ToFixedSense(descriptor.data(), descriptor.size(), fixed, sizeof fixed), 18u);
  const uint8_t expected[18] = {0xF0, 0, 0x23, 0, 0, 0x12, 0x34, 10, 0, 0, 0, 0, 0x11, 0x00, 0x09, 0x80, 0x00, 0x05};
  EXPECT_EQ(std::vector<uint8_t>(fixed, fixed + 18), std::vector<uint8_t>(expected, expected + 18));

  // Deferred errors stay deferred; an information field above 32 bits is
  // left out rather than cut.
  const std::vector<uint8_t> deferred = {0x73, 0x06, 0x29, 0x00, 0, 0, 0, 12,
                                         0x00, 0x0A, 0x80, 0, 0, 0, 0, 1, 0, 0, 0, 0};
  ASSERT_EQ(sg::ToFixedSense(deferred.data(), deferred.size(), fixed, sizeof fixed), 18u);
  EXPECT_EQ(fixed[0], 0x71);
  EXPECT_EQ((aspi::Sense{fixed[2], fixed[12], fixed[13]}), aspi::sense::kPowerOnReset);
  EXPECT_EQ(fixed[3] | fixed[4] | fixed[5] | fixed[6], 0);
}

TEST(SgSenseFormat, FixedSensePassesThroughWithItsVendorBytes) {
  std::vector<uint8_t> sense = FixedSense(0x05, 0x38, 0x00);
  sense.resize(22);
  sense[7] = 14;
  sense[21] = aspi::sense::kVendorInvalidAddress;
  uint8_t out[146] = {};
  ASSERT_EQ(sg::ToFixedSense(sense.data(), sense.size(), out, sizeof out), 22u);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 22), sense);
  // Cut to the room the request has.
  uint8_t small[14] = {};
  EXPECT_EQ(sg::ToFixedSense(sense.data(), sense.size(), small, sizeof small), 14u);
  EXPECT_EQ(small[12], 0x38);
  EXPECT_EQ(sg::ToFixedSense(sense.data(), 0, out, sizeof out), 0u);
}

TEST(SgSenseFormat, BrokenDescriptorListsStayInsideTheirBytes) {
  // Every length of a descriptor list whose lengths lie: nothing read past
  // the bytes given (the sanitizer build checks), key and codes kept.
  std::vector<uint8_t> sense = {0x72, 0x05, 0x24, 0x00, 0, 0, 0, 250, 0x00, 0xFF, 0x80, 0x02, 0x40};
  for (size_t length = 1; length <= sense.size(); ++length) {
    std::vector<uint8_t> cut(sense.begin(), sense.begin() + static_cast<long>(length));
    uint8_t fixed[18] = {};
    EXPECT_EQ(sg::ToFixedSense(cut.data(), cut.size(), fixed, sizeof fixed), 18u);
    if (length >= 4) {
      EXPECT_EQ((aspi::Sense{fixed[2], fixed[12], fixed[13]}), aspi::sense::kInvalidFieldInCdb);
    }
  }
}
