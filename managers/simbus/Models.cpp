#include "managers/simbus/Models.h"

namespace simbus {

const ModelSpec* FindModel(std::string_view name) {
  for (const auto& model : kModels)
    if (model.name == name) return &model;
  return nullptr;
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
