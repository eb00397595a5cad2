#include "ui/connect.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/window/apply_language.h"
#include "search/http_read.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using namespace std::chrono_literals;

// Runs `act` once, as soon as the form is shown.
void WhenShown(TFConnect& form, std::function<void()> act) {
  auto* timer = new QTimer(&form);
  QObject::connect(timer, &QTimer::timeout, [timer, &form, act] {
    if (!form.isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act();
  });
  timer->start(5);
}

// Processes events until `done` or 10 s.
bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 10000); }

TEST(TFConnect, ComponentsAndEnglishCaptions) {
  TFConnect form;
  ApplyBuiltInLanguage(form);
  EXPECT_EQ(form.objectName(), "FConnect");
  EXPECT_EQ(form.windowTitle(), "Connect to proxy server");
  EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(form.TEdPassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form.TEdUName->echoMode(), QLineEdit::Normal);
  const struct {
    const char* name;
    const char* text;
  } components[] = {
      {"TLUName", "User name"},  {"TLPassword", "Password"}, {"TBOk", "OK"},
      {"TBCancel", "Cancel"},    {"TCBRemPasswd", "Remember my password"},
      {"TEdUName", ""},          {"TEdPassword", ""},
  };
  for (const auto& c : components) {
    QObject* child = form.findChild<QObject*>(c.name);
    ASSERT_NE(child, nullptr) << c.name;
    EXPECT_EQ(child->property("text").toString(), c.text) << c.name;
  }
  EXPECT_EQ(FConnect, &form);
}

enum class Act { kOk, kCancel, kEscape, kClose };

TEST(TFConnect, Answers) {
  const struct {
    const char* name;
    Act act;
    bool fromThread;
    bool ok;
    const char* result;
  } cases[] = {
      {"Ok", Act::kOk, false, true, "Ok"},
      {"Cancel", Act::kCancel, false, false, "Cancel"},
      {"Escape", Act::kEscape, false, false, "Cancel"},
      {"CloseBox", Act::kClose, false, false, "Cancel"},
      {"OkFromAnotherThread", Act::kOk, true, true, "Ok"},
      {"CancelFromAnotherThread", Act::kCancel, true, false, "Cancel"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir config;
    test::ScopedEnv configHome("KESTRUNE_CONFIG_HOME", config.Path());
    TFConnect form;
    form.TEdUName->setText("old user");
    form.TEdPassword->setText("old password");
    bool emptyWhenShown = false;
    WhenShown(form, [&] {
      emptyWhenShown = form.TEdUName->text().isEmpty() && form.TEdPassword->text().isEmpty() &&
                       form.DialogResult().empty();
      form.TEdUName->setText(QString::fromUtf8("K\xc3\xa4the"));  // keyClicks types ASCII only
      QTest::keyClicks(form.TEdPassword, "s3cr et");
      form.TCBRemPasswd->setChecked(true);
      switch (c.act) {
        case Act::kOk: QTest::mouseClick(form.TBOk, Qt::LeftButton); break;
        case Act::kCancel: QTest::mouseClick(form.TBCancel, Qt::LeftButton); break;
        case Act::kEscape: QTest::keyClick(&form, Qt::Key_Escape); break;
        case Act::kClose: form.close(); break;
      }
    });
    std::string user = "x", password = "y";
    bool ok = false;
    if (c.fromThread) {
      std::atomic<bool> done{false};
      std::thread probe([&] {
        ok = form.AskProxyLogin(user, password);
        done = true;
      });
      EXPECT_TRUE(WaitFor([&] { return done.load(); }));
      probe.join();
    } else {
      ok = form.AskProxyLogin(user, password);
    }
    EXPECT_TRUE(emptyWhenShown);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(form.DialogResult(), c.result);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(user, c.ok ? "K\xc3\xa4the" : "x");
    EXPECT_EQ(password, c.ok ? "s3cr et" : "y");
    // "Remember my password" stores nothing.
    EXPECT_TRUE(std::filesystem::is_empty(config.Path()));
  }
}

TEST(TFConnect, AFormShownAlreadyIsNotAskedAgain) {
  TFConnect form;
  bool nested = true;
  WhenShown(form, [&] {
    std::string user, password;
    nested = form.AskProxyLogin(user, password);
    form.TBOkClick();
  });
  std::string user, password;
  EXPECT_TRUE(form.AskProxyLogin(user, password));
  EXPECT_FALSE(nested);
}

TEST(TFConnect, ItsEndReleasesAWaitingThread) {
  auto* form = new TFConnect;
  std::atomic<int> answer{-1};
  std::thread probe([&] {
    std::string user, password;
    answer = form->AskProxyLogin(user, password) ? 1 : 0;
  });
  WhenShown(*form, [form] { form->deleteLater(); });
  EXPECT_TRUE(WaitFor([&] { return answer.load() >= 0; }));
  probe.join();
  EXPECT_EQ(answer.load(), 0);
  EXPECT_EQ(FConnect, nullptr);
}

// The probe on another thread asks the form, as the update check does: the
// proxy gets the login typed on the user-interface thread.
TEST(TFConnect, PromptsAProbeOnAnotherThread) {
  test::TempDir config;
  test::ScopedEnv configHome("KESTRUNE_CONFIG_HOME", config.Path());
  test::LoopbackHttpServer server;
  test::ScopedEnv proxy("http_proxy", server.Url(""));
  test::ScopedEnv noProxy("no_proxy", "");
  server.SetFallback([](const test::HttpRequestRecord& r) {
    if (r.Header("Proxy-Authorization") == "Basic a2VuOnNlY3JldA==") return test::HttpReply::Text("ok");
    return test::HttpReply::Status(407).WithHeader("Proxy-Authenticate", "Basic realm=\"gate\"");
  });
  SetProxyCredentials("", "");
  TConnectProbe probe;
  probe.TimeoutMs = 5000;
  {
    TFConnect form(&probe);
    EXPECT_EQ(probe.Prompt.load(), &form);
    int shown = 0;
    std::function<void()> answer = [&] {
      ++shown;
      QTest::keyClicks(form.TEdUName, "ken");
      QTest::keyClicks(form.TEdPassword, shown == 1 ? "guess" : "secret");
      QTest::keyClick(form.TEdPassword, Qt::Key_Return);  // OK is the default button
      if (shown == 1) WhenShown(form, answer);
    };
    WhenShown(form, answer);
    std::atomic<bool> done{false};
    std::thread check([&] {
      probe.TestConnection();
      done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return done.load(); }));
    check.join();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(probe.ConnectState.load(), 1);
    EXPECT_EQ(probe.ProxyUser(), "ken");
    EXPECT_EQ(probe.ProxyPassword(), "secret");
  }
  EXPECT_EQ(probe.Prompt.load(), nullptr);
  SetProxyCredentials("", "");
}

}  // namespace
}  // namespace kestrune
