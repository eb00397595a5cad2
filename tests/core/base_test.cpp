#include "core/base.h"

#include <gtest/gtest.h>

#include "core/binary_data.h"
#include "core/paged_array.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

TEST(Base, LanguageNames) {
  EXPECT_EQ(LanguageName(0), u"Unknown");
  EXPECT_EQ(LanguageName(7), u"German");
  EXPECT_EQ(LanguageName(9), u"English");
  EXPECT_EQ(LanguageName(12), u"French");
  EXPECT_EQ(LanguageName(16), u"Italian");
  EXPECT_EQ(LanguageName(25), u"Russian");
  EXPECT_EQ(LanguageName(10), u"");
}

TEST(Base, WideTextHashReproducesTheKnownValues) {
  EXPECT_EQ(WideTextHash(u""), 0u);
  EXPECT_EQ(WideTextHash(u"abc"), 0xDFC25A2Eu);
  EXPECT_NE(WideTextHash(u"abc"), WideTextHash(u"acb"));
}

TEST(Base, CompareWideOrdinal) {
  const char16_t* abc = u"abc";
  EXPECT_EQ(CompareWideOrdinal(nullptr, nullptr), 0);
  EXPECT_EQ(CompareWideOrdinal(abc, abc), 0);
  EXPECT_EQ(CompareWideOrdinal(nullptr, abc), -1);
  EXPECT_EQ(CompareWideOrdinal(abc, nullptr), 1);
  EXPECT_GT(CompareWideOrdinal(u"abc", u"ab"), 0);
  EXPECT_EQ(CompareWideOrdinal(u"abc", u"abc"), 0);
  EXPECT_LT(CompareWideOrdinal(u"A", u"a"), 0);
  // Units compare as unsigned 16-bit values.
  EXPECT_GT(CompareWideOrdinal(u"\uFFFF", u"a"), 0);
}

TEST(Base, CompareWideNoCaseIsATotalOrderThatIgnoresCaseOnly) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    int32_t expected;
  } cases[] = {
      {u"House", u"hOUSE", 0},
      {u"\u0414\u043E\u043C", u"\u0434\u041E\u041C", 0},  // Cyrillic
      {u"\u00C9t\u00E9", u"\u00E9T\u00C9", 0},            // Latin-1
      {u"\u0401\u0436", u"\u0451\u0416", 0},              // Yo
      {u"abc", u"abd", -1},
      {u"b", u"A", 1},
      {u"ab", u"AB c", -1},
      {u"\u0430", u"z", 1},  // Cyrillic after Latin
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareWideNoCase(c.a, c.b), c.expected) << platform::Utf16ToUtf8(c.a);
    EXPECT_EQ(CompareWideNoCase(c.b, c.a), -c.expected);
  }
  EXPECT_EQ(CompareWideNoCase(nullptr, u"a"), -1);
}

TEST(Base, AddLongPathPrefix) {
  const std::u16string short259(259, u'a');
  EXPECT_EQ(AddLongPathPrefix(short259), short259);
  const std::u16string long260 = u"C:" + std::u16string(258, u'a');
  EXPECT_EQ(AddLongPathPrefix(long260), u"\\\\?\\" + long260);
  const std::u16string dotted = u"." + std::u16string(300, u'a');
  EXPECT_EQ(AddLongPathPrefix(dotted), dotted);
  const std::u16string unc = u"\\\\host\\share\\" + std::u16string(287, u'b');
  ASSERT_EQ(unc.size(), 300u);
  EXPECT_EQ(AddLongPathPrefix(unc), u"\\\\?\\UNC\\host\\share\\" + std::u16string(287, u'b'));
}

TEST(Base, AddBackslashAppendsTheSeparatorOnce) {
  EXPECT_EQ(AddBackslash(std::string_view("")), "");
  EXPECT_EQ(AddBackslash(std::string_view("/a")), "/a/");
  EXPECT_EQ(AddBackslash(std::string_view("/a/")), "/a/");
  EXPECT_EQ(AddBackslash(std::u16string_view(u"x")), u"x/");
}

TEST(Base, WideFileExistsIsFalseForFolders) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("f"), "1");
  EXPECT_TRUE(WideFileExists(dir.WFile("f")));
  EXPECT_TRUE(WideFileExists(dir.WFile("F")));  // names ignore case
  int32_t error = 0;
  EXPECT_FALSE(WideFileExists(dir.WPath(), &error));
  EXPECT_FALSE(WideFileExists(dir.WFile("missing"), &error));
  EXPECT_NE(error, 0);
}

TEST(Base, WideStringReplace) {
  struct Case {
    std::u16string text, pattern, replacement;
    uint32_t flags;
    std::u16string expected;
  } cases[] = {
      {u"a?x=1&amp;y=2&amp;z", u"amp;", u"", rfReplaceAll, u"a?x=1&y=2&z"},
      {u"a?x=1&amp;y=2&amp;z", u"amp;", u"", 0, u"a?x=1&y=2&amp;z"},
      {u"AMP; amp;", u"amp;", u"-", rfReplaceAll, u"AMP; -"},
      {u"AMP; amp;", u"amp;", u"-", rfReplaceAll | rfIgnoreCase, u"- -"},
      {u"Дом дОМ", u"дом", u"x", rfReplaceAll | rfIgnoreCase, u"x x"},
      {u"aaaa", u"aa", u"a", rfReplaceAll, u"aa"},  // a replacement is not searched again
      {u"abc", u"b", u"bb", rfReplaceAll, u"abbc"},
      {u"text", u"", u"x", rfReplaceAll, u"text"},  // an empty pattern changes nothing
      {u"", u"a", u"x", rfReplaceAll, u""},
      {u"ab", u"abc", u"x", rfReplaceAll, u"ab"},
      {u"abc", u"abc", u"", rfReplaceAll, u""},
  };
  for (const Case& c : cases) {
    std::u16string result = u"old";
    WideStringReplace(c.text, c.pattern, c.replacement, result, c.flags);
    EXPECT_EQ(result, c.expected) << platform::Utf16ToUtf8(c.text) << " / " << platform::Utf16ToUtf8(c.pattern);
  }
}

TEST(Base, WideBuffers) {
  char16_t* field = WideStrToBuffer(u"");
  EXPECT_EQ(field, nullptr);
  AssignWideBuffer(u"word", field);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(std::u16string(field), u"word");
  EXPECT_EQ(WideLength(field), 4u);
  FreeWideBuffer(field);
  EXPECT_EQ(field, nullptr);
}

TEST(BinaryData, PageRules) {
  TIBinaryData arena;
  EXPECT_EQ(arena.Alloc(0), nullptr);
  EXPECT_EQ(arena.Alloc(16385), nullptr);
  void* whole = arena.Alloc(16384);
  EXPECT_FALSE(arena.HasPage(0));
  EXPECT_EQ(whole, arena.PageAddress(1));

  TIBinaryData second;
  void* first = second.Alloc(16383);
  EXPECT_EQ(first, second.PageAddress(0));
  void* next = second.Alloc(1);
  EXPECT_EQ(next, second.PageAddress(1));

  TIBinaryData third;
  third.Alloc(16382);
  EXPECT_EQ(third.PageIndex(), 0);
  third.Alloc(1);  // 16383 bytes used: the last byte of a page is never handed out
  EXPECT_EQ(third.PageIndex(), 0);
  third.Alloc(1);
  EXPECT_EQ(third.PageIndex(), 1);
}

TEST(BinaryData, MarkAndReleaseHandOutTheSameSpaceAgain) {
  TIBinaryData arena;
  arena.Alloc(10);
  arena.Mark();
  void* a = arena.Alloc(8);
  arena.Alloc(8);
  arena.Release();
  EXPECT_EQ(arena.Alloc(8), a);
  char16_t* text = arena.AllocWideStr(u"hello", 3);
  EXPECT_EQ(std::u16string(text), u"hel");
  EXPECT_EQ(arena.AllocWideStr(std::u16string(8192, u'x')), nullptr);
  EXPECT_NE(arena.AllocWideStr(std::u16string(8191, u'x')), nullptr);
}

struct Record {
  virtual ~Record() = default;
  virtual int32_t Kind() const { return 1; }
  int32_t value = -1;
};

TEST(PagedArray, SmallFirstPageGrowsAndKeepsRecords) {
  TPagedArray<Record, 512, 4> table;
  EXPECT_EQ(table.Capacity(), 0);
  ASSERT_TRUE(table.Reserve(1));
  EXPECT_EQ(table.Capacity(), 4);
  for (int i = 0; i < 4; ++i) table[i].value = i;
  ASSERT_TRUE(table.Reserve(1500));
  EXPECT_EQ(table.Capacity(), 1536);
  for (int i = 4; i < 1500; ++i) table[i].value = i;
  for (int i = 0; i < 1500; ++i) {
    ASSERT_EQ(table[i].value, i);
    ASSERT_EQ(table[i].Kind(), 1);
  }
  table.Clear();
  EXPECT_EQ(table.Capacity(), 0);
}

TEST(PagedArray, FixedDirectoryRefusesBeyondItsCapacity) {
  TPagedArray<int32_t, 512, 512, 3> table;
  EXPECT_TRUE(table.Reserve(1536));
  EXPECT_FALSE(table.Reserve(1537));
  table[1535] = 9;
  EXPECT_EQ(table.At(1535), 9);
}

}  // namespace
}  // namespace kestrune
