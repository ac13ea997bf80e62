// SPDX-License-Identifier: GPL-3.0-or-later
// The tree's own includes against tests/layers/Layers.txt.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/fixtures/TempDir.h"
#include "tests/layers/LayerCheck.h"
#include "tests/layers/LayerRules.h"

namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

LayerRules TreeRules(std::vector<std::string>& errors) {
  return ParseLayerRules(TempDir::Read(std::string(SOURCE_ROOT) + "/tests/layers/Layers.txt"), errors);
}

}  // namespace

TEST(Layers, TheRulesOfTheTreeReadCleanly) {
  std::vector<std::string> errors;
  LayerRules rules = TreeRules(errors);
  EXPECT_TRUE(errors.empty()) << Lines(errors);
  EXPECT_NE(rules.RuleFor("devices/SCSIDEV.h"), nullptr);
  EXPECT_FALSE(rules.headers.empty());
}

TEST(Layers, EveryIncludeOfTheTreeKeepsToTheRules) {
  // The rules' own errors are the other test's; the rules that could be read
  // are checked here all the same.
  std::vector<std::string> errors;
  LayerRules rules = TreeRules(errors);
  LayerReport report = CheckLayers(SOURCE_ROOT, rules);
  // A wrong source root would find nothing and pass; the tree has well over
  // a hundred sources and includes.
  EXPECT_GT(report.files, 100);
  EXPECT_GT(report.quoteIncludes, 100);
  EXPECT_TRUE(report.findings.empty()) << report.findings.size() << " findings against tests/layers/Layers.txt:\n"
                                       << Lines(report.findings);
}
