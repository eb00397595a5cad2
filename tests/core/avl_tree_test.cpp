#include "core/avl_tree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/base.h"
#include "core/frame.h"
#include "core/tag_stream.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// Checks the whole shape of the tree: every node 0..count-1 is reached from
// the root exactly once, the in-order walk ascends strictly under `less`, and
// every balance field matches the heights of its subtrees, which differ by at
// most one. Returns the values in order.
template <typename Less>
std::vector<intptr_t> CheckTree(const TIAVLTree& tree, Less less) {
  const int32_t count = tree.Count();
  std::vector<int> seen(static_cast<size_t>(count), 0);
  std::vector<intptr_t> inOrder;
  bool ok = true;
  // Returns the height of the subtree.
  auto walk = [&](auto&& self, int32_t n) -> int {
    if (n < 0) return 0;
    if (n >= count || seen[static_cast<size_t>(n)]++) {
      ADD_FAILURE() << "node " << n << " out of range or reached twice";
      ok = false;
      return 0;
    }
    const TAVLNode& node = tree.GetNode(n);
    const int hl = self(self, node.Left);
    inOrder.push_back(tree.GetItem(n));
    const int hr = self(self, node.Right);
    const int expected = hr - hl + 1;
    if (expected < 0 || expected > 2 || node.Balance != expected) {
      ADD_FAILURE() << "node " << n << " balance " << int(node.Balance) << " heights " << hl << "/" << hr;
      ok = false;
    }
    return std::max(hl, hr) + 1;
  };
  walk(walk, tree.Root());
  if (!ok) return inOrder;
  EXPECT_EQ(count == 0, tree.Root() == -1);
  for (int32_t i = 0; i < count; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], 1) << "node " << i << " unreachable";
  for (size_t i = 1; i < inOrder.size(); ++i) EXPECT_TRUE(less(inOrder[i - 1], inOrder[i])) << "order at " << i;
  return inOrder;
}

std::vector<intptr_t> CheckIntTree(const TIAVLTree& tree) {
  return CheckTree(tree, [](intptr_t a, intptr_t b) { return static_cast<int32_t>(a) < static_cast<int32_t>(b); });
}

// Adds and deletes at random against std::set (membership) and a vector
// (node index -> value, with the last node moving into a freed slot).
void RandomRun(uint32_t seed, int steps, int32_t range, int checkEvery) {
  std::mt19937 rng(seed);
  TIAVLTree tree;
  std::set<int32_t> model;
  std::vector<int32_t> slots;
  std::uniform_int_distribution<int32_t> value(-range, range);
  for (int step = 0; step < steps; ++step) {
    // Grow for the first half, then lean towards deleting.
    const bool add = slots.empty() || rng() % 100 < (step < steps / 2 ? 65u : 40u);
    if (add) {
      const int32_t v = value(rng);
      const int32_t index = tree.Add(v);
      if (model.insert(v).second) {
        ASSERT_EQ(index, static_cast<int32_t>(slots.size()));
        slots.push_back(v);
      } else {
        ASSERT_GE(index, 0);
        ASSERT_EQ(slots[static_cast<size_t>(index)], v);
      }
    } else {
      const int32_t index = static_cast<int32_t>(rng() % slots.size());
      model.erase(slots[static_cast<size_t>(index)]);
      slots[static_cast<size_t>(index)] = slots.back();
      slots.pop_back();
      tree.Delete(index);
    }
    ASSERT_EQ(tree.Count(), static_cast<int32_t>(slots.size()));
    if (step % checkEvery == 0 || step == steps - 1) {
      const std::vector<intptr_t> inOrder = CheckIntTree(tree);
      ASSERT_FALSE(::testing::Test::HasFailure()) << "step " << step;
      ASSERT_TRUE(std::equal(inOrder.begin(), inOrder.end(), model.begin(), model.end())) << "step " << step;
      for (size_t i = 0; i < slots.size(); ++i) {
        ASSERT_EQ(tree.GetItem(static_cast<int32_t>(i)), slots[i]) << "step " << step;
        ASSERT_EQ(tree.Find(slots[i]), static_cast<int32_t>(i)) << "step " << step;
      }
      ASSERT_EQ(tree.Find(range + 1), -1);
    }
  }
}

TEST(AVLTree, RandomAddsAndDeletes_StayBalancedDenseAndMatchStdSet) {
  RandomRun(1, 30000, 400, 5);     // many duplicates, small tree
  RandomRun(2, 40000, 50000, 97);  // crosses page boundaries up and down
}

// Walking a set a run at a time reaches every node once, in index order,
// each run lying in one block: small sets, sets across several node pages,
// and walks that start inside a run.
TEST(AVLTree, GetNodeRun_CoversEveryNodeInIndexOrder) {
  for (const int32_t count : {1, 3, 8191, 8192, 8193, 20000}) {
    SCOPED_TRACE(count);
    TIAVLTree tree;
    for (int32_t i = 0; i < count; ++i) tree.AddUnshared((i * 7919) % 100003);
    for (const int32_t start : {0, count / 2, count - 1}) {
      int32_t index = start;
      while (index < count) {
        int32_t length = 0;
        const TAVLNode* run = tree.GetNodeRun(index, length);
        ASSERT_GE(length, 1);
        ASSERT_LE(index + length, count);
        for (int32_t k = 0; k < length; ++k) ASSERT_EQ(&run[k], &tree.GetNode(index + k)) << index + k;
        index += length;
      }
    }
  }
}

TEST(AVLTree, DeleteToEmpty_AndRefillAcrossPages) {
  TIAVLTree tree;
  for (int32_t i = 0; i < 1500; ++i) ASSERT_EQ(tree.Add(i * 7 % 1500), i);
  CheckIntTree(tree);
  // Delete from the front: every time the last node moves to slot 0.
  for (int32_t n = 1500; n > 0; --n) {
    const intptr_t lastValue = tree.GetItem(n - 1);
    tree.Delete(0);
    ASSERT_EQ(tree.Count(), n - 1);
    if (n > 1) {
      ASSERT_EQ(tree.GetItem(0), lastValue);
      ASSERT_EQ(tree.Find(lastValue), 0);
    }
    if (n % 101 == 0) CheckIntTree(tree);
  }
  EXPECT_EQ(tree.Root(), -1);
  EXPECT_EQ(tree.Add(42), 0);
  EXPECT_EQ(tree.Find(42), 0);
}

TEST(AVLTree, DeleteMovesLastNodeIntoFreedSlot) {
  TIAVLTree tree;
  EXPECT_EQ(tree.Add(10), 0);
  EXPECT_EQ(tree.Add(20), 1);
  EXPECT_EQ(tree.Add(30), 2);
  tree.Delete(0);
  EXPECT_EQ(tree.Count(), 2);
  EXPECT_EQ(tree.GetItem(0), 30);
  EXPECT_EQ(tree.Find(30), 0);
  EXPECT_EQ(tree.Find(20), 1);
  EXPECT_EQ(tree.Find(10), -1);
  // Deleting the last node moves nothing; out-of-range indexes do nothing.
  tree.Delete(1);
  EXPECT_EQ(tree.GetItem(0), 30);
  tree.Delete(-1);
  tree.Delete(1);
  EXPECT_EQ(tree.Count(), 1);
  CheckIntTree(tree);
  tree.Delete(0);
  EXPECT_EQ(tree.Count(), 0);
  EXPECT_EQ(tree.Root(), -1);
}

TEST(AVLTree, AddKeepsUniqueValuesAndInsertionIndexes) {
  TIAVLTree tree;
  EXPECT_EQ(tree.Add(5), 0);
  EXPECT_EQ(tree.Add(5), 0);
  EXPECT_EQ(tree.Count(), 1);
  tree.Clear();
  EXPECT_EQ(tree.Count(), 0);
  EXPECT_EQ(tree.Find(5), -1);
  for (int32_t i = 0; i < 1000; ++i) ASSERT_EQ(tree.Add(i), i);
  for (int32_t i = 0; i < 1000; ++i) {
    ASSERT_EQ(tree.Find(i), i);
    ASSERT_EQ(tree.GetItem(i), i);
  }
  CheckIntTree(tree);
}

TEST(AVLTree, GetItemOutOfRange_DependsOnItemType) {
  TIAVLTree ints;
  ints.Add(1);
  EXPECT_EQ(ints.GetItem(1), -1);
  EXPECT_EQ(ints.GetItem(-1), -1);
  TIAVLTree dwords;
  dwords.SetItemType(TItemType::cDWord);
  EXPECT_EQ(dwords.GetItem(0), -1);
  TIAVLTree pointers;
  pointers.SetItemType(TItemType::cPLongInt);
  const int32_t key = 3;
  pointers.Add(&key);
  EXPECT_EQ(pointers.GetItem(0), reinterpret_cast<intptr_t>(&key));
  EXPECT_EQ(pointers.GetItem(1), 0);
}

TEST(AVLTree, SettingsTakeEffectOnlyWhileEmpty) {
  TIAVLTree tree;
  EXPECT_FALSE(tree.CaseSensitivity());
  EXPECT_EQ(tree.ItemType(), TItemType::cLongInt);
  tree.Add(-1);
  tree.SetCaseSensitivity(true);
  tree.SetItemType(TItemType::cDWord);
  EXPECT_FALSE(tree.CaseSensitivity());
  EXPECT_EQ(tree.ItemType(), TItemType::cLongInt);
  EXPECT_EQ(tree.GetItem(0), -1);
  tree.Clear();
  tree.SetCaseSensitivity(true);
  tree.SetItemType(TItemType::cDWord);
  EXPECT_TRUE(tree.CaseSensitivity());
  EXPECT_EQ(tree.ItemType(), TItemType::cDWord);
}

// Adds `values` (in the given order) and returns the in-order walk as
// positions in `values`.
template <typename V, typename Less>
std::vector<size_t> SortedPositions(TIAVLTree& tree, const std::vector<V>& values, Less less) {
  for (const V& v : values) tree.Add(v);
  std::vector<size_t> positions;
  for (intptr_t v : CheckTree(tree, less)) {
    for (int32_t i = 0; i < tree.Count(); ++i) {
      if (tree.GetItem(i) == v) positions.push_back(static_cast<size_t>(i));
    }
  }
  return positions;
}

TEST(AVLTree, IntegerItemTypes_OrderSignedAndUnsigned) {
  const std::vector<int32_t> values = {1, -1, static_cast<int32_t>(0xFFFFFFFF - 1), 0, INT32_MIN, INT32_MAX};
  TIAVLTree signedSet;
  const auto signedOrder = SortedPositions(signedSet, values, [](intptr_t a, intptr_t b) {
    return static_cast<int32_t>(a) < static_cast<int32_t>(b);
  });
  // INT32_MIN, -2, -1, 0, 1, INT32_MAX
  EXPECT_EQ(signedOrder, (std::vector<size_t>{4, 2, 1, 3, 0, 5}));

  TIAVLTree unsignedSet;
  unsignedSet.SetItemType(TItemType::cDWord);
  const auto unsignedOrder = SortedPositions(unsignedSet, values, [](intptr_t a, intptr_t b) {
    return static_cast<uint32_t>(a) < static_cast<uint32_t>(b);
  });
  // 0, 1, INT32_MAX, INT32_MIN, 0xFFFFFFFE, 0xFFFFFFFF
  EXPECT_EQ(unsignedOrder, (std::vector<size_t>{3, 0, 5, 4, 2, 1}));
  EXPECT_EQ(unsignedSet.GetItem(1), intptr_t{0xFFFFFFFF});
  EXPECT_EQ(unsignedSet.Find(0xFFFFFFFFu), 1);
}

TEST(AVLTree, PointerItemTypes_OrderByPointedKeys) {
  struct Record {
    int32_t key;
    int32_t payload;
  };
  std::vector<Record> records = {{5, 0}, {-3, 1}, {-1, 2}, {100, 3}, {0, 4}};
  for (TItemType type : {TItemType::cPLongInt, TItemType::cPDWord}) {
    TIAVLTree tree;
    tree.SetItemType(type);
    for (size_t i = 0; i < records.size(); ++i) ASSERT_EQ(tree.Add(&records[i]), static_cast<int32_t>(i));
    std::vector<int32_t> keys;
    for (intptr_t v : CheckTree(tree, [type](intptr_t a, intptr_t b) {
           const int32_t x = reinterpret_cast<const Record*>(a)->key;
           const int32_t y = reinterpret_cast<const Record*>(b)->key;
           return type == TItemType::cPLongInt ? x < y : static_cast<uint32_t>(x) < static_cast<uint32_t>(y);
         })) {
      keys.push_back(reinterpret_cast<const Record*>(v)->key);
    }
    if (type == TItemType::cPLongInt) {
      EXPECT_EQ(keys, (std::vector<int32_t>{-3, -1, 0, 5, 100}));
    } else {
      EXPECT_EQ(keys, (std::vector<int32_t>{0, 5, 100, -3, -1}));
    }
    // Found through any record with the same key; an equal key is not added again.
    const Record probe{-1, 99};
    EXPECT_EQ(tree.Find(&probe), 2);
    EXPECT_EQ(tree.Add(&probe), 2);
    EXPECT_EQ(tree.Count(), 5);
    tree.Delete(0);
    EXPECT_EQ(tree.GetItem(0), reinterpret_cast<intptr_t>(&records[4]));
    EXPECT_EQ(tree.Find(&records[4]), 0);
    const Record gone{5, 0};
    EXPECT_EQ(tree.Find(&gone), -1);
  }
}

// An integer set filled in rising order is grown along its right edge
// without a search; its shape must be the one the search gives. A set of
// pointed keys never takes that way: the same steps give the reference.
TEST(AVLTree, RisingValuesGiveTheShapeASearchGives) {
  enum TOp { kAdd, kDelete, kClear };
  struct TStep {
    TOp Op;
    int32_t Value;  // the value to add, or the index to delete
  };
  auto rising = [](int32_t from, int32_t to, int32_t every = 0, int32_t lower = 0) {
    std::vector<TStep> steps;
    for (int32_t v = from; v < to; ++v) {
      steps.push_back({kAdd, v});
      if (every > 0 && v % every == 0) steps.push_back({kAdd, v - lower});
    }
    return steps;
  };
  auto joined = [](std::vector<std::vector<TStep>> parts) {
    std::vector<TStep> steps;
    for (const auto& part : parts) steps.insert(steps.end(), part.begin(), part.end());
    return steps;
  };
  struct TCase {
    const char* Name;
    std::vector<TStep> Steps;
  };
  const std::vector<TCase> cases = {
      {"rising across node pages", rising(0, 20000)},
      {"rising through zero in the signed order", rising(-3000, 3000)},
      {"a lower value now and then", rising(0, 3000, 37, 500)},
      {"the largest value again", rising(0, 3000, 5, 0)},
      {"deletions between rising runs",
       joined({rising(0, 500), {{kDelete, 3}, {kDelete, 499 - 1}, {kDelete, 0}}, rising(500, 1500)})},
      {"emptied and filled again", joined({rising(0, 300), {{kClear, 0}}, rising(100, 900)})},
      {"falling, then rising", joined({rising(-1000, 0, 1, 2000), rising(0, 1000)})},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<int32_t> keys;
    keys.reserve(c.Steps.size());
    TIAVLTree tree;
    TIAVLTree reference;
    reference.SetItemType(TItemType::cPLongInt);
    for (const TStep& step : c.Steps) {
      if (step.Op == kAdd) {
        keys.push_back(step.Value);
        ASSERT_EQ(tree.Add(step.Value), reference.Add(reinterpret_cast<intptr_t>(&keys.back())));
      } else if (step.Op == kDelete) {
        tree.Delete(step.Value);
        reference.Delete(step.Value);
      } else {
        tree.Clear();
        reference.Clear();
      }
    }
    CheckIntTree(tree);
    ASSERT_EQ(tree.Count(), reference.Count());
    ASSERT_EQ(tree.Root(), reference.Root());
    for (int32_t i = 0; i < tree.Count(); ++i) {
      const TAVLNode& a = tree.GetNode(i);
      const TAVLNode& b = reference.GetNode(i);
      ASSERT_EQ(std::tie(a.Left, a.Right, a.Balance), std::tie(b.Left, b.Right, b.Balance)) << "node " << i;
      ASSERT_EQ(static_cast<int32_t>(tree.GetItem(i)), *reinterpret_cast<const int32_t*>(reference.GetItem(i)));
    }
  }
}

TEST(AVLTree, PointerItems_RandomAddsAndDeletesAcrossPages) {
  std::vector<int32_t> keys(3000);
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<int32_t>(i * 2654435761u);
  std::mt19937 rng(11);
  TIAVLTree tree;
  tree.SetItemType(TItemType::cPLongInt);
  std::vector<const int32_t*> slots;
  for (int step = 0; step < 12000; ++step) {
    if (slots.empty() || rng() % 100 < (step < 6000 ? 70u : 35u)) {
      const int32_t* p = &keys[rng() % keys.size()];
      const int32_t index = tree.Add(p);
      if (index == static_cast<int32_t>(slots.size())) slots.push_back(p);
      ASSERT_EQ(slots[static_cast<size_t>(index)], p);
    } else {
      const size_t index = rng() % slots.size();
      slots[index] = slots.back();
      slots.pop_back();
      tree.Delete(static_cast<int32_t>(index));
    }
    if (step % 250 == 0 || step == 11999) {
      CheckTree(tree, [](intptr_t a, intptr_t b) {
        return *reinterpret_cast<const int32_t*>(a) < *reinterpret_cast<const int32_t*>(b);
      });
      ASSERT_EQ(tree.Count(), static_cast<int32_t>(slots.size()));
      for (size_t i = 0; i < slots.size(); ++i) {
        ASSERT_EQ(tree.GetItem(static_cast<int32_t>(i)), reinterpret_cast<intptr_t>(slots[i]));
        ASSERT_EQ(tree.Find(slots[i]), static_cast<int32_t>(i));
      }
    }
  }
}

TEST(AVLTree, TextItems_CaseSensitiveAndNot) {
  const std::u16string texts[] = {
      u"Привет", u"пРИВЕТ",  // Cyrillic case variants
      u"Ærø",    u"æRØ",     // Latin-1 case variants
      u"apple",  u"Apple", u"banana", u"ёж", u"Ёж", u"",
  };
  struct Case {
    bool sensitive;
    size_t expectedCount;
  };
  for (const Case c : {Case{true, 10}, Case{false, 6}}) {
    SCOPED_TRACE(c.sensitive);
    TIAVLTree tree;
    tree.SetItemType(TItemType::cPWideString);
    tree.SetCaseSensitivity(c.sensitive);
    int32_t added = 0;
    for (const std::u16string& t : texts) {
      const int32_t r = tree.Add(t.c_str());
      if (r >= 0) {
        EXPECT_EQ(r, added++);
      } else {
        // An equal text already present gives -1.
        EXPECT_FALSE(c.sensitive);
      }
    }
    EXPECT_EQ(tree.Count(), static_cast<int32_t>(c.expectedCount));
    const auto compare = c.sensitive ? CompareWideOrdinal : CompareWideNoCase;
    CheckTree(tree, [compare](intptr_t a, intptr_t b) {
      return compare(reinterpret_cast<const char16_t*>(a), reinterpret_cast<const char16_t*>(b)) < 0;
    });
    const std::u16string probe = u"ПРИВЕТ";
    const std::u16string latin = u"ÆRØ";
    if (c.sensitive) {
      EXPECT_EQ(tree.Find(probe.c_str()), -1);
      EXPECT_EQ(tree.Find(latin.c_str()), -1);
      EXPECT_EQ(tree.Find(texts[1].c_str()), 1);
    } else {
      EXPECT_EQ(tree.Find(probe.c_str()), 0);
      EXPECT_EQ(tree.Find(latin.c_str()), 1);
      EXPECT_EQ(tree.Find(u"APPLE"), 2);
    }
  }
}

// ---- "AVLF" file ----

// A framed "AVLF" image with the given body and a correct CRC unless told.
std::string Framed(const std::string& body, uint32_t version = 0, const uint32_t* crc = nullptr) {
  TFrameHeader frame;
  frame.Magic = kMagicAVLF;
  frame.CRC = crc ? *crc : CRC32Update(0, body.data(), body.size());
  frame.Version = version;
  std::string bytes(16, '\0');
  std::memcpy(bytes.data(), &frame, 16);
  return bytes + body;
}

// Tags made by the tag stream writer.
template <typename F>
std::string Tags(F write) {
  TMemoryStream memory;
  TTagStream tags(&memory);
  write(tags);
  return std::string(memory.Bytes().begin(), memory.Bytes().end());
}

std::string NodeTag(int32_t value) {
  return Tags([&](TTagStream& t) { t.WriteTag(TIAVLTree::kNodeTag, &value, 4); });
}

std::vector<intptr_t> Items(const TIAVLTree& tree) {
  std::vector<intptr_t> items;
  for (int32_t i = 0; i < tree.Count(); ++i) items.push_back(tree.GetItem(i));
  return items;
}

TEST(AVLTreeFile, RoundTrip_KeepsNodeOrder) {
  TempDir dir;
  for (TItemType type : {TItemType::cLongInt, TItemType::cDWord}) {
    TIAVLTree tree;
    tree.SetItemType(type);
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) tree.Add(static_cast<int32_t>(rng()));
    for (int i = 0; i < 500; ++i) tree.Delete(static_cast<int32_t>(rng() % tree.Count()));
    const std::u16string name = dir.WFile("set.avl");
    ASSERT_EQ(tree.SaveToFile(name), TIAVLTree::kDone);
    const std::string bytes = ReadFileBytes(dir.File("set.avl"));
    ASSERT_EQ(bytes.size(), 16u + 8u * static_cast<size_t>(tree.Count()));
    EXPECT_EQ(bytes.substr(0, 4), "AVLF");
    EXPECT_EQ(bytes.substr(16, 8), NodeTag(static_cast<int32_t>(tree.GetItem(0))));

    TIAVLTree loaded;
    loaded.SetItemType(type);
    loaded.Add(12345);
    ASSERT_EQ(loaded.LoadFromFile(name), TIAVLTree::kDone);
    EXPECT_EQ(Items(loaded), Items(tree));
    CheckTree(loaded, [type](intptr_t a, intptr_t b) {
      return type == TItemType::cLongInt ? static_cast<int32_t>(a) < static_cast<int32_t>(b)
                                         : static_cast<uint32_t>(a) < static_cast<uint32_t>(b);
    });
  }
}

TEST(AVLTreeFile, SaveResultCodes) {
  TempDir dir;
  TIAVLTree tree;
  EXPECT_EQ(tree.SaveToFile(u""), TIAVLTree::kEmptyName);

  // An empty set: -5 and a valid 16-byte frame that loads as an empty set.
  const std::u16string empty = dir.WFile("empty.avl");
  EXPECT_EQ(tree.SaveToFile(empty), TIAVLTree::kEmptySet);
  EXPECT_EQ(ReadFileBytes(dir.File("empty.avl")), Framed(""));
  tree.Add(1);
  EXPECT_EQ(tree.LoadFromFile(empty), TIAVLTree::kDone);
  EXPECT_EQ(tree.Count(), 0);

  // A set of texts: -8 and a frame with an empty body.
  TIAVLTree texts;
  texts.SetItemType(TItemType::cPWideString);
  texts.Add(u"word");
  EXPECT_EQ(texts.SaveToFile(dir.WFile("texts.avl")), TIAVLTree::kNotIntegerItems);
  EXPECT_EQ(ReadFileBytes(dir.File("texts.avl")), Framed(""));

  // A read-only target is overwritten and stays read-only; a plain one keeps
  // its mode too.
  tree.Add(7);
  for (const int mode : {0444, 0640}) {
    const std::string name = dir.File("kept" + std::to_string(mode) + ".avl");
    ASSERT_EQ(tree.SaveToFile(platform::Utf8ToUtf16(name)), TIAVLTree::kDone);
    ASSERT_EQ(::chmod(name.c_str(), static_cast<mode_t>(mode)), 0);
    tree.Add(8 + mode);
    EXPECT_EQ(tree.SaveToFile(platform::Utf8ToUtf16(name)), TIAVLTree::kDone) << mode;
    TIAVLTree loaded;
    ASSERT_EQ(loaded.LoadFromFile(platform::Utf8ToUtf16(name)), TIAVLTree::kDone);
    EXPECT_EQ(loaded.Count(), tree.Count());
    struct stat st {};
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, static_cast<mode_t>(mode));
  }
  // A missing folder or a folder in the target's place fail with -1.
  EXPECT_EQ(tree.SaveToFile(dir.WFile("no/such/folder.avl")), TIAVLTree::kFileError);
  EXPECT_EQ(tree.SaveToFile(dir.WPath()), TIAVLTree::kFileError);
}

TEST(AVLTreeFile, LoadResultCodes) {
  TempDir dir;
  const std::string good = Framed(NodeTag(3) + NodeTag(-4) + NodeTag(9));
  uint32_t zero = 0;
  std::string badMagic = good;
  badMagic[3] = 'X';
  std::string flipped = good;
  flipped[20] ^= 1;
  // A tag 144 that claims 60000 bytes, with a correct CRC.
  const std::string overlong = Framed(NodeTag(3) + NodeTag(0x04030201).replace(2, 2, "\x60\xEA"));
  // A container 16384 claiming 0xFFFFFF00 bytes.
  const std::string hugeContainer = Framed(
      NodeTag(3) + Tags([](TTagStream& t) {
        t.BeginTag(TIAVLTree::kContainerTag);
        t.WriteInteger(0);
        t.EndTag();
      }).replace(2, 4, std::string("\x00\xFF\xFF\xFF", 4)) + NodeTag(5));

  struct Case {
    const char* name;
    std::string bytes;  // no file when empty and `missing`
    int32_t result;
    std::vector<intptr_t> items;
  };
  const Case cases[] = {
      {"good", good, TIAVLTree::kDone, {3, -4, 9}},
      {"wrong magic", badMagic, TIAVLTree::kWrongMagic, {}},
      {"crc mismatch", flipped, TIAVLTree::kCRCMismatch, {}},
      {"stored crc 0 with a body", Framed(NodeTag(3), 0, &zero), TIAVLTree::kCRCMismatch, {}},
      {"other version loads", Framed(NodeTag(3), 7), TIAVLTree::kDone, {3}},
      {"truncated body", good.substr(0, good.size() - 3), TIAVLTree::kCRCMismatch, {}},
      {"truncated frame", good.substr(0, 10), TIAVLTree::kFileError, {}},
      {"empty file", "", TIAVLTree::kFileError, {}},
      {"tag longer than the file", overlong, TIAVLTree::kFileError, {3}},
      {"container longer than the file", hugeContainer, TIAVLTree::kFileError, {3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(dir.File("f.avl"), c.bytes);
    TIAVLTree tree;
    tree.Add(100);
    EXPECT_EQ(tree.LoadFromFile(dir.WFile("f.avl")), c.result);
    EXPECT_EQ(Items(tree), c.items);
    CheckIntTree(tree);
    // The stream loader gives the same.
    TMemoryStream stream(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
    TIAVLTree fromStream;
    EXPECT_EQ(fromStream.LoadFromStream(stream), c.result);
    EXPECT_EQ(Items(fromStream), c.items);
  }

  // Checks made before the set is touched.
  TIAVLTree tree;
  tree.Add(100);
  EXPECT_EQ(tree.LoadFromFile(u""), TIAVLTree::kEmptyName);
  EXPECT_EQ(tree.LoadFromFile(dir.WFile("missing.avl")), TIAVLTree::kFileMissing);
  EXPECT_EQ(tree.LoadFromFile(dir.WPath()), TIAVLTree::kFileMissing);  // a folder
  EXPECT_EQ(Items(tree), (std::vector<intptr_t>{100}));
  TIAVLTree pointers;
  pointers.SetItemType(TItemType::cPLongInt);
  EXPECT_EQ(pointers.LoadFromFile(dir.WFile("f.avl")), TIAVLTree::kNotIntegerItems);
}

TEST(AVLTreeFile, LoadBody_ContainersUnknownTagsAndShortValues) {
  // Tags 144 inside containers 16384 (nested too) load; other tags are skipped
  // whole, even with tags 144 inside them; a short value reads as zeros past
  // its end; duplicates are not added twice; a container with a stray byte at
  // its end is left without hanging.
  const std::string body =
      NodeTag(1) + Tags([](TTagStream& t) {
        t.BeginTag(TIAVLTree::kContainerTag);
        int32_t v = 2;
        t.WriteTag(TIAVLTree::kNodeTag, &v, 4);
        t.BeginTag(TIAVLTree::kContainerTag);
        v = 3;
        t.WriteTag(TIAVLTree::kNodeTag, &v, 4);
        t.EndTag();
        t.WriteByte(0xAB);
        t.EndTag();
        t.BeginTag(200);
        v = 99;
        t.WriteTag(TIAVLTree::kNodeTag, &v, 4);
        t.EndTag();
        t.WriteTag(TIAVLTree::kNodeTag, "\x05\x01", 2);
        v = 1;
        t.WriteTag(TIAVLTree::kNodeTag, &v, 4);
        t.BeginTag(TIAVLTree::kContainerTag);
        t.EndTag();
        v = -7;
        t.WriteTag(TIAVLTree::kNodeTag, &v, 4);
      });
  TMemoryStream stream;
  const std::string bytes = Framed(body);
  stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  TIAVLTree tree;
  EXPECT_EQ(tree.LoadFromStream(stream), TIAVLTree::kDone);
  EXPECT_EQ(Items(tree), (std::vector<intptr_t>{1, 2, 3, 0x105, -7}));
}

}  // namespace
}  // namespace kestrune
