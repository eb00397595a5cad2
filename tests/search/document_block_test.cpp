#include <gtest/gtest.h>

#include "search/html_parser.h"
#include "tests/search/page_results_fixture.h"

namespace kestrune {
namespace {

using test::PageFixture;
using test::WriteFileBytes;

const std::u16string kOpen =
    u"<span style=\"background-color:#CDD9F0; color:#000000; line-height: normal; background-position: center center; "
    u"letter-spacing: normal; text-indent: 0pt; word-spacing: normal; white-space: normal; margin: 0px; "
    u"padding: 0px;\">";
const std::u16string kClose = u"</span>";

// A page whose frame is the document blocks and whose blocks show the fields.
class Blocks : public PageFixture {
 public:
  Blocks() {
    WriteFileBytes(home.File("templates.ini"),
                   "<search_result>$cmap_result_block</search_result>"
                   "<_doc_meta_block>T=$cmap_doc_title|A=$cmap_cluster_annotation|C=$cmap_comment|"
                   "U=$cmap_doc_url|S=$cmap_doc_showing_url\n</_doc_meta_block>"
                   "<_doc_meta_block_amazon>T=$amazon_product_title|I=$amazon_product_image|"
                   "A=$amazon_product_annotation|F=$cmap_act_favorite$cmap_act_exclude_link$cmap_act_hide_site\n"
                   "</_doc_meta_block_amazon><_doc_add_favorite>+fav</_doc_add_favorite>"
                   "<_doc_btn_exclude_link>+rm</_doc_btn_exclude_link><_doc_btn_hide_site>+hide</_doc_btn_hide_site>");
    UseTemplates(home.Path());
    UseEngine("plain", test::EngineTemplate("Plain"));
  }
  std::u16string Page(const TMetaSearchList& d, int32_t mode = 5) {
    documents.clear();
    pageIds.clear();
    AddDocument(d);
    TDocumentCounters counters;
    counters.Total = counters.NewLinks = 1;
    return builder.BuildPage(mode, 1, counters);
  }
};

TEST(DocumentBlock, FieldsEscapedHighlightedAndTransformed) {
  constexpr char kComments[] =
      "BeginItemCommentTag=\"<i class=c1>\",\"<b class=c2>\"\nEndItemCommentTag=\"</i>\",\"</b>\"\n";
  constexpr char kDesktopUrl[] = "http://127.0.0.1:4664/redir?url=file%3A%2F%2F%2Fhome%2Fr%C3%A9sum%C3%A9.txt";
  struct Case {
    const char* what;
    std::u16string title;
    std::u16string annotation;
    std::string url;
    std::u16string itemText;
    std::string engine;  // host name; "comments": an engine with two comment pairs
    bool phrase;         // the query: the phrase "beta gamma", else the word "alpha"
    std::u16string page;
  };
  const Case cases[] = {
      {"line breaks and control characters", u"one\r\ntwo\rthree", u"x\x01y\tz", "http://a.example/", u"", "Plain",
       false, u"T=one\r\ntwo three|A=x y\tz|C=x y\tz|U=http://a.example/|S=http://a.example/\n"},
      {"markup in a title around a query word", u"Tom & <Jerry> alpha", u"alpha", "http://a.example/", u"",
       "Plain", false,
       u"T=Tom &amp; &lt;Jerry&gt; " + kOpen + u"alpha" + kClose + u"|A=" + kOpen + u"alpha" + kClose + u"|C=" +
           kOpen + kOpen + u"alpha" + kClose + kClose + u"|U=http://a.example/|S=http://a.example/\n"},
      {"a phrase only where its words follow each other in one sentence",
       u"Beta gamma now. Gamma beta now. Beta. Gamma now. Beta x gamma.", u"", "http://a.example/", u"", "Plain",
       true,
       u"T=" + kOpen + u"Beta gamma" + kClose +
           u" now. Gamma beta now. Beta. Gamma now. Beta x gamma.|A=|C=|U=http://a.example/|S=http://a.example/\n"},
      {"two comment pairs, only the first found", u"t", u"a",
       "http://a.example/", u"<p><i class=c1>first &lt;x&gt;</i> rest <b>not c2</b></p>", "comments", false,
       u"T=t|A=a|C=<br>first &lt;x&gt;<br>|U=http://a.example/|S=http://a.example/\n"},
      {"a desktop engine's redirect shows its target", u"t", u"", kDesktopUrl, u"", "Google Desktop", false,
       u"T=t|A=|C=|U=" + platform::Utf8ToUtf16(kDesktopUrl) + u"|S=file:///home/r\u00E9sum\u00E9.txt\n"},
      {"another engine shows the redirect whole", u"t", u"", kDesktopUrl, u"", "Plain", false,
       u"T=t|A=|C=|U=" + platform::Utf8ToUtf16(kDesktopUrl) +
           u"|S=http://127.0.0.1:4664/redir?url=file:///home/r\u00E9sum\u00E9.txt\n"},
      {"a redirect target ends at &src=", u"t", u"", "http://h/r?url=file%3A%2F%2F%2Fa.txt&src=1", u"",
       "Google Desktop", false, u"T=t|A=|C=|U=http://h/r?url=file%3A%2F%2F%2Fa.txt&amp;src=1|S=file:///a.txt\n"},
      {"an address that decodes to no UTF-8 is shown as given", u"t", u"", "http://h/%FF+x", u"", "Plain", false,
       u"T=t|A=|C=|U=http://h/%FF+x|S=http://h/%FF+x\n"},
      {"a script address is no link", u"t", u"", "javascript:alert(\"$PagesList\")", u"", "Plain", false,
       u"T=t|A=|C=|U=#|S=javascript:alert(&quot;&#36;PagesList&quot;)\n"},
  };
  for (const Case& c : cases) {
    Blocks f;
    if (c.engine == "comments") {
      f.UseEngine("comments", test::EngineTemplate("Comments", kComments));
    } else if (c.engine != "Plain") {
      f.UseEngine("desktop", test::EngineTemplate(c.engine));
    }
    if (c.phrase) {
      TPhrase phrase;
      phrase.Entries = {TPhraseEntry{f.beta, 0, 0}, TPhraseEntry{f.gamma, 0, 0}};
      f.SetQuery({TPhraseWordDictionary::kPhraseBase + f.dictionary.AddPhrase(phrase)});
    } else {
      f.SetQuery({f.alpha});
    }
    TMetaSearchList d;
    d.Title = c.title;
    d.Annotation = c.annotation;
    d.Url = c.url;
    d.ItemText = c.itemText;
    EXPECT_EQ(platform::Utf16ToUtf8(f.Page(d)), platform::Utf16ToUtf8(c.page)) << c.what;
  }
}

TEST(DocumentBlock, ProductImagesAndActions) {
  struct Case {
    const char* what;
    std::u16string itemText;
    int32_t numberImage;
    int32_t mode;
    std::u16string page;
  };
  const Case cases[] = {
      {"the first image, rebuilt", u"<img src=\"http://a/1.png\" width=10 height=20 alt='x&quot;y' onerror=\"evil()\">",
       1, 5, u"T=t|I=<img src=\"http://a/1.png\" width=\"10\" height=\"20\" alt=\"x&quot;y\">|A=a|F=+fav+rm+hide\n"},
      {"no script address", u"<img src=\"javascript:alert(1)\">", 1, 5, u"T=t|I=|A=a|F=+fav+rm+hide\n"},
      {"the second image", u"<img src=\"https://a/1.png\"><p><IMG SRC=\"HTTPS://a/2.png\">", 2, 5,
       u"T=t|I=<img src=\"HTTPS://a/2.png\">|A=a|F=+fav+rm+hide\n"},
      {"past the last image", u"<img src=\"http://a/1.png\">", 3, 5, u"T=t|I=|A=a|F=+fav+rm+hide\n"},
      {"the new-links view has the actions of the other lists", u"", 1, 9, u"T=t|I=|A=a|F=+fav+rm+hide\n"},
      {"the removed-links view", u"", 1, 7, u"T=t|I=|A=a|F=\n"},
  };
  for (const Case& c : cases) {
    Blocks f;
    f.UseEngine("shop", test::EngineTemplate("Shop", "NumberImage=" + std::to_string(c.numberImage) + "\n"));
    TMetaSearchList d;
    d.Title = u"t";
    d.Annotation = u"a";
    d.Url = "http://a.example/";
    d.ItemText = c.itemText;
    const std::u16string page = f.Page(d, c.mode);
    // The product list is wrapped in its table.
    const std::u16string head = u"<div id=amazon><table width=90% cellpadding=\"5\" cellspacing=\"0\" border=\"0\" >";
    EXPECT_EQ(page, head + c.page + u"</table></div>") << c.what;
  }
}

TEST(DocumentBlock, TagPairsFromTheCommentCursor) {
  TPageResults builder;
  TIHTMLParser patterns;
  patterns.BuildTagTable = true;
  patterns.ParseWide(u"<span class=a><span class=c>");  // a pair of patterns
  TIHTMLParser& own = builder.OwnParser();
  own.BuildTagTable = true;
  own.ParseWide(u"<span class=a id=x>one<span class=c>two<span class=b>three<span class=a>four<span class=c>five");
  // A page tag matches with more attributes than the pattern, never with
  // another value; a missing pair leaves the cursor where it was.
  builder.SetCommentCursor(0);
  EXPECT_EQ(builder.StringBetweenTwoTagsInHTML(patterns.Tags[0], patterns.Tags[1]), u"one");
  EXPECT_EQ(builder.CommentCursor(), 1);
  EXPECT_EQ(builder.StringBetweenTwoTagsInHTML(patterns.Tags[0], patterns.Tags[1]), u"four");
  EXPECT_EQ(builder.StringBetweenTwoTagsInHTML(patterns.Tags[0], patterns.Tags[1]), u"");
  EXPECT_EQ(builder.CommentCursor(), 4);
}

}  // namespace
}  // namespace kestrune
