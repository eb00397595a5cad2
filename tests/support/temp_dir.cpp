#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/text.h"

namespace kestrune::test {

TempDir::TempDir() {
  std::string base = std::filesystem::temp_directory_path().string() + "/kestrune-test-XXXXXX";
  if (!::mkdtemp(base.data())) throw std::runtime_error("mkdtemp failed");
  path_ = base + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  // Give back write permission so read-only leftovers can be removed.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec)) {
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

std::u16string TempDir::WPath() const { return platform::Utf8ToUtf16(path_); }
std::u16string TempDir::WFile(const std::string& name) const { return platform::Utf8ToUtf16(path_ + name); }

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (old_) {
    ::setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace kestrune::test
