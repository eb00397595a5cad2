#include "search/charsets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"

namespace kestrune {
namespace {

const std::u16string kRussian =
    u"Поиск в сети начинается с запроса. Программа отправляет его поисковой системе, получает страницы "
    u"с результатами и строит карту слов, связанных с запросом. Щелчок по слову уточняет поиск, а "
    u"история шагов позволяет вернуться назад.";

std::string Encoded(std::u16string_view text, uint32_t codePage) {
  std::string out;
  EXPECT_TRUE(platform::WideToCodePage(text, codePage, out));
  return out;
}

std::string Page(std::string_view head, std::string_view body) {
  return "<html><head>" + std::string(head) + "<title>t</title></head><body><p>" + std::string(body) +
         "</p></body></html>";
}

// ICU's detector has no opinion worth pinning on these.
constexpr uint8_t kUnchecked = 255;

TEST(Charsets, DetectsPages) {
  const std::string utf8 = platform::Utf16ToUtf8(kRussian);
  const std::string cp1251 = Encoded(kRussian, 1251);
  const std::string koi8 = Encoded(kRussian, 20866);
  const std::string cp866 = Encoded(kRussian, 866);
  const std::string iso5 = Encoded(kRussian, 28595);
  const std::string latin = Encoded(
      u"Caf\u00e9 cr\u00e8me, na\u00efve fa\u00e7ade: \u00fcber gro\u00dfe Stra\u00dfe "
      u"und sch\u00f6ne M\u00e4dchen \u00e0 la fran\u00e7aise.",
      1252);
  struct Case {
    const char* name;
    std::string page;
    bool possiblyRussian;
    uint8_t charset;         // DetermineCharset
    uint8_t russianCharset;  // DetermineRussianCharset
  } cases[] = {
      {"UTF-8 Russian", Page("", utf8), false, kCharsetUtf8, kUnchecked},
      {"windows-1251", Page("", cp1251), true, kCharsetWindows1251, kCharsetWindows1251},
      {"KOI8-R", Page("", koi8), true, kCharsetKoi8R, kCharsetKoi8R},
      {"IBM866 (ICU does not detect it)", Page("", cp866), true, kUnchecked, kCharsetIbm866},
      {"ISO-8859-5", Page("", iso5), true, kCharsetIso88595, kCharsetIso88595},
      {"KOI8-R declared by meta charset", Page("<meta charset=\"koi8-r\">", koi8), true, kCharsetKoi8R, kCharsetKoi8R},
      {"IBM866 declared by http-equiv",
       Page("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=cp866\">", cp866), true, kCharsetIbm866,
       kCharsetIbm866},
      {"declaration wins over the statistic", Page("<meta charset='windows-1251'>", koi8), true, kCharsetWindows1251,
       kCharsetWindows1251},
      {"XML declaration", "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><rss>" + koi8 + "</rss>", true, kCharsetKoi8R,
       kCharsetKoi8R},
      {"a script's charset names the script's file, not the page's",
       Page("<script src=\"a.js\" charset=\"utf-8\"></script><meta charset=windows-1251>", cp1251), true,
       kCharsetWindows1251, kCharsetWindows1251},
      {"\"charset=\" in the text declares nothing", Page("", "charset=koi8-r " + cp1251), true, kCharsetWindows1251,
       kCharsetWindows1251},
      {"unknown declared name is passed over", Page("<meta charset=no-such-set><meta charset=ibm866>", cp866), true,
       kCharsetIbm866, kCharsetIbm866},
      {"declared UTF-16 in 8-bit text means UTF-8", Page("<meta charset=utf-16>", utf8), false, kCharsetUtf8,
       kCharsetUtf8},
      {"latin-1 declared is windows-1252", Page("<meta charset=iso-8859-1>", latin), false, kCharsetWindows1252,
       kCharsetWindows1252},
      {"Latin-1 without declaration", Page("", latin), false, kCharsetWindows1252, kCharsetWindows1251},
      {"pure ASCII", Page("", "plain words only"), false, kCharsetWindows1252, kCharsetWindows1251},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + Page("<meta charset=koi8-r>", utf8), false, kCharsetUtf8,
       kCharsetUtf8},
      {"UTF-16 byte-order mark", std::string("\xFF\xFE<\0h\0", 6), false, kCharsetUtf16, kCharsetUtf16},
      {"short Cyrillic page with meta charset", Page("<meta charset=windows-1251>", Encoded(u"Да", 1251)), false,
       kCharsetWindows1251, kCharsetWindows1251},
      {"short KOI8-R words, undeclared", Page("", Encoded(u"Привет, мир", 20866)), true, kUnchecked, kCharsetKoi8R},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto n = static_cast<int32_t>(c.page.size());
    EXPECT_EQ(TextIsPossiblyRussian(c.page.data(), n), c.possiblyRussian);
    if (c.charset != kUnchecked) {
      EXPECT_EQ(DetermineCharset(c.page.data(), n, 0), c.charset);
    }
    if (c.russianCharset != kUnchecked) {
      EXPECT_EQ(DetermineRussianCharset(c.page.data(), n), c.russianCharset);
    }
  }
}

TEST(Charsets, BufToWideConverts) {
  struct Case {
    const char* name;
    std::string bytes;
    uint8_t charset;
    int32_t capacityBytes;
    std::u16string expected;
  } cases[] = {
      {"windows-1251", "\xCF\xF0\xE8", kCharsetWindows1251, 64, u"При"},
      {"KOI8-R", "\xF0\xD2\xC9", kCharsetKoi8R, 64, u"При"},
      {"x-mac-cyrillic", "\x8F\xF0\xE8", kCharsetMacCyrillic, 64, u"При"},
      {"windows-1252 high controls", "\x80\x9F", kCharsetWindows1252, 64, u"\u20ac\u0178"},
      {"bad UTF-8 becomes U+FFFD", "a\xC3(b", kCharsetUtf8, 64, u"a\uFFFD(b"},
      {"UTF-8 byte-order mark dropped", "\xEF\xBB\xBFx", kCharsetUtf8, 64, u"x"},
      {"UTF-16 given, mark dropped, odd byte ignored", std::string("\xFF\xFE\x41\x00\x16\x04\x42", 7), kCharsetUtf16,
       64, u"A\u0416"},
      {"UTF-16BE", std::string("\xFE\xFF\x04\x16", 4), 33, 64, u"\u0416"},
      {"capacity in bytes, whole units only", "abcdef", kCharsetWindows1252, 7, u"abc"},
      {"capacity for UTF-16 given", std::string("a\0b\0c\0", 6), kCharsetUtf16, 4, u"ab"},
      {"unknown code converts nothing", "abc", 200, 64, u""},
      {"zero capacity", "abc", kCharsetWindows1252, 0, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::u16string buffer(40, u'#');
    const int32_t written =
        BufToWide(c.bytes.data(), static_cast<int32_t>(c.bytes.size()), buffer.data(), c.charset, c.capacityBytes);
    ASSERT_EQ(written % 2, 0);
    EXPECT_EQ(buffer.substr(0, static_cast<size_t>(written / 2)), c.expected);
    EXPECT_EQ(buffer[static_cast<size_t>(written / 2)], u'#');  // nothing past what was counted
  }
}

TEST(Charsets, WideToBufAndLookups) {
  std::string out(16, '#');
  EXPECT_EQ(WideToBuf(u"При\u00e9", 4, out.data(), kCharsetWindows1251, 16), 4);
  EXPECT_EQ(out.substr(0, 4), "\xCF\xF0\xE8?");
  EXPECT_EQ(WideToBuf(u"abcdef", 6, out.data(), kCharsetWindows1252, 3), 3);
  EXPECT_EQ(WideToBuf(u"\u0416", 1, out.data(), kCharsetUtf16, 16), 2);
  EXPECT_EQ(out.substr(0, 2), std::string("\x16\x04", 2));
  EXPECT_EQ(GetMaxBufLength(kCharsetUtf16, 10), 20);
  EXPECT_GE(GetMaxBufLength(kCharsetUtf8, 10), 30);
  EXPECT_EQ(GetMaxBufLength(200, 10), 0);

  struct Name {
    const char* text;
    uint32_t charset;
    uint32_t codePage;
  } names[] = {
      {"UTF-8", kCharsetUtf8, 65001},
      {"windows-1251", kCharsetWindows1251, 1251},
      {"koi8-r", kCharsetKoi8R, 20866},
      {"version=\"1.0\" encoding=\"Windows-1251\"", kCharsetWindows1251, 1251},
      {"version=\"1.0\"", kCharsetWindows1252, 1252},
      {"no-such-encoding", kCharsetWindows1252, 1252},
      {"iso-8859-1", kCharsetWindows1252, 1252},
      {"gb2312", 29, 936},
      {"utf-16", kCharsetUtf16, 1200},
  };
  for (const Name& n : names) {
    SCOPED_TRACE(n.text);
    EXPECT_EQ(EncodingNameToCharset(n.text), n.charset);
    EXPECT_EQ(CharsetToCodePage(EncodingNameToCharset(n.text)), n.codePage);
  }
  EXPECT_EQ(CharsetToCodePage(1000), 1252u);
  // Every code of the table converts, and none is 67 or 68.
  for (uint8_t code = 0; CharsetName(code) != nullptr; ++code) {
    SCOPED_TRACE(CharsetName(code));
    EXPECT_NE(code, 67);
    EXPECT_GT(GetMaxBufLength(code, 1), 0);
  }
}

}  // namespace
}  // namespace kestrune
