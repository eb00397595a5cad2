// Seeds for the engine template reader: the templates we ship and the
// loopback engine's templates of the tests.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/seeds.h"
#include "fuzz/source_root.h"
#include "tests/support/result_pages.h"

KESTRUNE_SEEDS(engine_template) {
  const std::filesystem::path shipped = std::filesystem::path(kestrune::fuzz::SourceRoot()) / "data" / "templates" / "web";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(shipped, ec)) {
    const std::string name = entry.path().filename().string();
    WriteSeed(folder, name, kestrune::fuzz::ReadSourceFile("data/templates/web/" + name));
  }
  if (ec) {
    std::fprintf(stderr, "cannot list %s\n", shipped.c_str());
    std::abort();
  }
  using kestrune::test::LoopbackEngineTemplate;
  using kestrune::test::LoopbackTemplateOptions;
  WriteSeed(folder, "loopback.ini", LoopbackEngineTemplate("http://127.0.0.1:8080"));
  WriteSeed(folder, "loopback_xml.ini",
            LoopbackEngineTemplate("http://127.0.0.1:8080", LoopbackTemplateOptions().Xml()));
  WriteSeed(folder, "loopback_more.ini",
            LoopbackEngineTemplate("http://127.0.0.1:8080",
                                   LoopbackTemplateOptions()
                                       .Counts("100,50,20,10")
                                       .Format("xml")
                                       .StopString("<!-- end -->")
                                       .ExtraSettings("BeginStrWithUrl = url=\nmacros1 = 1, \"<b>\", \"</b>\"\n"
                                                      "SecurityToken = HKEY_CURRENT_USER, \"SOFTWARE\\x\", v\n"
                                                      "BeginItemCommentTag = \"<i>\",\"<u>\"\n")));
}
