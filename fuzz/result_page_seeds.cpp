// Seeds for result pages: the page writer's pages of the loopback engine's
// layout, of a changed layout and as XML, each behind a first byte that picks
// the template.
#include <string>

#include "fuzz/seeds.h"
#include "tests/support/result_pages.h"

KESTRUNE_SEEDS(result_page) {
  using namespace kestrune::test;
  const auto items = NumberedItems(1, 12, "http://127.0.0.1:8080");
  std::vector<ResultItem> relative = {{"/a.html", "A", "s"},
                                      {"../b.html", "B", "s"},
                                      {"./c", "C", "s"},
                                      {"//d.example/", "D", "s"},
                                      {"go?u=http://e.example/", "E", "s"},
                                      {"javascript:x()", "F", "s"},
                                      {"http://www.shop.example/product/B00ABCDEFG/", "G", "s"}};
  WriteSeed(folder, "html.page", std::string(1, '\0') + WriteResultPage(items));
  WriteSeed(folder, "relative.page", std::string(1, '\0') + WriteResultPage(relative));
  WriteSeed(folder, "open_item.page",
            std::string(1, '\1') + WriteResultPage(items, ResultPageOptions().LastItemOpen()));
  WriteSeed(folder, "stop.page",
            std::string(1, '\1') + WriteResultPage(items, ResultPageOptions().StopStringBefore("<!-- end -->", 4)));
  WriteSeed(folder, "changed.page", std::string(1, '\0') + WriteChangedLayoutPage(items));
  WriteSeed(folder, "xml.page", std::string(1, '\2') + WriteXmlResultPage(items));
}
