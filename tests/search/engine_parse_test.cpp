// Cutting result items out of one page (ProcessPage: no download), and the
// automatic recovery on pages the template does not know.
#include <algorithm>

#include "tests/search/engine_test_support.h"

namespace kestrune {
namespace {

using test::LoopbackTemplateOptions;
using test::NumberedItems;
using test::ResultPageOptions;
using test::WriteChangedLayoutPage;
using test::WriteResultPage;

constexpr const char* kBase = "http://127.0.0.1:8080";
constexpr const char* kPageUrl = "http://127.0.0.1:8080/search?q=x&n=10";

class ParseTest : public test::EngineTest {
 protected:
  // Loads the loopback template and prepares a search without the worker;
  // then the page, and the URLs stored.
  std::vector<std::string> Process(const LoopbackTemplateOptions& options, int32_t wanted, const std::string& page) {
    WriteTemplate("local", test::LoopbackEngineTemplate(kBase, options));
    EXPECT_TRUE(engine_.LoadTemplate("local"));
    engine_.SetUrlCount(wanted);
    std::u16string first;
    EXPECT_TRUE(engine_.PrepareSearch(u"x", first));
    ClearLog();
    const int32_t count = engine_.ProcessPage(page, kPageUrl);
    EXPECT_EQ(count, engine_.ItemCount());
    return test::ItemUrls(engine_);
  }
  EngineWeb engine_;
};

std::vector<std::string> DocUrls(int first, int count) { return test::DocUrls(kBase, first, count); }

TEST_F(ParseTest, TemplateCutsThePage) {
  const auto items = NumberedItems(1, 5, kBase);
  const std::string noLink =
      "<ol class=\"results\"><li class=\"result\"><a href=\"/a.html\">A</a></li><li class=\"result\">no link</li>"
      "<li class=\"result\"><a href=\"/c.html\">C</a></li></ol>";
  const std::string cut =
      "<ol class=\"results\"><li class=\"result\"><a href=\"http://r.example/go?url=http://t.example/a&x=1\">A</a></li>"
      "<li class=\"result\"><a href=\"http://www.shop.example/gp/product/B00ABCDEFG/x\">S</a></li></ol>";
  const struct {
    const char* name;
    LoopbackTemplateOptions options;
    int32_t wanted;
    std::string page;
    std::vector<std::string> urls;
    std::string nextUrl;  // "*": any, not empty
    std::string logged;
  } cases[] = {
      {"the quota ends the page; the next URL follows", LoopbackTemplateOptions().Counts("3"), 10,
       WriteResultPage(items), DocUrls(1, 3), std::string(kBase) + "/search?q=x&n=3&start=4&page=1", ""},
      {"the wanted total: no next URL", LoopbackTemplateOptions().Counts("10,2"), 2, WriteResultPage(items),
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
      {"cut strings, then the shop link",
       LoopbackTemplateOptions().ExtraSettings("BeginStrWithUrl = url=\nEndStrWithUrl = &\n"),
       10,
       cut,
       {"http://t.example/a", "http://www.shop.example/exec/obidos/ASIN/B00ABCDEFG/kestrune-20/"},
       "*",
       ""},
      {"no list end and no stop string: nothing",
       {},
       10,
       WriteResultPage(items).substr(0, 600),
       {},
       "",
       "Stop MetaSearch in  procedure EngineWeb.GetBordersTagsResults because EndTag is not found."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Process(c.options, c.wanted, c.page), c.urls);
    EXPECT_EQ(c.nextUrl == "*" ? !engine_.NextUrl().empty() : engine_.NextUrl() == c.nextUrl, true)
        << engine_.NextUrl();
    EXPECT_TRUE(c.logged.empty() || Logged(c.logged)) << c.logged;
  }
  // The item's fields, and the texts around the list (a lone line feed reads as a blank).
  std::string page = WriteResultPage(NumberedItems(1, 2, kBase), ResultPageOptions().LastItemOpen());
  ASSERT_EQ(Process({}, 10, page).size(), 2u);
  EXPECT_EQ(engine_.SearchResults()[1].ItemText, platform::Utf8ToUtf16("<a href=\"" + std::string(kBase) +
                                                                       "/doc2.html\">Title 2</a></h3><span class=\""
                                                                       "snippet\">Snippet 2 about the query</span> "));
  std::replace(page.begin(), page.end(), '\n', ' ');
  EXPECT_EQ(engine_.TextBeforeList(), platform::Utf8ToUtf16(page.substr(0, page.find("<ol"))));
  EXPECT_EQ(engine_.TextAfterList(), platform::Utf8ToUtf16(page.substr(page.find("</ol>"))));
}

// White space around an address is stripped and tabs and line ends inside it
// are dropped, in the template's cutting and in the recovery alike, so that
// one address gives one de-duplication key.
TEST_F(ParseTest, BlanksAroundAndInsideAddresses) {
  const std::string base = kBase;
  const struct {
    std::string href;  // as written in the page
    std::string stored;  // empty: refused
  } links[] = {
      {" http://lead.example/doc.html", "http://lead.example/doc.html"},
      {"http://t.example/a\n", "http://t.example/a"},
      {"\t/doc2.html ", base + "/doc2.html"},
      {"\r\n./doc3.html\r\n", base + "/doc3.html"},
      {"http://t.example/b\r\nc.ht\tml", "http://t.example/bc.html"},
      {"  ", ""},
      {"http://t.example/a", "http://t.example/a"},  // the second above again
  };
  std::vector<test::ResultItem> items;
  std::vector<std::string> stored;
  for (const auto& link : links) {
    items.push_back({link.href, "Title " + std::to_string(items.size() + 1) + " with a longer heading", "Snippet"});
    if (!link.stored.empty()) stored.push_back(link.stored);
  }
  // The template's items go through the seen-URL set: the repeat is counted,
  // not stored. The recovery stores what it finds; the window's merge joins
  // equal addresses.
  std::vector<std::string> unique(stored.begin(), stored.end() - 1);
  const struct {
    const char* name;
    std::string page;
    std::vector<std::string> urls;
  } paths[] = {
      {"template", WriteResultPage(items), unique},
      {"recovery", WriteChangedLayoutPage(items), stored},
  };
  for (const auto& path : paths) {
    SCOPED_TRACE(path.name);
    EXPECT_EQ(Process(LoopbackTemplateOptions().Counts("20"), 20, path.page), path.urls);
  }
}

// Items whose end tag is missing run to the next end tag, or to the list end
// when none follows; the end found is reused while the cursor stays before
// it, and searched again once the cursor has passed it.
TEST_F(ParseTest, ItemsWithoutEndTags) {
  auto li = [](const std::string& href, bool closed) {
    return "<li class=\"result\"><h3><a href=\"" + href + "\">T</a></h3><span class=\"snippet\">S</span>" +
           (closed ? "</li>\n" : "\n");
  };
  const std::string doc = std::string(kBase) + "/doc";
  auto page = [](const std::string& items) { return "<ol class=\"results\">\n" + items + "</ol>"; };
  const struct {
    const char* name;
    std::string page;
    std::vector<std::string> urls;
  } cases[] = {
      {"a refused open item before closed ones",
       page(li("a.html", false) + li(doc + "1.html", true) + li(doc + "2.html", true)), DocUrls(1, 2)},
      {"refused open items before a closed one, after it open ones",
       page(li("a.html", false) + li("b.html", false) + li(doc + "1.html", true) + li("c.html", false) +
            li(doc + "2.html", false) + li(doc + "3.html", true)),
       DocUrls(1, 2)},
      {"no end tag anywhere: the first accepted item runs to the list end",
       page(li("a.html", false) + li("b.html", false) + li(doc + "1.html", false) + li(doc + "2.html", false)),
       DocUrls(1, 1)},
      {"closed, refused closed, open", page(li(doc + "1.html", true) + li("a.html", true) + li(doc + "2.html", false)),
       DocUrls(1, 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Process({}, 10, c.page), c.urls);
  }
}

TEST_F(ParseTest, RecoveryCases) {
  // Ten blocks, each a titled link followed by two image links with a word after each.
  std::string images = "<html><body><div class=\"top\"><a href=\"/h\">Home</a></div><div><p>x</p>";
  for (int n = 1; n <= 10; ++n) {
    const std::string s = std::to_string(n);
    images += "<div class=\"hit\"><a href=\"" + std::string(kBase) + "/doc" + s + ".html\">Title " + s +
              " with a heading</a><div class=\"desc\">" + std::string(300, 'w') + "</div></div><span><a href=\"/i" + s +
              "\"><img src=\"a.png\"></a> alpha" + s + "</span><span><a href=\"/j" + s +
              "\"><img src=\"b.png\"></a> beta" + s + "</span>\n";
  }
  const auto ten = NumberedItems(1, 10, kBase);
  std::string noClosing = "<html><body>";
  for (const auto& item : ten) noClosing += "<p><a href=\"" + item.url + "\">" + item.title + "<br>" + std::string(400, 's');
  const struct {
    const char* name;
    int32_t wanted;
    std::string page;
    std::vector<std::string> urls;
  } cases[] = {
      {"ten blocks outweigh the navigation bar", 30, WriteChangedLayoutPage(ten), DocUrls(1, 10)},
      {"3000 characters or fewer yield nothing", 30, WriteChangedLayoutPage(NumberedItems(1, 3, kBase)), {}},
      {"no links yield nothing", 30, "<p>" + std::string(4000, 'z') + "</p>", {}},
      {"a full result array drops the rest", 2, WriteChangedLayoutPage(ten), DocUrls(1, 2)},
      {"untitled links join the annotation", 30, images + "</div></body></html>", DocUrls(1, 10)},
      {"a page whose only tag is a link",
       30,
       "<a href=\"http://t.example/\">" + std::string(3100, 'q'),
       {"http://t.example/"}},
      {"links without any closing tag", 30, noClosing, DocUrls(1, 10)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Process(LoopbackTemplateOptions().Counts("20,10,2"), c.wanted, c.page), c.urls);
    EXPECT_TRUE(Logged("Start correcting temlate for LocalTest"));
    for (size_t i = 0; i < c.urls.size(); ++i)
      EXPECT_EQ(engine_.SearchResults()[i].Label, std::to_string(i + 1) + " - LocalTest");
  }
  ASSERT_EQ(Process({}, 30, images).size(), 10u);
  const std::u16string& annotation = engine_.SearchResults()[2].Annotation;
  EXPECT_EQ(engine_.SearchResults()[2].Title, u"Title 3 with a heading");
  const size_t heading = annotation.find(u"Title 3 with a heading"), alpha = annotation.find(u"alpha3");
  EXPECT_TRUE(heading < alpha && alpha < annotation.find(u"beta3") && annotation.find(u"beta3") != std::u16string::npos)
      << platform::Utf16ToUtf8(annotation);
}

}  // namespace
}  // namespace kestrune
