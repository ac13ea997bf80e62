// SPDX-License-Identifier: GPL-3.0-or-later
// write IMAGE W1 W2 ...: several writers at once through marrowlight-cli, with
// the exit status of their results together: every disc done (0), one
// failed (1), a verify that differed (4), all canceled by Ctrl-C (3).
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

#include "base/TextFormat.h"
#include "tests/cli/CliBus.h"
#include "tests/fixtures/Images.h"

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Writers at 0,3,0 0,4,0 0,5,0, the maker's two models; extra[i] is added
// to the i-th writer's JSON (faults, speed).
std::string Writers(const std::vector<std::string>& extra) {
  std::string json;
  for (size_t i = 0; i < extra.size(); ++i) {
    const bool older = i % 2 == 0;
    json += FormatText(R"(%s{"id": %zu, "model": "%s", "medium": {"kind": "%s", "sectors": 8192}%s%s})", i ? ", " : "",
                       3 + i, older ? "qxw7100" : "qxw7200", older ? "dvd-r" : "dvd-rw", extra[i].empty() ? "" : ", ",
                       extra[i].c_str());
  }
  return json;
}

// What the disc in the writer at 0,id,0 holds from its start.
std::string Disc(const CliBus& bus, int id, size_t bytes) {
  std::string all = TempDir::Read(bus.File(FormatText("state/drive-0-%d-0.img", id)));
  return all.substr(0, std::min(bytes, all.size()));
}

}  // namespace

TEST(CliSeveral, ExitStatusOfTheWritersTogether) {
  struct Row {
    const char* name;
    std::vector<std::string> extra;
    std::vector<std::string> lines;  // each writer's result line
    int status;
  } rows[] = {
      {"all done", {"", "", ""}, {"0,3,0: Operation done.", "0,4,0: Operation done.", "0,5,0: Operation done."}, 0},
      {"a write error on one",
       {"", R"("faults": [{"kind": "sense", "opcode": "2Ah", "lba": [100, 199], "sense": "03/0C/00"}])", ""},
       {"0,3,0: Operation done.", "0,4,0: Operation failed.", "0,5,0: Operation done."},
       1},
      {"one reads back a wrong byte",
       {R"("faults": [{"kind": "corrupt", "opcode": "28h", "lba": [64, 64]}])", "", ""},
       {"0,3,0: Operation done, but the verify found 1 differing steps.", "0,4,0: Operation done.",
        "0,5,0: Operation done."},
       4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CliBus bus(Writers(row.extra));
    std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "SEVERAL", 1024 * 1024);
    const std::string bytes = TempDir::Read(image);
    ProcessResult run = bus.Run({"--yes", "write", image, "0,3,0", "0,4,0", "0,5,0", "--mode", "write-verify"});
    EXPECT_EQ(run.status, row.status) << run.err;
    for (const std::string& line : row.lines) EXPECT_TRUE(Has(run.err, "    " + line)) << run.err;
    // One progress line per writer and percent, naming the writer.
    EXPECT_TRUE(Has(run.err, "0,5,0 Verify 100% (" )) << run.err;
    for (int id = 3; id <= 5; ++id) {
      if (Has(run.err, FormatText("0,%d,0: Operation done.", id))) {
        EXPECT_EQ(Disc(bus, id, bytes.size()), bytes) << id;
      }
    }
  }
}

TEST(CliSeveral, CtrlCCancelsEveryWriterAndNoDiscIsClosed) {
  // Slow drives hold the write pass while the test interrupts it.
  CliBus bus(Writers({R"("speed": 0.005)", R"("speed": 0.005)", R"("speed": 0.005)"}));
  bus.timeScale = 0.01;
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "CANCELED", 2 * 1024 * 1024);
  Process run(CliBus::Program(), {"--nolog", "--yes", "write", image, "0,3,0", "0,4,0", "0,5,0", "--mode", "write-verify"},
              bus.Environment());
  ASSERT_TRUE(run.WaitForError("0,5,0 Write 2%"));
  run.Signal(SIGINT);
  ProcessResult result = run.Finish();
  EXPECT_EQ(result.status, 3) << result.err;
  EXPECT_TRUE(Has(result.err, "[Marrowlight] 0 of 3 discs done.\n    0,3,0: Operation canceled.\n"
                              "    0,4,0: Operation canceled.\n    0,5,0: Operation canceled.")) << result.err;
  EXPECT_FALSE(Has(result.err, "leadout")) << result.err;
  ProcessResult list = bus.Tool({"list"});
  // Each disc got part of the volume and no leadout.
  for (const char* drive : {"0,3,0  qxw7100", "0,4,0  qxw7200", "0,5,0  qxw7100"}) {
    const size_t line = list.out.find(drive);
    ASSERT_NE(line, std::string::npos) << list.out;
    EXPECT_TRUE(Has(list.out.substr(line, list.out.find('\n', line) - line), ": appendable ")) << list.out;
  }
}

TEST(CliSeveral, JsonProgressNamesEachWriter) {
  CliBus bus(Writers({"", ""}));
  std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "JSON", 512 * 1024);
  const std::string size = std::to_string(std::filesystem::file_size(image));
  ProcessResult run = bus.Run({"write", image, "0,3,0", "0,4,0", "--mode", "write-verify", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* writer : {"0,3,0", "0,4,0"}) {
    const std::string head =
        std::string(R"({"type":"progress","writer":")") + writer + R"(","phase":"verify","pass":2,"percent":100,)";
    EXPECT_TRUE(Has(run.err, head + R"("bytes":)" + size + R"(,"total":)" + size)) << run.err;
  }
  EXPECT_FALSE(Has(run.err, " Write 100% (")) << "no text progress lines with --json";
}

TEST(CliSeveral, AWriterNamedTwiceIsAUsageError) {
  CliBus bus(Writers({"", ""}));
  ProcessResult run = bus.Run({"write", "g.iso", "0,3,0", "0,4,0", "0,3,0"});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(Has(run.err, "0,3,0 is named more than once.")) << run.err;
}
