#include "search/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrune {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(Utf8, Vectors) {
  struct Case {
    const char* name;
    std::u16string wide;  // the units
    std::string utf8;     // their bytes
    bool decodes;         // the bytes decode (to `wide`)
    bool encodes;         // `wide` encodes to the bytes
  } cases[] = {
      {"ascii", u"Az09", "Az09", true, true},
      {"two bytes", u"\u00e9", Bytes({0xC3, 0xA9}), true, true},
      {"three bytes", u"\u20ac", Bytes({0xE2, 0x82, 0xAC}), true, true},
      {"last unit of two bytes", u"\u07ff", Bytes({0xDF, 0xBF}), true, true},
      {"surrogate pair, each unit alone", u"\xD83D\xDE00", Bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}), true, true},
      {"lone surrogate", std::u16string(1, u'\xDC00'), Bytes({0xED, 0xB0, 0x80}), true, true},
      {"unit 0", std::u16string(1, u'\0'), std::string(1, '\0'), true, true},
      {"byte-order mark is a unit", u"\uFEFFA", Bytes({0xEF, 0xBB, 0xBF, 0x41}), true, true},
      {"four-byte sequence refused", u"", Bytes({0xF0, 0x9F, 0x98, 0x80}), false, false},
      {"truncated two-byte", u"", Bytes({0xC3}), false, false},
      {"truncated three-byte", u"", Bytes({0xE2, 0x82}), false, false},
      {"follower without top bit, earlier text lost", u"", Bytes({0x61, 0xC3, 0x41}), false, false},
      {"empty decodes to False", u"", "", false, true},
      {"continuation byte leads two bytes", u"\u0001", Bytes({0x80, 0x81}), true, false},
      {"overlong two-byte accepted", u"A", Bytes({0xC1, 0x81}), true, false},
      {"follower's bit 6 kept (mask 0x7F)", u"\u00c0", Bytes({0xC3, 0xC0}), true, false},
      {"overlong three-byte accepted", u"\u0041", Bytes({0xE0, 0x81, 0x81}), true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::u16string decoded = u"stale";
    EXPECT_EQ(Utf8ToWide(c.utf8, decoded), c.decodes);
    EXPECT_EQ(decoded, c.decodes ? c.wide : u"");
    if (c.encodes) {
      EXPECT_EQ(WideToUtf8(c.wide), c.utf8);
    }
  }
}

TEST(Utf8, LongTextsRoundTrip) {
  // Past the decoder's first growth step, every width mixed, ASCII runs
  // long enough for the word-at-a-time paths.
  std::u16string text;
  for (int i = 0; i < 3000; ++i) {
    text += static_cast<char16_t>(u'a' + i % 26);
    if (i % 7 == 0) text += u"\u0416";
    if (i % 11 == 0) text += u"\u20ac\xD83D\xDE00";
    if (i % 13 == 0) text += u"0123456789";
  }
  const std::string bytes = WideToUtf8(text);
  std::u16string back;
  ASSERT_TRUE(Utf8ToWide(bytes, back));
  EXPECT_EQ(back, text);
  // A bad byte at the very end spoils everything.
  std::u16string none = u"x";
  EXPECT_FALSE(Utf8ToWide(bytes + "\xF5", none));
  EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace kestrune
