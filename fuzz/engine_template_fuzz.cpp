// Feeds arbitrary bytes to the engine as its template file, then builds the
// first and a next query URL from whatever was read. The engine must never
// raise, and a URL it builds holds no unreplaced partner placeholder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/fuzz_folder.h"
#include "search/engine_web.h"

using namespace kestrune;

namespace {

class FuzzEngine : public EngineWeb {
 public:
  void FullPage() {
    acceptedCount_ = pageQuota_;
    pageCount_ = pageQuota_;
  }
};

std::string& TemplatePath() {
  static std::string path;
  return path;
}

}  // namespace

static std::filesystem::path& Home() {
  static std::filesystem::path home;
  return home;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Home() = std::filesystem::path(fuzz::MakeProcessFolder(std::filesystem::temp_directory_path().string(), "kestrune-fuzz"))
               .parent_path();
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(Home(), ec);
  });
  const std::filesystem::path& home = Home();
  std::filesystem::create_directories(home / "templates" / "web");
  ::setenv("KESTRUNE_HOME", (home.string() + "/").c_str(), 1);
  ::setenv("KESTRUNE_CONFIG_HOME", (home.string() + "/config/").c_str(), 1);
  TemplatePath() = (home / "templates" / "web" / "f.ini").string();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream out(TemplatePath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  static FuzzEngine engine;
  engine.LoadTemplate("f");
  if (engine.Status() < 0 || engine.Status() > 3) std::abort();
  engine.SetUrlCount(30);
  const std::string shown = engine.QueryUrlFor(u"blue \"sky\" <&> \U0001F600");
  std::u16string first;
  if (engine.PrepareSearch(u"blue \"sky\" <&> \U0001F600", first)) {
    if (engine.FirstUrl() != shown) std::abort();
    engine.FullPage();
    engine.CreateNextLink();
    for (const std::string* url : {&engine.FirstUrl(), &engine.NextUrl()}) {
      if (url->find("$aff_id") != std::string::npos || url->find("$begun_pad_id") != std::string::npos) std::abort();
    }
  }
  return 0;
}
