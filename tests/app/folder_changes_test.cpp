#include "app/folder_changes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

platform::FolderEntryIdentity File(const char16_t* name, uint64_t inode, uint32_t mode = S_IFREG | 0644) {
  return {name, false, 1, inode, mode};
}
platform::FolderEntryIdentity Folder(const char16_t* name, uint64_t inode, uint32_t mode = S_IFDIR | 0755) {
  return {name, true, 1, inode, mode};
}

TEST(CompareFolderListings, Reports) {
  const struct {
    const char* what;
    TFolderListing before, after;
    std::vector<TShellReport> expected;
  } cases[] = {
      {"nothing changed", {File(u"a", 1), Folder(u"d", 2)}, {File(u"a", 1), Folder(u"d", 2)}, {}},
      {"made", {File(u"a", 1)}, {File(u"a", 1), File(u"b", 2), Folder(u"c", 3)},
       {{SHCNE_CREATE, u"/p/b", u""}, {SHCNE_MKDIR, u"/p/c", u""}}},
      {"gone", {File(u"a", 1), Folder(u"d", 2)}, {}, {{SHCNE_DELETE, u"/p/a", u""}, {SHCNE_RMDIR, u"/p/d", u""}}},
      {"renamed", {File(u"a", 1), Folder(u"d", 2)}, {File(u"z", 1), Folder(u"e", 2)},
       {{SHCNE_RENAMEITEM, u"/p/a", u"/p/z"}, {SHCNE_RENAMEFOLDER, u"/p/d", u"/p/e"}}},
      {"renamed in letter case only", {File(u"a.kqp", 1)}, {File(u"A.kqp", 1)},
       {{SHCNE_RENAMEITEM, u"/p/a.kqp", u"/p/A.kqp"}}},
      {"the same inode on another device is another item", {File(u"a", 1)}, {{u"b", false, 2, 1, S_IFREG | 0644}},
       {{SHCNE_DELETE, u"/p/a", u""}, {SHCNE_CREATE, u"/p/b", u""}}},
      {"an item renamed over another", {File(u"a", 1), File(u"b", 2)}, {File(u"b", 1)},
       {{SHCNE_DELETE, u"/p/b", u""}, {SHCNE_RENAMEITEM, u"/p/a", u"/p/b"}}},
      {"a name kept for a new item", {File(u"a", 1)}, {File(u"a", 7)},
       {{SHCNE_DELETE, u"/p/a", u""}, {SHCNE_CREATE, u"/p/a", u""}}},
      {"a file replaced by a folder of that name", {File(u"a", 1)}, {Folder(u"a", 1)},
       {{SHCNE_DELETE, u"/p/a", u""}, {SHCNE_MKDIR, u"/p/a", u""}}},
      {"mode changed", {File(u"a", 1), Folder(u"d", 2)}, {File(u"a", 1, S_IFREG | 0444), Folder(u"d", 2, S_IFDIR | 0700)},
       {{SHCNE_ATTRIBUTES, u"/p/a", u""}, {SHCNE_ATTRIBUTES, u"/p/d", u""}}},
      {"all at once", {File(u"a", 1), File(u"b", 2), File(u"c", 3, S_IFREG | 0600)},
       {File(u"b2", 2), File(u"c", 3), File(u"d", 4)},
       {{SHCNE_DELETE, u"/p/a", u""},
        {SHCNE_RENAMEITEM, u"/p/b", u"/p/b2"},
        {SHCNE_CREATE, u"/p/d", u""},
        {SHCNE_ATTRIBUTES, u"/p/c", u""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<TShellReport> reports;
    CompareFolderListings(u"/p", c.before, c.after, reports);
    EXPECT_EQ(reports, c.expected);
  }
}

TEST(CompareFolderListings, ListingOfAFolder) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("b"));
  test::WriteFileBytes(dir.File("a"), "x");
  std::filesystem::create_symlink(dir.File("b"), dir.File("c"));  // a link to a folder is not a folder
  std::filesystem::create_symlink(dir.File("missing"), dir.File("d"));
  TFolderListing listing;
  ASSERT_TRUE(ReadFolderListing(dir.WPath(), listing));
  ASSERT_EQ(listing.size(), 4u);
  EXPECT_EQ(listing[0].name, u"a");
  EXPECT_EQ(listing[1].name, u"b");
  EXPECT_TRUE(listing[1].isFolder);
  EXPECT_FALSE(listing[2].isFolder);
  EXPECT_EQ(listing[3].name, u"d");  // a dangling link is an entry too
  EXPECT_FALSE(ReadFolderListing(dir.WFile("a"), listing));
  EXPECT_TRUE(listing.empty());
  EXPECT_FALSE(ReadFolderListing(dir.WFile("missing"), listing));
}

}  // namespace
}  // namespace kestrune
