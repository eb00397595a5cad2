#include "app/projects_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;

std::u16string U(const std::string& text) { return platform::Utf8ToUtf16(text); }

TEST(ProjectsFolder, NewFolderName) {
  const struct {
    std::vector<const char*> present;
    const char16_t* expected;
  } cases[] = {
      {{}, u"New folder"},
      {{"New folder"}, u"New folder(1)"},
      {{"New folder", "New folder(1)"}, u"New folder(2)"},
      {{"New folder", "New folder(2)"}, u"New folder(1)"},
      {{"new folder"}, u"New folder"},  // another name here
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    for (const char* name : c.present) fs::create_directory(dir.File(name));
    EXPECT_EQ(NewFolderName(dir.WPath()), c.expected);
  }
  test::TempDir dir;
  test::WriteFileBytes(dir.File("New folder"), "a file of that name");
  EXPECT_EQ(NewFolderName(dir.WPath()), u"New folder(1)");
}

TEST(ProjectsFolder, PlanDrop) {
  test::TempDir dir;
  const std::string p = dir.Path() + "P";
  for (const char* folder : {"P/A", "P/A/B", "P/C", "P/AB"}) fs::create_directories(dir.File(folder));
  for (const char* file : {"P/x.kqp", "P/A/y.kqp", "P/C/x.kqp"}) test::WriteFileBytes(dir.File(file), "kqp");
  const struct {
    std::string source, drop;
    bool dropIsFolder;
    TDropKind kind;
    std::string target;
  } cases[] = {
      {p + "/x.kqp", p + "/A", true, TDropKind::dkMove, p + "/A/x.kqp"},
      {p + "/x.kqp", p + "/A/y.kqp", false, TDropKind::dkMove, p + "/A/x.kqp"},  // onto a project: its folder
      {p + "/x.kqp", p + "/C", true, TDropKind::dkReplace, p + "/C/x.kqp"},
      {p + "/x.kqp", p, true, TDropKind::dkNothing, p + "/x.kqp"},
      {p + "/x.kqp", p + "/x.kqp", false, TDropKind::dkNothing, p + "/x.kqp"},
      {p + "/A", p + "/C", true, TDropKind::dkMove, p + "/C/A"},
      {p + "/A", p + "/A", true, TDropKind::dkRefused, ""},          // onto itself
      {p + "/A", p + "/A/B", true, TDropKind::dkRefused, ""},        // into a descendant
      {p + "/A", p + "/A/y.kqp", false, TDropKind::dkRefused, ""},   // onto a project inside it
      {p + "/A/", p + "/AB", true, TDropKind::dkMove, p + "/AB/A"},  // a name that only begins alike
      {p + "/AB", p + "/A", true, TDropKind::dkMove, p + "/A/AB"},
      {"", p + "/A", true, TDropKind::dkRefused, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source + " -> " + c.drop);
    const TDropPlan plan = PlanDrop(U(c.source), U(c.drop), c.dropIsFolder);
    EXPECT_EQ(plan.Kind, c.kind);
    if (c.kind != TDropKind::dkRefused) {
      EXPECT_EQ(plan.Target, U(c.target));
    }
  }
}

// A folder of the tests on another device than the temporary folder, or
// empty when there is none.
std::string OtherDevice(const std::string& near) {
  struct stat a, b;
  if (::stat(near.c_str(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev) return {};
  if (::access("/dev/shm", W_OK) != 0) return {};
  char name[] = "/dev/shm/kestrune-move-XXXXXX";
  return ::mkdtemp(name) ? std::string(name) + "/" : std::string();
}

TEST(ProjectsFolder, MoveProjectItem) {
  enum Setup { kFile, kFolder };
  const struct {
    const char* what;
    Setup source;
    bool targetExists;
    bool replace;
    bool otherDevice;
    int32_t error;
  } cases[] = {
      {"a file", kFile, false, false, false, 0},
      {"a folder", kFolder, false, false, false, 0},
      {"onto a name that exists, not agreed", kFile, true, false, false, EEXIST},
      {"onto a name that exists, agreed", kFile, true, true, false, 0},
      {"a folder onto a folder, agreed", kFolder, true, true, false, 0},
      {"a file across devices", kFile, false, false, true, 0},
      {"a folder across devices, replacing", kFolder, true, true, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    std::string targetFolder = dir.Path() + "to/";
    if (c.otherDevice) {
      targetFolder = OtherDevice(dir.Path());
      if (targetFolder.empty()) continue;  // no second device here
    }
    fs::create_directories(targetFolder);
    const std::string source = dir.Path() + "item";
    if (c.source == kFile) {
      test::WriteFileBytes(source, "the project");
    } else {
      fs::create_directories(source + "/sub");
      test::WriteFileBytes(source + "/sub/p.kqp", "the project");
    }
    const std::string target = targetFolder + "item";
    if (c.targetExists) {
      fs::create_directories(target + "/old");
      test::WriteFileBytes(target + "/old/q.kqp", "the old one");
    }
    EXPECT_EQ(MoveProjectItem(U(source), U(target), c.replace), c.error);
    const std::string moved = c.source == kFile ? target : target + "/sub/p.kqp";
    const std::string left = c.source == kFile ? source : source + "/sub/p.kqp";
    if (c.error == 0) {
      EXPECT_FALSE(fs::exists(source));
      EXPECT_EQ(test::ReadFileBytes(moved), "the project");
      EXPECT_FALSE(fs::exists(target + "/old"));
    } else {
      EXPECT_EQ(test::ReadFileBytes(left), "the project");
      EXPECT_EQ(test::ReadFileBytes(target + "/old/q.kqp"), "the old one");
    }
    // Nothing is left aside.
    for (const auto& entry : fs::directory_iterator(targetFolder)) EXPECT_EQ(entry.path().filename(), "item");
    if (c.otherDevice) fs::remove_all(targetFolder);
  }
}

TEST(ProjectsFolder, ACopyThatFailsKeepsTheSource) {
  test::TempDir dir;
  const std::string other = OtherDevice(dir.Path());
  if (other.empty()) GTEST_SKIP() << "no second device";
  // A fifo cannot be copied as a file: the copy fails half-way.
  fs::create_directories(dir.File("item"));
  test::WriteFileBytes(dir.File("item/a.kqp"), "the project");
  ASSERT_EQ(::mkfifo(dir.File("item/pipe").c_str(), 0600), 0);
  test::WriteFileBytes(other + "item", "old");
  EXPECT_NE(MoveProjectItem(dir.WFile("item"), U(other + "item"), true), 0);
  EXPECT_EQ(test::ReadFileBytes(dir.File("item/a.kqp")), "the project");
  EXPECT_EQ(test::ReadFileBytes(other + "item"), "old");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(other)) names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"item"});
  fs::remove_all(other);
}

}  // namespace
}  // namespace kestrune
