// Highlighting, plain text and the tag and link read-outs of the HTML
// parser, with a real text parser over a small dictionary.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"
#include "platform/text.h"
#include "search/html_parser.h"

namespace kestrune {
namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

class HtmlHighlight : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char16_t* word : {u"find", u"the", u"query", u"here", u"alpha", u"beta", u"gamma", u"one", u"two",
                                 u"three", u"see", u"new", u"york", u"city", u"love"}) {
      dictionary.AddWord(word, 0, -1);
    }
    text.SetWordDictionary(&dictionary);
    // The result page builder's settings.
    html.SetWordColor(0xF0D9CD);
    html.SetLabelTag("");
    html.SetTextParsing(&text);
  }

  // Parses the fragment, parses its visible text, marks every word whose
  // text is one of `words` (any case) and highlights.
  std::string Highlight(const std::string& fragment, std::set<std::u16string> words) {
    html.Clear();
    html.ClearMarks();
    html.ClearPhraseMarks();
    html.ParseWide(Utf8ToUtf16(fragment));
    text.Clear();
    text.Parse(html.VisibleText);
    if (findPhrases) dictionary.FindPhrases(text.ParsingText());
    const TParsingText& parse = text.ParsingText();
    for (int32_t s = 0; s < parse.SentenceCount; ++s) {
      const TParsingSentence& sentence = parse.Sentence(s);
      for (int32_t w = 0; w < sentence.WordCount; ++w) {
        const TParsingWord& word = parse.Word(sentence.FirstWord + w);
        const std::u16string spelled = platform::WideLowerCase(
            std::u16string_view(html.VisibleText).substr(static_cast<size_t>(word.Start) - 1, word.Length));
        if (words.count(spelled)) html.AddMark(s, w, 0);
      }
    }
    std::u16string out;
    html.HighlightWords(out);
    return Utf16ToUtf8(out);
  }

  // The working open tag of the default template, as the builder's parser writes it.
  std::string Open() const {
    std::string open = html.ColorOpenTag();
    open.replace(open.find("$$SblClr$"), 9, "000000");
    open.replace(open.find("$$BGClr$"), 8, "CDD9F0");
    return open;
  }

  void ShortTemplates() {
    html.SetColorOpenTag("<s>");
    html.SetColorCloseTag("</s>");
    html.SetLabelTag("[L$$NmLbl$]");
    html.SetImageLeftTag("<-$$NmLbl$");
    html.SetImageRightTag("$$NmLbl$->");
    html.SetNobrOpen("{");
    html.SetNobrClose("}");
    html.SetHTMLLabel("w");
  }

  TPhraseWordDictionary dictionary;
  TITextParsing text;
  TIHTMLParser html;
  bool findPhrases = false;
};

TEST_F(HtmlHighlight, BuilderSettings) {
  const std::string open = Open();
  EXPECT_NE(open.find("background-color:#CDD9F0; color:#000000;"), std::string::npos);
  struct Case {
    const char* name;
    std::string fragment;
    std::set<std::u16string> words;
    std::string expected;
  } cases[] = {
      {"one word", "Find the <b>query</b> here", {u"query"}, "Find the <b>" + open + "query</span></b> here"},
      {"two words and the space between: one span",
       "alpha beta gamma",
       {u"alpha", u"beta"},
       open + "alpha beta</span> gamma"},
      {"a closing tag between: two spans, the tag outside",
       "<b>alpha</b> beta",
       {u"alpha", u"beta"},
       "<b>" + open + "alpha</span></b>" + open + " beta</span>"},
      {"a reference between words is copied whole inside",
       "alpha&nbsp;beta",
       {u"alpha", u"beta"},
       open + "alpha&nbsp;beta</span>"},
      {"line breaks and blanks of the source stay inside",
       "alpha\r\n  beta",
       {u"alpha", u"beta"},
       open + "alpha\r\n  beta</span>"},
      {"no marked word: the source unchanged", "<i>alpha</i> beta", {}, "<i>alpha</i> beta"},
      {"a word split by a tag is one run", "gam<b>ma</b> beta", {u"gamma"}, open + "gam<b>ma</span></b> beta"},
      {"block elements end a word", "<th>alpha</th><th>beta</th>", {u"alpha"},
       "<th>" + open + "alpha</span></th><th>beta</th>"},
      {"so do the HTML 5 ones", "<section>alpha</section><section>beta</section>", {u"beta"},
       "<section>alpha</section><section>" + open + "beta</span></section>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Highlight(c.fragment, c.words), c.expected);
  }
}

TEST_F(HtmlHighlight, LabelsAndArrows) {
  ShortTemplates();
  html.SetLabelMode(lmAllWordWithImage);
  EXPECT_EQ(Highlight("one alpha two beta three", {u"one", u"two", u"three"}),
            "[Lw0]{<s>one</s>w1->} alpha [Lw1]{<-w0<s>two</s>w2->} beta [Lw2]{<-w1<s>three</s>}");
  // A run inside a link reopens the link after the arrows; one ending where
  // the link ends does not.
  EXPECT_EQ(Highlight("<a href=\"u\">see one</a> two", {u"see"}),
            "<a href=\"u\">[Lw0]{<a href=\"u\"><s>see</s></A>}<a href=\"u\"> one</a> two");
  EXPECT_EQ(Highlight("<a href=\"u\">see one</a> two", {u"one"}),
            "<a href=\"u\">see [Lw0]{<a href=\"u\"><s>one</s></A>}</a> two");
  html.SetLabelMode(lmFirstWordWithoutImage);
  EXPECT_EQ(Highlight("one alpha two", {u"one", u"two"}), "[Lw]<s>one</s> alpha <s>two</s>");
  // Without "$$BGClr$" the open tag is used as it stands.
  html.SetColorOpenTag("<span class=h$$SblClr$>");
  html.SetSymbolColor(0x0000FF);
  EXPECT_EQ(Highlight("one two", {u"two"}), "one [Lw]<span class=hFF0000>two</s>");
}

TEST_F(HtmlHighlight, PhraseTokens) {
  ShortTemplates();
  html.SetLabelTag("");
  TPhrase phrase;
  phrase.Entries = {{11, 0, 0}, {12, 0, 0}};  // "new york"
  ASSERT_EQ(dictionary.AddPhrase(phrase), 0);
  dictionary.BuildPhraseIndex(2, 11);
  findPhrases = true;
  // The token covers its words through its span; the word after it is not
  // taken along.
  EXPECT_EQ(Highlight("I love new <b>york</b> city", {u"new york"}), "I love <s>new </s><b><s>york</s></b> city");

  // A parse that keeps the absorbed word (-1): the phrase's word count from
  // the dictionary marks it too.
  findPhrases = false;
  html.Clear();
  html.ClearMarks();
  html.ParseWide(u"love new york city");
  text.Parse(html.VisibleText);
  TParsingText& parse = text.ParsingText();
  ASSERT_EQ(parse.WordCount, 4);
  parse.Word(1).WordId = TPhraseWordDictionary::kPhraseBase;
  parse.Word(2).WordId = -1;
  html.AddMark(0, 1, 0);
  html.AddMark(7, 0, 0);   // no such sentence
  html.AddMark(0, -1, 0);  // no such word
  std::u16string out;
  html.HighlightWords(out);
  EXPECT_EQ(Utf16ToUtf8(out), "love <s>new york</s> city");
}

TEST_F(HtmlHighlight, FailuresAndNoTextParser) {
  html.ParseWide(u"<a href=x>one</a> two");
  text.Parse(html.VisibleText);
  html.AddMark(0, 0, 0);
  std::u16string out;
  html.SetTextParsing(nullptr);
  html.HighlightWords(out);
  EXPECT_EQ(out, html.SourceText);
  html.SetTextParsing(&text);
  // Link ranges that cannot be ordered around a run's start.
  html.SetLabelMode(lmAllWordWithImage);
  html.LinkRanges = {{40, -1}};
  html.LinkRangeCount = 1;
  EXPECT_THROW(html.HighlightWords(out), EHighlightError);
  // A link tag left open by an unclosed quote runs to the end of the page.
  html.LinkRanges = {{1, 12}};
  html.SourceText = u"<a href=\"x y";
  std::string tag;
  EXPECT_TRUE(html.FindLinkTag(5, tag));
  EXPECT_EQ(tag, "<a href=\"x y");
}

TEST(HtmlParserReadOut, TagsLinksAndText) {
  TIHTMLParser html;
  html.BuildTagTable = true;
  html.ParseWide(u"<b>one</b> <i>two</i> x <a href='a>b' class=l>Ссылка</a> y");
  struct Between {
    int32_t a, b;
    std::u16string expected;
  } between[] = {
      {0, 1, u"one"}, {0, 3, u"one two"}, {2, 2, u""}, {1, 0, u""}, {-1, 1, u""}, {0, 99, u""}, {4, 5, u"Ссылка"},
  };
  for (const Between& t : between) {
    SCOPED_TRACE(std::to_string(t.a) + "," + std::to_string(t.b));
    EXPECT_EQ(html.TextBetweenTags(t.a, t.b), t.expected);
  }
  std::string tag;
  const int32_t inside = html.Tags[5].SourcePosition - 2;  // the last letter of the link text
  EXPECT_TRUE(html.FindLinkTag(inside, tag));
  EXPECT_EQ(tag, "<a href='a>b' class=l>");
  EXPECT_FALSE(html.FindLinkTag(2, tag));
  EXPECT_TRUE(tag.empty());
  EXPECT_THROW(html.FindLinkTag(html.Tags[4].SourcePosition, tag), EHighlightError);

  EXPECT_EQ(html.GetHyperlinkUrl(0), u"a>b");
  EXPECT_EQ(html.GetHyperlink(0).TagIndex, 4);
  try {
    html.GetHyperlink(1);
    ADD_FAILURE() << "no exception";
  } catch (const EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "Out of memory");
  }
  EXPECT_THROW(html.GetHyperlinkUrl(-1), EOutOfResources);

  html.ParseWide(u"<p>Строка</p>x<br>y");
  EXPECT_EQ(html.GetPlainText(), "\r\n\r\nСтрокаx\r\ny");  // UTF-8, CR LF

  html.AddMark(0, 0, 0);
  html.Clear();
  EXPECT_TRUE(html.SourceText.empty() && html.VisibleText.empty() && html.Tags.empty());
  EXPECT_EQ(html.TagCount + html.OffsetCount + html.HyperlinkCount + html.LinkRangeCount + html.MarkCount, 0);
  EXPECT_EQ(html.GetPlainText(), "");
}

TEST(HtmlParserReadOut, ColorStrings) {
  struct Case {
    TColor color;
    const char16_t* expected;
  } cases[] = {
      {0xF0D9CD, u"CDD9F0"},
      {0, u"000000"},
      {0xFFC0FF, u"FFC0FF"},
      {0x123456, u"563412"},
      {static_cast<TColor>(0xFF00000F), u"D4D0C8"},  // button face
      {static_cast<TColor>(0x80000005), u"FFFFFF"},  // window
      {static_cast<TColor>(0xFF0000FF), u"000000"},  // no such system colour
  };
  for (const Case& c : cases) EXPECT_EQ(TIHTMLParser::ColorString(c.color), c.expected) << c.color;
}

}  // namespace
}  // namespace kestrune
