// SPDX-License-Identifier: GPL-3.0-or-later
// The checker on small trees: a tree that keeps to its rules, and the same
// tree with one file or one rule that breaks them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/fixtures/TempDir.h"
#include "tests/layers/LayerCheck.h"
#include "tests/layers/LayerRules.h"

namespace {

const std::string kRules =
    "# small layering\n"
    "host/os: host\n"
    "host/aspi:\n"
    "base: host\n"
    "devices: base host\n"
    "cli: devices base host\n"
    "gui: devices base host\n"
    "tests: *\n"
    "<unistd.h> <sys/*>: host tests\n"
    "<Q*>: gui tests\n";

using Files = std::vector<std::pair<std::string, std::string>>;

// Keeps to kRules. Its build trees and hidden folders would break them, but
// the checker does not read those.
const Files kCleanTree = {
    {"host/os/Event.h", "#include <unistd.h>\n#include <sys/stat.h>\n#include \"host/aspi/Srb.h\"\n"},
    {"host/aspi/Srb.h", "#include <cstdint>\n"},
    {"base/Log.h", "#include <string>\n"},
    {"base/Log.cpp", "#include \"Log.h\"\n  #  include \"host/os/Event.h\"\n"},
    {"devices/Dev.h", "#include \"base/Log.h\"\n"},
    {"devices/Dev.cpp", "#include \"devices/Dev.h\"\n// #include \"cli/Args.h\" in a comment\n"},
    {"cli/Args.h", ""},
    {"cli/main.cpp", "#include \"./Args.h\"\n#include \"devices/Dev.h\"\n#include <CLI/CLI.hpp>\n"},
    {"tests/cli/ArgsTest.cpp",
     "#include <QString>\n#include <unistd.h>\n#include \"cli/Args.h\"\n#include \"../x.h\"\n"},
    {"scripts/run", "#include \"gui/Window.h\"\n"},
    {"build/gen.cpp", "#include \"gui/Window.h\"\n"},
    {"out/CMakeCache.txt", ""},
    {"out/gen.cpp", "#include <QWidget>\n"},
    {".git/hooks/x.cpp", "#include <sys/ioctl.h>\n"},
};
const int kCleanSources = 9;

void WriteTree(const std::string& root, const Files& files) {
  for (const auto& [path, text] : files) {
    std::filesystem::path file = std::filesystem::path(root) / path;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }
}

LayerRules SmallRules() {
  std::vector<std::string> errors;
  LayerRules rules = ParseLayerRules(kRules, errors);
  EXPECT_TRUE(errors.empty());
  return rules;
}

}  // namespace

TEST(LayerCheck, ResolvesQuotedIncludes) {
  EXPECT_EQ(ResolveQuoteInclude("devices/SCSIDEV.cpp", "devices/SCSIDEV.h"), "devices/SCSIDEV.h");
  EXPECT_EQ(ResolveQuoteInclude("devices/SCSIDEV.cpp", "SCSIDEV.h"), "devices/SCSIDEV.h");
  EXPECT_EQ(ResolveQuoteInclude("host/os/Event.cpp", "../aspi/AspiSrb.h"), "host/aspi/AspiSrb.h");
  EXPECT_EQ(ResolveQuoteInclude("host/os/Event.cpp", "./Event.h"), "host/os/Event.h");
  EXPECT_EQ(ResolveQuoteInclude("cli/main.cpp", "../../outside.h"), "");
}

TEST(LayerCheck, ACleanTreeHasNoFindings) {
  TempDir root;
  WriteTree(root.Path(), kCleanTree);
  LayerReport report = CheckLayers(root.Path(), SmallRules());
  EXPECT_TRUE(report.findings.empty()) << report.findings.front();
  EXPECT_EQ(report.files, kCleanSources);
  EXPECT_EQ(report.quoteIncludes, 7);
}

struct TreeCase {
  const char* what;
  std::string path;  // one more file in the clean tree
  std::string text;
  std::string finding;
};

TEST(LayerCheck, EachBrokenRuleIsFoundWithItsFileAndLine) {
  const std::vector<TreeCase> cases = {
      {"a folder includes one it may not", "base/Bad.cpp", "#include \"base/Log.h\"\n#include \"devices/Dev.h\"\n",
       "base/Bad.cpp:2: #include \"devices/Dev.h\" breaks base -> devices (base may include host)"},
      {"the contract reaches into the rest of host", "host/aspi/Bad.h", "#include \"host/os/Event.h\"\n",
       "host/aspi/Bad.h:1: #include \"host/os/Event.h\" breaks host/aspi -> host/os (host/aspi may include nothing "
       "else)"},
      {"a relative include climbs into a front end", "devices/Bad.cpp", "#include \"../cli/Args.h\"\n",
       "devices/Bad.cpp:1: #include \"../cli/Args.h\" breaks devices -> cli (devices may include base host)"},
      {"a relative include leaves the tree", "cli/Bad.cpp", "#include \"../../x.h\"\n",
       "cli/Bad.cpp:1: #include \"../../x.h\" leads out of the source tree"},
      {"a platform header above host", "devices/Bad.cpp", "#include <vector>\n#include <sys/ioctl.h>\n",
       "devices/Bad.cpp:2: #include <sys/ioctl.h> belongs only in host tests (Layers.txt:9)"},
      {"a Qt header outside the windows", "cli/Bad.cpp", "#include <QtWidgets/QDialog>\n",
       "cli/Bad.cpp:1: #include <QtWidgets/QDialog> belongs only in gui tests (Layers.txt:10)"},
      {"a new folder without a rule", "firmware/sub/Update.cpp", "#include \"base/Log.h\"\n",
       "firmware/ holds sources (firmware/sub/Update.cpp) but has no rule in Layers.txt"},
      {"a file beside the placed subfolders", "host/Loose.h", "",
       "host/ holds sources (host/Loose.h) but has no rule in Layers.txt"},
  };
  for (const TreeCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir root;
    Files files = kCleanTree;
    files.emplace_back(c.path, c.text);
    WriteTree(root.Path(), files);
    LayerReport report = CheckLayers(root.Path(), SmallRules());
    EXPECT_EQ(report.findings, std::vector<std::string>{c.finding});
    EXPECT_EQ(report.files, kCleanSources + 1);
  }
}

struct RulesCase {
  const char* what;
  std::string line;  // one more line after kRules, line 11
  std::string error;
};

TEST(LayerCheck, EachBrokenRulesLineIsFound) {
  const std::vector<RulesCase> cases = {
      {"a misspelt folder on the right", "drive: devices bsae host",
       "Layers.txt:11: drive may include bsae, which has no rule"},
      {"a folder with two rules", "base: host devices", "Layers.txt:11: base has a rule already on line 4"},
      {"headers kept to a folder with no rule", "<termios.h>: hots", "Layers.txt:11: the headers are allowed in hots, "
                                                                     "which has no rule"},
      {"a header without its brackets", "poll.h: host", "Layers.txt:11: expected one folder before ':', found "
                                                         "'poll.h'"},
      {"a line without a colon", "drive devices", "Layers.txt:11: no ':' in 'drive devices'"},
      {"two folders before the colon", "drive firmware: devices", "Layers.txt:11: expected one folder before ':', "
                                                                  "found 'drive firmware'"},
  };
  for (const RulesCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> errors;
    ParseLayerRules(kRules + c.line + "\n", errors);
    EXPECT_EQ(errors, std::vector<std::string>{c.error});
  }
}

TEST(LayerCheck, AFileBelongsToItsDeepestPlacedFolder) {
  LayerRules rules = SmallRules();
  ASSERT_NE(rules.RuleFor("host/os/Event.h"), nullptr);
  EXPECT_EQ(rules.RuleFor("host/os/Event.h")->folder, "host/os");
  EXPECT_EQ(rules.RuleFor("host/Loose.h"), nullptr);
  EXPECT_EQ(rules.RuleFor("basement/x.h"), nullptr);
  EXPECT_TRUE(rules.Places("host"));
  EXPECT_FALSE(rules.Places("hos"));
}
