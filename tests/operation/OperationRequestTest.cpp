// SPDX-License-Identifier: GPL-3.0-or-later
// The operation lists both front ends offer and the checks of a request
// before it is run.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/ProgramIdentity.h"
#include "chart/SpeedChart.h"
#include "devices/SCSIDEV.h"
#include "host/aspi/ScsiVocabulary.h"
#include "operation/OperationRequest.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "transfer/PassGraph.h"

namespace {

constexpr unsigned kErrorBox = 0x10;

}  // namespace

TEST(OperationList, ItemsCodesAndNamesOfBothFamilies) {
  // A few rows by hand, as the dialog shows them and scripts name them.
  struct Row {
    OperationFamily family;
    int index;
    const char* text;
    const char* name;
    uint16_t code;
  };
  const Row rows[] = {
      {OperationFamily::Copy, 0, "Copy", "copy", 0x08},
      {OperationFamily::Copy, 2, "Verify", "verify", 0x01},
      {OperationFamily::Write, 2, "Verify", "verify", 0x81},
      {OperationFamily::Write, 3, "Test Only", "test", 0x84},
      {OperationFamily::Write, 5, "Test & Write & Verify", "test-write-verify", 0x87},
  };
  for (const Row& row : rows) {
    const OperationItem& item = OperationList(row.family)[static_cast<size_t>(row.index)];
    EXPECT_STREQ(item.text, row.text);
    EXPECT_EQ(CodeOf(item.operation), row.code) << row.text;
    EXPECT_EQ(OperationNamed(row.family, row.name), item.operation) << row.name;
  }
  EXPECT_EQ(OperationList(OperationFamily::Copy).size(), 3u);
  EXPECT_EQ(OperationList(OperationFamily::Write).size(), 6u);

  // Every item: its code finds it again, it stands in its own family at its
  // index, and names and texts are unique within a family.
  for (OperationFamily family : {OperationFamily::Copy, OperationFamily::Write}) {
    std::set<std::string> names, texts;
    for (const OperationItem& item : OperationList(family)) {
      EXPECT_EQ(FamilyOf(item.operation), family) << item.text;
      EXPECT_EQ(OperationFromCode(CodeOf(item.operation)), item.operation);
      EXPECT_EQ(&ItemOf(item.operation), &item);
      EXPECT_EQ(OperationWithText(family, item.text), item.operation);
      EXPECT_TRUE(names.insert(item.name).second) << item.name;
      EXPECT_TRUE(texts.insert(item.text).second) << item.text;
    }
  }
  // Codes that are not operations of their own, and names of the other
  // family, find nothing.
  for (uint16_t code : {0x00, 0x20, 0x80, 0x85, 0x02, 0x0A}) EXPECT_FALSE(OperationFromCode(code)) << code;
  EXPECT_FALSE(OperationNamed(OperationFamily::Copy, "write"));
  EXPECT_FALSE(OperationNamed(OperationFamily::Write, "copy-verify"));
}

TEST(OperationRequest, SameFileOrSameDeviceOnBothSidesIsRefusedWithABox) {
  ScriptedUiGuard ui;
  OperationRequest files;
  files.operation = Operation::CopyVerify;
  files.source = Endpoint("a.iso");
  files.destination = Endpoint("a.iso");
  ui.Expect("Sorce file is same with destination file.", ProgramName, kErrorBox, 1);
  EXPECT_FALSE(SidesDiffer(files));
  // The texts are compared as written: another spelling passes here (the
  // file layer refuses it when the destination is opened).
  files.destination = Endpoint("./a.iso");
  EXPECT_TRUE(SidesDiffer(files));
  files.destination = Endpoint("A.iso");
  EXPECT_TRUE(SidesDiffer(files));

  SCSIDEV disk(0, 1, 0), sameDisk(0, 1, 0), otherLun(0, 1, 1);
  OperationRequest devices;
  devices.operation = Operation::Copy;
  devices.source = Endpoint(disk);
  devices.destination = Endpoint(sameDisk);
  ui.Expect("Source device is same with destination device.", ProgramName, kErrorBox, 1);
  EXPECT_FALSE(SidesDiffer(devices));
  devices.destination = Endpoint(otherLun);
  EXPECT_TRUE(SidesDiffer(devices));
  devices.destination = Endpoint("0,1,0");  // a file that looks like the address
  EXPECT_TRUE(SidesDiffer(devices));

  // The pattern has no source to compare.
  EXPECT_TRUE(SidesDiffer(OperationRequest::Pattern(Operation::TestOnly, disk)));
  EXPECT_EQ(Endpoint(otherLun).Describe(), "0,1,1");
}

TEST(OperationRequest, SizeOverrideRoundsTheSectorsUp) {
  VolumeInfo volume;
  volume.volumeSize = 4096;
  volume.lbCount = 2;
  for (auto [bytes, sectors] : {std::pair<uint64_t, uint32_t>{0, 0}, {1, 1}, {2048, 1}, {2049, 2},
                                {4'700'372'992, 2'295'104}}) {
    OverrideVolumeSize(volume, bytes);
    EXPECT_EQ(volume.volumeSize, bytes);
    EXPECT_EQ(volume.lbCount, sectors) << bytes;
  }
}

TEST(ScsiVocabulary, BusyIsNotReadyForAPassingReasonOnly) {
  using aspi::Sense;
  namespace sense = aspi::sense;
  struct Case {
    Sense answer;
    bool busy;
    bool notReady;
  };
  const Case cases[] = {
      {sense::kNotReadyBecomingReady, true, true},
      {sense::kNotReadyOperationInProgress, true, true},
      {sense::kNotReadyLongWriteInProgress, true, true},
      {sense::kMediumNotPresent, false, true},  // no disc: nothing to wait for
      {sense::kNoSense, false, false},
      {Sense{sense::kMediumErrorKey, 0x04, 0x07}, false, false},  // a qualifier alone is no busy drive
      {Sense{sense::kIllegalRequestKey, 0x04, 0x00}, false, false},
      {sense::kPowerOnReset, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sense::IsBusy(c.answer), c.busy) << int{c.answer.key} << "/" << int{c.answer.asc};
    EXPECT_EQ(sense::IsNotReady(c.answer), c.notReady) << int{c.answer.key} << "/" << int{c.answer.asc};
  }
}

TEST(OperationRequest, SectorCountsBeyond32BitsAreHeldAsTheLargestCount) {
  VolumeInfo volume;
  OverrideVolumeSize(volume, kLargestVolumeBytes);
  EXPECT_EQ(volume.lbCount, 0xFFFFFFFFu);
  // 8 TiB + 4 KiB would be 2 sectors in 32 bits.
  OverrideVolumeSize(volume, (uint64_t{1} << 43) + 4096);
  EXPECT_EQ(volume.volumeSize, (uint64_t{1} << 43) + 4096);
  EXPECT_EQ(volume.lbCount, 0xFFFFFFFFu);
}
TEST(OperationRequest, TheDrivesRatesThePassesMeet) {
  constexpr double k4x = 4 * chart::kDvd1xBytesPerSecond, k8x = 8 * chart::kDvd1xBytesPerSecond;
  struct Row {
    Operation operation;
    DriveRates rates;
    std::vector<std::string> labels;
  };
  const Row rows[] = {
      {Operation::TestWriteVerify, {k4x, k4x}, {"drive 4x"}},
      {Operation::WriteVerify, {k8x, k4x}, {"drive write 4x", "drive read 8x"}},
      {Operation::Write, {k8x, k4x}, {"drive write 4x"}},
      {Operation::VerifyDisc, {k8x, k4x}, {"drive read 8x"}},
      {Operation::Copy, {k8x, 0}, {"drive read 8x"}},  // from the drive into a file
      {Operation::Write, {0, 0}, {}},                  // a drive that tells nothing
  };
  for (const Row& row : rows) {
    OperationRequest request;
    request.operation = row.operation;
    request.destination = Endpoint("copy.iso");
    PassGraph graph;
    const DiscSideUse use = DiscSideUseOf(request);
    graph.AddDriveLevels(row.rates, use.writes, use.reads);
    std::vector<std::string> labels;
    for (const chart::Level& level : graph.Chart("").levels) labels.push_back(level.label);
    EXPECT_EQ(labels, row.labels) << ItemOf(row.operation).text;
  }
}

