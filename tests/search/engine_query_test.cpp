#include <regex>

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
  struct Case {
    const char* format;
    std::u16string query;
    std::string encoded;
  } cases[] = {
      {"utf 8", u"кот и пёс", "%d0%ba%d0%be%d1%82+%d0%b8+%d0%bf%d1%91%d1%81"},
      {"windows-1251", u"кот", "%ea%ee%f2"},
      {"xml", u"a<b", "a%26lt%3bb"},
      {"utf 8", u"$atom $Count_Url", "$atom+$Count_Url"},
      {"utf 8", u"smile \U0001F600", "smile+%f0%9f%98%80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    WriteTemplate("q", QueryTemplate(c.format, "100,50,20,10"));
    EngineProbe engine;
    engine.LoadTemplate("q");
    ASSERT_EQ(engine.Status(), 0);
    ASSERT_TRUE(engine.SetUrlCount(30));
    const std::string expected =
        "http://h/s?ip=" + engine.LocalIp() + "&q=" + c.encoded + "&n=20&p=47120936&a=58203&t=HV3K9W2TB";
    EXPECT_EQ(engine.QueryUrlFor(c.query), expected);
    EXPECT_EQ(engine.CreateQueryUrl(c.query), expected);
  }
}

TEST_F(EngineTest, QuotasAndNextUrls) {
  WriteTemplate("q", QueryTemplate("utf 8", "100,50,20,10"));
  EngineProbe engine;
  engine.LoadTemplate("q");
  ASSERT_TRUE(engine.SetUrlCount(30));
  EXPECT_EQ(engine.pagesLeft_, 3);  // 20 + 20 covers 30, one page more
  engine.CreateQueryUrl(u"x");
  // A full first page of 20.
  engine.acceptedCount_ = 20;
  engine.pageCount_ = 20;
  engine.CreateNextLink();
  EXPECT_EQ(engine.remaining_, 10);
  EXPECT_EQ(engine.NextUrl(),
            "http://h/n?q=x&ip=" + engine.LocalIp() + "&n=10&c=$COUNT_URL&l=20&p=1&i=2&r=21&t=HV3K9W2TB");
  // A short page that was not all repeats counts as full.
  engine.acceptedCount_ = 25;
  engine.pageCount_ = 5;
  engine.repeatsOnPage_ = 1;
  engine.CreateNextLink();
  EXPECT_EQ(engine.remaining_, 0);
  EXPECT_EQ(engine.pageQuota_, 10);  // nothing fits 0: the quota stays
  EXPECT_EQ(engine.pageCounter_, 2);
  // The wanted total reached: the next URL is left as it is.
  engine.acceptedCount_ = 30;
  const std::string before = engine.NextUrl();
  engine.CreateNextLink();
  EXPECT_EQ(engine.NextUrl(), before);
  EXPECT_FALSE(engine.stop_);
}

TEST_F(EngineTest, PageOfRepeatsEndsTheSearch) {
  WriteTemplate("q", QueryTemplate("utf 8", "10"));
  EngineProbe engine;
  engine.LoadTemplate("q");
  engine.SetUrlCount(50);
  EXPECT_EQ(engine.pageQuota_, 10);
  EXPECT_EQ(engine.pagesLeft_, 6);
  engine.CreateQueryUrl(u"x");
  ClearLog();
  engine.acceptedCount_ = 3;
  engine.pageCount_ = 3;
  engine.repeatsOnPage_ = 3;
  engine.CreateNextLink();
  EXPECT_TRUE(engine.NextUrl().empty());
  EXPECT_TRUE(engine.stop_);
  EXPECT_EQ(Log(), std::vector<std::string>{"CountRepeatedUrl=CountUrlFromCurrentPage. Stop Downloading "});
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
  EXPECT_TRUE(engine.stop_);
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_TRUE(std::regex_match(log[0], std::regex(text)));
  EXPECT_EQ(log[1], "Error in procedure EngineWeb.SetCurrentTakeUrl ");
  std::u16string first;
  EXPECT_FALSE(engine.StartSearch(u"x", first));  // refused: the quota cannot be built
  EXPECT_FALSE(engine.Busy());
  // After a search with this template the quota of that search is kept.
  engine.SetStatus(0);
  engine.pageQuota_ = 20;
  engine.SetUrlCount(5);
  EXPECT_EQ(engine.Status(), 0);
  EXPECT_EQ(engine.pageQuota_, 20);
  EXPECT_EQ(engine.pagesLeft_, 2);
}

TEST_F(EngineTest, StartSearchRefusesIncompleteTemplates) {
  const std::string full = QueryTemplate("utf 8", "10");
  struct Case {
    const char* missing;
  } cases[] = {{"MainQuery"},
               {"format"},
               {"FirstTag"},
               {"LastTag"},
               {"CountUrlOnSite"},
               {"TagBeginTitleInTemplate"},
               {"TagEndTitleInTemplate"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    std::string text = full;
    const size_t at = text.find(std::string("\n") + c.missing + " =");
    ASSERT_NE(at, std::string::npos);
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
    EXPECT_FALSE(engine.Busy());
  }
}

}  // namespace
}  // namespace kestrune
