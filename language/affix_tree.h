// TAffixTree: the ternary tree that indexes the prefixes (or the endings) of
// the morphology engine by text.
//
// A text t of n >= 1 units lives so: t[0] selects a first-level entry
// [t[0] >> 8][t[0] & 255], which holds the root of a ternary tree over the rest
// of the text: nodes keyed t[1] .. t[n-1] linked by `eq`, then an end node
// (key -1) whose `eq` holds the text's id. Siblings are ordered by key through
// `lo` (smaller) and `hi` (larger); since -1 is below every code unit, the end
// node of a text that stops at a given point is the leftmost sibling at that
// point. Endings are stored reversed (last unit first), so both trees are
// walked inward from an edge of a word. Texts compare by exact code units.
//
// Nodes live in pages of 1,024; node references are node numbers, -1 none.
// The tree does not own the texts: it only maps them to ids the engine keeps.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/paged_array.h"

namespace kestrune {

struct TTNode {
  int32_t lo = -1;
  int32_t eq = -1;   // an end node's id instead of a node reference
  int32_t hi = -1;
  int32_t key = 0;   // a UTF-16 unit, or -1 for an end node
};

class TAffixTree {
 public:
  static constexpr int32_t kNil = -1;
  static constexpr int32_t kEndKey = -1;

  // reversed: the text is walked from its last unit to its first (endings).
  explicit TAffixTree(bool reversed) : reversed_(reversed) {}
  TAffixTree(const TAffixTree&) = delete;
  TAffixTree& operator=(const TAffixTree&) = delete;

  // The id stored for the text, or -1 when the tree does not hold it (and for
  // the empty text, which is never stored).
  int32_t Find(std::u16string_view text) const;
  // The id stored for the text, or, when the tree does not hold it yet, the
  // nodes are made and `newId` is stored and returned. The empty text gives 0
  // and changes nothing.
  int32_t Insert(std::u16string_view text, int32_t newId);
  // Frees every node page and every first-level entry.
  void Clear();

  // Walking (word analysis): the root of the subtree of texts that begin with
  // `first`, -1 when none.
  int32_t Root(char16_t first) const;
  // The sibling with key `key` at the level of `node`, -1 when none.
  int32_t MatchSibling(int32_t node, int32_t key) const;
  // The id of the text that ends at the level of `node` (the end node reached
  // through `lo` links), -1 when none.
  int32_t EndId(int32_t node) const;
  const TTNode& Node(int32_t node) const { return nodes_[node]; }
  int32_t NodeCount() const { return nodeCount_; }

 private:
  int32_t UnitAt(std::u16string_view text, size_t i) const {
    return reversed_ ? text[text.size() - 1 - i] : text[i];
  }
  int32_t NewNode(int32_t key);

  bool reversed_;
  TPagedArray<TTNode, 1024> nodes_;
  int32_t nodeCount_ = 0;
  std::array<std::unique_ptr<std::array<int32_t, 256>>, 256> first_;
};

}  // namespace kestrune
