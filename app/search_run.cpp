// The meta-search run: a new query's download, the busy state of the window
// while the engine works on its own thread, the wait in the window's event
// loop, the end of the run and how the download ended, and the scope run of
// the full refresh.
#include "app/search_run.h"

#include <algorithm>
#include <array>

#include "app/connect_probe.h"
#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "core/message_strings.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// The controls whose enabled state a search remembers and restores: Redo,
// Undo, New query, Help, full refresh, Options, the two track bars (the word
// count and "any" to "all") and the engine box.
constexpr std::array kRememberedControls = {
    TMainControl::IBitmapButtonRedo, TMainControl::IBitmapButtonUndo, TMainControl::IBitmapButtonNew,
    TMainControl::BtnHelp,           TMainControl::fullRefresh,       TMainControl::BtnOptions,
    TMainControl::TrackBar,          TMainControl::TrackBar3,         TMainControl::CBWebSite};

// Disabled while a search runs and enabled again after it.
constexpr std::array kBusyDisabledControls = {TMainControl::IBitmapButton4, TMainControl::IBitmapButton2,
                                              TMainControl::ibitmapButton1, TMainControl::IBitmapButton6,
                                              TMainControl::IBitmapButton7};


std::u16string Decimal(int64_t number) { return platform::Utf8ToUtf16(std::to_string(number)); }

// smEngineHttpError with every "%S" replaced by the status: a language
// file's text is never used as a format.
std::u16string HttpErrorText(int32_t status) {
  return FillPlaceholders(MessageStrings.smEngineHttpError, {Decimal(status)});
}

// Why a search was not sent: the proxy's login, or the template and what is
// wrong with it.
std::u16string NotSentText(const TSearchRun::TSearchEnd& end) {
  if (end.NotSent == TSearchRun::TSearchEnd::TNotSent::ProxyLogin) return MessageStrings.smProxyLoginCancelled;
  const TTemplateFault& fault = end.TemplateFault;
  std::u16string reason;
  switch (fault.Kind) {
    case TTemplateFault::TKind::Unreadable: reason = MessageStrings.smTemplateUnreadable; break;
    case TTemplateFault::TKind::BadValue:
      reason = fault.Line > 0 ? FillPlaceholders(MessageStrings.smTemplateBadLine, {Decimal(fault.Line)})
                              : FillPlaceholders(MessageStrings.smTemplateBadValue, {platform::Utf8ToUtf16(fault.Key)});
      break;
    case TTemplateFault::TKind::MissingKey:
      reason = FillPlaceholders(MessageStrings.smTemplateKeyMissing, {platform::Utf8ToUtf16(fault.Key)});
      break;
    case TTemplateFault::TKind::None: break;
  }
  return FillPlaceholders(MessageStrings.smTemplateRefused, {end.TemplateFile}) + u" " + reason;
}

}  // namespace

void TSearchRun::InstallSearchHooks() {
  if (!Engine) return;
  // The hooks run on the engine's thread: they read nothing of the session
  // but the hand-off fields, and reach this thread through the view that
  // was given when the window was created.
  IMainView* view = s_.View;
  Engine->OnProgress = [this, view](int32_t percent) {
    if (!view) return;
    // Coalesced: while a progress call waits in the queue, it shows the
    // newest value when it runs.
    if (SearchRun.PendingProgress.exchange(percent, std::memory_order_acq_rel) != -1) return;
    view->PostToUi([this] {
      const int32_t newest = SearchRun.PendingProgress.exchange(-1, std::memory_order_acq_rel);
      if (newest >= 0) SearchProgress(newest);
    });
  };
  Engine->OnSearchDone = [this, view] {
    {
      std::lock_guard lock(SearchRun.DoneMutex);
    }
    SearchRun.Done.notify_all();
    // Queued after every progress call of the search: once it ran, the
    // search has nothing more to say.
    if (view) view->PostToUi([this] { SearchRun.DoneSeen = true; });
  };
}

void TSearchRun::StartNewSearch() {
  s_.HideQueryBox();
  TNNKeys queryWords;
  s_.GetStepKeys(queryWords, s_.QueryKind());
  s_.MapWordRefresh();
  for (TMainControl control : {TMainControl::IBitmapButtonUndo, TMainControl::IBitmapButtonRedo,
                               TMainControl::ibitmapButton1, TMainControl::fullRefresh}) {
    SetEnabled(control, false);
  }
  if (queryWords.empty()) return;
  if (s_.View) s_.View->SetText(TMainControl::Label1, MessageStrings.smSearch);
  // The normal view: a list view's dimmed map, held busy, is usable again.
  if (IsMarksView(s_.Results.ViewMode) || s_.Results.ViewMode == kViewStopWords) {
    if (s_.MapView) s_.MapView->LeaveState(IMapViewOps::kStateBusy);
    s_.ContentMap.SetDimmed(false);
  }
  s_.Results.ViewMode = kViewNormal;
  s_.AddRecentQuery(s_.GetQueryText());
  RunMetaSearch(kRunDownload);
}

bool TSearchRun::StartEngineSearch(std::u16string_view query) {
  SearchRun.DoneSeen = false;
  SearchEnd = TSearchEnd();
  SearchRun.Started = Engine && Engine->Status() == ISearchEngine::kStatusOk && Engine->StartSearch(query);
  return SearchRun.Started;
}

TSearchRun::TSearchRunGuard TSearchRun::BeginSearchRun(const char* who) {
  if (SearchRun.Depth > 0) {
    LogFile.Log(std::string(who) + ": a search runs already; no second one is started", 1);
    return TSearchRunGuard();
  }
  ++SearchRun.Depth;
  return TSearchRunGuard(this);
}

TSearchRun::TMarkOnlyWithDocuments::TMarkOnlyWithDocuments(TKestruneSession& session)
    : s_(session),
      marked_(session.ProjectFile.Modified),
      saveEnabled_(session.View && session.View->Enabled(TMainControl::IBitmapButton7)) {}

TSearchRun::TMarkOnlyWithDocuments::~TMarkOnlyWithDocuments() {
  if (!s_.Project.Documents.empty()) return;
  s_.ProjectFile.Modified = marked_;
  if (s_.View) s_.View->SetEnabled(TMainControl::IBitmapButton7, saveEnabled_);
}

TSearchRun::TSearchRunGuard::~TSearchRunGuard() {
  if (!Run) return;
  --Run->SearchRun.Depth;
  if (Run->OnSearchRunEnded) Run->OnSearchRunEnded();
}

bool TSearchRun::PrepareDownload(const char* who) {
  const std::string name = who;
  if (!Engine) {
    LogFile.Log(name + ": there is no search engine", 2);
    FinishSearch();
    return false;
  }
  if (WindowClosed) {
    LogFile.Log(name + ": the window has closed; nothing is downloaded", 0);
    FinishSearch();
    return false;
  }
  // The engine's template and link count; the search page.
  if (Engine->EngineName() != s_.Config.Settings.website) Engine->LoadTemplate(s_.Config.CurrentEngineTemplate);
  if (s_.Config.LinksToDownload == 0) s_.Config.LinksToDownload = 50;
  Engine->SetUrlCount(s_.Config.LinksToDownload);
  s_.ShowResults(kEditNone, kPageModeSearching);
  SearchJustRan = true;

  // A proxy that asked for a login is asked again; while it still wants
  // one, or the template failed, nothing is downloaded.
  TConnectProbe& probe = Probe ? *Probe : ConnectProbe();
  if (probe.ConnectState.load() == 2) probe.TestConnection();
  if (probe.ConnectState.load() == 2 || Engine->Status() > ISearchEngine::kStatusOk) {
    LogFile.Log(name + ": no download (connection state " + std::to_string(probe.ConnectState.load()) +
                    ", engine status " + std::to_string(Engine->Status()) + ")",
                1);
    NoteNotSent(probe.ConnectState.load() == 2 ? TSearchEnd::TNotSent::ProxyLogin : TSearchEnd::TNotSent::Template);
    FinishSearch();
    Engine->SetStatus(ISearchEngine::kStatusOk);
    return false;
  }
  return true;
}

void TSearchRun::RunMetaSearch(int32_t options) {
  const TSearchRunGuard run = BeginSearchRun("RunMetaSearch");
  if (!run) return;
  const TMarkOnlyWithDocuments mark(s_);

  LogFile.Log("Start metasearch", 0);
  ShowSearchBusy();
  if ((options & kRunDownload) != 0) {
    // a.-e. The template, the search page and the connection.
    if (!PrepareDownload("RunMetaSearch")) return;

    // f.-h. The download, while the window keeps working.
    const std::u16string query = s_.GetQueryText();
    if (!StartEngineSearch(query)) {
      LogFile.Log("RunMetaSearch: the engine did not start the search: " + Engine->ErrorText(), 2);
      NoteNotSent(TSearchEnd::TNotSent::Template);
      FinishSearch();
      Engine->SetStatus(ISearchEngine::kStatusOk);
      return;
    }
    s_.StartAdvertSearch(u"", 1);
    WaitForSearch();
    NoteSearchEnd();

    // i.-j. A failed download ends the run; the page shows what failed.
    if (Engine->Status() > ISearchEngine::kStatusOk) {
      LogFile.Log("RunMetaSearch: the search ended with status " + std::to_string(Engine->Status()) + ": " +
                      Engine->ErrorText(),
                  1);
      FinishSearch();
      Engine->SetStatus(ISearchEngine::kStatusOk);
      return;
    }
    SearchProgress(100);
  }

  // 4. The merge, the query as a scope, the end.
  s_.MergeResults(s_.GetQueryText());
  s_.AddSearchScope();
  s_.Project.Counters.AtLastSearch = static_cast<int32_t>(std::min<size_t>(s_.Project.Documents.size(), INT32_MAX));
  FinishSearch();
}

void TSearchRun::WaitForSearch() {
  if (!Engine) return;
  if (s_.View) {
    s_.View->WaitUntil([this] { return !Engine->Busy() && (SearchRun.DoneSeen || !SearchRun.Started); });
    return;
  }
  std::unique_lock lock(SearchRun.DoneMutex);
  SearchRun.Done.wait(lock, [this] { return !Engine->Busy(); });
}

void TSearchRun::ShowSearchBusy() {
  StopRequested = false;
  if (s_.View) {
    s_.View->SetText(TMainControl::Label1, u"");
    s_.View->SetText(TMainControl::TntLabel1, MessageStrings.smSearch);
  }
  SetVisible(TMainControl::IProgressBar1, true);
  SetVisible(TMainControl::TntLabel1, true);
  SetVisible(TMainControl::ibitmap27, true);
  if (s_.MapView) {
    s_.MapView->StopHoverTimers();
    s_.MapView->EnterState(IMapViewOps::kStateSearch);
  }
  SetEnabled(TMainControl::IBitmapButtonStop, true);
  SearchRun.Remembered.assign(kRememberedControls.size(), false);
  for (size_t i = 0; i < kRememberedControls.size(); ++i) {
    SearchRun.Remembered[i] = s_.View && s_.View->Enabled(kRememberedControls[i]);
    SetEnabled(kRememberedControls[i], false);
  }
  for (TMainControl control : kBusyDisabledControls) SetEnabled(control, false);
  if (s_.View) s_.View->SetBusyCursor(true);
  if (s_.MapView) s_.MapView->SetEnabled(false);
}

void TSearchRun::FinishSearch() {
  std::vector<bool> remembered = SearchRun.Remembered;
  remembered.resize(kRememberedControls.size(), true);
  auto rememberedState = [&](TMainControl control) -> std::vector<bool>::reference {
    const auto at = std::find(kRememberedControls.begin(), kRememberedControls.end(), control);
    return remembered[static_cast<size_t>(at - kRememberedControls.begin())];
  };
  // 1. Without results Undo and Redo follow the ring (off without documents).
  // The engine's array decides: a download that failed after an earlier
  // search's merge brought nothing, whatever that merge counted.
  if (!Engine || Engine->SearchResults().empty()) {
    const IControlKeys& steps = s_.ContentMap.Steps();
    rememberedState(TMainControl::IBitmapButtonUndo) = !s_.Project.Documents.empty() && steps.CanBack();
    rememberedState(TMainControl::IBitmapButtonRedo) = !s_.Project.Documents.empty() && steps.CanForward();
  }

  // 2. The map again; the busy signs go.
  SetEnabled(TMainControl::ibitmapButton1, true);
  s_.ContentMapReGenerate();
  if (s_.View) s_.View->SetProgress(0);
  StopRequested = true;
  if (s_.View) {
    s_.View->SetText(TMainControl::TntLabel1, MessageStrings.smSearch);
    s_.View->SetBusyCursor(false);
  }
  if (s_.MapView) s_.MapView->SetEnabled(true);
  SetEnabled(TMainControl::IBitmapButtonStop, false);

  // 3. The remembered states; full refresh only with scopes.
  for (size_t i = 0; i < kRememberedControls.size(); ++i) SetEnabled(kRememberedControls[i], remembered[i]);
  SetEnabled(TMainControl::fullRefresh, s_.Project.Scope.Count() > 0);
  SetEnabled(TMainControl::IBitmapButton6, true);
  SetEnabled(TMainControl::IBitmapButton7, true);

  // 4. The map has the focus.
  s_.SetMapFocus();
  SetVisible(TMainControl::IProgressBar1, false);
  SetVisible(TMainControl::TntLabel1, false);
  SetVisible(TMainControl::ibitmap27, false);
  SetEnabled(TMainControl::IBitmapButton4, true);
  SetEnabled(TMainControl::IBitmapButton2, true);

  // 5. The page of the search's end, unless the map's rebuild showed it.
  if (SearchJustRan) {
    s_.ShowResults(kEditNone, kPageModeChosen);
    SearchJustRan = false;
  }
  if (s_.MapView) s_.MapView->LeaveState(IMapViewOps::kStateSearch);
}

void TSearchRun::SearchProgress(int32_t percent) {
  if (s_.View) s_.View->SetProgress(std::clamp(percent, 0, 100));
}

void TSearchRun::BtnStopClick() {
  StopRequested = true;
  if (Engine) Engine->StopSearch();
  SetEnabled(TMainControl::IBitmapButtonStop, false);
  SetVisible(TMainControl::IProgressBar1, false);
  SetVisible(TMainControl::ibitmap27, false);
  if (s_.View) s_.View->SetText(TMainControl::TntLabel1, MessageStrings.smStopSearch);
}

void TSearchRun::NoteSearchEnd() {
  SearchEnd = TSearchEnd();
  if (!Engine) return;
  SearchEnd.Failure = Engine->DownloadFailure();
  SearchEnd.HttpStatus = Engine->DownloadFailureStatus();
  // The stop request is cleared when the run begins: set now, Stop was
  // pressed (or the window closed) while the engine worked.
  SearchEnd.Stopped = StopRequested;
}

void TSearchRun::NoteNotSent(TSearchEnd::TNotSent why) {
  TSearchEnd end;
  end.NotSent = why;
  if (why == TSearchEnd::TNotSent::Template) {
    end.TemplateFault = Engine ? Engine->TemplateFault() : TTemplateFault();
    if (end.TemplateFault.Kind == TTemplateFault::TKind::None) return;
    end.TemplateFile = s_.Config.EngineFolder() + platform::Utf8ToUtf16(s_.Config.CurrentEngineTemplate) + u".ini";
  }
  SearchEnd = std::move(end);
}

std::u16string TSearchRun::SearchEndText(const TSearchEnd& end, bool documentsShown) {
  // Nothing was sent: the documents shown are those of earlier searches.
  if (end.NotSent != TSearchEnd::TNotSent::None) return NotSentText(end);
  std::u16string text;
  switch (end.Failure) {
    case TDownloadFailure::Unreachable: text = MessageStrings.smEngineUnreachable; break;
    case TDownloadFailure::TimedOut: text = MessageStrings.smEngineTimedOut; break;
    case TDownloadFailure::HttpError: text = HttpErrorText(end.HttpStatus); break;
    case TDownloadFailure::Cut: text = MessageStrings.smEngineAnswerCut; break;
    case TDownloadFailure::None:
      if (end.Stopped) text = MessageStrings.smSearchStopped;
      break;
  }
  if (documentsShown && !text.empty()) text += u" " + MessageStrings.smSearchEndedEarly;
  return text;
}

std::u16string TSearchRun::SearchNoticeForPage(int32_t mode) const {
  if (mode == kPageModeNoConnection) {
    const std::u16string text = SearchEndText(SearchEnd, false);
    return text.empty() ? MessageStrings.smEngineUnreachable : text;
  }
  return mode == kPageModeResults ? SearchEndText(SearchEnd, true) : std::u16string();
}



bool TSearchRun::SearchAllScopes() {
  TProject& project = s_.Project;
  if (project.Scope.Count() == 0 || !Engine) return false;
  // A run like RunMetaSearch: the window defers its close until it ends.
  const TSearchRunGuard run = BeginSearchRun("SearchAllScopes");
  if (!run) return false;
  ShowSearchBusy();
  if (!PrepareDownload("SearchAllScopes")) return false;
  for (int32_t k = 0; k < project.Scope.Count() && !StopRequested; ++k) {
    const std::u16string query = project.Scope.GetQueryText(k);
    // A scope without a query word (an older project may hold one) would
    // send the engine an empty query.
    if (project.Scope.GetIncludedCount(k) <= 0 || query.find_first_not_of(u' ') == std::u16string::npos) {
      LogFile.Log("SearchAllScopes: scope " + std::to_string(k) + " holds no query word; it is not searched", 1);
      continue;
    }
    if (Engine->Status() == ISearchEngine::kStatusOk && !StartEngineSearch(query)) {
      // Refused: the engine's array is still the last search's, which is no
      // answer to this scope's query.
      LogFile.Log("SearchAllScopes: the engine did not start the search of scope " + std::to_string(k) + ": " +
                      Engine->ErrorText(),
                  1);
      NoteNotSent(TSearchEnd::TNotSent::Template);
      continue;
    }
    WaitForSearch();
    if (StopRequested) Engine->SetStatus(ISearchEngine::kStatusOk);
    if (Engine->Status() > ISearchEngine::kStatusOk) {
      LogFile.Log("SearchAllScopes: the search of scope " + std::to_string(k) + " ended with status " +
                      std::to_string(Engine->Status()),
                  1);
      FinishSearch();
      Engine->SetStatus(ISearchEngine::kStatusOk);
      return false;
    }
    SearchProgress(100);
    s_.MergeResults(query);
    SearchProgress(0);
  }
  project.Counters.AtLastSearch = static_cast<int32_t>(project.Documents.size());
  SearchProgress(100);
  return true;
}

void TSearchRun::fullRefreshClick() {
  TProject& project = s_.Project;
  TContentMap2& map = s_.ContentMap;
  IControlKeys& steps = map.Steps();
  s_.SaveKeysUndoState();
  const bool noQuery = map.NoQueryMode();
  TNNKeys query;
  TNNKeys excluded;
  if (!noQuery) {
    s_.GetStepKeys(query, kKindQuery);
    s_.GetStepKeys(excluded, kKindExcluded);
  }
  project.Counters.AllNewLinks = 0;
  project.Counters.AllOldLinks = 0;
  // The last search shown: the documents of searches undone before the
  // refresh go at its first merge, and what comes after it is new.
  const int32_t lastStep = project.StepNumber;
  if (!SearchAllScopes()) return;
  for (TMetaSearchList& document : project.Documents) {
    document.Flags &= ~(kFlagOld | kFlagNew);
    if (document.Step > lastStep) {
      document.Flags |= kFlagNew;
      ++project.Counters.AllNewLinks;
    }
  }
  // The searches set the scopes' keys as they ran: the step gets its view
  // back, the no-query flag included.
  map.SetNoQueryMode(noQuery);
  steps.SetValue(kKindSettings, kSettingNoQuery, noQuery ? 1.0f : 0.0f, true);
  if (!noQuery) {
    const auto keep = s_.Steps.KeepForward();
    steps.ClearKind(kKindQuery);
    steps.ClearKind(kKindExcluded);
    for (const TNNKey& key : query) steps.SetKey(kKindQuery, key);
    for (const TNNKey& key : excluded) steps.SetKey(kKindExcluded, key);
  }
  FinishSearch();
  SetEnabled(TMainControl::IBitmapButtonUndo, false);
}

void TSearchRun::SetEnabled(TMainControl control, bool enabled) {
  if (s_.View) s_.View->SetEnabled(control, enabled);
}

void TSearchRun::SetVisible(TMainControl control, bool visible) {
  if (s_.View) s_.View->SetVisible(control, visible);
}

}  // namespace kestrune
