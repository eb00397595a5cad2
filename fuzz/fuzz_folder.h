// TFuzzFolder: one temporary folder per fuzzing process ("<temp>/<prefix>-XXXXXX/"),
// made at the first input and removed with everything in it when the process ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace kestrune::fuzz {

struct TFuzzFolder {
  explicit TFuzzFolder(const std::string& prefix) {
    path = std::filesystem::temp_directory_path().string() + "/" + prefix + "-XXXXXX";
    if (!::mkdtemp(path.data())) std::abort();
    path += "/";
  }
  ~TFuzzFolder() {
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }
  TFuzzFolder(const TFuzzFolder&) = delete;
  TFuzzFolder& operator=(const TFuzzFolder&) = delete;

  std::string path;  // ends in "/"
};

}  // namespace kestrune::fuzz
