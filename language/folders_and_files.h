// TIFoldersAndFiles: the table of folder and file names behind the document
// index (TIIndexer). The names form a tree: each item holds its own name, a
// 0-terminated UTF-16 text, and the index of its parent item (-1 for a top
// item). A folder's own name ends with its separator ("\", "/" or "|"), so
// the full name of an item is the plain concatenation of the names from its
// top item down ("/home/" + "ann/" + "notes.txt").
//
// Names under one parent are unique by the table's comparison:
// CompareWideOrdinal while CaseSensitivity is on, CompareWideNoCase while it
// is off. Adding a name that is already there gives the existing item, which
// keeps the spelling it was first stored with. A parent is always added before
// its children, so every parent index is smaller than its child's.
//
// StrCache keeps the names in a TIBinaryData arena (a name of more than 8191
// units then does not fit and is refused); without it each name has a heap
// buffer of its own. StrCache and CaseSensitivity change only while the
// table is empty.
//
// Items live in pages of 512; a second paged table holds each item's look-up
// links (its first child and its next sibling).
//
// Threads: every public operation holds the table's one lock for its whole
// run; locked operations call unlocked helpers, never each other.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "core/binary_data.h"
#include "core/paged_array.h"

namespace kestrune {

class TIFoldersAndFiles {
 public:
  static constexpr int32_t kBookmarkCount = 32;
  // Result codes.
  static constexpr int32_t kNameRefused = -1;  // empty, holds a 0 unit, or too long for the arena
  static constexpr int32_t kInvalidIndex = -6;  // not a valid item index

  struct TFFBookmark {
    int32_t Index = -1;
    int32_t Data = 0;
  };

  TIFoldersAndFiles();
  ~TIFoldersAndFiles();
  TIFoldersAndFiles(const TIFoldersAndFiles&) = delete;
  TIFoldersAndFiles& operator=(const TIFoldersAndFiles&) = delete;

  // ---- published properties ----
  bool StrCache() const;
  void SetStrCache(bool on);  // only while the table is empty
  bool CaseSensitivity() const;
  void SetCaseSensitivity(bool on);  // only while the table is empty
  bool CheckNames() const { return checkNames_; }
  void SetCheckNames(bool on) { checkNames_ = on; }
  bool CheckTypeItem() const { return checkTypeItem_; }
  void SetCheckTypeItem(bool on) { checkTypeItem_ = on; }
  int32_t DataDefault() const { return dataDefault_; }
  void SetDataDefault(int32_t value) { dataDefault_ = value; }

  // True when the name ends with "\", "/" or "|": the name of a folder.
  static bool IsFolderName(std::u16string_view name);

  int32_t Count() const;
  // The item called `name` under `parent` (-1: a top item), added when there
  // is none. kInvalidIndex for a parent that is neither -1 nor an item;
  // kNameRefused for a name that cannot be stored.
  int32_t AddItem(std::u16string_view name, int32_t parent);
  // The item called `name` under `parent`, or -1.
  int32_t FindItem(std::u16string_view name, int32_t parent) const;
  // Adds a full name part by part (each part ends after a separator, the
  // last one may not) and returns the item of the last part; kNameRefused
  // for an empty name or a part that cannot be stored (the parts before it
  // stay).
  int32_t AddFullName(std::u16string_view fullName);

  // The parent index of item i; kInvalidIndex when i is not an item.
  int32_t GetParent(int32_t i) const;
  // Item i's own name; empty for an invalid index.
  std::u16string GetName(int32_t i) const;
  // The names from the top item down to item i, joined with nothing between
  // them. Empty for an invalid index, and for a folder while CheckTypeItem
  // is on.
  std::u16string GetFullName(int32_t i) const;

  TFFBookmark Bookmark(int32_t slot) const;

  // Releases every name and frees both tables; the bookmarks start afresh.
  void Clear();

 private:
  struct TFFItem {
    const char16_t* Name = nullptr;
    int32_t Parent = -1;
  };
  struct TFFLinks {
    int32_t FirstChild = -1;
    int32_t NextSibling = -1;
  };

  bool ValidIndex(int32_t i) const { return i >= 0 && i < count_; }
  int32_t Compare(const char16_t* a, const char16_t* b) const;
  int32_t FindItemLocked(const std::u16string& name, int32_t parent) const;
  int32_t AddItemLocked(std::u16string_view name, int32_t parent);
  void ClearLocked();

  mutable std::mutex lock_;
  TPagedArray<TFFItem> items_;
  TPagedArray<TFFLinks> links_;
  int32_t count_ = 0;
  int32_t firstTop_ = -1;  // the first top item; its siblings are the others
  std::array<TFFBookmark, kBookmarkCount> bookmarks_{};
  TIBinaryData arena_;
  bool strCache_ = false;
  bool caseSensitivity_ = true;
  bool checkNames_ = false;
  bool checkTypeItem_ = true;
  int32_t dataDefault_ = 0;
};

}  // namespace kestrune
