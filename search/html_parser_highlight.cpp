// TIHTMLParser: highlighting of marked words, the link ranges around a
// position, and the colour strings.
#include <algorithm>

#include "language/phrase_word_dictionary.h"
#include "platform/text.h"
#include "search/html_parser.h"
#include "search/html_parser_reader.h"

namespace kestrune {

namespace {

// Default colours of the system colour indexes 0..30 (COLOR_SCROLLBAR to
// COLOR_MENUBAR), 0x00BBGGRR.
constexpr TColor kSystemColors[31] = {
    0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0xFFFFFF, 0xC8D0D4,
    0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4, 0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040,
    0xC8D0D4, 0x000000, 0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xC56A31, 0xD8E9EC,
};

bool IsGapBlank(char16_t c) { return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == 0xA0; }

std::u16string Wide(const std::string& utf8) { return platform::Utf8ToUtf16(utf8); }

void ReplaceAll(std::u16string& text, std::u16string_view pattern, std::u16string_view value) {
  for (size_t at = text.find(pattern); at != std::u16string::npos; at = text.find(pattern, at + value.size())) {
    text.replace(at, pattern.size(), value);
  }
}

// One run of marked words: its visible span and its first offset entry.
struct TRun {
  int32_t Start = 0;  // visible position
  int32_t End = 0;    // just past the last word
  int32_t Entry = 0;
};

}  // namespace

std::u16string TIHTMLParser::ColorString(TColor color) {
  uint32_t value;
  if (color < 0) {
    const uint32_t index = static_cast<uint32_t>(color) & 0xFF;
    value = index < std::size(kSystemColors) ? static_cast<uint32_t>(kSystemColors[index]) : 0;
  } else {
    value = static_cast<uint32_t>(color) & 0xFFFFFF;
  }
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out(6, u'0');
  const uint8_t bytes[3] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16)};
  for (int i = 0; i < 3; ++i) {
    out[static_cast<size_t>(2 * i)] = kHex[bytes[i] >> 4];
    out[static_cast<size_t>(2 * i + 1)] = kHex[bytes[i] & 15];
  }
  return out;
}

int32_t TIHTMLParser::AddMark(int32_t sentence, int32_t wordOffset, int32_t value) {
  if (MarkCount == static_cast<int32_t>(Marks.size())) Marks.resize(Marks.size() + kMarkStep);
  Marks[static_cast<size_t>(MarkCount)] = {sentence, wordOffset, value};
  return MarkCount++;
}

int32_t TIHTMLParser::FindLinkRange(int32_t position, bool boundaryIsOutside) const {
  int32_t low = 0;
  int32_t high = std::min(LinkRangeCount, static_cast<int32_t>(LinkRanges.size())) - 1;
  while (low <= high) {
    const int32_t mid = low + (high - low) / 2;
    const TLinkRange& range = LinkRanges[static_cast<size_t>(mid)];
    if (range.End == -1 && range.Start > position) throw EHighlightError();
    if (range.Start == position || range.End == position) {
      if (!boundaryIsOutside) throw EHighlightError();
      if (range.Start == position) {
        high = mid - 1;
      } else {
        low = mid + 1;
      }
      continue;
    }
    if (range.Start < position && position < range.End) return mid;
    if (range.Start < position && range.End < position) {
      low = mid + 1;
    } else if (range.Start > position && range.End > position) {
      high = mid - 1;
    } else {
      throw EHighlightError();
    }
  }
  return -1;
}

std::u16string_view TIHTMLParser::LinkTagText(int32_t range) const {
  const int32_t start = LinkRanges[static_cast<size_t>(range)].Start;
  const auto n = static_cast<int32_t>(SourceText.size());
  if (start < 1 || start > n) throw EHighlightError();
  // A tag left open (an unclosed quote) runs to the end of the page, as the
  // tokeniser read it.
  int32_t gt = html::TagEnd(SourceText.data(), n, start - 1);
  if (gt < 0) gt = n - 1;
  return std::u16string_view(SourceText).substr(static_cast<size_t>(start) - 1, static_cast<size_t>(gt - start + 2));
}

bool TIHTMLParser::FindLinkTag(int32_t position, std::string& tagText) const {
  tagText.clear();
  const int32_t range = FindLinkRange(position);
  if (range < 0) return false;
  tagText = platform::Utf16ToUtf8(LinkTagText(range));
  return true;
}

void TIHTMLParser::HighlightWords(std::u16string& result) {
  if (textParsing_ == nullptr) {
    result = SourceText;
    return;
  }
  // 1-2. The colour strings and the working open tag.
  const std::u16string symbol = ColorString(symbolColor_);
  const std::u16string word = ColorString(wordColor_);
  std::u16string open = Wide(colorOpenTag_);
  if (const size_t at = open.find(u"$$SblClr$"); at != std::u16string::npos) open.replace(at, 9, symbol);
  size_t background = open.find(u"$$BGClr$");
  if (background != std::u16string::npos) open.replace(background, 8, u"000000");
  const std::u16string close = Wide(colorCloseTag_);
  const std::u16string label = Wide(htmlLabel_);
  auto withLabel = [&](const std::string& pattern, const std::u16string& name) {
    std::u16string text = Wide(pattern);
    ReplaceAll(text, u"$$NmLbl$", name);
    return text;
  };
  auto numbered = [&](int32_t k) { return label + platform::Utf8ToUtf16(std::to_string(k)); };

  // 4. Marks: each mark flags its word and the words its phrase token covers.
  const TParsingText& parse = textParsing_->ParsingText();
  const bool tables = parse.Words && parse.Sentences;
  const int32_t words = tables ? parse.WordCount : 0;
  const int32_t sentences = tables ? parse.SentenceCount : 0;
  wordMarks_.assign(static_cast<size_t>(std::max(words, 0)), 0);
  auto* phrases = dynamic_cast<TPhraseWordDictionary*>(textParsing_->WordDictionary());
  for (int32_t m = 0; m < MarkCount && m < static_cast<int32_t>(Marks.size()); ++m) {
    const TMark& mark = Marks[static_cast<size_t>(m)];
    if (mark.Sentence < 0 || mark.Sentence >= sentences) continue;
    const TParsingSentence& sentence = parse.Sentence(mark.Sentence);
    if (mark.WordOffset < 0 || mark.WordOffset >= sentence.WordCount) continue;
    const int32_t first = sentence.FirstWord + mark.WordOffset;
    const int32_t last = std::min(sentence.FirstWord + sentence.WordCount, words) - 1;
    if (first < 0 || first > last) continue;
    wordMarks_[static_cast<size_t>(first)] = 1;
    const TParsingWord& token = parse.Word(first);
    int32_t covered = 1;
    if (phrases != nullptr && !(token.Flags & TParsingWord::kHashed) && token.WordId >= TPhraseWordDictionary::kPhraseBase &&
        token.WordId - TPhraseWordDictionary::kPhraseBase < phrases->PhraseCount()) {
      covered = phrases->Phrases()[static_cast<size_t>(token.WordId - TPhraseWordDictionary::kPhraseBase)].EntryCount();
    }
    // Words a phrase absorbed but that stayed in the sentence.
    for (int32_t k = 1; k < covered && first + k <= last && parse.Word(first + k).WordId == -1; ++k) {
      wordMarks_[static_cast<size_t>(first + k)] = 1;
    }
  }

  // 5. Runs of marked words within a sentence, each found in the offset map.
  const int32_t offsets = std::min(OffsetCount, static_cast<int32_t>(Offsets.size()));
  auto entryAt = [&](int32_t visible) {
    int32_t low = 0, high = offsets - 1;
    while (low <= high) {
      const int32_t mid = low + (high - low) / 2;
      const int32_t v = Offsets[static_cast<size_t>(mid)].VisiblePosition;
      if (v == visible) return mid;
      if (v < visible) {
        low = mid + 1;
      } else {
        high = mid - 1;
      }
    }
    return -1;
  };
  std::vector<TRun> runs;
  for (int32_t s = 0; s < sentences; ++s) {
    const TParsingSentence& sentence = parse.Sentence(s);
    bool open_run = false;
    TRun run;
    for (int32_t w = 0; w < sentence.WordCount; ++w) {
      const int32_t index = sentence.FirstWord + w;
      if (index < 0 || index >= words) break;
      const TParsingWord& token = parse.Word(index);
      const bool valid = token.Start >= 1 && token.Length >= 1 && token.Start + token.Length - 1 <= VisibleLength;
      if (wordMarks_[static_cast<size_t>(index)] && valid) {
        if (!open_run) {
          run.Start = token.Start;
          open_run = true;
        }
        run.End = std::max(run.End, token.Start + token.Length);
      } else if (open_run) {
        runs.push_back(run);
        run = TRun{};
        open_run = false;
      }
    }
    if (open_run) runs.push_back(run);
  }
  std::vector<TRun> found;
  for (TRun run : runs) {
    run.Entry = entryAt(run.Start);
    if (run.Entry >= 0 && Offsets[static_cast<size_t>(run.Entry)].SourcePosition > 0) found.push_back(run);
  }

  // 6-7. The source, with each run wrapped.
  const std::u16string_view source(SourceText);
  const auto n = static_cast<int32_t>(source.size());
  std::u16string out;
  out.reserve(source.size() + 1024);
  int32_t copied = 0;  // index of the first source unit not yet written
  auto copy = [&](int32_t from, int32_t to) {
    from = std::clamp(from, 0, n);
    to = std::clamp(to, from, n);
    out.append(source.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
  };
  int32_t written = 0;
  for (size_t r = 0; r < found.size(); ++r) {
    const TRun& run = found[r];
    const int32_t start = Offsets[static_cast<size_t>(run.Entry)].SourcePosition - 1;
    if (start < copied) continue;
    if (background != std::u16string::npos) open.replace(background, 6, word);
    copy(copied, start);
    copied = start;
    const auto number = static_cast<int32_t>(written);
    const int32_t linkAtStart = labelMode_ == lmAllWordWithImage ? FindLinkRange(start + 1) : -1;
    if (labelMode_ == lmFirstWordWithoutImage) {
      if (number == 0) out += withLabel(labelTag_, label);
    } else {
      out += withLabel(labelTag_, numbered(number));
      out += Wide(nobrOpen_);
      if (number > 0) out += withLabel(imageLeftTag_, numbered(number - 1));
      if (linkAtStart >= 0) out.append(LinkTagText(linkAtStart));
    }
    out += open;
    int32_t end = start;  // past the last copied source unit of the run
    for (int32_t e = run.Entry; e < offsets && Offsets[static_cast<size_t>(e)].VisiblePosition < run.End; ++e) {
      const TOffset& entry = Offsets[static_cast<size_t>(e)];
      if (entry.SourcePosition <= 0) continue;
      const int32_t from = std::max(entry.SourcePosition - 1, end);
      const int32_t to = std::min(entry.SourcePosition - 1 + std::max(entry.SourceLength, 0), n);
      if (to <= from && entry.SourceLength > 0) continue;
      if (from > end) {
        const std::u16string_view gap = source.substr(static_cast<size_t>(end), static_cast<size_t>(from - end));
        if (std::all_of(gap.begin(), gap.end(), IsGapBlank)) {
          out.append(gap);
        } else {
          out += close;
          out.append(gap);
          out += open;
        }
      }
      copy(from, to);
      end = std::max(end, std::max(to, from));
    }
    out += close;
    copied = end;
    if (labelMode_ == lmAllWordWithImage) {
      if (linkAtStart >= 0) out += u"</A>";
      if (r + 1 < found.size()) out += withLabel(imageRightTag_, numbered(number + 1));
      out += Wide(nobrClose_);
      // The source after the run goes on inside a link: open it again. A
      // run that ends where its link ends needs nothing.
      const int32_t linkAfter = copied < n ? FindLinkRange(copied + 1, true) : -1;
      if (linkAfter >= 0) out.append(LinkTagText(linkAfter));
    }
    ++written;
  }
  copy(copied, n);
  result = std::move(out);
}

}  // namespace kestrune
