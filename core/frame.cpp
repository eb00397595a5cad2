#include "core/frame.h"

#include <zlib.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace kestrune {

namespace {
constexpr std::array<uint32_t, 256> MakeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kTable = MakeTable();
}  // namespace

const uint32_t kCRC32Table[256] = {
#define ROW(i) kTable[i], kTable[i + 1], kTable[i + 2], kTable[i + 3], kTable[i + 4], kTable[i + 5], kTable[i + 6], kTable[i + 7]
    ROW(0),   ROW(8),   ROW(16),  ROW(24),  ROW(32),  ROW(40),  ROW(48),  ROW(56),  ROW(64),  ROW(72),  ROW(80),
    ROW(88),  ROW(96),  ROW(104), ROW(112), ROW(120), ROW(128), ROW(136), ROW(144), ROW(152), ROW(160), ROW(168),
    ROW(176), ROW(184), ROW(192), ROW(200), ROW(208), ROW(216), ROW(224), ROW(232), ROW(240), ROW(248)
#undef ROW
};

uint32_t CRC32Update(uint32_t crc, const void* data, size_t count) {
  // zlib computes the same reflected CRC-32, many bytes at a time.
  const auto* p = static_cast<const Bytef*>(data);
  while (count > 0) {
    const uInt chunk = count > 0x40000000u ? 0x40000000u : static_cast<uInt>(count);
    crc = static_cast<uint32_t>(crc32(crc, p, chunk));
    p += chunk;
    count -= chunk;
  }
  return crc;
}

uint32_t StreamCRC32(TStream& stream, int64_t start, int64_t end) {
  const int64_t size = stream.Size();
  if (end < 0 || end > size) end = size;
  if ((end != 0 && start > end) || start > size || start < 0) return 0;
  if (size == 0) return 0;
  if (start != 0 && stream.Seek(start, TSeekOrigin::soBeginning) < 0) return 0;
  constexpr int64_t kChunk = 32768;
  std::vector<uint8_t> buffer(kChunk);
  uint32_t crc = 0;
  for (;;) {
    int64_t want = kChunk;
    if (end != 0) {
      const int64_t pos = stream.Position();
      want = std::min<int64_t>(kChunk, std::max<int64_t>(0, end - pos));
    }
    const int64_t got = want > 0 ? stream.Read(buffer.data(), want) : 0;
    if (got > 0) crc = CRC32Update(crc, buffer.data(), static_cast<size_t>(got));
    if (got < kChunk) break;
  }
  return crc;
}

uint32_t FileCRC32(std::u16string_view fileName, int64_t start, int64_t end) {
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  if (!file.HandleValid()) return 0;
  return StreamCRC32(file, start, end);
}

bool ReadFrameHeader(TStream& stream, TFrameHeader& header) {
  uint8_t raw[16];
  if (stream.Read(raw, 16) != 16) return false;
  std::memcpy(&header, raw, 16);
  return true;
}

bool ReadFrameHeader(TTagStream& stream, TFrameHeader& header) {
  uint8_t raw[16];
  if (stream.ReadRaw(raw, 16) != 16) return false;
  std::memcpy(&header, raw, 16);
  return true;
}

int32_t SaveFileAtomically(std::u16string_view fileName, int32_t ioError,
                           const std::function<int32_t(TStream&)>& body) {
  if (fileName.empty()) return ioError;
  const platform::PathInfo target = platform::GetPathInfo(fileName);
  if (target.exists && (target.isFolder || target.readOnly)) return ioError;
  const std::u16string temp = platform::CreateTempFileBeside(fileName);
  if (temp.empty()) return ioError;
  int32_t result = 0;
  {
    TFileStreamW file(temp, TFileStreamW::fmOpenReadWrite);
    if (!file.HandleValid()) {
      result = ioError;
    } else {
      result = body(file);
      if (result == 0 && (file.WriteFailed() || !file.Flush())) result = ioError;
    }
  }
  if (result == 0 && !platform::ReplaceFile(temp, fileName)) result = ioError;
  if (result != 0) platform::RemoveFile(temp);
  return result;
}

int32_t SaveFramedFile(std::u16string_view fileName, uint32_t magic, uint32_t version, bool withCRC,
                       int32_t ioError, const std::function<int32_t(TTagStream&)>& body) {
  return SaveFileAtomically(fileName, ioError, [&](TStream& file) -> int32_t {
    TFrameHeader frame;
    frame.Magic = magic;
    frame.Version = version;
    if (file.Write(&frame, 16) != 16) return ioError;
    int32_t result;
    {
      TTagStream tags(&file);
      result = body(tags);
      if (result == 0 && tags.WriteError()) result = ioError;
    }
    if (result != 0) return result;
    if (withCRC) {
      frame.CRC = StreamCRC32(file, 16, -1);
      if (file.Seek(0, TSeekOrigin::soBeginning) != 0 || file.Write(&frame, 16) != 16) return ioError;
    }
    return file.WriteFailed() ? ioError : 0;
  });
}

}  // namespace kestrune
