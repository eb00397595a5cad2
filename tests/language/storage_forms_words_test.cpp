#include "language/storage_forms_words.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "core/tag_stream.h"
#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"
#include "tests/language/fake_morphology_engine.h"
#include "tests/language/golden_bytes.h"

namespace kestrune {
namespace {

TEST(StorageFormsWords, SetFormRules) {
  TStorageFormsWords store;
  struct Step {
    int32_t word;
    int32_t form;
    bool overwrite;
    int32_t result;
    int32_t stored;  // GetForm(word) afterwards
  };
  const Step steps[] = {
      {7, 3, false, -1, 3},   // new
      {7, 3, false, -1, 3},   // the same form again
      {7, 5, false, 0, 0},    // another form: conflict
      {7, 3, false, 0, 0},    // stays at 0
      {7, 5, true, 5, 5},     // overwritten
      {7, 0, false, 0, 0},    // the initial form against 5: conflict
      {-1, 2, true, -1, -1},  // no word
      {8, -1, true, -1, 0},   // no form: nothing stored
      {2000001, 4, false, -1, 4},
      {8, 0, false, -1, 0},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(store.SetForm(step.word, step.form, step.overwrite), step.result) << step.word << " " << step.form;
    EXPECT_EQ(store.GetForm(step.word), step.stored) << step.word << " " << step.form;
  }
  EXPECT_EQ(store.Count(), 3);
  EXPECT_EQ(store.GetForm(12345), 0);
  EXPECT_EQ(store.GetForm(-7), -1);
  store.Clear();
  EXPECT_EQ(store.Count(), 0);
  EXPECT_EQ(store.GetForm(7), 0);
  // After Clear the words held before are new again, in another order.
  const Step again[] = {
      {2000001, 6, false, -1, 6},
      {7, 9, false, -1, 9},
      {2000001, 6, false, -1, 6},
      {7, 2, false, 0, 0},
  };
  for (const Step& step : again) {
    EXPECT_EQ(store.SetForm(step.word, step.form, step.overwrite), step.result) << step.word << " " << step.form;
    EXPECT_EQ(store.GetForm(step.word), step.stored) << step.word << " " << step.form;
  }
  EXPECT_EQ(store.Count(), 2);
}

TEST(StorageFormsWords, ManyWordsAcrossPages) {
  TStorageFormsWords store;
  for (int32_t i = 0; i < 3000; ++i) store.SetForm(i * 7919 % 100003, i % 11, false);
  EXPECT_EQ(store.Count(), 3000);
  for (int32_t i = 0; i < 3000; ++i) ASSERT_EQ(store.GetForm(i * 7919 % 100003), i % 11) << i;
}

class FormsFromParses : public ::testing::Test {
 protected:
  void SetUp() override {
    dictionary.SetMorphologyEngine(&engine);
    const int32_t verbs = engine.AddParadigm({{u"", u""}, {u"", u"s"}, {u"", u"ed"}}, 1);
    walk = dictionary.AddWord(u"walk", 1, verbs);
    parser.SetWordDictionary(&dictionary);
    parser.SetAllWords(true);
    parser.SetPunctuation(true);
    parser.SetParallelWorking(true);
    parser.SetUseHash(true);
  }
  const TParsingText& Parse(std::u16string_view text) {
    EXPECT_EQ(parser.Parse(text), 0);
    return parser.ParsingText();
  }

  test::TFakeMorphologyEngine engine;
  TPhraseWordDictionary dictionary;
  TITextParsing parser;
  TStorageFormsWords store;
  int32_t walk = -1;
};

TEST_F(FormsFromParses, MergeAndTake) {
  const int32_t point = dictionary.AddWord(u".", 0, -1);
  store.MergeForms(Parse(u"He walks."));
  EXPECT_EQ(store.GetForm(walk), 1);
  // Separators are recorded like words; hashed words (form -1) are not.
  EXPECT_EQ(store.GetForm(point), 0);
  EXPECT_EQ(store.Count(), 2);
  store.MergeForms(Parse(u"walks; walked"));
  EXPECT_EQ(store.GetForm(walk), 0);
  store.TakeForms(Parse(u"walked"));
  EXPECT_EQ(store.GetForm(walk), 2);
}

TEST_F(FormsFromParses, PhrasesAndAbsorbedWords) {
  const int32_t fast = dictionary.AddWord(u"fast", 0, -1);
  TPhrase phrase;
  phrase.Entries = {{walk, 1, 0}, {fast, 0, 0}};
  dictionary.AddPhrase(phrase);
  dictionary.BuildPhraseIndex(2, 11);
  TParsingText copy = Parse(u"walks fast");
  dictionary.FindPhrases(copy);
  store.TakeForms(copy);
  // The phrase takes the form of its first word; the absorbed word is gone.
  EXPECT_EQ(store.GetForm(2000000), 1);
  EXPECT_EQ(store.GetForm(fast), 0);
  EXPECT_EQ(store.Count(), 1);
}

TEST_F(FormsFromParses, CopyParagraphs) {
  parser.SetUseHash(false);
  const std::u16string text = u"First one.\n\nSecond walks here. And more.\n\nThird walked.";
  const TParsingText& source = Parse(text);
  ASSERT_EQ(source.ParagraphCount, 3);
  TParsingText target;
  CopyParsingParagraphs(source, 1, 0, target);
  EXPECT_EQ(target.ParagraphCount, 0);
  CopyParsingParagraphs(source, 1, 2, target);
  ASSERT_EQ(target.ParagraphCount, 2);
  EXPECT_EQ(target.Paragraph(0).SentenceCount, 2);
  EXPECT_EQ(target.Paragraph(0).FirstSentence, 0);
  EXPECT_EQ(target.Paragraph(1).FirstSentence, 2);
  const TParsingSentence& first = source.Sentence(source.Paragraph(1).FirstSentence);
  const int32_t base = first.Start;
  EXPECT_EQ(target.Sentence(0).Start, 0);
  EXPECT_EQ(target.Sentence(0).Length, first.Length);
  EXPECT_EQ(target.Sentence(2).Start, source.Sentence(3).Start - base);
  int32_t w = 0;
  for (int32_t s = 0; s < 3; ++s) {
    const TParsingSentence& from = source.Sentence(source.Paragraph(1).FirstSentence + s);
    const TParsingSentence& to = target.Sentence(s);
    ASSERT_EQ(to.WordCount, from.WordCount);
    EXPECT_EQ(to.FirstWord, w);
    for (int32_t k = 0; k < to.WordCount; ++k) {
      const TParsingWord& a = source.Word(from.FirstWord + k);
      const TParsingWord& b = target.Word(to.FirstWord + k);
      EXPECT_EQ(b.Start, a.Start - base);
      EXPECT_EQ(b.WordId, a.WordId);
      EXPECT_EQ(b.Form, a.Form);
      EXPECT_EQ(b.Length, a.Length);
    }
    w += to.WordCount;
  }
  // Counts the copy does not write.
  EXPECT_EQ(target.WordCount, 0);
  EXPECT_EQ(target.SentenceCount, 0);
  // Its forms are those of the copied paragraphs only.
  store.TakeForms(target);
  EXPECT_EQ(store.GetForm(walk), 2);
  EXPECT_EQ(store.GetForm(dictionary.AddWord(u"first", 0, -1)), 0);
  EXPECT_EQ(store.GetForm(dictionary.AddWord(u"second", 0, -1)), 0);
  EXPECT_EQ(store.Count(), 7);  // second walk here . and more third

  // A range outside the source raises instead of reading out of range.
  TParsingText other;
  EXPECT_THROW(CopyParsingParagraphs(source, 2, 2, other), std::out_of_range);
  EXPECT_THROW(CopyParsingParagraphs(source, -1, 1, other), std::out_of_range);
  EXPECT_THROW(CopyParsingParagraphs(source, 0, -1, other), std::out_of_range);
}

TEST_F(FormsFromParses, CopyIntoASharedRecordLeavesTheSourceAlone) {
  const std::u16string text = u"One walks.\n\nTwo walked.";
  TParsingText shared = Parse(text);
  const int32_t start = parser.ParsingText().Word(0).Start;
  CopyParsingParagraphs(shared, 1, 1, shared);
  EXPECT_EQ(shared.ParagraphCount, 1);
  EXPECT_EQ(parser.ParsingText().ParagraphCount, 2);
  EXPECT_EQ(parser.ParsingText().Word(0).Start, start);
  EXPECT_EQ(shared.Word(0).Start, 0);
}

// ---------------------------------------------------------------------------
// The word-form stream

TEST(WordFormStream, RoundTripAddsToWhatIsStored) {
  TStorageFormsWords store;
  store.SetForm(5, 2, false);
  store.SetForm(2000003, 1, false);
  store.SetForm(9, 0, false);
  TMemoryStream stream;
  ASSERT_EQ(store.SaveToStream(stream), 0);
  TStorageFormsWords other;
  other.SetForm(5, 4, false);
  other.SetForm(11, 3, false);
  stream.SetPosition(0);
  ASSERT_EQ(other.LoadFromStream(stream), 0);
  EXPECT_EQ(other.Count(), 4);
  EXPECT_EQ(other.GetForm(5), 2);  // written over
  EXPECT_EQ(other.GetForm(2000003), 1);
  EXPECT_EQ(other.GetForm(9), 0);
  EXPECT_EQ(other.GetForm(11), 3);
  // An empty store round-trips too, and an empty stream reads as nothing.
  TStorageFormsWords empty;
  TMemoryStream nothing;
  ASSERT_EQ(empty.SaveToStream(nothing), 0);
  nothing.SetPosition(0);
  EXPECT_EQ(other.LoadFromStream(nothing), 0);
  TMemoryStream blank;
  EXPECT_EQ(other.LoadFromStream(blank), 0);
  EXPECT_EQ(other.Count(), 4);
}

// A word-form stream typed from the format's table: three pairs (word 5
// form 2, phrase 2000001 form 0, word 17 form 3) in the order they were
// stored. The reader does not check tag numbers: the same pairs under tags 7
// and 130 read alike.
TEST(WordFormStream, GoldenStreamReadsAndIsWrittenByteForByte) {
  const std::string golden = test::HexBytes(
      // tag 1: pair count 3
      "02 04  03 00 00 00"
      // tag 0x4000 (24 bytes): {word identifier, form} pairs
      "01 80 18 00 00 00  05 00 00 00 02 00 00 00  81 84 1E 00 00 00 00 00  11 00 00 00 03 00 00 00");
  const std::string otherTags = test::HexBytes(
      "0E 04  03 00 00 00"
      "05 01 18 00  05 00 00 00 02 00 00 00  81 84 1E 00 00 00 00 00  11 00 00 00 03 00 00 00");
  const std::pair<int32_t, int32_t> pairs[] = {{5, 2}, {2000001, 0}, {17, 3}};
  TStorageFormsWords written;
  for (const auto& [word, form] : pairs) written.SetForm(word, form, true);
  TMemoryStream out;
  ASSERT_EQ(written.SaveToStream(out), 0);
  EXPECT_TRUE(test::StreamBytes(out) == golden)
      << "first difference at byte " << test::FirstDifference(test::StreamBytes(out), golden);
  for (const std::string* image : {&golden, &otherTags}) {
    TStorageFormsWords read;
    read.SetForm(17, 9, true);
    TMemoryStream in(reinterpret_cast<const uint8_t*>(image->data()), image->size());
    ASSERT_EQ(read.LoadFromStream(in), 0);
    EXPECT_EQ(read.Count(), 3);
    for (const auto& [word, form] : pairs) EXPECT_EQ(read.GetForm(word), form) << word;
  }
}

TEST(WordFormStream, CorruptCountsFailWithNothingStored) {
  // Tag numbers are not checked: any two tags will do.
  auto stream = [](int32_t count, int32_t pairs, int32_t countTag = 5, int32_t pairsTag = 200) {
    TMemoryStream bytes;
    TTagStream out(&bytes);
    out.WriteTag(countTag, &count, 4);
    out.BeginTag(pairsTag);
    for (int32_t i = 0; i < pairs; ++i) {
      out.WriteInteger(100 + i);
      out.WriteInteger(i);
    }
    out.EndTag();
    bytes.SetPosition(0);
    return bytes;
  };
  {
    TStorageFormsWords store;
    TMemoryStream good = stream(3, 3);
    EXPECT_EQ(store.LoadFromStream(good), 0);
    EXPECT_EQ(store.GetForm(102), 2);
  }
  for (int32_t count : {4, -1, 2147483647, 536870912}) {
    TStorageFormsWords store;
    TMemoryStream bad = stream(count, 3);
    EXPECT_EQ(store.LoadFromStream(bad), -1) << count;
    EXPECT_EQ(store.Count(), 0) << count;
  }
  {
    // A count without its pairs, and a stray byte in place of the pairs tag.
    TStorageFormsWords store;
    TMemoryStream bytes;
    TTagStream out(&bytes);
    const int32_t count = 2;
    out.WriteTag(1, &count, 4);
    bytes.SetPosition(0);
    EXPECT_EQ(store.LoadFromStream(bytes), -1);
    bytes.SetPosition(bytes.Size());
    const uint8_t stray = 0;
    bytes.Write(&stray, 1);
    bytes.SetPosition(0);
    EXPECT_EQ(store.LoadFromStream(bytes), -1);
    EXPECT_EQ(store.Count(), 0);
  }
}

}  // namespace
}  // namespace kestrune
