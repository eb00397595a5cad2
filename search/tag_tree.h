// The tag tree of a parsed page: which opening and closing tags pair, and the
// depth and parent of every tag. The automatic result recovery groups a
// page's links by the depth and markup of the block around them.
//
// Pairing: each closing tag ("/name"), in page order, walks back towards tag
// 0; the first tag named "name" that has no partner yet becomes its partner.
// Every opening tag passed on the way without a partner is left open for
// good (kTagLeftOpen) and never pairs later. A closing tag that finds nothing
// is left open too. Opening tags no walk reached end up left open.
// Depth and parent: a pass with a current parent p (none at first, depth 0):
// a left-open tag gets depth(p) + 1 and parent p; an opening tag with a later
// partner the same, and becomes p; a closing tag takes the depth and parent
// of its partner, and that parent becomes p.
//
// Cost: a walk steps over a paired element in one step (everything inside a
// pair is settled once it pairs) and stops at the last closing tag that found
// no partner (everything before it is settled), so a well-formed page costs
// about its tag count times its nesting depth.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrune {

inline constexpr int32_t kTagLeftOpen = -1;
inline constexpr int32_t kTagNotPaired = -2;  // only while pairing

struct TTagTreeRecord {
  int32_t Depth = 0;
  int32_t Partner = kTagNotPaired;  // index of the matching tag, or kTagLeftOpen
  int32_t Parent = -1;              // index of the enclosing opening tag, -1 none
};

// nameOf(i) gives the name of tag i (lower case, "/" first for a closing tag).
// stop() is asked every few thousand tags; when it says true the tree is left
// unfinished and the result is False.
template <class NameOf, class Stop>
bool BuildTagTree(int32_t count, NameOf&& nameOf, std::vector<TTagTreeRecord>& tree, Stop&& stop) {
  constexpr int32_t kStopCheck = 4096;
  tree.assign(static_cast<size_t>(count < 0 ? 0 : count), TTagTreeRecord{});
  int32_t settled = -1;  // every tag at or below this index has its final partner
  for (int32_t i = 0; i < count; ++i) {
    if (i % kStopCheck == 0 && stop()) return false;
    const std::u16string_view name = nameOf(i);
    if (name.empty() || name[0] != u'/') continue;
    const std::u16string_view opening = name.substr(1);
    bool paired = false;
    int32_t j = i - 1;
    while (j > settled) {
      TTagTreeRecord& r = tree[static_cast<size_t>(j)];
      if (r.Partner == kTagNotPaired) {
        if (nameOf(j) == opening) {
          r.Partner = i;
          tree[static_cast<size_t>(i)].Partner = j;
          paired = true;
          break;
        }
        r.Partner = kTagLeftOpen;
        --j;
      } else if (r.Partner >= 0 && r.Partner < j) {
        j = r.Partner - 1;  // a closed element: everything inside is settled
      } else {
        --j;
      }
    }
    if (!paired) {
      tree[static_cast<size_t>(i)].Partner = kTagLeftOpen;
      settled = i;
    }
  }
  int32_t p = -1;
  for (int32_t i = 0; i < count; ++i) {
    if (i % kStopCheck == 0 && stop()) return false;
    TTagTreeRecord& r = tree[static_cast<size_t>(i)];
    if (r.Partner == kTagNotPaired) r.Partner = kTagLeftOpen;
    const int32_t parentDepth = p < 0 ? 0 : tree[static_cast<size_t>(p)].Depth;
    if (r.Partner >= 0 && r.Partner < i) {
      const TTagTreeRecord& opening = tree[static_cast<size_t>(r.Partner)];
      r.Depth = opening.Depth;
      r.Parent = opening.Parent;
      p = opening.Parent;
    } else {
      r.Depth = parentDepth + 1;
      r.Parent = p;
      if (r.Partner > i) p = i;
    }
  }
  return true;
}

template <class NameOf>
void BuildTagTree(int32_t count, NameOf&& nameOf, std::vector<TTagTreeRecord>& tree) {
  BuildTagTree(count, nameOf, tree, [] { return false; });
}

}  // namespace kestrune
