#include "network/control_keys.h"

#include <algorithm>

namespace kestrune {

namespace {

const TControlKeyLists kEmptyLists{};

// Whether an entry of one list matches one of another: pairs by id (and
// value when asked), scope-word cells by their scope words.
bool SameEntry(const TControlKeyCell& a, const TControlKeyCell& b, bool compareValues) {
  if (a.HasScopeWords || b.HasScopeWords) return a.HasScopeWords && b.HasScopeWords && a.ScopeWords == b.ScopeWords;
  return a.Key.Id == b.Key.Id && (!compareValues || a.Key.Weight == b.Key.Weight);
}

}  // namespace

IControlKeys::IControlKeys() = default;

const TControlKeyLists& IControlKeys::GetStep(int32_t step) const {
  return ValidStep(step) ? steps_[step] : kEmptyLists;
}

void IControlKeys::Changed(int32_t code, bool silent) const {
  if (!silent && OnChange) OnChange(code);
}

int32_t IControlKeys::FindPair(const TControlKeyList& list, int32_t id) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (!list[i].HasScopeWords && list[i].Key.Id == id) return static_cast<int32_t>(i);
  }
  return -1;
}

TKeyPositions& IControlKeys::Positions(int32_t kind) const {
  if (positionsStep_ != current_) {
    positionsValid_.fill(false);
    positionsStep_ = current_;
  }
  TKeyPositions& positions = positions_[static_cast<size_t>(kind)];
  if (!positionsValid_[static_cast<size_t>(kind)]) {
    const TControlKeyList& list = steps_[current_][static_cast<size_t>(kind)];
    positions.Clear();
    positions.Reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
      if (!list[i].HasScopeWords) positions.Insert(list[i].Key.Id, static_cast<int32_t>(i));
    }
    positionsValid_[static_cast<size_t>(kind)] = true;
  }
  return positions;
}

void IControlKeys::Touched(int32_t step, int32_t kind) const {
  if (step == positionsStep_) positionsValid_[static_cast<size_t>(kind)] = false;
}

bool IControlKeys::Filled(int32_t step) const {
  for (const TControlKeyList& list : steps_[step]) {
    if (!list.empty()) return true;
  }
  return false;
}

bool IControlKeys::BehindCurrent(int32_t step) const {
  const int32_t back = (current_ - step + kStepCount) % kStepCount;
  const int32_t window = (current_ - oldest_ + kStepCount) % kStepCount;
  return back <= window;
}

void IControlKeys::EmptyStep(int32_t step) {
  for (int32_t kind = 0; kind < kKindCount; ++kind) ClearList(step, kind);
}

void IControlKeys::ClearList(int32_t step, int32_t kind) {
  steps_[step][static_cast<size_t>(kind)].clear();
  Touched(step, kind);
}

// ---- entries ----

int32_t IControlKeys::SetKey(int32_t kind, const TNNKey& key, bool silent) {
  if (!ValidKind(kind)) return -1;
  TControlKeyList& list = steps_[current_][kind];
  const int32_t found = Positions(kind).Insert(key.Id, static_cast<int32_t>(list.size()));
  if (found >= 0) {
    list[static_cast<size_t>(found)].Key.Weight = key.Weight;
    return -1;
  }
  list.push_back(TControlKeyCell{key, false, {}});
  Changed(kind, silent);
  return static_cast<int32_t>(list.size()) - 1;
}

int32_t IControlKeys::SetValue(int32_t kind, int32_t id, float value, bool silent) {
  if (!ValidKind(kind)) return -1;
  return SetKey(kind, TNNKey{id, value}, silent) == -1 ? 0 : 1;
}

void IControlKeys::Delete(int32_t kind, int32_t index, bool silent) {
  if (!ValidKind(kind)) return;
  TControlKeyList& list = steps_[current_][kind];
  if (index < 0 || index >= static_cast<int32_t>(list.size())) return;
  list.erase(list.begin() + index);
  Touched(current_, kind);
  Changed(kind, silent);
}

void IControlKeys::Remove(int32_t kind, int32_t id, bool silent) {
  const int32_t found = IndexOf(kind, id);
  if (found < 0) return;
  TControlKeyList& list = steps_[current_][kind];
  list.erase(list.begin() + found);
  Touched(current_, kind);
  Changed(kind, silent);
}

void IControlKeys::RemoveIds(int32_t kind, const std::vector<int32_t>& ids, bool silent) {
  if (!ValidKind(kind) || ids.empty()) return;
  TControlKeyList& list = steps_[current_][kind];
  const TKeyPositions& positions = Positions(kind);
  std::vector<bool> drop(list.size(), false);
  size_t dropped = 0;
  for (const int32_t id : ids) {
    const int32_t at = positions.Find(id);
    if (at >= 0 && !drop[static_cast<size_t>(at)]) {
      drop[static_cast<size_t>(at)] = true;
      ++dropped;
    }
  }
  if (dropped == 0) return;
  size_t kept = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    if (drop[i]) continue;
    if (kept != i) list[kept] = std::move(list[i]);
    ++kept;
  }
  list.resize(kept);
  Touched(current_, kind);
  for (size_t i = 0; i < dropped; ++i) Changed(kind, silent);
}

int32_t IControlKeys::IndexOf(int32_t kind, int32_t id) const {
  return ValidKind(kind) ? Positions(kind).Find(id) : -1;
}

void IControlKeys::ClearKind(int32_t kind, bool silent) { ClearKindOfStep(kind, current_, silent); }

void IControlKeys::ClearKindOfStep(int32_t kind, int32_t step, bool silent) {
  if (!ValidKind(kind) || !ValidStep(step)) return;
  ClearList(step, kind);
  Changed(kind, silent);
}

int32_t IControlKeys::SetValueOfStep(int32_t kind, int32_t step, int32_t id, float value) {
  if (!ValidKind(kind) || !ValidStep(step)) return -1;
  if (step == current_) return SetKey(kind, TNNKey{id, value}, true) == -1 ? 0 : 1;
  TControlKeyList& list = steps_[step][kind];
  const int32_t at = FindPair(list, id);
  if (at >= 0) {
    list[static_cast<size_t>(at)].Key.Weight = value;
    return 0;
  }
  list.push_back(TControlKeyCell{TNNKey{id, value}, false, {}});
  Touched(step, kind);
  return 1;
}

void IControlKeys::ClearAll(bool silent) {
  for (int32_t kind = 0; kind < kKindCount; ++kind) ClearKind(kind, silent);
  Changed(kChangeStep, silent);
}

int32_t IControlKeys::AddScopeWords(const TTScopeWords& words, bool silent) {
  steps_[current_][kScopeWordsKind].push_back(TControlKeyCell{TNNKey{}, true, words});
  Touched(current_, kScopeWordsKind);
  Changed(kScopeWordsKind, silent);
  return -1;
}

bool IControlKeys::ListsDiffer(const TControlKeyList& a, const TControlKeyList& b, bool compareValues) {
  if (a.size() != b.size()) return true;
  // A list copied from the other holds its entries in the same order.
  size_t same = 0;
  while (same < a.size() && SameEntry(a[same], b[same], compareValues)) ++same;
  if (same == a.size()) return false;
  // Otherwise each further entry of a looks among the pairs of b with its id
  // (chained from the first one), or among b's scope-word cells.
  TKeyPositions first;
  first.Reserve(b.size());
  std::vector<int32_t> next(b.size(), -1);
  std::vector<const TControlKeyCell*> scopeCells;
  for (size_t i = 0; i < b.size(); ++i) {
    if (b[i].HasScopeWords) {
      scopeCells.push_back(&b[i]);
      continue;
    }
    const int32_t head = first.Insert(b[i].Key.Id, static_cast<int32_t>(i));
    if (head >= 0) {
      next[i] = next[static_cast<size_t>(head)];
      next[static_cast<size_t>(head)] = static_cast<int32_t>(i);
    }
  }
  for (size_t i = same; i < a.size(); ++i) {
    const TControlKeyCell& cell = a[i];
    bool matched = false;
    if (cell.HasScopeWords) {
      matched = std::any_of(scopeCells.begin(), scopeCells.end(),
                            [&](const TControlKeyCell* other) { return SameEntry(cell, *other, compareValues); });
    } else {
      for (int32_t j = first.Find(cell.Key.Id); j >= 0 && !matched; j = next[static_cast<size_t>(j)]) {
        matched = SameEntry(cell, b[static_cast<size_t>(j)], compareValues);
      }
    }
    if (!matched) return true;
  }
  return false;
}

bool IControlKeys::StepsDiffer(int32_t kind, int32_t stepA, int32_t stepB, bool compareValues) const {
  if (!ValidKind(kind) || !ValidStep(stepA) || !ValidStep(stepB)) return false;
  return ListsDiffer(steps_[stepA][kind], steps_[stepB][kind], compareValues);
}

void IControlKeys::CopyKindFromStep(int32_t kind, int32_t step) {
  if (!ValidKind(kind) || !ValidStep(step) || step == current_) return;
  const TControlKeyList& from = steps_[step][kind];
  steps_[current_][kind].reserve(steps_[current_][kind].size() + from.size());
  Positions(kind).Reserve(steps_[current_][kind].size() + from.size());
  for (const TControlKeyCell& cell : from) {
    if (!cell.HasScopeWords) SetKey(kind, cell.Key, true);
  }
}

void IControlKeys::RenumberKind(int32_t kind, const std::vector<int32_t>& newIds) {
  if (!ValidKind(kind)) return;
  for (TControlKeyLists& step : steps_) {
    TControlKeyList& list = step[static_cast<size_t>(kind)];
    std::erase_if(list, [&](TControlKeyCell& cell) {
      if (cell.HasScopeWords) return false;
      const int32_t id = cell.Key.Id;
      if (id < 0 || static_cast<size_t>(id) >= newIds.size() || newIds[static_cast<size_t>(id)] < 0) return true;
      cell.Key.Id = newIds[static_cast<size_t>(id)];
      return false;
    });
  }
  Touched(positionsStep_, kind);
}

// ---- the ring ----

bool IControlKeys::PushStep() {
  // The step before the current one is its history only while the current
  // step is not the oldest; otherwise it compares with an empty step.
  const TControlKeyLists& current = steps_[current_];
  const TControlKeyLists& prev = current_ == oldest_ ? kEmptyLists : steps_[Prev(current_)];
  bool differ = false;
  for (int32_t kind : {kKindQuery, kKindExcluded, kKindDocuments, kKindMarks, kKindStopWord, kKindScopeIndex}) differ = differ || ListsDiffer(current[kind], prev[kind], false);
  for (int32_t kind : {kKindSettings, kKindRemovedLinks, kKindHiddenSites}) differ = differ || ListsDiffer(current[kind], prev[kind], true);
  if (!differ && current[kScopeWordsKind].empty()) return true;

  const int32_t old = current_;
  current_ = Next(old);
  EmptyStep(current_);
  for (int32_t kind : {kKindQuery, kKindExcluded, kKindDocuments, kKindMarks, kKindHovered, kKindAnnounced,
                        kKindSettings, kKindRemovedLinks, kKindHiddenSites, kKindScopeIndex}) CopyKindFromStep(kind, old);
  if (current_ == oldest_) oldest_ = Next(current_);
  newest_ = current_;
  Changed(kChangeStep, false);
  return true;
}

int32_t IControlKeys::LastStepWithKind(int32_t kind) const {
  if (!ValidKind(kind)) return -1;
  for (int32_t step = current_;; step = Prev(step)) {
    if (!steps_[step][kind].empty()) return step;
    if (step == oldest_) return -1;
  }
}

bool IControlKeys::CanBack() const { return current_ != oldest_ && Filled(Prev(current_)); }

bool IControlKeys::Back() {
  if (!CanBack()) return false;
  current_ = Prev(current_);
  return true;
}

bool IControlKeys::CanForward() const { return current_ != newest_ && Filled(Next(current_)); }

bool IControlKeys::Forward() {
  if (!CanForward()) return false;
  current_ = Next(current_);
  return true;
}

bool IControlKeys::StepForward() {
  if (!Filled(Next(current_))) return false;
  current_ = Next(current_);
  return true;
}

void IControlKeys::CutForward() {
  const int32_t last = std::min(current_ + 2, kStepCount - 1);
  for (int32_t s = current_ + 1; s <= last; ++s) {
    // On a ring that has gone round, the steps after the newest one are the
    // oldest of its history: those stay.
    if (!BehindCurrent(s)) {
      for (int32_t kind = 0; kind < kKindCount; ++kind) {
        if (kind != kScopeWordsKind) ClearList(s, kind);
      }
    }
    ClearList(current_, kScopeWordsKind);
  }
  newest_ = current_;
  Changed(kChangeCut, false);
}

void IControlKeys::ClearBack() {
  const int32_t remembered = current_;
  for (int32_t i = 0; i < kStepCount - 1; ++i) {
    if (!Back()) break;
    EmptyStep(current_);
  }
  current_ = remembered;
  oldest_ = current_;
  Changed(kChangeStep, false);
}

void IControlKeys::ClearHistory() {
  for (int32_t i = 0; i < kStepCount; ++i) {
    StepForward();
    EmptyStep(current_);
  }
  current_ = 0;
  oldest_ = 0;
  newest_ = 0;
  Changed(kChangeStep, false);
}

// ---- the chunk of older projects ----
//
// Body of the nested tag, little-endian: for each kind 0..11 an i32 count,
// then count times an i32 id and an f32 value.

int32_t IControlKeys::LoadFromTagStream(TTagStream& stream) {
  ClearHistory();
  // The walk of ClearHistory need not pass step 0; the chunk replaces it whole.
  EmptyStep(0);
  if (stream.ReadTag() <= 0) return kChunkFailed;

  std::array<TNNKeys, kKindCount> read;
  bool sound = true;
  for (int32_t kind = 0; kind < kKindCount && sound; ++kind) {
    const int64_t left = stream.TagRemaining();
    if (left == 0) continue;  // a chunk that ends here holds no further entries
    if (left < 4) {
      sound = false;
      break;
    }
    int32_t count = 0;
    stream.ReadInteger(count);
    if (count < 0 || static_cast<int64_t>(count) > stream.TagRemaining() / 8) {
      sound = false;
      break;
    }
    read[kind].resize(static_cast<size_t>(count));
    for (TNNKey& key : read[kind]) {
      stream.ReadInteger(key.Id);
      stream.ReadSingle(key.Weight);
    }
  }
  stream.LeaveTag();
  if (!sound) return kChunkFailed;

  for (int32_t kind = 0; kind < kKindCount; ++kind) {
    for (const TNNKey& key : read[kind]) SetKey(kind, key, false);
  }
  return kChunkOk;
}

int32_t IControlKeys::SaveToTagStream(TTagStream& stream) const {
  if (stream.BeginTag(kStepBodyTag) < 0) return kChunkFailed;
  for (const TControlKeyList& list : steps_[current_]) {
    const auto count = std::count_if(list.begin(), list.end(), [](const TControlKeyCell& c) { return !c.HasScopeWords; });
    stream.WriteInteger(static_cast<int32_t>(count));
    for (const TControlKeyCell& cell : list) {
      if (cell.HasScopeWords) continue;
      stream.WriteInteger(cell.Key.Id);
      stream.WriteSingle(cell.Key.Weight);
    }
  }
  if (stream.EndTag() < 0 || stream.WriteError()) return kChunkFailed;
  return kChunkOk;
}

}  // namespace kestrune
