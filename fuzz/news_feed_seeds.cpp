// Seeds for the news feed reader: the hand-made feeds of its tests.
#include "fuzz/seeds.h"
#include "tests/app/news_feeds.h"

KESTRUNE_SEEDS(news_feed) {
  for (kestrune::test::TNewsFeedCase c : kestrune::test::NewsFeedCases()) {
    for (size_t at = c.feed.find("{external}"); at != std::string::npos; at = c.feed.find("{external}")) {
      c.feed.replace(at, 10, "file:///nonexistent/news.dtd");
    }
    WriteSeed(folder, std::string(c.name) + ".xml", c.feed);
  }
}
