#include "platform/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <future>

#include "tests/support/temp_dir.h"

namespace kestrune::platform {
namespace {

struct TRun {
  int32_t error = 0;
  int32_t pid = 0;
  int32_t reportedPid = 0;
  int32_t status = -2;
};

// Starts a program and waits until its end has been reported.
TRun RunToEnd(const std::vector<std::string>& args, bool searchPath = true) {
  TRun run;
  std::promise<std::pair<int32_t, int32_t>> ended;
  run.error = StartProcess(args, searchPath, [&](int32_t pid, int32_t status) { ended.set_value({pid, status}); },
                           &run.pid);
  if (run.error == 0) std::tie(run.reportedPid, run.status) = ended.get_future().get();
  return run;
}

TEST(Process, StatusOfTheEndAndNoZombie) {
  struct Case {
    std::vector<std::string> args;
    bool searchPath;
    int32_t error, status;
  } cases[] = {
      {{"sh", "-c", "exit 0"}, true, 0, 0},
      {{"/bin/sh", "-c", "exit 3"}, false, 0, 3},
      {{"sh", "-c", "kill -TERM $$"}, true, 0, 128 + SIGTERM},
      {{"sh", "-c", "exit 0"}, false, ENOENT, -2},  // not a path, and no search
      {{"kestrune-no-such-program"}, true, ENOENT, -2},
      {{}, true, EINVAL, -2},
  };
  for (const Case& c : cases) {
    const TRun run = RunToEnd(c.args, c.searchPath);
    EXPECT_EQ(run.error, c.error);
    EXPECT_EQ(run.status, c.status);
    if (run.error != 0) continue;
    EXPECT_EQ(run.reportedPid, run.pid);
    errno = 0;  // already reaped: nothing is left to wait for
    EXPECT_EQ(::waitpid(run.pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
  }
}

TEST(Process, TheChildIsDetached) {
  test::TempDir dir;
  const int ours = ::open("/dev/zero", O_RDONLY);  // not close-on-exec
  ASSERT_GE(ours, 0);
  // Standard input is /dev/null, our descriptor is not inherited, and the
  // child leads a session of its own.
  const TRun run = RunToEnd({"sh", "-c",
                             "{ readlink /proc/$$/fd/0; [ -e /proc/$$/fd/$1 ] || echo closed; "
                             "[ \"$(cut -d' ' -f6 /proc/$$/stat)\" = $$ ] && echo session; } > \"$2\"",
                             "sh", std::to_string(ours), dir.File("out")});
  ::close(ours);
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(test::ReadFileBytes(dir.File("out")), "/dev/null\nclosed\nsession\n");
}

}  // namespace
}  // namespace kestrune::platform
