#include "language/folders_and_files.h"

#include "core/base.h"

namespace kestrune {

TIFoldersAndFiles::TIFoldersAndFiles() = default;

TIFoldersAndFiles::~TIFoldersAndFiles() {
  std::lock_guard<std::mutex> guard(lock_);
  ClearLocked();
}

bool TIFoldersAndFiles::StrCache() const {
  std::lock_guard<std::mutex> guard(lock_);
  return strCache_;
}

void TIFoldersAndFiles::SetStrCache(bool on) {
  std::lock_guard<std::mutex> guard(lock_);
  if (count_ == 0) strCache_ = on;
}

bool TIFoldersAndFiles::CaseSensitivity() const {
  std::lock_guard<std::mutex> guard(lock_);
  return caseSensitivity_;
}

void TIFoldersAndFiles::SetCaseSensitivity(bool on) {
  std::lock_guard<std::mutex> guard(lock_);
  if (count_ == 0) caseSensitivity_ = on;
}

bool TIFoldersAndFiles::IsFolderName(std::u16string_view name) {
  if (name.empty()) return false;
  const char16_t last = name.back();
  return last == u'\\' || last == u'/' || last == u'|';
}

int32_t TIFoldersAndFiles::Count() const {
  std::lock_guard<std::mutex> guard(lock_);
  return count_;
}

int32_t TIFoldersAndFiles::Compare(const char16_t* a, const char16_t* b) const {
  return caseSensitivity_ ? CompareWideOrdinal(a, b) : CompareWideNoCase(a, b);
}

int32_t TIFoldersAndFiles::FindItemLocked(const std::u16string& name, int32_t parent) const {
  int32_t i = parent < 0 ? firstTop_ : links_[parent].FirstChild;
  while (i >= 0) {
    if (Compare(name.c_str(), items_[i].Name) == 0) return i;
    i = links_[i].NextSibling;
  }
  return -1;
}

int32_t TIFoldersAndFiles::AddItemLocked(std::u16string_view name, int32_t parent) {
  if (parent != -1 && !ValidIndex(parent)) return kInvalidIndex;
  if (name.empty() || name.find(u'\0') != std::u16string_view::npos) return kNameRefused;
  const std::u16string text(name);
  const int32_t found = FindItemLocked(text, parent);
  if (found >= 0) return found;
  if (count_ == INT32_MAX || !items_.Reserve(int64_t{count_} + 1) || !links_.Reserve(int64_t{count_} + 1)) {
    return kNameRefused;
  }
  const char16_t* stored = strCache_ ? arena_.AllocWideStr(text) : WideStrToBuffer(text);
  if (stored == nullptr) return kNameRefused;

  const int32_t index = count_++;
  items_[index] = TFFItem{stored, parent};
  // New items go to the front of their parent's chain.
  int32_t& head = parent < 0 ? firstTop_ : links_[parent].FirstChild;
  links_[index] = TFFLinks{-1, head};
  head = index;
  return index;
}

int32_t TIFoldersAndFiles::AddItem(std::u16string_view name, int32_t parent) {
  std::lock_guard<std::mutex> guard(lock_);
  return AddItemLocked(name, parent);
}

int32_t TIFoldersAndFiles::FindItem(std::u16string_view name, int32_t parent) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (parent != -1 && !ValidIndex(parent)) return -1;
  return FindItemLocked(std::u16string(name), parent);
}

int32_t TIFoldersAndFiles::AddFullName(std::u16string_view fullName) {
  std::lock_guard<std::mutex> guard(lock_);
  if (fullName.empty()) return kNameRefused;
  int32_t parent = -1;
  size_t start = 0;
  while (start < fullName.size()) {
    size_t end = fullName.find_first_of(u"\\/|", start);
    end = end == std::u16string_view::npos ? fullName.size() : end + 1;
    parent = AddItemLocked(fullName.substr(start, end - start), parent);
    if (parent < 0) return parent;
    start = end;
  }
  return parent;
}

int32_t TIFoldersAndFiles::GetParent(int32_t i) const {
  std::lock_guard<std::mutex> guard(lock_);
  return ValidIndex(i) ? items_[i].Parent : kInvalidIndex;
}

std::u16string TIFoldersAndFiles::GetName(int32_t i) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (!ValidIndex(i) || items_[i].Name == nullptr) return {};
  return std::u16string(items_[i].Name);
}

std::u16string TIFoldersAndFiles::GetFullName(int32_t i) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (!ValidIndex(i)) return {};
  const std::u16string_view own(items_[i].Name != nullptr ? items_[i].Name : u"");
  if (checkTypeItem_ && IsFolderName(own)) return {};
  // Parents have smaller indexes than their children, so the walk ends.
  std::u16string full(own);
  for (int32_t p = items_[i].Parent; p >= 0; p = items_[p].Parent) {
    if (items_[p].Name != nullptr) full.insert(0, items_[p].Name);
  }
  return full;
}

TIFoldersAndFiles::TFFBookmark TIFoldersAndFiles::Bookmark(int32_t slot) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (slot < 0 || slot >= kBookmarkCount) return {};
  return bookmarks_[static_cast<size_t>(slot)];
}

void TIFoldersAndFiles::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  ClearLocked();
}

void TIFoldersAndFiles::ClearLocked() {
  if (strCache_) {
    arena_.Clear();
  } else {
    for (int32_t i = 0; i < count_; ++i) {
      char16_t* name = const_cast<char16_t*>(items_[i].Name);
      FreeWideBuffer(name);
    }
  }
  items_.Clear();
  links_.Clear();
  count_ = 0;
  firstTop_ = -1;
  bookmarks_.fill(TFFBookmark{});
}

}  // namespace kestrune
