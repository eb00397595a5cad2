// Shared libraries loaded at run time: a plug-in is loaded by its full path,
// its exported functions are looked up by name, and it is unloaded when its
// owner goes.
//
// DynamicLibrary owns one handle (dlopen with RTLD_NOW | RTLD_LOCAL: every
// symbol the library needs is bound at load, and its own symbols stay out of
// the global namespace). It is move-only; destroying or moving over it
// unloads the library it holds. Nothing here throws: failures are results,
// and Error() keeps the loader's text of the last failure.
//
// Paths are UTF-16, resolved as platform/files.h resolves names (a component
// that exists only under another letter case is found). A name without any
// "/" is refused, so a load never falls back to the system's library search.
// The current folder is never read or changed except through a relative path
// the caller passes. A handle may be used by any thread; Load, Unload and the
// object itself belong to one thread at a time.
#pragma once

#include <string>
#include <string_view>

namespace kestrune::platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Unloads what the object holds, then loads the library. False (nothing
  // held, Error() set) when the name has no "/" or the library cannot be
  // loaded.
  bool Load(std::u16string_view path);
  // Drops this object's reference to the library; the system unmaps it when
  // no other reference is left. Does nothing when nothing is held.
  void Unload();
  bool Loaded() const { return handle_ != nullptr; }

  // The address of an exported symbol; null when it is missing or nothing is
  // loaded.
  void* Symbol(const char* name) const;
  // The symbol as a function pointer of the caller's type (a C function with
  // the signature the library's author declared).
  template <typename Function>
  Function Lookup(const char* name) const {
    return reinterpret_cast<Function>(Symbol(name));
  }

  const std::string& Error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// True when the library at the path is mapped into the process now (by any
// owner). Never loads it.
bool LibraryLoaded(std::u16string_view path);

}  // namespace kestrune::platform
