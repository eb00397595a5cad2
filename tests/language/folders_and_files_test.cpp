#include "language/folders_and_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrune {
namespace {

std::u16string Units(char16_t unit, size_t count) { return std::u16string(count, unit); }

TEST(FoldersAndFilesTest, FreshTable_DefaultsAndInvalidIndexes) {
  TIFoldersAndFiles table;
  EXPECT_FALSE(table.StrCache());
  EXPECT_TRUE(table.CaseSensitivity());
  EXPECT_FALSE(table.CheckNames());
  EXPECT_TRUE(table.CheckTypeItem());
  EXPECT_EQ(table.DataDefault(), 0);
  EXPECT_EQ(table.Count(), 0);
  for (int32_t slot = 0; slot < TIFoldersAndFiles::kBookmarkCount; ++slot) {
    EXPECT_EQ(table.Bookmark(slot).Index, -1);
    EXPECT_EQ(table.Bookmark(slot).Data, 0);
  }
  for (int32_t i : {-1, 0, 1, INT32_MAX, INT32_MIN}) {
    EXPECT_EQ(table.GetParent(i), -6) << i;
    EXPECT_EQ(table.GetFullName(i), u"") << i;
  }
  EXPECT_EQ(table.FindItem(u"a", -1), -1);
}

// The same two paths in both spellings, in every combination of string cache
// and case rule: a case-insensitive table shares the folders and keeps the
// spelling first stored.
TEST(FoldersAndFilesTest, NameTables_CaseRuleDecidesWhichNamesAreOneItem) {
  struct Case {
    bool strCache;
    bool caseSensitive;
    int32_t itemsAfterBoth;
    const char16_t* secondFullName;
    bool sameFileAgain;  // "C:\DOCS\A.TXT" finds the first file
  };
  const Case cases[] = {
      {false, true, 6, u"c:\\docs\\B.txt", false},
      {true, true, 6, u"c:\\docs\\B.txt", false},
      {false, false, 4, u"C:\\Docs\\B.txt", true},
      {true, false, 4, u"C:\\Docs\\B.txt", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "strCache " << c.strCache << " caseSensitive " << c.caseSensitive);
    TIFoldersAndFiles table;
    table.SetStrCache(c.strCache);
    table.SetCaseSensitivity(c.caseSensitive);
    const int32_t first = table.AddFullName(u"C:\\Docs\\a.txt");
    ASSERT_EQ(first, 2);
    EXPECT_EQ(table.GetFullName(first), u"C:\\Docs\\a.txt");
    EXPECT_EQ(table.GetParent(first), 1);
    EXPECT_EQ(table.GetParent(1), 0);
    EXPECT_EQ(table.GetParent(0), -1);
    const int32_t second = table.AddFullName(u"c:\\docs\\B.txt");
    ASSERT_GE(second, 0);
    EXPECT_EQ(table.Count(), c.itemsAfterBoth);
    EXPECT_EQ(table.GetFullName(second), c.secondFullName);
    const int32_t again = table.AddFullName(u"C:\\DOCS\\A.TXT");
    EXPECT_EQ(again == first, c.sameFileAgain);
    EXPECT_EQ(table.FindItem(u"docs\\", 0) == 1, !c.caseSensitive);
    // Adding the exact same path never makes new items.
    const int32_t before = table.Count();
    EXPECT_EQ(table.AddFullName(u"C:\\Docs\\a.txt"), first);
    EXPECT_EQ(table.Count(), before);
  }
}

TEST(FoldersAndFilesTest, CaseInsensitiveTable_FoldsLettersBeyondAscii) {
  TIFoldersAndFiles table;
  table.SetCaseSensitivity(false);
  const int32_t a = table.AddFullName(u"/Über/Папка/Ёлка.txt");
  EXPECT_EQ(table.AddFullName(u"/über/ПАПКА/ёлка.TXT"), a);
  EXPECT_EQ(table.Count(), 4);
  EXPECT_EQ(table.GetFullName(a), u"/Über/Папка/Ёлка.txt");
}

TEST(FoldersAndFilesTest, GetFullName_FoldersAreEmptyOnlyWhileCheckTypeItemIsOn) {
  struct Case {
    const char16_t* path;
    const char16_t* lastName;
  };
  const Case cases[] = {
      {u"C:\\Docs\\", u"Docs\\"},
      {u"/home/ann/", u"ann/"},
      {u"srv|share|", u"share|"},
      {u"/", u"/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    TIFoldersAndFiles table;
    const int32_t item = table.AddFullName(c.path);
    ASSERT_GE(item, 0);
    EXPECT_EQ(table.GetName(item), c.lastName);
    EXPECT_EQ(table.GetFullName(item), u"");
    table.SetCheckTypeItem(false);
    EXPECT_EQ(table.GetFullName(item), c.path);
  }
  // A file under mixed separators joins them as stored.
  TIFoldersAndFiles table;
  EXPECT_EQ(table.GetFullName(table.AddFullName(u"srv|share/dir\\file")), u"srv|share/dir\\file");
  EXPECT_EQ(table.Count(), 4);
}

TEST(FoldersAndFilesTest, LayoutSettings_ChangeOnlyWhileEmpty) {
  TIFoldersAndFiles table;
  ASSERT_EQ(table.AddItem(u"a", -1), 0);
  table.SetStrCache(true);
  table.SetCaseSensitivity(false);
  EXPECT_FALSE(table.StrCache());
  EXPECT_TRUE(table.CaseSensitivity());
  EXPECT_EQ(table.AddItem(u"A", -1), 1);  // still case-sensitive
  // The settings without a layout rule change at any time.
  table.SetCheckNames(true);
  table.SetDataDefault(7);
  EXPECT_TRUE(table.CheckNames());
  EXPECT_EQ(table.DataDefault(), 7);

  table.Clear();
  EXPECT_EQ(table.Count(), 0);
  table.SetStrCache(true);
  table.SetCaseSensitivity(false);
  EXPECT_TRUE(table.StrCache());
  EXPECT_FALSE(table.CaseSensitivity());
  ASSERT_EQ(table.AddItem(u"a", -1), 0);
  EXPECT_EQ(table.AddItem(u"A", -1), 0);
}

TEST(FoldersAndFilesTest, AddItem_RefusesBadParentsAndNames) {
  for (bool strCache : {false, true}) {
    SCOPED_TRACE(strCache);
    TIFoldersAndFiles table;
    table.SetStrCache(strCache);
    EXPECT_EQ(table.AddItem(u"x", 0), TIFoldersAndFiles::kInvalidIndex);
    EXPECT_EQ(table.AddItem(u"x", -2), TIFoldersAndFiles::kInvalidIndex);
    EXPECT_EQ(table.AddItem(u"", -1), TIFoldersAndFiles::kNameRefused);
    EXPECT_EQ(table.AddItem(std::u16string(u"a\0b", 3), -1), TIFoldersAndFiles::kNameRefused);
    EXPECT_EQ(table.AddFullName(u""), TIFoldersAndFiles::kNameRefused);
    EXPECT_EQ(table.Count(), 0);
    // The arena holds names of up to 8191 units; heap buffers any length.
    const int32_t longest = table.AddItem(Units(u'n', 8191), -1);
    ASSERT_EQ(longest, 0);
    EXPECT_EQ(table.GetName(longest).size(), 8191u);
    const int32_t longer = table.AddItem(Units(u'm', 8192), -1);
    if (strCache) {
      EXPECT_EQ(longer, TIFoldersAndFiles::kNameRefused);
      EXPECT_EQ(table.Count(), 1);
    } else {
      EXPECT_EQ(longer, 1);
      EXPECT_EQ(table.GetFullName(longer), Units(u'm', 8192));
    }
    // A refused part keeps the parts before it.
    const int32_t count = table.Count();
    EXPECT_EQ(table.AddFullName(u"top/" + Units(u'z', 9000)), strCache ? TIFoldersAndFiles::kNameRefused : count + 1);
    EXPECT_EQ(table.FindItem(u"top/", -1), count);
  }
}

// Items across several pages of 512, in a wide folder and in a deep chain,
// with both kinds of name storage; Clear releases all and the table is
// usable again.
TEST(FoldersAndFilesTest, PagedItems_WideAndDeepTreesAcrossPages) {
  for (bool strCache : {false, true}) {
    SCOPED_TRACE(strCache);
    TIFoldersAndFiles table;
    table.SetStrCache(strCache);
    const int32_t root = table.AddItem(u"/data/", -1);
    ASSERT_EQ(root, 0);
    for (int32_t i = 0; i < 1300; ++i) {
      const std::string digits = std::to_string(i);
      ASSERT_EQ(table.AddItem(u"f" + std::u16string(digits.begin(), digits.end()), root), i + 1);
    }
    EXPECT_EQ(table.Count(), 1301);
    EXPECT_EQ(table.GetFullName(1300), u"/data/f1299");
    EXPECT_EQ(table.GetParent(1300), root);
    EXPECT_EQ(table.FindItem(u"f0", root), 1);
    EXPECT_EQ(table.FindItem(u"f1299", root), 1300);
    EXPECT_EQ(table.FindItem(u"f1300", root), -1);

    // A chain of 600 folders and a file at its end.
    int32_t parent = -1;
    std::u16string expected;
    for (int32_t level = 0; level < 600; ++level) {
      const std::u16string name = u"d" + std::u16string(1, u'0' + level % 10) + u"/";
      parent = table.AddItem(name, parent);
      ASSERT_GE(parent, 0);
      expected += name;
    }
    const int32_t file = table.AddItem(u"end.txt", parent);
    EXPECT_EQ(file, 1301 + 600);
    EXPECT_EQ(table.GetFullName(file), expected + u"end.txt");
    EXPECT_EQ(table.GetParent(file), parent);

    table.Clear();
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.GetParent(0), -6);
    EXPECT_EQ(table.FindItem(u"/data/", -1), -1);
    EXPECT_EQ(table.AddFullName(u"/data/again"), 2);  // "/", "data/", "again"
    EXPECT_EQ(table.GetFullName(2), u"/data/again");
  }
}

}  // namespace
}  // namespace kestrune
