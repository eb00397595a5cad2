#include "core/find_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using Names = std::vector<std::u16string>;

// root/
//   b.txt a.txt A.TXT C.stp readme ro.txt(read-only) flink.txt -> b.txt
//   alpha/ x.txt s.stp deep/ d.txt
//   Zeta/  z.txt
//   link -> alpha (a link to a folder: never followed)
class FindFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"b.txt", "a.txt", "A.TXT", "C.stp", "readme", "ro.txt"}) Touch(name);
    ::chmod(dir_.File("ro.txt").c_str(), 0444);
    std::filesystem::create_directories(dir_.File("alpha/deep"));
    std::filesystem::create_directories(dir_.File("Zeta"));
    Touch("alpha/x.txt");
    Touch("alpha/s.stp");
    Touch("alpha/deep/d.txt");
    Touch("Zeta/z.txt");
    std::filesystem::create_directory_symlink(dir_.File("alpha"), dir_.File("link"));
    std::filesystem::create_symlink(dir_.File("b.txt"), dir_.File("flink.txt"));
  }
  void Touch(const std::string& name) { test::WriteFileBytes(dir_.File(name), "x"); }
  std::u16string Full(const std::string& name) const { return dir_.WFile(name); }
  std::u16string Root() const { return platform::Utf8ToUtf16(dir_.Path()); }

  test::TempDir dir_;
};

TEST_F(FindFilesTest, FilesInSortedOrderAsFullPaths) {
  struct Case {
    const char* name;
    std::u16string mask;
    uint32_t excluded;
    bool recurse;
    std::vector<std::string> files;
  } cases[] = {
      {"mask ignores case", u"*.TxT", 0, false, {"A.TXT", "a.txt", "b.txt", "flink.txt", "ro.txt"}},
      {"*.* is everything", u"*.*", 0, false, {"A.TXT", "a.txt", "b.txt", "C.stp", "flink.txt", "readme", "ro.txt"}},
      {"empty mask is everything", u"", 0, false,
       {"A.TXT", "a.txt", "b.txt", "C.stp", "flink.txt", "readme", "ro.txt"}},
      {"stop-word mask, this folder only", u"*.stp", 0, false, {"C.stp"}},
      {"stop-word mask through subfolders", u"*.STP", 0, true, {"C.stp", "alpha/s.stp"}},
      {"read-only excluded", u"*.txt", kFaReadOnly, false, {"A.TXT", "a.txt", "b.txt", "flink.txt"}},
      {"hidden never set", u"*.txt", kFaHidden | kFaSysFile | kFaArchive, false,
       {"A.TXT", "a.txt", "b.txt", "flink.txt", "ro.txt"}},
      {"recursion: files first, then each subfolder in order, links not followed", u"?.txt", 0, true,
       {"A.TXT", "a.txt", "b.txt", "alpha/x.txt", "alpha/deep/d.txt", "Zeta/z.txt"}},
  };
  for (const Case& c : cases) {
    Names expected;
    for (const std::string& f : c.files) expected.push_back(Full(f));
    for (std::u16string folder : {Root(), Root().substr(0, Root().size() - 1)}) {
      Names list = {u"stale"};
      EXPECT_EQ(WideFindFiles(list, folder, c.mask, c.excluded, c.recurse), static_cast<int32_t>(expected.size()))
          << c.name;
      EXPECT_EQ(list, expected) << c.name;
    }
  }
}

TEST_F(FindFilesTest, MissingOrEmptyFolderGivesAnEmptyList) {
  Names list = {u"stale"};
  EXPECT_EQ(WideFindFiles(list, Root() + u"nowhere", u"*", 0, true), 0);
  EXPECT_TRUE(list.empty());
  list = {u"stale"};
  EXPECT_EQ(WideFindFiles(list, u"", u"*", 0, true), 0);
  EXPECT_TRUE(list.empty());
  list = {u"stale"};
  EXPECT_EQ(FindFolders(list, Root() + u"nowhere", u"*"), 0);
  EXPECT_TRUE(list.empty());
}

TEST_F(FindFilesTest, FoldersByNameWithMaskExclusionsAndAttributes) {
  std::filesystem::create_directories(dir_.File("Locked"));
  ::chmod(dir_.File("Locked").c_str(), 0555);
  const Names excludeZeta = {u"ZETA"};
  const Names excludeNothing = {u"other"};
  struct Case {
    const char* name;
    std::u16string mask;
    const Names* exclusions;
    uint32_t excluded;
    Names folders;
  } cases[] = {
      {"all real folders, links left out", u"*", nullptr, 0, {u"alpha", u"Locked", u"Zeta"}},
      {"empty mask is *", u"", nullptr, 0, {u"alpha", u"Locked", u"Zeta"}},
      {"mask ignores case", u"Z*", nullptr, 0, {u"Zeta"}},
      {"exclusion list in another case", u"*", &excludeZeta, 0, {u"alpha", u"Locked"}},
      {"exclusion list without a match", u"*", &excludeNothing, 0, {u"alpha", u"Locked", u"Zeta"}},
      {"read-only folders excluded", u"*", nullptr, kFaReadOnly, {u"alpha", u"Zeta"}},
  };
  for (const Case& c : cases) {
    Names list;
    EXPECT_EQ(FindFolders(list, Root(), c.mask, c.exclusions, c.excluded), static_cast<int32_t>(c.folders.size()))
        << c.name;
    EXPECT_EQ(list, c.folders) << c.name;
  }
}

TEST(FindFiles, MatchesMask) {
  struct Case {
    std::u16string name;
    std::u16string mask;
    bool matches;
  } cases[] = {
      {u"abc.TXT", u"*.txt", true},   {u"abc.txt", u"*.tx", false},    {u"readme", u"*.*", true},
      {u"abc", u"a?c", true},         {u"abcd", u"a?c", false},        {u"ac", u"a?c", false},
      {u"a.b.c", u"*.c", true},       {u"aaab", u"*a*b", true},        {u"ab", u"*a*b*", true},
      {u"ba", u"*a*b", false},        {u"Stop.STP", u"stop.*", true},  {u"x", u"?", true},
      {u"\u0416\u0423\u041A.txt", u"\u0436\u0443\u043A.*", true},  // Cyrillic
      {u"\u00C9T\u00C9", u"\u00E9t\u00E9", true},                  // Latin-1
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches)
        << platform::Utf16ToUtf8(c.name) << " ~ " << platform::Utf16ToUtf8(c.mask);
  }
}

}  // namespace
}  // namespace kestrune
