// The lexeme and form records of the morphology engine.
//
// TMEGroupFull is one lexeme: lemma, 16 bits of lexeme features (part of
// speech in bits 0-4), language, user value, use count, the longest ending,
// letter statistics and its forms. Each form is a TMERule record: the rule (a
// prefix id and an ending id in the engine's rule table) that turns a stem into
// the form, 24 bits of form features, and its links in the lexeme's form tree
// for its ending length. Both records live in place in arrays of the engine
// (lexemes in pages of 512, forms in a per-lexeme array) and are used as
// objects; the fields are public because the engine maintains them.
//
// What a record needs of the engine's tables (rule texts, rule reference
// counts, the form trees) it asks through TMEEngineTables, the part of the
// engine interface that TIMorphologyEngineFull adds; a record never owns its
// engine. Not thread-safe: an engine and its records are used by one thread at
// a time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "language/morphology_engine.h"

namespace kestrune {

class TMEGroupFull;

// A feature field: bit offset and width within a feature buffer.
struct TMEFeatureField {
  uint8_t Offset;
  uint8_t Width;
};

// Lexeme feature fields 1..14 over the 2-byte lexeme features (entry 0 unused).
inline constexpr TMEFeatureField kLexemeFeatureFields[15] = {
    {0, 0}, {5, 3}, {5, 2}, {7, 2},  {11, 2}, {13, 2}, {5, 2}, {9, 2},
    {5, 3}, {5, 4}, {9, 2}, {5, 3},  {10, 2}, {12, 2}, {8, 2}};

// Form feature fields 1..30 over the 3-byte form features (entry 0 unused);
// getter and setter n address the same field.
inline constexpr TMEFeatureField kFormFeatureFields[31] = {
    {0, 0},  {8, 2},  {12, 2}, {10, 2}, {6, 2}, {0, 2}, {2, 4},  {0, 2},  {2, 4},  {6, 2},  {0, 2},
    {2, 4},  {0, 2},  {8, 2},  {2, 4},  {6, 2}, {0, 2}, {2, 4},  {6, 2},  {0, 2},  {8, 2},  {8, 2},
    {2, 4},  {10, 2}, {6, 2},  {19, 3}, {0, 2}, {22, 2}, {15, 2}, {12, 3}, {17, 2}};

// The engine's side of the lexeme and form records: the rule table, its
// reference counts and the per-lexeme form trees. TIMorphologyEngineFull
// implements it.
class TMEEngineTables : public TIMorphologyEngine {
 public:
  // Texts and ids of a rule's prefix and ending.
  virtual std::u16string RulePrefix(int32_t rule) const = 0;
  virtual std::u16string RuleEnding(int32_t rule) const = 0;
  virtual int32_t RulePrefixId(int32_t rule) const = 0;
  virtual int32_t RuleEndingId(int32_t rule) const = 0;
  // References of a rule (a 32-bit count in memory, never stored, so it does
  // not overflow): AddRuleReference raises it; ReleaseRuleReference
  // lowers the count.
  virtual void AddRuleReference(int32_t rule) = 0;
  virtual void ReleaseRuleReference(int32_t rule) = 0;
  // Links form k of the lexeme into its form tree (or chains it behind the
  // form that holds its rule) / takes it out again.
  virtual void LinkForm(TMEGroupFull& lexeme, int32_t k) = 0;
  virtual void UnlinkForm(TMEGroupFull& lexeme, int32_t k) = 0;
  // Raise the engine's longest prefix / ending length.
  virtual void RaiseMaxPrefixLength(int32_t length) = 0;
  virtual void RaiseMaxEndingLength(int32_t length) = 0;
  // The lexeme's number (page x 512 + slot), -1 when it is not the engine's.
  virtual int32_t LexemeIndexOf(const TMEGroupFull& lexeme) const = 0;
};

// One form.
class TMERule {
 public:
  TMERule() = default;
  virtual ~TMERule() = default;
  TMERule(const TMERule&) = default;
  TMERule& operator=(const TMERule&) = default;

  // Gives the form a new ending: nothing when the ending is unchanged; else the
  // rule (old prefix, new ending) becomes the form's rule and the form is
  // linked again.
  virtual void SetEnding(std::u16string_view text);
  // The 3 feature bytes.
  virtual void GetFeatures(uint8_t (&features)[3]) const;
  // From the low 24 bits of the value.
  virtual void SetFeatures(uint32_t value);

  TMEGroupFull* Lexeme = nullptr;
  uint8_t FormFeatures[3] = {0, 0, 0};
  int32_t Rule = 0;
  int16_t Left = -1;
  int16_t Right = -1;
  int16_t Next = -1;
  uint8_t Balance = 1;
};

using TMERules = std::vector<TMERule>;

// One lexeme.
class TMEGroupFull : public TMEGroup {
 public:
  static constexpr int32_t kFormGrowth = 32;
  // Form links are 16-bit signed form numbers.
  static constexpr int32_t kMaxForms = 32767;

  TMEGroupFull() = default;
  TMEGroupFull(const TMEGroupFull&) = default;
  TMEGroupFull& operator=(const TMEGroupFull&) = default;

  std::u16string GetLemma() const override { return Lemma; }
  void SetLemma(std::u16string_view text) override { Lemma.assign(text); }
  uint8_t GetPartOfSpeech() const override;
  void SetPartOfSpeech(uint8_t value) override;
  int16_t GetLanguage() const override { return Language; }
  void SetLanguage(int16_t language) override { Language = language; }
  int32_t FormCount() const override { return FFormCount; }
  uint32_t GetUserValue() const override { return UserValue; }
  void SetUserValue(uint32_t value) override { UserValue = value; }
  uint16_t GetFeatures() const override { return Features; }
  uint16_t SetFeatures(uint16_t features) override { return Features = features; }
  int32_t UseCount() const override { return static_cast<int32_t>(std::min<uint32_t>(FUseCount, INT32_MAX)); }
  int32_t MaxEndingLength() const override { return MaxEnding; }

#define KESTRUNE_DEFINE_LEXEME_FEATURE(n)                                                  \
  uint8_t GetLexemeFeature##n() const override { return LexemeField(kLexemeFeatureFields[n]); } \
  void SetLexemeFeature##n(uint8_t value) override { SetLexemeField(kLexemeFeatureFields[n], value); }
  KESTRUNE_LEXEME_FEATURES(KESTRUNE_DEFINE_LEXEME_FEATURE)
#undef KESTRUNE_DEFINE_LEXEME_FEATURE

#define KESTRUNE_DEFINE_FORM_FEATURE(n)                                                               \
  uint8_t GetFormFeature##n(int32_t j) const override { return FormField(j, kFormFeatureFields[n]); } \
  void SetFormFeature##n(int32_t j, uint8_t value) override { SetFormField(j, kFormFeatureFields[n], value); }
  KESTRUNE_FORM_FEATURES(KESTRUNE_DEFINE_FORM_FEATURE)
#undef KESTRUNE_DEFINE_FORM_FEATURE

  std::u16string GetFormEnding(int32_t j) const override;
  int32_t GetFormRule(int32_t j) const override;
  void SetFormEnding(int32_t j, std::u16string_view text) override;
  std::u16string GetFormPrefix(int32_t j) const override;
  int32_t SetFormPrefix(int32_t j, std::u16string_view text) override;
  void GetFormFeatures(int32_t j, uint8_t (&features)[3]) const override;
  void SetFormFeatures(int32_t j, const uint8_t (&features)[3]) override;
  void AddRef() override;
  void Release() override;
  // Appends an empty form (rule 0, no features) and links it; its index.
  // Throws std::overflow_error on a lexeme with kMaxForms forms.
  int32_t AddForm() override;
  void DeleteForm(int32_t j) override;

  // The form record, null when j < 0 or j >= FormCount().
  TMERule* FormAt(int32_t j);
  const TMERule* FormAt(int32_t j) const;
  // The lexeme's number in its engine, -1 without an engine.
  int32_t LexemeIndex() const;
  // Sets form slot k to an empty form of this lexeme: features 0, rule 0, no
  // links, balance 1.
  void InitForm(int32_t k);

  TMEEngineTables* Engine = nullptr;
  TMERules Forms;  // grows by 32 records; FFormCount of them are valid
  std::u16string Lemma;
  uint16_t Features = 0;
  uint16_t FFormCount = 0;
  int16_t Language = 0;
  std::vector<int16_t> Roots;  // per ending length, the root form, -1 none
  uint32_t UserValue = 0;
  uint32_t FUseCount = 0;  // 32-bit in memory (never stored): no overflow
  int16_t MaxEnding = 0;
  std::vector<int32_t> Statistics;  // per letter of the language's alphabet

 private:
  uint8_t LexemeField(TMEFeatureField field) const;
  void SetLexemeField(TMEFeatureField field, uint8_t value);
  uint8_t FormField(int32_t j, TMEFeatureField field) const;
  void SetFormField(int32_t j, TMEFeatureField field, uint8_t value);
};

}  // namespace kestrune
