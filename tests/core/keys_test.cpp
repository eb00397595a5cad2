#include "core/keys.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrune {
namespace {

TEST(Keys, CopiesOfKeysAndScopesOwnTheirTextAndLists) {
  TKey key;
  key.Name = u"word";
  key.Extra = {1, 2, 3};
  TKeys keys{key, key};
  keys[1].Name[0] = u'W';
  keys[1].Extra.push_back(4);
  EXPECT_EQ(keys[0].Name, u"word");
  EXPECT_EQ(keys[0].Extra, (TIntArray{1, 2, 3}));
  EXPECT_EQ(key, keys[0]);

  TTScopeWords scopes{TScopeWords{1, 1, {{5, 1.0f}}, {{6, -10000.0f}}}};
  TTScopeWords copy = scopes;
  copy[0].Included[0].Id = 7;
  copy[0].Excluded.clear();
  EXPECT_EQ(scopes[0].Included[0].Id, 5);
  EXPECT_EQ(scopes[0].Excluded.size(), 1u);
}

TEST(Keys, IntegerCodesInTheWeightFieldMoveBitForBit) {
  for (int32_t code : {2, 4, -1, 0x7F800001}) {
    const TNNKey key = CodeKey(9, code);
    EXPECT_EQ(KeyCode(key), code);
    EXPECT_EQ(key.Id, 9);
  }
  // Read as weights, the plus and minus codes are tiny denormal numbers.
  EXPECT_EQ(std::fpclassify(CodeKey(1, 2).Weight), FP_SUBNORMAL);
  EXPECT_EQ(std::fpclassify(CodeKey(1, 4).Weight), FP_SUBNORMAL);
  EXPECT_EQ(kMouseOverFlags, 0x209u);
}

}  // namespace
}  // namespace kestrune
