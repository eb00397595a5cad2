// Test helper: the whole content of a gzip file as zlib's own reader gives it.
#pragma once

#include <zlib.h>

#include <string>

namespace kestrune::test {

// "(cannot open)" or "(broken)" when the file cannot be read to its end.
inline std::string Gunzip(const std::string& path) {
  gzFile file = gzopen(path.c_str(), "rb");
  if (!file) return "(cannot open)";
  std::string text;
  char buffer[4096];
  int got;
  while ((got = gzread(file, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(got));
  gzclose(file);
  return got < 0 ? "(broken)" : text;
}

}  // namespace kestrune::test
