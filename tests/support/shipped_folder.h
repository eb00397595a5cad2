// The folder of the dictionaries the build makes, for the tests that load
// them: KESTRUNE_DICTIONARIES (environment) when set, else the build's data
// folder, which the test target names in KESTRUNE_SHIPPED_DICTIONARIES.
#pragma once

#include <cstdlib>
#include <string>

namespace kestrune::test {

inline std::string ShippedFolder() {
  if (const char* env = std::getenv("KESTRUNE_DICTIONARIES"); env && *env) return env;
  return KESTRUNE_SHIPPED_DICTIONARIES;
}

}  // namespace kestrune::test
