#include "network/files_asn.h"

#include <algorithm>

#include "core/frame.h"
#include "core/tag_stream.h"
#include "platform/files.h"

namespace kestrune {

namespace {

// A record tag: a one-byte tag header and the 12 bytes of the record.
constexpr int64_t kRecordTagSize = 2 + static_cast<int64_t>(sizeof(TFileRange));

}  // namespace

TFilesASN::TFilesASN() { index_.SetItemType(TItemType::cPLongInt); }

int32_t TFilesASN::Add(int32_t fileId, int32_t first, int32_t count) {
  if (fileId == -1) return -1;
  if (const int32_t known = Find(fileId); known >= 0) return known;
  if (!records_.Reserve(int64_t{count_} + 1)) return -1;
  TFileRange& record = records_[count_];
  record = TFileRange{fileId, first, count};
  ++count_;
  index_.Add(&record);  // node index = record index
  return count_ - 1;
}

void TFilesASN::SetRange(int32_t record, int32_t first, int32_t count) {
  if (record < 0 || record >= count_) return;
  records_[record].First = first;
  records_[record].Count = count;
}

int32_t TFilesASN::Find(int32_t fileId) {
  const TFileRange probe{fileId, 0, 0};
  return index_.Find(&probe);
}

void TFilesASN::GetElements(int32_t fileId, std::vector<int32_t>& elements) {
  elements.clear();
  const int32_t record = Find(fileId);
  if (record < 0) return;
  const TFileRange& range = records_[record];
  const int64_t end = std::min<int64_t>(int64_t{range.First} + range.Count, int64_t{INT32_MAX} + 1);
  for (int64_t element = range.First; element < end; ++element) elements.push_back(static_cast<int32_t>(element));
}

int32_t TFilesASN::FileOfElement(int32_t element) const {
  if (count_ == 0 || element < 0) return -1;
  // The last record whose range starts at or before the element.
  int32_t low = 0;
  int32_t high = count_ - 1;
  int32_t found = -1;
  while (low <= high) {
    const int32_t middle = low + (high - low) / 2;
    if (records_[middle].First <= element) {
      found = middle;
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  if (found < 0) return -1;
  const TFileRange& range = records_[found];
  return int64_t{element} < int64_t{range.First} + range.Count ? range.FileId : -1;
}

void TFilesASN::Clear() {
  index_.Clear();
  records_.Clear();
  count_ = 0;
}

// ---------------------------------------------------------------------------
// ".anf"

int32_t TFilesASN::SaveToStream(TStream& stream) const {
  try {
    TTagStream tags(&stream);
    tags.BeginTag(kCountTag);
    tags.WriteInteger(count_);
    tags.EndTag();
    for (int32_t i = 0; i < count_; ++i) {
      const TFileRange& record = records_[i];
      tags.BeginTag(kRecordTag);
      tags.WriteInteger(record.FileId);
      tags.WriteInteger(record.First);
      tags.WriteInteger(record.Count);
      tags.EndTag();
    }
    return tags.WriteError() ? kFileError : kDone;
  } catch (...) {
    return kFileError;
  }
}

int32_t TFilesASN::SaveToFile(std::u16string_view fileName) const {
  if (fileName.empty()) return kEmptyName;
  if (count_ == 0) return kEmptyTable;
  // A read-only target is written all the same and made read-only again
  // afterwards, whatever the result.
  const platform::PathInfo info = platform::GetPathInfo(fileName);
  const bool wasReadOnly = info.exists && info.isFile && info.readOnly;
  if (wasReadOnly) platform::SetReadOnly(fileName, false);
  int32_t result;
  try {
    result = SaveFileAtomically(fileName, kFileError, [this](TStream& file) { return SaveToStream(file); });
  } catch (...) {
    result = kFileError;
  }
  if (wasReadOnly) platform::SetReadOnly(fileName, true);
  return result;
}

int32_t TFilesASN::LoadFromStream(TStream& stream) {
  try {
    TTagStream tags(&stream);
    if (tags.ReadTag() <= 0) return kFileError;
    int32_t n = 0;
    if (tags.Read(&n, 4) != 4) return kFileError;
    tags.LeaveTag();
    // Every record takes a tag of its own after the count.
    const int64_t left = tags.StreamSize() - tags.Position();
    if (n < 0 || n > left / kRecordTagSize) return kFileError;
    for (int32_t i = 0; i < n; ++i) {
      if (tags.ReadTag() <= 0) return kFileError;
      TFileRange record;
      if (tags.Read(&record, sizeof(record)) != static_cast<int64_t>(sizeof(record))) return kFileError;
      tags.LeaveTag();
      Add(record.FileId, record.First, record.Count);  // FileId -1 is dropped
    }
    return kDone;
  } catch (...) {
    return kFileError;
  }
}

int32_t TFilesASN::LoadFromFile(std::u16string_view fileName) {
  if (fileName.empty()) return kEmptyName;
  if (!platform::FileExists(fileName)) return kFileMissing;
  Clear();
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  if (!file.HandleValid()) return kFileError;
  return LoadFromStream(file);
}

}  // namespace kestrune
