// Byte streams: the abstract TStream, the in-memory TMemoryStream and the
// file-backed THandleStream / TFileStreamW.
//
// Streams never throw. Read and Write return the bytes moved (short counts at
// the end or on failure); a failed write or seek is remembered in WriteFailed()
// so that a saver can refuse to replace a good file with a damaged one.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace kestrune {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position, or -1 when the stream cannot seek there.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  virtual bool SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // Copies `count` bytes (all from the current position when count is 0).
  int64_t CopyFrom(TStream& source, int64_t count);

  bool WriteFailed() const { return writeFailed_; }

 protected:
  void NoteWriteFailure() { writeFailed_ = true; }

 private:
  bool writeFailed_ = false;
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
  TMemoryStream(const void* bytes, size_t count);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  bool SetSize(int64_t size) override;

  void Clear();
  const std::vector<uint8_t>& Bytes() const { return data_; }
  std::vector<uint8_t>& Bytes() { return data_; }
  // Whole-file helpers; results 0 for success, -1 on failure.
  int32_t LoadFromFile(std::u16string_view fileName);
  int32_t SaveToFile(std::u16string_view fileName);

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// A stream over an open operating-system file.
class THandleStream : public TStream {
 public:
  THandleStream() = default;
  explicit THandleStream(platform::NativeFile file) : file_(std::move(file)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  bool SetSize(int64_t size) override;

  bool HandleValid() const { return file_.Valid(); }
  void CloseHandle() { file_.Close(); }
  bool Flush() { return file_.Sync(); }

 protected:
  platform::NativeFile file_;
};

// The file stream opened by a UTF-16 name. Open modes are the system's 16-bit
// values:
//   0xFFFF       create (or empty) the file for reading and writing
//   bits 0-1     access: 0 read, 1 write, 2 read and write (3 is invalid)
//   bits 4-7     sharing: accepted and ignored, files here are always shared
// The constructor never throws: a file that cannot be opened gives a stream
// with an invalid handle whose reads deliver nothing.
class TFileStreamW : public THandleStream {
 public:
  static constexpr uint16_t fmCreate = 0xFFFF;
  static constexpr uint16_t fmOpenRead = 0x0000;
  static constexpr uint16_t fmOpenWrite = 0x0001;
  static constexpr uint16_t fmOpenReadWrite = 0x0002;
  static constexpr uint16_t fmShareExclusive = 0x0010;
  static constexpr uint16_t fmShareDenyWrite = 0x0020;
  static constexpr uint16_t fmShareDenyRead = 0x0030;
  static constexpr uint16_t fmShareDenyNone = 0x0040;

  TFileStreamW(std::u16string_view fileName, uint16_t mode);
};

}  // namespace kestrune
