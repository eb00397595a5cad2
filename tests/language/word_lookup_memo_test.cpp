#include "language/word_lookup_memo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/language/fake_morphology_engine.h"

namespace kestrune {
namespace {

// A step of a parse's life: a look-up through the memo as the parser makes
// it, or a word added to the dictionary beside the look-ups.
struct TStep {
  enum { kLookUp, kAdd, kAddMany } Kind;
  std::u16string Text;
  int32_t Group = -1;  // for kAdd: -2 gives a lexeme of the engine
  uint8_t PartOfSpeech = 0;
};

struct TCase {
  const char* Name;
  bool CaseSensitive;
  bool WithLexemes;
  std::vector<TStep> Steps;
  // After every step, whatever the memo holds for these texts must read as
  // the dictionary reads them.
  std::vector<std::u16string> Probes;
};

using Readings = std::vector<std::pair<int32_t, int32_t>>;

Readings Copy(const TWordVariants& list, int32_t count) {
  Readings out;
  for (int32_t i = 0; i < count; ++i) out.emplace_back(list[static_cast<size_t>(i)].WordIndex, list[static_cast<size_t>(i)].Form);
  return out;
}

// The parser's use: follow the dictionary, answer from the memo, else look
// up (adding an unknown text) and keep what a look-up that added nothing found.
void LookUp(TWordLookupMemo& memo, TIWordDictionary& dictionary, std::u16string_view text) {
  TWordVariants list;
  TAffixIndexes scratch;
  int32_t found = 0;
  memo.Follow(dictionary);
  if (memo.Find(text, list, found)) return;
  found = dictionary.Search(text, list, TIWordDictionary::kSearchAdd, scratch);
  if (memo.Follow(dictionary)) memo.Keep(text, list, found);
}

TEST(WordLookupMemo, AnswersAsTheDictionaryWhileItGainsWords) {
  const std::u16string cut = std::u16string(u"kes") + u'\0' + u"trel";
  const std::vector<TCase> cases = {
      {"a text added in one case is found in another", false, false,
       {{TStep::kLookUp, u"Kestrel"}, {TStep::kLookUp, u"kestrel"}, {TStep::kAdd, u"KESTREL", -1, 2}},
       {u"kestrel", u"KESTREL", u"Kestrels"}},
      {"a case-sensitive dictionary keeps the cases apart", true, false,
       {{TStep::kLookUp, u"Kestrel"}, {TStep::kLookUp, u"kestrel"}, {TStep::kAdd, u"KESTREL", -1, 2}},
       {u"kestrel", u"KESTREL", u"Kestrel"}},
      {"texts equal only under full case folding", false, false,
       {{TStep::kLookUp, u"stra\u00dfe"}, {TStep::kAdd, u"STRASSE", -1, 2}, {TStep::kLookUp, u"Stra\u00dfe"}},
       {u"strasse", u"STRA\u00dfE", u"stra\u00dfe"}},
      {"a text cut at its 0 unit is the text before it", false, false,
       {{TStep::kLookUp, cut}, {TStep::kLookUp, u"kes"}, {TStep::kAdd, u"KES", -1, 2}},
       {cut, u"kes", u"kestrel"}},
      {"more words than the memo follows one by one", false, false,
       {{TStep::kLookUp, u"word"}, {TStep::kLookUp, u"word7"}, {TStep::kAddMany, u"word"}},
       {u"word", u"WORD", u"word7"}},
      {"a stem of a lexeme added later reads its forms", false, true,
       {{TStep::kLookUp, u"walks"}, {TStep::kLookUp, u"walk"}, {TStep::kAdd, u"walk", -2}},
       {u"walks", u"walk", u"walked"}},
      {"a lexeme-less word beside a lexeme's forms", false, true,
       {{TStep::kAdd, u"walk", -2}, {TStep::kLookUp, u"walked"}, {TStep::kAdd, u"Walked"}},
       {u"walked", u"WALKED", u"walks"}},
  };
  int32_t answered = 0;  // the memo answers in these runs
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    for (const bool fast : {false, true}) {
      test::TFakeMorphologyEngine engine;
      TIWordDictionary dictionary;
      dictionary.SetFastSpeed(fast);
      dictionary.SetCaseSensitivity(c.CaseSensitive);
      int32_t lexeme = -1;
      if (c.WithLexemes) {
        dictionary.SetMorphologyEngine(&engine);
        lexeme = engine.AddParadigm({{u"", u""}, {u"", u"s"}, {u"", u"ed"}});
        dictionary.AddWord(u"run", 0, lexeme);
      }
      TWordLookupMemo memo;
      memo.Reset(dictionary);
      TAffixIndexes scratch;
      for (const TStep& step : c.Steps) {
        if (step.Kind == TStep::kLookUp) {
          LookUp(memo, dictionary, step.Text);
        } else if (step.Kind == TStep::kAdd) {
          dictionary.AddWord(step.Text, step.PartOfSpeech, step.Group == -2 ? lexeme : step.Group);
        } else {
          for (int32_t i = 1; i <= 100; ++i) dictionary.AddWord(step.Text, static_cast<uint8_t>(i), -1);
        }
        for (const std::u16string& probe : c.Probes) {
          TWordVariants kept, expected;
          int32_t count = 0;
          memo.Follow(dictionary);
          if (!memo.Find(probe, kept, count)) continue;
          ++answered;
          const int32_t want = dictionary.Search(probe, expected, 0, scratch);
          EXPECT_EQ(Copy(kept, count), Copy(expected, want)) << "fast " << fast;
        }
        for (const std::u16string& probe : c.Probes) LookUp(memo, dictionary, probe);
      }
    }
  }
  EXPECT_GT(answered, 20);
}

}  // namespace
}  // namespace kestrune
