#include "search/tag_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrune {
namespace {

struct TreeCase {
  const char* name;
  std::vector<std::u16string> tags;
  std::vector<int32_t> partners;
  std::vector<int32_t> depths;
  std::vector<int32_t> parents;
};

TEST(TagTree, PairingDepthAndParent) {
  const TreeCase cases[] = {
      {"nested pairs",
       {u"html", u"body", u"p", u"/p", u"p", u"/p", u"/body", u"/html"},
       {7, 6, 3, 2, 5, 4, 1, 0},
       {1, 2, 3, 3, 3, 3, 2, 1},
       {-1, 0, 1, 1, 1, 1, 0, -1}},
      {"an opening tag passed on the way is left open",
       {u"div", u"br", u"img", u"/div", u"span"},
       {3, -1, -1, 0, -1},
       {1, 2, 2, 1, 1},
       {-1, 0, 0, -1, -1}},
      {"crossed tags: the passed one never pairs later",
       {u"b", u"i", u"/b", u"/i"},
       {2, -1, 0, -1},
       {1, 2, 1, 1},
       {-1, 0, -1, -1}},
      {"tag 0 is a real partner", {u"td", u"/td"}, {1, 0}, {1, 1}, {-1, -1}},
      {"a closed element is stepped over", {u"p", u"p", u"/p", u"/p"}, {3, 2, 1, 0}, {1, 2, 2, 1}, {-1, 0, 0, -1}},
      {"an orphan closing tag and the tags before it",
       {u"a", u"/x", u"a", u"/a"},
       {-1, -1, 3, 2},
       {1, 1, 1, 1},
       {-1, -1, -1, -1}},
      {"only an a tag", {u"a"}, {-1}, {1}, {-1}},
      {"empty page", {}, {}, {}, {}},
  };
  for (const TreeCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TTagTreeRecord> tree;
    BuildTagTree(
        static_cast<int32_t>(c.tags.size()),
        [&](int32_t i) { return std::u16string_view(c.tags[static_cast<size_t>(i)]); }, tree);
    ASSERT_EQ(tree.size(), c.tags.size());
    for (size_t i = 0; i < tree.size(); ++i) {
      EXPECT_EQ(tree[i].Partner, c.partners[i]) << "partner of " << i;
      EXPECT_EQ(tree[i].Depth, c.depths[i]) << "depth of " << i;
      EXPECT_EQ(tree[i].Parent, c.parents[i]) << "parent of " << i;
    }
  }
}

// The stepping and the stop at the last orphan give the same pairs as the
// plain walk back to tag 0.
TEST(TagTree, SameAsThePlainWalk) {
  const std::u16string names[] = {u"a", u"/a", u"b", u"/b", u"p", u"/p", u"br"};
  uint32_t seed = 12345;
  for (int round = 0; round < 200; ++round) {
    std::vector<std::u16string> tags;
    const int n = 1 + round % 60;
    for (int i = 0; i < n; ++i) {
      seed = seed * 1103515245u + 12345u;
      tags.push_back(names[(seed >> 16) % 7]);
    }
    std::vector<int32_t> plain(tags.size(), kTagNotPaired);
    for (size_t i = 0; i < tags.size(); ++i) {
      if (tags[i][0] != u'/') continue;
      bool paired = false;
      for (int32_t j = static_cast<int32_t>(i) - 1; j >= 0; --j) {
        if (plain[j] != kTagNotPaired || tags[j][0] == u'/') continue;
        if (tags[j] == tags[i].substr(1)) {
          plain[j] = static_cast<int32_t>(i);
          plain[i] = j;
          paired = true;
          break;
        }
        plain[j] = kTagLeftOpen;
      }
      if (!paired) plain[i] = kTagLeftOpen;
    }
    std::vector<TTagTreeRecord> tree;
    BuildTagTree(
        n, [&](int32_t i) { return std::u16string_view(tags[static_cast<size_t>(i)]); }, tree);
    for (size_t i = 0; i < tags.size(); ++i) {
      const int32_t expected = plain[i] == kTagNotPaired ? kTagLeftOpen : plain[i];
      ASSERT_EQ(tree[i].Partner, expected) << "round " << round << " tag " << i;
    }
  }
}

}  // namespace
}  // namespace kestrune
