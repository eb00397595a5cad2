// Test helpers for the morphology engine: building lexemes from affix lists
// and checking the engine's invariants (every form tree a balanced search tree
// over the right ending length, every form in exactly one tree or chain, rule
// references equal to a recount, the order index a sorted permutation).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/frame.h"
#include "language/morphology_engine_full.h"
#include "language/word_dictionary.h"

namespace kestrune::test {

// A new lexeme whose forms are (prefix, ending) pairs, in order; its number.
inline int32_t AddParadigm(TIMorphologyEngineFull& engine,
                           const std::vector<std::pair<std::u16string, std::u16string>>& forms) {
  const int32_t index = engine.AddLexeme();
  TMEGroup* g = engine.GetLexeme(index);
  for (const auto& [prefix, ending] : forms) {
    const int32_t j = g->AddForm();
    g->SetFormEnding(j, ending);
    g->SetFormPrefix(j, prefix);
  }
  return index;
}

namespace detail {

// Height of the subtree, checking order, balance codes, ending lengths and
// chains; -1000 on a fault (reported through gtest).
inline int FormTreeHeight(const TIMorphologyEngineFull& e, const TMEGroupFull& g, int32_t node, size_t length,
                          int64_t low, int64_t high, std::vector<int>& seen, int depth) {
  if (node == -1) return 0;
  if (node < 0 || node >= g.FormCount() || depth > 64) {
    ADD_FAILURE() << "bad link " << node;
    return -1000;
  }
  const TMERule& f = g.Forms[node];
  ++seen[node];
  EXPECT_GT(f.Rule, low);
  EXPECT_LT(f.Rule, high);
  EXPECT_EQ(e.RuleEndingText(f.Rule).size(), length);
  for (int32_t n = f.Next, steps = 0; n != -1; n = g.Forms[n].Next, ++steps) {
    if (n < 0 || n >= g.FormCount() || steps > g.FormCount()) {
      ADD_FAILURE() << "bad chain";
      return -1000;
    }
    ++seen[n];
    EXPECT_EQ(g.Forms[n].Rule, f.Rule);
    EXPECT_EQ(g.Forms[n].Left, -1);
    EXPECT_EQ(g.Forms[n].Right, -1);
  }
  const int l = FormTreeHeight(e, g, f.Left, length, low, f.Rule, seen, depth + 1);
  const int r = FormTreeHeight(e, g, f.Right, length, f.Rule, high, seen, depth + 1);
  if (l < 0 || r < 0) return -1000;
  const int expected = l > r ? 0 : l == r ? 1 : 2;
  EXPECT_TRUE(l - r <= 1 && r - l <= 1) << "unbalanced at form " << node;
  EXPECT_EQ(f.Balance, expected) << "balance code of form " << node;
  return 1 + std::max(l, r);
}

}  // namespace detail

inline void CheckEngineInvariants(const TIMorphologyEngineFull& e) {
  std::vector<uint32_t> counts(static_cast<size_t>(e.RuleCount()), 0);
  for (int32_t i = 0; i < e.LexemeCount(); ++i) {
    const TMEGroupFull& g = *e.LexemeAt(i);
    std::vector<int> seen(static_cast<size_t>(g.FormCount()), 0);
    for (size_t length = 0; length < g.Roots.size(); ++length) {
      detail::FormTreeHeight(e, g, g.Roots[length], length, -1, INT64_MAX, seen, 0);
    }
    for (int32_t k = 0; k < g.FormCount(); ++k) {
      EXPECT_EQ(seen[k], 1) << "lexeme " << i << " form " << k;
      EXPECT_EQ(g.Forms[k].Lexeme, &g);
      const int32_t r = g.Forms[k].Rule;
      ASSERT_TRUE(r >= 0 && r < e.RuleCount());
      ++counts[r];
    }
  }
  for (int32_t r = 0; r < e.RuleCount(); ++r) EXPECT_EQ(e.Rule(r).References, counts[r]) << "rule " << r;
  std::vector<int> inOrder(static_cast<size_t>(e.RuleCount()), 0);
  for (int32_t p = 0; p < e.RuleCount(); ++p) {
    const int32_t r = e.AffixOrder(p);
    ASSERT_TRUE(r >= 0 && r < e.RuleCount());
    ++inOrder[r];
    if (p > 0) {
      const TMEAffixRule& a = e.Rule(e.AffixOrder(p - 1));
      const TMEAffixRule& b = e.Rule(r);
      EXPECT_TRUE(a.Ending < b.Ending || (a.Ending == b.Ending && a.Prefix < b.Prefix)) << "order at " << p;
    }
  }
  for (int32_t r = 0; r < e.RuleCount(); ++r) EXPECT_EQ(inOrder[r], 1);
}

// Writes the dictionary as a "DRWS" file: the frame, then the body that
// SaveToStream writes, then the CRC (or 0). The result of SaveToStream, or -1.
inline int32_t SaveDictionaryFile(TIWordDictionary& dictionary, std::u16string_view fileName, bool withCRC = true) {
  int32_t saved = 0;
  const int32_t result = SaveFileAtomically(fileName, -1, [&](TStream& file) -> int32_t {
    TFrameHeader frame;
    frame.Magic = kMagicDRWS;
    file.Write(&frame, sizeof frame);
    saved = dictionary.SaveToStream(file, false);
    if (saved != 0) return saved;
    if (withCRC) frame.CRC = StreamCRC32(file, 16, -1);
    file.Seek(0, TSeekOrigin::soBeginning);
    file.Write(&frame, sizeof frame);
    return 0;
  });
  return result != 0 ? result : saved;
}

}  // namespace kestrune::test
