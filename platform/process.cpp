#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

extern char** environ;

namespace kestrune::platform {

namespace {

class SpawnSettings {
 public:
  SpawnSettings() {
    okActions_ = ::posix_spawn_file_actions_init(&actions_) == 0;
    okAttributes_ = ::posix_spawnattr_init(&attributes_) == 0;
  }
  ~SpawnSettings() {
    if (okActions_) ::posix_spawn_file_actions_destroy(&actions_);
    if (okAttributes_) ::posix_spawnattr_destroy(&attributes_);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;

  // 0 or the error number of the first step that failed.
  int Prepare() {
    if (!okActions_ || !okAttributes_) return ENOMEM;
    if (int e = ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0)) return e;
    if (int e = ::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1)) return e;
    // The child starts with the default signal dispositions and an empty mask,
    // whatever this process has blocked or ignored.
    sigset_t all;
    sigset_t none;
    ::sigfillset(&all);
    ::sigemptyset(&none);
    if (int e = ::posix_spawnattr_setsigdefault(&attributes_, &all)) return e;
    if (int e = ::posix_spawnattr_setsigmask(&attributes_, &none)) return e;
    const short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    return ::posix_spawnattr_setflags(&attributes_, flags);
  }

  const posix_spawn_file_actions_t* Actions() const { return &actions_; }
  const posix_spawnattr_t* Attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
  bool okActions_ = false;
  bool okAttributes_ = false;
};

int32_t WaitForExit(pid_t pid) {
  int status = 0;
  pid_t got;
  do {
    got = ::waitpid(pid, &status, 0);
  } while (got < 0 && errno == EINTR);
  if (got != pid) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

int32_t StartProcess(const std::vector<std::string>& args, bool searchPath, ProcessExitHandler onExit,
                     int32_t* pid) {
  if (args.empty() || args[0].empty()) return EINVAL;
  SpawnSettings settings;
  if (int e = settings.Prepare()) return e;

  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  pid_t child = 0;
  const int error = searchPath
                        ? ::posix_spawnp(&child, argv[0], settings.Actions(), settings.Attributes(), argv.data(), environ)
                        : ::posix_spawn(&child, argv[0], settings.Actions(), settings.Attributes(), argv.data(), environ);
  if (error != 0) return error;
  if (pid) *pid = child;

  try {
    std::thread([child, program = args[0], onExit = std::move(onExit)] {
      const int32_t status = WaitForExit(child);
      if (onExit) {
        onExit(child, status);
      } else if (status != 0) {
        std::fprintf(stderr, "kestrune: \"%s\" (process %d) ended with status %d\n", program.c_str(),
                     static_cast<int>(child), static_cast<int>(status));
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to wait with: the program runs, but its end is not reported.
    std::fprintf(stderr, "kestrune: cannot wait for \"%s\" (process %d)\n", args[0].c_str(),
                 static_cast<int>(child));
  }
  return 0;
}

}  // namespace kestrune::platform
