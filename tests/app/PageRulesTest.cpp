// SPDX-License-Identifier: GPL-3.0-or-later
// The enabled-state rules of the main window's pages, click by click.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PageRules.h"

namespace {

// A Write page state written as the letters of what is enabled:
// s = source list, f = file edit and Browse, d = writer list, w = Write and
// Verify, p = the writer's actions; "F" first when [FILE] is chosen.
std::string Letters(const WritePageRules::State& s) {
  std::string out = s.sourceIsFile ? "F" : "";
  if (s.sourceCombo) out += 's';
  if (s.sourceFile) out += 'f';
  if (s.destinationCombo) out += 'd';
  if (s.start) out += 'w';
  if (s.writerActions) out += 'p';
  return out;
}

// The Copy page the same way: s/f the source's list and file, d/g the
// destination's list and file, c = Copy and Verify; "F" and "G" for the
// [FILE] radios.
std::string Letters(const CopyPageRules::State& s) {
  std::string out;
  if (s.sourceIsFile) out += 'F';
  if (s.destinationIsFile) out += 'G';
  if (s.sourceCombo) out += 's';
  if (s.sourceFile) out += 'f';
  if (s.destinationCombo) out += 'd';
  if (s.destinationFile) out += 'g';
  if (s.start) out += 'c';
  return out;
}

}  // namespace

TEST(PageRules, WritePageFollowsTheListsAndTheSourceRadio) {
  struct Case {
    bool sources, writers;
    std::vector<std::string> states;  // after the scan, [FILE], [SCSI DEVICE], [FILE]
  };
  const Case cases[] = {
      {true, true, {"sdwp", "Ffdwp", "sdwp", "Ffdwp"}},
      // No writer: nothing starts, not even from a file.
      {true, false, {"s", "Ff", "s", "Ff"}},
      // No source: only a file can be written.
      {false, true, {"dp", "Ffdwp", "dp", "Ffdwp"}},
      {false, false, {"", "Ff", "", "Ff"}},
  };
  for (const Case& c : cases) {
    WritePageRules rules(c.sources, c.writers);
    std::vector<std::string> seen{Letters(rules.Now())};
    rules.ChooseSourceFile();
    seen.push_back(Letters(rules.Now()));
    rules.ChooseSourceScsi();
    seen.push_back(Letters(rules.Now()));
    rules.ChooseSourceFile();
    seen.push_back(Letters(rules.Now()));
    EXPECT_EQ(seen, c.states) << "sources " << c.sources << ", writers " << c.writers;
  }
}

TEST(PageRules, CopyPageStartButtonsDependOnBothSidesAndTheOrderOfClicks) {
  enum Click { SrcFile, SrcScsi, DstFile, DstScsi };
  struct Case {
    bool sources, destinations;
    std::vector<Click> clicks;
    std::vector<std::string> states;  // after the scan, then after each click
  };
  const Case cases[] = {
      {true, true, {DstFile, SrcFile, DstScsi, SrcScsi}, {"sdc", "Gsgc", "FGfgc", "Ffdc", "sdc"}},
      // No destination device: a file destination starts, a device one stops.
      {true, false, {DstFile, SrcFile, DstScsi, SrcFile}, {"s", "Gsgc", "FGfgc", "Ff", "Ff"}},
      // No source device: the start buttons come on with a file source and
      // are not turned off by [FILE] on either side.
      {false, true, {SrcFile, DstFile, SrcScsi, DstScsi}, {"d", "Ffdc", "FGfgc", "Gg", "d"}},
      // Nothing found: file to file still copies.
      {false, false, {SrcFile, DstFile, DstScsi, DstFile}, {"", "Ff", "FGfgc", "Ff", "FGfgc"}},
  };
  for (const Case& c : cases) {
    CopyPageRules rules(c.sources, c.destinations);
    std::vector<std::string> seen{Letters(rules.Now())};
    for (Click click : c.clicks) {
      switch (click) {
        case SrcFile: rules.ChooseSourceFile(); break;
        case SrcScsi: rules.ChooseSourceScsi(); break;
        case DstFile: rules.ChooseDestinationFile(); break;
        case DstScsi: rules.ChooseDestinationScsi(); break;
      }
      seen.push_back(Letters(rules.Now()));
    }
    EXPECT_EQ(seen, c.states) << "sources " << c.sources << ", destinations " << c.destinations;
  }
}
