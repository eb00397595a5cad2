#include "platform/text.h"

#include <gtest/gtest.h>

namespace kestrune::platform {
namespace {

TEST(PlatformText, Utf8RoundTripAndMalformedInput) {
  const std::u16string text = u"a\u00E9\u0416\u20AC\U0001F600z";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"\u0416"), "\xD0\x96");
  // A lone surrogate and malformed bytes become U+FFFD, never a crash.
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
}

TEST(PlatformText, LowerCaseKeepsTheLength) {
  const std::u16string text = u"HOUSE \u0414\u041E\u041C \u00C9T\u00C9 \u0130 \u1E9E";
  const std::u16string lower = WideLowerCase(text);
  EXPECT_EQ(lower.size(), text.size());
  EXPECT_EQ(lower.substr(0, 13), u"house \u0434\u043E\u043C \u00E9t\u00E9");
  EXPECT_EQ(WideUpperCase(u"\u0451\u0436"), u"\u0401\u0416");
}

TEST(PlatformText, CodePages) {
  std::u16string wide;
  ASSERT_TRUE(CodePageToWide("caf\xE9", 0, wide));
  EXPECT_EQ(wide, u"caf\u00E9");
  ASSERT_TRUE(CodePageToWide("\xC4\xCE\xCC", 1251, wide));
  EXPECT_EQ(wide, u"\u0414\u041E\u041C");
  std::string bytes;
  ASSERT_TRUE(WideToCodePage(u"\u0434\u043E\u043C", 1251, bytes));
  EXPECT_EQ(bytes, "\xE4\xEE\xEC");
  ASSERT_TRUE(WideToCodePage(u"\u0434", 1252, bytes));
  EXPECT_EQ(bytes, "?");
  EXPECT_FALSE(CodePageToWide("x", 99999, wide));
}

TEST(PlatformText, LocaleLanguageIdentifiers) {
  struct Case {
    const char* locale;
    int32_t id;
  } cases[] = {{"ru_RU", 0x0419}, {"ru_RU.UTF-8", 0x0419}, {"en_US", 0x0409}, {"de_DE.UTF-8@euro", 0x0407},
               {"C", 0x0409},     {"POSIX", 0x0409},       {"C.UTF-8", 0x0409}, {"", 0x0409},
               {"en", 0x0009},    {"xx_YY", 0}};
  for (const Case& c : cases) EXPECT_EQ(LocaleLangId(c.locale), c.id) << c.locale;
}

}  // namespace
}  // namespace kestrune::platform
