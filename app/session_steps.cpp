// The steps of a search in TKestruneSession: Undo and Redo move through the
// ring of search steps and restore the window from the step they reach (the
// counters, the no-query flag, the step counter, the scopes, the stop-word
// change), then rebuild the map and the page without a download.
#include <cmath>

#include "app/kestrune_session.h"

namespace kestrune {

namespace {

constexpr int32_t kKindStopWord = 9;
constexpr int32_t kKindScopeIndex = 11;
constexpr int32_t kFlagFavorite = 1;

}  // namespace

void TKestruneSession::BtnBackClick() {
  // Undo: the step left behind takes its stop-word change back.
  IControlKeys& steps = ContentMap.Steps();
  if (!steps.CanBack()) return;
  const TControlKeyList change = steps.GetCurrent()[kKindStopWord];
  const bool excludedView = ContentMap.ExcludedMode();
  if (excludedView) SwapQueryAndExcluded();
  const int32_t oldStepNumber = StepNumber;
  steps.Back();
  RestoreFromStep(oldStepNumber, excludedView);
  for (const TControlKeyCell& cell : change) {
    cell.Key.Weight == 1.0f ? ReanimateStopWord(cell.Key.Id) : MakeStopWord(cell.Key.Id);
  }
  RebuildAfterStep(true);
}

void TKestruneSession::BtnNextClick() {
  // Redo: the step arrived at applies its stop-word change again.
  IControlKeys& steps = ContentMap.Steps();
  if (!steps.CanForward()) return;
  const bool excludedView = ContentMap.ExcludedMode();
  if (excludedView) SwapQueryAndExcluded();
  const int32_t oldStepNumber = StepNumber;
  steps.Forward();
  const TControlKeyList change = steps.GetCurrent()[kKindStopWord];
  RestoreFromStep(oldStepNumber, excludedView);
  for (const TControlKeyCell& cell : change) {
    cell.Key.Weight == 1.0f ? MakeStopWord(cell.Key.Id) : ReanimateStopWord(cell.Key.Id);
  }
  RebuildAfterStep(false);
}

void TKestruneSession::RestoreFromStep(int32_t oldStepNumber, bool excludedView) {
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
  const TControlKeyList& scopes = step[IControlKeys::kScopeWordsKind];
  if (scopes.size() == 1 && scopes.front().HasScopeWords) Scope.SetScopes(scopes.front().ScopeWords);
  if (step[kKindScopeIndex].size() == 1) Scope.SetCurrent(step[kKindScopeIndex].front().Key.Id);
  // The hidden sites follow the marks of the step, so that a later search
  // hides exactly the sites the step hides.
  const int32_t hiddenCounter = Counters.HiddenSites;
  const int32_t removedCounter = Counters.RemovedLinks;
  {
    const bool keep = keepForwardSteps_;
    keepForwardSteps_ = true;
    RebuildMarkCounters();
    keepForwardSteps_ = keep;
  }
  if (!step[kKindRemovedLinks].empty()) Counters.RemovedLinks = removedCounter;
  if (!step[kKindHiddenSites].empty()) Counters.HiddenSites = hiddenCounter;
  if (StepNumber != oldStepNumber) {
    Counters.Total = 0;
    Counters.AllFavoriteLinks = 0;
    for (const TMetaSearchList& document : Documents) {
      if (document.Step > StepNumber) continue;
      ++Counters.Total;
      if ((document.Flags & kFlagFavorite) != 0) ++Counters.AllFavoriteLinks;
    }
  }
  MarkScopeDocuments();
  if (excludedView) SwapQueryAndExcluded();
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
  const bool keep = keepForwardSteps_;
  keepForwardSteps_ = true;
  ContentMapReGenerate();
  keepForwardSteps_ = keep;
  ShowResults(-2, 0);
  StartAdvertising();
}

}  // namespace kestrune
