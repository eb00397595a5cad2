// Golden images typed byte by byte from the format tables: hex pairs,
// separated by blanks where the fields part. Tests read them with the reader
// and compare them with what the writer makes, so that a layout error of
// either side fails.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "core/stream.h"

namespace kestrune::test {

// The bytes of "44 52 4D 50 ..."; anything but hex digits parts pairs.
inline std::string HexBytes(std::string_view hex) {
  std::string bytes;
  int pending = -1;
  for (char c : hex) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) {
      EXPECT_EQ(pending, -1) << "an odd hex digit before '" << c << "'";
      pending = -1;
      continue;
    }
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
    if (pending < 0) {
      pending = digit;
    } else {
      bytes.push_back(static_cast<char>(pending * 16 + digit));
      pending = -1;
    }
  }
  EXPECT_EQ(pending, -1) << "an odd hex digit at the end";
  return bytes;
}

inline std::string StreamBytes(const TMemoryStream& stream) {
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

// The first differing offset, for a readable failure.
inline size_t FirstDifference(const std::string& a, const std::string& b) {
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return i;
}

}  // namespace kestrune::test
