// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/Models.h"

namespace simbus {

const ModelSpec* FindModel(std::string_view name) {
  for (const auto& model : kModels)
    if (model.name == name) return &model;
  return nullptr;
}

const char* FirmwareModeName(FirmwareMode mode) {
  switch (mode) {
    case FirmwareMode::Boot: return "boot";
    case FirmwareMode::Loader: return "loader";
    case FirmwareMode::Normal: break;
  }
  return "normal";
}

std::optional<FirmwareMode> FirmwareModeNamed(std::string_view name) {
  for (FirmwareMode mode : {FirmwareMode::Normal, FirmwareMode::Boot, FirmwareMode::Loader})
    if (name == FirmwareModeName(mode)) return mode;
  return std::nullopt;
}

std::string ModelNames() {
  std::string names;
  for (const auto& model : kModels) {
    if (!names.empty()) names += ", ";
    names += model.name;
  }
  return names;
}

}  // namespace simbus
