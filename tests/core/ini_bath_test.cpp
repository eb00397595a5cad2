#include "core/ini_bath.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <fstream>
#include <vector>

#include "core/errors.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using Strings = std::vector<std::string>;

// The first `count` values; the rest must be empty.
Strings ValuesOf(const TIniBath& ini, size_t count) {
  Strings out;
  for (size_t i = 1; i <= TIniBath::kMaxValues; ++i) {
    if (i <= count) {
      out.push_back(ini.Values()[i]);
    } else {
      EXPECT_TRUE(ini.Values()[i].empty()) << i;
    }
  }
  return out;
}

TEST(IniBath, ParseLineCases) {
  struct Case {
    const char* name;
    std::string line;
    bool quoteMode;
    bool keyLine;
    std::string key;
    Strings values;
  } cases[] = {
      {"quoted text keeps blanks, doubled quotes become one", R"(  name  =  "a ""big"" word"  )", true, true,
       "name", {R"(a "big" word)"}},
      {"quoted item keeps its comma", R"(list = one, "two, three" ,four)", true, true, "list",
       {"one", "two, three", "four"}},
      {"semicolon inside quotes is kept", R"(k = "a;b" ; note)", true, true, "k", {"a;b"}},
      {"semicolon outside quotes ends the line", "k = a;b", true, true, "k", {"a"}},
      {"two-digit then one-digit escape", "k = $41$4", true, true, "k", {std::string("A\x04")}},
      {"escape digits ignore case", "k = $4F, $4f", true, true, "k", {"O", "O"}},
      {"escape of a line feed", "k=a$0ab", true, true, "k", {"a\nb"}},
      {"dollar without digit gives code 0", "k=$g1,$", true, true, "k", {std::string("\0g1", 3), std::string(1, '\0')}},
      {"escaped separator, quote and blank are literal", "k=$2c$22$20x,y", true, true, "k", {",\" x", "y"}},
      {"no escapes inside quotes", R"(k="$41")", true, true, "k", {"$41"}},
      {"quote without partner runs to the end", R"(k="open, x)", true, true, "k", {"open, x"}},
      {"empty quotes give an empty value", R"(k="",b)", true, true, "k", {"", "b"}},
      {"blanks outside quotes vanish", "k = a b , c", true, true, "k", {"ab", "c"}},
      {"quoted key may hold the separator", R"("a=b" = c)", true, true, "a=b", {"c"}},
      {"tabs are not blanks", "\tk=v", true, true, "\tk", {"v"}},
      {"blank line", "     ", true, false, "", {}},
      {"comment line", "; a note", true, false, "", {}},
      {"key with = and nothing", "k=", true, true, "k", {}},
      {"key with a single comma", "k=,", true, true, "k", {""}},
      {"empty values kept, trailing comma adds none", "k=a,,b,", true, true, "k", {"a", "", "b"}},
      {"line without = is all key", "novalue", true, true, "novalue", {}},
      {"plain mode trims items", " k = a b , c ", false, true, "k", {"a b", "c"}},
      {"plain mode: every semicolon counts", R"(k = a "b;c", d)", false, true, "k", {R"(a "b)"}},
      {"plain mode: quotes and dollars are text", R"(k="x",$41)", false, true, "k", {R"("x")", "$41"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIniBath ini;
    ini.SetQuoteMode(c.quoteMode);
    ini.SetLine(c.line);
    EXPECT_EQ(ini.ParseLine(), c.keyLine);
    EXPECT_EQ(ini.Key(), c.key);
    EXPECT_EQ(ValuesOf(ini, c.values.size()), c.values);
    EXPECT_TRUE(ini.Values()[0].empty());
    EXPECT_EQ(ini.SectionCount(), 0);
  }
}

TEST(IniBath, SectionHeaders) {
  struct Case {
    const char* line;
    bool keyLine;
    std::string section;
    int32_t count;
  } cases[] = {
      {"  [settings]  ; a note", false, "settings", 1},
      {"[Messages]", false, "Messages", 2},
      {"[broken", false, "Messages", 2},          // no "]": unchanged
      {"[ spaced ] tail", false, " spaced ", 3},  // up to the first "]", as written
      {"[]", false, "", 4},
      {"x=[y]", true, "", 4},                     // a key line keeps the section
  };
  TIniBath ini;
  ini.SetQuoteMode(true);
  for (const Case& c : cases) {
    ini.SetLine(c.line);
    EXPECT_EQ(ini.ParseLine(), c.keyLine) << c.line;
    EXPECT_EQ(ini.Section(), c.section) << c.line;
    EXPECT_EQ(ini.SectionCount(), c.count) << c.line;
  }
}

TEST(IniBath, ThirtyTwoValuesFitTheThirtyThirdRaises) {
  std::string line = "k=1";
  for (int i = 2; i <= 32; ++i) line += "," + std::to_string(i);
  for (bool quoteMode : {true, false}) {
    TIniBath ini;
    ini.SetQuoteMode(quoteMode);
    ini.SetLine(line + ",");  // a trailing comma adds no value
    ASSERT_TRUE(ini.ParseLine());
    EXPECT_EQ(ini.Values()[32], "32");
    ini.SetLine(line + ",33");
    EXPECT_THROW(ini.ParseLine(), ERangeError);
  }
}

std::vector<std::string> AllLines(TIniBath& ini) {
  std::vector<std::string> lines;
  while (ini.ReadLine()) lines.push_back(ini.Line());
  return lines;
}

struct LineEndCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
};

const std::vector<LineEndCase>& LineEndCases() {
  static const std::vector<LineEndCase> cases = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"LF", "a\nb\n", {"a", "b"}},
      {"CR", "a\rb\r", {"a", "b"}},
      {"mixed, last line unended", "a\r\n\nb\rc", {"a", "", "b", "c"}},
      {"empty lines kept", "\r\n\r\nx", {"", "", "x"}},
      {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
      {"empty", "", {}},
  };
  return cases;
}

TEST(IniBath, StreamLinesEndAtCrLfLfOrCr) {
  for (const LineEndCase& c : LineEndCases()) {
    TMemoryStream stream(c.text.data(), c.text.size());
    TIniBath ini;
    ini.LoadFromStream(stream);
    EXPECT_EQ(ini.Status(), TIniBath::kStatusOpened);
    EXPECT_EQ(AllLines(ini), c.lines) << c.name;
    EXPECT_FALSE(ini.ReadLine()) << c.name;  // list mode left
  }
}

TEST(IniBath, FileLinesEndAtCrLfLfOrCr) {
  test::TempDir dir;
  for (const LineEndCase& c : LineEndCases()) {
    test::WriteFileBytes(dir.File("t.ini"), c.text);
    TIniBath ini(dir.File("t.ini"));
    EXPECT_EQ(ini.Status(), TIniBath::kStatusOpened);
    EXPECT_EQ(AllLines(ini), c.lines) << c.name;
    EXPECT_FALSE(ini.ReadLine()) << c.name;
  }
}

TEST(IniBath, FileLineEndSplitByTheReadBuffer) {
  test::TempDir dir;
  // The CR is the last byte of the first 64 KB read, its LF the first of the next.
  const std::string longLine(65535, 'a');
  test::WriteFileBytes(dir.File("t.ini"), longLine + "\r\nb\r\n" + std::string(200000, 'c'));
  TIniBath ini(dir.WFile("t.ini"));
  EXPECT_EQ(AllLines(ini), (std::vector<std::string>{longLine, "b", std::string(200000, 'c')}));
}

TEST(IniBath, OpenStatusAndSectionReset) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("Engine.INI"), "[Header]\r\nName = \"x\"\r\n");
  TIniBath ini;
  EXPECT_EQ(ini.Status(), TIniBath::kStatusNoFileName);
  EXPECT_FALSE(ini.ReadLine());
  ini.Open(dir.File("missing.ini"));
  EXPECT_EQ(ini.Status(), TIniBath::kStatusFileMissing);
  EXPECT_FALSE(ini.ReadLine());

  ini.Open(dir.File("engine.ini"));  // found without regard to case
  ASSERT_EQ(ini.Status(), TIniBath::kStatusOpened);
  ini.SetQuoteMode(true);
  ASSERT_TRUE(ini.ReadLine());
  EXPECT_FALSE(ini.ParseLine());
  ASSERT_TRUE(ini.ReadLine());
  ASSERT_TRUE(ini.ParseLine());
  EXPECT_EQ(ini.Section(), "Header");
  EXPECT_EQ(ini.Key(), "Name");
  EXPECT_EQ(ini.Values()[1], "x");
  EXPECT_FALSE(ini.ReadLine());

  // A stream loaded after a file replaces it and starts the sections afresh.
  std::string text = "a=1\n";
  TMemoryStream stream(text.data(), text.size());
  ini.LoadFromStream(stream);
  EXPECT_EQ(ini.Section(), "");
  EXPECT_EQ(ini.SectionCount(), 0);
  EXPECT_EQ(AllLines(ini), (std::vector<std::string>{"a=1"}));

  // Opening a missing file drops a loaded stream.
  ini.LoadFromStream(stream);
  ini.Open(dir.File("missing.ini"));
  EXPECT_FALSE(ini.ReadLine());
}

TEST(IniBath, EntryThatCannotBeOpenedRaises) {
  test::TempDir dir;
  // A socket exists as a non-folder entry but cannot be opened, for any user.
  const std::string socketPath = dir.File("socket.ini");
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  TIniBath ini;
  EXPECT_THROW(ini.Open(socketPath), EInOutError);
  ::close(fd);
}

TEST(IniBath, FileWithoutReadPermissionRaises) {
  test::TempDir dir;
  TIniBath ini;
  const std::string path = dir.File("locked.ini");
  test::WriteFileBytes(path, "a=1\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  if (std::ifstream(path).is_open()) GTEST_SKIP() << "this user can read any file";
  EXPECT_THROW(ini.Open(path), EInOutError);
}

}  // namespace
}  // namespace kestrune
