// Whole pages of every mode, compared byte for byte with the expected pages
// in tests/search/golden/ (written by hand from the page pieces).
#include <gtest/gtest.h>

#include "tests/search/page_results_fixture.h"

namespace kestrune {
namespace {

using test::GoldenDir;
using test::PageFixture;

constexpr char kProductEngine[] =
    "NumberImage=1\nBeginItemCommentTag=\"<span class=price>\"\nEndItemCommentTag=\"</span>\"\n";

// The project's counters and the entry whose edit form the page shows.
struct TPageCounts {
  TDocumentCounters counts;
  int32_t edit = -2;
};

struct GoldenCase {
  const char* file;
  int32_t mode;
  int32_t page;
  int32_t documents;
  TPageCounts counters;
  int32_t scopes = 2;          // 1: {alpha}; 2: also {alpha beta -gamma}, current
  const char16_t* queryText = u"alpha";  // the window's query text (blank pages)
  bool noQuery = false;
  bool advanced = false;
  bool products = false;
};

TPageCounts Counters(int32_t total, int32_t removed, int32_t hidden, int32_t newLinks = 3, int32_t oldLinks = 1,
                     int32_t favorites = 2, int32_t edit = -2) {
  return TPageCounts{{total, removed, hidden, newLinks, oldLinks, favorites, 12, 4, 5}, edit};
}

TEST(PageResultsGolden, EveryModeOnAFixedPageList) {
  const GoldenCase cases[] = {
      {"blank_searching.html", 1, 1, 23, Counters(23, 2, 0)},
      {"blank_single_scope.html", 6, 1, 23, Counters(23, 2, 0), 1, u""},
      {"results_page1.html", 5, 1, 23, Counters(23, 2, 0)},
      {"results_page2.html", 5, 2, 23, Counters(15, 0, 4)},
      {"results_page3.html", 5, 3, 23, Counters(23, 2, 0)},
      {"pages20_page1.html", 5, 1, 200, Counters(200, 2, 0)},
      {"pages20_page6.html", 5, 6, 200, Counters(200, 2, 0)},
      {"pages20_page14.html", 5, 14, 200, Counters(200, 2, 0)},
      {"removed_view.html", 7, 3, 23, Counters(23, 0, 0)},
      {"hidden_view.html", 8, 3, 23, Counters(23, 1, 3)},
      {"new_view_none.html", 9, 1, 23, Counters(23, 2, 0, 0)},
      {"old_view.html", 10, 3, 23, Counters(23, 2, 0, 3, 21)},
      {"favorites_no_query.html", 11, 3, 23, Counters(23, 2, 0, 3, 1, 23), 2, u"", true},
      {"products.html", 5, 3, 23, Counters(23, 2, 0), 2, u"alpha", false, false, true},
      {"edit_add_form.html", 5, 3, 23, Counters(23, 2, 0, 3, 1, 2, -1), 2, u"alpha", false, true},
      {"edit_document.html", 5, 3, 23, Counters(23, 2, 0, 3, 1, 2, 21), 2, u"alpha", false, true},
  };
  for (const GoldenCase& c : cases) {
    PageFixture f;
    f.UseEngine("golden", test::EngineTemplate("Golden", c.products ? kProductEngine : ""));
    f.UseTemplates(GoldenDir() + "templates/");
    f.SetDocuments(c.documents);
    if (c.products) {
      f.documents[20].ItemText =
          u"<div><img src=\"http://img.example/20.jpg\" width=\"60\" height=\"80\" alt=\"Cover 20\" "
          u"onload=\"steal()\"><span class=price>12.50</span></div>";
      f.documents[21].ItemText = u"<div><img src=\"cover21.jpg\"><span class=price>9.99</span></div>";
    }
    f.scope.Add({{f.alpha, 1.0f}}, {});
    if (c.scopes == 2) f.scope.Add({{f.alpha, 1.0f}, {f.beta, 1.0f}}, {{f.gamma, 1.0f}});
    if (c.noQuery) {
      f.map.SetNoQueryMode(true);
    } else {
      f.SetQuery({f.alpha});
    }
    const std::u16string queryText = c.queryText;
    f.builder.GetQueryText = [queryText] { return queryText; };
    f.builder.GetContextWordsHtml = [] { return std::u16string(u"<i>context</i>"); };
    f.builder.LastQueryHtml = u"<q>recent queries</q>";
    f.builder.LastProjectHtml = u"<p>recent projects</p>";
    f.builder.NewsString = u"<n>news</n>";
    f.builder.AdvancedMode = c.advanced;

    const std::string page = platform::Utf16ToUtf8(f.builder.BuildPage(c.mode, c.page, c.counters.counts, c.counters.edit));
    const std::string expected = test::ReadFileBytes(GoldenDir() + c.file);
    EXPECT_EQ(page, expected) << c.file;
  }
}

}  // namespace
}  // namespace kestrune
