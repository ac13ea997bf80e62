// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of Layers.txt in memory: the folders each folder of the program
// may include with #include "...", and the angle-bracket headers that only
// some folders may include.
#pragma once

#include <string>
#include <vector>

struct FolderRule {
  std::string folder;                   // "transfer", "host/os"
  std::vector<std::string> mayInclude;  // each stands for everything beneath it
  bool anyFolder = false;               // "*": the folder's includes are not checked
  int line = 0;
};

struct HeaderRule {
  std::vector<std::string> patterns;  // "unistd.h", "sys/*": a trailing * matches any rest
  std::vector<std::string> onlyIn;    // the folders whose files may include them
  int line = 0;
};

// True when path is folder itself or lies beneath it ("host/os/Event.h" is
// beneath "host" and "host/os", not beneath "hos").
bool IsUnder(const std::string& path, const std::string& folder);

struct LayerRules {
  std::vector<FolderRule> folders;
  std::vector<HeaderRule> headers;

  // The rule of the deepest folder that holds path, or nullptr.
  const FolderRule* RuleFor(const std::string& path) const;
  // True when folder has a rule of its own or one beneath it.
  bool Places(const std::string& folder) const;
};

bool HeaderMatches(const std::string& pattern, const std::string& header);

// Reads Layers.txt. A line that cannot be read, a folder with two rules and a
// folder named on the right that has no rule of its own or beneath it each
// add a line "Layers.txt:LINE: what" to errors.
LayerRules ParseLayerRules(const std::string& text, std::vector<std::string>& errors);
