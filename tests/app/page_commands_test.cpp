#include "app/page_commands.h"

#include <gtest/gtest.h>

#include "search/query_url.h"

#include <string>
#include <utility>

namespace kestrune {
namespace {

const std::string kFolder = "file:///opt/Kestrune%20Search/templates/en/";

// One link of a page and what it asks; `page` > 0 for the rows that end on a
// page link: the rewrite to that page must classify as the page switch.
struct UrlCase {
  std::string url;
  TPageCommandRow row;
  int32_t number;
  std::u16string argument;
  int32_t page;
  std::string engine;

  UrlCase(std::string u, TPageCommandRow r, int32_t n = -1, std::u16string a = u"", int32_t p = 0,
          std::string e = "Google")
      : url(std::move(u)), row(r), number(n), argument(std::move(a)), page(p), engine(std::move(e)) {}
};

TEST(PageCommandsTest, ClassifyPageUrl_EveryRowAndHostileLinks) {
  const std::string f = kFolder;
  const UrlCase cases[] = {
      {f + "$update_link", kPageCmdUpdateLink},
      {"http://127.0.0.1:4664/redir?url=file%3A%2F%2F%2Fhome%2Fa+b.pdf&src=1&s=2", kPageCmdDesktopRedirect, -1,
       u"file:///home/a b.pdf", 0, "Google Desktop"},
      {"https://localhost/r?url=%2Fhome%2F%D0%B4.txt", kPageCmdDesktopRedirect, -1, u"/home/\u0434.txt", 0, "Local Search"},
      {"http://127.0.0.1:4664/redir?url=%2Fhome%2Fa.pdf", kPageCmdOpenInBrowser},  // another engine: not unwrapped
      {"http://127.0.0.1/r?url=%FF&src=1", kPageCmdOpenInBrowser, -1, u"", 0, "Google Desktop"},
      {"http://query/3", kPageCmdSelectScope, 3},
      {"HTTP://Query/12", kPageCmdSelectScope, 12},
      {"http://kestruneaddtohistory/", kPageCmdAddToHistory},
      {"http://kestrunedeletefromhistory/1", kPageCmdDeleteFromHistory, 1},
      {"http://kestruneupdatehistory/", kPageCmdUpdateHistory},
      {"http://kestrunesendlastquery/4", kPageCmdSendLastQuery, 4},
      {"http://kestrunelastproject/0", kPageCmdLastProject, 0},
      {"http://contextmenuannotation/%D1%81%D0%BB%D0%BE%D0%B2%D0%BE", kPageCmdContextMenuAnnotation, -1, u"слово"},
      {"http://contextmenuscope/2", kPageCmdContextMenuScope, 2},
      {"http://help/", kPageCmdHelp},
      {"http://help/x", kPageCmdOpenInBrowser},
      {f + "show_stop_words", kPageCmdShowStopWords},
      {f + "reanimate_stop_word7", kPageCmdReanimateStopWord, 7},
      {f + "ExcludeContextFile0", kPageCmdExcludeContextFile, 0, u"", 1},
      {f + "ExcludeContextFile10", kPageCmdExcludeContextFile, 10, u"", 1},
      {f + "ExcludeURL12", kPageCmdExcludeUrl, 12, u"", 2},
      {f + "deleted_filesExcludeURL12", kPageCmdExcludeUrl, 12, u"", 2},  // the earlier row wins
      {f + "AddToFavorites3", kPageCmdAddToFavorites, 3, u"", 1},
      {f + "DeleteFromFavorites3", kPageCmdDeleteFromFavorites, 3, u"", 1},
      {f + "ExcludeWord_%D1%82%D0%B5%D0%BF%D0%BB%D0%BE", kPageCmdExcludeWord, -1, u"тепло"},
      {f + "ExcludeWord_TCP%2FIP+x", kPageCmdExcludeWord, -1, u"TCP/IP+x"},
      {f + "ExcludeWord_ExcludeURL3", kPageCmdExcludeWord, -1, u"ExcludeURL3"},  // a word, no command
      {f + "deleted_files", kPageCmdDeletedFiles},
      {f + "GoToNormal", kPageCmdGoToNormal},
      {f + "deleted_sites", kPageCmdDeletedSites},
      {f + "news_links", kPageCmdNewLinks},
      {f + "old_links", kPageCmdOldLinks},
      {f + "favorites_links", kPageCmdFavoriteLinks},
      {f + "delete_all_oldlinks", kPageCmdDeleteAllOldLinks},
      {f + "delete_all_excluded_links", kPageCmdDeleteAllExcludedLinks},
      {f + "delete_all_excluded_sites", kPageCmdDeleteAllExcludedSites},
      {f + "RestoreLink4", kPageCmdRestoreLink, 4, u"", 1},
      {f + "RestoreSite14", kPageCmdRestoreSite, 14, u"", 2},
      {f + "edit_document?EditNumerLink=5&AddDocumentURL=x", kPageCmdEditSubmit, 5},
      {f + "EditLink5", kPageCmdEditLink, 5},
      {f + "AddNewDocument", kPageCmdAddNewDocument},
      {f + "show_all_new", kPageCmdShowAll},
      {f + "show_all_old", kPageCmdShowAll},
      {f + "show_all_fav", kPageCmdShowAll},
      {f + "cmap_announce_doc_add17", kPageCmdDocAdd, 17},
      {f + "cmap_announce_doc_remove17", kPageCmdDocRemove, 17},
      {f + "cmap_announce_doc_similar17", kPageCmdDocSimilar, 17},
      {f + "cmap_announce_doc_briefcase17", kPageCmdDocBriefcase, 17},
      {f + "cmap_announce_doc_url17", kPageCmdDocUrl, 17},
      {f + "toPage2", kPageCmdToPage, 2},
      {f + "toPage2#top", kPageCmdToPage, 2},
      {"file://localhost/opt/Kestrune Search/templates/en/toPage3", kPageCmdToPage, 3},
      {f + "cmap_cluster_url3", kPageCmdCluster, 3},
      {f + "CMAP_CLUSTER_URL30", kPageCmdCluster, 30},
      {f + "blank.html?addquery=heat+-cold+%D0%B4%D0%BE%D0%BC", kPageCmdAddQuery, -1, u"heat -cold дом"},
      {f + "blank.html?addquery=GoToNormal", kPageCmdAddQuery, -1, u"GoToNormal"},
      {"https://example.org/a?b=1", kPageCmdOpenInBrowser},
      {"ftp://files.example.org/x", kPageCmdOpenInBrowser},
      {"http://example.org/list?toPage=2", kPageCmdOpenInBrowser},
      {"http://example.org/old_links/ExcludeURL3", kPageCmdOpenInBrowser},
      {"mailto:friend%40example.org?subject=x", kPageCmdMail, -1, u"friend@example.org"},
      {"about:blank", kPageCmdGoAhead},
      // Hostile or malformed links.
      {"file:///etc/passwd", kPageCmdCancel},
      {"javascript:location='http://query/1'", kPageCmdCancel},
      {"data:text/html,<a href=toPage1>", kPageCmdCancel},
      {"java\tscript:alert(1)", kPageCmdCancel},
      {f + "../../../../tmp/GoToNormal", kPageCmdCancel},
      {f + "%2e%2E/../../x/show_stop_words", kPageCmdCancel},
      {"file://evil.example/opt/Kestrune%20Search/templates/en/toPage1", kPageCmdCancel},
      {"file:///opt/Kestrune%20Search/templates/english/toPage1", kPageCmdCancel},
      {"file:///opt/Kestrune%20Search/templates/toPage1", kPageCmdCancel},
      {f + "blank.html", kPageCmdCancel},
      {f + "toPage", kPageCmdCancel},
      {f + "toPage2x", kPageCmdCancel},
      {f + "toPage-1", kPageCmdCancel},
      {f + "toPage0x1A", kPageCmdCancel},
      {f + "toPage2147483648", kPageCmdCancel},
      {f + "ExcludeURL3old_links", kPageCmdCancel},
      {f + "ExcludeWord_%FF", kPageCmdCancel},
      {f + "ExcludeWord_%C0%AF", kPageCmdCancel},  // an overlong "/"
      {f + "blank.html?addquery=%C0%AE%C0%AE", kPageCmdCancel},
      {"http://contextmenuannotation/%E0%80%AF", kPageCmdCancel},
      {"http://query/abc", kPageCmdCancel},
      {"http://kestrunelastproject/+1", kPageCmdCancel},
      {"http:example.org", kPageCmdCancel},
  };
  for (const UrlCase& c : cases) {
    SCOPED_TRACE(c.url);
    const TPageUrlContext context{kFolder, c.engine, false};
    const TPageCommand command = ClassifyPageUrl(c.url, context);
    EXPECT_EQ(command.Row, c.row);
    if (command.Row != c.row) continue;
    EXPECT_EQ(command.Number, c.number);
    EXPECT_EQ(command.Argument, c.argument);
    if (command.Row == kPageCmdCancel) {
      EXPECT_FALSE(command.Reason.empty());
    }
    EXPECT_EQ(command.Rewrite.empty(), c.page == 0);
    if (c.page == 0) continue;
    const TPageCommand next = ClassifyPageUrl(command.RewriteUrl(c.page), context);
    EXPECT_EQ(next.Row, kPageCmdToPage);
    EXPECT_EQ(next.Number, c.page);
  }
}

TEST(PageCommandsTest, ClassifyPageUrl_DocumentFormFields) {
  const std::string form = kFolder + "edit_document?EditNumerLink=";
  struct Case {
    std::string query;
    TPageCommandRow row;
    int32_t number;
    TPageDocumentForm fields;
  } cases[] = {
      {"-1&AddDocumentURL=http%3A%2F%2Fex.org%2F%3Fa%3D1%26b&AddDocumentTitle=A+%D1%8F+old_links"
       "&AddDocumentAnnotation=x%26AddDocumentTitle%3Dy&AddDocumentSubmit=Save",
       kPageCmdEditSubmit, -1, {false, u"http://ex.org/?a=1&b", u"A я old_links", u"x&AddDocumentTitle=y"}},
      {"3&AddDocumentTitle=first&AddDocumentTitle=second", kPageCmdEditSubmit, 3, {false, u"", u"first", u""}},
      {"x&AddDocumentURL=u&AddDocumentCancel=Cancel", kPageCmdEditSubmit, -1, {true, u"u", u"", u""}},
      {"x&AddDocumentSubmit=Save", kPageCmdCancel, -1, {}},
      {"-2", kPageCmdCancel, -1, {}},
      {"1&AddDocumentTitle=%C0", kPageCmdCancel, -1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    const TPageCommand command = ClassifyPageUrl(form + c.query, {kFolder, "", false});
    EXPECT_EQ(command.Row, c.row);
    EXPECT_EQ(command.Number, c.number);
    EXPECT_EQ(command.Form.Cancelled, c.fields.Cancelled);
    EXPECT_EQ(command.Form.Url, c.fields.Url);
    EXPECT_EQ(command.Form.Title, c.fields.Title);
    EXPECT_EQ(command.Form.Annotation, c.fields.Annotation);
  }
}

TEST(PageCommandsTest, ClassifyPageUrl_OwnLoadsGoAheadAndNoFolderMeansNoLocalLink) {
  EXPECT_EQ(ClassifyPageUrl("file:///tmp/page-1.html", {kFolder, "", true}).Row, kPageCmdGoAhead);
  EXPECT_EQ(ClassifyPageUrl("data:text/html;charset=UTF-8,x", {kFolder, "", true}).Row, kPageCmdGoAhead);
  EXPECT_EQ(ClassifyPageUrl("file:///toPage1", {"", "", false}).Row, kPageCmdCancel);
  EXPECT_EQ(ClassifyPageUrl("file:///a/toPage1", {"http://a/", "", false}).Row, kPageCmdCancel);
  // A base URL naming the page's file: its folder counts.
  EXPECT_EQ(ClassifyPageUrl("file:///a/b/toPage4", {"file:///a/b/blank.html", "", false}).Number, 4);
}

TEST(PageCommandsTest, PercentDecodeToWide_ReadsBothUtf8FormsNotOverlongOnes) {
  struct Case {
    std::string text;
    bool plus;
    bool ok;
    std::u16string wide;
  } cases[] = {
      {"", false, true, u""},
      {"a+b%20c", false, true, u"a+b c"},
      {"a+b%20c", true, true, u"a b c"},
      {"%zz%4%", false, true, u"%zz%4%"},
      {"%F0%9F%98%80", false, true, u"\U0001F600"},        // standard UTF-8
      {"%ED%A0%BD%ED%B8%80", false, true, u"\U0001F600"},  // unit by unit
      {"%FF", false, false, u""},
      {"%E2%82", false, false, u""},
      // Overlong forms: a unit that a shorter sequence writes.
      {"%C0%AF", false, false, u""},
      {"%C1%BF", false, false, u""},
      {"%E0%80%AF", false, false, u""},
      {"%E0%9F%BF", false, false, u""},
      {"%80%AF", false, false, u""},
      {"a%C0%80b", false, false, u""},
      {"%C2%A0%E0%A0%80", false, true, u"\u00A0\u0800"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::u16string wide = u"stale";
    EXPECT_EQ(PercentDecodeToWide(c.text, wide, c.plus), c.ok);
    EXPECT_EQ(wide, c.wide);
  }
}

}  // namespace
}  // namespace kestrune
