// The meta-search run of TKestruneSession: a new query's download, the busy
// state of the window while the engine works on its own thread, the wait in
// the window's event loop, and the end of the run.
#include <algorithm>
#include <array>

#include "app/connect_probe.h"
#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "core/message_strings.h"

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

}  // namespace

void TKestruneSession::InstallSearchHooks() {
  if (!Engine) return;
  // The hooks run on the engine's thread: they read nothing of the session
  // but the hand-off fields, and reach this thread through the view that
  // was given when the window was created.
  IMainView* view = View;
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

void TKestruneSession::StartNewSearch() {
  ++NewSearchRequests;
  HideQueryBox();
  TNNKeys queryWords;
  GetStepKeys(queryWords, QueryKind());
  MapWordRefresh();
  for (TMainControl control : {TMainControl::IBitmapButtonUndo, TMainControl::IBitmapButtonRedo,
                               TMainControl::ibitmapButton1, TMainControl::fullRefresh}) {
    SetEnabled(control, false);
  }
  if (queryWords.empty()) return;
  if (View) View->SetText(TMainControl::Label1, MessageStrings.smSearch);
  // The normal view: a list view's dimmed map, held busy, is usable again.
  if (IsMarksView(ViewMode) || ViewMode == kViewStopWords) {
    if (MapView) MapView->LeaveState(IMapViewOps::kStateBusy);
    ContentMap.SetDimmed(false);
  }
  ViewMode = kViewNormal;
  RunMetaSearch(kRunDownload);
}

bool TKestruneSession::StartEngineSearch(std::u16string_view query) {
  SearchRun.DoneSeen = false;
  SearchEnd = TSearchEnd();
  SearchRun.Started = Engine && Engine->Status() == ISearchEngine::kStatusOk && Engine->StartSearch(query);
  return SearchRun.Started;
}

TKestruneSession::TSearchRunGuard TKestruneSession::BeginSearchRun(const char* who) {
  if (SearchRun.Depth > 0) {
    LogFile.Log(std::string(who) + ": a search runs already; no second one is started", 1);
    return TSearchRunGuard();
  }
  ++SearchRun.Depth;
  return TSearchRunGuard(this);
}

TKestruneSession::TSearchRunGuard::~TSearchRunGuard() {
  if (!Session) return;
  --Session->SearchRun.Depth;
  if (Session->OnSearchRunEnded) Session->OnSearchRunEnded();
}

bool TKestruneSession::PrepareDownload(const char* who) {
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
  if (Engine->EngineName() != Config.Settings.website) Engine->LoadTemplate(Config.CurrentEngineTemplate);
  if (Config.LinksToDownload == 0) Config.LinksToDownload = 50;
  Engine->SetUrlCount(Config.LinksToDownload);
  ShowResults(kEditNone, kPageModeSearching);
  SearchJustRan = true;

  // A proxy that asked for a login is asked again; while it still wants
  // one, or the template failed, nothing is downloaded.
  TConnectProbe& probe = Probe ? *Probe : ConnectProbe();
  if (probe.ConnectState.load() == 2) probe.TestConnection();
  if (probe.ConnectState.load() == 2 || Engine->Status() > ISearchEngine::kStatusOk) {
    LogFile.Log(name + ": no download (connection state " + std::to_string(probe.ConnectState.load()) +
                    ", engine status " + std::to_string(Engine->Status()) + ")",
                1);
    FinishSearch();
    Engine->SetStatus(ISearchEngine::kStatusOk);
    return false;
  }
  return true;
}

void TKestruneSession::RunMetaSearch(int32_t options) {
  const TSearchRunGuard run = BeginSearchRun("RunMetaSearch");
  if (!run) return;

  LogFile.Log("Start metasearch", 0);
  ShowSearchBusy();
  if ((options & kRunDownload) != 0) {
    // a.-e. The template, the search page and the connection.
    if (!PrepareDownload("RunMetaSearch")) return;

    // f.-h. The download, while the window keeps working.
    const std::u16string query = GetQueryText();
    if (!StartEngineSearch(query)) {
      LogFile.Log("RunMetaSearch: the engine did not start the search: " + Engine->ErrorText(), 2);
      FinishSearch();
      Engine->SetStatus(ISearchEngine::kStatusOk);
      return;
    }
    StartAdvertSearch(u"", 1);
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
  MergeResults(GetQueryText());
  if (OnAddSearchScope) OnAddSearchScope();
  Project.Counters.AtLastSearch = static_cast<int32_t>(std::min<size_t>(Project.Documents.size(), INT32_MAX));
  FinishSearch();
}

void TKestruneSession::WaitForSearch() {
  if (!Engine) return;
  if (View) {
    View->WaitUntil([this] { return !Engine->Busy() && (SearchRun.DoneSeen || !SearchRun.Started); });
    return;
  }
  std::unique_lock lock(SearchRun.DoneMutex);
  SearchRun.Done.wait(lock, [this] { return !Engine->Busy(); });
}

void TKestruneSession::ShowSearchBusy() {
  StopRequested = false;
  if (View) {
    View->SetText(TMainControl::Label1, u"");
    View->SetText(TMainControl::TntLabel1, MessageStrings.smSearch);
  }
  SetVisible(TMainControl::IProgressBar1, true);
  SetVisible(TMainControl::TntLabel1, true);
  SetVisible(TMainControl::ibitmap27, true);
  if (MapView) {
    MapView->StopHoverTimers();
    MapView->EnterState(IMapViewOps::kStateSearch);
  }
  SetEnabled(TMainControl::IBitmapButtonStop, true);
  SearchRun.Remembered.assign(kRememberedControls.size(), false);
  for (size_t i = 0; i < kRememberedControls.size(); ++i) {
    SearchRun.Remembered[i] = View && View->Enabled(kRememberedControls[i]);
    SetEnabled(kRememberedControls[i], false);
  }
  for (TMainControl control : kBusyDisabledControls) SetEnabled(control, false);
  if (View) View->SetBusyCursor(true);
  if (MapView) MapView->SetEnabled(false);
}

void TKestruneSession::FinishSearch() {
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
    const IControlKeys& steps = ContentMap.Steps();
    rememberedState(TMainControl::IBitmapButtonUndo) = !Project.Documents.empty() && steps.CanBack();
    rememberedState(TMainControl::IBitmapButtonRedo) = !Project.Documents.empty() && steps.CanForward();
  }

  // 2. The map again; the busy signs go.
  SetEnabled(TMainControl::ibitmapButton1, true);
  ContentMapReGenerate();
  if (View) View->SetProgress(0);
  StopRequested = true;
  if (View) {
    View->SetText(TMainControl::TntLabel1, MessageStrings.smSearch);
    View->SetBusyCursor(false);
  }
  if (MapView) MapView->SetEnabled(true);
  SetEnabled(TMainControl::IBitmapButtonStop, false);

  // 3. The remembered states; full refresh only with scopes.
  for (size_t i = 0; i < kRememberedControls.size(); ++i) SetEnabled(kRememberedControls[i], remembered[i]);
  SetEnabled(TMainControl::fullRefresh, Project.Scope.Count() > 0);
  SetEnabled(TMainControl::IBitmapButton6, true);
  SetEnabled(TMainControl::IBitmapButton7, true);

  // 4. The map has the focus.
  SetMapFocus();
  SetVisible(TMainControl::IProgressBar1, false);
  SetVisible(TMainControl::TntLabel1, false);
  SetVisible(TMainControl::ibitmap27, false);
  SetEnabled(TMainControl::IBitmapButton4, true);
  SetEnabled(TMainControl::IBitmapButton2, true);

  // 5. The page of the search's end, unless the map's rebuild showed it.
  if (SearchJustRan) {
    ShowResults(kEditNone, kPageModeChosen);
    SearchJustRan = false;
  }
  if (MapView) MapView->LeaveState(IMapViewOps::kStateSearch);
}

void TKestruneSession::SearchProgress(int32_t percent) {
  if (View) View->SetProgress(std::clamp(percent, 0, 100));
}

void TKestruneSession::BtnStopClick() {
  StopRequested = true;
  if (Engine) Engine->StopSearch();
  SetEnabled(TMainControl::IBitmapButtonStop, false);
  SetVisible(TMainControl::IProgressBar1, false);
  SetVisible(TMainControl::ibitmap27, false);
  if (View) View->SetText(TMainControl::TntLabel1, MessageStrings.smStopSearch);
}

}  // namespace kestrune
