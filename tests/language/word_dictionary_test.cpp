#include "language/word_dictionary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/base.h"
#include "core/log_file.h"
#include "language/stop_list.h"
#include "platform/text.h"
#include "tests/language/fake_morphology_engine.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::TFakeMorphologyEngine;
using Entries = std::vector<std::pair<int32_t, int32_t>>;  // (word, form)

Entries Find(TIWordDictionary& dictionary, std::u16string_view text, int32_t flags = 0) {
  TWordVariants list;
  TAffixIndexes scratch;
  const int32_t n = dictionary.Search(text, list, flags, scratch);
  EXPECT_LE(static_cast<size_t>(n), list.size());
  Entries entries;
  for (int32_t i = 0; i < n; ++i) entries.emplace_back(list[i].WordIndex, list[i].Form);
  return entries;
}

std::u16string Word(uint32_t n) {
  // Texts that share beginnings and are beginnings of each other.
  std::u16string text;
  do {
    text.push_back(static_cast<char16_t>(u'a' + n % 7));
    n /= 7;
  } while (n != 0);
  return text;
}

// ---------------------------------------------------------------------------
// The duplicate and chain rules, in both index modes.

class WordDictionaryModes : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { dictionary.SetFastSpeed(GetParam()); }
  TIWordDictionary dictionary;
};

TEST_P(WordDictionaryModes, DuplicatesAndChains) {
  const int32_t first = dictionary.AddWord(u"house", 3, -1);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(dictionary.AddWord(u"house", 3, -1), first);
  EXPECT_EQ(dictionary.Count(), 1);
  // Another part of speech or group: a new word, chained right after the
  // first word of the text.
  const int32_t verb = dictionary.AddWord(u"house", 1, -1);
  EXPECT_EQ(verb, 1);
  const int32_t grouped = dictionary.AddWord(u"house", 3, 5);
  EXPECT_EQ(grouped, 2);
  EXPECT_EQ(Find(dictionary, u"house"), (Entries{{0, 0}, {2, 0}, {1, 0}}));
  // The dictionary id is not part of the duplicate rule.
  dictionary.SetDictID(7);
  EXPECT_EQ(dictionary.AddWord(u"house", 1, -1), verb);
  EXPECT_EQ(dictionary.Count(), 3);
  EXPECT_EQ(dictionary.GetWord(verb)->GetDictionaryID(), 0);

  // Flag 1 finds a known text whatever its parts of speech, as flag 0 does,
  // and adds nothing; an unknown text is added as (text, 0, -1).
  EXPECT_EQ(Find(dictionary, u"house", TIWordDictionary::kSearchAdd), (Entries{{0, 0}, {2, 0}, {1, 0}}));
  EXPECT_EQ(dictionary.Count(), 3);
  EXPECT_EQ(Find(dictionary, u"mouse", TIWordDictionary::kSearchAdd), (Entries{{3, 0}}));
  EXPECT_EQ(dictionary.GetWord(3)->GetPartOfSpeech(), 0);
  EXPECT_EQ(dictionary.GetWord(3)->GetDictionaryID(), 7);

  EXPECT_TRUE(Find(dictionary, u"hous").empty());
  EXPECT_TRUE(Find(dictionary, u"houses").empty());
  EXPECT_EQ(dictionary.GetWord(-1), nullptr);
  EXPECT_EQ(dictionary.GetWord(dictionary.Count()), nullptr);
}

TEST_P(WordDictionaryModes, EveryTextIsFoundAfterManyInsertions) {
  std::vector<uint32_t> order(20000);
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(5));
  std::map<std::u16string, int32_t> expected;
  for (uint32_t n : order) {
    const std::u16string text = Word(n);
    const int32_t index = dictionary.AddWord(text, 0, -1);
    auto [it, inserted] = expected.emplace(text, index);
    ASSERT_EQ(it->second, index) << "same text, same index";
    ASSERT_EQ(inserted, index == dictionary.Count() - 1);
  }
  for (const auto& [text, index] : expected) {
    ASSERT_EQ(Find(dictionary, text), (Entries{{index, 0}})) << std::string(text.begin(), text.end());
    ASSERT_EQ(dictionary.GetWord(index)->GetText(), text);
  }
  EXPECT_TRUE(Find(dictionary, u"zz").empty());
  EXPECT_TRUE(Find(dictionary, u"aaaaaaaaaa").empty());
}

TEST_P(WordDictionaryModes, TextlessWordsFormOneChain) {
  EXPECT_FALSE(dictionary.FormsStale());
  const int32_t a = dictionary.AddWord(u"", 0, 4);
  EXPECT_TRUE(dictionary.FormsStale());
  EXPECT_EQ(dictionary.AddWord(u"", 0, 4), a);
  const int32_t b = dictionary.AddWord(u"", 0, 6);
  EXPECT_NE(a, b);
  EXPECT_EQ(dictionary.GetWord(a)->GetStoredText(), u"");
  // A text cut at its first 0 unit is empty too.
  EXPECT_EQ(dictionary.AddWord(std::u16string_view(u"\0xy", 3), 0, 4), a);
  // An empty text looked up exactly: nothing in AVL mode, the text-less chain
  // in ternary mode.
  const Entries expected = GetParam() ? Entries{{a, 0}, {b, 0}} : Entries{};
  EXPECT_EQ(Find(dictionary, u""), expected);
}

TEST_P(WordDictionaryModes, SetTextRebuildsTheIndex) {
  const int32_t cat = dictionary.AddWord(u"cat", 0, -1);
  const int32_t dog = dictionary.AddWord(u"dog", 0, -1);
  const int32_t dogVerb = dictionary.AddWord(u"dog", 1, -1);
  dictionary.GetWord(cat)->SetText(u"cow");
  EXPECT_TRUE(Find(dictionary, u"cat").empty());
  EXPECT_EQ(Find(dictionary, u"cow"), (Entries{{cat, 0}}));
  EXPECT_TRUE(dictionary.FormsStale());
  // Renamed to a text of later words: the words go back into the index in
  // identifier order, so the later word equal in text, part of speech and
  // group stays out.
  dictionary.GetWord(cat)->SetText(u"dog");
  EXPECT_EQ(Find(dictionary, u"dog"), (Entries{{cat, 0}, {dogVerb, 0}}));
  EXPECT_EQ(dictionary.Count(), 3);
  EXPECT_EQ(dictionary.GetWord(dog)->GetStoredText(), u"dog");
  // New words still find their chains.
  const int32_t dogNoun = dictionary.AddWord(u"dog", 3, -1);
  EXPECT_EQ(Find(dictionary, u"dog"), (Entries{{cat, 0}, {dogNoun, 0}, {dogVerb, 0}}));
}

TEST_P(WordDictionaryModes, StringCacheKeepsTextsAndDropsDuplicates) {
  dictionary.SetStrCache(true);
  ASSERT_TRUE(dictionary.StrCache());
  const std::u16string longText(9000, u'x');  // longer than an arena page
  std::vector<std::pair<std::u16string, int32_t>> added;
  for (uint32_t n = 0; n < 3000; ++n) {
    added.emplace_back(Word(n), dictionary.AddWord(Word(n), 0, -1));
    EXPECT_EQ(dictionary.AddWord(Word(n), 0, -1), added.back().second);  // the duplicate's copy is dropped
  }
  const int32_t big = dictionary.AddWord(longText, 0, -1);
  EXPECT_EQ(dictionary.AddWord(longText, 0, -1), big);
  for (const auto& [text, index] : added) ASSERT_EQ(dictionary.GetWord(index)->GetStoredText(), text);
  EXPECT_EQ(dictionary.GetWord(big)->GetStoredText(), longText);
  EXPECT_EQ(Find(dictionary, longText), (Entries{{big, 0}}));
  dictionary.Clear();
  EXPECT_EQ(dictionary.Count(), 0);
  EXPECT_EQ(dictionary.AddWord(u"again", 0, -1), 0);
}

TEST_P(WordDictionaryModes, MarksFindFirstAndFindNext) {
  TWordVariant variant;
  EXPECT_EQ(dictionary.FindNext(variant), -1);
  EXPECT_EQ(variant.WordIndex, -1);

  dictionary.AddWord(u"stop", 2, -1);
  dictionary.AddWord(u"stop", 3, -1);
  // A known text marks every word of it, whatever the part of speech, and
  // adds nothing; an unknown text is added, then marked.
  dictionary.MarkWord(u"stop");
  dictionary.MarkWord(u"unknown");
  ASSERT_EQ(dictionary.Count(), 3);
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(dictionary.GetWord(i)->GetFlags() & TWDWord::kFlagMark, 1) << i;
  const TWDWord* unknown = dictionary.GetWord(2);
  EXPECT_EQ(unknown->GetStoredText(), u"unknown");
  EXPECT_EQ(unknown->GetPartOfSpeech(), 0);
  EXPECT_EQ(unknown->GetGroup(), -1);
  dictionary.GetWord(0)->SetFlags(0x11);
  dictionary.ClearMarks();
  EXPECT_EQ(dictionary.GetWord(0)->GetFlags(), 0x10);
  EXPECT_EQ(dictionary.GetWord(1)->GetFlags(), 0);

  TWordVariant first;
  dictionary.AddWord(u"stop", 0, -1);
  EXPECT_EQ(dictionary.FindFirst(u"stop", first, 0), 3);
  EXPECT_EQ(first.WordIndex, 0);
  EXPECT_EQ(dictionary.FindNext(variant), 3);
  EXPECT_EQ(dictionary.FindNext(variant), 1);
  EXPECT_EQ(dictionary.FindNext(variant), -1);
  EXPECT_EQ(variant.WordIndex, -1);
  EXPECT_EQ(dictionary.FindFirst(u"nothing", first, 0), 0);
  EXPECT_EQ(first.WordIndex, -1);
  EXPECT_EQ(dictionary.FindNext(variant), -1);
}

TEST_P(WordDictionaryModes, StopWordsOfALanguageMarkOnlyThatLanguagesWords) {
  // English "die" and "war", a German "die" (another part of speech), a word
  // of no dictionary.
  dictionary.SetDictID(kLangEnglish);
  const int32_t englishDie = dictionary.AddWord(u"die", 0, -1);
  const int32_t war = dictionary.AddWord(u"war", 0, -1);
  dictionary.SetDictID(kLangGerman);
  const int32_t germanDie = dictionary.AddWord(u"die", 7, -1);
  dictionary.SetDictID(0);
  const int32_t orphan = dictionary.AddWord(u"orphan", 0, -1);
  // The dictionary id is the last file's when the lists are read.
  dictionary.SetDictID(kLangRussian);
  struct Step {
    const char16_t* text;
    int16_t language;
  };
  for (const Step& step : {Step{u"die", kLangGerman}, Step{u"war", kLangGerman}, Step{u"und", kLangGerman},
                           Step{u"orphan", kLangFrench}, Step{u"aber", kLangGerman}, Step{u"the", 0}}) {
    dictionary.MarkWord(step.text, step.language);
  }
  ASSERT_EQ(dictionary.Count(), 7);
  // (word, marked, dictionary id)
  struct Expected {
    int32_t word;
    bool marked;
    int16_t id;
  };
  const Expected expected[] = {
      {englishDie, false, kLangEnglish}, {war, false, kLangEnglish}, {germanDie, true, kLangGerman},
      {orphan, true, 0},                 {4, true, kLangGerman},     {5, true, kLangGerman},
      {6, true, 0},
  };
  for (const Expected& e : expected) {
    const TWDWord* word = dictionary.GetWord(e.word);
    EXPECT_EQ((word->GetFlags() & TWDWord::kFlagMark) != 0, e.marked) << e.word;
    EXPECT_EQ(word->GetDictionaryID(), e.id) << e.word;
  }
  EXPECT_EQ(dictionary.GetWord(4)->GetStoredText(), u"und");
  // A list of no language marks every reading, as before.
  dictionary.MarkWord(u"war");
  EXPECT_TRUE(dictionary.GetWord(war)->GetFlags() & TWDWord::kFlagMark);
}

// A stop word marks the words it is the initial form of, and those whose
// initial form is a stop word too, not a content word of which it happens to
// be a form ("being" of "bee"); a stop word that is only such a form marks
// every reading, one that no look-up finds joins the dictionary.
TEST(StopList, AStopWordLeavesTheWordsItIsAStrayFormOfAlone) {
  test::TFakeMorphologyEngine engine;
  TIWordDictionary dictionary;
  dictionary.SetMorphologyEngine(&engine);
  dictionary.SetDictID(kLangEnglish);
  auto word = [&](std::u16string_view stem, const std::vector<std::u16string>& endings) {
    std::vector<test::TFakeMorphologyEngine::TFormSpec> forms;
    for (const std::u16string& ending : endings) forms.push_back({u"", ending});
    return dictionary.AddWord(stem, 0, engine.AddParadigm(forms));
  };
  const int32_t bee = word(u"be", {u"e", u"es", u"ing"});  // bee, bees, being
  const int32_t be = word(u"b", {u"e", u"eing", u"is"});   // be, being, bis
  const int32_t being = dictionary.AddWord(u"being", 0, -1);
  const int32_t doe = word(u"do", {u"e", u"es"});   // doe, does
  const int32_t doWord = word(u"d", {u"o", u"oes"});  // do, does
  const int32_t hi = word(u"hi", {u"", u"s"});      // hi, his
  dictionary.SetDictID(kLangGerman);
  const int32_t germanBee = dictionary.AddWord(u"being", 3, -1);
  test::TempDir dir;
  std::string bytes = "\xFF\xFE";
  for (char c : std::string("be\r\nbeing\r\ndoes\r\ndo\r\nhis\r\nxyz\r\n")) bytes += {c, '\0'};
  std::FILE* file = std::fopen(dir.File("stop_english.txt").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  const int32_t count = dictionary.Count();
  EXPECT_EQ(MarkStopList(dictionary, dir.WFile("stop_english.txt")), 6);
  const std::pair<int32_t, bool> expected[] = {{bee, false}, {be, true},  {being, true},     {doe, false},
                                               {doWord, true}, {hi, true}, {germanBee, false}, {count, true}};
  for (const auto& [index, marked] : expected) {
    ASSERT_NE(dictionary.GetWord(index), nullptr) << index;
    EXPECT_EQ((dictionary.GetWord(index)->GetFlags() & TWDWord::kFlagMark) != 0, marked)
        << platform::Utf16ToUtf8(dictionary.GetWord(index)->GetText());
  }
  EXPECT_EQ(dictionary.GetWord(count)->GetStoredText(), u"xyz");
  dictionary.SetMorphologyEngine(nullptr);
}

TEST(StopList, TheFileNameNamesTheLanguage) {
  const std::pair<const char16_t*, int16_t> cases[] = {
      {u"stop_german.txt", kLangGerman},  {u"STOP-English.TXT", kLangEnglish},
      {u"/data/stop_russian.txt", kLangRussian}, {u"dictionaries\\stopfrench.txt", kLangFrench},
      {u"stop_ Italian.txt", kLangItalian}, {u"stop.txt", 0},
      {u"stop_mine.txt", 0},              {u"stop_unknown.txt", 0},
      {u"stop_englishes.txt", 0},         {u"german.txt", 0},
  };
  for (const auto& [name, language] : cases) EXPECT_EQ(StopListLanguage(name), language) << platform::Utf16ToUtf8(name);
  TIWordDictionary dictionary;
  EXPECT_EQ(MarkStopList(dictionary, u"/nonexistent/stop_german.txt"), -1);
}

TEST_P(WordDictionaryModes, AddWordsFromCopiesTextsAndAttributes) {
  TIWordDictionary source;
  source.SetDictAttr(9);
  source.AddWord(u"one", 1, -1);
  source.AddWord(u"two", 2, 3);
  source.AddWord(u"", 0, 4);
  source.GetWord(1)->SetWeight(50);
  source.GetWord(1)->SetFlags(1);
  dictionary.SetDictID(12);
  dictionary.AddWord(u"one", 1, -1);  // already here: keeps its attributes

  EXPECT_EQ(dictionary.AddWordsFrom(nullptr, 0, 5), 0);
  EXPECT_EQ(dictionary.AddWordsFrom(&source, 3, 5), 0);  // first beyond the source
  EXPECT_EQ(dictionary.Count(), 1);
  EXPECT_EQ(dictionary.AddWordsFrom(&source, -4, -1), 0);  // the whole source
  ASSERT_EQ(dictionary.Count(), 3);
  EXPECT_EQ(dictionary.GetWord(0)->GetAttr2(), 0);
  const TWDWord* two = dictionary.GetWord(1);
  EXPECT_EQ(two->GetStoredText(), u"two");
  EXPECT_EQ(two->GetGroup(), 3);
  EXPECT_EQ(two->GetAttr2(), 9);
  EXPECT_EQ(two->GetWeight(), 0);
  EXPECT_EQ(two->GetFlags(), 0);
  EXPECT_EQ(two->GetDictionaryID(), 12);
  EXPECT_EQ(dictionary.GetWord(2)->GetGroup(), 4);
  EXPECT_EQ(dictionary.AddWordsFrom(&source, 0, 100), 0);  // all duplicates now
  EXPECT_EQ(dictionary.Count(), 3);
}

INSTANTIATE_TEST_SUITE_P(IndexModes, WordDictionaryModes, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Ternary" : "Avl"; });

// ---------------------------------------------------------------------------
// Case, settings, limits

TEST(WordDictionary, CaseSensitivityDecidesWhetherCaseVariantsAreOneText) {
  const struct {
    bool caseSensitive;
    bool fastSpeed;
    bool oneText;
  } cases[] = {{true, false, false}, {false, false, true}, {true, true, false}, {false, true, false}};
  const std::pair<std::u16string, std::u16string> pairs[] = {
      {u"Apple", u"apple"}, {u"aPPLE", u"Apple"}, {u"\u0414\u043e\u043c", u"\u0434\u041e\u041c"}, {u"\u00dcber", u"\u00fcBER"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.caseSensitive << c.fastSpeed);
    TIWordDictionary dictionary;
    dictionary.SetFastSpeed(c.fastSpeed);
    dictionary.SetCaseSensitivity(c.caseSensitive);
    for (uint32_t n = 0; n < 200; ++n) dictionary.AddWord(Word(n), 0, -1);  // fill the trees
    for (const auto& [a, b] : pairs) {
      const int32_t first = dictionary.AddWord(a, 0, -1);
      const int32_t second = dictionary.AddWord(b, 0, -1);
      EXPECT_EQ(second == first, c.oneText);
      EXPECT_EQ(Find(dictionary, b), (Entries{{second, 0}}));
      EXPECT_EQ(Find(dictionary, a), (Entries{{first, 0}}));
    }
  }
}

TEST(WordDictionary, LayoutSettingsChangeOnlyWhileEmpty) {
  TIWordDictionary dictionary;
  EXPECT_TRUE(dictionary.CaseSensitivity());
  EXPECT_FALSE(dictionary.FastSpeed());
  EXPECT_FALSE(dictionary.StrCache());
  dictionary.AddWord(u"word", 0, -1);
  dictionary.SetCaseSensitivity(false);
  dictionary.SetFastSpeed(true);
  dictionary.SetStrCache(true);
  EXPECT_TRUE(dictionary.CaseSensitivity());
  EXPECT_FALSE(dictionary.FastSpeed());
  EXPECT_FALSE(dictionary.StrCache());
  EXPECT_EQ(Find(dictionary, u"word"), (Entries{{0, 0}}));
  dictionary.Clear();
  dictionary.SetCaseSensitivity(false);
  dictionary.SetFastSpeed(true);
  dictionary.SetStrCache(true);
  EXPECT_FALSE(dictionary.CaseSensitivity());
  EXPECT_TRUE(dictionary.FastSpeed());
  EXPECT_TRUE(dictionary.StrCache());
  dictionary.AddWord(u"word", 0, -1);
  EXPECT_EQ(Find(dictionary, u"word"), (Entries{{0, 0}}));
}

TEST(WordDictionary, EmptyDictionaryFindsNothingUnlessAsked) {
  TIWordDictionary dictionary;
  EXPECT_TRUE(Find(dictionary, u"x").empty());
  EXPECT_EQ(Find(dictionary, u"x", TIWordDictionary::kSearchAdd), (Entries{{0, 0}}));
  EXPECT_EQ(dictionary.Count(), 1);
  EXPECT_EQ(Find(dictionary, u"x", TIWordDictionary::kSearchAdd), (Entries{{0, 0}}));
  EXPECT_EQ(dictionary.Count(), 1);
}

TEST(WordDictionary, NoWordBeyondTwoMillion) {
  TIWordDictionary dictionary;
  dictionary.SetStrCache(true);
  dictionary.SetFastSpeed(true);
  std::u16string text;
  for (int32_t i = 0; i < TIWordDictionary::kMaxWords; ++i) {
    text.clear();
    for (int32_t n = i; n != 0 || text.empty(); n /= 26) text.push_back(static_cast<char16_t>(u'a' + n % 26));
    dictionary.AddWord(text, 0, -1);
  }
  ASSERT_EQ(dictionary.Count(), TIWordDictionary::kMaxWords);
  test::TempDir folder;
  LogFile.Open(folder.File("kestrune.log"));
  EXPECT_EQ(dictionary.AddWord(u"A new word", 0, -1), -1);
  LogFile.Open(std::string_view());
  std::string log;
  {
    std::FILE* file = std::fopen(folder.File("kestrune.log").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) log.append(buffer, n);
    std::fclose(file);
  }
  EXPECT_NE(log.find("[Error] Word dictionary is full"), std::string::npos) << log;
  EXPECT_EQ(dictionary.AddWord(u"b", 0, -1), 1);  // an equal word needs no identifier
  EXPECT_EQ(dictionary.AddWord(u"b", 1, -1), -1);
  EXPECT_TRUE(Find(dictionary, u"A new word", TIWordDictionary::kSearchAdd).empty());
  EXPECT_EQ(Find(dictionary, u"b", TIWordDictionary::kSearchAdd), (Entries{{1, 0}}));
  TIWordDictionary source;
  source.AddWord(u"b", 0, -1);
  source.AddWord(u"Another", 0, -1);
  EXPECT_EQ(dictionary.AddWordsFrom(&source, 0, -1), -1);
  EXPECT_EQ(dictionary.Count(), TIWordDictionary::kMaxWords);
  EXPECT_EQ(dictionary.GetWord(TIWordDictionary::kMaxWords), nullptr);
}

// ---------------------------------------------------------------------------
// Morphology through the fake engine.

class WordDictionaryMorphology : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    dictionary.SetFastSpeed(GetParam());
    dictionary.SetMorphologyEngine(&engine);
    walk = engine.AddParadigm({{u"", u""}, {u"", u"s"}, {u"", u"ed"}, {u"", u"ing"}});
    // Forms 1 and 2 share a rule and differ in features.
    twin = engine.AddParadigm({{u"", u""}, {u"", u"es"}, {u"", u"es", 1}, {u"", u"ing"}});
    // Whole forms in the lexeme: the word has no text.
    go = engine.AddParadigm({{u"", u"go"}, {u"", u"went"}, {u"", u"gone"}, {u"", u"went", 2}});
    redo = engine.AddParadigm({{u"", u""}, {u"re", u""}, {u"", u"ne"}, {u"re", u"ne"}});
  }
  TFakeMorphologyEngine engine;
  TIWordDictionary dictionary;
  int32_t walk = 0, twin = 0, go = 0, redo = 0;
};

TEST_P(WordDictionaryMorphology, StemsWithSeveralForms) {
  const int32_t stem = dictionary.AddWord(u"walk", 0, walk);
  const int32_t plain = dictionary.AddWord(u"walked", 2, -1);
  EXPECT_EQ(Find(dictionary, u"walk"), (Entries{{stem, 0}}));
  EXPECT_EQ(Find(dictionary, u"walks"), (Entries{{stem, 1}}));
  // The whole text as a word without a group, then the stem reading.
  EXPECT_EQ(Find(dictionary, u"walked"), (Entries{{plain, 0}, {stem, 2}}));
  EXPECT_TRUE(Find(dictionary, u"walkes").empty());

  const int32_t fix = dictionary.AddWord(u"fix", 0, twin);
  EXPECT_EQ(Find(dictionary, u"fixes"), (Entries{{fix, 1}}));
  EXPECT_EQ(Find(dictionary, u"fixes", TIWordDictionary::kSearchAllForms), (Entries{{fix, 1}, {fix, 2}}));

  const TWDWord* word = dictionary.GetWord(stem);
  EXPECT_EQ(word->FormCount(), 4);
  EXPECT_EQ(word->GetText(), u"walk");
  EXPECT_EQ(word->GetForm(3), u"walking");
  EXPECT_EQ(word->GetForm(4), u"");
  EXPECT_EQ(dictionary.GetWord(plain)->FormCount(), 1);
  EXPECT_EQ(dictionary.GetWord(plain)->GetForm(0), u"walked");
  EXPECT_EQ(dictionary.GetWord(plain)->GetForm(1), u"");
  const int32_t stray = dictionary.AddWord(u"stray", 0, 99);  // a group the engine does not have
  EXPECT_EQ(dictionary.GetWord(stray)->FormCount(), 1);
  EXPECT_EQ(dictionary.GetWord(stray)->GetText(), u"stray");
  EXPECT_EQ(dictionary.GetWord(stray)->GetForm(0), u"");
}

TEST_P(WordDictionaryMorphology, TextlessWordsAreFoundThroughTheFormIndex) {
  const int32_t a = dictionary.AddWord(u"", 1, go);
  const int32_t b = dictionary.AddWord(u"", 2, go);
  EXPECT_TRUE(dictionary.FormsStale());
  EXPECT_EQ(Find(dictionary, u"gone"), (Entries{{a, 2}, {b, 2}}));
  EXPECT_FALSE(dictionary.FormsStale());
  // Two forms with one rule: one entry per word, or every form with flag 2.
  EXPECT_EQ(Find(dictionary, u"went"), (Entries{{a, 1}, {b, 1}}));
  EXPECT_EQ(Find(dictionary, u"went", TIWordDictionary::kSearchAllForms), (Entries{{a, 1}, {a, 3}, {b, 1}, {b, 3}}));
  EXPECT_EQ(dictionary.GetWord(a)->GetText(), u"go");
  EXPECT_EQ(dictionary.GetWord(a)->GetForm(1), u"went");
  // A new text-less word makes the index stale again.
  const int32_t c = dictionary.AddWord(u"", 3, go);
  EXPECT_EQ(Find(dictionary, u"go"), (Entries{{a, 0}, {b, 0}, {c, 0}}));
}

TEST_P(WordDictionaryMorphology, PrefixesNeedAWordOfTheLexeme) {
  const int32_t stem = dictionary.AddWord(u"do", 0, redo);
  const int32_t plain = dictionary.AddWord(u"do", 3, -1);
  EXPECT_EQ(Find(dictionary, u"do"), (Entries{{stem, 0}, {plain, 0}}));
  // After the prefix "re" only the lexeme's word is a reading.
  EXPECT_EQ(Find(dictionary, u"redo"), (Entries{{stem, 1}}));
  EXPECT_EQ(Find(dictionary, u"redone"), (Entries{{stem, 3}}));
  EXPECT_EQ(Find(dictionary, u"done"), (Entries{{stem, 2}}));
  EXPECT_TRUE(Find(dictionary, u"re").empty());
}

TEST_P(WordDictionaryMorphology, UnknownTextIsAddedWithFlag1) {
  dictionary.AddWord(u"walk", 0, walk);
  const int32_t before = dictionary.Count();
  EXPECT_EQ(Find(dictionary, u"strolls", TIWordDictionary::kSearchAdd), (Entries{{before, 0}}));
  EXPECT_EQ(dictionary.Count(), before + 1);
  EXPECT_EQ(Find(dictionary, u"walks", TIWordDictionary::kSearchAdd), (Entries{{0, 1}}));
  EXPECT_EQ(dictionary.Count(), before + 1);
}

TEST_P(WordDictionaryMorphology, SubstringLookUpWithAnEngine) {
  const int32_t stem = dictionary.AddWord(u"walk", 0, walk);
  const int32_t doWord = dictionary.AddWord(u"do", 0, redo);
  dictionary.AddWord(u"talk", 0, -1);  // no group: not searched with an engine
  const int32_t textless = dictionary.AddWord(u"", 0, go);
  const int32_t sub = TIWordDictionary::kSearchSubstring;
  EXPECT_EQ(Find(dictionary, u"alk", sub), (Entries{{stem, 0}}));
  // The end of the stem joined to an ending.
  EXPECT_EQ(Find(dictionary, u"lke", sub), (Entries{{stem, 2}}));
  EXPECT_EQ(Find(dictionary, u"ki", sub), (Entries{{stem, 3}}));
  // Inside an ending.
  EXPECT_EQ(Find(dictionary, u"ent", sub), (Entries{{textless, 1}}));
  EXPECT_EQ(Find(dictionary, u"ent", sub | TIWordDictionary::kSearchAllForms), (Entries{{textless, 1}, {textless, 3}}));
  // A beginning of the text ends a prefix.
  EXPECT_EQ(Find(dictionary, u"ed", sub), (Entries{{stem, 2}, {doWord, 1}}));
  EXPECT_EQ(Find(dictionary, u"ed", sub | TIWordDictionary::kSearchAllForms), (Entries{{stem, 2}, {doWord, 1}, {doWord, 3}}));
  EXPECT_TRUE(Find(dictionary, u"xyz", sub).empty());
  EXPECT_TRUE(Find(dictionary, std::u16string(256, u'a'), sub).empty());
}

TEST_P(WordDictionaryMorphology, EngineWithoutLexemesLooksUpExactly) {
  TFakeMorphologyEngine empty;
  dictionary.SetMorphologyEngine(&empty);
  const int32_t plain = dictionary.AddWord(u"walks", 0, -1);
  dictionary.AddWord(u"walk", 0, walk);
  EXPECT_EQ(Find(dictionary, u"walks"), (Entries{{plain, 0}}));
  EXPECT_EQ(Find(dictionary, u"alk", TIWordDictionary::kSearchSubstring), (Entries{{0, 0}, {1, 0}}));
}

// An engine whose rows point everywhere: every index into them is checked.
class THostileEngine : public TFakeMorphologyEngine {
 public:
  int32_t AnalyseWord(std::u16string_view word, TAffixIndexes& rows) override {
    const int32_t n = TFakeMorphologyEngine::AnalyseWord(word, rows);
    if (n == 0) return 0;
    rows.resize(rows.size() + 2);
    rows[rows.size() - 2].PrefixLength = 200;
    rows[rows.size() - 2].Rules.assign(300, 1);
    rows[rows.size() - 1].PrefixLength = 1;
    rows[rows.size() - 1].Rules.clear();
    rows[0].Rules.resize(1);
    return static_cast<int32_t>(rows.size()) + 50;
  }
};

TEST_P(WordDictionaryMorphology, AnalysisRowsOutsideTheTextAreNoRule) {
  THostileEngine hostile;
  const int32_t lexeme = hostile.AddParadigm({{u"", u""}, {u"", u"s"}});
  dictionary.SetMorphologyEngine(&hostile);
  const int32_t stem = dictionary.AddWord(u"walk", 0, lexeme);
  dictionary.AddWord(u"", 0, lexeme);
  EXPECT_EQ(Find(dictionary, u"walk"), (Entries{{stem, 0}}));
  EXPECT_TRUE(Find(dictionary, u"walks").empty());  // row 0 holds no ending entry
  EXPECT_TRUE(Find(dictionary, u"x").empty());
}

TEST_P(WordDictionaryMorphology, ClearTouchesTheEngineOnlyWhenEnabled) {
  dictionary.AddWord(u"walk", 0, walk);
  dictionary.SetMorphologyEnable(false);
  dictionary.Clear();
  EXPECT_EQ(engine.ClearCalls, 0);
  EXPECT_EQ(engine.LexemeCount(), 4);
  dictionary.SetMorphologyEnable(true);
  dictionary.Clear();
  EXPECT_EQ(engine.ClearCalls, 1);
  {
    TIWordDictionary other;
    other.SetMorphologyEngine(&engine);
    other.AddWord(u"x", 0, -1);
  }
  EXPECT_EQ(engine.ClearCalls, 1);  // destruction leaves the engine alone
}

INSTANTIATE_TEST_SUITE_P(IndexModes, WordDictionaryMorphology, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Ternary" : "Avl"; });

TEST(WordDictionary, SubstringLookUpWithoutAnEngine) {
  TIWordDictionary dictionary;
  dictionary.AddWord(u"walk", 0, -1);
  dictionary.AddWord(u"talk", 0, -1);
  dictionary.AddWord(u"walker", 0, -1);
  dictionary.AddWord(u"", 0, -1);
  const int32_t sub = TIWordDictionary::kSearchSubstring;
  EXPECT_EQ(Find(dictionary, u"alk", sub), (Entries{{0, 0}, {1, 0}, {2, 0}}));
  EXPECT_EQ(Find(dictionary, u"walke", sub), (Entries{{2, 0}}));
  EXPECT_TRUE(Find(dictionary, u"xyz", sub).empty());
  EXPECT_EQ(Find(dictionary, u"xyz", sub | TIWordDictionary::kSearchAdd), (Entries{{4, 0}}));
  const std::u16string tooLong(256, u'w');
  EXPECT_EQ(Find(dictionary, tooLong, sub | TIWordDictionary::kSearchAdd), (Entries{{5, 0}}));
  EXPECT_TRUE(Find(dictionary, tooLong, sub).empty());  // longer than 255: nothing, even when stored
}

}  // namespace
}  // namespace kestrune
