// Cutting result items out of one page (ProcessPage: no download), and the
// automatic recovery on pages the template does not know.
#include <algorithm>

#include "tests/search/engine_test_support.h"

namespace kestrune {
namespace {

using test::EngineProbe;
using test::LoopbackTemplateOptions;
using test::NumberedItems;
using test::ResultItem;
using test::ResultPageOptions;
using test::WriteChangedLayoutPage;
using test::WriteResultPage;

constexpr const char* kBase = "http://127.0.0.1:8080";
constexpr const char* kPageUrl = "http://127.0.0.1:8080/search?q=x&n=10";

struct PageCase {
  const char* name;
  LoopbackTemplateOptions options;
  int32_t wanted;
  std::string page;
  std::vector<std::string> urls;  // the items stored
  std::string nextUrl;            // "" none; "*" any
  std::string logged;             // a line that must be in the log
};

class ParseTest : public test::EngineTest {
 protected:
  // The template loaded and a search prepared without the worker.
  void Prepare(EngineProbe& engine, const LoopbackTemplateOptions& options, int32_t wanted) {
    WriteTemplate("local", test::LoopbackEngineTemplate(kBase, options));
    ASSERT_TRUE(engine.LoadTemplate("local"));
    ASSERT_EQ(engine.Status(), 0) << engine.ErrorText();
    engine.SetUrlCount(wanted);
    std::u16string first;
    ASSERT_TRUE(engine.PrepareSearch(u"x", first));
  }
  static std::vector<std::string> Urls(const EngineWeb& engine) {
    std::vector<std::string> urls;
    for (int32_t i = 0; i < engine.ItemCount(); ++i) urls.push_back(engine.SearchResults()[static_cast<size_t>(i)].Url);
    return urls;
  }
  bool Logged(const std::string& line) const {
    const std::vector<std::string> log = Log();
    return std::find(log.begin(), log.end(), line) != log.end();
  }
};

std::vector<std::string> DocUrls(int first, int count) {
  std::vector<std::string> urls;
  for (int n = first; n < first + count; ++n) urls.push_back(std::string(kBase) + "/doc" + std::to_string(n) + ".html");
  return urls;
}

TEST_F(ParseTest, TemplateCutsThePage) {
  const auto items = NumberedItems(1, 5, kBase);
  const std::string noLink =
      "<ol class=\"results\"><li class=\"result\"><h3><a href=\"/a.html\">A</a></h3></li>"
      "<li class=\"result\"><h3>no link</h3></li><li class=\"result\"><h3><a href=\"/c.html\">C</a></h3></li></ol>";
  const std::string cut =
      "<ol class=\"results\"><li class=\"result\"><h3><a href=\"http://r.example/go?url=http://t.example/a&x=1\">"
      "A</a></h3></li><li class=\"result\"><h3><a href=\"http://www.shop.example/gp/product/B00ABCDEFG/x\">S</a>"
      "</h3></li></ol>";
  const PageCase cases[] = {
      {"the quota ends the page; the next URL follows", LoopbackTemplateOptions().Counts("3"), 10,
       WriteResultPage(items), DocUrls(1, 3), std::string(kBase) + "/search?q=x&n=3&start=4&page=1", ""},
      {"the wanted total reached: no next URL", LoopbackTemplateOptions().Counts("10,2"), 2, WriteResultPage(items),
       DocUrls(1, 2), "", ""},
      {"a stop string cuts the page", LoopbackTemplateOptions().StopString("<!-- end -->"), 10,
       WriteResultPage(items, ResultPageOptions().StopStringBefore("<!-- end -->", 2)), DocUrls(1, 2), "*",
       "Find StopString ."},
      {"a last item without end tag runs to the list end",
       {},
       10,
       WriteResultPage(items, ResultPageOptions().LastItemOpen()),
       DocUrls(1, 5),
       "*",
       ""},
      {"with a stop string the page gives up at that item", LoopbackTemplateOptions().StopString("<!-- never -->"), 10,
       WriteResultPage(items, ResultPageOptions().LastItemOpen()), DocUrls(1, 4), "",
       "Could not find EndIndex.Parsing is over. "},
      {"an item without a link ends the page",
       {},
       10,
       noLink,
       {std::string(kBase) + "/a.html"},
       "",
       "Count url : " + std::string(kBase) + "/a.html.Parsing is over. "},
      {"cut strings and the shop link",
       LoopbackTemplateOptions().ExtraSettings("BeginStrWithUrl = url=\nEndStrWithUrl = &\n"),
       10,
       cut,
       {"http://t.example/a", "http://www.shop.example/exec/obidos/ASIN/B00ABCDEFG/kestrune-20/"},
       "*",
       ""},
      {"no list end without a stop string: nothing",
       {},
       10,
       WriteResultPage(items).substr(0, 600),
       {},
       "",
       "Stop MetaSearch in  procedure EngineWeb.GetBordersTagsResults because EndTag is not found."},
  };
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.name);
    EngineProbe engine;
    Prepare(engine, c.options, c.wanted);
    ClearLog();
    EXPECT_EQ(engine.ProcessPage(c.page, kPageUrl), static_cast<int32_t>(c.urls.size()));
    EXPECT_EQ(Urls(engine), c.urls);
    if (c.nextUrl == "*") {
      EXPECT_FALSE(engine.NextUrl().empty());
    } else {
      EXPECT_EQ(engine.NextUrl(), c.nextUrl);
    }
    if (!c.logged.empty()) {
      EXPECT_TRUE(Logged(c.logged)) << c.logged;
    }
  }
}

TEST_F(ParseTest, ItemFieldsAndTheTextsAroundTheList) {
  EngineProbe engine;
  Prepare(engine, {}, 10);
  const std::string page = WriteResultPage(NumberedItems(1, 2, kBase), ResultPageOptions().LastItemOpen());
  ASSERT_EQ(engine.ProcessPage(page, kPageUrl), 2);
  const TMetaSearchList& last = engine.SearchResults()[1];
  EXPECT_EQ(last.ItemText, platform::Utf8ToUtf16("<a href=\"" + std::string(kBase) +
                                                 "/doc2.html\">Title 2</a></h3><span class=\"snippet\">Snippet 2 "
                                                 "about the query</span> "));  // a lone line feed reads as a blank
  EXPECT_EQ(last.Label, "2 - LocalTest");
  std::string before = page.substr(0, page.find("<ol"));
  std::string after = page.substr(page.find("</ol>"));
  std::replace(before.begin(), before.end(), '\n', ' ');
  std::replace(after.begin(), after.end(), '\n', ' ');
  EXPECT_EQ(engine.TextBeforeList(), platform::Utf8ToUtf16(before));
  EXPECT_EQ(engine.TextAfterList(), platform::Utf8ToUtf16(after));
}

TEST_F(ParseTest, RecoveryCases) {
  // Ten blocks, each a titled link followed by two image links with a word after them.
  std::string images = "<html><body><div class=\"top\"><a href=\"/h\">Home</a></div><div class=\"serp\"><p>x</p>";
  for (int n = 1; n <= 10; ++n) {
    const std::string s = std::to_string(n);
    images += "<div class=\"hit\"><a href=\"" + std::string(kBase) + "/doc" + s + ".html\">Title " + s +
              " with a heading</a><div class=\"desc\">" + std::string(300, 'w') + " " + s +
              "</div></div><span><a href=\"/i" + s + "\"><img src=\"a.png\"></a> alpha" + s +
              "</span><span><a href=\"/j" + s + "\"><img src=\"b.png\"></a> beta" + s + "</span>\n";
  }
  images += "</div></body></html>";
  struct Case {
    const char* name;
    int32_t wanted;
    std::string page;
    int32_t items;
  } cases[] = {
      {"ten blocks outweigh the navigation bar", 30, WriteChangedLayoutPage(NumberedItems(1, 10, kBase)), 10},
      {"3000 characters or fewer yield nothing", 30, WriteChangedLayoutPage(NumberedItems(1, 3, kBase)), 0},
      {"no links yield nothing", 30, "<p>" + std::string(4000, 'z') + "</p>", 0},
      {"a full result array drops the rest", 4, WriteChangedLayoutPage(NumberedItems(1, 10, kBase)), 4},
      {"untitled links join the annotation", 30, images, 10},
      {"a page whose only tag is a link", 30, "<a href=\"http://t.example/\">" + std::string(3100, 'q'), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineProbe engine;
    Prepare(engine, LoopbackTemplateOptions().Counts("20,10,2"), c.wanted);
    ClearLog();
    EXPECT_EQ(engine.ProcessPage(c.page, kPageUrl), c.items);
    EXPECT_TRUE(Logged("Start correcting temlate for LocalTest"));
    for (int32_t i = 0; i < c.items; ++i) {
      const TMetaSearchList& item = engine.SearchResults()[static_cast<size_t>(i)];
      EXPECT_EQ(item.Label, std::to_string(i + 1) + " - LocalTest");
      EXPECT_TRUE(item.Url.starts_with("http://"));
    }
  }
  EngineProbe engine;
  Prepare(engine, {}, 30);
  ASSERT_EQ(engine.ProcessPage(images, kPageUrl), 10);
  const std::u16string& annotation = engine.SearchResults()[2].Annotation;
  const size_t heading = annotation.find(u"Title 3 with a heading");
  const size_t alpha = annotation.find(u"alpha3");
  const size_t beta = annotation.find(u"beta3");
  EXPECT_NE(heading, std::u16string::npos);
  EXPECT_LT(heading, alpha);
  EXPECT_LT(alpha, beta);
  EXPECT_NE(beta, std::u16string::npos);
  EXPECT_EQ(engine.SearchResults()[2].Title, u"Title 3 with a heading");
}

}  // namespace
}  // namespace kestrune
