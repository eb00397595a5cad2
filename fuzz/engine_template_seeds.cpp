// Seeds for the engine template reader: the templates we ship and the
// loopback engine's templates of the tests.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz/seeds.h"
#include "tests/support/result_pages.h"

KESTRUNE_SEEDS(engine_template) {
  const std::filesystem::path shipped =
      std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "templates" / "web";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(shipped, ec)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    WriteSeed(folder, entry.path().filename().string(), bytes.str());
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
