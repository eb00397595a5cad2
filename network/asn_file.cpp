// The network file "ASNF": version 1 (written and read) and the older
// version-0 layout (read only). See network/asn.h for the tags.
//
// The reader is strict: every tag of the version-1 body must come where the
// layout puts it, every field must be there in full, and every count is
// checked against the bytes its enclosing tag still holds before anything is
// read or allocated for it. A malformed body gives -1 and leaves the layers,
// elements and relations read before the fault.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/frame.h"
#include "core/tag_stream.h"
#include "network/asn.h"
#include "platform/files.h"

namespace kestrune {

namespace {

// Smallest sizes of the repeated tags: header plus the fixed fields.
constexpr int64_t kLayerTagSize = 2 + 12;         // tag 64
constexpr int64_t kElementTagSize = 4 + 24;       // tag 129
constexpr int64_t kElementRelationsSize = 6 + 5;  // tag 16388: index and list count
constexpr int64_t kRelationListSize = 6 + 5;      // tag 16384: target layer and count
constexpr int64_t kPairSize = 8;
constexpr int64_t kLegacyElementSize = 2 + 21;

// Reads exactly `count` bytes of the open tag.
bool ReadExact(TTagStream& tags, void* buffer, int64_t count) { return tags.Read(buffer, count) == count; }

// Enters the next tag and checks its number.
bool EnterTag(TTagStream& tags, int32_t tag) { return tags.ReadTag() > 0 && tags.CurrentTag() == tag; }

// Enters a layer block (tag 16387) and checks its layer number.
bool EnterLayerBlock(TTagStream& tags, int32_t layer) {
  if (!EnterTag(tags, TIASN::kTagLayerBlock)) return false;
  int8_t number = 0;
  return ReadExact(tags, &number, 1) && number == layer;
}

struct TElementBlock {
  float Threshold;
  float KInh;
  float KStim;
  float Activation;
  float Anchor;
  int32_t Id;
};
static_assert(sizeof(TElementBlock) == 24);

struct TRelationPair {
  int32_t Target;
  float Weight;
};
static_assert(sizeof(TRelationPair) == kPairSize);

}  // namespace

void TIASN::RaiseProgress() {
  if (OnProgressChange) OnProgressChange(100);
}

// ---------------------------------------------------------------------------
// Writing

int32_t TIASN::WriteBody(TTagStream& tags) {
  const int32_t check[2] = {kCheckValue1, kCheckValue2};
  tags.BeginTag(kTagCheck);
  tags.Write(check, sizeof(check));
  tags.EndTag();

  const auto layerCount = static_cast<int8_t>(LayerCount());
  tags.BeginTag(kTagLayers);
  tags.WriteShortInt(layerCount);
  for (const auto& layer : layers_) {
    tags.BeginTag(kTagLayer);
    tags.WriteInteger(layer->GetCount());
    tags.WriteSingle(layer->GetParam());
    tags.WriteSingle(layer->GetBudget());
    tags.EndTag();
  }
  tags.EndTag();

  tags.BeginTag(kTagElements);
  for (int32_t l = 0; l < layerCount; ++l) {
    const TASNLayer& layer = *layers_[l];
    tags.BeginTag(kTagLayerBlock);
    tags.WriteShortInt(static_cast<int8_t>(l));
    for (int32_t i = 0; i < layer.GetCount(); ++i) {
      const TASNElement& element = layer.elements_[i];
      const TElementBlock block{element.threshold_, element.kInh_,   element.kStim_,
                                element.activation_, element.anchor_, element.id_};
      tags.BeginTag(kTagElement);
      tags.Write(&block, sizeof(block));
      tags.EndTag();
    }
    tags.EndTag();
  }
  tags.EndTag();

  std::vector<TRelationPair> pairs;
  tags.BeginTag(kTagRelations);
  for (int32_t l = 0; l < layerCount; ++l) {
    const TASNLayer& layer = *layers_[l];
    tags.BeginTag(kTagLayerBlock);
    tags.WriteShortInt(static_cast<int8_t>(l));
    for (int32_t i = 0; i < layer.GetCount(); ++i) {
      const TASNElement& element = layer.elements_[i];
      tags.BeginTag(kTagElementRelations);
      tags.WriteInteger(i);
      tags.WriteShortInt(static_cast<int8_t>(element.GetRelationListCount()));
      for (const TLayerRelations& list : element.relations_) {
        const int32_t n = list.Count();
        pairs.resize(n);
        for (int32_t node = 0; node < n; ++node) pairs[node] = TRelationPair{list.Target(node), list.Weights[node]};
        tags.BeginTag(kTagRelationList);
        tags.WriteShortInt(list.TargetLayer);
        tags.WriteInteger(n);
        tags.Write(pairs.data(), int64_t{n} * kPairSize);
        tags.EndTag();
      }
      tags.EndTag();
    }
    tags.EndTag();
  }
  tags.EndTag();
  return tags.WriteError() ? kFileError : kDone;
}

int32_t TIASN::SaveToStream(TStream& stream) {
  try {
    TTagStream tags(&stream);
    const TFrameHeader frame{kMagicASNF, 0, kFileVersion, 0};
    if (tags.WriteRaw(&frame, sizeof(frame)) != static_cast<int64_t>(sizeof(frame))) return kFileError;
    return WriteBody(tags);
  } catch (...) {
    return kFileError;
  }
}

int32_t TIASN::SaveToFile(std::u16string_view fileName) {
  if (fileName.empty()) return kEmptyName;
  if (layers_.empty()) return kNoLayers;
  // A read-only target is made writable for the save and read-only again
  // afterwards, whatever the save's result; the new file keeps its mode.
  const platform::PathInfo info = platform::GetPathInfo(fileName);
  const bool wasReadOnly = info.exists && info.isFile && info.readOnly;
  if (wasReadOnly) platform::SetReadOnly(fileName, false);
  bool written = false;
  int32_t result;
  try {
    result = SaveFramedFile(fileName, kMagicASNF, kFileVersion, false, kFileError, [&](TTagStream& tags) {
      written = true;
      return WriteBody(tags);
    });
  } catch (...) {
    result = kFileError;
    written = false;
  }
  if (wasReadOnly) platform::SetReadOnly(fileName, true);
  if (written) RaiseProgress();
  return result;
}

// ---------------------------------------------------------------------------
// Reading, version 1

int32_t TIASN::ReadBody(TTagStream& tags) {
  // Tag 32: two check values, taken and not checked.
  if (!EnterTag(tags, kTagCheck)) return kFileError;
  int32_t check[2];
  if (!ReadExact(tags, check, sizeof(check))) return kFileError;
  tags.LeaveTag();

  // Tag 128: the layers.
  if (!EnterTag(tags, kTagLayers)) return kFileError;
  int8_t layerCount = 0;
  if (!ReadExact(tags, &layerCount, 1)) return kFileError;
  if (layerCount < 0 || layerCount * kLayerTagSize > tags.TagRemaining()) return kFileError;
  std::vector<int32_t> counts(static_cast<size_t>(layerCount), 0);
  for (int32_t l = 0; l < layerCount; ++l) {
    if (tags.ReadTag() <= 0) return kFileError;  // the tag's number is not checked
    float param = 0.0f;
    float budget = 0.0f;
    if (!ReadExact(tags, &counts[l], 4) || !ReadExact(tags, &param, 4) || !ReadExact(tags, &budget, 4)) {
      return kFileError;
    }
    if (counts[l] < 0) return kFileError;
    AddLayer(param, budget);
    tags.LeaveTag();
  }
  tags.LeaveTag();

  // Tag 16385: the elements, layer by layer. The stored activation and id
  // are not used: every element starts at 0 with its own index as id.
  if (!EnterTag(tags, kTagElements)) return kFileError;
  for (int32_t l = 0; l < layerCount; ++l) {
    if (!EnterLayerBlock(tags, l)) return kFileError;
    if (counts[l] > tags.TagRemaining() / kElementTagSize) return kFileError;
    for (int32_t i = 0; i < counts[l]; ++i) {
      if (!EnterTag(tags, kTagElement)) return kFileError;
      TElementBlock block;
      if (!ReadExact(tags, &block, sizeof(block))) return kFileError;
      AddElement(l, layers_[l]->GetCount(), block.Threshold, block.Anchor, block.KInh, block.KStim);
      tags.LeaveTag();
    }
    tags.LeaveTag();
  }
  tags.LeaveTag();

  // Tag 16386: the relations, layer by layer, element by element.
  if (!EnterTag(tags, kTagRelations)) return kFileError;
  std::vector<TRelationPair> pairs;
  for (int32_t l = 0; l < layerCount; ++l) {
    if (!EnterLayerBlock(tags, l)) return kFileError;
    if (counts[l] > tags.TagRemaining() / kElementRelationsSize) return kFileError;
    for (int32_t e = 0; e < counts[l]; ++e) {
      if (!EnterTag(tags, kTagElementRelations)) return kFileError;
      int32_t index = 0;
      int8_t listCount = 0;
      if (!ReadExact(tags, &index, 4) || !ReadExact(tags, &listCount, 1)) return kFileError;
      if (listCount < 0 || listCount * kRelationListSize > tags.TagRemaining()) return kFileError;
      for (int32_t k = 0; k < listCount; ++k) {
        if (!EnterTag(tags, kTagRelationList)) return kFileError;
        int8_t targetLayer = 0;
        int32_t n = 0;
        if (!ReadExact(tags, &targetLayer, 1) || !ReadExact(tags, &n, 4)) return kFileError;
        if (n < 0 || n > tags.TagRemaining() / kPairSize) return kFileError;
        pairs.resize(static_cast<size_t>(n));
        if (!ReadExact(tags, pairs.data(), int64_t{n} * kPairSize)) return kFileError;
        TRelationPosition position;
        for (const TRelationPair& pair : pairs) {
          SetRelation(TASNAddress{static_cast<int8_t>(l), index}, TASNAddress{targetLayer, pair.Target}, position,
                      pair.Weight);
        }
        tags.LeaveTag();
      }
      tags.LeaveTag();
    }
    tags.LeaveTag();
  }
  tags.LeaveTag();
  return kDone;
}

int32_t TIASN::LoadFromStream(TStream& stream) {
  try {
    TTagStream tags(&stream);
    TFrameHeader frame;
    tags.ReadRaw(&frame, sizeof(frame));
    if (frame.Magic != kMagicASNF) return kWrongMagic;
    if (frame.Version != kFileVersion) return kWrongVersion;
    // The stream's network replaces this one (layer numbers in the file
    // count from 0).
    Clear();
    return ReadBody(tags);
  } catch (...) {
    return kFileError;
  }
}

int32_t TIASN::LoadFromFile(std::u16string_view fileName) {
  if (fileName.empty()) return kEmptyName;
  if (!platform::FileExists(fileName)) return kFileMissing;
  Clear();
  int32_t result;
  {
    TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
    if (!file.HandleValid()) return kFileError;
    result = LoadFromStream(file);
  }
  RaiseProgress();
  return result;
}

// ---------------------------------------------------------------------------
// Reading, version 0

int32_t TIASN::ReadLegacyBody(TTagStream& tags) {
  // First tag: element count and layer count.
  if (tags.ReadTag() <= 0) return kFileError;
  int32_t counts[2];
  if (!ReadExact(tags, counts, sizeof(counts))) return kFileError;
  tags.LeaveTag();
  const int32_t elementCount = counts[0];
  const int32_t layerCount = counts[1];
  if (elementCount < 0 || layerCount < 0 || layerCount > kMaxLayers) return kFileError;
  if (elementCount > (tags.StreamSize() - tags.Position()) / kLegacyElementSize) return kFileError;
  for (int32_t l = 0; l < layerCount; ++l) AddLayer(0.0f, kLegacyBudget);

  // One tag per element: five coefficients and the layer byte.
  std::vector<TASNAddress> addresses;
  addresses.reserve(static_cast<size_t>(elementCount));
  for (int32_t e = 0; e < elementCount; ++e) {
    if (tags.ReadTag() <= 0) return kFileError;
    uint8_t block[21];
    if (!ReadExact(tags, block, sizeof(block))) return kFileError;
    float values[5];
    std::memcpy(values, block, sizeof(values));
    const auto layer = static_cast<int8_t>(block[20]);
    const TASNLayer* target = GetLayer(layer);
    const int32_t index =
        AddElement(layer, target ? target->GetCount() : 0, values[0], values[4], values[1], values[2]);
    addresses.push_back(TASNAddress{layer, index});
    tags.LeaveTag();
  }

  // Relation tags up to the end; any other tag is skipped whole.
  std::vector<TRelationPair> pairs;
  while (!tags.EndOfStream()) {
    if (tags.ReadTag() <= 0) break;
    if (tags.CurrentTag() == kLegacyRelationTag) {
      int32_t source = 0;
      int32_t n = 0;
      if (!ReadExact(tags, &source, 4) || !ReadExact(tags, &n, 4)) return kFileError;
      if (n > 0) {
        if (n > tags.TagRemaining() / kPairSize) return kFileError;
        pairs.resize(static_cast<size_t>(n));
        if (!ReadExact(tags, pairs.data(), int64_t{n} * kPairSize)) return kFileError;
        if (source >= 0 && source < elementCount) {
          TRelationPosition position;
          for (const TRelationPair& pair : pairs) {
            if (pair.Target < 0 || pair.Target >= elementCount) continue;
            SetRelation(addresses[source], addresses[pair.Target], position, pair.Weight);
          }
        }
      }
    }
    tags.LeaveTag();
  }
  return kDone;
}

int32_t TIASN::LoadLegacyFromStream(TStream& stream) {
  try {
    TTagStream tags(&stream);
    TFrameHeader frame;
    tags.ReadRaw(&frame, sizeof(frame));
    if (frame.Magic != kMagicASNF) return kWrongMagic;
    if (frame.Version != kLegacyVersion) return kWrongVersion;
    Clear();
    return ReadLegacyBody(tags);
  } catch (...) {
    return kFileError;
  }
}

int32_t TIASN::LoadLegacy(std::u16string_view fileName) {
  if (fileName.empty()) return kEmptyName;
  if (!platform::FileExists(fileName)) return kFileMissing;
  Clear();
  int32_t result;
  {
    TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
    if (!file.HandleValid()) return kFileError;
    result = LoadLegacyFromStream(file);
  }
  if (result == kDone) RaiseProgress();
  return result;
}

}  // namespace kestrune
