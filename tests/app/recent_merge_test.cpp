#include "app/recent_merge.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

using TList = std::vector<std::u16string>;

// This run read `loaded`, holds `mine`; another run stored `stored` since.
TEST(RecentMerge, ThisRunsNewEntriesFirstThenTheOtherRunsWithoutWhatThisRunDropped) {
  const struct {
    const char* name;
    TList loaded, mine, stored;
    bool cleared;
    TList merged;
  } cases[] = {
      {"nobody else stored: mine as it stands", {u"a", u"b"}, {u"", u"m", u"a"}, {u"a", u"", u"b"}, false,
       {u"", u"m", u"a"}},
      {"both added", {u"a", u"b", u"c"}, {u"m", u"a", u"b", u"c"}, {u"o", u"a", u"b", u"c"}, false,
       {u"m", u"o", u"a", u"b", u"c"}},
      {"cut to the count", {u"a", u"b", u"c", u"d", u"e"}, {u"m1", u"m2", u"a", u"b", u"c"}, {u"o", u"a", u"b", u"c", u"d"},
       false, {u"m1", u"m2", u"o", u"a", u"b"}},
      {"this run moved an old entry up", {u"a", u"b", u"c"}, {u"c", u"a", u"b"}, {u"o", u"a", u"b", u"c"}, false,
       {u"c", u"o", u"a", u"b"}},
      {"the other run moved up one this run pushed out", {u"a", u"b", u"c", u"d", u"e"},
       {u"m", u"a", u"b", u"c", u"d"}, {u"e", u"a", u"b", u"c", u"d"}, false, {u"m", u"e", u"a", u"b", u"c"}},
      {"this run removed an entry", {u"a", u"b", u"c"}, {u"a", u"c"}, {u"o", u"a", u"b", u"c"}, false,
       {u"o", u"a", u"c"}},
      {"this run renamed an entry in place", {u"a", u"b", u"c"}, {u"a", u"B2", u"c"}, {u"o", u"a", u"b", u"c"}, false,
       {u"a", u"B2", u"o", u"c"}},
      {"this run cleared, then took an old one again", {u"a", u"b", u"c"}, {u"a", u"m"}, {u"o", u"a", u"b", u"c"}, true,
       {u"a", u"m", u"o"}},
      {"the other run cleared", {u"a", u"b", u"c"}, {u"m", u"a", u"b", u"c"}, {u"o"}, false, {u"m", u"o"}},
      {"the file is gone", {u"a", u"b"}, {u"m", u"a", u"b"}, {}, false, {u"m"}},
      {"both added one entry", {u"a"}, {u"n", u"a"}, {u"n", u"a"}, false, {u"n", u"a"}},
      {"letter case aside, this run's spelling", {u"a"}, {u"New", u"a"}, {u"new", u"o", u"A"}, false,
       {u"New", u"o", u"A"}},
      {"empty entries are no entries", {u"a", u"", u""}, {u"m", u"a", u""}, {u"o", u"a", u""}, false,
       {u"m", u"o", u"a"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MergeRecentLists(c.loaded, c.mine, c.stored, c.cleared, 5, SameIgnoringCase), c.merged) << c.name;
  }
  // The query box's list tells letter case apart.
  const auto exact = [](std::u16string_view a, std::u16string_view b) { return a == b; };
  EXPECT_EQ(MergeRecentLists({u"a"}, {u"New", u"a"}, {u"new", u"a"}, false, 19, exact), (TList{u"New", u"new", u"a"}));
}

}  // namespace
}  // namespace kestrune
