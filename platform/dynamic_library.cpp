#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include <utility>

#include "platform/files.h"
#include "platform/text.h"

namespace kestrune::platform {

namespace {

std::string LastLoaderError(const char* fallback) {
  const char* text = ::dlerror();
  return text ? std::string(text) : std::string(fallback);
}

// The path to hand to dlopen, or empty when the name has no "/" (dlopen would
// then search the system's library folders).
std::string LibraryPath(std::u16string_view path) {
  if (path.find(u'/') == std::u16string_view::npos) return {};
  return ResolvePath(path);
}

}  // namespace

DynamicLibrary::~DynamicLibrary() { Unload(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    Unload();
    handle_ = std::exchange(other.handle_, nullptr);
    error_ = std::move(other.error_);
  }
  return *this;
}

bool DynamicLibrary::Load(std::u16string_view path) {
  Unload();
  error_.clear();
  const std::string name = LibraryPath(path);
  if (name.empty()) {
    error_ = "not a path to a library: " + Utf16ToUtf8(path);
    return false;
  }
  ::dlerror();
  handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    error_ = LastLoaderError("cannot load the library");
    return false;
  }
  return true;
}

void DynamicLibrary::Unload() {
  if (!handle_) return;
  ::dlerror();
  if (::dlclose(std::exchange(handle_, nullptr)) != 0) error_ = LastLoaderError("cannot unload the library");
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (!handle_ || !name) return nullptr;
  return ::dlsym(handle_, name);
}

bool LibraryLoaded(std::u16string_view path) {
  const std::string name = LibraryPath(path);
  if (name.empty()) return false;
  void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (!handle) return false;
  ::dlclose(handle);
  return true;
}

}  // namespace kestrune::platform
