#include "app/window/embedded_browser.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "tests/app/window/browser_eval.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::Eval;

// A shown browser control with a template folder and a private cache folder.
struct Browser {
  test::TempDir dir;
  test::ScopedEnv cache{"XDG_CACHE_HOME", dir.Path() + "cache"};
  std::string templates = dir.Path() + "templates/en/";
  TEmbeddedBrowser view;
  int completed = 0;

  Browser() {
    std::filesystem::create_directories(templates);
    view.SetTemplateFolder(QString::fromStdString(templates).toStdU16String());
    view.OnDocumentComplete = [this](bool) { ++completed; };
    view.resize(800, 600);
    view.show();
  }
  void Write(const std::string& page) {
    view.WriteHtml(QString::fromUtf8(page).toStdU16String());
    ASSERT_TRUE(view.WaitForComplete(20000));
  }
  QString InTemplates(const char* name) const {
    return QUrl::fromLocalFile(QString::fromStdString(templates) + name).toString();
  }
};

// Pages in one piece and through a file: their text, base address, the
// injected function, and scrolling (asked while loading) to the last element,
// whose id holds a quote and a backslash, then to the top.
TEST(EmbeddedBrowser, BlankThenWrittenPages) {
  for (size_t size : {size_t{10000}, size_t{3} << 20}) {
    SCOPED_TRACE(size);
    Browser b;
    b.view.NavigateBlank();
    EXPECT_EQ(b.view.ReadyState(), TEmbeddedBrowser::READYSTATE_LOADING);
    ASSERT_TRUE(b.view.WaitForComplete(10000));
    std::string page = "<!DOCTYPE html><html><head></head><body><p id=\"mark\">\xd0\x9a\xd0\xbb \xe2\x82\xac</p>";
    while (page.size() < size) page += "<p>lorem ipsum dolor sit amet, consectetur adipiscing elit</p>\n";
    b.view.WriteHtml(QString::fromStdString(page + "<a id='q\"\\' href=\"next.html\">next</a><img src=\"dot.png\">")
                         .toStdU16String());
    b.view.ScrollToAnchor(u"q\"\\");
    ASSERT_TRUE(b.view.WaitForComplete(20000));
    EXPECT_EQ(b.completed, 2);
    EXPECT_EQ(Eval(b.view, "document.getElementById('mark').textContent").toString(),
              QString::fromUtf8("\xd0\x9a\xd0\xbb \xe2\x82\xac"));
    EXPECT_EQ(Eval(b.view, "document.links[0].href + ' ' + document.images[0].src").toString(),
              b.InTemplates("next.html") + " " + b.InTemplates("dot.png"));
    EXPECT_EQ(Eval(b.view, "typeof window.navigate").toString(), "function");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Eval(b.view, "window.scrollY > 2000").toBool(); }, 5000));
    b.view.ScrollToAnchor(u"");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Eval(b.view, "window.scrollY == 0").toBool(); }, 5000));
    const QString file = b.view.PageFile();
    EXPECT_EQ(file.isEmpty(), size < TEmbeddedBrowser::kLargePageBytes);
    if (!file.isEmpty()) {
      EXPECT_TRUE(file.startsWith(QString::fromStdString(b.dir.Path() + "cache/")));
      b.Write("<p>small</p>");  // the next page takes the file away
      EXPECT_FALSE(QFileInfo::exists(file));
    }
  }
}

// A link scrolled to stands a quarter of the control's height below the
// top: the first link whose href is the one asked for (quotes and all, given
// to the script as data), found also when the anchor names no element; a
// link the page lacks scrolls nowhere (ScrollToLink) or to the top
// (ScrollToAnchor).
TEST(EmbeddedBrowser, ScrollToLink) {
  const char* const target = "http://kestrunelastproject/\"1\"');alert('x";
  const struct {
    const char* name;
    bool anchor;      // through ScrollToAnchor
    const char* link;
    int expected;     // window.scrollY; -1: the place it had
  } cases[] = {
      {"a link with quotes", false, target, 3000 - 600 / 4},
      {"the anchor falls back to the link", true, target, 3000 - 600 / 4},
      {"a link the page lacks", false, "http://kestrunelastproject/9", -1},
      {"an anchor that is neither", true, "http://kestrunelastproject/9", 0},
  };
  Browser b;
  std::string page = "<!DOCTYPE html><html><body style='margin:0'>"
                     "<a style='display:block; height:10px' href='http://kestrunelastproject/0'>first</a>"
                     "<div style='height:2990px'></div>"
                     "<div style='position:relative; top:0'><a style='display:block; height:10px'"
                     " href='http://kestrunelastproject/&quot;1&quot;&#39;);alert(&#39;x'>quoted</a></div>"
                     "<div style='height:5000px'></div></body></html>";
  b.Write(page);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Eval(b.view, "window.scrollTo(0, 700); window.scrollY");
    const std::u16string link = QString::fromUtf8(c.link).toStdU16String();
    c.anchor ? b.view.ScrollToAnchor(link) : b.view.ScrollToLink(link);
    const int expected = c.expected < 0 ? 700 : c.expected;
    EXPECT_TRUE(QTest::qWaitFor([&] { return Eval(b.view, "window.scrollY").toInt() == expected; }, 5000))
        << Eval(b.view, "window.scrollY").toInt();
  }
}

TEST(EmbeddedBrowser, TheHookSeesThePagesNavigations) {
  const struct {
    const char* click;
    const char* url;  // without "http:": in the template folder
    bool allow;
  } cases[] = {
      {"link", "http://query/word", false},
      {"cmd", "http://kestruneaddtohistory/1", false},     // window.navigate
      {"blank", "http://kestrunesendlastquery/2", false},  // a new window
      {"local", "next.html", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.click);
    Browser b;
    test::WriteFileBytes(b.templates + "next.html", "<p id=\"mark\">next page</p>");
    std::vector<QUrl> asked;
    b.view.OnBeforeNavigate = [&](const QUrl& url, QWebEnginePage::NavigationType type, bool mainFrame) {
      EXPECT_EQ(type, QWebEnginePage::NavigationTypeLinkClicked);
      EXPECT_TRUE(mainFrame);
      asked.push_back(url);
      return c.allow;
    };
    b.Write(
        "<p id=\"mark\">results</p><a id=\"link\" href=\"http://query/word\">word</a>"
        "<a id=\"blank\" target=\"_blank\" href=\"http://kestrunesendlastquery/2\">again</a>"
        "<a id=\"local\" href=\"next.html\">next</a>"
        "<button id=\"cmd\" onclick=\"window.navigate('http://kestruneaddtohistory/1')\">add</button>");
    EXPECT_TRUE(asked.empty());  // the control's own load passes by the hook
    Eval(b.view, QString("document.getElementById('%1').click()").arg(c.click));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !asked.empty(); }, 5000));
    EXPECT_EQ(asked.front().toString(), c.allow ? b.InTemplates(c.url) : QString(c.url));
    if (c.allow) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return b.completed == 2; }, 10000));
    } else {
      QTest::qWait(300);  // the refused load's failure report comes and goes
    }
    EXPECT_EQ(b.completed, c.allow ? 2 : 1);
    EXPECT_EQ(b.view.ReadyState(), TEmbeddedBrowser::READYSTATE_COMPLETE);
    EXPECT_EQ(Eval(b.view, "document.getElementById('mark').textContent").toString(),
              c.allow ? "next page" : "results");
    EXPECT_EQ(asked.size(), 1u);
  }
}

}  // namespace
}  // namespace kestrune
