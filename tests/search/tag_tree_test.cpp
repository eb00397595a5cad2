#include "search/tag_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrune {
namespace {

std::vector<TTagTreeRecord> Tree(const std::vector<std::u16string>& tags) {
  std::vector<TTagTreeRecord> tree;
  BuildTagTree(
      static_cast<int32_t>(tags.size()), [&](int32_t i) { return std::u16string_view(tags[i]); }, tree);
  return tree;
}

TEST(TagTree, PairingDepthAndParent) {
  const struct {
    std::vector<std::u16string> tags;
    std::vector<int32_t> partnerDepthParent;  // three numbers per tag
  } cases[] = {
      {{u"html", u"p", u"/p", u"br", u"/html"}, {4, 1, -1, 2, 2, 0, 1, 2, 0, -1, 2, 0, 0, 1, -1}},
      {{u"b", u"i", u"/b", u"/i"}, {2, 1, -1, -1, 2, 0, 0, 1, -1, -1, 1, -1}},  // "i" passed: never paired
      {{u"p", u"p", u"/p", u"/p"}, {3, 1, -1, 2, 2, 0, 1, 2, 0, 0, 1, -1}},
      {{u"a", u"/x", u"a", u"/a"}, {-1, 1, -1, -1, 1, -1, 3, 1, -1, 2, 1, -1}},
  };
  for (const auto& c : cases) {
    std::vector<int32_t> got;
    for (const TTagTreeRecord& r : Tree(c.tags)) got.insert(got.end(), {r.Partner, r.Depth, r.Parent});
    EXPECT_EQ(got, c.partnerDepthParent) << c.tags.size() << " tags";
  }
}

// Stepping over closed elements and stopping at the last orphan give the
// pairs of the plain walk back to tag 0.
TEST(TagTree, SameAsThePlainWalk) {
  const std::u16string names[] = {u"a", u"/a", u"b", u"/b", u"p", u"/p", u"br"};
  uint32_t seed = 12345;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::u16string> tags;
    for (int i = 0; i < 1 + round % 60; ++i) {
      seed = seed * 1103515245u + 12345u;
      tags.push_back(names[(seed >> 16) % 7]);
    }
    std::vector<int32_t> plain(tags.size(), kTagNotPaired);
    for (size_t i = 0; i < tags.size(); ++i) {
      if (tags[i][0] != u'/') continue;
      plain[i] = kTagLeftOpen;
      for (int32_t j = static_cast<int32_t>(i) - 1; j >= 0; --j) {
        if (plain[j] != kTagNotPaired || tags[j][0] == u'/') continue;
        if (tags[j] != tags[i].substr(1)) {
          plain[j] = kTagLeftOpen;
          continue;
        }
        plain[j] = static_cast<int32_t>(i);
        plain[i] = j;
        break;
      }
    }
    const std::vector<TTagTreeRecord> tree = Tree(tags);
    for (size_t i = 0; i < tags.size(); ++i) {
      ASSERT_EQ(tree[i].Partner, plain[i] == kTagNotPaired ? kTagLeftOpen : plain[i]) << round << " " << i;
    }
  }
}

}  // namespace
}  // namespace kestrune
