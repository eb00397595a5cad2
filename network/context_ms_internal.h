// Helpers shared by the context model's source files: its log lines and the
// number texts in them.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/log_file.h"

namespace kestrune::context_ms_detail {

// One line of the model's trace, at level 0 while the log's trace switch is
// on.
inline void Trace(std::string_view text) { LogFile.Trace(text); }

// A Single in the shortest general decimal format ("0.5", "1", "1e-44").
inline std::string FloatText(float value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general);
  return std::string(buffer, result.ptr);
}

inline std::string IntText(int64_t value) { return std::to_string(value); }

}  // namespace kestrune::context_ms_detail
