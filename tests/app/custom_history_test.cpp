#include "app/custom_history.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text.h"
#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

using test::Utf16Bytes;

std::string Joined(const std::vector<std::u16string>& items) {
  std::string text;
  for (const std::u16string& item : items) text += (text.empty() ? "" : "|") + platform::Utf16ToUtf8(item);
  return text;
}

TEST(CustomHistory, LoadAndAdd) {
  struct Case {
    const char16_t* file;  // nullptr: no file
    bool mark;
    const char16_t* added;  // nullptr: no Add
    const char* items;
    const char* current;
  } cases[] = {
      {nullptr, true, nullptr, "/p/default.kes", "/p/default.kes"},
      {u"", true, nullptr, "/p/default.kes", "/p/default.kes"},
      {u"/a/1.kes\r\n\r\n/b/2.kes\r\n\r\n", true, nullptr, "/a/1.kes|/b/2.kes", "/a/1.kes"},
      {u"/a/1.kes\r\n/b/2.kes\r\n", false, nullptr, "/p/default.kes", "/p/default.kes"},  // no mark
      {u"/a/1.kes\n/b/2.kes\n\n", true, nullptr, "/a/1.kes|/b/2.kes", "/a/1.kes"},  // LF line ends
      {u"/1\r\n/2\r\n/3\r\n/4\r\n/5\r\n/6\r\n/7\r\n/8", true, nullptr, "/1|/2|/3|/4|/5|/6|/7|/8", "/1"},
      {u"/1\r\n/2\r\n/3\r\n/4\r\n/5\r\n/6\r\n/7\r\n/8", true, u"/new", "/new|/1|/2|/3|/4|/5|/6", "/new"},
      {u"/a/X.kes\r\n/b/y.kes\r\n", true, u"/a/x.kes", "/a/x.kes|/b/y.kes", "/a/x.kes"},
      {u"/a/\u00C9t\u00E9.kes\r\n", true, u"/a/\u00E9T\u00C9.kes", "/a/\u00E9T\u00C9.kes", "/a/\u00E9T\u00C9.kes"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    test::TempDir dir;
    if (c.file) test::WriteFileBytes(dir.File("history"), Utf16Bytes(c.file, c.mark));
    IHistory history;
    int32_t changes = 0;
    history.OnListChanged = [&](ICustomHistory&) { ++changes; };
    EXPECT_EQ(history.Load(dir.WPath(), u"/p/"), -1);
    if (c.added) {
      EXPECT_EQ(history.Add(c.added), -1);
    }
    EXPECT_EQ(Joined(history.Items()), c.items);
    EXPECT_EQ(platform::Utf16ToUtf8(history.CurrentFile()), c.current);
    EXPECT_EQ(changes, c.added ? 2 : 1);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.File("history")));  // made when missing, never written
    if (c.file) {
      EXPECT_EQ(test::ReadFileBytes(dir.File("history")), Utf16Bytes(c.file, c.mark));
    }
  }
}

TEST(CustomHistory, NoListWhereTheFileCannotBeMade) {
  IHistory history;
  EXPECT_EQ(history.Load(u"/proc/no such folder/", u"/p/"), -1);
  EXPECT_TRUE(history.Items().empty());
  EXPECT_TRUE(history.CurrentFile().empty());
}

TEST(CustomHistory, MenuItems) {
  IHistory history;
  std::u16string chosen;
  history.MenuItemClick(u"/x");  // no handler: nothing
  history.OnMenu = [&](std::u16string_view path) { chosen = path; };
  history.MenuItemClick(u"/a/b.kes");
  EXPECT_EQ(chosen, u"/a/b.kes");
  EXPECT_EQ(ICustomHistory::MenuCaption(u"/a/b.kes"), u"b.kes");
  EXPECT_EQ(ICustomHistory::MenuCaption(u"C:\\base\\\u0431.kes"), u"\u0431.kes");
  EXPECT_EQ(ICustomHistory::MenuCaption(u"plain"), u"plain");
}

}  // namespace
}  // namespace kestrune
