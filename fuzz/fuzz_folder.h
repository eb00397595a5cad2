// Folders of a fuzzing process's own.
//
// ProcessFolderName: "<base>/<prefix>-<the process id in ten digits>". Its
// length and kind of characters are the same in every run: mkdtemp's letters
// (in either case) or a process id of four digits one time and five the next
// would now and then lead the code that handles the path another way, and a
// fuzz run of the tests must try the same inputs every time.
// MakeProcessFolder makes that folder empty (one left by an earlier process
// of the same id goes) and returns it with a trailing "/".
// TFuzzFolder: such a folder in the temporary folder, made at the first input
// and removed with everything in it when the process ends.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace kestrune::fuzz {

inline std::string ProcessFolderName(const std::string& base, const std::string& prefix) {
  char id[24];
  std::snprintf(id, sizeof id, "%010ld", static_cast<long>(::getpid()));
  return base + "/" + prefix + "-" + id;
}

inline std::string MakeProcessFolder(const std::string& base, const std::string& prefix) {
  const std::string path = ProcessFolderName(base, prefix);
  std::error_code error;
  std::filesystem::remove_all(path, error);
  if (!std::filesystem::create_directories(path, error)) std::abort();
  return path + "/";
}

struct TFuzzFolder {
  explicit TFuzzFolder(const std::string& prefix)
      : path(MakeProcessFolder(std::filesystem::temp_directory_path().string(), prefix)) {}
  ~TFuzzFolder() {
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }
  TFuzzFolder(const TFuzzFolder&) = delete;
  TFuzzFolder& operator=(const TFuzzFolder&) = delete;

  std::string path;  // ends in "/"
};

}  // namespace kestrune::fuzz
