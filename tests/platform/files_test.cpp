#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune::platform {
namespace {

TEST(PlatformFiles, NamesFallBackToACaseInsensitiveMatchPerComponent) {
  test::TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("Templates").c_str(), 0777), 0);
  ASSERT_EQ(::mkdir(dir.File("Templates/EN").c_str(), 0777), 0);
  test::WriteFileBytes(dir.File("Templates/EN/Color.ini"), "x");
  EXPECT_EQ(ResolvePathUtf8(dir.File("templates/en/color.ini")), dir.File("Templates/EN/Color.ini"));
  EXPECT_TRUE(FileExists(dir.WFile("TEMPLATES/en/COLOR.INI")));
  // A missing last component keeps the resolved folders: new files land in them.
  EXPECT_EQ(ResolvePathUtf8(dir.File("templates/en/new.ini")), dir.File("Templates/EN/new.ini"));
  // The exact spelling wins when it exists.
  test::WriteFileBytes(dir.File("Templates/EN/color.ini"), "y");
  EXPECT_EQ(ResolvePathUtf8(dir.File("Templates/EN/color.ini")), dir.File("Templates/EN/color.ini"));
}

TEST(PlatformFiles, NativeFileReadWriteSeek) {
  test::TempDir dir;
  NativeFile file;
  EXPECT_FALSE(file.Open(dir.WFile("missing"), NativeFile::Access::kRead, false, false));
  ASSERT_TRUE(file.Open(dir.WFile("f.bin"), NativeFile::Access::kReadWrite, true, true));
  EXPECT_EQ(file.Write("abcdef", 6), 6);
  EXPECT_EQ(file.Size(), 6);
  EXPECT_EQ(file.Seek(2, 0), 2);
  char buf[8] = {};
  EXPECT_EQ(file.Read(buf, 8), 4);
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_TRUE(file.SetSize(3));
  EXPECT_EQ(file.Size(), 3);
  NativeFile folder;
  EXPECT_FALSE(folder.Open(dir.WPath(), NativeFile::Access::kRead, false, false));
}

TEST(PlatformFiles, ReadOnlyIsTheOwnerWriteBit) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("a"), "1");
  EXPECT_FALSE(GetPathInfo(dir.WFile("a")).readOnly);
  ASSERT_TRUE(SetReadOnly(dir.WFile("a"), true));
  EXPECT_TRUE(GetPathInfo(dir.WFile("a")).readOnly);
  ASSERT_TRUE(SetReadOnly(dir.WFile("a"), false));
  EXPECT_FALSE(GetPathInfo(dir.WFile("a")).readOnly);
}

TEST(PlatformFiles, ReplaceFileKeepsTheTargetMode) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("target"), "old");
  ::chmod(dir.File("target").c_str(), 0600);
  const std::u16string temp = CreateTempFileBeside(dir.WFile("target"));
  ASSERT_FALSE(temp.empty());
  test::WriteFileBytes(Utf16ToUtf8(temp), "new");
  ASSERT_TRUE(ReplaceFile(temp, dir.WFile("target")));
  EXPECT_EQ(test::ReadFileBytes(dir.File("target")), "new");
  struct stat st;
  ASSERT_EQ(::stat(dir.File("target").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(FileExists(temp));
}

TEST(PlatformFiles, FoldersFromTheEnvironment) {
  test::TempDir dir;
  {
    test::ScopedEnv home("KESTRUNE_HOME", dir.Path() + "prog");
    EXPECT_EQ(ProgramFolder(), dir.WPath() + u"prog/");
  }
  {
    test::ScopedEnv data("XDG_DATA_HOME", dir.Path() + "data");
    EXPECT_EQ(UserDataFolder(), dir.WPath() + u"data/kestrune/");
    EXPECT_TRUE(FolderExists(dir.WPath() + u"data/kestrune"));
  }
  {
    test::ScopedEnv config("KESTRUNE_CONFIG_HOME", dir.Path() + "cfg");
    EXPECT_EQ(UserConfigFolder(), dir.WPath() + u"cfg/");
  }
  EXPECT_FALSE(ProgramFile().empty());
}

TEST(PlatformFiles, ListFolderDoesNotTreatLinksToFoldersAsFolders) {
  test::TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("real").c_str(), 0777), 0);
  ASSERT_EQ(::symlink(dir.File("real").c_str(), dir.File("link").c_str()), 0);
  test::WriteFileBytes(dir.File("file"), "1");
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(ListFolder(dir.WPath(), entries));
  int folders = 0, files = 0;
  for (const auto& e : entries) {
    folders += e.isFolder;
    files += e.isFile;
  }
  EXPECT_EQ(folders, 1);
  EXPECT_EQ(files, 1);
  EXPECT_FALSE(ListFolder(dir.WFile("nope"), entries));
}

}  // namespace
}  // namespace kestrune::platform
