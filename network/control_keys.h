// IControlKeys: the state of one search step of the word map as twelve lists
// of keyed values, kept in a ring of 100 steps for undo and redo.
//
// Kinds as the main window and the content map use them are named below
// (kKindQuery ... kKindScopeIndex); the class gives no meaning to a kind
// except kind 10 and the kinds PushStep compares.
//
// Every entry is an (id, value) cell. The cells that AddScopeWords puts into
// kind 10 hold a deep copy of a scope-word array instead; pairs that an old
// project chunk delivers for kind 10 stay plain pairs, so the two forms are
// never mistaken for each other. SetKey, SetValue and Remove address pairs by
// id; scope-word cells have no id.
//
// The ring: the step after s is (s + 1) mod 100, the step before it
// (s + 99) mod 100; a step is filled when any of its lists holds an entry.
// Besides the current step the ring knows its oldest and newest step: Back
// stops at the oldest, Forward at the newest, so undo never wraps into newer
// steps and redo never reaches the steps of an abandoned branch.
//
// The lists keep the order their entries came in. Beside the current step's
// lists the ring keeps where each id stands (built when a list is first
// searched), so that SetKey, SetValue, Remove and IndexOf cost no walk over a
// list of tens of thousands of documents; StepsDiffer and PushStep compare
// lists in time linear in their length.
//
// OnChange receives a kind 0..11 after a change of that kind of the current
// step, 11 after a change of the whole step (PushStep, ClearAll, ClearHistory,
// ClearBack) and 14 after CutForward. A True Silent argument suppresses it.
//
// Used on the user-interface thread only; the content map owns the instance.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/keys.h"
#include "core/tag_stream.h"
#include "network/key_positions.h"

namespace kestrune {

// The kinds of a step.
inline constexpr int32_t kKindQuery = 0;         // query words (id -> 1.0)
inline constexpr int32_t kKindExcluded = 1;      // excluded words (id -> -10000)
inline constexpr int32_t kKindDocuments = 2;     // documents of the result page, used as keys
inline constexpr int32_t kKindMarks = 3;         // marks of documents (search/meta_search_list.h)
inline constexpr int32_t kKindHovered = 4;       // the hovered word
inline constexpr int32_t kKindAnnounced = 5;     // the announced document
inline constexpr int32_t kKindSettings = 6;      // step settings (the ids below)
inline constexpr int32_t kKindRemovedLinks = 7;  // the removed-links counter (id 0)
inline constexpr int32_t kKindHiddenSites = 8;   // the hidden-sites counter (id 0)
inline constexpr int32_t kKindStopWord = 9;      // stop-word changes (the values below)
inline constexpr int32_t kKindScopeWords = 10;   // copies of the scope list (TTScopeWords)
inline constexpr int32_t kKindScopeIndex = 11;   // the search scope (scope id -> 0)
// The weights of the query words and the excluded words (kinds 0 and 1).
inline constexpr float kQueryWeight = 1.0f;
inline constexpr float kExcludedWeight = -10000.0f;
// The ids of kind 6: the no-query flag, and the step's number of searches.
inline constexpr int32_t kSettingNoQuery = 1;
inline constexpr int32_t kSettingStepNumber = 2;
// The values of kind 9: the step made the word a stop word, or took one off.
inline constexpr float kStopWordMade = 1.0f;
inline constexpr float kStopWordTakenOff = -1.0f;

// One entry of a step list: a key (id and value), or in kind 10 a cell that
// holds a deep copy of scope words (HasScopeWords; its Key is then unused).
struct TControlKeyCell {
  TNNKey Key;
  bool HasScopeWords = false;
  TTScopeWords ScopeWords;
};

using TControlKeyList = std::vector<TControlKeyCell>;
using TControlKeyLists = std::array<TControlKeyList, 12>;

class IControlKeys {
 public:
  static constexpr int32_t kKindCount = 12;
  static constexpr int32_t kStepCount = 100;
  static constexpr int32_t kScopeWordsKind = kKindScopeWords;
  // Change codes beyond the kinds.
  static constexpr int32_t kChangeStep = 11;
  static constexpr int32_t kChangeCut = 14;
  // The project tag that holds the search-step chunk of an older project, and
  // the tag our writer nests in it (the reader does not check its number; a
  // class-3 tag leaves the body unbounded).
  static constexpr int32_t kStepChunkTag = 16394;
  static constexpr int32_t kStepBodyTag = 16384;
  // Result of LoadFromTagStream / SaveToTagStream.
  static constexpr int32_t kChunkOk = 0;
  static constexpr int32_t kChunkFailed = -1;

  IControlKeys();
  IControlKeys(const IControlKeys&) = delete;
  IControlKeys& operator=(const IControlKeys&) = delete;

  std::function<void(int32_t)> OnChange;

  // The 12 lists of the current step, indexed by kind.
  const TControlKeyLists& GetCurrent() const { return steps_[current_]; }
  // The lists of any step 0..99 (an out-of-range step gives empty lists).
  const TControlKeyLists& GetStep(int32_t step) const;
  int32_t CurrentStep() const { return current_; }

  // Overwrites the value of an existing id (result -1, no callback) or appends
  // (result: the new index; OnChange(kind) unless silent). -1 for a bad kind.
  int32_t SetKey(int32_t kind, const TNNKey& key, bool silent = false);
  // The same with id and value apart: 0 overwritten, 1 appended (-1 bad kind).
  int32_t SetValue(int32_t kind, int32_t id, float value, bool silent = false);
  // Removes the entry at index when it exists.
  void Delete(int32_t kind, int32_t index, bool silent = false);
  // Removes the first pair with that id when there is one.
  void Remove(int32_t kind, int32_t id, bool silent = false);
  // Remove for each of the ids (each named once) in one walk over the list:
  // OnChange(kind) once for every pair removed unless silent.
  void RemoveIds(int32_t kind, const std::vector<int32_t>& ids, bool silent = false);
  // The index of the first pair with that id in the current step's kind; -1
  // when there is none (or for a bad kind).
  int32_t IndexOf(int32_t kind, int32_t id) const;
  void ClearKind(int32_t kind, bool silent = false);
  void ClearKindOfStep(int32_t kind, int32_t step, bool silent = false);
  // SetValue in any step 0..99 of the ring; silent. -1 for a bad kind or
  // step.
  int32_t SetValueOfStep(int32_t kind, int32_t step, int32_t id, float value);
  // Every kind of the current step, then OnChange(11).
  void ClearAll(bool silent = false);
  // Appends a deep copy of the scope words to kind 10; always -1.
  int32_t AddScopeWords(const TTScopeWords& words, bool silent = false);
  // True when the kind's lists of the two steps differ in count, or some entry
  // of stepA has no match in stepB (same id, and same value when
  // compareValues; scope-word cells match equal scope-word cells). Order does
  // not matter.
  bool StepsDiffer(int32_t kind, int32_t stepA, int32_t stepB, bool compareValues) const;
  // SetKey(kind, entry, silent) for every pair of that kind in the given step.
  void CopyKindFromStep(int32_t kind, int32_t step);
  // Renumbers the pairs of a kind in every step of the ring (the project's
  // documents were renumbered): id i becomes newIds[i]; a pair whose id lies
  // outside newIds or whose new id is negative is dropped. Scope-word cells
  // stay. Silent.
  void RenumberKind(int32_t kind, const std::vector<int32_t>& newIds);

  // Starts a new step as a copy of the current one (kinds 9 and 10 start
  // empty) unless nothing that counts changed since the step before. True.
  bool PushStep();
  // The nearest step, from the current one back to the oldest, whose kind
  // holds an entry; -1 when none does (or for a bad kind).
  int32_t LastStepWithKind(int32_t kind) const;
  bool Back();
  bool Forward();
  bool CanBack() const;
  bool CanForward() const;
  // Empties the next two steps and makes the current step the newest.
  void CutForward();
  // Empties the steps before the current one and makes it the oldest.
  void ClearBack();
  // Empties the history and makes step 0 current, oldest and newest.
  void ClearHistory();

  // Reads the search-step chunk of an older project: the stream stands inside
  // the project's tag 16394; the chunk is the one tag nested in it. History is
  // cleared first; the entries go into step 0 through SetKey (not silent).
  // A missing chunk, or one whose counts do not fit its tag (or the stream),
  // loads nothing: kChunkFailed, with step 0 left empty.
  int32_t LoadFromTagStream(TTagStream& stream);
  // Writes the current step as such a chunk (the nested tag only; the caller
  // writes the enclosing project tag). Scope-word cells of kind 10 have no
  // form in the chunk and are left out. kChunkFailed on a write error.
  int32_t SaveToTagStream(TTagStream& stream) const;

 private:
  static bool ValidKind(int32_t kind) { return kind >= 0 && kind < kKindCount; }
  static bool ValidStep(int32_t step) { return step >= 0 && step < kStepCount; }
  static int32_t Next(int32_t step) { return (step + 1) % kStepCount; }
  static int32_t Prev(int32_t step) { return (step + kStepCount - 1) % kStepCount; }

  static bool ListsDiffer(const TControlKeyList& a, const TControlKeyList& b, bool compareValues);
  // Index of the first pair with that id, or -1 (a walk over the list).
  static int32_t FindPair(const TControlKeyList& list, int32_t id);
  // Where the ids of the current step's kind stand, built when needed.
  TKeyPositions& Positions(int32_t kind) const;
  // A list of the step changed otherwise than by an append through SetKey:
  // its positions are built again when next needed.
  void Touched(int32_t step, int32_t kind) const;
  bool Filled(int32_t step) const;
  // True when the step lies in the history between the oldest step and the
  // current one.
  bool BehindCurrent(int32_t step) const;
  void EmptyStep(int32_t step);
  void ClearList(int32_t step, int32_t kind);
  // Forward without the newest-step limit (the walk of ClearHistory).
  bool StepForward();
  void Changed(int32_t code, bool silent) const;

  std::array<TControlKeyLists, kStepCount> steps_;
  // The positions of the lists of step positionsStep_ (-1: none yet); a kind
  // whose flag is false is built again from its list when needed.
  mutable std::array<TKeyPositions, kKindCount> positions_;
  mutable std::array<bool, kKindCount> positionsValid_{};
  mutable int32_t positionsStep_ = -1;
  int32_t current_ = 0;
  int32_t oldest_ = 0;
  int32_t newest_ = 0;
};

}  // namespace kestrune
