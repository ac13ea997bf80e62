// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/layers/LayerRules.h"

#include <cctype>
#include <sstream>
#include <string_view>

namespace {

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

std::string Where(int line) { return "Layers.txt:" + std::to_string(line) + ": "; }

// A folder as the rules write it: relative, no empty part, no dot part.
bool IsFolderName(const std::string& name) {
  if (name.empty() || name.front() == '/' || name.back() == '/') return false;
  std::istringstream parts(name);
  std::string part;
  while (std::getline(parts, part, '/')) {
    if (part.empty() || part == "." || part == "..") return false;
    for (char c : part) {
      if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')) return false;
    }
  }
  return true;
}

void ReadHeaderRule(const std::string& left, const std::string& right, int line, LayerRules& rules,
                    std::vector<std::string>& errors) {
  HeaderRule rule;
  rule.line = line;
  for (const std::string& word : Words(left)) {
    if (word.size() < 3 || word.front() != '<' || word.back() != '>') {
      errors.push_back(Where(line) + "'" + word + "' is not a header written <name>");
      return;
    }
    rule.patterns.push_back(word.substr(1, word.size() - 2));
  }
  rule.onlyIn = Words(right);
  if (rule.onlyIn.empty()) {
    errors.push_back(Where(line) + "the headers are allowed in no folder");
    return;
  }
  rules.headers.push_back(rule);
}

void ReadFolderRule(const std::string& left, const std::string& right, int line, LayerRules& rules,
                    std::vector<std::string>& errors) {
  std::vector<std::string> names = Words(left);
  if (names.size() != 1 || !IsFolderName(names[0])) {
    errors.push_back(Where(line) + "expected one folder before ':', found '" + left + "'");
    return;
  }
  for (const FolderRule& earlier : rules.folders) {
    if (earlier.folder == names[0]) {
      errors.push_back(Where(line) + names[0] + " has a rule already on line " + std::to_string(earlier.line));
      return;
    }
  }
  FolderRule rule;
  rule.folder = names[0];
  rule.line = line;
  for (const std::string& word : Words(right)) {
    if (word == "*") {
      rule.anyFolder = true;
    } else if (IsFolderName(word)) {
      rule.mayInclude.push_back(word);
    } else {
      errors.push_back(Where(line) + "'" + word + "' is not a folder");
    }
  }
  rules.folders.push_back(rule);
}

}  // namespace

bool IsUnder(const std::string& path, const std::string& folder) {
  return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

const FolderRule* LayerRules::RuleFor(const std::string& path) const {
  const FolderRule* deepest = nullptr;
  for (const FolderRule& rule : folders) {
    if (IsUnder(path, rule.folder) && (deepest == nullptr || rule.folder.size() > deepest->folder.size())) {
      deepest = &rule;
    }
  }
  return deepest;
}

bool LayerRules::Places(const std::string& folder) const {
  for (const FolderRule& rule : folders) {
    if (IsUnder(rule.folder, folder)) return true;
  }
  return false;
}

bool HeaderMatches(const std::string& pattern, const std::string& header) {
  if (!pattern.empty() && pattern.back() == '*') {
    return std::string_view(header).starts_with(std::string_view(pattern).substr(0, pattern.size() - 1));
  }
  return header == pattern;
}

LayerRules ParseLayerRules(const std::string& text, std::vector<std::string>& errors) {
  LayerRules rules;
  std::istringstream in(text);
  std::string raw;
  int line = 0;
  while (std::getline(in, raw)) {
    ++line;
    std::string content = raw.substr(0, raw.find('#'));
    if (Words(content).empty()) continue;
    size_t colon = content.rfind(':');
    if (colon == std::string::npos) {
      errors.push_back(Where(line) + "no ':' in '" + content + "'");
      continue;
    }
    std::string left = content.substr(0, colon);
    std::string right = content.substr(colon + 1);
    if (content.find_first_not_of(" \t") == content.find('<')) {
      ReadHeaderRule(left, right, line, rules, errors);
    } else {
      ReadFolderRule(left, right, line, rules, errors);
    }
  }

  // Every folder named on the right must be placed itself, so that a misspelt
  // name cannot quietly allow nothing.
  for (const FolderRule& rule : rules.folders) {
    for (const std::string& name : rule.mayInclude) {
      if (!rules.Places(name)) {
        errors.push_back(Where(rule.line) + rule.folder + " may include " + name + ", which has no rule");
      }
    }
  }
  for (const HeaderRule& rule : rules.headers) {
    for (const std::string& name : rule.onlyIn) {
      if (!IsFolderName(name) || !rules.Places(name)) {
        errors.push_back(Where(rule.line) + "the headers are allowed in " + name + ", which has no rule");
      }
    }
  }
  return rules;
}
