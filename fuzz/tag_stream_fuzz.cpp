// Feeds arbitrary bytes to the tagged-stream reader: a framed file (frame,
// CRC check) whose body is walked with the reading protocol, treating every
// even tag number as a container and reading every typed value from the rest.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/frame.h"
#include "core/tag_stream.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(data, size);
  TTagStream tags(&stream);
  TFrameHeader frame;
  if (ReadFrameHeader(tags, frame)) {
    // The CRC check reads the same stream a second time.
    TMemoryStream copy(data, size);
    (void)StreamCRC32(copy, 16, -1);
  }
  int guard = 0;
  while (!tags.EndOfStream() && ++guard < 100000) {
    if (tags.ReadTag() <= 0 && !tags.InTag()) {
      tags.LeaveTag();
      continue;
    }
    const int32_t tag = tags.CurrentTag();
    if (tag % 2 == 0 && tags.InTag()) {
      if (!tags.EndOfTag()) continue;
    } else if (tags.InTag()) {
      uint8_t b;
      int16_t s;
      int32_t i;
      float f;
      std::string a;
      std::u16string w;
      tags.ReadByte(b);
      tags.ReadSmallInt(s);
      tags.ReadInteger(i);
      tags.ReadSingle(f);
      tags.ReadAnsiString(a);
      tags.ReadWideString(w);
    }
    tags.LeaveTag();
    if (tags.CurrentTag() % 2 == 0 && tags.EndOfTag()) tags.LeaveTag();
  }
  return 0;
}
