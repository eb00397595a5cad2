// The page's documents read in place, and the builder's own text parser: a
// page build leaves the window's parser and its last result as they were.
#include <gtest/gtest.h>

#include "search/page_documents.h"
#include "tests/search/page_results_fixture.h"

namespace kestrune {
namespace {

TMetaSearchList Named(const std::string& url) {
  TMetaSearchList d;
  d.Url = url;
  return d;
}

TEST(PageDocuments, EntriesReadTheDocumentsWhereTheyAre) {
  std::vector<TMetaSearchList> documents = {Named("http://a/"), Named("http://b/"), Named("http://c/")};
  std::vector<int32_t> ids = {2, 0, 7, -1};
  struct Case {
    const char* what;
    TPageDocuments view;
    size_t size;
    std::vector<std::string> urls;  // "" where an entry has no document
  } cases[] = {
      {"no arrays", TPageDocuments(), 0, {}},
      {"no documents", TPageDocuments(nullptr, &ids), 0, {}},
      {"no entries", TPageDocuments(&documents, nullptr), 0, {}},
      {"page order, stale and negative entries empty", TPageDocuments(&documents, &ids), 4,
       {"http://c/", "http://a/", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.view.size(), c.size);
    EXPECT_EQ(c.view.empty(), c.size == 0);
    for (size_t e = 0; e < c.urls.size(); ++e) {
      EXPECT_EQ(c.view[e].Url, c.urls[e]) << e;
      EXPECT_EQ(c.view.Entry(e) != nullptr, !c.urls[e].empty()) << e;
    }
    EXPECT_EQ(c.view.Entry(c.size), nullptr);
    EXPECT_EQ(c.view.Id(c.size), -1);
  }
  // A document changed after the page was ordered is read as it is now.
  const TPageDocuments view(&documents, &ids);
  documents[2].Flags = 1;
  EXPECT_EQ(view[0].Flags, 1);
}

TEST(PageDocuments, BuildLeavesTheWindowsParseAlone) {
  test::PageFixture f;
  f.UseEngine("golden", test::EngineTemplate("Golden"));
  f.UseTemplates(test::GoldenDir() + "templates/");
  f.SetDocuments(3);
  f.documents[1].Title = u"alpha beta";
  f.SetQuery({f.alpha});
  f.textParsing.SetianwWord(true);
  f.textParsing.Parse(u"gamma beta gamma");
  const int32_t words = f.textParsing.ParsingText().WordCount;
  ASSERT_EQ(words, 3);

  const std::u16string page = f.builder.BuildPage(5, 1, TDocumentCounters{3});
  // The title was highlighted, with the window's settings ...
  EXPECT_NE(page.find(u">alpha</span> beta"), std::u16string::npos);
  EXPECT_TRUE(f.builder.OwnTextParsing().ianwWord());
  EXPECT_EQ(f.builder.OwnTextParsing().WordDictionary(), &f.dictionary);
  // ... and the window's parser still holds its own text.
  const TParsingText& parse = f.textParsing.ParsingText();
  ASSERT_EQ(parse.WordCount, words);
  EXPECT_EQ(parse.Word(0).WordId, f.gamma);
  EXPECT_EQ(parse.Word(1).WordId, f.beta);
  EXPECT_EQ(parse.Word(2).WordId, f.gamma);
}

}  // namespace
}  // namespace kestrune
