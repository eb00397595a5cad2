// The steps of a search in TKestruneSession: Undo and Redo move through the
// ring of search steps and restore the window from the step they reach (the
// counters, the no-query flag, the step counter, the scopes, the stop-word
// change), then rebuild the map and the page without a download.
#include <cmath>

#include "app/kestrune_session.h"

namespace kestrune {

namespace {

constexpr int32_t kKindScopeIndex = 11;

}  // namespace

void TKestruneSession::BtnBackClick() {
  // Undo: the step left behind takes its stop-word change back.
  IControlKeys& steps = ContentMap.Steps();
  if (!steps.CanBack()) return;
  const TControlKeyList change = steps.GetCurrent()[kKindStopWord];
  const bool excludedView = ContentMap.ExcludedMode();
  if (excludedView) SwapQueryAndExcluded();
  steps.Back();
  RestoreFromStep(excludedView);
  for (const TControlKeyCell& cell : change) {
    cell.Key.Weight == 1.0f ? ReanimateStopWord(cell.Key.Id) : MakeStopWord(cell.Key.Id);
  }
  RecountAfterStep();
  RebuildAfterStep(true);
}

void TKestruneSession::BtnNextClick() {
  // Redo: the step arrived at applies its stop-word change again.
  IControlKeys& steps = ContentMap.Steps();
  if (!steps.CanForward()) return;
  const bool excludedView = ContentMap.ExcludedMode();
  if (excludedView) SwapQueryAndExcluded();
  steps.Forward();
  const TControlKeyList change = steps.GetCurrent()[kKindStopWord];
  RestoreFromStep(excludedView);
  for (const TControlKeyCell& cell : change) {
    cell.Key.Weight == 1.0f ? MakeStopWord(cell.Key.Id) : ReanimateStopWord(cell.Key.Id);
  }
  RecountAfterStep();
  RebuildAfterStep(false);
}

void TKestruneSession::RestoreFromStep(bool excludedView) {
  const TControlKeyLists& step = ContentMap.Steps().GetCurrent();
  if (!step[kKindRemovedLinks].empty()) {
    Counters.RemovedLinks = static_cast<int32_t>(std::nearbyint(step[kKindRemovedLinks].front().Key.Weight));
  }
  if (!step[kKindHiddenSites].empty()) {
    Counters.HiddenSites = static_cast<int32_t>(std::nearbyint(step[kKindHiddenSites].front().Key.Weight));
  }
  for (const TControlKeyCell& cell : step[kKindSettings]) {
    const int32_t value = static_cast<int32_t>(std::nearbyint(cell.Key.Weight));
    if (cell.Key.Id == 1) ContentMap.SetNoQueryMode(value != 0);
    if (cell.Key.Id == 2) StepNumber = value;
  }
  RestoreScopesOfStep();
  if (step[kKindScopeIndex].size() == 1) Scope.SetCurrent(step[kKindScopeIndex].front().Key.Id);
  // The hidden sites follow the marks of the step, so that a later search
  // hides exactly the sites the step hides.
  const int32_t hiddenCounter = Counters.HiddenSites;
  const int32_t removedCounter = Counters.RemovedLinks;
  {
    const TKeepForwardSteps keep(*this);
    RebuildMarkCounters();
  }
  if (!step[kKindRemovedLinks].empty()) Counters.RemovedLinks = removedCounter;
  if (!step[kKindHiddenSites].empty()) Counters.HiddenSites = hiddenCounter;
  if (excludedView) SwapQueryAndExcluded();
}

void TKestruneSession::RestoreScopesOfStep() {
  // Every step that changed the scope list carries a copy of it; a step
  // without one has the list of the last step before it that changed it.
  const IControlKeys& steps = ContentMap.Steps();
  const int32_t changed = steps.LastStepWithKind(IControlKeys::kScopeWordsKind);
  if (changed < 0) return;
  const TControlKeyList& cells = steps.GetStep(changed)[IControlKeys::kScopeWordsKind];
  if (cells.size() == 1 && cells.front().HasScopeWords) Scope.SetScopes(cells.front().ScopeWords);
}

void TKestruneSession::RecountAfterStep() {
  // The documents of the shown steps and, among those shown, the favourites,
  // new and old links, against the network as the stop words left it.
  RecountDocuments();
  MarkScopeDocuments();
}

void TKestruneSession::RebuildAfterStep(bool storeViewKeys) {
  IControlKeys& steps = ContentMap.Steps();
  SetEnabled(TMainControl::IBitmapButtonUndo, steps.CanBack());
  SetEnabled(TMainControl::IBitmapButtonRedo, steps.CanForward());
  SetEnabled(TMainControl::ibitmapButton1, steps.CanBack());
  SetEnabled(TMainControl::fullRefresh, Scope.Count() > 0);
  DrawAndEventMap1Click();
  if (storeViewKeys && MapView) MapView->StoreKeysInContentMap();
  // Restoring a step is no new branch of the steps.
  {
    const TKeepForwardSteps keep(*this);
    ContentMapReGenerate();
  }
  ShowResults(kEditNone, kPageModeChosen);
  StartAdvertising();
}

}  // namespace kestrune
