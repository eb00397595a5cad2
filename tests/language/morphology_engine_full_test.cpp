#include "language/morphology_engine_full.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "tests/language/morphology_test_support.h"

namespace kestrune {
namespace {

using test::AddParadigm;
using test::CheckEngineInvariants;

TEST(MorphologyTables, NewEngineHoldsOnlyTheEmptyAffixesAndRule) {
  TIMorphologyEngineFull e;
  EXPECT_EQ(e.LexemeCount(), 0);
  EXPECT_EQ(e.RuleCount(), 1);
  EXPECT_EQ(e.PrefixCount(), 1);
  EXPECT_EQ(e.EndingCount(), 1);
  EXPECT_EQ(e.GetLanguageId(), 9);
  EXPECT_EQ(e.DeleteEnabled(), 1);
  int32_t id = -1;
  e.FindOrAddPrefix(u"", id);
  EXPECT_EQ(id, 0);
  e.FindOrAddEnding(u"", id);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(e.PrefixCount(), 1);
  EXPECT_EQ(e.EndingCount(), 1);
  EXPECT_EQ(e.GetLexeme(0), nullptr);
  EXPECT_EQ(e.NextForm(), -1);
}

TEST(MorphologyTables, EndingsGetIdsInOrderAndShareTheTreeOfTheirLastLetter) {
  TIMorphologyEngineFull e;
  int32_t a = 0, b = 0, again = 0, one = 0, two = 0;
  e.FindOrAddEnding(u"ed", a);
  e.FindOrAddEnding(u"ing", b);
  e.FindOrAddEnding(u"ed", again);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(again, 1);
  EXPECT_EQ(e.EndingCount(), 3);
  e.FindOrAddEnding(u"s", one);
  e.FindOrAddEnding(u"es", two);
  EXPECT_EQ(one, 3);
  EXPECT_EQ(two, 4);
  EXPECT_EQ(e.EndingText(4), u"es");
  // Prefixes are a separate list: the same text gets its own id there.
  int32_t p = 0;
  e.FindOrAddPrefix(u"es", p);
  EXPECT_EQ(p, 1);
  EXPECT_EQ(e.PrefixText(1), u"es");
}

TEST(MorphologyTables, NewRuleIsOrderedAfterTheRulesOfItsEnding) {
  TIMorphologyEngineFull e;
  int32_t p1, p2, p3, e1, e2;
  e.FindOrAddPrefix(u"a", p1);
  e.FindOrAddPrefix(u"b", p2);
  e.FindOrAddPrefix(u"c", p3);
  e.FindOrAddEnding(u"x", e1);
  e.FindOrAddEnding(u"y", e2);
  const int32_t r01 = e.FindOrAddRule(0, e1);
  const int32_t r02 = e.FindOrAddRule(0, e2);
  const int32_t r31 = e.FindOrAddRule(p3, e1);
  EXPECT_EQ(e.FindOrAddRule(0, e1), r01);
  EXPECT_EQ(e.RuleCount(), 4);
  // Order: (0,0), (0,x), (c,x), (0,y).
  EXPECT_EQ(e.AffixOrder(0), 0);
  EXPECT_EQ(e.AffixOrder(1), r01);
  EXPECT_EQ(e.AffixOrder(2), r31);
  EXPECT_EQ(e.AffixOrder(3), r02);
  int32_t value = -1;
  EXPECT_TRUE(e.LocateRule(p3, e1, value));
  EXPECT_EQ(value, r31);
  EXPECT_FALSE(e.LocateRule(p2, e1, value));
  EXPECT_EQ(value, 2);
  EXPECT_EQ(e.SearchRuleRange(2, 100, p3, e1), 2);
  EXPECT_EQ(e.SearchRuleRange(3, 100, p3, e1), -1);
  // Ids outside the lists are refused before anything changes.
  EXPECT_THROW(e.FindOrAddRule(99, 0), std::exception);
  EXPECT_EQ(e.RuleCount(), 4);
}

TEST(MorphologyTables, PrefixesLongerThanTheAnalysisHoldsAreRefused) {
  TIMorphologyEngineFull e;
  int32_t id = 0;
  e.FindOrAddPrefix(std::u16string(255, u'a'), id);
  EXPECT_EQ(id, 1);
  EXPECT_THROW(e.FindOrAddPrefix(std::u16string(256, u'a'), id), std::exception);
  EXPECT_EQ(e.PrefixCount(), 2);
}

TEST(MorphologyTables, TheSixtyFiveThousandFiveHundredThirtySixthEndingIsRefused) {
  TIMorphologyEngineFull e;
  int32_t id = 0;
  for (int32_t i = 1; i < 65535; ++i) {
    std::u16string text{static_cast<char16_t>(u'a' + i % 26), static_cast<char16_t>(0x400 + i / 26)};
    e.FindOrAddEnding(text, id);
    ASSERT_EQ(id, i);
  }
  EXPECT_EQ(e.EndingCount(), 65535);
  e.FindOrAddEnding(u"b\u0400", id);  // known texts still work
  EXPECT_EQ(id, 1);
  EXPECT_THROW(e.FindOrAddEnding(u"new", id), std::exception);
  EXPECT_EQ(e.EndingCount(), 65535);
}

// ---- analysis ----

class AnalyseWordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A lexeme with prefixes "un" and "unde" and endings "s", "ed", "ness".
    AddParadigm(e, {{u"", u""}, {u"", u"s"}, {u"", u"ed"}, {u"un", u""}, {u"un", u"ed"}, {u"unde", u"s"},
                    {u"", u"ness"}});
  }
  int32_t Rule(std::u16string_view prefix, std::u16string_view ending) {
    int32_t p = 0, en = 0, value = 0;
    e.FindOrAddPrefix(prefix, p);
    e.FindOrAddEnding(ending, en);
    return e.LocateRule(p, en, value) ? value : -1;
  }
  TIMorphologyEngineFull e;
  TAffixIndexes rows;
};

TEST_F(AnalyseWordTest, EmptyWordLeavesTheRowsAlone) {
  rows.resize(3);
  rows[0].Count = 77;
  EXPECT_EQ(e.AnalyseWord(u"", rows), 0);
  EXPECT_EQ(rows[0].Count, 77);
}

TEST_F(AnalyseWordTest, WordWithoutAffixesHasRowZeroOnly) {
  ASSERT_EQ(e.AnalyseWord(u"xyz", rows), 1);
  EXPECT_EQ(rows[0].Rules[0], 0);
  EXPECT_EQ(rows[0].Count, 1);
  EXPECT_EQ(rows[0].PrefixLength, 0);
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(rows[0].Rules[k], -1) << k;
}

TEST_F(AnalyseWordTest, PrefixAndEndingRows) {
  // "undecided": prefixes "un" (2) and "unde" (4); ending "ed".
  ASSERT_EQ(e.AnalyseWord(u"undecided", rows), 3);
  EXPECT_EQ(rows[0].Rules[2], Rule(u"", u"ed"));
  EXPECT_EQ(rows[0].Rules[1], -1);  // no ending "d"
  EXPECT_EQ(rows[0].Count, 2);
  EXPECT_EQ(rows[1].PrefixLength, 2);
  EXPECT_EQ(rows[1].Rules[0], Rule(u"un", u""));
  EXPECT_EQ(rows[1].Rules[2], Rule(u"un", u"ed"));
  EXPECT_EQ(rows[1].Count, 1);
  EXPECT_EQ(rows[2].PrefixLength, 4);
  EXPECT_EQ(rows[2].Rules[0], -1);  // no rule ("unde", "")
  EXPECT_EQ(rows[2].Rules[2], -1);  // no rule ("unde", "ed")
  EXPECT_EQ(rows[2].Count, 0);
}

TEST_F(AnalyseWordTest, TableOfWords) {
  struct Row {
    std::u16string word;
    int32_t rows;
    // (row, ending length, prefix, ending) expected to hold a rule
    std::vector<std::tuple<int, int, std::u16string, std::u16string>> hits;
  };
  const std::vector<Row> table = {
      {u"cats", 1, {{0, 1, u"", u"s"}}},
      {u"s", 1, {{0, 1, u"", u"s"}}},  // the whole word is an ending: empty stem
      {u"kindness", 1, {{0, 4, u"", u"ness"}, {0, 1, u"", u"s"}}},
      {u"undes", 3, {{0, 1, u"", u"s"}, {2, 1, u"unde", u"s"}}},
      // "unde" + "s" would need 5 units: with 4 after the prefix the row gets
      // no entry 1 when the word is "undes"... but "unds" has no "unde" row.
      {u"unds", 2, {{0, 1, u"", u"s"}}},
      {u"un", 2, {{1, 0, u"un", u""}}},
  };
  for (const Row& r : table) {
    SCOPED_TRACE(std::string(r.word.begin(), r.word.end()));
    ASSERT_EQ(e.AnalyseWord(r.word, rows), r.rows);
    for (const auto& [row, k, prefix, ending] : r.hits) EXPECT_EQ(rows[row].Rules[k], Rule(prefix, ending));
  }
}

TEST_F(AnalyseWordTest, LongPrefixGetsNoEndingThatWouldOverlapIt) {
  // "undes": the "unde" row (4 units) may take an ending of at most 1 unit.
  ASSERT_EQ(e.AnalyseWord(u"undeed", rows), 3);
  EXPECT_EQ(rows[0].Rules[2], Rule(u"", u"ed"));
  EXPECT_EQ(rows[1].Rules[2], Rule(u"un", u"ed"));
  EXPECT_EQ(rows[2].PrefixLength, 4);
  EXPECT_EQ(rows[2].Rules[2], -1);
}

// ---- forms ----

TEST(MorphologyForms, SameRuleFormsComeNewestFirstBehindTheTreeNode) {
  TIMorphologyEngineFull e;
  const int32_t lx = e.AddLexeme();
  TMEGroup* g = e.GetLexeme(lx);
  // A, B, C with one rule ("", "a"), linked in that order.
  for (int i = 0; i < 3; ++i) g->SetFormEnding(g->AddForm(), u"a");
  const int32_t rule = g->GetFormRule(0);
  EXPECT_EQ(e.FirstForm(lx, rule, 1), 0);
  EXPECT_EQ(e.NextForm(), 2);
  EXPECT_EQ(e.NextForm(), 1);
  EXPECT_EQ(e.NextForm(), -1);
  TArrayOfIndex list;
  EXPECT_EQ(e.FormsOfRule(lx, rule, list), 3);
  EXPECT_EQ(list.size(), 8u);
  EXPECT_EQ((std::vector<int32_t>{list[0], list[1], list[2]}), (std::vector<int32_t>{0, 2, 1}));
  // Only the tree of the rule's own ending length holds it.
  EXPECT_EQ(e.FirstForm(lx, rule, 0), -1);
  EXPECT_EQ(e.FirstForm(lx, rule, 5), -1);
  CheckEngineInvariants(e);
}

TEST(MorphologyForms, UnlinkingTheTreeNodeMovesItsNextIntoItsPlace) {
  TIMorphologyEngineFull e;
  const int32_t lx = AddParadigm(e, {{u"", u"b"}, {u"", u"a"}, {u"", u"c"}, {u"", u"a"}});
  TMEGroupFull* g = e.LexemeAt(lx);
  const int32_t rule = g->Forms[1].Rule;
  ASSERT_EQ(e.FindForm(lx, rule, 1), 1);
  const int16_t left = g->Forms[1].Left, right = g->Forms[1].Right;
  const uint8_t balance = g->Forms[1].Balance;
  e.UnlinkForm(*g, 1);
  EXPECT_EQ(e.FindForm(lx, rule, 1), 3);
  EXPECT_EQ(g->Forms[3].Left, left);
  EXPECT_EQ(g->Forms[3].Right, right);
  EXPECT_EQ(g->Forms[3].Balance, balance);
  EXPECT_EQ(g->Forms[1].Next, -1);
  e.LinkForm(*g, 1);
  CheckEngineInvariants(e);
}

TEST(MorphologyForms, MakeFormJoinsPrefixStemAndEnding) {
  TIMorphologyEngineFull e;
  const int32_t lx = AddParadigm(e, {{u"", u""}, {u"un", u"ed"}, {u"re", u""}});
  EXPECT_EQ(e.MakeForm(u"lock", lx, 0), u"lock");
  EXPECT_EQ(e.MakeForm(u"lock", lx, 1), u"unlocked");
  EXPECT_EQ(e.MakeForm(u"", lx, 1), u"uned");
  EXPECT_EQ(e.MakeForm(u"lock", lx, 2), u"relock");
  EXPECT_EQ(e.MakeForm(u"lock", lx, 3), u"");
  EXPECT_EQ(e.MakeForm(u"lock", lx + 1, 0), u"");
}

TEST(MorphologyForms, ClearAndDeleteLexemeEndTheFormCursor) {
  TIMorphologyEngineFull e;
  const int32_t a = AddParadigm(e, {{u"", u"a"}, {u"", u"a"}});
  AddParadigm(e, {{u"", u"b"}});
  const int32_t rule = e.LexemeAt(a)->Forms[0].Rule;
  ASSERT_EQ(e.FirstForm(a, rule, 1), 0);
  e.DeleteLexeme(a);  // lexeme 1 moves into slot 0
  EXPECT_EQ(e.NextForm(), -1);
  ASSERT_EQ(e.FirstForm(0, e.LexemeAt(0)->Forms[0].Rule, 1), 0);
  e.Clear();
  EXPECT_EQ(e.NextForm(), -1);
  EXPECT_EQ(e.CursorLexeme(), -1);
}

// ---- lexemes ----

TEST(MorphologyLexemes, DeleteMovesTheLastLexemeIntoTheGap) {
  TIMorphologyEngineFull e;
  AddParadigm(e, {{u"", u"a"}});
  AddParadigm(e, {{u"", u"b"}});
  AddParadigm(e, {{u"", u"c"}, {u"", u"cc"}});
  e.LexemeAt(2)->Lemma = u"third";
  e.DeleteLexeme(0);
  ASSERT_EQ(e.LexemeCount(), 2);
  TMEGroupFull* moved = e.LexemeAt(0);
  EXPECT_EQ(moved->Lemma, u"third");
  EXPECT_EQ(moved->FormCount(), 2);
  EXPECT_EQ(moved->Forms[0].Lexeme, moved);
  EXPECT_EQ(moved->LexemeIndex(), 0);
  EXPECT_EQ(moved->GetFormEnding(1), u"cc");
  CheckEngineInvariants(e);

  e.SetDeleteEnabled(0);
  e.DeleteLexeme(0);
  EXPECT_EQ(e.LexemeCount(), 2);
  e.SetDeleteEnabled(1);
  e.DeleteLexeme(5);
  EXPECT_EQ(e.LexemeCount(), 2);
}

TEST(MorphologyLexemes, FinishLexemeDropsEmptyAndDuplicateLexemes) {
  TIMorphologyEngineFull e;
  for (int i = 0; i < 5; ++i) AddParadigm(e, {{u"", u""}, {u"", u"s" + std::u16string(i, u'x')}});
  e.LexemeAt(4)->Lemma = u"walk";
  // Equal in forms (in another order) and features, lemma different: lexeme 4.
  const int32_t copy = AddParadigm(e, {{u"", u"sxxxx"}, {u"", u""}, {u"", u"sxxxx"}});
  e.LexemeAt(copy)->Lemma = u"talk";
  EXPECT_EQ(e.FinishLexeme(), 4);
  EXPECT_EQ(e.LexemeCount(), 5);
  // One form with rule 0 and no feature bits: dropped.
  AddParadigm(e, {{u"", u""}});
  EXPECT_EQ(e.FinishLexeme(), -1);
  EXPECT_EQ(e.LexemeCount(), 5);
  // Same forms, other features: kept.
  const int32_t other = AddParadigm(e, {{u"", u""}, {u"", u"sxxxx"}});
  e.GetLexeme(other)->SetPartOfSpeech(3);
  EXPECT_EQ(e.FinishLexeme(), other);
  EXPECT_EQ(e.LexemeCount(), 6);
  CheckEngineInvariants(e);
}

TEST(MorphologyLexemes, SetLexemeCopiesAcrossEngines) {
  TIMorphologyEngineFull source;
  const int32_t s = AddParadigm(source, {{u"", u""}, {u"re", u"ing"}, {u"", u"ed"}});
  source.LexemeAt(s)->Lemma = u"do";
  source.GetLexeme(s)->SetFormFeature25(1, 5);
  TIMorphologyEngineFull target;
  AddParadigm(target, {{u"", u"zz"}});
  const int32_t t = AddParadigm(target, {{u"", u"q"}, {u"", u"q"}});
  target.SetLexeme(t, source.GetLexeme(s));
  TMEGroup* g = target.GetLexeme(t);
  EXPECT_EQ(g->GetLemma(), u"do");
  ASSERT_EQ(g->FormCount(), 3);
  EXPECT_EQ(target.MakeForm(u"go", t, 1), u"regoing");
  EXPECT_EQ(g->GetFormFeature25(1), 5);
  EXPECT_EQ(target.MaxPrefixLength(), 2);
  CheckEngineInvariants(target);
}

TEST(MorphologyLexemes, CountsByPartOfSpeech) {
  TIMorphologyEngineFull e;
  e.GetLexeme(AddParadigm(e, {{u"", u""}, {u"", u"s"}}))->SetPartOfSpeech(2);
  e.GetLexeme(AddParadigm(e, {{u"", u""}, {u"", u"s"}, {u"", u"es"}}))->SetPartOfSpeech(2);
  e.GetLexeme(AddParadigm(e, {{u"", u""}}))->SetPartOfSpeech(4);
  EXPECT_EQ(e.LexemeCountByPartOfSpeech(2), 2);
  EXPECT_EQ(e.FormCountByPartOfSpeech(2), 5);
  EXPECT_EQ(e.FormCountByPartOfSpeech(4), 1);
  EXPECT_EQ(e.LexemeCountByPartOfSpeech(7), 0);
  TArrayOfIndex list{9, 9};
  e.LexemeAt(2)->Lemma = u"x";
  EXPECT_EQ(e.FindLexemes(u"x", list), 1);
  EXPECT_EQ(list, TArrayOfIndex{2});
}

// ---- compaction ----

TEST(MorphologyCompaction, RemoveDuplicateFormsRenumbersLinks) {
  TIMorphologyEngineFull e;
  const int32_t lx = AddParadigm(e, {{u"", u"a"}, {u"", u"b"}, {u"", u"a"}, {u"", u"c"}, {u"", u"b"}});
  e.RemoveDuplicateForms(lx);
  TMEGroupFull* g = e.LexemeAt(lx);
  ASSERT_EQ(g->FormCount(), 3);
  EXPECT_EQ(g->GetFormEnding(0), u"a");
  EXPECT_EQ(g->GetFormEnding(1), u"b");
  EXPECT_EQ(g->GetFormEnding(2), u"c");
  CheckEngineInvariants(e);
}

TEST(MorphologyCompaction, UnusedRulesAndAffixesGoAndIdsCloseUp) {
  TIMorphologyEngineFull e;
  AddParadigm(e, {{u"", u"a"}, {u"x", u"b"}});
  const int32_t gone = AddParadigm(e, {{u"y", u"c"}, {u"", u"d"}});
  AddParadigm(e, {{u"z", u"e"}, {u"", u"a"}});
  const int32_t rulesBefore = e.RuleCount();
  e.SetDeleteEnabled(1);
  e.DeleteLexeme(gone);  // rules (y, c) and (0, d) lose their forms
  std::vector<std::u16string> texts;
  for (int32_t i = 0; i < e.LexemeCount(); ++i) {
    for (int32_t k = 0; k < e.LexemeAt(i)->FormCount(); ++k) texts.push_back(e.MakeForm(u"-", i, k));
  }
  int boxes = 0;
  platform::SetMessageBoxHandler([&](std::u16string_view, std::u16string_view, uint32_t) {
    ++boxes;
    return platform::kIdOk;
  });
  e.CompactLexicon();
  platform::SetMessageBoxHandler({});
  EXPECT_EQ(boxes, 0);
  EXPECT_EQ(e.RuleCount(), 4);  // (0,0), (0,a), (x,b), (z,e)
  EXPECT_LT(e.RuleCount(), rulesBefore);
  EXPECT_EQ(e.PrefixCount(), 3);  // "", "x", "z"
  EXPECT_EQ(e.PrefixText(2), u"z");
  EXPECT_EQ(e.EndingCount(), 4);  // "", "a", "b", "e"
  EXPECT_EQ(e.EndingText(3), u"e");
  EXPECT_EQ(e.MaxPrefixLength(), 1);
  std::vector<std::u16string> after;
  for (int32_t i = 0; i < e.LexemeCount(); ++i) {
    for (int32_t k = 0; k < e.LexemeAt(i)->FormCount(); ++k) after.push_back(e.MakeForm(u"-", i, k));
  }
  EXPECT_EQ(after, texts);
  // New affixes still find their way through the rebuilt trees.
  int32_t id = 0;
  e.FindOrAddEnding(u"e", id);
  EXPECT_EQ(id, 3);
  e.FindOrAddPrefix(u"y", id);
  EXPECT_EQ(id, 3);
  CheckEngineInvariants(e);
  TAffixIndexes rows;
  ASSERT_EQ(e.AnalyseWord(u"z-e", rows), 2);
  EXPECT_GE(rows[1].Rules[1], 0);
}

TEST(MorphologyCompaction, ABrokenReferenceCountIsReportedAndTheRecountKeepsUsedRules) {
  TIMorphologyEngineFull e;
  const int32_t lx = AddParadigm(e, {{u"", u"a"}, {u"", u"b"}, {u"", u"c"}});
  TMEGroupFull* g = e.LexemeAt(lx);
  // Form 2 takes the rule of form 0 behind the engine's back: rule "c" keeps
  // a reference no form carries, rule "a" has one too few.
  g->Forms[2].Rule = g->Forms[0].Rule;
  std::vector<std::u16string> texts;
  platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view caption, uint32_t flags) {
    texts.emplace_back(text);
    EXPECT_EQ(caption, u"Error");
    EXPECT_EQ(flags & platform::kMbIconError, platform::kMbIconError);
    return platform::kIdOk;
  });
  e.CompactRules();
  platform::SetMessageBoxHandler({});
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], u"Ошибка в алгоритме установления используемых аффиксов");
  EXPECT_EQ(e.RuleCount(), 3);  // (0,0), a, b: c went, a stayed
  EXPECT_EQ(e.MakeForm(u"x", lx, 0), u"xa");
  EXPECT_EQ(e.MakeForm(u"x", lx, 1), u"xb");
  EXPECT_EQ(e.MakeForm(u"x", lx, 2), u"xa");
  EXPECT_EQ(e.Rule(g->Forms[0].Rule).References, 2u);
}

// ---- invariants under random edits ----

TEST(MorphologyInvariants, HoldUnderALongRandomSequenceOfEdits) {
  std::mt19937 rng(20240611);
  TIMorphologyEngineFull e;
  const std::u16string letters = u"abcde";
  auto affix = [&](int maxLength) {
    std::u16string s;
    const int n = static_cast<int>(rng() % (maxLength + 1));
    for (int i = 0; i < n; ++i) s += letters[rng() % letters.size()];
    return s;
  };
  for (int step = 0; step < 20000; ++step) {
    const int op = static_cast<int>(rng() % 100);
    const int32_t count = e.LexemeCount();
    const int32_t lx = count > 0 ? static_cast<int32_t>(rng() % count) : -1;
    TMEGroup* g = e.GetLexeme(lx);
    if (op < 10 || count == 0) {
      e.AddLexeme();
    } else if (op < 40) {
      const int32_t j = g->AddForm();
      g->SetFormEnding(j, affix(3));
      if (rng() % 3 == 0) g->SetFormPrefix(j, affix(2));
      g->SetFormFeature25(j, static_cast<uint8_t>(rng() % 2));
    } else if (op < 55 && g->FormCount() > 0) {
      g->SetFormEnding(static_cast<int32_t>(rng() % g->FormCount()), affix(3));
    } else if (op < 62 && g->FormCount() > 0) {
      g->SetFormPrefix(static_cast<int32_t>(rng() % g->FormCount()), affix(2));
    } else if (op < 75 && g->FormCount() > 0) {
      g->DeleteForm(static_cast<int32_t>(rng() % g->FormCount()));
    } else if (op < 80) {
      e.DeleteLexeme(lx);
    } else if (op < 84) {
      e.SetLexeme(lx, e.GetLexeme(static_cast<int32_t>(rng() % count)));
    } else if (op < 88) {
      e.FinishLexeme();
    } else if (op < 92) {
      e.RemoveDuplicateForms(lx);
    } else if (op < 93) {
      e.CompactLexicon();
    } else {
      // Walk a rule's forms.
      if (g->FormCount() > 0) {
        const int32_t k = static_cast<int32_t>(rng() % g->FormCount());
        TArrayOfIndex list;
        const int32_t n = e.FormsOfRule(lx, g->GetFormRule(k), list);
        EXPECT_GE(n, 1);
        EXPECT_TRUE(std::find(list.begin(), list.begin() + n, k) != list.begin() + n);
      }
    }
    if (step % 500 == 0) {
      SCOPED_TRACE(step);
      CheckEngineInvariants(e);
      if (::testing::Test::HasFailure()) return;
    }
  }
  CheckEngineInvariants(e);
}

}  // namespace
}  // namespace kestrune
