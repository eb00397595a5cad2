// The modes of a result page (TPageResults::BuildPage), the hover modes of the
// map word the page previews, and the edit index that opens no document form.
// The values are the ones the session and the page builder pass around.
#pragma once

#include <cstdint>

namespace kestrune {

// Page modes: the fixed pages 1-4 and 6 (a blank page each), the result
// frame 5 and the result frames of the views 7-11 (the view's mode + 6).
enum TPageMode : int32_t {
  kPageModeSearching = 1,
  kPageModeNoConnection = 2,
  kPageModeNothingFound = 3,
  kPageModeNoMatch = 4,
  kPageModeResults = 5,
  kPageModeNoQuery = 6,
  kPageModeRemovedLinks = 7,
  kPageModeHiddenSites = 8,
  kPageModeNewLinks = 9,
  kPageModeOldLinks = 10,
  kPageModeFavorites = 11,
};

// The map word under the mouse, as the page's query line shows it.
enum THoverMode : int32_t {
  kHoverNone = 0,
  kHoverAdds = 2,      // the word would be added to the query
  kHoverExcludes = 4,  // the word would be excluded
};

// The edit index of a page (TPageCounters::EditIndex): no document form, the
// add-document form, or else the number of the entry edited.
inline constexpr int32_t kEditNone = -2;
inline constexpr int32_t kEditNewDocument = -1;

}  // namespace kestrune
