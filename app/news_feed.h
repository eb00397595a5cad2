// The news of the maker's update server: the items of its RSS feed, as the
// start page's news block shows them. The update check fills them on its own
// thread and hands the whole list to the main window; the feed's reader lives
// beside them.
//
// ReadNewsFeed reads an RSS document with libxml2: the document must begin
// with an XML declaration, its root element is "rss", and every element
// "item" (exact case) of the first "channel" that has element children gives
// one entry, in feed order, from its first "title", "link" and "date:value"
// children (the qualified name as written, whether the prefix "date" is
// declared or not); a missing child leaves its field empty. A field's text is
// the element's own text and CDATA, without the blanks and line breaks around
// it. libxml2 decodes the text by the encoding the declaration names, once;
// an encoding it does not know gives no items and one log line. A named
// reference of HTML 4.01 ("&rsquo;", "&eacute;", search/html_references.h)
// gives its character; any other ("&ext;", an entity the feed declares
// itself) stays as written; after a fault of the feed's markup (an "&" not
// written as "&amp;") libxml2's recovery drops every later reference. The
// reader loads no DTD, expands no entity of the
// document's own, fetches nothing from the network or the disk, and reads no
// feed over kMaxNewsFeedSize bytes. It never throws. Any thread may call it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/stream.h"

namespace kestrune {

// One news entry: its title, its link and its date, as the feed gives them.
struct TNewsItem {
  std::u16string Title;
  std::u16string Link;
  std::u16string Date;
};

using TNewsItemS = std::vector<TNewsItem>;

// The longest feed read (and downloaded), in bytes.
inline constexpr int64_t kMaxNewsFeedSize = 1 << 20;

// Reads the whole stream (from position 0) into `items`, emptied first.
void ReadNewsFeed(TStream& stream, TNewsItemS& items);
// The same over the feed's bytes.
void ReadNewsFeed(std::string_view feed, TNewsItemS& items);

}  // namespace kestrune
