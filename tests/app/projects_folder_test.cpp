#include "app/projects_folder.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <system_error>

#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;

std::u16string U(const std::string& text) { return platform::Utf8ToUtf16(text); }

// Names the project lists would hide or that hold nothing but blanks are
// refused; a project's name is looked at also without its ".kqp".
TEST(ProjectsFolder, NamesThatAreRefused) {
  const struct {
    const char16_t* name;
    TNameRefusal item, project;
  } cases[] = {
      {u"birds", TNameRefusal::nrNone, TNameRefusal::nrNone},
      {u"birds.kqp", TNameRefusal::nrNone, TNameRefusal::nrNone},
      {u" birds .kqp", TNameRefusal::nrNone, TNameRefusal::nrNone},
      {u"", TNameRefusal::nrBlank, TNameRefusal::nrBlank},
      {u"   ", TNameRefusal::nrBlank, TNameRefusal::nrBlank},
      {u" \t\u00A0\u3000", TNameRefusal::nrBlank, TNameRefusal::nrBlank},
      {u"   .kqp", TNameRefusal::nrNone, TNameRefusal::nrBlank},
      {u".kqp", TNameRefusal::nrHidden, TNameRefusal::nrBlank},
      {u".dotsave.kqp", TNameRefusal::nrHidden, TNameRefusal::nrHidden},
      {u" .dotsave", TNameRefusal::nrNone, TNameRefusal::nrNone},
      {u"a/b", TNameRefusal::nrInvalid, TNameRefusal::nrInvalid},
      {u".", TNameRefusal::nrInvalid, TNameRefusal::nrInvalid},
      {u"..", TNameRefusal::nrInvalid, TNameRefusal::nrInvalid},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.name));
    EXPECT_EQ(CheckItemName(c.name), c.item);
    EXPECT_EQ(CheckProjectName(c.name), c.project);
  }
}

TEST(ProjectsFolder, MovedPath) {
  const struct {
    const char16_t *path, *from, *to, *expected;
  } cases[] = {
      {u"/p/a.kqp", u"/p/a.kqp", u"/p/b.kqp", u"/p/b.kqp"},
      {u"/p/Old/a.kqp", u"/p/Old", u"/p/New/", u"/p/New/a.kqp"},
      {u"/p//Old/./a.kqp", u"/p/Old/", u"/p/New", u"/p/New/a.kqp"},
      {u"/p/Older/a.kqp", u"/p/Old", u"/p/New", u"/p/Older/a.kqp"},
      {u"/p/a.kqp", u"/p/A.kqp", u"/p/b.kqp", u"/p/a.kqp"},
      {u"", u"/p/a.kqp", u"/p/b.kqp", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.path));
    EXPECT_EQ(MovedPath(c.path, c.from, c.to), c.expected);
  }
}

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
    bool otherDevice;
    int32_t error;
  } cases[] = {
      {"a file", kFile, false, false, 0},
      {"a folder", kFolder, false, false, 0},
      {"onto a name that exists: never replaced", kFile, true, false, EEXIST},
      {"a folder onto a folder that exists", kFolder, true, false, EEXIST},
      {"a file across devices", kFile, false, true, 0},
      {"a folder across devices", kFolder, false, true, 0},
      {"a folder across devices onto one that exists", kFolder, true, true, EEXIST},
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
      fs::create_symlink("sub/p.kqp", source + "/link");
    }
    const std::string target = targetFolder + "item";
    if (c.targetExists) {
      fs::create_directories(target + "/old");
      test::WriteFileBytes(target + "/old/q.kqp", "the old one");
    }
    EXPECT_EQ(MoveProjectItem(U(source), U(target)), c.error);
    const std::string moved = c.source == kFile ? target : target + "/sub/p.kqp";
    const std::string left = c.source == kFile ? source : source + "/sub/p.kqp";
    if (c.error == 0) {
      EXPECT_FALSE(fs::exists(source));
      EXPECT_EQ(test::ReadFileBytes(moved), "the project");
      if (c.source == kFolder) {
        EXPECT_EQ(fs::read_symlink(target + "/link"), "sub/p.kqp");
      }
    } else {
      EXPECT_EQ(test::ReadFileBytes(left), "the project");
      EXPECT_EQ(test::ReadFileBytes(target + "/old/q.kqp"), "the old one");
    }
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
  EXPECT_NE(MoveProjectItem(dir.WFile("item"), U(other + "item")), 0);
  EXPECT_EQ(test::ReadFileBytes(dir.File("item/a.kqp")), "the project");
  EXPECT_TRUE(fs::is_empty(other));
  fs::remove_all(other);
}

// Runs `body` in a child process that has a file system of 64 KiB of its own
// mounted at `folder`; the body's result (0 to 254), or -1 when this machine
// cannot give a process a file system of its own.
int WithSmallFileSystem(const std::string& folder, const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (::unshare(CLONE_NEWNS) != 0) {
      // Not allowed as this user: as root of a namespace of our own.
      const uid_t uid = ::getuid();
      const gid_t gid = ::getgid();
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ::_exit(255);
      test::WriteFileBytes("/proc/self/setgroups", "deny");
      test::WriteFileBytes("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
      test::WriteFileBytes("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    }
    // Private: the mount stays in this process.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) {
      ::_exit(255);
    }
    ::_exit(std::min(body(), 254));
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
  return WEXITSTATUS(status);
}

TEST(ProjectsFolder, AFullDeviceSaysSo) {
  test::TempDir dir;
  fs::create_directories(dir.File("item/sub"));
  test::WriteFileBytes(dir.File("item/a.kqp"), "the project");
  test::WriteFileBytes(dir.File("item/sub/big.kqp"), std::string(256 * 1024, 'k'));
  fs::create_directories(dir.File("small"));
  const int result = WithSmallFileSystem(dir.File("small"), [&] {
    const int32_t error = MoveProjectItem(dir.WFile("item"), dir.WFile("small/item"));
    // Nothing of the copy is left on the full device.
    return fs::is_empty(dir.File("small")) ? error : 254;
  });
  if (result < 0) GTEST_SKIP() << "no file system of a process's own here";
  EXPECT_EQ(result, ENOSPC) << std::generic_category().message(result);
  EXPECT_EQ(test::ReadFileBytes(dir.File("item/a.kqp")), "the project");
  EXPECT_EQ(fs::file_size(dir.File("item/sub/big.kqp")), 256u * 1024u);
}

}  // namespace
}  // namespace kestrune
