#include "core/binary_data.h"

#include <cstring>

namespace kestrune {

void* TIBinaryData::Alloc(int32_t n) {
  if (n <= 0 || n > kPageSize) return nullptr;
  if (offset_ + n > kPageSize - 1) {
    ++page_;
    offset_ = 0;
  }
  if (page_ >= static_cast<int32_t>(pages_.size())) pages_.resize(pages_.size() + 1024);
  if (!pages_[page_]) pages_[page_] = std::make_unique<uint8_t[]>(kPageSize);
  void* p = pages_[page_].get() + offset_;
  offset_ += n;
  return p;
}

char16_t* TIBinaryData::AllocWideStr(std::u16string_view text, int32_t length) {
  if (length < 0 || static_cast<size_t>(length) > text.size()) length = static_cast<int32_t>(text.size());
  auto* p = static_cast<char16_t*>(Alloc(2 * length + 2));
  if (!p) return nullptr;
  std::memcpy(p, text.data(), static_cast<size_t>(length) * 2);
  p[length] = 0;
  return p;
}

void TIBinaryData::Clear() {
  pages_.clear();
  page_ = offset_ = markPage_ = markOffset_ = 0;
}

void TIBinaryData::Mark() {
  markPage_ = page_;
  markOffset_ = offset_;
}

void TIBinaryData::Release() {
  page_ = markPage_;
  offset_ = markOffset_;
}

}  // namespace kestrune
