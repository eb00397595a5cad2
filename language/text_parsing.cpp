// TITextParsing: settings, the parse driver, lines, paragraphs and sentences.
#include "language/text_parsing.h"

#include <algorithm>

#include "language/text_parsing_chars.h"
#include "platform/text.h"

namespace kestrune {

using namespace parsing;

namespace {

constexpr int32_t kBufferStep = 8192;
constexpr size_t kMinLineMap = 16;
constexpr size_t kWorkSize = 32;
// The joined buffer is kept between parses up to this many units.
constexpr size_t kKeptBuffer = 8 * kBufferStep;

uint16_t SaturatedAdd(uint16_t count) { return count == UINT16_MAX ? count : static_cast<uint16_t>(count + 1); }

}  // namespace

// ---------------------------------------------------------------------------
// TPTProcessedParts

void TPTProcessedParts::SetValue(uint32_t value) {
  value &= kAllBits;
  if (value == value_) return;
  value_ = value;
  if (OnChange) OnChange(*this);
}

void TPTProcessedParts::Set(uint32_t bit, bool on) {
  if (Get(bit) == on) return;
  if (on) {
    value_ |= 1u << bit;
  } else {
    value_ &= ~(1u << bit);
  }
  if (OnChange) OnChange(*this);
}

// ---------------------------------------------------------------------------
// Construction

TITextParsing::TITextParsing() {
  processedParts_.OnChange = [this](TPTProcessedParts& parts) { workingParts_ = parts.Value(); };
  workingParts_ = processedParts_.Value();
  tokens_.reserve(kWorkSize);
  variants_.resize(kWorkSize);
  scratch_.resize(kWorkSize);
  for (TLavelAffixIndexes& level : scratch_) level.Rules.assign(kWorkSize, -1);
  case_.reserve(kWorkSize);
  languageWeights_.assign(256, 0);
  result_.EnsureTables();
}

void TITextParsing::TakeSettings(const TITextParsing& other) {
  if (&other == this) return;
  ianwWord_ = other.ianwWord_;
  allWords_ = other.allWords_;
  deleteLastNumeral_ = other.deleteLastNumeral_;
  deleteWordWithNumber_ = other.deleteWordWithNumber_;
  ignoreStopWord_ = other.ignoreStopWord_;
  processNewWords_ = other.processNewWords_;
  minimumWord_ = other.minimumWord_;
  numeralMacro_ = other.numeralMacro_;
  parallelWorking_ = other.parallelWorking_;
  useHash_ = other.useHash_;
  processedParts_.SetValue(other.processedParts_.Value());
  recognizeFormula_ = other.recognizeFormula_;
  recognizePathes_ = other.recognizePathes_;
  dictionary_ = other.dictionary_;
  useABBYY_ = other.useABBYY_;
  punctuation_ = other.punctuation_;
  syntax_ = other.syntax_;
}

TITextParsing::~TITextParsing() { Clear(); }

void TITextParsing::Clear() {
  result_.VariantCount = 0;
  result_.WordCount = 0;
  result_.SentenceCount = 0;
  result_.ParagraphCount = 0;
  languages_.clear();
  languagesCount_ = 0;
  sentencesCount_ = 0;
  countedWords_ = 0;
  distinctWords_ = 0;
  paragraphsCount_ = 0;
  linesCount_ = 0;
  dominantLanguage_ = 0;
  newWordsCount_ = 0;
  lineMap_.clear();
  mapCount_ = 0;
  used_ = 0;
  if (buffer_.capacity() > kKeptBuffer) std::vector<char16_t>().swap(buffer_);
}

// ---------------------------------------------------------------------------
// The parse

int32_t TITextParsing::Parse(const char16_t* text, int32_t length) {
  Clear();
  if (dictionary_ == nullptr || text == nullptr || length <= 0) return -1;
  result_.EnsureTables();
  text_ = text;
  length_ = length;

  // Words this parse adds carry dictionary id 0.
  // (Only written when it differs, so that parsers sharing a dictionary do
  // not write it at once.)
  if (dictionary_->DictID() != 0) dictionary_->SetDictID(0);
  const int32_t startCount = dictionary_->Count();
  ResetWordSets();
  lookups_.Reset(*dictionary_);

  ReadLines();
  MarkParagraphStarts();

  // Paragraphs: runs of text lines in which only the first has the flag.
  int32_t runs = 0;
  for (const TParsingLine& line : lines_) {
    if (!line.Blank() && line.ParagraphStart) ++runs;
  }
  if (result_.Paragraphs->size() < static_cast<size_t>(runs)) result_.Paragraphs->resize(static_cast<size_t>(runs));
  int32_t paragraph = 0;
  const size_t lineCount = lines_.size();
  inQuery_ = false;
  queryWord_ = INT32_MAX;
  for (size_t k = 0; k < lineCount;) {
    if (lines_[k].Blank()) {
      ++k;
      continue;
    }
    if (!inQuery_ && lines_[k].Start >= queryPosition_) {
      inQuery_ = true;
      queryWord_ = result_.WordCount;
    }
    size_t last = k;
    while (last + 1 < lineCount && !lines_[last + 1].Blank() && !lines_[last + 1].ParagraphStart) ++last;
    JoinParagraph(k, last);
    TParsingParagraph& record = result_.Paragraph(paragraph);
    record = TParsingParagraph();
    mapCursor_ = 0;
    int32_t pos = 0;
    while (pos != used_) {
      const int32_t start = pos;
      while (!FindSentenceEnd(pos)) {
      }
      AddSentence(record, start, pos);
    }
    // A paragraph without sentences is dropped; the next one takes its record.
    if (record.SentenceCount > 0) ++paragraph;
    k = last + 1;
  }
  result_.ParagraphCount = paragraph;
  inQuery_ = false;

  WeighWords();

  linesCount_ = static_cast<int32_t>(lineCount);
  lines_.clear();
  lineMap_.clear();
  mapCount_ = 0;
  used_ = 0;
  if (buffer_.capacity() > kKeptBuffer) std::vector<char16_t>().swap(buffer_);
  if (processNewWords_) newWordsCount_ = dictionary_->Count() - startCount;
  lookups_.Reset(*dictionary_);
  CountLanguages();
  if (parallelWorking_) TranslateDistinctWords();
  text_ = nullptr;
  length_ = 0;
  return 0;
}

namespace {
// The query settings of one parse, reset when it ends.
struct TQueryScope {
  int32_t& Position;
  TITextParsing::TTextReadings*& Kept;
  const TITextParsing::TTextReadings*& Given;
  ~TQueryScope() {
    Position = INT32_MAX;
    Kept = nullptr;
    Given = nullptr;
  }
};
}  // namespace

int32_t TITextParsing::ParseWithQuery(std::u16string_view text, size_t queryStart, TTextReadings* kept) {
  const TQueryScope scope{queryPosition_, kept_, given_};
  queryPosition_ = queryStart < static_cast<size_t>(INT32_MAX) ? static_cast<int32_t>(queryStart) + 1 : INT32_MAX;
  kept_ = kept;
  if (kept_ != nullptr) *kept_ = TTextReadings();
  return Parse(text);
}

int32_t TITextParsing::ParseQueryOf(const TTextReadings& text, std::u16string_view query) {
  const TQueryScope scope{queryPosition_, kept_, given_};
  // Every paragraph is the query's.
  queryPosition_ = 1;
  given_ = &text;
  return Parse(query);
}

// ---------------------------------------------------------------------------
// Lines

void TITextParsing::ReadLines() {
  lines_.clear();
  const int32_t n = length_;
  auto at = [this](int32_t p) { return text_[p - 1]; };
  int32_t pos = 1;
  while (pos <= n) {
    uint16_t tabs = 0;
    uint16_t spaces = 0;
    if (IsBlank(at(pos))) {
      while (pos <= n && IsBlank(at(pos))) {
        if (at(pos) == u' ') {
          spaces = SaturatedAdd(spaces);
        } else {
          tabs = SaturatedAdd(tabs);
        }
        ++pos;
      }
      if (pos > n) {
        if (lines_.empty() || !lines_.back().Blank()) {
          TParsingLine blank;
          blank.Tabs = tabs;
          blank.Spaces = spaces;
          lines_.push_back(blank);
        }
        break;
      }
    }
    const char16_t c = at(pos);
    if (IsLineBreak(c)) {
      TParsingLine blank;
      blank.Tabs = tabs;
      blank.Spaces = spaces;
      lines_.push_back(blank);
      pos += (pos + 1 <= n && IsLineBreak(at(pos + 1))) ? 2 : 1;
      continue;
    }
    TParsingLine line;
    line.Tabs = tabs;
    line.Spaces = spaces;
    line.Start = pos;
    int32_t q = pos;
    while (q <= n && !IsLineBreak(at(q))) ++q;
    int32_t end = q - 1;
    while (end > pos && IsBlank(at(end))) --end;
    line.End = end;
    line.EndsWithTerminator = IsTerminator(at(end)) ? 1 : 0;
    lines_.push_back(line);
    pos = q;
    if (q <= n) {
      // CR LF and LF CR are one break; CR CR and LF LF two.
      pos = (q + 1 <= n && IsLineBreak(at(q + 1)) && at(q + 1) != at(q)) ? q + 2 : q + 1;
    }
  }
  if (!lines_.empty()) lines_[0].ParagraphStart = 1;
}

// The indentation levels L and H of the block of text lines from `first` up
// to the next blank line.
void TITextParsing::ComputeLevels(size_t first) {
  const size_t n = lines_.size();
  // The histogram is all zeros between calls.
  int32_t largest = -1;
  size_t k = first;
  for (; k < n && !lines_[k].Blank(); ++k) {
    const int32_t indentation = lines_[k].Indentation();
    if (static_cast<size_t>(indentation) >= histogram_.size()) histogram_.resize(static_cast<size_t>(indentation) + 1, 0);
    ++histogram_[static_cast<size_t>(indentation)];
    largest = std::max(largest, indentation);
  }
  lowLevel_ = 0;
  highLevel_ = 0;
  if (k < n) SetLevels(largest);  // a blank line closes the block
  std::fill(histogram_.begin(), histogram_.begin() + (largest + 1), 0);
}

void TITextParsing::SetLevels(int32_t largest) {
  const size_t n = lines_.size();
  const int32_t lowBound = static_cast<int32_t>(n / 8);
  const int32_t highBound = static_cast<int32_t>(n / 16);
  for (int32_t i = 0; i <= largest; ++i) {
    if (histogram_[static_cast<size_t>(i)] > lowBound) {
      lowLevel_ = i;
      break;
    }
  }
  for (int32_t i = largest; i >= 0; --i) {
    if (histogram_[static_cast<size_t>(i)] > highBound) {
      highLevel_ = i;
      break;
    }
  }
  if (lowLevel_ == highLevel_) lowLevel_ = 0;
}

void TITextParsing::MarkParagraphStarts() {
  const size_t n = lines_.size();
  if (n == 0) return;
  ComputeLevels(0);
  for (size_t k = 1; k < n; ++k) {
    TParsingLine& line = lines_[k];
    const TParsingLine& previous = lines_[k - 1];
    if (!line.Blank() && previous.Blank()) ComputeLevels(k);
    const int32_t indentation = line.Indentation();
    bool start = false;
    if (line.Blank() || previous.Blank()) {
      start = true;
    } else if (previous.EndsWithTerminator && indentation > lowLevel_) {
      start = true;
    } else if (line.EndsWithTerminator && previous.EndsWithTerminator &&
               (indentation > lowLevel_ || (lowLevel_ == 0 && indentation >= highLevel_))) {
      start = true;
    } else if (text_[line.Start - 1] == u'-' && indentation > lowLevel_ && text_[previous.End - 1] != u':') {
      start = true;
    }
    line.ParagraphStart = start ? 1 : 0;
  }
}

// ---------------------------------------------------------------------------
// Joining a paragraph

void TITextParsing::JoinParagraph(size_t first, size_t last) {
  used_ = 0;
  mapCount_ = 0;
  if (lineMap_.size() < std::max(kMinLineMap, last - first + 2)) lineMap_.resize(std::max(kMinLineMap, last - first + 2));
  for (size_t k = first; k <= last; ++k) {
    const TParsingLine& line = lines_[k];
    const int32_t n = line.End - line.Start + 1;
    const int64_t size = static_cast<int64_t>(buffer_.size());
    if (size <= int64_t{used_} + n + 2) {
      int64_t grown;
      if (n + 2 < kBufferStep) {
        grown = size + kBufferStep;
      } else {
        grown = (size + n + 2 + kBufferStep - 1) / kBufferStep * kBufferStep;
      }
      buffer_.resize(static_cast<size_t>(grown));
    }
    TLineMapEntry& entry = lineMap_[static_cast<size_t>(mapCount_)];
    entry.Delta = line.Start - used_;
    std::copy(text_ + line.Start - 1, text_ + line.End, buffer_.begin() + used_);
    used_ += n;
    if (buffer_[static_cast<size_t>(used_) - 1] == u'-' && used_ > 1) {
      // A dash after a word joins the word with the next line; a dash after
      // a separator is a dash.
      if (IsSeparator(buffer_[static_cast<size_t>(used_) - 2])) {
        buffer_[static_cast<size_t>(used_++)] = u' ';
      } else {
        --used_;
      }
    } else {
      buffer_[static_cast<size_t>(used_++)] = u' ';
    }
    entry.BufferEnd = used_;
    ++mapCount_;
    lineMap_[static_cast<size_t>(mapCount_)].BufferEnd = 0;
  }
  while (used_ > 0 && IsBlank(buffer_[static_cast<size_t>(used_) - 1])) --used_;
}

// The text position of buffer position p (1-based): the first line whose
// buffer end is not below p holds it; positions past the last line use the
// last line. The cursor only moves forward within a paragraph.
int32_t TITextParsing::MapPosition(int32_t bufferPos) {
  while (mapCursor_ + 1 < mapCount_ && lineMap_[static_cast<size_t>(mapCursor_)].BufferEnd < bufferPos) ++mapCursor_;
  return bufferPos + lineMap_[static_cast<size_t>(mapCursor_)].Delta - 1;
}

// ---------------------------------------------------------------------------
// Sentences

bool TITextParsing::FindSentenceEnd(int32_t& pos) const {
  const int32_t n = used_;
  if (n == 0 || pos == n) return true;
  int32_t t = std::max(pos, 0) + 1;
  while (t <= n && !IsTerminator(BufAt(t))) ++t;
  if (t > n) {
    pos = n;
    return true;
  }
  pos = t;
  if (t < n && !IsBlank(BufAt(t + 1))) {
    // Decimal points, abbreviations written without a blank and the inner
    // characters of a run of terminators end no sentence; the search goes on
    // after t, so a run of terminators can still end at its last character.
    return false;
  }
  // A single letter before the terminator: an initial.
  if (t > 2 && IsBlank(BufAt(t - 2)) && !IsDigit(BufAt(t - 1))) {
    pos = t + 1;
    return false;
  }
  int32_t q = t + 1;
  while (q <= n && IsBlank(BufAt(q))) ++q;
  if (q > n) return true;
  const char16_t c = BufAt(q);
  if (c == u',' || IsDigit(c)) {
    pos = q;
    return false;
  }
  if (!IsBaseSeparator(c)) {
    if (platform::WideCharLower(c) == c) {
      pos = q;
      return false;
    }
    return true;
  }
  if (c == u'-' && q < n) {
    int32_t r = q + 1;
    while (r <= n && (IsBlank(BufAt(r)) || BufAt(r) == u'-')) ++r;
    if (r <= n) {
      const char16_t d = BufAt(r);
      if (!IsSeparator(d) && !IsDigit(d) && platform::WideCharLower(d) == d) {
        pos = r + 1;
        return false;
      }
    }
    return true;
  }
  return true;
}

void TITextParsing::AddSentence(TParsingParagraph& paragraph, int32_t start, int32_t end) {
  const int32_t index = result_.SentenceCount;
  result_.ReserveSentences(int64_t{index} + 1);
  result_.Sentence(index) = TParsingSentence();
  if (paragraph.SentenceCount == 0) paragraph.FirstSentence = index;
  ++paragraph.SentenceCount;
  SplitSentence(start, end, index);
  TParsingSentence& sentence = result_.Sentence(index);
  sentence.Empty = sentence.WordCount == 0 ? 1 : 0;
  ++result_.SentenceCount;
}

}  // namespace kestrune
