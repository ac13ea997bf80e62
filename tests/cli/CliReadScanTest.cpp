// SPDX-License-Identifier: GPL-3.0-or-later
// marrowlight-cli readscan on a simulated DVD-ROM drive that reads at 8x in
// real time, with ten unreadable sectors and one step that reads a hundred
// times slower: the JSON names exactly those sectors and that step, and the
// SVG is a well-formed picture (read back with Qt's XML reader) with the
// red and the amber band.
#include <gtest/gtest.h>

#include <QString>
#include <QXmlStreamReader>
#include <map>
#include <nlohmann/json.hpp>

#include "tests/cli/CliBus.h"
#include "tests/fixtures/TempDir.h"

namespace {

constexpr uint64_t kSectors = 2048;  // 64 steps of 64 KiB, about 0.4 s at 8x
constexpr uint64_t kSlowFirst = 1024;  // step 32, about 0.6 s at a hundredth

}  // namespace

TEST(CliReadScan, JsonAndSvgMarkTheUnreadableSectorsAndTheSlowStep) {
  CliBus bus(R"({"id": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": "disc.img"}, "speed": 8,
                 "faults": [{"kind": "sense", "opcode": "28h", "lba": [300, 309], "sense": "03/11/00"},
                            {"kind": "slow", "lba": [1024, 1055], "factor": 100}]})");
  bus.Dir().Write("disc.img", std::string(kSectors * 2048, 'd'));
  // The drive's own pace in real time: the slow step is slow by the clock.
  bus.timeScale = 1;
  std::string svgPath = bus.File("scan.svg");
  ProcessResult run = bus.Run({"readscan", "0,2,0", "--json", "--svg", svgPath});
  ASSERT_EQ(run.status, 4) << "unreadable sectors found\n" << run.err;
  EXPECT_NE(run.err.find("Scanning 0,2,0 (the disc is only read) ..."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Read scan 100% (4,194,304 of 4,194,304 bytes, 10 unreadable sectors)"), std::string::npos)
      << run.err;

  nlohmann::json scan = nlohmann::json::parse(run.out);
  EXPECT_EQ(scan["scanned_sectors"], kSectors);
  EXPECT_EQ(scan["samples"].size(), kSectors / 32);
  EXPECT_EQ(scan["unreadable"], nlohmann::json::parse(R"([{"first": 300, "last": 309, "count": 10}])"));
  EXPECT_EQ(scan["summary"]["unreadable_sectors"], 10);
  EXPECT_EQ(scan["summary"]["readable_bytes"], (kSectors - 10) * 2048);
  EXPECT_EQ(scan["summary"]["retries"], 32);
  EXPECT_EQ(scan["nominal_bytes_per_second"], 8 * 1385000.0);
  // The slow step is marked and is the slowest region; a busy machine may
  // add a slow step of its own elsewhere, but none as slow as this one.
  const nlohmann::json& slowest = scan["summary"]["slowest_region"];
  EXPECT_EQ(slowest["from"], kSlowFirst * 2048);
  EXPECT_EQ(slowest["to"], (kSlowFirst + 32) * 2048);
  EXPECT_EQ(slowest["slow"], true);
  EXPECT_TRUE(scan["samples"][kSlowFirst / 32]["slow"]);
  EXPECT_EQ(scan["samples"][300 / 32]["unreadable_sectors"], 10);
  EXPECT_EQ(scan["samples"][300 / 32]["bytes_per_second"], 0) << "the step that failed";

  QXmlStreamReader xml(QString::fromStdString(TempDir::Read(svgPath)));
  std::map<std::string, int> fills;
  int polylines = 0;
  std::string title;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("rect")) ++fills[xml.attributes().value("fill").toString().toStdString()];
    if (xml.name() == QLatin1String("polyline")) ++polylines;
    if (xml.name() == QLatin1String("title")) title = xml.readElementText().toStdString();
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(title, "Read scan of 0,2,0: ORBITEK DVD-ROM DR-160");
  EXPECT_EQ(polylines, 1);
  EXPECT_GE(fills["#d62728"], 2) << "the unreadable band and its legend box";
  EXPECT_GE(fills["#ffb000"], 2) << "the slow band and its legend box";
}

TEST(CliReadScan, TextSummaryAnEmptyDriveAndAWrongDevice) {
  CliBus bus(R"({"id": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": "disc.img"}},
                {"id": 3, "model": "dvd-rom", "medium": {"kind": "none"}},
                {"id": 6, "model": "tape", "medium": {"kind": "none"}})");
  bus.Dir().Write("disc.img", std::string(100 * 2048, 'd'));
  ProcessResult good = bus.Run({"readscan", "0,2,0"});
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_EQ(good.out.substr(0, good.out.find('\n', good.out.find('\n') + 1)),
            "Readable: 204,800 of 204,800 bytes (100 of 100 sectors of 2048 bytes)\nUnreadable sectors: none");

  ProcessResult empty = bus.Run({"readscan", "0,3,0"});
  EXPECT_EQ(empty.status, 1);
  EXPECT_NE(empty.err.find("No readable disc in the drive. (2-3A-00"), std::string::npos) << empty.err;
  EXPECT_EQ(empty.out, "");

  ProcessResult tape = bus.Run({"readscan", "0,6,0"});
  EXPECT_EQ(tape.status, 1);
  EXPECT_NE(tape.err.find("0,6,0 is not a disk, optical memory or CD/DVD drive."), std::string::npos) << tape.err;
  EXPECT_EQ(bus.Run({"readscan", "disc.img"}).status, 2);
}
