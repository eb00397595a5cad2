#include "language/phrase_word_dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base.h"
#include "core/tag_stream.h"
#include "language/text_parsing.h"
#include "platform/text.h"
#include "tests/language/fake_morphology_engine.h"
#include "tests/language/golden_bytes.h"

namespace kestrune {
namespace {

// A phrase dictionary whose load table tests may fill as the file loader
// would.
class TTestPhraseDictionary : public TPhraseWordDictionary {
 public:
  using TIWordDictionary::AddLoadDictionary;
  // Adds `count` words of dictionary id `id` and the load-table entry of
  // the "file" that holds them.
  void LoadFile(int16_t id, int32_t count, const std::u16string& prefix) {
    TWDLoadDictionary entry;
    entry.ID = id;
    entry.First = Count();
    SetDictID(id);
    for (int32_t i = 0; i < count; ++i) AddWord(prefix + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                                                 std::u16string(1, static_cast<char16_t>(u'a' + i / 26)),
                                             0, -1);
    entry.Last = Count() - 1;
    ASSERT_TRUE(AddLoadDictionary(entry));
    SetDictID(0);
  }
};

// The words of every sentence as "id" lists, sentences parted by "/".
std::string Marked(const TParsingText& r) {
  std::string out;
  for (int32_t s = 0; s < r.SentenceCount; ++s) {
    if (s > 0) out += " / ";
    const TParsingSentence& sentence = r.Sentence(s);
    for (int32_t w = 0; w < sentence.WordCount; ++w) {
      if (w > 0) out += " ";
      out += std::to_string(r.Word(sentence.FirstWord + w).WordId);
    }
  }
  return out;
}

class PhraseDictionaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parser.SetWordDictionary(&dictionary);
    for (const char16_t* word : {u"we", u"saw", u"new", u"york", u"city", u"is", u"big", u"today"}) {
      ids.push_back(dictionary.AddWord(word, 0, -1));
    }
  }
  int32_t Id(std::u16string_view word) { return dictionary.AddWord(word, 0, -1); }
  int32_t AddPhrase(std::initializer_list<const char16_t*> words, int32_t value = 0) {
    TPhrase phrase;
    phrase.Value = value;
    for (const char16_t* word : words) phrase.Entries.push_back({Id(word), 0, 0});
    return dictionary.AddPhrase(phrase);
  }
  // Parses and marks; the marked words by identifier.
  std::string Mark(std::u16string_view text) {
    EXPECT_EQ(parser.Parse(text), 0);
    dictionary.FindPhrases(parser.ParsingText());
    return Marked(parser.ParsingText());
  }
  std::string Ids(std::initializer_list<const char16_t*> words) {
    std::string out;
    for (const char16_t* word : words) {
      if (!out.empty()) out += " ";
      out += std::to_string(Id(word));
    }
    return out;
  }

  TTestPhraseDictionary dictionary;
  TITextParsing parser;
  std::vector<int32_t> ids;
};

// ---------------------------------------------------------------------------
// Marking

TEST_F(PhraseDictionaryTest, EarliestPhraseWinsNotTheLongest) {
  const int32_t two = AddPhrase({u"new", u"york"});
  AddPhrase({u"new", u"york", u"city"});
  dictionary.BuildPhraseIndex(2, 11);
  EXPECT_EQ(Mark(u"we saw new york city"),
            Ids({u"we", u"saw"}) + " " + std::to_string(2000000 + two) + " " + std::to_string(Id(u"city")));
}

TEST_F(PhraseDictionaryTest, PhraseSpansAndSentenceEnds) {
  const int32_t three = AddPhrase({u"new", u"york", u"city"});
  dictionary.BuildPhraseIndex(2, 11);
  // Five words with a three-word phrase: three words, the first with the
  // span of all three, its form and variants kept.
  const std::u16string text = u"We saw New  York City today.";
  EXPECT_EQ(Mark(text), Ids({u"we", u"saw"}) + " " + std::to_string(2000000 + three) + " " + Ids({u"today"}));
  const TParsingText& r = parser.ParsingText();
  ASSERT_EQ(r.Sentence(0).WordCount, 4);
  const TParsingWord& phrase = r.Word(2);
  EXPECT_EQ(phrase.Start, 8);
  EXPECT_EQ(phrase.Length, 14);
  EXPECT_EQ(phrase.Flags, 0);
  EXPECT_EQ(phrase.Form, 0);
  // The result's word count is not changed by the compaction.
  EXPECT_EQ(r.WordCount, 6);
  // At the very end of a sentence it matches; running past the end it does
  // not, nor across two sentences.
  EXPECT_EQ(Mark(u"we saw new york city"), Ids({u"we", u"saw"}) + " " + std::to_string(2000000 + three));
  EXPECT_EQ(Mark(u"we saw new york"), Ids({u"we", u"saw", u"new", u"york"}));
  EXPECT_EQ(Mark(u"We saw New York. City is big."),
            Ids({u"we", u"saw", u"new", u"york"}) + " / " + Ids({u"city", u"is", u"big"}));
  // Several phrases in one sentence, and a phrase in each of two sentences.
  const int32_t two = AddPhrase({u"is", u"big"});
  dictionary.FreePhraseIndex();
  dictionary.BuildPhraseIndex(2, 11);
  EXPECT_EQ(Mark(u"New York City is big. New York City is big"),
            std::to_string(2000000 + three) + " " + std::to_string(2000000 + two) + " / " +
                std::to_string(2000000 + three) + " " + std::to_string(2000000 + two));
}

TEST_F(PhraseDictionaryTest, NothingWithoutPhrasesOrIndexOrForShortPhrases) {
  EXPECT_EQ(Mark(u"new york"), Ids({u"new", u"york"}));
  AddPhrase({u"new", u"york"});
  EXPECT_EQ(Mark(u"new york"), Ids({u"new", u"york"}));  // no index yet
  // A one-word phrase never matches.
  AddPhrase({u"city"});
  dictionary.BuildPhraseIndex(2, 11);
  EXPECT_EQ(Mark(u"city"), Ids({u"city"}));
  EXPECT_EQ(Mark(u"new york"), "2000000");
}

TEST_F(PhraseDictionaryTest, MarkingACopyIsSeenThroughTheParser) {
  AddPhrase({u"new", u"york"});
  dictionary.BuildPhraseIndex(2, 11);
  ASSERT_EQ(parser.Parse(u"new york city"), 0);
  TParsingText copy = parser.ParsingText();
  dictionary.FindPhrases(copy);
  EXPECT_EQ(Marked(parser.ParsingText()), "2000000 " + Ids({u"city"}));
  ClearParsingText(copy);
  EXPECT_EQ(copy.WordCount, 0);
  EXPECT_EQ(Marked(parser.ParsingText()), "2000000 " + Ids({u"city"}));
}

TEST_F(PhraseDictionaryTest, HashedWordsNeverJoinPhrases) {
  AddPhrase({u"new", u"york"});
  dictionary.BuildPhraseIndex(2, 11);
  parser.SetUseHash(true);
  parser.SetParallelWorking(true);
  ASSERT_EQ(parser.Parse(u"new unknownword"), 0);
  // Even when the text hash happens to equal a word's identifier.
  TParsingText& r = parser.ParsingText();
  ASSERT_EQ(r.WordCount, 2);
  ASSERT_TRUE(r.Word(1).Flags & TParsingWord::kHashed);
  r.Word(1).WordId = Id(u"york");
  dictionary.FindPhrases(r);
  EXPECT_EQ(r.Sentence(0).WordCount, 2);
  EXPECT_EQ(r.Word(0).WordId, Id(u"new"));
}

TEST_F(PhraseDictionaryTest, PhraseIndexChainsPerPosition) {
  AddPhrase({u"new", u"york"});
  AddPhrase({u"we", u"saw"});
  AddPhrase({u"new", u"york", u"city"});
  AddPhrase({u"new", u"city"});
  dictionary.BuildPhraseIndex(2, 3);
  ASSERT_EQ(dictionary.IndexPositions(), 3);
  auto chain = [&](int32_t position, std::u16string_view word) {
    std::vector<int32_t> phrases;
    const int32_t node = dictionary.IndexTree(position).Find(Id(word));
    if (node < 0) return phrases;
    const TListWithPhrases& list = dictionary.IndexList(position);
    for (int32_t item = list.Heads[static_cast<size_t>(node)]; item != -1; item = list.Items[static_cast<size_t>(item)].Next) {
      phrases.push_back(list.Items[static_cast<size_t>(item)].Phrase);
    }
    return phrases;
  };
  EXPECT_EQ(chain(0, u"new"), (std::vector<int32_t>{0, 2, 3}));
  EXPECT_EQ(chain(0, u"we"), (std::vector<int32_t>{1}));
  EXPECT_EQ(chain(1, u"york"), (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(chain(1, u"city"), (std::vector<int32_t>{3}));
  EXPECT_EQ(chain(2, u"city"), (std::vector<int32_t>{2}));
  EXPECT_EQ(dictionary.IndexList(0).ItemCount, 4);
  EXPECT_EQ(dictionary.IndexList(2).ItemCount, 1);
  dictionary.FreePhraseIndex();
  EXPECT_FALSE(dictionary.HasPhraseIndex());
  EXPECT_EQ(dictionary.PhraseCount(), 4);
  EXPECT_FALSE(dictionary.ClearPhrase());
  EXPECT_EQ(dictionary.PhraseCount(), 0);
}

// ---------------------------------------------------------------------------
// Phrase words

TEST_F(PhraseDictionaryTest, PhraseWordsShareOneObject) {
  AddPhrase({u"new", u"york"});
  AddPhrase({u"big", u"city", u"today"});
  EXPECT_EQ(dictionary.GetWord(Id(u"york"))->GetText(), u"york");
  TWDWord* first = dictionary.GetWord(2000000);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetText(), u"new york");
  TWDWord* second = dictionary.GetWord(2000001);
  EXPECT_EQ(second, first);
  EXPECT_EQ(first->GetText(), u"big city today");
  EXPECT_EQ(first->GetStoredText(), u"big city today");
  EXPECT_EQ(first->GetForm(7), u"big city today");
  EXPECT_EQ(dictionary.GetWord(2000002), nullptr);
  EXPECT_EQ(dictionary.GetWord(1999999), nullptr);
  EXPECT_EQ(dictionary.GetWord(-1), nullptr);
}

TEST(PhraseWords, WordsInTheirStoredFormsAndMissingWords) {
  test::TFakeMorphologyEngine engine;
  TPhraseWordDictionary dictionary;
  dictionary.SetMorphologyEngine(&engine);
  const int32_t verbs = engine.AddParadigm({{u"", u""}, {u"", u"s"}, {u"", u"ed"}}, 1);
  const int32_t walk = dictionary.AddWord(u"walk", 1, verbs);
  const int32_t fast = dictionary.AddWord(u"fast", 0, -1);
  TPhrase phrase;
  phrase.Entries = {{walk, 2, 0}, {-1, 0, 0}, {fast, 0, 0}, {1234567, 0, 0}};
  dictionary.AddPhrase(phrase);
  EXPECT_EQ(dictionary.GetWord(2000000)->GetText(), u"walked fast");
  // A phrase of missing words only has an empty text.
  dictionary.Phrases()[0].Entries = {{-1, 0, 0}};
  EXPECT_EQ(dictionary.GetWord(2000000)->GetText(), u"");
}

// ---------------------------------------------------------------------------
// Word identifiers

TEST(PhraseIdentifiers, GlobalAndLocalIndexes) {
  TTestPhraseDictionary dictionary;
  // No file loaded: local and global are the same.
  for (int32_t i = 0; i < 5; ++i) dictionary.AddWord(u"w" + std::u16string(1, static_cast<char16_t>(u'a' + i)), 0, -1);
  EXPECT_EQ(dictionary.GlobalWordIndex(9, 3, false), 3);
  EXPECT_EQ(dictionary.GlobalWordIndex(9, 5, false), -1);
  EXPECT_EQ(dictionary.GlobalWordIndex(9, 5, true), 5);
  EXPECT_EQ(dictionary.LocalWordIndex(4), 4);
  EXPECT_EQ(dictionary.LocalWordIndex(5), -1);

  TTestPhraseDictionary files;
  files.LoadFile(kLangEnglish, 100, u"e");  // 0..99
  files.LoadFile(kLangRussian, 50, u"r");   // 100..149
  for (int32_t i = 0; i < 10; ++i) files.AddWord(u"new" + std::u16string(1, static_cast<char16_t>(u'a' + i)), 0, -1);
  ASSERT_EQ(files.Count(), 160);
  struct Case {
    int32_t id;
    int32_t local;
    bool allowNew;
    int32_t global;
  };
  const Case cases[] = {
      {kLangEnglish, 0, false, 0},   {kLangEnglish, 99, false, 99}, {kLangRussian, 5, false, 105},
      {0, 0, false, 150},            {0, 9, false, 159},            {0, 10, false, -1},
      {0, 10, true, 160},            {kLangGerman, 3, false, 153},  {kLangRussian, -1, true, -1},
      {0, 2000000, true, -1},        {kLangEnglish, 2147483647, true, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(files.GlobalWordIndex(c.id, c.local, c.allowNew), c.global) << c.id << " " << c.local;
  }
  // The inverse for the id of the holding file.
  for (int32_t global : {0, 57, 99, 100, 149, 150, 159}) {
    const int32_t local = files.LocalWordIndex(global);
    const int32_t id = files.GetWord(global)->GetDictionaryID();
    EXPECT_EQ(files.GlobalWordIndex(id, local, false), global) << global;
  }
  EXPECT_EQ(files.LocalWordIndex(100), 0);
  EXPECT_EQ(files.LocalWordIndex(155), 5);
  EXPECT_EQ(files.LocalWordIndex(160), -1);
  EXPECT_EQ(files.LocalWordIndex(-1), -1);
  // Two files of one id: local indexes run on through the second file.
  TWDLoadDictionary again;
  again.ID = kLangEnglish;
  again.First = 150;
  again.Last = 159;
  ASSERT_TRUE(files.AddLoadDictionary(again));
  const Case twoFiles[] = {
      {kLangEnglish, 2, false, 2}, {kLangEnglish, 102, false, 152}, {kLangEnglish, 110, true, -1}, {0, 0, true, 160},
  };
  for (const Case& c : twoFiles) {
    EXPECT_EQ(files.GlobalWordIndex(c.id, c.local, c.allowNew), c.global) << c.id << " " << c.local;
  }
  EXPECT_EQ(files.LocalWordIndex(2), 2);
  EXPECT_EQ(files.LocalWordIndex(152), 102);
}

// ---------------------------------------------------------------------------
// The phrase stream

std::vector<std::u16string> PhraseTexts(TPhraseWordDictionary& dictionary) {
  std::vector<std::u16string> texts;
  for (int32_t j = 0; j < dictionary.PhraseCount(); ++j) texts.push_back(dictionary.GetWord(2000000 + j)->GetText());
  return texts;
}

// A phrase stream typed from the format's table, over an English "file" of
// three words (0-2), a Russian one of two (3-4) and a word added after them
// (5): phrase 0 = words 0 and 1 (form 2), value 0; phrase 1 = word 4 (form 1),
// word 5, word 2, value 7. Entries hold local indexes.
constexpr const char* kPhraseGolden =
    // tag 1: phrase count 2
    "02 04  02 00 00 00"
    // tag 0x4000 (32 bytes): 2 entries, value 0, {local, form, dictionary id}
    "01 80 20 00 00 00  02 00 00 00  00 00 00 00"
    "  00 00 00 00  00 00 00 00  09 00 00 00"
    "  01 00 00 00  02 00 00 00  09 00 00 00"
    // tag 0x4000 (44 bytes): 3 entries, value 7
    "01 80 2C 00 00 00  03 00 00 00  07 00 00 00"
    "  01 00 00 00  01 00 00 00  19 00 00 00"
    "  00 00 00 00  00 00 00 00  00 00 00 00"
    "  02 00 00 00  00 00 00 00  09 00 00 00";

TEST(PhraseStream, GoldenStreamReadsAndIsWrittenByteForByte) {
  auto files = [](TTestPhraseDictionary& dictionary) {
    dictionary.LoadFile(kLangEnglish, 3, u"e");
    dictionary.LoadFile(kLangRussian, 2, u"r");
    dictionary.AddWord(u"added", 0, -1);
  };
  const std::vector<std::vector<TPhraseEntry>> phrases = {{{0, 0, 9}, {1, 2, 9}}, {{4, 1, 25}, {5, 0, 0}, {2, 0, 9}}};
  const std::string golden = test::HexBytes(kPhraseGolden);
  TTestPhraseDictionary written;
  files(written);
  for (const auto& entries : phrases) written.AddPhrase(TPhrase{entries, written.PhraseCount() == 1 ? 7 : 0});
  TMemoryStream out;
  ASSERT_EQ(written.SavePhrases(out), 0);
  EXPECT_TRUE(test::StreamBytes(out) == golden)
      << "first difference at byte " << test::FirstDifference(test::StreamBytes(out), golden);

  TTestPhraseDictionary read;
  files(read);
  TMemoryStream in(reinterpret_cast<const uint8_t*>(golden.data()), golden.size());
  ASSERT_EQ(read.LoadPhrases(in), 0);
  ASSERT_EQ(read.PhraseCount(), 2);
  for (int32_t j = 0; j < 2; ++j) {
    const TPhrase& phrase = read.Phrases()[static_cast<size_t>(j)];
    EXPECT_EQ(phrase.Value, j == 0 ? 0 : 7);
    ASSERT_EQ(phrase.EntryCount(), static_cast<int32_t>(phrases[static_cast<size_t>(j)].size()));
    for (int32_t k = 0; k < phrase.EntryCount(); ++k) {
      const TPhraseEntry& expected = phrases[static_cast<size_t>(j)][static_cast<size_t>(k)];
      const TPhraseEntry& entry = phrase.Entries[static_cast<size_t>(k)];
      EXPECT_EQ(entry.WordIndex, expected.WordIndex) << j << " " << k;
      EXPECT_EQ(entry.Form, expected.Form) << j << " " << k;
      EXPECT_EQ(entry.SourceDictionaryID, expected.SourceDictionaryID) << j << " " << k;
    }
  }
}

TEST(PhraseStream, SaveWithoutPhrasesWritesNothing) {
  TPhraseWordDictionary dictionary;
  TMemoryStream stream;
  EXPECT_EQ(dictionary.SavePhrases(stream), TPhraseWordDictionary::kNoPhrases);
  EXPECT_EQ(stream.Size(), 0);
}

TEST(PhraseStream, RoundTripAcrossAnotherLoadOrder) {
  // Saved with English then Russian loaded and words added while running...
  TTestPhraseDictionary first;
  first.LoadFile(kLangEnglish, 40, u"e");
  first.LoadFile(kLangRussian, 30, u"r");
  const int32_t added = first.AddWord(u"added", 0, -1);
  // A stop word of German, whose dictionary is not loaded, joins as German.
  first.MarkWord(u"und", kLangGerman);
  const int32_t und = first.Count() - 1;
  ASSERT_EQ(first.GetWord(und)->GetDictionaryID(), kLangGerman);
  auto phrase = [&](TTestPhraseDictionary& d, std::initializer_list<int32_t> words, int32_t value) {
    TPhrase p;
    p.Value = value;
    for (int32_t w : words) p.Entries.push_back({w, 0, d.GetWord(w)->GetDictionaryID()});
    return d.AddPhrase(p);
  };
  phrase(first, {3, 45, added}, 7);
  phrase(first, {39, 40}, -2);
  phrase(first, {added, und, 3}, 5);
  TMemoryStream stream;
  ASSERT_EQ(first.SavePhrases(stream), 0);
  const std::vector<std::u16string> texts = PhraseTexts(first);
  EXPECT_EQ(texts[0], u"eda rfa added");
  EXPECT_EQ(texts[1], u"enb raa");

  // ...loads into one with Russian then English, and now German, the same
  // words added.
  TTestPhraseDictionary second;
  second.LoadFile(kLangRussian, 30, u"r");
  second.LoadFile(kLangEnglish, 40, u"e");
  second.LoadFile(kLangGerman, 5, u"g");
  second.AddWord(u"added", 0, -1);
  second.AddWord(u"und", 0, -1);
  TPhrase existing;
  existing.Entries = {{0, 0, 0}, {1, 0, 0}};
  second.AddPhrase(existing);
  stream.SetPosition(0);
  ASSERT_EQ(second.LoadPhrases(stream), 0);
  ASSERT_EQ(second.PhraseCount(), 4);
  EXPECT_EQ(second.Phrases()[1].Value, 7);
  EXPECT_EQ(second.Phrases()[2].Value, -2);
  EXPECT_EQ(second.Phrases()[1].Entries[0].WordIndex, 33);
  EXPECT_EQ(second.Phrases()[1].Entries[1].WordIndex, 5);
  EXPECT_EQ(PhraseTexts(second)[1], texts[0]);
  EXPECT_EQ(PhraseTexts(second)[2], texts[1]);
  EXPECT_EQ(PhraseTexts(second)[3], u"added und eda");
}

TEST(PhraseStream, MissingWordsStillRead) {
  // A phrase whose word the loading dictionary lacks keeps its other words.
  TTestPhraseDictionary first;
  first.LoadFile(kLangEnglish, 10, u"e");
  const int32_t extra = first.AddWord(u"extra", 0, -1);
  TPhrase p;
  p.Entries = {{2, 0, kLangEnglish}, {extra, 0, 0}, {4, 0, kLangEnglish}};
  first.AddPhrase(p);
  TMemoryStream stream;
  ASSERT_EQ(first.SavePhrases(stream), 0);
  TTestPhraseDictionary second;
  second.LoadFile(kLangEnglish, 10, u"e");
  stream.SetPosition(0);
  ASSERT_EQ(second.LoadPhrases(stream), 0);
  ASSERT_EQ(second.PhraseCount(), 1);
  EXPECT_EQ(second.GetWord(2000000)->GetText(), u"eca eea");
  EXPECT_EQ(second.Phrases()[0].EntryCount(), 3);
}

TEST(PhraseStream, CorruptStreamsFailAndChangeNothing) {
  TPhraseWordDictionary source;
  source.AddWord(u"one", 0, -1);
  source.AddWord(u"two", 0, -1);
  TPhrase p;
  p.Entries = {{0, 0, 0}, {1, 0, 0}};
  source.AddPhrase(p);
  source.AddPhrase(p);
  TMemoryStream good;
  ASSERT_EQ(source.SavePhrases(good), 0);
  const std::vector<uint8_t> bytes = good.Bytes();

  auto load = [](std::vector<uint8_t> data) {
    TPhraseWordDictionary target;
    target.AddWord(u"one", 0, -1);
    TPhrase kept;
    kept.Entries = {{0, 0, 0}};
    target.AddPhrase(kept);
    TMemoryStream stream(std::move(data));
    const int32_t result = target.LoadPhrases(stream);
    return std::make_pair(result, target.PhraseCount());
  };
  EXPECT_EQ(load(bytes), std::make_pair(0, 3));
  // The count tag is 6 bytes: tag 1, length 4, i32 count.
  ASSERT_EQ(bytes[0], 2);
  {
    // A count beyond what the stream can hold.
    std::vector<uint8_t> data = bytes;
    data[2] = data[3] = data[4] = 0xFF;
    data[5] = 0x7F;
    EXPECT_EQ(load(data), std::make_pair(-1, 1));
    data[5] = 0xFF;  // negative
    EXPECT_EQ(load(data), std::make_pair(-1, 1));
  }
  {
    // One phrase more than the stream holds.
    std::vector<uint8_t> data = bytes;
    data[2] = 3;
    EXPECT_EQ(load(data), std::make_pair(-1, 1));
  }
  {
    // An entry count beyond the phrase tag: the first phrase tag starts at
    // byte 6 with a six-byte header.
    std::vector<uint8_t> data = bytes;
    data[12] = 200;
    EXPECT_EQ(load(data), std::make_pair(-1, 1));
  }
  {
    // A stray zero byte where the second phrase's tag should be.
    std::vector<uint8_t> data(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>((bytes.size() - 6) / 2 + 6));
    data.push_back(0);
    EXPECT_EQ(load(data), std::make_pair(-1, 1));
  }
  {
    // Cut short anywhere: a clean failure or (no count tag at all) nothing.
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      std::vector<uint8_t> data(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
      const auto result = load(data);
      EXPECT_EQ(result.second, 1) << cut;
      EXPECT_TRUE(result.first == -1 || (result.first == 0 && cut < 6)) << cut;
    }
  }
}

}  // namespace
}  // namespace kestrune
