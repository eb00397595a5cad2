#include "core/log_file.h"

#include <cstdlib>
#include <ctime>

#include "core/version.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// "dd. mmm, yyyy hh:mm:ss"
constexpr const char* kDateFormat = "%d. %b, %Y %H:%M:%S";

const char* LevelTag(int32_t level) {
  switch (level) {
    case 0: return "[Info]";
    case 1: return "[Warning]";
    case 2: return "[Error]";
    default: return "[Except]";
  }
}

// The handler a log installs; its type tells a log's own handler apart from
// one that another component installed later.
struct LogExceptionHook {
  TLogFile* log;
  void operator()(const std::exception& exception) const { log->HandleException(exception); }
};

}  // namespace

// Defined before LogFile so that it exists when LogFile's constructor installs
// the handler, and outlives LogFile at exit.
std::function<void(const std::exception&)> ApplicationExceptionHandler;
TLogFile LogFile;

void TStdMessage::Assign(const TStdMessage& source) {
  text_ = source.text_;
  category_ = source.category_;
}

TStdMessage& TStdMessages::Add() {
  items_.push_back(std::make_unique<TStdMessage>());
  return *items_.back();
}

TLogFile::TLogFile() : messages_(std::make_unique<TStdMessages>()) { SetCatchExceptions(true); }

TLogFile::~TLogFile() {
  Log("Logging ended.\r\n", 0);
  SetCatchExceptions(false);
  std::lock_guard<std::mutex> guard(lock_);
  CloseLocked();
}

void TLogFile::SetCatchExceptions(bool on) {
  catchExceptions_ = on;
  if (on) {
    ApplicationExceptionHandler = LogExceptionHook{this};
  } else if (const LogExceptionHook* hook = ApplicationExceptionHandler.target<LogExceptionHook>();
             hook && hook->log == this) {
    ApplicationExceptionHandler = nullptr;
  }
}

void TLogFile::HandleException(const std::exception& exception) { Log(exception.what(), 3); }

bool TLogFile::LoggingOn() const {
  std::lock_guard<std::mutex> guard(lock_);
  return loggingOn_;
}

std::u16string TLogFile::FileName() const {
  std::lock_guard<std::mutex> guard(lock_);
  return fileName_;
}

void TLogFile::CloseLocked() {
  loggingOn_ = false;
  file_.Close();
}

void TLogFile::Open(std::string_view fileName) { Open(platform::Utf8ToUtf16(fileName)); }

void TLogFile::Open(std::u16string_view fileName) {
  std::lock_guard<std::mutex> guard(lock_);
  CloseLocked();
  try {
    fileName_ = fileName;
    if (fileName_.empty()) return;
    // The previous run's log, under its own spelling, becomes the older copy;
    // should it not move, the new log still starts. Only a plain file moves
    // (never a device such as /dev/null).
    if (platform::RegularFileExists(fileName_)) {
      fileName_ = platform::Utf8ToUtf16(platform::ResolvePath(fileName_));
      platform::ReplaceFile(fileName_, OlderCopyName(fileName_));
    }
    {
      platform::NativeFile create;
      if (!create.Open(fileName_, platform::NativeFile::Access::kWrite, true, true)) return;
    }
    if (!file_.Open(fileName_, platform::NativeFile::Access::kReadWrite, false, false)) return;
    loggingOn_ = true;
    size_ = 0;
    const char* trace = std::getenv(kTraceVariable);
    SetTraceOn(trace != nullptr && *trace != '\0' && std::string_view(trace) != "0");
    TVSFixedFileInfo info;
    GetFixedFileInfo(platform::ProgramFile(), info);
    LogLocked("Logging started.", 0);
    LogLocked(FileVersionToStr(info), 0);
    LogLocked(ProductVersionToStr(info), 0);
  } catch (...) {
    CloseLocked();
  }
}

void TLogFile::Log(std::string_view message, int32_t level) {
  std::lock_guard<std::mutex> guard(lock_);
  try {
    LogLocked(message, level);
  } catch (...) {
    CloseLocked();
  }
}

void TLogFile::Trace(std::string_view message) {
  if (TraceOn()) Log(message, 0);
}

bool TLogFile::RotateLocked() {
  // A log that is no plain file (a device) has no older copy.
  if (!platform::RegularFileExists(fileName_)) {
    size_ = 0;
    return true;
  }
  file_.Close();
  const std::u16string older = OlderCopyName(fileName_);
  platform::NativeFile create;
  if (!platform::ReplaceFile(fileName_, older) ||
      !create.Open(fileName_, platform::NativeFile::Access::kWrite, true, true)) {
    loggingOn_ = false;
    return false;
  }
  create.Close();
  if (!file_.Open(fileName_, platform::NativeFile::Access::kReadWrite, false, false)) {
    loggingOn_ = false;
    return false;
  }
  size_ = 0;
  return true;
}

void TLogFile::LogLocked(std::string_view message, int32_t level) {
  if (!loggingOn_) return;
  char date[128];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local) || std::strftime(date, sizeof(date), kDateFormat, &local) == 0) date[0] = '\0';
  buffer_.clear();
  buffer_ += '[';
  buffer_ += date;
  buffer_ += ']';
  buffer_ += LevelTag(level);
  buffer_ += ' ';
  buffer_ += message;
  buffer_ += "\r\n";
  const int64_t size = static_cast<int64_t>(buffer_.size());
  if (size_ > 0 && size_ + size > kMaxLogBytes && !RotateLocked()) return;
  const int64_t end = file_.Seek(0, 2);
  if (end < 0 || file_.Write(buffer_.data(), size) != size) {
    CloseLocked();
    return;
  }
  size_ = end + size;
}

}  // namespace kestrune
