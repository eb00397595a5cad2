// Test helpers: a private temporary folder per test (ctest runs tests in
// parallel, and no test writes beside its binary), and scoped environment
// variables.
#pragma once

#include <optional>
#include <string>

namespace kestrune::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, with a trailing "/".
  const std::string& Path() const { return path_; }
  std::u16string WPath() const;
  // Path() + name, UTF-8 and UTF-16.
  std::string File(const std::string& name) const { return path_ + name; }
  std::u16string WFile(const std::string& name) const;

 private:
  std::string path_;
};

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Whole-file helpers for tests.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace kestrune::test
