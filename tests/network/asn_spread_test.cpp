// Activation spreading and update: budgets, caps, thresholds, lateral
// inhibition, the order of the sums and the single-precision rounding.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>

#include "network/asn.h"

namespace kestrune {
namespace {

constexpr int8_t kWords = 0;
constexpr int8_t kPages = 1;

uint32_t Bits(float f) { return std::bit_cast<uint32_t>(f); }

// Words layer (budget as given) and a page layer without budget; every
// element with threshold 0.001, Anchor 1, KInh 1, KStim 1.
void Build(TIASN& net, int words, int pages, float wordBudget = 5.0f) {
  net.AddLayer(0.0f, wordBudget);
  net.AddLayer(0.0f, -1.0f);
  for (int i = 0; i < words; ++i) net.AddElement(kWords, i, 0.001f, 1.0f, 1.0f, 1.0f);
  for (int i = 0; i < pages; ++i) net.AddElement(kPages, i, 0.001f, 1.0f, 1.0f, 1.0f);
}

void Relate(TIASN& net, TASNAddress from, TASNAddress to, float weight) {
  TRelationPosition p;
  net.SetRelation(from, to, p, weight);
}

float Activation(TIASN& net, TASNAddress a) { return net.GetElement(a)->GetActivation(); }

}  // namespace

TEST(ASNSpread, SaturatingWeight) {
  struct Case {
    float limit, value;
    uint32_t bits;
  };
  // Values computed independently in 60-digit decimal arithmetic from the
  // single inputs, then rounded to single.
  for (const Case& c : {Case{0.8f, 0.0f, 0}, Case{0.8f, 0.7f, 0x3F1988C8u}, Case{0.8f, -0.7f, 0xBF1988C8u},
                        Case{0.8f, 1.4f, 0x3F44959Eu}, Case{0.8f, 10.0f, Bits(0.8f)}, Case{0.0f, 0.5f, 0}}) {
    EXPECT_EQ(Bits(SaturatingWeight(c.limit, c.value)), c.bits) << c.limit << " " << c.value;
  }
  EXPECT_NEAR(SaturatingWeight(0.8f, 0.7f), 0.59974f, 1e-5f);
  // Slope 1/0.9 at 0.
  EXPECT_NEAR(SaturatingWeight(0.8f, 1e-4f) / 1e-4f, 1.0f / 0.9f, 1e-3f);
}

// The budget and normalisation examples: three source pages feed words with
// the given net inputs (weight x activation 1 x Anchor 1).
TEST(ASNSpread, BudgetsCapsAndThresholds) {
  struct Case {
    const char* name;
    float budget;
    std::vector<float> inputs;
    float threshold;
    std::vector<float> activations;
  };
  const Case cases[] = {
      {"budget 5, nets 4 4 2: s = 0.5", 5.0f, {4.0f, 4.0f, 2.0f}, 0.001f, {1.0f, 1.0f, 1.0f}},
      {"no budget, nets 0.5 0.25: s = 1", -1.0f, {0.5f, 0.25f}, 0.001f, {0.5f, 0.25f}},
      {"no budget, nets 4 2: s = 0.25", -1.0f, {4.0f, 2.0f}, 0.001f, {1.0f, 0.5f}},
      {"budget not exceeded, max above 1", 5.0f, {2.0f, 1.0f}, 0.001f, {1.0f, 0.5f}},
      {"below the threshold", -1.0f, {0.0005f}, 0.001f, {0.0f}},
      {"at the threshold is not above it", -1.0f, {0.25f}, 0.25f, {0.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIASN net;
    const int n = static_cast<int>(c.inputs.size());
    Build(net, n, 1, c.budget);
    for (int i = 0; i < n; ++i) {
      net.GetElement({kWords, i})->SetThreshold(c.threshold);
      Relate(net, {kPages, 0}, {kWords, i}, c.inputs[i]);
    }
    net.ActivateElement({kPages, 0}, 1.0f);
    net.Spread(kPages, kWords, true, 0.0f);
    const TASNLayer& words = *net.GetLayer(kWords);
    for (int i = 0; i < n; ++i) EXPECT_EQ(words.PositiveInput(i), c.inputs[i]);
    net.Update(kWords);
    for (int i = 0; i < n; ++i) EXPECT_EQ(Activation(net, {kWords, i}), c.activations[i]) << i;
    int active = 0;
    for (float a : c.activations) active += a > 0.0f;
    EXPECT_EQ(net.GetLayer(kWords)->GetActiveSet().Count(), active);
    // Update clears the inputs.
    EXPECT_EQ(words.PositiveSum(), 0.0f);
    EXPECT_EQ(words.PositiveInput(0), 0.0f);
  }
}

TEST(ASNSpread, OpenContextAnchorAndAccumulation) {
  TIASN net;
  Build(net, 4, 1);
  Relate(net, {kPages, 0}, {kWords, 0}, 0.5f);
  Relate(net, {kPages, 0}, {kWords, 1}, 0.25f);
  Relate(net, {kPages, 0}, {kWords, 2}, 0.5f);
  net.GetElement({kWords, 2})->SetAnchor(0.0f);  // takes no input
  net.ActivateElement({kPages, 0}, 1.0f);
  TASNLayer& words = *net.GetLayer(kWords);

  // Open False: only context elements receive input.
  words.GetContextSet().Add(1);
  net.Spread(kPages, kWords, false, 0.0f);
  EXPECT_EQ(words.PositiveInput(0), 0.0f);
  EXPECT_EQ(words.PositiveInput(1), 0.25f);
  EXPECT_EQ(words.GetContextSet().Count(), 1);
  // Open True: every target receives input and joins the context set; a
  // second spread before the update adds up; Anchor 0 receives nothing.
  net.Spread(kPages, kWords, true, 0.0f);
  EXPECT_EQ(words.PositiveInput(0), 0.5f);
  EXPECT_EQ(words.PositiveInput(1), 0.5f);
  EXPECT_EQ(words.PositiveInput(2), 0.0f);
  EXPECT_EQ(words.PositiveSum(), 1.0f);
  EXPECT_EQ(words.MaxPositiveInput(), 0.5f);
  EXPECT_EQ(words.GetContextSet().Count(), 2);  // word 2 got v = 0 and stays out
  EXPECT_EQ(words.GetContextSet().GetItem(1), 0);

  // An active word outside the context set keeps its activation.
  net.ActivateElement({kWords, 3}, 0.3f);
  net.Update(kWords);
  EXPECT_EQ(Activation(net, {kWords, 0}), 0.5f);
  EXPECT_EQ(Activation(net, {kWords, 1}), 0.5f);
  EXPECT_EQ(Activation(net, {kWords, 3}), 0.3f);
  EXPECT_GE(words.GetActiveSet().Find(3), 0);

  // Update without input: KStim x activation, kept only above the threshold.
  net.GetElement({kWords, 0})->SetKStim(0.5f);
  net.GetElement({kWords, 1})->SetKStim(0.001f);
  net.Update(kWords);
  EXPECT_EQ(Activation(net, {kWords, 0}), 0.25f);
  EXPECT_EQ(Activation(net, {kWords, 1}), 0.0f);
  EXPECT_LT(words.GetActiveSet().Find(1), 0);

  // Invalid layers do nothing.
  net.Spread(kPages, 5, true, 0.0f);
  net.Spread(-1, kWords, true, 0.0f);
  net.Update(7);
}

TEST(ASNSpread, NegativeWeightsAndDeletedElements) {
  TIASN net;
  Build(net, 3, 1);
  Relate(net, {kPages, 0}, {kWords, 0}, -0.25f);
  Relate(net, {kPages, 0}, {kWords, 1}, 0.5f);
  Relate(net, {kPages, 0}, {kWords, 2}, 0.75f);
  // Word 1 is deleted; it has no relations of its own, so the page's
  // relation to it stays, and it receives that contribution negated.
  net.DeleteElement({kWords, 1});
  net.ActivateElement({kPages, 0}, 1.0f);
  net.ActivateElement({kWords, 0}, 0.5f);
  net.Spread(kPages, kWords, true, 0.0f);
  const TASNLayer& words = *net.GetLayer(kWords);
  EXPECT_EQ(words.NegativeInput(0), 0.25f);
  EXPECT_EQ(words.NegativeInput(1), 0.5f);
  EXPECT_EQ(words.PositiveInput(1), 0.0f);
  EXPECT_EQ(words.PositiveInput(2), 0.75f);
  EXPECT_EQ(words.NegativeSum(), 0.75f);
  EXPECT_EQ(words.PositiveSum(), 0.75f);
  net.Update(kWords);
  // 0.5 - 0.25: a negative net pulls the activation down.
  EXPECT_EQ(Activation(net, {kWords, 0}), 0.25f);
  EXPECT_EQ(Activation(net, {kWords, 1}), 0.0f);
  EXPECT_EQ(Activation(net, {kWords, 2}), 0.75f);
}

TEST(ASNSpread, LateralInhibition) {
  // Pages 0 and 1 active (0.8 and 0.4); words 0..3 in the context set with
  // positive input; page 0 relates to words 0 and 1, page 1 to word 2, and
  // word 3 gets input from page 2 (not active in the inhibition pass).
  TIASN net;
  Build(net, 5, 2);
  Relate(net, {kPages, 0}, {kWords, 0}, 0.5f);
  Relate(net, {kPages, 0}, {kWords, 1}, 0.5f);
  Relate(net, {kPages, 1}, {kWords, 2}, 0.5f);
  net.ActivateElement({kPages, 0}, 0.8f);
  net.ActivateElement({kPages, 1}, 0.4f);
  TASNLayer& words = *net.GetLayer(kWords);
  words.GetContextSet().Add(4);  // in the context set without positive input
  net.Spread(kPages, kWords, true, -0.5f);
  // Word 0, 1: linked from page 0, inhibited by page 1 (0.4 x 0.5 = 0.2).
  // Word 2: linked from page 1, inhibited by page 0 (0.8 x 0.5 = 0.4).
  // Word 4: no positive input, not inhibited.
  EXPECT_EQ(words.NegativeInput(0), 0.2f);
  EXPECT_EQ(words.NegativeInput(1), 0.2f);
  EXPECT_EQ(words.NegativeInput(2), 0.4f);
  EXPECT_EQ(words.NegativeInput(4), 0.0f);
  // Context order 4, 0, 1, 2; page 0 first: 0.4, then page 1: 0.2, 0.2.
  EXPECT_EQ(words.NegativeSum(), (0.4f + 0.2f) + 0.2f);
  // A positive Inhibition works by its magnitude; 0 inhibits nothing.
  net.ResetInputs(kWords);
  net.Spread(kPages, kWords, true, 0.5f);
  EXPECT_EQ(words.NegativeInput(2), 0.4f);
  net.ResetInputs(kWords);
  net.Spread(kPages, kWords, true, 0.0f);
  EXPECT_EQ(words.NegativeSum(), 0.0f);
  // Elements with activation 0 or below do not inhibit.
  net.ResetInputs(kWords);
  net.ActivateElement({kPages, 1}, -0.4f);
  net.Spread(kPages, kWords, true, -0.5f);
  // Page 1 now feeds word 2 negatively (0.2); word 2 has no positive input
  // and page 1 no positive activation, so nobody is inhibited.
  EXPECT_EQ(words.NegativeInput(2), 0.2f);
  EXPECT_EQ(words.NegativeInput(0), 0.0f);
}

TEST(ASNSpread, SourceEqualsTargetDoesNotInhibitItself) {
  TIASN net;
  Build(net, 3, 0);
  Relate(net, {kWords, 0}, {kWords, 1}, 0.5f);
  Relate(net, {kWords, 1}, {kWords, 0}, 0.5f);
  Relate(net, {kWords, 2}, {kWords, 1}, 0.5f);
  net.ActivateElement({kWords, 0}, 1.0f);
  net.ActivateElement({kWords, 1}, 1.0f);
  net.ActivateElement({kWords, 2}, 1.0f);
  net.Spread(kWords, kWords, true, -0.5f);
  const TASNLayer& words = *net.GetLayer(kWords);
  // Context: 1, 0. Word 0 is inhibited by word 2 only (not by itself, word 1
  // links to it); word 1 by nobody (0 and 2 link to it, 1 is itself).
  EXPECT_EQ(words.NegativeInput(0), 0.5f);
  EXPECT_EQ(words.NegativeInput(1), 0.0f);
}

// Sums follow the active set's item order, which a delete rearranges (the
// last item moves into the freed slot); in single precision the order shows.
TEST(ASNSpread, SumsFollowTheSetOrder) {
  const float tiny = std::ldexp(1.0f, -24);
  TIASN net;
  Build(net, 1, 3);
  Relate(net, {kPages, 0}, {kWords, 0}, tiny);
  Relate(net, {kPages, 1}, {kWords, 0}, tiny);
  Relate(net, {kPages, 2}, {kWords, 0}, 1.0f);
  net.ActivateElement({kPages, 0}, 1.0f);
  net.ActivateElement({kPages, 1}, 1.0f);
  net.ActivateElement({kPages, 2}, 1.0f);
  net.Spread(kPages, kWords, true, 0.0f);
  // Order 0, 1, 2: tiny + tiny is exact, and 1 + 2^-23 is representable.
  EXPECT_EQ(net.GetLayer(kWords)->PositiveInput(0), 1.0f + 2 * tiny);

  net.ResetInputs(kWords);
  net.DeactivateElement({kPages, 1});  // order now 0, 2
  net.ActivateElement({kPages, 1}, 1.0f);  // order 0, 2, 1
  net.Spread(kPages, kWords, true, 0.0f);
  // tiny + 1 rounds to 1 (a tie, to even), and so does 1 + tiny.
  EXPECT_EQ(net.GetLayer(kWords)->PositiveInput(0), 1.0f);
}

// Spread rounds after each of its two multiplications; Update adds KStim x
// activation and the net input exactly and rounds once.
TEST(ASNSpread, SinglePrecisionSteps) {
  const float u = 1.0f + std::ldexp(1.0f, -12);
  {
    TIASN net;
    Build(net, 1, 1);
    net.GetElement({kWords, 0})->SetAnchor(1.0f + std::ldexp(1.0f, -23));
    Relate(net, {kPages, 0}, {kWords, 0}, u);
    net.ActivateElement({kPages, 0}, u);
    net.Spread(kPages, kWords, true, 0.0f);
    // u x u = 1 + 2^-11 + 2^-24 rounds to 1 + 2^-11; times the Anchor rounds
    // to 1 + 2^-11 + 2^-23. The exact triple product would round up.
    EXPECT_EQ(Bits(net.GetLayer(kWords)->PositiveInput(0)), Bits(1.0f + std::ldexp(1.0f, -11) + std::ldexp(1.0f, -23)));
  }
  {
    TIASN net;
    Build(net, 1, 1, -1.0f);
    TASNElement& word = *net.GetElement({kWords, 0});
    word.SetKStim(u);
    net.ActivateElement({kWords, 0}, 0.5f * u);
    Relate(net, {kPages, 0}, {kWords, 0}, std::ldexp(1.0f, -25));
    net.ActivateElement({kPages, 0}, 1.0f);
    net.Spread(kPages, kWords, true, 0.0f);
    net.Update(kWords);
    // 0.5 + 2^-12 + 2^-25 + 2^-25 exactly; rounding the product first would
    // give 0.5 + 2^-12 (two ties to even).
    EXPECT_EQ(Bits(word.GetActivation()), Bits(0.5f + std::ldexp(1.0f, -12) + std::ldexp(1.0f, -24)));
  }
}

}  // namespace kestrune

namespace kestrune {

namespace {

// Spread as the algorithm states it, step by step, on copies of the target
// layer's state: a relation test by FindRelation per pair and a set search per
// contribution. Returns the inputs, the sums and the context set's items.
struct Expected {
  std::vector<float> positive, negative;
  float positiveSum = 0, negativeSum = 0, maxPositive = 0;
  std::vector<int32_t> context;
};

Expected ReferenceSpread(TIASN& net, int8_t source, int8_t target, bool open, float inhibition) {
  const TASNLayer& to = *net.GetLayer(target);
  TASNLayer& from = *net.GetLayer(source);
  Expected x;
  for (int32_t i = 0; i < to.GetCount(); ++i) {
    x.positive.push_back(to.PositiveInput(i));
    x.negative.push_back(to.NegativeInput(i));
  }
  x.positiveSum = to.PositiveSum();
  x.negativeSum = to.NegativeSum();
  x.maxPositive = to.MaxPositiveInput();
  TIAVLTree& liveContext = const_cast<TASNLayer&>(to).GetContextSet();
  for (int32_t k = 0; k < liveContext.Count(); ++k) x.context.push_back(static_cast<int32_t>(liveContext.GetItem(k)));
  auto inContext = [&](int32_t t) { return std::find(x.context.begin(), x.context.end(), t) != x.context.end(); };
  TIAVLTree& active = from.GetActiveSet();
  for (int32_t k = 0; k < active.Count(); ++k) {
    const auto e = static_cast<int32_t>(active.GetItem(k));
    const int32_t list = net.FindRelationList({source, e}, target);
    if (list < 0) continue;
    const TASNElement& element = *net.GetElement({source, e});
    for (int32_t n = 0; n < element.GetRelationCount(list); ++n) {
      const TRelationPosition p{source, e, static_cast<int8_t>(list), n};
      const int32_t t = element.GetRelationTarget(p);
      float v = element.GetRelationWeight(p) * element.GetActivation();
      v = v * net.GetElement({target, t})->GetAnchor();
      if (v == 0.0f || (!open && !inContext(t))) continue;
      if (v < 0.0f) {
        x.negative[t] += std::fabs(v);
        x.negativeSum += std::fabs(v);
      } else {
        x.positive[t] += v;
        x.positiveSum += v;
        if (x.maxPositive < x.positive[t]) x.maxPositive = x.positive[t];
      }
      if (open && !inContext(t)) x.context.push_back(t);
    }
  }
  if (inhibition == 0.0f) return x;
  for (int32_t k = 0; k < active.Count(); ++k) {
    const auto e = static_cast<int32_t>(active.GetItem(k));
    const float activation = net.GetElement({source, e})->GetActivation();
    if (!(activation > 0.0f)) continue;
    for (const int32_t m : x.context) {
      if (!(x.positive[m] > 0.0f) || (source == target && m == e)) continue;
      TRelationPosition p;
      net.FindRelation({source, e}, {target, m}, p);
      if (p.Node != -1) continue;
      x.negative[m] += std::fabs(activation * inhibition);
      x.negativeSum += std::fabs(activation * inhibition);
    }
  }
  return x;
}

}  // namespace

// Random networks, active sets and context sets of every size: the spread
// (with its context stamps, its relation stamps and its kept input arrays)
// agrees bit for bit with the plain algorithm, over several spreads and
// resets in a row.
TEST(ASNSpread, AgreesWithThePlainAlgorithm) {
  std::mt19937 rng(42);
  for (int round = 0; round < 60; ++round) {
    TIASN net;
    const int words = 20 + static_cast<int>(rng() % 200);
    Build(net, words, 10);
    TRelationPosition p;
    const int relations = static_cast<int>(rng() % 2000);
    for (int r = 0; r < relations; ++r) {
      const TASNAddress a{static_cast<int8_t>(rng() % 2), static_cast<int32_t>(rng() % (r % 2 ? 10 : words))};
      const TASNAddress b{static_cast<int8_t>(rng() % 2), static_cast<int32_t>(rng() % (r % 3 ? 10 : words))};
      if (!net.IsValidAddress(a) || !net.IsValidAddress(b)) continue;
      const float w = static_cast<float>(static_cast<int>(rng() % 2001) - 200) / 1000.0f;
      net.SetRelation(a, b, p, w);
    }
    for (int i = 0; i < words; i += 7) net.GetElement({kWords, i})->SetAnchor(i % 2 ? 0.0f : -1.0f);
    for (int step = 0; step < 6; ++step) {
      const int8_t source = static_cast<int8_t>(rng() % 2);
      const int8_t target = static_cast<int8_t>(rng() % 2);
      const bool open = rng() % 2;
      const float inhibition = (rng() % 3 == 0) ? 0.0f : -static_cast<float>(rng() % 100) / 37.0f;
      const int activeCount = static_cast<int>(rng() % 12);
      for (int k = 0; k < activeCount; ++k) {
        const int32_t e = static_cast<int32_t>(rng() % net.GetLayer(source)->GetCount());
        net.ActivateElement({source, e}, static_cast<float>(static_cast<int>(rng() % 200) - 20) / 150.0f);
      }
      if (rng() % 4 == 0) net.DeactivateElement({source, 0});
      const int marks = static_cast<int>(rng() % 4);
      for (int k = 0; k < marks; ++k) net.MarkRelationTargets({source, static_cast<int32_t>(rng() % 10)}, target);
      if (rng() % 5 == 0) net.ResetInputs(target);
      if (rng() % 6 == 0) net.ResetLayer(target, true);

      const Expected x = ReferenceSpread(net, source, target, open, inhibition);
      net.Spread(source, target, open, inhibition);
      const TASNLayer& to = *net.GetLayer(target);
      SCOPED_TRACE(testing::Message() << "round " << round << " step " << step);
      ASSERT_EQ(Bits(to.PositiveSum()), Bits(x.positiveSum));
      ASSERT_EQ(Bits(to.NegativeSum()), Bits(x.negativeSum));
      ASSERT_EQ(Bits(to.MaxPositiveInput()), Bits(x.maxPositive));
      for (int32_t i = 0; i < to.GetCount(); ++i) {
        ASSERT_EQ(Bits(to.PositiveInput(i)), Bits(x.positive[i])) << i;
        ASSERT_EQ(Bits(to.NegativeInput(i)), Bits(x.negative[i])) << i;
      }
      TIAVLTree& context = net.GetLayer(target)->GetContextSet();
      ASSERT_EQ(context.Count(), static_cast<int32_t>(x.context.size()));
      for (int32_t k = 0; k < context.Count(); ++k) ASSERT_EQ(context.GetItem(k), x.context[k]);
      if (rng() % 2) net.Update(target);
    }
    // After a reset every input reads 0 again.
    for (int8_t l = 0; l < 2; ++l) {
      net.ResetInputs(l);
      for (int32_t i = 0; i < net.GetLayer(l)->GetCount(); ++i) {
        ASSERT_EQ(net.GetLayer(l)->PositiveInput(i), 0.0f);
        ASSERT_EQ(net.GetLayer(l)->NegativeInput(i), 0.0f);
      }
    }
  }
}

}  // namespace kestrune
