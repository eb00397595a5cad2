// The readings the parser chooses over the shipped dictionaries, loaded as the
// program loads them: the five word dictionaries in file-name order into one
// phrase dictionary, every stop-word list marked, a parser with the main
// window's settings. A query's words take the readings that the documents'
// sentences give the same tokens, both forms of a noun reach one word unless
// the word lists keep them apart, proper names carry their mark, and stop
// words leave alone the content words they are a stray form of.
//
// The files are looked for in KESTRUNE_DICTIONARIES (environment) or the
// build's data folder; a sanitizer build skips these tests without them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/base.h"
#include "language/morphology_engine_full.h"
#include "language/phrase_word_dictionary.h"
#include "language/stop_list.h"
#include "language/text_parsing.h"
#include "platform/text.h"
#include "tests/support/noun_pairs.h"
#include "tests/support/shipped_folder.h"

namespace kestrune {
namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

using test::ShippedFolder;

// A part of the network's feed: one line ended as every part is.
std::u16string FeedPart(std::u16string_view text) { return std::u16string(text) + u". \r\n\r\n"; }

struct TReading {
  int32_t WordId = -1;
  int32_t Form = -1;
  bool operator==(const TReading&) const = default;
};

class ShippedParsing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string folder = ShippedFolder();
    const char* const names[] = {"english", "french", "german", "italian", "russian"};
    for (const char* name : names) {
      if (!std::ifstream(folder + "/" + name + ".dws").good()) return;
    }
    engine_ = std::make_unique<TIMorphologyEngineFull>();
    dict_ = std::make_unique<TPhraseWordDictionary>();
    dict_->SetMorphologyEngine(engine_.get());
    for (const char* name : names) {
      if (dict_->LoadFromFile(Utf8ToUtf16(folder + "/" + name + ".dws")) != 0) return TearDownTestSuite();
    }
    for (const char* name : names) MarkStopList(*dict_, Utf8ToUtf16(folder + "/stop_" + name + ".txt"));
    parser_ = std::make_unique<TITextParsing>();
    parser_->SetAllWords(true);
    parser_->SetDeleteWordWithNumber(true);
    parser_->SetParallelWorking(true);
    parser_->SetPunctuation(true);
    parser_->ProcessedParts().SetInvariant(true);
    parser_->SetWordDictionary(dict_.get());
  }
  static void TearDownTestSuite() {
    parser_.reset();
    if (dict_) dict_->SetMorphologyEngine(nullptr);
    dict_.reset();
    engine_.reset();
  }
  void SetUp() override {
    if (!parser_) {
#if KESTRUNE_SHIPPED_REQUIRED
      FAIL() << "the built dictionaries are missing in " << ShippedFolder();
#else
      GTEST_SKIP() << "no built dictionaries in " << ShippedFolder() << " (the normal build makes them)";
#endif
    }
  }

  // Parses the document and the query as two parts of the feed; the readings
  // of the token in the document and in the query.
  static void ParseFeed(std::u16string_view document, std::u16string_view query, std::u16string_view token,
                        std::vector<TReading>& inDocument, std::vector<TReading>& inQuery) {
    const std::u16string text = FeedPart(document) + FeedPart(query);
    inDocument.clear();
    inQuery.clear();
    ASSERT_EQ(parser_->Parse(text), 0);
    const TParsingText& r = parser_->ParsingText();
    ASSERT_EQ(r.ParagraphCount, 2);
    const int32_t queryStart = r.Sentence(r.Paragraph(1).FirstSentence).FirstWord;
    for (int32_t w = 0; w < r.WordCount; ++w) {
      const TParsingWord& word = r.Word(w);
      const std::u16string_view span = std::u16string_view(text).substr(static_cast<size_t>(word.Start) - 1, word.Length);
      if (platform::WideLowerCase(span) != token) continue;
      (w < queryStart ? inDocument : inQuery).push_back({word.WordId, word.Form});
    }
  }
  static std::string Describe(const TReading& reading) {
    const TWDWord* word = dict_->GetWord(reading.WordId);
    if (word == nullptr) return "none";
    return Utf16ToUtf8(word->GetText()) + " [" + std::to_string(word->GetDictionaryID()) + "] /" +
           std::to_string(reading.Form);
  }
  // The word whose initial form is the text in the dictionary of a language.
  static TWDWord* HeadWord(std::u16string_view text, int32_t language) {
    TWordVariants list;
    TAffixIndexes scratch;
    const int32_t n = dict_->Search(text, list, 0, scratch);
    for (int32_t i = 0; i < n; ++i) {
      TWDWord* word = dict_->GetWord(list[static_cast<size_t>(i)].WordIndex);
      if (list[static_cast<size_t>(i)].Form == 0 && word->GetDictionaryID() == language) return word;
    }
    return nullptr;
  }

  static inline std::unique_ptr<TIMorphologyEngineFull> engine_;
  static inline std::unique_ptr<TPhraseWordDictionary> dict_;
  static inline std::unique_ptr<TITextParsing> parser_;
};

struct TTopic {
  const char* Name;
  const std::vector<test::TNounPair>* Pairs;
};

const TTopic kTopics[] = {{"English beekeeping", &test::EnglishBeekeepingPairs()},
                          {"English sailing", &test::EnglishSailingPairs()},
                          {"Russian beekeeping", &test::RussianBeekeepingPairs()},
                          {"Russian sailing", &test::RussianSailingPairs()}};

// Each form of each noun pair, typed alone and after its companion word
// below its topic's document, reads as in the document; so do French words
// spelt like English plurals below a French document.
TEST_F(ShippedParsing, QueryWordsReadAsTheDocumentsDo) {
  struct TRow {
    std::u16string Document;
    std::u16string Query;
    std::u16string Token;
    int32_t Language;
  };
  std::vector<TRow> rows;
  for (const TTopic& topic : kTopics) {
    const std::u16string document = test::DocumentText(*topic.Pairs);
    const int32_t language = topic.Name[0] == 'E' ? kLangEnglish : kLangRussian;
    for (const test::TNounPair& pair : *topic.Pairs) {
      for (std::u16string_view form : {pair.Singular, pair.Plural}) {
        rows.push_back({document, std::u16string(form), std::u16string(form), language});
        rows.push_back({document, std::u16string(pair.Companion) + u" " + std::u16string(form), std::u16string(form),
                        language});
      }
    }
  }
  const std::u16string french =
      u"Les mites mangent la laine des pulls en hiver. Les tables de la cuisine sont en bois. "
      u"Le capitaine consulte les tables des marées.";
  for (const char16_t* query : {u"mites", u"les mites", u"tables", u"des tables"}) {
    const std::u16string_view q(query);
    rows.push_back({french, std::u16string(q), std::u16string(q.substr(q.rfind(u' ') + 1)), kLangFrench});
  }
  std::vector<TReading> inDocument, inQuery;
  for (const TRow& row : rows) {
    ParseFeed(row.Document, row.Query, row.Token, inDocument, inQuery);
    ASSERT_FALSE(inDocument.empty()) << Utf16ToUtf8(row.Token);
    ASSERT_EQ(inQuery.size(), 1u) << Utf16ToUtf8(row.Query);
    for (const TReading& reading : inDocument) {
      EXPECT_EQ(Describe(inQuery[0]), Describe(reading)) << "query \"" << Utf16ToUtf8(row.Query) << "\"";
    }
    const TWDWord* word = dict_->GetWord(inQuery[0].WordId);
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->GetDictionaryID(), row.Language) << Utf16ToUtf8(row.Query) << ": " << Describe(inQuery[0]);
  }
}

// In the documents both forms of a noun read as one word (the plural a form
// of the singular's word), unless the pair says why the lists keep them apart.
TEST_F(ShippedParsing, BothFormsOfANounReachOneWord) {
  std::vector<TReading> singular, plural, query;
  for (const TTopic& topic : kTopics) {
    const std::u16string document = test::DocumentText(*topic.Pairs);
    for (const test::TNounPair& pair : *topic.Pairs) {
      ParseFeed(document, pair.Singular, pair.Singular, singular, query);
      ParseFeed(document, pair.Plural, pair.Plural, plural, query);
      ASSERT_FALSE(singular.empty() || plural.empty()) << Utf16ToUtf8(pair.Singular);
      const bool one = singular[0].WordId == plural[0].WordId;
      EXPECT_EQ(one, pair.Split.empty()) << topic.Name << ": " << Describe(singular[0]) << " and "
                                         << Describe(plural[0]) << (pair.Split.empty() ? "" : "; expected apart: ")
                                         << pair.Split;
      if (one) EXPECT_EQ(singular[0].Form, 0) << Describe(singular[0]);
    }
  }
}

// The lists mark the head words that their sources hold only with capitals,
// none in German (which writes every noun with one); the stop-word lists mark
// their words but not the content words of which a stop word is a stray form
// ("being" of "bee", "тем" of "тема").
TEST_F(ShippedParsing, ProperNamesAndStopWordsCarryTheirMarks) {
  const struct {
    const char16_t* text;
    int32_t language;
    bool properName;
  } names[] = {
      {u"queens", kLangEnglish, true}, {u"combs", kLangEnglish, true},  {u"flowers", kLangEnglish, true},
      {u"paris", kLangEnglish, true},  {u"queen", kLangEnglish, false}, {u"table", kLangEnglish, false},
      {u"table", kLangFrench, false},  {u"haus", kLangGerman, false},   {u"москва", kLangRussian, true},
      {u"пчела", kLangRussian, false},
  };
  for (const auto& row : names) {
    const TWDWord* word = HeadWord(row.text, row.language);
    ASSERT_NE(word, nullptr) << Utf16ToUtf8(row.text);
    EXPECT_EQ(word->IsProperName(), row.properName) << Utf16ToUtf8(row.text);
  }
  int32_t germanNames = 0;
  for (int32_t i = 0; i < dict_->Count(); ++i) {
    const TWDWord* word = dict_->GetWord(i);
    if (word->GetDictionaryID() == kLangGerman && word->IsProperName()) ++germanNames;
  }
  EXPECT_EQ(germanNames, 0);

  const struct {
    const char16_t* text;
    int32_t language;
    bool stop;
  } stops[] = {
      {u"being", kLangEnglish, true}, {u"be", kLangEnglish, true},  {u"the", kLangEnglish, true},
      {u"bee", kLangEnglish, false},  {u"doe", kLangEnglish, false}, {u"тем", kLangRussian, true},
      {u"быть", kLangRussian, true},  {u"тема", kLangRussian, false}, {u"мыть", kLangRussian, false},
      {u"пот", kLangRussian, false},
  };
  for (const auto& row : stops) {
    const TWDWord* word = HeadWord(row.text, row.language);
    ASSERT_NE(word, nullptr) << Utf16ToUtf8(row.text);
    EXPECT_EQ((word->GetFlags() & TWDWord::kFlagMark) != 0, row.stop) << Utf16ToUtf8(row.text);
  }
}

}  // namespace
}  // namespace kestrune
