// The views of the result page and the map: the normal view and the views
// the six view buttons choose, in the buttons' order. A view of documents
// (removed links .. favourites) shows its page in the result frame of page
// mode view + 6; the stop-word view has its own page.
#pragma once

#include <cstdint>

#include "search/page_modes.h"

namespace kestrune {

enum TViewMode : int32_t {
  kViewNormal = 0,
  kViewRemovedLinks = 1,
  kViewHiddenSites = 2,
  kViewNewLinks = 3,
  kViewOldLinks = 4,
  kViewFavorites = 5,
  kViewStopWords = 6,
};
inline constexpr int32_t kViewButtonCount = 6;

// The views that list marked documents (removed links, hidden sites), not
// ranked ones.
constexpr bool IsMarksView(int32_t view) { return view == kViewRemovedLinks || view == kViewHiddenSites; }
// The views that list documents by their flags (new, old, favourite).
constexpr bool IsFlagsView(int32_t view) { return view >= kViewNewLinks && view <= kViewFavorites; }
// The page mode of a view of documents.
constexpr int32_t PageModeOfView(int32_t view) {
  return view + (int32_t{kPageModeRemovedLinks} - int32_t{kViewRemovedLinks});
}

// ShowResults's mode argument: 0 (or -1) lets it choose the page mode from
// the view and the search state.
inline constexpr int32_t kPageModeChosen = 0;
// The same, from the rebuild that keeps a document form open.
inline constexpr int32_t kPageModeChosenForEdit = -1;

}  // namespace kestrune
