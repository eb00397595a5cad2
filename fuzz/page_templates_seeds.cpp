// Seeds for the page templates: the templates and blank pages we ship and the
// test templates of the golden pages.
#include <string>

#include "fuzz/seeds.h"
#include "fuzz/source_root.h"

KESTRUNE_SEEDS(page_templates) {
  using kestrune::fuzz::ReadSourceFile;
  for (const char* file : {"templates.ini", "blank.html", "blank1.html", "blank2.html", "blank3.html", "blank4.html",
                           "blank6.html"}) {
    WriteSeed(folder, std::string("shipped_") + file, ReadSourceFile(std::string("data/templates/en/") + file));
  }
  for (const char* file : {"templates.ini", "blank.html", "blank1.html", "blank2.html", "blank3.html", "blank4.html"}) {
    WriteSeed(folder, std::string("golden_") + file, ReadSourceFile(std::string("tests/search/golden/templates/") + file));
  }
}
