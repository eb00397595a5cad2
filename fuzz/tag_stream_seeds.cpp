#include <vector>

#include "core/frame.h"
#include "core/tag_stream.h"
#include "fuzz/seeds.h"

using namespace kestrune;

namespace {
std::string Bytes(const TMemoryStream& s) { return std::string(s.Bytes().begin(), s.Bytes().end()); }
}  // namespace

KESTRUNE_SEEDS(tag_stream) {
  TMemoryStream framed;
  TFrameHeader frame;
  frame.Magic = kMagicAVLF;
  framed.Write(&frame, 16);
  {
    TTagStream t(&framed);
    t.BeginTag(2);  // container
    t.BeginTag(1);
    t.WriteByte(1);
    t.WriteSmallInt(-2);
    t.WriteInteger(3);
    t.WriteSingle(4.5f);
    t.WriteAnsiString("ansi");
    t.WriteWideString(u"wide");
    t.EndTag();
    t.BeginTag(200);
    t.BeginTag(3);
    t.WriteInteger(9);
    t.EndTag();
    t.EndTag();
    t.EndTag();
    std::vector<uint8_t> big(20000, 0x41);
    t.WriteTag(16385, big.data(), big.size());
    t.WriteTag(5, nullptr, 0);
  }
  WriteSeed(folder, "framed", Bytes(framed));

  TMemoryStream plain;
  {
    TTagStream t(&plain);
    for (int i = 0; i < 50; ++i) {
      t.BeginTag(i % 2 ? 7 : 130);
      t.WriteInteger(i);
      t.WriteWideString(u"item");
      t.EndTag();
    }
  }
  WriteSeed(folder, "plain", Bytes(plain));
}
