// TIBinaryData: an arena of 16384-byte pages with mark and release, in which
// the word dictionary keeps its texts when its string cache is on.
//
// Blocks are never freed one by one: Clear frees every page, and Release hands
// out again everything allocated since the last Mark. A block never reaches
// the last byte of a page. Not thread-safe; its owner locks.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace kestrune {

class TIBinaryData {
 public:
  static constexpr int32_t kPageSize = 16384;

  TIBinaryData() = default;
  ~TIBinaryData() = default;
  TIBinaryData(const TIBinaryData&) = delete;
  TIBinaryData& operator=(const TIBinaryData&) = delete;

  // Null for n = 0 or n > 16384.
  void* Alloc(int32_t n);
  // A copy of the first `length` units (-1: all) and a 0 unit; null when the
  // text does not fit a page (more than 8191 units).
  char16_t* AllocWideStr(std::u16string_view text, int32_t length = -1);
  void Clear();
  void Mark();
  void Release();

  int32_t PageIndex() const { return page_; }
  int32_t Offset() const { return offset_; }
  // True when page i has been allocated (for tests of the page rules).
  bool HasPage(int32_t i) const { return i >= 0 && i < static_cast<int32_t>(pages_.size()) && pages_[i] != nullptr; }
  const uint8_t* PageAddress(int32_t i) const { return HasPage(i) ? pages_[i].get() : nullptr; }

 private:
  std::vector<std::unique_ptr<uint8_t[]>> pages_;
  int32_t page_ = 0;
  int32_t offset_ = 0;
  int32_t markPage_ = 0;
  int32_t markOffset_ = 0;
};

}  // namespace kestrune
