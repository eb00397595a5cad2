// Two threads logging at once: every line arrives whole and in its thread's
// order.
#include <gtest/gtest.h>

#include <clocale>
#include <regex>
#include <thread>

#include "core/log_file.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

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
  const std::regex format(R"(\[\d\d\. [A-Z][a-z]{2}, \d{4} \d\d:\d\d:\d\d\]\[(Info|Warning)\] (.*))");
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
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, format)) << line;
    const std::string message = m[2].str();
    if (message.rfind("thread ", 0) != 0) continue;
    const int who = message[7] == 'A' ? 0 : 1;
    EXPECT_EQ(m[1].str(), who == 0 ? "Info" : "Warning") << line;
    EXPECT_EQ(message.substr(8), " line " + std::to_string(next[who])) << line;
    ++next[who];
  }
  EXPECT_EQ(next[0], kLines);
  EXPECT_EQ(next[1], kLines);
  EXPECT_EQ(lineCount, 3 + 2 * kLines + 2);
}

}  // namespace
}  // namespace kestrune
