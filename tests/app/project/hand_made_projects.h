// Project files laid out by hand, field by field, in both forms: for the
// tests of the project file and the seeds of its fuzz target.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/frame.h"
#include "core/stream.h"
#include "core/tag_stream.h"
#include "network/control_keys.h"
#include "search/meta_search_list.h"

namespace kestrune::test {

// The body of a small project as the format lays it out, tag by tag.
inline std::string HandMadeV4(int32_t headerLength, int32_t markPosition, int32_t documentCount = 1) {
  TMemoryStream stream;
  TTagStream t(&stream);
  const TFrameHeader frame{kMagicFPKP, 0, 4, 0};
  t.WriteRaw(&frame, sizeof frame);
  t.BeginTag(0x4000);
  t.WriteInteger(0);
  t.WriteBoolean(true);
  t.WriteWideString(u"en.dws");
  t.WriteWideString(u"English");
  t.WriteWideString(u"Ann");    // the author comes first
  t.WriteWideString(u"Words");  // then the description
  t.WriteInteger(headerLength);
  for (int32_t i = 0; i < std::max<int32_t>(0, headerLength); ++i) t.WriteByte(static_cast<uint8_t>(i < 4 ? i + 1 : 0xEE));
  t.EndTag();
  t.BeginTag(0x4001);
  t.WriteInteger(documentCount);
  t.WriteInteger(0);
  t.WriteWideString(u"http://a/");
  t.WriteSingle(0.5f);
  t.WriteWideString(u"about");
  t.WriteWideString(u"title");
  t.WriteWideString(u"1 - Mojeek");
  t.WriteInteger(7);  // a query number beyond the steps
  t.WriteWord(kFlagFavorite | kFlagNew);
  t.WriteInteger(1);
  t.EndTag();
  t.BeginTag(0x4002);
  t.WriteWideString(u"walk");
  t.EndTag();
  t.BeginTag(0x4004);
  t.Write(u"\uFEFFthe\r\n", 12);
  t.EndTag();
  t.BeginTag(0x4009);
  t.WriteWideString(u"Mojeek,");
  t.WriteWideString(u"Mojeek");
  t.WriteInteger(40);
  t.WriteInteger(25);
  t.WriteInteger(1);
  t.WriteBoolean(true);
  t.WriteWideString(u"note");
  t.WriteWideString(u"Ann");
  t.EndTag();
  t.BeginTag(0x400B);
  t.WriteBoolean(false);
  t.EndTag();
  t.BeginTag(0x400C);
  t.WriteBoolean(false);
  t.EndTag();
  t.BeginTag(0x400F);
  t.WriteInteger(0);
  t.EndTag();
  t.BeginTag(0x4010);
  t.EndTag();
  t.BeginTag(0x4011);
  t.EndTag();
  t.BeginTag(0x4012);
  t.WriteInteger(1);
  t.WriteInteger(markPosition);
  t.WriteInteger(0);
  t.WriteInteger(0);
  t.EndTag();
  t.BeginTag(0x4013);
  t.WriteInteger(1);
  t.WriteInteger(0);
  t.EndTag();
  t.BeginTag(0x4014);
  t.WriteInteger(0);
  t.WriteInteger(-1);
  t.EndTag();
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

// The headerless form: 8-bit strings, steps as nested tags.
inline std::string HandMadeLegacy(bool withKeyState = false) {
  TMemoryStream stream;
  TTagStream t(&stream);
  t.BeginTag(0x4000);
  t.WriteInteger(0);
  t.WriteByte(1);
  t.WriteAnsiString("en.dws");
  t.EndTag();
  t.BeginTag(0x4001);
  t.WriteInteger(2);
  for (const char* url : {"http://a/", "http://b/"}) {
    t.WriteInteger(0);
    t.WriteAnsiString(url);
    t.WriteSingle(1.0f);
    t.WriteWideString(u"about");
    t.WriteWideString(u"title");
    t.WriteAnsiString("1 - Mojeek");
    t.WriteInteger(0);
  }
  t.EndTag();
  t.BeginTag(0x4006);
  t.BeginTag(1);
  t.WriteInteger(2);
  t.EndTag();
  for (int32_t id : {5, 6}) {
    t.BeginTag(2);
    t.WriteInteger(1);
    t.WriteInteger(id);
    t.WriteSingle(1.0f);
    t.EndTag();
  }
  t.EndTag();
  t.BeginTag(0x4007);
  t.WriteInteger(12);
  t.EndTag();
  t.BeginTag(0x4009);
  t.WriteAnsiString("Mojeek,");
  t.WriteAnsiString("Wikipedia");
  t.WriteInteger(40);
  t.WriteInteger(25);
  t.WriteInteger(2);
  t.WriteByte(1);
  t.EndTag();
  if (withKeyState) {
    // The map's key state: marks of the second document and of one the
    // file does not hold.
    IControlKeys ring;
    ring.SetValue(kKindMarks, 1, -2.0f, true);
    ring.SetValue(kKindMarks, 5, -1.0f, true);
    t.BeginTag(0x400A);
    ring.SaveToTagStream(t);
    t.EndTag();
  }
  t.BeginTag(0x400B);
  t.WriteBoolean(true);
  t.EndTag();
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

// Where a top-level tag of a project file lies: the first byte of its header
// and of its body (npos when the file has no such tag). A framed file's tags
// begin after its 16-byte frame.
struct TTagPlace {
  size_t Header = std::string::npos;
  size_t Body = std::string::npos;
};
inline TTagPlace FindTag(const std::string& file, int32_t tag) {
  const size_t first = file.compare(0, 4, "FPKP") == 0 ? 16 : 0;
  TMemoryStream stream(file.data() + first, file.size() - first);
  TTagStream tags(&stream);
  for (int64_t header = 0; !tags.EndOfStream(); header = tags.Position()) {
    if (tags.ReadTag() <= 0) break;
    if (tags.CurrentTag() == tag) return {first + static_cast<size_t>(header), first + static_cast<size_t>(tags.Position())};
    tags.LeaveTag();
  }
  return {};
}

// The file with the Integer at `offset` of the tag's body set to `value`
// (a count that says more or less than the tag holds).
inline std::string WithTagInteger(std::string file, int32_t tag, int32_t value, size_t offset = 0) {
  std::memcpy(file.data() + FindTag(file, tag).Body + offset, &value, 4);
  return file;
}
// The file with the tag's number damaged into one no reader knows.
inline std::string WithTagRenumbered(std::string file, int32_t tag) {
  const uint16_t head = 0x7000 * 2 + 1;
  std::memcpy(file.data() + FindTag(file, tag).Header, &head, 2);
  return file;
}
// The file cut `bytes` into the tag's body.
inline std::string CutInTag(const std::string& file, int32_t tag, size_t bytes) {
  return file.substr(0, FindTag(file, tag).Body + bytes);
}

}  // namespace kestrune::test
