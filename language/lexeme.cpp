#include "language/lexeme.h"

#include <stdexcept>

namespace kestrune {

// ---------------------------------------------------------------------------
// TMERule

void TMERule::SetEnding(std::u16string_view text) {
  if (!Lexeme || !Lexeme->Engine || Lexeme->Forms.empty()) return;
  TMEEngineTables& engine = *Lexeme->Engine;
  const int32_t k = static_cast<int32_t>(this - Lexeme->Forms.data());
  if (k < 0 || k >= Lexeme->FormCount()) return;
  if (engine.RuleEnding(Rule) == text) return;
  // Every table entry and the new reference are made before the form is
  // touched, so a refused id or reference leaves the form linked as it was.
  int32_t endingId = 0;
  engine.FindOrAddEnding(text, endingId);
  const int32_t rule = engine.FindOrAddRule(engine.RulePrefixId(Rule), endingId);
  engine.AddRuleReference(rule);
  engine.UnlinkForm(*Lexeme, k);
  engine.ReleaseRuleReference(Rule);
  Rule = rule;
  Next = -1;
  engine.LinkForm(*Lexeme, k);
  engine.RaiseMaxEndingLength(static_cast<int32_t>(text.size()));
}

void TMERule::GetFeatures(uint8_t (&features)[3]) const {
  features[0] = FormFeatures[0];
  features[1] = FormFeatures[1];
  features[2] = FormFeatures[2];
}

void TMERule::SetFeatures(uint32_t value) {
  FormFeatures[0] = static_cast<uint8_t>(value);
  FormFeatures[1] = static_cast<uint8_t>(value >> 8);
  FormFeatures[2] = static_cast<uint8_t>(value >> 16);
}

// ---------------------------------------------------------------------------
// TMEGroupFull: features

uint8_t TMEGroupFull::LexemeField(TMEFeatureField field) const {
  const uint8_t bytes[2] = {static_cast<uint8_t>(Features), static_cast<uint8_t>(Features >> 8)};
  return GetBits(field.Offset, field.Width, bytes, 2);
}

void TMEGroupFull::SetLexemeField(TMEFeatureField field, uint8_t value) {
  uint8_t bytes[2] = {static_cast<uint8_t>(Features), static_cast<uint8_t>(Features >> 8)};
  SetBits(field.Offset, field.Width, value, 2, bytes);
  Features = static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

uint8_t TMEGroupFull::GetPartOfSpeech() const { return LexemeField({0, 5}); }

void TMEGroupFull::SetPartOfSpeech(uint8_t value) {
  if (value != GetPartOfSpeech()) Features = 0;
  SetLexemeField({0, 5}, value);
}

uint8_t TMEGroupFull::FormField(int32_t j, TMEFeatureField field) const {
  const TMERule* form = FormAt(j);
  return form ? GetBits(field.Offset, field.Width, form->FormFeatures, 3) : 0;
}

void TMEGroupFull::SetFormField(int32_t j, TMEFeatureField field, uint8_t value) {
  if (TMERule* form = FormAt(j)) SetBits(field.Offset, field.Width, value, 3, form->FormFeatures);
}

void TMEGroupFull::GetFormFeatures(int32_t j, uint8_t (&features)[3]) const {
  if (const TMERule* form = FormAt(j)) {
    form->GetFeatures(features);
  } else {
    features[0] = features[1] = features[2] = 0;
  }
}

void TMEGroupFull::SetFormFeatures(int32_t j, const uint8_t (&features)[3]) {
  if (TMERule* form = FormAt(j)) {
    form->FormFeatures[0] = features[0];
    form->FormFeatures[1] = features[1];
    form->FormFeatures[2] = features[2];
  }
}

void TMEGroupFull::AddRef() {
  if (FUseCount < UINT32_MAX) ++FUseCount;
}

void TMEGroupFull::Release() {
  if (FUseCount > 0) --FUseCount;
}

// ---------------------------------------------------------------------------
// TMEGroupFull: forms

TMERule* TMEGroupFull::FormAt(int32_t j) {
  return j >= 0 && j < FFormCount && static_cast<size_t>(j) < Forms.size() ? &Forms[j] : nullptr;
}

const TMERule* TMEGroupFull::FormAt(int32_t j) const {
  return j >= 0 && j < FFormCount && static_cast<size_t>(j) < Forms.size() ? &Forms[j] : nullptr;
}

int32_t TMEGroupFull::LexemeIndex() const { return Engine ? Engine->LexemeIndexOf(*this) : -1; }

void TMEGroupFull::InitForm(int32_t k) {
  TMERule& form = Forms[k];
  form = TMERule();
  form.Lexeme = this;
}

int32_t TMEGroupFull::GetFormRule(int32_t j) const {
  const TMERule* form = FormAt(j);
  return form ? form->Rule : -1;
}

std::u16string TMEGroupFull::GetFormEnding(int32_t j) const {
  const TMERule* form = FormAt(j);
  return form && Engine ? Engine->RuleEnding(form->Rule) : std::u16string();
}

std::u16string TMEGroupFull::GetFormPrefix(int32_t j) const {
  const TMERule* form = FormAt(j);
  return form && Engine ? Engine->RulePrefix(form->Rule) : std::u16string();
}

void TMEGroupFull::SetFormEnding(int32_t j, std::u16string_view text) {
  if (TMERule* form = FormAt(j)) form->SetEnding(text);
}

int32_t TMEGroupFull::SetFormPrefix(int32_t j, std::u16string_view text) {
  TMERule* form = FormAt(j);
  if (!form || !Engine) return 0;
  if (Engine->RulePrefix(form->Rule) == text) return 1;
  int32_t prefixId = 0;
  Engine->FindOrAddPrefix(text, prefixId);
  const int32_t rule = Engine->FindOrAddRule(prefixId, Engine->RuleEndingId(form->Rule));
  Engine->AddRuleReference(rule);
  Engine->UnlinkForm(*this, j);
  Engine->ReleaseRuleReference(form->Rule);
  form->Next = -1;
  form->Rule = rule;
  Engine->LinkForm(*this, j);
  Engine->RaiseMaxPrefixLength(static_cast<int32_t>(text.size()));
  return static_cast<int32_t>(text.size());
}

int32_t TMEGroupFull::AddForm() {
  if (FFormCount >= kMaxForms) throw std::overflow_error("A lexeme holds at most 32767 forms");
  if (Forms.size() <= FFormCount) Forms.resize(Forms.size() + kFormGrowth);
  const int32_t j = FFormCount;
  InitForm(j);
  if (Engine) Engine->AddRuleReference(0);
  ++FFormCount;
  if (Engine) Engine->LinkForm(*this, j);
  return j;
}

void TMEGroupFull::DeleteForm(int32_t j) {
  if (!FormAt(j)) return;
  if (Engine) {
    Engine->UnlinkForm(*this, j);
    Engine->ReleaseRuleReference(Forms[j].Rule);
  }
  const int32_t last = FFormCount - 1;
  if (j < last) {
    for (int32_t k = j; k < last; ++k) Forms[k] = Forms[k + 1];
    for (int16_t& root : Roots) {
      if (root > j) --root;
    }
    for (int32_t k = 0; k < last; ++k) {
      TMERule& form = Forms[k];
      if (form.Left > j) --form.Left;
      if (form.Right > j) --form.Right;
      if (form.Next > j) --form.Next;
    }
  }
  --FFormCount;
}

}  // namespace kestrune
