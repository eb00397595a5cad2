// TSearchSteps on a ring of its own: every kind of a step comes back through
// a push, Undo and Redo; the stop-word changes, the excluded-words view, the
// guard against new branches and the cut of the steps ahead.
#include "app/search_steps.h"

#include <gtest/gtest.h>

#include "search/meta_search_list.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrune {
namespace {

struct TRing {
  IControlKeys ring;
  bool excludedView = false;
  TSearchSteps steps{ring, [this] { return excludedView; }};
};

// The one id of a kind other than `filler`; -1 when there is none, -2 when
// there are more.
int32_t OneId(const TControlKeyList& list, int32_t filler = 99) {
  int32_t found = -1;
  for (const TControlKeyCell& cell : list) {
    if (cell.Key.Id == filler) continue;
    found = found == -1 ? cell.Key.Id : -2;
  }
  return found;
}

TTScopeWords ScopesOf(int32_t word) {
  TScopeWords scope;
  scope.IncludedCount = 1;
  scope.Included = {{word, 1.0f}};
  return {scope};
}

TEST(SearchSteps, EveryKindComesBackThroughPushBackAndForward) {
  using Set = std::function<void(TSearchSteps&, int32_t)>;
  using Read = std::function<int32_t(const TSearchSteps&, const TStepState&)>;
  struct Row {
    const char* name;
    int32_t fillerKind;  // a kind that makes the first step count for the push
    Set set;
    Read read;
  };
  const auto kindOf = [](int32_t kind) {
    return [kind](const TSearchSteps& s, const TStepState&) { return OneId(s.Ring().GetCurrent()[kind]); };
  };
  const std::vector<Row> rows = {
      {"query words", kKindDocuments,
       [](TSearchSteps& s, int32_t v) {
         s.Ring().ClearKind(kKindQuery);
         s.AddQueryWord(v);
       },
       [](const TSearchSteps& s, const TStepState&) {
         const TNNKeys keys = s.QueryWords();
         return keys.size() == 1 && keys[0].Weight == kQueryWeight ? keys[0].Id : -1;
       }},
      {"excluded words", kKindDocuments,
       [](TSearchSteps& s, int32_t v) {
         s.Ring().ClearKind(kKindExcluded);
         s.AddExcludedWord(v);
       },
       [](const TSearchSteps& s, const TStepState&) {
         const TNNKeys keys = s.ExcludedWords();
         return keys.size() == 1 && keys[0].Weight == kExcludedWeight ? keys[0].Id : -1;
       }},
      {"documents as keys", kKindQuery,
       [](TSearchSteps& s, int32_t v) {
         s.Ring().ClearKind(kKindDocuments);
         s.Ring().SetValue(kKindDocuments, v, 1.0f);
       },
       [](const TSearchSteps& s, const TStepState&) {
         const TNNKeys keys = s.DocumentKeys();
         return keys.size() == 1 ? keys[0].Id : -1;
       }},
      {"marks", kKindQuery,
       [](TSearchSteps& s, int32_t v) {
         s.Ring().ClearKind(kKindMarks);
         s.SetMark(v, v == 1 ? kMarkRemovedLink : kMarkHiddenSite);
       },
       [](const TSearchSteps& s, const TStepState&) {
         float mark = 0.0f;
         if (s.MarkOf(1, mark) && mark == kMarkRemovedLink) return 1;
         if (s.MarkOf(2, mark) && mark == kMarkHiddenSite) return 2;
         return -1;
       }},
      {"hovered word", kKindQuery,
       [](TSearchSteps& s, int32_t v) {
         s.ClearHovered();
         s.Ring().SetValue(kKindHovered, v, 1.0f);
       },
       [](const TSearchSteps& s, const TStepState&) { return s.HoveredWord(); }},
      {"announced document", kKindQuery,
       [](TSearchSteps& s, int32_t v) {
         s.ClearAnnounced();
         s.SetAnnounced(v);
       },
       kindOf(kKindAnnounced)},
      {"no-query flag", kKindQuery, [](TSearchSteps& s, int32_t v) { s.SetNoQuery(v == 2); },
       [](const TSearchSteps&, const TStepState& state) { return state.NoQuery ? (*state.NoQuery ? 2 : 1) : -1; }},
      {"number of searches", kKindQuery, [](TSearchSteps& s, int32_t v) { s.SetStepNumber(v); },
       [](const TSearchSteps&, const TStepState& state) { return state.StepNumber.value_or(-1); }},
      {"removed-links counter", kKindQuery, [](TSearchSteps& s, int32_t v) { s.SetRemovedLinks(v); },
       [](const TSearchSteps&, const TStepState& state) { return state.RemovedLinks.value_or(-1); }},
      {"hidden-sites counter", kKindQuery, [](TSearchSteps& s, int32_t v) { s.SetHiddenSites(v); },
       [](const TSearchSteps&, const TStepState& state) { return state.HiddenSites.value_or(-1); }},
      {"scope list", kKindQuery, [](TSearchSteps& s, int32_t v) { s.SnapshotScopes(ScopesOf(v)); },
       [](const TSearchSteps&, const TStepState& state) {
         return state.Scopes && state.Scopes->size() == 1 ? state.Scopes->front().Included.front().Id : -1;
       }},
      {"current scope", kKindQuery, [](TSearchSteps& s, int32_t v) { s.SetScopeIndex(v); },
       [](const TSearchSteps& s, const TStepState& state) {
         return state.ScopeIndex.value_or(-1) == s.ScopeIndex() ? s.ScopeIndex() : -3;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TRing r;
    r.ring.SetValue(row.fillerKind, 99, 1.0f);
    row.set(r.steps, 1);
    EXPECT_EQ(row.read(r.steps, r.steps.CurrentState(false)), 1);
    r.steps.PushUndo();
    row.set(r.steps, 2);
    EXPECT_EQ(row.read(r.steps, r.steps.CurrentState(false)), 2);

    const std::optional<TStepState> back = r.steps.Back();
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(back->Undo);
    EXPECT_EQ(row.read(r.steps, *back), 1);
    EXPECT_FALSE(r.steps.Back().has_value());

    const std::optional<TStepState> forward = r.steps.Forward();
    ASSERT_TRUE(forward.has_value());
    EXPECT_FALSE(forward->Undo);
    EXPECT_EQ(row.read(r.steps, *forward), 2);
    EXPECT_FALSE(r.steps.Forward().has_value());
  }
}

TEST(SearchSteps, StopWordChangesAreTakenBackByUndoAndMadeAgainByRedo) {
  struct Case {
    const char* name;
    std::function<void(TSearchSteps&)> change;  // in the second step
    std::vector<std::pair<int32_t, bool>> undo;
    std::vector<std::pair<int32_t, bool>> redo;
  };
  const std::vector<Case> cases = {
      {"made a stop word", [](TSearchSteps& s) { s.RecordStopWordMade(7); }, {{7, false}}, {{7, true}}},
      {"taken off by the page", [](TSearchSteps& s) { s.RecordStopWordTakenOff(7); }, {{7, true}}, {{7, false}}},
      {"taken off by a search", [](TSearchSteps& s) {
         s.NoteStopWordTakenOff(7);
         s.NoteStopWordTakenOff(8);
       },
       {{7, true}, {8, true}}, {{7, false}, {8, false}}},
      {"made and taken off in one step leaves no change", [](TSearchSteps& s) {
         s.RecordStopWordMade(7);
         s.NoteStopWordTakenOff(7);
       },
       {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRing r;
    r.steps.AddQueryWord(1);
    r.steps.PushUndo();
    EXPECT_TRUE(r.steps.StopWordChanges().empty());
    c.change(r.steps);
    r.steps.AddQueryWord(2);  // the step counts even without a change
    r.steps.PushUndo();
    // The newest step starts without a change of its own.
    EXPECT_TRUE(r.steps.StopWordChanges().empty());
    ASSERT_TRUE(r.steps.Back().has_value());
    const std::optional<TStepState> undo = r.steps.Back();
    ASSERT_TRUE(undo.has_value());
    EXPECT_EQ(undo->StopWords, c.undo);
    const std::optional<TStepState> redo = r.steps.Forward();
    ASSERT_TRUE(redo.has_value());
    EXPECT_EQ(redo->StopWords, c.redo);
  }
}

TEST(SearchSteps, TheRingHoldsTheQueryViewWhileTheMapShowsTheExcludedWords) {
  TRing r;
  r.excludedView = true;
  // In the excluded-words view kind 0 holds the excluded words.
  r.ring.SetValue(kKindQuery, 5, 1.0f);
  r.ring.SetValue(kKindExcluded, 6, kExcludedWeight);
  EXPECT_EQ(r.steps.QueryKind(), kKindExcluded);
  EXPECT_EQ(r.steps.ExcludedKind(), kKindQuery);
  const int32_t first = r.ring.CurrentStep();
  r.steps.PushUndo();
  EXPECT_EQ(OneId(r.ring.GetStep(first)[kKindQuery]), 6);
  EXPECT_EQ(OneId(r.ring.GetStep(first)[kKindExcluded]), 5);
  EXPECT_EQ(OneId(r.ring.GetCurrent()[kKindQuery]), 5);
  // Undo leaves the ring in the query view and says so; the caller trades.
  const std::optional<TStepState> back = r.steps.Back();
  ASSERT_TRUE(back.has_value());
  EXPECT_TRUE(back->ExcludedView);
  EXPECT_EQ(OneId(r.ring.GetCurrent()[kKindQuery]), 6);
  r.steps.SwapQueryAndExcluded();
  EXPECT_EQ(OneId(r.ring.GetCurrent()[kKindQuery]), 5);
  EXPECT_EQ(r.ring.GetCurrent()[kKindExcluded].front().Key.Weight, kExcludedWeight);
}

TEST(SearchSteps, TheKeepForwardGuardNestsAndEndsWithItsScope) {
  TRing r;
  EXPECT_FALSE(r.steps.KeepingForward());
  {
    const auto outer = r.steps.KeepForward();
    {
      auto inner = r.steps.KeepForward();
      const auto moved = std::move(inner);
      EXPECT_TRUE(r.steps.KeepingForward());
    }
    EXPECT_TRUE(r.steps.KeepingForward());
  }
  EXPECT_FALSE(r.steps.KeepingForward());
}

TEST(SearchSteps, TheCutOfTheStepsAheadKeepsTheStepsScopeList) {
  TRing r;
  r.steps.AddQueryWord(1);
  r.steps.PushUndo();
  r.steps.SnapshotScopes(ScopesOf(3));
  r.steps.AddQueryWord(2);
  r.steps.PushUndo();
  ASSERT_TRUE(r.steps.Back().has_value());
  EXPECT_TRUE(r.steps.CanForward());
  r.steps.CutForward();
  EXPECT_FALSE(r.steps.CanForward());
  EXPECT_EQ(r.steps.CurrentState(false).Scopes, ScopesOf(3));
  // The drop of undone documents is queued once until it ran.
  EXPECT_TRUE(r.steps.QueueCut());
  EXPECT_FALSE(r.steps.QueueCut());
  r.steps.CutDone();
  EXPECT_TRUE(r.steps.QueueCut());
}

}  // namespace
}  // namespace kestrune
