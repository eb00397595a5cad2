// The 16-byte file frame that opens every stand-alone binary file, CRC-32,
// and the atomic framed save.
//
//   offset 0   u32 magic, four ASCII letters, first letter in the first byte
//   offset 4   u32 CRC-32 of the bytes from offset 16 to the end (0: unused)
//   offset 8   u32 format version (0 where the body keeps its own)
//   offset 12  u32 reserved, 0
// The tagged body starts at offset 16.
//
// CRC-32 is the reflected ISO-HDLC CRC (polynomial 0xEDB88320, preset and final
// complement all ones; check value 0xCBF43926 for "123456789").
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "core/stream.h"
#include "core/tag_stream.h"

namespace kestrune {

struct TFrameHeader {
  uint32_t Magic = 0;
  uint32_t CRC = 0;
  uint32_t Version = 0;
  uint32_t Reserved = 0;
};
static_assert(sizeof(TFrameHeader) == 16);

inline constexpr int64_t kFrameSize = 16;

constexpr uint32_t MakeMagic(const char (&letters)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(letters[0])) |
         (static_cast<uint32_t>(static_cast<uint8_t>(letters[1])) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(letters[2])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(letters[3])) << 24);
}

inline constexpr uint32_t kMagicAVLF = MakeMagic("AVLF");
inline constexpr uint32_t kMagicDRWS = MakeMagic("DRWS");
inline constexpr uint32_t kMagicDRMP = MakeMagic("DRMP");
inline constexpr uint32_t kMagicASNF = MakeMagic("ASNF");
inline constexpr uint32_t kMagicFPKP = MakeMagic("FPKP");

// The standard 256-entry table of the reflected polynomial 0xEDB88320.
extern const uint32_t kCRC32Table[256];

// Continues a CRC-32 over more bytes: pass 0 to start, the previous result to
// continue; the result is final (complemented) after every call.
uint32_t CRC32Update(uint32_t crc, const void* data, size_t count);

// CRC-32 of the bytes from `start` up to `end` (exclusive). end 0 or negative,
// or beyond the size, means the end of the stream. A start of 0 leaves the
// stream where it stands. Never throws; 0 for an empty, unreadable or
// out-of-range stretch.
uint32_t StreamCRC32(TStream& stream, int64_t start, int64_t end);
// The same over a file opened for reading; 0 when it cannot be opened.
uint32_t FileCRC32(std::u16string_view fileName, int64_t start, int64_t end);

// Reads the 16-byte frame; false on a short read.
bool ReadFrameHeader(TStream& stream, TFrameHeader& header);
bool ReadFrameHeader(TTagStream& stream, TFrameHeader& header);

// Writes a framed file atomically: the frame and the body go to a temporary
// file in the target's folder, the CRC (when `withCRC`) is patched in, and the
// temporary file is renamed over the target, which keeps its mode. On any
// failure the target is untouched. `body` returns 0 or its own error code,
// which is returned as is; a failure of the file itself (create, write, a tag
// that outgrew its class, rename) returns `ioError`. A read-only target is
// refused with `ioError`, as the system's file system would refuse to open it.
int32_t SaveFramedFile(std::u16string_view fileName, uint32_t magic, uint32_t version, bool withCRC,
                       int32_t ioError, const std::function<int32_t(TTagStream&)>& body);

// Writes any file atomically the same way; `body` writes to the stream.
int32_t SaveFileAtomically(std::u16string_view fileName, int32_t ioError,
                           const std::function<int32_t(TStream&)>& body);

}  // namespace kestrune
