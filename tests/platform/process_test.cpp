#include "platform/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>

#include "tests/support/temp_dir.h"

namespace kestrune::platform {
namespace {

// Starts a program and waits until its end has been reported.
struct TRun {
  int32_t error = 0;
  int32_t pid = 0;
  int32_t reportedPid = 0;
  int32_t status = -2;
};

TRun RunToEnd(const std::vector<std::string>& args, bool searchPath) {
  TRun run;
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  run.error = StartProcess(
      args, searchPath,
      [&](int32_t pid, int32_t status) {
        std::lock_guard<std::mutex> guard(lock);
        run.reportedPid = pid;
        run.status = status;
        done = true;
        ended.notify_one();
      },
      &run.pid);
  if (run.error == 0) {
    std::unique_lock<std::mutex> guard(lock);
    EXPECT_TRUE(ended.wait_for(guard, std::chrono::seconds(20), [&] { return done; }));
  }
  return run;
}

TEST(Process, StatusOfTheEndAndNoZombie) {
  struct Case {
    std::vector<std::string> args;
    bool searchPath;
    int32_t error;
    int32_t status;
  } cases[] = {
      {{"sh", "-c", "exit 0"}, true, 0, 0},
      {{"/bin/sh", "-c", "exit 3"}, false, 0, 3},
      {{"sh", "-c", "kill -TERM $$"}, true, 0, 128 + SIGTERM},
      {{"sh", "-c", "exit 0"}, false, ENOENT, -2},  // not a path, no search
      {{"kestrune-no-such-program"}, true, ENOENT, -2},
      {{}, true, EINVAL, -2},
  };
  for (const Case& c : cases) {
    const TRun run = RunToEnd(c.args, c.searchPath);
    EXPECT_EQ(run.error, c.error) << (c.args.empty() ? "" : c.args.back());
    EXPECT_EQ(run.status, c.status) << (c.args.empty() ? "" : c.args.back());
    if (run.error != 0) continue;
    EXPECT_EQ(run.reportedPid, run.pid);
    // Already reaped: nothing is left to wait for.
    errno = 0;
    EXPECT_EQ(::waitpid(run.pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
  }
}

TEST(Process, ArgumentsArriveUnchangedInADetachedChild) {
  test::TempDir dir;
  const std::string out = dir.File("out");
  const std::string tricky = "-x \"$(touch " + dir.File("ran") + ")\" ; `id` 'q' \\ *";
  // A descriptor of ours that is not marked close-on-exec.
  test::WriteFileBytes(dir.File("open"), "x");
  const int ours = ::open(dir.File("open").c_str(), O_RDONLY);
  ASSERT_GE(ours, 0);
  // Descriptor 0 is /dev/null, ours is not inherited, and the child leads a
  // session of its own.
  const TRun run = RunToEnd({"sh", "-c",
                             "printf '%s|' \"$1\" > \"$2\"; readlink /proc/$$/fd/0 >> \"$2\"; "
                             "[ -e /proc/$$/fd/$3 ] || echo closed >> \"$2\"; "
                             "[ \"$(cut -d' ' -f6 /proc/$$/stat)\" = \"$$\" ] && echo session >> \"$2\"",
                             "sh", tricky, out, std::to_string(ours)},
                            true);
  ::close(ours);
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(test::ReadFileBytes(out), tricky + "|/dev/null\nclosed\nsession\n");
  EXPECT_NE(::access(dir.File("ran").c_str(), F_OK), 0);
}

}  // namespace
}  // namespace kestrune::platform
