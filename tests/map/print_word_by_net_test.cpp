#include "map/print_word_by_net.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace kestrune {
namespace {

TKey Label(int32_t width, int32_t height, uint32_t flags = 0) {
  TKey key;
  key.TextWidth = width;
  key.TextHeight = height;
  key.Flags = flags;
  return key;
}

// The ring search written out plainly: every ring is scanned again for every
// radius, every candidate within the radius is tried.
struct Found {
  bool ok = false;
  int32_t column = 0;
  int32_t row = 0;
};

Found ReferenceSearch(const TPrintWordByNet& grid, int32_t wCells, int32_t hCells, int32_t column0,
                      int32_t row0) {
  if (grid.TryPlace(wCells, hCells, column0, row0)) return {true, column0, row0};
  const int32_t columns = grid.Columns();
  const int32_t rows = grid.Rows();
  for (int32_t r = 1; r <= wCells + 1; ++r) {
    for (int32_t i = 1; i <= r; ++i) {
      Found sides[4];
      int32_t dist[4] = {0, 0, 0, 0};
      const auto scan = [&](int side, int32_t span, auto candidate) {
        for (int32_t d = 0; d <= span && !sides[side].ok; ++d) {
          for (int sign : {1, -1}) {
            if (sides[side].ok) break;
            if (std::sqrt(double(d) * d + double(i) * i) > r) continue;
            auto [c, w] = candidate(d * sign);
            if (grid.TryPlace(wCells, hCells, c, w)) {
              sides[side] = {true, c, w};
              dist[side] = d * d + i * i;
            }
          }
        }
      };
      const int32_t hSpan = (std::min(column0 + i, columns - 1) - std::max(column0 - i, 0)) / 2;
      const int32_t vSpan = (std::min(row0 + i, rows - 1) - std::max(row0 - i, 0)) / 2;
      scan(0, hSpan, [&](int32_t d) { return std::pair{column0 + d, row0 - i}; });
      scan(1, vSpan, [&](int32_t d) { return std::pair{column0 + i, row0 + d}; });
      scan(2, hSpan, [&](int32_t d) { return std::pair{column0 + d, row0 + i}; });
      scan(3, vSpan, [&](int32_t d) { return std::pair{column0 - i, row0 + d}; });
      int best = -1;
      for (int s = 0; s < 4; ++s) {
        if (sides[s].ok && (best < 0 || dist[s] < dist[best])) best = s;
      }
      if (best >= 0) return sides[best];
    }
  }
  return {};
}

bool Overlap(const TKey& a, const TKey& b) {
  const auto rect = [](const TKey& k) {
    const int32_t c = static_cast<int32_t>(k.Left) / 4;
    const int32_t r = static_cast<int32_t>(k.Top) / 4;
    return std::array<int32_t, 4>{c, r, c + TPrintWordByNet::WidthCells(k.TextWidth),
                                  r + TPrintWordByNet::HeightCells(k.TextHeight)};
  };
  const auto ra = rect(a);
  const auto rb = rect(b);
  return ra[0] <= rb[2] && rb[0] <= ra[2] && ra[1] <= rb[3] && rb[1] <= ra[3];
}

TEST(PrintWordByNet, GridAndLabelCellMaths) {
  struct GridCase {
    int32_t width, height, columns, rows;
  } grids[] = {{400, 300, 100, 75}, {401, 300, 101, 75}, {1, 1, 1, 1}, {403, 299, 101, 75},
               {0, 300, 0, 0},      {400, 0, 0, 0},      {-8, 8, 0, 0}};
  for (const GridCase& g : grids) {
    TPrintWordByNet p(g.width, g.height);
    EXPECT_EQ(p.Columns(), g.columns) << g.width << "x" << g.height;
    EXPECT_EQ(p.Rows(), g.rows) << g.width << "x" << g.height;
  }
  struct LabelCase {
    int32_t width, height, wCells, hCells;
  } labels[] = {{37, 14, 13, 4}, {0, 0, 4, 1}, {3, 3, 4, 1}, {4, 4, 5, 2}, {7, 7, 5, 2}, {8, 8, 6, 3}};
  for (const LabelCase& l : labels) {
    EXPECT_EQ(TPrintWordByNet::WidthCells(l.width), l.wCells) << l.width;
    EXPECT_EQ(TPrintWordByNet::HeightCells(l.height), l.hCells) << l.height;
  }
}

TEST(PrintWordByNet, RectanglesIncludeBothEndsAndMarkingIsClipped) {
  TPrintWordByNet p(400, 300);
  p.MarkRect(10, 20, 4, 13);  // a 37 x 14 label: 14 x 5 cells
  int32_t marked = 0;
  for (int32_t c = 0; c < p.Columns(); ++c) {
    for (int32_t r = 0; r < p.Rows(); ++r) {
      marked += p.Occupied(c, r);
    }
  }
  EXPECT_EQ(marked, 14 * 5);
  EXPECT_TRUE(p.Occupied(23, 24));
  EXPECT_FALSE(p.Occupied(24, 24));
  EXPECT_FALSE(p.Occupied(23, 25));
  EXPECT_TRUE(p.IsFree(10, 25, 0, 0));
  EXPECT_FALSE(p.IsFree(0, 20, 0, 10));  // reaches column 10 of the label
  EXPECT_TRUE(p.IsFree(0, 20, 0, 9));
  EXPECT_FALSE(p.IsFree(10, 15, 5, 0));  // reaches row 20
  EXPECT_TRUE(p.IsFree(10, 15, 4, 0));

  // The last column and row: a rectangle must end inside the grid.
  EXPECT_TRUE(p.IsFree(86, 70, 4, 13));
  EXPECT_FALSE(p.IsFree(87, 70, 4, 13));
  EXPECT_FALSE(p.IsFree(86, 71, 4, 13));
  EXPECT_FALSE(p.IsFree(-1, 0, 0, 0));
  EXPECT_FALSE(p.TryPlace(13, 4, 87, 0));
  EXPECT_FALSE(p.TryPlace(13, 4, 0, -1));

  // Marking beyond the edges stops at the grid.
  p.ClearGrid();
  p.MarkRect(95, 72, 4, 13);
  EXPECT_TRUE(p.Occupied(99, 74));
  p.MarkRect(200, 200, 4, 13);

  // Snapshot and Restore bring the grid back.
  p.ClearGrid();
  p.MarkRect(0, 0, 1, 1);
  p.Snapshot();
  p.MarkRect(50, 50, 1, 1);
  p.Restore();
  EXPECT_TRUE(p.Occupied(0, 0));
  EXPECT_FALSE(p.Occupied(50, 50));
}

TEST(PrintWordByNet, FirstLabelLandsOnItsWantedCellRoundedHalfToEven) {
  struct Case {
    float px, py, left, top;
  } cases[] = {{200, 100, 200, 100}, {10, 14, 8, 16}, {181.5f, 150, 180, 152}, {2, 6, 0, 8}};
  for (const Case& c : cases) {
    TPrintWordByNet p(400, 300);
    float px = c.px, py = c.py;
    ASSERT_TRUE(p.PlaceWord(px, py, Label(37, 14)));
    EXPECT_EQ(px, c.left) << c.px;
    EXPECT_EQ(py, c.top) << c.py;
  }
}

TEST(PrintWordByNet, SameWantedPlaceGoesToTheNearestRingTopSideFirst) {
  TPrintWordByNet p(400, 300);
  const TKey label = Label(37, 14);  // 14 x 5 cells
  float x1 = 200, y1 = 100, x2 = 200, y2 = 100, x3 = 200, y3 = 100;
  ASSERT_TRUE(p.PlaceWord(x1, y1, label));
  ASSERT_TRUE(p.PlaceWord(x2, y2, label));
  ASSERT_TRUE(p.PlaceWord(x3, y3, label));
  // Rows 25..29 are taken: above and below are equally near (five rows); the
  // top side wins, then the bottom. Left and right would need 14 columns.
  EXPECT_EQ(x1, 200);
  EXPECT_EQ(y1, 100);
  EXPECT_EQ(x2, 200);
  EXPECT_EQ(y2, 80);
  EXPECT_EQ(x3, 200);
  EXPECT_EQ(y3, 120);
}

TEST(PrintWordByNet, RingScanMatchesThePlainSearchOnRandomGrids) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    TPrintWordByNet p(160 + 4 * (round % 7), 120 + 4 * (round % 5));
    const int blocks = static_cast<int>(random() % 40);
    for (int b = 0; b < blocks; ++b) {
      p.MarkRect(static_cast<int32_t>(random() % p.Columns()), static_cast<int32_t>(random() % p.Rows()),
                 static_cast<int32_t>(random() % 4), static_cast<int32_t>(random() % 12));
    }
    const TKey label = Label(static_cast<int32_t>(random() % 60), static_cast<int32_t>(random() % 20));
    const float px = static_cast<float>(static_cast<int>(random() % 200) - 20);
    const float py = static_cast<float>(static_cast<int>(random() % 150) - 15);
    const Found expected =
        ReferenceSearch(p, TPrintWordByNet::WidthCells(label.TextWidth),
                        TPrintWordByNet::HeightCells(label.TextHeight),
                        static_cast<int32_t>(std::nearbyint(px / 4)), static_cast<int32_t>(std::nearbyint(py / 4)));
    float x = px, y = py;
    const bool ok = p.PlaceWord(x, y, label);
    ASSERT_EQ(ok, expected.ok) << "round " << round;
    if (ok) {
      EXPECT_EQ(x, 4.0f * expected.column) << "round " << round;
      EXPECT_EQ(y, 4.0f * expected.row) << "round " << round;
    } else {
      EXPECT_EQ(x, px);
      EXPECT_EQ(y, py);
    }
  }
}

TEST(PrintWordByNet, PlaceWordFailsWithoutGridOrPlace) {
  struct Case {
    const char* what;
    int32_t width, height;
    TKey label;
    float px, py;
  } cases[] = {
      {"no grid", 0, 300, Label(10, 10), 10, 10},
      {"wider than the grid", 100, 100, Label(100, 10), 0, 0},
      {"taller than the grid", 100, 100, Label(10, 100), 0, 0},
      {"not a number", 400, 300, Label(10, 10), std::numeric_limits<float>::quiet_NaN(), 0},
      {"infinite", 400, 300, Label(10, 10), 0, std::numeric_limits<float>::infinity()},
      {"far away", 400, 300, Label(10, 10), 3e9f, 0},
      {"far before", 400, 300, Label(10, 10), -1e30f, -1e30f},
  };
  for (Case& c : cases) {
    TPrintWordByNet p(c.width, c.height);
    float x = c.px, y = c.py;
    EXPECT_FALSE(p.PlaceWord(x, y, c.label)) << c.what;
  }
  // A full grid.
  TPrintWordByNet full(400, 300);
  full.MarkRect(0, 0, full.Rows(), full.Columns());
  float x = 100, y = 100;
  EXPECT_FALSE(full.PlaceWord(x, y, Label(10, 10)));
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 100);
}

TEST(PrintWordByNet, PlaceAllTurnsRelativePositionsIntoPixels) {
  TPrintWordByNet p(400, 300);
  TKeys keys(3, Label(37, 14));
  keys[0].X = 0.5f, keys[0].Y = 0.5f;
  keys[1].X = 1.0f, keys[1].Y = 1.0f;  // clamped to the right and bottom
  keys[2].X = 0.0f, keys[2].Y = 0.0f;  // clamped to 0
  p.PlaceAll(keys, -1, 0, 0);
  EXPECT_EQ(p.KeyCount(), 3);
  // Layout units: 100 across the larger side, 75 down.
  EXPECT_FLOAT_EQ(keys[0].HoverX, 50.0f);
  EXPECT_FLOAT_EQ(keys[0].HoverY, 37.5f);
  EXPECT_FLOAT_EQ(keys[1].HoverY, 75.0f);
  // Left = 400 x 50 / 100 - 18.5 = 181.5 -> cell 45; Top = 150 -> cell 38 (37.5 to even).
  EXPECT_EQ(keys[0].Left, 180);
  EXPECT_EQ(keys[0].Top, 152);
  // Left 343 and Top 286 after the clamps: the wanted row 72 would end beyond
  // the last row, so the label goes two rows up.
  EXPECT_EQ(keys[1].Left, 344);
  EXPECT_EQ(keys[1].Top, 280);
  EXPECT_EQ(keys[2].Left, 0);
  EXPECT_EQ(keys[2].Top, 0);
  for (const TKey& key : keys) EXPECT_FALSE(key.Flags & KF_HIDDEN);
}

TEST(PrintWordByNet, PlaceAllSkipsExcludedAndHiddenAndHidesWhatFindsNoPlace) {
  TPrintWordByNet p(120, 32);  // 30 x 8 cells
  TKeys keys(4, Label(60, 14));
  for (TKey& key : keys) key.X = key.Y = 0.5f;
  keys[1].Flags = KF_EXCLUDED;
  keys[2].Flags = KF_HIDDEN;
  keys[1].Left = keys[1].Top = 0;  // an excluded key is converted, never placed
  p.PlaceAll(keys, -1, 0, 0);
  EXPECT_FALSE(keys[0].Flags & KF_HIDDEN);
  EXPECT_EQ(keys[1].Flags, KF_EXCLUDED);
  EXPECT_EQ(keys[2].Flags, KF_HIDDEN);
  // Two labels of 20 x 5 cells fit neither side by side nor one above the other.
  EXPECT_TRUE(keys[3].Flags & KF_HIDDEN);
}

TEST(PrintWordByNet, CrowdedGridHidesLabelsButNeverOverlaps) {
  std::mt19937 random(11);
  TPrintWordByNet p(300, 200);
  TKeys keys(61);
  for (TKey& key : keys) {
    key = Label(40 + static_cast<int32_t>(random() % 80), 12 + static_cast<int32_t>(random() % 10));
    key.X = static_cast<float>(random() % 1000) / 1000.0f;
    key.Y = static_cast<float>(random() % 1000) / 1000.0f;
  }
  p.PlaceAll(keys, -1, 0, 0);
  int visible = 0;
  for (size_t a = 0; a < keys.size(); ++a) {
    if (keys[a].Flags & KF_HIDDEN) continue;
    ++visible;
    const int32_t column = static_cast<int32_t>(keys[a].Left) / 4;
    const int32_t row = static_cast<int32_t>(keys[a].Top) / 4;
    EXPECT_LT(column + TPrintWordByNet::WidthCells(keys[a].TextWidth), p.Columns());
    EXPECT_LT(row + TPrintWordByNet::HeightCells(keys[a].TextHeight), p.Rows());
    for (size_t b = a + 1; b < keys.size(); ++b) {
      if (!(keys[b].Flags & KF_HIDDEN)) {
        EXPECT_FALSE(Overlap(keys[a], keys[b])) << a << " " << b;
      }
    }
  }
  EXPECT_GT(visible, 5);
  EXPECT_LT(visible, 61);
}

TEST(PrintWordByNet, PlaceAllWithoutKeysOrGridChangesNothing) {
  TPrintWordByNet p(400, 300);
  TKeys none;
  p.PlaceAll(none, -1, 0, 0);
  p.PlaceAll(none, 3, 10, 10);
  EXPECT_EQ(p.KeyCount(), 0);

  TPrintWordByNet noGrid(0, 300);
  TKeys keys(2, Label(10, 10));
  keys[0].X = 0.5f;
  keys[0].Left = 7;
  const TKeys before = keys;
  noGrid.PlaceAll(keys, -1, 0, 0);
  EXPECT_EQ(keys, before);

  // A relative position that is not a number hides the key.
  keys[0].X = std::numeric_limits<float>::quiet_NaN();
  p.PlaceAll(keys, -1, 0, 0);
  EXPECT_TRUE(keys[0].Flags & KF_HIDDEN);
  EXPECT_FALSE(keys[1].Flags & KF_HIDDEN);
}

TEST(PrintWordByNet, HoverPassesKeepFixedLabelsAndPlaceContextWordsAroundThem) {
  TPrintWordByNet p(400, 300);
  TKeys keys(7, Label(37, 14));
  const auto at = [&](size_t i, uint32_t flags, float left, float top) {
    keys[i].Flags = flags;
    keys[i].Left = left;
    keys[i].Top = top;
  };
  at(0, KF_HOVERED | KF_CARRIED, 200, 100);  // fixed
  at(1, KF_QUERY, 200, 104);                 // fixed, even on top of the hovered key
  at(2, KF_CONTEXT, 200, 100);               // was on the map: moved off the fixed ones
  at(3, KF_INACTIVE, 40, 40);                // stays, blocks the last pass only
  at(4, KF_NEW | KF_CONTEXT, 0, 0);          // new: on the circle beside the hovered key
  at(5, KF_NEW, 0, 0);                       // new, last pass
  at(6, KF_CONTEXT | KF_HIDDEN, 0, 0);
  const TKeys before = keys;
  const float cx = 50, cy = 25;
  p.PlaceAll(keys, 0, cx, cy);

  EXPECT_EQ(keys[0].Left, 200);
  EXPECT_EQ(keys[0].Top, 100);
  EXPECT_EQ(keys[1].Left, 200);
  EXPECT_EQ(keys[1].Top, 104);
  EXPECT_EQ(keys[3].Left, 40);
  EXPECT_EQ(keys[3].Top, 40);
  EXPECT_FALSE(keys[2].Flags & KF_HIDDEN);
  EXPECT_FALSE(Overlap(keys[2], keys[0]));
  EXPECT_FALSE(Overlap(keys[2], keys[1]));
  EXPECT_EQ(keys[6], before[6]);

  // Two new keys on a circle of radius 5 whose centre is 5 units right of
  // the given centre: angles 0 and pi.
  const float sx = 100, sy = 75;
  EXPECT_FLOAT_EQ(keys[4].HoverX, cx + 10);
  EXPECT_FLOAT_EQ(keys[4].HoverY, cy);
  EXPECT_FLOAT_EQ(keys[5].HoverX, cx);
  EXPECT_NEAR(keys[5].HoverY, cy, 1e-5);
  EXPECT_FLOAT_EQ(keys[4].X, (cx + 10) / sx);
  EXPECT_FLOAT_EQ(keys[4].Y, cy / sy);
  EXPECT_FALSE(keys[4].Flags & KF_HIDDEN);
  EXPECT_FALSE(Overlap(keys[4], keys[0]));
  EXPECT_FALSE(Overlap(keys[4], keys[1]));
  EXPECT_FALSE(Overlap(keys[4], keys[2]));
  // The last pass sees the fixed and inactive labels but no longer the
  // context words.
  EXPECT_FALSE(keys[5].Flags & KF_HIDDEN);
  EXPECT_FALSE(Overlap(keys[5], keys[0]));
  EXPECT_FALSE(Overlap(keys[5], keys[1]));
  EXPECT_FALSE(Overlap(keys[5], keys[3]));
}

TEST(PrintWordByNet, HoverLastPassIgnoresContextWordsButNotInactiveOnes) {
  // A new word that is not a context word is placed after the grid went back
  // to the fixed labels: it may land on a context word, not on an inactive one.
  TPrintWordByNet p(400, 300);
  TKeys keys(4, Label(37, 14));
  keys[0].Flags = KF_CARRIED | KF_HOVERED;
  keys[0].Left = 300, keys[0].Top = 250;
  keys[1].Flags = KF_CONTEXT;
  keys[1].Left = 100, keys[1].Top = 100;
  keys[2].Flags = KF_INACTIVE;
  keys[2].Left = 200, keys[2].Top = 40;
  keys[3].Flags = KF_NEW;
  // Put the circle's single point where the context word is: layout x = cx + 10.
  // Left = 400 x (cx + 10) / 100 - halfWidth (= 37 x 4 / 4 / 2 = 18.5).
  const float cx = (100 + 18.5f) / 4 - 10;
  const float cy = 100 * 75.0f / 300;
  p.PlaceAll(keys, 0, cx, cy);
  EXPECT_EQ(keys[1].Left, 100);
  EXPECT_EQ(keys[1].Top, 100);
  EXPECT_EQ(keys[3].Left, 100);
  EXPECT_EQ(keys[3].Top, 100);

  keys[3].Flags = KF_NEW;
  const float cx2 = (200 + 18.5f) / 4 - 10;
  const float cy2 = 40 * 75.0f / 300;
  p.PlaceAll(keys, 0, cx2, cy2);
  EXPECT_FALSE(keys[3].Flags & KF_HIDDEN);
  EXPECT_FALSE(Overlap(keys[3], keys[2]));
}

}  // namespace
}  // namespace kestrune
