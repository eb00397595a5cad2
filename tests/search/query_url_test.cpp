#include "search/query_url.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(QueryUrl, EncodeQueryTextByFormat) {
  struct Case {
    const char* name;
    std::u16string text;
    std::string format;
    std::string encoded;
  } cases[] = {
      {"utf 8 Cyrillic, blank as plus", u"привет мир", "utf 8",
       "%d0%bf%d1%80%d0%b8%d0%b2%d0%b5%d1%82+%d0%bc%d0%b8%d1%80"},
      {"code page 1251 Cyrillic", u"привет мир", "windows", "%ef%f0%e8%e2%e5%f2+%ec%e8%f0"},
      {"xml escapes before encoding", u"a<b", "xml", "a%26lt%3bb"},
      {"xml quote and control byte", u"\"x\x01", "xml", "%26quot%3bx+"},
      {"kept punctuation", u"Az09!$'()*-.@_", "utf 8", "Az09!$'()*-.@_"},
      {"other ASCII bytes encoded", u"a/b?c=d&e#f%+~", "utf 8", "a%2fb%3fc%3dd%26e%23f%25%2b%7e"},
      {"control and delete bytes", std::u16string(u"\t\x7f", 2), "utf 8", "%09%7f"},
      {"utf 8 emoji is one four-byte sequence", u"\U0001F600", "utf 8", "%f0%9f%98%80"},
      {"utf 8 lone surrogate", std::u16string(1, char16_t(0xD800)), "utf 8", "%ef%bf%bd"},
      {"1251 cannot hold the emoji", u"a\U0001F600", "", "a%3f"},
      {"1251 cannot hold CJK", u"中", "cp", "%3f"},
      {"dollar query stays", u"$atom", "utf 8", "$atom"},
      {"empty text", u"", "utf 8", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EncodeQueryText(c.text, c.format), c.encoded);
  }
}

TEST(QueryUrl, XmlEscapeCases) {
  EXPECT_EQ(XmlEscape(u""), u"");
  EXPECT_EQ(XmlEscape(u"a&b\"c'd<e>f"), u"a&amp;b&quot;c&apos;d&lt;e&gt;f");
  std::u16string controls;
  for (char16_t c = 0; c < 32; ++c) controls += c;
  std::u16string expected(32, u' ');
  expected[9] = u'\t';
  expected[10] = u'\n';
  expected[13] = u'\r';
  EXPECT_EQ(XmlEscape(controls), expected);
  const std::u16string longText(5000, u'<');
  EXPECT_EQ(XmlEscape(longText).size(), 5000u * 4);
}

TEST(QueryUrl, PlaceholdersInOnePass) {
  struct Case {
    const char* name;
    std::string pattern;
    std::string expected;
  } cases[] = {
      {"every occurrence", "$q/$q", "Q/Q"},
      {"ignoring case where asked", "$Count_Url,$COUNT_URL,$count_url", "7,7,7"},
      {"exact where asked", "$Exact,$EXACT,$exact", "E,$EXACT,$exact"},
      {"the longest match wins", "$at$atom$attic", "ID<atom>IDtic"},
      {"inserted values are not scanned again", "$q$v", "Q$q"},
      {"dollar without a name", "$$ $", "$$ $"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReplacePlaceholders(c.pattern, {{"$q", "Q", false},
                                              {"$v", "$q", false},
                                              {"$Count_Url", "7", true},
                                              {"$Exact", "E", false},
                                              {"$EXACT", "$EXACT", false},
                                              {"$at", "ID", true},
                                              {"$atom", "<atom>", false}}),
              c.expected);
  }
}

}  // namespace
}  // namespace kestrune
