// Activation spreading and update. Every sum is built in the order the
// caller's sets and the relation lists give (set item order, node order), in
// single precision, so that the same network always ranks the same words.
#include <algorithm>
#include <cmath>

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
  TIAVLTree& context = to.contextSet_;
  TIAVLTree& active = from.activeSet_;
  const int32_t activeCount = active.Count();

  // Membership of the context set: a set search per relation, or, when the
  // relations to visit outnumber the context set's items enough, a stamp per
  // member taken once (and kept up to date as an open spread adds members).
  int64_t visits = 0;
  for (int32_t k = 0; k < activeCount; ++k) {
    const auto e = static_cast<int32_t>(active.GetNode(k).Value);
    if (!from.IsValidIndex(e)) continue;
    if (const TLayerRelations* list = ListToward(from.elements_[e], target)) visits += list->Count();
  }
  const int32_t contextCount = context.Count();
  const bool stamped = visits > 0 && contextCount <= 16 * visits;
  uint32_t member = 0;
  if (stamped) {
    member = NextStamp(contextStamp_, contextMark_, targetCount);
    for (int32_t k = 0; k < contextCount; ++k) {
      const auto m = static_cast<int32_t>(context.GetNode(k).Value);
      if (m >= 0 && m < targetCount) contextStamp_[m] = member;
    }
  }

  // Relations of the active source elements. The sums live in locals while
  // the input arrays are written (the arrays could alias them otherwise).
  float positiveSum = to.positiveSum_;
  float negativeSum = to.negativeSum_;
  float maxPositive = to.maxPositive_;
  for (int32_t k = 0; k < activeCount && visits > 0; ++k) {
    const auto e = static_cast<int32_t>(active.GetNode(k).Value);
    if (!from.IsValidIndex(e)) continue;
    const TASNElement& element = from.elements_[e];
    const TLayerRelations* list = ListToward(element, target);
    if (!list) continue;
    const float activation = element.activation_;
    const int32_t nodes = list->Count();
    const float* weights = list->Weights.data();
    const TIAVLTree& targets = *list->Targets;
    for (int32_t node = 0; node < nodes; ++node) {
      const auto t = static_cast<int32_t>(targets.GetNode(node).Value);
      if (t < 0 || t >= targetCount) continue;
      // Both tests skip; the cheaper one goes first.
      const bool inContext = stamped ? contextStamp_[t] == member : (open || context.FindUnshared(t) >= 0);
      if (!open && !inContext) continue;
      float v = weights[node] * activation;
      v = v * to.elements_[t].anchor_;
      if (v == 0.0f) continue;
      if (positive[t] == 0.0f && negative[t] == 0.0f) to.touched_.push_back(t);
      if (v < 0.0f) {
        negative[t] += -v;
        negativeSum += -v;
      } else {
        positive[t] += v;
        positiveSum += v;
        if (maxPositive < positive[t]) maxPositive = positive[t];
      }
      if (open && !(stamped && inContext)) {
        context.AddUnshared(t);
        if (stamped) contextStamp_[t] = member;
      }
    }
  }

  to.positiveSum_ = positiveSum;
  to.maxPositive_ = maxPositive;
  to.negativeSum_ = negativeSum;
  if (inhibition == 0.0f) return;

  // Lateral inhibition: every active source element pushes down each context
  // element with positive input that it has no relation to. The context
  // elements with positive input are taken once (the inhibition changes only
  // negative input), and the relation test is a stamp left by a walk of the
  // source element's list toward the target layer.
  scratchContext_.clear();
  const int32_t members = context.Count();
  for (int32_t k = 0; k < members; ++k) {
    const auto m = static_cast<int32_t>(context.GetNode(k).Value);
    if (m >= 0 && m < targetCount && positive[m] > 0.0f) scratchContext_.push_back(m);
  }
  if (scratchContext_.empty()) return;
  for (int32_t k = 0; k < activeCount; ++k) {
    const auto e = static_cast<int32_t>(active.GetNode(k).Value);
    if (!from.IsValidIndex(e)) continue;
    const TASNElement& element = from.elements_[e];
    const float activation = element.activation_;
    if (!(activation > 0.0f)) continue;
    const uint32_t related = NextStamp(relatedStamp_, relatedMark_, targetCount);
    if (const TLayerRelations* list = ListToward(element, target)) {
      const int32_t nodes = list->Count();
      for (int32_t node = 0; node < nodes; ++node) {
        const int32_t t = list->Target(node);
        if (t >= 0 && t < targetCount) relatedStamp_[t] = related;
      }
    }
    const float amount = std::fabs(activation * inhibition);
    const int32_t self = source == target ? e : -1;
    // Inputs and sums are never below +0, so adding +0 for a related element
    // leaves them as they were; the loop then runs without branches.
    const float adds[2] = {0.0f, amount};
    const uint32_t* stamps = relatedStamp_.data();
    for (const int32_t m : scratchContext_) {
      const uint32_t push = static_cast<uint32_t>(m != self) & static_cast<uint32_t>(stamps[m] != related);
      negative[m] += adds[push];
      negativeSum += adds[push];
    }
  }
  to.negativeSum_ = negativeSum;
}

void TIASN::Update(int32_t layerNumber) {
  if (!IsValidLayer(layerNumber)) return;
  TASNLayer& layer = *layers_[layerNumber];
  TIAVLTree& context = layer.contextSet_;
  const int32_t contextCount = context.Count();
  // Elements without collected input have net input 0.
  const auto inputs = static_cast<int32_t>(std::min(layer.positiveInput_.size(), layer.negativeInput_.size()));
  scratchNets_.assign(static_cast<size_t>(contextCount), 0.0f);
  float* net = scratchNets_.data();

  // Net input per context element.
  layer.positiveSum_ = 0.0f;
  layer.maxPositive_ = 0.0f;
  for (int32_t k = 0; k < contextCount; ++k) {
    const auto i = static_cast<int32_t>(context.GetNode(k).Value);
    if (i < 0 || i >= inputs) continue;
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
    const auto i = static_cast<int32_t>(context.GetNode(k).Value);
    if (!layer.IsValidIndex(i)) continue;
    TASNElement& element = layer.elements_[i];
    const long double sum =
        static_cast<long double>(element.kStim_) * static_cast<long double>(element.activation_) + net[k];
    float a = static_cast<float>(sum);
    if (a > 1.0f) a = 1.0f;
    if (a > element.threshold_) {
      layer.activeSet_.AddUnshared(i);
      element.activation_ = a;
    } else {
      const int32_t node = layer.activeSet_.FindUnshared(i);
      if (node >= 0) layer.activeSet_.Delete(node);
      element.activation_ = 0.0f;
    }
  }
  layer.ResetInputs();
}

}  // namespace kestrune
