#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/avl_tree.h"

namespace kestrune {
namespace {

// Several threads add to and search one set; the set's lock keeps every
// operation whole.
TEST(AVLTreeThreads, ConcurrentAddAndFind_OneSet) {
  constexpr int kThreads = 4;
  constexpr int32_t kPerThread = 5000;
  TIAVLTree tree;
  for (int32_t v = 0; v < 1000; ++v) tree.Add(-1 - v);  // present before the threads start
  std::atomic<int32_t> misses{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int32_t i = 0; i < kPerThread; ++i) {
        const int32_t v = i * kThreads + t;  // disjoint values per thread
        const int32_t index = tree.Add(v);
        if (index < 0 || tree.Find(v) != index) ++misses;
        if (tree.Find(-1 - (i % 1000)) != i % 1000) ++misses;
        tree.Add(i % 64);  // values that other threads add too
        if (i % 97 == 0) (void)tree.Count();
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(misses.load(), 0);
  EXPECT_EQ(tree.Count(), 1000 + kThreads * kPerThread);
  for (int32_t v = 0; v < kThreads * kPerThread; ++v) {
    const int32_t index = tree.Find(v);
    ASSERT_GE(index, 0);
    ASSERT_EQ(tree.GetItem(index), v);
  }
}

// Threads add values and delete whatever node 0 holds; every node stays
// reachable and the count adds up.
TEST(AVLTreeThreads, ConcurrentAddAndDelete) {
  constexpr int kThreads = 4;
  constexpr int32_t kPerThread = 3000;
  TIAVLTree tree;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int32_t i = 0; i < kPerThread; ++i) {
        tree.Add(i * kThreads + t);
        if (i % 3 == 2) tree.Delete(0);  // never empty: every thread adds before it deletes
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(tree.Count(), kThreads * (kPerThread - kPerThread / 3));
  for (int32_t i = 0; i < tree.Count(); ++i) ASSERT_EQ(tree.Find(tree.GetItem(i)), i);
}

}  // namespace
}  // namespace kestrune
