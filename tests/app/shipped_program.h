// The dictionaries the build makes, in a test's program folder: the session
// loads them as the program loads its own. The folder is the build's
// (tests/support/shipped_folder.h); tests that need the dictionaries are
// skipped where it lacks them.
#pragma once

#include <filesystem>
#include <string>

#include "tests/app/program_folder.h"
#include "tests/support/shipped_folder.h"

namespace kestrune::test {

inline bool ShippedPresent() {
  const std::string folder = ShippedFolder();
  return std::filesystem::exists(folder + "/english.dws") && std::filesystem::exists(folder + "/russian.dws");
}

// Every dictionary, lexicon and stop-word list of the shipped folder into the
// program folder's dictionaries.
inline void CopyShippedDictionaries(TestProgram& p) {
  for (const auto& entry : std::filesystem::directory_iterator(ShippedFolder())) {
    const std::string name = entry.path().filename().string();
    const std::string extension = entry.path().extension().string();
    if (extension == ".dws" || extension == ".drmp" || (name.rfind("stop_", 0) == 0 && extension == ".txt")) {
      std::filesystem::copy_file(entry.path(), p.Program() + "dictionaries/" + name);
    }
  }
}

}  // namespace kestrune::test
