// EngineWeb: the search worker for one web search engine. It reads the
// engine's template ("templates/web/<name>.ini" in the program folder), turns
// a query into the engine's query URL, downloads the result pages one after
// another on a thread of its own, cuts the result items out of each page with
// the template's tag patterns (or, when the template finds nothing, with the
// automatic recovery) and stores them in SearchResults().
//
// Template. Read with TIniBath in quote mode; section and key names in any
// letter case. Section "settings": MainQuery, NextQuery, CountUrlOnSite (or
// URLsPerSiteResponse), format, the tag patterns of the result list, the item,
// its URL, title, annotations and comments (each key by both spellings),
// BeginStrWithUrl/EndStrWithUrl, "macros..." keys, NumberImage, StopString,
// SecurityToken, responsetype ("xml": pages are read as XML). Sections
// "display name" or "general": hostname, hideplaintexturl,
// disabledomainremoval. A tag pattern is one HTML tag; a page tag matches it
// when it has the same name and carries every attribute of the pattern with
// the same value. Template errors never escape: they leave Status() and
// ErrorText() (status 1 template missing or a pattern that is no tag, status 3
// any other fault) and a log line; the settings read before the error stay.
//
// One search, as the main window drives it (user-interface thread):
//   LoadTemplate(name); SetUrlCount(n); StartSearch(query, firstUrl);
//   ... Busy() until it falls (WaitUntilIdle, or OnSearchDone) ...
//   read Status(), ErrorText(), SearchResults().
// StartSearch starts the worker thread the first time. StopSearch may come
// from any thread: it ends a running search within a second (the download is
// aborted; a stop that arrives just as a download begins ends the search when
// that download is over) and keeps the items found so far; status and error
// text are left as they were. LoadTemplate, SetUrlCount, StartSearch, Reset
// and ProcessPage are refused while a search runs.
//
// Threads and memory: the worker owns the run state, the reader, the parser
// and SearchResults() while Busy(); Busy() falls with release order after the
// last write, so a reader that saw it fall (acquire) sees the whole search.
// OnProgress and OnSearchDone run on the worker; OnSearchDone after Busy()
// fell. QueryUrlFor and the template's settings may be read at any time.
//
// Subclasses (the advertising engine) override Execute, StartSearch and
// AddUrlToMetaSearchList and use the protected thread primitives; every
// destructor of the hierarchy calls Shutdown() first, before its own members
// go away. The object never deletes itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "language/word_dictionary.h"
#include "platform/settings_store.h"
#include "search/html_parser.h"
#include "search/http_read.h"
#include "search/meta_search_list.h"

namespace kestrune {

class TAutomaticGetResults;

// A template error inside the engine; caught where it is raised.
class TParseHTMLExcept : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One "macros..." key of a template: kept for the result page builder.
struct TMacros {
  std::string Name;         // the key, lower-cased
  TAttributesTag BeginTag;  // value 2
  TAttributesTag EndTag;    // value 3 when it begins with "<", else empty
  std::u16string Text;      // value 3 when it does not begin with "<"
  int32_t Number = 0;       // value 1
};
using TMacrosList = std::vector<TMacros>;

// The settings of one template. A tag pattern with an empty Name is unset.
struct TEngineTemplate {
  std::string MainQuery;
  std::string NextQuery;
  std::vector<int32_t> CountUrlOnSite;  // links per page, largest first
  std::string Format;                   // lower case: "xml", "utf 8", other (code page 1251)
  TAttributesTag BeginItemsListTag;
  TAttributesTag EndItemsListTag;
  TAttributesTag BeginItemTitleTag;
  TAttributesTag EndItemTitleTag;
  TAttributesTag BeginItemTag;
  TAttributesTag EndItemTag;
  TAttributesTag BeginItemURLTag;
  TAttributesTag EndItemURLTag;
  std::string BeginStrWithUrl;  // lower case
  std::string EndStrWithUrl;    // lower case
  std::vector<TAttributesTag> BeginItemAnnotationTag;
  std::vector<TAttributesTag> EndItemAnnotationTag;
  std::vector<TAttributesTag> BeginItemCommentTag;
  std::vector<TAttributesTag> EndItemCommentTag;
  int32_t AnnotationPairCount = 0;
  int32_t CommentPairCount = 0;
  TMacrosList Macros;
  int32_t NumberImage = 0;
  std::string StopString;
  std::string SecurityToken;
  bool XmlMode = false;
  std::string HostName;  // the engine name
  bool HidePlainTextUrl = false;
  bool DisableDomainRemoval = false;
};

// Why a search's download ended before its last page. A page whose answer
// has a status of 400 or more is such a failure, never a result page.
enum class TDownloadFailure : int32_t {
  None = 0,         // the pages ran out, or the search was stopped
  Unreachable = 1,  // no connection to the engine could be made
  TimedOut = 2,     // the engine stayed silent longer than the receive time-out
  HttpError = 3,    // the engine answered with a status of 400 or more
  Cut = 4,          // the answer broke off while it was read
};

// Why the template was refused, so that the person can mend it: its file
// could not be read, a line of it (or the value of a key) could not be used,
// or a key the search needs is missing. Key names the key as the template's
// description writes it; Line counts from 1 (0: not known).
struct TTemplateFault {
  enum class TKind : int32_t { None = 0, Unreadable = 1, BadValue = 2, MissingKey = 3 };
  TKind Kind = TKind::None;
  std::string Key;
  int32_t Line = 0;
  bool operator==(const TTemplateFault&) const = default;
};

// The settings-store root key for "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
// "HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_PERFORMANCE_DATA",
// "HKEY_CURRENT_CONFIG" or "HKEY_DYN_DATA" (exact spelling); 0 otherwise.
platform::HKEY RegistryRootFromName(std::string_view text);

class EngineWeb {
 public:
  // Status values.
  static constexpr int32_t kStatusOk = 0;
  static constexpr int32_t kStatusTemplate = 1;
  static constexpr int32_t kStatusNoConnection = 2;
  static constexpr int32_t kStatusError = 3;

  // Reader, parser (tag table on), seen-URL set and lock made; the local
  // address read. No thread runs yet.
  EngineWeb();
  virtual ~EngineWeb();
  EngineWeb(const EngineWeb&) = delete;
  EngineWeb& operator=(const EngineWeb&) = delete;

  // ---- template ----
  // Clears the settings and reads the template; then cuts the comment and
  // annotation lists to pairs. False (nothing done) while busy.
  bool LoadTemplate(std::string_view name);
  void LoadSettings(std::u16string_view name);
  void ClearSettings();
  // The first tag of `value` parsed as a page; False when it holds none.
  bool ParseTemplateTag(std::string_view value, TAttributesTag& target);
  const TEngineTemplate& Template() const { return template_; }
  const std::string& EngineName() const { return template_.HostName; }

  // ---- one search ----
  // Sets the wanted link count and the pages that may be fetched. False
  // while busy.
  bool SetUrlCount(int32_t n);
  // The page quota for the links still wanted (see the .cpp).
  void SetCurrentTakeUrl();
  // The first key a search needs that the template lacks, in the order of
  // the template's description; null when none is missing.
  const char* FirstMissingKey() const;
  // Checks the template, sizes SearchResults to the wanted count, builds the
  // first URL (handed back as UTF-16) and starts the worker. False when
  // refused: busy, a template without its required keys (status 1), or a
  // first URL that could not be built.
  virtual bool StartSearch(std::u16string_view query, std::u16string& firstUrl);
  void StopSearch();
  // Forgets the template, the query counter and the seen URLs. False while
  // busy.
  bool Reset();
  std::string CreateQueryUrl(std::u16string_view query);
  void CreateNextLink();
  // The first URL for `query` from the template, for display: the run state
  // is neither read nor written, so it may be called during a search.
  std::string QueryUrlFor(std::u16string_view query) const;

  bool Busy() const { return busy_.load(std::memory_order_acquire) != 0; }
  // True when idle within `ms` milliseconds.
  bool WaitUntilIdle(int32_t ms);
  // Ends the worker: terminate, wake it, abort its download, join. Idempotent;
  // no search starts afterwards.
  void Shutdown();

  int32_t Status() const { return status_; }
  void SetStatus(int32_t status) { status_ = status; }
  const std::string& ErrorText() const { return errorText_; }
  // Why the template was refused (Kind None while it was not); cleared with
  // the settings.
  const TTemplateFault& TemplateFault() const { return templateFault_; }
  // How the last search's download failed (None when it did not), and the
  // answer's status for HttpError. The items of the pages read whole before
  // stay; without any, Status() is kStatusNoConnection.
  TDownloadFailure DownloadFailure() const { return downloadFailure_; }
  int32_t DownloadFailureStatus() const { return downloadFailureStatus_; }
  // The items of the last search; exactly ItemCount() long after it.
  TMetaSearchList2& SearchResults() { return searchResults_; }
  const TMetaSearchList2& SearchResults() const { return searchResults_; }
  int32_t ItemCount() const { return itemCount_; }
  int32_t ItemsAdded() const { return itemsAdded_; }
  int32_t QueryCounter() const { return queryCounter_; }
  const std::string& FirstUrl() const { return firstUrl_; }
  const std::string& NextUrl() const { return nextUrl_; }
  const std::u16string& TextBeforeList() const { return textBeforeList_; }
  const std::u16string& TextAfterList() const { return textAfterList_; }
  const std::string& LocalIp() const { return localIp_; }
  // The local IPv4 address (the first interface that is up and not the
  // loopback, else the loopback); empty when none can be read.
  static std::string GetIP();

  // Progress 0..100 of the running search, on the worker.
  std::function<void(int32_t percent)> OnProgress;
  // After every search, on the worker, once Busy() has fallen.
  std::function<void()> OnSearchDone;

  // ---- without the worker: tests, fuzzers, the benchmark ----
  // A search's start without a thread: StartSearch's checks and state.
  bool PrepareSearch(std::u16string_view query, std::u16string& firstUrl);
  // One downloaded page `bytes` from `url` through the stop string, the parser
  // and the item cutting (or the recovery); the item count after it, -1 when
  // refused (busy).
  int32_t ProcessPage(std::string_view bytes, std::string_view url);

  // ---- result item extraction (on the current page) ----
  bool FindStopString(std::string& page);
  void GetBordersTagsResults();
  int32_t Parse();
  static bool CompareTags(const TAttributesTag& tag, const TAttributesTag& pattern);
  std::u16string StringBetweenTwoTagsInHTML(const TAttributesTag& begin, const TAttributesTag& end);
  static std::u16string GetTagAttribute(const TAttributesTag& tag, std::u16string_view name);
  void ResolveUrl();
  static std::string UrlDirectory(std::string_view url);
  std::string ChangeUrlForAmazon(std::string_view url);
  // Stores the current item, or counts it as a repeat; called under the lock.
  virtual void AddUrlToMetaSearchList();

 protected:
  friend class TAutomaticGetResults;

  // The worker's body: one search per start signal until terminated.
  virtual void Execute();
  void ReportProgress();

  // Thread primitives. EnsureWorker starts the thread on first use (from the
  // user-interface thread); SignalStart wakes it; WaitForStart blocks the
  // worker until a start signal (True) or termination (False).
  void EnsureWorker();
  void SignalStart();
  bool WaitForStart();
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
  // Busy falls (release), waiters wake, OnSearchDone runs.
  void FinishBusy();

  // The per-search state of the page loop.
  void ResetPageState();
  // Steps of one page: stop string, parse, cut or recover; links resolve
  // against `url`. Running out of memory for the page ends the search as a
  // page too large.
  void ProcessPageText(std::string_view bytes, std::string_view url);
  void RecoverPage();
  // Ends the search with status 3 and "The page is too large".
  void PageTooLarge();
  // A stop that the long walks over a page honour: the user's stop or the
  // end of the worker (not the quota and error flag stop_).
  bool StopRequested() const { return stopped_.load() || Terminated(); }
  // Resolves, rewrites and filters an item address against the current page.
  bool NormalizeItemUrl(std::string& url);
  // The one-pass placeholder replacement of both URL builders.
  std::string BuildMainUrl(std::string_view encodedQuery, int32_t quota) const;

  TEngineTemplate template_;

  std::unique_ptr<TIWordDictionary> seen_;  // URLs of this search, case-sensitive
  std::unique_ptr<THttpRead> http_;
  std::unique_ptr<TIHTMLParser> parser_;
  std::unique_ptr<TAutomaticGetResults> recovery_;
  std::mutex lock_;  // around every AddUrlToMetaSearchList
  TMetaSearchList2 searchResults_;

  // Run state.
  std::string localIp_;
  std::string firstUrl_;
  std::string nextUrl_;
  std::string encodedQuery_;
  std::string pageUrl_;  // the page being cut
  int32_t wantedTotal_ = 0;
  int32_t progressBase_ = 0;
  int32_t remaining_ = 0;
  int32_t pageQuota_ = 0;
  int32_t pagesLeft_ = 0;
  int32_t pageCounter_ = 0;
  int32_t acceptedCount_ = 0;
  int32_t pageCount_ = 0;
  int32_t repeatsOnPage_ = 0;
  int32_t itemCount_ = 0;
  int32_t itemsAdded_ = 0;
  int32_t queryCounter_ = 0;
  int32_t progressCount_ = 0;
  int32_t status_ = kStatusOk;
  std::string errorText_;
  TTemplateFault templateFault_;
  TDownloadFailure downloadFailure_ = TDownloadFailure::None;
  int32_t downloadFailureStatus_ = 0;
  bool fallback_ = false;
  int32_t tagCursor_ = 0;
  int32_t listEnd_ = 0;
  int32_t itemEnd_ = 0;
  std::string itemUrl_;
  std::u16string itemTitle_;
  std::u16string itemAnnotation_;
  std::u16string itemText_;
  std::u16string textBeforeList_;
  std::u16string textAfterList_;

  std::atomic<int32_t> busy_{0};  // -1 while a search runs
  std::atomic<bool> stop_{false};
  std::atomic<bool> stopped_{false};

 private:
  std::thread worker_;
  std::mutex threadMutex_;
  std::condition_variable threadCv_;  // start signal, worker id, idle
  bool startSignal_ = false;
  std::atomic<bool> terminated_{false};
  std::atomic<int64_t> workerTid_{0};
};

}  // namespace kestrune
