// Hostile titles, snippets, comments, labels and addresses (with a query
// word highlighted in them) change the texts of a page, never its markup:
// the page built from them has as many "<", ">" and quote characters, and
// the same tags, as the page built from plain texts.
#include <gtest/gtest.h>

#include <algorithm>

#include "search/html_parser.h"
#include "tests/search/page_results_fixture.h"

namespace kestrune {
namespace {

using test::PageFixture;

TMetaSearchList Hostile(int32_t k) {
  TMetaSearchList d;
  d.Title = u"alpha \"><script>alert(1)</script>$cmap_doc_url";
  d.Annotation = u"alpha ' onmouseover='x' $PagesList <img src=x onerror=alert(1)> $cmap_found_on";
  static const char* const kUrls[] = {"javascript:alert(\"x\")", "http://evil.example/%3Cscript%3E%22%27$PagesList",
                                      "data:text/html,<script>", "http://e.example/\"><b>"};
  d.Url = kUrls[k % 4];
  d.Label = "1 - <b class=\"x\">Evil</b> $cmap_doc_title";
  d.ItemText = u"<p><i class=c1>alpha &quot;&gt;&lt;script&gt;$next_page</i>"
               u"<img src=\"http://i.example/a.png&quot; onerror=&quot;alert(1)\" alt=\"&quot;>\"></p>";
  d.Flags = k % 8;
  return d;
}

TMetaSearchList Plain(int32_t k) {
  TMetaSearchList d;
  d.Title = u"alpha plain title";
  d.Annotation = u"alpha plain text";
  d.Url = "http://plain.example/page";
  d.Label = "1 - Plain";
  d.ItemText = u"<p><i class=c1>alpha plain</i><img src=\"http://i.example/a.png\" alt=\"plain\"></p>";
  d.Flags = k % 8;
  return d;
}

struct Shape {
  size_t less = 0, greater = 0, quotes = 0, apostrophes = 0;
  std::vector<std::u16string> tags;
  bool operator==(const Shape&) const = default;
};

// The tags of a page, as the program's parser reads them.
THTMLDocument PageTags(const std::u16string& page) {
  TIHTMLParser parser;
  parser.BuildTagTable = true;
  parser.ParseWide(page);
  parser.Tags.resize(static_cast<size_t>(parser.TagCount));
  return std::move(parser.Tags);
}

Shape ShapeOf(const std::u16string& page) {
  Shape s;
  s.less = static_cast<size_t>(std::count(page.begin(), page.end(), u'<'));
  s.greater = static_cast<size_t>(std::count(page.begin(), page.end(), u'>'));
  s.quotes = static_cast<size_t>(std::count(page.begin(), page.end(), u'"'));
  s.apostrophes = static_cast<size_t>(std::count(page.begin(), page.end(), u'\''));
  for (const TAttributesTag& tag : PageTags(page)) s.tags.push_back(tag.Name);
  return s;
}

TEST(PageEscaping, HostileTextsKeepThePageShape) {
  struct Case {
    const char* engine;  // extra template lines
    int32_t mode;
    bool advanced;
    int32_t editIndex;
  };
  const Case cases[] = {
      {"BeginItemCommentTag=\"<i class=c1>\"\nEndItemCommentTag=\"</i>\"\n", 5, true, 3},
      {"NumberImage=1\nBeginItemCommentTag=\"<i class=c1>\"\nEndItemCommentTag=\"</i>\"\n", 5, false, -2},
      {"", 7, false, -2},
      {"", 9, true, -1},
  };
  for (const Case& c : cases) {
    Shape shapes[2];
    for (int hostile = 0; hostile < 2; ++hostile) {
      PageFixture f;
      f.UseEngine("engine", test::EngineTemplate("Engine", c.engine));
      f.UseTemplates(test::SourceDir() + "/data/templates/en/");
      for (int32_t k = 0; k < 12; ++k) f.AddDocument(hostile ? Hostile(k) : Plain(k));
      f.scope.Add({{f.alpha, 1.0f}}, {});
      f.SetQuery({f.alpha}, {f.beta});
      f.builder.AdvancedMode = c.advanced;
      TDocumentCounters counters;
      counters.Total = counters.NewLinks = 6;
      const std::u16string page = f.builder.BuildPage(c.mode, 1, counters, c.editIndex);
      ASSERT_FALSE(page.empty());
      EXPECT_EQ(page.find(u"<script"), std::u16string::npos) << c.mode;
      EXPECT_NE(page.find(u">alpha</span>"), std::u16string::npos) << c.mode;
      EXPECT_EQ(page.find(u"href=\"javascript"), std::u16string::npos) << c.mode;
      shapes[hostile] = ShapeOf(page);
    }
    EXPECT_EQ(shapes[0].less, shapes[1].less) << c.mode;
    EXPECT_EQ(shapes[0].greater, shapes[1].greater) << c.mode;
    EXPECT_EQ(shapes[0].quotes, shapes[1].quotes) << c.mode;
    EXPECT_EQ(shapes[0].apostrophes, shapes[1].apostrophes) << c.mode;
    EXPECT_EQ(shapes[0].tags, shapes[1].tags) << c.mode;
  }
}

// The direction controls of the page's text (not of its tags' attributes)
// left open before `at`, by the embedding rules of the bidirectional
// algorithm: a PDF closes the innermost embedding or override unless an
// isolate is innermost, a PDI the innermost isolate with all it holds;
// closers with nothing to close do nothing.
size_t OpenDirectionControls(std::u16string_view page, size_t at) {
  std::vector<bool> open;  // true: an isolate
  bool inTag = false;
  for (const char16_t c : page.substr(0, at)) {
    if (c == u'<' || c == u'>') inTag = c == u'<';
    if (inTag) continue;
    if ((c >= 0x202A && c <= 0x202E && c != 0x202C)) open.push_back(false);
    if (c >= 0x2066 && c <= 0x2068) open.push_back(true);
    if (c == 0x202C && !open.empty() && !open.back()) open.pop_back();
    if (c == 0x2069 && std::find(open.begin(), open.end(), true) != open.end()) {
      while (!open.back()) open.pop_back();
      open.pop_back();
    }
  }
  return open.size();
}

// A title, a snippet or a shown address that opens an embedding, override or
// isolate turns nothing after it: the plain item beside it and the page's end
// stand outside every control, highlighting and all. The address in the
// attributes (href, name) is written as the document has it.
TEST(PageEscaping, DirectionControlsStayInTheirText) {
  const struct {
    const char* name;
    std::u16string control;
    const char* comments;  // extra template lines: the snippet from the item's comments
    std::string url;
  } cases[] = {
      {"override in all three", u"\u202E", "", "http://e.example/%E2%80%AEgpj.exe"},
      {"embedding, address written raw", u"\u202B", "", "http://e.example/\xE2\x80\xABpage"},
      {"isolate, snippet from the comments", u"\u2067",
       "BeginItemCommentTag=\"<i class=c1>\"\nEndItemCommentTag=\"</i>\"\n", "http://e.example/%E2%81%A7x"},
      {"override nested in an isolate", u"\u2067a\u202E", "", "http://e.example/%E2%81%A7a%E2%80%AEx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PageFixture f;
    f.UseEngine("engine", test::EngineTemplate("Engine", c.comments));
    f.UseTemplates(test::SourceDir() + "/data/templates/en/");
    TMetaSearchList hostile;
    hostile.Title = u"alpha " + c.control + u"evil title";
    hostile.Annotation = u"alpha " + c.control + u"evil text";
    hostile.ItemText = u"<i class=c1>alpha " + c.control + u"evil comment</i>";
    hostile.Url = c.url;
    hostile.Label = "1 - Engine";
    f.AddDocument(hostile);
    f.AddDocument(Plain(0));
    f.SetQuery({f.alpha});
    const std::u16string page = f.builder.BuildPage(5, 1, TDocumentCounters{});
    ASSERT_NE(page.find(u"evil"), std::u16string::npos);
    EXPECT_NE(page.find(u">alpha</span>"), std::u16string::npos);  // highlighted all the same
    const size_t plain = page.find(u"plain title");
    ASSERT_NE(plain, std::u16string::npos);
    EXPECT_EQ(OpenDirectionControls(page, plain), 0u);
    EXPECT_EQ(OpenDirectionControls(page, page.size()), 0u);
    // Each shown text closes its own: the title before the snippet, the
    // snippet before the address, the address before the label.
    for (const char16_t* next :
         {u"<span class=\"ks-anno\">", u"<span class=\"ks-url\">", u"<span class=\"ks-found\">"}) {
      const size_t at = page.find(next);
      ASSERT_NE(at, std::u16string::npos);
      EXPECT_EQ(OpenDirectionControls(page, at), 0u) << platform::Utf16ToUtf8(next);
    }

    int32_t attributes = 0;
    for (const TAttributesTag& tag : PageTags(page)) {
      for (int32_t k = 0; k < tag.AttributeCount; ++k) {
        const TAttributeTag& attribute = tag.Attributes[static_cast<size_t>(k)];
        if (attribute.Value.find(u"e.example") == std::u16string::npos) continue;
        ++attributes;
        EXPECT_EQ(attribute.Value, platform::Utf8ToUtf16(c.url)) << platform::Utf16ToUtf8(attribute.Name);
      }
    }
    EXPECT_EQ(attributes, 2);  // the anchor's name and the title's href
  }
}

// A shown text: markup characters, quotes and "$" become character
// references, CR LF, tab and LF stay, any other control character is a blank.
TEST(PageEscaping, EscapeText) {
  const struct {
    std::u16string text, shown;
  } cases[] = {
      {u"plain text", u"plain text"},
      {u"", u""},
      {u"a<b>&\"c'$", u"a&lt;b&gt;&amp;&quot;c&#39;&#36;"},
      {u"&&", u"&amp;&amp;"},
      {u"line\r\nnext\tcell\nend", u"line\r\nnext\tcell\nend"},
      {u"a\rb\r", u"a b "},
      {u"\x01x\x1Fy\u007F", u" x y\u007F"},
      {u"<", u"&lt;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TPageResults::EscapeText(c.text), c.shown) << platform::Utf16ToUtf8(c.text);
  }
}

// What a shown text ends with: its open controls closed innermost first; a
// closer that closes nothing of the text is dropped.
TEST(PageEscaping, CloseDirectionControls) {
  const struct {
    std::u16string text, shown;
  } cases[] = {
      {u"plain", u"plain"},
      {u"a\u202Eb", u"a\u202Eb\u202C"},
      {u"a\u202Eb\u202Cc", u"a\u202Eb\u202Cc"},
      {u"\u202A\u202Bx", u"\u202A\u202Bx\u202C\u202C"},
      {u"\u2066\u202Ex", u"\u2066\u202Ex\u202C\u2069"},
      {u"\u202E\u2068x", u"\u202E\u2068x\u2069\u202C"},
      // A PDI closes the embeddings inside its isolate; a PDF cannot close
      // an isolate.
      {u"\u2067\u202Dx\u2069y", u"\u2067\u202Dx\u2069y"},
      {u"\u2067x\u202Cy", u"\u2067xy\u2069"},
      {u"\u202Cx\u2069y", u"xy"},
      // The text after a dropped closer moves up; later controls still count.
      {u"ab\u2069cd\u202Be", u"abcd\u202Be\u202C"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TPageResults::CloseDirectionControls(c.text), c.shown) << platform::Utf16ToUtf8(c.text);
  }
}

// The query link's address stands unquoted: an engine's query address with a
// blank or a script scheme gives a link with its one attribute only.
TEST(PageEscaping, QueryLinkKeepsOneAttribute) {
  struct Case {
    const char* mainQuery;
    const char16_t* href;
  };
  const Case cases[] = {
      {"http://q.example/?q=$main_query onmouseover=alert(1)", u"http://q.example/?q=alpha%20onmouseover=alert(1)"},
      {"http://q.example/?q=$main_query\tx=1", u"http://q.example/?q=alpha%09x=1"},
      {"javascript:alert(1)//$main_query", u"#"},
  };
  for (const Case& c : cases) {
    for (const int32_t mode : {5, 6}) {
      PageFixture f;
      f.UseEngine("engine", "[settings]\nMainQuery=\"" + std::string(c.mainQuery) + "\"\nformat=\"utf 8\"\n"
                            "[general]\nhostname=\"Engine\"\n");
      f.UseTemplates(test::SourceDir() + "/data/templates/en/");
      f.scope.Add({{f.alpha, 1.0f}}, {});
      f.scope.Add({{f.beta, 1.0f}}, {});
      f.SetQuery({f.alpha});
      f.builder.GetQueryText = [] { return std::u16string(u"alpha"); };
      const std::u16string page = f.builder.BuildPage(mode, 1, TDocumentCounters{});
      int32_t links = 0;
      for (const TAttributesTag& tag : PageTags(page)) {
        if (tag.Name != u"a" || tag.AttributeCount < 1) continue;
        const std::u16string& href = tag.Attributes[0].Value;
        if (href != u"#" && href.find(u"q.example") == std::u16string::npos) continue;
        ++links;
        EXPECT_EQ(tag.AttributeCount, 1) << c.mainQuery << " " << mode;
        EXPECT_EQ(tag.Attributes[0].Value, c.href) << c.mainQuery << " " << mode;
      }
      EXPECT_EQ(links, 1) << c.mainQuery << " " << mode;
    }
  }
}

}  // namespace
}  // namespace kestrune
