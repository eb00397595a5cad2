// The arithmetic of the skinned track bar and progress bar, without widgets.
//
// A track bar of `width` pixels has an inner margin of `offsetX` on either
// side; its thumb, `thumbWidth` wide, travels over the free track
//   width - 2 * offsetX - thumbWidth
// pixels, from Min at offset 0 to Max at the free track's end. A track bar
// whose range is empty (Max <= Min) or whose free track is not above 0 has
// nowhere to move: its thumb sits at offset 0 and every drag gives Min.
//
// A progress bar fills MulDiv(width, position, maximum) pixels (rounded to
// the nearest, halves away from zero), never less than 0 nor more than the
// bar; a maximum of 0 fills nothing.
//
// Values are computed in extended precision and rounded half to even, as the
// track bar's own rule is written.
#pragma once

#include <cmath>
#include <cstdint>

namespace kestrune::skin {

// The thumb's horizontal offset inside the track at `position`.
inline int32_t TrackThumbOffset(int32_t width, int32_t offsetX, int32_t thumbWidth, int32_t min, int32_t max,
                                int32_t position) {
  const int64_t free = int64_t{width} - 2 * int64_t{offsetX} - thumbWidth;
  if (max <= min || free <= 0) return 0;
  const long double range = static_cast<long double>(int64_t{max} - min);
  const long double offset =
      (static_cast<long double>(free) / 100.0L) / (range / 100.0L) * static_cast<long double>(int64_t{position} - min);
  return static_cast<int32_t>(std::nearbyint(offset));
}

// The position a press or a drag with the left button held at `x` (the track
// bar's own co-ordinate) gives: Min at or left of the first thumb centre,
// Max at or right of the last, in between in proportion to the thumb offset.
inline int32_t TrackDragPosition(int32_t x, int32_t width, int32_t offsetX, int32_t thumbWidth, int32_t min,
                                 int32_t max) {
  const int64_t free = int64_t{width} - 2 * int64_t{offsetX} - thumbWidth;
  if (max <= min || free <= 0) return min;
  const int64_t half = thumbWidth / 2;
  const int64_t first = int64_t{offsetX} + half;
  const int64_t last = int64_t{width} - offsetX - half;
  if (x <= first) return min;
  if (x >= last) return max;
  const int64_t thumbOffset = x - first;
  const long double step = static_cast<long double>(int64_t{max} - min) / static_cast<long double>(free);
  const int64_t position = min + static_cast<int64_t>(std::nearbyint(step * static_cast<long double>(thumbOffset)));
  return static_cast<int32_t>(position < min ? min : position > max ? max : position);
}

// The width of a progress bar's fill.
inline int32_t ProgressFillWidth(int32_t width, int32_t position, int32_t maximum) {
  if (width <= 0 || maximum == 0) return 0;
  const int64_t product = int64_t{width} * position;
  // MulDiv: to the nearest, halves away from zero.
  int64_t quotient = product / maximum;
  const int64_t remainder = product % maximum;
  const int64_t doubled = 2 * (remainder < 0 ? -remainder : remainder);
  const int64_t divisor = maximum < 0 ? -int64_t{maximum} : int64_t{maximum};
  if (doubled >= divisor) quotient += (product < 0) != (maximum < 0) ? -1 : 1;
  return static_cast<int32_t>(quotient < 0 ? 0 : quotient > width ? width : quotient);
}

}  // namespace kestrune::skin
