// TSearchSteps: the search steps of the main window, a typed face over the
// ring of IControlKeys that the content map owns. Each kind of a step is
// read and written through its own call; the ring's layout stays as the
// kinds name it (network/control_keys.h).
//
// The ring always holds the query view: while the map shows the
// excluded-words view, kinds 0 and 1 hold the words traded (the excluded
// words as query words and back); PushUndo, Back and Forward trade them back
// for the ring and again for the view.
//
// Undo (Back) and Redo (Forward) move the ring and read the step reached
// into a TStepState, which the session applies to the project and the map.
//
// A change of the query kinds made by the session itself (a step restored,
// the network fed again) is no new branch of the steps: such code holds
// `auto keep = Steps.KeepForward();` while it changes them.
//
// Used on the user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "core/keys.h"
#include "network/control_keys.h"

namespace kestrune {

// What a step restored by Back or Forward brings back; a field without a
// value was not recorded by the step and stays as it is.
struct TStepState {
  // The map showed the excluded-words view: the kinds are traded back after
  // the restore.
  bool ExcludedView = false;
  bool Undo = false;  // reached by Back (else by Forward)
  std::optional<int32_t> RemovedLinks;  // kind 7
  std::optional<int32_t> HiddenSites;   // kind 8
  std::optional<bool> NoQuery;          // kind 6, kSettingNoQuery
  std::optional<int32_t> StepNumber;    // kind 6, kSettingStepNumber
  // The scope list of the step: the copy of the last step, at or before it,
  // that changed the list (kind 10).
  std::optional<TTScopeWords> Scopes;
  std::optional<int32_t> ScopeIndex;    // kind 11
  // The stop-word changes to apply, in order: the word, and true when it
  // becomes a stop word (false: it is one no more).
  std::vector<std::pair<int32_t, bool>> StopWords;
};

class TSearchSteps {
 public:
  // `excludedView` tells whether the map shows the excluded-words view.
  TSearchSteps(IControlKeys& ring, std::function<bool()> excludedView);
  TSearchSteps(const TSearchSteps&) = delete;
  TSearchSteps& operator=(const TSearchSteps&) = delete;

  IControlKeys& Ring() { return ring_; }
  const IControlKeys& Ring() const { return ring_; }
  bool ExcludedView() const { return excludedView_ && excludedView_(); }

  // ---- the kinds of the current step ----
  // The kinds of the query and excluded words in the map's current view.
  int32_t QueryKind() const { return ExcludedView() ? kKindExcluded : kKindQuery; }
  int32_t ExcludedKind() const { return ExcludedView() ? kKindQuery : kKindExcluded; }
  // Appends the entries of a kind 0..3 (other kinds: nothing).
  void GetStepKeys(TNNKeys& keys, int32_t kind) const;
  TNNKeys QueryWords() const;     // kind 0 as stored
  TNNKeys ExcludedWords() const;  // kind 1 as stored
  TNNKeys DocumentKeys() const;   // kind 2
  // A word joins kind 0 (weight 1) or kind 1 (weight -10000) as stored.
  void AddQueryWord(int32_t wordId, bool silent = false);
  void AddExcludedWord(int32_t wordId, bool silent = false);
  // The mark of a document (kind 3); false when it has none.
  bool MarkOf(int32_t document, float& mark) const;
  void SetMark(int32_t document, float mark, bool silent = false);
  void RemoveMark(int32_t document, bool silent = false);
  // The hovered word (kind 4); -1 when none.
  int32_t HoveredWord() const;
  void ClearHovered(bool silent = false);
  // The announced document (kind 5).
  void SetAnnounced(int32_t document);
  void ClearAnnounced();
  // Kind 6.
  void SetNoQuery(bool noQuery, bool silent = false);
  void SetStepNumber(int32_t stepNumber, bool silent = false);
  // Kinds 7 and 8: the counters the step keeps (id 0).
  void SetRemovedLinks(int32_t count, bool silent = false);
  void SetHiddenSites(int32_t count, bool silent = false);
  // Kind 9: the step's stop-word change.
  const TControlKeyList& StopWordChanges() const { return ring_.GetCurrent()[kKindStopWord]; }
  // The step made the word a stop word: its change is that one alone.
  void RecordStopWordMade(int32_t wordId);
  // The step took the word off the list: replaces the step's change (the
  // page's command).
  void RecordStopWordTakenOff(int32_t wordId);
  // A search or typed query took the word off the list: added to the step's
  // changes (silent), or the step's own making of it undone.
  void NoteStopWordTakenOff(int32_t wordId);
  // Kind 10: a copy of the scope list in the current step (the earlier copy
  // goes).
  void SnapshotScopes(const TTScopeWords& scopes);
  // Kind 11: the current scope; -1 when the step holds none.
  int32_t ScopeIndex() const;
  // The step's current scope becomes `index` (the one entry of kind 11).
  void SetScopeIndex(int32_t index);
  // The step holds no current scope.
  void ClearScopeIndex();

  // The query and excluded words trade kinds 0 and 1 (the excluded-words
  // view keeps them traded); the hovered word is forgotten. Silent.
  void SwapQueryAndExcluded();

  // ---- the ring ----
  bool CanBack() const { return ring_.CanBack(); }
  bool CanForward() const { return ring_.CanForward(); }
  // A new step as a copy of the current one, in the query view's form.
  void PushUndo();
  // Undo: the ring one step back; the state of the step reached, with the
  // stop-word change of the step left taken back. Nothing when there is no
  // step behind.
  std::optional<TStepState> Back();
  // Redo: the ring one step forward; the state of the step reached, with its
  // stop-word change applied again.
  std::optional<TStepState> Forward();
  // The state of the current step (no stop-word change).
  TStepState CurrentState(bool excludedView) const;
  // The steps ahead go; the current step keeps its copy of the scopes, so
  // that Undo and Redo still find the list of this step.
  void CutForward();

  // ---- new branches ----
  // While the guard lives, changes of the query kinds are no new branch.
  class TKeepForward {
   public:
    explicit TKeepForward(TSearchSteps& steps) : steps_(&steps), old_(steps.keepForward_) { steps.keepForward_ = true; }
    ~TKeepForward() {
      if (steps_) steps_->keepForward_ = old_;
    }
    TKeepForward(TKeepForward&& other) noexcept : steps_(other.steps_), old_(other.old_) { other.steps_ = nullptr; }
    TKeepForward(const TKeepForward&) = delete;
    TKeepForward& operator=(const TKeepForward&) = delete;
    TKeepForward& operator=(TKeepForward&&) = delete;

   private:
    TSearchSteps* steps_;
    bool old_;
  };
  [[nodiscard]] TKeepForward KeepForward() { return TKeepForward(*this); }
  bool KeepingForward() const { return keepForward_; }
  // The drop of undone documents after a new branch runs once: true when
  // it was not queued yet (it is now), until CutDone.
  bool QueueCut();
  void CutDone() { cutQueued_ = false; }

 private:
  IControlKeys& ring_;
  std::function<bool()> excludedView_;
  bool keepForward_ = false;
  bool cutQueued_ = false;
};

}  // namespace kestrune
