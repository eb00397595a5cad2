// TKeyPositions: where each id stands in a list of keys, so that a list of
// tens of thousands of entries is searched without a walk over it.
//
// An open-addressing table of (id, position) pairs: Insert records the first
// position given for an id and reports the one already recorded, Find looks
// an id up. Any int32_t is an id; positions are 0 or more. Clear keeps the
// table's room for the next fill. Not thread-safe.
#pragma once

#include <cstdint>
#include <vector>

namespace kestrune {

class TKeyPositions {
 public:
  // The position recorded for the id; -1 when it has none.
  int32_t Find(int32_t id) const {
    if (count_ == 0) return -1;
    for (size_t i = Home(id);; i = (i + 1) & mask_) {
      const TSlot& slot = slots_[i];
      if (slot.Position < 0) return -1;
      if (slot.Id == id) return slot.Position;
    }
  }
  // Records `position` for the id unless it has one: -1 then, else the
  // position recorded before (which stays).
  int32_t Insert(int32_t id, int32_t position) {
    if ((count_ + 1) * 2 > slots_.size()) Grow(count_ + 1);
    for (size_t i = Home(id);; i = (i + 1) & mask_) {
      TSlot& slot = slots_[i];
      if (slot.Position < 0) {
        slot = TSlot{id, position};
        ++count_;
        return -1;
      }
      if (slot.Id == id) return slot.Position;
    }
  }
  // Room for `count` ids without a further growth.
  void Reserve(size_t count) {
    if (count * 2 > slots_.size()) Grow(count);
  }
  void Clear() {
    if (count_ == 0) return;
    slots_.assign(slots_.size(), TSlot{});
    count_ = 0;
  }
  size_t Count() const { return count_; }

 private:
  struct TSlot {
    int32_t Id = 0;
    int32_t Position = -1;  // -1: the slot is free
  };

  // Fibonacci hashing: the high bits of the product spread runs of ids.
  size_t Home(int32_t id) const {
    return static_cast<size_t>((static_cast<uint32_t>(id) * 0x9E3779B9u) >> shift_) & mask_;
  }
  void Grow(size_t count) {
    size_t size = 16;
    unsigned bits = 4;
    while (size < count * 2) {
      size *= 2;
      ++bits;
    }
    std::vector<TSlot> old;
    old.swap(slots_);
    slots_.assign(size, TSlot{});
    mask_ = size - 1;
    shift_ = 32 - bits;
    count_ = 0;
    for (const TSlot& slot : old) {
      if (slot.Position >= 0) Insert(slot.Id, slot.Position);
    }
  }

  std::vector<TSlot> slots_;
  size_t count_ = 0;
  size_t mask_ = 0;
  unsigned shift_ = 32;
};

}  // namespace kestrune
