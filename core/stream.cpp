#include "core/stream.h"

#include <algorithm>
#include <cstring>

namespace kestrune {

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> buffer(64 * 1024);
  int64_t done = 0;
  while (done < count) {
    int64_t chunk = std::min<int64_t>(count - done, static_cast<int64_t>(buffer.size()));
    int64_t n = source.Read(buffer.data(), chunk);
    if (n <= 0) break;
    if (Write(buffer.data(), n) != n) break;
    done += n;
  }
  return done;
}

TMemoryStream::TMemoryStream(const void* bytes, size_t count)
    : data_(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + count) {}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ >= Size()) return 0;
  int64_t n = std::min<int64_t>(count, Size() - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = position_ + count;
  if (end > Size()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? position_ : Size();
  int64_t target = base + offset;
  if (target < 0) return -1;
  position_ = target;
  return position_;
}

bool TMemoryStream::SetSize(int64_t size) {
  if (size < 0) return false;
  data_.resize(static_cast<size_t>(size));
  if (position_ > size) position_ = size;
  return true;
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

int32_t TMemoryStream::LoadFromFile(std::u16string_view fileName) {
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  if (!file.HandleValid()) return -1;
  Clear();
  int64_t size = file.Size();
  data_.resize(static_cast<size_t>(size));
  int64_t n = size > 0 ? file.Read(data_.data(), size) : 0;
  data_.resize(static_cast<size_t>(std::max<int64_t>(n, 0)));
  return n == size ? 0 : -1;
}

int32_t TMemoryStream::SaveToFile(std::u16string_view fileName) {
  TFileStreamW file(fileName, TFileStreamW::fmCreate);
  if (!file.HandleValid()) return -1;
  return file.Write(data_.data(), Size()) == Size() ? 0 : -1;
}

int64_t THandleStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  int64_t n = file_.Read(buffer, count);
  return n < 0 ? 0 : n;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  int64_t n = file_.Write(buffer, count);
  if (n != count) NoteWriteFailure();
  return n < 0 ? 0 : n;
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? 1 : 2;
  if (!file_.Valid()) return 0;
  return file_.Seek(offset, whence);
}

int64_t THandleStream::Size() { return file_.Size(); }

bool THandleStream::SetSize(int64_t size) {
  bool ok = file_.SetSize(size);
  if (!ok) NoteWriteFailure();
  return ok;
}

TFileStreamW::TFileStreamW(std::u16string_view fileName, uint16_t mode) {
  using Access = platform::NativeFile::Access;
  if (mode == fmCreate) {
    file_.Open(fileName, Access::kReadWrite, /*create=*/true, /*truncate=*/true);
    return;
  }
  switch (mode & 3) {
    case 0: file_.Open(fileName, Access::kRead, false, false); break;
    case 1: file_.Open(fileName, Access::kWrite, false, false); break;
    case 2: file_.Open(fileName, Access::kReadWrite, false, false); break;
    default: break;  // invalid access: the handle stays invalid
  }
}

}  // namespace kestrune
