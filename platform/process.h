// Starting another program (the mail program, the installer, the browser
// registrar's helpers).
//
// A program is started from an argument vector, never from a command line that
// a shell would parse, so no text of an argument can run anything. The child is
// detached: it gets a session of its own (a signal to our terminal does not
// reach it), reads its standard input from /dev/null and inherits no open
// descriptor of ours but standard output and error. A thread of ours waits for
// its end, so an ended child never stays a zombie, and then reports its status
// to the caller's handler; without a handler a non-zero status is written to
// standard error, the one log this layer has.
//
// StartProcess may be called from any thread. The exit handler runs on the
// waiting thread, never on the caller's: it must not touch widgets.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrune::platform {

// The child's exit code, 128 + the signal number when a signal ended it, or
// -1 when waiting for it failed.
using ProcessExitHandler = std::function<void(int32_t pid, int32_t status)>;

// Starts args[0] with the arguments args[1..] (UTF-8). With searchPath the
// program is looked up in the directories of PATH (unless its name holds a
// "/"); otherwise args[0] is the program's path. Returns 0 when the program
// runs, with its process id in *pid when pid is given; otherwise the error
// number (ENOENT for a program that does not exist, EINVAL for an empty
// vector), and the handler is never called.
int32_t StartProcess(const std::vector<std::string>& args, bool searchPath, ProcessExitHandler onExit = {},
                     int32_t* pid = nullptr);

}  // namespace kestrune::platform
