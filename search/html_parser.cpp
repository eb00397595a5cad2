#include "search/html_parser.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "platform/version_info.h"
#include "search/charsets.h"
#include "search/html_parser_reader.h"
#include "search/html_parser_tables.h"

namespace kestrune {

using html::TCharClass;

namespace {

bool IsBlank(char16_t c) { return c == ' ' || c == '\t'; }
bool IsTagSpace(char16_t c) { return c == ' ' || c == '\t' || c == 0xA0 || c == '\r' || c == '\n'; }
bool IsAsciiLetter(char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsLineBreakTag(std::u16string_view name) {
  return html::InSortedList(html::kLineBreakTags, html::kLineBreakTags.size(), name);
}

constexpr std::u16string_view kCdataOpen = u"<![CDATA[";

std::string ArrowTag(bool left) {
  const std::string site = platform::Utf16ToUtf8(platform::kMakerSite);
  const std::string anchor = "<a href=\"#$$NmLbl$\"><img src=\"" + site + "images/" +
                             (left ? "arrow_left.gif" : "arrow_right.gif") +
                             "\" border=\"0\" align=\"middle\" alt=\"" + (left ? "&lt;" : "&gt;") + "\"></a>";
  return left ? anchor + "&nbsp;" : "&nbsp;" + anchor;
}

// The lower-cased copy that tag names and keywords are matched in: per unit,
// so positions stay shared with the source.
void LowerCopy(const std::u16string& source, std::u16string& lower) {
  lower.resize(source.size());
  const char16_t* s = source.data();
  char16_t* d = lower.data();
  for (size_t i = 0, n = source.size(); i < n; ++i) {
    const char16_t c = s[i];
    if (c < 0x80) {
      d[i] = (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
    } else if (c >= 0x0410 && c <= 0x042F) {
      d[i] = static_cast<char16_t>(c + 0x20);
    } else if (c >= 0x0430 && c <= 0x045F) {
      d[i] = c;
    } else {
      d[i] = platform::WideCharLower(c);
    }
  }
}

}  // namespace

EHighlightError::EHighlightError()
    : std::runtime_error("Ошибка при подсветке слов. Процедура завершена некорректно.") {}

// ---------------------------------------------------------------------------
// The tokeniser: one walk over the source.

class TIHTMLParser::Tokenizer {
 public:
  explicit Tokenizer(TIHTMLParser& parser)
      : p_(parser), src_(parser.SourceText.data()), low_(parser.lower_.data()),
        n_(static_cast<int32_t>(parser.SourceText.size())) {}

  // Returns the characters outside links.
  int32_t Run();

 private:
  void AddChar(char16_t c, int32_t sourcePos, int32_t sourceLength);
  void AddLineBreak(int32_t crPos, int32_t crLength, int32_t lfPos, int32_t lfLength);
  bool LastIsBlank() const { return p_.VisibleLength > 0 && IsBlank(p_.VisibleText[static_cast<size_t>(p_.VisibleLength) - 1]); }
  // Index of text in the lower-cased copy from `from`, or n_.
  int32_t Find(std::u16string_view text, int32_t from) const;
  // Index just past the ">" of the tag whose "<" is at `lt`, or n_.
  int32_t PastTagEnd(int32_t lt) const {
    const int32_t gt = html::TagEnd(src_, n_, lt);
    return gt < 0 ? n_ : gt + 1;
  }
  int32_t ReadTag(int32_t lt);
  int32_t ReadXmlTag(int32_t lt, std::u16string_view name);
  int32_t ReadReference(int32_t amp);
  void ReadTitle(int32_t from, int32_t to);
  void ReadMetaCharset(int32_t lt, int32_t end);
  void ReadLink(int32_t lt, const TAttributesTag& tag, int32_t tagIndex);
  std::u16string_view Source() const { return {src_, static_cast<size_t>(n_)}; }

  TIHTMLParser& p_;
  const char16_t* src_;
  const char16_t* low_;
  const int32_t n_;

  bool inPre_ = false;
  bool inLink_ = false;
  bool lineHasText_ = false;
  int32_t lineLink_ = 0;
  int32_t lineOther_ = 0;
  int32_t lineStartVisible_ = 0;
  int32_t lineStartOffsets_ = 0;
  int32_t linkChars_ = 0;
  int32_t otherChars_ = 0;
  TCharClass runClass_ = html::kSeparator;
  int32_t openRange_ = -1;
  TAttributesTag scratch_;              // the "a" tag read without a tag table
  std::vector<int32_t> valuePositions_;  // of the attributes of the last "a" tag
};

void TIHTMLParser::Tokenizer::AddChar(char16_t c, int32_t sourcePos, int32_t sourceLength) {
  if (p_.VisibleLength == static_cast<int32_t>(p_.VisibleText.size())) {
    p_.VisibleText.resize(p_.VisibleText.size() + kVisibleStep);
  }
  p_.VisibleText[static_cast<size_t>(p_.VisibleLength++)] = c;
  lineHasText_ = true;
  if (inLink_) {
    ++lineLink_;
    ++linkChars_;
  } else {
    ++lineOther_;
    ++otherChars_;
  }
  const TCharClass cls = html::ClassOf(c);
  if (cls != html::kSeparator && cls == runClass_) {
    TOffset& run = p_.Offsets[static_cast<size_t>(p_.OffsetCount) - 1];
    run.SourceLength = sourcePos + sourceLength - run.SourcePosition;
  } else {
    if (p_.OffsetCount == static_cast<int32_t>(p_.Offsets.size())) p_.Offsets.resize(p_.Offsets.size() + kOffsetStep);
    p_.Offsets[static_cast<size_t>(p_.OffsetCount++)] = {sourcePos, p_.VisibleLength, sourceLength};
  }
  runClass_ = cls;
}

void TIHTMLParser::Tokenizer::AddLineBreak(int32_t crPos, int32_t crLength, int32_t lfPos, int32_t lfLength) {
  if (!p_.processSingleLink_ && int64_t{lineLink_} * 100 > int64_t{lineOther_} * 69) {
    p_.VisibleLength = lineStartVisible_;
    p_.OffsetCount = lineStartOffsets_;
  }
  if (p_.VisibleLength + 2 > static_cast<int32_t>(p_.VisibleText.size())) {
    p_.VisibleText.resize(p_.VisibleText.size() + kVisibleStep);
  }
  if (p_.OffsetCount + 2 > static_cast<int32_t>(p_.Offsets.size())) p_.Offsets.resize(p_.Offsets.size() + kOffsetStep);
  p_.VisibleText[static_cast<size_t>(p_.VisibleLength)] = u'\r';
  p_.VisibleText[static_cast<size_t>(p_.VisibleLength) + 1] = u'\n';
  p_.Offsets[static_cast<size_t>(p_.OffsetCount)] = {crPos, p_.VisibleLength + 1, crLength};
  p_.Offsets[static_cast<size_t>(p_.OffsetCount) + 1] = {lfPos, p_.VisibleLength + 2, lfLength};
  p_.VisibleLength += 2;
  p_.OffsetCount += 2;
  lineHasText_ = false;
  lineLink_ = lineOther_ = 0;
  runClass_ = html::kSeparator;
  lineStartVisible_ = p_.VisibleLength;
  lineStartOffsets_ = p_.OffsetCount;
}

int32_t TIHTMLParser::Tokenizer::Find(std::u16string_view text, int32_t from) const {
  const std::u16string_view all(low_, static_cast<size_t>(n_));
  const size_t at = all.find(text, static_cast<size_t>(std::max(from, 0)));
  return at == std::u16string_view::npos ? n_ : static_cast<int32_t>(at);
}

int32_t TIHTMLParser::Tokenizer::Run() {
  int32_t i = 0;
  while (i < n_) {
    const char16_t c = src_[i];
    if (c == '<') {
      i = ReadTag(i);
    } else if (c == '&') {
      i = ReadReference(i);
    } else if (c == '\r' || c == '\n') {
      // A line end of any kind: CR LF, or a lone CR or LF.
      const int32_t length = (c == '\r' && i + 1 < n_ && src_[i + 1] == '\n') ? 2 : 1;
      if (inPre_) {
        AddLineBreak(i + 1, length == 2 ? 1 : 0, i + length, 1);
      } else if (lineHasText_ && !LastIsBlank()) {
        AddChar(u' ', i + 1, length);
      }
      i += length;
    } else if (IsBlank(c)) {
      if (inPre_ || (lineHasText_ && !LastIsBlank())) AddChar(c, i + 1, 1);
      ++i;
    } else {
      AddChar(c, i + 1, 1);
      ++i;
    }
  }
  if (openRange_ >= 0) p_.LinkRanges[static_cast<size_t>(openRange_)].End = n_ + 1;
  const int32_t all = linkChars_ + otherChars_;
  p_.LinkTextPercent = static_cast<uint8_t>(all > 0 ? int64_t{linkChars_} * 100 / all : 0);
  return otherChars_;
}

int32_t TIHTMLParser::Tokenizer::ReadReference(int32_t amp) {
  char16_t units[2];
  int32_t count = 0;
  const int32_t length = html::DecodeReference(src_, n_, amp, units, count);
  if (length == 0) {
    AddChar(u'&', amp + 1, 1);
    return amp + 1;
  }
  AddChar(units[0], amp + 1, length);
  if (count == 2) AddChar(units[1], amp + 1, 0);
  return amp + length;
}

int32_t TIHTMLParser::Tokenizer::ReadTag(int32_t lt) {
  const int32_t j = lt + 1;
  if (j >= n_) {
    AddChar(u'<', lt + 1, 1);
    return n_;
  }
  const std::u16string_view name = html::TagName(low_, n_, lt);
  if (p_.BuildTagTable && p_.XmlMode) return ReadXmlTag(lt, name);

  if (name == u"!--") {
    const int32_t end = Find(u"-->", j + 3);
    return end >= n_ ? n_ : end + 3;
  }
  if (name == u"!" || name == u"?") {
    const int32_t end = Find(u">", j);
    return end >= n_ ? n_ : end + 1;
  }
  const bool closing = !name.empty() && name[0] == '/';
  const std::u16string_view bare = closing ? name.substr(1) : name;
  if (!html::InSortedList(html::kKnownTags, html::kKnownTagCount, bare)) {
    const int32_t after = closing ? j + 1 : j;
    if (after < n_ && IsAsciiLetter(src_[after])) {
      // Skipped; a block element of HTML 5 still ends the line.
      if (!closing && IsLineBreakTag(bare)) AddLineBreak(0, 0, 0, 0);
      return PastTagEnd(lt);
    }
    AddChar(u'<', lt + 1, 1);
    return lt + 1;
  }

  int32_t tagIndex = -1;
  int32_t past;  // just past the tag's ">"
  if (p_.BuildTagTable) {
    const int32_t gt = p_.EnterTag(name, Source(), lt + 1, bare == u"a" && !closing ? &valuePositions_ : nullptr);
    tagIndex = p_.TagCount - 1;
    past = gt > 0 ? gt : n_;
  } else {
    past = PastTagEnd(lt);
  }

  if (closing) {
    if (bare == u"a") {
      if (openRange_ >= 0) p_.LinkRanges[static_cast<size_t>(openRange_)].End = lt + 1;
      openRange_ = -1;
      inLink_ = false;
    } else if (bare == u"pre") {
      inPre_ = false;
    }
    return past;
  }
  if (bare == u"title") {
    const int32_t close = Find(u"</title", past);
    if (p_.Title.empty()) ReadTitle(past, close);
    return close >= n_ ? n_ : PastTagEnd(close);
  }
  if (bare == u"noscript") {
    // To the closing tag that no comment hides; each text searched once.
    int32_t at = past;
    int32_t close = Find(u"</noscript", at);
    for (int32_t comment; (comment = Find(u"<!--", at)) < close;) {
      const int32_t end = Find(u"-->", comment + 4);
      if (end >= n_) return n_;
      at = end + 3;
      if (at > close) close = Find(u"</noscript", at);
    }
    return close >= n_ ? n_ : PastTagEnd(close);
  }
  if (bare == u"style") {
    const int32_t close = Find(u"</style", past);
    return close >= n_ ? n_ : PastTagEnd(close);
  }
  if (bare == u"script") {
    const int32_t close = Find(u"</script", past);
    if (close >= n_) return n_;
    if (p_.BuildTagTable) {
      const int32_t gt = p_.EnterTag(u"/script", Source(), close + 1, nullptr);
      return gt > 0 ? gt : n_;
    }
    return PastTagEnd(close);
  }
  if (bare == u"meta") {
    if (p_.Charset.empty()) ReadMetaCharset(lt, past);
    return past;
  }
  if (bare == u"pre") {
    AddLineBreak(0, 0, 0, 0);
    inPre_ = true;
    return past;
  }
  if (bare == u"a") {
    if (tagIndex >= 0) {
      ReadLink(lt, p_.Tags[static_cast<size_t>(tagIndex)], tagIndex);
    } else {
      scratch_.AttributeCount = 0;
      html::ReadAttributes(Source(), lt + 1, static_cast<int32_t>(name.size()), scratch_, &valuePositions_);
      ReadLink(lt, scratch_, -1);
    }
    return past;
  }
  if (IsLineBreakTag(bare)) {
    AddLineBreak(0, 0, 0, 0);
    if (html::InSortedList(html::kDoubleBreakTags, html::kDoubleBreakTags.size(), bare)) AddLineBreak(0, 0, 0, 0);
  }
  return past;
}

int32_t TIHTMLParser::Tokenizer::ReadXmlTag(int32_t lt, std::u16string_view name) {
  if (name == u"!") {
    if (std::u16string_view(src_ + lt, static_cast<size_t>(n_ - lt)).substr(0, kCdataOpen.size()) == kCdataOpen) {
      const int32_t from = lt + static_cast<int32_t>(kCdataOpen.size());
      const std::u16string_view all(src_, static_cast<size_t>(n_));
      const size_t found = all.find(u"]]>", static_cast<size_t>(from));
      const int32_t end = found == std::u16string_view::npos ? n_ : static_cast<int32_t>(found);
      for (int32_t k = from; k < end; ++k) AddChar(src_[k], k + 1, 1);
      return end >= n_ ? n_ : end + 3;
    }
    return PastTagEnd(lt);
  }
  const int32_t gt = p_.EnterTag(name, Source(), lt + 1, nullptr);
  return gt > 0 ? gt : n_;
}

void TIHTMLParser::Tokenizer::ReadTitle(int32_t from, int32_t to) {
  std::u16string& title = p_.Title;
  title.clear();
  bool blank = false;
  int32_t i = from;
  while (i < to) {
    char16_t c = src_[i];
    if (IsBlank(c) || c == '\r' || c == '\n') {
      blank = true;
      ++i;
      continue;
    }
    int32_t length = 1;
    char16_t units[2] = {c, 0};
    int32_t count = 1;
    if (c == '&') {
      const int32_t decoded = html::DecodeReference(src_, to, i, units, count);
      if (decoded > 0) {
        length = decoded;
      } else {
        count = 1;
      }
    }
    if (blank && !title.empty()) title += u' ';
    blank = false;
    title.append(units, static_cast<size_t>(count));
    i += length;
  }
}

void TIHTMLParser::Tokenizer::ReadMetaCharset(int32_t lt, int32_t end) {
  const std::u16string_view tag(low_ + lt, static_cast<size_t>(end - lt));
  const size_t at = tag.find(u"charset=");
  if (at == std::u16string_view::npos) return;
  size_t k = at + 8;
  if (k < tag.size() && (tag[k] == '"' || tag[k] == '\'')) ++k;
  std::string value;
  for (; k < tag.size(); ++k) {
    const char16_t c = tag[k];
    if (c == ' ' || c == '"' || c == '\'' || c == ';' || c == '>' || c == '/' || IsTagSpace(c)) break;
    value += c < 0x80 ? static_cast<char>(c) : '?';
  }
  p_.Charset = std::move(value);
}

void TIHTMLParser::Tokenizer::ReadLink(int32_t lt, const TAttributesTag& tag, int32_t tagIndex) {
  const TAttributeTag* href = nullptr;
  int32_t valuePos = 0;
  for (int32_t k = 0; k < tag.AttributeCount; ++k) {
    if (tag.Attributes[static_cast<size_t>(k)].Name == u"href") {
      href = &tag.Attributes[static_cast<size_t>(k)];
      valuePos = static_cast<size_t>(k) < valuePositions_.size() ? valuePositions_[static_cast<size_t>(k)] : 0;
      break;
    }
  }
  if (href == nullptr) return;
  if (p_.HyperlinkCount == static_cast<int32_t>(p_.Hyperlinks.size())) p_.Hyperlinks.resize(p_.Hyperlinks.size() + kLinkStep);
  THyperlink& link = p_.Hyperlinks[static_cast<size_t>(p_.HyperlinkCount++)];
  link.Address = href->Value;
  link.SourcePosition = valuePos;
  link.Length = static_cast<int32_t>(href->Value.size());
  link.TagIndex = tagIndex;
  // An "a" inside an open one closes it, as browsers do.
  if (openRange_ >= 0) p_.LinkRanges[static_cast<size_t>(openRange_)].End = lt + 1;
  if (p_.LinkRangeCount == static_cast<int32_t>(p_.LinkRanges.size())) p_.LinkRanges.resize(p_.LinkRanges.size() + kLinkStep);
  openRange_ = p_.LinkRangeCount;
  p_.LinkRanges[static_cast<size_t>(p_.LinkRangeCount++)] = {lt + 1, -1};
  ++p_.LinkCount;
  inLink_ = true;
}

// ---------------------------------------------------------------------------
// TIHTMLParser

TIHTMLParser::TIHTMLParser()
    : colorOpenTag_(
          "<span style=\"background-color:#$$BGClr$; color:#$$SblClr$; line-height: normal; background-position: "
          "center center; letter-spacing: normal; text-indent: 0pt; word-spacing: normal; white-space: normal; "
          "margin: 0px; padding: 0px;\">"),
      imageLeftTag_(ArrowTag(true)),
      imageRightTag_(ArrowTag(false)) {}

void TIHTMLParser::Clear() {
  SourceText.clear();
  VisibleText.clear();
  VisibleLength = 0;
  Charset.clear();
  Title.clear();
  SourceCharset = 0;
  OutputCharset = 0;
  OffsetCount = 0;
  LinkCount = 0;
  LinkTextPercent = 0;
  HyperlinkCount = 0;
  LinkRangeCount = 0;
  TagCount = 0;
  MarkCount = 0;
  PhraseMarkCount = 0;
  THTMLDocument().swap(Tags);
}

void TIHTMLParser::Parse(std::string_view page) {
  Title.clear();
  const char* text = page.data();
  const int32_t length = static_cast<int32_t>(std::min<size_t>(page.size(), INT32_MAX / 2));
  uint8_t code = (!TextIsPossiblyRussian(text, length) || html::LooksLikeUtf8(text, length))
                     ? DetermineCharset(text, length, 0)
                     : DetermineRussianCharset(text, length);
  if (code == 67 || code == 68) code = kCharsetWindows1252;
  SourceCharset = code;
  OutputCharset = 0;
  SourceText.resize(static_cast<size_t>(length));
  const int32_t written = BufToWide(text, length, SourceText.data(), code, length * 2);
  SourceText.resize(static_cast<size_t>(written / 2));
  for (size_t i = 1; i < SourceText.size(); ++i) {
    if (SourceText[i] == u'\n' && SourceText[i - 1] != u'\r') SourceText[i] = u' ';
  }
  Tokenize();
}

void TIHTMLParser::ParseWide(std::u16string_view page) {
  SourceText.assign(page.substr(0, std::min<size_t>(page.size(), INT32_MAX / 2)));
  SourceCharset = 0;
  OutputCharset = 0;
  Tokenize();
}

void TIHTMLParser::Tokenize() {
  VisibleText.clear();
  VisibleLength = 0;
  OffsetCount = 0;
  Charset.clear();
  Title.clear();
  LinkCount = 0;
  LinkTextPercent = 0;
  HyperlinkCount = 0;
  LinkRangeCount = 0;
  TagCount = 0;
  processLinkInText_ = true;
  if (SourceText.empty()) {
    VisibleText.clear();
    Offsets.clear();
    Tags.clear();
    Hyperlinks.resize(0);
    LinkRanges.resize(0);
    return;
  }
  LowerCopy(SourceText, lower_);
  VisibleText.reserve(SourceText.size() / 2 + kVisibleStep);
  const int32_t otherChars = Tokenizer(*this).Run();

  VisibleText.resize(static_cast<size_t>(VisibleLength));
  if (OffsetCount == static_cast<int32_t>(Offsets.size())) Offsets.resize(Offsets.size() + 1);
  Offsets[static_cast<size_t>(OffsetCount++)] = {static_cast<int32_t>(SourceText.size()) + 1, VisibleLength + 1, 0};
  Offsets.resize(static_cast<size_t>(OffsetCount));
  Tags.resize(static_cast<size_t>(TagCount));
  Hyperlinks.resize(static_cast<size_t>(HyperlinkCount));
  LinkRanges.resize(static_cast<size_t>(LinkRangeCount));
  lower_.clear();
  if (analysisMainBlock_ && otherChars > 200 && LinkTextPercent <= 70) ReduceToMainBlock(otherChars);
}

int32_t TIHTMLParser::ParseTagAttributes(std::u16string_view name, std::u16string_view source, int32_t position) {
  return EnterTag(name, source, position, nullptr);
}

int32_t TIHTMLParser::EnterTag(std::u16string_view name, std::u16string_view source, int32_t position,
                               std::vector<int32_t>* valuePositions) {
  if (TagCount == static_cast<int32_t>(Tags.size())) Tags.resize(Tags.size() + kTagStep);
  TAttributesTag& tag = Tags[static_cast<size_t>(TagCount++)];
  tag.Name.assign(name);
  tag.SourcePosition = position;
  tag.VisiblePosition = VisibleLength + 1;
  tag.SourceLength = 0;
  tag.AttributeCount = 0;
  return html::ReadAttributes(source, position, static_cast<int32_t>(name.size()), tag, valuePositions);
}

THyperlink TIHTMLParser::GetHyperlink(int32_t index) const {
  if (index < 0 || index >= HyperlinkCount || index >= static_cast<int32_t>(Hyperlinks.size())) {
    throw EOutOfResources("Out of memory");
  }
  return Hyperlinks[static_cast<size_t>(index)];
}

std::u16string TIHTMLParser::GetHyperlinkUrl(int32_t index) const { return GetHyperlink(index).Address; }

std::string TIHTMLParser::GetPlainText() const {
  const size_t length = std::min<size_t>(static_cast<size_t>(std::max(VisibleLength, 0)), VisibleText.size());
  return platform::Utf16ToUtf8(std::u16string_view(VisibleText).substr(0, length));
}

std::u16string TIHTMLParser::TextBetweenTags(int32_t a, int32_t b) const {
  const int32_t count = std::min(TagCount, static_cast<int32_t>(Tags.size()));
  if (a < 0 || b < 0 || a >= count || b >= count) return {};
  const int32_t visible = std::min(VisibleLength, static_cast<int32_t>(VisibleText.size()));
  const int32_t from = std::clamp(Tags[static_cast<size_t>(a)].VisiblePosition, 1, visible + 1);
  const int32_t to = std::clamp(Tags[static_cast<size_t>(b)].VisiblePosition, 1, visible + 1);
  if (to <= from) return {};
  return VisibleText.substr(static_cast<size_t>(from) - 1, static_cast<size_t>(to - from));
}

}  // namespace kestrune
