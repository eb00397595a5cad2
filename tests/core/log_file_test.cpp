#include "core/log_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <ctime>
#include <filesystem>
#include <optional>
#include <algorithm>
#include <set>
#include <stdexcept>

#include "core/version.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

// Lines of a log file with their CR LF removed; fails on a line without one.
std::vector<std::string> LogLines(const std::string& path) {
  const std::string text = test::ReadFileBytes(path);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated line: " << text.substr(start);
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The date texts of the seconds from `from` to now, in the C locale.
std::set<std::string> DatesSince(std::time_t from) {
  std::set<std::string> dates;
  for (std::time_t t = from; t <= std::time(nullptr); ++t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[64];
    std::strftime(text, sizeof(text), "%d. %b, %Y %H:%M:%S", &local);
    dates.insert(text);
  }
  return dates;
}

// Splits "[date][Tag] message" into its parts.
bool SplitLine(const std::string& line, std::string& date, std::string& tag, std::string& message) {
  if (line.size() < 24 || line[0] != '[' || line[23] != ']' || line[24] != '[') return false;
  const size_t tagEnd = line.find(']', 24);
  if (tagEnd == std::string::npos || tagEnd + 1 >= line.size() || line[tagEnd + 1] != ' ') return false;
  date = line.substr(1, 22);
  tag = line.substr(24, tagEnd - 23);
  message = line.substr(tagEnd + 2);
  return true;
}

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }
  void TearDown() override { LogFile.SetCatchExceptions(true); }
  test::TempDir dir_;
};

TEST_F(LogFileTest, ExactLineFormatStartAndEndLines) {
  const std::time_t started = std::time(nullptr);
  const std::string path = dir_.File("kestrune.log");
  {
    TLogFile log;
    EXPECT_FALSE(log.LoggingOn());
    log.Open(path);
    EXPECT_TRUE(log.LoggingOn());
    log.Log("first step");
  }
  const std::set<std::string> dates = DatesSince(started);
  TVSFixedFileInfo info;
  GetFixedFileInfo(platform::ProgramFile(), info);
  const std::vector<std::string> messages = {"Logging started.", FileVersionToStr(info), ProductVersionToStr(info),
                                             "first step", "Logging ended.", ""};
  const std::vector<std::string> lines = LogLines(path);
  ASSERT_EQ(lines.size(), messages.size());
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    std::string date, tag, message;
    ASSERT_TRUE(SplitLine(lines[i], date, tag, message)) << lines[i];
    EXPECT_TRUE(dates.count(date)) << lines[i];  // "dd. mmm, yyyy hh:mm:ss" of the C locale
    EXPECT_EQ(tag, "[Info]");
    EXPECT_EQ(message, messages[i]);
  }
  EXPECT_EQ(lines.back(), "");  // "Logging ended.\r\n" carries its own line end
  EXPECT_NE(messages[1], "0.0.0.0");
}

TEST_F(LogFileTest, LevelTags) {
  struct Case {
    int32_t level;
    const char* tag;
  } cases[] = {{0, "[Info] "}, {1, "[Warning] "}, {2, "[Error] "}, {3, "[Except] "}, {7, "[Except] "}};
  const std::string path = dir_.File("kestrune.log");
  TLogFile log;
  log.Open(path);
  for (const Case& c : cases) log.Log("level " + std::to_string(c.level), c.level);
  const std::vector<std::string> lines = LogLines(path);
  ASSERT_EQ(lines.size(), 3 + std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::string date, tag, message;
    ASSERT_TRUE(SplitLine(lines[3 + i], date, tag, message)) << lines[3 + i];
    EXPECT_EQ(tag + " ", cases[i].tag);
    EXPECT_EQ(message, "level " + std::to_string(cases[i].level));
  }
}

// Every start begins a new log and keeps the previous run's as the older
// copy "kestrune.log.1", whose earlier content goes; without a previous log
// an older copy stays as it was.
TEST_F(LogFileTest, EachStartKeepsThePreviousRunsLogAsTheOlderCopy) {
  const std::string path = dir_.File("kestrune.log");
  test::WriteFileBytes(path + ".1", "a copy from long ago\r\n");
  const struct {
    const char* opened;  // the name the start opens
    std::string older;   // a line of the older copy
  } starts[] = {
      {"kestrune.log", "a copy from long ago"},
      {"kestrune.log", "run 1"},
      {"KESTRUNE.LOG", "run 2"},  // the existing file, whatever its case
  };
  int run = 0;
  for (const auto& start : starts) {
    SCOPED_TRACE(++run);
    {
      TLogFile log;
      log.Open(dir_.File(start.opened));
      const std::vector<std::string> lines = LogLines(path);
      ASSERT_EQ(lines.size(), 3u);
      EXPECT_NE(lines[0].find("Logging started."), std::string::npos);
      log.Log("run " + std::to_string(run));
    }
    const std::string older = test::ReadFileBytes(path + ".1");
    EXPECT_NE(older.find(start.older), std::string::npos) << older;
    if (run > 1) EXPECT_NE(older.find("Logging ended."), std::string::npos) << older;
    EXPECT_EQ(LogLines(path).size(), 6u);  // three start lines, the run's line, the end line and its empty line
  }
  EXPECT_FALSE(std::filesystem::exists(path + ".1.1"));
}

TEST_F(LogFileTest, LogThatCannotBeOpenedStaysOff) {
  // A read-only program folder; a root user may write there anyway, so the
  // folder that cannot hold the log is also tried as a path through a file.
  const std::string readOnly = dir_.File("ro/");
  ::mkdir(readOnly.c_str(), 0555);
  test::WriteFileBytes(dir_.File("plain"), "x");
  const bool rootWrites = ::access(readOnly.c_str(), W_OK) == 0;
  for (const std::string& path : {readOnly + "kestrune.log", dir_.File("plain/kestrune.log"),
                                  dir_.File("missing/kestrune.log"), std::string("/dev/full"), std::string()}) {
    if (rootWrites && path == readOnly + "kestrune.log") continue;
    TLogFile log;
    log.Open(path);
    EXPECT_FALSE(log.LoggingOn()) << path;
    log.Log("nothing", 2);
    EXPECT_FALSE(platform::FileExists(platform::Utf8ToUtf16(readOnly + "kestrune.log")));
  }
  // A device is no previous log: it never moves to an older copy.
  struct stat device {};
  EXPECT_TRUE(::stat("/dev/full", &device) == 0 && S_ISCHR(device.st_mode));
  EXPECT_FALSE(std::filesystem::exists("/dev/full.1"));
}

TEST_F(LogFileTest, ExceptionsReachingTheEventLoopAreLoggedWhileCatching) {
  const std::string path = dir_.File("kestrune.log");
  {
    TLogFile log;
    EXPECT_TRUE(log.CatchExceptions());
    log.Open(path);
    ASSERT_TRUE(ApplicationExceptionHandler);
    ApplicationExceptionHandler(std::runtime_error("boom"));
    log.SetCatchExceptions(false);
    EXPECT_FALSE(ApplicationExceptionHandler);

    // A handler installed by another component is not removed by the log.
    log.SetCatchExceptions(true);
    ApplicationExceptionHandler = [](const std::exception&) {};
    log.SetCatchExceptions(false);
    EXPECT_TRUE(ApplicationExceptionHandler);
    log.SetCatchExceptions(true);
  }
  EXPECT_FALSE(ApplicationExceptionHandler);  // the log's handler goes with it
  const std::vector<std::string> lines = LogLines(path);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_NE(lines[3].find("][Except] boom"), std::string::npos) << lines[3];
}

// Trace lines are written only while the trace switch is on: the
// environment variable when the log opens, or SetTraceOn.
TEST_F(LogFileTest, TraceLinesOnlyWithTheTraceSwitch) {
  const struct {
    const char* variable;  // null: unset
    bool traced;
  } cases[] = {{nullptr, false}, {"", false}, {"0", false}, {"1", true}, {"yes", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.variable ? c.variable : "(unset)");
    std::optional<test::ScopedEnv> variable;
    if (c.variable) variable.emplace(TLogFile::kTraceVariable, c.variable);
    if (!c.variable) ::unsetenv(TLogFile::kTraceVariable);
    TLogFile log;
    const std::string path = dir_.File("trace.log");
    log.Open(path);
    log.Trace("start TIContextMS.Clear ");
    log.Log("Start metasearch");
    std::vector<std::string> messages;
    for (const std::string& line : LogLines(path)) messages.push_back(line.substr(line.find("] ") + 2));
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "start TIContextMS.Clear "), c.traced ? 1 : 0);
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "Start metasearch"), 1);
  }
}

// The log never grows past 10 MiB: the line that would pass it moves the
// file to its one older copy (an earlier copy replaced) and starts a new one.
TEST_F(LogFileTest, TheLogIsCappedWithOneOlderCopy) {
  TLogFile log;
  const std::string path = dir_.File("capped.log");
  const std::string older = platform::Utf16ToUtf8(TLogFile::OlderCopyName(platform::Utf8ToUtf16(path)));
  log.Open(path);
  const std::string block(100000, 'x');
  int32_t line = 0;
  auto fill = [&](int64_t bytes) {
    for (int64_t written = 0; written < bytes; written += static_cast<int64_t>(block.size())) {
      log.Log(std::to_string(++line) + " " + block);
    }
  };
  struct {
    int64_t bytes;
    bool olderCopy;
  } steps[] = {{TLogFile::kMaxLogBytes - 300000, false}, {500000, true}, {TLogFile::kMaxLogBytes, true}};
  for (const auto& step : steps) {
    fill(step.bytes);
    const int64_t size = platform::GetPathInfo(platform::Utf8ToUtf16(path)).size;
    EXPECT_LE(size, TLogFile::kMaxLogBytes);
    EXPECT_EQ(std::filesystem::exists(older), step.olderCopy);
    EXPECT_FALSE(std::filesystem::exists(older + ".1"));
    // No line is lost at the cut: the newest file and its older copy hold
    // consecutive lines.
    if (step.olderCopy) {
      const std::vector<std::string> before = LogLines(older), after = LogLines(path);
      ASSERT_FALSE(before.empty() || after.empty());
      const auto number = [](const std::string& text) { return std::stoi(text.substr(text.find("] ") + 2)); };
      EXPECT_EQ(number(after.front()), number(before.back()) + 1);
      EXPECT_EQ(number(after.back()), line);
    }
  }
  log.Open(std::string());
}

TEST(StdMessage, AssignCopiesTextAndCategory) {
  TLogFile log;
  TStdMessage& a = log.StdMessages().Add();
  a.SetText("Disk full");
  a.SetCategory(mtError);
  TStdMessage b;
  b.Assign(a);
  EXPECT_EQ(b.Text(), "Disk full");
  EXPECT_EQ(b.Category(), mtError);
  EXPECT_EQ(log.StdMessages().Count(), 1);
}

}  // namespace
}  // namespace kestrune
