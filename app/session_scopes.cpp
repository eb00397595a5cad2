// The scopes of TKestruneSession: every query sent becomes a scope; the page
// adds, replaces, deletes and selects scopes, the scope view shows their
// union, and MarkScopeDocuments flags the documents no scope reaches any
// more. The full refresh, which downloads every scope again, is the search
// run's.
#include <algorithm>

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

// The network holds the words of every scope (FeedNetwork adds them): a
// scope made after the network was built brings its words too, as the
// network of the project saved and opened again holds them.
void AddScopeWords(TIContextMS& network, const TNNKeys& included, const TNNKeys& excluded) {
  for (const TNNKeys* keys : {&included, &excluded}) {
    for (const TNNKey& key : *keys) network.AddWord(key.Id);
  }
}

}  // namespace

void TKestruneSession::SnapshotScopes() {
  Steps.SnapshotScopes(Project.Scope.GetScopes());
  MarkProjectChanged();
}

void TKestruneSession::AddSearchScope() {
  TNNKeys included;
  TNNKeys excluded;
  CurrentScopeKeys(*this, included, excluded);
  if (Project.AddScope(included, excluded)) SnapshotScopes();
  AddScopeWords(IContextMS1, included, excluded);
  Project.Scope.Count() > 0 ? Steps.SetScopeIndex(Project.Scope.CurrentIndex()) : Steps.ClearScopeIndex();
  SetEnabled(TMainControl::fullRefresh, Project.Scope.Count() > 0);
  MarkScopeDocuments();
}

void TKestruneSession::UpdateScope(int32_t index) {
  TNNKeys included;
  TNNKeys excluded;
  CurrentScopeKeys(*this, included, excluded);
  if (Project.ReplaceScope(index, included, excluded)) SnapshotScopes();
  AddScopeWords(IContextMS1, included, excluded);
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

}  // namespace kestrune
