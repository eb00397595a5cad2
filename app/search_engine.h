// ISearchEngine: what the session uses of the search worker (EngineWeb): the
// engine template, the number of links wanted, one search at a time on the
// worker's own thread, its status and error text, and the end of a search.
// The window gives the session an adapter over EngineWeb; tests give it a
// synchronous fake (tests/app/fake_search_engine.h).
//
// One search, as the session drives it on the user-interface thread:
//   LoadTemplate(name) when the chosen engine changed; SetUrlCount(n);
//   StartSearch(query); wait until Busy() falls (OnSearchDone posts the call
//   that ends the wait); read Status(), ErrorText() and the results.
// StopSearch may come from any thread; LoadTemplate, SetUrlCount, StartSearch
// and Reset are refused (false) while a search runs. OnProgress and
// OnSearchDone run on the worker: they must only queue work for the
// user-interface thread (IMainView::PostToUi).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "search/engine_web.h"
#include "search/meta_search_list.h"

namespace kestrune {

class ISearchEngine {
 public:
  // Status values.
  static constexpr int32_t kStatusOk = 0;
  static constexpr int32_t kStatusTemplate = 1;      // no template, or a faulty one
  static constexpr int32_t kStatusNoConnection = 2;
  static constexpr int32_t kStatusError = 3;

  virtual ~ISearchEngine() = default;

  // Reads "templates/web/<templateName>.ini".
  virtual bool LoadTemplate(std::string_view templateName) = 0;
  // The display name of the loaded template; empty when none is loaded.
  virtual std::string EngineName() const = 0;
  virtual bool SetUrlCount(int32_t count) = 0;
  virtual bool StartSearch(std::u16string_view query) = 0;
  virtual void StopSearch() = 0;
  // Forgets the template, the query counter and the URLs seen.
  virtual bool Reset() = 0;
  virtual bool Busy() const = 0;
  virtual int32_t Status() const = 0;
  virtual void SetStatus(int32_t status) = 0;
  virtual std::string ErrorText() const = 0;
  // How the last search's download failed (None when it did not; a stop is
  // none), and the answer's status of an HttpError.
  virtual TDownloadFailure DownloadFailure() const { return TDownloadFailure::None; }
  virtual int32_t DownloadFailureStatus() const { return 0; }
  // Why the template was refused (LoadTemplate, SetUrlCount or StartSearch
  // left status 1 or 3 for it); Kind None otherwise.
  virtual TTemplateFault TemplateFault() const { return {}; }
  // A copy of the items of the last search, taken once Busy() has fallen.
  virtual TMetaSearchList2 SearchResults() const = 0;

  // Progress 0..100 of the running search, on the worker.
  std::function<void(int32_t percent)> OnProgress;
  // After every search, on the worker, once Busy() has fallen.
  std::function<void()> OnSearchDone;
};

}  // namespace kestrune
