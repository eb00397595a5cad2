// Seeds for the page templates: the templates and blank pages we ship and the
// test templates of the golden pages.
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz/page_results_fuzz_support.h"
#include "fuzz/seeds.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

KESTRUNE_SEEDS(page_templates) {
  const std::string root = kestrune::fuzz::SourceRoot();
  for (const char* file : {"templates.ini", "blank.html", "blank1.html", "blank2.html", "blank3.html", "blank4.html",
                           "blank6.html"}) {
    WriteSeed(folder, std::string("shipped_") + file, ReadAll(root + "/data/templates/en/" + file));
    WriteSeed(folder, std::string("golden_") + file, ReadAll(root + "/tests/search/golden/templates/" + file));
  }
}
