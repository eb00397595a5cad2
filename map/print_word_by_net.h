// TPrintWordByNet: places the labels of the word map in pixels so that they do
// not overlap.
//
// The map is covered by an occupancy grid of 4 x 4-pixel cells. A label of
// TextWidth x TextHeight pixels occupies, from its top-left cell (column, row),
// the columns column..column + wCells and rows row..row + hCells (both ends
// included), with
//   wCells = ceil((TextWidth + 1) / 4) + 3,  hCells = ceil((TextHeight + 1) / 4).
// A label goes to its wanted cell when that rectangle is free, otherwise to the
// nearest free place found by a search in square rings around it, bounded by
// wCells + 1; a label that finds no place is hidden (KF_HIDDEN).
//
// PlaceAll turns the relative positions of the keys (TKey::X, Y in 0..1) into
// layout units (one hundredth of the map's larger side, kept in the key's
// HoverX, HoverY) and into pixels (TKey::Left, Top), then places the labels.
// With an active (hovered) key it lays the new context words out on a small
// circle beside the hovered key and places them in passes around the labels
// that stay where they are.
//
// One placer serves one map rebuild; it keeps no reference to the keys. A
// placer made with a width or height of 0 has no grid: PlaceWord always fails
// and PlaceAll leaves the keys as they are. Positions that are not finite, or
// lie far beyond any grid, are never placed.
#pragma once

#include <cstdint>
#include <vector>

#include "core/keys.h"

namespace kestrune {

class TPrintWordByNet {
 public:
  static constexpr int32_t kCellWidth = 4;
  static constexpr int32_t kCellHeight = 4;
  // Added to a label's width and height before they are turned into cells.
  static constexpr int32_t kMargin = 1;
  // Radius of the circle, in layout units, on which a hover map's new words start.
  static constexpr float kHoverRadius = 5.0f;

  TPrintWordByNet(int32_t width, int32_t height);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t Columns() const { return columns_; }
  int32_t Rows() const { return rows_; }
  int32_t KeyCount() const { return keyCount_; }

  // The extents of a label in cells (the rectangle spans one cell more).
  static int32_t WidthCells(int32_t textWidth);
  static int32_t HeightCells(int32_t textHeight);

  // Lays out and places every label. active: index of the key a hover map is
  // built around, -1 for an ordinary map; centreX, centreY: that key's
  // position in layout units, used only when active is not -1.
  void PlaceAll(TKeys& keys, int32_t active, float centreX, float centreY);

  // Places one label at or near (px, py) in pixels. On success (px, py)
  // becomes the label's pixel position, its cells are marked and the result is
  // True; on failure nothing changes.
  bool PlaceWord(float& px, float& py, const TKey& key);

  void ClearGrid();
  // Marks the cells of columns column..min(column + wCells, Columns() - 1) and
  // rows row..min(row + hCells, Rows() - 1).
  void MarkRect(int32_t column, int32_t row, int32_t hCells, int32_t wCells);
  // True when the whole rectangle lies on the grid and every cell is free.
  bool IsFree(int32_t column, int32_t row, int32_t hCells, int32_t wCells) const;
  // Accepts the cell (column, row) for a label of wCells x hCells when its
  // rectangle lies on the grid and is free.
  bool TryPlace(int32_t wCells, int32_t hCells, int32_t column, int32_t row) const;
  // Snapshot copies the grid; Restore copies it back and drops the copy
  // (nothing when no snapshot was taken).
  void Snapshot();
  void Restore();

  bool Occupied(int32_t column, int32_t row) const;

 private:
  // Marks the label's rectangle at its present pixel position, with no search.
  void MarkAtPosition(const TKey& key);
  size_t Cell(int32_t column, int32_t row) const {
    return static_cast<size_t>(column) * static_cast<size_t>(rows_) + static_cast<size_t>(row);
  }

  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t columns_ = 0;
  int32_t rows_ = 0;
  int32_t keyCount_ = 0;
  // Occupancy by [column][row]: 0 free, 1 occupied.
  std::vector<uint8_t> grid_;
  std::vector<uint8_t> snapshot_;
  bool hasSnapshot_ = false;
};

}  // namespace kestrune
