// TIAVLTree: the ordered set of values that the system uses for membership
// tests and small indexes (the network layers' active and context sets, the
// context model's word-id set and file table, the phrase index, seed pools).
//
// A height-balanced binary search tree whose nodes live in a dense paged
// array: node i is also addressed by its index, nodes 0..Count()-1 are all in
// use, and the set is walked with GetItem(0..Count()-1). That order is the
// order of insertion as long as nothing was deleted; Delete(i) moves the last
// node into slot i, so only the last node's index changes.
//
// What a value means and how two values compare is the ItemType:
//   cLongInt      signed 32-bit integer                      signed order
//   cDWord        unsigned 32-bit integer                    unsigned order
//   cPWideString  pointer to a 0-terminated UTF-16 text       CompareWideOrdinal when
//                 owned by the caller                         CaseSensitivity, else CompareWideNoCase
//   cPLongInt     pointer to a record whose first 4 bytes    signed order of the keys
//                 are a signed key
//   cPDWord       the same with an unsigned key               unsigned order of the keys
// Pointer values are held at full pointer width, in a table beside the nodes
// that only pointer sets allocate, so that integer nodes stay 16 bytes. The
// set never owns what a pointer value points to; the caller keeps it alive and
// never changes a key while its record is in the set. Values are unique.
//
// The "AVLF" file is a framed file (core/frame.h): magic "AVLF", CRC-32 of the
// body, version 0, then one tag 144 per node in node-index order holding the
// value as a 4-byte integer. The reader also takes the tags 144 inside
// container tags 16384 and skips every other tag. Only cLongInt and cDWord
// sets are saved and loaded. The reader checks the magic and the CRC (a stored
// 0 as well), not the version; a tag that claims more bytes than the file
// holds ends the load with kFileError, the values read so far staying. A save
// goes through a temporary file renamed over the target, so a failed save
// leaves the old file whole; a read-only target is written all the same and
// stays read-only, and every target keeps its mode.
//
// Threads: Add, Delete, Find, Clear, the settings and the file operations hold
// the set's own lock for their whole run, so one set may be shared by several
// threads. GetItem, GetNode, GetNodeRun and Count take no lock: a caller that
// walks a set by index while another thread changes it must hold the other
// thread off.
// AddUnshared and FindUnshared are Add and Find without the lock, for an owner
// that uses its sets on one thread only (the network's relation lists and its
// active and context sets); no other thread may touch such a set at all.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

#include "core/paged_array.h"
#include "core/stream.h"

namespace kestrune {

class TTagStream;

enum class TItemType : uint8_t { cLongInt, cDWord, cPWideString, cPLongInt, cPDWord };

// One node. Balance: 0 the left subtree is higher, 1 even, 2 the right
// subtree is higher.
struct TAVLNode {
  int32_t Left;    // child index, -1 none
  int32_t Right;   // child index, -1 none
  uint32_t Value;  // the value of an integer set; 0 in a pointer set
  uint8_t Balance;
};

class TIAVLTree {
 public:
  // A value as the set holds it: an integer (sign-extended for cLongInt,
  // zero-extended for cDWord) or a pointer.
  using TValue = intptr_t;

  static constexpr uint8_t kLeftHigh = 0;
  static constexpr uint8_t kEven = 1;
  static constexpr uint8_t kRightHigh = 2;

  // "AVLF" file.
  static constexpr int32_t kNodeTag = 144;
  static constexpr int32_t kContainerTag = 16384;
  static constexpr uint32_t kFileVersion = 0;

  // Result codes of the file operations.
  static constexpr int32_t kDone = 0;
  static constexpr int32_t kFileError = -1;       // cannot create, open, read or write
  static constexpr int32_t kEmptyName = -2;
  static constexpr int32_t kFileMissing = -3;     // load
  static constexpr int32_t kWrongMagic = -4;      // load
  static constexpr int32_t kEmptySet = -5;        // save: the file holds a frame only
  static constexpr int32_t kNotIntegerItems = -8;  // ItemType is not cLongInt or cDWord
  static constexpr int32_t kCRCMismatch = -9;     // load

  TIAVLTree();
  ~TIAVLTree();
  TIAVLTree(const TIAVLTree&) = delete;
  TIAVLTree& operator=(const TIAVLTree&) = delete;

  // Inserts the value unless an equal one is present. Returns the new node's
  // index, or the index of the node that holds an equal value; for
  // cPWideString an equal text already present gives -1.
  int32_t Add(TValue value);
  template <typename T>
  int32_t Add(const T* pointer) {
    return Add(reinterpret_cast<TValue>(pointer));
  }
  // Add and Find without taking the lock: only for a set that a single thread
  // owns and no other thread ever reaches (see Threads above).
  int32_t AddUnshared(TValue value);
  int32_t FindUnshared(TValue value) const;
  // Removes node `index` (other indexes do nothing); the last node then moves
  // into slot `index`.
  void Delete(int32_t index);
  // The index of the node holding a value equal to `value`, or -1.
  int32_t Find(TValue value);
  template <typename T>
  int32_t Find(const T* pointer) {
    return Find(reinterpret_cast<TValue>(pointer));
  }
  // The value of node `index`; out of range -1 for the integer types, 0 (a
  // null pointer) for the pointer types.
  TValue GetItem(int32_t index) const;
  // Empties the set; the first page of nodes stays allocated for the next
  // values (the destructor frees it).
  void Clear();
  int32_t Count() const { return count_.load(std::memory_order_relaxed); }

  // Both settings take effect only while the set is empty.
  bool CaseSensitivity() const { return caseSensitivity_; }
  void SetCaseSensitivity(bool on);
  TItemType ItemType() const { return itemType_; }
  void SetItemType(TItemType type);

  // The "AVLF" file: result codes above.
  int32_t SaveToFile(std::u16string_view fileName);
  int32_t LoadFromFile(std::u16string_view fileName);
  // Loads a whole "AVLF" file image held in a stream (from offset 0), with the
  // checks and result codes of LoadFromFile after the file is opened.
  int32_t LoadFromStream(TStream& stream);

  // The tree itself, for callers and tests that inspect its shape.
  int32_t Root() const { return root_; }
  const TAVLNode& GetNode(int32_t index) const { return nodes_[index]; }
  // Nodes `index` .. `index` + `length` - 1 (at least one, none past the
  // last node) lie one after another from the pointer returned: a walk over
  // many nodes takes them a run at a time. `index` is 0..Count()-1.
  const TAVLNode* GetNodeRun(int32_t index, int32_t& length) const {
    const int64_t pageEnd = (int64_t{index} / TNodes::kPageSize + 1) * TNodes::kPageSize;
    length = static_cast<int32_t>(std::min<int64_t>(Count(), pageEnd) - index);
    return &nodes_[index];
  }

 private:
  // Node paging: a short first page so that the many small sets stay small,
  // and pages large enough that the usual sets stay in one block (searched
  // without the page step).
  using TNodes = TPagedArray<TAVLNode, 8192, 4>;
  using TPointers = TPagedArray<uintptr_t, 512, 4>;

  template <typename F>
  decltype(auto) WithOrder(F&& f) const;

  // No AVL tree of fewer than 2^31 nodes is 46 levels high.
  static constexpr int kMaxDepth = 64;
  static constexpr int32_t kNotFound = -2;
  // The nodes that Insert passed on its way down, root first.
  struct TPath {
    int32_t Node[kMaxDepth];
    bool WentRight[kMaxDepth];
    int Depth = 0;
  };

  // The right edge of an integer set, root first, kept once the set is
  // large: a value above the largest is inserted along it without a search,
  // so that a set filled in rising order (a word's pages, as the documents
  // come) is not searched from the root each time. Empty (Depth 0) after any
  // other change of the tree's shape.
  struct TRightEdge {
    int32_t Node[kMaxDepth];
    int Depth = 0;
  };
  static constexpr int32_t kRightEdgeFrom = 64;
  // Sets `path` to the right edge when `key` sorts after every value held.
  template <typename Order>
  bool AboveAll(typename Order::Key key, const Order& order, TPath& path) const;
  // The right edge after an insert along `path` (repaired at `repairedAt`, or
  // -1) that made node `index`.
  template <typename Order>
  void FollowRightEdge(const TPath& path, int32_t index, int repairedAt);

  // Unlocked helpers; the public operations take the lock and call these.
  // `nodes` is the node table or, while the set fits its first page, that
  // page itself.
  template <typename Order>
  typename Order::Key KeyOf(int32_t index) const;
  template <typename Order, typename Nodes>
  typename Order::Key KeyOf(const Nodes& nodes, int32_t index) const;
  template <typename Order>
  int32_t Insert(typename Order::Key key, const Order& order);
  template <typename Nodes, typename Order>
  int32_t Descend(const Nodes& nodes, typename Order::Key key, const Order& order, TPath& path) const;
  template <typename Order>
  int32_t Search(typename Order::Key key, const Order& order) const;
  template <typename Nodes, typename Order>
  int32_t SearchIn(const Nodes& nodes, typename Order::Key key, const Order& order) const;
  template <typename Order>
  void Remove(int32_t index, const Order& order);
  template <typename Order>
  bool RemoveNode(int32_t& link, typename Order::Key key, int32_t target, const Order& order, bool& found);
  template <typename Order>
  int32_t* ParentLink(int32_t node, const Order& order);
  bool DetachRightmost(int32_t& link, int32_t& detached);
  bool RepairLeftHigh(int32_t& link);
  bool RepairRightHigh(int32_t& link);
  bool LeftShrunk(int32_t& link);
  bool RightShrunk(int32_t& link);
  void ClearNodes();
  int32_t ReadFramed(TStream& stream);
  int32_t ReadBody(TTagStream& tags);
  int32_t WriteBody(TTagStream& tags) const;

  mutable std::mutex lock_;
  TNodes nodes_;
  TPointers pointers_;  // node i's value in a pointer set
  std::atomic<int32_t> count_{0};
  int32_t root_ = -1;
  std::unique_ptr<TRightEdge> rightEdge_;
  TItemType itemType_ = TItemType::cLongInt;
  bool caseSensitivity_ = false;
  int32_t (*compareText_)(const char16_t*, const char16_t*);
};

}  // namespace kestrune
