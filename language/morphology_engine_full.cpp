#include "language/morphology_engine_full.h"

#include <algorithm>

#include "core/errors.h"
#include "platform/text.h"

namespace kestrune {

namespace {

constexpr size_t kPrefixGrowth = 128;
constexpr size_t kEndingGrowth = 1024;
constexpr size_t kRuleGrowth = 1024;

const std::u16string kEmptyText;
const TMEAffixRule kEmptyRule;

}  // namespace

TIMorphologyEngineFull::TIMorphologyEngineFull() { ResetTables(); }

TIMorphologyEngineFull::~TIMorphologyEngineFull() { Clear(); }

void TIMorphologyEngineFull::ResetTables() {
  prefixTree_.Clear();
  endingTree_.Clear();
  if (prefixes_.size() > kPrefixGrowth) prefixes_ = std::vector<std::u16string>(kPrefixGrowth);
  for (auto& p : prefixes_) p.clear();
  prefixes_.resize(kPrefixGrowth);
  prefixCount_ = 1;
  if (endings_.size() > kEndingGrowth) endings_ = std::vector<std::u16string>(kEndingGrowth);
  for (auto& e : endings_) e.clear();
  endings_.resize(kEndingGrowth);
  endingCount_ = 1;
  if (rules_.capacity() > kRuleGrowth) {
    rules_ = std::vector<TMEAffixRule>();
    affixOrder_ = std::vector<int32_t>();
  }
  rules_.clear();
  affixOrder_.clear();
  rules_.reserve(kRuleGrowth);
  affixOrder_.reserve(kRuleGrowth);
  rules_.push_back(TMEAffixRule{});
  affixOrder_.push_back(0);
  ruleCount_ = 1;
  maxEndingLength_ = 0;
  maxPrefixLength_ = 0;
}

void TIMorphologyEngineFull::Clear() {
  for (int32_t i = 0; i < lexemeCount_; ++i) ResetLexeme(lexemes_[i]);
  lexemes_.Clear();
  lexemeCount_ = 0;
  ResetTables();
  languageId_ = 9;
  deleteEnabled_ = 1;
  headerText1_.clear();
  headerText2_.clear();
  bases_.clear();
  // No walk over the forms of a freed lexeme.
  cursorForm_ = -1;
  cursorLexeme_ = -1;
}

// ---- affixes and rules ----

const std::u16string& TIMorphologyEngineFull::PrefixText(int32_t id) const {
  return id >= 0 && id < prefixCount_ ? prefixes_[id] : kEmptyText;
}

const std::u16string& TIMorphologyEngineFull::EndingText(int32_t id) const {
  return id >= 0 && id < endingCount_ ? endings_[id] : kEmptyText;
}

const TMEAffixRule& TIMorphologyEngineFull::Rule(int32_t rule) const {
  return rule >= 0 && rule < ruleCount_ ? rules_[rule] : kEmptyRule;
}

void TIMorphologyEngineFull::FindOrAddPrefix(std::u16string_view text, int32_t& id) {
  if (text.empty()) {
    id = 0;
    return;
  }
  // Refused before any table changes.
  if (text.size() > static_cast<size_t>(kMaxPrefixLength)) throw ERangeError("Prefix too long");
  if (prefixCount_ >= kMaxAffixIds && prefixTree_.Find(text) < 0) throw ERangeError("Too many prefixes");
  id = prefixTree_.Insert(text, prefixCount_);
  if (id == prefixCount_) {
    if (static_cast<size_t>(prefixCount_) >= prefixes_.size()) prefixes_.resize(prefixes_.size() + kPrefixGrowth);
    prefixes_[prefixCount_] = text;
    ++prefixCount_;
  }
}

void TIMorphologyEngineFull::FindOrAddEnding(std::u16string_view text, int32_t& id) {
  if (text.empty()) {
    id = 0;
    return;
  }
  if (endingCount_ >= kMaxAffixIds && endingTree_.Find(text) < 0) throw ERangeError("Too many endings");
  id = endingTree_.Insert(text, endingCount_);
  if (id == endingCount_) {
    if (static_cast<size_t>(endingCount_) >= endings_.size()) endings_.resize(endings_.size() + kEndingGrowth);
    endings_[endingCount_] = text;
    ++endingCount_;
  }
}

bool TIMorphologyEngineFull::LocateRule(int32_t prefix, int32_t ending, int32_t& value) const {
  int32_t lo = 0;
  int32_t hi = ruleCount_ - 1;
  while (lo <= hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    const TMEAffixRule& r = rules_[affixOrder_[mid]];
    const int32_t c = r.Ending != ending ? (r.Ending < ending ? -1 : 1) : (r.Prefix < prefix ? -1 : r.Prefix > prefix ? 1 : 0);
    if (c == 0) {
      value = affixOrder_[mid];
      return true;
    }
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  value = lo;
  return false;
}

int32_t TIMorphologyEngineFull::SearchRuleRange(int32_t low, int32_t high, int32_t prefix, int32_t ending) const {
  if (high > ruleCount_ - 1) high = ruleCount_ - 1;
  if (low < 0) low = 0;
  while (low <= high) {
    const int32_t mid = low + (high - low) / 2;
    const TMEAffixRule& r = rules_[affixOrder_[mid]];
    const int32_t c = r.Ending != ending ? (r.Ending < ending ? -1 : 1) : (r.Prefix < prefix ? -1 : r.Prefix > prefix ? 1 : 0);
    if (c == 0) return mid;
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
    }
  }
  return -1;
}

int32_t TIMorphologyEngineFull::FindOrAddRule(int32_t prefix, int32_t ending) {
  // Ids of affixes the tables hold; anything else is refused before a change.
  if (prefix < 0 || prefix >= prefixCount_ || ending < 0 || ending >= endingCount_) {
    throw ERangeError("Rule affix out of range");
  }
  int32_t value = 0;
  if (LocateRule(prefix, ending, value)) return value;
  if (ruleCount_ == INT32_MAX) throw ERangeError("Too many rules");
  if (rules_.size() == rules_.capacity()) {
    rules_.reserve(rules_.capacity() + kRuleGrowth);
    affixOrder_.reserve(affixOrder_.capacity() + kRuleGrowth);
  }
  const int32_t id = ruleCount_;
  rules_.push_back(TMEAffixRule{static_cast<uint16_t>(prefix), static_cast<uint16_t>(ending), 0});
  affixOrder_.insert(affixOrder_.begin() + value, id);
  ++ruleCount_;
  return id;
}

void TIMorphologyEngineFull::RaiseMaxPrefixLength(int32_t length) {
  if (length > maxPrefixLength_) maxPrefixLength_ = length;
}

void TIMorphologyEngineFull::RaiseMaxEndingLength(int32_t length) {
  if (length > maxEndingLength_) maxEndingLength_ = length;
}

void TIMorphologyEngineFull::AddRuleReference(int32_t rule) {
  if (rule >= 0 && rule < ruleCount_) ++rules_[rule].References;
}

void TIMorphologyEngineFull::ReleaseRuleReference(int32_t rule) {
  if (rule >= 0 && rule < ruleCount_ && rules_[rule].References > 0) --rules_[rule].References;
}

// ---- counts by part of speech ----

int32_t TIMorphologyEngineFull::FormCountByPartOfSpeech(uint8_t partOfSpeech) {
  int32_t total = 0;
  for (int32_t i = 0; i < lexemeCount_; ++i) {
    TMEGroupFull& g = lexemes_[i];
    if ((g.Features & 0x1F) == partOfSpeech) total += g.FFormCount;
  }
  return total;
}

int32_t TIMorphologyEngineFull::LexemeCountByPartOfSpeech(uint8_t partOfSpeech) {
  int32_t total = 0;
  for (int32_t i = 0; i < lexemeCount_; ++i) {
    TMEGroupFull& g = lexemes_[i];
    if ((g.Features & 0x1F) == partOfSpeech) ++total;
  }
  return total;
}

// ---- bases and languages ----

TMEBase* TIMorphologyEngineFull::GetBase(int32_t index) {
  return index >= 0 && index < BaseCount() ? bases_[index].get() : nullptr;
}

int32_t TIMorphologyEngineFull::BaseOfLanguage(int32_t languageId) {
  for (int32_t i = 0; i < BaseCount(); ++i) {
    if (bases_[i]->LanguageID == languageId) return i;
  }
  return -1;
}

int32_t TIMorphologyEngineFull::FindOrCreateBase(const TMEFileInfo& info, std::u16string_view fileName,
                                                 std::u16string_view textA, std::u16string_view textB) {
  const int32_t found = BaseOfLanguage(info.LanguageId);
  if (found >= 0) return found;
  if (info.LanguageId < INT16_MIN || info.LanguageId > INT16_MAX) throw ERangeError("Language id out of range");
  auto base = std::make_unique<TMEBase>();
  base->LanguageID = static_cast<int16_t>(info.LanguageId);
  base->SymbolCount = info.SymbolCount;
  base->Symbol2Count = info.Symbol2Count;
  base->PairCount = info.PairCount;
  base->FileVersion = static_cast<uint32_t>(info.Version);
  base->BaseLexemeCount = static_cast<uint32_t>(info.LexemeCount);
  base->BaseRuleCount = static_cast<uint32_t>(info.RuleCount);
  base->FileName = fileName;
  base->HeaderText1 = textA;
  base->HeaderText2 = textB;
  bases_.push_back(std::move(base));
  return BaseCount() - 1;
}

uint8_t TIMorphologyEngineFull::LanguagesOfText(std::u16string_view text, TLangIDs& ids) {
  if (text.empty() || bases_.empty()) return 0;
  if (ids.size() < bases_.size()) ids.resize(bases_.size());
  uint8_t m = 0;
  for (const auto& base : bases_) {
    if (base->LanguageID == 0 || base->SymbolCount == 0) continue;
    bool all = true;
    for (char16_t c : text) {
      int32_t position = 0;
      if (!base->FindSymbol(c, position)) {
        all = false;
        break;
      }
    }
    if (all) ids[m++] = static_cast<uint16_t>(base->LanguageID);
  }
  return m;
}

bool TIMorphologyEngineFull::HasDelimiter(std::u16string_view text) {
  for (char16_t c : text) {
    if (c == 9 || (c >= 32 && c <= 64) || (c >= 91 && c <= 94) || (c >= 123 && c <= 126)) return true;
    switch (c) {
      case 133: case 147: case 148: case 160: case 167: case 169: case 171:
      case 174: case 176: case 177: case 183: case 187:
        return true;
      default:
        break;
    }
  }
  return false;
}

char16_t TIMorphologyEngineFull::ReplaceSymbol(char16_t c, int32_t languageId) {
  const int32_t b = BaseOfLanguage(languageId);
  if (b < 0) return c;
  const TMEBase& base = *bases_[b];
  const int32_t pairs = std::min<int32_t>(base.PairCount, static_cast<int32_t>(base.Pairs.size()));
  for (int32_t i = 0; i < pairs; ++i) {
    const auto& pair = base.Pairs[i];
    if (pair.First < base.Symbols.size() && base.Symbols[pair.First].Char == c) {
      return pair.Second < base.Symbols.size() ? base.Symbols[pair.Second].Char : c;
    }
    if (pair.First < base.Symbols2.size() && static_cast<char16_t>(base.Symbols2[pair.First].Char) == c) {
      return pair.Second < base.Symbols2.size() ? static_cast<char16_t>(base.Symbols2[pair.Second].Char) : c;
    }
  }
  return c;
}

void TIMorphologyEngineFull::ReplaceSymbols(std::u16string_view text, int32_t languageId, std::u16string& result) {
  result.resize(text.size());
  for (size_t i = 0; i < text.size(); ++i) result[i] = ReplaceSymbol(text[i], languageId);
}

void TIMorphologyEngineFull::AddSymbolStatistic(char16_t c, int32_t lexeme, int32_t amount) {
  TMEGroupFull* g = LexemeAt(lexeme);
  if (!g) return;
  const int32_t b = BaseOfLanguage(g->Language);
  if (b < 0) return;
  TMEBase& base = *bases_[b];
  int32_t position = 0;
  if (!base.FindSymbol(c, position)) return;
  if (g->Statistics.size() != base.SymbolCount) g->Statistics.assign(base.SymbolCount, 0);
  if (position < 0 || static_cast<size_t>(position) >= g->Statistics.size() || amount < 0) return;
  const int64_t sum = int64_t{g->Statistics[position]} + amount;
  g->Statistics[position] = sum > INT32_MAX ? 0 : static_cast<int32_t>(sum);
}

void TIMorphologyEngineFull::FindLexemeBySymbol(char16_t c, int32_t& lexeme, int32_t& count) {
  count = 0;
  lexeme = -1;
  for (int32_t i = 0; i < lexemeCount_; ++i) {
    TMEGroupFull& g = lexemes_[i];
    if (g.Statistics.empty()) continue;
    const int32_t b = BaseOfLanguage(g.Language);
    if (b < 0) continue;
    int32_t position = 0;
    if (!bases_[b]->FindSymbol(c, position)) continue;
    if (static_cast<size_t>(position) >= g.Statistics.size()) continue;
    if (g.Statistics[position] > count) {
      count = g.Statistics[position];
      lexeme = i;
    }
  }
}

int32_t TIMorphologyEngineFull::MostUsedLexeme(const TArrayOfIndex& list) {
  int32_t best = -1;
  int64_t bestCount = -1;
  for (int32_t index : list) {
    TMEGroupFull* g = LexemeAt(index);
    const int64_t uses = g ? int64_t{g->UseCount()} : 0;
    if (uses > bestCount) {
      bestCount = uses;
      best = index;
    }
  }
  return best;
}

int32_t TIMorphologyEngineFull::FindLexemes(std::u16string_view lemma, TArrayOfIndex& list) {
  list.clear();
  for (int32_t i = 0; i < lexemeCount_; ++i) {
    if (lexemes_[i].Lemma == lemma) list.push_back(i);
  }
  return static_cast<int32_t>(list.size());
}

}  // namespace kestrune
