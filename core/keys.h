// Record types shared by the network, the step ring and the map.
//
// TNNKey is a pair of an element or word identifier and a single-precision
// weight; TNNKeys, a dynamic array of them, is the currency of network queries
// and of map events. TArrayOfIndex is a dynamic array of indexes.
//
// TKey is one word (or file) on the map with everything needed to lay it out
// and draw it; TKeys is the map's key list. TScopeWords is one search scope
// (included and excluded keys); TTScopeWords an array of scopes.
//
// All of them are plain values: copying a record copies its text and its lists
// (deep copy), and a list owns its elements.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

struct TNNKey {
  int32_t Id = 0;
  float Weight = 0.0f;

  friend bool operator==(const TNNKey&, const TNNKey&) = default;
};
static_assert(sizeof(TNNKey) == 8, "a key is an 8-byte cell: id, then weight");

using TNNKeys = std::vector<TNNKey>;
using TArrayOfIndex = std::vector<int32_t>;
using TIntArray = std::vector<int32_t>;

// One list carries a 32-bit integer code in the weight field instead of a
// weight (the query-word list of the content map: 2 plus word, 4 minus word).
// Read as a float such a code is a tiny denormal number, so it must be moved
// bit for bit, never converted.
inline int32_t KeyCode(const TNNKey& key) { return std::bit_cast<int32_t>(key.Weight); }
inline TNNKey CodeKey(int32_t id, int32_t code) { return TNNKey{id, std::bit_cast<float>(code)}; }

// TKey.Flags bits.
inline constexpr uint32_t KF_HOVERED = 0x1;       // the key the hover map is built around
inline constexpr uint32_t KF_QUERY = 0x2;         // a query word
inline constexpr uint32_t KF_EXCLUDED = 0x4;      // a word the user excluded (Weight -10000)
inline constexpr uint32_t KF_CARRIED = 0x8;       // hovered key carried over from the previous map
inline constexpr uint32_t KF_CONTEXT = 0x10;      // a context word of the hovered key
inline constexpr uint32_t KF_INACTIVE = 0x20;     // outside the hovered key's context
inline constexpr uint32_t KF_NEW = 0x40;          // a context word that was not on the map before
inline constexpr uint32_t KF_HIDDEN = 0x80;       // neither drawn nor hit-tested
inline constexpr uint32_t KF_MARKED = 0x100;      // marked for a group event
inline constexpr uint32_t KF_HIGHLIGHTED = 0x200; // being typed in the query box
// A key with any of these bits takes the mouse-over style.
inline constexpr uint32_t kMouseOverFlags = KF_HOVERED | KF_CARRIED | KF_HIGHLIGHTED;

// One word or file on the map. Positions X, Y are relative map units (0..1
// after the layout); Left, Top are the label's corner in map pixels. Colours
// are 0x00BBGGRR, opacities 0..255. A style switch is on only with the value 1.
struct TKey {
  std::u16string Name;
  int32_t Id = 0;
  float Weight = 0.0f;  // -10000: excluded by the user; 0: no relevance
  float X = 0.0f;
  float Y = 0.0f;
  uint32_t Flags = 0;
  int32_t TextWidth = 0;
  int32_t TextHeight = 0;
  float Left = 0.0f;
  float Top = 0.0f;
  float HoverX = 0.0f;
  float HoverY = 0.0f;
  float AnimTargetX = 0.0f;
  float AnimTargetY = 0.0f;
  float AnimTargetAlpha = 0.0f;
  float AnimTargetSize = 0.0f;
  int32_t Alpha = 0;
  TIntArray Extra;  // carried with the key; nothing fills it
  float FontSize = 0.0f;
  int32_t Color = 0;
  int32_t ShadowOffSet = 0;  // the shadow is drawn only when not 0
  int32_t ShadowAlpha = 0;
  int32_t ShadowClr = 0;
  int32_t Regular = 0;  // carried, never turned into a font style
  int32_t Bold = 0;
  int32_t Italic = 0;
  int32_t Underline = 0;
  int32_t Strikeout = 0;
  float AnimSizeLimit = 0.0f;  // 0: none

  friend bool operator==(const TKey&, const TKey&) = default;
};

using TKeys = std::vector<TKey>;

// One search scope. The counts are kept beside the lists as the scope carries
// them; the lists own their keys.
struct TScopeWords {
  int32_t IncludedCount = 0;
  int32_t ExcludedCount = 0;
  TNNKeys Included;
  TNNKeys Excluded;

  friend bool operator==(const TScopeWords&, const TScopeWords&) = default;
};

using TTScopeWords = std::vector<TScopeWords>;

}  // namespace kestrune
