#include "language/text_parsing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base.h"
#include "language/parsing_text.h"
#include "language/word_dictionary.h"
#include "platform/text.h"
#include "tests/language/fake_morphology_engine.h"

namespace kestrune {
namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

// The division of a parse as text: paragraphs in "P{...}", sentences in
// "S{...}", words (their spans in the parsed text) separated by "|".
std::string Division(const TITextParsing& parser, std::u16string_view text) {
  const TParsingText& r = parser.ParsingText();
  std::string out;
  for (int32_t p = 0; p < r.ParagraphCount; ++p) {
    const TParsingParagraph& paragraph = r.Paragraph(p);
    out += "P{";
    for (int32_t s = 0; s < paragraph.SentenceCount; ++s) {
      const TParsingSentence& sentence = r.Sentence(paragraph.FirstSentence + s);
      out += "S{";
      for (int32_t w = 0; w < sentence.WordCount; ++w) {
        const TParsingWord& word = r.Word(sentence.FirstWord + w);
        if (w > 0) out += "|";
        out += Utf16ToUtf8(text.substr(static_cast<size_t>(word.Start) - 1, word.Length));
      }
      out += "}";
    }
    out += "}";
  }
  return out;
}

// The sentences as the spans of the parsed text they cover.
std::vector<std::string> SentenceSpans(const TITextParsing& parser, std::u16string_view text) {
  const TParsingText& r = parser.ParsingText();
  std::vector<std::string> out;
  for (int32_t s = 0; s < r.SentenceCount; ++s) {
    const TParsingSentence& sentence = r.Sentence(s);
    out.push_back(Utf16ToUtf8(text.substr(static_cast<size_t>(sentence.Start) - 1, static_cast<size_t>(sentence.Length))));
  }
  return out;
}

class TextParsingTest : public ::testing::Test {
 protected:
  void SetUp() override { parser.SetWordDictionary(&dictionary); }

  std::string Parse(const std::string& utf8) {
    text = Utf8ToUtf16(utf8);
    EXPECT_EQ(parser.Parse(text), 0);
    return Division(parser, text);
  }
  const TParsingWord& Word(int32_t i) { return parser.ParsingText().Word(i); }
  std::u16string WordText(int32_t i) {
    const TParsingWord& word = Word(i);
    TWDWord* record = dictionary.GetWord(word.WordId);
    return record != nullptr ? record->GetText() : u"";
  }

  TIWordDictionary dictionary;
  TITextParsing parser;
  std::u16string text;
};

// ---------------------------------------------------------------------------
// The component

TEST_F(TextParsingTest, Defaults) {
  TITextParsing fresh;
  EXPECT_FALSE(fresh.ianwWord());
  EXPECT_FALSE(fresh.AllWords());
  EXPECT_FALSE(fresh.DeleteLastNumeral());
  EXPECT_FALSE(fresh.DeleteWordWithNumber());
  EXPECT_TRUE(fresh.IgnoreStopWord());
  EXPECT_FALSE(fresh.ProcessNewWords());
  EXPECT_EQ(fresh.MinimumWord(), 2);
  EXPECT_FALSE(fresh.NumeralMacro());
  EXPECT_FALSE(fresh.ParallelWorking());
  EXPECT_FALSE(fresh.UseHash());
  EXPECT_EQ(fresh.ProcessedParts().Value(), 75u);
  EXPECT_TRUE(fresh.ProcessedParts().Undefined());
  EXPECT_TRUE(fresh.ProcessedParts().Verb());
  EXPECT_TRUE(fresh.ProcessedParts().Noun());
  EXPECT_TRUE(fresh.ProcessedParts().Adjective());
  EXPECT_FALSE(fresh.ProcessedParts().Pronoun());
  EXPECT_FALSE(fresh.RecognizeFormula());
  EXPECT_FALSE(fresh.RecognizePathes());
  EXPECT_EQ(fresh.WordDictionary(), nullptr);
  EXPECT_FALSE(fresh.UseABBYY());
  EXPECT_FALSE(fresh.Punctuation());
  EXPECT_EQ(fresh.Syntax(), nullptr);
}

TEST_F(TextParsingTest, ProcessedPartsCallsHandlerOnlyOnChange) {
  TPTProcessedParts parts;
  int calls = 0;
  parts.OnChange = [&](TPTProcessedParts&) { ++calls; };
  parts.SetVerb(true);  // already set
  parts.SetNoun(true);
  EXPECT_EQ(calls, 0);
  parts.SetAfterSyllable(true);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(parts.Value(), 75u | (1u << 16));
  parts.SetUndefined(false);
  EXPECT_EQ(calls, 2);
  parts.SetValue(parts.Value());
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(parts.Contains(32));
  EXPECT_FALSE(parts.Contains(255));
}

TEST_F(TextParsingTest, EmptyTextOrNoDictionaryFails) {
  Parse("one two");
  ASSERT_GT(parser.ParsingText().WordCount, 0);
  EXPECT_EQ(parser.Parse(u""), -1);
  const TParsingText& r = parser.ParsingText();
  EXPECT_EQ(r.WordCount, 0);
  EXPECT_EQ(r.SentenceCount, 0);
  EXPECT_EQ(r.ParagraphCount, 0);
  EXPECT_EQ(r.VariantCount, 0);
  TITextParsing lonely;
  EXPECT_EQ(lonely.Parse(u"text"), -1);
  EXPECT_EQ(lonely.ParsingText().WordCount, 0);
}

TEST_F(TextParsingTest, BlanksAndBreaksOnlyGiveNothing) {
  for (const char* blank : {" ", "\n", "\r\n\r\n", " \t\n \xC2\xA0\r", "\n\n\n   "}) {
    EXPECT_EQ(Parse(blank), "") << blank;
    EXPECT_EQ(parser.ParsingText().ParagraphCount, 0);
    EXPECT_EQ(parser.ParsingText().SentenceCount, 0);
    EXPECT_EQ(parser.ParsingText().WordCount, 0);
  }
}

// ---------------------------------------------------------------------------
// Lines, paragraphs and sentences

TEST_F(TextParsingTest, DivisionOfTrickyTexts) {
  struct Case {
    const char* text;
    const char* division;
  };
  const Case cases[] = {
      // Blank lines part paragraphs; the three kinds of line break.
      {"One here.\n\nTwo there.", "P{S{One|here}}P{S{Two|there}}"},
      {"One here.\r\n\r\nTwo there.", "P{S{One|here}}P{S{Two|there}}"},
      {"One here.\r\rTwo there.", "P{S{One|here}}P{S{Two|there}}"},
      {"one\n\ntwo", "P{S{one}}P{S{two}}"},
      {"one\r\rtwo", "P{S{one}}P{S{two}}"},
      {"one\r\n\r\ntwo", "P{S{one}}P{S{two}}"},
      {"one\r\ntwo", "P{S{one|two}}"},
      {"one\n\rtwo", "P{S{one|two}}"},
      // Lines without a terminator join into one paragraph and one sentence.
      {"first line\nsecond line\r\nthird line", "P{S{first|line|second|line|third|line}}"},
      // Without blank lines L = H = 0: a line after a terminated line starts a
      // paragraph when it is indented, and two terminated lines part always.
      {"It ends.\n  indented goes on", "P{S{It|ends}}P{S{indented|goes|on}}"},
      {"It ends.\nnot indented", "P{S{It|ends|not|indented}}"},
      {"It ends.\nAgain ends.", "P{S{It|ends}}P{S{Again|ends}}"},
      // A dash at the start of an indented line (a dialogue line).
      {"words here\n - and a reply", "P{S{words|here}}P{S{and|reply}}"},
      {"words here:\n - item", "P{S{words|here|item}}"},
      // Sentences: capitals end them, lower case, digits and commas do not.
      {"Go home. Then rest.", "P{S{Go|home}S{Then|rest}}"},
      {"Go home. then rest.", "P{S{Go|home|then|rest}}"},
      {"Pay 3. 5 more.", "P{S{Pay|more}}"},
      {"Done. , and more", "P{S{Done|and|more}}"},
      // Initials and abbreviations.
      {"Met J. Smith today.", "P{S{Met|Smith|today}}"},
      {"Page 7. Next one.", "P{S{Page}S{Next|one}}"},
      {"See e.g. the list.", "P{S{See|the|list}}"},
      {"Use e.g. Paris.", "P{S{Use}S{Paris}}"},
      {"Value 3.14 is pi. Yes.", "P{S{Value|is|pi}S{Yes}}"},
      // Runs of terminators end a sentence at their last character.
      {"Really?! Yes.", "P{S{Really}S{Yes}}"},
      {"Wait... Then go.", "P{S{Wait}S{Then|go}}"},
      {"Wait.. Then go.", "P{S{Wait}S{Then|go}}"},
      // A dash after the terminator: lower case goes on, a capital ends.
      {"He left. - and came back", "P{S{He|left|and|came|back}}"},
      {"He left. - Came back", "P{S{He|left}S{Came|back}}"},
      // Quotes are separators.
      {"\xC2\xAB" "Quoted words" "\xC2\xBB" " and \"more\" here", "P{S{Quoted|words|and|more|here}}"},
      // Cyrillic and Latin mixed.
      {"Привет мир. Hello world. Ещё раз.", "P{S{Привет|мир}S{Hello|world}S{Ещё|раз}}"},
      {"Он сказал. потом ушёл.", "P{S{Он|сказал|потом|ушёл}}"},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.text), c.division) << c.text;
}

TEST_F(TextParsingTest, IndentedParagraphsWithBlankLines) {
  // Eight lines with a blank line: L and H come from the indentation
  // histogram of the block; an indented line after a terminated line starts a
  // paragraph, a line at the common indentation goes on.
  const std::string text =
      "    First paragraph starts\n"
      "here and goes on.\n"
      "    Second one starts\n"
      "here too.\n"
      "\n"
      "    Third one\n"
      "ends here.\n"
      "    Fourth\n";
  EXPECT_EQ(Parse(text), "P{S{First|paragraph|starts|here|and|goes|on}}P{S{Second|one|starts|here|too}}"
                         "P{S{Third|one|ends|here}}P{S{Fourth}}");
  EXPECT_EQ(parser.LinesCount(), 8);
}

TEST_F(TextParsingTest, CommonIndentationDoesNotPartParagraphs) {
  // L = 2, H = 6: terminated lines at the common indentation go on, a line
  // indented further starts a paragraph.
  const std::string text =
      "      Para one starts.\n"
      "  goes on here.\n"
      "  and ends here.\n"
      "      Para two starts.\n"
      "  and ends.\n"
      "\n";
  EXPECT_EQ(Parse(text), "P{S{Para|one|starts|goes|on|here|and|ends|here}}P{S{Para|two|starts|and|ends}}");
}

TEST_F(TextParsingTest, HyphenatedLineEndsJoinWords) {
  EXPECT_EQ(Parse("a hyphen-\nated word"), "P{S{hyphen-\nated|word}}");
  const TParsingWord& joined = Word(0);
  EXPECT_EQ(joined.Start, 3);
  EXPECT_EQ(joined.Length, 12);
  EXPECT_TRUE(joined.Flags & TParsingWord::kSpan);
  EXPECT_FALSE(Word(1).Flags & TParsingWord::kSpan);
  EXPECT_EQ(WordText(0), u"hyphenated");
  // A dash after a blank stays a dash, followed by a blank.
  EXPECT_EQ(Parse("a word -\nanother"), "P{S{word|another}}");
  // A word that ends where its line was joined without a blank keeps its own
  // span.
  EXPECT_EQ(Parse("word-\n,next"), "P{S{word|next}}");
  EXPECT_EQ(Word(0).Length, 4);
  EXPECT_FALSE(Word(0).Flags & TParsingWord::kSpan);
  EXPECT_EQ(Word(1).Start, 8);
  // Across CR LF and an indented continuation.
  EXPECT_EQ(Parse("con-\r\n   tinued"), "P{S{con-\r\n   tinued}}");
  EXPECT_EQ(WordText(0), u"continued");
}

TEST_F(TextParsingTest, SentenceSpansCoverTheText) {
  const std::string utf8 = "First one. Second one!\nThird  line? End";
  Parse(utf8);
  EXPECT_EQ(SentenceSpans(parser, text),
            (std::vector<std::string>{"First one.", " Second one!", "\nThird  line?", " End"}));
}

TEST_F(TextParsingTest, WordPositionsAreOneBasedInTheParsedText) {
  Parse("  Alpha beta\n\n\tgamma");
  ASSERT_EQ(parser.ParsingText().WordCount, 3);
  EXPECT_EQ(Word(0).Start, 3);
  EXPECT_EQ(Word(0).Length, 5);
  EXPECT_EQ(Word(1).Start, 9);
  EXPECT_EQ(Word(2).Start, 16);
  EXPECT_EQ(Word(2).Length, 5);
  EXPECT_EQ(parser.ParsingText().Sentence(1).Start, 16);
}


// ---------------------------------------------------------------------------
// Tokens, flags and filters

TEST_F(TextParsingTest, PunctuationAndDigitTokens) {
  // Digits and punctuation alone are dropped...
  EXPECT_EQ(Parse("Call 555-0199, now"), "P{S{Call|now}}");
  // ...kept as numerals when numerals are processed...
  parser.ProcessedParts().SetNumeral(true);
  EXPECT_EQ(Parse("Call 555-0199, now"), "P{S{Call|555|0199|now}}");
  EXPECT_EQ(Word(1).Flags & TParsingWord::kNumeral, TParsingWord::kNumeral);
  parser.ProcessedParts().SetNumeral(false);
  // ...and every punctuation mark is a token of its own with Punctuation.
  parser.SetPunctuation(true);
  EXPECT_EQ(Parse("Yes, no; maybe."), "P{S{Yes|,|no|;|maybe|.}}");
  EXPECT_EQ(Word(1).Flags, TParsingWord::kLeftOut | TParsingWord::kSeparator);
  EXPECT_EQ(Word(0).Flags, TParsingWord::kCapital);
}

// A combining mark or a variation selector belongs to the character before
// it: after a letter it is part of the word, after a separator (an emoji of
// the extended range, a blank) or at the start it is no word of its own.
TEST_F(TextParsingTest, MarksBelongToTheCharacterBeforeThem) {
  const struct {
    const char* text;
    const char* plain;
    const char* punctuation;
  } cases[] = {
      {"sun \u2600\uFE0F rain", "P{S{sun|rain}}", "P{S{sun|\u2600\uFE0F|rain}}"},
      {"cafe\u0301 noir", "P{S{cafe\u0301|noir}}", "P{S{cafe\u0301|noir}}"},
      {"\u0301start here", "P{S{start|here}}", "P{S{start|here}}"},
      {"tea \uFE0F cup", "P{S{tea|cup}}", "P{S{tea|cup}}"},
      {"tea \U000E0100 cup", "P{S{tea|cup}}", "P{S{tea|cup}}"},
      // An enclosing mark of the extended separator range ends the word.
      {"ring\u20DD bell", "P{S{ring|bell}}", "P{S{ring|bell}}"},
      {"ab, \u0308cd", "P{S{ab|cd}}", "P{S{ab|,|cd}}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    parser.SetPunctuation(false);
    EXPECT_EQ(Parse(c.text), c.plain);
    parser.SetPunctuation(true);
    EXPECT_EQ(Parse(c.text), c.punctuation);
  }
  parser.SetPunctuation(false);
}

TEST_F(TextParsingTest, PathsAndAddresses) {
  struct Case {
    const char* text;
    const char* plain;
    const char* paths;
  };
  const Case cases[] = {
      {"see www.example.com now", "P{S{see|www|example|com|now}}", "P{S{see|www.example.com|now}}"},
      {"mail user@mail.ru now", "P{S{mail|user|mail|ru|now}}", "P{S{mail|user@mail.ru|now}}"},
      {"open C:\\dir\\file.txt now", "P{S{open|dir|file|txt|now}}", "P{S{open|C:\\dir\\file.txt|now}}"},
      {"get http://host.org/path/x.htm now", "P{S{get|http|host|org|path|htm|now}}",
       "P{S{get|http://host.org/path/x.htm|now}}"},
      {"run /usr/bin/tool now", "P{S{run|usr|bin|tool|now}}", "P{S{run|usr/bin/tool|now}}"},
      // A final point ends the sentence, not the address.
      {"Visit www.example.com. Next one", "P{S{Visit|www|example|com}S{Next|one}}",
       "P{S{Visit|www.example.com}S{Next|one}}"},
      // A single letter before a point stays apart (initials).
      {"by J. R. Tolkien", "P{S{by|Tolkien}}", "P{S{by|Tolkien}}"},
      {"by J.R. Tolkien", "P{S{by}S{Tolkien}}", "P{S{by}S{Tolkien}}"},
  };
  for (const Case& c : cases) {
    parser.SetRecognizePathes(false);
    EXPECT_EQ(Parse(c.text), c.plain) << c.text;
    parser.SetRecognizePathes(true);
    EXPECT_EQ(Parse(c.text), c.paths) << c.text;
  }
}

TEST_F(TextParsingTest, HyphenatedTokens) {
  dictionary.AddWord(u"well-known", 0, -1);
  // Known whole: one word; unknown: the two parts.
  EXPECT_EQ(Parse("a Well-Known fact"), "P{S{Well-Known|fact}}");
  EXPECT_EQ(WordText(0), u"well-known");
  EXPECT_EQ(Word(0).Flags, TParsingWord::kMixedCase);
  EXPECT_EQ(Parse("a half-baked idea"), "P{S{half|baked|idea}}");
  // With Punctuation the hyphen between the parts is a separator token.
  parser.SetPunctuation(true);
  EXPECT_EQ(Parse("half-baked"), "P{S{half|-|baked}}");
  EXPECT_EQ(Word(1).Flags, TParsingWord::kLeftOut | TParsingWord::kSeparator);
  // A leading, trailing or doubled dash is no hyphen.
  parser.SetPunctuation(false);
  EXPECT_EQ(Parse("-lead trail- dou--ble"), "P{S{lead|trail|dou|ble}}");
}

TEST_F(TextParsingTest, CaseFlags) {
  struct Case {
    const char* word;
    int16_t flags;
  };
  const Case cases[] = {
      {"NASA", TParsingWord::kUpperCase}, {"Paris", TParsingWord::kCapital}, {"iPhone", TParsingWord::kMixedCase},
      {"McDonald", TParsingWord::kMixedCase}, {"plain", 0},       {"ЯНДЕКС", TParsingWord::kUpperCase},
      {"Москва", TParsingWord::kCapital},    {"ВКонтакте", TParsingWord::kMixedCase}, {"HTML5", TParsingWord::kMixedCase},
  };
  for (const Case& c : cases) {
    Parse(c.word);
    ASSERT_EQ(parser.ParsingText().WordCount, 1) << c.word;
    EXPECT_EQ(Word(0).Flags, c.flags) << c.word;
    // The dictionary gets the lower-cased text.
    EXPECT_EQ(WordText(0), platform::WideLowerCase(Utf8ToUtf16(c.word))) << c.word;
  }
}

TEST_F(TextParsingTest, NumeralsMacroAndTrailingDigits) {
  parser.ProcessedParts().SetNumeral(true);
  struct Case {
    const char* word;
    bool numeral;
  };
  // Hexadecimal digits count when the token starts with a digit.
  for (const Case& c : {Case{"2024", true}, Case{"1af", true}, Case{"0xff", false}, Case{"af1", false},
                        Case{"12th", false}}) {
    Parse(c.word);
    ASSERT_EQ(parser.ParsingText().WordCount, 1) << c.word;
    EXPECT_EQ((Word(0).Flags & TParsingWord::kNumeral) != 0, c.numeral) << c.word;
  }
  // Formula characters join a numeral only with RecognizeFormula.
  parser.SetRecognizeFormula(true);
  parser.SetRecognizePathes(true);
  Parse("x 10.25 y");
  EXPECT_EQ(Division(parser, text), "P{S{10.25}}");
  EXPECT_TRUE(Word(0).Flags & TParsingWord::kNumeral);
  parser.SetRecognizeFormula(false);
  parser.SetRecognizePathes(false);

  parser.SetNumeralMacro(true);
  Parse("in 1999 and 2024");
  ASSERT_EQ(parser.ParsingText().WordCount, 4);
  EXPECT_EQ(WordText(1), TITextParsing::kNumeralMacroText);
  EXPECT_EQ(Word(1).WordId, Word(3).WordId);
  EXPECT_EQ(Word(1).Length, 4);
  EXPECT_FALSE(Word(1).Flags & TParsingWord::kSpan);
  parser.SetNumeralMacro(false);

  parser.SetDeleteLastNumeral(true);
  Parse("route66 abc 7up");
  ASSERT_EQ(parser.ParsingText().WordCount, 3);
  EXPECT_EQ(WordText(0), u"route");
  EXPECT_EQ(Word(0).Length, 5);
  EXPECT_EQ(WordText(2), u"7up");
}

TEST_F(TextParsingTest, WordsWithDigits) {
  parser.SetDeleteWordWithNumber(true);
  EXPECT_EQ(Parse("mp3 snake_case plain"), "P{S{plain}}");
  parser.SetAllWords(true);
  EXPECT_EQ(Parse("mp3 snake_case plain"), "P{S{mp3|snake_case|plain}}");
  EXPECT_EQ(Word(0).Flags, TParsingWord::kLeftOut);
  EXPECT_EQ(Word(1).Flags, TParsingWord::kLeftOut);
  EXPECT_EQ(Word(2).Flags, 0);
}

TEST_F(TextParsingTest, StopWordsPartsOfSpeechAndLength) {
  // Known words only (UseHash): the readings are the dictionary's own words.
  parser.SetUseHash(true);
  dictionary.MarkWord(u"the");
  dictionary.AddWord(u"cat", TPTProcessedParts::kNoun, -1);
  dictionary.AddWord(u"and", TPTProcessedParts::kConjunction, -1);
  const int32_t pronoun = dictionary.AddWord(u"she", TPTProcessedParts::kPronoun, -1);
  // Stop words and unprocessed parts of speech are dropped.
  EXPECT_EQ(Parse("the cat and she"), "P{S{cat}}");
  parser.SetIgnoreStopWord(false);
  EXPECT_EQ(Parse("the cat and she"), "P{S{the|cat}}");
  parser.SetIgnoreStopWord(true);
  // Through the change handler of the processed parts.
  parser.ProcessedParts().SetPronoun(true);
  EXPECT_EQ(Parse("the cat and she"), "P{S{cat|she}}");
  EXPECT_EQ(Word(1).WordId, pronoun);
  parser.ProcessedParts().SetPronoun(false);
  // AllWords keeps them, marked left out.
  parser.SetAllWords(true);
  EXPECT_EQ(Parse("the cat and she"), "P{S{the|cat|and|she}}");
  EXPECT_EQ(Word(0).Flags, TParsingWord::kLeftOut);
  EXPECT_EQ(Word(1).Flags, 0);
  EXPECT_EQ(Word(2).Flags, TParsingWord::kLeftOut);
  EXPECT_EQ(Word(3).Flags, TParsingWord::kLeftOut);
  parser.SetAllWords(false);

  // A one-letter word with one reading is too short whatever IgnoreStopWord
  // says; with several readings only when IgnoreStopWord is set.
  dictionary.AddWord(u"a", TPTProcessedParts::kNoun, -1);
  dictionary.AddWord(u"x", TPTProcessedParts::kNoun, -1);
  dictionary.AddWord(u"x", TPTProcessedParts::kVerb, -1);
  EXPECT_EQ(Parse("a"), "P{S{}}");
  EXPECT_EQ(parser.ParsingText().Sentence(0).Empty, 1);
  parser.SetIgnoreStopWord(false);
  EXPECT_EQ(Parse("a"), "P{S{}}");
  EXPECT_EQ(Parse("x"), "P{S{x}}");
  EXPECT_EQ(Word(0).VariantCount, 2);
  parser.SetIgnoreStopWord(true);
  EXPECT_EQ(Parse("x"), "P{S{}}");
  parser.SetMinimumWord(1);
  EXPECT_EQ(Parse("a x"), "P{S{a|x}}");
}

TEST_F(TextParsingTest, SeveralReadingsAndOne) {
  parser.SetUseHash(true);
  const int32_t noun = dictionary.AddWord(u"run", TPTProcessedParts::kNoun, -1);
  const int32_t verb = dictionary.AddWord(u"run", TPTProcessedParts::kVerb, -1);
  const int32_t only = dictionary.AddWord(u"cat", TPTProcessedParts::kNoun, -1);
  Parse("run cat");
  const TParsingText& r = parser.ParsingText();
  ASSERT_EQ(r.WordCount, 2);
  // Two readings, both initial forms: the first is chosen.
  EXPECT_EQ(Word(0).VariantCount, 2);
  EXPECT_EQ(r.Variant(Word(0).FirstVariant).WordIndex, noun);
  EXPECT_EQ(r.Variant(Word(0).FirstVariant + 1).WordIndex, verb);
  EXPECT_EQ(Word(0).WordId, noun);
  // One reading: no variant records, the word in WordId.
  EXPECT_EQ(Word(1).VariantCount, 0);
  EXPECT_EQ(Word(1).WordId, only);
  EXPECT_EQ(r.VariantCount, 2);
  // ianwWord replaces the readings by the surface word.
  parser.SetianwWord(true);
  Parse("run cat");
  EXPECT_EQ(Word(0).WordId, dictionary.AddWord(u"run", 0, -1));
  EXPECT_EQ(Word(0).VariantCount, 1);
  EXPECT_EQ(Word(1).WordId, dictionary.AddWord(u"cat", 0, -1));
  EXPECT_EQ(Word(1).VariantCount, 0);
}

TEST_F(TextParsingTest, AddingLookUpUsesTheStoredWords) {
  // Without lexemes, a look-up that may add still finds the stored words of
  // a text, whatever their part of speech: their filters apply and the
  // identifiers are theirs; only unknown texts are added.
  const int32_t noun = dictionary.AddWord(u"cat", TPTProcessedParts::kNoun, -1);
  dictionary.AddWord(u"she", TPTProcessedParts::kPronoun, -1);
  const int32_t stop = dictionary.AddWord(u"the", TPTProcessedParts::kNoun, -1);
  dictionary.MarkWord(u"the");
  EXPECT_TRUE(dictionary.GetWord(stop)->GetFlags() & TWDWord::kFlagMark);
  ASSERT_EQ(dictionary.Count(), 3);
  for (const bool useHash : {true, false}) {
    parser.SetUseHash(useHash);
    EXPECT_EQ(Parse("the cat she"), "P{S{cat}}") << useHash;
    EXPECT_EQ(Word(0).WordId, noun) << useHash;
    EXPECT_EQ(dictionary.Count(), 3) << useHash;
  }
  EXPECT_EQ(Parse("cat dog"), "P{S{cat|dog}}");
  EXPECT_EQ(Word(0).WordId, noun);
  EXPECT_EQ(Word(1).WordId, 3);
  EXPECT_EQ(dictionary.GetWord(3)->GetPartOfSpeech(), 0);
}

TEST_F(TextParsingTest, UnknownWordsAddedOrHashed) {
  parser.SetProcessNewWords(true);
  Parse("brand new words");
  EXPECT_EQ(dictionary.Count(), 3);
  EXPECT_EQ(parser.NewWordsCount(), 3);
  EXPECT_EQ(dictionary.GetWord(Word(0).WordId)->GetDictionaryID(), 0);
  // UseHash without ParallelWorking: unknown words give no record.
  parser.SetUseHash(true);
  EXPECT_EQ(Parse("brand unseen words"), "P{S{brand|words}}");
  EXPECT_EQ(dictionary.Count(), 3);
  EXPECT_EQ(parser.NewWordsCount(), 0);
  // With both: a record by the hash of the lower-cased text.
  parser.SetParallelWorking(true);
  EXPECT_EQ(Parse("brand Unseen words unseen"), "P{S{brand|Unseen|words|unseen}}");
  EXPECT_EQ(Word(1).Flags, TParsingWord::kHashed | TParsingWord::kCapital);
  EXPECT_EQ(Word(1).Form, -1);
  EXPECT_EQ(static_cast<uint32_t>(Word(1).WordId), WideTextHash(u"unseen"));
  EXPECT_EQ(Word(3).WordId, Word(1).WordId);
  EXPECT_EQ(parser.UnknownWordsCount(), 1);
  EXPECT_EQ(Word(0).WordId, dictionary.AddWord(u"brand", 0, -1));
  EXPECT_EQ(dictionary.Count(), 3);
}

TEST_F(TextParsingTest, LongTokenLengthIsClamped) {
  std::u16string longWord(70000, u'a');
  text = u"x " + longWord + u" y";
  ASSERT_EQ(parser.Parse(text), 0);
  ASSERT_EQ(parser.ParsingText().WordCount, 1);
  EXPECT_EQ(Word(0).Start, 3);
  EXPECT_EQ(Word(0).Length, 65535);
  EXPECT_TRUE(Word(0).Flags & TParsingWord::kSpan);
}

TEST_F(TextParsingTest, ControlCharactersAreSkipped) {
  EXPECT_EQ(Parse("one\x01two \x1Fthree\x0B"), "P{S{one|two|three}}");
}

// ---------------------------------------------------------------------------
// Reading choice and languages

class TextParsingWeights : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    dictionary.SetMorphologyEngine(&engine);
    const int32_t verbs = engine.AddParadigm({{u"", u""}, {u"", u"s"}, {u"", u"ed"}}, TPTProcessedParts::kVerb);
    const int32_t nouns = engine.AddParadigm({{u"", u""}, {u"", u"s"}}, TPTProcessedParts::kNoun);
    dictionary.SetDictID(kLangEnglish);
    verb = dictionary.AddWord(u"walk", TPTProcessedParts::kVerb, verbs);
    dictionary.SetDictID(kLangRussian);
    noun = dictionary.AddWord(u"walk", TPTProcessedParts::kNoun, nouns);
    parser.SetWordDictionary(&dictionary);
    parser.SetParallelWorking(GetParam());
  }

  test::TFakeMorphologyEngine engine;
  TIWordDictionary dictionary;
  TITextParsing parser;
  int32_t verb = -1;
  int32_t noun = -1;
};

TEST_P(TextParsingWeights, WeightsByHand) {
  // "walk" reads as the verb (English, form 0) or the noun (Russian, form
  // 0); "walks" as the verb or the noun in form 1.
  //   Languages counted while cutting: English 3, Russian 3 of 6, so both
  //   weigh 3 * 2048 / 6 = 1024; on equal counts the later language (Russian)
  //   dominates the text and, with a ratio below 2, every sentence.
  //   walk:  verb 2056 + 1024 = 3080, noun 2056 * 2 = 4112
  //   walks: verb 2048 + 1024 = 3072, noun 2048 * 2 = 4096
  //   ParallelWorking adds 1 to every reading that is no stop word.
  //   Counters: each of the three words adds 11 to both candidates: 33,
  //   half of the largest 16; weight * 33 / 16, halves to even:
  //   walk:  3080 -> 6352.5 -> 6352 (3081 -> 6354.56 -> 6355)
  //          4112 -> 8481           (4113 -> 8483.06 -> 8483)
  //   walks: 3072 -> 6336           (3073 -> 6338.06 -> 6338)
  //          4096 -> 8448           (4097 -> 8450.06 -> 8450)
  //   walk takes the initial form of the sentence's language (Russian, the
  //   text's dominant language standing for the sentence's): the noun;
  //   walks has no initial form and takes the heavier noun.
  const bool parallel = GetParam();
  const std::u16string text = u"walk walks walks";
  ASSERT_EQ(parser.Parse(text), 0);
  const TParsingText& r = parser.ParsingText();
  ASSERT_EQ(r.WordCount, 3);
  ASSERT_EQ(r.VariantCount, 6);
  auto weights = [&](int32_t w) {
    const TParsingWord& word = r.Word(w);
    std::vector<int32_t> out;
    for (int32_t v = 0; v < word.VariantCount; ++v) {
      const TWordVariant& variant = r.Variant(word.FirstVariant + v);
      out.push_back(variant.WordIndex);
      out.push_back(variant.Form);
      out.push_back(variant.Weight);
    }
    return out;
  };
  EXPECT_EQ(weights(0), (std::vector<int32_t>{verb, 0, parallel ? 6355 : 6352, noun, 0, parallel ? 8483 : 8481}));
  EXPECT_EQ(weights(1), (std::vector<int32_t>{verb, 1, parallel ? 6338 : 6336, noun, 1, parallel ? 8450 : 8448}));
  EXPECT_EQ(r.Word(0).WordId, noun);
  EXPECT_EQ(r.Word(0).Form, 0);
  EXPECT_EQ(r.Word(1).WordId, noun);
  EXPECT_EQ(r.Word(1).Form, 1);
  EXPECT_EQ(r.Word(2).WordId, noun);

  // Statistics of the chosen readings: Russian 3.
  EXPECT_EQ(parser.CountedWords(), 3);
  EXPECT_EQ(parser.DistinctWords(), 1);
  EXPECT_EQ(parser.SentencesCount(), 1);
  EXPECT_EQ(parser.ParagraphsCount(), 1);
  EXPECT_EQ(parser.DominantLanguage(), kLangRussian);
  ASSERT_EQ(parser.LanguagesCount(), 1);
  EXPECT_EQ(parser.Languages()[0].ID, kLangRussian);
  EXPECT_FLOAT_EQ(parser.Languages()[0].Percent, 100.0f);
  // The dictionary's weight fields are the counters only without
  // ParallelWorking; the statistics reset the chosen word's to 0, the verb
  // left over keeps its count.
  EXPECT_EQ(dictionary.GetWord(verb)->GetWeight(), GetParam() ? 0 : 33);
  EXPECT_EQ(dictionary.GetWord(noun)->GetWeight(), 0);
}

TEST_P(TextParsingWeights, ParallelWorkingLeavesWeightsAlone) {
  dictionary.GetWord(verb)->SetWeight(777);
  dictionary.GetWord(noun)->SetWeight(777);
  ASSERT_EQ(parser.Parse(u"walks"), 0);
  ASSERT_EQ(parser.ParsingText().Word(0).WordId, noun);
  // Without ParallelWorking the counters are the words' weights: the
  // candidate left over keeps its count, the chosen word is reset by the
  // statistics.
  EXPECT_EQ(dictionary.GetWord(verb)->GetWeight(), GetParam() ? 777 : 11);
  EXPECT_EQ(dictionary.GetWord(noun)->GetWeight(), GetParam() ? 777 : 0);
}

TEST_P(TextParsingWeights, StopMarkedReadingsAreChosenLast) {
  // The verb reading is a stop word: "walk" takes the noun's initial form.
  dictionary.GetWord(verb)->SetFlags(TWDWord::kFlagMark);
  parser.SetIgnoreStopWord(false);
  ASSERT_EQ(parser.Parse(u"walk"), 0);
  EXPECT_EQ(parser.ParsingText().Word(0).WordId, noun);
  // All readings stop words: every one is eligible again, and the initial
  // form of the text's dominant language comes first (Russian, the later of
  // two equal counts).
  dictionary.GetWord(noun)->SetFlags(TWDWord::kFlagMark);
  ASSERT_EQ(parser.Parse(u"walk"), 0);
  EXPECT_EQ(parser.ParsingText().Word(0).WordId, noun);
}

TEST_P(TextParsingWeights, LanguageZeroOnly) {
  // Words the parse adds have language 0: no language weighs anything and
  // the statistics show language 0 alone.
  ASSERT_EQ(parser.Parse(u"alpha beta alpha, gamma!"), 0);
  EXPECT_EQ(parser.CountedWords(), 4);
  EXPECT_EQ(parser.DistinctWords(), 3);
  ASSERT_EQ(parser.LanguagesCount(), 1);
  EXPECT_EQ(parser.Languages()[0].ID, 0);
  EXPECT_FLOAT_EQ(parser.Languages()[0].Percent, 100.0f);
  EXPECT_EQ(parser.DominantLanguage(), 0);
}

TEST_P(TextParsingWeights, BothModesGiveTheSameResult) {
  const std::u16string text = u"Walks walk. New words walked in; walks again!\n\nSecond paragraph walks.";
  ASSERT_EQ(parser.Parse(text), 0);
  const std::string division = Division(parser, text);
  std::vector<int32_t> ids;
  for (int32_t w = 0; w < parser.ParsingText().WordCount; ++w) {
    ids.push_back(parser.ParsingText().Word(w).WordId);
    ids.push_back(parser.ParsingText().Word(w).Form);
  }
  TITextParsing other;
  other.SetWordDictionary(&dictionary);
  other.SetParallelWorking(!GetParam());
  ASSERT_EQ(other.Parse(text), 0);
  EXPECT_EQ(Division(other, text), division);
  std::vector<int32_t> otherIds;
  for (int32_t w = 0; w < other.ParsingText().WordCount; ++w) {
    otherIds.push_back(other.ParsingText().Word(w).WordId);
    otherIds.push_back(other.ParsingText().Word(w).Form);
  }
  EXPECT_EQ(otherIds, ids);
}

INSTANTIATE_TEST_SUITE_P(ParallelWorking, TextParsingWeights, ::testing::Bool());

TEST(TextParsingLanguages, DominantLanguageRule) {
  // Counters are those of the last parse; parse texts whose words come
  // from dictionaries of given ids.
  TIWordDictionary dictionary;
  dictionary.SetDictID(kLangGerman);
  dictionary.AddWord(u"haus", 0, -1);
  dictionary.SetDictID(kLangFrench);
  dictionary.AddWord(u"maison", 0, -1);
  TITextParsing parser;
  parser.SetWordDictionary(&dictionary);
  ASSERT_EQ(parser.Parse(u"haus maison haus maison"), 0);
  // Equal counts: the later language; equal percents keep their order.
  EXPECT_EQ(parser.DominantLanguage(), kLangFrench);
  ASSERT_EQ(parser.LanguagesCount(), 2);
  EXPECT_EQ(parser.Languages()[0].ID, kLangGerman);
  EXPECT_EQ(parser.Languages()[1].ID, kLangFrench);
  ASSERT_EQ(parser.Parse(u"maison haus haus"), 0);
  EXPECT_EQ(parser.DominantLanguage(), kLangGerman);
  EXPECT_EQ(parser.Languages()[0].ID, kLangGerman);
}

}  // namespace
}  // namespace kestrune
