#include "map/print_word_by_net.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrune {

namespace {

// Ceiling of a / b for b > 0.
int64_t CeilDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if (a % b != 0 && a > 0) ++q;
  return q;
}

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

TPrintWordByNet::TPrintWordByNet(int32_t width, int32_t height) : width_(width), height_(height) {
  if (width > 0 && height > 0) {
    columns_ = static_cast<int32_t>(CeilDiv(width, kCellWidth));
    rows_ = static_cast<int32_t>(CeilDiv(height, kCellHeight));
    grid_.assign(static_cast<size_t>(columns_) * static_cast<size_t>(rows_), 0);
  }
}

int32_t TPrintWordByNet::WidthCells(int32_t textWidth) {
  return ClampToInt32(CeilDiv(int64_t{textWidth} + kMargin, kCellWidth) + 3);
}

int32_t TPrintWordByNet::HeightCells(int32_t textHeight) {
  return ClampToInt32(CeilDiv(int64_t{textHeight} + kMargin, kCellHeight));
}

void TPrintWordByNet::ClearGrid() { std::fill(grid_.begin(), grid_.end(), 0); }

bool TPrintWordByNet::Occupied(int32_t column, int32_t row) const {
  if (column < 0 || row < 0 || column >= columns_ || row >= rows_) return false;
  return grid_[Cell(column, row)] != 0;
}

void TPrintWordByNet::MarkRect(int32_t column, int32_t row, int32_t hCells, int32_t wCells) {
  const int64_t lastColumn = std::min<int64_t>(int64_t{column} + wCells, columns_ - 1);
  const int64_t lastRow = std::min<int64_t>(int64_t{row} + hCells, rows_ - 1);
  for (int64_t c = std::max(column, 0); c <= lastColumn; ++c) {
    for (int64_t r = std::max(row, 0); r <= lastRow; ++r) {
      grid_[Cell(static_cast<int32_t>(c), static_cast<int32_t>(r))] = 1;
    }
  }
}

bool TPrintWordByNet::IsFree(int32_t column, int32_t row, int32_t hCells, int32_t wCells) const {
  if (column < 0 || row < 0) return false;
  const int64_t lastColumn = int64_t{column} + wCells;
  const int64_t lastRow = int64_t{row} + hCells;
  if (lastColumn >= columns_ || lastRow >= rows_) return false;
  for (int64_t c = column; c <= lastColumn; ++c) {
    const uint8_t* cells = &grid_[Cell(static_cast<int32_t>(c), 0)];
    for (int64_t r = row; r <= lastRow; ++r) {
      if (cells[r] != 0) return false;
    }
  }
  return true;
}

bool TPrintWordByNet::TryPlace(int32_t wCells, int32_t hCells, int32_t column, int32_t row) const {
  if (column < 0 || int64_t{column} + wCells >= columns_) return false;
  if (row < 0 || int64_t{row} + hCells >= rows_) return false;
  if (grid_[Cell(column, row)] != 0) return false;
  return IsFree(column, row, hCells, wCells);
}

void TPrintWordByNet::Snapshot() {
  snapshot_ = grid_;
  hasSnapshot_ = true;
}

void TPrintWordByNet::Restore() {
  if (!hasSnapshot_) return;
  grid_.swap(snapshot_);
  snapshot_.clear();
  hasSnapshot_ = false;
}

bool TPrintWordByNet::PlaceWord(float& px, float& py, const TKey& key) {
  if (grid_.empty()) return false;
  const int32_t wCells = WidthCells(key.TextWidth);
  const int32_t hCells = HeightCells(key.TextHeight);
  // A rectangle wider or taller than the grid fits nowhere.
  if (wCells >= columns_ || hCells >= rows_) return false;
  if (!std::isfinite(px) || !std::isfinite(py)) return false;
  const double wantedColumn = std::nearbyint(static_cast<double>(px / 4.0f));
  const double wantedRow = std::nearbyint(static_cast<double>(py / 4.0f));
  // The search reaches at most wCells + 1 cells from the wanted cell; beyond
  // that no candidate can lie on the grid.
  const double reach = static_cast<double>(wCells) + 2.0;
  if (wantedColumn < -reach || wantedColumn > columns_ + reach) return false;
  if (wantedRow < -reach || wantedRow > rows_ + reach) return false;
  const int32_t column0 = static_cast<int32_t>(wantedColumn);
  const int32_t row0 = static_cast<int32_t>(wantedRow);

  int32_t column = column0;
  int32_t row = row0;
  bool found = TryPlace(wCells, hCells, column0, row0);

  // Ring search. Ring i is scanned again for every larger radius r, trying the
  // candidates within distance r. The grid does not change during the search,
  // so a candidate rejected at radius r - 1 is rejected again: only those that
  // came within reach at radius r are tried, with the same outcome.
  for (int64_t r = 1; !found && r <= int64_t{wCells} + 1; ++r) {
    const int64_t reachNow = r * r;
    const int64_t reachBefore = (r - 1) * (r - 1);
    for (int64_t i = 1; !found && i <= r; ++i) {
      // Accepted candidates of the four sides: top, right, bottom, left.
      struct Candidate {
        bool ok = false;
        int64_t d = 0;
        int32_t column = 0;
        int32_t row = 0;
      } sides[4];
      const auto consider = [&](Candidate& side, int64_t d, int64_t c, int64_t w) {
        const int64_t dist = d * d + i * i;
        if (dist > reachNow) return;
        if (i < r && dist <= reachBefore) return;  // tried and rejected at r - 1
        if (TryPlace(wCells, hCells, static_cast<int32_t>(c), static_cast<int32_t>(w))) {
          side = Candidate{true, d, static_cast<int32_t>(c), static_cast<int32_t>(w)};
        }
      };
      const int64_t horizontalSpan =
          (std::min<int64_t>(column0 + i, columns_ - 1) - std::max<int64_t>(column0 - i, 0)) / 2;
      const int64_t verticalSpan =
          (std::min<int64_t>(row0 + i, rows_ - 1) - std::max<int64_t>(row0 - i, 0)) / 2;
      for (int64_t d = 0; d <= horizontalSpan && !sides[0].ok; ++d) {
        consider(sides[0], d, column0 + d, row0 - i);
        if (!sides[0].ok) consider(sides[0], d, column0 - d, row0 - i);
      }
      for (int64_t d = 0; d <= verticalSpan && !sides[1].ok; ++d) {
        consider(sides[1], d, column0 + i, row0 + d);
        if (!sides[1].ok) consider(sides[1], d, column0 + i, row0 - d);
      }
      for (int64_t d = 0; d <= horizontalSpan && !sides[2].ok; ++d) {
        consider(sides[2], d, column0 + d, row0 + i);
        if (!sides[2].ok) consider(sides[2], d, column0 - d, row0 + i);
      }
      for (int64_t d = 0; d <= verticalSpan && !sides[3].ok; ++d) {
        consider(sides[3], d, column0 - i, row0 + d);
        if (!sides[3].ok) consider(sides[3], d, column0 - i, row0 - d);
      }
      // The nearest candidate wins; among equally near ones the earliest side.
      const Candidate* best = nullptr;
      for (const Candidate& side : sides) {
        if (side.ok && (!best || side.d < best->d)) best = &side;
      }
      if (best) {
        found = true;
        column = best->column;
        row = best->row;
      }
    }
  }
  if (!found) return false;
  MarkRect(column, row, hCells, wCells);
  px = static_cast<float>(kCellWidth * column);
  py = static_cast<float>(kCellHeight * row);
  return true;
}

void TPrintWordByNet::MarkAtPosition(const TKey& key) {
  if (!std::isfinite(key.Left) || !std::isfinite(key.Top)) return;
  const double column = std::max(0.0, static_cast<double>(std::nearbyint(key.Left / 4.0f)));
  const double row = std::max(0.0, static_cast<double>(std::nearbyint(key.Top / 4.0f)));
  if (column >= columns_ || row >= rows_) return;
  MarkRect(static_cast<int32_t>(column), static_cast<int32_t>(row), HeightCells(key.TextHeight),
           WidthCells(key.TextWidth));
}

void TPrintWordByNet::PlaceAll(TKeys& keys, int32_t active, float centreX, float centreY) {
  keyCount_ = static_cast<int32_t>(keys.size());
  if (keys.empty() || grid_.empty()) return;
  const bool hover = active >= 0;

  // Layout units: one hundredth of the larger side.
  const float larger = static_cast<float>(std::max(width_, height_));
  const float sx = static_cast<float>(int64_t{100} * width_) / larger;
  const float sy = static_cast<float>(int64_t{100} * height_) / larger;
  ClearGrid();

  if (!hover) {
    for (TKey& key : keys) {
      key.HoverX = key.X * sx;
      key.HoverY = key.Y * sy;
    }
  } else {
    int32_t newCount = 0;
    for (const TKey& key : keys) {
      if (key.Flags & KF_NEW) ++newCount;
    }
    if (newCount >= 1) {
      // The circle's centre sits one radius to the right of the given centre.
      const float step = 2.0f * std::numbers::pi_v<float> / static_cast<float>(newCount);
      float angle = 0.0f;
      for (TKey& key : keys) {
        if (!(key.Flags & KF_NEW)) continue;
        key.HoverX = centreX + kHoverRadius * std::cos(angle) + kHoverRadius;
        key.HoverY = centreY + kHoverRadius * std::sin(angle);
        key.X = key.HoverX / sx;
        key.Y = key.HoverY / sy;
        angle = angle + step;
      }
    }
  }

  int64_t widthSum = 0;
  for (const TKey& key : keys) {
    if (!(key.Flags & KF_HIDDEN)) widthSum += key.TextWidth;
  }
  const float halfWidth = static_cast<float>(widthSum) / static_cast<float>(keys.size()) / 2.0f;

  const float width = static_cast<float>(width_);
  const float height = static_cast<float>(height_);
  for (TKey& key : keys) {
    if (key.Flags & KF_HIDDEN) continue;
    if (hover && !(key.Flags & KF_NEW)) continue;
    key.Left = width * key.HoverX / sx - halfWidth;
    key.Top = height * key.HoverY / sy;
    const float lowest = static_cast<float>(int64_t{height_} - key.TextHeight);
    if (key.Top > lowest) key.Top = lowest;
    if (key.Top < 0.0f) key.Top = 0.0f;
    const float rightmost = static_cast<float>(int64_t{width_} - key.TextWidth - 20);
    if (key.Left > rightmost) key.Left = rightmost;
    if (key.Left < 0.0f) key.Left = 0.0f;
  }

  const auto place = [this](TKey& key) {
    float px = key.Left;
    float py = key.Top;
    if (PlaceWord(px, py, key)) {
      key.Left = px;
      key.Top = py;
    } else {
      key.Flags |= KF_HIDDEN;
    }
  };

  if (!hover) {
    for (TKey& key : keys) {
      if (!(key.Flags & (KF_EXCLUDED | KF_HIDDEN))) place(key);
    }
    return;
  }

  std::vector<bool> done(keys.size(), false);
  const auto pass = [&](auto wanted, auto action) {
    for (size_t k = 0; k < keys.size(); ++k) {
      if (done[k] || !wanted(keys[k].Flags)) continue;
      done[k] = true;
      action(keys[k]);
    }
  };
  const auto markHere = [this](TKey& key) { MarkAtPosition(key); };

  // 1. The hovered key and the query words stay where they are.
  pass([](uint32_t f) { return (f & (KF_CARRIED | KF_QUERY)) && !(f & KF_HIDDEN); }, markHere);
  Snapshot();
  // 2. Context words already on the map, then the new ones.
  pass([](uint32_t f) { return !(f & KF_NEW) && (f & KF_CONTEXT) && !(f & KF_HIDDEN); }, place);
  pass([](uint32_t f) { return (f & KF_NEW) && (f & KF_CONTEXT) && !(f & KF_HIDDEN); }, place);
  // 3. The context words keep their places but no longer block the others.
  Restore();
  pass([](uint32_t f) { return !(f & (KF_NEW | KF_CONTEXT | KF_HIDDEN | KF_CARRIED | KF_QUERY)); },
       markHere);
  pass([](uint32_t f) { return (f & KF_NEW) && !(f & (KF_HIDDEN | KF_CARRIED | KF_QUERY)); }, place);
}

}  // namespace kestrune
