// TIASN: the layered associative network through which activation spreads
// from the query words to related words and result pages.
//
// The network is a list of layers (at most 127), each an array of elements in
// pages of 512; every element holds, per target layer, one relation list: a
// set of weighted, directed relations to elements of that layer (its own layer
// included). Relations are stored only at their source, an element never
// relates to itself, and element indexes are never reused: a deleted element
// keeps its slot with Anchor -1.0.
//
// A relation list keeps its targets in an ordered set (TIAVLTree): node i of
// the set is relation i of the list, and its weight is Weights[i]. The nodes
// are dense (0..count-1); deleting a relation moves the list's last relation
// into the freed slot, so the node order of a list is insertion order with
// that one exception. Spreading walks lists in node order and sets in item
// order, and the sums it builds depend on that order.
//
// Spreading (asn_spread.cpp): the caller activates elements, marks context
// sets, spreads from a source layer into a target layer (Spread) and lets the
// target settle (Update). All stored values are single precision; Spread
// rounds each contribution after each of its two multiplications, Update
// rounds the new activation once from extended precision. A layer's active
// and context sets are slot-indexed sets (TSlotSet) walked in item order, and
// the layer keeps its elements' anchors in a dense array beside the element
// records for Spread, with a bit per element that tells an Anchor other than
// 1.0.
//
// The network file ".inn" (asn_file.cpp) is a framed file with the magic
// "ASNF", checksum 0 and version 1; the reader also reads the older version-0
// layout (LoadLegacy). File operations return result codes and never throw.
//
// Not thread-safe: the network is used on the user-interface thread only. The
// element and layer pointers the getters return stay valid until Clear.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "core/avl_tree.h"
#include "core/paged_array.h"
#include "core/stream.h"
#include "network/slot_set.h"

namespace kestrune {

class TASNLayer;
class TTagStream;

// Which relation store the network uses. cBinary stores and finds nothing.
enum class TOrganizationData : uint8_t { cAVL, cBinary };

// The address of one element: its layer and its index in the layer.
struct TASNAddress {
  int8_t Layer = -1;
  int32_t Index = -1;

  friend bool operator==(const TASNAddress&, const TASNAddress&) = default;
};

// The position of one relation: its source element, the index of the
// source's relation list and the node in that list (-1: no such relation).
struct TRelationPosition {
  int8_t Layer = -1;
  int32_t Index = -1;
  int8_t List = -1;
  int32_t Node = -1;

  friend bool operator==(const TRelationPosition&, const TRelationPosition&) = default;
};

// The relations of one element toward one target layer.
struct TLayerRelations {
  int8_t TargetLayer = -1;
  std::unique_ptr<TIAVLTree> Targets;  // never null: node i holds the target of relation i
  std::vector<float> Weights;          // Weights[i] is the weight of relation i

  int32_t Count() const { return Targets->Count(); }
  int32_t Target(int32_t node) const { return static_cast<int32_t>(Targets->GetNode(node).Value); }
};

// One element record: its coefficients, its activation, the caller's id and
// its relation lists (at most one per target layer, in creation order).
class TASNElement final {
 public:
  TASNElement() = default;
  virtual ~TASNElement() = default;
  TASNElement(TASNElement&&) = default;
  TASNElement& operator=(TASNElement&&) = default;

  virtual float GetActivation() const { return activation_; }
  virtual int32_t GetId() const { return id_; }
  // Gain of incoming activation: 1.0 normal, 0.0 no input, -1.0 deleted.
  virtual float GetAnchor() const { return anchor_; }
  virtual void SetAnchor(float value);
  // The element is active only while its activation exceeds the threshold.
  virtual float GetThreshold() const { return threshold_; }
  virtual void SetThreshold(float value) { threshold_ = value; }
  // Stored and saved; no computation reads it.
  virtual float GetKInh() const { return kInh_; }
  virtual void SetKInh(float value) { kInh_ = value; }
  // Share of the old activation that Update keeps.
  virtual float GetKStim() const { return kStim_; }
  virtual void SetKStim(float value) { kStim_ = value; }

  // Number of relations in list `list`; 0 outside 0..list count-1.
  virtual int32_t GetRelationCount(int32_t list) const;
  // By position (list and node): the target index, -2 out of range.
  virtual int32_t GetRelationTarget(const TRelationPosition& position) const;
  // By position: the weight, 0.0 out of range.
  virtual float GetRelationWeight(const TRelationPosition& position) const;
  // By position: overwrites the weight of that one direction; nothing out of range.
  virtual void SetRelationWeight(const TRelationPosition& position, float weight);

  // The relation lists.
  int32_t GetRelationListCount() const { return static_cast<int32_t>(relations_.size()); }
  const TLayerRelations* GetRelationList(int32_t list) const;

 private:
  friend class TASNLayer;
  friend class TIASN;

  bool InRange(const TRelationPosition& position) const;

  // The first six fields are the element block of the network file, in order.
  float threshold_ = 0.0f;
  float kInh_ = 0.0f;
  float kStim_ = 0.0f;
  float activation_ = 0.0f;
  float anchor_ = 0.0f;
  int32_t id_ = 0;
  std::vector<TLayerRelations> relations_;
  // The layer holding the element and its index there: SetAnchor keeps the
  // layer's anchor array in step.
  TASNLayer* layer_ = nullptr;
  int32_t index_ = -1;
};

// One layer record: its elements, its active and context sets (element
// indexes), the input collected by Spread and the layer's budget.
class TASNLayer final {
 public:
  static constexpr int32_t kElementPage = 512;

  TASNLayer(float param, float budget);
  virtual ~TASNLayer() = default;
  TASNLayer(const TASNLayer&) = delete;
  TASNLayer& operator=(const TASNLayer&) = delete;

  // Frees the elements, their relations, both sets and both input arrays.
  virtual void Clear();
  // Elements whose activation is above their threshold.
  virtual TSlotSet& GetActiveSet() { return activeSet_; }
  // Elements that take part in spreading into this layer.
  virtual TSlotSet& GetContextSet() { return contextSet_; }
  // Null when the index is out of range.
  virtual TASNElement* GetElement(int32_t index);
  virtual const TASNElement* GetElement(int32_t index) const;
  // The activation budget; -1.0 means none.
  virtual float GetBudget() const { return budget_; }
  virtual void SetBudget(float value) { budget_ = value; }
  // Stored and saved; nothing else reads it.
  virtual float GetParam() const { return param_; }
  virtual int32_t GetCount() const { return count_; }
  // Appends an element with activation 0 and returns its index.
  virtual int32_t AddElement(int32_t id, float threshold, float anchor, float kInh, float kStim);
  virtual bool IsValidIndex(int32_t index) const { return index >= 0 && index < count_; }
  // Activation 0 and out of the active set.
  virtual void Deactivate(int32_t index);
  // Activation `value` and into the active set.
  virtual void SetActivation(int32_t index, float value);
  // Every element, deleted ones included, gets `value` and joins the active set.
  virtual void ActivateAll(float value);
  // Every active element gets 0, the active set is emptied, and with
  // `alsoContext` the context set too.
  virtual void Reset(bool alsoContext);

  // Input collected by Spread since the last reset.
  float PositiveSum() const { return positiveSum_; }
  // The amounts of negative input added up in the order they were collected.
  float NegativeSum() const;
  float MaxPositiveInput() const { return maxPositive_; }
  // Inputs of element `index`; 0.0 where no input was collected.
  float PositiveInput(int32_t index) const;
  float NegativeInput(int32_t index) const;

 private:
  friend class TIASN;
  friend class TASNElement;

  // Clears the inputs and the sums; with `release` the arrays' memory too.
  void ResetInputs(bool release = false);
  // `count` additions of `amount` to the negative sum, after those before.
  void AddNegative(float amount, int64_t count);

  float positiveSum_ = 0.0f;
  // The negative sum is read only through its getter: the additions are
  // logged as (amount, repeats) and folded into the sum, in order, on read.
  mutable float negativeSum_ = 0.0f;
  mutable std::vector<std::pair<float, int64_t>> negativeLog_;
  float maxPositive_ = 0.0f;
  float param_ = 0.0f;
  float budget_ = -1.0f;
  int32_t count_ = 0;
  TPagedArray<TASNElement, kElementPage> elements_;
  std::vector<float> anchors_;  // anchors_[i] is element i's Anchor
  // Bit i (of word i / 64) is set when element i's Anchor is other than 1.0:
  // Spread multiplies by the others only.
  std::vector<uint64_t> anchorsOtherThanOne_;
  void SetAnchorOf(int32_t index, float value);
  TSlotSet activeSet_;
  TSlotSet contextSet_;
  // The input arrays keep their memory between spreads; the elements whose
  // entries a spread made non-zero are listed, so that a reset clears only
  // those, or everything when they are many (touchedAll_: the list stopped).
  std::vector<float> positiveInput_;
  std::vector<float> negativeInput_;
  std::vector<int32_t> touched_;
  bool touchedAll_ = false;
};

// One active element of a spread: its activation and its relation list
// toward the target layer (count 0 when it has none).
struct TSpreadSource {
  float Activation = 0.0f;
  int32_t Count = 0;
  const float* Weights = nullptr;
  const TIAVLTree* Targets = nullptr;
};

// 2 * Limit / (1 + e^(-2 * Value / (0.9 * Limit))) - Limit, in extended
// precision, rounded to single: 0 at Value 0, slope 1/0.9 there, approaching
// +-Limit. A Limit of 0 gives 0.
float SaturatingWeight(float limit, float value);

class TIASN {
 public:
  static constexpr int32_t kMaxLayers = 127;

  // Result codes of the file operations.
  static constexpr int32_t kDone = 0;
  static constexpr int32_t kFileError = -1;    // cannot create, open, read or write; malformed body
  static constexpr int32_t kEmptyName = -2;
  static constexpr int32_t kFileMissing = -3;  // load
  static constexpr int32_t kWrongMagic = -4;   // load
  static constexpr int32_t kNoLayers = -5;     // save
  static constexpr int32_t kWrongVersion = -10;  // load

  // The "ASNF" file.
  static constexpr uint32_t kFileVersion = 1;
  static constexpr uint32_t kLegacyVersion = 0;
  static constexpr int32_t kTagCheck = 32;            // two i32: 555, 777
  static constexpr int32_t kTagLayers = 128;          // i8 L, then L tags kTagLayer
  static constexpr int32_t kTagLayer = 64;            // i32 count, f32 param, f32 budget
  static constexpr int32_t kTagRelationList = 16384;  // i8 target layer, i32 n, n (i32, f32)
  static constexpr int32_t kTagElements = 16385;      // L tags kTagLayerBlock of kTagElement
  static constexpr int32_t kTagRelations = 16386;     // L tags kTagLayerBlock of kTagElementRelations
  static constexpr int32_t kTagLayerBlock = 16387;    // i8 layer number, then the layer's tags
  static constexpr int32_t kTagElementRelations = 16388;  // i32 index, i8 K, K tags kTagRelationList
  static constexpr int32_t kTagElement = 129;         // the 24-byte element block
  static constexpr int32_t kLegacyRelationTag = 16385;  // version 0: i32 source, i32 n, n (i32, f32)
  static constexpr int32_t kCheckValue1 = 555;
  static constexpr int32_t kCheckValue2 = 777;
  static constexpr float kLegacyBudget = 20.0f;

  TIASN();
  ~TIASN();
  TIASN(const TIASN&) = delete;
  TIASN& operator=(const TIASN&) = delete;

  // Raised with 100 after a file has been read or written.
  std::function<void(int32_t progress)> OnProgressChange;

  // The relation store; a new value is ignored while any layer exists.
  TOrganizationData OrganizationData() const { return organizationData_; }
  void SetOrganizationData(TOrganizationData value);

  // Stored by the context model before it spreads; the network never reads it.
  float LateralInhibition = -0.5f;

  // ---- layers and elements ----
  // Appends a layer; ignored when 127 layers exist.
  void AddLayer(float param, float budget);
  int32_t LayerCount() const { return static_cast<int32_t>(layers_.size()); }
  // Appends an element (activation 0) and returns its index; -1 when the layer does not exist.
  int32_t AddElement(int32_t layer, int32_t id, float threshold, float anchor, float kInh, float kStim);
  TASNLayer* GetLayer(int32_t layer);
  const TASNLayer* GetLayer(int32_t layer) const;
  TASNElement* GetElement(const TASNAddress& address);
  const TASNElement* GetElement(const TASNAddress& address) const;
  bool IsValidLayer(int32_t layer) const { return layer >= 0 && layer < LayerCount(); }
  bool IsValidAddress(const TASNAddress& address) const;

  // ---- relations ----
  // Creates From -> To with the weight or overwrites an existing weight;
  // Position names the relation. From = To: only Position.Node := -1.
  void SetRelation(const TASNAddress& from, const TASNAddress& to, TRelationPosition& position, float weight);
  // Position of From -> To; node -1 when it does not exist.
  void FindRelation(const TASNAddress& from, const TASNAddress& to, TRelationPosition& position);
  // FindRelation and, when From -> To does not exist, SetRelation in one walk
  // of the list: true when the relation existed (Position names it, its
  // weight unchanged); false when it was created with the weight, or could
  // not be (as SetRelation: Position.Node -1).
  bool FindOrSetRelation(const TASNAddress& from, const TASNAddress& to, TRelationPosition& position, float weight);
  void DeleteRelation(const TASNAddress& from, const TASNAddress& to);
  // The index of the element's list toward the layer; -1 when the address is
  // invalid, the layer negative or no such list exists.
  int32_t FindRelationList(const TASNAddress& address, int32_t targetLayer) const;
  // The existing list's index, else a new empty list's; -1 when the address
  // or the target layer is invalid.
  int32_t AddRelationList(const TASNAddress& address, int32_t targetLayer);
  // Removes every relation of the element in both directions and marks it
  // deleted (Anchor -1.0); activation and set membership stay.
  void DeleteElement(const TASNAddress& address);
  // Adds every target of the element's list toward `layer`, in node order, to
  // that layer's context set.
  void MarkRelationTargets(const TASNAddress& address, int32_t layer);

  // ---- activation ----
  // Value 0 does nothing.
  void ActivateElement(const TASNAddress& address, float value);
  void ActivateLayer(int32_t layer, float value);
  void DeactivateElement(const TASNAddress& address);
  void ResetLayer(int32_t layer, bool alsoContext);
  void ResetInputs(int32_t layer);
  void ResetAll();
  // Frees every layer; no layers afterwards.
  void Clear();

  // Collects input for layer `target` from the active elements of `source`.
  // Open False feeds only targets in the target's context set; Open True feeds
  // every target and adds it to the context set. Inhibition (by its
  // magnitude) pushes down context elements with positive input that an
  // active source element is not related to.
  void Spread(int32_t source, int32_t target, bool open, float inhibition);
  // New activations of the layer's context set from its collected input,
  // under the layer's budget and each element's threshold; clears the input.
  void Update(int32_t layer);

  // ---- files ----
  int32_t SaveToFile(std::u16string_view fileName);
  int32_t SaveToStream(TStream& stream);
  // Clears the network, then reads; a failure leaves what was read before it.
  int32_t LoadFromFile(std::u16string_view fileName);
  // Replaces the network by the one in the stream (from its position): 0,
  // -1 malformed, -4 wrong magic, -10 version not 1. A stream that fails the
  // frame check leaves the network as it was.
  int32_t LoadFromStream(TStream& stream);
  // The older version-0 layout: 0, -1, -2, -3, -4, -10 (version not 0).
  int32_t LoadLegacy(std::u16string_view fileName);
  // The version-0 reader over a stream positioned at the frame.
  int32_t LoadLegacyFromStream(TStream& stream);

 private:
  TLayerRelations* GetRelationListAt(const TASNAddress& address, int32_t list);

  // The relation stores.
  // Sets From -> To (an existing weight only when `overwrite`); true when the
  // relation existed.
  bool AVLSetRelation(const TASNAddress& from, const TASNAddress& to, TRelationPosition& position, float weight,
                      bool overwrite = true);
  void AVLFindRelation(const TASNAddress& from, const TASNAddress& to, TRelationPosition& position);
  void AVLDeleteRelation(const TASNAddress& from, const TASNAddress& to);
  static void NoRelationOp(TRelationPosition& position);

  int32_t WriteBody(TTagStream& tags);
  int32_t ReadBody(TTagStream& tags);
  int32_t ReadLegacyBody(TTagStream& tags);
  void RaiseProgress();

  std::vector<std::unique_ptr<TASNLayer>> layers_;
  TOrganizationData organizationData_ = TOrganizationData::cAVL;

  // The lateral inhibition of a spread into `to`, after its relation pass:
  // with the sources' marks per target element, or with each relation's
  // item.
  void InhibitMarked(bool sameLayer, int32_t activeCount, const int32_t* activeItems, TASNLayer& to,
                     float inhibition, int32_t* related, int32_t deferred);
  void InhibitByItems(bool sameLayer, int32_t activeCount, const int32_t* activeItems, TASNLayer& to,
                      float inhibition);

  // A fresh stamp for a per-element stamp array of at least `size` entries.
  static uint32_t NextStamp(std::vector<uint32_t>& stamps, uint32_t& stamp, int32_t size);

  // Scratch of Spread's lateral inhibition, per context item: its negative
  // input (Update keeps its nets there too), all ones when it has positive
  // input, and the stamp of the last source element related to it.
  std::vector<float> scratchNets_;
  std::vector<uint32_t> scratchMask_;
  std::vector<uint32_t> relatedStamp_;
  uint32_t relatedMark_ = 0;
  // Per relation visited by a spread, its target's context item.
  std::vector<int32_t> relationItems_;
  // Per active element of a spread, its list toward the target, found once.
  std::vector<TSpreadSource> spreadSources_;
  // The negative amounts a spread's relations collected, in order.
  std::vector<float> spreadNegatives_;
  // Per target element, the sources related to it (one bit per source with
  // positive activation, when they are few); all 0 between spreads.
  std::vector<uint8_t> spreadMarks_;
};

}  // namespace kestrune
