#include "app/news_feed.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "search/html_parser_tables.h"
#include "tests/app/news_feeds.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

std::string Shown(const TNewsItemS& items) {
  std::string out;
  for (const TNewsItem& item : items) {
    out += "[" + platform::Utf16ToUtf8(item.Title) + "|" + platform::Utf16ToUtf8(item.Link) + "|" +
           platform::Utf16ToUtf8(item.Date) + "]";
  }
  return out;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// Every hand-made feed, through the stream reader; the external entity and
// DTD point at the loopback server, which must hear nothing, and then at a
// local file, whose text must not show.
TEST(ReadNewsFeed, HandMadeFeeds) {
  test::LoopbackHttpServer server;
  server.SetFallback([](const test::HttpRequestRecord&) { return test::HttpReply::Text("FETCHED"); });
  test::TempDir dir;
  test::WriteFileBytes(dir.File("secret.txt"), "FETCHED");
  for (const std::string& external : {server.Url("/secret"), "file://" + dir.File("secret.txt")}) {
    for (test::TNewsFeedCase c : test::NewsFeedCases()) {
      SCOPED_TRACE(std::string(c.name) + " " + external);
      ReplaceAll(c.feed, "{external}", external);
      TMemoryStream stream(c.feed.data(), c.feed.size());
      stream.SetPosition(stream.Size());  // the reader starts at 0 itself
      TNewsItemS items = {{u"old", u"", u""}};
      ReadNewsFeed(stream, items);
      EXPECT_EQ(Shown(items), Shown(c.items));
    }
  }
  EXPECT_EQ(server.RequestCount(), 0u);
}

// Named references in a title: those of HTML 4.01 give their characters,
// spelled with their letter case; any other stays as written.
TEST(ReadNewsFeed, NamedReferencesOfHtml) {
  const struct {
    const char* title;
    std::u16string shown;
  } cases[] = {
      {"Don&rsquo;t", u"Don\u2019t"},
      {"&eacute;t&eacute;", u"\u00e9t\u00e9"},
      {"&Dagger;&dagger; &hellip; &euro;5 &thetasym;", u"\u2021\u2020 \u2026 \u20ac5 \u03d1"},
      {"a&nbsp;b", u"a\u00a0b"},
      {"&amp;eacute; &lt;b&gt;", u"&eacute; <b>"},  // escaped: the text of a reference, not one
      {"&unknown; &EACUTE; &Eacute;", u"&unknown; &EACUTE; \u00c9"},
      {"fish&amp;chips&mdash;&#233;", u"fish&chips\u2014\u00e9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    TNewsItemS items;
    ReadNewsFeed(std::string("<?xml version=\"1.0\"?><rss><channel><item><title>") + c.title +
                     "</title><link>http://x/</link></item></channel></rss>",
                 items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Title, c.shown);
    EXPECT_EQ(items[0].Link, u"http://x/");
  }
  // Every name of the table, in one title.
  std::string title;
  std::u16string shown;
  for (const html::TNamedReference& reference : html::kNamedReferences) {
    title += "&" + std::string(reference.Name) + ";|";
    shown += std::u16string(1, reference.Code) + u"|";
  }
  EXPECT_EQ(std::size(html::kNamedReferences), 253u);  // HTML 4.01's 252 and "apos"
  TNewsItemS items;
  ReadNewsFeed("<?xml version=\"1.0\"?><rss><channel><item><title>" + title + "</title></item></channel></rss>",
               items);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].Title, shown);
}

TEST(ReadNewsFeed, AFeedOverTheCapGivesNothing) {
  const std::string item = "<item><title>t</title></item>";
  const std::string head = "<?xml version=\"1.0\"?><rss><channel>", tail = "</channel></rss>";
  std::string feed = head;
  while (feed.size() + item.size() + tail.size() <= static_cast<size_t>(kMaxNewsFeedSize)) feed += item;
  feed += tail;
  TNewsItemS items;
  ReadNewsFeed(feed, items);
  EXPECT_GT(items.size(), 30000u);
  feed.insert(head.size(), item);  // one item more: over the cap
  ReadNewsFeed(feed, items);
  EXPECT_TRUE(items.empty());
}

}  // namespace
}  // namespace kestrune
