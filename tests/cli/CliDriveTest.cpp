// SPDX-License-Identifier: GPL-3.0-or-later
// load and eject: the Drive menu's Load Disc and Eject Disc on a writer.
#include <gtest/gtest.h>

#include "tests/cli/CliBus.h"

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(CliDrive, LoadAndEjectAWriterAndRefuseWhatIsNoWriter) {
  CliBus bus(R"({"id": 2, "model": "dvd-rom"},
                {"id": 4, "model": "qxw7100", "medium": {"kind": "dvd-r", "sectors": 8192}},
                {"id": 5, "model": "dvdrw-writer", "medium": {"kind": "dvd-rw", "sectors": 8192},
                 "faults": [{"kind": "sense", "opcode": "1Bh", "sense": "02/53/02"}]})");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string said;  // on the standard error
  };
  const Case cases[] = {
      // --verbose shows the log entry of the Drive menu's action (with the
      // log on).
      {{"--verbose", "eject", "0,4,0"}, 0, "[EjectDisc]"},
      {{"--verbose", "load", "0,4,0"}, 0, "[LoadDisc]"},
      // The drive refuses: its error is shown, and the status says so.
      {{"eject", "0,5,0"}, 1, "Medium removal prevented."},
      {{"load", "0,2,0"}, 1, "0,2,0 is not a DVD writer."},
      {{"eject", "0,7,0"}, 1, "No device answers at 0,7,0."},
      {{"eject", "tray"}, 2, "A writer is a SCSI address"},
  };
  for (const Case& c : cases) {
    ProcessResult run = c.args.front() == "--verbose" ? bus.RunLogged(c.args) : bus.Run(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[c.args.size() - 2] << " " << c.args.back() << "\n" << run.err;
    EXPECT_TRUE(Has(run.err, c.said)) << run.err;
    EXPECT_EQ(run.out, "");
  }
}
