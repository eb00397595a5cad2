// The result page in the main window's browser control: a command link of a
// real page reaches the session, a web link goes to the user's browser while
// the page stays, a page of 3 MB shows, and the page is scrolled to the
// pending anchor.
#include <gtest/gtest.h>

#include <QTest>
#include <QVariant>
#include <filesystem>

#include "tests/app/window/main_window_fixture.h"
#include "tests/app/page_session.h"

namespace kestrune {
namespace {

// A shown window over a program folder with the English page templates, and
// a project of `documents` documents "http://dN/" titled "alpha wN" on the
// page for the query "alpha".
struct TPageWindow : test::TWindow {
  explicit TPageWindow(int32_t documents, std::u16string_view annotation = u"")
      : TWindow([](test::TestProgram& p) {
          std::filesystem::copy(std::string(KESTRUNE_SOURCE_DIR) + "/data/templates/en", p.Program() + "templates/en",
                                std::filesystem::copy_options::overwrite_existing |
                                    std::filesystem::copy_options::recursive);
        }) {
    TKestruneSession& s = *session;
    s.Opener = &opener;
    std::vector<test::TDoc> docs;
    for (int32_t i = 0; i < documents; ++i) {
      docs.push_back({"http://d" + std::to_string(i) + "/", u"alpha w" + platform::Utf8ToUtf16(std::to_string(i))});
    }
    test::AddDocuments(s, docs);
    for (TMetaSearchList& document : s.Project.Documents) document.Annotation = annotation;
    test::SetWords(s, kKindQuery, u"alpha");
    s.ContentMapReGenerate();
  }
  // The page written last has loaded.
  bool Loaded() {
    return QTest::qWaitFor(
        [this] { return !session->Results.PageNotWritten && window->EmbeddedWB1->ReadyState() == TEmbeddedBrowser::READYSTATE_COMPLETE; },
        20000);
  }
  QVariant Script(const QString& script) {
    QVariant result;
    bool done = false;
    window->EmbeddedWB1->page()->runJavaScript(script, [&](const QVariant& value) {
      result = value;
      done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
    return result;
  }
  bool PageHolds(const QString& text) {
    return Script("document.body.innerText.indexOf(" + QString("'%1'").arg(text) + ") >= 0").toBool();
  }

  test::TRecordingOpener opener;
};

TEST(ResultPage, ACommandLinkOfThePageReachesTheSession) {
  TPageWindow w(12);
  w.session->ShowResults(-2, 0);
  ASSERT_TRUE(w.Loaded());
  EXPECT_TRUE(w.PageHolds("alpha w9"));
  w.Script("document.querySelector('a[href=\"toPage2\"]').click(); 1");
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.session->Results.ResultPageNumber == 2; }, 10000));
  ASSERT_TRUE(w.Loaded());
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.PageHolds("alpha w11"); }, 10000));
  EXPECT_FALSE(w.PageHolds("alpha w9"));

  // A document made a favourite from its link.
  w.Script("document.querySelector('a[href$=\"AddToFavorites11\"]').click(); 1");
  EXPECT_TRUE(QTest::qWaitFor([&] { return (w.session->Project.Documents[11].Flags & 1) != 0; }, 10000));
}

TEST(ResultPage, AWebLinkOpensOutsideAndThePageStays) {
  TPageWindow w(3);
  w.session->ShowResults(-2, 0);
  ASSERT_TRUE(w.Loaded());
  const QUrl shown = w.window->EmbeddedWB1->page()->url();
  w.Script("document.querySelector('a[href=\"http://d1/\"]').click(); 1");
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.opener.urls.size() == 1; }, 10000));
  EXPECT_EQ(w.opener.urls[0], u"http://d1/");
  QTest::qWait(200);
  EXPECT_EQ(w.window->EmbeddedWB1->page()->url(), shown);
  EXPECT_EQ(w.window->EmbeddedWB1->ReadyState(), TEmbeddedBrowser::READYSTATE_COMPLETE);
  EXPECT_TRUE(w.PageHolds("alpha w1"));
}

TEST(ResultPage, APageOfThreeMegabytesShows) {
  TPageWindow w(0);
  std::u16string html = u"<html><body>";
  while (html.size() < 3'000'000) html += u"<p>Kestrune result page filler text, line after line.</p>\n";
  html += u"<p id=\"end\">the end</p></body></html>";
  w.session->Results.WritePage(html);
  ASSERT_TRUE(w.Loaded());
  EXPECT_FALSE(w.window->EmbeddedWB1->PageFile().isEmpty());
  EXPECT_TRUE(w.Script("document.getElementById('end') !== null").toBool());
}

TEST(ResultPage, ThePendingAnchorIsScrolledIntoView) {
  std::u16string annotation;
  for (int i = 0; i < 60; ++i) annotation += u"a long annotation of words ";
  TPageWindow w(30, annotation);
  TKestruneSession& s = *w.session;
  s.Results.ResultPageNumber = 3;
  s.Results.ScrollAnchor = s.Results.PageList[26].Url;
  s.ShowResults(-2, 0);
  ASSERT_TRUE(w.Loaded());
  const QString inView =
      "(function() { var e = document.getElementsByName('" + QString::fromStdString(s.Results.PageList[26].Url) +
      "')[0]; if (!e) return false; var r = e.getBoundingClientRect();"
      " return window.scrollY > 0 && r.top >= 0 && r.top < window.innerHeight; })()";
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Script(inView).toBool(); }, 10000));
  EXPECT_TRUE(s.Results.ScrollAnchor.empty());
}

TEST(ResultPage, CommandLinksActOnAPageOfAnotherTemplateFolder) {
  TPageWindow w(12);
  TKestruneSession& s = *w.session;
  const std::string other = w.program.Program() + "templates/xx/";
  std::filesystem::copy(w.program.Program() + "templates/en", other, std::filesystem::copy_options::recursive);
  s.Results.PageResults.TemplateLanguage = s.Config.InterfaceLang;
  s.Results.PageResults.SetTemplatePath(other);
  s.ShowResults(-2, 0);
  ASSERT_TRUE(w.Loaded());
  w.Script("document.querySelector('a[href=\"toPage2\"]').click(); 1");
  EXPECT_TRUE(QTest::qWaitFor([&] { return s.Results.ResultPageNumber == 2; }, 10000));
}

TEST(ResultPage, UndoAndRedoButtonsMoveThroughTheSteps) {
  TPageWindow w(3);
  TKestruneSession& s = *w.session;
  s.SaveKeysUndoState();
  test::SetWords(s, kKindQuery, u"w1");
  ASSERT_TRUE(w.window->IBitmapButtonUndo->isEnabled());
  w.window->IBitmapButtonUndo->click();
  EXPECT_EQ(test::KeysText(s, kKindQuery), "alpha=1");
  ASSERT_TRUE(w.window->IBitmapButtonRedo->isEnabled());
  w.window->IBitmapButtonRedo->click();
  EXPECT_EQ(test::KeysText(s, kKindQuery), "w1=1");
}

}  // namespace
}  // namespace kestrune
