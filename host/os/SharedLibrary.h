// SharedLibrary: a shared library opened at run time, closed when the object
// ends. What the program uses to reach its SCSI manager.
#pragma once

#include <memory>
#include <string>

namespace host {

class SharedLibrary {
 public:
  // Opens the library at path with every symbol resolved now. Nothing when it
  // cannot be opened; error (when given) then receives the loader's reason.
  static std::unique_ptr<SharedLibrary> Open(const std::string& path, std::string* error = nullptr);

  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The address of an exported symbol, or nullptr when the library lacks it.
  void* Symbol(const char* name) const;
  const std::string& Path() const { return path_; }

 private:
  SharedLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}

  void* handle_;
  std::string path_;
};

}  // namespace host
