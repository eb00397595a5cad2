// The mouse position in screen co-ordinates.
#pragma once

#include <cstdint>

namespace kestrune::platform {

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;

  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Fills point with the mouse position in screen co-ordinates and returns the
// platform call's success flag; nothing else happens. Needs the application
// object of the user interface.
bool GetCursorPosition(TPoint& point);

}  // namespace kestrune::platform
