#include <regex>

#include "search/query_url.h"
#include "tests/search/engine_test_support.h"

namespace kestrune {
namespace {

using test::EngineProbe;
using test::EngineTest;

std::string QueryTemplate(const std::string& format, const std::string& counts) {
  return "[settings]\n"
         "MainQuery = \"http://h/s?ip=$IP_ADDR&q=$Main_Query&n=$COUNT_URL&p=$Begun_Pad_Id&a=$AFF_ID&t=$AT\"\n"
         "NextQuery = \"http://h/n?q=$next_query&ip=$ip_addr&n=$Count_Url&c=$COUNT_URL&l=$number_links"
         "&p=$number_page&i=$inc_number_page&r=$next_results&t=$at\"\n"
         "CountUrlOnSite = " +
         counts + "\nformat = \"" + format +
         "\"\n"
         "FirstTag = \"<li>\"\nLastTag = \"</li>\"\nTagBeginTitleInTemplate = \"<h3>\"\n"
         "TagEndTitleInTemplate = \"</h3>\"\n[general]\nhostname = LocalTest\n";
}

TEST_F(EngineTest, FirstUrlByFormat) {
  const struct {
    const char* format;
    std::u16string query;
    std::string encoded;
  } cases[] = {
      {"utf 8", u"кот и пёс", "%d0%ba%d0%be%d1%82+%d0%b8+%d0%bf%d1%91%d1%81"},
      {"windows-1251", u"кот 中", "%ea%ee%f2+%3f"},
      {"xml", u"a<b\"\x01", "a%26lt%3bb%26quot%3b+"},
      {"utf 8", u"$atom $Count_Url !$'()*-.@_/", "$atom+$Count_Url+!$'()*-.@_%2f"},
      {"utf 8", u"\U0001F600", "%f0%9f%98%80"},
      {"utf 8", std::u16string(1, char16_t(0xD800)), "%ef%bf%bd"},
      {"cp", u"\U0001F600", "%3f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    WriteTemplate("q", QueryTemplate(c.format, "100,50,20,10"));
    EngineWeb engine;
    engine.LoadTemplate("q");
    ASSERT_TRUE(engine.SetUrlCount(30));
    const std::string expected =
        "http://h/s?ip=" + engine.LocalIp() + "&q=" + c.encoded + "&n=20&p=47120936&a=58203&t=HV3K9W2TB";
    EXPECT_EQ(engine.QueryUrlFor(c.query), expected);
    EXPECT_EQ(engine.CreateQueryUrl(c.query), expected);
  }
  EXPECT_EQ(XmlEscape(u"\t\n\r\x0b\x1f&'>"), u"\t\n\r  &amp;&apos;&gt;");
}

TEST_F(EngineTest, QuotasAndNextUrls) {
  WriteTemplate("q", QueryTemplate("utf 8", "100,50,20,10"));
  EngineProbe engine;
  engine.LoadTemplate("q");
  ASSERT_TRUE(engine.SetUrlCount(30));
  EXPECT_EQ(engine.pagesLeft_, 3);  // 20 + 20 covers 30, and one page more
  engine.CreateQueryUrl(u"x");
  engine.acceptedCount_ = 20;  // a full first page
  engine.pageCount_ = 20;
  engine.CreateNextLink();
  EXPECT_EQ(engine.NextUrl(),
            "http://h/n?q=x&ip=" + engine.LocalIp() + "&n=10&c=$COUNT_URL&l=20&p=1&i=2&r=21&t=HV3K9W2TB");
  engine.acceptedCount_ = 25;  // a short page that was not all repeats counts as full
  engine.pageCount_ = 5;
  engine.repeatsOnPage_ = 1;
  engine.CreateNextLink();
  EXPECT_EQ(engine.remaining_, 0);
  EXPECT_EQ(engine.pageQuota_, 10);  // nothing fits 0: the quota stays
  EXPECT_EQ(engine.pageCounter_, 2);
  engine.acceptedCount_ = 30;  // the wanted total: the next URL is left alone
  const std::string before = engine.NextUrl();
  engine.CreateNextLink();
  EXPECT_EQ(engine.NextUrl(), before);
  // A page of 3 links, all repeats, with a quota of 10 ends the search.
  WriteTemplate("q", QueryTemplate("utf 8", "10"));
  engine.LoadTemplate("q");
  engine.SetUrlCount(50);
  EXPECT_EQ(engine.pageQuota_, 10);
  EXPECT_EQ(engine.pagesLeft_, 6);
  ClearLog();
  engine.acceptedCount_ = engine.pageCount_ = engine.repeatsOnPage_ = 3;
  engine.CreateNextLink();
  EXPECT_TRUE(engine.NextUrl().empty());
  EXPECT_TRUE(engine.stop_);
  EXPECT_EQ(Log(), std::vector<std::string>{"CountRepeatedUrl=CountUrlFromCurrentPage. Stop Downloading "});
}

// Pages that may be fetched: the quotas needed plus one, counted without
// overflow and held to the largest 32-bit count.
TEST_F(EngineTest, PagesLeftForLargeWantedTotals) {
  const struct {
    const char* counts;
    int32_t wanted;
    int32_t pagesLeft;
  } cases[] = {
      {"10", 50, 6},
      {"10", 51, 7},
      {"10", 0, 1},
      {"10", -3, 1},
      {"1", 2147483646, 2147483647},
      {"1", 2147483647, 2147483647},
      {"3", 2147483647, 715827884},
      {"100,50,20,10", 2147483647, 21474838},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.counts) + " / " + std::to_string(c.wanted));
    WriteTemplate("q", QueryTemplate("utf 8", c.counts));
    EngineProbe engine;
    engine.LoadTemplate("q");
    ASSERT_TRUE(engine.SetUrlCount(c.wanted));
    EXPECT_EQ(engine.pagesLeft_, c.pagesLeft);
    EXPECT_EQ(engine.Status(), 0);
  }
}

TEST_F(EngineTest, NoCountFitsTheWantedTotal) {
  WriteTemplate("q", QueryTemplate("utf 8", "20"));
  EngineProbe engine;
  engine.LoadTemplate("q");
  ClearLog();
  engine.SetUrlCount(5);
  const std::string text = "Mistake \\d+\\.Wrong key \"CountUrlOnSite\" in file template for engine LocalTest";
  EXPECT_EQ(engine.Status(), 1);
  EXPECT_TRUE(std::regex_match(engine.ErrorText(), std::regex(text))) << engine.ErrorText();
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], engine.ErrorText());
  EXPECT_EQ(log[1], "Error in procedure EngineWeb.SetCurrentTakeUrl ");
  std::u16string first;
  EXPECT_FALSE(engine.StartSearch(u"x", first));  // no quota: no search
  EXPECT_FALSE(engine.Busy());
  engine.SetStatus(0);
  engine.pageQuota_ = 20;  // as after a search with this template: its quota is kept
  engine.SetUrlCount(5);
  EXPECT_EQ(engine.Status(), 0);
  EXPECT_EQ(engine.pageQuota_, 20);
  EXPECT_EQ(engine.pagesLeft_, 2);
}

TEST_F(EngineTest, StartSearchRefusesIncompleteTemplates) {
  for (const char* key : {"MainQuery", "format", "FirstTag", "LastTag", "CountUrlOnSite", "TagBeginTitleInTemplate",
                          "TagEndTitleInTemplate"}) {
    SCOPED_TRACE(key);
    std::string text = QueryTemplate("utf 8", "10");
    const size_t at = text.find(std::string("\n") + key + " =");
    text.erase(at + 1, text.find('\n', at + 1) - at);
    WriteTemplate("q", text);
    EngineWeb engine;
    engine.LoadTemplate("q");
    engine.SetUrlCount(10);
    std::u16string first = u"unchanged";
    EXPECT_FALSE(engine.StartSearch(u"x", first));
    EXPECT_EQ(engine.Status(), 1);
    EXPECT_EQ(engine.ErrorText(), "Wrong file template for engine LocalTest");
    EXPECT_EQ(first, u"unchanged");
  }
}

}  // namespace
}  // namespace kestrune
