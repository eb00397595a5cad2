#include "language/lexeme.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "language/morphology_engine.h"
#include "tests/language/fake_morphology_engine.h"

namespace kestrune {
namespace {

using test::TFakeMorphologyEngine;

uint8_t* Bytes(uint16_t& value) { return reinterpret_cast<uint8_t*>(&value); }

TEST(FeatureBits, GetAndSetBitsFollowTheirEdgeRules) {
  uint16_t buffer = 0xFFFF;
  EXPECT_EQ(GetBits(0, 5, Bytes(buffer), 2), 0x1F);
  EXPECT_THROW(GetBits(12, 5, Bytes(buffer), 2), std::out_of_range);
  try {
    GetBits(12, 5, Bytes(buffer), 2);
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Out of the feature's memory!");
  }

  SetBits(2, 4, 0, 2, Bytes(buffer));  // clears bits 2..5 only
  EXPECT_EQ(buffer, 0xFFC3);

  buffer = 0;
  SetBits(0, 2, 7, 2, Bytes(buffer));  // cut to 2 bits
  EXPECT_EQ(buffer, 3);

  // A fitting value in a field past the buffer raises and writes nothing; a
  // wider value is cut without the test and its outside bits are dropped.
  buffer = 0x1234;
  EXPECT_THROW(SetBits(14, 4, 1, 2, Bytes(buffer)), std::out_of_range);
  EXPECT_EQ(buffer, 0x1234);
  SetBits(14, 4, 0xFF, 2, Bytes(buffer));
  EXPECT_EQ(buffer, 0xD234);

  uint8_t three[3] = {0, 0, 0};
  SetBits(19, 3, 5, 3, three);
  EXPECT_EQ(three[2], 5 << 3);
  EXPECT_EQ(GetBits(19, 3, three, 3), 5);

  char16_t chars[] = u"abc";
  ReverseWideChars(chars, 3);
  EXPECT_EQ(std::u16string(chars), u"cba");
}

TEST(MEBase, FindSymbolGivesHitOrInsertionPlace) {
  TMEBase base;
  int32_t position = -1;
  EXPECT_FALSE(base.FindSymbol(u'a', position));
  EXPECT_EQ(position, 0);

  base.Symbols = {{u'a', 0}, {u'c', 0}, {u'\u0434', 0}};
  base.SymbolCount = 3;
  EXPECT_FALSE(base.FindSymbol(u'b', position));
  EXPECT_EQ(position, 1);
  EXPECT_TRUE(base.FindSymbol(u'C', position));  // lower-cased first
  EXPECT_EQ(position, 1);
  EXPECT_TRUE(base.FindSymbol(u'\u0414', position));
  EXPECT_EQ(position, 2);
  EXPECT_FALSE(base.FindSymbol(u'z', position));  // before the Cyrillic letter
  EXPECT_EQ(position, 2);
  EXPECT_FALSE(base.FindSymbol(u'\u044f', position));
  EXPECT_EQ(position, 3);

  base.SetPairsLength(-1);
  EXPECT_TRUE(base.Pairs.empty());
  base.SetSymbolsLength(1);
  EXPECT_EQ(base.Symbols.size(), 1u);
  base.Clear();
  EXPECT_EQ(base.LanguageID, 9);
  EXPECT_TRUE(base.Symbols.empty());
}

TEST(LexemeFeatures, LexemeFieldsAndPartOfSpeech) {
  TMEGroupFull lexeme;
  lexeme.SetLexemeFeature9(15);
  EXPECT_EQ(lexeme.GetFeatures(), 15 << 5);
  EXPECT_EQ(lexeme.GetLexemeFeature2(), 3);
  EXPECT_EQ(lexeme.GetLexemeFeature1(), 7);

  // Every field reads back what its setter wrote, at its own bits.
  const struct {
    void (TMEGroupFull::*set)(uint8_t);
    uint8_t (TMEGroupFull::*get)() const;
    TMEFeatureField field;
  } fields[] = {
      {&TMEGroupFull::SetLexemeFeature1, &TMEGroupFull::GetLexemeFeature1, kLexemeFeatureFields[1]},
      {&TMEGroupFull::SetLexemeFeature4, &TMEGroupFull::GetLexemeFeature4, kLexemeFeatureFields[4]},
      {&TMEGroupFull::SetLexemeFeature5, &TMEGroupFull::GetLexemeFeature5, kLexemeFeatureFields[5]},
      {&TMEGroupFull::SetLexemeFeature12, &TMEGroupFull::GetLexemeFeature12, kLexemeFeatureFields[12]},
      {&TMEGroupFull::SetLexemeFeature14, &TMEGroupFull::GetLexemeFeature14, kLexemeFeatureFields[14]},
  };
  for (const auto& f : fields) {
    TMEGroupFull group;
    const uint8_t max = static_cast<uint8_t>((1 << f.field.Width) - 1);
    (group.*f.set)(max);
    EXPECT_EQ((group.*f.get)(), max);
    EXPECT_EQ(group.GetFeatures(), max << f.field.Offset);
  }

  lexeme.SetPartOfSpeech(3);  // another value: the other fields are cleared
  EXPECT_EQ(lexeme.GetFeatures(), 3);
  lexeme.SetLexemeFeature13(2);
  lexeme.SetPartOfSpeech(3);  // the same value keeps them
  EXPECT_EQ(lexeme.GetLexemeFeature13(), 2);
  EXPECT_EQ(lexeme.GetPartOfSpeech(), 3);
}

TEST(LexemeFeatures, FormFieldsReadWhatTheirSettersWrite) {
  TFakeMorphologyEngine engine;
  const int32_t index = engine.AddParadigm({{u"", u""}});
  TMEGroup& lexeme = *engine.GetLexeme(index);

  using Get = uint8_t (TMEGroup::*)(int32_t) const;
  using Set = void (TMEGroup::*)(int32_t, uint8_t);
  const struct {
    int n;
    Get get;
    Set set;
  } fields[] = {
#define KESTRUNE_FORM_ROW(n) {n, &TMEGroup::GetFormFeature##n, &TMEGroup::SetFormFeature##n},
      KESTRUNE_FORM_FEATURES(KESTRUNE_FORM_ROW)
#undef KESTRUNE_FORM_ROW
  };
  for (const auto& f : fields) {
    SCOPED_TRACE(f.n);
    const TMEFeatureField field = kFormFeatureFields[f.n];
    const uint8_t max = static_cast<uint8_t>((1 << field.Width) - 1);
    const uint8_t zero[3] = {0, 0, 0};
    lexeme.SetFormFeatures(0, zero);
    (lexeme.*f.set)(0, max);
    EXPECT_EQ((lexeme.*f.get)(0), max);
    uint8_t bytes[3];
    lexeme.GetFormFeatures(0, bytes);
    const uint32_t all = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16);
    EXPECT_EQ(all, uint32_t{max} << field.Offset);
  }
  // Out of range: getters give 0, setters change nothing.
  EXPECT_EQ(lexeme.GetFormFeature1(lexeme.FormCount()), 0);
  uint8_t before[3];
  lexeme.GetFormFeatures(0, before);
  lexeme.SetFormFeature1(-1, 3);
  uint8_t after[3];
  lexeme.GetFormFeatures(0, after);
  EXPECT_EQ(std::vector<uint8_t>(before, before + 3), std::vector<uint8_t>(after, after + 3));
  lexeme.GetFormFeatures(5, after);
  EXPECT_EQ(after[0] | after[1] | after[2], 0);
}

TEST(LexemeForms, AddFormGrowsBy32AndCountsTheEmptyRule) {
  TFakeMorphologyEngine engine;
  const int32_t index = engine.AddLexeme();
  TMEGroupFull& lexeme = engine.Lexeme(index);
  for (int32_t i = 0; i < 32; ++i) EXPECT_EQ(lexeme.AddForm(), i);
  EXPECT_EQ(lexeme.Forms.size(), 32u);
  EXPECT_EQ(lexeme.AddForm(), 32);
  EXPECT_EQ(lexeme.Forms.size(), 64u);
  EXPECT_EQ(engine.Rules()[0].References, 33);
  EXPECT_EQ(engine.LinkCalls, 33);
  EXPECT_EQ(lexeme.Forms[32].Lexeme, &lexeme);
  EXPECT_EQ(lexeme.Forms[32].Rule, 0);
  EXPECT_EQ(lexeme.LexemeIndex(), index);

  lexeme.FFormCount = TMEGroupFull::kMaxForms;
  EXPECT_THROW(lexeme.AddForm(), std::overflow_error);
  EXPECT_EQ(lexeme.FormCount(), TMEGroupFull::kMaxForms);
}

TEST(LexemeForms, DeleteFormRenumbersLinksAndReleasesTheRule) {
  TFakeMorphologyEngine engine;
  const int32_t index = engine.AddParadigm({{u"", u"a"}, {u"", u"b"}, {u"", u"c"}});
  TMEGroupFull& lexeme = engine.Lexeme(index);
  const int32_t ruleA = lexeme.GetFormRule(0);
  const int32_t ruleC = lexeme.GetFormRule(2);
  ASSERT_EQ(engine.Rules()[ruleA].References, 1);
  // A tree as the engine would have linked it: form 1 at the root.
  lexeme.Roots = {-1, 1};
  lexeme.Forms[1].Left = 0;
  lexeme.Forms[1].Right = 2;
  lexeme.Forms[0].Left = lexeme.Forms[0].Right = -1;
  lexeme.Forms[2].Left = lexeme.Forms[2].Right = -1;
  lexeme.Forms[2].Next = -1;
  lexeme.Forms[1].Left = -1;  // form 0 is unlinked by the engine first

  lexeme.DeleteForm(0);
  EXPECT_EQ(lexeme.FormCount(), 2);
  EXPECT_EQ(engine.Rules()[ruleA].References, 0);
  EXPECT_EQ(lexeme.GetFormEnding(0), u"b");
  EXPECT_EQ(lexeme.GetFormRule(1), ruleC);
  EXPECT_EQ(lexeme.Roots[1], 0);
  EXPECT_EQ(lexeme.Forms[0].Right, 1);

  lexeme.DeleteForm(5);  // out of range
  EXPECT_EQ(lexeme.FormCount(), 2);
  EXPECT_EQ(lexeme.GetFormRule(2), -1);
  EXPECT_EQ(lexeme.GetFormEnding(2), u"");
}

TEST(LexemeForms, EndingAndPrefixChangesMoveReferences) {
  TFakeMorphologyEngine engine;
  const int32_t index = engine.AddParadigm({{u"", u""}});
  TMEGroup& lexeme = *engine.GetLexeme(index);
  EXPECT_EQ(engine.Rules()[0].References, 1);

  lexeme.SetFormEnding(0, u"ing");
  const int32_t ing = lexeme.GetFormRule(0);
  EXPECT_NE(ing, 0);
  EXPECT_EQ(engine.Rules()[0].References, 0);
  EXPECT_EQ(engine.Rules()[ing].References, 1);
  EXPECT_EQ(lexeme.GetFormEnding(0), u"ing");
  EXPECT_EQ(engine.MaxEndingLength(), 3);

  EXPECT_EQ(lexeme.SetFormPrefix(0, u""), 1);  // unchanged
  EXPECT_EQ(lexeme.SetFormPrefix(0, u"re"), 2);
  EXPECT_EQ(lexeme.GetFormPrefix(0), u"re");
  EXPECT_EQ(lexeme.GetFormEnding(0), u"ing");
  EXPECT_EQ(engine.Rules()[ing].References, 0);
  EXPECT_EQ(engine.Rules()[lexeme.GetFormRule(0)].References, 1);
  EXPECT_EQ(engine.MaxPrefixLength(), 2);
  EXPECT_EQ(lexeme.SetFormPrefix(3, u"x"), 0);
}

TEST(LexemeUseCount, ReleaseStopsAtZero) {
  TMEGroupFull lexeme;
  lexeme.Release();
  EXPECT_EQ(lexeme.UseCount(), 0);
  lexeme.AddRef();
  lexeme.AddRef();
  lexeme.Release();
  EXPECT_EQ(lexeme.UseCount(), 1);
}

TEST(FormRecord, FeaturesFromTheLow24Bits) {
  TMERule rule;
  rule.SetFeatures(0xAB123456);
  uint8_t bytes[3];
  rule.GetFeatures(bytes);
  EXPECT_EQ(bytes[0], 0x56);
  EXPECT_EQ(bytes[1], 0x34);
  EXPECT_EQ(bytes[2], 0x12);
}

}  // namespace
}  // namespace kestrune
