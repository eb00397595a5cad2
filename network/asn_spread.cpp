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

  // Relations of the active source elements.
  const int32_t activeCount = from.activeSet_.Count();
  for (int32_t k = 0; k < activeCount; ++k) {
    const auto e = static_cast<int32_t>(from.activeSet_.GetItem(k));
    if (!from.IsValidIndex(e)) continue;
    const TASNElement& element = from.elements_[e];
    const TLayerRelations* list = nullptr;
    for (const TLayerRelations& candidate : element.relations_) {
      if (candidate.TargetLayer == target) {
        list = &candidate;
        break;
      }
    }
    if (!list) continue;
    const float activation = element.activation_;
    const int32_t nodes = list->Count();
    for (int32_t node = 0; node < nodes; ++node) {
      const int32_t t = list->Target(node);
      if (t < 0 || t >= targetCount) continue;
      float v = list->Weights[node] * activation;
      v = v * to.elements_[t].anchor_;
      if (v == 0.0f) continue;
      if (!open && context.Find(t) < 0) continue;
      if (v < 0.0f) {
        negative[t] += -v;
        to.negativeSum_ += -v;
      } else {
        positive[t] += v;
        to.positiveSum_ += v;
        if (to.maxPositive_ < positive[t]) to.maxPositive_ = positive[t];
      }
      if (open) context.Add(t);
    }
  }

  if (inhibition == 0.0f) return;

  // Lateral inhibition: every active source element pushes down each context
  // element with positive input that it has no relation to. The context
  // elements with positive input are taken once (the inhibition changes only
  // negative input), and the relation test is a stamp left by a walk of the
  // source element's list toward the target layer.
  scratchContext_.clear();
  const int32_t contextCount = context.Count();
  for (int32_t k = 0; k < contextCount; ++k) {
    const auto m = static_cast<int32_t>(context.GetItem(k));
    if (m >= 0 && m < targetCount && positive[m] > 0.0f) scratchContext_.push_back(m);
  }
  if (scratchContext_.empty()) return;
  if (relatedStamp_.size() < static_cast<size_t>(targetCount)) relatedStamp_.resize(targetCount, 0);
  for (int32_t k = 0; k < activeCount; ++k) {
    const auto e = static_cast<int32_t>(from.activeSet_.GetItem(k));
    if (!from.IsValidIndex(e)) continue;
    const TASNElement& element = from.elements_[e];
    const float activation = element.activation_;
    if (!(activation > 0.0f)) continue;
    if (++stamp_ == 0) {
      std::fill(relatedStamp_.begin(), relatedStamp_.end(), 0u);
      stamp_ = 1;
    }
    if (organizationData_ == TOrganizationData::cAVL) {
      for (const TLayerRelations& list : element.relations_) {
        if (list.TargetLayer != target) continue;
        const int32_t nodes = list.Count();
        for (int32_t node = 0; node < nodes; ++node) {
          const int32_t t = list.Target(node);
          if (t >= 0 && t < targetCount) relatedStamp_[t] = stamp_;
        }
        break;
      }
    }
    const float amount = std::fabs(activation * inhibition);
    const int32_t self = source == target ? e : -1;
    for (const int32_t m : scratchContext_) {
      if (m == self || relatedStamp_[m] == stamp_) continue;
      negative[m] += amount;
      to.negativeSum_ += amount;
    }
  }
}

void TIASN::Update(int32_t layerNumber) {
  if (!IsValidLayer(layerNumber)) return;
  TASNLayer& layer = *layers_[layerNumber];
  TIAVLTree& context = layer.contextSet_;
  const int32_t contextCount = context.Count();
  // Elements without collected input have net input 0.
  if (layer.positiveInput_.size() < static_cast<size_t>(layer.count_)) layer.positiveInput_.resize(layer.count_, 0.0f);
  if (layer.negativeInput_.size() < static_cast<size_t>(layer.count_)) layer.negativeInput_.resize(layer.count_, 0.0f);
  float* net = layer.positiveInput_.data();
  const float* negative = layer.negativeInput_.data();

  // Net input per context element, kept in the positive input array.
  layer.positiveSum_ = 0.0f;
  layer.maxPositive_ = 0.0f;
  for (int32_t k = 0; k < contextCount; ++k) {
    const auto i = static_cast<int32_t>(context.GetItem(k));
    if (!layer.IsValidIndex(i)) continue;
    net[i] = net[i] - negative[i];
    if (net[i] > 0.0f) {
      layer.positiveSum_ += net[i];
      if (layer.maxPositive_ < net[i]) layer.maxPositive_ = net[i];
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
  for (int32_t k = 0; k < contextCount; ++k) {
    const auto i = static_cast<int32_t>(context.GetItem(k));
    if (layer.IsValidIndex(i)) net[i] = net[i] * scale;
  }

  // New activations: KStim x activation + net in extended precision, rounded
  // to single once, capped at 1, kept only above the threshold.
  for (int32_t k = 0; k < contextCount; ++k) {
    const auto i = static_cast<int32_t>(context.GetItem(k));
    if (!layer.IsValidIndex(i)) continue;
    TASNElement& element = layer.elements_[i];
    const long double sum =
        static_cast<long double>(element.kStim_) * static_cast<long double>(element.activation_) + net[i];
    float a = static_cast<float>(sum);
    if (a > 1.0f) a = 1.0f;
    if (a > element.threshold_) {
      layer.activeSet_.Add(i);
      element.activation_ = a;
    } else {
      const int32_t node = layer.activeSet_.Find(i);
      if (node >= 0) layer.activeSet_.Delete(node);
      element.activation_ = 0.0f;
    }
  }
  layer.ResetInputs();
}

}  // namespace kestrune
