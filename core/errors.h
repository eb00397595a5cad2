// The system's small exception classes, raised only by operations that are
// defined to raise: input/output errors of text readers that open files, and
// range errors of fixed-size value arrays. File operations that return result
// codes never let these escape.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kestrune {

// An input/output error; ErrorCode is the operating system's error number.
class EInOutError : public std::runtime_error {
 public:
  explicit EInOutError(const std::string& message, int32_t errorCode = 0)
      : std::runtime_error(message), ErrorCode(errorCode) {}
  int32_t ErrorCode;
};

// An index outside the bounds of a fixed-size array.
class ERangeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kestrune
