#include "core/avl_tree.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "core/base.h"
#include "core/frame.h"
#include "core/tag_stream.h"
#include "platform/files.h"

namespace kestrune {

namespace {

// The orders of the item types: <0, 0 or >0 as the first value sorts before,
// with or after the second. Key is what the set holds per node: the 32 bits of
// an integer (in the node) or a pointer (beside it).
template <typename K>
int CompareKeys(K a, K b) {
  return (a > b) - (a < b);
}

struct OrderLongInt {
  using Key = uint32_t;
  static constexpr bool kPointer = false;
  int operator()(uint32_t a, uint32_t b) const { return CompareKeys(static_cast<int32_t>(a), static_cast<int32_t>(b)); }
};

struct OrderDWord {
  using Key = uint32_t;
  static constexpr bool kPointer = false;
  int operator()(uint32_t a, uint32_t b) const { return CompareKeys(a, b); }
};

struct OrderText {
  using Key = uintptr_t;
  static constexpr bool kPointer = true;
  int32_t (*compare)(const char16_t*, const char16_t*);
  int operator()(uintptr_t a, uintptr_t b) const {
    return compare(reinterpret_cast<const char16_t*>(a), reinterpret_cast<const char16_t*>(b));
  }
};

// The key is the first 4 bytes of the record; a null record sorts first.
template <typename K>
struct OrderPointedKey {
  using Key = uintptr_t;
  static constexpr bool kPointer = true;
  int operator()(uintptr_t a, uintptr_t b) const {
    if (a == 0 || b == 0) return CompareKeys(a, b);
    K x, y;
    std::memcpy(&x, reinterpret_cast<const void*>(a), sizeof(K));
    std::memcpy(&y, reinterpret_cast<const void*>(b), sizeof(K));
    return CompareKeys(x, y);
  }
};


// Nodes written to memory before they go to the file in one write.
constexpr int32_t kSaveChunk = 8192;

bool IsIntegerType(TItemType type) { return type == TItemType::cLongInt || type == TItemType::cDWord; }

}  // namespace

TIAVLTree::TIAVLTree() : compareText_(CompareWideNoCase) {}

TIAVLTree::~TIAVLTree() { ClearNodes(); }

template <typename F>
decltype(auto) TIAVLTree::WithOrder(F&& f) const {
  switch (itemType_) {
    case TItemType::cDWord:
      return f(OrderDWord{});
    case TItemType::cPWideString:
      return f(OrderText{compareText_});
    case TItemType::cPLongInt:
      return f(OrderPointedKey<int32_t>{});
    case TItemType::cPDWord:
      return f(OrderPointedKey<uint32_t>{});
    case TItemType::cLongInt:
    default:
      return f(OrderLongInt{});
  }
}

// ---- public operations ----

int32_t TIAVLTree::Add(TValue value) {
  std::lock_guard<std::mutex> guard(lock_);
  return AddUnshared(value);
}

int32_t TIAVLTree::AddUnshared(TValue value) {
  // The integer sets, the common case, go straight to their insert.
  if (itemType_ == TItemType::cLongInt) return Insert(static_cast<uint32_t>(value), OrderLongInt{});
  return WithOrder([&](const auto& order) {
    using Key = typename std::decay_t<decltype(order)>::Key;
    return Insert(static_cast<Key>(value), order);
  });
}

void TIAVLTree::Delete(int32_t index) {
  std::lock_guard<std::mutex> guard(lock_);
  if (index < 0 || index >= Count()) return;
  WithOrder([&](const auto& order) { Remove(index, order); });
}

int32_t TIAVLTree::Find(TValue value) {
  std::lock_guard<std::mutex> guard(lock_);
  return FindUnshared(value);
}

int32_t TIAVLTree::FindUnshared(TValue value) const {
  if (itemType_ == TItemType::cLongInt) return Search(static_cast<uint32_t>(value), OrderLongInt{});
  return WithOrder([&](const auto& order) {
    using Key = typename std::decay_t<decltype(order)>::Key;
    return Search(static_cast<Key>(value), order);
  });
}

TIAVLTree::TValue TIAVLTree::GetItem(int32_t index) const {
  switch (itemType_) {
    case TItemType::cLongInt:
      return index < 0 || index >= Count() ? -1 : static_cast<int32_t>(nodes_[index].Value);
    case TItemType::cDWord:
      return index < 0 || index >= Count() ? -1 : static_cast<TValue>(nodes_[index].Value);
    default:
      return index < 0 || index >= Count() ? 0 : static_cast<TValue>(pointers_[index]);
  }
}

void TIAVLTree::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  // A set that is filled and cleared again and again (a context set, an
  // active set) keeps its first node page instead of growing it anew each
  // time; the destructor frees it.
  nodes_.Truncate(1);
  pointers_.Clear();
  count_.store(0, std::memory_order_relaxed);
  if (rightEdge_) rightEdge_->Depth = 0;
  root_ = -1;
}

void TIAVLTree::SetCaseSensitivity(bool on) {
  std::lock_guard<std::mutex> guard(lock_);
  if (Count() != 0) return;
  caseSensitivity_ = on;
  compareText_ = on ? CompareWideOrdinal : CompareWideNoCase;
}

void TIAVLTree::SetItemType(TItemType type) {
  std::lock_guard<std::mutex> guard(lock_);
  // The order of the values already held depends on the type.
  if (Count() != 0) return;
  itemType_ = type;
}

// ---- tree ----

void TIAVLTree::ClearNodes() {
  rightEdge_.reset();
  nodes_.Clear();
  pointers_.Clear();
  count_.store(0, std::memory_order_relaxed);
  root_ = -1;
}

template <typename Order>
typename Order::Key TIAVLTree::KeyOf(int32_t index) const {
  return KeyOf<Order>(nodes_, index);
}

template <typename Order, typename Nodes>
typename Order::Key TIAVLTree::KeyOf(const Nodes& nodes, int32_t index) const {
  if constexpr (Order::kPointer) {
    return pointers_[index];
  } else {
    return nodes[index].Value;
  }
}

template <typename Order>
int32_t TIAVLTree::Search(typename Order::Key key, const Order& order) const {
  // A set that fits its first page is searched in that one block.
  if (Count() <= static_cast<int32_t>(TNodes::kPageSize)) {
    if (root_ < 0) return -1;
    return SearchIn(&nodes_[0], key, order);
  }
  return SearchIn(nodes_, key, order);
}

template <typename Nodes, typename Order>
int32_t TIAVLTree::SearchIn(const Nodes& nodes, typename Order::Key key, const Order& order) const {
  int32_t n = root_;
  while (n >= 0) {
    const TAVLNode& node = nodes[n];
    const int c = order(key, KeyOf<Order>(nodes, n));
    if (c == 0) return n;
    n = c < 0 ? node.Left : node.Right;
  }
  return -1;
}

template <typename Order>
int32_t TIAVLTree::Insert(typename Order::Key key, const Order& order) {
  TPath path;
  if (!AboveAll(key, order, path)) {
    // A set that fits its first page is searched in that one block.
    const int32_t found = Count() <= static_cast<int32_t>(TNodes::kPageSize) && root_ >= 0
                              ? Descend(&nodes_[0], key, order, path)
                              : Descend(nodes_, key, order, path);
    if (found != kNotFound) return found;
  }
  const int depth = path.Depth;
  const int32_t* nodesOnPath = path.Node;
  const bool* wentRight = path.WentRight;

  const int32_t index = Count();
  if (index >= nodes_.Capacity() && (index == INT32_MAX || !nodes_.Reserve(int64_t{index} + 1))) return -1;
  TAVLNode& fresh = nodes_[index];
  fresh.Left = -1;
  fresh.Right = -1;
  fresh.Balance = kEven;
  if constexpr (Order::kPointer) {
    if (!pointers_.Reserve(int64_t{index} + 1)) return -1;
    fresh.Value = 0;
    pointers_[index] = key;
  } else {
    fresh.Value = key;
  }
  count_.store(index + 1, std::memory_order_relaxed);
  if (depth == 0) {
    root_ = index;
    FollowRightEdge<Order>(path, index, -1);
    return index;
  }
  TAVLNode& parent = nodes_[nodesOnPath[depth - 1]];
  (wentRight[depth - 1] ? parent.Right : parent.Left) = index;

  // Walk back up while the subtree on the path grew.
  int repairedAt = -1;
  for (int i = depth - 1; i >= 0; --i) {
    TAVLNode& node = nodes_[nodesOnPath[i]];
    // The link to the node: only a rotation needs it.
    auto link = [&]() -> int32_t& {
      if (i == 0) return root_;
      TAVLNode& above = nodes_[nodesOnPath[i - 1]];
      return wentRight[i - 1] ? above.Right : above.Left;
    };
    if (!wentRight[i]) {
      if (node.Balance == kEven) {
        node.Balance = kLeftHigh;
        continue;
      }
      if (node.Balance == kRightHigh) {
        node.Balance = kEven;
      } else {
        RepairLeftHigh(link());
        repairedAt = i;
      }
    } else {
      if (node.Balance == kEven) {
        node.Balance = kRightHigh;
        continue;
      }
      if (node.Balance == kLeftHigh) {
        node.Balance = kEven;
      } else {
        RepairRightHigh(link());
        repairedAt = i;
      }
    }
    break;
  }
  FollowRightEdge<Order>(path, index, repairedAt);
  return index;
}

template <typename Order>
bool TIAVLTree::AboveAll(typename Order::Key key, const Order& order, TPath& path) const {
  if constexpr (Order::kPointer) {
    return false;
  } else {
    if (!rightEdge_ || rightEdge_->Depth == 0 || rightEdge_->Depth >= kMaxDepth) return false;
    const TRightEdge& edge = *rightEdge_;
    if (order(key, KeyOf<Order>(edge.Node[edge.Depth - 1])) <= 0) return false;
    std::copy_n(edge.Node, edge.Depth, path.Node);
    std::fill_n(path.WentRight, edge.Depth, true);
    path.Depth = edge.Depth;
    return true;
  }
}

template <typename Order>
void TIAVLTree::FollowRightEdge(const TPath& path, int32_t index, int repairedAt) {
  if constexpr (Order::kPointer) {
    return;
  } else {
    const int depth = path.Depth;
    // A small set keeps no edge: its inserts skip the walk along the path.
    const bool rightmost = Count() >= kRightEdgeFrom &&
                           std::all_of(path.WentRight, path.WentRight + depth, [](bool right) { return right; });
    if (!rightmost) {
      if (rightEdge_) rightEdge_->Depth = 0;
      return;
    }
    if (!rightEdge_) rightEdge_ = std::make_unique<TRightEdge>();
    TRightEdge& edge = *rightEdge_;
    // The new node hangs right of the path's last node. A repair on the
    // right edge is a left rotation: the repaired node leaves the edge and
    // its right child takes its place.
    int n = 0;
    for (int i = 0; i < depth; ++i) {
      if (i != repairedAt) edge.Node[n++] = path.Node[i];
    }
    edge.Node[n++] = index;
    edge.Depth = n;
    // Checked, not assumed: the edge must run from the root along right links.
    const bool linked = edge.Node[0] == root_ &&
                        (repairedAt <= 0 || nodes_[edge.Node[repairedAt - 1]].Right == edge.Node[repairedAt]);
    if (!linked || n >= kMaxDepth) edge.Depth = 0;
  }
}

// The search of Insert: the index of the node holding an equal value (-1 for
// a text set), -1 when the path would be too deep, else kNotFound with the
// path to the new node's parent.
template <typename Nodes, typename Order>
int32_t TIAVLTree::Descend(const Nodes& nodes, typename Order::Key key, const Order& order, TPath& path) const {
  int depth = 0;
  for (int32_t n = root_; n >= 0;) {
    const TAVLNode& node = nodes[n];
    const int c = order(key, KeyOf<Order>(nodes, n));
    if (c == 0) return itemType_ == TItemType::cPWideString ? -1 : n;
    if (depth == kMaxDepth) return -1;  // never for a balanced tree
    path.Node[depth] = n;
    path.WentRight[depth] = c > 0;
    ++depth;
    n = c < 0 ? node.Left : node.Right;
  }
  path.Depth = depth;
  return kNotFound;
}

// The subtree at `link` is two levels higher on the left: rotate it right
// (single) or left-right (double). True when the subtree got lower.
bool TIAVLTree::RepairLeftHigh(int32_t& link) {
  const int32_t a = link;
  TAVLNode& top = nodes_[a];
  const int32_t b = top.Left;
  TAVLNode& left = nodes_[b];
  if (left.Balance != kRightHigh) {
    top.Left = left.Right;
    left.Right = a;
    link = b;
    if (left.Balance == kEven) {  // only after a deletion
      top.Balance = kLeftHigh;
      left.Balance = kRightHigh;
      return false;
    }
    top.Balance = kEven;
    left.Balance = kEven;
    return true;
  }
  const int32_t c = left.Right;
  TAVLNode& mid = nodes_[c];
  left.Right = mid.Left;
  top.Left = mid.Right;
  mid.Left = b;
  mid.Right = a;
  top.Balance = mid.Balance == kLeftHigh ? kRightHigh : kEven;
  left.Balance = mid.Balance == kRightHigh ? kLeftHigh : kEven;
  mid.Balance = kEven;
  link = c;
  return true;
}

bool TIAVLTree::RepairRightHigh(int32_t& link) {
  const int32_t a = link;
  TAVLNode& top = nodes_[a];
  const int32_t b = top.Right;
  TAVLNode& right = nodes_[b];
  if (right.Balance != kLeftHigh) {
    top.Right = right.Left;
    right.Left = a;
    link = b;
    if (right.Balance == kEven) {  // only after a deletion
      top.Balance = kRightHigh;
      right.Balance = kLeftHigh;
      return false;
    }
    top.Balance = kEven;
    right.Balance = kEven;
    return true;
  }
  const int32_t c = right.Left;
  TAVLNode& mid = nodes_[c];
  right.Left = mid.Right;
  top.Right = mid.Left;
  mid.Right = b;
  mid.Left = a;
  top.Balance = mid.Balance == kRightHigh ? kLeftHigh : kEven;
  right.Balance = mid.Balance == kLeftHigh ? kRightHigh : kEven;
  mid.Balance = kEven;
  link = c;
  return true;
}

// The left subtree of the node at `link` got lower. True when the node's own
// subtree got lower.
bool TIAVLTree::LeftShrunk(int32_t& link) {
  TAVLNode& node = nodes_[link];
  if (node.Balance == kLeftHigh) {
    node.Balance = kEven;
    return true;
  }
  if (node.Balance == kEven) {
    node.Balance = kRightHigh;
    return false;
  }
  return RepairRightHigh(link);
}

bool TIAVLTree::RightShrunk(int32_t& link) {
  TAVLNode& node = nodes_[link];
  if (node.Balance == kRightHigh) {
    node.Balance = kEven;
    return true;
  }
  if (node.Balance == kEven) {
    node.Balance = kLeftHigh;
    return false;
  }
  return RepairLeftHigh(link);
}

// Unlinks the rightmost node of the subtree at `link`. True when the subtree
// got lower.
bool TIAVLTree::DetachRightmost(int32_t& link, int32_t& detached) {
  TAVLNode& node = nodes_[link];
  if (node.Right >= 0) return DetachRightmost(node.Right, detached) && RightShrunk(link);
  detached = link;
  link = node.Left;
  return true;
}

// Removes node `target` (holding `key`) from the subtree at `link`. True when
// the subtree got lower.
template <typename Order>
bool TIAVLTree::RemoveNode(int32_t& link, typename Order::Key key, int32_t target, const Order& order,
                           bool& found) {
  const int32_t n = link;
  if (n < 0) return false;
  TAVLNode& node = nodes_[n];
  const int c = n == target ? 0 : order(key, KeyOf<Order>(n));
  if (c < 0) return RemoveNode(node.Left, key, target, order, found) && LeftShrunk(link);
  if (c > 0) return RemoveNode(node.Right, key, target, order, found) && RightShrunk(link);
  if (n != target) return false;
  found = true;
  bool lower = true;
  if (node.Right < 0) {
    link = node.Left;
  } else if (node.Left < 0) {
    link = node.Right;
  } else {
    // The in-order predecessor takes the node's place, children and balance.
    int32_t predecessor = -1;
    const bool leftLower = DetachRightmost(node.Left, predecessor);
    TAVLNode& replacement = nodes_[predecessor];
    replacement.Left = node.Left;
    replacement.Right = node.Right;
    replacement.Balance = node.Balance;
    link = predecessor;
    lower = leftLower && LeftShrunk(link);
  }
  node.Left = -1;
  node.Right = -1;
  return lower;
}

// The link (a parent's child field, or the root) that points at `node`.
template <typename Order>
int32_t* TIAVLTree::ParentLink(int32_t node, const Order& order) {
  const typename Order::Key key = KeyOf<Order>(node);
  int32_t* link = &root_;
  while (*link >= 0 && *link != node) {
    TAVLNode& at = nodes_[*link];
    link = order(key, KeyOf<Order>(*link)) < 0 ? &at.Left : &at.Right;
  }
  if (*link == node) return link;
  // A key changed behind the set's back: find the parent by its links.
  for (int32_t i = 0; i < Count(); ++i) {
    TAVLNode& at = nodes_[i];
    if (at.Left == node) return &at.Left;
    if (at.Right == node) return &at.Right;
  }
  return nullptr;
}

template <typename Order>
void TIAVLTree::Remove(int32_t index, const Order& order) {
  bool found = false;
  if (rightEdge_) rightEdge_->Depth = 0;
  RemoveNode(root_, KeyOf<Order>(index), index, order, found);
  if (!found) return;
  const int32_t last = Count() - 1;
  if (index != last) {
    // The last node moves into the freed slot so that indexes stay dense.
    if (int32_t* link = ParentLink(last, order)) *link = index;
    nodes_[index] = nodes_[last];
    if constexpr (Order::kPointer) pointers_[index] = pointers_[last];
  }
  count_.store(last, std::memory_order_relaxed);
  if (last == 0) root_ = -1;
  nodes_.Truncate(last);
  if constexpr (Order::kPointer) pointers_.Truncate(last);
}

// ---- "AVLF" file ----

int32_t TIAVLTree::WriteBody(TTagStream& tags) const {
  const int32_t count = Count();
  for (int32_t first = 0; first < count; first += kSaveChunk) {
    const int32_t end = count - first > kSaveChunk ? first + kSaveChunk : count;
    TMemoryStream chunk;
    chunk.Bytes().reserve(static_cast<size_t>(end - first) * 8);
    TTagStream chunkTags(&chunk);
    for (int32_t i = first; i < end; ++i) {
      const uint32_t value = nodes_[i].Value;
      chunkTags.WriteTag(kNodeTag, &value, 4);
    }
    if (chunkTags.WriteError()) return kFileError;
    const int64_t size = chunk.Size();
    if (tags.WriteRaw(chunk.Bytes().data(), size) != size) return kFileError;
  }
  return kDone;
}

int32_t TIAVLTree::SaveToFile(std::u16string_view fileName) {
  if (fileName.empty()) return kEmptyName;
  std::lock_guard<std::mutex> guard(lock_);
  // The file always gets a valid frame; the body only for a non-empty set of
  // integers.
  const bool integers = IsIntegerType(itemType_);
  const bool empty = Count() == 0;
  // A read-only target is made writable for the save and read-only again
  // afterwards, whatever the result; the new file keeps its mode.
  const platform::PathInfo info = platform::GetPathInfo(fileName);
  const bool wasReadOnly = info.exists && info.isFile && info.readOnly;
  if (wasReadOnly) platform::SetReadOnly(fileName, false);
  int32_t result;
  try {
    result = SaveFramedFile(fileName, kMagicAVLF, kFileVersion, true, kFileError, [&](TTagStream& tags) -> int32_t {
      if (!integers || empty) return kDone;
      return WriteBody(tags);
    });
  } catch (...) {
    result = kFileError;
  }
  if (wasReadOnly) platform::SetReadOnly(fileName, true);
  if (result != kDone) return result;
  if (!integers) return kNotIntegerItems;
  if (empty) return kEmptySet;
  return kDone;
}

int32_t TIAVLTree::LoadFromFile(std::u16string_view fileName) {
  if (!IsIntegerType(itemType_)) return kNotIntegerItems;
  if (fileName.empty()) return kEmptyName;
  if (!platform::FileExists(fileName)) return kFileMissing;
  std::lock_guard<std::mutex> guard(lock_);
  ClearNodes();
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  if (!file.HandleValid()) return kFileError;
  return ReadFramed(file);
}

int32_t TIAVLTree::LoadFromStream(TStream& stream) {
  if (!IsIntegerType(itemType_)) return kNotIntegerItems;
  std::lock_guard<std::mutex> guard(lock_);
  ClearNodes();
  return ReadFramed(stream);
}

int32_t TIAVLTree::ReadFramed(TStream& stream) {
  if (stream.Seek(0, TSeekOrigin::soBeginning) != 0) return kFileError;
  TFrameHeader frame;
  if (!ReadFrameHeader(stream, frame)) return kFileError;
  if (frame.Magic != kMagicAVLF) return kWrongMagic;
  // A stored CRC of 0 is checked like any other.
  if (frame.CRC != StreamCRC32(stream, kFrameSize, -1)) return kCRCMismatch;
  if (stream.Seek(kFrameSize, TSeekOrigin::soBeginning) != kFrameSize) return kFileError;
  TTagStream tags(&stream);
  return ReadBody(tags);
}

int32_t TIAVLTree::ReadBody(TTagStream& tags) {
  return WithOrder([&](const auto& order) -> int32_t {
    while (!tags.EndOfStream()) {
      if (tags.ReadTag() > 0) {
        // A tag that claims more bytes than the file holds: the file is damaged.
        if (tags.TagEnd() > tags.StreamSize()) return kFileError;
        if (tags.CurrentTag() == kNodeTag) {
          uint32_t value = 0;
          tags.ReadCardinal(value, 0);
          if constexpr (!std::decay_t<decltype(order)>::kPointer) {
            if (Insert(value, order) < 0) return kFileError;
          }
        } else if (tags.CurrentTag() == kContainerTag && !tags.EndOfTag()) {
          continue;
        }
      } else if (!tags.InTag()) {
        break;  // no header left: the end of the stream
      }
      // Leaves the tag just read, or a container with too little room for one more.
      tags.LeaveTag();
      if (tags.CurrentTag() == kContainerTag && tags.EndOfTag()) tags.LeaveTag();
    }
    return kDone;
  });
}

}  // namespace kestrune
