// TFilesASN: the file table of the context model. It ties each result
// document (its file id, the document's number in the search) to the range of
// page elements that stand for it in the model's network.
//
// Records (FileId, First, Count) are kept in order of addition, in pages of
// 512 that never move, and indexed by FileId through an ordered set of
// pointers to them (node index = record index). File ids are unique: adding a
// known id changes nothing and answers the known record. Records are appended
// in increasing order of First (each new document takes the next page
// element), which FileOfElement's binary search relies on.
//
// The ".anf" file is a tagged stream from the file's first byte, with no
// frame: tag 2 holding the record count n, then n tags 12, each holding the 12
// bytes of one record (FileId, First, Count, little-endian) in table order.
// The reader takes the tags in order without looking at their numbers; the
// count is checked against what the stream still holds before anything is
// read. Saving writes a temporary file beside the target and renames it.
// File operations return result codes and never throw.
//
// Not thread-safe: used with its model on the user-interface thread.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/avl_tree.h"
#include "core/paged_array.h"
#include "core/stream.h"

namespace kestrune {

struct TFileRange {
  int32_t FileId = -1;
  int32_t First = 0;  // the document's first page element
  int32_t Count = 0;  // its number of page elements
};
static_assert(sizeof(TFileRange) == 12, "a record is 12 bytes in the .anf file");

class TFilesASN {
 public:
  // ".anf" tags.
  static constexpr int32_t kCountTag = 2;
  static constexpr int32_t kRecordTag = 12;

  // Result codes.
  static constexpr int32_t kDone = 0;
  static constexpr int32_t kFileError = -1;  // cannot create, open, read or write; malformed body
  static constexpr int32_t kEmptyName = -2;
  static constexpr int32_t kFileMissing = -3;  // load
  static constexpr int32_t kEmptyTable = -5;   // save: nothing is written

  TFilesASN();
  TFilesASN(const TFilesASN&) = delete;
  TFilesASN& operator=(const TFilesASN&) = delete;

  // Appends a record and returns its index; FileId -1 adds nothing (-1). A
  // known FileId adds nothing and returns that record's index.
  int32_t Add(int32_t fileId, int32_t first, int32_t count);
  // Sets a record's range; an index out of range does nothing.
  void SetRange(int32_t record, int32_t first, int32_t count);
  // The record index of a file id, -1 when unknown.
  int32_t Find(int32_t fileId);
  // Elements := First, First+1, ..., First+Count-1 of the document's record;
  // empty when Count <= 0 or the file id is unknown.
  void GetElements(int32_t fileId, std::vector<int32_t>& elements);
  // The file id of the record whose range holds the element; -1 when the
  // table is empty, the element is negative or no range holds it.
  int32_t FileOfElement(int32_t element) const;
  void Clear();

  int32_t Count() const { return count_; }
  // Record `index` (0 <= index < Count()).
  const TFileRange& Record(int32_t index) const { return records_[index]; }

  // ---- ".anf" ----
  // 0, or -1 when writing fails.
  int32_t SaveToStream(TStream& stream) const;
  // 0; -2 empty name; -5 the table is empty (no file is written); -1 failure.
  int32_t SaveToFile(std::u16string_view fileName) const;
  // Appends the records of the stream (from its position): 0, or -1 when the
  // body is malformed (the records read before the fault stay). A record
  // with FileId -1 is dropped.
  int32_t LoadFromStream(TStream& stream);
  // Clears the table, then reads: 0; -2 empty name; -3 no such file; -1
  // failure.
  int32_t LoadFromFile(std::u16string_view fileName);

 private:
  TPagedArray<TFileRange, 512> records_;
  int32_t count_ = 0;
  TIAVLTree index_;  // cPLongInt: pointers to records, ordered by FileId
};

}  // namespace kestrune
