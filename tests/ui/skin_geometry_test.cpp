// The skinned track bar's and progress bar's arithmetic (no Qt: it runs in
// the sanitizer builds too).
#include "ui/skin_geometry.h"

#include <gtest/gtest.h>

#include <climits>

namespace kestrune::skin {
namespace {

TEST(SkinGeometry, TrackThumbDragAndProgressFill) {
  enum Kind { kThumb, kDrag, kFill };
  struct TCase {
    const char* what;
    Kind kind;
    int32_t width, offsetX, thumb, min, max;
    int32_t value;  // the position (thumb), x (drag) or position (fill, with max as the maximum)
    int32_t expected;
  };
  // clang-format off
  const TCase cases[] = {
      // The thumb's offset: free track 200 - 2 * 10 - 20 = 160.
      {"position 50 of 0..100", kThumb, 200, 10, 20, 0, 100, 50, 80},
      {"position at Min", kThumb, 200, 10, 20, 0, 100, 0, 0},
      {"position at Max", kThumb, 200, 10, 20, 0, 100, 100, 160},
      {"range not from 0", kThumb, 200, 10, 20, 10, 20, 15, 80},
      {"2.5 rounds to even", kThumb, 50, 10, 20, 0, 4, 1, 2},
      {"7.5 rounds to even", kThumb, 50, 10, 20, 0, 4, 3, 8},
      {"Max = Min", kThumb, 200, 10, 20, 50, 50, 50, 0},
      {"Max below Min", kThumb, 200, 10, 20, 100, 0, 50, 0},
      {"free track 0", kThumb, 40, 10, 20, 0, 100, 100, 0},
      {"free track below 0", kThumb, 30, 10, 20, 0, 100, 100, 0},
      // Drags: the thumb's centre travels from 20 to 180.
      {"left of the track", kDrag, 200, 10, 20, 0, 100, -40, 0},
      {"first thumb centre", kDrag, 200, 10, 20, 0, 100, 20, 0},
      {"one past the first centre", kDrag, 200, 10, 20, 0, 100, 21, 1},
      {"middle", kDrag, 200, 10, 20, 0, 100, 100, 50},
      {"one before the last centre", kDrag, 200, 10, 20, 0, 100, 179, 99},
      {"last thumb centre", kDrag, 200, 10, 20, 0, 100, 180, 100},
      {"right of the track", kDrag, 200, 10, 20, 0, 100, 5000, 100},
      {"range around 0", kDrag, 200, 10, 20, -50, 50, 100, 0},
      {"drag with Max = Min", kDrag, 200, 10, 20, 7, 7, 150, 7},
      {"drag on a too narrow track", kDrag, 40, 10, 20, 0, 100, 39, 0},
      {"drag far right, narrow track", kDrag, 30, 10, 20, 0, 100, 1000, 0},
      {"extreme x", kDrag, 200, 10, 20, 0, 100, INT_MIN, 0},
      // Fills: MulDiv(width, position, maximum) within the bar.
      {"30 of 100 on 200", kFill, 200, 0, 0, 0, 100, 30, 60},
      {"maximum 0", kFill, 200, 0, 0, 0, 0, 30, 0},
      {"beyond the maximum", kFill, 200, 0, 0, 0, 100, 150, 200},
      {"below 0", kFill, 200, 0, 0, 0, 100, -5, 0},
      {"1.5 rounds up", kFill, 3, 0, 0, 0, 2, 1, 2},
      {"2.5 rounds up", kFill, 5, 0, 0, 0, 2, 1, 3},
      {"negative maximum", kFill, 200, 0, 0, 0, -100, 30, 0},
      {"no width", kFill, 0, 0, 0, 0, 100, 50, 0},
      {"large values", kFill, INT_MAX, 0, 0, 0, INT_MAX, INT_MAX, INT_MAX},
  };
  // clang-format on
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    switch (c.kind) {
      case kThumb: EXPECT_EQ(TrackThumbOffset(c.width, c.offsetX, c.thumb, c.min, c.max, c.value), c.expected); break;
      case kDrag: EXPECT_EQ(TrackDragPosition(c.value, c.width, c.offsetX, c.thumb, c.min, c.max), c.expected); break;
      case kFill: EXPECT_EQ(ProgressFillWidth(c.width, c.value, c.max), c.expected); break;
    }
  }
}

}  // namespace
}  // namespace kestrune::skin
