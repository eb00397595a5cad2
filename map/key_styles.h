// The style table of the word map: the look of every key (font size, colour,
// opacity, shadow, font style), chosen by the map mode (query or excluded
// section) and by the key's flags (one of eight blocks).
//
// The content map holds one table, set to the built-in defaults at creation
// and read from the colour file "color.ini" (TCustomContentMap2::LoadStyleFile).
// Blocks are named as in that file; `key` and `Not_active_key` are the sized
// blocks (a MinSize..MaxSize range instead of one Size).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrune {

struct TStyleBlock {
  int32_t Size = 0;  // font size in points (blocks without a size range)
  int32_t MinSize = 0;
  int32_t MaxSize = 0;
  int32_t Color = 0;  // 0x00BBGGRR
  int32_t Regular = 0;
  int32_t Bold = 0;
  int32_t Italic = 0;
  int32_t Underline = 0;
  int32_t Strikeout = 0;
  int32_t Transparency = 0;  // percent, 0 opaque .. 100 invisible
  bool Shadow = false;       // stored only: a shadow is drawn when ShadowOffSet is not 0
  int32_t ShadowOffSet = 0;
  int32_t ShadowClr = 0;
  int32_t ShadowTrns = 0;  // percent

  friend bool operator==(const TStyleBlock&, const TStyleBlock&) = default;
};

enum TStyleSection : int32_t { ssQuery = 0, ssExcluded = 1 };
inline constexpr int32_t kStyleSectionCount = 2;

// In the order the colour file's block openings are tested.
enum TStyleBlockKind : int32_t {
  sbPlusKey = 0,             // plus_key: a query word
  sbPlusInContextKey,        // plus_incontext_key: a query word in the hovered context
  sbPlusInNotContextKey,     // plus_innotcontext_key: an inactive query word
  sbPlusMouseoverKey,        // plus_Mouseover_key: a hovered or highlighted query word
  sbMouseoverKey,            // mouseover_key: a hovered or highlighted word
  sbContextKey,              // Context_key: a context word of the hovered word
  sbKey,                     // key: any other word (sized)
  sbNotActiveKey,            // Not_active_key: an inactive word (sized)
};
inline constexpr int32_t kStyleBlockCount = 8;

inline constexpr bool IsSizedBlock(int32_t block) { return block == sbKey || block == sbNotActiveKey; }

// The block names as the colour file spells them.
std::string_view StyleBlockName(int32_t block);

using TStyleSectionBlocks = std::array<TStyleBlock, kStyleBlockCount>;
using TStyleTable = std::array<TStyleSectionBlocks, kStyleSectionCount>;

// The built-in defaults.
TStyleTable DefaultStyleTable();

}  // namespace kestrune
