// TITextParsing: tokens of a sentence, their flags, dictionary look-up and
// filters.
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>

#include "core/base.h"
#include "language/text_parsing.h"
#include "language/text_parsing_chars.h"
#include "platform/text.h"

namespace kestrune {

using namespace parsing;

namespace {

// The code units of a combining mark (a non-spacing, enclosing or spacing
// mark, the variation selectors among them) at a position of `buffer`
// (0-based): 1, or 2 for one beyond the basic plane; 0 for any other
// character. A mark belongs to the character before it.
int32_t MarkLength(const std::vector<char16_t>& buffer, size_t at, size_t end) {
  if (at >= end) return 0;
  UChar32 c = buffer[at];
  int32_t length = 1;
  if (U16_IS_LEAD(c) && at + 1 < end && U16_IS_TRAIL(buffer[at + 1])) {
    c = U16_GET_SUPPLEMENTARY(c, buffer[at + 1]);
    length = 2;
  }
  const int8_t type = u_charType(c);
  return type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_COMBINING_SPACING_MARK ? length : 0;
}

}  // namespace

int32_t TITextParsing::MarksAt(int32_t p, int32_t e0) const {
  int32_t length = 0;
  while (p + length <= e0) {
    const int32_t mark = MarkLength(buffer_, static_cast<size_t>(p + length) - 1, static_cast<size_t>(e0));
    if (mark == 0) break;
    length += mark;
  }
  return std::min(length, e0 - p + 1);
}

void TITextParsing::SplitSentence(int32_t s0, int32_t e0, int32_t sentenceIndex) {
  result_.Sentence(sentenceIndex).Start = MapPosition(s0) + 1;
  tokens_.clear();
  if (e0 != 0 && e0 >= s0) {
    int32_t p = s0 + 1;
    while (true) {
      const int32_t ts = NextTokenStart(p, e0);
      if (ts > e0) break;
      int32_t hyphen = 0;
      const int32_t te = TokenEnd(ts, e0, hyphen);
      if (punctuation_ || !IsSeparatorOrDigitToken(ts, te)) tokens_.push_back({ts, te, hyphen});
      p = te + 1;
      if (p > e0) break;
    }
  }
  result_.Sentence(sentenceIndex).WordCount = 0;
  for (const TToken& token : tokens_) {
    if (token.Hyphen != 0) {
      // A hyphenated word the dictionary knows stays whole; otherwise its
      // parts and the hyphen are tokens of their own.
      lookup_.assign(&buffer_[static_cast<size_t>(token.Start) - 1], static_cast<size_t>(token.End - token.Start + 1));
      platform::WideLowerCaseInPlace(lookup_.data(), lookup_.size());
      if (dictionary_->Search(lookup_, variants_, 0, scratch_) <= 0) {
        AddToken(token.Start, token.Hyphen - token.Start, sentenceIndex);
        AddToken(token.Hyphen, 1, sentenceIndex);
        AddToken(token.Hyphen + 1, token.End - token.Hyphen, sentenceIndex);
        continue;
      }
    }
    AddToken(token.Start, token.End - token.Start + 1, sentenceIndex);
  }
  TParsingSentence& sentence = result_.Sentence(sentenceIndex);
  sentence.Length = MapPosition(e0) - sentence.Start + 1;
}

int32_t TITextParsing::NextTokenStart(int32_t p, int32_t e0) const {
  for (; p <= e0; ++p) {
    // A mark here follows no word (a separator, a break, the start): it
    // belongs to that character and is no token.
    if (const int32_t marks = MarksAt(p, e0); marks > 0) {
      p += marks - 1;
      continue;
    }
    const char16_t c = BufAt(p);
    if (IsControl(c)) continue;
    if (IsSeparator(c)) {
      if (punctuation_ && !IsBlank(c)) return p;
      continue;
    }
    return p;
  }
  return e0 + 1;
}

int32_t TITextParsing::TokenEnd(int32_t ts, int32_t e0, int32_t& hyphen) const {
  // Paths, addresses and host names continue through ":/", ".", "/", "@"
  // and "\"; each continuation is a pass of its own.
  int32_t start = ts;
  bool continuation = false;
  while (true) {
    const int32_t te = TokenEndPass(start, e0, continuation, hyphen);
    if (te >= e0) return te;
    const char16_t f = BufAt(te + 1);
    if (IsControl(f)) return te;
    if (!continuation && te == start && f == u'.') return te;
    if (te + 2 > e0) return te;
    if ((IsTerminator(BufAt(te)) && IsTerminator(f)) || (IsTerminator(f) && IsTerminator(BufAt(te + 2)))) return te;
    if (!recognizePathes_) return te;
    const char16_t next = BufAt(te + 2);
    const bool goesOn = (f == u':' && (next == u'/' || next == u'\\')) ||
                        ((f == u'.' || f == u'/' || f == u'@' || f == u'\\') && !IsSeparator(next));
    if (!goesOn) return te;
    start = te + 2;
    continuation = true;
  }
}

// One scan from ts: the token's last position (e0 when the scan reaches it).
// A continuation pass keeps its first character even when it is a separator:
// after "C:" that is the "\" of the path, after "http:" the first "/".
int32_t TITextParsing::TokenEndPass(int32_t ts, int32_t e0, bool continuation, int32_t& hyphen) const {
  hyphen = 0;
  for (int32_t r = continuation ? ts + 1 : ts; r <= e0; ++r) {
    const char16_t c = BufAt(r);
    if (!IsControl(c) && !IsSeparator(c)) continue;
    if (c == u'-' && hyphen == 0 && ts < r && r < e0) {
      const char16_t next = BufAt(r + 1);
      if (!IsControl(next) && !IsSeparator(next)) {
        hyphen = r;
        continue;
      }
    }
    if (r > ts) return r - 1;
    // A token of one separator takes the marks after it.
    return ts + MarksAt(ts + 1, e0);
  }
  return e0;
}

bool TITextParsing::IsSeparatorOrDigitToken(int32_t ts, int32_t te) const {
  if ((workingParts_ >> TPTProcessedParts::kNumeral) & 1) return false;
  for (int32_t p = ts; p <= te; ++p) {
    if (!IsSeparatorWithDigits(BufAt(p))) return false;
  }
  return true;
}

bool TITextParsing::Processed(const TWDWord* word) const {
  if (word == nullptr) return false;
  const uint32_t part = word->GetPartOfSpeech();
  return part <= 31 && ((workingParts_ >> part) & 1) != 0;
}

void TITextParsing::RecordSpan(TParsingWord& word, int32_t bp, int32_t length) {
  word.Start = MapPosition(bp);
  const int32_t last = MapPosition(bp + length - 1);
  // Longer spans are clamped to the 16-bit field, never wrapped.
  const int32_t span = std::clamp(last - word.Start + 1, 0, 65535);
  word.Length = static_cast<uint16_t>(span);
  if (span != length) word.Flags |= TParsingWord::kSpan;
}

int32_t TITextParsing::LookUp(std::u16string_view text) {
  int32_t found = 0;
  lookups_.Follow(*dictionary_);
  if (lookups_.Find(text, variants_, found)) return found;
  found = dictionary_->Search(text, variants_, useHash_ ? 0 : TIWordDictionary::kSearchAdd, scratch_);
  // A look-up that added a word is not kept: the next one finds that word.
  if (lookups_.Follow(*dictionary_)) lookups_.Keep(text, variants_, found);
  return found;
}

void TITextParsing::AddToken(int32_t bp, int32_t length, int32_t sentenceIndex) {
  if (length <= 0) return;
  const char16_t* chars = &buffer_[static_cast<size_t>(bp) - 1];
  bool hasDigit = false;
  for (int32_t i = 0; i < length && !hasDigit; ++i) hasDigit = IsDigit(chars[i]) || chars[i] == u'_';
  if (!allWords_ && deleteWordWithNumber_ && hasDigit) return;

  // The lower-cased copy, counting the characters that lower-casing changed.
  case_.resize(static_cast<size_t>(length));
  int32_t changed = 0;
  bool firstChanged = false;
  for (int32_t i = 0; i < length; ++i) {
    const char16_t c = chars[i];
    const char16_t lower = platform::WideCharLower(c);
    case_[static_cast<size_t>(i)] = lower;
    if (lower != c) {
      ++changed;
      if (i == 0) firstChanged = true;
    }
  }

  TParsingSentence& sentence = result_.Sentence(sentenceIndex);
  const int32_t index = result_.WordCount;
  result_.ReserveWords(int64_t{index} + 1);
  TParsingWord& word = result_.Word(index);
  word = TParsingWord();
  if (sentence.WordCount == 0) sentence.FirstWord = index;
  int16_t flags = 0;
  if (allWords_ && deleteWordWithNumber_ && hasDigit) flags = TParsingWord::kLeftOut;
  if (changed == length) {
    flags |= TParsingWord::kUpperCase;
  } else if (changed == 1 && firstChanged) {
    flags |= TParsingWord::kCapital;
  } else if (changed > 0) {
    flags |= TParsingWord::kMixedCase;
  }

  // Numerals: the trailing run of numeral characters.
  const bool digitFirst = IsDigit(case_[0]);
  auto numeral = [&](char16_t c) {
    if (IsDigit(c)) return true;
    if (digitFirst && c >= u'a' && c <= u'f') return true;
    if (recognizeFormula_) {
      return c == u'*' || c == u',' || c == u'-' || c == u'.' || c == u':' || c == u'^';
    }
    return false;
  };
  int32_t head = length;
  while (head > 0 && numeral(case_[static_cast<size_t>(head) - 1])) --head;
  int32_t span = length;  // characters of the token in the buffer
  std::u16string_view text = case_;
  if (head == 0) {
    if (numeralMacro_) text = kNumeralMacroText;
    flags |= TParsingWord::kNumeral;
  } else if (deleteLastNumeral_ && head < length) {
    span = head;
    text = text.substr(0, static_cast<size_t>(head));
  }
  if (IsSeparator(chars[0])) flags |= TParsingWord::kLeftOut | TParsingWord::kSeparator;
  const int32_t textLength = static_cast<int32_t>(text.size());
  // A query's words count for no language of the text they are asked of.
  const bool languageWord = (flags & (TParsingWord::kSeparator | TParsingWord::kNumeral)) == 0 &&
                            !IsSeparatorWithBreaks(chars[0]) && !inQuery_;

  const int32_t found = LookUp(text);

  if (found == 1) {
    TWordVariant reading = variants_[0];
    if (ianwWord_) {
      const int32_t added = dictionary_->AddWord(text, 0, -1);
      if (added >= 0) reading = TWordVariant{added, 0, 0};
    }
    TWDWord* dictWord = dictionary_->GetWord(reading.WordIndex);
    const bool rejected = !Processed(dictWord) ||
                          (ignoreStopWord_ && (dictWord->GetFlags() & TWDWord::kFlagMark) != 0) ||
                          textLength < minimumWord_;
    if (rejected && !allWords_ && !(punctuation_ && (flags & TParsingWord::kSeparator) != 0)) return;
    word.Flags = flags;
    RecordSpan(word, bp, span);
    word.WordId = parallelWorking_ ? DistinctNode(reading.WordIndex) : reading.WordIndex;
    word.Form = reading.Form;
    if (languageWord && dictWord != nullptr) CountLanguage(dictWord->GetDictionaryID());
    if (allWords_ && rejected) word.Flags |= TParsingWord::kLeftOut;
  } else if (found >= 2) {
    int32_t count = found;
    bool allPass = true;
    for (int32_t i = 0; i < count && allPass; ++i) {
      const TWDWord* dictWord = dictionary_->GetWord(variants_[static_cast<size_t>(i)].WordIndex);
      if (!Processed(dictWord)) {
        allPass = false;
      } else if (ignoreStopWord_ &&
                 (textLength < minimumWord_ || (dictWord->GetFlags() & TWDWord::kFlagMark) != 0)) {
        allPass = false;
      }
    }
    if (allPass && ianwWord_) {
      const int32_t added = dictionary_->AddWord(text, 0, -1);
      if (added >= 0) {
        variants_[0] = TWordVariant{added, 0, 0};
        count = 1;
      }
    }
    if (!allWords_ && !allPass) return;
    word.Flags = flags;
    word.FirstVariant = result_.VariantCount;
    for (int32_t i = 0; i < count; ++i) {
      const TWordVariant reading = variants_[static_cast<size_t>(i)];
      TWDWord* dictWord = dictionary_->GetWord(reading.WordIndex);
      const bool processed = Processed(dictWord);
      if (!allWords_ && !processed) continue;
      const int32_t at = result_.VariantCount;
      result_.ReserveVariants(int64_t{at} + 1);
      TWordVariant& variant = result_.Variant(at);
      variant.WordIndex = parallelWorking_ ? DistinctNode(reading.WordIndex) : reading.WordIndex;
      variant.Form = reading.Form;
      variant.Weight = reading.Form == 0 ? kInitialFormWeight : kVariantWeight;
      if (allWords_ && (!allPass || !processed)) word.Flags |= TParsingWord::kLeftOut;
      if (languageWord && dictWord != nullptr) CountLanguage(dictWord->GetDictionaryID());
      ++word.VariantCount;
      ++result_.VariantCount;
    }
    if (word.VariantCount == 0) return;
    RecordSpan(word, bp, span);
  } else {
    // Unknown and not added (UseHash): kept by its text hash, or dropped.
    if (!parallelWorking_) return;
    word.Flags = flags | TParsingWord::kHashed;
    RecordSpan(word, bp, span);
    const uint32_t hash = WideTextHash(text);
    word.WordId = static_cast<int32_t>(hash);
    word.Form = -1;
    unknownWords_.insert(hash);
  }
  ++sentence.WordCount;
  ++result_.WordCount;
}

// ---------------------------------------------------------------------------
// The distinct-word set of ParallelWorking.

namespace {

uint32_t SlotHash(int32_t value) { return static_cast<uint32_t>(value) * 0x9E3779B1u; }

}  // namespace

int32_t TITextParsing::DistinctNode(int32_t wordIndex) {
  if ((nodeWord_.size() + 1) * 2 > slots_.size()) {
    std::vector<int32_t> grown(std::max<size_t>(1024, slots_.size() * 2), 0);
    const size_t mask = grown.size() - 1;
    for (size_t node = 0; node < nodeWord_.size(); ++node) {
      size_t h = SlotHash(nodeWord_[node]) & mask;
      while (grown[h] != 0) h = (h + 1) & mask;
      grown[h] = static_cast<int32_t>(node) + 1;
      nodeSlot_[node] = static_cast<int32_t>(h);
    }
    slots_.swap(grown);
  }
  const size_t mask = slots_.size() - 1;
  size_t h = SlotHash(wordIndex) & mask;
  while (slots_[h] != 0) {
    const int32_t node = slots_[h] - 1;
    if (nodeWord_[static_cast<size_t>(node)] == wordIndex) return node;
    h = (h + 1) & mask;
  }
  const int32_t node = static_cast<int32_t>(nodeWord_.size());
  nodeWord_.push_back(wordIndex);
  nodeCounter_.push_back(0);
  nodeSlot_.push_back(static_cast<int32_t>(h));
  slots_[h] = node + 1;
  return node;
}

void TITextParsing::ResetWordSets() {
  // Only the slots in use are cleared, so that many small parses stay cheap.
  for (int32_t slot : nodeSlot_) slots_[static_cast<size_t>(slot)] = 0;
  nodeWord_.clear();
  nodeCounter_.clear();
  nodeSlot_.clear();
  unknownWords_.clear();
}

}  // namespace kestrune
