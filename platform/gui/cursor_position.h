// The mouse position in screen co-ordinates.
//
// A test stands in for the mouse with a hook: while one is set,
// GetCursorPosition answers from it, so controls that poll the cursor (the
// skinned buttons' hover timer, the map view) see the position the test gives.
#pragma once

#include <cstdint>
#include <functional>

namespace kestrune::platform {

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;

  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Fills point with the mouse position in screen co-ordinates and returns the
// platform call's success flag; nothing else happens. Needs the application
// object of the user interface (unless a hook answers).
bool GetCursorPosition(TPoint& point);

// Fills the point and returns success, as GetCursorPosition does.
using TCursorPositionHook = std::function<bool(TPoint& point)>;
// Installs the hook (an empty one removes it); returns the one it replaces.
// User-interface thread only.
TCursorPositionHook SetCursorPositionHook(TCursorPositionHook hook);

}  // namespace kestrune::platform
