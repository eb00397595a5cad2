// The news of the maker's update server: the items of its RSS feed, as the
// start page's news block shows them. The update check fills them on its own
// thread and hands the whole list to the main window; the feed's reader lives
// beside them.
#pragma once

#include <string>
#include <vector>

namespace kestrune {

// One news entry: its title, its link and its date, as the feed gives them.
struct TNewsItem {
  std::u16string Title;
  std::u16string Link;
  std::u16string Date;
};

using TNewsItemS = std::vector<TNewsItem>;

}  // namespace kestrune
