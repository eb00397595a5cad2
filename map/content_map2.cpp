#include "map/content_map2.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

// ---- TCMKey ----

TKey* TCMKey::Key() const {
  if (!map_ || index_ < 0 || index_ >= map_->KeyCount()) return nullptr;
  return &map_->keys_[static_cast<size_t>(index_)];
}

bool TCMKey::HasKey() const { return Key() != nullptr; }

uint32_t TCMKey::GetFlags() const {
  const TKey* key = Key();
  return key ? key->Flags : 0;
}

int32_t TCMKey::GetId() const {
  const TKey* key = Key();
  return key ? key->Id : 0;
}

void TCMKey::SetFlags(uint32_t value) {
  TKey* key = Key();
  if (!key || key->Flags == value) return;
  key->Flags = value;
  map_->NoteKeyChange(TCustomContentMap2::kChangedFlags);
}

void TCMKey::SetWeight(float value) {
  TKey* key = Key();
  if (!key || key->Weight == value) return;
  key->Weight = value;
  map_->NoteKeyChange(TCustomContentMap2::kChangedWeight);
}

// ---- TCustomContentMap2 ----

TCustomContentMap2::TCustomContentMap2()
    : steps_(std::make_unique<IControlKeys>()), styles_(DefaultStyleTable()) {
  for (TCMKey& accessor : accessors_) accessor.map_ = this;
}

TCustomContentMap2::~TCustomContentMap2() = default;

void TCustomContentMap2::SetOnAllKeys(VlistOfKeysEvent handler) {
  onAllKeys_ = std::move(handler);
  steps_->OnChange = onAllKeys_;
}

void TCustomContentMap2::SetColor(int32_t value) {
  color_ = value;
  NoteMapChange(kChangedColor);
}

void TCustomContentMap2::SetDrawPoint(bool value) {
  drawPoint_ = value;
  NoteMapChange(kChangedDrawPoint);
}

void TCustomContentMap2::NoteMapChange(uint32_t bit) {
  if (updateCount_ > 0) pendingMapChanges_ |= bit;
}

void TCustomContentMap2::NoteKeyChange(uint32_t bit) {
  if (updateCount_ > 0) pendingKeyChanges_ |= bit;
}

TCMKey& TCustomContentMap2::GetKey(int32_t index) {
  TCMKey& accessor = accessors_[static_cast<size_t>(nextAccessor_)];
  nextAccessor_ = (nextAccessor_ + 1) % kAccessorCount;
  accessor.index_ = (index >= 0 && index < KeyCount()) ? index : -1;
  return accessor;
}

void TCustomContentMap2::BeginUpdate() { ++updateCount_; }

void TCustomContentMap2::EndUpdate() {
  if (updateCount_ <= 1) {
    // The model sends no notification of its own: the views redraw after the
    // main window's calls.
    updateCount_ = 0;
    pendingMapChanges_ = 0;
    pendingKeyChanges_ = 0;
  } else {
    --updateCount_;
  }
}

void TCustomContentMap2::HighlightKey(int32_t id) {
  for (TKey& key : keys_) {
    if (key.Id == id) {
      key.Flags |= KF_HIGHLIGHTED;
      return;
    }
  }
}

void TCustomContentMap2::ClearHighlights() {
  for (TKey& key : keys_) key.Flags &= ~KF_HIGHLIGHTED;
}

void TCustomContentMap2::ApplyStyles() {
  for (TKey& key : keys_) StyleKey(key);
}

namespace {

// Trunc of a font size, saturated to the range of an Integer.
int64_t TruncSize(float size) {
  if (!std::isfinite(size)) return 0;
  const double t = std::trunc(static_cast<double>(size));
  return static_cast<int64_t>(std::clamp(t, -2147483648.0, 2147483647.0));
}

int32_t RoundToInt32(double value) {
  return static_cast<int32_t>(std::clamp(std::nearbyint(value), -2147483648.0, 2147483647.0));
}

}  // namespace

void TCustomContentMap2::MeasureKey(TKey& key) {
  StyleKey(key);
  if (OnMeasureKeyHook) {
    int32_t width = 0;
    int32_t height = 0;
    OnMeasureKeyHook(key, width, height);
    key.TextWidth = width;
    key.TextHeight = height;
    return;
  }
  const double size = static_cast<double>(TruncSize(key.FontSize));
  key.TextWidth = RoundToInt32(0.6 * size * static_cast<double>(key.Name.size()));
  key.TextHeight = RoundToInt32(1.2 * size);
}

int32_t TCustomContentMap2::AddKey(int32_t id) {
  TKey key = keys_.empty() ? TKey{} : keys_.back();
  key.Id = id;
  keys_.push_back(std::move(key));
  return KeyCount() - 1;
}

bool TCustomContentMap2::DeleteFlaggedKeys() {
  for (TKey& key : keys_) {
    if (key.Flags & KF_CARRIED) key.Flags = (key.Flags | KF_HIDDEN) & ~KF_CARRIED;
  }
  return true;
}

void TCustomContentMap2::CopyKeysOut(TKeys& dest) const {
  if (dest.size() != keys_.size()) dest.resize(keys_.size());
  std::copy(keys_.begin(), keys_.end(), dest.begin());
}

void TCustomContentMap2::CopyKeysIn(const TKeys& src) { keys_ = src; }

void TCustomContentMap2::ClearKeys() {
  for (TKey& key : keys_) {
    key.Name.clear();
    key.Flags = 0;
  }
  keys_.clear();
  baseKeys_.clear();
  steps_->ClearHistory();
  steps_->ClearAll(false);
  hoveredKey_ = -1;
  anchorKey_ = -1;
  clickedKey_ = -1;
  restoreBaseMap_ = false;
  excludedMode_ = false;
  noQueryMode_ = false;
  dimmed_ = false;
  pendingMapChanges_ = 0;
  pendingKeyChanges_ = 0;
  selected_ = false;
}

void TCustomContentMap2::Clear() {
  for (auto& row : relations_) row.clear();
  relations_.clear();
  ClearKeys();
  keyList_.clear();
  resultList_.clear();
}

void TCustomContentMap2::SendEmptyKeyList() {
  if (OnVXlistOfKeys) OnVXlistOfKeys(TNNKeys{}, std::string{});
}

void TCustomContentMap2::GetQueryKeys(int32_t mask, TNNKeys& list, int32_t& count) const {
  count = 0;
  if (noQueryMode_) return;
  const int32_t plusKind = excludedMode_ ? kKindExcluded : kKindQuery;
  const int32_t minusKind = excludedMode_ ? kKindQuery : kKindExcluded;
  const TControlKeyLists& current = steps_->GetCurrent();
  const TControlKeyList& plus = current[static_cast<size_t>(plusKind)];
  const TControlKeyList& minus = current[static_cast<size_t>(minusKind)];
  const bool wantPlus = (mask & 2) != 0;
  const bool wantMinus = (mask & 4) != 0;
  const size_t total = (wantPlus ? plus.size() : 0) + (wantMinus ? minus.size() : 0);
  count = static_cast<int32_t>(total);
  if (total == 0) return;
  list.resize(total);
  size_t at = 0;
  if (wantPlus) {
    for (const TControlKeyCell& cell : plus) list[at++] = CodeKey(cell.Key.Id, 2);
  }
  if (wantMinus) {
    for (const TControlKeyCell& cell : minus) list[at++] = CodeKey(cell.Key.Id, 4);
  }
}

float TCustomContentMap2::RelationAt(size_t row, size_t column) const {
  if (row >= relations_.size()) return 0.0f;
  const std::vector<float>& r = relations_[row];
  return column < r.size() ? r[column] : 0.0f;
}

}  // namespace kestrune
