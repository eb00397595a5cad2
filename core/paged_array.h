// TPagedArray: the paged record table that every component which pages its
// records uses (word records, lexemes, parse results, network elements, AVL
// nodes). Record i lives in page i / PageSize at slot i % PageSize; pages are
// allocated (default-constructing their records) when first reserved and kept
// until Clear or destruction.
//
// FirstPageSize lets a small table stay small: page 0 starts with that many
// records and doubles up to PageSize as the table grows, moving its records.
// References into page 0 are therefore stable only once it is full size;
// references into later pages are stable until Clear.
//
// MaxPages > 0 gives a fixed directory of atomic page pointers that never
// moves: a reader may then call At() on a reserved index without a lock while
// one writer reserves more (the writer publishes each page before it hands out
// its indexes). MaxPages requires FirstPageSize == PageSize.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace kestrune {

template <typename T, uint32_t PageSize = 512, uint32_t FirstPageSize = PageSize, uint32_t MaxPages = 0>
class TPagedArray {
  static_assert(PageSize > 0 && (PageSize & (PageSize - 1)) == 0, "page size is a power of two");
  static_assert(FirstPageSize > 0 && FirstPageSize <= PageSize, "first page fits a page");
  static_assert(MaxPages == 0 || FirstPageSize == PageSize, "a fixed directory needs full first pages");

 public:
  static constexpr uint32_t kPageSize = PageSize;

  TPagedArray() {
    if constexpr (MaxPages > 0) {
      fixed_ = std::make_unique<std::atomic<T*>[]>(MaxPages);
      for (uint32_t i = 0; i < MaxPages; ++i) fixed_[i].store(nullptr, std::memory_order_relaxed);
    }
  }
  ~TPagedArray() { Clear(); }
  TPagedArray(const TPagedArray&) = delete;
  TPagedArray& operator=(const TPagedArray&) = delete;

  // Records 0..Capacity()-1 exist.
  int64_t Capacity() const { return capacity_; }
  static constexpr int64_t MaxCount() { return MaxPages > 0 ? int64_t{MaxPages} * PageSize : INT32_MAX; }

  // Makes records 0..count-1 exist. False when count exceeds MaxCount().
  bool Reserve(int64_t count) {
    if (count <= capacity_) return true;
    if (count > MaxCount()) return false;
    while (capacity_ < count) {
      const uint32_t page = static_cast<uint32_t>(capacity_ / PageSize);
      if (page == 0 && capacity_ > 0) {
        // Grow the short first page.
        const int64_t size = std::min<int64_t>(PageSize, std::max<int64_t>(capacity_ * 2, count));
        T* grown = new T[size];
        for (int64_t i = 0; i < capacity_; ++i) grown[i] = std::move(Page(0)[i]);
        delete[] Page(0);
        SetPage(0, grown);
        capacity_ = size;
        continue;
      }
      const int64_t size = page == 0 ? std::max<int64_t>(FirstPageSize, std::min<int64_t>(count, PageSize)) : PageSize;
      T* fresh = new T[size];
      SetPage(page, fresh);
      capacity_ = int64_t{page} * PageSize + size;
    }
    return true;
  }

  // Indexes are never negative: unsigned arithmetic makes the page and slot a
  // shift and a mask.
  T& operator[](int64_t i) {
    const auto u = static_cast<uint64_t>(i);
    return Page(static_cast<uint32_t>(u / PageSize))[u % PageSize];
  }
  const T& operator[](int64_t i) const {
    const auto u = static_cast<uint64_t>(i);
    return Page(static_cast<uint32_t>(u / PageSize))[u % PageSize];
  }
  // Lock-free read of a reserved record (fixed directories only).
  const T& At(int64_t i) const {
    static_assert(MaxPages > 0, "At() is for fixed directories");
    return fixed_[i / PageSize].load(std::memory_order_acquire)[i % PageSize];
  }

  // Frees every page that holds no record below `count` (all pages when count
  // is 0). Records below `count` stay where they are. Not for fixed
  // directories read without a lock while records are being freed.
  void Truncate(int64_t count) {
    if (count <= 0) {
      Clear();
      return;
    }
    const uint32_t keep = static_cast<uint32_t>((count + PageSize - 1) / PageSize);
    const uint32_t pages = static_cast<uint32_t>((capacity_ + PageSize - 1) / PageSize);
    if (keep >= pages) return;
    for (uint32_t p = keep; p < pages; ++p) {
      delete[] Page(p);
      SetPage(p, nullptr);
    }
    // A table with more than one page has a full first page.
    capacity_ = int64_t{keep} * PageSize;
  }

  void Clear() {
    const uint32_t pages = static_cast<uint32_t>((capacity_ + PageSize - 1) / PageSize);
    for (uint32_t p = 0; p < pages; ++p) {
      delete[] Page(p);
      SetPage(p, nullptr);
    }
    if constexpr (MaxPages == 0) pages_.clear();
    capacity_ = 0;
  }

 private:
  T* Page(uint32_t p) const {
    if constexpr (MaxPages > 0) {
      return fixed_[p].load(std::memory_order_relaxed);
    } else {
      return pages_[p];
    }
  }
  void SetPage(uint32_t p, T* page) {
    if constexpr (MaxPages > 0) {
      fixed_[p].store(page, std::memory_order_release);
    } else {
      if (p >= pages_.size()) pages_.resize(p + 1, nullptr);
      pages_[p] = page;
    }
  }

  std::vector<T*> pages_;
  std::unique_ptr<std::atomic<T*>[]> fixed_;
  int64_t capacity_ = 0;
};

}  // namespace kestrune
