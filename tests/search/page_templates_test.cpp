#include <gtest/gtest.h>

#include <unistd.h>

#include "tests/search/page_results_fixture.h"

namespace kestrune {
namespace {

using test::PageFixture;
using test::ScopedLog;
using test::WriteFileBytes;

TEST(PageTemplates, ReplaceTokenRules) {
  struct Case {
    std::u16string text;
    std::u16string_view token;
    std::u16string_view value;
    TTokenCase rule;
    std::u16string result;
    int32_t count;
  };
  const Case cases[] = {
      {u"a $x b $x", u"$x", u"1", TTokenCase::kAsWritten, u"a 1 b 1", 2},
      {u"$x", u"$x", u"$x$x", TTokenCase::kAsWritten, u"$x$x", 1},  // the value is not searched again
      {u"$X", u"$x", u"1", TTokenCase::kAsWritten, u"$X", 0},
      {u"$cmap_y and $CMAP_Y", u"$CMAP_Y", u"V", TTokenCase::kLowerCase, u"V and $CMAP_Y", 1},
      {u"$pageslist $PagesList", u"$PagesList", u"V", TTokenCase::kAsWritten, u"$pageslist V", 1},
      {u"$cmap_doc_urls", u"$cmap_doc_url", u"V", TTokenCase::kAsWritten, u"Vs", 1},  // no whole-word test
      {u"$x$x$x", u"$x$x", u"V", TTokenCase::kAsWritten, u"V$x", 1},
      {u"", u"$x", u"V", TTokenCase::kAsWritten, u"", 0},
      {u"\u2424$x\u0124$", u"$x", u"V", TTokenCase::kAsWritten, u"\u2424V\u0124$", 1},  // '$' bytes in other units
      {u"$x", u"", u"V", TTokenCase::kAsWritten, u"$x", 0},
  };
  for (const Case& c : cases) {
    std::u16string text = c.text;
    EXPECT_EQ(ReplaceToken(text, c.token, c.value, c.rule), c.count);
    EXPECT_EQ(text, c.result);
  }
}

TEST(PageTemplates, BlocksAreCutByTheirFirstTags) {
  PageFixture f;
  WriteFileBytes(f.home.File("Templates.INI"),  // found without regard to case
                 "head <_cap_normal>normal</_cap_normal>\n"
                 "</search_result>closed first<search_result>frame\n"
                 "<_doc_meta_block>first</_doc_meta_block> <_doc_meta_block>second</_doc_meta_block>\n"
                 "<_doc_meta_block_lite>lite</_doc_meta_block_lite>\n"
                 "<_other_res>never closed\n"
                 "<_only_other_res>caf\xC3\xA9 \xFF</_only_other_res>\n"
                 "<annotation></annotation>\n"
                 "<<_doc_add_favorite>fav</_doc_add_favorite>\n"
                 "<_doc_btn_edit <_doc_btn_edit>edit<</_doc_btn_edit>\n"
                 "<_doc_del_favorite\n>split</_doc_del_favorite>");
  f.UseTemplates(f.home.Path());
  struct Case {
    TPageBlock block;
    std::u16string text;
  };
  const Case cases[] = {
      {pbCapNormal, u"normal"},
      {pbSearchResult, u""},  // its closing tag comes first
      {pbDocMetaBlock, u"first"},
      {pbDocMetaBlockLite, u"lite"},
      {pbOtherRes, u""},
      {pbOnlyOtherRes, u"caf\u00E9 \uFFFD"},  // bad bytes become U+FFFD
      {pbAnnotation, u""},
      {pbBegun, u""},
      {pbDocAddFavorite, u"fav"},  // after a stray "<"
      {pbDocBtnEdit, u"edit<"},
      {pbDocDelFavorite, u""},  // a line break inside the tag
  };
  for (const Case& c : cases) EXPECT_EQ(f.builder.Block(c.block), c.text) << c.block;
  // Every block as a search for its own tags cuts it.
  for (int32_t b = 0; b < pbBlockCount; ++b) {
    EXPECT_EQ(f.builder.Block(static_cast<TPageBlock>(b)), f.builder.GetTemplateBlock(kPageBlockNames[b])) << b;
  }

  // A folder without the file: every block empty, one log line.
  ScopedLog log;
  f.UseTemplates(f.home.Path() + "missing/");
  EXPECT_EQ(f.builder.Block(pbCapNormal), u"");
  EXPECT_EQ(f.builder.TemplateText(), u"");
  EXPECT_TRUE(log.Holds("Error in TPageResults.LoadTemlpateFiles, path = " + f.home.Path() + "missing/templates.ini"));
}

TEST(PageTemplates, BlankPagesOfEveryModeAndTheirTokens) {
  PageFixture f;
  f.SetDocuments(2);
  f.builder.NewsString = u"<i>news</i>";
  const std::string tokens =
      " $cmap_doc_quantity_total/$CMAP_DOC_QUANTITY_TOTAL $cmap_doc_quantity_relevant"
      " $cmap_News_String/$cmap_news_string";
  const std::pair<int32_t, std::string> pages[] = {
      {1, "blank4.html"}, {2, "blank1.html"}, {3, "blank3.html"}, {4, "blank2.html"}, {6, "blank.html"}};
  for (const auto& [mode, file] : pages) WriteFileBytes(f.home.File(file), file + tokens);
  WriteFileBytes(f.home.File("blank6.html"), "stop words");
  f.UseTemplates(f.home.Path());
  TDocumentCounters counters;
  counters.Total = 7;
  for (const auto& [mode, file] : pages) {
    EXPECT_EQ(f.builder.BuildPage(mode, 1, counters),
              platform::Utf8ToUtf16(file + " 7/$CMAP_DOC_QUANTITY_TOTAL 2 <i>news</i>/$cmap_news_string"));
  }
  for (int32_t mode : {0, 12, -1}) EXPECT_EQ(f.builder.BuildPage(mode, 1, counters), u"") << mode;
}

TEST(PageTemplates, BlankPageBytes) {
  PageFixture f;
  f.UseTemplates(f.home.Path());
  struct Case {
    const char* what;
    std::string bytes;
    std::u16string page;
  };
  const Case cases[] = {
      {"byte-order mark", "\xEF\xBB\xBFpage", u"\uFEFFpage"},
      {"four-byte sequence", "a \xF0\x9F\x98\x80 b", u""},
      {"truncated sequence", "a \xC3", u""},
      {"surrogates as three-byte sequences", "\xED\xA0\xBD\xED\xB8\x80", u"\xD83D\xDE00"},
      {"empty file", "", u""},
  };
  for (const Case& c : cases) {
    WriteFileBytes(f.home.File("blank4.html"), c.bytes);
    EXPECT_EQ(f.builder.BuildPage(1, 1), c.page) << c.what;
  }

  ScopedLog log;
  std::remove(f.home.File("blank4.html").c_str());
  EXPECT_EQ(f.builder.BuildPage(1, 1), u"");
  EXPECT_FALSE(log.Holds("TemplateInSBody"));
  // A file that exists but cannot be read.
  ASSERT_EQ(::symlink("/proc/self/mem", f.home.File("blank4.html").c_str()), 0);
  EXPECT_EQ(f.builder.BuildPage(1, 1), u"");
  EXPECT_TRUE(log.Holds("Error in TPageResults.TemplateInSBody, FileName = " + f.home.Path() + "blank4.html"));
}

}  // namespace
}  // namespace kestrune
