#include "network/asn.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace kestrune {

namespace {

// The index of the element's list toward `layer`, or -1.
int32_t FindListToward(const TASNElement& element, int32_t layer) {
  const int32_t lists = element.GetRelationListCount();
  for (int32_t i = 0; i < lists; ++i) {
    if (element.GetRelationList(i)->TargetLayer == layer) return i;
  }
  return -1;
}

}  // namespace

// ---------------------------------------------------------------------------
// TASNElement

bool TASNElement::InRange(const TRelationPosition& position) const {
  if (position.List < 0 || position.List >= GetRelationListCount()) return false;
  const TLayerRelations& list = relations_[position.List];
  return position.Node >= 0 && position.Node < list.Count();
}

int32_t TASNElement::GetRelationCount(int32_t list) const {
  if (list < 0 || list >= GetRelationListCount()) return 0;
  return relations_[list].Count();
}

int32_t TASNElement::GetRelationTarget(const TRelationPosition& position) const {
  if (!InRange(position)) return -2;
  return relations_[position.List].Target(position.Node);
}

float TASNElement::GetRelationWeight(const TRelationPosition& position) const {
  if (!InRange(position)) return 0.0f;
  return relations_[position.List].Weights[position.Node];
}

void TASNElement::SetAnchor(float value) {
  anchor_ = value;
  if (layer_) layer_->SetAnchorOf(index_, value);
}

void TASNElement::SetRelationWeight(const TRelationPosition& position, float weight) {
  if (!InRange(position)) return;
  relations_[position.List].Weights[position.Node] = weight;
}

const TLayerRelations* TASNElement::GetRelationList(int32_t list) const {
  if (list < 0 || list >= GetRelationListCount()) return nullptr;
  return &relations_[list];
}

// ---------------------------------------------------------------------------
// TASNLayer

TASNLayer::TASNLayer(float param, float budget) : param_(param), budget_(budget) {}

void TASNLayer::Clear() {
  elements_.Clear();
  count_ = 0;
  std::vector<float>().swap(anchors_);
  std::vector<uint64_t>().swap(anchorsOtherThanOne_);
  activeSet_.Release();
  contextSet_.Release();
  ResetInputs(true);
}

TASNElement* TASNLayer::GetElement(int32_t index) {
  return IsValidIndex(index) ? &elements_[index] : nullptr;
}

const TASNElement* TASNLayer::GetElement(int32_t index) const {
  return IsValidIndex(index) ? &elements_[index] : nullptr;
}

int32_t TASNLayer::AddElement(int32_t id, float threshold, float anchor, float kInh, float kStim) {
  if (count_ == INT32_MAX || !elements_.Reserve(int64_t{count_} + 1)) return -1;
  TASNElement& element = elements_[count_];
  element.threshold_ = threshold;
  element.kInh_ = kInh;
  element.kStim_ = kStim;
  element.activation_ = 0.0f;
  element.anchor_ = anchor;
  element.id_ = id;
  element.relations_.clear();
  element.layer_ = this;
  element.index_ = count_;
  anchors_.push_back(0.0f);
  if (anchorsOtherThanOne_.size() * 64 < anchors_.size()) anchorsOtherThanOne_.push_back(0);
  SetAnchorOf(count_, anchor);
  activeSet_.Grow(count_ + 1);
  contextSet_.Grow(count_ + 1);
  return count_++;
}

void TASNLayer::SetAnchorOf(int32_t index, float value) {
  anchors_[static_cast<size_t>(index)] = value;
  uint64_t& word = anchorsOtherThanOne_[static_cast<size_t>(index) / 64];
  const uint64_t bit = uint64_t{1} << (index % 64);
  // Bit for bit: x * 1.0 is x for every product Spread makes.
  word = std::bit_cast<uint32_t>(value) == std::bit_cast<uint32_t>(1.0f) ? word & ~bit : word | bit;
}

void TASNLayer::Deactivate(int32_t index) {
  if (!IsValidIndex(index)) return;
  elements_[index].activation_ = 0.0f;
  activeSet_.Delete(activeSet_.Find(index));
}

void TASNLayer::SetActivation(int32_t index, float value) {
  if (!IsValidIndex(index)) return;
  elements_[index].activation_ = value;
  activeSet_.Add(index);
}

void TASNLayer::ActivateAll(float value) {
  for (int32_t i = 0; i < count_; ++i) {
    elements_[i].activation_ = value;
    activeSet_.Add(i);
  }
}

void TASNLayer::Reset(bool alsoContext) {
  const int32_t active = activeSet_.Count();
  const int32_t* items = activeSet_.Items();
  for (int32_t k = 0; k < active; ++k) elements_[items[k]].activation_ = 0.0f;
  activeSet_.Clear();
  if (alsoContext) contextSet_.Clear();
}

float TASNLayer::PositiveInput(int32_t index) const {
  return index >= 0 && static_cast<size_t>(index) < positiveInput_.size() ? positiveInput_[index] : 0.0f;
}

float TASNLayer::NegativeInput(int32_t index) const {
  return index >= 0 && static_cast<size_t>(index) < negativeInput_.size() ? negativeInput_[index] : 0.0f;
}

void TASNLayer::ResetInputs(bool release) {
  if (release) {
    std::vector<float>().swap(positiveInput_);
    std::vector<float>().swap(negativeInput_);
    std::vector<int32_t>().swap(touched_);
  } else if (touchedAll_ || touched_.size() * 8 > positiveInput_.size()) {
    std::fill(positiveInput_.begin(), positiveInput_.end(), 0.0f);
    std::fill(negativeInput_.begin(), negativeInput_.end(), 0.0f);
  } else {
    for (const int32_t t : touched_) {
      positiveInput_[t] = 0.0f;
      negativeInput_[t] = 0.0f;
    }
  }
  touched_.clear();
  touchedAll_ = false;
  positiveSum_ = 0.0f;
  negativeSum_ = 0.0f;
  negativeLog_.clear();
  maxPositive_ = 0.0f;
}

void TASNLayer::AddNegative(float amount, int64_t count) {
  if (count <= 0) return;
  if (!negativeLog_.empty() && negativeLog_.back().first == amount) {
    negativeLog_.back().second += count;
  } else {
    negativeLog_.emplace_back(amount, count);
  }
}

float TASNLayer::NegativeSum() const {
  // Every addition in turn: repeated single additions round at each step.
  for (const auto& [amount, count] : negativeLog_) {
    for (int64_t i = 0; i < count; ++i) negativeSum_ += amount;
  }
  negativeLog_.clear();
  return negativeSum_;
}

// ---------------------------------------------------------------------------
// TIASN: layers and elements

TIASN::TIASN() = default;

TIASN::~TIASN() { Clear(); }

void TIASN::SetOrganizationData(TOrganizationData value) {
  if (!layers_.empty()) return;
  organizationData_ = value;
}

void TIASN::AddLayer(float param, float budget) {
  if (LayerCount() >= kMaxLayers) return;
  layers_.push_back(std::make_unique<TASNLayer>(param, budget));
}

int32_t TIASN::AddElement(int32_t layer, int32_t id, float threshold, float anchor, float kInh, float kStim) {
  if (!IsValidLayer(layer)) return -1;
  return layers_[layer]->AddElement(id, threshold, anchor, kInh, kStim);
}

TASNLayer* TIASN::GetLayer(int32_t layer) { return IsValidLayer(layer) ? layers_[layer].get() : nullptr; }

const TASNLayer* TIASN::GetLayer(int32_t layer) const {
  return IsValidLayer(layer) ? layers_[layer].get() : nullptr;
}

TASNElement* TIASN::GetElement(const TASNAddress& address) {
  TASNLayer* layer = GetLayer(address.Layer);
  return layer ? layer->GetElement(address.Index) : nullptr;
}

const TASNElement* TIASN::GetElement(const TASNAddress& address) const {
  const TASNLayer* layer = GetLayer(address.Layer);
  return layer ? layer->GetElement(address.Index) : nullptr;
}

bool TIASN::IsValidAddress(const TASNAddress& address) const {
  return IsValidLayer(address.Layer) && layers_[address.Layer]->IsValidIndex(address.Index);
}

// ---------------------------------------------------------------------------
// Relation lists

int32_t TIASN::FindRelationList(const TASNAddress& address, int32_t targetLayer) const {
  if (targetLayer < 0) return -1;
  const TASNElement* element = GetElement(address);
  if (!element) return -1;
  const int32_t lists = element->GetRelationListCount();
  for (int32_t i = 0; i < lists; ++i) {
    if (element->relations_[i].TargetLayer == targetLayer) return i;
  }
  return -1;
}

int32_t TIASN::AddRelationList(const TASNAddress& address, int32_t targetLayer) {
  // A list toward a layer that does not exist could never hold a relation.
  if (!IsValidLayer(targetLayer)) return -1;
  TASNElement* element = GetElement(address);
  if (!element) return -1;
  const int32_t found = FindRelationList(address, targetLayer);
  if (found >= 0) return found;
  TLayerRelations list;
  list.TargetLayer = static_cast<int8_t>(targetLayer);
  list.Targets = std::make_unique<TIAVLTree>();
  element->relations_.push_back(std::move(list));
  return element->GetRelationListCount() - 1;
}

TLayerRelations* TIASN::GetRelationListAt(const TASNAddress& address, int32_t list) {
  TASNElement* element = GetElement(address);
  if (!element || list < 0 || list >= element->GetRelationListCount()) return nullptr;
  return &element->relations_[list];
}

// ---------------------------------------------------------------------------
// Relations

void TIASN::SetRelation(const TASNAddress& from, const TASNAddress& to, TRelationPosition& position,
                        float weight) {
  if (from == to) {
    position.Node = -1;
    return;
  }
  if (organizationData_ == TOrganizationData::cAVL) {
    AVLSetRelation(from, to, position, weight);
  } else {
    NoRelationOp(position);
  }
}

void TIASN::FindRelation(const TASNAddress& from, const TASNAddress& to, TRelationPosition& position) {
  if (organizationData_ == TOrganizationData::cAVL) {
    AVLFindRelation(from, to, position);
  } else {
    NoRelationOp(position);
  }
}

bool TIASN::FindOrSetRelation(const TASNAddress& from, const TASNAddress& to, TRelationPosition& position,
                              float weight) {
  if (from == to || organizationData_ != TOrganizationData::cAVL) {
    SetRelation(from, to, position, weight);
    return false;
  }
  return AVLSetRelation(from, to, position, weight, false);
}

void TIASN::DeleteRelation(const TASNAddress& from, const TASNAddress& to) {
  if (organizationData_ == TOrganizationData::cAVL) AVLDeleteRelation(from, to);
}

void TIASN::NoRelationOp(TRelationPosition& position) { position = TRelationPosition{}; }

bool TIASN::AVLSetRelation(const TASNAddress& from, const TASNAddress& to, TRelationPosition& position,
                           float weight, bool overwrite) {
  position = TRelationPosition{};
  if (!IsValidAddress(from) || !IsValidAddress(to)) return false;
  // AddRelationList and GetRelationListAt with the element looked up once.
  TASNElement& element = layers_[from.Layer]->elements_[from.Index];
  int32_t listIndex = FindListToward(element, to.Layer);
  if (listIndex < 0) {
    TLayerRelations fresh;
    fresh.TargetLayer = static_cast<int8_t>(to.Layer);
    fresh.Targets = std::make_unique<TIAVLTree>();
    element.relations_.push_back(std::move(fresh));
    listIndex = element.GetRelationListCount() - 1;
  }
  position = TRelationPosition{from.Layer, from.Index, static_cast<int8_t>(listIndex), -1};
  TLayerRelations* list = &element.relations_[listIndex];
  const int32_t before = list->Count();
  const int32_t node = list->Targets->AddUnshared(to.Index);
  if (node < 0) return false;
  position.Node = node;
  if (node == before && list->Count() == before + 1) {
    list->Weights.push_back(weight);
    return false;
  }
  if (overwrite) list->Weights[node] = weight;
  return true;
}

void TIASN::AVLFindRelation(const TASNAddress& from, const TASNAddress& to, TRelationPosition& position) {
  position = TRelationPosition{};
  if (!IsValidAddress(from) || !IsValidAddress(to)) return;
  // FindRelationList and GetRelationListAt with the element looked up once.
  TASNElement& element = layers_[from.Layer]->elements_[from.Index];
  const int32_t listIndex = FindListToward(element, to.Layer);
  position = TRelationPosition{from.Layer, from.Index, static_cast<int8_t>(listIndex), -1};
  if (listIndex < 0) return;
  position.Node = element.relations_[listIndex].Targets->FindUnshared(to.Index);
}

void TIASN::AVLDeleteRelation(const TASNAddress& from, const TASNAddress& to) {
  TRelationPosition position;
  AVLFindRelation(from, to, position);
  if (position.Node < 0) return;
  TLayerRelations* list = GetRelationListAt(from, position.List);
  const int32_t last = list->Count() - 1;
  list->Targets->Delete(position.Node);
  // The set moved its last node into the freed slot; the weight follows it.
  list->Weights[position.Node] = list->Weights[last];
  list->Weights.pop_back();
  if (list->Weights.empty()) std::vector<float>().swap(list->Weights);
}

void TIASN::DeleteElement(const TASNAddress& address) {
  TASNElement* element = GetElement(address);
  if (!element) return;
  for (int32_t l = 0; l < element->GetRelationListCount(); ++l) {
    const int8_t targetLayer = element->relations_[l].TargetLayer;
    // From the last node down: each deletion removes the list's last node.
    for (int32_t node = element->relations_[l].Count() - 1; node >= 0; --node) {
      if (node >= element->relations_[l].Count()) continue;
      const TASNAddress target{targetLayer, element->relations_[l].Target(node)};
      DeleteRelation(address, target);
      DeleteRelation(target, address);
    }
  }
  element->SetAnchor(-1.0f);
}

void TIASN::MarkRelationTargets(const TASNAddress& address, int32_t layer) {
  if (!IsValidAddress(address) || !IsValidLayer(layer)) return;
  const int32_t listIndex = FindRelationList(address, layer);
  if (listIndex < 0) return;
  const TLayerRelations& list = *GetRelationListAt(address, listIndex);
  TSlotSet& context = layers_[layer]->contextSet_;
  const int32_t count = list.Count();
  for (int32_t node = 0; node < count; ++node) context.Add(list.Target(node));
}

// ---------------------------------------------------------------------------
// Activation

void TIASN::ActivateElement(const TASNAddress& address, float value) {
  if (value == 0.0f || !IsValidAddress(address)) return;
  layers_[address.Layer]->SetActivation(address.Index, value);
}

void TIASN::ActivateLayer(int32_t layer, float value) {
  if (value == 0.0f || !IsValidLayer(layer)) return;
  layers_[layer]->ActivateAll(value);
}

void TIASN::DeactivateElement(const TASNAddress& address) {
  if (!IsValidAddress(address)) return;
  layers_[address.Layer]->Deactivate(address.Index);
}

void TIASN::ResetLayer(int32_t layer, bool alsoContext) {
  if (!IsValidLayer(layer)) return;
  layers_[layer]->Reset(alsoContext);
}

void TIASN::ResetInputs(int32_t layer) {
  if (!IsValidLayer(layer)) return;
  layers_[layer]->ResetInputs();
}

void TIASN::ResetAll() {
  for (int32_t l = 0; l < LayerCount(); ++l) {
    ResetLayer(l, true);
    ResetInputs(l);
  }
}

void TIASN::Clear() {
  for (auto& layer : layers_) layer->Clear();
  layers_.clear();
}

}  // namespace kestrune
