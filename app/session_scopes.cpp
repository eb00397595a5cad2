// The scopes of TKestruneSession: every query sent becomes a scope; the page
// adds, replaces, deletes and selects scopes, the scope view shows their
// union, MarkScopeDocuments flags the documents no scope reaches any more,
// and the full refresh downloads every scope again and flags what is new.
#include <algorithm>

#include "app/connect_probe.h"
#include "app/kestrune_session.h"
#include "core/log_file.h"

namespace kestrune {

namespace {

// The query words and the excluded words of the current step, with the
// weights of the query view (1 and -10000) whichever view the map shows: the
// excluded-words view holds them traded, each side with the other's weight.
void CurrentScopeKeys(const TKestruneSession& session, TNNKeys& included, TNNKeys& excluded) {
  session.GetStepKeys(included, session.QueryKind());
  session.GetStepKeys(excluded, session.ExcludedKind());
  if (!session.ContentMap.ExcludedMode()) return;
  for (TNNKey& key : included) key.Weight = 1.0f;
  for (TNNKey& key : excluded) key.Weight = kExcludedWeight;
}

}  // namespace

void TKestruneSession::SnapshotScopes() { Steps.SnapshotScopes(Project.Scope.GetScopes()); }

void TKestruneSession::AddSearchScope() {
  TNNKeys included;
  TNNKeys excluded;
  CurrentScopeKeys(*this, included, excluded);
  if (Project.AddScope(included, excluded)) SnapshotScopes();
  Project.Scope.Count() > 0 ? Steps.SetScopeIndex(Project.Scope.CurrentIndex()) : Steps.ClearScopeIndex();
  SetEnabled(TMainControl::fullRefresh, Project.Scope.Count() > 0);
  MarkScopeDocuments();
}

void TKestruneSession::UpdateScope(int32_t index) {
  TNNKeys included;
  TNNKeys excluded;
  CurrentScopeKeys(*this, included, excluded);
  if (Project.ReplaceScope(index, included, excluded)) SnapshotScopes();
  Project.Scope.Count() > 0 ? Steps.SetScopeIndex(Project.Scope.CurrentIndex()) : Steps.ClearScopeIndex();
  MarkScopeDocuments();
}

void TKestruneSession::DeleteScope(int32_t index) {
  if (!Project.Scope.IsValidIndex(index)) return;
  IControlKeys& steps = ContentMap.Steps();
  // The step before keeps the scope for Undo.
  SnapshotScopes();
  SaveKeysUndoState();
  Project.Scope.Delete(index);
  SnapshotScopes();
  steps.ClearKind(kKindScopeIndex);
  if (Project.Scope.Count() == 0) {
    AddSearchScope();
    SetEnabled(TMainControl::fullRefresh, Project.Scope.Count() > 0);
  }
  SnapshotScopes();
  steps.ClearKind(kKindScopeIndex);
  steps.SetValue(kKindScopeIndex, Project.Scope.CurrentIndex(), 0.0f);
  MarkScopeDocuments();
}

void TKestruneSession::SelectScope(int32_t index) {
  if (!Project.Scope.IsValidIndex(index)) return;
  IControlKeys& steps = ContentMap.Steps();
  SaveKeysUndoState();
  steps.ClearKind(kKindQuery);
  steps.ClearKind(kKindExcluded);
  for (int32_t i = 0; i < Project.Scope.GetIncludedCount(index); ++i) {
    const TNNKey key = Project.Scope.GetIncludedKey(index, i);
    steps.SetKey(QueryKind(), {key.Id, ContentMap.ExcludedMode() ? kExcludedWeight : 1.0f});
  }
  for (int32_t i = 0; i < Project.Scope.GetExcludedCount(index); ++i) {
    const TNNKey key = Project.Scope.GetExcludedKey(index, i);
    steps.SetKey(ExcludedKind(), {key.Id, ContentMap.ExcludedMode() ? 1.0f : key.Weight});
  }
  ContentMap.SetNoQueryMode(false);
  steps.SetValue(kKindSettings, kSettingNoQuery, 0.0f);
  Project.Scope.SetCurrent(index);
  Steps.SetScopeIndex(index);
  ContentMapReGenerate();
  ShowResults(kEditNone, kPageModeChosen);
}

void TKestruneSession::pmScopeClick() { Map.pmScopeClick(); }

void TKestruneSession::MarkScopeDocuments() {
  Project.MarkScopeDocuments(Project.ScopeReach(IContextMS1), ContentMap.Steps());
}

bool TKestruneSession::SearchAllScopes() {
  if (Project.Scope.Count() == 0 || !Engine) return false;
  // A run like RunMetaSearch: the window defers its close until it ends.
  const TSearchRunGuard run = BeginSearchRun("SearchAllScopes");
  if (!run) return false;
  ShowSearchBusy();
  if (!PrepareDownload("SearchAllScopes")) return false;
  for (int32_t k = 0; k < Project.Scope.Count() && !StopRequested; ++k) {
    const std::u16string query = Project.Scope.GetQueryText(k);
    // A scope without a query word (an older project may hold one) would
    // send the engine an empty query.
    if (Project.Scope.GetIncludedCount(k) <= 0 || query.find_first_not_of(u' ') == std::u16string::npos) {
      LogFile.Log("SearchAllScopes: scope " + std::to_string(k) + " holds no query word; it is not searched", 1);
      continue;
    }
    if (Engine->Status() == ISearchEngine::kStatusOk) StartEngineSearch(query);
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
    MergeResults(query);
    SearchProgress(0);
  }
  Project.Counters.AtLastSearch = static_cast<int32_t>(Project.Documents.size());
  SearchProgress(100);
  return true;
}

void TKestruneSession::fullRefreshClick() {
  IControlKeys& steps = ContentMap.Steps();
  SaveKeysUndoState();
  const bool noQuery = ContentMap.NoQueryMode();
  TNNKeys query;
  TNNKeys excluded;
  if (!noQuery) {
    GetStepKeys(query, kKindQuery);
    GetStepKeys(excluded, kKindExcluded);
  }
  Project.Counters.AllNewLinks = 0;
  Project.Counters.AllOldLinks = 0;
  // The last search shown: the documents of searches undone before the
  // refresh go at its first merge, and what comes after it is new.
  const int32_t lastStep = Project.StepNumber;
  if (!SearchAllScopes()) return;
  for (TMetaSearchList& document : Project.Documents) {
    document.Flags &= ~(kFlagOld | kFlagNew);
    if (document.Step > lastStep) {
      document.Flags |= kFlagNew;
      ++Project.Counters.AllNewLinks;
    }
  }
  // The searches set the scopes' keys as they ran: the step gets its view
  // back, the no-query flag included.
  ContentMap.SetNoQueryMode(noQuery);
  steps.SetValue(kKindSettings, kSettingNoQuery, noQuery ? 1.0f : 0.0f, true);
  if (!noQuery) {
    const auto keep = Steps.KeepForward();
    steps.ClearKind(kKindQuery);
    steps.ClearKind(kKindExcluded);
    for (const TNNKey& key : query) steps.SetKey(kKindQuery, key);
    for (const TNNKey& key : excluded) steps.SetKey(kKindExcluded, key);
  }
  FinishSearch();
  SetEnabled(TMainControl::IBitmapButtonUndo, false);
}

}  // namespace kestrune
