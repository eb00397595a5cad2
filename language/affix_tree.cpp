#include "language/affix_tree.h"

namespace kestrune {

int32_t TAffixTree::NewNode(int32_t key) {
  const int32_t n = nodeCount_;
  nodes_.Reserve(int64_t{n} + 1);
  nodes_[n] = TTNode{kNil, kNil, kNil, key};
  ++nodeCount_;
  return n;
}

int32_t TAffixTree::Root(char16_t first) const {
  const auto& row = first_[first >> 8];
  return row ? (*row)[first & 255] : kNil;
}

int32_t TAffixTree::MatchSibling(int32_t node, int32_t key) const {
  while (node != kNil) {
    const TTNode& n = nodes_[node];
    if (key < n.key) {
      node = n.lo;
    } else if (key > n.key) {
      node = n.hi;
    } else {
      return node;
    }
  }
  return kNil;
}

int32_t TAffixTree::EndId(int32_t node) const {
  while (node != kNil) {
    const TTNode& n = nodes_[node];
    if (n.key == kEndKey) return n.eq;
    node = n.lo;
  }
  return kNil;
}

int32_t TAffixTree::Find(std::u16string_view text) const {
  if (text.empty()) return kNil;
  int32_t node = Root(static_cast<char16_t>(UnitAt(text, 0)));
  for (size_t i = 1; i < text.size() && node != kNil; ++i) {
    node = MatchSibling(node, UnitAt(text, i));
    if (node != kNil) node = nodes_[node].eq;
  }
  return node == kNil ? kNil : EndId(node);
}

int32_t TAffixTree::Insert(std::u16string_view text, int32_t newId) {
  if (text.empty()) return 0;
  const size_t n = text.size();
  const int32_t first = UnitAt(text, 0);
  // Where the walk hangs a new node: a first-level entry or a node's side.
  int32_t* link = nullptr;
  auto& row = first_[first >> 8];
  if (row) link = &(*row)[first & 255];
  size_t next = 1;  // index of the unit the current key stands for
  int32_t key = n > 1 ? UnitAt(text, 1) : kEndKey;
  int32_t node = link ? *link : kNil;
  int32_t last = kNil;
  int side = 0;  // 0 lo, 1 eq, 2 hi of `last`
  while (node != kNil) {
    TTNode& nd = nodes_[node];
    last = node;
    if (key < nd.key) {
      side = 0;
      node = nd.lo;
    } else if (key > nd.key) {
      side = 2;
      node = nd.hi;
    } else {
      if (key == kEndKey) return nd.eq;
      side = 1;
      node = nd.eq;
      ++next;
      key = next < n ? UnitAt(text, next) : kEndKey;
    }
  }
  // Hang a node for the current key, then an eq chain for the rest.
  const int32_t made = NewNode(key);
  if (last != kNil) {
    TTNode& l = nodes_[last];
    (side == 0 ? l.lo : side == 1 ? l.eq : l.hi) = made;
  } else {
    if (!row) {
      row = std::make_unique<std::array<int32_t, 256>>();
      row->fill(kNil);
    }
    (*row)[first & 255] = made;
  }
  int32_t tail = made;
  while (nodes_[tail].key != kEndKey) {
    ++next;
    const int32_t k = next < n ? UnitAt(text, next) : kEndKey;
    const int32_t child = NewNode(k);
    nodes_[tail].eq = child;
    tail = child;
  }
  nodes_[tail].eq = newId;
  return newId;
}

void TAffixTree::Clear() {
  nodes_.Clear();
  nodeCount_ = 0;
  for (auto& row : first_) row.reset();
}

}  // namespace kestrune
