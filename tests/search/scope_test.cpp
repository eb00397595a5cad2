#include "search/scope.h"

#include <gtest/gtest.h>

#include <string>

#include "language/phrase_word_dictionary.h"
#include "language/storage_forms_words.h"
#include "tests/language/fake_morphology_engine.h"

namespace kestrune {
namespace {

TNNKeys Keys(std::initializer_list<int32_t> ids) {
  TNNKeys keys;
  for (int32_t id : ids) keys.push_back(TNNKey{id, 1.0f});
  return keys;
}

class ScopeTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    dictionary.SetMorphologyEngine(&engine);
    const int32_t verbs = engine.AddParadigm({{u"", u""}, {u"", u"s"}, {u"", u"ed"}}, 1);
    apple = dictionary.AddWord(u"apple", 3, -1);
    banana = dictionary.AddWord(u"banana", 3, -1);
    walk = dictionary.AddWord(u"walk", 1, verbs);
    TPhrase phrase;
    phrase.Entries = {TPhraseEntry{banana, 0, 0}, TPhraseEntry{apple, 0, 0}};
    pie = TPhraseWordDictionary::kPhraseBase + dictionary.AddPhrase(phrase);
    scope.SetWordDictionary(&dictionary);
    scope.SetFormsStore(&forms);
  }

  test::TFakeMorphologyEngine engine;
  TPhraseWordDictionary dictionary;
  TStorageFormsWords forms;
  TScope scope;
  int32_t apple = -1, banana = -1, walk = -1, pie = -1;
};

TEST_F(ScopeTexts, QueryTextOfWordsPhrasesFormsAndMissingWords) {
  forms.SetForm(walk, 2, true);
  struct Case {
    TNNKeys included;
    TNNKeys excluded;
    std::u16string text;
  };
  const Case cases[] = {
      {Keys({apple, pie}), Keys({banana}), u"apple \"banana apple\" -banana"},
      {Keys({apple}), Keys({pie}), u"apple -\"banana apple\""},
      {Keys({walk}), {}, u"walked"},                 // the form the store keeps
      {Keys({777, apple, -5}), Keys({888}), u"apple"},  // keys without a word add nothing
      {Keys({2000099}), {}, u""},                    // a phrase that does not exist
      {{}, Keys({apple}), u"-apple"},
  };
  for (const Case& c : cases) {
    scope.Clear();
    scope.Add(c.included, c.excluded);
    EXPECT_EQ(scope.GetQueryText(scope.CurrentIndex()), c.text);
  }
  EXPECT_EQ(scope.GetQueryText(7), u"");
  EXPECT_EQ(scope.GetQueryText(-1), u"");
  scope.SetWordDictionary(nullptr);
  EXPECT_EQ(scope.GetQueryText(0), u"");
}

// Four scopes holding the single keys 0, 1, 2 and 3, then one operation.
TEST(Scope, OperationsKeepTheListAndTheCurrentIndex) {
  enum Op { kAdd, kReplace, kDelete, kSetCurrent };
  struct Case {
    const char* what;
    int32_t size;     // scopes before the operation (keys 0, 1, ...)
    int32_t current;  // current index before
    Op op;
    int32_t index;    // argument of Replace, Delete, SetCurrent
    TNNKeys included; // content of Add and Replace
    std::string order;  // the scopes afterwards, by their first key
    int32_t after;      // current index afterwards
  };
  const Case cases[] = {
      {"delete the current last scope", 4, 3, kDelete, 3, {}, "012", 2},
      {"delete the only scope", 1, 0, kDelete, 0, {}, "", -1},
      {"delete below the current scope", 4, 2, kDelete, 0, {}, "123", 1},
      {"delete the current scope in the middle", 4, 1, kDelete, 1, {}, "023", 1},
      {"delete above the current scope", 4, 1, kDelete, 3, {}, "012", 1},
      {"delete a bad index", 4, 1, kDelete, 4, {}, "0123", 1},
      {"replace 3 by the content of 1", 4, 0, kReplace, 3, Keys({1}), "021", 0},
      {"replace the current 3 by the content of 1", 4, 3, kReplace, 3, Keys({1}), "021", 2},
      {"replace 3 by the current duplicate 1", 4, 1, kReplace, 3, Keys({1}), "021", 2},
      {"replace 1 by the current duplicate 3", 4, 3, kReplace, 1, Keys({3}), "032", 1},
      {"replace 1 by the duplicate 3 below the current", 4, 2, kReplace, 1, Keys({3}), "032", 2},
      {"replace 3 by the content of 0, current 2", 4, 2, kReplace, 3, Keys({0}), "120", 1},
      {"replace by new content", 4, 2, kReplace, 0, Keys({9}), "9123", 2},
      {"replace by its own content", 4, 2, kReplace, 2, Keys({2}), "0123", 2},
      {"replace with no included key", 4, 2, kReplace, 1, {}, "0123", 2},
      {"replace a bad index", 4, 2, kReplace, 4, Keys({9}), "0123", 2},
      {"add existing content", 4, 0, kAdd, 0, Keys({2}), "0123", 2},
      {"add new content", 4, 0, kAdd, 0, Keys({7}), "01237", 4},
      {"add with no included key", 4, 0, kAdd, 0, {}, "0123-", 4},
      {"set a bad current index", 4, 1, kSetCurrent, 4, {}, "0123", 1},
      {"set current -1", 4, 1, kSetCurrent, -1, {}, "0123", 1},
      {"set current", 4, 1, kSetCurrent, 3, {}, "0123", 3},
  };
  for (const Case& c : cases) {
    TScope scope;
    for (int32_t k = 0; k < c.size; ++k) scope.Add(Keys({k}), {});
    scope.SetCurrent(c.current);
    switch (c.op) {
      case kAdd: scope.Add(c.included, c.included.empty() ? Keys({5}) : TNNKeys{}); break;
      case kReplace: scope.Replace(c.index, c.included, {}); break;
      case kDelete: scope.Delete(c.index); break;
      case kSetCurrent: scope.SetCurrent(c.index); break;
    }
    std::string order;
    for (int32_t i = 0; i < scope.Count(); ++i) {
      order += scope.GetIncludedCount(i) > 0 ? static_cast<char>('0' + scope.GetIncludedKey(i, 0).Id) : '-';
    }
    EXPECT_EQ(order, c.order) << c.what;
    EXPECT_EQ(scope.CurrentIndex(), c.after) << c.what;
  }
}

TEST(Scope, EqualityIgnoresOrderAndWeightsButNotCountsOrKinds) {
  TScope scope;
  scope.Add({{1, 1.0f}, {2, 1.0f}}, {{3, 1.0f}});
  scope.Add(Keys({4}), {});
  struct Case {
    TNNKeys included;
    TNNKeys excluded;
    int32_t found;
  };
  const Case cases[] = {
      {{{2, 0.5f}, {1, 7.0f}}, Keys({3}), 0}, {Keys({1, 2}), {}, -1},         {Keys({1, 2, 3}), {}, -1},
      {Keys({1, 1}), Keys({3}), -1},          {Keys({1, 2, 2}), Keys({3}), -1}, {{}, {}, -1},
      {Keys({4}), {}, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(scope.Find(c.included, c.excluded), c.found);
}

TEST(Scope, CopiesCutCountsAndRangeChecks) {
  TScope scope;
  TTScopeWords source(2);
  source[0] = {2, 5, Keys({1, 2, 3}), Keys({4})};  // counts disagreeing with the lists
  source[1] = {-3, 0, Keys({6}), {}};
  scope.Add(Keys({9}), {});
  scope.SetScopes(source);
  EXPECT_EQ(scope.CurrentIndex(), -1);
  ASSERT_EQ(scope.Count(), 2);
  const int32_t counts[] = {scope.GetIncludedCount(0), scope.GetExcludedCount(0), scope.GetIncludedCount(1),
                            scope.GetIncludedCount(2), scope.GetExcludedCount(-1)};
  EXPECT_EQ(std::vector<int32_t>(std::begin(counts), std::end(counts)), (std::vector<int32_t>{2, 1, 0, -1, -1}));
  scope.GetScopes()[0].Included[0].Id = 99;  // a copy
  scope.SetIncludedKey(0, 1, TNNKey{42, 0.5f});
  scope.SetIncludedKey(0, 2, TNNKey{44, 1.0f});  // past the list: ignored
  scope.SetExcludedKey(5, 0, TNNKey{45, 1.0f});
  EXPECT_EQ(scope.GetIncludedKey(0, 0), (TNNKey{1, 1.0f}));
  EXPECT_EQ(scope.GetIncludedKey(0, 1), (TNNKey{42, 0.5f}));
  EXPECT_EQ(scope.GetIncludedKey(0, 2), (TNNKey{-1, 0.0f}));
  EXPECT_EQ(scope.GetExcludedKey(3, 0), (TNNKey{-1, 0.0f}));
}

}  // namespace
}  // namespace kestrune
