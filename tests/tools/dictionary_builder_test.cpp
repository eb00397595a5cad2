// The Hunspell reader, the expander and the dictionary builder on small
// affix and word files written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <iterator>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tools/dictionary_builder/dictionary_builder.h"
#include "tools/dictionary_builder/hunspell_expander.h"
#include "tools/dictionary_builder/word_classes.h"

namespace kestrune {
namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

std::set<std::string> Expand(const std::string& aff, const std::string& dic) {
  THunspellAffixes affixes;
  EXPECT_EQ(affixes.LoadFromBytes(aff), 0) << affixes.Error();
  std::vector<THunspellEntry> entries;
  ParseHunspellDictionary(dic, affixes, entries);
  THunspellExpander expander(affixes);
  std::set<std::string> texts;
  std::vector<THunspellForm> forms;
  for (const THunspellEntry& entry : entries) {
    expander.Expand(entry, forms);
    for (const THunspellForm& form : forms) {
      texts.insert(Utf16ToUtf8(form.Text));
      // The construction gives the text back.
      const std::u16string& root = entry.Word;
      EXPECT_EQ(form.Prefix + root.substr(form.FrontStrip, root.size() - form.FrontStrip - form.BackStrip) + form.Tail,
                form.Text);
    }
  }
  return texts;
}

TEST(HunspellCondition, MatchesCharactersSetsAndNegatedSets) {
  struct Case {
    std::u16string condition;
    std::u16string word;
    bool end;
    bool start;
  };
  const Case cases[] = {
      {u".", u"x", true, true},          {u"y", u"fly", true, false},      {u"[^aeiou]y", u"fly", true, false},
      {u"[^aeiou]y", u"day", false, false}, {u"[sxzh]", u"box", true, false}, {u"[ae]b", u"ab", true, true},
      {u"ab.", u"ab", false, false},     {u"ый", u"красный", true, false}, {u"[лнртв]ый", u"красный", true, false},
  };
  for (const Case& c : cases) {
    const THunspellCondition condition = THunspellCondition::Parse(c.condition);
    EXPECT_EQ(condition.MatchesEnd(c.word), c.end) << Utf16ToUtf8(c.condition) << " " << Utf16ToUtf8(c.word);
    EXPECT_EQ(condition.MatchesStart(c.word), c.start) << Utf16ToUtf8(c.condition) << " " << Utf16ToUtf8(c.word);
  }
}

TEST(HunspellAffixes, FlagTypesAndAliases) {
  struct Case {
    std::string header;
    std::string field;
    std::vector<THunspellFlag> flags;
  };
  const Case cases[] = {
      {"", "BA", {'A', 'B'}},
      {"FLAG long\n", "AaBb", {('A' << 8) | 'a', ('B' << 8) | 'b'}},
      {"FLAG num\n", "12,3,65535", {3, 12, 65535}},
      {"FLAG UTF-8\n", "\xC3\xA4" "b", {'b', 0xE4}},
      {"AF 2\nAF AB\nAF C # comment\n", "2", {'C'}},
      {"AF 1\nAF AB\n", "7", {}},
  };
  for (const Case& c : cases) {
    THunspellAffixes affixes;
    ASSERT_EQ(affixes.LoadFromBytes("SET UTF-8\n" + c.header), 0);
    EXPECT_EQ(affixes.ParseFlags(c.field), c.flags) << c.header << c.field;
  }
}

TEST(HunspellAffixes, DecodesTheDeclaredEncoding) {
  THunspellAffixes koi;
  ASSERT_EQ(koi.LoadFromBytes("SET KOI8-R\nSFX A Y 1\nSFX A 0 \xC1 .\n"), 0);  // "а"
  ASSERT_EQ(koi.Affixes().size(), 1u);
  EXPECT_EQ(koi.Affixes()[0].Append, u"а");
  THunspellAffixes latin;
  ASSERT_EQ(latin.LoadFromBytes("SFX A Y 1\nSFX A 0 \xE9 .\n"), 0);  // ISO8859-1 by default
  EXPECT_EQ(latin.Affixes()[0].Append, u"é");
  THunspellAffixes unknown;
  EXPECT_EQ(unknown.LoadFromBytes("SET NO-SUCH-CODE\n"), -2);
  THunspellAffixes truncated;
  EXPECT_EQ(truncated.LoadFromBytes("SFX A Y 2\nSFX A 0 s .\nPFX B Y 1\n"), -2);
}

TEST(HunspellDictionary, EntriesFlagsAndMorphologicalFields) {
  THunspellAffixes affixes;
  ASSERT_EQ(affixes.LoadFromBytes("SET UTF-8\nFLAG long\n"), 0);
  std::vector<THunspellEntry> entries;
  ParseHunspellDictionary(
      "4\nmaison/S.X. po:nom is:fem\n\tcomment line\nand\\/or\n/slash/AB\nplain word\tpo:adv\n", affixes, entries);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].Word, u"maison");
  EXPECT_EQ(entries[0].Flags, (THunspellFlags{('S' << 8) | '.', ('X' << 8) | '.'}));
  EXPECT_EQ(entries[0].Morphology, u"po:nom is:fem");
  EXPECT_EQ(entries[1].Word, u"and/or");
  EXPECT_TRUE(entries[1].Flags.empty());
  EXPECT_EQ(entries[2].Word, u"/slash");
  EXPECT_EQ(entries[2].Flags, (THunspellFlags{('A' << 8) | 'B'}));
  EXPECT_EQ(entries[3].Word, u"plain word");
  EXPECT_EQ(entries[3].Morphology, u"po:adv");
}

TEST(HunspellExpander, AffixRulesGiveTheFullForms) {
  const std::string english =
      "PFX A Y 1\nPFX A 0 re .\n"
      "PFX N N 1\nPFX N 0 non .\n"
      "SFX S Y 3\nSFX S y ies [^aeiou]y\nSFX S 0 s [^sy]\nSFX S 0 es s\n"
      "SFX G Y 2\nSFX G e ing e\nSFX G 0 ing [^e]\n";
  struct Case {
    std::string aff;
    std::string dic;
    std::set<std::string> forms;
  };
  const Case cases[] = {
      // Strip and condition.
      {english, "1\nfly/S\n", {"fly", "flies"}},
      {english, "1\nhouse/SG\n", {"house", "houses", "housing"}},
      {english, "1\nbus/S\n", {"bus", "buses"}},
      // Cross product: a prefix joins suffixed forms when both allow it.
      {english, "1\nwalk/AG\n", {"walk", "walking", "rewalk", "rewalking"}},
      {english, "1\nwalk/NG\n", {"walk", "walking", "nonwalk"}},
      // NEEDAFFIX on the word, FORBIDDENWORD and ONLYINCOMPOUND entries.
      {"NEEDAFFIX !\n" + english, "1\nwalk/G!\n", {"walking"}},
      {"FORBIDDENWORD X\n" + english, "1\nwalk/GX\n", {}},
      {"ONLYINCOMPOUND c\n" + english, "1\nwalk/Gc\n", {}},
      // A strip as long as the word only with FULLSTRIP.
      {"SFX V Y 1\nSFX V aller vais aller\n", "1\naller/V\n", {"aller"}},
      {"FULLSTRIP\nSFX V Y 1\nSFX V aller vais aller\n", "1\naller/V\n", {"aller", "vais"}},
      // Twofold suffixes: the outer one from the inner one's continuation;
      // NEEDAFFIX on the inner one forbids it alone.
      {"NEEDAFFIX !\nSFX A Y 1\nSFX A 0 ung/B! .\nSFX B Y 1\nSFX B 0 en .\n", "1\nhaus/A\n",
       {"haus", "hausungen"}},
      {"SFX A Y 1\nSFX A 0 ung/B .\nSFX B Y 1\nSFX B 0 en .\n", "1\nhaus/A\n", {"haus", "hausung", "hausungen"}},
      // CIRCUMFIX parts come only together.
      {"CIRCUMFIX X\nPFX P Y 1\nPFX P 0 ge/X .\nSFX S Y 2\nSFX S 0 t/X .\nSFX S 0 st .\n", "1\nsag/PS\n",
       {"sag", "gesagt", "sagst"}},
      // A prefix named by a suffix's continuation joins that suffix only.
      {"PFX P Y 1\nPFX P 0 un .\nSFX S Y 2\nSFX S 0 able/P .\nSFX S 0 s .\n", "1\ndo/S\n",
       {"do", "doable", "dos", "undoable"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Expand(c.aff, c.dic), c.forms) << c.dic;
  }
}

TEST(DictionaryBuilder, TokenTexts) {
  for (std::u16string_view text : {u"house", u"well-known", u"дом", u"1st"}) EXPECT_TRUE(IsTokenText(text));
  for (std::u16string_view text : {u"", u"house's", u"etc.", u"a-b-c", u"-ish", u"o’clock", u"two words"}) {
    EXPECT_FALSE(IsTokenText(text)) << Utf16ToUtf8(text);
  }
}

// Forms as the expander gives them: text = prefix + root[front, size - back) + tail.
THunspellForm Form(std::u16string root, std::u16string prefix, int32_t front, int32_t back, std::u16string tail) {
  return {prefix + root.substr(front, root.size() - front - back) + tail, prefix, front, back, tail};
}

TEST(DictionaryBuilder, CutsStemsSharesParadigmsAndSavesFilesThatLoad) {
  test::TempDir dir;
  {
    TDictionaryBuilder builder(9);
    // house: hous + e, es, ing; mouse shares the paradigm; "fly" has its own.
    const int32_t house = builder.AddWord(
        u"House", 3, {Form(u"house", u"", 0, 0, u""), Form(u"house", u"", 0, 0, u"s"), Form(u"house", u"", 0, 1, u"ing"),
                      Form(u"house", u"re", 0, 0, u""), Form(u"house", u"", 0, 0, u"'s")});
    const int32_t mouse = builder.AddWord(
        u"mouse", 3, {Form(u"mouse", u"", 0, 0, u""), Form(u"mouse", u"", 0, 0, u"s"), Form(u"mouse", u"", 0, 1, u"ing"),
                      Form(u"mouse", u"re", 0, 0, u"")});
    const int32_t fly = builder.AddWord(u"fly", 1, {Form(u"fly", u"", 0, 0, u""), Form(u"fly", u"", 0, 1, u"ies")});
    // Forms that overlap at both ends make a text-less word.
    const int32_t go = builder.AddWord(u"aller", 1, {Form(u"aller", u"", 0, 0, u""), Form(u"aller", u"", 0, 5, u"vais"),
                                                      Form(u"aller", u"", 2, 0, u"")});
    const int32_t plain = builder.AddWord(u"the", 0, {Form(u"the", u"", 0, 0, u"")});
    EXPECT_EQ(builder.AddWord(u"o'clock", 0, {Form(u"o'clock", u"", 0, 0, u"")}), TDictionaryBuilder::kNoForms);
    TIWordDictionary& dict = builder.Dictionary();
    EXPECT_EQ(dict.GetWord(house)->GetStoredText(), u"hous");
    EXPECT_EQ(dict.GetWord(mouse)->GetGroup(), dict.GetWord(house)->GetGroup());
    EXPECT_EQ(dict.GetWord(fly)->GetStoredText(), u"fl");
    EXPECT_EQ(dict.GetWord(go)->GetStoredText(), u"");
    EXPECT_EQ(dict.GetWord(plain)->GetGroup(), -1);
    EXPECT_EQ(builder.Engine().LexemeCount(), 3);
    EXPECT_EQ(builder.DroppedForms(), 2);  // house's, o'clock
    EXPECT_TRUE(builder.Knows(u"rehouse"));
    std::string error;
    ASSERT_EQ(builder.Save(dir.Path(), "english", u"Kestrune Inc", u"test", error), 0) << error;
    ASSERT_EQ(WriteStopWordFile(dir.File("stop_english.txt"), {u"the", u"и"}), 0);
  }
  TIMorphologyEngineFull engine;
  TIWordDictionary dict;
  dict.SetMorphologyEngine(&engine);
  ASSERT_EQ(dict.LoadFromFile(dir.WFile("english.dws")), 0);
  EXPECT_EQ(dict.Count(), 5);
  EXPECT_EQ(engine.LexemeCount(), 3);
  EXPECT_EQ(dict.DictID(), 9);
  EXPECT_EQ(dict.MorphologyFile(), u"english.drmp");
  TWordVariants list;
  TAffixIndexes scratch;
  for (const auto& [text, stem] : std::vector<std::pair<std::u16string, std::u16string>>{
           {u"rehouse", u"hous"}, {u"mousing", u"mous"}, {u"flies", u"fl"}, {u"vais", u""}, {u"ler", u""}}) {
    ASSERT_EQ(dict.Search(text, list, 0, scratch), 1) << Utf16ToUtf8(text);
    TWDWord* word = dict.GetWord(list[0].WordIndex);
    EXPECT_EQ(word->GetStoredText(), stem);
    EXPECT_EQ(word->GetForm(list[0].Form), text);
  }
  EXPECT_EQ(dict.GetWord(0)->GetText(), u"house");
  dict.SetMorphologyEngine(nullptr);
  EXPECT_EQ(test::ReadFileBytes(dir.File("stop_english.txt")),
            std::string("\xFF\xFEt\0h\0e\0\r\0\n\0\x38\x04\r\0\n\0", 18));
}

// A word whose entries all hold capitals ("Queens", "Paris") is a proper
// name; one that an entry in lower case gives too ("Rose" and "rose") is
// not. The mark changes no word's place, and survives saving and loading.
TEST(DictionaryBuilder, MarksProperNamesWithoutMovingWords) {
  THunspellAffixes affixes;
  ASSERT_EQ(affixes.LoadFromBytes("SFX S Y 1\nSFX S 0 s .\n"), 0) << affixes.Error();
  std::vector<THunspellEntry> entries;
  ParseHunspellDictionary("7\nQueens\nqueen/S\nRose/S\nrose/S\nParis\nNASA\nhive/S\n", affixes, entries);
  THunspellExpander expander(affixes);
  std::vector<TWordSource> words;
  std::unordered_set<std::u16string> forbidden;
  GroupWordSources(
      entries, expander, [](const THunspellEntry&, const std::u16string&) -> uint8_t { return 3; }, words,
      forbidden);
  const std::pair<std::u16string, bool> expected[] = {{u"queens", true}, {u"queen", false}, {u"rose", false},
                                                      {u"paris", true},  {u"nasa", true},   {u"hive", false}};
  ASSERT_EQ(words.size(), std::size(expected));
  for (size_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(words[i].Root, expected[i].first);
    EXPECT_EQ(words[i].ProperName, expected[i].second) << Utf16ToUtf8(words[i].Root);
  }

  // Built with and without the marks: the same words in the same places.
  test::TempDir dir;
  std::vector<THunspellForm> forms;
  for (const bool mark : {false, true}) {
    TDictionaryBuilder builder(9);
    for (size_t i = 0; i < words.size(); ++i) {
      std::vector<THunspellForm> all;
      for (size_t entry : words[i].Entries) {
        expander.Expand(entries[entry], forms);
        all.insert(all.end(), forms.begin(), forms.end());
      }
      EXPECT_EQ(builder.AddWord(entries[words[i].Entries[0]].Word, 3, all, mark && words[i].ProperName),
                static_cast<int32_t>(i));
    }
    std::string error;
    ASSERT_EQ(builder.Save(dir.Path(), mark ? "marked" : "plain", u"Kestrune Inc", u"test", error), 0) << error;
  }
  TIMorphologyEngineFull plainEngine, markedEngine;
  TIWordDictionary plain, marked;
  plain.SetMorphologyEngine(&plainEngine);
  marked.SetMorphologyEngine(&markedEngine);
  ASSERT_EQ(plain.LoadFromFile(dir.WFile("plain.dws")), 0);
  ASSERT_EQ(marked.LoadFromFile(dir.WFile("marked.dws")), 0);
  ASSERT_EQ(marked.Count(), static_cast<int32_t>(words.size()));
  ASSERT_EQ(plain.Count(), marked.Count());
  for (int32_t i = 0; i < marked.Count(); ++i) {
    const TWDWord* a = plain.GetWord(i);
    const TWDWord* b = marked.GetWord(i);
    EXPECT_EQ(b->GetText(), a->GetText());
    EXPECT_EQ(b->GetGroup(), a->GetGroup());
    EXPECT_EQ(a->GetAttr1(), TWDWord::kAttr1Default);
    EXPECT_EQ(b->IsProperName(), expected[i].second) << Utf16ToUtf8(b->GetText());
    EXPECT_EQ(b->GetAttr1() & TWDWord::kAttr1Default, TWDWord::kAttr1Default);
  }
  plain.SetMorphologyEngine(nullptr);
  marked.SetMorphologyEngine(nullptr);
}

TEST(WordClasses, PartOfSpeechOfMorphologicalFields) {
  const std::pair<std::u16string_view, uint8_t> cases[] = {
      {u"po:nom is:fem", posNoun},      {u"po:v1__t___zz", posVerb},    {u"po:loc.adv", posAdverb},
      {u"po:adj is:mas", posAdjective}, {u"po:properobj", posPronoun},  {u"po:prep", posPreposition},
      {u"po:detpos", posArticle},       {u"po:cjsub", posConjunction},  {u"po:nbro", posNumeral},
      {u"is:fem", posUndefined},        {u"xpo:nom", posUndefined},     {u"po:mg", posUndefined},
  };
  for (const auto& [fields, pos] : cases) EXPECT_EQ(PartOfSpeechOfMorphology(fields), pos) << Utf16ToUtf8(fields);
}

// A WordNet database of a few lemmas, in the layout of its index and
// exception files: lemma, class, synset count, pointer count, pointers, sense
// count, tagged sense count, offsets.
TEST(WordClasses, WordNetClassesOfLemmasExceptionsAndDetachedForms) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("index.noun"),
                       "  1 licence line\n"
                       "woman n 4 2 @ ~ 4 3 01 02 03 04\n"
                       "fireman n 2 1 @ 2 0 01 02\n"
                       "box n 5 1 @ 5 2 01 02 03 04 05\n"
                       "church n 3 1 @ 3 4 01 02 03\n"
                       "run n 16 1 @ 16 3 01\n"
                       "child n 4 1 @ 4 9 01\n");
  test::WriteFileBytes(dir.File("index.verb"), "run v 41 1 @ 41 100 01\nbake v 2 1 @ 2 1 01\nbox v 2 1 @ 2 0 01\n");
  test::WriteFileBytes(dir.File("index.adj"), "pale a 3 1 & 3 2 01\nlate a 4 1 & 4 1 01\n");
  test::WriteFileBytes(dir.File("index.adv"), "late r 2 0 2 3 01\n");
  test::WriteFileBytes(dir.File("noun.exc"), "children child\n");
  test::WriteFileBytes(dir.File("verb.exc"), "went go\n");
  TWordNetClasses wordNet;
  ASSERT_TRUE(wordNet.Load(dir.Path()));
  const std::pair<std::u16string_view, uint8_t> cases[] = {
      {u"woman", posNoun},      {u"box", posNoun},         {u"run", posVerb},       {u"late", posAdverb},
      {u"children", posNoun},   {u"went", posVerb},        {u"women", posNoun},     {u"firemen", posNoun},
      {u"boxes", posNoun},      {u"churches", posNoun},    {u"runs", posVerb},      {u"baked", posVerb},
      {u"baking", posVerb},     {u"paler", posAdjective},  {u"palest", posAdjective}, {u"later", posAdjective},
      {u"xyzzies", posUndefined}, {u"men", posUndefined},  {u"s", posUndefined},
  };
  for (const auto& [word, pos] : cases) EXPECT_EQ(wordNet.Find(word), pos) << Utf16ToUtf8(word);
  TWordNetClasses none;
  EXPECT_FALSE(none.Load(dir.File("missing")));
}

// The parts of speech of Hunspell entries by the classes of their affix flags:
// one class among the classed flags, others neutral.
TEST(WordClasses, PartOfSpeechOfAffixFlagClasses) {
  THunspellAffixes affixes;
  ASSERT_EQ(affixes.LoadFromBytes("SFX A Y 1\nSFX A ый ая ый\n"
                                  "SFX S Y 1\nSFX S ый о ый\n"
                                  "SFX K Y 1\nSFX K 0 а .\n"
                                  "SFX L Y 1\nSFX L ть л ть\n"
                                  "SFX E Y 1\nSFX E ый ее ый\n"),
            0);
  THunspellFlagClasses classes;
  std::string error;
  ASSERT_TRUE(classes.Parse("adjective:AS noun:K verb:L", affixes, error)) << error;
  const std::pair<const char*, uint8_t> cases[] = {
      {"AS", posAdjective}, {"ASE", posAdjective}, {"K", posNoun},        {"L", posVerb},
      {"KL", posUndefined}, {"E", posUndefined},   {"", posUndefined},     {"AK", posUndefined},
  };
  for (const auto& [flags, pos] : cases) EXPECT_EQ(classes.Find(affixes.ParseFlags(flags)), pos) << flags;
  // A class name or a flag the affix file lacks is refused.
  EXPECT_FALSE(THunspellFlagClasses().Parse("adjective:AZ", affixes, error));
  EXPECT_NE(error.find("Z"), std::string::npos);
  EXPECT_FALSE(THunspellFlagClasses().Parse("pronoun-ish:A", affixes, error));
  EXPECT_FALSE(THunspellFlagClasses().Parse("verb:L noun:L", affixes, error));
}

TEST(WordClasses, PerlStopWordList) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("XX.pm"),
                       "sub getStopWords { my %s = map { ($_, 1) } _stopwords(); }\n"
                       "sub _stopwords {\n    return qw(\n  a about\n\tAbove и\n    );\n}\n");
  std::vector<std::u16string> words;
  ASSERT_TRUE(ReadPerlStopWords(dir.File("XX.pm"), words));
  EXPECT_EQ(words, (std::vector<std::u16string>{u"a", u"about", u"above", u"и"}));
  EXPECT_FALSE(ReadPerlStopWords(dir.File("none.pm"), words));
}

}  // namespace
}  // namespace kestrune
