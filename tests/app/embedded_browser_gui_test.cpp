#include "app/window/embedded_browser.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

// The page's answer to a script; an invalid value after 5 s.
QVariant Eval(TEmbeddedBrowser& browser, const QString& script) {
  QVariant result;
  bool done = false;
  QEventLoop loop;
  browser.page()->runJavaScript(script, [&](const QVariant& value) {
    result = value;
    done = true;
    loop.quit();
  });
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  if (!done) loop.exec();
  return result;
}

bool EvalUntil(TEmbeddedBrowser& browser, const QString& script) {
  return QTest::qWaitFor([&] { return Eval(browser, script).toBool(); }, 5000);
}

// A browser control with a template folder and a private cache folder.
struct BrowserFixture {
  test::TempDir dir;
  test::ScopedEnv cache{"XDG_CACHE_HOME", dir.Path() + "cache"};
  std::string templates = dir.Path() + "templates/en/";
  std::unique_ptr<TEmbeddedBrowser> browser;
  int completed = 0;

  BrowserFixture() {
    std::filesystem::create_directories(templates);
    browser = std::make_unique<TEmbeddedBrowser>();
    browser->SetTemplateFolder(std::u16string(templates.begin(), templates.end()));
    browser->OnDocumentComplete = [this](bool) { ++completed; };
    browser->resize(800, 600);
    browser->show();
  }
  void Write(const std::string& utf8Page) {
    browser->WriteHtml(QString::fromUtf8(utf8Page).toStdU16String());
    ASSERT_TRUE(browser->WaitForComplete(20000));
  }
};

TEST(EmbeddedBrowser, BlankPageReachesTheCompleteState) {
  BrowserFixture f;
  EXPECT_EQ(f.browser->ReadyState(), TEmbeddedBrowser::READYSTATE_UNINITIALIZED);
  f.browser->NavigateBlank();
  EXPECT_EQ(f.browser->ReadyState(), TEmbeddedBrowser::READYSTATE_LOADING);
  ASSERT_TRUE(f.browser->WaitForComplete(10000));
  EXPECT_EQ(f.browser->url().toString(), "about:blank");
  EXPECT_EQ(f.completed, 1);
}

TEST(EmbeddedBrowser, WrittenPages) {
  const struct {
    const char* name;
    size_t size;
    bool throughFile;
  } cases[] = {
      {"Small", 10000, false},
      {"JustBelowTheLimit", TEmbeddedBrowser::kLargePageBytes - 200, false},
      {"ThreeMegabytes", 3 << 20, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BrowserFixture f;
    std::string page =
        "<!DOCTYPE html><html><head><title>Results</title></head><body>"
        "<p id=\"mark\">\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87 \xc3\xa4 \xe2\x82\xac</p>";
    const std::string row = "<p>lorem ipsum dolor sit amet, consectetur adipiscing elit</p>\n";
    const std::string tail = "<a id=\"last\" href=\"next.html\">next</a><img src=\"dot.png\"></body></html>";
    while (page.size() + row.size() + tail.size() < c.size) page += row;
    page += tail;
    f.Write(page);
    EXPECT_EQ(f.browser->ReadyState(), TEmbeddedBrowser::READYSTATE_COMPLETE);
    EXPECT_EQ(f.completed, 1);
    const QString folder = QUrl::fromLocalFile(QString::fromStdString(f.templates)).toString();
    EXPECT_EQ(Eval(*f.browser, "document.getElementById('mark').textContent").toString(),
              QString::fromUtf8("\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87 \xc3\xa4 \xe2\x82\xac"));
    EXPECT_EQ(Eval(*f.browser, "document.getElementById('last').href").toString(), folder + "next.html");
    EXPECT_EQ(Eval(*f.browser, "document.images[0].src").toString(), folder + "dot.png");
    EXPECT_EQ(Eval(*f.browser, "typeof window.navigate").toString(), "function");
    EXPECT_GT(Eval(*f.browser, "document.body.innerHTML.length").toLongLong(), static_cast<qlonglong>(c.size * 9 / 10));
    const QString file = f.browser->PageFile();
    EXPECT_EQ(!file.isEmpty(), c.throughFile);
    if (c.throughFile) {
      EXPECT_TRUE(file.startsWith(QString::fromStdString(f.dir.Path() + "cache/")));
      EXPECT_TRUE(QFileInfo::exists(file));
      f.Write("<p>small</p>");  // the next page takes the file away
      EXPECT_FALSE(QFileInfo::exists(file));
      EXPECT_TRUE(f.browser->PageFile().isEmpty());
    }
  }
}

TEST(EmbeddedBrowser, TheHookSeesThePagesNavigations) {
  const struct {
    const char* name;
    const char* script;
    const char* url;
    bool allow;
  } cases[] = {
      {"LinkClick", "document.getElementById('link').click()", "http://query/word", false},
      {"WindowNavigate", "document.getElementById('cmd').click()", "http://kestruneaddtohistory/1", false},
      {"LocationHref", "location.href = 'http://help/'", "http://help/", false},
      {"NewWindowLink", "document.getElementById('blank').click()", "http://kestrunesendlastquery/2", false},
      {"LetThrough", "document.getElementById('local').click()", "next.html", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BrowserFixture f;
    test::WriteFileBytes(f.templates + "next.html", "<title>Next</title><p id=\"next\">next page</p>");
    std::vector<QUrl> asked;
    std::vector<QWebEnginePage::NavigationType> types;
    f.browser->OnBeforeNavigate = [&](const QUrl& url, QWebEnginePage::NavigationType type, bool isMainFrame) {
      EXPECT_TRUE(isMainFrame);
      asked.push_back(url);
      types.push_back(type);
      return c.allow;
    };
    f.Write(
        "<p id=\"mark\">results</p><a id=\"link\" href=\"http://query/word\">word</a>"
        "<a id=\"blank\" target=\"_blank\" href=\"http://kestrunesendlastquery/2\">again</a>"
        "<a id=\"local\" href=\"next.html\">next</a>"
        "<button id=\"cmd\" onclick=\"window.navigate('http://kestruneaddtohistory/1')\">add</button>");
    EXPECT_TRUE(asked.empty());  // the control's own load passes by the hook
    Eval(*f.browser, c.script);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !asked.empty(); }, 5000));
    const QString expected = QString::fromUtf8(c.url).startsWith("http")
                                 ? QString::fromUtf8(c.url)
                                 : QUrl::fromLocalFile(QString::fromStdString(f.templates + c.url)).toString();
    EXPECT_EQ(asked.front().toString(), expected);
    EXPECT_EQ(types.front(), QWebEnginePage::NavigationTypeLinkClicked);
    if (c.allow) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return f.completed == 2; }, 10000));
      EXPECT_EQ(f.browser->ReadyState(), TEmbeddedBrowser::READYSTATE_COMPLETE);
      EXPECT_EQ(Eval(*f.browser, "document.getElementById('next').textContent").toString(), "next page");
    } else {
      QTest::qWait(300);  // the refused load's failure report has come and gone
      EXPECT_EQ(f.completed, 1);
      EXPECT_EQ(f.browser->ReadyState(), TEmbeddedBrowser::READYSTATE_COMPLETE);
      EXPECT_EQ(Eval(*f.browser, "document.getElementById('mark').textContent").toString(), "results");
    }
    EXPECT_EQ(asked.size(), 1u);
  }
}

TEST(EmbeddedBrowser, ScrollsToAnAnchorOrToTheTop) {
  BrowserFixture f;
  const std::string page =
      "<div style=\"height:5000px\">top</div><a name=\"far\">far</a>"
      "<div style=\"height:3000px\"></div><p id='q\"\\'>odd</p><div style=\"height:5000px\"></div>";
  // Asked while the page loads, the scroll waits for it.
  f.browser->WriteHtml(QString::fromUtf8(page).toStdU16String());
  f.browser->ScrollToAnchor(u"far");
  ASSERT_TRUE(f.browser->WaitForComplete(10000));
  EXPECT_TRUE(EvalUntil(*f.browser, "window.scrollY > 4500 && window.scrollY < 5100"));
  const struct {
    const char16_t* anchor;
    const char* expectation;
  } steps[] = {
      {u"", "window.scrollY == 0"},
      {u"q\"\\", "window.scrollY > 7500"},  // quote and backslash stay text
      {u"missing", "window.scrollY == 0"},
      {u"far", "window.scrollY > 4500 && window.scrollY < 5100"},
      {u"');window.scrollTo(0,1234);('", "window.scrollY == 0"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.expectation);
    f.browser->ScrollToAnchor(step.anchor);
    EXPECT_TRUE(EvalUntil(*f.browser, step.expectation));
  }
}

}  // namespace
}  // namespace kestrune
