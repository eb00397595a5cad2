// Word analysis and form generation of TIMorphologyEngineFull.
#include "language/morphology_engine_full.h"

#include <algorithm>

namespace kestrune {

int32_t TIMorphologyEngineFull::AnalyseWord(std::u16string_view word, TAffixIndexes& rows) {
  const int32_t n = static_cast<int32_t>(word.size());
  if (n == 0) return 0;
  const int32_t maxP = std::min(n, maxPrefixLength_);
  const int32_t maxE = std::min(n, maxEndingLength_);

  if (rows.size() < static_cast<size_t>(maxPrefixLength_) + 1) rows.resize(static_cast<size_t>(maxPrefixLength_) + 1);
  for (int32_t r = 0; r <= maxP; ++r) {
    auto& rules = rows[r].Rules;
    if (rules.size() < static_cast<size_t>(maxEndingLength_) + 1) rules.resize(static_cast<size_t>(maxEndingLength_) + 1);
    std::fill(rules.begin(), rules.begin() + maxE + 1, -1);
  }

  TLavelAffixIndexes& row0 = rows[0];
  row0.Rules[0] = 0;
  row0.PrefixLength = 0;
  row0.Count = 1;
  int32_t rowCount = 1;

  // Prefixes: walk the word from its start through the prefix tree; every
  // prefix of exactly k units gives a row.
  if (maxP > 0) {
    int32_t node = prefixTree_.Root(word[0]);
    for (int32_t k = 1; k <= maxP && node != TAffixTree::kNil; ++k) {
      const int32_t id = prefixTree_.EndId(node);
      if (id >= 0) {
        TLavelAffixIndexes& row = rows[rowCount++];
        row.Rules[0] = id;
        row.Count = 0;
        row.PrefixLength = static_cast<uint8_t>(k);
      }
      if (k == maxP) break;
      node = prefixTree_.MatchSibling(node, word[k]);
      if (node != TAffixTree::kNil) node = prefixTree_.Node(node).eq;
    }
  }

  // Endings: the same walk from the word's end through the ending tree; every
  // ending of exactly k units goes to row 0's entry k.
  if (maxE > 0) {
    int32_t node = endingTree_.Root(word[n - 1]);
    for (int32_t k = 1; k <= maxE && node != TAffixTree::kNil; ++k) {
      const int32_t id = endingTree_.EndId(node);
      if (id >= 0) row0.Rules[k] = id;
      if (k == maxE) break;
      node = endingTree_.MatchSibling(node, word[n - 1 - k]);
      if (node != TAffixTree::kNil) node = endingTree_.Node(node).eq;
    }
  }

  // Rules joining each prefix with each ending. The rules of one ending follow
  // the rule (0, ending) contiguously in the order index, at most PrefixCount
  // of them.
  for (int32_t k = 1; k <= maxE; ++k) {
    const int32_t e = row0.Rules[k];
    if (e < 0) continue;
    const int32_t z = SearchRuleRange(0, ruleCount_ - 1, 0, e);
    if (z >= 0) {
      row0.Rules[k] = affixOrder_[z];
      ++row0.Count;
    } else {
      row0.Rules[k] = -1;
    }
    for (int32_t j = 1; j < rowCount; ++j) {
      TLavelAffixIndexes& row = rows[j];
      if (row.PrefixLength > n - k) break;
      const int32_t p = row.Rules[0];
      const int32_t pos = z >= 0 ? SearchRuleRange(z + 1, z + prefixCount_ - 1, p, e) : SearchRuleRange(0, ruleCount_ - 1, p, e);
      if (pos >= 0) {
        row.Rules[k] = affixOrder_[pos];
        ++row.Count;
      } else {
        row.Rules[k] = -1;
      }
    }
  }

  // Each prefix alone (empty ending); the rules of ending 0 come first.
  for (int32_t j = 1; j < rowCount; ++j) {
    TLavelAffixIndexes& row = rows[j];
    const int32_t pos = SearchRuleRange(0, prefixCount_ - 1, row.Rules[0], 0);
    row.Rules[0] = pos >= 0 ? affixOrder_[pos] : -1;
  }
  return rowCount;
}

int32_t TIMorphologyEngineFull::FirstForm(int32_t lexeme, int32_t rule, int32_t endingLength) {
  cursorForm_ = FindForm(lexeme, rule, endingLength);
  cursorLexeme_ = lexeme;
  return cursorForm_;
}

int32_t TIMorphologyEngineFull::NextForm() {
  if (cursorLexeme_ < 0 || cursorForm_ < 0) return -1;
  // The cursor may have been left behind by a deleted lexeme or form.
  TMEGroupFull* g = LexemeAt(cursorLexeme_);
  if (!g || cursorForm_ >= g->FFormCount) {
    cursorForm_ = -1;
    return -1;
  }
  cursorForm_ = g->Forms[cursorForm_].Next;
  return cursorForm_;
}

int32_t TIMorphologyEngineFull::FormsOfRule(int32_t lexeme, int32_t rule, TArrayOfIndex& list) {
  if (!LexemeAt(lexeme)) return 0;
  const int32_t length = static_cast<int32_t>(RuleEndingText(rule).size());
  int32_t count = 0;
  for (int32_t f = FirstForm(lexeme, rule, length); f >= 0; f = NextForm()) {
    ++count;
    if (list.size() < static_cast<size_t>(count)) list.resize(list.size() + 8);
    list[count - 1] = f;
  }
  return count;
}

std::u16string TIMorphologyEngineFull::MakeForm(std::u16string_view stem, int32_t lexeme, int32_t form) {
  TMEGroupFull* g = LexemeAt(lexeme);
  if (!g || form < 0 || form >= g->FFormCount) return std::u16string();
  const TMEAffixRule& r = Rule(g->Forms[form].Rule);
  const std::u16string& prefix = PrefixText(r.Prefix);
  const std::u16string& ending = EndingText(r.Ending);
  std::u16string text;
  text.reserve(prefix.size() + stem.size() + ending.size());
  text.append(prefix).append(stem).append(ending);
  return text;
}

}  // namespace kestrune
