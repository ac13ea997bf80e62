// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the #include lines of a source tree against the rules of Layers.txt.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/layers/LayerRules.h"

struct LayerReport {
  std::vector<std::string> findings;  // one line per broken rule, in file order
  int files = 0;                      // the sources read
  int quoteIncludes = 0;              // the #include "..." lines checked against a folder rule
};

// Where #include "name" in the file at path (both relative to the root) points,
// relative to the root: a name that starts with a folder is looked up from the
// root, a bare name or one starting with ./ or ../ from the file's own folder.
// Empty when it leads out of the root.
std::string ResolveQuoteInclude(const std::string& path, const std::string& name);

// Reads every .h, .hpp, .cpp and .cc under root, leaving out hidden folders,
// build/ and any folder that holds a CMakeCache.txt. Reports:
// - a folder with sources that no rule places, once per folder;
// - a quoted include that leaves the folders the including file's rule allows,
//   as "FILE:LINE: #include "NAME" breaks FROM -> TO (FROM may include ...)";
// - an angle-bracket include that a header rule keeps to other folders.
LayerReport CheckLayers(const std::filesystem::path& root, const LayerRules& rules);
