// The result page of TKestruneSession until the result display builds it
// whole: a page mode given (1 while a search runs) is built as it is; mode 0
// (or -1) is 6 without query words, 2 after a search that found no
// connection, 5 with documents, else 3. The documents are listed by their
// place in the merged results, those of undone searches left out. The page
// goes to the view (IMainView::ShowHtml). Counts the calls in
// ShowResultsRequests, LastShownPage and LastShownMode.
#include <algorithm>

#include "app/kestrune_session.h"

namespace kestrune {

void TKestruneSession::ShowResults(int32_t page, int32_t mode) {
  ++ShowResultsRequests;
  LastShownPage = page;
  LastShownMode = mode;
  if (mode <= 0) {
    TNNKeys queryWords;
    GetStepKeys(queryWords, QueryKind());
    if (queryWords.empty() && !ContentMap.NoQueryMode()) {
      mode = 6;
    } else if (Engine && Engine->Status() == ISearchEngine::kStatusNoConnection) {
      mode = 2;
    } else {
      mode = Documents.empty() ? 3 : 5;
    }
    SearchJustRan = false;
  }

  std::vector<const TMetaSearchList*> shown;
  for (const TMetaSearchList& document : Documents) {
    if (document.Step <= StepNumber) shown.push_back(&document);
  }
  std::stable_sort(shown.begin(), shown.end(),
                   [](const TMetaSearchList* a, const TMetaSearchList* b) { return a->Position < b->Position; });
  std::vector<TMetaSearchList2> pageList;
  pageList.reserve(shown.size());
  for (const TMetaSearchList* document : shown) pageList.push_back({*document});

  TPageCounters counters;
  counters.Total = static_cast<int32_t>(pageList.size());
  counters.RemovedLinks = Counters.RemovedLinks;
  counters.HiddenSites = Counters.HiddenSites;
  counters.NewLinks = Counters.NewLinks;
  counters.OldLinks = Counters.OldLinks;
  counters.FavoriteLinks = Counters.FavoriteLinks;
  counters.AllNewLinks = Counters.AllNewLinks;
  counters.AllOldLinks = Counters.AllOldLinks;
  counters.AllFavoriteLinks = Counters.AllFavoriteLinks;
  PageResults.PageList = &pageList;
  const std::u16string html = PageResults.BuildPage(mode, ResultPageNumber, counters);
  PageResults.PageList = nullptr;
  if (View) View->ShowHtml(html);
}

}  // namespace kestrune
