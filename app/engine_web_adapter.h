// TEngineWebAdapter: the session's search engine (ISearchEngine) over the
// search worker EngineWeb, which it owns. The worker's receive time-out is
// kReceiveTimeoutVariable's milliseconds when that is set (1 to 600000),
// else the reader's 60 s.
//
// The worker's end hook runs on the worker after its busy flag fell and calls
// OnSearchDone (the session queues the call that ends its wait there); the
// progress hook calls OnProgress. SearchResults() is read only while the
// worker is idle (acquire on its busy flag) and copied under the worker's
// lock; while a search runs it is empty, Status() is 0 and ErrorText()
// empty (the worker writes them). StartSearch keeps the first URL the
// worker built (FirstUrl()).
//
// The session's thread drives it; StopSearch may come from any thread; the
// hooks must be set before the first search. Engine() is the worker itself,
// whose template the page builder reads.
#pragma once

#include <memory>
#include <string>

#include "app/search_engine.h"
#include "search/engine_web.h"

namespace kestrune {

// The environment variable that sets the engine's receive time-out.
inline constexpr const char* kReceiveTimeoutVariable = "KESTRUNE_RECEIVE_TIMEOUT_MS";
// Its milliseconds; 0 when it is unset or not a number from 1 to 600000.
int32_t ReceiveTimeoutFromEnvironment();

class TEngineWebAdapter : public ISearchEngine {
 public:
  TEngineWebAdapter();
  ~TEngineWebAdapter() override;

  EngineWeb& Engine();
  // The first URL of the last search started.
  const std::u16string& FirstUrl() const { return firstUrl_; }

  bool LoadTemplate(std::string_view templateName) override;
  std::string EngineName() const override;
  bool SetUrlCount(int32_t count) override;
  bool StartSearch(std::u16string_view query) override;
  void StopSearch() override;
  bool Reset() override;
  bool Busy() const override;
  int32_t Status() const override;
  void SetStatus(int32_t status) override;
  std::string ErrorText() const override;
  TDownloadFailure DownloadFailure() const override;
  int32_t DownloadFailureStatus() const override;
  TTemplateFault TemplateFault() const override;
  TMetaSearchList2 SearchResults() const override;

 private:
  class TWorker;
  std::unique_ptr<TWorker> worker_;
  std::u16string firstUrl_;
};

}  // namespace kestrune
