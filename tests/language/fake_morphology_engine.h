// Test engines written against the morphology interface.
//
// TTestMorphologyEngine: every operation does nothing (counts 0, look-ups -1
// or null). TFakeMorphologyEngine: a small paradigm lexicon over the real
// lexeme and form records: prefix, ending and rule tables searched linearly,
// forms found by scanning a lexeme (no form trees), and AnalyseWord filling the
// rows as the real engine's contract describes.
#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/paged_array.h"
#include "language/lexeme.h"

namespace kestrune::test {

class TTestMorphologyEngine : public TMEEngineTables {
 public:
  int32_t LexemeCount() const override { return 0; }
  int32_t MaxEndingLength() const override { return 0; }
  TMEGroup* GetLexeme(int32_t) override { return nullptr; }
  void SetLexeme(int32_t, TMEGroup*) override {}
  int32_t BaseCount() const override { return 0; }
  TMEBase* GetBase(int32_t) override { return nullptr; }
  void FindOrAddPrefix(std::u16string_view, int32_t& id) override { id = 0; }
  void FindOrAddEnding(std::u16string_view, int32_t& id) override { id = 0; }
  int32_t FindOrAddRule(int32_t, int32_t) override { return 0; }
  int16_t GetLanguageId() const override { return 9; }
  void SetLanguageId(int16_t) override {}
  std::u16string GetHeaderText2() const override { return {}; }
  void SetHeaderText2(std::u16string_view) override {}
  std::u16string GetHeaderText1() const override { return {}; }
  void SetHeaderText1(std::u16string_view) override {}
  int32_t SaveToFile(std::u16string_view) override { return -1; }
  int32_t LoadFromFile(std::u16string_view) override { return -1; }
  int32_t AnalyseWord(std::u16string_view, TAffixIndexes&) override { return 0; }
  int32_t FormsOfRule(int32_t, int32_t, TArrayOfIndex&) override { return 0; }
  int32_t FirstForm(int32_t, int32_t, int32_t) override { return -1; }
  int32_t NextForm() override { return -1; }
  int32_t ReadFileInfo(std::u16string_view, TMEFileInfo&) override { return -1; }
  int32_t FinishLexeme() override { return -1; }
  void Clear() override { ++ClearCalls; }
  int32_t AddLexeme() override { return -1; }
  void DeleteLexeme(int32_t) override {}
  std::u16string MakeForm(std::u16string_view, int32_t, int32_t) override { return {}; }
  int32_t FormCountByPartOfSpeech(uint8_t) override { return 0; }
  int32_t LexemeCountByPartOfSpeech(uint8_t) override { return 0; }
  int32_t FindLexemes(std::u16string_view, TArrayOfIndex&) override { return 0; }
  uint8_t LanguagesOfText(std::u16string_view, TLangIDs&) override { return 0; }
  bool HasDelimiter(std::u16string_view) override { return false; }
  int32_t BaseOfLanguage(int32_t) override { return -1; }
  int32_t FindOrCreateBase(const TMEFileInfo&, std::u16string_view, std::u16string_view,
                           std::u16string_view) override {
    return -1;
  }
  void ReplaceSymbols(std::u16string_view text, int32_t, std::u16string& result) override { result = text; }
  char16_t ReplaceSymbol(char16_t c, int32_t) override { return c; }
  void AddSymbolStatistic(char16_t, int32_t, int32_t) override {}
  void FindLexemeBySymbol(char16_t, int32_t& lexeme, int32_t& count) override { lexeme = -1, count = 0; }
  int32_t MostUsedLexeme(const TArrayOfIndex&) override { return -1; }

  std::u16string RulePrefix(int32_t) const override { return {}; }
  std::u16string RuleEnding(int32_t) const override { return {}; }
  int32_t RulePrefixId(int32_t) const override { return 0; }
  int32_t RuleEndingId(int32_t) const override { return 0; }
  void AddRuleReference(int32_t) override {}
  void ReleaseRuleReference(int32_t) override {}
  void LinkForm(TMEGroupFull&, int32_t) override {}
  void UnlinkForm(TMEGroupFull&, int32_t) override {}
  void RaiseMaxPrefixLength(int32_t) override {}
  void RaiseMaxEndingLength(int32_t) override {}
  int32_t LexemeIndexOf(const TMEGroupFull&) const override { return -1; }

  int32_t ClearCalls = 0;
};

class TFakeMorphologyEngine : public TTestMorphologyEngine {
 public:
  struct TFakeRule {
    int32_t Prefix;
    int32_t Ending;
    int32_t References;
  };
  struct TFormSpec {
    std::u16string Prefix;
    std::u16string Ending;
    uint32_t Features = 0;
  };

  TFakeMorphologyEngine() { Reset(); }

  // A lexeme with these forms (prefix, ending, features), in order.
  int32_t AddParadigm(const std::vector<TFormSpec>& forms, uint8_t partOfSpeech = 0) {
    const int32_t index = AddLexeme();
    TMEGroupFull& lexeme = Lexeme(index);
    lexeme.SetPartOfSpeech(partOfSpeech);
    int16_t longest = 0;
    for (const TFormSpec& spec : forms) {
      const int32_t j = lexeme.AddForm();
      lexeme.SetFormEnding(j, spec.Ending);
      if (!spec.Prefix.empty()) lexeme.SetFormPrefix(j, spec.Prefix);
      lexeme.Forms[j].SetFeatures(spec.Features);
      longest = std::max<int16_t>(longest, static_cast<int16_t>(spec.Ending.size()));
    }
    lexeme.MaxEnding = longest;
    return index;
  }

  TMEGroupFull& Lexeme(int32_t index) { return lexemes_[index]; }
  const std::vector<TFakeRule>& Rules() const { return rules_; }
  int32_t LinkCalls = 0;
  int32_t UnlinkCalls = 0;

  // The engine interface.
  int32_t LexemeCount() const override { return lexemeCount_; }
  int32_t MaxEndingLength() const override { return maxEnding_; }
  TMEGroup* GetLexeme(int32_t index) override {
    return index >= 0 && index < lexemeCount_ ? &lexemes_[index] : nullptr;
  }
  void FindOrAddPrefix(std::u16string_view text, int32_t& id) override { id = FindOrAdd(prefixes_, text); }
  void FindOrAddEnding(std::u16string_view text, int32_t& id) override { id = FindOrAdd(endings_, text); }
  int32_t FindOrAddRule(int32_t prefixId, int32_t endingId) override {
    const int32_t found = FindRule(prefixId, endingId);
    if (found >= 0) return found;
    rules_.push_back({prefixId, endingId, 0});
    return static_cast<int32_t>(rules_.size()) - 1;
  }
  int32_t AddLexeme() override {
    const int32_t index = lexemeCount_++;
    lexemes_.Reserve(lexemeCount_);
    TMEGroupFull& lexeme = lexemes_[index];
    lexeme = TMEGroupFull();
    lexeme.Engine = this;
    lexeme.Language = 9;
    return index;
  }
  void Clear() override {
    TTestMorphologyEngine::Clear();
    Reset();
  }
  int32_t AnalyseWord(std::u16string_view word, TAffixIndexes& rows) override {
    const int32_t n = static_cast<int32_t>(word.size());
    if (n == 0) return 0;
    const int32_t maxPrefix = MaxPrefixLength();
    const int32_t prefixBound = std::min(n, maxPrefix);
    const int32_t endingBound = std::min(n, maxEnding_);
    if (rows.size() < static_cast<size_t>(maxPrefix) + 1) rows.resize(static_cast<size_t>(maxPrefix) + 1);
    for (int32_t r = 0; r <= prefixBound; ++r) {
      std::vector<int32_t>& rules = rows[static_cast<size_t>(r)].Rules;
      if (rules.size() < static_cast<size_t>(maxEnding_) + 1) rules.resize(static_cast<size_t>(maxEnding_) + 1);
      std::fill(rules.begin(), rules.begin() + endingBound + 1, -1);
    }
    rows[0].Rules[0] = 0;
    rows[0].Count = 1;
    rows[0].PrefixLength = 0;
    int32_t rowCount = 1;
    std::vector<int32_t> prefixIds(1, 0);
    for (int32_t k = 1; k <= prefixBound; ++k) {
      const int32_t id = Find(prefixes_, word.substr(0, static_cast<size_t>(k)));
      if (id <= 0) continue;
      TLavelAffixIndexes& row = rows[static_cast<size_t>(rowCount++)];
      row.Count = 0;
      row.PrefixLength = static_cast<uint8_t>(k);
      prefixIds.push_back(id);
    }
    for (int32_t k = 1; k <= endingBound; ++k) {
      const int32_t ending = Find(endings_, word.substr(static_cast<size_t>(n - k)));
      if (ending <= 0) continue;
      for (int32_t r = 0; r < rowCount; ++r) {
        TLavelAffixIndexes& row = rows[static_cast<size_t>(r)];
        if (row.PrefixLength > n - k) break;
        const int32_t rule = FindRule(prefixIds[static_cast<size_t>(r)], ending);
        row.Rules[static_cast<size_t>(k)] = rule;
        if (rule >= 0) ++row.Count;
      }
    }
    for (int32_t r = 1; r < rowCount; ++r) rows[static_cast<size_t>(r)].Rules[0] = FindRule(prefixIds[static_cast<size_t>(r)], 0);
    return rowCount;
  }
  int32_t FirstForm(int32_t lexeme, int32_t rule, int32_t endingLength) override {
    cursorForms_.clear();
    cursor_ = 0;
    if (lexeme < 0 || lexeme >= lexemeCount_ || rule < 0 || rule >= static_cast<int32_t>(rules_.size())) return -1;
    const TMEGroupFull& group = lexemes_[lexeme];
    for (int32_t j = 0; j < group.FormCount(); ++j) {
      const int32_t formRule = group.Forms[j].Rule;
      if (formRule == rule && static_cast<int32_t>(RuleEnding(formRule).size()) == endingLength) cursorForms_.push_back(j);
    }
    return NextForm();
  }
  int32_t NextForm() override {
    return cursor_ < cursorForms_.size() ? cursorForms_[cursor_++] : -1;
  }
  std::u16string MakeForm(std::u16string_view stem, int32_t lexeme, int32_t form) override {
    const int32_t rule = lexemes_[lexeme].Forms[form].Rule;
    return RulePrefix(rule) + std::u16string(stem) + RuleEnding(rule);
  }

  // The tables of the records.
  std::u16string RulePrefix(int32_t rule) const override { return prefixes_[rules_[rule].Prefix]; }
  std::u16string RuleEnding(int32_t rule) const override { return endings_[rules_[rule].Ending]; }
  int32_t RulePrefixId(int32_t rule) const override { return rules_[rule].Prefix; }
  int32_t RuleEndingId(int32_t rule) const override { return rules_[rule].Ending; }
  void AddRuleReference(int32_t rule) override {
    if (rules_[rule].References >= 65535) throw std::overflow_error("references");
    ++rules_[rule].References;
  }
  void ReleaseRuleReference(int32_t rule) override { --rules_[rule].References; }
  void LinkForm(TMEGroupFull&, int32_t) override { ++LinkCalls; }
  void UnlinkForm(TMEGroupFull&, int32_t) override { ++UnlinkCalls; }
  void RaiseMaxPrefixLength(int32_t length) override { maxPrefix_ = std::max(maxPrefix_, length); }
  void RaiseMaxEndingLength(int32_t length) override { maxEnding_ = std::max(maxEnding_, length); }
  int32_t LexemeIndexOf(const TMEGroupFull& lexeme) const override {
    for (int32_t i = 0; i < lexemeCount_; ++i) {
      if (&lexemes_[i] == &lexeme) return i;
    }
    return -1;
  }
  int32_t MaxPrefixLength() const { return maxPrefix_; }

 private:
  void Reset() {
    lexemes_.Clear();
    lexemeCount_ = 0;
    prefixes_.assign(1, u"");
    endings_.assign(1, u"");
    rules_.assign(1, TFakeRule{0, 0, 0});
    maxEnding_ = maxPrefix_ = 0;
  }
  static int32_t Find(const std::vector<std::u16string>& list, std::u16string_view text) {
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i] == text) return static_cast<int32_t>(i);
    }
    return -1;
  }
  static int32_t FindOrAdd(std::vector<std::u16string>& list, std::u16string_view text) {
    const int32_t found = Find(list, text);
    if (found >= 0) return found;
    list.emplace_back(text);
    return static_cast<int32_t>(list.size()) - 1;
  }
  int32_t FindRule(int32_t prefix, int32_t ending) const {
    for (size_t i = 0; i < rules_.size(); ++i) {
      if (rules_[i].Prefix == prefix && rules_[i].Ending == ending) return static_cast<int32_t>(i);
    }
    return -1;
  }

  TPagedArray<TMEGroupFull, 512> lexemes_;
  int32_t lexemeCount_ = 0;
  std::vector<std::u16string> prefixes_;
  std::vector<std::u16string> endings_;
  std::vector<TFakeRule> rules_;
  int32_t maxEnding_ = 0;
  int32_t maxPrefix_ = 0;
  std::vector<int32_t> cursorForms_;
  size_t cursor_ = 0;
};

}  // namespace kestrune::test
