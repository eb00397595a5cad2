#include "core/code_page.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(CodePage, ConvertsWholeBothWays) {
  struct Case {
    int32_t codePage;
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {1250, "\x8a\x9a z", u"\u0160\u0161 z"},
      {65001, "\xd0\x9f\xf0\x9f\x98\x80", u"\u041f\U0001F600"},
      {0, "\xd0\x9f", u"\u041f"},                // the default page is UTF-8
      {936, "\xc4\xe3\xba\xc3", u"\u4f60\u597d"},  // two bytes a character
      {54936, "\x81\x30\x81\x30", u"\u0080"},      // four bytes a character
      {7777, "\xd0\x9f", u"\u041f"},              // unknown: as UTF-8
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CodePageToWide(c.bytes, c.codePage), c.text) << c.codePage;
    EXPECT_EQ(WideToCodePage(c.text, c.codePage), c.bytes) << c.codePage;
  }
  EXPECT_EQ(CodePageToWide("a\xff" "b", 65001), u"a\ufffdb");
  EXPECT_EQ(WideToCodePage(u"a\u4f60b", 1251), "a?b");
  for (int32_t page : {0, 1250, 936, 65001}) EXPECT_TRUE(IsKnownCodePage(page)) << page;
  for (int32_t page : {7777, -1, 65002}) EXPECT_FALSE(IsKnownCodePage(page)) << page;
}

}  // namespace
}  // namespace kestrune
