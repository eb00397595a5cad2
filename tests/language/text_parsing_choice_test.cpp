// The choice among the readings of a word over small dictionaries of several
// languages: a short query sentence after a document takes the reading the
// document's sentences give the same token; the initial form of the
// sentence's language comes before another language's; a proper-name head
// word gives way to a common word of its dictionary when the token is not
// capitalised, and then leaves the token to that word's language; a query
// asked of a text gives it no vote and reads as most of its tokens of the
// same text. Both counter modes (ParallelWorking off and on).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base.h"
#include "language/text_parsing.h"
#include "language/word_dictionary.h"
#include "platform/text.h"
#include "tests/language/fake_morphology_engine.h"

namespace kestrune {
namespace {

using platform::Utf16ToUtf8;

class TextParsingChoice : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    dictionary.SetMorphologyEngine(&engine);
    // Each language its own lexemes, as each dictionary file brings its own
    // (AddWord would find the English "mite" for the French one).
    const int32_t nouns = engine.AddParadigm({{u"", u""}, {u"", u"s"}}, TPTProcessedParts::kNoun);
    const int32_t frenchNouns = engine.AddParadigm({{u"", u""}, {u"", u"s"}}, TPTProcessedParts::kNoun);
    const int32_t verbs = engine.AddParadigm({{u"", u""}, {u"", u"s"}}, TPTProcessedParts::kVerb);
    // Words whose second form takes a prefix ("default" of "fault").
    const int32_t prefixed = engine.AddParadigm({{u"", u""}, {u"de", u""}, {u"in", u""}}, TPTProcessedParts::kNoun);
    // French verbs in -er whose form in -es reads like an English plural.
    const int32_t erVerbs = engine.AddParadigm({{u"", u"er"}, {u"", u"es"}}, TPTProcessedParts::kVerb);
    // The Italian "frame" comes first in its chain.
    dictionary.SetDictID(kLangItalian);
    for (const char16_t* text : {u"frame", u"il", u"bello", u"molto", u"default"}) dictionary.AddWord(text, 0, -1);
    // Another part of speech than the French "la", or AddWord would find that.
    dictionary.AddWord(u"la", TPTProcessedParts::kAdjective, -1);
    dictionary.SetDictID(kLangEnglish);
    for (const char16_t* text : {u"mite", u"bee", u"table", u"tide", u"frame", u"hive", u"queen", u"jar", u"field"}) {
      dictionary.AddWord(text, TPTProcessedParts::kNoun, nouns);
    }
    for (const char16_t* text : {u"live", u"hang", u"fight"}) dictionary.AddWord(text, TPTProcessedParts::kVerb, verbs);
    for (const char16_t* text : {u"fault", u"dependent"}) dictionary.AddWord(text, TPTProcessedParts::kNoun, prefixed);
    for (const char16_t* text : {u"the", u"on", u"young", u"old", u"we", u"saw"}) dictionary.AddWord(text, 0, -1);
    queens = dictionary.AddWord(u"queens", TPTProcessedParts::kNoun, -1);
    paris = dictionary.AddWord(u"paris", TPTProcessedParts::kNoun, -1);
    const int32_t fields = dictionary.AddWord(u"fields", TPTProcessedParts::kNoun, -1);
    const int32_t independent = dictionary.AddWord(u"independent", TPTProcessedParts::kNoun, -1);
    for (int32_t name : {queens, paris, fields, independent}) {
      dictionary.GetWord(name)->SetAttr1(TWDWord::kAttr1Default | TWDWord::kAttr1ProperName);
    }
    dictionary.SetDictID(kLangFrench);
    for (const char16_t* text : {u"mite", u"table", u"pari"}) {
      dictionary.AddWord(text, TPTProcessedParts::kNoun, frenchNouns);
    }
    for (const char16_t* text : {u"mit", u"tabl"}) dictionary.AddWord(text, TPTProcessedParts::kVerb, erVerbs);
    for (const char16_t* text : {u"les", u"sont", u"sur", u"la", u"laine", u"jars"}) dictionary.AddWord(text, 0, -1);
    dictionary.AddWord(u"queens", TPTProcessedParts::kAdjective, -1);
    dictionary.AddWord(u"fields", TPTProcessedParts::kAdjective, -1);
    parser.SetWordDictionary(&dictionary);
    parser.SetParallelWorking(GetParam());
  }

  // "text of form 0 [language] / form" of the readings chosen for the
  // token's occurrences (compared in lower case), in order, each with its
  // position in the text (from 0).
  std::vector<std::pair<size_t, std::string>> Readings(std::u16string_view text, std::u16string_view token) {
    std::vector<std::pair<size_t, std::string>> readings;
    const TParsingText& r = parser.ParsingText();
    for (int32_t w = 0; w < r.WordCount; ++w) {
      const TParsingWord& word = r.Word(w);
      const size_t at = static_cast<size_t>(word.Start) - 1;
      if (platform::WideLowerCase(text.substr(at, word.Length)) != token) continue;
      const TWDWord* chosen = dictionary.GetWord(word.WordId);
      readings.emplace_back(at, chosen == nullptr ? "none"
                                                  : Utf16ToUtf8(chosen->GetText()) + " [" +
                                                        std::to_string(chosen->GetDictionaryID()) + "] /" +
                                                        std::to_string(word.Form));
    }
    return readings;
  }
  // The reading of the n-th occurrence (from 0) of the token.
  std::string Reading(std::u16string_view text, std::u16string_view token, int32_t n) {
    const auto readings = Readings(text, token);
    return n < static_cast<int32_t>(readings.size()) ? readings[static_cast<size_t>(n)].second : "missing";
  }

  test::TFakeMorphologyEngine engine;
  TIWordDictionary dictionary;
  TITextParsing parser;
  int32_t queens = -1;
  int32_t paris = -1;
};

// A document paragraph, then a query paragraph, as the network's feed joins
// them: the query's token reads as the document's does.
TEST_P(TextParsingChoice, AShortQuerySentenceReadsAsTheDocument) {
  const struct {
    const char16_t* document;
    const char16_t* query;
    const char16_t* token;
    int32_t language;
  } rows[] = {
      {u"The mites live on the bees.", u"mites", u"mites", kLangEnglish},
      {u"The mites live on the bees.", u"bee mites", u"mites", kLangEnglish},
      {u"The tide tables live on the hive.", u"tables", u"tables", kLangEnglish},
      {u"The tide tables live on the hive.", u"tide tables", u"tables", kLangEnglish},
      {u"Les mites sont sur la laine.", u"mites", u"mites", kLangFrench},
      {u"Les mites sont sur la laine.", u"les mites", u"mites", kLangFrench},
      {u"Les tables sont sur la laine.", u"tables", u"tables", kLangFrench},
  };
  for (const auto& row : rows) {
    const std::u16string text = std::u16string(row.document) + u". \r\n\r\n" + row.query + u". \r\n\r\n";
    ASSERT_EQ(parser.Parse(text), 0);
    ASSERT_EQ(parser.ParsingText().ParagraphCount, 2);
    const std::string document = Reading(text, row.token, 0);
    EXPECT_NE(document.find("[" + std::to_string(row.language) + "]"), std::string::npos)
        << Utf16ToUtf8(text) << ": " << document;
    EXPECT_EQ(Reading(text, row.token, 1), document) << Utf16ToUtf8(text);
  }
}

// Several dictionaries give the token an initial form: the sentence's
// language first, else the text's dominant language; another language's
// initial form does not take a token that the sentence's language reads.
TEST_P(TextParsingChoice, TheInitialFormOfTheSentencesLanguageComesFirst) {
  const struct {
    const char16_t* text;
    const char16_t* token;
    int32_t occurrence;
    const char* reading;
  } rows[] = {
      {u"The frame hangs on the hive.", u"frame", 0, "frame [9] /0"},
      {u"Il frame bello.", u"frame", 0, "frame [16] /0"},
      // Only words of several readings vote: "la" is Italian and French.
      {u"Il frame la bello. The frame hangs on the hive.", u"frame", 0, "frame [16] /0"},
      {u"Il frame la bello. The frame hangs on the hive.", u"frame", 1, "frame [9] /0"},
      // A sentence of the one word: the text's language stands for it.
      {u"The frame hangs on the hive. Frame.", u"frame", 1, "frame [9] /0"},
      {u"Il frame molto bello. Frame.", u"frame", 1, "frame [16] /0"},
      // The French "jars" (a gander) is no English plural's initial form.
      {u"The jars hang on the hive.", u"jars", 0, "jar [9] /1"},
      {u"The young fields hang on the hive.", u"fields", 0, "field [9] /1"},
      // A form with a prefix of its own is no English reading of the token.
      {u"The default hangs on the hive.", u"default", 0, "default [16] /0"},
  };
  for (const auto& row : rows) {
    ASSERT_EQ(parser.Parse(row.text), 0);
    EXPECT_EQ(Reading(row.text, row.token, row.occurrence), row.reading)
        << Utf16ToUtf8(row.text) << " #" << row.occurrence;
  }
}

// A proper-name head word ("Queens") does not take a token in lower case
// from a common word of its dictionary; capitals inside a sentence let it. At
// a sentence's start (where a typed query's word stands) the capital tells
// nothing by itself: the token reads as the text writes it elsewhere. Without
// the mark the head word wins as any initial form does.
TEST_P(TextParsingChoice, AProperNameGivesWayToACommonWordInLowerCase) {
  const struct {
    const char16_t* text;
    const char16_t* token;
    int32_t occurrence;
    bool marked;
    const char* reading;
  } rows[] = {
      {u"The young queens fight.", u"queens", 0, true, "queen [9] /1"},
      {u"queens", u"queens", 0, true, "queen [9] /1"},
      {u"Queens fight.", u"queens", 0, true, "queen [9] /1"},
      {u"The young Queens fight.", u"queens", 0, true, "queens [9] /0"},
      {u"THE YOUNG QUEENS FIGHT.", u"queens", 0, true, "queens [9] /0"},
      // A sentence's first word, as the rest of the text writes it.
      {u"The young Queens fight. Queens.", u"queens", 1, true, "queens [9] /0"},
      {u"The young queens fight. Queens.", u"queens", 1, true, "queen [9] /1"},
      {u"The young queens fight. The old Queens fight. Queens.", u"queens", 2, true, "queen [9] /1"},
      {u"The young queens fight.", u"queens", 0, false, "queens [9] /0"},
      // No common word of its own dictionary: the name stays; nor does it
      // give way to a form with a prefix of its own.
      {u"We saw paris.", u"paris", 0, true, "paris [9] /0"},
      {u"We saw the independent.", u"independent", 0, true, "independent [9] /0"},
      // Set aside for the English plural, the name leaves the token to it,
      // not to another language's initial form (a French "queens"), in an
      // Italian text too, also where French weighs more than English.
      {u"Il queens molto bello il molto bello the hive.", u"queens", 0, true, "queen [9] /1"},
      {u"Il queens molto bello il molto bello les sont sur.", u"queens", 0, true, "queen [9] /1"},
  };
  for (const auto& row : rows) {
    const int16_t attr1 = row.marked ? TWDWord::kAttr1Default | TWDWord::kAttr1ProperName : TWDWord::kAttr1Default;
    dictionary.GetWord(queens)->SetAttr1(attr1);
    ASSERT_EQ(parser.Parse(row.text), 0);
    EXPECT_EQ(Reading(row.text, row.token, row.occurrence), row.reading)
        << Utf16ToUtf8(row.text) << " #" << row.occurrence << " marked " << row.marked;
  }
}

// A document paragraph and a query paragraph parsed with the query marked:
// the query gives the document no vote (on how it writes a name, on its
// languages), and its token reads as most of the document's tokens of its
// text, typed in either case; a text the document does not hold reads as in
// any parse. The query parsed alone by what the parse kept of the document
// reads as it did after the document.
TEST_P(TextParsingChoice, AQueryGivesTheTextNoVoteAndReadsAsItsTokens) {
  const struct {
    const char16_t* document;
    const char16_t* query;
    const char16_t* token;
    const char* inDocument;  // the token's first reading in the document
    const char* inQuery;
  } rows[] = {
      // The query's lower case is no writing of the document's.
      {u"Queens fight. The young Queens fight.", u"queens", u"queens", "queens [9] /0", "queens [9] /0"},
      {u"Queens fight. The young Queens fight.", u"Queens", u"queens", "queens [9] /0", "queens [9] /0"},
      {u"The young queens fight.", u"Queens", u"queens", "queen [9] /1", "queen [9] /1"},
      // Most of the tokens: two names against one plural, either case.
      {u"The young queens fight. The old Queens fight. We saw the young Queens.", u"queens", u"queens",
       "queen [9] /1", "queens [9] /0"},
      {u"The young queens fight. The old Queens fight. We saw the young Queens.", u"young Queens", u"queens",
       "queen [9] /1", "queens [9] /0"},
      // The document's reading against the query sentence's own language.
      {u"Il frame molto bello.", u"the frame the hive", u"frame", "frame [16] /0", "frame [16] /0"},
      // The query's English counts for no language of the Italian text.
      {u"Il frame molto bello. Frame.", u"the hive the bee the tide the table the queen", u"frame", "frame [16] /0",
       "missing"},
      // A text the document does not hold.
      {u"The mites live on the bees.", u"queens", u"queens", "missing", "queen [9] /1"},
      {u"The mites live on the bees.", u"young Queens", u"queens", "missing", "queens [9] /0"},
  };
  for (const auto& row : rows) {
    const std::u16string document = std::u16string(row.document) + u". \r\n\r\n";
    const std::u16string query = row.query + std::u16string(u". \r\n\r\n");
    const std::u16string text = document + query;
    TITextParsing::TTextReadings kept;
    ASSERT_EQ(parser.ParseWithQuery(text, document.size(), &kept), 0);
    ASSERT_EQ(parser.ParsingText().ParagraphCount, 2);
    std::string inDocument = "missing", inQuery = "missing";
    for (const auto& [at, reading] : Readings(text, row.token)) {
      std::string& first = at < document.size() ? inDocument : inQuery;
      if (first == "missing") first = reading;
    }
    EXPECT_EQ(inDocument, row.inDocument) << Utf16ToUtf8(text);
    EXPECT_EQ(inQuery, row.inQuery) << Utf16ToUtf8(text);
    // The query alone, by what the parse kept of the document, reads so too.
    ASSERT_EQ(parser.ParseQueryOf(kept, query), 0);
    EXPECT_EQ(Reading(query, row.token, 0), row.inQuery) << Utf16ToUtf8(text);
  }
  // Without a query mark the lower-case query votes: the document's first
  // "Queens" reads as the plural.
  const std::u16string text = u"Queens fight. The young Queens fight.. \r\n\r\nqueens. \r\n\r\n";
  ASSERT_EQ(parser.Parse(text), 0);
  EXPECT_EQ(Reading(text, u"queens", 0), "queen [9] /1");
}

INSTANTIATE_TEST_SUITE_P(ParallelWorking, TextParsingChoice, ::testing::Bool());

}  // namespace
}  // namespace kestrune
