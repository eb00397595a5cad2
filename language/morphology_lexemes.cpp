// Lexemes and their form trees in TIMorphologyEngineFull.
//
// Within a lexeme, the forms are indexed by one AVL tree per ending length,
// rooted at Roots[length] and keyed by rule id; further forms with a rule
// already in the tree are chained behind its node through Next, newest first.
// Links are form numbers within the lexeme, -1 none. Balance: 0 the left side
// is higher, 1 even, 2 the right side is higher.
#include <algorithm>
#include <array>
#include <tuple>

#include "language/morphology_engine_full.h"

namespace kestrune {

namespace {

constexpr uint8_t kLeftHigh = 0;
constexpr uint8_t kEven = 1;
constexpr uint8_t kRightHigh = 2;

uint32_t FeatureBits(const TMERule& form) {
  return uint32_t{form.FormFeatures[0]} | (uint32_t{form.FormFeatures[1]} << 8) | (uint32_t{form.FormFeatures[2]} << 16);
}

}  // namespace

// ---- lexeme records ----

TMEGroupFull* TIMorphologyEngineFull::LexemeAt(int32_t index) {
  return index >= 0 && index < lexemeCount_ ? &lexemes_[index] : nullptr;
}

const TMEGroupFull* TIMorphologyEngineFull::LexemeAt(int32_t index) const {
  return index >= 0 && index < lexemeCount_ ? &lexemes_[index] : nullptr;
}

TMEGroup* TIMorphologyEngineFull::GetLexeme(int32_t index) { return LexemeAt(index); }

int32_t TIMorphologyEngineFull::LexemeIndexOf(const TMEGroupFull& lexeme) const {
  constexpr int64_t kPage = decltype(lexemes_)::kPageSize;
  for (int64_t first = 0; first < lexemeCount_; first += kPage) {
    const TMEGroupFull* page = &lexemes_[first];
    if (&lexeme >= page && &lexeme < page + kPage) {
      const int64_t index = first + (&lexeme - page);
      return index < lexemeCount_ ? static_cast<int32_t>(index) : -1;
    }
  }
  return -1;
}

void TIMorphologyEngineFull::InitLexeme(int32_t index) {
  TMEGroupFull& g = lexemes_[index];
  g = TMEGroupFull();
  g.Engine = this;
  g.Language = languageId_;
}

void TIMorphologyEngineFull::ResetLexeme(TMEGroupFull& lexeme) { lexeme = TMEGroupFull(); }

int32_t TIMorphologyEngineFull::AddLexeme() {
  const int32_t index = lexemeCount_;
  lexemes_.Reserve(int64_t{index} + 1);
  InitLexeme(index);
  ++lexemeCount_;
  return index;
}

void TIMorphologyEngineFull::DeleteLexeme(int32_t index) {
  if (index < 0 || index >= lexemeCount_ || deleteEnabled_ == 0) return;
  TMEGroupFull& g = lexemes_[index];
  for (int32_t k = 0; k < g.FFormCount; ++k) ReleaseRuleReference(g.Forms[k].Rule);
  const int32_t last = lexemeCount_ - 1;
  if (index != last) {
    g = std::move(lexemes_[last]);
    for (TMERule& form : g.Forms) form.Lexeme = &g;
  }
  ResetLexeme(lexemes_[last]);
  --lexemeCount_;
  // No walk may go on over the forms of a freed or moved lexeme.
  cursorForm_ = -1;
  cursorLexeme_ = -1;
}

void TIMorphologyEngineFull::SetLexeme(int32_t index, TMEGroup* source) {
  TMEGroupFull* g = LexemeAt(index);
  if (!g || !source || source == g) return;
  for (int32_t k = 0; k < g->FFormCount; ++k) ReleaseRuleReference(g->Forms[k].Rule);
  const int32_t count = source->FormCount();
  g->FFormCount = 0;
  g->Lemma = source->GetLemma();
  g->Features = source->GetFeatures();
  g->Language = source->GetLanguage();
  g->UserValue = source->GetUserValue();
  size_t roots = static_cast<size_t>(std::max(source->MaxEndingLength(), 0)) + 1;
  if (const auto* full = dynamic_cast<const TMEGroupFull*>(source)) roots = full->Roots.size();
  g->Roots.assign(roots, -1);
  if (g->Forms.size() < static_cast<size_t>(count)) g->Forms.resize(static_cast<size_t>(count));
  // The form count grows form by form, so a refused affix leaves the lexeme
  // consistent with the forms copied so far.
  for (int32_t k = 0; k < count; ++k) {
    g->InitForm(k);
    TMERule& form = g->Forms[k];
    const std::u16string prefix = source->GetFormPrefix(k);
    const std::u16string ending = source->GetFormEnding(k);
    int32_t prefixId = 0;
    int32_t endingId = 0;
    FindOrAddPrefix(prefix, prefixId);
    FindOrAddEnding(ending, endingId);
    const int32_t rule = FindOrAddRule(prefixId, endingId);
    AddRuleReference(rule);
    form.Rule = rule;
    uint8_t features[3];
    source->GetFormFeatures(k, features);
    std::copy(features, features + 3, form.FormFeatures);
    form.Next = -1;
    g->FFormCount = static_cast<uint16_t>(k + 1);
    LinkForm(*g, k);
    RaiseMaxPrefixLength(static_cast<int32_t>(prefix.size()));
    RaiseMaxEndingLength(static_cast<int32_t>(ending.size()));
  }
}

int32_t TIMorphologyEngineFull::FinishLexeme() {
  const int32_t last = lexemeCount_ - 1;
  if (last < 0) return -1;
  RemoveDuplicateForms(last);
  TMEGroupFull& g = lexemes_[last];
  if (g.FFormCount == 0 || (g.FFormCount == 1 && g.Forms[0].Rule == 0 && FeatureBits(g.Forms[0]) == 0)) {
    DeleteLexeme(last);
    return -1;
  }
  // The new lexeme's forms as sorted (rule, features) pairs.
  std::vector<std::pair<int32_t, uint32_t>> forms;
  forms.reserve(g.FFormCount);
  for (int32_t k = 0; k < g.FFormCount; ++k) forms.emplace_back(g.Forms[k].Rule, FeatureBits(g.Forms[k]));
  std::sort(forms.begin(), forms.end());
  for (int32_t i = 0; i < last; ++i) {
    const TMEGroupFull& other = lexemes_[i];
    if (other.FFormCount != g.FFormCount || other.Features != g.Features) continue;
    bool same = true;
    for (int32_t k = 0; k < other.FFormCount && same; ++k) {
      same = std::binary_search(forms.begin(), forms.end(), std::make_pair(other.Forms[k].Rule, FeatureBits(other.Forms[k])));
    }
    if (same) {
      DeleteLexeme(last);
      return i;
    }
  }
  return last;
}

// ---- form trees ----

int32_t TIMorphologyEngineFull::FindForm(int32_t lexeme, int32_t rule, int32_t endingLength) {
  if (lexemeCount_ == 0 || lexeme < 0 || rule < 0) return -1;
  const TMEGroupFull* g = LexemeAt(lexeme);
  if (!g || endingLength < 0 || static_cast<size_t>(endingLength) >= g->Roots.size()) return -1;
  int32_t node = g->Roots[endingLength];
  while (node >= 0 && node < g->FFormCount) {
    const TMERule& f = g->Forms[node];
    if (rule < f.Rule) {
      node = f.Left;
    } else if (rule > f.Rule) {
      node = f.Right;
    } else {
      return node;
    }
  }
  return -1;
}

int32_t TIMorphologyEngineFull::InsertFormNode(TMEGroupFull& g, int32_t k) {
  TMERule& form = g.Forms[k];
  const size_t length = RuleEndingText(form.Rule).size();
  if (g.Roots.size() < length + 1) g.Roots.resize(length + 1, -1);
  int16_t& root = g.Roots[length];
  if (root == -1) {
    form.Left = form.Right = -1;
    form.Balance = kEven;
    root = static_cast<int16_t>(k);
    return k;
  }
  // The path from the root: node and the side taken (0 left, 2 right).
  std::array<std::pair<int32_t, uint8_t>, 64> path;
  size_t depth = 0;
  int32_t node = root;
  while (node != -1) {
    TMERule& n = g.Forms[node];
    if (form.Rule == n.Rule) return node;
    const uint8_t side = form.Rule < n.Rule ? 0 : 2;
    path[depth++] = {node, side};
    node = side == 0 ? n.Left : n.Right;
  }
  // A new leaf: whatever links and balance the record kept from an earlier
  // place in a tree go.
  form.Left = form.Right = -1;
  form.Balance = kEven;
  {
    TMERule& parent = g.Forms[path[depth - 1].first];
    (path[depth - 1].second == 0 ? parent.Left : parent.Right) = static_cast<int16_t>(k);
  }
  // Back up the path: balances, and at most one rotation.
  while (depth > 0) {
    --depth;
    const int32_t a = path[depth].first;
    TMERule& na = g.Forms[a];
    int32_t top = -1;
    if (path[depth].second == 0) {
      if (na.Balance == kRightHigh) {
        na.Balance = kEven;
        break;
      }
      if (na.Balance == kEven) {
        na.Balance = kLeftHigh;
        continue;
      }
      // Left side too high.
      const int32_t b = na.Left;
      TMERule& nb = g.Forms[b];
      if (nb.Balance == kLeftHigh) {
        na.Left = nb.Right;
        nb.Right = static_cast<int16_t>(a);
        na.Balance = kEven;
        nb.Balance = kEven;
        top = b;
      } else {
        const int32_t c = nb.Right;
        TMERule& nc = g.Forms[c];
        nb.Right = nc.Left;
        nc.Left = static_cast<int16_t>(b);
        na.Left = nc.Right;
        nc.Right = static_cast<int16_t>(a);
        na.Balance = nc.Balance == kLeftHigh ? kRightHigh : kEven;
        nb.Balance = nc.Balance == kRightHigh ? kLeftHigh : kEven;
        nc.Balance = kEven;
        top = c;
      }
    } else {
      if (na.Balance == kLeftHigh) {
        na.Balance = kEven;
        break;
      }
      if (na.Balance == kEven) {
        na.Balance = kRightHigh;
        continue;
      }
      const int32_t b = na.Right;
      TMERule& nb = g.Forms[b];
      if (nb.Balance == kRightHigh) {
        na.Right = nb.Left;
        nb.Left = static_cast<int16_t>(a);
        na.Balance = kEven;
        nb.Balance = kEven;
        top = b;
      } else {
        const int32_t c = nb.Left;
        TMERule& nc = g.Forms[c];
        nb.Left = nc.Right;
        nc.Right = static_cast<int16_t>(b);
        na.Right = nc.Left;
        nc.Left = static_cast<int16_t>(a);
        na.Balance = nc.Balance == kRightHigh ? kLeftHigh : kEven;
        nb.Balance = nc.Balance == kLeftHigh ? kRightHigh : kEven;
        nc.Balance = kEven;
        top = c;
      }
    }
    if (depth == 0) {
      root = static_cast<int16_t>(top);
    } else {
      TMERule& parent = g.Forms[path[depth - 1].first];
      (path[depth - 1].second == 0 ? parent.Left : parent.Right) = static_cast<int16_t>(top);
    }
    break;
  }
  return k;
}

bool TIMorphologyEngineFull::BalanceLeftShrunk(TMEGroupFull& g, int16_t& link) {
  const int32_t a = link;
  TMERule& na = g.Forms[a];
  if (na.Balance == kLeftHigh) {
    na.Balance = kEven;
    return true;
  }
  if (na.Balance == kEven) {
    na.Balance = kRightHigh;
    return false;
  }
  const int32_t b = na.Right;
  TMERule& nb = g.Forms[b];
  if (nb.Balance != kLeftHigh) {
    na.Right = nb.Left;
    nb.Left = static_cast<int16_t>(a);
    link = static_cast<int16_t>(b);
    if (nb.Balance == kEven) {
      na.Balance = kRightHigh;
      nb.Balance = kLeftHigh;
      return false;
    }
    na.Balance = kEven;
    nb.Balance = kEven;
    return true;
  }
  const int32_t c = nb.Left;
  TMERule& nc = g.Forms[c];
  nb.Left = nc.Right;
  nc.Right = static_cast<int16_t>(b);
  na.Right = nc.Left;
  nc.Left = static_cast<int16_t>(a);
  na.Balance = nc.Balance == kRightHigh ? kLeftHigh : kEven;
  nb.Balance = nc.Balance == kLeftHigh ? kRightHigh : kEven;
  nc.Balance = kEven;
  link = static_cast<int16_t>(c);
  return true;
}

bool TIMorphologyEngineFull::BalanceRightShrunk(TMEGroupFull& g, int16_t& link) {
  const int32_t a = link;
  TMERule& na = g.Forms[a];
  if (na.Balance == kRightHigh) {
    na.Balance = kEven;
    return true;
  }
  if (na.Balance == kEven) {
    na.Balance = kLeftHigh;
    return false;
  }
  const int32_t b = na.Left;
  TMERule& nb = g.Forms[b];
  if (nb.Balance != kRightHigh) {
    na.Left = nb.Right;
    nb.Right = static_cast<int16_t>(a);
    link = static_cast<int16_t>(b);
    if (nb.Balance == kEven) {
      na.Balance = kLeftHigh;
      nb.Balance = kRightHigh;
      return false;
    }
    na.Balance = kEven;
    nb.Balance = kEven;
    return true;
  }
  const int32_t c = nb.Right;
  TMERule& nc = g.Forms[c];
  nb.Right = nc.Left;
  nc.Left = static_cast<int16_t>(b);
  na.Left = nc.Right;
  nc.Right = static_cast<int16_t>(a);
  na.Balance = nc.Balance == kLeftHigh ? kRightHigh : kEven;
  nb.Balance = nc.Balance == kRightHigh ? kLeftHigh : kEven;
  nc.Balance = kEven;
  link = static_cast<int16_t>(c);
  return true;
}

bool TIMorphologyEngineFull::DetachPredecessor(TMEGroupFull& g, int16_t& link, int32_t& detached) {
  TMERule& n = g.Forms[link];
  if (n.Right != -1) {
    if (DetachPredecessor(g, n.Right, detached)) return BalanceRightShrunk(g, link);
    return false;
  }
  detached = link;
  link = n.Left;
  return true;
}

bool TIMorphologyEngineFull::DeleteFormNode(TMEGroupFull& g, int16_t& link, int32_t k) {
  if (link == -1) return false;
  const int32_t node = link;
  TMERule& n = g.Forms[node];
  const int32_t rule = g.Forms[k].Rule;
  if (rule < n.Rule) {
    return DeleteFormNode(g, n.Left, k) && BalanceLeftShrunk(g, link);
  }
  if (rule > n.Rule) {
    return DeleteFormNode(g, n.Right, k) && BalanceRightShrunk(g, link);
  }
  if (node != k) return false;  // k is not the tree's node of its rule
  bool shrunk = true;
  if (n.Right == -1) {
    link = n.Left;
  } else if (n.Left == -1) {
    link = n.Right;
  } else {
    int32_t p = -1;
    const bool leftShrunk = DetachPredecessor(g, n.Left, p);
    TMERule& np = g.Forms[p];
    np.Left = n.Left;
    np.Right = n.Right;
    np.Balance = n.Balance;
    link = static_cast<int16_t>(p);
    shrunk = leftShrunk && BalanceLeftShrunk(g, link);
  }
  n.Left = -1;
  n.Right = -1;
  return shrunk;
}

void TIMorphologyEngineFull::ReplaceFormNode(TMEGroupFull& g, int32_t k) {
  if (k < 0 || k >= g.FFormCount) return;
  TMERule& form = g.Forms[k];
  const size_t length = RuleEndingText(form.Rule).size();
  if (length >= g.Roots.size() || g.Roots[length] == -1 || form.Next == -1) return;
  const int32_t f = form.Next;
  int16_t* link = &g.Roots[length];
  while (*link != -1 && *link != k) {
    TMERule& n = g.Forms[*link];
    link = form.Rule < n.Rule ? &n.Left : &n.Right;
  }
  if (*link != k) return;
  *link = static_cast<int16_t>(f);
  TMERule& nf = g.Forms[f];
  nf.Left = form.Left;
  nf.Right = form.Right;
  nf.Balance = form.Balance;
}

void TIMorphologyEngineFull::LinkForm(TMEGroupFull& g, int32_t k) {
  if (k < 0 || k >= g.FFormCount) return;
  const int32_t n = InsertFormNode(g, k);
  if (n == k) {
    g.Forms[k].Next = -1;
  } else {
    g.Forms[k].Next = g.Forms[n].Next;
    g.Forms[n].Next = static_cast<int16_t>(k);
  }
}

void TIMorphologyEngineFull::UnlinkForm(TMEGroupFull& g, int32_t k) {
  if (k < 0 || k >= g.FFormCount) return;
  TMERule& form = g.Forms[k];
  const int32_t length = static_cast<int32_t>(RuleEndingText(form.Rule).size());
  int32_t n = -1;
  if (length < static_cast<int32_t>(g.Roots.size())) {
    // The tree search of FindForm, on the record itself (it need not be the
    // engine's lexeme to be searched).
    int32_t node = g.Roots[length];
    while (node >= 0 && node < g.FFormCount) {
      const TMERule& f = g.Forms[node];
      if (form.Rule < f.Rule) {
        node = f.Left;
      } else if (form.Rule > f.Rule) {
        node = f.Right;
      } else {
        n = node;
        break;
      }
    }
  }
  if (n == k) {
    if (form.Next != -1) {
      ReplaceFormNode(g, k);
    } else {
      DeleteFormNode(g, g.Roots[length], k);
    }
  } else if (n != -1) {
    // Somewhere in the chain behind the node.
    int32_t prev = n;
    for (int32_t steps = 0; steps < g.FFormCount && g.Forms[prev].Next != -1; ++steps) {
      if (g.Forms[prev].Next == k) {
        g.Forms[prev].Next = form.Next;
        break;
      }
      prev = g.Forms[prev].Next;
    }
  }
  form.Left = -1;
  form.Right = -1;
  form.Next = -1;
}

}  // namespace kestrune
