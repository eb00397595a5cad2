// Helpers of the engine tests: a program folder of their own (KESTRUNE_HOME)
// with templates written into it, the log captured line by line, a view into
// the engine's run state, and the loopback engine's item addresses.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/log_file.h"
#include "platform/text.h"
#include "search/engine_web.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/result_pages.h"
#include "tests/support/temp_dir.h"

namespace kestrune::test {

// The run state the tests set and look at.
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
};

// The number after "start=" in a request's query, 1 when absent.
inline int StartOf(const HttpRequestRecord& request) {
  const size_t at = request.query.find("start=");
  return at == std::string::npos ? 1 : std::atoi(request.query.c_str() + at + 6);
}

// base + "/doc<n>.html" for n = first..first+count-1 (NumberedItems' addresses).
inline std::vector<std::string> DocUrls(const std::string& base, int first, int count) {
  std::vector<std::string> urls;
  for (int n = first; n < first + count; ++n) urls.push_back(base + "/doc" + std::to_string(n) + ".html");
  return urls;
}

inline std::vector<std::string> ItemUrls(const EngineWeb& engine) {
  std::vector<std::string> urls;
  for (int32_t i = 0; i < engine.ItemCount(); ++i) urls.push_back(engine.SearchResults()[static_cast<size_t>(i)].Url);
  return urls;
}

// A program folder and the log, for one test.
class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : home_("KESTRUNE_HOME", dir_.Path()), config_("KESTRUNE_CONFIG_HOME", dir_.Path() + "config/") {
    LogFile.Open(dir_.File("kestrune.log"));
    ClearLog();
  }
  ~EngineTest() override { LogFile.Open(std::string()); }

  void WriteTemplate(const std::string& name, const std::string& text) { WriteEngineTemplate(dir_.Path(), name, text); }

  // The messages logged since the last ClearLog (time and level cut off).
  std::vector<std::string> Log() const {
    const std::string text = ReadFileBytes(dir_.File("kestrune.log"));
    std::vector<std::string> lines;
    for (size_t start = logStart_; start < text.size();) {
      size_t end = std::min(text.find("\r\n", start), text.size());
      const size_t at = text.find("] ", start);
      lines.push_back(at < end ? text.substr(at + 2, end - at - 2) : text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }
  bool Logged(const std::string& line) const {
    const std::vector<std::string> log = Log();
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  void ClearLog() { logStart_ = ReadFileBytes(dir_.File("kestrune.log")).size(); }

  TempDir dir_;

 private:
  ScopedEnv home_;
  ScopedEnv config_;
  size_t logStart_ = 0;
};

}  // namespace kestrune::test
