// Seeds for the advertising answer pages: hand-made answers in the layout of
// the tests' advertising template, with and without comments, images and
// macros, more items than are shown, hostile texts, and pages without a list.
#include <string>
#include <vector>

#include "fuzz/seeds.h"
#include "tests/support/advert_pages.h"

namespace {

constexpr char kBase[] = "http://127.0.0.1:8080";

}  // namespace

KESTRUNE_SEEDS(advert_page) {
  using kestrune::test::AdvertItem;
  using kestrune::test::NumberedAdverts;
  using kestrune::test::WriteAdvertPage;
  WriteSeed(folder, "one", WriteAdvertPage(NumberedAdverts(1, 1, kBase)));
  WriteSeed(folder, "three", WriteAdvertPage(NumberedAdverts(1, 3, kBase), "3 offers"));
  WriteSeed(folder, "five", WriteAdvertPage(NumberedAdverts(1, 5, kBase), "5 offers"));
  std::vector<AdvertItem> rich = NumberedAdverts(1, 3, kBase);
  rich[0].comment = "Free delivery";
  rich[0].image = "http://img.example/1.png";
  rich[0].price = "$5";
  rich[1].image = "javascript:alert(1)";
  rich[2].title = std::string(41, 'a') + "\xF0\x9F\x98\x80";
  WriteSeed(folder, "rich", WriteAdvertPage(rich, "3 offers"));
  std::vector<AdvertItem> hostile = NumberedAdverts(1, 2, kBase);
  hostile[0].title = "<script>alert(1)</script>&quot;$adv_url2";
  hostile[0].text = "a &amp; b <b>bold</b> $adv_name3 macros_price";
  hostile[1].url = "/relative/ad.html?x=\"onmouseover=\"";
  hostile[1].comment = "&lt;img onerror=x&gt;";
  WriteSeed(folder, "hostile", WriteAdvertPage(hostile));
  WriteSeed(folder, "relative", WriteAdvertPage({{"/ad1.html", "Ad", "t", "", "", ""},
                                                 {"javascript:go()", "No", "t", "", "", ""},
                                                 {"//other.example/x", "Other", "t", "", "", ""}}));
  WriteSeed(folder, "no_list", "<html><body><p>No offers today</p></body></html>");
  const std::string page = WriteAdvertPage(NumberedAdverts(1, 3, kBase));
  WriteSeed(folder, "truncated", page.substr(0, page.size() / 2));
  WriteSeed(folder, "empty", "");
}
