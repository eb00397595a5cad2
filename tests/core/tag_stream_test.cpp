#include "core/tag_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace kestrune {
namespace {

std::vector<uint8_t> Written(const std::function<void(TTagStream&)>& write) {
  TMemoryStream stream;
  TTagStream tags(&stream);
  write(tags);
  return stream.Bytes();
}

TEST(TagStream, HeaderClassesFollowTheTagNumber) {
  struct Case {
    int32_t tag;
    size_t header;
  } cases[] = {{0, 2}, {127, 2}, {128, 4}, {16383, 4}, {16384, 6}, {32767, 6}};
  for (const Case& c : cases) {
    auto bytes = Written([&](TTagStream& t) { EXPECT_GE(t.WriteTag(c.tag, "ab", 2), 0); });
    ASSERT_EQ(bytes.size(), c.header + 2) << c.tag;
    TMemoryStream in(bytes);
    TTagStream r(&in);
    ASSERT_GT(r.ReadTag(), 0) << c.tag;
    EXPECT_EQ(r.CurrentTag(), c.tag);
    EXPECT_EQ(r.TagLength(), 2);
  }
  TMemoryStream stream;
  TTagStream tags(&stream);
  EXPECT_EQ(tags.WriteTag(32768, nullptr, 0), TTagStream::kTagTooLarge);
  EXPECT_EQ(tags.BeginTag(40000), TTagStream::kTagTooLarge);
  EXPECT_EQ(stream.Size(), 0);
}

TEST(TagStream, WriteTagRefusesBodiesTooLongForTheClass) {
  std::vector<uint8_t> body(70000, 7);
  TMemoryStream stream;
  TTagStream tags(&stream);
  EXPECT_EQ(tags.WriteTag(5, body.data(), 256), TTagStream::kBodyTooLong);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(tags.WriteTag(5, body.data(), 255), 255);
  EXPECT_EQ(tags.WriteTag(200, body.data(), 65536), TTagStream::kBodyTooLong);
  EXPECT_EQ(tags.WriteTag(200, body.data(), 65535), 65535);
  EXPECT_EQ(tags.WriteTag(16400, body.data(), 70000), 70000);
}

TEST(TagStream, ExactBytesOfEachHeaderClass) {
  auto bytes = Written([](TTagStream& t) {
    t.WriteTag(3, "x", 1);
    t.WriteTag(200, "y", 1);
    t.WriteTag(16400, "z", 1);
  });
  const std::vector<uint8_t> expected = {6,    1,    'x',  0x91, 0x01, 1, 0, 'y',
                                         0x21, 0x80, 1,    0,    0,    0, 'z'};
  EXPECT_EQ(bytes, expected);
}

TEST(TagStream, EndTagPatchesTheLengthOfEveryClass) {
  std::vector<uint8_t> body(70000, 0x5A);
  auto bytes = Written([&](TTagStream& t) {
    t.BeginTag(16400);
    t.Write(body.data(), 70000);
    EXPECT_EQ(t.EndTag(), 6 + 70000);
  });
  ASSERT_EQ(bytes.size(), 70006u);
  uint32_t length;
  std::memcpy(&length, bytes.data() + 2, 4);
  EXPECT_EQ(length, 70000u);

  bytes = Written([](TTagStream& t) {
    t.BeginTag(1);
    t.WriteInteger(0x01020304);
    t.BeginTag(200);
    t.WriteWideString(u"ab");
    t.EndTag();
    t.EndTag();
  });
  const std::vector<uint8_t> nested = {2, 14, 4, 3, 2, 1, 0x91, 0x01, 6, 0, 2, 0, 'a', 0, 'b', 0};
  EXPECT_EQ(bytes, nested);
}

TEST(TagStream, EndTagOnAnOversizedBodyFailsWithoutTruncatingTheLength) {
  std::vector<uint8_t> body(300, 1);
  TMemoryStream stream;
  TTagStream tags(&stream);
  tags.BeginTag(7);
  tags.Write(body.data(), 300);
  EXPECT_EQ(tags.EndTag(), TTagStream::kBodyTooLong);
  EXPECT_TRUE(tags.WriteError());
  EXPECT_EQ(stream.Bytes()[1], 0);  // the length was left alone, not cut to 300 & 255
  EXPECT_EQ(tags.EndTag(), -1);
  EXPECT_EQ(tags.Write(body.data(), 1), -1);
}

TEST(TagStream, TypedValuesRoundTrip) {
  auto bytes = Written([](TTagStream& t) {
    t.BeginTag(10);
    t.WriteByte(0xFE);
    t.WriteShortInt(-3);
    t.WriteWord(0xBEEF);
    t.WriteSmallInt(-1234);
    t.WriteInteger(-123456789);
    t.WriteSingle(1.5f);
    t.WriteBoolean(true);
    t.WriteAnsiString("h\xE9llo");
    t.WriteWideString(u"\u041F\u0440\u0438\u0432\u0435\u0442");
    t.EndTag();
  });
  TMemoryStream in(bytes);
  TTagStream r(&in);
  ASSERT_GT(r.ReadTag(), 0);
  uint8_t b;
  int8_t s8;
  uint16_t w;
  int16_t s16;
  int32_t i;
  float f;
  bool flag;
  std::string a;
  std::u16string u;
  r.ReadByte(b);
  r.ReadShortInt(s8);
  r.ReadWord(w);
  r.ReadSmallInt(s16);
  r.ReadInteger(i);
  r.ReadSingle(f);
  r.ReadBoolean(flag);
  r.ReadAnsiString(a);
  r.ReadWideString(u);
  EXPECT_EQ(b, 0xFE);
  EXPECT_EQ(s8, -3);
  EXPECT_EQ(w, 0xBEEF);
  EXPECT_EQ(s16, -1234);
  EXPECT_EQ(i, -123456789);
  EXPECT_EQ(f, 1.5f);
  EXPECT_TRUE(flag);
  EXPECT_EQ(a, "h\xE9llo");
  EXPECT_EQ(u, u"\u041F\u0440\u0438\u0432\u0435\u0442");
  EXPECT_TRUE(r.EndOfTag());
}

TEST(TagStream, DefaultsOnlyOutsideATagZerosInside) {
  auto bytes = Written([](TTagStream& t) {
    t.WriteTag(4, nullptr, 0);
    t.WriteTag(5, "\x02\x00" "a", 3);  // a string whose count runs past the tag
  });
  TMemoryStream in(bytes);
  TTagStream r(&in);
  ASSERT_GT(r.ReadTag(), 0);
  EXPECT_TRUE(r.EndOfTag());
  int32_t value = 99;
  r.ReadInteger(value, 42);
  EXPECT_EQ(value, 0);  // inside an empty tag: zero, not the default
  r.LeaveTag();
  ASSERT_GT(r.ReadTag(), 0);
  std::string text;
  r.ReadAnsiString(text, "def");
  EXPECT_EQ(text, std::string("a\0", 2));  // keeps its declared length, missing byte zero
  r.LeaveTag();
  EXPECT_EQ(r.CurrentTag(), -1);
  r.ReadInteger(value, 42);
  EXPECT_EQ(value, 42);
  std::u16string wide;
  r.ReadWideString(wide, u"dflt");
  EXPECT_EQ(wide, u"dflt");
  EXPECT_EQ(r.LeaveTag(), -1);
}

TEST(TagStream, ReadingProtocolWalksNestedContainersAndSkipsUnknownTagsWhole) {
  auto bytes = Written([](TTagStream& t) {
    t.BeginTag(20);  // container
    t.BeginTag(1);
    t.WriteInteger(1);
    t.EndTag();
    t.BeginTag(99);  // unknown, with nested tags inside
    t.BeginTag(1);
    t.WriteInteger(-1);
    t.EndTag();
    t.BeginTag(20);
    t.BeginTag(1);
    t.WriteInteger(-2);
    t.EndTag();
    t.EndTag();
    t.EndTag();
    t.BeginTag(21);  // nested container whose last child ends it
    t.BeginTag(1);
    t.WriteInteger(2);
    t.EndTag();
    t.EndTag();
    t.EndTag();
    t.BeginTag(1);
    t.WriteInteger(3);
    t.EndTag();
  });
  TMemoryStream in(bytes);
  TTagStream r(&in);
  // Tag 99 is unknown to this reader: its children (-1, -2) are never seen.
  std::vector<int32_t> leaves;
  int guard = 0;
  while (!r.EndOfStream() && ++guard < 1000) {
    r.ReadTag();
    const int32_t tag = r.CurrentTag();
    if ((tag == 20 || tag == 21) && r.InTag()) {
      if (!r.EndOfTag()) continue;
    } else if (tag == 1 && r.InTag()) {
      int32_t v = 0;
      r.ReadInteger(v);
      leaves.push_back(v);
    }
    r.LeaveTag();
    if ((r.CurrentTag() == 20 || r.CurrentTag() == 21) && r.EndOfTag()) r.LeaveTag();
  }
  EXPECT_EQ(leaves, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_TRUE(r.EndOfStream());
}

TEST(TagStream, TagsStraddlingTheReadBufferReadWhole) {
  // Many small tags so that headers and bodies cross the 16384-byte refill.
  std::vector<int32_t> expected;
  auto bytes = Written([&](TTagStream& t) {
    for (int32_t i = 0; i < 6000; ++i) {
      t.BeginTag(i % 3 == 0 ? 200 : 1);
      t.WriteInteger(i);
      t.WriteByte(static_cast<uint8_t>(i));
      t.EndTag();
      expected.push_back(i);
    }
  });
  ASSERT_GT(bytes.size(), 2u * TTagStream::kBufferSize);
  TMemoryStream in(bytes);
  TTagStream r(&in);
  std::vector<int32_t> got;
  while (!r.EndOfStream()) {
    if (r.ReadTag() <= 0) break;
    int32_t v;
    r.ReadInteger(v);
    got.push_back(v);
    r.LeaveTag();
  }
  EXPECT_EQ(got, expected);
}

TEST(TagStream, LeaveTagSeeksPastALargeSkippedBody) {
  std::vector<uint8_t> big(50000, 0xAA);
  auto bytes = Written([&](TTagStream& t) {
    t.WriteTag(16384, big.data(), big.size());
    t.WriteTag(2, "\x07\x00\x00\x00", 4);
  });
  TMemoryStream in(bytes);
  TTagStream r(&in);
  ASSERT_GT(r.ReadTag(), 0);
  r.LeaveTag();
  ASSERT_GT(r.ReadTag(), 0);
  EXPECT_EQ(r.CurrentTag(), 2);
  int32_t v;
  r.ReadInteger(v);
  EXPECT_EQ(v, 7);
  r.LeaveTag();
  EXPECT_TRUE(r.EndOfStream());
}

TEST(TagStream, EmptyAndTruncatedInput) {
  {
    TMemoryStream empty;
    TTagStream r(&empty);
    EXPECT_EQ(r.ReadTag(), 0);
    EXPECT_TRUE(r.EndOfStream());
    EXPECT_FALSE(r.InTag());
    EXPECT_EQ(r.ReadTag(), 0);
  }
  {
    // A class-2 header cut inside its length.
    const uint8_t bytes[] = {0x91, 0x01, 0x05};
    TMemoryStream in(bytes, sizeof bytes);
    TTagStream r(&in);
    EXPECT_EQ(r.ReadTag(), 0);
    EXPECT_FALSE(r.InTag());
  }
  {
    // A body shorter than its declared length reads as zeros.
    const uint8_t bytes[] = {0x02, 0x08, 0x01, 0x02};
    TMemoryStream in(bytes, sizeof bytes);
    TTagStream r(&in);
    ASSERT_GT(r.ReadTag(), 0);
    int32_t a = -1, b = -1;
    r.ReadInteger(a);
    r.ReadInteger(b);
    EXPECT_EQ(a, 0x0201);
    EXPECT_EQ(b, 0);
    r.LeaveTag();
    EXPECT_TRUE(r.EndOfStream());
  }
}

TEST(TagStream, CorruptChildLengthIsClampedToItsParent) {
  // Parent tag 20 holds 6 bytes: a child claiming 200 bytes, then more data.
  const uint8_t bytes[] = {40, 6, 2, 200, 1, 2, 3, 4, 4, 4, 9, 0, 0, 0};
  TMemoryStream in(bytes, sizeof bytes);
  TTagStream r(&in);
  ASSERT_GT(r.ReadTag(), 0);
  ASSERT_GT(r.ReadTag(), 0);
  EXPECT_EQ(r.TagLength(), 4);  // clamped to what the parent holds
  r.LeaveTag();
  EXPECT_TRUE(r.EndOfTag());
  r.LeaveTag();
  ASSERT_GT(r.ReadTag(), 0);
  EXPECT_EQ(r.CurrentTag(), 2);
  int32_t v;
  r.ReadInteger(v);
  EXPECT_EQ(v, 9);
}

TEST(TagStream, ReadTagInsideAFullParentReturnsMinusOneAndKeepsTheParent) {
  auto bytes = Written([](TTagStream& t) {
    t.BeginTag(30);
    t.WriteByte(1);
    t.EndTag();
  });
  TMemoryStream in(bytes);
  TTagStream r(&in);
  ASSERT_GT(r.ReadTag(), 0);
  EXPECT_EQ(r.ReadTag(), -1);  // one byte left: no room for a header
  EXPECT_EQ(r.CurrentTag(), 30);
  EXPECT_TRUE(r.InTag());
}

TEST(TagStream, LongStringsAreCutConsistently) {
  std::u16string text(70000, u'x');
  auto bytes = Written([&](TTagStream& t) {
    t.BeginTag(16384);
    t.WriteWideString(text);
    t.WriteInteger(5);
    t.EndTag();
  });
  TMemoryStream in(bytes);
  TTagStream r(&in);
  ASSERT_GT(r.ReadTag(), 0);
  std::u16string back;
  r.ReadWideString(back);
  EXPECT_EQ(back.size(), 65535u);
  int32_t after;
  r.ReadInteger(after);
  EXPECT_EQ(after, 5);
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

TEST(TagStream, TagRemainingIsBoundedByTheStream) {
  // A class-3 tag claiming 4 GB in a 10-byte stream.
  const uint8_t bytes[] = {0x01, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4};
  TMemoryStream in(bytes, sizeof bytes);
  TTagStream r(&in);
  ASSERT_GT(r.ReadTag(), 0);
  EXPECT_EQ(r.TagRemaining(), 4);
  int32_t v;
  r.ReadInteger(v);
  EXPECT_EQ(r.TagRemaining(), 0);
}

}  // namespace
}  // namespace kestrune
