#pragma once

#include <dlfcn.h>

namespace nvx::platform {

// A shared library opened when it is first needed rather than at start-up: a
// library that pulls in a dozen others (codecs) costs every process that
// links it several milliseconds before main, used or not.
class SharedLibrary {
 public:
  explicit SharedLibrary(const char* soname) : handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;
  // Left open: its functions may be in use until the process ends.
  ~SharedLibrary() = default;

  bool Loaded() const { return handle_ != nullptr; }

  // The function `name`, of type `Function`; nullptr when missing.
  template <class Function>
  Function* Find(const char* name) const {
    return handle_ ? reinterpret_cast<Function*>(::dlsym(handle_, name)) : nullptr;
  }

 private:
  void* handle_;
};

}  // namespace nvx::platform

// For a struct of a library's functions, each listed as X(name) in a list
// macro: a member pointer per function, found in the member `library` (the
// declaration gives only its type: the program does not link the library)...
#define NVX_LIBRARY_FUNCTION(name) decltype(&::name) name = library.Find<decltype(::name)>(#name);
// ... and the test that every one was found: `library.Loaded() LIST(NVX_LIBRARY_FOUND)`.
#define NVX_LIBRARY_FOUND(name) &&name != nullptr
