// TIMorphologyEngineFull: the paradigm lexicon behind the word dictionary.
//
// A lexeme (an inflection paradigm, TMEGroupFull) is a list of forms (TMERule),
// each a rule, that is a prefix id and an ending id, plus 24 feature bits. The
// lexeme holds no stem: a dictionary word names its lexeme and supplies the
// stem, and a form's text is prefix + stem + ending. Identical paradigms are
// shared by many words.
//
// Tables: prefix and ending texts by id (id 0 the empty text), each indexed by
// a ternary tree (endings stored reversed); the rule table with its order index
// (rule ids sorted by ending id, then prefix id; rule 0 is (0, 0)); one
// TMEBase per language; lexemes in pages of 512. Within a lexeme the forms are
// indexed by one AVL tree per ending length, keyed by rule id, with same-rule
// chains (newest first behind the tree node), so FirstForm/NextForm find the
// forms of a rule in logarithmic time.
//
// Invariants: every rule's References equals the number of forms (in all
// lexemes) that carry it; every form is in exactly one tree or chain of its
// lexeme; AffixOrder lists every rule once.
//
// The "DRMP" lexicon file: LoadFromFile merges a file after what the engine
// holds (its prefix, ending and rule ids are mapped onto the engine's, lexemes
// are appended); SaveToFile compacts the engine (duplicate forms, rules without
// forms and the affixes only they used go, ids are renumbered) and writes it
// atomically. Readers check every count and id against what the tag and the
// tables can hold: a corrupt file ends the load with -5, never an exception.
//
// Limits: at most 65,535 prefix and 65,535 ending ids, prefixes of at most
// 255 units (the analysis keeps prefix lengths in a byte); FindOrAddPrefix,
// FindOrAddEnding and FindOrAddRule raise ERangeError beyond them, before any
// table changes. Compaction reports broken counts through ShowMessageBox
// (core/message.h) and goes on.
//
// Threads: none of its own; the engine is used by one thread at a time (the
// form cursor of FirstForm/NextForm is shared).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/paged_array.h"
#include "language/affix_tree.h"
#include "language/lexeme.h"
#include "language/morphology_engine.h"

namespace kestrune {

class TTagStream;

// One rule of the rule table: a prefix and an ending. References counts the
// forms that carry the rule; it lives in memory only.
struct TMEAffixRule {
  uint16_t Prefix = 0;
  uint16_t Ending = 0;
  uint32_t References = 0;
};

class TIMorphologyEngineFull : public TMEEngineTables {
 public:
  // "DRMP" file.
  static constexpr int32_t kFileVersion = 3;
  static constexpr int32_t kInfoSize = 25;
  static constexpr int32_t kInfoTag1 = 1, kInfoTag2 = 128, kInfoTag3 = 16384;
  static constexpr int32_t kTablesTag = 16385;
  static constexpr int32_t kAffixTag = 16386;
  static constexpr int32_t kPrefixesTag = 16387;
  static constexpr int32_t kEndingsTag = 16388;
  static constexpr int32_t kRulesTag = 16389;
  static constexpr int32_t kLexemeTag1 = 3, kLexemeTag2 = 130, kLexemeTag3 = 16390;
  static constexpr int32_t kLemmaTag1 = 4, kLemmaTag2 = 131, kLemmaTag3 = 16391;
  static constexpr int32_t kFormsTag1 = 5, kFormsTag2 = 132, kFormsTag3 = 16392;
  static constexpr int32_t kStatisticsTag1 = 6, kStatisticsTag2 = 133, kStatisticsTag3 = 16393;

  // Result codes of the file operations.
  static constexpr int32_t kDone = 0;
  static constexpr int32_t kFileError = -1;     // empty name, cannot create or open
  static constexpr int32_t kWrongMagic = -2;
  static constexpr int32_t kWrongVersion = -3;
  static constexpr int32_t kFileMissing = -4;
  static constexpr int32_t kCorrupt = -5;       // cannot open the stream, or a corrupt body
  static constexpr int32_t kCRCMismatch = -6;
  static constexpr int32_t kNoLexemes = -7;     // save

  // Limits of the tables.
  static constexpr int32_t kMaxAffixIds = 65535;  // prefix and ending ids are 16-bit
  static constexpr int32_t kMaxPrefixLength = 255;  // the analysis keeps prefix lengths in a byte

  TIMorphologyEngineFull();
  ~TIMorphologyEngineFull() override;
  TIMorphologyEngineFull(const TIMorphologyEngineFull&) = delete;
  TIMorphologyEngineFull& operator=(const TIMorphologyEngineFull&) = delete;

  // ---- the interface ----
  int32_t LexemeCount() const override { return lexemeCount_; }
  int32_t MaxEndingLength() const override { return maxEndingLength_; }
  TMEGroup* GetLexeme(int32_t index) override;
  void SetLexeme(int32_t index, TMEGroup* lexeme) override;
  int32_t BaseCount() const override { return static_cast<int32_t>(bases_.size()); }
  TMEBase* GetBase(int32_t index) override;
  void FindOrAddPrefix(std::u16string_view text, int32_t& id) override;
  void FindOrAddEnding(std::u16string_view text, int32_t& id) override;
  int32_t FindOrAddRule(int32_t prefix, int32_t ending) override;
  int16_t GetLanguageId() const override { return languageId_; }
  void SetLanguageId(int16_t id) override { languageId_ = id; }
  std::u16string GetHeaderText2() const override { return headerText2_; }
  void SetHeaderText2(std::u16string_view text) override { headerText2_ = text; }
  std::u16string GetHeaderText1() const override { return headerText1_; }
  void SetHeaderText1(std::u16string_view text) override { headerText1_ = text; }
  int32_t SaveToFile(std::u16string_view fileName) override;
  int32_t LoadFromFile(std::u16string_view fileName) override;
  int32_t AnalyseWord(std::u16string_view word, TAffixIndexes& rows) override;
  int32_t FormsOfRule(int32_t lexeme, int32_t rule, TArrayOfIndex& list) override;
  int32_t FirstForm(int32_t lexeme, int32_t rule, int32_t endingLength) override;
  int32_t NextForm() override;
  int32_t ReadFileInfo(std::u16string_view fileName, TMEFileInfo& info) override;
  int32_t FinishLexeme() override;
  void Clear() override;
  int32_t AddLexeme() override;
  void DeleteLexeme(int32_t index) override;
  std::u16string MakeForm(std::u16string_view stem, int32_t lexeme, int32_t form) override;
  int32_t FormCountByPartOfSpeech(uint8_t partOfSpeech) override;
  int32_t LexemeCountByPartOfSpeech(uint8_t partOfSpeech) override;
  int32_t FindLexemes(std::u16string_view lemma, TArrayOfIndex& list) override;
  uint8_t LanguagesOfText(std::u16string_view text, TLangIDs& ids) override;
  bool HasDelimiter(std::u16string_view text) override;
  int32_t BaseOfLanguage(int32_t languageId) override;
  int32_t FindOrCreateBase(const TMEFileInfo& info, std::u16string_view fileName, std::u16string_view textA,
                           std::u16string_view textB) override;
  void ReplaceSymbols(std::u16string_view text, int32_t languageId, std::u16string& result) override;
  char16_t ReplaceSymbol(char16_t c, int32_t languageId) override;
  void AddSymbolStatistic(char16_t c, int32_t lexeme, int32_t amount) override;
  void FindLexemeBySymbol(char16_t c, int32_t& lexeme, int32_t& count) override;
  int32_t MostUsedLexeme(const TArrayOfIndex& list) override;

  // Published event: progress 0..100 of a load or a save.
  std::function<void(int32_t progress)> OnProgressChange;

  // ---- the engine's side of the lexeme and form records ----
  std::u16string RulePrefix(int32_t rule) const override { return RulePrefixText(rule); }
  std::u16string RuleEnding(int32_t rule) const override { return RuleEndingText(rule); }
  int32_t RulePrefixId(int32_t rule) const override { return Rule(rule).Prefix; }
  int32_t RuleEndingId(int32_t rule) const override { return Rule(rule).Ending; }
  // References are 32-bit: they never overflow.
  void AddRuleReference(int32_t rule) override;
  void ReleaseRuleReference(int32_t rule) override;
  void LinkForm(TMEGroupFull& lexeme, int32_t form) override;
  void UnlinkForm(TMEGroupFull& lexeme, int32_t form) override;
  void RaiseMaxPrefixLength(int32_t length) override;
  void RaiseMaxEndingLength(int32_t length) override;
  int32_t LexemeIndexOf(const TMEGroupFull& lexeme) const override;

  // ---- tables ----
  int32_t PrefixCount() const { return prefixCount_; }
  int32_t EndingCount() const { return endingCount_; }
  int32_t RuleCount() const { return ruleCount_; }
  int32_t MaxPrefixLength() const { return maxPrefixLength_; }
  uint8_t DeleteEnabled() const { return deleteEnabled_; }
  void SetDeleteEnabled(uint8_t value) { deleteEnabled_ = value; }
  // Texts by id; empty for an id outside the list.
  const std::u16string& PrefixText(int32_t id) const;
  const std::u16string& EndingText(int32_t id) const;
  // The rule record; rule ids outside the table read as the empty rule 0.
  const TMEAffixRule& Rule(int32_t rule) const;
  const std::u16string& RulePrefixText(int32_t rule) const { return PrefixText(Rule(rule).Prefix); }
  const std::u16string& RuleEndingText(int32_t rule) const { return EndingText(Rule(rule).Ending); }
  // The id of the p-th rule in (ending id, prefix id) order.
  int32_t AffixOrder(int32_t position) const { return affixOrder_[position]; }
  // Binary search of the order index: found, with the rule id in `value`, or
  // not found, with the insertion position in `value`.
  bool LocateRule(int32_t prefix, int32_t ending, int32_t& value) const;
  // The same search between two positions (`high` cut to RuleCount - 1):
  // the position of the rule, or -1.
  int32_t SearchRuleRange(int32_t low, int32_t high, int32_t prefix, int32_t ending) const;

  // ---- lexemes and form trees ----
  // The lexeme record, null out of range.
  TMEGroupFull* LexemeAt(int32_t index);
  const TMEGroupFull* LexemeAt(int32_t index) const;
  // Sets lexeme slot `index` to an empty lexeme of this engine.
  void InitLexeme(int32_t index);
  // The form of the lexeme whose tree for that ending length holds the rule,
  // -1 none.
  int32_t FindForm(int32_t lexeme, int32_t rule, int32_t endingLength);

  // ---- compaction ----
  void CompactLexicon();
  void RemoveDuplicateForms(int32_t lexeme);
  void CompactRules();

  // The form cursor (tests).
  int32_t CursorForm() const { return cursorForm_; }
  int32_t CursorLexeme() const { return cursorLexeme_; }

 private:
  int32_t InsertFormNode(TMEGroupFull& lexeme, int32_t form);
  bool DeleteFormNode(TMEGroupFull& lexeme, int16_t& link, int32_t form);
  bool DetachPredecessor(TMEGroupFull& lexeme, int16_t& link, int32_t& detached);
  void ReplaceFormNode(TMEGroupFull& lexeme, int32_t form);
  bool BalanceLeftShrunk(TMEGroupFull& lexeme, int16_t& link);
  bool BalanceRightShrunk(TMEGroupFull& lexeme, int16_t& link);
  void ResetLexeme(TMEGroupFull& lexeme);
  void ResetTables();

  int32_t LoadBody(TTagStream& in, std::u16string_view fileName);
  int32_t WriteBody(TTagStream& out);

  TPagedArray<TMEGroupFull, 512> lexemes_;
  std::vector<std::unique_ptr<TMEBase>> bases_;
  uint8_t deleteEnabled_ = 1;
  int32_t lexemeCount_ = 0;
  int16_t languageId_ = 9;
  std::u16string headerText1_;
  std::u16string headerText2_;
  TAffixTree endingTree_{true};
  TAffixTree prefixTree_{false};
  std::vector<TMEAffixRule> rules_;
  std::vector<int32_t> affixOrder_;
  int32_t ruleCount_ = 1;
  std::vector<std::u16string> endings_;
  int32_t endingCount_ = 1;
  std::vector<std::u16string> prefixes_;
  int32_t prefixCount_ = 1;
  int32_t maxEndingLength_ = 0;
  int32_t maxPrefixLength_ = 0;
  int32_t cursorForm_ = -1;
  int32_t cursorLexeme_ = -1;
};

}  // namespace kestrune
