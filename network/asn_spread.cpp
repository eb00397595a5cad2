// Activation spreading and update. Every sum is built in the order the
// caller's sets and the relation lists give (set item order, node order), in
// single precision, so that the same network always ranks the same words.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "network/asn.h"

namespace kestrune {

float SaturatingWeight(float limit, float value) {
  if (limit == 0.0f) return 0.0f;
  const long double l = limit;
  const long double v = value;
  const long double r = 2.0L * l / (1.0L + std::exp(-2.0L * v / (0.9L * l))) - l;
  return static_cast<float>(r);
}

// The relation list of an element toward a layer, or null.
static const TLayerRelations* ListToward(const TASNElement& element, int32_t target) {
  for (int32_t i = 0; i < element.GetRelationListCount(); ++i) {
    const TLayerRelations* list = element.GetRelationList(i);
    if (list->TargetLayer == target) return list;
  }
  return nullptr;
}

namespace {

// inputs[j] += amount where masks[j] is set and stamps[j] is not `stamp`,
// else += +0, which leaves an input of +0 or more as it was; four lanes at a
// time.
void AddUnlessStamped(float* inputs, const uint32_t* stamps, const uint32_t* masks, int32_t count, uint32_t stamp,
                      float amount) {
  using Floats = float __attribute__((vector_size(16)));
  using Words = uint32_t __attribute__((vector_size(16)));
  const auto bits = std::bit_cast<uint32_t>(amount);
  int32_t j = 0;
  for (; j + 4 <= count; j += 4) {
    Words marks;
    Words mask;
    Floats values;
    std::memcpy(&marks, stamps + j, sizeof(marks));
    std::memcpy(&mask, masks + j, sizeof(mask));
    std::memcpy(&values, inputs + j, sizeof(values));
    const Words adds = reinterpret_cast<Words>(marks != stamp) & mask & bits;
    values += std::bit_cast<Floats>(adds);
    std::memcpy(inputs + j, &values, sizeof(values));
  }
  for (; j < count; ++j) {
    const uint32_t add = stamps[j] != stamp ? masks[j] & bits : 0u;
    inputs[j] += std::bit_cast<float>(add);
  }
}

// How the relation pass keeps, for the lateral inhibition, which source
// elements each target is related to.
enum class TRelated {
  cNone,
  // Per relation its target's context item: the item index, -1 when it is
  // none, or -2 - target when an open spread may still add it.
  cItems,
  // Per target element the set of sources (with positive activation, at
  // most kMarkedSources of them) related to it, and per source how many of
  // its relations lead to context items; relations of an open spread to a
  // target that may still join the context set are listed as (source's
  // mark, target) instead.
  cMarks,
};

using TMarks = uint8_t;  // one bit per source
constexpr int32_t kMarkedSources = 8;

// What the relation pass of a spread reads and writes. The pass copies it
// into locals, runs without calls (so that its sums and counts stay in
// registers while it writes the input arrays, which could alias them
// otherwise) and writes it back.
struct TRelationPass {
  const float* anchors;
  const uint64_t* anchorsOtherThanOne;
  float* positive;
  float* negative;
  int32_t targetCount;
  float* negatives;  // the negative amounts in the order collected
  int32_t negativeCount;
  int32_t* notes;    // cItems: per relation; cMarks: (mark, target) pairs
  TMarks* marks;     // cMarks: per target element
  int32_t* related;  // cMarks: per marked source
};

// Every relation of the sources in order, adding to the input arrays and
// the layer's sums. Open: each target with a contribution joins the context
// set.
template <bool kOpen, TRelated kRelated>
void CollectRelations(const TSpreadSource* sources, int32_t sourceCount, TRelationPass& pass, float& positiveSumOut,
                      float& maxPositiveOut, TSlotSet::TAdder& contextAdder) {
  TSlotSet::TAdder context = contextAdder;
  const float* anchors = pass.anchors;
  const uint64_t* otherThanOne = pass.anchorsOtherThanOne;
  float* positive = pass.positive;
  float* negative = pass.negative;
  const auto targetCount = static_cast<uint32_t>(pass.targetCount);
  float* negatives = pass.negatives;
  int32_t negativeCount = pass.negativeCount;
  int32_t* notes = pass.notes;
  TMarks* marks = pass.marks;
  float positiveSum = positiveSumOut;
  float maxPositive = maxPositiveOut;
  int32_t marked = 0;
  for (int32_t k = 0; k < sourceCount; ++k) {
    const TSpreadSource& source = sources[k];
    const float activation = source.Activation;
    TMarks mark = 0;
    if (kRelated == TRelated::cMarks && activation > 0.0f) mark = static_cast<TMarks>(1u << marked++);
    int32_t related = 0;
    for (int32_t first = 0; first < source.Count;) {
      int32_t length = 0;
      const TAVLNode* nodes = source.Targets->GetNodeRun(first, length);
      const float* weights = source.Weights + first;
      first += length;
      for (int32_t n = 0; n < length; ++n) {
        // A target outside the layer (no relation holds one) is no context item.
        const uint32_t target = nodes[n].Value;
        int32_t item = -1;
        if (target < targetCount) {
          const auto t = static_cast<int32_t>(target);
          item = kOpen ? -2 - t : context.Find(t);
          if (item != -1) {
            float v = weights[n] * activation;
            if (otherThanOne[target / 64] >> (target % 64) & 1) v = v * anchors[t];
            if (v != 0.0f) {
              if (v < 0.0f) {
                negative[t] += -v;
                negatives[negativeCount++] = -v;
              } else {
                positive[t] += v;
                positiveSum += v;
                if (maxPositive < positive[t]) maxPositive = positive[t];
              }
              if constexpr (kOpen) item = context.Add(t);
              ++related;
            } else if (kOpen && kRelated == TRelated::cMarks && mark != 0) {
              *notes++ = marked - 1;
              *notes++ = t;
            } else {
              related += !kOpen;
            }
            if constexpr (kRelated == TRelated::cMarks) marks[t] |= mark;
          }
        }
        if constexpr (kRelated == TRelated::cItems) *notes++ = item;
      }
    }
    if (kRelated == TRelated::cMarks && mark != 0) pass.related[marked - 1] = related;
  }
  contextAdder = context;
  pass.negativeCount = negativeCount;
  pass.notes = notes;
  positiveSumOut = positiveSum;
  maxPositiveOut = maxPositive;
}

}  // namespace

uint32_t TIASN::NextStamp(std::vector<uint32_t>& stamps, uint32_t& stamp, int32_t size) {
  if (stamps.size() < static_cast<size_t>(size)) stamps.resize(size, 0);
  if (++stamp == 0) {
    std::fill(stamps.begin(), stamps.end(), 0u);
    stamp = 1;
  }
  return stamp;
}

void TIASN::Spread(int32_t source, int32_t target, bool open, float inhibition) {
  if (!IsValidLayer(source) || !IsValidLayer(target)) return;
  TASNLayer& from = *layers_[source];
  TASNLayer& to = *layers_[target];
  const int32_t targetCount = to.count_;
  if (to.positiveInput_.size() < static_cast<size_t>(targetCount)) to.positiveInput_.resize(targetCount, 0.0f);
  if (to.negativeInput_.size() < static_cast<size_t>(targetCount)) to.negativeInput_.resize(targetCount, 0.0f);
  float* positive = to.positiveInput_.data();
  float* negative = to.negativeInput_.data();
  const float* anchors = to.anchors_.data();
  TSlotSet& context = to.contextSet_;
  // The active set does not change while this layer spreads (a spread within
  // one layer changes only its context set).
  const TSlotSet& active = from.activeSet_;
  const int32_t activeCount = active.Count();
  const int32_t* activeItems = active.Items();

  // The active elements' lists toward the target, found once.
  spreadSources_.resize(static_cast<size_t>(activeCount));
  TSpreadSource* sources = spreadSources_.data();
  int64_t visits = 0;
  for (int32_t k = 0; k < activeCount; ++k) {
    const TASNElement& element = from.elements_[activeItems[k]];
    sources[k] = TSpreadSource{element.activation_, 0, nullptr, nullptr};
    if (const TLayerRelations* list = ListToward(element, target)) {
      sources[k] = TSpreadSource{element.activation_, list->Count(), list->Weights.data(), list->Targets.get()};
      visits += list->Count();
    }
  }

  // The entries a spread may make non-zero (its relations' targets) are
  // listed until they are so many that a reset clears the whole arrays
  // anyway.
  const size_t touchLimit = to.positiveInput_.size() / 8;
  if (!to.touchedAll_ && to.touched_.size() + static_cast<uint64_t>(visits) > touchLimit) to.touchedAll_ = true;
  if (!to.touchedAll_) {
    for (int32_t k = 0; k < activeCount; ++k) {
      for (int32_t node = 0; node < sources[k].Count; ++node) {
        const uint32_t t = sources[k].Targets->GetNode(node).Value;
        if (t < static_cast<uint32_t>(targetCount)) to.touched_.push_back(static_cast<int32_t>(t));
      }
    }
  }
  // Which sources the inhibition's targets are related to: marks per target
  // element when the sources that inhibit (those with positive activation)
  // are few and every target can join the context set, else each
  // relation's item. Without such sources nothing is inhibited.
  int32_t inhibiting = 0;
  for (int32_t k = 0; inhibition != 0.0f && k < activeCount && inhibiting <= kMarkedSources; ++k) {
    inhibiting += sources[k].Activation > 0.0f;
  }
  TRelated related = TRelated::cNone;
  if (inhibiting > kMarkedSources || (inhibiting > 0 && context.Limit() < targetCount)) {
    related = TRelated::cItems;
  } else if (inhibiting > 0) {
    related = TRelated::cMarks;
  }
  const int32_t room = open ? static_cast<int32_t>(std::min<int64_t>(visits, targetCount)) : 0;
  const int32_t notesPerRelation = related == TRelated::cItems ? 1 : related == TRelated::cMarks && open ? 2 : 0;
  const size_t notes = static_cast<size_t>(visits) * static_cast<size_t>(notesPerRelation);
  if (relationItems_.size() < notes) relationItems_.resize(notes);
  int32_t relatedItems[kMarkedSources] = {};
  // The marks are all 0 between spreads.
  if (related == TRelated::cMarks && spreadMarks_.size() < static_cast<size_t>(targetCount)) {
    spreadMarks_.resize(static_cast<size_t>(targetCount), 0);
  }
  if (spreadNegatives_.size() < static_cast<size_t>(visits)) spreadNegatives_.resize(static_cast<size_t>(visits));
  TRelationPass pass{anchors,
                     to.anchorsOtherThanOne_.data(),
                     positive,
                     negative,
                     targetCount,
                     spreadNegatives_.data(),
                     0,
                     relationItems_.data(),
                     spreadMarks_.data(),
                     relatedItems};
  // One pass per kind, so that the inner loop tests no kind.
  TSlotSet::TAdder adder = context.Adder(room);
  float& sum = to.positiveSum_;
  float& max = to.maxPositive_;
  switch (related) {
    case TRelated::cNone:
      open ? CollectRelations<true, TRelated::cNone>(sources, activeCount, pass, sum, max, adder)
           : CollectRelations<false, TRelated::cNone>(sources, activeCount, pass, sum, max, adder);
      break;
    case TRelated::cItems:
      open ? CollectRelations<true, TRelated::cItems>(sources, activeCount, pass, sum, max, adder)
           : CollectRelations<false, TRelated::cItems>(sources, activeCount, pass, sum, max, adder);
      break;
    case TRelated::cMarks:
      open ? CollectRelations<true, TRelated::cMarks>(sources, activeCount, pass, sum, max, adder)
           : CollectRelations<false, TRelated::cMarks>(sources, activeCount, pass, sum, max, adder);
      break;
  }
  context.Commit(adder);
  for (int32_t n = 0; n < pass.negativeCount; ++n) to.AddNegative(spreadNegatives_[n], 1);
  if (related == TRelated::cMarks) {
    InhibitMarked(source == target, activeCount, activeItems, to, inhibition, relatedItems,
                  static_cast<int32_t>(pass.notes - relationItems_.data()) / 2);
  } else if (related == TRelated::cItems) {
    InhibitByItems(source == target, activeCount, activeItems, to, inhibition);
  }
}

// Lateral inhibition: every active source element (with positive
// activation) pushes down each context element with positive input that it
// has no relation to. Each element's additions keep the order of the source
// elements; the negative sum gets each source's amount once per element it
// pushed down.

// With the sources' marks per target element and their counts of related
// context items. An element without negative input before the inhibition
// ends with the same additions as every other such element with the same
// marks, which are made once per set of marks. The marks are cleared again.
void TIASN::InhibitMarked(bool sameLayer, int32_t activeCount, const int32_t* activeItems, TASNLayer& to,
                          float inhibition, int32_t* related, int32_t deferred) {
  const TSlotSet& context = to.contextSet_;
  TMarks* marks = spreadMarks_.data();
  // Relations to targets that may have joined the context set after them.
  const int32_t* notes = relationItems_.data();
  for (int32_t n = 0; n < deferred; ++n) {
    const int32_t t = notes[2 * n + 1];
    if (context.Contains(t)) {
      ++related[notes[2 * n]];
    } else {
      marks[t] = 0;
    }
  }
  float amounts[kMarkedSources];
  int32_t marked = 0;
  for (int32_t k = 0; k < activeCount; ++k) {
    const float activation = spreadSources_[k].Activation;
    if (!(activation > 0.0f)) continue;
    amounts[marked] = std::fabs(activation * inhibition);
    // An element does not inhibit itself.
    const auto mark = static_cast<TMarks>(1u << marked);
    if (sameLayer && context.Contains(activeItems[k]) && !(marks[activeItems[k]] & mark)) {
      marks[activeItems[k]] |= mark;
      ++related[marked];
    }
    ++marked;
  }
  // The additions for marks `m` to an input `x`: the amount of every source
  // without a mark, +0 for the others.
  auto add = [&](float x, uint32_t m) {
    for (int32_t b = 0; b < marked; ++b) x += (m >> b & 1) ? 0.0f : amounts[b];
    return x;
  };
  // Their results from +0 for every set of marks, source by source (the
  // amounts are +0 or more, to which adding +0 changes nothing).
  float fromZero[1u << kMarkedSources];
  fromZero[0] = 0.0f;
  for (int32_t b = 0; b < marked; ++b) {
    const uint32_t half = 1u << b;
    for (uint32_t m = 0; m < half; ++m) {
      fromZero[m | half] = fromZero[m];
      fromZero[m] += amounts[b];
    }
  }
  // Each source spares the context items it is related to that have positive
  // input: those it is related to less those without positive input.
  int32_t ineligible = 0;
  float* positive = to.positiveInput_.data();
  float* negative = to.negativeInput_.data();
  const int32_t members = context.Count();
  const int32_t* memberItems = context.Items();
  for (int32_t j = 0; j < members; ++j) {
    const int32_t m = memberItems[j];
    const uint32_t sources = marks[m];
    marks[m] = 0;
    if (!(positive[m] > 0.0f)) {
      ++ineligible;
      for (uint32_t w = sources; w != 0; w &= w - 1) --related[std::countr_zero(w)];
      continue;
    }
    const float x = negative[m];
    negative[m] = std::bit_cast<uint32_t>(x) == 0 ? fromZero[sources] : add(x, sources);
  }
  for (int32_t b = 0; b < marked; ++b) to.AddNegative(amounts[b], members - ineligible - related[b]);
}

// With each relation's item noted. The context set's negative inputs are
// taken once into a list in item order, with a mask of the elements that
// have positive input (the inhibition changes only negative input). Per
// source element, its relations' items are stamped, and one pass over the
// list adds the amount to the others.
void TIASN::InhibitByItems(bool sameLayer, int32_t activeCount, const int32_t* activeItems, TASNLayer& to,
                           float inhibition) {
  TSlotSet& context = to.contextSet_;
  float* positive = to.positiveInput_.data();
  float* negative = to.negativeInput_.data();
  const TSpreadSource* sources = spreadSources_.data();
  const int32_t members = context.Count();
  const int32_t* memberItems = context.Items();
  scratchNets_.resize(static_cast<size_t>(members));
  scratchMask_.resize(static_cast<size_t>(members));
  float* inputs = scratchNets_.data();
  uint32_t* eligible = scratchMask_.data();
  int32_t eligibleCount = 0;
  for (int32_t k = 0; k < members; ++k) {
    const int32_t m = memberItems[k];
    inputs[k] = negative[m];
    eligible[k] = positive[m] > 0.0f ? ~0u : 0u;
    eligibleCount += positive[m] > 0.0f;
  }
  if (eligibleCount == 0) return;
  int32_t relations = 0;  // where active element k's relations begin
  for (int32_t k = 0; k < activeCount; ++k) {
    const int32_t e = activeItems[k];
    const int32_t begin = relations;
    relations += sources[k].Count;
    const float activation = sources[k].Activation;
    if (!(activation > 0.0f)) continue;
    const uint32_t related = NextStamp(relatedStamp_, relatedMark_, members);
    uint32_t* stamps = relatedStamp_.data();
    int32_t spared = 0;
    auto spare = [&](int32_t item) {
      if (item < 0 || stamps[item] == related) return;
      stamps[item] = related;
      spared += eligible[item] != 0;
    };
    if (sameLayer) spare(context.Find(e));  // an element does not inhibit itself
    for (int32_t r = begin; r < relations; ++r) {
      const int32_t item = relationItems_[r];
      spare(item >= -1 ? item : context.Find(-2 - item));
    }
    const float amount = std::fabs(activation * inhibition);
    AddUnlessStamped(inputs, stamps, eligible, members, related, amount);
    to.AddNegative(amount, eligibleCount - spared);
  }
  for (int32_t k = 0; k < members; ++k) negative[memberItems[k]] = inputs[k];
}

void TIASN::Update(int32_t layerNumber) {
  if (!IsValidLayer(layerNumber)) return;
  TASNLayer& layer = *layers_[layerNumber];
  const TSlotSet& context = layer.contextSet_;
  const int32_t contextCount = context.Count();
  // Update changes only the active set, so the context items stay put.
  const int32_t* items = context.Items();
  // Elements without collected input have net input 0.
  const auto inputs = static_cast<int32_t>(std::min(layer.positiveInput_.size(), layer.negativeInput_.size()));
  scratchNets_.assign(static_cast<size_t>(contextCount), 0.0f);
  float* net = scratchNets_.data();

  // Net input per context element.
  layer.positiveSum_ = 0.0f;
  layer.maxPositive_ = 0.0f;
  for (int32_t k = 0; k < contextCount; ++k) {
    const int32_t i = items[k];
    if (i >= inputs) continue;
    net[k] = layer.positiveInput_[i] - layer.negativeInput_[i];
    if (net[k] > 0.0f) {
      layer.positiveSum_ += net[k];
      if (layer.maxPositive_ < net[k]) layer.maxPositive_ = net[k];
    }
  }

  float scale;
  if (layer.budget_ != -1.0f && layer.positiveSum_ > layer.budget_) {
    scale = layer.budget_ / layer.positiveSum_;
  } else if (layer.maxPositive_ > 1.0f) {
    scale = 1.0f / layer.maxPositive_;
  } else {
    scale = 1.0f;
  }
  for (int32_t k = 0; k < contextCount; ++k) net[k] = net[k] * scale;

  // New activations: KStim x activation + net in extended precision, rounded
  // to single once, capped at 1, kept only above the threshold.
  for (int32_t k = 0; k < contextCount; ++k) {
    const int32_t i = items[k];
    TASNElement& element = layer.elements_[i];
    const long double sum =
        static_cast<long double>(element.kStim_) * static_cast<long double>(element.activation_) + net[k];
    float a = static_cast<float>(sum);
    if (a > 1.0f) a = 1.0f;
    if (a > element.threshold_) {
      layer.activeSet_.Add(i);
      element.activation_ = a;
    } else {
      layer.activeSet_.Delete(layer.activeSet_.Find(i));
      element.activation_ = 0.0f;
    }
  }
  layer.ResetInputs();
}

}  // namespace kestrune
