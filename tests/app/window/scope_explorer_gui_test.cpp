// The search-scope explorer on the loopback server's scope page, under a
// virtual X display: real clicks in the served page.
#include "app/window/scope_explorer.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "app/connect_probe.h"
#include "app/kestrune_session.h"
#include "app/window/apply_language.h"
#include "app/window/forms.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "tests/app/window/browser_eval.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using namespace std::chrono_literals;
using test::Eval;
using test::HttpReply;

const char kPage[] =
    "<html><body style='margin:0'>"
    "<p><a id='birds' href='/files/birds.kqp' style='display:block;width:300px;height:40px'>Birds</a></p>"
    "<p><a id='slow' href='/files/slow.kqp' style='display:block;width:300px;height:40px'>Slow</a></p>"
    "<p><a id='about' href='/about.html' style='display:block;width:300px;height:40px'>About</a></p>"
    "</body></html>";

bool WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QTest::qWait(10);
  }
  return true;
}

// The explorer shown on the loopback server's scope page.
struct Explorer {
  test::TempDir dir;
  test::ScopedEnv config{"KESTRUNE_CONFIG_HOME", dir.Path() + "config"};
  test::ScopedEnv cache{"XDG_CACHE_HOME", dir.Path() + "cache"};
  // Without keep-alive: the browser's idle connection would hold the server's
  // end for seconds.
  test::LoopbackHttpServer server{test::LoopbackHttpServer::Options{.keepAlive = false}};
  std::string target = dir.Path() + "Projects/";
  std::unique_ptr<Texploreform> form;

  Explorer() {
    std::filesystem::create_directories(target);
    {
      platform::SettingsStore store;
      EXPECT_TRUE(store.OpenKey(kSettingsKey, true));
      store.WriteString(kUpdateServerValue, server.HostAndPort());
    }
    server.Route("/searchscopes/?lang=pt-BR", HttpReply::Html(kPage));
    server.Route("/files/birds.kqp", HttpReply::Text("FPKP birds").DelayHead(400ms));
    server.Route("/files/slow.kqp", HttpReply::Text(std::string(20 * 1024, 'k')).Slow(1024, 50ms));
    server.Route("/about.html", HttpReply::Html("<html><body>About</body></html>"));
    form = std::make_unique<Texploreform>([] { return std::string("pt-BR"); });
    ApplyBuiltInLanguage(*form);
    form->TargetFolder = platform::Utf8ToUtf16(target);
    form->show();
    form->activateWindow();
    EXPECT_TRUE(form->EmbeddedWB1->WaitForComplete(20000));
    EXPECT_TRUE(WaitUntil([&] { return Eval(*form->EmbeddedWB1, "document.getElementById('about') != null").toBool(); },
                          5000));
  }
  // A real click on the page's element.
  void Click(const char* id) {
    const QVariantList box =
        Eval(*form->EmbeddedWB1,
             QString("(function(){var r=document.getElementById('%1').getBoundingClientRect();"
                     "return [r.left + r.width / 2, r.top + r.height / 2];})()")
                 .arg(id))
            .toList();
    ASSERT_EQ(box.size(), 2);
    QWidget* surface = form->EmbeddedWB1->focusProxy();
    ASSERT_NE(surface, nullptr);
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(box[0].toInt(), box[1].toInt()));
  }
  // Clicks until `done` holds: the page may take input only once it is
  // painted.
  bool ClickUntil(const char* id, const std::function<bool()>& done) {
    for (int tries = 0; tries < 10; ++tries) {
      Click(id);
      if (WaitUntil(done, 500)) return true;
    }
    return false;
  }
  bool Requested(const std::string& target) const {
    for (const auto& r : server.Requests()) {
      if (r.target == target) return true;
    }
    return false;
  }
  std::vector<std::string> Saved() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(target)) names.push_back(entry.path().filename());
    return names;
  }
};

TEST(Texploreform, AClickDownloadsAProject) {
  Explorer e;
  EXPECT_TRUE(e.Requested("/searchscopes/?lang=pt-BR"));
  EXPECT_EQ(e.form->windowTitle(), "Search scopes");
  EXPECT_EQ(e.form->ibitmapButton1->text(), "Close");
  EXPECT_FALSE(e.form->TntLabel1->isVisible());

  ASSERT_TRUE(e.ClickUntil("birds", [&] { return e.form->TntLabel1->isVisible(); }));
  EXPECT_EQ(e.form->TntLabel1->text(), "Downloading birds.kqp");
  EXPECT_TRUE(e.form->ProgressBar1->isVisible());
  EXPECT_TRUE(e.form->TntButton1->isVisible());
  // While it runs, a click on an ordinary link does nothing.
  e.Click("about");
  ASSERT_TRUE(WaitUntil([&] { return !e.form->TntLabel1->isVisible(); }, 10000));
  EXPECT_FALSE(e.Requested("/about.html"));
  EXPECT_EQ(e.Saved(), std::vector<std::string>{"birds.kqp"});
  EXPECT_EQ(test::ReadFileBytes(e.target + "birds.kqp"), "FPKP birds");
  EXPECT_EQ(e.form->TntLabel1->text(), "Downloading");  // the caption back
  EXPECT_FALSE(DownloadRunning.load());
  // After the end, links work again; a second download of the name is numbered.
  e.Click("birds");
  ASSERT_TRUE(WaitUntil([&] { return e.Saved().size() == 2 && !DownloadRunning.load(); }, 10000));
  e.Click("about");
  EXPECT_TRUE(WaitUntil([&] { return e.Requested("/about.html"); }, 10000));
  EXPECT_TRUE(std::filesystem::exists(e.target + "birds(1).kqp"));
}

TEST(Texploreform, TheBarShowsTheDownloadNotThePage) {
  Explorer e;
  ASSERT_TRUE(e.ClickUntil("slow", [&] { return e.Requested("/files/slow.kqp"); }));
  // The page's own progress (the cancelled navigation ends at 100 %) leaves
  // the bar to the download, which takes about a second.
  std::vector<int> seen;
  WaitUntil([&] {
    if (DownloadRunning.load()) seen.push_back(e.form->ProgressBar1->value());
    return !DownloadRunning.load();
  }, 10000);
  ASSERT_GT(seen.size(), 10u);
  EXPECT_LT(seen[seen.size() / 2], 100);
  while (seen.back() == 0 && seen.size() > 1) seen.pop_back();  // the download's last word is 0
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << ::testing::PrintToString(seen);
}

TEST(Texploreform, ClosingAbortsTheDownload) {
  for (const char* how : {"cancel", "close", "escape"}) {
    SCOPED_TRACE(how);
    Explorer e;
    ASSERT_TRUE(e.ClickUntil("slow", [&] { return e.Requested("/files/slow.kqp"); }));
    ASSERT_TRUE(DownloadRunning.load());
    if (std::string(how) == "cancel") {
      QTest::mouseClick(e.form->TntButton1, Qt::LeftButton);
    } else if (std::string(how) == "close") {
      QTest::mouseClick(e.form->ibitmapButton1, Qt::LeftButton);
    } else {
      QTest::keyClick(e.form.get(), Qt::Key_Escape);
    }
    EXPECT_TRUE(WaitUntil([&] { return !DownloadRunning.load(); }, 500));
    EXPECT_EQ(e.form->isVisible(), std::string(how) == "cancel");
    EXPECT_TRUE(e.Saved().empty());
  }
}

TEST(Texploreform, LanguageFolderOfTheSession) {
  test::TempDir dir;
  TKestruneSession session(dir.WPath());
  const struct {
    int32_t lang;
    const char* folder;
    const char* expected;
  } cases[] = {
      {1049, "ru", "ru"}, {1049, "pt BR", "pt BR"}, {1049, "", "en"},     {1049, "..", "en"},
      {1049, "r/u", "en"}, {1049, "r\\u", "en"},   {1049, "r\nu", "en"}, {1031, "ru", "eng"},  // no match: English
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    session.Config.InterfaceLang = c.lang;
    session.Start.LngHeaders = {{"English", 9, 1250, "", "eng", "english.lng"}, {"Russian", 1049, 1251, "", c.folder, "r.lng"}};
    EXPECT_EQ(session.LangFolderName(), c.expected);
  }
}

}  // namespace
}  // namespace kestrune
