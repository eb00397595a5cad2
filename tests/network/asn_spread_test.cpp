// Activation spreading and update: budgets, caps, thresholds, lateral
// inhibition, the order of the sums and the single-precision rounding.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
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

// A network and its activation state kept beside it the plain way: active and
// context sets as ordered sets (item order: append, and a delete moves the
// last item into the gap), one input per element, sums added in the order of
// the contributions, Spread and Update step by step as the algorithm states
// them. Each operation is applied to both; relations and coefficients are
// read from the network.
class Twin {
 public:
  explicit Twin(TIASN& net) : net_(net) {}

  void Activate(TASNAddress a, float value) {
    net_.ActivateElement(a, value);
    if (value == 0.0f) return;
    At(a.Layer).activation[a.Index] = value;
    At(a.Layer).active->AddUnshared(a.Index);
  }
  void Deactivate(TASNAddress a) {
    net_.DeactivateElement(a);
    Layer& layer = At(a.Layer);
    layer.activation[a.Index] = 0.0f;
    const int32_t node = layer.active->FindUnshared(a.Index);
    if (node >= 0) layer.active->Delete(node);
  }
  void ResetLayer(int8_t l, bool alsoContext) {
    net_.ResetLayer(l, alsoContext);
    Layer& layer = At(l);
    for (int32_t k = 0; k < layer.active->Count(); ++k) layer.activation[layer.active->GetItem(k)] = 0.0f;
    layer.active->Clear();
    if (alsoContext) layer.context->Clear();
  }
  void ResetInputs(int8_t l) {
    net_.ResetInputs(l);
    Layer& layer = At(l);
    std::fill(layer.positive.begin(), layer.positive.end(), 0.0f);
    std::fill(layer.negative.begin(), layer.negative.end(), 0.0f);
    layer.positiveSum = layer.negativeSum = layer.maxPositive = 0.0f;
  }
  void Mark(TASNAddress a, int8_t l) {
    net_.MarkRelationTargets(a, l);
    const int32_t list = net_.FindRelationList(a, l);
    const TASNElement& element = *net_.GetElement(a);
    for (int32_t n = 0; list >= 0 && n < element.GetRelationCount(list); ++n) {
      At(l).context->AddUnshared(element.GetRelationTarget({a.Layer, a.Index, static_cast<int8_t>(list), n}));
    }
  }

  void Spread(int8_t source, int8_t target, bool open, float inhibition) {
    net_.Spread(source, target, open, inhibition);
    Layer& from = At(source);
    Layer& to = At(target);
    const TIAVLTree& active = *from.active;
    TIAVLTree& context = *to.context;
    for (int32_t k = 0; k < active.Count(); ++k) {
      const auto e = static_cast<int32_t>(active.GetItem(k));
      const int32_t list = net_.FindRelationList({source, e}, target);
      const TASNElement& element = *net_.GetElement({source, e});
      for (int32_t n = 0; list >= 0 && n < element.GetRelationCount(list); ++n) {
        const TRelationPosition p{source, e, static_cast<int8_t>(list), n};
        const int32_t t = element.GetRelationTarget(p);
        float v = element.GetRelationWeight(p) * from.activation[e];
        v = v * net_.GetElement({target, t})->GetAnchor();
        if (v == 0.0f || (!open && context.FindUnshared(t) < 0)) continue;
        if (v < 0.0f) {
          to.negative[t] += -v;
          to.negativeSum += -v;
        } else {
          to.positive[t] += v;
          to.positiveSum += v;
          if (to.maxPositive < to.positive[t]) to.maxPositive = to.positive[t];
        }
        if (open) context.AddUnshared(t);
      }
    }
    for (int32_t k = 0; k < active.Count() && inhibition != 0.0f; ++k) {
      const auto e = static_cast<int32_t>(active.GetItem(k));
      const float amount = std::fabs(from.activation[e] * inhibition);
      for (int32_t c = 0; c < context.Count() && from.activation[e] > 0.0f; ++c) {
        const auto m = static_cast<int32_t>(context.GetItem(c));
        TRelationPosition p;
        net_.FindRelation({source, e}, {target, m}, p);
        if (!(to.positive[m] > 0.0f) || (source == target && m == e) || p.Node != -1) continue;
        to.negative[m] += amount;
        to.negativeSum += amount;
      }
    }
  }

  void Update(int8_t l) {
    net_.Update(l);
    Layer& layer = At(l);
    const TASNLayer& real = *net_.GetLayer(l);
    std::vector<float> nets;
    layer.positiveSum = layer.maxPositive = 0.0f;
    for (int32_t k = 0; k < layer.context->Count(); ++k) {
      const auto i = static_cast<int32_t>(layer.context->GetItem(k));
      nets.push_back(layer.positive[i] - layer.negative[i]);
      if (nets.back() > 0.0f) layer.positiveSum += nets.back();
      if (layer.maxPositive < nets.back()) layer.maxPositive = nets.back();
    }
    float scale = 1.0f;
    if (real.GetBudget() != -1.0f && layer.positiveSum > real.GetBudget()) {
      scale = real.GetBudget() / layer.positiveSum;
    } else if (layer.maxPositive > 1.0f) {
      scale = 1.0f / layer.maxPositive;
    }
    for (int32_t k = 0; k < layer.context->Count(); ++k) {
      const auto i = static_cast<int32_t>(layer.context->GetItem(k));
      const TASNElement& element = *real.GetElement(i);
      float a = static_cast<float>(static_cast<long double>(element.GetKStim()) * layer.activation[i] + nets[k] * scale);
      a = std::min(a, 1.0f);
      layer.activation[i] = a > element.GetThreshold() ? a : 0.0f;
      const int32_t node = layer.active->FindUnshared(i);
      if (a > element.GetThreshold()) {
        layer.active->AddUnshared(i);
      } else if (node >= 0) {
        layer.active->Delete(node);
      }
    }
    std::fill(layer.positive.begin(), layer.positive.end(), 0.0f);
    std::fill(layer.negative.begin(), layer.negative.end(), 0.0f);
    layer.positiveSum = layer.negativeSum = layer.maxPositive = 0.0f;
  }

  // Every layer bit for bit: set orders, activations, inputs and sums.
  void Check() {
    for (int8_t l = 0; l < net_.LayerCount(); ++l) {
      Layer& x = At(l);
      TASNLayer& real = *net_.GetLayer(l);
      for (auto [set, twin] : {std::pair{&real.GetActiveSet(), x.active.get()}, {&real.GetContextSet(), x.context.get()}}) {
        ASSERT_EQ(set->Count(), twin->Count()) << int{l};
        for (int32_t k = 0; k < twin->Count(); ++k) ASSERT_EQ(set->GetItem(k), twin->GetItem(k)) << int{l} << " " << k;
      }
      ASSERT_EQ(Bits(real.PositiveSum()), Bits(x.positiveSum)) << int{l};
      ASSERT_EQ(Bits(real.NegativeSum()), Bits(x.negativeSum)) << int{l};
      ASSERT_EQ(Bits(real.MaxPositiveInput()), Bits(x.maxPositive)) << int{l};
      for (int32_t i = 0; i < real.GetCount(); ++i) {
        ASSERT_EQ(Bits(real.GetElement(i)->GetActivation()), Bits(x.activation[i])) << int{l} << " " << i;
        ASSERT_EQ(Bits(real.PositiveInput(i)), Bits(x.positive[i])) << int{l} << " " << i;
        ASSERT_EQ(Bits(real.NegativeInput(i)), Bits(x.negative[i])) << int{l} << " " << i;
      }
    }
  }

 private:
  struct Layer {
    std::unique_ptr<TIAVLTree> active = std::make_unique<TIAVLTree>();
    std::unique_ptr<TIAVLTree> context = std::make_unique<TIAVLTree>();
    std::vector<float> activation, positive, negative;
    float positiveSum = 0, negativeSum = 0, maxPositive = 0;
  };

  // The layer's state, grown to the network's elements.
  Layer& At(int8_t l) {
    while (layers_.size() < static_cast<size_t>(net_.LayerCount())) layers_.emplace_back();
    Layer& layer = layers_[l];
    const auto count = static_cast<size_t>(net_.GetLayer(l)->GetCount());
    for (auto* values : {&layer.activation, &layer.positive, &layer.negative}) values->resize(count, 0.0f);
    return layer;
  }

  TIASN& net_;
  std::vector<Layer> layers_;
};

}  // namespace

// Random networks and random sequences of every operation that touches the
// activation state (activations, resets, context marks, spreads open and
// closed with and without inhibition, updates, anchors set, elements added
// and deleted, relations added): the network agrees bit for bit with its
// plain twin after each step, and reading the sums changes nothing.
TEST(ASNSpread, AgreesWithThePlainAlgorithm) {
  std::mt19937 rng(42);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    TIASN net;
    const int words = 20 + static_cast<int>(rng() % 200);
    Build(net, words, 10, round % 3 ? 5.0f : -1.0f);
    auto layer = [&] { return static_cast<int8_t>(rng() % 2); };
    auto any = [&](int8_t l) { return TASNAddress{l, static_cast<int32_t>(rng() % net.GetLayer(l)->GetCount())}; };
    auto first = [&](int8_t l) { return TASNAddress{l, static_cast<int32_t>(rng() % 10)}; };
    auto relate = [&] {
      // Most relations start at or lead to the ten first elements of a layer.
      const TASNAddress a = rng() % 2 ? first(layer()) : any(layer());
      const TASNAddress b = rng() % 3 ? first(layer()) : any(layer());
      TRelationPosition p;
      net.SetRelation(a, b, p, static_cast<float>(static_cast<int>(rng() % 2001) - 200) / 1000.0f);
    };
    for (int r = static_cast<int>(rng() % 2000); r > 0; --r) relate();
    for (int i = 0; i < words; i += 7) net.GetElement({kWords, i})->SetAnchor(i % 2 ? 0.0f : -1.0f);

    Twin twin(net);
    for (int step = 0; step < 40; ++step) {
      SCOPED_TRACE(testing::Message() << "step " << step);
      const int8_t l = layer();
      const float anchors[] = {0.0f, 1.0f, -1.0f, 0.5f};
      switch (rng() % 12) {
        case 0:
        case 1:
          for (int k = static_cast<int>(rng() % 12); k > 0; --k) {
            twin.Activate(any(l), static_cast<float>(static_cast<int>(rng() % 200) - 20) / 150.0f);
          }
          break;
        case 2: twin.Deactivate(any(l)); break;
        case 3: twin.ResetLayer(l, rng() % 2); break;
        case 4: twin.ResetInputs(l); break;
        case 5: twin.Mark(first(layer()), l); break;
        case 6:
        case 7:
        case 8: twin.Spread(l, layer(), rng() % 2, rng() % 3 ? -static_cast<float>(rng() % 100) / 37.0f : 0.0f); break;
        case 9: twin.Update(l); break;
        case 10:
          net.GetElement(any(l))->SetAnchor(anchors[rng() % 4]);
          if (rng() % 4 == 0) net.DeleteElement(any(l));
          break;
        case 11:
          net.AddElement(l, net.GetLayer(l)->GetCount(), 0.001f, 1.0f, 1.0f, 0.5f);
          relate();
          break;
      }
      ASSERT_NO_FATAL_FAILURE(twin.Check());
    }
  }
}

}  // namespace kestrune

namespace kestrune {

namespace {

// FNV-1a over the whole activation state of a network: per layer its sums,
// every element's activation and inputs, and both sets in item order.
class StateDigest {
 public:
  void Add(TIASN& net) {
    for (int32_t l = 0; l < net.LayerCount(); ++l) {
      TASNLayer& layer = *net.GetLayer(l);
      Word(static_cast<uint32_t>(layer.GetCount()));
      for (const float f : {layer.PositiveSum(), layer.NegativeSum(), layer.MaxPositiveInput()}) Word(Bits(f));
      for (int32_t i = 0; i < layer.GetCount(); ++i) {
        Word(Bits(layer.GetElement(i)->GetActivation()));
        Word(Bits(layer.PositiveInput(i)));
        Word(Bits(layer.NegativeInput(i)));
      }
      for (TSlotSet* set : {&layer.GetActiveSet(), &layer.GetContextSet()}) {
        Word(static_cast<uint32_t>(set->Count()));
        for (int32_t k = 0; k < set->Count(); ++k) Word(static_cast<uint32_t>(set->GetItem(k)));
      }
    }
  }
  uint64_t Value() const { return hash_; }

 private:
  void Word(uint32_t w) {
    for (int b = 0; b < 4; ++b) {
      hash_ ^= (w >> (8 * b)) & 0xFFu;
      hash_ *= 0x100000001B3ull;
    }
  }
  uint64_t hash_ = 0xCBF29CE484222325ull;
};

// A context network the way the context model builds one from results, made
// only from the generator's raw output so that it is the same everywhere:
// pages of 25 words drawn with a Zipf law, each word tied to its page both
// ways (0.7) and to its neighbour in the page both ways. A few word-word
// weights are negative or 0, a few words take no input (Anchor 0) or are deleted
// (Anchor -1), and a third layer of topics relates to words both ways.
struct ContextNetwork {
  static constexpr int32_t kWordCount = 3000;
  static constexpr int32_t kPageCount = 300;
  static constexpr int32_t kTopicCount = 40;
  static constexpr int8_t kTopics = 2;

  TIASN net;
  std::vector<int32_t> byRank;  // word index of each frequency rank
  std::vector<double> cumulative;
  std::mt19937 rng{2024};

  ContextNetwork() {
    net.AddLayer(0.0f, 5.0f);
    net.AddLayer(0.0f, -1.0f);
    net.AddLayer(0.0f, 2.0f);
    for (int32_t i = 0; i < kWordCount; ++i) net.AddElement(kWords, i, 0.001f, 1.0f, 1.0f, 1.0f);
    for (int32_t i = 0; i < kPageCount; ++i) net.AddElement(kPages, i, 0.001f, 1.0f, 1.0f, 1.0f);
    for (int32_t i = 0; i < kTopicCount; ++i) net.AddElement(kTopics, i, 0.001f, 1.0f, 1.0f, 0.5f);
    byRank.resize(kWordCount);
    for (int32_t i = 0; i < kWordCount; ++i) byRank[i] = i;
    for (int32_t i = kWordCount - 1; i > 0; --i) std::swap(byRank[i], byRank[rng() % static_cast<uint32_t>(i + 1)]);
    double sum = 0.0;
    for (int32_t i = 0; i < kWordCount; ++i) cumulative.push_back(sum += 1.0 / (i + 1));
    int32_t relations = 0;
    auto relate = [&](TASNAddress a, TASNAddress b, float w) {
      TRelationPosition p;
      net.FindRelation(a, b, p);
      if (p.Node >= 0 || a == b) return;
      net.SetRelation(a, b, p, w);
      net.SetRelation(b, a, p, w);
      relations += 2;
    };
    for (int32_t round = 0; relations < 30000; ++round) {
      const TASNAddress page{kPages, round % kPageCount};
      TASNAddress previous{-1, -1};
      for (int32_t k = 0; k < 25; ++k) {
        const TASNAddress word{kWords, Frequent()};
        relate(word, page, 0.7f);
        const float w = 0.05f + static_cast<float>(rng() % 850) / 1000.0f;
        const uint32_t kind = rng() % 41;  // a few negative weights, a few of weight 0
        if (previous.Layer == kWords) relate(word, previous, kind == 0 ? -w : kind == 1 ? 0.0f : w);
        previous = word;
      }
    }
    for (int32_t t = 0; t < kTopicCount; ++t) {
      for (int32_t k = 0; k < 60; ++k) {
        relate({kTopics, t}, {kWords, Frequent()}, 0.1f + static_cast<float>(k % 7) / 10.0f);
      }
    }
    for (int32_t i = 5; i < kWordCount; i += 53) net.GetElement({kWords, i})->SetAnchor(0.0f);
    for (int32_t i = 11; i < kWordCount; i += 71) net.GetElement({kWords, i})->SetAnchor(-1.0f);
    net.DeleteElement({kWords, byRank[3]});
  }

  int32_t Frequent() {
    const double u = static_cast<double>(rng() >> 5) * 0x1p-27 * cumulative.back();
    const auto rank = std::lower_bound(cumulative.begin(), cumulative.end(), u) - cumulative.begin();
    return byRank[std::min<size_t>(static_cast<size_t>(rank), kWordCount - 1)];
  }
  // Distinct words: frequent ones by the Zipf law, typical ones evenly among
  // the words with word relations.
  std::vector<int32_t> Words(int32_t count, bool frequent) {
    std::vector<int32_t> words;
    while (static_cast<int32_t>(words.size()) < count) {
      const int32_t w = frequent ? Frequent() : static_cast<int32_t>(rng() % kWordCount);
      if (!frequent && net.FindRelationList({kWords, w}, kWords) < 0) continue;
      if (std::find(words.begin(), words.end(), w) == words.end()) words.push_back(w);
    }
    return words;
  }
};

// The network and its plain twin, stepped together: the twin is compared
// after every step and every step's whole state goes into the digest.
struct Stepper {
  ContextNetwork& cn;
  Twin twin;
  StateDigest digest;

  explicit Stepper(ContextNetwork& n) : cn(n), twin(n.net) {}

  void Done() {
    ASSERT_NO_FATAL_FAILURE(twin.Check());
    digest.Add(cn.net);
  }
  void Activate(int8_t l, const std::vector<int32_t>& elements, float first, float step = -0.01f) {
    for (size_t k = 0; k < elements.size(); ++k) twin.Activate({l, elements[k]}, first + step * static_cast<float>(k));
  }
  void Mark(int8_t l, const std::vector<int32_t>& elements, int8_t target) {
    for (const int32_t e : elements) twin.Mark({l, e}, target);
  }
  void ResetAll() {
    for (int8_t l = 0; l < cn.net.LayerCount(); ++l) {
      twin.ResetLayer(l, true);
      twin.ResetInputs(l);
    }
  }
  void Spread(int8_t source, int8_t target, bool open, float inhibition) {
    twin.Spread(source, target, open, inhibition);
    Done();
  }
  void Update(int8_t l) {
    twin.Update(l);
    Done();
  }
};

}  // namespace

// Networks like the context model's, spread the ways its queries spread
// (open and closed, with and without lateral inhibition, between the three
// layers and within one, from few and many, frequent and typical, negative
// and zero activations, into empty and marked context sets, several spreads
// before one update): every step agrees bit for bit with the plain twin, and
// the whole run gives the digest recorded from the spreading as first
// written, so that a faster spreading changes no bit of any result.
// A page related to more words than a page of relation nodes holds: its
// relations are walked across the node pages, in node order, and agree with
// the plain twin, open and closed, with and without lateral inhibition.
TEST(ASNSpread, ListsLongerThanANodePage) {
  TIASN net;
  Build(net, 20000, 2);
  for (int32_t i = 0; i < 20000; ++i) {
    Relate(net, {kPages, 0}, {kWords, (i * 7919) % 20000}, static_cast<float>(i % 97 + 1) / 128.0f);
    if (i % 3 == 0) Relate(net, {kPages, 1}, {kWords, i}, 0.25f);
  }
  ASSERT_EQ(net.GetElement({kPages, 0})->GetRelationCount(0), 20000);
  Twin twin(net);
  twin.Activate({kPages, 0}, 0.75f);
  twin.Activate({kPages, 1}, 0.5f);
  for (const float inhibition : {0.0f, -0.5f}) {
    twin.Spread(kPages, kWords, true, inhibition);
    ASSERT_NO_FATAL_FAILURE(twin.Check());
    twin.Spread(kPages, kWords, false, inhibition);
    ASSERT_NO_FATAL_FAILURE(twin.Check());
    twin.Update(kWords);
    ASSERT_NO_FATAL_FAILURE(twin.Check());
  }
}

TEST(ASNSpread, ContextNetworksKeepEveryBit) {
  struct Case {
    const char* name;
    uint64_t digest;
    void (*run)(Stepper&);
  };
  const Case cases[] = {
      {"5 frequent words, open, inhibition", 0x90D228D68E080834ull, [](Stepper& s) {
         s.Activate(kWords, s.cn.Words(5, true), 1.0f);
         s.Spread(kWords, kWords, true, -0.5f);
         s.Update(kWords);
       }},
      {"5 frequent words, marked, closed, inhibition", 0xA966173B0FD37B0Cull, [](Stepper& s) {
         const auto words = s.cn.Words(5, true);
         s.Activate(kWords, words, 1.0f);
         s.Mark(kWords, words, kWords);
         s.Spread(kWords, kWords, false, -0.5f);
         s.Update(kWords);
       }},
      {"50 frequent words, open then closed, inhibition", 0xAD4D6F2A54D877E7ull, [](Stepper& s) {
         s.Activate(kWords, s.cn.Words(50, true), 1.0f);
         s.Spread(kWords, kWords, true, -2.5f);
         s.Spread(kWords, kWords, false, -0.5f);
         s.Update(kWords);
       }},
      {"50 typical words, open, no inhibition, twice", 0xE5D926F096AC1EB9ull, [](Stepper& s) {
         s.Activate(kWords, s.cn.Words(50, false), 0.9f, -0.015f);
         s.Spread(kWords, kWords, true, 0.0f);
         s.Update(kWords);
         s.Spread(kWords, kWords, true, 0.0f);
         s.Update(kWords);
       }},
      {"typical then frequent into one input", 0x8FB3A050C917C524ull, [](Stepper& s) {
         s.Activate(kWords, s.cn.Words(5, false), 1.0f);
         s.Spread(kWords, kWords, true, -0.5f);
         s.Activate(kWords, s.cn.Words(5, true), 0.7f);
         s.Spread(kWords, kWords, true, -0.5f);
         s.twin.ResetInputs(kWords);
         s.Done();
         s.Spread(kWords, kWords, false, -0.5f);
         s.Update(kWords);
       }},
      {"pages and words into words, then words into pages", 0x14C6B0F9DB52EABEull, [](Stepper& s) {
         const std::vector<int32_t> pages = {3, 17, 120, 299};
         s.Activate(kPages, pages, 1.0f, -0.1f);
         s.Mark(kPages, pages, kWords);
         s.Activate(kWords, s.cn.Words(3, true), 1.0f);
         s.Spread(kPages, kWords, false, 0.0f);
         s.Spread(kWords, kWords, false, 0.0f);
         s.Update(kWords);
         s.twin.ResetLayer(kPages, true);
         s.Spread(kWords, kPages, true, -100.0f);
         s.Update(kPages);
       }},
      {"an excluded word and words into pages", 0x237A80407F104AC0ull, [](Stepper& s) {
         const auto words = s.cn.Words(4, true);
         s.Activate(kWords, {words[0], words[1], words[2]}, 1.0f);
         s.twin.Activate({kWords, words[3]}, -0.4f);
         s.Spread(kWords, kPages, true, -1.5f);
         s.Update(kPages);
         s.Spread(kPages, kWords, true, -0.5f);
         s.Update(kWords);
       }},
      {"every word at 0.5, open, no inhibition", 0xE7BBCB99EC52B7D5ull, [](Stepper& s) {
         std::vector<int32_t> all(ContextNetwork::kWordCount);
         for (int32_t i = 0; i < ContextNetwork::kWordCount; ++i) all[i] = i;
         s.Activate(kWords, all, 0.5f, 0.0f);
         s.Spread(kWords, kWords, true, 0.0f);
         s.Update(kWords);
       }},
      {"nothing active", 0x08A625CB0DD79025ull, [](Stepper& s) {
         s.Mark(kPages, {0, 1, 2}, kWords);
         s.Spread(kWords, kWords, true, -0.5f);
         s.Spread(kWords, kWords, false, -0.5f);
         s.Spread(kPages, kWords, true, -0.5f);
         s.Update(kWords);
       }},
      {"topics into words and back", 0x65615F742A292C21ull, [](Stepper& s) {
         s.Activate(ContextNetwork::kTopics, {0, 7, 21, 39}, 0.8f, -0.05f);
         s.Spread(ContextNetwork::kTopics, kWords, true, -0.5f);
         s.Update(kWords);
         s.Spread(kWords, ContextNetwork::kTopics, true, -0.5f);
         s.Spread(kWords, kPages, true, -0.5f);
         s.Update(ContextNetwork::kTopics);
         s.Update(kPages);
       }},
      {"an active word at activation 0 and negative activations", 0xECB834FE409A1878ull, [](Stepper& s) {
         const auto words = s.cn.Words(6, true);
         TASNElement& zero = *s.cn.net.GetElement({kWords, words[0]});
         zero.SetThreshold(-1.0f);
         zero.SetKStim(0.0f);
         // A page of words[0] puts it into the context set.
         const auto pages = static_cast<int8_t>(s.cn.net.FindRelationList({kWords, words[0]}, kPages));
         const TRelationPosition page{kWords, words[0], pages, 0};
         s.Mark(kPages, {zero.GetRelationTarget(page)}, kWords);
         s.Mark(kWords, {words[1]}, kWords);
         s.twin.Activate({kWords, words[0]}, 0.3f);
         s.Update(kWords);  // no input, KStim 0: words[0] stays active with 0
         ASSERT_EQ(zero.GetActivation(), 0.0f);
         ASSERT_TRUE(s.cn.net.GetLayer(kWords)->GetActiveSet().Contains(words[0]));
         s.Activate(kWords, {words[2], words[3]}, -0.6f);
         s.Activate(kWords, {words[4], words[5]}, 0.9f);
         s.Spread(kWords, kWords, false, -0.5f);
         s.Spread(kWords, kWords, true, -0.5f);
         s.Update(kWords);
         s.twin.Deactivate({kWords, words[4]});
         s.Spread(kWords, kWords, true, -0.5f);
         s.Update(kWords);
         // Only sources at 0 or below: nobody is inhibited.
         s.twin.ResetLayer(kWords, false);
         s.Activate(kWords, {words[2], words[3]}, -0.6f);
         s.twin.Activate({kWords, words[0]}, 0.5f);
         s.Update(kWords);
         s.Spread(kWords, kWords, true, -0.5f);
         s.Update(kWords);
       }},
      {"8 then 9 frequent words, open, inhibition", 0x8A312C1B96C09DB0ull, [](Stepper& s) {
         const auto words = s.cn.Words(9, true);
         s.Activate(kWords, {words.begin(), words.begin() + 8}, 1.0f);
         s.Spread(kWords, kWords, true, -0.5f);
         s.Update(kWords);
         s.twin.ResetLayer(kWords, true);
         s.Activate(kWords, words, 1.0f);
         s.Spread(kWords, kWords, true, -0.5f);
         s.Update(kWords);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ContextNetwork network;
    Stepper stepper(network);
    ASSERT_NO_FATAL_FAILURE(c.run(stepper));
    EXPECT_EQ(stepper.digest.Value(), c.digest) << std::hex << "0x" << stepper.digest.Value();
  }
}

}  // namespace kestrune
