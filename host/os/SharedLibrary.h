// SPDX-License-Identifier: GPL-3.0-or-later
// SharedLibrary: a shared library opened at run time, closed when the object
// ends. What the program uses to reach its SCSI manager.
#pragma once

#include <memory>
#include <string>
#include <utility>

namespace host {

class SharedLibrary {
 public:
  // Opens the library at path with every symbol resolved now. Nothing when it
  // cannot be opened; error (when given) then receives the loader's reason.
  static std::unique_ptr<SharedLibrary> Open(const std::string& path, std::string* error = nullptr);

  // Only Open makes one: the key cannot be built elsewhere.
  class Key {
    friend class SharedLibrary;
    Key() = default;
  };
  SharedLibrary(Key, void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The address of an exported symbol, or nullptr when the library lacks it.
  void* Symbol(const char* name) const;
  const std::string& Path() const { return path_; }

 private:
  void* handle_;
  std::string path_;
};

}  // namespace host
