// Fuzzes the HTML parser: the first byte chooses how the rest is read (bit 0
// UTF-16 little-endian units, else 8-bit page bytes; bit 1 tag table; bit 2
// XML; bit 3 single links dropped; bit 4 main block; bit 5 labels and arrows
// at every highlight). Every table must stay inside the source and the
// visible text, and the read-outs (text between tags, plain text,
// highlighting of every other word) must work on what the parse left.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"
#include "search/html_parser.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

void Check(const kestrune::TIHTMLParser& p) {
  const auto source = static_cast<int32_t>(p.SourceText.size());
  Require(p.VisibleLength == static_cast<int32_t>(p.VisibleText.size()));
  Require(p.LinkTextPercent <= 100 && p.LinkCount == p.HyperlinkCount);
  Require(p.OffsetCount == static_cast<int32_t>(p.Offsets.size()));
  int32_t visible = 0;
  for (const kestrune::TOffset& o : p.Offsets) {
    Require(o.VisiblePosition > visible && o.VisiblePosition <= p.VisibleLength + 1);
    visible = o.VisiblePosition;
    Require(o.SourcePosition >= 0 && o.SourceLength >= 0 && int64_t{o.SourcePosition} + o.SourceLength <= source + 1);
  }
  Require(p.TagCount == static_cast<int32_t>(p.Tags.size()));
  for (const kestrune::TAttributesTag& t : p.Tags) {
    Require(t.SourcePosition >= 1 && t.SourcePosition <= source && t.AttributeCount == t.Attributes.size());
    Require(t.SourceLength >= 0 && int64_t{t.SourcePosition} + t.SourceLength <= source + 1);
    Require(p.SourceText[static_cast<size_t>(t.SourcePosition) - 1] == u'<');
  }
  int32_t start = 0;
  for (int32_t i = 0; i < p.LinkRangeCount; ++i) {
    const kestrune::TLinkRange& r = p.LinkRanges[static_cast<size_t>(i)];
    Require(r.Start > start && r.End > r.Start && r.End <= source + 1);
    start = r.Start;
  }
  for (int32_t i = 0; i < p.HyperlinkCount; ++i) {
    const kestrune::THyperlink& h = p.Hyperlinks[static_cast<size_t>(i)];
    Require(h.TagIndex < p.TagCount && h.SourcePosition >= 0 && h.SourcePosition <= source + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  kestrune::TIHTMLParser parser;
  parser.BuildTagTable = (flags & 2) != 0;
  parser.XmlMode = (flags & 4) != 0;
  parser.SetProcessSingleLink((flags & 8) == 0);
  parser.SetAnalysisMainBlock((flags & 16) != 0);
  parser.SetLabelMode((flags & 32) ? kestrune::lmAllWordWithImage : kestrune::lmFirstWordWithoutImage);
  if (flags & 1) {
    std::u16string page((size - 1) / 2, u'\0');
    std::memcpy(page.data(), data + 1, page.size() * 2);
    parser.ParseWide(page);
  } else {
    parser.Parse(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  }
  Check(parser);

  for (int32_t a = -1; a <= parser.TagCount && a < 40; ++a) {
    const std::u16string between = parser.TextBetweenTags(a, a + 1);
    Require(between.size() <= parser.VisibleText.size());
  }
  const std::string plain = parser.GetPlainText();
  Require(plain.size() >= parser.VisibleText.size());

  kestrune::TPhraseWordDictionary dictionary;
  kestrune::TITextParsing text;
  text.SetWordDictionary(&dictionary);
  std::u16string out;
  parser.SetTextParsing(&text);
  text.Parse(parser.VisibleText);
  parser.HighlightWords(out);
  Require(out == parser.SourceText);  // nothing marked
  const kestrune::TParsingText& parse = text.ParsingText();
  for (int32_t s = 0; s < parse.SentenceCount; ++s) {
    for (int32_t w = 0; w < parse.Sentence(s).WordCount; w += 2) parser.AddMark(s, w, 0);
  }
  // Highlighting what the parse left never meets disordered link ranges.
  parser.HighlightWords(out);
  Require(out.size() >= parser.SourceText.size());
  return 0;
}
