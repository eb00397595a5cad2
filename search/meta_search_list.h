// TMetaSearchList: one result item of a web search, and the arrays of them.
//
// The search thread fills the engine's array of these records (one per result
// URL); the main window keeps a project's documents in the same records, and
// the result page builder reads them. Ten fields, in this order:
//   Position     the main window's place of the item in the merged list
//   Url          the item's absolute address, 8-bit
//   Value        a spare 4-byte slot, stored as a Single in project files
//   Annotation   the item's snippet; from the search it begins with a blank
//   Title        the item's title
//   Label        the running number at the engine, " - " and the engine name
//   QueryNumber  the number of the search that found the item
//   Step         the main window's search step that first brought it
//   ItemText     the page source of the whole item
//   Flags        the main window's document flags (kFlagFavorite, kFlagOld,
//                kFlagNew below)
// A value-initialised record is all zero and empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

struct TMetaSearchList {
  int32_t Position = 0;
  std::string Url;
  float Value = 0.0f;
  std::u16string Annotation;
  std::u16string Title;
  std::string Label;
  int32_t QueryNumber = 0;
  int32_t Step = 0;
  std::u16string ItemText;
  int32_t Flags = 0;
};

// The document flags of Flags.
inline constexpr int32_t kFlagFavorite = 1;
inline constexpr int32_t kFlagOld = 2;  // listed before the last search
inline constexpr int32_t kFlagNew = 4;  // brought by the last search

// The marks of a document in a search step (the step's kind 3, document id ->
// mark): a removed link, a document of a hidden site, or both.
inline constexpr float kMarkRemovedLink = -1.0f;
inline constexpr float kMarkHiddenSite = -2.0f;
inline constexpr float kMarkRemovedAndHidden = -3.0f;
// The weight a removed link's mark becomes among the keys that find the
// context of the removed links (the recommended exclusions).
inline constexpr float kMarkContext = 1.0f;

inline constexpr bool IsRemovedMark(float mark) { return mark == kMarkRemovedLink || mark == kMarkRemovedAndHidden; }
inline constexpr bool IsHiddenMark(float mark) { return mark == kMarkHiddenSite || mark == kMarkRemovedAndHidden; }

using TMetaSearchList2 = std::vector<TMetaSearchList>;
using TMetaSearchList3 = std::vector<TMetaSearchList2>;

}  // namespace kestrune
