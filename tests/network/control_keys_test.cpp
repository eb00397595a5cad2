#include "network/control_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace kestrune {
namespace {

std::vector<TNNKey> Pairs(const TControlKeyList& list) {
  std::vector<TNNKey> out;
  for (const TControlKeyCell& cell : list) {
    if (!cell.HasScopeWords) out.push_back(cell.Key);
  }
  return out;
}

// Undo (or redo) as far as the ring allows; the number of moves. Bounded, so
// that a ring that never stops fails instead of hanging.
int32_t WalkBack(IControlKeys& keys) {
  int32_t moves = 0;
  while (moves < 1000 && keys.Back()) ++moves;
  return moves;
}
int32_t WalkForward(IControlKeys& keys) {
  int32_t moves = 0;
  while (moves < 1000 && keys.Forward()) ++moves;
  return moves;
}

bool StepEmpty(const TControlKeyLists& lists) {
  for (const TControlKeyList& list : lists) {
    if (!list.empty()) return false;
  }
  return true;
}

// A ring that records its change codes.
struct Ring {
  IControlKeys keys;
  std::vector<int32_t> changes;
  Ring() {
    keys.OnChange = [this](int32_t code) { changes.push_back(code); };
  }
  // Marks the current step with query word `id` (the only entry of kind 0) and
  // pushes a new step.
  void Step(int32_t id) {
    keys.ClearKind(0, true);
    keys.SetValue(0, id, 1.0f, true);
    keys.PushStep();
  }
  int32_t QueryWord() const {
    const auto& list = keys.GetCurrent()[0];
    return list.empty() ? -1 : list.front().Key.Id;
  }
};

// The nearest step at or behind the current one whose kind holds an entry,
// never beyond the oldest step.
TEST(ControlKeys, LastStepWithKindLooksBackToTheOldestStep) {
  const struct {
    const char* name;
    std::vector<int32_t> marked;  // steps 0..4 pushed; these hold kind 10
    int32_t back;                 // undo moves before asking
    bool clearBack;               // the current step made the oldest first
    int32_t expected;
  } cases[] = {
      {"TheCurrentStep", {4}, 0, false, 4},
      {"AnEarlierStep", {1}, 0, false, 1},
      {"TheNearest", {1, 3}, 0, false, 3},
      {"NotAheadOfTheCurrent", {1, 3}, 2, false, 1},
      {"None", {}, 0, false, -1},
      {"NotBeyondTheOldest", {1}, 1, true, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Ring ring;
    for (int32_t step = 0; step <= 4; ++step) {
      if (std::find(c.marked.begin(), c.marked.end(), step) != c.marked.end()) {
        ring.keys.AddScopeWords({}, true);
      }
      if (step < 4) ring.Step(step + 1);
    }
    ASSERT_EQ(ring.keys.CurrentStep(), 4);
    for (int32_t i = 0; i < c.back; ++i) ASSERT_TRUE(ring.keys.Back());
    if (c.clearBack) ring.keys.ClearBack();
    EXPECT_EQ(ring.keys.LastStepWithKind(IControlKeys::kScopeWordsKind), c.expected);
  }
  EXPECT_EQ(Ring().keys.LastStepWithKind(12), -1);
}

TEST(ControlKeys, EntriesOverwriteAppendDeleteAndRemove) {
  Ring r;
  IControlKeys& k = r.keys;
  EXPECT_EQ(k.SetKey(2, {7, 1.0f}), 0);
  EXPECT_EQ(k.SetKey(2, {8, 1.0f}), 1);
  EXPECT_EQ(k.SetKey(2, {7, 5.0f}), -1);  // existing id: overwritten, no callback
  EXPECT_EQ(k.SetValue(2, 8, 3.0f), 0);
  EXPECT_EQ(k.SetValue(2, 9, 4.0f), 1);
  EXPECT_EQ(Pairs(k.GetCurrent()[2]), (std::vector<TNNKey>{{7, 5.0f}, {8, 3.0f}, {9, 4.0f}}));
  EXPECT_EQ(r.changes, (std::vector<int32_t>{2, 2, 2}));

  r.changes.clear();
  k.Delete(2, 3);   // at the count
  k.Delete(2, -1);  // below zero
  k.Remove(2, 42);  // no such id
  EXPECT_TRUE(r.changes.empty());
  EXPECT_EQ(k.GetCurrent()[2].size(), 3u);
  k.Delete(2, 0);
  k.Remove(2, 9);
  EXPECT_EQ(Pairs(k.GetCurrent()[2]), (std::vector<TNNKey>{{8, 3.0f}}));
  EXPECT_EQ(r.changes, (std::vector<int32_t>{2, 2}));

  // RemoveIds: a change for every pair removed.
  r.changes.clear();
  k.SetValue(2, 9, 1.0f, true);
  k.SetValue(2, 10, 1.0f, true);
  k.RemoveIds(2, {10, 42, 9});
  EXPECT_EQ(Pairs(k.GetCurrent()[2]), (std::vector<TNNKey>{{8, 3.0f}}));
  EXPECT_EQ(r.changes, (std::vector<int32_t>{2, 2}));

  r.changes.clear();
  k.SetValue(5, 1, 1.0f, true);
  k.Remove(2, 8, true);
  EXPECT_TRUE(r.changes.empty());
  k.ClearAll();
  EXPECT_EQ(r.changes, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 11}));
  EXPECT_TRUE(StepEmpty(k.GetCurrent()));

  // Kinds outside 0..11 change nothing.
  r.changes.clear();
  EXPECT_EQ(k.SetKey(12, {1, 1.0f}), -1);
  EXPECT_EQ(k.SetValue(-1, 1, 1.0f), -1);
  k.ClearKind(12);
  EXPECT_TRUE(r.changes.empty());
}

TEST(ControlKeys, StepsDifferIgnoresOrderAndComparesValuesOnRequest) {
  IControlKeys k;
  k.SetValue(6, 1, 1.0f);
  k.SetValue(6, 2, 5.0f);
  k.PushStep();  // step 1 is a copy
  EXPECT_FALSE(k.StepsDiffer(6, 1, 0, true));
  k.Remove(6, 1);
  k.SetValue(6, 1, 1.0f);  // same entries, other order
  EXPECT_FALSE(k.StepsDiffer(6, 1, 0, true));
  k.SetValue(6, 2, 6.0f);
  EXPECT_FALSE(k.StepsDiffer(6, 1, 0, false));
  EXPECT_TRUE(k.StepsDiffer(6, 1, 0, true));
  k.SetValue(6, 3, 0.0f);
  EXPECT_TRUE(k.StepsDiffer(6, 1, 0, false));
}

// Whatever changed a list before, an id stands in it at most once: SetKey of
// an id present overwrites its entry (-1), of an absent one appends at the
// end; IndexOf and Remove find the entry where it stands.
TEST(ControlKeys, SetKeyFindsTheIdWhereItStandsAfterEveryChange) {
  const struct {
    const char* name;
    void (*change)(IControlKeys&);  // on a current step holding 10, 11, 12 in kind 2
    std::vector<TNNKey> expected;   // kind 2 after SetKey(12, 5) and SetKey(13, 6)
  } cases[] = {
      {"appends only", [](IControlKeys&) {}, {{10, 1}, {11, 1}, {12, 5}, {13, 6}}},
      {"an earlier entry deleted", [](IControlKeys& k) { k.Delete(2, 0); }, {{11, 1}, {12, 5}, {13, 6}}},
      {"an earlier entry removed", [](IControlKeys& k) { k.Remove(2, 11); }, {{10, 1}, {12, 5}, {13, 6}}},
      {"the kind cleared and filled again",
       [](IControlKeys& k) {
         k.ClearKind(2);
         k.SetValue(2, 12, 1.0f);
         k.SetValue(2, 10, 1.0f);
       },
       {{12, 5}, {10, 1}, {13, 6}}},
      {"renumbered", [](IControlKeys& k) { k.RenumberKind(2, {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 12, 10, 11}); },
       {{12, 5}, {10, 1}, {11, 1}, {13, 6}}},  // 10 -> 12, 11 -> 10, 12 -> 11
      {"back to a step filled otherwise",
       [](IControlKeys& k) {
         k.SetValue(0, 1, 1.0f);
         k.PushStep();
         k.ClearKind(2);
         k.SetValue(2, 99, 1.0f);
         k.SetValueOfStep(2, 0, 13, 2.0f);  // step 0 gets 13 while it is not current
         k.Back();
       },
       {{10, 1}, {11, 1}, {12, 5}, {13, 6}}},
      {"forward to a step changed while behind",
       [](IControlKeys& k) {
         k.SetValue(0, 1, 1.0f);
         k.PushStep();
         k.Delete(2, 0);
         k.Back();
         k.SetValueOfStep(2, 1, 13, 2.0f);
         k.ClearKindOfStep(2, 0);
         k.Forward();
       },
       {{11, 1}, {12, 5}, {13, 6}}},
      {"beside scope words", [](IControlKeys& k) { k.AddScopeWords({}); }, {{10, 1}, {11, 1}, {12, 5}, {13, 6}}},
      {"several removed at once", [](IControlKeys& k) { k.RemoveIds(2, {12, 99, 10}); }, {{11, 1}, {12, 5}, {13, 6}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IControlKeys k;
    for (int32_t id : {10, 11, 12}) k.SetValue(2, id, 1.0f);
    c.change(k);
    const size_t before = k.GetCurrent()[2].size();
    const bool had12 = k.IndexOf(2, 12) >= 0;
    EXPECT_EQ(k.SetKey(2, {12, 5.0f}), had12 ? -1 : static_cast<int32_t>(before));
    k.SetKey(2, {13, 6.0f});
    EXPECT_EQ(Pairs(k.GetCurrent()[2]), c.expected);
    for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(k.IndexOf(2, c.expected[i].Id), static_cast<int32_t>(i));
    EXPECT_EQ(k.IndexOf(2, 42), -1);
    k.Remove(2, 13);
    EXPECT_EQ(k.IndexOf(2, 13), -1);
    EXPECT_EQ(k.GetCurrent()[2].size(), c.expected.size() - 1);
  }
}

// Two lists differ when their counts differ or some entry of the first finds
// no entry of the second with its id (and value on request), in any order and
// at any length; the second list's duplicates may serve several entries.
TEST(ControlKeys, StepsDifferMatchesEveryEntryInAnyOrder) {
  const std::vector<int32_t> none(20, -1);
  std::vector<int32_t> twoToOne = none;  // 3 and 4 both become 3
  twoToOne[3] = 3;
  twoToOne[4] = 3;
  twoToOne[5] = 5;
  const struct {
    const char* name;
    std::vector<TNNKey> a, b;
    std::vector<int32_t> renumber;  // applied to both steps when not empty
    bool differ, differByValue;
  } cases[] = {
      {"the same order", {{1, 1}, {2, 2}}, {{1, 1}, {2, 2}}, {}, false, false},
      {"another order", {{1, 1}, {2, 2}, {3, 3}}, {{3, 3}, {1, 1}, {2, 2}}, {}, false, false},
      {"the tail reordered", {{1, 1}, {2, 2}, {3, 3}}, {{1, 1}, {3, 3}, {2, 2}}, {}, false, false},
      {"another value", {{1, 1}, {2, 2}}, {{2, 9}, {1, 1}}, {}, false, true},
      {"another id", {{1, 1}, {2, 2}}, {{1, 1}, {7, 2}}, {}, true, true},
      {"another count", {{1, 1}}, {{1, 1}, {2, 2}}, {}, true, true},
      {"duplicates in the first", {{3, 1}, {4, 1}}, {{5, 1}, {3, 1}}, twoToOne, false, false},
      {"duplicates in the second", {{5, 1}, {3, 1}}, {{3, 1}, {4, 1}}, twoToOne, true, true},
      {"a duplicate's value", {{3, 1}, {4, 2}}, {{4, 2}, {3, 1}}, twoToOne, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IControlKeys k;
    k.SetValue(0, 1, 1.0f);
    k.PushStep();  // step 1 is current; step 0 is the second list
    k.ClearKindOfStep(6, 0);
    k.ClearKind(6);
    for (const TNNKey& key : c.a) k.SetKey(6, key);
    for (const TNNKey& key : c.b) k.SetValueOfStep(6, 0, key.Id, key.Weight);
    if (!c.renumber.empty()) k.RenumberKind(6, c.renumber);
    EXPECT_EQ(k.StepsDiffer(6, 1, 0, false), c.differ);
    EXPECT_EQ(k.StepsDiffer(6, 1, 0, true), c.differByValue);
  }
  // A long list against itself reversed: no entry lacks its match.
  IControlKeys k;
  for (int32_t id = 0; id < 5000; ++id) k.SetValue(2, id, 1.0f);
  k.SetValue(0, 1, 1.0f);
  k.PushStep();
  k.ClearKind(2);
  for (int32_t id = 4999; id >= 0; --id) k.SetValue(2, id, 1.0f);
  EXPECT_FALSE(k.StepsDiffer(2, 1, 0, true));
  k.SetValue(2, 2500, 2.0f);
  EXPECT_TRUE(k.StepsDiffer(2, 1, 0, true));
  EXPECT_FALSE(k.StepsDiffer(2, 1, 0, false));
}

TEST(ControlKeys, PushStepAddsAStepOnlyWhenACountedKindChanged) {
  struct Case {
    const char* name;
    void (*change)(IControlKeys&);
    bool pushes;
  } cases[] = {
      {"nothing", [](IControlKeys&) {}, false},
      {"hovered word", [](IControlKeys& k) { k.SetValue(4, 50, 1.0f); }, false},
      {"announced document", [](IControlKeys& k) { k.SetValue(5, 51, 1.0f); }, false},
      {"query word value only", [](IControlKeys& k) { k.SetValue(0, 10, 2.0f); }, false},
      {"stop word value only", [](IControlKeys& k) { k.SetValue(9, 19, -1.0f); }, false},
      {"scope value only", [](IControlKeys& k) { k.SetValue(11, 21, 5.0f); }, false},
      {"query word", [](IControlKeys& k) { k.SetValue(0, 99, 1.0f); }, true},
      {"excluded word", [](IControlKeys& k) { k.SetValue(1, 99, -10000.0f); }, true},
      {"document", [](IControlKeys& k) { k.Remove(2, 12); }, true},
      {"mark", [](IControlKeys& k) { k.SetValue(3, 99, -1.0f); }, true},
      {"setting value", [](IControlKeys& k) { k.SetValue(6, 1, 0.0f); }, true},
      {"counter value", [](IControlKeys& k) { k.SetValue(7, 0, 3.0f); }, true},
      {"second counter value", [](IControlKeys& k) { k.SetValue(8, 0, 3.0f); }, true},
      {"stop word", [](IControlKeys& k) { k.SetValue(9, 99, 1.0f); }, true},
      {"scope", [](IControlKeys& k) { k.SetValue(11, 99, 0.0f); }, true},
      {"scope words", [](IControlKeys& k) { k.AddScopeWords({}); }, true},
  };
  for (const Case& c : cases) {
    Ring r;
    IControlKeys& k = r.keys;
    k.SetValue(0, 10, 1.0f);
    k.SetValue(2, 12, 1.0f);
    k.SetValue(6, 1, 1.0f);
    k.SetValue(7, 0, 2.0f);
    k.SetValue(8, 0, 2.0f);
    k.SetValue(11, 21, 0.0f);
    k.SetValue(9, 19, 1.0f);
    ASSERT_TRUE(k.PushStep());
    ASSERT_EQ(k.CurrentStep(), 1);
    k.SetValue(9, 19, 1.0f);  // kind 9 starts empty in a new step; match step 0
    r.changes.clear();
    c.change(k);
    r.changes.clear();
    EXPECT_TRUE(k.PushStep());
    EXPECT_EQ(k.CurrentStep(), c.pushes ? 2 : 1) << c.name;
    EXPECT_EQ(r.changes, c.pushes ? std::vector<int32_t>{11} : std::vector<int32_t>{}) << c.name;
  }
}

TEST(ControlKeys, PushStepCopiesEveryKindDeeplyAndStartsKinds9And10Empty) {
  IControlKeys k;
  for (int32_t kind = 0; kind < 12; ++kind) {
    if (kind == 10) continue;
    k.SetValue(kind, 100 + kind, static_cast<float>(kind) + 0.5f);
    k.SetValue(kind, 200 + kind, -static_cast<float>(kind));
  }
  TTScopeWords scopes(2);
  scopes[0].IncludedCount = 1;
  scopes[0].Included = {{5, 1.0f}};
  scopes[1].ExcludedCount = 2;
  scopes[1].Excluded = {{6, -1.0f}, {7, -1.0f}};
  k.AddScopeWords(scopes);
  scopes[0].Included[0].Id = 555;  // the cell holds its own copy
  scopes[1].Excluded.clear();
  const TControlKeyLists before = k.GetCurrent();

  ASSERT_TRUE(k.PushStep());
  const TControlKeyLists& now = k.GetCurrent();
  for (int32_t kind = 0; kind < 12; ++kind) {
    if (kind == 9 || kind == 10) {
      EXPECT_TRUE(now[kind].empty()) << kind;
    } else {
      EXPECT_EQ(Pairs(now[kind]), Pairs(before[kind])) << kind;
    }
  }
  // Changing every kind of the new step leaves the old step as it was.
  for (int32_t kind = 0; kind < 12; ++kind) {
    k.SetValue(kind, 100 + kind, 77.0f);
    k.Remove(kind, 200 + kind);
  }
  k.AddScopeWords({});
  ASSERT_TRUE(k.Back());
  const TControlKeyLists& old = k.GetCurrent();
  for (int32_t kind = 0; kind < 12; ++kind) EXPECT_EQ(Pairs(old[kind]), Pairs(before[kind])) << kind;
  ASSERT_EQ(old[10].size(), 1u);
  ASSERT_TRUE(old[10][0].HasScopeWords);
  ASSERT_EQ(old[10][0].ScopeWords.size(), 2u);
  EXPECT_EQ(old[10][0].ScopeWords[0].Included, (TNNKeys{{5, 1.0f}}));
  EXPECT_EQ(old[10][0].ScopeWords[1].Excluded, (TNNKeys{{6, -1.0f}, {7, -1.0f}}));
}

TEST(ControlKeys, UndoAndRedoAcrossTheWrapAt100Steps) {
  Ring r;
  for (int32_t i = 0; i < 100; ++i) r.Step(1000 + i);  // step i holds 1000 + i
  // The hundredth push went round to step 0: emptied and reused.
  EXPECT_EQ(r.keys.CurrentStep(), 0);
  EXPECT_EQ(r.QueryWord(), 1099);
  r.keys.SetValue(0, 2000, 1.0f, true);  // step 0 is the newest

  ASSERT_TRUE(r.keys.Back());
  EXPECT_EQ(r.keys.CurrentStep(), 99);
  EXPECT_EQ(r.QueryWord(), 1099);
  // From step 99 Forward reaches step 0, which is newer after the wrap.
  ASSERT_TRUE(r.keys.CanForward());
  ASSERT_TRUE(r.keys.Forward());
  EXPECT_EQ(r.keys.CurrentStep(), 0);
  EXPECT_FALSE(r.keys.CanForward());  // step 1 is filled but the oldest

  // Undo walks back 99 steps to the oldest (step 1) and no further.
  EXPECT_EQ(WalkBack(r.keys), 99);
  EXPECT_EQ(r.keys.CurrentStep(), 1);
  EXPECT_FALSE(r.keys.CanBack());
  // Redo walks forward to the newest and no further.
  EXPECT_EQ(WalkForward(r.keys), 99);
  EXPECT_EQ(r.keys.CurrentStep(), 0);
}

TEST(ControlKeys, ForwardFromStep99OnARingThatHasNotGoneRound) {
  Ring r;
  for (int32_t i = 0; i < 99; ++i) r.Step(1000 + i);
  ASSERT_EQ(r.keys.CurrentStep(), 99);  // the newest; step 0 is filled and the oldest
  r.keys.SetValue(0, 5, 1.0f, true);
  EXPECT_FALSE(r.keys.CanForward());
  EXPECT_FALSE(r.keys.Forward());
  EXPECT_EQ(r.keys.CurrentStep(), 99);
  // From step 98 with step 99 filled, Forward goes to step 99.
  ASSERT_TRUE(r.keys.Back());
  EXPECT_EQ(r.keys.CurrentStep(), 98);
  EXPECT_TRUE(r.keys.Forward());
  EXPECT_EQ(r.keys.CurrentStep(), 99);
  // Back goes down to step 0 and never wraps to step 99.
  WalkBack(r.keys);
  EXPECT_EQ(r.keys.CurrentStep(), 0);
  EXPECT_EQ(r.QueryWord(), 1000);
}

TEST(ControlKeys, ANewBranchDropsTheRedoSteps) {
  Ring r;
  for (int32_t i = 0; i < 5; ++i) r.Step(1000 + i);  // steps 0..5, current 5
  ASSERT_TRUE(r.keys.Back());
  ASSERT_TRUE(r.keys.Back());
  ASSERT_EQ(r.keys.CurrentStep(), 3);
  r.Step(3000);  // step 3 changed and pushed: step 4 is the new branch
  EXPECT_EQ(r.keys.CurrentStep(), 4);
  EXPECT_FALSE(StepEmpty(r.keys.GetStep(5)));  // still filled, but abandoned
  EXPECT_FALSE(r.keys.CanForward());
  EXPECT_FALSE(r.keys.Forward());
  ASSERT_TRUE(r.keys.Back());
  EXPECT_EQ(r.QueryWord(), 3000);
  ASSERT_TRUE(r.keys.Forward());
  EXPECT_FALSE(r.keys.Forward());
  EXPECT_EQ(r.keys.CurrentStep(), 4);

  // Across the wrap: a branch made far back leaves the newer steps behind.
  Ring w;
  for (int32_t i = 0; i < 150; ++i) w.Step(1000 + i);  // current 50, oldest 51
  for (int32_t i = 0; i < 60; ++i) ASSERT_TRUE(w.keys.Back());
  ASSERT_EQ(w.keys.CurrentStep(), 90);
  w.Step(4000);
  EXPECT_EQ(w.keys.CurrentStep(), 91);
  EXPECT_FALSE(w.keys.CanForward());
  EXPECT_EQ(WalkBack(w.keys), 40);  // steps 90 down to 51
  EXPECT_EQ(w.keys.CurrentStep(), 51);
}

TEST(ControlKeys, PushStepFromTheOldestStepComparesWithNothingBeforeIt) {
  Ring r;
  for (int32_t i = 0; i < 100; ++i) r.Step(1000 + i);  // current 0 (newest), oldest 1
  WalkBack(r.keys);
  ASSERT_EQ(r.keys.CurrentStep(), 1);
  // Step 1 now holds what step 0 (the newest, not its history) holds.
  r.keys.ClearKind(0, true);
  for (const TNNKey& key : Pairs(r.keys.GetStep(0)[0])) r.keys.SetKey(0, key, true);
  r.keys.PushStep();
  EXPECT_EQ(r.keys.CurrentStep(), 2);
  EXPECT_TRUE(r.keys.Back());
  EXPECT_FALSE(r.keys.CanBack());
}

TEST(ControlKeys, CutForwardEmptiesAtMostTheTwoNextStepsAndEndsRedo) {
  Ring r;
  for (int32_t i = 0; i < 99; ++i) r.Step(1000 + i);  // current 99
  r.keys.AddScopeWords({TScopeWords{}}, true);
  r.changes.clear();
  r.keys.CutForward();  // at step 99: no step emptied
  EXPECT_EQ(r.changes, (std::vector<int32_t>{14}));
  EXPECT_FALSE(StepEmpty(r.keys.GetStep(0)));
  EXPECT_EQ(r.keys.GetCurrent()[10].size(), 1u);

  ASSERT_TRUE(r.keys.Back());  // step 98; step 99 keeps its scope words
  r.keys.AddScopeWords({TScopeWords{}}, true);
  r.keys.CutForward();
  EXPECT_TRUE(r.keys.GetCurrent()[10].empty());  // kind 10 of the current step goes too
  const TControlKeyLists& s99 = r.keys.GetStep(99);
  for (int32_t kind = 0; kind < 12; ++kind) EXPECT_EQ(s99[kind].empty(), kind != 10) << kind;
  EXPECT_FALSE(StepEmpty(r.keys.GetStep(0)));
  EXPECT_FALSE(r.keys.CanForward());

  Ring m;
  for (int32_t i = 0; i < 6; ++i) m.Step(1000 + i);  // current 6
  for (int32_t i = 0; i < 4; ++i) m.keys.Back();      // current 2
  m.keys.CutForward();
  EXPECT_TRUE(StepEmpty(m.keys.GetStep(3)));
  EXPECT_TRUE(StepEmpty(m.keys.GetStep(4)));
  EXPECT_FALSE(StepEmpty(m.keys.GetStep(5)));
  EXPECT_FALSE(m.keys.Forward());

  // At the newest step of a ring that has gone round, the steps after it are
  // the oldest of the history: they stay reachable.
  Ring w;
  for (int32_t i = 0; i < 100; ++i) w.Step(1000 + i);  // current 0, oldest 1
  w.keys.CutForward();
  EXPECT_EQ(WalkBack(w.keys), 99);
  EXPECT_EQ(w.QueryWord(), 1001);
}

TEST(ControlKeys, ClearBackMakesTheCurrentStepTheOldest) {
  Ring r;
  for (int32_t i = 0; i < 5; ++i) r.Step(1000 + i);
  r.keys.Back();  // current 4, step 5 ahead
  r.changes.clear();
  r.keys.ClearBack();
  EXPECT_EQ(r.changes, (std::vector<int32_t>{11}));
  EXPECT_EQ(r.keys.CurrentStep(), 4);
  EXPECT_FALSE(r.keys.CanBack());
  for (int32_t s = 0; s < 4; ++s) EXPECT_TRUE(StepEmpty(r.keys.GetStep(s))) << s;
  EXPECT_TRUE(r.keys.Forward());
  EXPECT_EQ(r.keys.CurrentStep(), 5);

  // After a wrap, ClearBack does not reach past the oldest step.
  Ring w;
  for (int32_t i = 0; i < 120; ++i) w.Step(1000 + i);  // current 20, oldest 21
  for (int32_t i = 0; i < 10; ++i) w.keys.Back();       // current 10
  w.keys.ClearBack();
  EXPECT_FALSE(StepEmpty(w.keys.GetStep(20)));
  EXPECT_FALSE(w.keys.CanBack());
  EXPECT_EQ(WalkForward(w.keys), 10);
}

TEST(ControlKeys, ClearHistoryWalksForwardAndStartsAtStep0) {
  Ring r;
  for (int32_t i = 0; i < 3; ++i) r.Step(1000 + i);  // steps 0..3, current 3
  r.changes.clear();
  r.keys.ClearHistory();  // the step after the current one is empty
  EXPECT_EQ(r.changes, (std::vector<int32_t>{11}));
  EXPECT_EQ(r.keys.CurrentStep(), 0);
  EXPECT_TRUE(StepEmpty(r.keys.GetStep(3)));
  EXPECT_FALSE(StepEmpty(r.keys.GetStep(1)));  // only the current step was emptied
  EXPECT_FALSE(r.keys.CanBack());
  EXPECT_FALSE(r.keys.CanForward());  // step 1 is left over, not history
  r.Step(5000);
  EXPECT_EQ(r.keys.CurrentStep(), 1);
  EXPECT_EQ(r.QueryWord(), 5000);

  Ring w;
  for (int32_t i = 0; i < 100; ++i) w.Step(1000 + i);  // every step filled
  for (int32_t i = 0; i < 30; ++i) w.keys.Back();
  w.keys.ClearHistory();
  for (int32_t s = 0; s < 100; ++s) EXPECT_TRUE(StepEmpty(w.keys.GetStep(s))) << s;
}

// ---- the chunk of older projects ----

std::vector<uint8_t> Le32(int32_t v) {
  std::vector<uint8_t> b(4);
  std::memcpy(b.data(), &v, 4);
  return b;
}
std::vector<uint8_t> LeF(float v) {
  std::vector<uint8_t> b(4);
  std::memcpy(b.data(), &v, 4);
  return b;
}
void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) { out.insert(out.end(), more.begin(), more.end()); }

// A class-3 tag header: u16 tag*2+1, u32 length.
std::vector<uint8_t> Header3(int32_t tag, uint32_t length) {
  const uint16_t word = static_cast<uint16_t>(tag * 2 + 1);
  return {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(length),
          static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
}

// Project bytes: tag 16394 holding a nested tag with `body` (its declared
// length `declared`, or the body's size), then a one-byte tag 5 as a marker.
std::vector<uint8_t> Project(const std::vector<uint8_t>& body, int64_t declared = -1, int32_t nestedTag = 7) {
  const uint32_t length = declared < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(declared);
  std::vector<uint8_t> nested;
  if (nestedTag < 128 && length < 256) {
    nested = {static_cast<uint8_t>(nestedTag * 2), static_cast<uint8_t>(length)};
  } else {
    nested = Header3(nestedTag, length);
  }
  Append(nested, body);
  std::vector<uint8_t> out = Header3(16394, static_cast<uint32_t>(nested.size()));
  Append(out, nested);
  Append(out, {10, 1, 0x5A});
  return out;
}

struct LoadResult {
  int32_t code;
  bool alignedAfter;  // the marker tag after the project tag was found
};

LoadResult LoadProject(const std::vector<uint8_t>& bytes, Ring& r) {
  TMemoryStream stream(bytes);
  TTagStream tags(&stream);
  EXPECT_GT(tags.ReadTag(), 0);
  EXPECT_EQ(tags.CurrentTag(), 16394);
  const int32_t code = r.keys.LoadFromTagStream(tags);
  tags.LeaveTag();
  const bool aligned = tags.ReadTag() > 0 && tags.CurrentTag() == 5;
  return {code, aligned};
}

TEST(ControlKeys, LoadFromTagStreamReadsAChunkWrittenByHand) {
  std::vector<uint8_t> body;
  for (int32_t kind = 0; kind < 12; ++kind) {
    if (kind == 0) {
      Append(body, Le32(2));
      Append(body, Le32(11));
      Append(body, LeF(1.0f));
      Append(body, Le32(12));
      Append(body, LeF(1.0f));
    } else if (kind == 6) {
      Append(body, Le32(1));
      Append(body, Le32(1));
      Append(body, LeF(0.0f));
    } else if (kind == 10) {
      Append(body, Le32(1));
      Append(body, Le32(3));
      Append(body, LeF(7.5f));
    } else {
      Append(body, Le32(0));
    }
  }
  ASSERT_EQ(body.size(), 12u * 4 + 4 * 8);
  Ring r;
  r.Step(1);
  r.Step(2);
  r.changes.clear();
  const LoadResult result = LoadProject(Project(body), r);
  EXPECT_EQ(result.code, IControlKeys::kChunkOk);
  EXPECT_TRUE(result.alignedAfter);
  EXPECT_EQ(r.changes, (std::vector<int32_t>{11, 0, 0, 6, 10}));
  EXPECT_EQ(r.keys.CurrentStep(), 0);
  const TControlKeyLists& now = r.keys.GetCurrent();
  EXPECT_EQ(Pairs(now[0]), (std::vector<TNNKey>{{11, 1.0f}, {12, 1.0f}}));
  EXPECT_EQ(Pairs(now[6]), (std::vector<TNNKey>{{1, 0.0f}}));
  ASSERT_EQ(now[10].size(), 1u);
  EXPECT_FALSE(now[10][0].HasScopeWords);  // a pair, not scope words
  EXPECT_EQ(now[10][0].Key, (TNNKey{3, 7.5f}));
  EXPECT_FALSE(r.keys.CanBack());
  EXPECT_FALSE(r.keys.CanForward());
  // Emptying kind 10 (and the step) later is sound whatever it holds.
  r.keys.AddScopeWords({TScopeWords{1, 0, {{4, 1.0f}}, {}}});
  ASSERT_TRUE(r.keys.PushStep());
  ASSERT_TRUE(r.keys.Back());
  r.keys.ClearKind(10);
  EXPECT_TRUE(r.keys.GetCurrent()[10].empty());
  r.keys.ClearHistory();

  // Our writer produces the same body (the nested tag number aside).
  Ring w;
  w.keys.SetValue(0, 11, 1.0f);
  w.keys.SetValue(0, 12, 1.0f);
  w.keys.SetValue(6, 1, 0.0f);
  w.keys.SetValue(10, 3, 7.5f);
  w.keys.AddScopeWords({TScopeWords{}});  // scope words have no form in the chunk
  TMemoryStream out;
  TTagStream tags(&out);
  tags.BeginTag(IControlKeys::kStepChunkTag);
  EXPECT_EQ(w.keys.SaveToTagStream(tags), IControlKeys::kChunkOk);
  tags.EndTag();
  std::vector<uint8_t> expected = Header3(16394, static_cast<uint32_t>(6 + body.size()));
  Append(expected, Header3(IControlKeys::kStepBodyTag, static_cast<uint32_t>(body.size())));
  Append(expected, body);
  EXPECT_EQ(out.Bytes(), expected);
}

TEST(ControlKeys, ChunkRoundTripOfEveryKind) {
  IControlKeys source;
  for (int32_t kind = 0; kind < 12; ++kind) {
    for (int32_t i = 0; i < kind + 1; ++i) source.SetValue(kind, kind * 100 + i, static_cast<float>(i) - 0.25f);
  }
  TMemoryStream out;
  {
    TTagStream tags(&out);
    tags.BeginTag(IControlKeys::kStepChunkTag);
    ASSERT_EQ(source.SaveToTagStream(tags), IControlKeys::kChunkOk);
    tags.EndTag();
    tags.WriteTag(5, "Z", 1);
  }
  Ring r;
  const LoadResult result = LoadProject(out.Bytes(), r);
  EXPECT_EQ(result.code, IControlKeys::kChunkOk);
  EXPECT_TRUE(result.alignedAfter);
  for (int32_t kind = 0; kind < 12; ++kind) {
    EXPECT_EQ(Pairs(r.keys.GetCurrent()[kind]), Pairs(source.GetCurrent()[kind])) << kind;
  }
  EXPECT_EQ(r.changes.size(), 1u + 78u);  // ClearHistory, then one per entry (1 + 2 + ... + 12)
}

TEST(ControlKeys, ChunkWithNoEntriesRaisesOnlyTheClearHistoryChange) {
  std::vector<uint8_t> body;
  for (int32_t kind = 0; kind < 12; ++kind) Append(body, Le32(0));
  Ring r;
  const LoadResult result = LoadProject(Project(body), r);
  EXPECT_EQ(result.code, IControlKeys::kChunkOk);
  EXPECT_EQ(r.changes, (std::vector<int32_t>{11}));
}

TEST(ControlKeys, ChunkReplacesAStep0ThatClearHistoryDidNotReach) {
  Ring r;
  for (int32_t i = 0; i < 3; ++i) r.Step(1000 + i);  // current 3: the walk empties step 3 only
  std::vector<uint8_t> body = Le32(1);
  Append(body, Le32(77));
  Append(body, LeF(1.0f));
  EXPECT_EQ(LoadProject(Project(body), r).code, IControlKeys::kChunkOk);
  EXPECT_EQ(Pairs(r.keys.GetCurrent()[0]), (std::vector<TNNKey>{{77, 1.0f}}));
}

TEST(ControlKeys, CorruptOrTruncatedChunksLoadNothing) {
  auto counts = [](std::initializer_list<int32_t> values) {
    std::vector<uint8_t> b;
    for (int32_t v : values) Append(b, Le32(v));
    return b;
  };
  std::vector<uint8_t> onePair = counts({1, 5});
  Append(onePair, LeF(1.0f));

  // Both tags claim far more than the stream holds.
  std::vector<uint8_t> beyond = Header3(16394, 0x7FFFFFF0);
  Append(beyond, Header3(16384, 0x7FFFFF00));
  Append(beyond, counts({100000, 1, 0}));

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t code;
    bool aligned = true;
  } cases[] = {
      {"a huge count", Project(counts({0x7FFFFFFF})), IControlKeys::kChunkFailed},
      {"a negative count", Project(counts({0, -1})), IControlKeys::kChunkFailed},
      {"one pair more than the tag holds", Project(counts({2, 5, 0})), IControlKeys::kChunkFailed},
      {"cut inside a pair", Project({onePair.begin(), onePair.end() - 2}), IControlKeys::kChunkFailed},
      {"cut inside a count", Project([&] {
         auto b = onePair;
         Append(b, {0, 0});
         return b;
       }()),
       IControlKeys::kChunkFailed},
      {"a nested length beyond its parent", Project(counts({1000, 1, 0}), 0x7FFFFFF0, 16384),
       IControlKeys::kChunkFailed},
      {"lengths beyond the stream", beyond, IControlKeys::kChunkFailed, false},
      {"no nested tag", [] {
         std::vector<uint8_t> b = Header3(16394, 0);
         Append(b, {10, 1, 0x5A});
         return b;
       }(),
       IControlKeys::kChunkFailed},
      // Counts that the tag no longer holds read as zero.
      {"ends after a kind", Project(onePair), IControlKeys::kChunkOk},
  };
  for (const Case& c : cases) {
    Ring r;
    for (int32_t i = 0; i < 4; ++i) r.Step(1000 + i);
    r.changes.clear();
    const LoadResult result = LoadProject(c.bytes, r);
    EXPECT_EQ(result.code, c.code) << c.name;
    if (c.code != IControlKeys::kChunkOk) {
      EXPECT_TRUE(StepEmpty(r.keys.GetCurrent())) << c.name;
      EXPECT_EQ(r.changes, (std::vector<int32_t>{11})) << c.name;
    }
    if (c.aligned) {
      EXPECT_TRUE(result.alignedAfter) << c.name;
    }
    EXPECT_EQ(r.keys.CurrentStep(), 0) << c.name;
    EXPECT_FALSE(r.keys.CanBack()) << c.name;
  }
}

}  // namespace
}  // namespace kestrune
