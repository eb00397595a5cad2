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

Shape ShapeOf(const std::u16string& page) {
  Shape s;
  s.less = static_cast<size_t>(std::count(page.begin(), page.end(), u'<'));
  s.greater = static_cast<size_t>(std::count(page.begin(), page.end(), u'>'));
  s.quotes = static_cast<size_t>(std::count(page.begin(), page.end(), u'"'));
  s.apostrophes = static_cast<size_t>(std::count(page.begin(), page.end(), u'\''));
  TIHTMLParser parser;
  parser.BuildTagTable = true;
  parser.ParseWide(page);
  for (int32_t i = 0; i < parser.TagCount; ++i) s.tags.push_back(parser.Tags[static_cast<size_t>(i)].Name);
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
      TIHTMLParser parser;
      parser.BuildTagTable = true;
      parser.ParseWide(page);
      int32_t links = 0;
      for (int32_t i = 0; i < parser.TagCount; ++i) {
        const TAttributesTag& tag = parser.Tags[static_cast<size_t>(i)];
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
