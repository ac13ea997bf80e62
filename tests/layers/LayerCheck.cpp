// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/layers/LayerCheck.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>

namespace fs = std::filesystem;

namespace {

bool IsSource(const fs::path& file) {
  static const std::set<std::string> kExtensions = {".h", ".hpp", ".cpp", ".cc"};
  return kExtensions.count(file.extension().string()) != 0;
}

// The sources under root as paths relative to it, sorted. Build trees and
// hidden folders hold no sources of the program.
std::vector<std::string> SourcesUnder(const fs::path& root) {
  std::vector<std::string> sources;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path& path = it->path();
    if (it->is_directory()) {
      std::string name = path.filename().string();
      bool topBuild = it.depth() == 0 && name == "build";
      if (name.starts_with(".") || topBuild || fs::exists(path / "CMakeCache.txt")) it.disable_recursion_pending();
    } else if (it->is_regular_file() && IsSource(path)) {
      sources.push_back(path.lexically_relative(root).generic_string());
    }
  }
  std::sort(sources.begin(), sources.end());
  return sources;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string TopFolder(const std::string& path) { return path.substr(0, path.find('/')); }

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text.empty() ? "nothing else" : text;
}

// The folder that names a file that no rule places: the top folder when no
// rule lies beneath it, else the file's own folder (a file straight in host/,
// beside host/os and host/ui, needs a place of its own).
std::string UnplacedFolder(const std::string& path, const LayerRules& rules) {
  std::string top = TopFolder(path);
  if (top == path) return ".";
  return rules.Places(top) ? FolderOf(path) : top;
}

// The folder a finding names for an included file: the deepest one with a
// rule, or its top folder.
std::string FolderLabel(const std::string& target, const LayerRules& rules) {
  const FolderRule* rule = rules.RuleFor(target);
  return rule != nullptr ? rule->folder : TopFolder(target);
}

bool MayInclude(const FolderRule& rule, const std::string& target) {
  if (IsUnder(target, rule.folder)) return true;
  return std::any_of(rule.mayInclude.begin(), rule.mayInclude.end(),
                     [&](const std::string& folder) { return IsUnder(target, folder); });
}

void CheckQuoteInclude(const std::string& path, int line, const std::string& name, const FolderRule& rule,
                       const LayerRules& rules, LayerReport& report) {
  std::string where = path + ":" + std::to_string(line) + ": #include \"" + name + "\" ";
  std::string target = ResolveQuoteInclude(path, name);
  if (target.empty()) {
    report.findings.push_back(where + "leads out of the source tree");
    return;
  }
  if (!MayInclude(rule, target)) {
    report.findings.push_back(where + "breaks " + rule.folder + " -> " + FolderLabel(target, rules) + " (" +
                              rule.folder + " may include " + Joined(rule.mayInclude) + ")");
  }
}

void CheckAngleInclude(const std::string& path, int line, const std::string& name, const LayerRules& rules,
                       LayerReport& report) {
  for (const HeaderRule& header : rules.headers) {
    bool matches = std::any_of(header.patterns.begin(), header.patterns.end(),
                               [&](const std::string& pattern) { return HeaderMatches(pattern, name); });
    if (!matches) continue;
    bool allowed = std::any_of(header.onlyIn.begin(), header.onlyIn.end(),
                               [&](const std::string& folder) { return IsUnder(path, folder); });
    if (!allowed) {
      report.findings.push_back(path + ":" + std::to_string(line) + ": #include <" + name + "> belongs only in " +
                                Joined(header.onlyIn) + " (Layers.txt:" + std::to_string(header.line) + ")");
    }
  }
}

}  // namespace

std::string ResolveQuoteInclude(const std::string& path, const std::string& name) {
  bool fromFile = name.find('/') == std::string::npos || name.starts_with("./") || name.starts_with("../");
  fs::path joined = fromFile ? fs::path(FolderOf(path)) / name : fs::path(name);
  std::string resolved = joined.lexically_normal().generic_string();
  if (resolved.empty() || resolved == "." || resolved.starts_with("..") || resolved.starts_with("/")) return {};
  return resolved;
}

LayerReport CheckLayers(const fs::path& root, const LayerRules& rules) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*(["<])([^">]+)[">])");
  LayerReport report;
  std::set<std::string> unplaced;
  for (const std::string& path : SourcesUnder(root)) {
    ++report.files;
    const FolderRule* rule = rules.RuleFor(path);
    if (rule == nullptr) {
      std::string folder = UnplacedFolder(path, rules);
      if (unplaced.insert(folder).second) {
        report.findings.push_back(folder + "/ holds sources (" + path + ") but has no rule in Layers.txt");
      }
    }
    std::ifstream in(root / path);
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
      ++line;
      std::smatch match;
      if (!std::regex_search(text, match, kInclude)) continue;
      if (match[1] == "<") {
        CheckAngleInclude(path, line, match[2], rules, report);
      } else if (rule != nullptr && !rule->anyFolder) {
        ++report.quoteIncludes;
        CheckQuoteInclude(path, line, match[2], *rule, rules, report);
      }
    }
  }
  return report;
}
