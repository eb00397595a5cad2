// TSearchRun: the meta-search run of the main window. It owns the search
// worker (ISearchEngine), the window's stop request and the run's busy
// state, and reaches the rest of the session (the view, the map, the
// project, the merge) through the session it belongs to.
//
// A search runs on the user-interface thread: RunMetaSearch shows the busy
// state (ShowSearchBusy), gives the engine its template and link count,
// shows the search page, asks the connection probe again while a proxy
// wants a login, starts the engine and waits in IMainView::WaitUntil until
// the engine is idle (the window keeps working: Stop reaches the engine,
// progress arrives as queued, coalesced calls). Then the results are merged
// into the documents (the session's MergeResults, which feeds the network),
// the query becomes a scope (AddSearchScope) and FinishSearch restores the
// window and rebuilds the map and the page. One run at a time: a run asked
// for while one runs is refused and logged. The engine's results are read
// only after it fell idle. The scope run (SearchAllScopes, the full refresh)
// is a run of the same kind, one download per scope.
//
// Used on the user-interface thread, except the engine's two hooks.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_view.h"
#include "app/search_engine.h"

namespace kestrune {

class EngineWeb;
class TConnectProbe;
class TKestruneSession;

class TSearchRun {
 public:
  // session must outlive the run.
  explicit TSearchRun(TKestruneSession& session) : s_(session) {}
  TSearchRun(const TSearchRun&) = delete;
  TSearchRun& operator=(const TSearchRun&) = delete;

  // The search worker (owned; may be null).
  std::unique_ptr<ISearchEngine> Engine;
  // The probe asked before a search; null: the program's ConnectProbe().
  // Not owned.
  TConnectProbe* Probe = nullptr;
  // The window's stop request: cleared when a search begins, set by Stop and
  // when a search finishes (the scope run stops between scopes on it).
  bool StopRequested = true;
  // The window has closed: a run asked for just before the close (the map's
  // animation came first) downloads nothing.
  bool WindowClosed = false;
  // Set when the window was asked to close and agreed.
  bool Closing = false;
  // The EngineWeb behind the search worker, whose template the page builder
  // reads; set by the window's adapter, null until then.
  EngineWeb* EngineObject = nullptr;
  // Set when a download shows its search page; the next result page reads
  // and clears it.
  bool SearchJustRan = false;
  // Called when the outermost run returns (the window closes then when the
  // user closed it during the run).
  std::function<void()> OnSearchRunEnded;

  // The run's state between ShowSearchBusy and FinishSearch, and the
  // hand-offs from the engine's thread.
  struct TSearchRunState {
    // Runs in progress (BeginSearchRun): a second one is refused, and while
    // one runs SearchRunning() holds and the window defers its close.
    int32_t Depth = 0;
    // The enabled states ShowSearchBusy remembered.
    std::vector<bool> Remembered;
    bool Started = false;   // StartEngineSearch started a search
    bool DoneSeen = false;  // its end call ran on this thread
    // The newest progress not yet shown; -1 when none waits.
    std::atomic<int32_t> PendingProgress{-1};
    // The engine's end signal when there is no view to post to.
    std::mutex DoneMutex;
    std::condition_variable Done;
  };
  TSearchRunState SearchRun;

  // How the last download ended, or why the search was not sent: kept from
  // its end until the keys of the step change, so that the pages of that
  // step say it; cleared when a download starts, by a change of the keys and
  // with the project.
  struct TSearchEnd {
    // Nothing was sent: the proxy's login was cancelled, or the engine's
    // template could not be used (TemplateFault says why).
    enum class TNotSent { None, ProxyLogin, Template };
    TDownloadFailure Failure = TDownloadFailure::None;
    int32_t HttpStatus = 0;  // the answer's status of an HttpError
    bool Stopped = false;    // Stop was pressed (or the window closed)
    TNotSent NotSent = TNotSent::None;
    TTemplateFault TemplateFault;
    std::u16string TemplateFile;  // the refused template's file
    bool Early() const { return Stopped || Failure != TDownloadFailure::None || NotSent != TNotSent::None; }
  };
  TSearchEnd SearchEnd;
  // Reads the end of the download that just fell idle from the engine.
  void NoteSearchEnd();
  // Notes a search that was not sent; for a template, only when the engine
  // says what was wrong with it.
  void NoteNotSent(TSearchEnd::TNotSent why);
  // The words for a page: why nothing was sent, the failure, or the stop;
  // a failure or stop followed by smSearchEndedEarly when the page shows
  // documents. Empty after a download that ran to its end.
  static std::u16string SearchEndText(const TSearchEnd& end, bool documentsShown);
  // The notice of a page of this mode: the failure on the no-connection
  // page (mode 2; the engine could not be reached when nothing else is
  // known), the early end on a result page (mode 5), else none.
  std::u16string SearchNoticeForPage(int32_t mode) const;

  // A download for the current query words: the query box goes, and with
  // query words RunMetaSearch(kRunDownload) runs.
  void StartNewSearch();
  // Options of RunMetaSearch: download; without it the engine's last result
  // array is merged again.
  static constexpr int32_t kRunDownload = 2;
  void RunMetaSearch(int32_t options);
  // True while a run is in progress (also inside its wait).
  bool SearchRunning() const { return SearchRun.Depth > 0; }
  void ShowSearchBusy();
  void FinishSearch();
  // The progress bar's position, 0..100.
  void SearchProgress(int32_t percent);
  // The Stop button: the engine stops (its items found so far stay).
  void BtnStopClick();
  // Every scope downloaded again, one after another, each merged; false
  // when there is no scope or engine, a run is in progress or a download
  // failed (the run then ended with FinishSearch). True: the caller ends
  // the run.
  bool SearchAllScopes();
  // The full refresh: every scope again; what the refresh brought is new.
  void fullRefreshClick();

  // Starts the engine on a query for a run; false when its status is not 0
  // or it refused.
  bool StartEngineSearch(std::u16string_view query);
  // A run's start and end: a second run while one runs is refused and
  // logged under `who`; the guard's end calls OnSearchRunEnded.
  struct TSearchRunGuard {
    TSearchRun* Run = nullptr;
    TSearchRunGuard() = default;
    explicit TSearchRunGuard(TSearchRun* run) : Run(run) {}
    TSearchRunGuard(const TSearchRunGuard&) = delete;
    TSearchRunGuard& operator=(const TSearchRunGuard&) = delete;
    TSearchRunGuard(TSearchRunGuard&& other) noexcept : Run(other.Run) { other.Run = nullptr; }
    ~TSearchRunGuard();
    explicit operator bool() const { return Run != nullptr; }
  };
  TSearchRunGuard BeginSearchRun(const char* who);
  // Over a search: when it ends with the project holding no document, the
  // project's changed mark and Save are as the search found them (the scope
  // of an empty, refused, failed or stopped search is no work to save, and
  // New query and the engine change ask nothing for it); with documents they
  // stay as the search left them.
  class TMarkOnlyWithDocuments {
   public:
    explicit TMarkOnlyWithDocuments(TKestruneSession& session);
    ~TMarkOnlyWithDocuments();
    TMarkOnlyWithDocuments(const TMarkOnlyWithDocuments&) = delete;
    TMarkOnlyWithDocuments& operator=(const TMarkOnlyWithDocuments&) = delete;

   private:
    TKestruneSession& s_;
    bool marked_;
    bool saveEnabled_;
  };
  // Before a run downloads: the engine's template and link count, the
  // search page, the proxy's login asked again. False, with the run ended
  // (FinishSearch), when the window has closed, the proxy still wants a
  // login or the template failed.
  bool PrepareDownload(const char* who);
  // Waits until the search that StartEngineSearch started is over and its
  // queued calls ran: in the view's event loop (IMainView::WaitUntil), or
  // without a view on the engine's end signal. At once when none runs.
  void WaitForSearch();
  // The engine's progress and end hooks (the session's Create installs
  // them): both run on the engine's thread and only queue work for this
  // thread.
  void InstallSearchHooks();

 private:
  void SetEnabled(TMainControl control, bool enabled);
  void SetVisible(TMainControl control, bool visible);

  TKestruneSession& s_;
};

}  // namespace kestrune
