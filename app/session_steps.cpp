// The steps of a search in TKestruneSession: Undo and Redo move through the
// ring of search steps and restore the window from the step they reach (the
// counters, the no-query flag, the step counter, the scopes, the stop-word
// change), then rebuild the map and the page without a download.
#include <cmath>

#include "app/kestrune_session.h"

namespace kestrune {

void TKestruneSession::BtnBackClick() {
  const std::optional<TStepState> state = Steps.Back();
  if (state) RestoreFromStep(*state);
}

void TKestruneSession::BtnNextClick() {
  const std::optional<TStepState> state = Steps.Forward();
  if (state) RestoreFromStep(*state);
}

void TKestruneSession::RestoreFromStep(const TStepState& state) {
  if (state.NoQuery) ContentMap.SetNoQueryMode(*state.NoQuery);
  const int32_t stepNumber = Project.StepNumber;
  Project.ApplyStep(state);
  // Past a search the network is built again: it holds the documents of the
  // searches shown with their searches' keys, as the project saved now does.
  if (Project.StepNumber != stepNumber) FeedNetworkAgain();
  // The hidden sites follow the marks of the step, so that a later search
  // hides exactly the sites the step hides; the counters stay as the step
  // kept them.
  {
    const auto keep = Steps.KeepForward();
    RebuildMarkCounters();
  }
  if (state.RemovedLinks) Project.Counters.RemovedLinks = *state.RemovedLinks;
  if (state.HiddenSites) Project.Counters.HiddenSites = *state.HiddenSites;
  if (state.ExcludedView) SwapQueryAndExcluded();
  for (const auto& [wordId, makeStop] : state.StopWords) makeStop ? MakeStopWord(wordId) : ReanimateStopWord(wordId);
  RecountAfterStep();
  RebuildAfterStep(state.Undo);
  MarkProjectChanged();
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
  SetEnabled(TMainControl::fullRefresh, Project.Scope.Count() > 0);
  DrawAndEventMap1Click();
  if (storeViewKeys && MapView) MapView->StoreKeysInContentMap();
  // Restoring a step is no new branch of the steps.
  {
    const auto keep = Steps.KeepForward();
    ContentMapReGenerate();
  }
  ShowResults(kEditNone, kPageModeChosen);
  StartAdvertSearch(u"", 1);
}

}  // namespace kestrune
