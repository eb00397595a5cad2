// Feeds arbitrary bytes to the news feed reader as the update check uses it:
// it never fails, and every item it returns stood in the feed as an element
// of its own (an entity adds no element or text).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/news_feed.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TNewsItemS items;
  ReadNewsFeed(std::string_view(reinterpret_cast<const char*>(data), size), items);
  // "<item><a/></item>" is the shortest item: 17 bytes.
  if (items.size() * 17 > size) std::abort();
  for (const TNewsItem& item : items) {
    if (item.Title.size() + item.Link.size() + item.Date.size() > size) std::abort();
  }
  return 0;
}
