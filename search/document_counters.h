// TDocumentCounters: the counters of a project's documents, kept by the
// session and shown on the result page.
#pragma once

#include <cstdint>

namespace kestrune {

struct TDocumentCounters {
  int32_t Total = 0;             // documents of the project up to the current step
  int32_t RemovedLinks = 0;
  int32_t HiddenSites = 0;
  int32_t NewLinks = 0;          // among the listed documents
  int32_t OldLinks = 0;
  int32_t FavoriteLinks = 0;
  int32_t AllNewLinks = 0;       // among all documents
  int32_t AllOldLinks = 0;
  int32_t AllFavoriteLinks = 0;
  int32_t AtLastSearch = 0;      // documents when the last search ended

  bool operator==(const TDocumentCounters&) const = default;
};

}  // namespace kestrune
