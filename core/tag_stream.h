// TTagStream: the tagged binary stream on which every binary file of the
// system is written.
//
// A stream is a sequence of tags, each a header (tag number and body length)
// followed by its body; bodies may nest further tags. The class of a tag, and
// so the width of its header, follows from its number:
//   class 1: 0..127        u8 tag*2,   u8 length        (body <= 255)
//   class 2: 128..16383    u16 tag*2+1, u16 length      (body <= 65535)
//   class 3: 16384..32767  u16 tag*2+1, u32 length
// All values are little-endian. Strings are a u16 count then bytes or UTF-16
// units.
//
// One TTagStream is used either to read or to write, never both. It wraps a
// stream it does not own. Reading goes through a 16384-byte buffer, so the
// wrapped stream's own position runs ahead of Position() while reading.
//
// A child's end is computed in 64 bits and clamped to its parent's end, so a
// corrupt length can never move the reader outside the tag that holds it.
// Writers note any failure (a short write, a body too long for its class) in
// WriteError(); savers check it before they keep the file.
//
// Reading protocol of every reader:
//   1. ReadTag
//   2. a known leaf tag: read its fields; a container whose children this
//      loop reads: if !EndOfTag() go back to 1; anything else: nothing
//   3. LeaveTag (skips whatever was not read)
//   4. if CurrentTag() is now a container and EndOfTag(), LeaveTag again
//   5. repeat until EndOfStream()
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/stream.h"

namespace kestrune {

class TTagStream {
 public:
  static constexpr int32_t kBufferSize = 16384;
  static constexpr int32_t kMaxTag = 32767;
  static constexpr int32_t kTagTooLarge = -100;
  static constexpr int32_t kBodyTooLong = -101;

  explicit TTagStream(TStream* stream);
  TTagStream(const TTagStream&) = delete;
  TTagStream& operator=(const TTagStream&) = delete;

  // ---- reading ----
  int64_t ReadRaw(void* buffer, int64_t count);
  // Positive when a tag was entered; 0 or -1 when none (end of stream, or no
  // room left in the parent).
  int32_t ReadTag();
  // Bytes of the innermost open tag; -1 (and zero-filled output) when none is open.
  int64_t Read(void* buffer, int64_t count);
  int32_t LeaveTag();

  // Typed reads: the output gets the default only when no tag is open; inside
  // a tag, bytes past its end read as zero.
  void ReadByte(uint8_t& value, uint8_t defaultValue = 0);
  void ReadShortInt(int8_t& value, int8_t defaultValue = 0);
  void ReadWord(uint16_t& value, uint16_t defaultValue = 0);
  void ReadSmallInt(int16_t& value, int16_t defaultValue = 0);
  void ReadInteger(int32_t& value, int32_t defaultValue = 0);
  void ReadCardinal(uint32_t& value, uint32_t defaultValue = 0);
  void ReadSingle(float& value, float defaultValue = 0.0f);
  void ReadBoolean(bool& value, bool defaultValue = false);
  void ReadAnsiString(std::string& value, std::string_view defaultValue = {});
  void ReadWideString(std::u16string& value, std::u16string_view defaultValue = {});
  // Strict string reads for readers that treat a string running past its tag
  // (or the stream) as damage: false, with `value` untouched, unless the count
  // and the whole text are there.
  bool ReadAnsiStringChecked(std::string& value);
  bool ReadWideStringChecked(std::u16string& value);

  int32_t CurrentTag() const { return currentTag_; }
  int64_t TagLength() const { return tagLength_; }
  // Bytes of the innermost open tag not read yet, and no more than the stream
  // still holds (0 when none is open): the bound for counts read from a file.
  int64_t TagRemaining() const;
  // Absolute end of the innermost open tag's body as declared (clamped to its
  // parent); past StreamSize() when the tag claims more than the stream holds.
  int64_t TagEnd() const { return inTag_ && !stack_.empty() ? stack_.back().end : Position(); }
  bool InTag() const { return inTag_; }
  bool EndOfTag() const { return endOfTag_; }
  bool EndOfStream() const { return endOfStream_; }
  int64_t Position() const { return bufStart_ + bufPos_; }
  int64_t StreamSize() const { return streamSize_; }

  // ---- writing ----
  int64_t WriteRaw(const void* buffer, int64_t count);
  // The count of the last write, or -1 (no stream), -100 (tag too large),
  // -101 (body too long for the tag's class).
  int64_t WriteTag(int32_t tag, const void* data, int64_t count);
  int64_t BeginTag(int32_t tag);
  int64_t Write(const void* buffer, int64_t count);
  // -1 when no tag is being written, -101 when the body outgrew its class
  // (the length is then not patched), else the stream's size after the patch.
  int64_t EndTag();

  void WriteByte(uint8_t value) { Write(&value, 1); }
  void WriteShortInt(int8_t value) { Write(&value, 1); }
  void WriteWord(uint16_t value) { Write(&value, 2); }
  void WriteSmallInt(int16_t value) { Write(&value, 2); }
  void WriteInteger(int32_t value) { Write(&value, 4); }
  void WriteCardinal(uint32_t value) { Write(&value, 4); }
  void WriteSingle(float value) { Write(&value, 4); }
  void WriteBoolean(bool value) { WriteByte(value ? 1 : 0); }
  // Texts longer than 65535 bytes or units are cut; count and data agree.
  void WriteAnsiString(std::string_view value);
  void WriteWideString(std::u16string_view value);

  // Set by any failed write and by EndTag on an oversized body.
  bool WriteError() const { return writeError_ || (stream_ && stream_->WriteFailed()); }

  // The class (1, 2, 3) of a tag number; 0 for an invalid one.
  static int32_t TagClass(int32_t tag);
  // The largest body of a class.
  static int64_t MaxBody(int32_t tagClass);

 private:
  struct OpenTag {
    int32_t tag;
    int64_t start;      // absolute start of the body
    int64_t end;        // absolute end of the body (reading only)
    int64_t headerPos;
  };

  bool Refill();
  int64_t ReadBuffered(void* buffer, int64_t count);

  TStream* stream_;
  std::vector<uint8_t> buffer_;
  int64_t bufStart_ = 0;  // absolute position of buffer_[0]
  int64_t bufFill_ = 0;
  int64_t bufPos_ = 0;
  int64_t streamSize_ = 0;

  std::vector<OpenTag> stack_;
  int32_t currentTag_ = 0;
  int64_t tagLength_ = 0;
  bool inTag_ = false;
  bool endOfTag_ = false;
  bool endOfStream_ = false;
  bool writing_ = false;
  bool writeError_ = false;
};

}  // namespace kestrune
