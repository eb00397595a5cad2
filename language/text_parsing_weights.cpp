// TITextParsing: the choice among several readings of a word, and the
// language statistics of a text.
//
// Reading weights start at 2048 (2056 for an initial form). Per sentence, a
// reading of the sentence's dominant language is doubled and any other gains
// the weight of its language in the whole text (its share of 2048); under
// ParallelWorking a reading that is no stop word gains 1; readings still all
// equal gain the form counts of their words. Then every weight is scaled by
// how often its word occurs in the text (11 per initial-form occurrence, 10
// per other), relative to half the most frequent candidate. Weights are
// computed in 32 bits and saturated to 16 bits when stored.
//
// A sentence's language is the language most of its words have readings in,
// each word voting once for every language it has readings in (two readings
// of one dictionary are one vote, so a one-word sentence such as a typed
// query does not outvote the text around it); when no language has twice the
// votes of the next, the text's dominant language stands for it.
//
// The choice: stop words are not eligible while another reading is none; nor,
// for a token in lower case (or whose capital only starts its sentence, while
// the text writes it with capitals elsewhere no more often than in lower
// case), a proper-name head word while its dictionary offers a common word's
// reading ("queens" is the plural of "queen"); such a name leaves the token to
// that common word's language. The first eligible initial form wins,
// one of the sentence's language before one of the text's dominant language;
// one of another language only when neither of those two reads the token.
// Otherwise the first eligible reading of the largest weight. A form with a
// prefix of its own that the initial form lacks ("default" of "fault",
// "independent" of "dependent") is a weak reading: it takes a token neither
// from a proper name nor from another language.
//
// A query asked of a text (ParseWithQuery) gives the text no vote: its words
// count for no language and no frequency of the text, and tell nothing of how
// the text writes a name. A query token takes the reading that most of the
// text's tokens with the same readings took (the same text, in any case).
#include <algorithm>
#include <cmath>

#include "language/text_parsing.h"
#include "language/text_parsing_chars.h"

namespace kestrune {

using namespace parsing;

namespace {

int16_t Saturate16(int64_t value) {
  return static_cast<int16_t>(std::clamp<int64_t>(value, INT16_MIN, INT16_MAX));
}

bool Hashed(const TParsingWord& word) { return (word.Flags & TParsingWord::kHashed) != 0; }
bool SeparatorOrNumeral(const TParsingWord& word) {
  return (word.Flags & (TParsingWord::kSeparator | TParsingWord::kNumeral)) != 0;
}
bool StopWord(const TWDWord* word) { return word != nullptr && (word->GetFlags() & TWDWord::kFlagMark) != 0; }
bool ProperName(const TWDWord* word) { return word != nullptr && word->IsProperName(); }
int32_t LanguageOf(const TWDWord* word) { return word != nullptr ? word->GetDictionaryID() : 0; }
// The token holds a capital (first, inside or all).
bool HasCapitals(const TParsingWord& word) { return (word.Flags & TParsingWord::kUpperCase) != 0; }

}  // namespace

void TITextParsing::CountLanguage(int32_t id) {
  for (TLanguage& language : languages_) {
    if (language.ID == id) {
      ++language.Count;
      return;
    }
  }
  languages_.push_back(TLanguage{id, 1, 0.0f});
}

void TITextParsing::GetDominantLanguage(int32_t& language, double& ratio) const {
  language = 0;
  int32_t best = 0;
  for (const TLanguage& entry : languages_) {
    if (entry.ID != 0 && entry.Count > 0 && entry.Count >= best) {
      language = entry.ID;
      best = entry.Count;
    }
  }
  int32_t other = 0;
  for (const TLanguage& entry : languages_) {
    if (entry.ID != 0 && entry.ID != language) other = std::max(other, entry.Count);
  }
  ratio = other >= 1 ? static_cast<double>(best) / other : 100.0;
}

TWDWord* TITextParsing::WordOf(int32_t id) {
  if (parallelWorking_) {
    if (id < 0 || static_cast<size_t>(id) >= nodeWord_.size()) return nullptr;
    id = nodeWord_[static_cast<size_t>(id)];
  }
  return dictionary_->GetWord(id);
}

bool TITextParsing::CountsForLanguage(TWDWord* word) {
  if (word == nullptr) return false;
  if (word->GetDictionaryID() != 0) return true;
  const std::u16string text = word->GetText();
  return text.empty() || !IsSeparatorWithBreaks(text[0]);
}

int32_t TITextParsing::LanguageWeight(int32_t id) const {
  return id > 0 && id < static_cast<int32_t>(languageWeights_.size()) ? languageWeights_[static_cast<size_t>(id)] : 0;
}

int32_t TITextParsing::GetCounter(int32_t id) {
  if (parallelWorking_) {
    return id >= 0 && static_cast<size_t>(id) < nodeCounter_.size() ? nodeCounter_[static_cast<size_t>(id)] : 0;
  }
  TWDWord* word = dictionary_->GetWord(id);
  return word != nullptr ? word->GetWeight() : 0;
}

void TITextParsing::SetCounter(int32_t id, int32_t value) {
  if (parallelWorking_) {
    if (id >= 0 && static_cast<size_t>(id) < nodeCounter_.size()) nodeCounter_[static_cast<size_t>(id)] = value;
    return;
  }
  if (TWDWord* word = dictionary_->GetWord(id)) word->SetWeight(value);
}

void TITextParsing::WeighWords() {
  TParsingText& r = result_;

  // 1.-2. The share of each language in the text, out of 2048, and the
  // text's dominant language.
  const int32_t textLanguage = WeighLanguages();
  double ratio = 0.0;

  // 3. Per sentence: the language mix, then the frequency-free weights.
  sentenceLanguages_.assign(static_cast<size_t>(std::max(r.SentenceCount, 0)), textLanguage);
  for (int32_t p = 0; p < r.ParagraphCount; ++p) {
    const TParsingParagraph& paragraph = r.Paragraph(p);
    for (int32_t s = 0; s < paragraph.SentenceCount; ++s) {
      const TParsingSentence& sentence = r.Sentence(paragraph.FirstSentence + s);
      const int32_t first = sentence.FirstWord;
      const int32_t end = first + sentence.WordCount;
      languages_.clear();
      for (int32_t w = first; w < end; ++w) {
        const TParsingWord& word = r.Word(w);
        if (Hashed(word) || SeparatorOrNumeral(word)) continue;
        votes_.clear();
        for (int32_t v = 0; v < word.VariantCount; ++v) {
          TWDWord* dictWord = WordOf(r.Variant(word.FirstVariant + v).WordIndex);
          if (!CountsForLanguage(dictWord)) continue;
          const int32_t id = dictWord->GetDictionaryID();
          if (std::find(votes_.begin(), votes_.end(), id) != votes_.end()) continue;
          votes_.push_back(id);
          CountLanguage(id);
        }
      }
      int32_t language = 0;
      ratio = 0.0;
      GetDominantLanguage(language, ratio);
      if (ratio < 2.0) language = textLanguage;
      sentenceLanguages_[static_cast<size_t>(paragraph.FirstSentence + s)] = language;

      for (int32_t w = first; w < end; ++w) {
        const TParsingWord& word = r.Word(w);
        if (Hashed(word) || word.VariantCount <= 1) continue;
        for (int32_t v = 0; v < word.VariantCount; ++v) {
          TWordVariant& variant = r.Variant(word.FirstVariant + v);
          TWDWord* dictWord = WordOf(variant.WordIndex);
          const int32_t id = dictWord != nullptr ? dictWord->GetDictionaryID() : 0;
          const int64_t weight = variant.Weight;
          variant.Weight = Saturate16(id == language ? weight * 2 : weight + LanguageWeight(id));
        }
      }
      for (int32_t w = first; w < end; ++w) {
        const TParsingWord& word = r.Word(w);
        if (Hashed(word) || word.VariantCount <= 1) continue;
        if (parallelWorking_) {
          for (int32_t v = 0; v < word.VariantCount; ++v) {
            TWordVariant& variant = r.Variant(word.FirstVariant + v);
            if (!StopWord(WordOf(variant.WordIndex))) variant.Weight = Saturate16(int64_t{variant.Weight} + 1);
          }
        }
        bool equal = true;
        for (int32_t v = 1; v < word.VariantCount && equal; ++v) {
          equal = r.Variant(word.FirstVariant + v).Weight == r.Variant(word.FirstVariant + v - 1).Weight;
        }
        if (equal) {
          for (int32_t v = 0; v < word.VariantCount; ++v) {
            TWordVariant& variant = r.Variant(word.FirstVariant + v);
            TWDWord* dictWord = WordOf(variant.WordIndex);
            const int32_t forms = dictWord != nullptr ? dictWord->FormCount() : 1;
            variant.Weight = Saturate16(int64_t{variant.Weight} + forms);
          }
        }
      }
    }
  }
  // 4.
  languages_.clear();

  // 5. Frequency of every candidate word in the text.
  if (parallelWorking_) {
    std::fill(nodeCounter_.begin(), nodeCounter_.end(), 0);
  } else {
    for (int32_t w = 0; w < r.WordCount; ++w) {
      const TParsingWord& word = r.Word(w);
      if (Hashed(word)) continue;
      if (word.VariantCount == 0) {
        SetCounter(word.WordId, 0);
      } else {
        for (int32_t v = 0; v < word.VariantCount; ++v) SetCounter(r.Variant(word.FirstVariant + v).WordIndex, 0);
      }
    }
  }
  // A query's words are no occurrences of the text's.
  for (int32_t w = 0; w < std::min(r.WordCount, queryWord_); ++w) {
    const TParsingWord& word = r.Word(w);
    if (Hashed(word)) continue;
    const int32_t step = word.Form == 0 ? 11 : 10;
    if (word.VariantCount == 0) {
      SetCounter(word.WordId, GetCounter(word.WordId) + step);
    } else {
      for (int32_t v = 0; v < word.VariantCount; ++v) {
        const int32_t id = r.Variant(word.FirstVariant + v).WordIndex;
        SetCounter(id, GetCounter(id) + step);
      }
    }
  }
  if (given_ != nullptr) TakeGivenCounters();

  // 6. Weights scaled by frequency, relative to half the most frequent
  // candidate; rounded half to even.
  for (int32_t w = 0; w < r.WordCount; ++w) {
    const TParsingWord& word = r.Word(w);
    if (Hashed(word) || word.VariantCount == 0) continue;
    int32_t most = 0;
    for (int32_t v = 0; v < word.VariantCount; ++v) {
      most = std::max(most, GetCounter(r.Variant(word.FirstVariant + v).WordIndex));
    }
    const int32_t half = most / 2;
    if (half <= 0) continue;
    for (int32_t v = 0; v < word.VariantCount; ++v) {
      TWordVariant& variant = r.Variant(word.FirstVariant + v);
      const double scaled = static_cast<double>(variant.Weight) * GetCounter(variant.WordIndex) / half;
      variant.Weight = Saturate16(static_cast<int64_t>(std::nearbyint(scaled)));
    }
  }

  // 7.
  if (syntax_ != nullptr) syntax_->Process(r);

  // 8. The choice, per sentence: its language orders the initial forms. A
  // capital lets a proper name stand; at a sentence's start it tells nothing
  // by itself, and the token reads as the rest of the text writes it: as a
  // name where the text writes it with capitals more often than in lower
  // case (an address or a stray lower-case token does not outvote the
  // prose). A query's words tell nothing of how the text writes a word; they
  // read as the text's tokens of their text read, when it holds some.
  auto forEachWord = [&](auto&& visit) {
    for (int32_t p = 0; p < r.ParagraphCount; ++p) {
      const TParsingParagraph& paragraph = r.Paragraph(p);
      for (int32_t s = 0; s < paragraph.SentenceCount; ++s) {
        const int32_t index = paragraph.FirstSentence + s;
        const TParsingSentence& sentence = r.Sentence(index);
        bool start = true;
        for (int32_t w = sentence.FirstWord; w < sentence.FirstWord + sentence.WordCount; ++w) {
          TParsingWord& word = r.Word(w);
          const bool first = start && !SeparatorOrNumeral(word);
          if (first) start = false;
          if (!Hashed(word) && word.VariantCount > 0) visit(word, index, first, w >= queryWord_);
        }
      }
    }
  };
  nameCases_.clear();
  forEachWord([&](TParsingWord& word, int32_t, bool first, bool query) {
    const int32_t name = query ? -1 : ProperNameVariant(word);
    if (name < 0) return;
    if (!HasCapitals(word)) {
      ++nameCases_[name].LowerCase;
    } else if (!first) {
      ++nameCases_[name].Capitals;
    }
  });
  textReadings_.clear();
  forEachWord([&](TParsingWord& word, int32_t sentence, bool first, bool query) {
    if (query && ReadAsTheText(word)) return;
    bool nameCase = HasCapitals(word);
    if (nameCase && first) {
      const TNameCases seen = NameCasesOf(ProperNameVariant(word));
      nameCase = seen.Capitals > seen.LowerCase;
    }
    ChooseVariant(word, sentenceLanguages_[static_cast<size_t>(sentence)], textLanguage, nameCase);
    if (!query && (queryWord_ < r.WordCount || kept_ != nullptr)) NoteTextReading(word);
  });
  if (kept_ != nullptr) KeepTextReadings(textLanguage);
}

int32_t TITextParsing::WordIndexOf(int32_t id) const {
  if (!parallelWorking_) return id;
  return id >= 0 && static_cast<size_t>(id) < nodeWord_.size() ? nodeWord_[static_cast<size_t>(id)] : -1;
}

int32_t TITextParsing::WeighLanguages() {
  std::fill(languageWeights_.begin(), languageWeights_.end(), 0);
  if (given_ != nullptr) {
    const size_t n = std::min(languageWeights_.size(), given_->LanguageWeights.size());
    std::copy_n(given_->LanguageWeights.begin(), n, languageWeights_.begin());
    return given_->Language;
  }
  int64_t total = 0;
  for (const TLanguage& language : languages_) total += language.Count;
  if (total > 0) {
    for (const TLanguage& language : languages_) {
      if (language.ID > 0 && language.ID < 256 && language.Count > 0) {
        languageWeights_[static_cast<size_t>(language.ID)] = static_cast<int32_t>(int64_t{language.Count} * 2048 / total);
      }
    }
  }
  int32_t language = 0;
  double ratio = 0.0;
  GetDominantLanguage(language, ratio);
  return language;
}

void TITextParsing::TakeGivenCounters() {
  TParsingText& r = result_;
  auto take = [&](int32_t id) {
    const auto counter = given_->Counters.find(WordIndexOf(id));
    SetCounter(id, counter != given_->Counters.end() ? counter->second : 0);
  };
  for (int32_t w = 0; w < r.WordCount; ++w) {
    const TParsingWord& word = r.Word(w);
    if (Hashed(word)) continue;
    if (word.VariantCount == 0) take(word.WordId);
    for (int32_t v = 0; v < word.VariantCount; ++v) take(r.Variant(word.FirstVariant + v).WordIndex);
  }
}

TITextParsing::TNameCases TITextParsing::NameCasesOf(int32_t id) const {
  if (id < 0) return TNameCases();
  if (given_ != nullptr) {
    const auto seen = given_->NameCases.find(WordIndexOf(id));
    return seen != given_->NameCases.end() ? seen->second : TNameCases();
  }
  const auto seen = nameCases_.find(id);
  return seen != nameCases_.end() ? seen->second : TNameCases();
}

void TITextParsing::KeepTextReadings(int32_t textLanguage) {
  TParsingText& r = result_;
  TTextReadings& kept = *kept_;
  kept.LanguageWeights = languageWeights_;
  kept.Language = textLanguage;
  for (const auto& [name, cases] : nameCases_) kept.NameCases[WordIndexOf(name)] = cases;
  kept.Readings = textReadings_;
  auto keep = [&](int32_t id) {
    const int32_t counter = GetCounter(id);
    if (counter != 0) kept.Counters[WordIndexOf(id)] = counter;
  };
  for (int32_t w = 0; w < std::min(r.WordCount, queryWord_); ++w) {
    const TParsingWord& word = r.Word(w);
    if (Hashed(word)) continue;
    if (word.VariantCount == 0) keep(word.WordId);
    for (int32_t v = 0; v < word.VariantCount; ++v) keep(r.Variant(word.FirstVariant + v).WordIndex);
  }
  kept.Valid = true;
}

// The key of a token's readings: its {word, form} pairs in order, by word
// index. Tokens of one text have the same readings in the same order (one
// look-up of the text in lower case).
void TITextParsing::ReadingsKey(const TParsingWord& word) {
  readingsKey_.clear();
  for (int32_t v = 0; v < word.VariantCount; ++v) {
    const TWordVariant& variant = result_.Variant(word.FirstVariant + v);
    readingsKey_.push_back(WordIndexOf(variant.WordIndex));
    readingsKey_.push_back(variant.Form);
  }
}

void TITextParsing::NoteTextReading(const TParsingWord& word) {
  ReadingsKey(word);
  int32_t chosen = 0;
  while (chosen < word.VariantCount && (result_.Variant(word.FirstVariant + chosen).WordIndex != word.WordId ||
                                        result_.Variant(word.FirstVariant + chosen).Form != word.Form)) {
    ++chosen;
  }
  std::vector<std::pair<int32_t, int32_t>>& taken = textReadings_[readingsKey_];
  for (auto& [index, tokens] : taken) {
    if (index == chosen) {
      ++tokens;
      return;
    }
  }
  taken.emplace_back(chosen, 1);
}

bool TITextParsing::ReadAsTheText(TParsingWord& word) {
  ReadingsKey(word);
  const auto& readings = given_ != nullptr ? given_->Readings : textReadings_;
  const auto found = readings.find(readingsKey_);
  if (found == readings.end()) return false;
  // The word most tokens took, then the form most of its tokens took (the
  // first met on a tie).
  const auto& taken = found->second;
  auto wordOf = [&](int32_t index) { return result_.Variant(word.FirstVariant + index).WordIndex; };
  int32_t bestWord = -1;
  int32_t most = 0;
  for (const auto& [index, tokens] : taken) {
    int32_t wordTokens = 0;
    for (const auto& [other, count] : taken) wordTokens += wordOf(other) == wordOf(index) ? count : 0;
    if (wordTokens > most) bestWord = wordOf(index), most = wordTokens;
  }
  int32_t best = 0;
  most = 0;
  for (const auto& [index, tokens] : taken) {
    if (wordOf(index) == bestWord && tokens > most) best = index, most = tokens;
  }
  const TWordVariant& reading = result_.Variant(word.FirstVariant + best);
  word.WordId = reading.WordIndex;
  word.Form = reading.Form;
  return true;
}

int32_t TITextParsing::ProperNameVariant(const TParsingWord& word) {
  for (int32_t v = 0; v < word.VariantCount; ++v) {
    const int32_t id = result_.Variant(word.FirstVariant + v).WordIndex;
    if (ProperName(WordOf(id))) return id;
  }
  return -1;
}

bool TITextParsing::KeepsItsPrefix(const TWDWord* word, int32_t form) const {
  TIMorphologyEngine* engine = dictionary_->MorphologyEngine();
  if (word == nullptr || form == 0 || engine == nullptr) return true;
  const int32_t group = word->GetGroup();
  if (group < 0 || group >= engine->LexemeCount()) return true;
  const TMEGroup* lexeme = engine->GetLexeme(group);
  return lexeme == nullptr || form >= lexeme->FormCount() || lexeme->GetFormPrefix(form) == lexeme->GetFormPrefix(0);
}

void TITextParsing::ChooseVariant(TParsingWord& word, int32_t sentenceLanguage, int32_t textLanguage,
                                  bool capitalised) {
  TParsingText& r = result_;
  auto variant = [&](int32_t v) -> const TWordVariant& { return r.Variant(word.FirstVariant + v); };
  // Stop words give way to any other reading.
  bool anyPlain = false;
  for (int32_t v = 0; v < word.VariantCount && !anyPlain; ++v) anyPlain = !StopWord(WordOf(variant(v).WordIndex));
  auto notStop = [&](const TWDWord* dictWord) { return !anyPlain || !StopWord(dictWord); };
  // A token in lower case: a proper name gives way to a common word of its
  // own dictionary.
  commonLanguages_.clear();
  if (!capitalised) {
    for (int32_t v = 0; v < word.VariantCount; ++v) {
      const TWDWord* dictWord = WordOf(variant(v).WordIndex);
      if (notStop(dictWord) && !ProperName(dictWord) && KeepsItsPrefix(dictWord, variant(v).Form)) {
        commonLanguages_.push_back(LanguageOf(dictWord));
      }
    }
  }
  auto setAside = [&](const TWDWord* dictWord) {
    return !capitalised && ProperName(dictWord) &&
           std::find(commonLanguages_.begin(), commonLanguages_.end(), LanguageOf(dictWord)) != commonLanguages_.end();
  };
  auto eligible = [&](const TWordVariant& candidate) {
    const TWDWord* dictWord = WordOf(candidate.WordIndex);
    return notStop(dictWord) && !setAside(dictWord);
  };
  // The first initial form of the sentence's language, else of the text's;
  // another language's only when neither language reads the token as a form
  // of a word's own (an English plural is not the French word spelt like it:
  // "jars"; a form made with a prefix, "default" of "fault", does not count).
  auto ofLanguage = [&](const TWordVariant& candidate, int32_t language) {
    return language != 0 && LanguageOf(WordOf(candidate.WordIndex)) == language;
  };
  int32_t chosen = -1;
  // A name set aside for a common word leaves the token to that word's
  // language too ("windows" in a Russian text is no German or French word),
  // where that word is of a part of speech the parser processes.
  bool ownReading = false;
  asideLanguages_.clear();
  for (int32_t v = 0; v < word.VariantCount; ++v) {
    const TWDWord* dictWord = WordOf(variant(v).WordIndex);
    if (!setAside(dictWord)) continue;
    ownReading = true;
    const int32_t language = LanguageOf(dictWord);
    for (int32_t c = 0; c < word.VariantCount; ++c) {
      const TWDWord* common = WordOf(variant(c).WordIndex);
      if (LanguageOf(common) == language && notStop(common) && !ProperName(common) && Processed(common) &&
          KeepsItsPrefix(common, variant(c).Form)) {
        asideLanguages_.push_back(language);
        break;
      }
    }
  }
  for (const int32_t language : {sentenceLanguage, textLanguage}) {
    for (int32_t v = 0; v < word.VariantCount && chosen < 0; ++v) {
      const TWordVariant& candidate = variant(v);
      if (!eligible(candidate) || !ofLanguage(candidate, language)) continue;
      if (candidate.Form == 0) {
        chosen = v;
      } else if (KeepsItsPrefix(WordOf(candidate.WordIndex), candidate.Form)) {
        ownReading = true;
      }
    }
  }
  for (int32_t v = 0; v < word.VariantCount && chosen < 0 && !ownReading; ++v) {
    if (variant(v).Form == 0 && eligible(variant(v))) chosen = v;
  }
  // The largest weight, among the readings of a set-aside name's language
  // when there is one.
  auto weighed = [&](const TWordVariant& candidate) {
    return eligible(candidate) &&
           (asideLanguages_.empty() || std::find(asideLanguages_.begin(), asideLanguages_.end(),
                                                 LanguageOf(WordOf(candidate.WordIndex))) != asideLanguages_.end());
  };
  int32_t best = 0;
  for (int32_t v = 0; v < word.VariantCount; ++v) {
    if (weighed(variant(v))) best = std::max<int32_t>(best, variant(v).Weight);
  }
  for (int32_t v = 0; v < word.VariantCount && chosen < 0; ++v) {
    if (weighed(variant(v)) && variant(v).Weight == best) chosen = v;
  }
  if (chosen < 0) chosen = 0;
  word.WordId = variant(chosen).WordIndex;
  word.Form = variant(chosen).Form;
}

void TITextParsing::CountLanguages() {
  TParsingText& r = result_;
  languages_.clear();
  sentencesCount_ = 0;
  countedWords_ = 0;
  distinctWords_ = 0;
  if (parallelWorking_) std::fill(nodeCounter_.begin(), nodeCounter_.end(), 0);
  auto forEachWord = [&](auto&& visit) {
    for (int32_t p = 0; p < r.ParagraphCount; ++p) {
      const TParsingParagraph& paragraph = r.Paragraph(p);
      for (int32_t s = 0; s < paragraph.SentenceCount; ++s) {
        const TParsingSentence& sentence = r.Sentence(paragraph.FirstSentence + s);
        for (int32_t w = 0; w < sentence.WordCount; ++w) {
          const TParsingWord& word = r.Word(sentence.FirstWord + w);
          if (!Hashed(word) && !SeparatorOrNumeral(word)) visit(word);
        }
      }
    }
  };
  for (int32_t p = 0; p < r.ParagraphCount; ++p) sentencesCount_ += r.Paragraph(p).SentenceCount;
  forEachWord([&](const TParsingWord& word) {
    TWDWord* dictWord = WordOf(word.WordId);
    if (dictWord == nullptr) return;
    if (!CountsForLanguage(dictWord)) {
      if (!parallelWorking_) dictWord->SetWeight(0);
      return;
    }
    CountLanguage(dictWord->GetDictionaryID());
    ++countedWords_;
    SetCounter(word.WordId, 1);
  });
  if (parallelWorking_) {
    for (int32_t counter : nodeCounter_) distinctWords_ += counter;
  } else {
    forEachWord([&](const TParsingWord& word) {
      TWDWord* dictWord = WordOf(word.WordId);
      if (dictWord == nullptr || dictWord->GetWeight() == 0) return;
      distinctWords_ += dictWord->GetWeight();
      dictWord->SetWeight(0);
    });
  }
  double ratio = 0.0;
  GetDominantLanguage(dominantLanguage_, ratio);
  paragraphsCount_ = r.ParagraphCount;
  languagesCount_ = static_cast<int32_t>(languages_.size());
  for (TLanguage& language : languages_) {
    language.Percent =
        countedWords_ > 0 ? static_cast<float>(static_cast<double>(language.Count) * 100.0 / countedWords_) : 0.0f;
  }
  // Largest percent first; equal percents keep their order.
  std::stable_sort(languages_.begin(), languages_.end(),
                   [](const TLanguage& a, const TLanguage& b) { return a.Percent > b.Percent; });
}

void TITextParsing::TranslateDistinctWords() {
  TParsingText& r = result_;
  auto wordOfNode = [&](int32_t node) {
    return node >= 0 && static_cast<size_t>(node) < nodeWord_.size() ? nodeWord_[static_cast<size_t>(node)] : node;
  };
  for (int32_t w = 0; w < r.WordCount; ++w) {
    TParsingWord& word = r.Word(w);
    if (!Hashed(word)) word.WordId = wordOfNode(word.WordId);
  }
  for (int32_t v = 0; v < r.VariantCount; ++v) {
    TWordVariant& variant = r.Variant(v);
    variant.WordIndex = wordOfNode(variant.WordIndex);
  }
}

}  // namespace kestrune
