// Several threads add to and search one dictionary (no engine) while others
// read its words without a lock.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "language/word_dictionary.h"

namespace kestrune {
namespace {

std::u16string Text(int32_t n) {
  std::u16string text = u"w";
  for (; n != 0; n /= 10) text.push_back(static_cast<char16_t>(u'0' + n % 10));
  return text;
}

class WordDictionaryThreads : public ::testing::TestWithParam<bool> {};

TEST_P(WordDictionaryThreads, AddersSearchersAndReadersAgree) {
  TIWordDictionary dictionary;
  dictionary.SetFastSpeed(GetParam());
  constexpr int32_t kTexts = 3000;
  constexpr int32_t kAdders = 4;
  std::vector<std::vector<int32_t>> ids(kAdders, std::vector<int32_t>(kTexts, -1));
  std::atomic<bool> done{false};

  std::vector<std::thread> threads;
  for (int32_t t = 0; t < kAdders; ++t) {
    threads.emplace_back([&, t] {
      TWordVariants list;
      TAffixIndexes scratch;
      // Each adder walks the texts from another place, by AddWord or by a
      // search that adds.
      for (int32_t k = 0; k < kTexts; ++k) {
        const int32_t n = (k + t * kTexts / kAdders) % kTexts;
        if (t % 2 == 0) {
          ids[t][n] = dictionary.AddWord(Text(n), 0, -1);
        } else {
          const int32_t found = dictionary.Search(Text(n), list, TIWordDictionary::kSearchAdd, scratch);
          ids[t][n] = found > 0 ? list[0].WordIndex : -2;
        }
      }
    });
  }
  std::atomic<int64_t> seen{0};
  for (int32_t t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      TWordVariants list;
      TAffixIndexes scratch;
      while (!done.load()) {
        const int32_t count = dictionary.Count();
        for (int32_t i = count - 1; i >= 0 && i >= count - 50; --i) {
          const TWDWord* word = dictionary.GetWord(i);
          ASSERT_NE(word, nullptr);
          const std::u16string text = word->GetStoredText();
          ASSERT_FALSE(text.empty());
          ASSERT_EQ(dictionary.Search(text, list, 0, scratch), 1);
          ASSERT_EQ(list[0].WordIndex, i);
          seen.fetch_add(1);
        }
        if (t == 1) {
          TWordVariant first;
          dictionary.FindFirst(Text(count % kTexts), first, 0);
        }
        std::this_thread::yield();
      }
    });
  }
  for (int32_t t = 0; t < kAdders; ++t) threads[t].join();
  done.store(true);
  for (size_t t = kAdders; t < threads.size(); ++t) threads[t].join();

  ASSERT_EQ(dictionary.Count(), kTexts);
  for (int32_t n = 0; n < kTexts; ++n) {
    for (int32_t t = 1; t < kAdders; ++t) ASSERT_EQ(ids[t][n], ids[0][n]) << n;
    EXPECT_EQ(dictionary.GetWord(ids[0][n])->GetStoredText(), Text(n));
  }
}

INSTANTIATE_TEST_SUITE_P(IndexModes, WordDictionaryThreads, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Ternary" : "Avl"; });

}  // namespace
}  // namespace kestrune
