// The search steps of the main window over the ring of IControlKeys: the
// typed calls per kind, the push of a step, Undo and Redo with the state of
// the step reached, and the cut of the steps ahead.
#include "app/search_steps.h"

#include <cmath>

namespace kestrune {

namespace {

int32_t Rounded(float value) { return static_cast<int32_t>(std::nearbyint(value)); }

}  // namespace

TSearchSteps::TSearchSteps(IControlKeys& ring, std::function<bool()> excludedView)
    : ring_(ring), excludedView_(std::move(excludedView)) {}

void TSearchSteps::GetStepKeys(TNNKeys& keys, int32_t kind) const {
  if (kind < kKindQuery || kind > kKindMarks) return;
  for (const TControlKeyCell& cell : ring_.GetCurrent()[static_cast<size_t>(kind)]) keys.push_back(cell.Key);
}

TNNKeys TSearchSteps::QueryWords() const {
  TNNKeys keys;
  GetStepKeys(keys, kKindQuery);
  return keys;
}

TNNKeys TSearchSteps::ExcludedWords() const {
  TNNKeys keys;
  GetStepKeys(keys, kKindExcluded);
  return keys;
}

TNNKeys TSearchSteps::DocumentKeys() const {
  TNNKeys keys;
  GetStepKeys(keys, kKindDocuments);
  return keys;
}

void TSearchSteps::AddQueryWord(int32_t wordId, bool silent) {
  ring_.SetValue(kKindQuery, wordId, kQueryWeight, silent);
}

void TSearchSteps::AddExcludedWord(int32_t wordId, bool silent) {
  ring_.SetValue(kKindExcluded, wordId, kExcludedWeight, silent);
}

bool TSearchSteps::MarkOf(int32_t document, float& mark) const {
  const int32_t at = ring_.IndexOf(kKindMarks, document);
  if (at < 0) return false;
  mark = ring_.GetCurrent()[kKindMarks][static_cast<size_t>(at)].Key.Weight;
  return true;
}

void TSearchSteps::SetMark(int32_t document, float mark, bool silent) {
  ring_.SetValue(kKindMarks, document, mark, silent);
}

void TSearchSteps::RemoveMark(int32_t document, bool silent) { ring_.Remove(kKindMarks, document, silent); }

int32_t TSearchSteps::HoveredWord() const {
  const TControlKeyList& hovered = ring_.GetCurrent()[kKindHovered];
  return hovered.empty() ? -1 : hovered.front().Key.Id;
}

void TSearchSteps::ClearHovered(bool silent) { ring_.ClearKind(kKindHovered, silent); }

void TSearchSteps::SetAnnounced(int32_t document) { ring_.SetValue(kKindAnnounced, document, 1.0f); }

void TSearchSteps::ClearAnnounced() { ring_.ClearKind(kKindAnnounced); }

void TSearchSteps::SetNoQuery(bool noQuery, bool silent) {
  ring_.SetValue(kKindSettings, kSettingNoQuery, noQuery ? 1.0f : 0.0f, silent);
}

void TSearchSteps::SetStepNumber(int32_t stepNumber, bool silent) {
  ring_.SetValue(kKindSettings, kSettingStepNumber, static_cast<float>(stepNumber), silent);
}

void TSearchSteps::SetRemovedLinks(int32_t count, bool silent) {
  ring_.SetValue(kKindRemovedLinks, 0, static_cast<float>(count), silent);
}

void TSearchSteps::SetHiddenSites(int32_t count, bool silent) {
  ring_.SetValue(kKindHiddenSites, 0, static_cast<float>(count), silent);
}

void TSearchSteps::RecordStopWordMade(int32_t wordId) {
  ring_.ClearKind(kKindStopWord);
  ring_.SetValue(kKindStopWord, wordId, kStopWordMade);
}

void TSearchSteps::RecordStopWordTakenOff(int32_t wordId) {
  ring_.ClearKind(kKindStopWord);
  ring_.SetValue(kKindStopWord, wordId, kStopWordTakenOff);
}

void TSearchSteps::NoteStopWordTakenOff(int32_t wordId) {
  const TControlKeyList& change = ring_.GetCurrent()[kKindStopWord];
  bool madeHere = false;
  for (const TControlKeyCell& cell : change) madeHere = madeHere || (cell.Key.Id == wordId && cell.Key.Weight == kStopWordMade);
  if (madeHere) {
    ring_.Remove(kKindStopWord, wordId, true);
  } else {
    ring_.SetValue(kKindStopWord, wordId, kStopWordTakenOff, true);
  }
}

void TSearchSteps::SnapshotScopes(const TTScopeWords& scopes) {
  ring_.ClearKind(kKindScopeWords);
  ring_.AddScopeWords(scopes);
}

int32_t TSearchSteps::ScopeIndex() const {
  const TControlKeyList& index = ring_.GetCurrent()[kKindScopeIndex];
  return index.size() == 1 ? index.front().Key.Id : -1;
}

void TSearchSteps::SetScopeIndex(int32_t index) {
  ClearScopeIndex();
  ring_.SetValue(kKindScopeIndex, index, 0.0f);
}

void TSearchSteps::ClearScopeIndex() {
  if (!ring_.GetCurrent()[kKindScopeIndex].empty()) ring_.ClearKind(kKindScopeIndex);
}

void TSearchSteps::SwapQueryAndExcluded() {
  ring_.ClearKind(kKindHovered, true);
  const TControlKeyList query = ring_.GetCurrent()[kKindQuery];
  const TControlKeyList excluded = ring_.GetCurrent()[kKindExcluded];
  ring_.ClearKind(kKindQuery, true);
  ring_.ClearKind(kKindExcluded, true);
  for (const TControlKeyCell& cell : excluded) ring_.SetValue(kKindQuery, cell.Key.Id, 1.0f, true);
  for (const TControlKeyCell& cell : query) ring_.SetValue(kKindExcluded, cell.Key.Id, kExcludedWeight, true);
}

void TSearchSteps::PushUndo() {
  // The ring always holds the query view.
  const bool excludedView = ExcludedView();
  if (excludedView) SwapQueryAndExcluded();
  ring_.PushStep();
  if (excludedView) SwapQueryAndExcluded();
}

std::optional<TStepState> TSearchSteps::Back() {
  if (!ring_.CanBack()) return std::nullopt;
  // The step left behind takes its stop-word change back.
  const TControlKeyList change = ring_.GetCurrent()[kKindStopWord];
  const bool excludedView = ExcludedView();
  if (excludedView) SwapQueryAndExcluded();
  ring_.Back();
  TStepState state = CurrentState(excludedView);
  state.Undo = true;
  for (const TControlKeyCell& cell : change) state.StopWords.emplace_back(cell.Key.Id, cell.Key.Weight != kStopWordMade);
  return state;
}

std::optional<TStepState> TSearchSteps::Forward() {
  if (!ring_.CanForward()) return std::nullopt;
  // The step arrived at applies its stop-word change again.
  const bool excludedView = ExcludedView();
  if (excludedView) SwapQueryAndExcluded();
  ring_.Forward();
  TStepState state = CurrentState(excludedView);
  for (const TControlKeyCell& cell : ring_.GetCurrent()[kKindStopWord]) {
    state.StopWords.emplace_back(cell.Key.Id, cell.Key.Weight == kStopWordMade);
  }
  return state;
}

TStepState TSearchSteps::CurrentState(bool excludedView) const {
  TStepState state;
  state.ExcludedView = excludedView;
  const TControlKeyLists& step = ring_.GetCurrent();
  if (!step[kKindRemovedLinks].empty()) state.RemovedLinks = Rounded(step[kKindRemovedLinks].front().Key.Weight);
  if (!step[kKindHiddenSites].empty()) state.HiddenSites = Rounded(step[kKindHiddenSites].front().Key.Weight);
  for (const TControlKeyCell& cell : step[kKindSettings]) {
    const int32_t value = Rounded(cell.Key.Weight);
    if (cell.Key.Id == kSettingNoQuery) state.NoQuery = value != 0;
    if (cell.Key.Id == kSettingStepNumber) state.StepNumber = value;
  }
  // Every step that changed the scope list carries a copy of it; a step
  // without one has the list of the last step before it that changed it.
  const int32_t changed = ring_.LastStepWithKind(kKindScopeWords);
  if (changed >= 0) {
    const TControlKeyList& cells = ring_.GetStep(changed)[kKindScopeWords];
    if (cells.size() == 1 && cells.front().HasScopeWords) state.Scopes = cells.front().ScopeWords;
  }
  if (step[kKindScopeIndex].size() == 1) state.ScopeIndex = step[kKindScopeIndex].front().Key.Id;
  return state;
}

void TSearchSteps::CutForward() {
  const TControlKeyList scopes = ring_.GetCurrent()[kKindScopeWords];
  ring_.CutForward();
  for (const TControlKeyCell& cell : scopes) {
    if (cell.HasScopeWords) ring_.AddScopeWords(cell.ScopeWords, true);
  }
}

bool TSearchSteps::QueueCut() {
  if (cutQueued_) return false;
  cutQueued_ = true;
  return true;
}

}  // namespace kestrune
