// TIHTMLParser: turns one HTML page into what the search needs — the page as
// UTF-16 text (SourceText), its visible text with line breaks (VisibleText),
// the title, the charset the page names, a table of its tags with their
// attributes (Tags, with BuildTagTable), its hyperlinks, the source ranges of
// its "a" elements, a map from runs of visible text back to the source
// (Offsets) and the share of visible text inside links. It then writes the
// page again with chosen words highlighted (HighlightWords), or gives its
// visible text as plain text or between two tags.
//
// Reading is forgiving: no parse fails; a tag without ">" ends the walk.
// Only tags of the known-tag list count as HTML (templates rely on the
// listed names); other tags that begin with a letter are skipped, and a "<"
// that starts no tag is text. Block elements (paragraphs, divisions, list
// items, table rows and cells, forms, pre and the block elements of HTML 5
// among others) begin a new line of the visible text where they open.
// Character references decode to UTF-16: decimal and hexadecimal numbers, and
// the HTML 4.01 names, matched with their letter case first ("&Eacute;" is
// the capital letter) and then lower-cased ("&AMP;"); a name without its ";"
// decodes only when it is a legacy one (the Latin-1 names, amp, lt, gt, quot),
// and in an attribute value not before "=", a letter or a digit, so that
// "?id=5&lang=en" stays as written. Attribute values are stored with their
// references decoded. Hyperlink addresses keep their letter case.
//
// Positions are 1-based throughout (a tag's source position is the index of
// its "<" in SourceText; a visible position the index in VisibleText).
//
// Highlighting reads the words and sentences of a text parser (TextParsing,
// not owned, may be shared) that has parsed VisibleText; the marks of the
// words to highlight live here, one flag per word, never in the text
// parser's records.
//
// Threads: one thread at a time per parser; parsers share nothing.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "language/text_parsing.h"

namespace kestrune {

using TColor = int32_t;  // 0x00BBGGRR; a value with the top bit set names a system colour

// Raised by GetHyperlink past the count ("Out of memory").
class EOutOfResources : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised by HighlightWords and FindLinkTag when the link ranges cannot be
// ordered around a position or a link tag has no ">".
class EHighlightError : public std::runtime_error {
 public:
  EHighlightError();
};

enum TLabelMode : uint8_t { lmFirstWordWithoutImage, lmAllWordWithImage };

struct TAttributeTag {
  std::u16string Name;   // lower-case
  std::u16string Value;  // character references decoded
};

// One tag of the tag table.
struct TAttributesTag {
  std::u16string Name;          // lower-case; a closing tag's name begins with "/"
  int32_t SourcePosition = 0;   // index of the "<" in SourceText
  int32_t VisiblePosition = 0;  // VisibleLength + 1 when the tag was met
  int32_t SourceLength = 0;     // from "<" to ">" inclusive; 0 until the ">" is known
  std::vector<TAttributeTag> Attributes;  // the first AttributeCount are valid
  uint16_t AttributeCount = 0;
};
using THTMLDocument = std::vector<TAttributesTag>;

struct THyperlink {
  std::u16string Address;
  int32_t SourcePosition = 0;  // of the href value
  int32_t Length = 0;          // of the address
  int32_t TagIndex = -1;       // the "a" tag in Tags; -1 without a tag table
};

// A run of visible text and the source it came from.
struct TOffset {
  int32_t SourcePosition = 0;  // 0 for a line break that a tag caused
  int32_t VisiblePosition = 0;
  int32_t SourceLength = 0;
};
using TOffsets = std::vector<TOffset>;

// The source positions of an "a" element: its "<" and the "<" of its "</a>".
struct TLinkRange {
  int32_t Start = 0;
  int32_t End = -1;  // -1 while the element is open
};

struct TMark {
  int32_t Sentence = 0;
  int32_t WordOffset = 0;  // within the sentence
  int32_t Value = 0;       // kept for the caller
};

class TIHTMLParser {
 public:
  // Growth steps of the tables.
  static constexpr int32_t kVisibleStep = 1024;
  static constexpr int32_t kOffsetStep = 1024;
  static constexpr int32_t kTagStep = 512;
  static constexpr int32_t kLinkStep = 128;
  static constexpr int32_t kAttributeStep = 8;
  static constexpr int32_t kMarkStep = 24;

  TIHTMLParser();
  TIHTMLParser(const TIHTMLParser&) = delete;
  TIHTMLParser& operator=(const TIHTMLParser&) = delete;

  // ---- published properties ----
  TColor WordColor() const { return wordColor_; }
  void SetWordColor(TColor value) { wordColor_ = value; }
  TColor SentenceColor() const { return sentenceColor_; }
  void SetSentenceColor(TColor value) { sentenceColor_ = value; }
  TColor PhraseColor() const { return phraseColor_; }
  void SetPhraseColor(TColor value) { phraseColor_ = value; }
  // False: a line whose link characters exceed 69 per 100 of its other
  // characters is dropped from the visible text.
  bool ProcessSingleLink() const { return processSingleLink_; }
  void SetProcessSingleLink(bool value) { processSingleLink_ = value; }
  // Set to True by every parse.
  bool ProcessLinkInText() const { return processLinkInText_; }
  void SetProcessLinkInText(bool value) { processLinkInText_ = value; }
  // Not owned; null: HighlightWords gives the source unchanged.
  TITextParsing* TextParsing() const { return textParsing_; }
  void SetTextParsing(TITextParsing* value) { textParsing_ = value; }
  // Reduce the visible text to the page's main block.
  bool AnalysisMainBlock() const { return analysisMainBlock_; }
  void SetAnalysisMainBlock(bool value) { analysisMainBlock_ = value; }
  const std::string& HTMLLabel() const { return htmlLabel_; }
  void SetHTMLLabel(std::string value) { htmlLabel_ = std::move(value); }
  TLabelMode LabelMode() const { return labelMode_; }
  void SetLabelMode(TLabelMode value) { labelMode_ = value; }
  TColor SymbolColor() const { return symbolColor_; }
  void SetSymbolColor(TColor value) { symbolColor_ = value; }
  // The templates of highlighting (UTF-8): "$$BGClr$" and "$$SblClr$" in the
  // open tag, "$$NmLbl$" in the label and arrow tags.
  const std::string& ColorOpenTag() const { return colorOpenTag_; }
  void SetColorOpenTag(std::string value) { colorOpenTag_ = std::move(value); }
  const std::string& ColorCloseTag() const { return colorCloseTag_; }
  void SetColorCloseTag(std::string value) { colorCloseTag_ = std::move(value); }
  const std::string& ImageLeftTag() const { return imageLeftTag_; }
  void SetImageLeftTag(std::string value) { imageLeftTag_ = std::move(value); }
  const std::string& ImageRightTag() const { return imageRightTag_; }
  void SetImageRightTag(std::string value) { imageRightTag_ = std::move(value); }
  const std::string& NobrOpen() const { return nobrOpen_; }
  void SetNobrOpen(std::string value) { nobrOpen_ = std::move(value); }
  const std::string& NobrClose() const { return nobrClose_; }
  void SetNobrClose(std::string value) { nobrClose_ = std::move(value); }
  const std::string& LabelTag() const { return labelTag_; }
  void SetLabelTag(std::string value) { labelTag_ = std::move(value); }

  // ---- state ----
  std::u16string SourceText;
  std::u16string VisibleText;  // the first VisibleLength units are valid
  int32_t VisibleLength = 0;
  TOffsets Offsets;  // the first OffsetCount are valid; the last closes the text
  int32_t OffsetCount = 0;
  std::string Charset;  // of the first meta tag that names one, lower-case
  uint8_t SourceCharset = 0;
  uint8_t OutputCharset = 0;
  std::u16string Title;
  int32_t LinkCount = 0;
  uint8_t LinkTextPercent = 0;
  std::vector<THyperlink> Hyperlinks;
  int32_t HyperlinkCount = 0;
  std::vector<TLinkRange> LinkRanges;  // ordered by start
  int32_t LinkRangeCount = 0;
  bool BuildTagTable = false;
  bool XmlMode = false;  // with BuildTagTable: every tag is entered, CDATA is text
  THTMLDocument Tags;
  int32_t TagCount = 0;
  std::vector<TMark> Marks;
  int32_t MarkCount = 0;
  std::vector<TMark> PhraseMarks;
  int32_t PhraseMarkCount = 0;

  // ---- parsing ----
  // An 8-bit page: decides its charset (SourceCharset), converts, reads.
  void Parse(std::string_view page);
  // A page given as UTF-16, read unchanged (both charset bytes 0).
  void ParseWide(std::u16string_view page);
  // Empties the texts, the charset bytes and every count; frees the tag
  // table and keeps the storage of the other tables.
  void Clear();
  const std::u16string& GetSourceText() const { return SourceText; }

  // A copy of hyperlink `index`, or its address; past the count raises
  // EOutOfResources("Out of memory").
  THyperlink GetHyperlink(int32_t index) const;
  std::u16string GetHyperlinkUrl(int32_t index) const;

  // Enters a tag named `name` whose "<" stands at `position` of `source`
  // into Tags and reads its attributes from there; returns the position of
  // its ">" (0 when the source ends first, SourceLength then stays 0).
  int32_t ParseTagAttributes(std::u16string_view name, std::u16string_view source, int32_t position);

  // ---- highlighting and read-out ----
  int32_t AddMark(int32_t sentence, int32_t wordOffset, int32_t value);
  void ClearMarks() { MarkCount = 0; }
  void ClearPhraseMarks() { PhraseMarkCount = 0; }
  // The source with the marked words wrapped in the colour templates.
  // Raises EHighlightError (see FindLinkTag).
  void HighlightWords(std::u16string& result);
  // Whether source position `position` lies inside an "a" element, and that
  // element's opening tag (UTF-8).
  bool FindLinkTag(int32_t position, std::string& tagText) const;
  // The visible text as UTF-8; line breaks are CR LF.
  std::string GetPlainText() const;
  // The visible text from tag a's visible position up to tag b's.
  std::u16string TextBetweenTags(int32_t a, int32_t b) const;

  // An HTML colour "RRGGBB" of a colour value (system colours resolved).
  static std::u16string ColorString(TColor color);

 private:
  class Tokenizer;
  friend class Tokenizer;

  void Tokenize();
  int32_t EnterTag(std::u16string_view name, std::u16string_view source, int32_t position,
                   std::vector<int32_t>* valuePositions);
  void ReduceToMainBlock(int32_t otherChars);
  // The link range around a position (-1 none); raises when the ranges
  // cannot be ordered around it or, unless boundaryIsOutside, a range starts
  // or ends at it.
  int32_t FindLinkRange(int32_t position, bool boundaryIsOutside = false) const;
  std::u16string_view LinkTagText(int32_t range) const;

  TColor wordColor_ = 0xFFC0FF;
  TColor sentenceColor_ = 0xA0FFFF;
  TColor phraseColor_ = 0xA0A0FF;
  bool processSingleLink_ = true;
  bool processLinkInText_ = false;
  TITextParsing* textParsing_ = nullptr;
  bool analysisMainBlock_ = false;
  std::string htmlLabel_ = "vsdigestfirstword";
  TLabelMode labelMode_ = lmFirstWordWithoutImage;
  TColor symbolColor_ = 0;
  std::string colorOpenTag_;
  std::string colorCloseTag_ = "</span>";
  std::string imageLeftTag_;
  std::string imageRightTag_;
  std::string nobrOpen_ = "<nobr>";
  std::string nobrClose_ = "</nobr>";
  std::string labelTag_ = "<a name=\"$$NmLbl$\"></a>";

  std::u16string lower_;  // lower-cased copy of SourceText while reading
  std::vector<uint8_t> wordMarks_;
};

}  // namespace kestrune
