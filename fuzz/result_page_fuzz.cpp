// Feeds arbitrary bytes to the engine as a downloaded result page, through
// the stop string, the parser, the template's item cutting and the automatic
// recovery. The first byte picks the template (HTML or XML answers, with or
// without a stop string); the rest is the page, processed as two pages of one
// search. Every stored item lies within the result array and has an absolute
// web address.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "fuzz/fuzz_folder.h"
#include "search/engine_web.h"
#include "search/item_url.h"
#include "tests/support/result_pages.h"

using namespace kestrune;

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
  ::setenv("KESTRUNE_HOME", (home.string() + "/").c_str(), 1);
  const std::string base = "http://127.0.0.1:8080";
  test::WriteEngineTemplate(home.string(), "html",
                            test::LoopbackEngineTemplate(base, test::LoopbackTemplateOptions().Counts("10,5")));
  test::WriteEngineTemplate(
      home.string(), "stop",
      test::LoopbackEngineTemplate(base, test::LoopbackTemplateOptions().Counts("10,5").StopString("<!-- end -->")));
  test::WriteEngineTemplate(home.string(), "xml",
                            test::LoopbackEngineTemplate(base, test::LoopbackTemplateOptions().Counts("10,5").Xml()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kTemplates[] = {"html", "stop", "xml"};
  static std::unique_ptr<EngineWeb> engines[3];
  const int which = data[0] % 3;
  if (!engines[which]) {
    engines[which] = std::make_unique<EngineWeb>();
    engines[which]->LoadTemplate(kTemplates[which]);
  }
  EngineWeb& engine = *engines[which];
  engine.SetUrlCount(12);
  std::u16string first;
  if (!engine.PrepareSearch(u"x", first)) std::abort();
  const std::string_view page(reinterpret_cast<const char*>(data) + 1, size - 1);
  for (const char* url : {"http://127.0.0.1:8080/x/search?q=x", "https://h.example:8443/a/b/p2?q=x"}) {
    const int32_t count = engine.ProcessPage(page, url);
    if (count < 0 || count > static_cast<int32_t>(engine.SearchResults().size())) std::abort();
    for (int32_t i = 0; i < count; ++i) {
      if (!IsAbsoluteWebUrl(engine.SearchResults()[static_cast<size_t>(i)].Url)) std::abort();
    }
  }
  return 0;
}
