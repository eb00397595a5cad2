// TSlotSet: a set of element indexes of one network layer (the layer's active
// set or context set), walked by item index.
//
// The items are a dense array (items 0..Count()-1), and beside it every
// element index 0..Limit()-1 has the item index it holds (-1 when it is not in
// the set). Add appends a new value as the last item; Delete(i) moves the last
// item into slot i, so only the last item's index changes. That is the item
// order of an ordered set whose nodes stay dense (TIAVLTree): the order the
// spreading sums are built in. Add, Find, Delete and the membership test are
// constant time; Clear costs the number of items (one sweep of the index
// array when they are many).
//
// Values outside 0..Limit()-1 are never in the set: Add refuses them (-1). The
// owning layer raises the limit as it adds elements. Not thread-safe.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kestrune {

class TSlotSet {
 public:
  // Element indexes 0..limit-1 may join; a smaller limit changes nothing.
  void Grow(int32_t limit) {
    if (limit > Limit()) slots_.resize(static_cast<size_t>(limit), -1);
  }
  int32_t Limit() const { return static_cast<int32_t>(slots_.size()); }

  // Appends the value unless it is present. The value's item index; -1 for a
  // value outside 0..Limit()-1.
  int32_t Add(int32_t value) {
    if (!InRange(value)) return -1;
    int32_t& slot = slots_[static_cast<size_t>(value)];
    if (slot < 0) {
      slot = Count();
      items_.push_back(value);
    }
    return slot;
  }
  // The item index holding the value, or -1.
  int32_t Find(int32_t value) const { return InRange(value) ? slots_[static_cast<size_t>(value)] : -1; }
  bool Contains(int32_t value) const { return Find(value) >= 0; }
  // Removes item `index` (other indexes do nothing); the last item then moves
  // into slot `index`.
  void Delete(int32_t index) {
    if (index < 0 || index >= Count()) return;
    const int32_t last = items_.back();
    slots_[static_cast<size_t>(items_[static_cast<size_t>(index)])] = -1;
    if (index != Count() - 1) {
      items_[static_cast<size_t>(index)] = last;
      slots_[static_cast<size_t>(last)] = index;
    }
    items_.pop_back();
  }
  // The value of item `index`; -1 out of range.
  int32_t GetItem(int32_t index) const {
    return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)] : -1;
  }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Items 0..Count()-1.
  const int32_t* Items() const { return items_.data(); }

  // Adds for a loop that must call nothing: Adder(room) makes room for up to
  // `room` new values and gives a small value the loop keeps in registers;
  // Commit ends the adding. In between the set is used only through the
  // adder.
  struct TAdder {
    int32_t* slotOf;
    int32_t* items;
    int32_t count;
    int32_t limit;

    // As TSlotSet::Add and Find.
    int32_t Add(int32_t value) {
      if (static_cast<uint32_t>(value) >= static_cast<uint32_t>(limit)) return -1;
      int32_t& slot = slotOf[value];
      if (slot < 0) {
        slot = count;
        items[count++] = value;
      }
      return slot;
    }
    int32_t Find(int32_t value) const {
      return static_cast<uint32_t>(value) < static_cast<uint32_t>(limit) ? slotOf[value] : -1;
    }
  };
  TAdder Adder(int32_t room) {
    const int32_t count = Count();
    items_.resize(static_cast<size_t>(count) + static_cast<size_t>(std::max(room, 0)));
    return TAdder{slots_.data(), items_.data(), count, Limit()};
  }
  void Commit(const TAdder& adder) { items_.resize(static_cast<size_t>(adder.count)); }

  // Empties the set; the limit stays.
  void Clear() {
    if (items_.size() * 8 > slots_.size()) {
      std::fill(slots_.begin(), slots_.end(), -1);  // most entries: one sweep
    } else {
      for (const int32_t value : items_) slots_[static_cast<size_t>(value)] = -1;
    }
    items_.clear();
  }
  // Empties the set, limit 0, memory freed.
  void Release() {
    std::vector<int32_t>().swap(items_);
    std::vector<int32_t>().swap(slots_);
  }

 private:
  bool InRange(int32_t value) const { return value >= 0 && value < Limit(); }

  std::vector<int32_t> items_;
  std::vector<int32_t> slots_;  // per element index: its item index, -1 none
};

}  // namespace kestrune
