// SPDX-License-Identifier: GPL-3.0-or-later
// marrowlight-cli --progress json: every line of the standard output of a
// real write (test, write, verify) on the simulated bus is a JSON object
// of a known type; the passes come in order, each from 0 to 100 percent,
// the boxes carry their answers, and the last line is the result with the
// process's exit status. Other text stays on the standard error.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "tests/cli/CliBus.h"
#include "tests/fixtures/Images.h"

namespace {

using nlohmann::json;

constexpr int kUsage = 2;

const char* const kWriter = R"({"id": 4, "model": "qxw7100", "revision": "1.07",
                                "medium": {"kind": "dvd-r", "sectors": 8192}})";

// Every line of out parsed; a line that is no JSON object fails the test.
std::vector<json> Lines(const std::string& out) {
  std::vector<json> lines;
  std::istringstream stream(out);
  for (std::string line; std::getline(stream, line);) {
    json object = json::parse(line, nullptr, false);
    EXPECT_TRUE(object.is_object()) << "not a JSON object: " << line;
    if (object.is_object()) lines.push_back(object);
  }
  return lines;
}

std::vector<json> OfType(const std::vector<json>& lines, const std::string& type) {
  std::vector<json> chosen;
  for (const json& line : lines)
    if (line["type"] == type) chosen.push_back(line);
  return chosen;
}

// The members each type of line has, always.
const std::map<std::string, std::set<std::string>> kMembers = {
    {"phase", {"type", "writer", "phase", "pass"}},
    {"progress", {"type", "writer", "phase", "pass", "percent", "bytes", "total", "speed_mb_s", "time_left_s"}},
    {"comment", {"type", "writer", "text"}},
    {"box", {"type", "caption", "text", "icon", "buttons", "answer"}},
    {"result", {"type", "command", "status", "result"}},
};

void ExpectWellFormed(const std::vector<json>& lines, int status) {
  for (const json& line : lines) {
    auto members = kMembers.find(line.value("type", ""));
    ASSERT_NE(members, kMembers.end()) << line;
    std::set<std::string> keys;
    for (auto it = line.begin(); it != line.end(); ++it) keys.insert(it.key());
    EXPECT_EQ(keys, members->second) << line;
  }
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(OfType(lines, "result").size(), 1u);
  EXPECT_EQ(lines.back()["type"], "result");
  EXPECT_EQ(lines.back()["status"], status);
}

}  // namespace

TEST(CliProgressJson, EveryLineOfAWriteIsJsonAndThePassesRunInOrder) {
  CliBus bus(std::string(kWriter) + R"(, {"id": 5, "model": "qxw7100", "medium": {"kind": "dvd-r", "sectors": 8192}})");
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "JSON_LINES", 3 * 1024 * 1024);
  // One writer, and two at once: the same lines, each naming its writer.
  for (const std::vector<std::string>& writers :
       {std::vector<std::string>{"0,4,0"}, std::vector<std::string>{"0,4,0", "0,5,0"}}) {
    SCOPED_TRACE(writers.size());
    bus.Tool({"insert", "0,4", "dvd-r", "8192"});
    bus.Tool({"insert", "0,5", "dvd-r", "8192"});
    std::vector<std::string> args = {"--yes", "--progress", "json", "write", image};
    args.insert(args.end(), writers.begin(), writers.end());
    ProcessResult run = bus.Run(args);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<json> lines = Lines(run.out);
    ExpectWellFormed(lines, 0);
    EXPECT_EQ(lines.back()["command"], "write");
    EXPECT_EQ(lines.back()["result"], "done");

    for (const std::string& writer : writers) {
      // Three passes, each announced before its progress.
      std::vector<std::string> phases;
      for (const json& phase : OfType(lines, "phase")) {
        if (phase["writer"] != writer) continue;
        phases.push_back(phase["phase"]);
        EXPECT_EQ(phase["pass"], phases.size());
      }
      EXPECT_EQ(phases, (std::vector<std::string>{"test", "write", "verify"})) << writer;

      // Within a pass percent and bytes only grow, and the pass ends complete.
      const json* last = nullptr;
      int steps = 0, ends = 0;
      for (const json& line : lines) {
        if (line.value("writer", "") != writer) continue;
        if (line["type"] == "phase") last = nullptr;
        if (line["type"] != "progress") continue;
        ++steps;
        EXPECT_LE(line["bytes"].get<uint64_t>(), line["total"].get<uint64_t>()) << line;
        EXPECT_TRUE(line["speed_mb_s"].is_null() || line["speed_mb_s"].get<double>() >= 0) << line;
        EXPECT_TRUE(line["time_left_s"].is_null() || line["time_left_s"].get<int64_t>() >= 0) << line;
        if (last != nullptr) {
          EXPECT_EQ(line["pass"], (*last)["pass"]);
          EXPECT_GT(line["percent"].get<int>(), (*last)["percent"].get<int>()) << line;
          EXPECT_GE(line["bytes"].get<uint64_t>(), (*last)["bytes"].get<uint64_t>()) << line;
        }
        last = &line;
        if (line["percent"] == 100) {
          ++ends;
          EXPECT_EQ(line["bytes"], line["total"]) << line;
        }
      }
      EXPECT_GE(steps, 3 * 2) << writer;
      EXPECT_EQ(ends, 3) << writer;
    }

    // The comments and the result box as JSON; the text they had stays on
    // the standard error.
    std::vector<json> boxes = OfType(lines, "box");
    ASSERT_FALSE(boxes.empty());
    const std::string result = boxes.back()["text"];
    EXPECT_EQ(result.rfind(writers.size() == 1 ? "Operation done.\nSHA-256 of the volume: " : "2 of 2 discs done.", 0), 0u)
        << result;
    EXPECT_EQ(boxes.back()["answer"], "ok");
    EXPECT_FALSE(OfType(lines, "comment").empty());
    EXPECT_NE(run.err.find("Now verifying ..."), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Volume \"JSON_LINES\""), std::string::npos) << run.err;
  }
}

TEST(CliProgressJson, QuestionsNeedYesOrNoAndTheirAnswersAreLines) {
  CliBus bus(kWriter);
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "ASKED", 1024 * 1024);
  bus.Dir().Write("keep.iso", "precious");

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string result;
    std::string answer;  // of the first question; "" when none is asked
  };
  const Case cases[] = {
      // Without --yes or --no nothing runs: a usage error, said as a result line.
      {{"--progress", "json", "copy", image, bus.File("keep.iso")}, 2, "usage", ""},
      {{"--progress", "json", "scan"}, 2, "usage", ""},
      // The copy asks before it writes over a file: --no keeps it.
      {{"--no", "--progress", "json", "copy", image, bus.File("keep.iso"), "--mode", "copy"}, 3, "canceled", "no"},
      {{"--yes", "--progress", "json", "copy", image, bus.File("keep.iso"), "--mode", "copy"}, 0, "done", "yes"},
      // A command's own output goes to the standard error.
      {{"--no", "--progress", "json", "check", image}, 0, "done", ""},
  };
  for (const Case& c : cases) {
    ProcessResult run = bus.Run(c.args);
    SCOPED_TRACE(c.args[c.args.size() > 3 ? 3 : 2]);
    EXPECT_EQ(run.status, c.status) << run.err;
    std::vector<json> lines = Lines(run.out);
    ExpectWellFormed(lines, c.status);
    EXPECT_EQ(lines.back()["result"], c.result);
    std::vector<json> questions;
    for (const json& box : OfType(lines, "box"))
      if (box["buttons"] == "yes-no" || box["buttons"] == "ok-cancel") questions.push_back(box);
    EXPECT_EQ(questions.empty(), c.answer.empty());
    if (!questions.empty()) {
      EXPECT_EQ(questions.front()["answer"], c.answer) << questions.front();
    }
    if (c.status == kUsage) {
      EXPECT_EQ(lines.size(), 1u) << "nothing ran";
    }
  }
  EXPECT_EQ(TempDir::Read(bus.File("keep.iso")), TempDir::Read(image)) << "the --yes copy wrote it";

  ProcessResult check = bus.Run({"--no", "--progress", "json", "check", image});
  EXPECT_NE(check.err.find("ASKED"), std::string::npos) << check.err;
}

TEST(CliProgressJson, AReadScanReportsItsStepsAndItsResult) {
  CliBus bus(R"({"id": 2, "model": "dvd-rom", "medium": {"kind": "image", "path": "disc.img"},
                 "faults": [{"kind": "sense", "opcode": "28h", "lba": [40, 41], "sense": "03/11/00"}]})");
  bus.Dir().Write("disc.img", std::string(512 * 2048, 'd'));
  ProcessResult run = bus.Run({"--no", "--progress", "json", "readscan", "0,2,0"});
  EXPECT_EQ(run.status, 4) << run.err;
  std::vector<json> lines = Lines(run.out);
  ExpectWellFormed(lines, 4);
  EXPECT_EQ(lines.back()["result"], "unreadable");
  std::vector<json> phases = OfType(lines, "phase");
  ASSERT_EQ(phases.size(), 1u);
  EXPECT_EQ(phases[0]["phase"], "readscan");
  EXPECT_EQ(phases[0]["writer"], "0,2,0");
  std::vector<json> steps = OfType(lines, "progress");
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.back()["percent"], 100);
  EXPECT_EQ(steps.back()["bytes"], 512 * 2048);
  // The summary lines go to the standard error.
  EXPECT_NE(run.err.find("Unreadable sectors: 2 (40-41)"), std::string::npos) << run.err;
}
