#include "app/update_check.h"

#include <gtest/gtest.h>

#include <string>

#include "core/code_page.h"
#include "platform/text.h"
#include "tests/app/update_info_text.h"

namespace kestrune {
namespace {

using test::Release;
using test::TUpdateSection;
using test::UpdateInfoText;

TEST(UpdateCheckText, NormalizeVersion) {
  const std::pair<const char*, const char*> cases[] = {
      {"1.5.303.0", "01.05.303.00"}, {"2.0.1.12", "02.00.01.12"}, {"  1.5.99.0 ", "01.05.99.00"},
      {"10.20.30.40", "10.20.30.40"}, {"1.5.303", "01.05..303"},  {"1.5", "01...05"},
      {"", "..."},                   {"1.2.3.4.5", "01.02.03.4.5"}};
  for (const auto& [dotted, normal] : cases) EXPECT_EQ(NormalizeVersion(dotted), normal) << dotted;
}

TEST(UpdateCheckText, VersionsCompareAsNumbers) {
  const struct {
    const char *a, *b;
    int order;
  } cases[] = {
      {"1.5.99.0", "1.5.303.0", -1},  // as text, 01.05.99 would rank above 01.05.303
      {"1.5.303.0", "1.5.99.0", 1},
      {"01.05.303.00", "1.5.303.0", 0},
      {"1.5.303", "1.5.303.0", 0},
      {"1.5.303.1", "1.5.303", 1},
      {"1.10.0.0", "1.9.9.9", 1},
      {"2.0.0.0", "1.99.99.99", 1},
      {"1.5.303b.0", "1.5.303a.0", 1},
      {"1.5.304.0", "1.5.303z.0", 1},
      {"99999999999999999999.0", "9.0", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareVersions(c.a, c.b), c.order) << c.a << " " << c.b;
    EXPECT_EQ(CompareVersions(c.b, c.a), -c.order) << c.b << " " << c.a;
  }
  EXPECT_EQ(VersionMajor("01.05.303.00"), "1");
  EXPECT_EQ(VersionMajor("0.9"), "0");
  EXPECT_EQ(VersionMajor("x"), "0");
}

TEST(UpdateCheckText, SizeToText) {
  const std::pair<int64_t, const char16_t*> cases[] = {
      {0, u"0 bytes"},           {1023, u"1023 bytes"},       {1024, u"1 KBytes"},
      {500000, u"488 KBytes"},   {1048575, u"1023 KBytes"},   {1048576, u"1 MBytes"},
      {2500000, u"2 MBytes"},    {5000000000, u"4768 MBytes"}, {-5, u"0 bytes"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(SizeToText(bytes), text) << bytes;
}

TEST(UpdateCheckText, SizesAndNames) {
  const std::pair<const char*, int64_t> sizes[] = {{"123", 123},   {"5000000000", 5000000000}, {"12ab", 0},
                                                   {"-5", 0},      {"", 0},                    {"1e6", 0},
                                                   {"0x10", 0},    {"999999999999999999", 999999999999999999},
                                                   {"99999999999999999999", 0}};
  for (const auto& [text, size] : sizes) EXPECT_EQ(ParseSize(text), size) << text;

  const std::pair<const char*, bool> names[] = {
      {"patch.zip", true}, {"kestrune setup 1.5.exe", true}, {"..x", true}, {"", false},     {".", false},
      {"..", false},       {"../x", false},                  {"a/b", false}, {"a\\b", false}, {"/", false},
      {"a\tb", false},     {"a\x7f", false},                 {"\xc3\xa9t\xc3\xa9.zip", true}};
  for (const auto& [name, plain] : names) EXPECT_EQ(IsPlainFileName(name), plain) << name;

  EXPECT_EQ(PercentEncode("en"), "en");
  EXPECT_EQ(PercentEncode("a b/c?d&e%.~_-"), "a%20b%2Fc%3Fd%26e%25.~_-");
  EXPECT_EQ(PercentEncode("\xc3\xa9"), "%C3%A9");
}

TEST(UpdateCheckText, GetOSName) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "Unknown"},      {1, "Windows 95"},   {2, "Windows 98"}, {3, "Windows ME"},   {4, "Windows NT 3"},
      {5, "Windows NT 4"}, {6, "Windows 2000"}, {7, "Windows XP"}, {8, "Windows 2003"}, {9, "Unknown"},
      {-1, "Unknown"}};
  for (const auto& [version, name] : cases) EXPECT_EQ(GetOSName(version), name) << version;
  EXPECT_EQ(GetOSVersion(), 0);  // Linux
  EXPECT_EQ(UpdateUserAgent(), "Mozilla/4.0 (compatible; MSIE 5.01; Unknown)");
}

// ---------------------------------------------------------------- update.txt

struct TOffer {
  bool found;
  std::string version, section, previous, info, patch, full;
  int64_t patchSize, fullSize;
  bool needFull;
};

TEST(ReadUpdateInfo, Offers) {
  const std::string many = [] {
    std::string values;
    for (int i = 0; i < 33; ++i) values += (i ? "," : "") + std::to_string(i);
    return values;
  }();
  const struct {
    const char* name;
    std::string text;
    const char* languageKey;
    TOffer offer;
  } cases[] = {
      {"OnlyTheRunningVersion", UpdateInfoText({Release("1.5.302.0", "1.5.300.0", "Now", "p.zip", "10")}), "english",
       {false, "01.05.302.00", "01.05.302.00", "01.05.300.00", "Now", "p.zip", "full.zip", 10, 9000000, false}},
      {"TheHighestOfTwoWithItsOwnValues",
       UpdateInfoText({Release("1.5.303.0", "1.5.302.0", "Three", "p3.zip", "303"),
                       Release("1.5.310.0", "1.5.302.0", "Ten", "p10.zip", "310"),
                       {"1.5.303.0", {{"english", "late"}}}}),
       "english",
       {true, "01.05.310.00", "1.5.310.0", "01.05.302.00", "Ten", "p10.zip", "full.zip", 310, 9000000, false}},
      {"NumbersNotText: 1.5.303 over 1.5.99",
       UpdateInfoText({Release("1.5.303.0", "1.5.302.0", "New", "new.zip", "1"),
                       Release("1.5.99.0", "1.5.98.0", "Old", "old.zip", "2")}),
       "english",
       {true, "01.05.303.00", "1.5.303.0", "01.05.302.00", "New", "new.zip", "full.zip", 1, 9000000, false}},
      {"AnotherMajorIgnored", UpdateInfoText({Release("2.0.0.0", "1.5.302.0", "Two", "two.zip", "5")}), "english",
       {false, "01.05.302.00", "01.05.302.00", "", "", "", "", 0, 0, false}},
      {"PreviousAboveTheRunningVersionNeedsTheFullInstaller",
       UpdateInfoText({Release("1.5.400.0", "1.5.350.0", "Big", "p.zip", "100", "kestrune.zip", "5000000000")}),
       "english",
       {true, "01.05.400.00", "1.5.400.0", "01.05.350.00", "Big", "p.zip", "kestrune.zip", 100, 5000000000, true}},
      {"TheLanguagesDescription",
       UpdateInfoText({{"1.5.303.0", {{"English", "Fixes, speed"}, {"Russian", "\xd0\x98"}, {"File", "p.zip"}}}}),
       "russian", {true, "01.05.303.00", "1.5.303.0", "", "\xd0\x98", "p.zip", "", 0, 0, false}},
      {"EnglishFallback", UpdateInfoText({{"1.5.303.0", {{"english", "Fixes; \"quoted\""}}}}), "russian",
       {true, "01.05.303.00", "1.5.303.0", "", "Fixes; \"quoted\"", "", "", 0, 0, false}},
      {"EnglishKeyIsNotTheLanguagesWhenEnglish",
       UpdateInfoText({{"1.5.303.0", {{"english", "E"}, {"german", "G"}}}}), "english",
       {true, "01.05.303.00", "1.5.303.0", "", "E", "", "", 0, 0, false}},
      {"LowerCaseSectionAndFirstValueOnly",
       "[1.5.303.0RC]\r\nFILE=a.zip,b.zip\r\nsize=12x\r\n", "english",
       {true, "01.05.303.0rc", "1.5.303.0rc", "", "", "a.zip", "", 0, 0, false}},
      {"ALineOfOver32ValuesIsSkipped",
       "[1.5.303.0]\r\nfile=" + many + "\r\nsize=" + many.substr(0, many.size() - 3) + "\r\nenglish=E\r\n", "english",
       {true, "01.05.303.00", "1.5.303.0", "", "E", "", "", 0, 0, false}},
      {"SectionsNotNamedByAVersionIgnored",
       "file=top.zip\r\n[news]\r\nfile=n.zip\r\n[]\r\nfile=e.zip\r\n[v1.5.400.0]\r\nfile=v.zip\r\n", "english",
       {false, "01.05.302.00", "01.05.302.00", "", "", "", "", 0, 0, false}},
      {"Empty", "", "english", {false, "01.05.302.00", "01.05.302.00", "", "", "", "", 0, 0, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TUpdateOffer offer = ReadUpdateInfo(c.text, "1.5.302.0", c.languageKey);
    const TOffer& e = c.offer;
    EXPECT_EQ(offer.UpdateFound, e.found);
    EXPECT_EQ(offer.BestVersion, e.version);
    EXPECT_EQ(offer.BestSectionName, e.section);
    EXPECT_EQ(offer.PreviousVersion, e.previous);
    EXPECT_EQ(offer.LocalizedInfo, e.info);
    EXPECT_EQ(offer.PatchFile, e.patch);
    EXPECT_EQ(offer.FullFile, e.full);
    EXPECT_EQ(offer.PatchSize, e.patchSize);
    EXPECT_EQ(offer.FullSize, e.fullSize);
    EXPECT_EQ(offer.NeedFull, e.needFull);
  }
}

TEST(ReadUpdateInfo, TheMemoShowsTheOfferedInstallersSize) {
  TUpdateOffer offer = ReadUpdateInfo(
      UpdateInfoText({Release("1.5.400.0", "1.5.302.0", "\xcd\xee\xe2\xee\xe5", "p.zip", "500000", "f.zip", "2500000")}),
      "1.5.302.0", "english");
  const std::vector<std::u16string> patch = {u"Update is found:", u"Version: 01.05.400.00", u"Information: ",
                                             u"\u041d\u043e\u0432\u043e\u0435", u"Size: 488 KBytes"};
  EXPECT_EQ(UpdateMemoLines(offer, 1251), patch);
  offer.NeedFull = true;
  EXPECT_EQ(UpdateMemoLines(offer, 1251).back(), u"Size: 2 MBytes");
}

}  // namespace
}  // namespace kestrune
