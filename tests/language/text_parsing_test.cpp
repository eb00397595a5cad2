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

}  // namespace
}  // namespace kestrune
