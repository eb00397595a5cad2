#include "core/unicode_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "core/errors.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

// UTF-16LE bytes of the units.
std::string Utf16Bytes(std::u16string_view units) {
  std::string bytes;
  for (char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

std::vector<std::u16string> ReadAll(IUnicodeFile& file) {
  std::vector<std::u16string> lines;
  std::u16string line;
  while (file.ReadLine(line) == 0) lines.push_back(line);
  EXPECT_TRUE(line.empty());
  return lines;
}

TEST(UnicodeFile, ReadLineCases) {
  const std::u16string longLine(40000, u'x');  // crosses the read buffer
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"mark, CR LF between lines", Utf16Bytes(u"\uFEFFab\r\ncd"), {u"ab", u"cd"}},
      {"mark alone", Utf16Bytes(u"\uFEFF"), {}},
      {"empty file", "", {}},
      {"two empty lines", Utf16Bytes(u"\uFEFF\r\n\r\n"), {u"", u""}},
      {"lone LF is text", Utf16Bytes(u"\uFEFFa\nb\r\n"), {u"a\nb"}},
      {"the unit after CR is dropped", Utf16Bytes(u"\uFEFFa\rxb"), {u"a", u"b"}},
      {"CR as the last unit", Utf16Bytes(u"\uFEFFa\r"), {u"a"}},
      {"no mark: the first unit is text", Utf16Bytes(u"ab\r\nc"), {u"ab", u"c"}},
      {"mark only at the start is skipped", Utf16Bytes(u"\uFEFF\uFEFFa"), {u"\uFEFFa"}},
      {"odd trailing byte ignored", Utf16Bytes(u"\uFEFFa") + "b", {u"a"}},
      {"Cyrillic", Utf16Bytes(u"\uFEFF\u0416\u0443\u043A\r\n"), {u"\u0416\u0443\u043A"}},
      {"long lines", Utf16Bytes(u"\uFEFF" + longLine + u"\r\n" + longLine), {longLine, longLine}},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    test::WriteFileBytes(dir.File("h.txt"), c.bytes);
    IUnicodeFile file(dir.WFile("h.txt"));
    EXPECT_EQ(ReadAll(file), c.lines) << c.name;
    std::u16string line = u"stale";
    EXPECT_EQ(file.ReadLine(line), -1) << c.name;
    EXPECT_TRUE(line.empty());
  }
}

TEST(UnicodeFile, OpensReadOnlyFilesAndRaisesForMissingOnes) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("ro.txt"), Utf16Bytes(u"\uFEFFkept\r\n"));
  ASSERT_EQ(::chmod(dir.File("ro.txt").c_str(), 0444), 0);
  IUnicodeFile file(dir.WFile("RO.TXT"));  // found without regard to case
  std::u16string line;
  EXPECT_EQ(file.ReadLine(line), 0);
  EXPECT_EQ(line, u"kept");
  file.Close();
  EXPECT_EQ(file.ReadLine(line), -1);

  EXPECT_THROW(IUnicodeFile missing(dir.WFile("missing.txt")), EInOutError);
  EXPECT_THROW(file.Open(dir.WPath()), EInOutError);  // a folder
}

}  // namespace
}  // namespace kestrune
