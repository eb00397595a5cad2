#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/base.h"
#include "core/frame.h"
#include "language/morphology_engine_full.h"
#include "language/phrase_word_dictionary.h"
#include "language/word_dictionary.h"
#include "tests/language/morphology_test_support.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::AddParadigm;
using test::CheckEngineInvariants;
using test::ReadFileBytes;
using test::SaveDictionaryFile;
using test::TempDir;
using test::WriteFileBytes;

using D = TIWordDictionary;

// An English lexicon "en.drmp" and its dictionary "en.dws": stems with a
// verb paradigm and a noun paradigm, and a text-less word whose lexeme holds
// whole forms (go / went / gone).
struct EnglishFiles {
  explicit EnglishFiles(const TempDir& dir, int16_t dictId = 9, const std::string& name = "en") {
    TIMorphologyEngineFull engine;
    const int32_t verb = AddParadigm(engine, {{u"", u""}, {u"", u"s"}, {u"", u"ed"}, {u"", u"ing"}});
    const int32_t noun = AddParadigm(engine, {{u"", u""}, {u"", u"s"}});
    const int32_t go = AddParadigm(engine, {{u"", u"go"}, {u"", u"went"}, {u"", u"gone"}, {u"", u"goes"}});
    engine.GetLexeme(verb)->SetPartOfSpeech(2);
    engine.GetLexeme(noun)->SetPartOfSpeech(1);
    lexicon = dir.WFile(name + ".drmp");
    EXPECT_EQ(engine.SaveToFile(lexicon), 0);
    D dict;
    dict.SetMorphologyEngine(&engine);
    dict.SetDictID(dictId);
    dict.SetMorphologyFile(platform::Utf8ToUtf16(name + ".drmp"));
    dict.AddWord(u"walk", 2, verb);
    dict.AddWord(u"talk", 2, verb);
    dict.AddWord(u"house", 1, noun);
    dict.AddWord(u"", 2, go);
    dict.AddWord(u"the", 0, -1);
    file = dir.WFile(name + ".dws");
    EXPECT_EQ(SaveDictionaryFile(dict, file), 0);
    dict.SetMorphologyEngine(nullptr);
  }
  std::u16string lexicon;
  std::u16string file;
};

std::vector<std::u16string> VariantTexts(D& dict, std::u16string_view text) {
  TWordVariants list;
  TAffixIndexes scratch;
  const int32_t n = dict.Search(text, list, 0, scratch);
  std::vector<std::u16string> texts;
  for (int32_t i = 0; i < n; ++i) {
    TWDWord* w = dict.GetWord(list[i].WordIndex);
    texts.push_back(w->GetStoredText() + u"/" + w->GetForm(list[i].Form));
  }
  return texts;
}

TEST(DictionaryFile, LoadsWordsWithTheirLexiconAndFindsInflectedForms) {
  TempDir dir;
  EnglishFiles en(dir);
  TIMorphologyEngineFull engine;
  D dict;
  dict.SetMorphologyEngine(&engine);
  int32_t last = -1;
  dict.OnProgressChange = [&](int32_t p) {
    EXPECT_GT(p, last);
    last = p;
  };
  ASSERT_EQ(dict.LoadFromFile(en.file), 0);
  EXPECT_EQ(last, 100);
  EXPECT_EQ(dict.Count(), 5);
  EXPECT_EQ(engine.LexemeCount(), 3);
  ASSERT_EQ(dict.LoadCount(), 1);
  EXPECT_EQ(dict.LoadDictionary(0).ID, 9);
  EXPECT_EQ(dict.LoadDictionary(0).First, 0);
  EXPECT_EQ(dict.LoadDictionary(0).Last, 4);
  EXPECT_EQ(dict.LoadDictionary(0).GroupBase, 0);
  EXPECT_EQ(dict.Author(), u"Kestrune Inc");
  EXPECT_EQ(dict.Description(), u"Word Dictionary 2005");
  EXPECT_EQ(engine.GetLexeme(0)->UseCount(), 2);  // walk, talk

  EXPECT_EQ(VariantTexts(dict, u"walked"), std::vector<std::u16string>{u"walk/walked"});
  EXPECT_EQ(VariantTexts(dict, u"talking"), std::vector<std::u16string>{u"talk/talking"});
  EXPECT_EQ(VariantTexts(dict, u"houses"), std::vector<std::u16string>{u"house/houses"});
  EXPECT_EQ(VariantTexts(dict, u"went"), std::vector<std::u16string>{u"/went"});
  EXPECT_EQ(VariantTexts(dict, u"the"), std::vector<std::u16string>{u"the/the"});
  EXPECT_TRUE(VariantTexts(dict, u"walkes").empty());
  EXPECT_EQ(dict.GetWord(3)->GetText(), u"go");
  CheckEngineInvariants(engine);
}

TEST(DictionaryFile, ReadFileHeaderListsOnlyFilesWithAGoodCRC) {
  TempDir dir;
  EnglishFiles en(dir, 9);
  D reader;
  TWDFileHeader header;
  std::u16string morphology, author, description;
  ASSERT_TRUE(reader.ReadFileHeader(en.file, header, morphology, author, description));
  EXPECT_EQ(header.Version, 1);
  EXPECT_EQ(header.DictID, 9);
  EXPECT_EQ(header.WordCount, 5);
  EXPECT_EQ(morphology, u"en.drmp");
  EXPECT_EQ(author, u"Kestrune Inc");
  EXPECT_EQ(reader.Count(), 0);
  // CRC 0: loaded unchecked, but not listed.
  std::string bytes = ReadFileBytes(dir.File("en.dws"));
  std::memset(bytes.data() + 4, 0, 4);
  WriteFileBytes(dir.File("zero.dws"), bytes);
  EXPECT_FALSE(reader.ReadFileHeader(dir.WFile("zero.dws"), header, morphology, author, description));
  EXPECT_EQ(reader.LoadFromFile(dir.WFile("zero.dws")), 0);
  EXPECT_EQ(reader.Count(), 5);
  EXPECT_FALSE(reader.ReadFileHeader(u"", header, morphology, author, description));
  EXPECT_FALSE(reader.ReadFileHeader(dir.WFile("none.dws"), header, morphology, author, description));
}

TEST(DictionaryFile, LoadingTheSameFileTwiceAddsNothing) {
  TempDir dir;
  EnglishFiles en(dir);
  TIMorphologyEngineFull engine;
  D dict;
  dict.SetMorphologyEngine(&engine);
  ASSERT_EQ(dict.LoadFromFile(en.file), 0);
  ASSERT_EQ(dict.LoadFromFile(en.file), 0);
  EXPECT_EQ(dict.Count(), 5);
  EXPECT_EQ(dict.LoadCount(), 1);
  EXPECT_EQ(engine.LexemeCount(), 3);  // no second lexicon load
  EXPECT_EQ(dict.LoadDictionary(0).Last, 4);
}

TEST(DictionaryFile, FilesOfTwoLanguagesMergeWithGroupBases) {
  TempDir dir;
  EnglishFiles en(dir, 9, "en");
  EnglishFiles de(dir, 7, "de");  // the same words under another id
  for (int order = 0; order < 2; ++order) {
    SCOPED_TRACE(order);
    TIMorphologyEngineFull engine;
    D dict;
    dict.SetMorphologyEngine(&engine);
    const std::u16string first = order == 0 ? en.file : de.file;
    const std::u16string second = order == 0 ? de.file : en.file;
    ASSERT_EQ(dict.LoadFromFile(first), 0);
    ASSERT_EQ(dict.LoadFromFile(second), 0);
    // Equal words of two dictionaries both stay.
    EXPECT_EQ(dict.Count(), 10);
    EXPECT_EQ(engine.LexemeCount(), 6);
    ASSERT_EQ(dict.LoadCount(), 2);
    EXPECT_EQ(dict.LoadDictionary(1).GroupBase, 3);
    EXPECT_EQ(dict.LoadDictionary(1).First, 5);
    EXPECT_EQ(dict.LoadDictionary(1).Last, 9);
    EXPECT_EQ(dict.GetWord(5)->GetGroup(), 3);
    EXPECT_EQ(dict.GetWord(5)->GetDictionaryID(), order == 0 ? 7 : 9);
    EXPECT_EQ(dict.GetWord(8)->GetText(), u"go");
    EXPECT_EQ(VariantTexts(dict, u"walked"), (std::vector<std::u16string>{u"walk/walked", u"walk/walked"}));
    CheckEngineInvariants(engine);
  }
}

TEST(DictionaryFile, GlobalAndPerFileIdentifiersWithTwoFilesInEitherOrder) {
  TempDir dir;
  EnglishFiles en(dir, kLangEnglish, "en");
  {
    // A Russian lexicon and dictionary of three words.
    TIMorphologyEngineFull engine;
    const int32_t noun = AddParadigm(engine, {{u"", u""}, {u"", u"\u0430"}, {u"", u"\u0443"}});
    ASSERT_EQ(engine.SaveToFile(dir.WFile("ru.drmp")), 0);
    D dict;
    dict.SetMorphologyEngine(&engine);
    dict.SetDictID(kLangRussian);
    dict.SetMorphologyFile(u"ru.drmp");
    dict.AddWord(u"\u0434\u043e\u043c", 1, noun);
    dict.AddWord(u"\u043b\u0435\u0441", 1, noun);
    dict.AddWord(u"\u0438", 0, -1);
    ASSERT_EQ(SaveDictionaryFile(dict, dir.WFile("ru.dws")), 0);
    dict.SetMorphologyEngine(nullptr);
  }
  const std::u16string ru = dir.WFile("ru.dws");

  // English then Russian, a word added while running, phrases over all three.
  TIMorphologyEngineFull firstEngine;
  TPhraseWordDictionary first;
  first.SetMorphologyEngine(&firstEngine);
  ASSERT_EQ(first.LoadFromFile(en.file), 0);
  ASSERT_EQ(first.LoadFromFile(ru), 0);
  first.SetDictID(0);
  const int32_t added = first.AddWord(u"kestrune", 0, -1);
  ASSERT_EQ(added, 8);
  for (int32_t g = 0; g < first.Count(); ++g) {
    const int32_t local = first.LocalWordIndex(g);
    EXPECT_EQ(first.GlobalWordIndex(first.GetWord(g)->GetDictionaryID(), local, false), g) << g;
  }
  EXPECT_EQ(first.LocalWordIndex(5), 0);  // the first Russian word
  EXPECT_EQ(first.LocalWordIndex(added), 0);
  auto phrase = [](TPhraseWordDictionary& d, std::initializer_list<int32_t> words) {
    TPhrase p;
    for (int32_t w : words) {
      TWDWord* word = d.GetWord(w);
      p.Entries.push_back({w, word->GetGroup() >= 0 ? 1 : 0, word->GetDictionaryID()});
    }
    return d.AddPhrase(p);
  };
  phrase(first, {0, 5, added});  // walk, дом, kestrune
  phrase(first, {7, 2});         // и, house
  TMemoryStream stream;
  ASSERT_EQ(first.SavePhrases(stream), 0);
  const std::u16string text0 = first.GetWord(2000000)->GetText();
  const std::u16string text1 = first.GetWord(2000001)->GetText();
  EXPECT_EQ(text0, u"walks \u0434\u043e\u043c\u0430 kestrune");

  // Russian then English: other global identifiers, the same phrases.
  TIMorphologyEngineFull secondEngine;
  TPhraseWordDictionary second;
  second.SetMorphologyEngine(&secondEngine);
  ASSERT_EQ(second.LoadFromFile(ru), 0);
  ASSERT_EQ(second.LoadFromFile(en.file), 0);
  second.SetDictID(0);
  ASSERT_EQ(second.AddWord(u"kestrune", 0, -1), 8);
  EXPECT_EQ(second.LoadDictionary(0).ID, kLangRussian);
  EXPECT_EQ(second.LoadDictionary(1).First, 3);
  EXPECT_EQ(second.LoadDictionary(1).GroupBase, 1);
  stream.SetPosition(0);
  ASSERT_EQ(second.LoadPhrases(stream), 0);
  ASSERT_EQ(second.PhraseCount(), 2);
  EXPECT_EQ(second.Phrases()[0].Entries[0].WordIndex, 3);  // walk
  EXPECT_EQ(second.Phrases()[0].Entries[1].WordIndex, 0);  // дом
  EXPECT_EQ(second.Phrases()[0].Entries[2].WordIndex, 8);
  EXPECT_EQ(second.GetWord(2000000)->GetText(), text0);
  EXPECT_EQ(second.GetWord(2000001)->GetText(), text1);
  for (int32_t g = 0; g < second.Count(); ++g) {
    EXPECT_EQ(second.GlobalWordIndex(second.GetWord(g)->GetDictionaryID(), second.LocalWordIndex(g), false), g);
  }
  first.SetMorphologyEngine(nullptr);
  second.SetMorphologyEngine(nullptr);
}

// A dictionary file of plain words (no engine) naming a lexicon file.
std::u16string PlainFile(const TempDir& dir, const std::string& name, int16_t dictId, std::u16string_view lexicon,
                         std::initializer_list<const char16_t*> words) {
  D dict;
  dict.SetDictID(dictId);
  dict.SetMorphologyFile(lexicon);
  for (const char16_t* word : words) dict.AddWord(word, 0, -1);
  const std::u16string file = dir.WFile(name);
  EXPECT_EQ(SaveDictionaryFile(dict, file), 0);
  return file;
}

TEST(DictionaryFile, WordIdentifiersCountOverEveryFileOfOneLanguage) {
  TempDir dir;
  // Two English files with lexicons of their own, two that share one (their
  // words fall into one load-table entry), and a Russian file between them.
  const std::u16string a = PlainFile(dir, "a.dws", kLangEnglish, u"a.drmp", {u"apricot", u"cherry"});
  const std::u16string b = PlainFile(dir, "b.dws", kLangEnglish, u"b.drmp", {u"blueberry", u"damson", u"elder"});
  const std::u16string c = PlainFile(dir, "c.dws", kLangEnglish, u"a.drmp", {u"fig"});
  const std::u16string ru = PlainFile(dir, "ru.dws", kLangRussian, u"ru.drmp", {u"\u0434\u043e\u043c"});
  // (name, files in load order, what to do with the phrases: 0 nothing,
  // 1 save them, 2 read them back)
  struct Case {
    const char* name;
    std::vector<std::u16string> files;
    int phrases;
  };
  const Case orders[] = {
      {"a b", {a, b}, 0},       {"b a", {b, a}, 0},           {"a ru c b", {a, ru, c, b}, 0},
      {"a ru b", {a, ru, b}, 1}, {"ru a b c", {ru, a, b, c}, 2},
  };
  // Phrases saved with one order read back as the same words when another
  // language comes before, between or after the English files.
  TMemoryStream saved;
  std::vector<std::u16string> savedTexts;
  for (const Case& order : orders) {
    SCOPED_TRACE(order.name);
    TPhraseWordDictionary dict;
    for (const std::u16string& file : order.files) ASSERT_EQ(dict.LoadFromFile(file), 0);
    dict.SetDictID(0);
    const int32_t added = dict.AddWord(u"kestrune", 0, -1);
    for (int32_t g = 0; g < dict.Count(); ++g) {
      const int32_t id = dict.GetWord(g)->GetDictionaryID();
      EXPECT_EQ(dict.GlobalWordIndex(id, dict.LocalWordIndex(g), false), g)
          << platform::Utf16ToUtf8(dict.GetWord(g)->GetText());
    }
    EXPECT_EQ(dict.LocalWordIndex(added), 0);
    if (order.phrases == 0) continue;
    if (order.phrases == 1) {
      // apricot elder / дом fig / kestrune
      TPhrase english, mixed;
      for (const char16_t* text : {u"apricot", u"elder"}) {
        const int32_t w = dict.AddWord(text, 0, -1);
        english.Entries.push_back({w, 0, dict.GetWord(w)->GetDictionaryID()});
      }
      mixed.Entries.push_back({dict.AddWord(u"\u0434\u043e\u043c", 0, -1), 0, kLangRussian});
      mixed.Entries.push_back({added, 0, 0});
      dict.AddPhrase(english);
      dict.AddPhrase(mixed);
      ASSERT_EQ(dict.SavePhrases(saved), 0);
      savedTexts = {dict.GetWord(2000000)->GetText(), dict.GetWord(2000001)->GetText()};
      EXPECT_EQ(savedTexts[0], u"apricot elder");
      continue;
    }
    saved.SetPosition(0);
    ASSERT_EQ(dict.LoadPhrases(saved), 0);
    EXPECT_EQ(dict.GetWord(2000000)->GetText(), savedTexts[0]);
    EXPECT_EQ(dict.GetWord(2000001)->GetText(), savedTexts[1]);
  }
}

TEST(DictionaryFile, GroupsOfALaterFileAreShiftedByItsGroupBase) {
  TempDir dir;
  TIMorphologyEngineFull big;
  for (int i = 0; i < 1000; ++i) AddParadigm(big, {{u"", u""}, {u"", u"a" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26))}});
  ASSERT_EQ(big.SaveToFile(dir.WFile("big.drmp")), 0);
  {
    D d;
    d.SetMorphologyEngine(&big);
    d.SetMorphologyFile(u"big.drmp");
    d.AddWord(u"x", 0, 999);
    ASSERT_EQ(SaveDictionaryFile(d, dir.WFile("big.dws")), 0);
    d.SetMorphologyEngine(nullptr);
  }
  EnglishFiles en(dir);
  TIMorphologyEngineFull engine;
  D dict;
  dict.SetMorphologyEngine(&engine);
  ASSERT_EQ(dict.LoadFromFile(dir.WFile("big.dws")), 0);
  ASSERT_EQ(dict.LoadFromFile(en.file), 0);
  EXPECT_EQ(dict.GetWord(0)->GetGroup(), 999);
  EXPECT_EQ(dict.LoadDictionary(1).GroupBase, 1000);
  EXPECT_EQ(dict.GetWord(1)->GetGroup(), 1000);   // walk: group 0 of en
  EXPECT_EQ(dict.GetWord(4)->GetGroup(), 1002);   // the text-less go
  EXPECT_EQ(dict.GetWord(5)->GetGroup(), -1);     // the
  EXPECT_EQ(VariantTexts(dict, u"houses"), std::vector<std::u16string>{u"house/houses"});
}

TEST(DictionaryFile, SaveToStreamWritesGroupsRelativeToItsLexiconAndMinusOneForWhatDoesNotFit) {
  TIMorphologyEngineFull engine;
  for (int i = 0; i < 40000; ++i) engine.AddLexeme();
  D dict;
  dict.SetMorphologyEngine(&engine);
  TMemoryStream empty;
  EXPECT_EQ(dict.SaveToStream(empty, false), D::kFileEmpty);
  EXPECT_EQ(empty.Size(), 0);
  dict.AddWord(u"fits", 0, 32767);
  dict.AddWord(u"wide", 0, 32768);
  dict.AddWord(u"plain", 0, -1);
  TMemoryStream stream;
  ASSERT_EQ(dict.SaveToStream(stream, false), 0);
  dict.SetMorphologyEngine(nullptr);
  stream.SetPosition(0);
  D back;
  ASSERT_EQ(back.LoadFromStream(stream, u""), 0);
  ASSERT_EQ(back.Count(), 3);
  const std::pair<const char16_t*, int32_t> expected[] = {{u"fits", 32767}, {u"wide", -1}, {u"plain", -1}};
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back.GetWord(i)->GetText(), expected[i].first);
    EXPECT_EQ(back.GetWord(i)->GetGroup(), expected[i].second) << i;
  }
}

TEST(DictionaryFile, TextsBeyond65535UnitsAreCutWhenAddedAndReloadAsTheSameWord) {
  const std::u16string longer = std::u16string(D::kMaxTextLength, u'a') + u"bcd";
  const std::u16string kept = longer.substr(0, D::kMaxTextLength);
  for (const bool cache : {false, true}) {
    SCOPED_TRACE(cache ? "string cache" : "heap texts");
    D dict;
    dict.SetStrCache(cache);
    const int32_t word = dict.AddWord(longer, 0, -1);
    EXPECT_EQ(dict.GetWord(word)->GetStoredText().size(), D::kMaxTextLength);
    EXPECT_TRUE(dict.GetWord(word)->GetStoredText() == kept);
    EXPECT_EQ(dict.AddWord(kept, 0, -1), word);
    const int32_t renamed = dict.AddWord(u"short", 0, -1);
    dict.GetWord(renamed)->SetText(std::u16string(70000, u'z'));
    EXPECT_EQ(dict.GetWord(renamed)->GetStoredText().size(), D::kMaxTextLength);
    TMemoryStream stream;
    ASSERT_EQ(dict.SaveToStream(stream, false), 0);
    stream.SetPosition(0);
    D back;
    ASSERT_EQ(back.LoadFromStream(stream, u""), 0);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_TRUE(back.GetWord(0)->GetText() == dict.GetWord(word)->GetText());
    EXPECT_TRUE(back.GetWord(1)->GetText() == dict.GetWord(renamed)->GetText());
    // The text it was added with finds the reloaded word.
    TWordVariants list;
    TAffixIndexes scratch;
    ASSERT_EQ(back.Search(longer, list, 0, scratch), 1);
    EXPECT_EQ(list[0].WordIndex, 0);
    EXPECT_EQ(back.AddWord(longer, 0, -1), 0);
  }
}

TEST(DictionaryFile, SelectiveSaveAndTheProjectRoundTrip) {
  D dict;
  dict.SetDictID(0);
  for (const char16_t* t : {u"alpha", u"beta", u"gamma", u"delta"}) dict.AddWord(t, 3, -1);
  dict.WordExport = [](TIWordDictionary&, int32_t index) { return index % 2 == 1; };
  TMemoryStream stream;
  ASSERT_EQ(dict.SaveToStream(stream, true), 0);
  stream.SetPosition(0);
  D back;
  ASSERT_EQ(back.LoadFromStream(stream, u""), 0);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.GetWord(0)->GetText(), u"beta");
  EXPECT_EQ(back.GetWord(1)->GetText(), u"delta");
  EXPECT_EQ(back.GetWord(1)->GetPartOfSpeech(), 3);
  EXPECT_EQ(back.GetWord(1)->GetAttr1(), 1);
  // Without a handler nothing is chosen.
  dict.WordExport = nullptr;
  TMemoryStream none;
  ASSERT_EQ(dict.SaveToStream(none, true), 0);
  none.SetPosition(0);
  D nothing;
  ASSERT_EQ(nothing.LoadFromStream(none, u""), 0);
  EXPECT_EQ(nothing.Count(), 0);
}

TEST(DictionaryFile, EightBitTextsUseTheCodePageTheHeaderNames) {
  D dict;
  dict.SetCompress(true);
  dict.AddWord(u"\u0434\u043e\u043c", 1, -1);  // Cyrillic
  dict.AddWord(std::u16string(247, u'a'), 1, -1);
  // A code page the converters do not know: the writer uses Windows-1252 and
  // says so.
  dict.SetCodePage(12345);
  TMemoryStream latin;
  ASSERT_EQ(dict.SaveToStream(latin, false), 0);
  EXPECT_EQ(dict.CodePage(), 0u);
  const std::vector<uint8_t>& bytes = latin.Bytes();
  // The long word: tag 144 (class 2), body 247 + 9 = 256.
  const std::string image(bytes.begin(), bytes.end());
  const size_t word = image.find(std::string("\x21\x01\x00\x01", 4));
  EXPECT_NE(word, std::string::npos);
  latin.SetPosition(0);
  D back;
  ASSERT_EQ(back.LoadFromStream(latin, u""), 0);
  EXPECT_EQ(back.GetWord(0)->GetText(), u"???");
  EXPECT_EQ(back.GetWord(1)->GetText(), std::u16string(247, u'a'));
  EXPECT_TRUE(back.Compress());
}

TEST(DictionaryFile, CyrillicRoundTripThroughWindows1251) {
  D dict;
  dict.SetCompress(true);
  dict.SetCodePage(1251);
  dict.AddWord(u"\u0434\u043e\u043c", 1, -1);
  TMemoryStream stream;
  ASSERT_EQ(dict.SaveToStream(stream, false), 0);
  EXPECT_EQ(dict.CodePage(), 1251u);
  // One byte a character.
  const std::vector<uint8_t>& bytes = stream.Bytes();
  const std::string image(bytes.begin(), bytes.end());
  EXPECT_NE(image.find(std::string("\x20\x0c\x03\x00\xe4\xee\xec", 7)), std::string::npos);
  stream.SetPosition(0);
  D back;
  ASSERT_EQ(back.LoadFromStream(stream, u""), 0);
  EXPECT_EQ(back.CodePage(), 1251u);
  EXPECT_TRUE(back.Compress());
  EXPECT_EQ(back.GetWord(0)->GetText(), u"\u0434\u043e\u043c");
}

TEST(DictionaryFile, ResultCodesOfLoadFromFile) {
  TempDir dir;
  EnglishFiles en(dir);
  const std::string good = ReadFileBytes(dir.File("en.dws"));
  D dict;
  EXPECT_EQ(dict.LoadFromFile(u""), D::kFileNoName);
  EXPECT_EQ(dict.LoadFromFile(dir.WFile("none.dws")), D::kFileMissing);
  WriteFileBytes(dir.File("empty.dws"), "");
  EXPECT_EQ(dict.LoadFromFile(dir.WFile("empty.dws")), D::kFileCorrupt);
  std::string magic = good;
  magic[3] = 'X';
  WriteFileBytes(dir.File("magic.dws"), magic);
  EXPECT_EQ(dict.LoadFromFile(dir.WFile("magic.dws")), D::kFileWrongMagic);
  std::string flipped = good;
  flipped.back() ^= 1;
  WriteFileBytes(dir.File("crc.dws"), flipped);
  EXPECT_EQ(dict.LoadFromFile(dir.WFile("crc.dws")), D::kFileCRCMismatch);
  std::string version = good;
  version[16 + 4] = 2;  // the header tag's body starts after its 4-byte head
  std::memset(version.data() + 4, 0, 4);
  WriteFileBytes(dir.File("version.dws"), version);
  EXPECT_EQ(dict.LoadFromFile(dir.WFile("version.dws")), D::kFileWrongVersion);
  EXPECT_EQ(dict.Count(), 0);
  EXPECT_EQ(dict.LoadCount(), 0);
}

TEST(DictionaryFile, ACorruptBodyEndsTheLoadAndClosesTheLoadTableEntry) {
  D source;
  for (const char16_t* t : {u"one", u"two", u"three", u"four"}) source.AddWord(t, 0, -1);
  TMemoryStream stream;
  ASSERT_EQ(source.SaveToStream(stream, false), 0);
  std::vector<uint8_t> bytes = stream.Bytes();
  // The third word's text count claims more units than its tag holds.
  const std::string image(bytes.begin(), bytes.end());
  const size_t three = image.find(std::string("\x05\x00t\x00h\x00", 6));
  ASSERT_NE(three, std::string::npos);
  bytes[three] = 0xFF;
  TMemoryStream corrupt(bytes);
  D dict;
  dict.AddWord(u"before", 0, -1);
  EXPECT_EQ(dict.LoadFromStream(corrupt, u""), D::kFileCorrupt);
  EXPECT_EQ(dict.Count(), 3);  // the two words read before the error stay
  ASSERT_EQ(dict.LoadCount(), 1);
  EXPECT_EQ(dict.LoadDictionary(0).First, 1);
  EXPECT_EQ(dict.LoadDictionary(0).Last, 2);
  // A later file's range starts after it.
  TMemoryStream again(stream.Bytes());
  dict.SetDictID(0);
  std::vector<uint8_t> other = stream.Bytes();
  other[4 + 4] = 5;  // DictID 5
  TMemoryStream second(other);
  EXPECT_EQ(dict.LoadFromStream(second, u""), 0);
  ASSERT_EQ(dict.LoadCount(), 2);
  EXPECT_EQ(dict.LoadDictionary(1).First, 3);
  EXPECT_EQ(dict.LoadDictionary(1).Last, 6);
}

TEST(DictionaryFile, TheLoadTableRefusesFilesBeyondItsCapacity) {
  D source;
  source.AddWord(u"w", 0, -1);
  TMemoryStream stream;
  ASSERT_EQ(source.SaveToStream(stream, false), 0);
  D dict;
  for (int id = 1; id <= D::kLoadTableSize + 1; ++id) {
    std::vector<uint8_t> bytes = stream.Bytes();
    std::memcpy(bytes.data() + 4 + 4, &id, 4);
    TMemoryStream file(bytes);
    const int32_t result = dict.LoadFromStream(file, u"");
    EXPECT_EQ(result, id <= D::kLoadTableSize ? 0 : D::kFileLoadTableFull) << id;
  }
  EXPECT_EQ(dict.LoadCount(), D::kLoadTableSize);
  EXPECT_EQ(dict.Count(), D::kLoadTableSize);
}

TEST(DictionaryFile, AHeaderWordCountOfZeroReportsOnly0And100) {
  D source;
  source.AddWord(u"w", 0, -1);
  TMemoryStream stream;
  ASSERT_EQ(source.SaveToStream(stream, false), 0);
  std::vector<uint8_t> bytes = stream.Bytes();
  std::memset(bytes.data() + 4 + 16, 0, 4);
  TMemoryStream file(bytes);
  std::vector<int32_t> reports;
  D dict;
  dict.OnProgressChange = [&](int32_t p) { reports.push_back(p); };
  ASSERT_EQ(dict.LoadFromStream(file, u""), 0);
  EXPECT_EQ(reports, (std::vector<int32_t>{0, 100}));
  EXPECT_EQ(dict.LoadDictionary(0).Last, 0);
}

TEST(DictionaryFile, AFileCutAtEveryOffsetLoadsWithoutACrash) {
  TempDir dir;
  EnglishFiles en(dir);
  // CRC 0: the loader reads the cut body unchecked.
  std::string bytes = ReadFileBytes(dir.File("en.dws"));
  std::memset(bytes.data() + 4, 0, 4);
  for (size_t n = 0; n < bytes.size(); ++n) {
    WriteFileBytes(dir.File("cut.dws"), bytes.substr(0, n));
    TIMorphologyEngineFull engine;
    D dict;
    dict.SetMorphologyEngine(&engine);
    const int32_t result = dict.LoadFromFile(dir.WFile("cut.dws"));
    EXPECT_TRUE(result == 0 || result == D::kFileCorrupt || result == D::kFileWrongMagic) << n << ": " << result;
    for (int32_t i = 0; i < dict.LoadCount(); ++i) {
      EXPECT_LE(dict.LoadDictionary(i).First, dict.LoadDictionary(i).Last + 1);
      EXPECT_EQ(dict.LoadDictionary(i).Last, dict.Count() - 1);
    }
    for (int32_t i = 0; i < dict.Count(); ++i) dict.GetWord(i)->GetText();
    dict.SetMorphologyEngine(nullptr);
  }
}

}  // namespace
}  // namespace kestrune
