// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/os/SharedLibrary.h"

#include <dlfcn.h>

namespace host {

std::unique_ptr<SharedLibrary> SharedLibrary::Open(const std::string& path, std::string* error) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    if (error != nullptr) {
      const char* reason = ::dlerror();
      *error = reason != nullptr ? reason : "cannot open " + path;
    }
    return nullptr;
  }
  return std::make_unique<SharedLibrary>(Key{}, handle, path);
}

SharedLibrary::~SharedLibrary() { ::dlclose(handle_); }

void* SharedLibrary::Symbol(const char* name) const {
  ::dlerror();
  return ::dlsym(handle_, name);
}

}  // namespace host
