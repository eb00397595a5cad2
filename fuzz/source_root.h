// The source tree, for the fuzz targets and seed writers that read the files
// we ship (templates, the colour file, the language file). The build names it
// (KESTRUNE_SOURCE_DIR): a path taken from __FILE__ is relative to the build
// folder when the compiler cache rewrites paths, and then points elsewhere
// from the folder a test runs in.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace kestrune::fuzz {

inline std::string SourceRoot() { return KESTRUNE_SOURCE_DIR; }

// The bytes of a file of the source tree (`relative` to its root); a file
// that cannot be read or is empty ends the program: a seed or a target's
// world without it would test nothing.
inline std::string ReadSourceFile(const std::string& relative) {
  const std::string path = SourceRoot() + "/" + relative;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (!in || bytes.str().empty()) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    std::abort();
  }
  return bytes.str();
}

}  // namespace kestrune::fuzz
