// TAmazonCom: the advertising engine. It finds up to three advertising or
// product items for the current key words with an engine template of its own
// ("miva", "begun") and keeps every answer by its key text, so that going back
// and forth between search steps downloads nothing twice. In the log it calls
// itself "TAdvertisement".
//
// One request, as the main window drives it (user-interface thread):
//   UseTemplate("miva"); OnAdvertsReady = ...;
//   StartKeyWordSearch(keyWords, stopWords)   or   StartSearch(keyText);
//   ... OnAdvertsReady runs on the worker after the run ...
//   GetCurrentPage(page) (the page builder) shows the items.
// The key text of a request is its key words followed directly by its stop
// words (or the one text of StartSearch). A run serves the newest request:
// when the key text has a fetched cache entry nothing is downloaded;
// otherwise the template's query URL is built ("$key_words" and
// "$stop_words" encoded like the query and replaced in the same pass as the
// other placeholders) and the answer page cut into at most three items.
// The entry it served becomes the shown entry; then the ready hook runs.
//
// Requests are start signals: one that arrives during a run is served by a
// further run before the worker waits again, and Busy() holds from the first
// request to the end of the last run, so Shutdown() aborts a running
// download. A failed download (no connection) leaves its entry unfetched, to
// be fetched by the next request for that key text; an empty answer stays
// cached until StopAndReset. StopAndReset drops the cache at the next run,
// a request not yet served, the last key text and the shown entry; what a
// run already going on brings is discarded.
//
// Threads: the Start operations, StopAndReset, UseTemplate and Shutdown on
// the user-interface thread; GetCurrentPage, ShownItemCount and KeyText on
// any thread. One mutex guards the cache, the key texts and the shown entry;
// a run works on a copy of its request and commits its entry under the
// mutex, so a reader always sees completed entries. OnAdvertsReady runs on
// the worker (the main window posts it to its own thread) and never after
// Shutdown began. The object never deletes itself.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "search/engine_web.h"
#include "search/meta_search_list.h"

namespace kestrune {

// One cached answer.
struct TParsePage {
  // The items found, ItemCount long; of each only URL, title, annotation and
  // item text are set.
  TMetaSearchList2 Items;
  int32_t ItemCount = 0;
  std::u16string TextBeforeList;
  std::u16string TextAfterList;
  // The whole answer page as read (for the page builder's page macros).
  std::u16string PageText;
  // The answer was received (possibly empty); false while it is to be
  // fetched (a new key text, or a download that failed).
  bool Fetched = false;
};
using TParsePageList = std::vector<TParsePage>;

class TAmazonCom : public EngineWeb {
 public:
  // The most items an answer gives.
  static constexpr int32_t kMaxItems = 3;

  TAmazonCom();
  ~TAmazonCom() override;

  // Stops and resets the engine, waits until its worker is idle and loads the
  // template `name`. False when the worker did not fall idle within `waitMs`
  // (nothing loaded) or the template could not be read (Status() tells).
  bool UseTemplate(std::string_view name, int32_t waitMs = 2000);
  // The name UseTemplate loaded last; empty before.
  const std::string& TemplateName() const { return templateName_; }

  // A request for one key text; firstUrl is left alone. False only after
  // Shutdown.
  bool StartSearch(std::u16string_view keyText, std::u16string& firstUrl) override;
  bool StartSearch(std::u16string_view keyText);
  // A request for key words and stop words (the key text is both, joined).
  bool StartKeyWordSearch(std::u16string_view keyWords, std::u16string_view stopWords);
  // Stops a running download; nothing is shown until the next run; the
  // cache is emptied at the next run; a request not served yet is dropped
  // and the last key text forgotten.
  void StopAndReset();

  // A copy of the shown entry; False (page left alone) when there is none.
  bool GetCurrentPage(TParsePage& page) const;
  // The items of the shown entry; 0 when there is none.
  int32_t ShownItemCount() const;
  // The key text of the last request (the engine's last search text).
  std::u16string KeyText() const;
  // Whether the key text has a fetched entry. When it has none, `entry`
  // becomes the entry to fill: the existing unfetched one, or a new one made
  // with three empty item slots; -1 when no entry can be made.
  bool FindCachedPage(std::u16string_view keyText, int32_t& entry);
  // Empties the cache and the key-text index; the cache is valid again.
  void ResetCache();
  // A text encoded as the template's query is (format, then URL encoding).
  std::string EncodeWords(std::u16string_view text) const;

  // The hook after every run that was not discarded; runs on the worker.
  std::function<void()> OnAdvertsReady;
  // An integer the main window gives with each start (user-interface
  // thread only; the engine does not read it).
  int32_t Tag = 0;

  // ---- without the worker: tests, fuzzers ----
  // The page step of a run for `keyText` whose answer is `bytes` from
  // `url`: the entry is filled from the page, marked fetched and shown. The
  // item count, -1 when refused (busy, or no entry can be made).
  int32_t ProcessAdvertPage(std::u16string_view keyText, std::string_view bytes, std::string_view url);

  // Stores one accepted item in the run's page (called by Parse).
  void AddUrlToMetaSearchList() override;

 protected:
  // One request as a run sees it.
  struct TRequest {
    std::u16string KeyText;
    std::u16string KeyWords;
    std::u16string StopWords;
    uint64_t Generation = 0;
  };

  void Execute() override;
  // Takes the next request under the mutex; when there is none (or the
  // engine is terminated) Busy() falls and False comes back.
  bool TakeRequest(TRequest& request);
  void Run(const TRequest& request);
  // Downloads the request's answer into the run's page: True when an answer
  // came (possibly empty), False after a failure or a stop.
  bool Download(const TRequest& request);
  // The query URL of the request: one pass over the template's main query.
  std::string CreateAdvertUrl(const TRequest& request);
  // Resets the run state for one answer page.
  void BeginPage();
  // Cuts the items of a downloaded page into the run's page.
  void CutPage(std::string page, std::string_view url);
  // Shows cache entry `entry`, with `store` first replaced by the run's
  // page, unless a reset or the end came since the request was taken. False
  // when the run was discarded.
  bool CommitPage(int32_t entry, bool store, uint64_t generation);
  bool FindCachedPageLocked(std::u16string_view keyText, int32_t& entry);
  void ResetCacheLocked();
  // Marks a new request pending and wakes the worker.
  bool Request(std::u16string keyText, std::u16string keyWords, std::u16string stopWords);

  mutable std::mutex mutex_;  // the fields below up to runPage_
  TParsePageList cache_;
  int32_t currentEntry_ = 0;
  int32_t shownEntry_ = -1;  // -1: nothing shown
  bool cacheValid_ = true;
  bool pending_ = false;
  uint64_t generation_ = 0;  // raised by StopAndReset
  std::u16string keyText_;
  std::u16string keyWords_;
  std::u16string stopWords_;

  TParsePage runPage_;  // the worker's page while it is cut
  std::string templateName_;
};

}  // namespace kestrune
