// Two threads logging at once: every line arrives whole and in its thread's
// order.
#include <gtest/gtest.h>

#include <clocale>
#include <thread>

#include "core/log_file.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

// True for "[dd. Mmm, yyyy hh:mm:ss]" at the start of the line (C locale).
bool HasDate(const std::string& line) {
  const std::string shape = "[00. Aaa, 0000 00:00:00]";
  if (line.size() < shape.size()) return false;
  for (size_t i = 0; i < shape.size(); ++i) {
    const char c = line[i];
    const bool ok = shape[i] == '0'   ? (c >= '0' && c <= '9')
                    : shape[i] == 'A' ? (c >= 'A' && c <= 'Z')
                    : shape[i] == 'a' ? (c >= 'a' && c <= 'z')
                                      : c == shape[i];
    if (!ok) return false;
  }
  return true;
}

TEST(LogFileThreads, LinesOfTwoThreadsNeverMix) {
  std::setlocale(LC_ALL, "C");
  constexpr int kLines = 1000;
  test::TempDir dir;
  const std::string path = dir.File("kestrune.log");
  {
    TLogFile log;
    log.Open(path);
    auto writer = [&log](char name, int32_t level) {
      for (int i = 0; i < kLines; ++i) log.Log(std::string("thread ") + name + " line " + std::to_string(i), level);
    };
    std::thread a(writer, 'A', 0);
    std::thread b(writer, 'B', 1);
    a.join();
    b.join();
  }
  const std::string text = test::ReadFileBytes(path);
  int next[2] = {0, 0};
  size_t start = 0;
  int lineCount = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    ++lineCount;
    if (line.empty()) continue;  // after "Logging ended."
    ASSERT_TRUE(HasDate(line)) << line;
    const std::string rest = line.substr(24);
    const size_t at = rest.find("] thread ");
    if (at == std::string::npos) continue;  // the start and end lines
    const int who = rest[at + 9] == 'A' ? 0 : 1;
    EXPECT_EQ(rest.substr(0, at + 1), who == 0 ? "[Info]" : "[Warning]") << line;
    EXPECT_EQ(rest.substr(at + 10), " line " + std::to_string(next[who])) << line;
    ++next[who];
  }
  EXPECT_EQ(next[0], kLines);
  EXPECT_EQ(next[1], kLines);
  EXPECT_EQ(lineCount, 3 + 2 * kLines + 2);
}

}  // namespace
}  // namespace kestrune
