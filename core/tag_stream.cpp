#include "core/tag_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "the file formats are little-endian");

namespace kestrune {

TTagStream::TTagStream(TStream* stream) : stream_(stream) {
  if (stream_) {
    bufStart_ = stream_->Position();
    if (bufStart_ < 0) bufStart_ = 0;
    streamSize_ = stream_->Size();
  }
  stack_.reserve(16);
}

int32_t TTagStream::TagClass(int32_t tag) {
  if (tag < 0 || tag > kMaxTag) return 0;
  if (tag < 128) return 1;
  if (tag < 16384) return 2;
  return 3;
}

int64_t TTagStream::MaxBody(int32_t tagClass) {
  switch (tagClass) {
    case 1: return 255;
    case 2: return 65535;
    case 3: return 0xFFFFFFFFLL;
    default: return -1;
  }
}

bool TTagStream::Refill() {
  if (endOfStream_ || !stream_) return false;
  if (buffer_.empty()) buffer_.resize(kBufferSize);
  bufStart_ += bufFill_;
  bufPos_ = 0;
  bufFill_ = 0;
  int64_t n = stream_->Read(buffer_.data(), kBufferSize);
  if (n <= 0) {
    endOfStream_ = true;
    return false;
  }
  bufFill_ = n;
  return true;
}

int64_t TTagStream::ReadBuffered(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    if (bufPos_ >= bufFill_ && !Refill()) break;
    int64_t n = std::min(count - done, bufFill_ - bufPos_);
    std::memcpy(out + done, buffer_.data() + bufPos_, static_cast<size_t>(n));
    bufPos_ += n;
    done += n;
  }
  return done;
}

int64_t TTagStream::ReadRaw(void* buffer, int64_t count) {
  if (!stream_ || count <= 0) return 0;
  return ReadBuffered(buffer, count);
}

int64_t TTagStream::TagRemaining() const {
  if (!inTag_ || stack_.empty()) return 0;
  // A tag can claim more than the stream holds: what is left of both bounds it.
  const int64_t end = std::min(stack_.back().end, streamSize_);
  return std::max<int64_t>(0, end - Position());
}

int32_t TTagStream::ReadTag() {
  if (!stream_) return -1;
  const bool parent = inTag_ && !stack_.empty();
  const int64_t parentEnd = parent ? stack_.back().end : 0;
  if (parent && parentEnd < Position() + 2) return -1;
  const int64_t headerPos = Position();
  uint8_t head[2];
  if (ReadBuffered(head, 2) < 2) {
    inTag_ = false;
    return 0;
  }
  int32_t tag;
  int64_t length;
  if ((head[0] & 1) == 0) {
    tag = head[0] >> 1;
    length = head[1];
  } else {
    tag = static_cast<uint16_t>(head[0] | (head[1] << 8)) >> 1;
    const int width = tag < 16384 ? 2 : 4;
    if (parent && parentEnd < Position() + width) return -1;
    uint8_t len[4] = {0, 0, 0, 0};
    if (ReadBuffered(len, width) < width) {
      inTag_ = false;
      return 0;
    }
    length = width == 2 ? static_cast<int64_t>(len[0] | (len[1] << 8))
                        : static_cast<int64_t>(static_cast<uint32_t>(len[0]) | (static_cast<uint32_t>(len[1]) << 8) |
                                               (static_cast<uint32_t>(len[2]) << 16) |
                                               (static_cast<uint32_t>(len[3]) << 24));
  }
  int64_t end = Position() + length;
  if (parent && end > parentEnd) end = parentEnd;
  stack_.push_back({tag, Position(), end, headerPos});
  currentTag_ = tag;
  tagLength_ = end - Position();
  inTag_ = true;
  endOfTag_ = tagLength_ == 0;
  return 1;
}

int64_t TTagStream::Read(void* buffer, int64_t count) {
  if (count < 0) count = 0;
  if (!inTag_ || stack_.empty()) {
    if (count > 0) std::memset(buffer, 0, static_cast<size_t>(count));
    endOfTag_ = true;
    return -1;
  }
  const int64_t end = stack_.back().end;
  int64_t n = count;
  const int64_t left = std::max<int64_t>(0, end - Position());
  if (n > left) {
    std::memset(buffer, 0, static_cast<size_t>(count));
    n = left;
  }
  int64_t got = ReadBuffered(buffer, n);
  if (got < n) std::memset(static_cast<uint8_t*>(buffer) + got, 0, static_cast<size_t>(n - got));
  endOfTag_ = Position() >= end;
  return got;
}

int32_t TTagStream::LeaveTag() {
  if (!stream_ || !inTag_ || stack_.empty()) return -1;
  const int64_t end = stack_.back().end;
  if (Position() != end) {
    if (end >= bufStart_ && end <= bufStart_ + bufFill_) {
      bufPos_ = end - bufStart_;
    } else {
      stream_->Seek(end, TSeekOrigin::soBeginning);
      bufStart_ = end;
      bufFill_ = 0;
      bufPos_ = 0;
    }
  }
  stack_.pop_back();
  inTag_ = !stack_.empty();
  if (inTag_) {
    currentTag_ = stack_.back().tag;
    tagLength_ = stack_.back().end - stack_.back().start;
  } else {
    currentTag_ = -1;
  }
  if (Position() >= streamSize_) endOfStream_ = true;
  endOfTag_ = inTag_ && Position() >= stack_.back().end;
  return 0;
}

void TTagStream::ReadByte(uint8_t& value, uint8_t defaultValue) {
  if (Read(&value, 1) < 0) value = defaultValue;
}
void TTagStream::ReadShortInt(int8_t& value, int8_t defaultValue) {
  if (Read(&value, 1) < 0) value = defaultValue;
}
void TTagStream::ReadWord(uint16_t& value, uint16_t defaultValue) {
  if (Read(&value, 2) < 0) value = defaultValue;
}
void TTagStream::ReadSmallInt(int16_t& value, int16_t defaultValue) {
  if (Read(&value, 2) < 0) value = defaultValue;
}
void TTagStream::ReadInteger(int32_t& value, int32_t defaultValue) {
  if (Read(&value, 4) < 0) value = defaultValue;
}
void TTagStream::ReadCardinal(uint32_t& value, uint32_t defaultValue) {
  if (Read(&value, 4) < 0) value = defaultValue;
}
void TTagStream::ReadSingle(float& value, float defaultValue) {
  if (Read(&value, 4) < 0) value = defaultValue;
}
void TTagStream::ReadBoolean(bool& value, bool defaultValue) {
  uint8_t b = 0;
  if (Read(&b, 1) < 0) {
    value = defaultValue;
  } else {
    value = b != 0;
  }
}

void TTagStream::ReadAnsiString(std::string& value, std::string_view defaultValue) {
  uint16_t count = 0;
  if (Read(&count, 2) < 0) {
    value = defaultValue;
    return;
  }
  std::string text(count, '\0');
  if (count > 0 && Read(text.data(), count) < 0) {
    value = defaultValue;
    return;
  }
  value = std::move(text);
}

void TTagStream::ReadWideString(std::u16string& value, std::u16string_view defaultValue) {
  uint16_t count = 0;
  if (Read(&count, 2) < 0) {
    value = defaultValue;
    return;
  }
  std::u16string text(count, u'\0');
  if (count > 0 && Read(text.data(), 2 * static_cast<int64_t>(count)) < 0) {
    value = defaultValue;
    return;
  }
  value = std::move(text);
}

bool TTagStream::ReadAnsiStringChecked(std::string& value) {
  if (TagRemaining() < 2) return false;
  uint16_t count = 0;
  ReadWord(count);
  if (TagRemaining() < int64_t{count}) return false;
  value.resize(count);
  if (count > 0) Read(value.data(), count);
  return true;
}

bool TTagStream::ReadWideStringChecked(std::u16string& value) {
  if (TagRemaining() < 2) return false;
  uint16_t count = 0;
  ReadWord(count);
  if (TagRemaining() < 2 * int64_t{count}) return false;
  value.resize(count);
  if (count > 0) Read(value.data(), 2 * int64_t{count});
  return true;
}

// ---- writing ----

int64_t TTagStream::WriteRaw(const void* buffer, int64_t count) {
  if (!stream_) return -1;
  int64_t n = stream_->Write(buffer, count);
  if (n != count) writeError_ = true;
  return n;
}

int64_t TTagStream::WriteTag(int32_t tag, const void* data, int64_t count) {
  if (!stream_) return -1;
  const int32_t cls = TagClass(tag);
  if (cls == 0) return kTagTooLarge;
  if (count < 0 || count > MaxBody(cls)) return kBodyTooLong;
  uint8_t head[6];
  int headLen;
  if (cls == 1) {
    head[0] = static_cast<uint8_t>(tag * 2);
    head[1] = static_cast<uint8_t>(count);
    headLen = 2;
  } else {
    const uint16_t word = static_cast<uint16_t>(tag * 2 + 1);
    head[0] = static_cast<uint8_t>(word);
    head[1] = static_cast<uint8_t>(word >> 8);
    const uint32_t len = static_cast<uint32_t>(count);
    head[2] = static_cast<uint8_t>(len);
    head[3] = static_cast<uint8_t>(len >> 8);
    head[4] = static_cast<uint8_t>(len >> 16);
    head[5] = static_cast<uint8_t>(len >> 24);
    headLen = cls == 2 ? 4 : 6;
  }
  int64_t n = stream_->Write(head, headLen);
  if (n != headLen) writeError_ = true;
  if (count > 0) {
    n = stream_->Write(data, count);
    if (n != count) writeError_ = true;
  }
  return n;
}

int64_t TTagStream::BeginTag(int32_t tag) {
  if (!stream_) return -1;
  const int64_t headerPos = stream_->Size();
  const int64_t r = WriteTag(tag, nullptr, 0);
  if (r < 0) return r;
  const int64_t start = stream_->Size();
  stack_.push_back({tag, start, start, headerPos});
  writing_ = true;
  return r;
}

int64_t TTagStream::Write(const void* buffer, int64_t count) {
  if (!stream_ || !writing_) return -1;
  int64_t n = stream_->Write(buffer, count);
  if (n != count) writeError_ = true;
  return n;
}

int64_t TTagStream::EndTag() {
  if (!stream_ || !writing_ || stack_.empty()) return -1;
  const OpenTag open = stack_.back();
  stack_.pop_back();
  if (stack_.empty()) writing_ = false;
  const int64_t size = stream_->Size();
  const int64_t length = size - open.start;
  const int32_t cls = TagClass(open.tag);
  if (length > MaxBody(cls)) {
    writeError_ = true;
    return kBodyTooLong;
  }
  const int width = cls == 1 ? 1 : cls == 2 ? 2 : 4;
  uint8_t len[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                    static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
  if (stream_->Seek(open.start - width, TSeekOrigin::soBeginning) < 0 || stream_->Write(len, width) != width) {
    writeError_ = true;
  }
  return stream_->Seek(0, TSeekOrigin::soEnd);
}

void TTagStream::WriteAnsiString(std::string_view value) {
  const uint16_t count = static_cast<uint16_t>(std::min<size_t>(value.size(), 65535));
  WriteWord(count);
  if (count > 0) Write(value.data(), count);
}

void TTagStream::WriteWideString(std::u16string_view value) {
  const uint16_t count = static_cast<uint16_t>(std::min<size_t>(value.size(), 65535));
  WriteWord(count);
  if (count > 0) Write(value.data(), 2 * static_cast<int64_t>(count));
}

}  // namespace kestrune
