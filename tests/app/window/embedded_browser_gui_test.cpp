#include "app/window/embedded_browser.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <set>

#include "tests/app/window/browser_eval.h"
#include "tests/support/loopback_http_server.h"
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


// What a page may fetch from a server: a page written from the template
// folder (in one piece or through a file) loads its remote pictures and
// nothing else remote (scripts, styles, frames, a script's own requests); its
// own scripts run. A server's page (the scope explorer's) loads all it names;
// a local page the control did not write loads nothing remote.
TEST(EmbeddedBrowser, WrittenPagesLoadRemotePicturesOnly) {
  enum Kind { kWritten, kWrittenLarge, kLocalFile, kServerPage };
  const std::set<std::string> all = {"/pic.png", "/script.js", "/style.css", "/frame.html", "/fetch.txt"};
  const struct {
    const char* name;
    Kind kind;
    std::set<std::string> fetched;
  } cases[] = {
      {"a written page", kWritten, {"/pic.png"}},
      {"a large written page", kWrittenLarge, {"/pic.png"}},
      {"a local page not written", kLocalFile, {}},
      {"a server's page", kServerPage, all},
  };
  QImage picture(3, 2, QImage::Format_RGB32);
  picture.fill(Qt::red);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::LoopbackHttpServer server{test::LoopbackHttpServer::Options{.keepAlive = false}};
    test::HttpReply image = test::HttpReply::Text(png.toStdString());
    image.contentType = "image/png";
    server.Route("/pic.png", image);
    server.Route("/script.js", test::HttpReply::Text("window.remoteScript = 1;"));
    server.Route("/style.css", test::HttpReply::Text("body { color: red }"));
    server.Route("/frame.html", test::HttpReply::Html("<p>frame</p>"));
    server.Route("/fetch.txt", test::HttpReply::Text("fetched"));
    const std::string u = server.Url("");
    std::string page = "<!DOCTYPE html><html><head><link rel='stylesheet' href='" + u + "/style.css'>"
                       "<script src='" + u + "/script.js'></script></head><body>"
                       "<img id='pic' src='" + u + "/pic.png'><iframe src='" + u + "/frame.html'></iframe>"
                       "<script>window.ownScript = 1; fetch('" + u + "/fetch.txt').catch(function () {});</script>";
    if (c.kind == kWrittenLarge) {
      while (page.size() < (size_t{3} << 20) / 2) page += "<p>lorem ipsum dolor sit amet</p>\n";
    }
    page += "</body></html>";
    Browser b;
    if (c.kind == kWritten || c.kind == kWrittenLarge) {
      b.Write(page);
      EXPECT_EQ(b.view.PageFile().isEmpty(), c.kind == kWritten);
    } else {
      std::string address = u + "/page.html";
      if (c.kind == kLocalFile) {
        test::WriteFileBytes(b.templates + "page.html", page);
        address = b.InTemplates("page.html").toStdString();
      } else {
        server.Route("/page.html", test::HttpReply::Html(page));
      }
      b.view.load(QUrl(QString::fromStdString(address)));
      ASSERT_TRUE(QTest::qWaitFor([&] { return b.completed == 1; }, 20000));
    }
    const bool picture = c.fetched.count("/pic.png") > 0;
    EXPECT_EQ(QTest::qWaitFor([&] { return Eval(b.view, "document.getElementById('pic').naturalWidth").toInt() == 3; },
                              picture ? 10000 : 500),
              picture);
    EXPECT_EQ(Eval(b.view, "window.ownScript + ' ' + typeof window.navigate").toString(), "1 function");
    QTest::qWait(300);  // the script's own request
    std::set<std::string> fetched;
    for (const auto& request : server.Requests()) {
      if (all.count(request.path)) fetched.insert(request.path);
    }
    EXPECT_EQ(fetched, c.fetched);
    EXPECT_EQ(Eval(b.view, "String(window.remoteScript)").toString(),
              c.kind == kServerPage ? "1" : "undefined");
  }
}

// A page written while the one before it still loads: the control is
// complete only once the newer page is there, and reports that once. The
// newer page is written at several moments of the older one's load (before
// Chromium has started it, as it starts, and a little later), a page in one
// piece and one through a file, the blank page among them.
TEST(EmbeddedBrowser, APageWrittenWhileAnotherLoadsIsTheOneCompleted) {
  std::string older = "<html><body id='older'>";
  for (int i = 0; i < 3000; ++i) older += "<p>the page written before</p>";
  older += "</body></html>";
  const struct {
    const char* name;
    bool waitForStart;  // the newer page is written once Chromium has started the older one
    int delayMs;        // ...and this much later
    size_t newerSize;   // the newer page's size: one piece or a file
    bool blankBetween;  // the blank page asked for between the two
  } cases[] = {
      {"at once", false, 0, 0, false},
      {"as it starts", true, 0, 0, false},
      {"5 ms in", true, 5, 0, false},
      {"20 ms in", true, 20, 0, false},
      {"through a file, as it starts", true, 0, TEmbeddedBrowser::kLargePageBytes + 1, false},
      {"blank between, as it starts", true, 0, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Browser b;
    QSignalSpy started(b.view.page(), &QWebEnginePage::loadStarted);
    for (int round = 0; round < 4; ++round) {
      SCOPED_TRACE(round);
      const int before = b.completed;
      started.clear();
      b.view.WriteHtml(QString::fromStdString(older).toStdU16String());
      if (c.waitForStart) ASSERT_TRUE(started.wait(10000) || !started.isEmpty());
      if (c.delayMs > 0) QTest::qWait(c.delayMs);
      if (c.blankBetween) b.view.NavigateBlank();
      std::string newer = "<html><body id='newer" + std::to_string(round) + "'><a href='http://d1/'>link</a>";
      while (newer.size() < c.newerSize) newer += "<p>the newer page</p>";
      b.view.WriteHtml(QString::fromStdString(newer + "</body></html>").toStdU16String());
      ASSERT_TRUE(b.view.WaitForComplete(20000));
      EXPECT_EQ(Eval(b.view, "document.body ? document.body.id : ''").toString().toStdString(),
                "newer" + std::to_string(round));
      EXPECT_EQ(b.completed - before, 1);
    }
  }
}

// A page whose picture's server accepts the connection and never answers
// never finishes loading; a page written after it (as a click on the map
// writes one) stops that load and is complete and shown, reported once: a
// page in one piece or through a file, the blank page, also after a link of
// the stalled page that the hook refused; one pair after the other in the
// same control.
TEST(EmbeddedBrowser, APageWrittenAfterOneWhosePictureNeverArrivesIsShown) {
  const struct {
    const char* name;
    bool stalledThroughFile;  // the page with the picture goes through a file
    size_t newerSize;         // the newer page's size: one piece or a file
    bool blank;               // the blank page asked for instead of a newer page
    bool refusedClick;        // a link of the stalled page refused first
  } cases[] = {
      {"a page", false, 0, false, false},
      {"the stalled page through a file", true, 0, false, false},
      {"a page through a file", false, TEmbeddedBrowser::kLargePageBytes + 1, false, false},
      {"the blank page", false, 0, true, false},
      {"after a refused link", false, 0, false, true},
  };
  test::LoopbackHttpServer server;
  server.Route("/x.png", test::HttpReply::Silent());
  Browser b;
  int refused = 0;
  b.view.OnBeforeNavigate = [&](const QUrl&, QWebEnginePage::NavigationType, bool) {
    ++refused;
    return false;
  };
  size_t asked = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = b.completed;
    std::string stalled = "<html><body id='stalled'><a id='link' href='http://query/word'>word</a><img src='" +
                          server.Url("/x.png") + "'>";
    while (c.stalledThroughFile && stalled.size() <= TEmbeddedBrowser::kLargePageBytes) stalled += "<p>the page</p>";
    b.view.WriteHtml(QString::fromStdString(stalled + "</body></html>").toStdU16String());
    // The picture is asked for: the page's load waits for it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.RequestCount() > asked; }, 20000));
    asked = server.RequestCount();
    ASSERT_EQ(b.view.ReadyState(), TEmbeddedBrowser::READYSTATE_LOADING);
    if (c.refusedClick) {
      Eval(b.view, "document.getElementById('link').click()");
      ASSERT_TRUE(QTest::qWaitFor([&] { return refused == 1; }, 5000));
    }
    std::string newer = "<html><body id='newer'><p>the newer page</p>";
    while (newer.size() < c.newerSize) newer += "<p>the newer page</p>";
    if (c.blank) {
      b.view.NavigateBlank();
    } else {
      b.view.WriteHtml(QString::fromStdString(newer + "</body></html>").toStdU16String());
    }
    ASSERT_TRUE(b.view.WaitForComplete(20000));
    const QVariant shown = Eval(b.view, "document.body && document.body.id ? document.body.id : location.href");
    EXPECT_EQ(shown.toString().toStdString(), c.blank ? "about:blank" : "newer");
    EXPECT_EQ(b.completed - before, 1);
  }
}

}  // namespace
}  // namespace kestrune
