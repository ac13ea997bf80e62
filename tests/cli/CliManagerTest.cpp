// SPDX-License-Identifier: GPL-3.0-or-later
// marrowlight-cli --manager: the manager named on the command line takes the
// place of MARROWLIGHT_ASPI; a library that is not there is a usage error.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/cli/CliBus.h"

TEST(CliManager, TheChosenManagerWinsAndAMissingOneIsAUsageError) {
  CliBus bus(R"({"id": 0, "model": "disk", "medium": {"kind": "image", "sectors": 64}})");
  auto environment = bus.Environment();
  environment["MARROWLIGHT_ASPI"] = bus.File("libnothing.so");

  ProcessResult result = Process::Run(CliBus::Program(), {"--nolog", "--manager", "sim", "scan", "--json"}, environment);
  ASSERT_EQ(result.status, 0) << result.err;
  nlohmann::json lists = nlohmann::json::parse(result.out);
  ASSERT_EQ(lists["copy_destinations"].size(), 1u);
  EXPECT_EQ(lists["copy_destinations"][0]["product"], "HD-2100 DISK");

  result = Process::Run(CliBus::Program(), {"--nolog", "--manager", bus.File("libnothing.so"), "scan"}, environment);
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, "No SCSI manager library at " + bus.File("libnothing.so") +
                            " (choose sim, sg or the path of a manager library).\n");
  EXPECT_EQ(result.out, "");
}
