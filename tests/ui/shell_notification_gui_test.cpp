#include "ui/shell_notification.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/skin_test_support.h"

namespace kestrune {
namespace {

struct Event {
  std::string name;
  std::string path1, path2;
  bool operator==(const Event&) const = default;
};

void PrintTo(const Event& e, std::ostream* out) { *out << e.name << "(" << e.path1 << ", " << e.path2 << ")"; }

// Records every event of a component, paths relative to a folder.
struct Recorder {
  explicit Recorder(std::string folder) : base(std::move(folder)) {}
  std::string base;
  std::vector<Event> events;

  std::string Relative(const std::u16string& path) const {
    std::string text = platform::Utf16ToUtf8(path);
    return text.starts_with(base) ? text.substr(base.size()) : text;
  }
  void Attach(TShellNotification& n) {
    auto one = [this](const char* name) {
      return [this, name](TShellNotification&, const std::u16string& p) { events.push_back({name, Relative(p), ""}); };
    };
    auto two = [this](const char* name) {
      return [this, name](TShellNotification&, const std::u16string& a, const std::u16string& b) {
        events.push_back({name, Relative(a), Relative(b)});
      };
    };
    n.OnAssociationChange = [this](TShellNotification&) { events.push_back({"AssociationChange", "", ""}); };
    n.OnAttributesChange = two("AttributesChange");
    n.OnFolderRename = two("FolderRename");
    n.OnItemRename = two("ItemRename");
    n.OnFileCreate = one("FileCreate");
    n.OnFolderUpdate = one("FolderUpdate");
    n.OnFileDelete = one("FileDelete");
    n.OnDriveAdd = one("DriveAdd");
    n.OnFolderRemove = one("FolderRemove");
    n.OnDriveAddGui = one("DriveAddGui");
    n.OnDriveRemove = one("DriveRemove");
    n.OnMediaInserted = one("MediaInserted");
    n.OnMediaRemove = one("MediaRemove");
    n.OnDirCreate = one("DirCreate");
    n.OnNetShare = one("NetShare");
    n.OnNetUnShare = one("NetUnShare");
    n.OnServerDisconnect = one("ServerDisconnect");
  }
  // Processes events until `count` events are recorded or `ms` passed; the
  // time it took.
  qint64 WaitFor(size_t count, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (events.size() < count && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return clock.elapsed();
  }
  // Processes events for `ms`.
  void Settle(int ms) { WaitFor(SIZE_MAX, ms); }
};

// Runs a shell command in a child process, in `folder`.
void Child(const std::string& folder, const std::string& command) {
  QProcess child;
  child.setWorkingDirectory(QString::fromStdString(folder));
  child.start("/bin/sh", {"-c", QString::fromStdString(command)});
  ASSERT_TRUE(child.waitForFinished(5000));
  ASSERT_EQ(child.exitCode(), 0) << command;
}

// Every event but the folder updates, which any change may bring.
const TNotificationEvents kAllButUpdates = [] {
  TNotificationEvents events;
  for (int n = 0; n < kNotificationEventCount; ++n) events.Include(static_cast<TNotificationEvent>(n));
  events.Exclude(neFolderUpdate);
  return events;
}();

TEST(TShellNotification, ChangesOfAnotherProgram) {
  const struct {
    const char* what;
    const char* before;   // run before registering
    const char* command;  // the change
    std::vector<Event> expected;
    bool anyOrder = false;  // changes of two folders come in either order
  } cases[] = {
      {"a file made", "", "echo x > a.kqp", {{"FileCreate", "a.kqp", ""}}},
      {"a file deleted", "echo x > a.kqp", "rm a.kqp", {{"FileDelete", "a.kqp", ""}}},
      {"a file renamed", "echo x > a.kqp", "mv a.kqp b.kqp", {{"ItemRename", "a.kqp", "b.kqp"}}},
      {"a folder made", "", "mkdir d", {{"DirCreate", "d", ""}}},
      {"a folder removed", "mkdir d", "rmdir d", {{"FolderRemove", "d", ""}}},
      {"a folder renamed", "mkdir d", "mv d e", {{"FolderRename", "d", "e"}}},
      {"a folder and a file in it at once", "", "mkdir d && echo x > d/a.kqp",
       {{"DirCreate", "d", ""}, {"FileCreate", "d/a.kqp", ""}}},
      {"a tree made at once", "", "mkdir -p d/e && echo x > d/e/a.kqp",
       {{"DirCreate", "d", ""}, {"DirCreate", "d/e", ""}, {"FileCreate", "d/e/a.kqp", ""}}},
      {"a file made in a sub-folder", "mkdir -p d/e", "echo x > d/e/a.kqp", {{"FileCreate", "d/e/a.kqp", ""}}},
      {"a move out of the tree", "mkdir d && echo x > d/a.kqp", "mv d/a.kqp ../outside.kqp",
       {{"FileDelete", "d/a.kqp", ""}}},
      {"a move between sub-folders", "mkdir d e && echo x > d/a.kqp", "mv d/a.kqp e/a.kqp",
       {{"FileDelete", "d/a.kqp", ""}, {"FileCreate", "e/a.kqp", ""}},
       true},
      {"attributes", "echo x > a.kqp", "chmod 600 a.kqp", {{"AttributesChange", "a.kqp", ""}}},
      {"a file in a folder renamed before", "mkdir d", "mv d e && sleep 0.3 && echo x > e/a.kqp",
       {{"FolderRename", "d", "e"}, {"FileCreate", "e/a.kqp", ""}}},
      {"a file in a folder just renamed", "mkdir -p d/f", "mv d e && echo x > e/a.kqp && echo y > e/f/b.kqp",
       {{"FolderRename", "d", "e"}, {"FileCreate", "e/a.kqp", ""}, {"FileCreate", "e/f/b.kqp", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::string folder = dir.Path() + "P/";
    std::filesystem::create_directories(folder);
    if (*c.before) Child(folder, c.before);
    TShellNotification watcher;
    Recorder recorder(folder);
    recorder.Attach(watcher);
    watcher.SetWatchSubTree(true);
    watcher.SetWatchEvents(kAllButUpdates);
    watcher.SetPath(platform::Utf8ToUtf16(folder));
    ASSERT_TRUE(watcher.Registered());
    EXPECT_FALSE(watcher.Active());  // registered, the active flag not set
    Child(folder, c.command);
    const qint64 took = recorder.WaitFor(c.expected.size(), 2000);
    EXPECT_LT(took, 500);
    recorder.Settle(100);  // nothing more comes
    std::vector<Event> expected = c.expected;
    if (c.anyOrder) {
      auto order = [](const Event& a, const Event& b) { return a.path1 + a.name < b.path1 + b.name; };
      std::sort(recorder.events.begin(), recorder.events.end(), order);
      std::sort(expected.begin(), expected.end(), order);
    }
    EXPECT_EQ(recorder.events, expected);
  }
}

TEST(TShellNotification, OnlyTheEventsAskedFor) {
  test::TempDir dir;
  TShellNotification watcher;
  Recorder recorder(dir.Path());
  recorder.Attach(watcher);
  watcher.SetWatchSubTree(true);
  watcher.SetWatchEvents({neFileDelete, neFolderUpdate});
  watcher.SetPath(dir.WPath());
  Child(dir.Path(), "mkdir d && echo x > a.kqp && echo y > d/b.kqp && chmod 600 a.kqp && mv a.kqp c.kqp");
  recorder.Settle(300);
  // Only the folder's update: the items made, renamed and changed are not
  // asked for.
  for (const Event& e : recorder.events) EXPECT_EQ(e.name, "FolderUpdate");
  recorder.events.clear();
  Child(dir.Path(), "rm d/b.kqp");
  recorder.WaitFor(1, 2000);
  recorder.Settle(100);
  EXPECT_EQ(recorder.events, (std::vector<Event>{{"FileDelete", "d/b.kqp", ""}}));
  // An unchanged listing is an update of the folder, reported with Path.
  recorder.events.clear();
  Child(dir.Path(), "chmod 711 .");
  recorder.WaitFor(1, 2000);
  ASSERT_FALSE(recorder.events.empty());
  EXPECT_EQ(recorder.events[0].name, "FolderUpdate");
  EXPECT_EQ(recorder.events[0].path1, "");  // Path itself, relative to itself
}

TEST(TShellNotification, HandleReportDropsARepeatedReport) {
  TShellNotification watcher;
  Recorder recorder("/p/");
  recorder.Attach(watcher);
  watcher.SetWatchEvents({neFileCreate});
  const struct {
    uint32_t event;
    const char16_t *path1, *path2;
    bool raised;
  } reports[] = {
      {SHCNE_CREATE, u"/p/a.kqp", u"", true},
      {SHCNE_CREATE, u"/p/a.kqp", u"", false},  // the same again
      {SHCNE_CREATE, u"/p/b.kqp", u"", true},
      {SHCNE_CREATE, u"/p/B.kqp", u"", true},   // another name here
      {SHCNE_DELETE, u"/p/B.kqp", u"", true},
      {SHCNE_CREATE, u"/p/B.kqp", u"", true},   // no longer the last report
      {SHCNE_RENAMEITEM, u"/p/x", u"/p/y", true},
      {SHCNE_RENAMEITEM, u"/p/x", u"/p/z", true},
      {SHCNE_ASSOCCHANGED, u"", u"", false},    // not asked for
      {SHCNE_UPDATEITEM, u"/p/q", u"", false},  // raises nothing
      {SHCNE_FREESPACE, u"/p", u"", false},
  };
  size_t count = 0;
  for (const auto& r : reports) {
    SCOPED_TRACE(platform::Utf16ToUtf8(r.path1));
    watcher.HandleReport(r.event, r.path1, r.path2);
    if (r.raised) ++count;
    EXPECT_EQ(recorder.events.size(), count);
  }
  watcher.SetWatchEvents({neAssociationChange});
  watcher.HandleReport(SHCNE_ASSOCCHANGED, u"", u"x");
  EXPECT_EQ(recorder.events.back().name, "AssociationChange");
}

TEST(TShellNotification, RegisteringAgain) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("P"));
  TShellNotification watcher;
  Recorder recorder(dir.Path() + "P/");
  recorder.Attach(watcher);
  watcher.SetWatchEvents({neFileCreate});
  watcher.SetPath(dir.WFile("P/"));

  // Writing Path with its value does not register again: a change made just
  // before is still reported (a new registration would take it as found).
  Child(dir.File("P"), "echo x > a.kqp");
  watcher.SetPath(dir.WFile("P/"));
  recorder.WaitFor(1, 2000);
  EXPECT_EQ(recorder.events, (std::vector<Event>{{"FileCreate", "a.kqp", ""}}));

  // A path that does not exist keeps the old registration.
  watcher.SetPath(dir.WFile("missing/"));
  EXPECT_TRUE(watcher.Registered());
  Child(dir.File("P"), "echo x > b.kqp");
  recorder.WaitFor(2, 2000);
  ASSERT_EQ(recorder.events.size(), 2u);
  EXPECT_EQ(recorder.events[1], (Event{"FileCreate", "b.kqp", ""}));

  // Active: set, it reads true; cleared, the registration ends.
  watcher.SetActive(true);
  EXPECT_TRUE(watcher.Active());
  watcher.SetActive(false);
  EXPECT_FALSE(watcher.Registered());
  Child(dir.File("P"), "echo x > c.kqp");
  recorder.Settle(200);
  EXPECT_EQ(recorder.events.size(), 2u);
}

TEST(TShellNotification, TheFolderGoneAndBack) {
  const struct {
    const char* what;
    const char* root;
    const char* going;
    const char* back;
    const char* made;  // reported made when the folder is back
  } cases[] = {
      {"deleted and made again", "P", "rm -r P", "mkdir P && echo x > P/b.kqp", "P/b.kqp"},
      {"renamed away and back", "P", "mv P P.old", "mv P.old P", "P/a.kqp"},
      {"deleted with its parent", "Q/P", "rm -r Q", "mkdir -p Q/P && echo x > Q/P/b.kqp", "Q/P/b.kqp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::string root = c.root;
    std::filesystem::create_directories(dir.File(root));
    test::WriteFileBytes(dir.File(root + "/a.kqp"), "x");
    TShellNotification watcher;
    Recorder recorder(dir.Path());
    recorder.Attach(watcher);
    int back = 0;
    watcher.OnPathBack = [&](TShellNotification&) { ++back; };
    watcher.SetWatchEvents({neFileCreate, neFolderDelete});
    watcher.SetPath(dir.WFile(root + "/"));  // the path stays as it is all along

    Child(dir.Path(), c.going);
    recorder.WaitFor(1, 2000);
    EXPECT_EQ(recorder.events, (std::vector<Event>{{"FolderRemove", root, ""}}));
    Child(dir.Path(), c.back);
    recorder.WaitFor(2, 2000);
    EXPECT_TRUE(watcher.Registered());
    // Watched again: a change in it is heard.
    Child(dir.File(root), "echo x > c.kqp");
    recorder.WaitFor(3, 2000);
    recorder.Settle(100);
    EXPECT_EQ(recorder.events, (std::vector<Event>{{"FolderRemove", root, ""},
                                                   {"FileCreate", c.made, ""},
                                                   {"FileCreate", root + "/c.kqp", ""}}));
    EXPECT_EQ(back, 1);
  }
}

// Lowers the calling thread's capabilities that pass over the permission
// bits while it lives (a test run by root), so that an unreadable folder is
// unreadable.
class TPermissionsApply {
 public:
  TPermissionsApply() {
    if (::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
  }
  ~TPermissionsApply() {
    if (lowered_) ::syscall(SYS_capset, &header_, saved_);
  }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
  bool lowered_ = false;
};

TEST(TShellNotification, AFolderThatCannotBeWatchedIsTriedAgain) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("P/locked"));
  test::TLogCapture log;
  TPermissionsApply permissions;
  Child(dir.File("P"), "chmod 000 locked");
  TShellNotification watcher;
  Recorder recorder(dir.Path() + "P/");
  recorder.Attach(watcher);
  watcher.SetWatchSubTree(true);
  watcher.SetWatchEvents({neFileCreate});
  watcher.SetPath(dir.WFile("P/"));
  ASSERT_TRUE(watcher.Registered());
  EXPECT_EQ(log.Lines("locked\" cannot be watched").size(), 1u);

  // Made readable: tried again, and so heard.
  Child(dir.File("P"), "chmod 700 locked && echo x > locked/a.kqp");
  recorder.WaitFor(1, 2000);
  Child(dir.File("P"), "echo x > locked/b.kqp");
  recorder.WaitFor(2, 2000);
  EXPECT_EQ(recorder.events, (std::vector<Event>{{"FileCreate", "locked/a.kqp", ""}, {"FileCreate", "locked/b.kqp", ""}}));
  EXPECT_EQ(log.Lines("cannot be watched").size(), 1u);  // logged once
}

}  // namespace
}  // namespace kestrune
