// Helpers of the engine tests: a program folder of their own (KESTRUNE_HOME)
// with templates written into it, the log captured line by line, and a view
// into the engine's run state.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/log_file.h"
#include "platform/text.h"
#include "search/engine_web.h"
#include "tests/support/result_pages.h"
#include "tests/support/temp_dir.h"

namespace kestrune::test {

// The run state the tests look at.
class EngineProbe : public EngineWeb {
 public:
  using EngineWeb::acceptedCount_;
  using EngineWeb::pageCount_;
  using EngineWeb::pageCounter_;
  using EngineWeb::pageQuota_;
  using EngineWeb::pagesLeft_;
  using EngineWeb::remaining_;
  using EngineWeb::repeatsOnPage_;
  using EngineWeb::stop_;
  using EngineWeb::wantedTotal_;
};

// A program folder and the log, for one test.
class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : home_("KESTRUNE_HOME", dir_.Path()), config_("KESTRUNE_CONFIG_HOME", dir_.Path() + "config/") {
    LogFile.Open(dir_.File("kestrune.log"));
    logStart_ = RawLogLines().size();
  }
  ~EngineTest() override { LogFile.Open(std::string()); }

  void WriteTemplate(const std::string& name, const std::string& text) { WriteEngineTemplate(dir_.Path(), name, text); }

  // The messages logged since the test began (time and level cut off).
  std::vector<std::string> Log() const {
    std::vector<std::string> lines = RawLogLines();
    std::vector<std::string> out;
    for (size_t i = logStart_; i < lines.size(); ++i) {
      const size_t at = lines[i].find("] ");
      out.push_back(at == std::string::npos ? lines[i] : lines[i].substr(at + 2));
    }
    return out;
  }
  void ClearLog() { logStart_ = RawLogLines().size(); }

  TempDir dir_;

 private:
  std::vector<std::string> RawLogLines() const {
    const std::string text = ReadFileBytes(dir_.File("kestrune.log"));
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

  ScopedEnv home_;
  ScopedEnv config_;
  size_t logStart_ = 0;
};

}  // namespace kestrune::test
