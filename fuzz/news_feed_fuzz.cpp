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
  // Every item has its own start tag and its first child's, "<item><a>" at
  // the least (the parser's recovery closes an item at "</>" or "</i>", or at
  // the end of the feed).
  if (items.size() * 9 > size) std::abort();
  // A byte of the feed makes at most four characters: TSCII writes a
  // syllable of up to four in one byte.
  for (const TNewsItem& item : items) {
    if (item.Title.size() + item.Link.size() + item.Date.size() > 4 * size) std::abort();
  }
  return 0;
}
