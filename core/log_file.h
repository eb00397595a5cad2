// TLogFile: the program's one log, the global LogFile. It records the start,
// the steps of long operations and every exception that reaches the event
// loop in "kestrune.log" in the program's folder. Open starts a new file and
// keeps the one it finds (the previous run's log) as the older copy, the
// file name + ".1" (an earlier copy is replaced).
//
// Each line is 8-bit (UTF-8) text ended by CR LF:
//   "[" + "dd. mmm, yyyy hh:mm:ss" + "]" + level tag + " " + message
// with the short month name of the process locale (LC_TIME) and the tags
// "[Info]" (level 0), "[Warning]" (1), "[Error]" (2) and "[Except]" (any
// other level). Open writes "Logging started." and the program's file and
// product versions; the destructor writes "Logging ended.\r\n".
//
// The log never grows past kMaxLogBytes: the line that would pass it first
// moves the file to its older copy, the file name + ".1" (an earlier copy
// is replaced), and the log goes on in a new file. The trace lines of the
// context model and the word map (Trace) are written only while the trace
// switch is on: the environment variable kTraceVariable set to anything but
// "0" when the log is opened, or SetTraceOn.
//
// Log may be called from any thread: each line is built and written under a
// lock, so lines of different threads never mix. The log never raises and
// never shows anything: a file that cannot be created or written turns
// logging off for the rest of the run. Other programs may read the file
// while it is written.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace kestrune {

// Message categories, in the order of the log levels 0..3.
enum TMsgCategory : int32_t { mtInfo, mtWarning, mtError, mtExcept };

class TStdMessage {
 public:
  const std::string& Text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }
  TMsgCategory Category() const { return category_; }
  void SetCategory(TMsgCategory category) { category_ = category; }
  // Copies Text and Category.
  void Assign(const TStdMessage& source);

 private:
  std::string text_;
  TMsgCategory category_ = mtInfo;
};

// A collection of standard messages; the log keeps one, empty.
class TStdMessages {
 public:
  TStdMessage& Add();
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TStdMessage& Items(int32_t index) { return *items_.at(static_cast<size_t>(index)); }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TStdMessage>> items_;
};

// The handler of exceptions that reach the program's event loop; the event
// loop calls it when set. A log with catch-exceptions on installs its
// HandleException here; a component that takes over replaces it.
extern std::function<void(const std::exception&)> ApplicationExceptionHandler;

class TLogFile {
 public:
  // Logging off, catch-exceptions on.
  TLogFile();
  // Logs "Logging ended.\r\n" at level 0 and removes its exception handler.
  ~TLogFile();
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  // Creates the file empty, reopens it for appending and writes the start
  // lines. An empty name, or any failure, leaves logging off.
  void Open(std::u16string_view fileName);
  void Open(std::string_view fileName);

  // Appends one line; returns at once while logging is off.
  void Log(std::string_view message, int32_t level = 0);
  // A trace line at level 0: written only while the trace switch is on.
  void Trace(std::string_view message);
  bool TraceOn() const { return traceOn_.load(std::memory_order_relaxed); }
  void SetTraceOn(bool on) { traceOn_.store(on, std::memory_order_relaxed); }

  static constexpr const char* kTraceVariable = "KESTRUNE_TRACE";
  static constexpr int64_t kMaxLogBytes = 10 * 1024 * 1024;
  // The older copy of a log file.
  static std::u16string OlderCopyName(std::u16string_view fileName) { return std::u16string(fileName) + u".1"; }

  bool CatchExceptions() const { return catchExceptions_; }
  void SetCatchExceptions(bool on);
  // Logs the exception's message at level 3.
  void HandleException(const std::exception& exception);

  bool LoggingOn() const;
  std::u16string FileName() const;
  TStdMessages& StdMessages() { return *messages_; }

 private:
  void CloseLocked();
  void LogLocked(std::string_view message, int32_t level);
  // Moves the file to its older copy and goes on in a new one; false (the
  // log off) when that fails.
  bool RotateLocked();

  mutable std::mutex lock_;
  std::u16string fileName_;
  platform::NativeFile file_;
  std::string buffer_;  // the newest line only
  bool loggingOn_ = false;
  int64_t size_ = 0;  // bytes in the file
  std::atomic<bool> traceOn_{false};
  bool catchExceptions_ = false;
  std::unique_ptr<TStdMessages> messages_;
};

// The global log, constructed with logging off; the program's start-up calls
// LogFile.Open(platform::ProgramFolder() + u"kestrune.log").
extern TLogFile LogFile;

}  // namespace kestrune
