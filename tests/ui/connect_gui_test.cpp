#include "ui/connect.h"

#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/window/apply_language.h"
#include "core/message_strings.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/form_test_support.h"

namespace kestrune {
namespace {

using test::WhenShown;

TEST(TFConnect, ComponentsAndEnglishCaptions) {
  TConnectProbe probe;
  auto form = std::make_unique<TFConnect>(&probe);
  EXPECT_EQ(probe.Prompt.load(), form.get());
  ApplyBuiltInLanguage(*form);
  EXPECT_EQ(FConnect, form.get());
  EXPECT_EQ(form->windowTitle(), "Connect to proxy server");
  EXPECT_EQ(form->TEdPassword->echoMode(), QLineEdit::Password);
  // clang-format off
  const std::pair<const char*, const char*> texts[] = {
      {"TLUName", "User name"}, {"TLPassword", "Password"}, {"TBOk", "OK"}, {"TBCancel", "Cancel"},
      {"TCBRemPasswd", "Remember my password"}, {"TEdUName", ""}, {"TEdPassword", ""}};
  // clang-format on
  for (const auto& [name, text] : texts) {
    QObject* component = form->findChild<QObject*>(name);
    ASSERT_NE(component, nullptr) << name;
    EXPECT_EQ(component->property("text").toString(), text) << name;
  }
  form.reset();
  EXPECT_EQ(probe.Prompt.load(), nullptr);
  EXPECT_EQ(FConnect, nullptr);
}

TEST(TFConnect, Answers) {
  enum Act { kOk, kCancel, kEscape };
  const struct {
    Act act;
    bool fromThread;
    const char* result;
    bool refused;  // asked again after the proxy refused a login: the form says so
  } cases[] = {{kOk, false, "Ok", false},
               {kCancel, false, "Cancel", true},
               {kEscape, false, "Cancel", false},
               {kOk, true, "Ok", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.result + std::string(c.fromThread ? " from another thread" : ""));
    test::TempDir config;
    test::ScopedEnv configHome("KESTRUNE_CONFIG_HOME", config.Path());
    TFConnect form;
    form.TEdPassword->setText("old password");
    bool emptyWhenShown = false, askedWhileShown = true, refusalShown = !c.refused;
    WhenShown(form, [&] {
      emptyWhenShown = form.TEdPassword->text().isEmpty() && form.DialogResult().empty();
      refusalShown = form.TLRefused->isVisible() &&
                     form.TLRefused->text() == QString::fromStdU16String(MessageStrings.smProxyLoginRefused);
      std::string u, p;
      askedWhileShown = form.AskProxyLogin(u, p, false);
      form.TEdUName->setText(QString::fromUtf8("K\xc3\xa4the"));
      QTest::keyClicks(form.TEdPassword, "s3cr et");
      form.TCBRemPasswd->setChecked(true);
      if (c.act == kOk) QTest::keyClick(form.TEdPassword, Qt::Key_Return);  // OK is the default button
      if (c.act == kCancel) QTest::mouseClick(form.TBCancel, Qt::LeftButton);
      if (c.act == kEscape) QTest::keyClick(&form, Qt::Key_Escape);
    });
    std::string user = "x", password = "y";
    std::atomic<int> ok{-1};
    std::thread probe;
    if (c.fromThread) {
      probe = std::thread([&] { ok = form.AskProxyLogin(user, password, c.refused); });
      EXPECT_TRUE(QTest::qWaitFor([&] { return ok >= 0; }, 10000));
      probe.join();
    } else {
      ok = form.AskProxyLogin(user, password, c.refused);
    }
    EXPECT_TRUE(emptyWhenShown);
    EXPECT_EQ(refusalShown, c.refused);
    EXPECT_FALSE(askedWhileShown);
    EXPECT_EQ(ok, c.act == kOk);
    EXPECT_EQ(form.DialogResult(), c.result);
    EXPECT_EQ(user + "/" + password, c.act == kOk ? "K\xc3\xa4the/s3cr et" : "x/y");
    EXPECT_TRUE(std::filesystem::is_empty(config.Path()));  // "Remember my password" stores nothing
  }
}

TEST(TFConnect, ItsEndReleasesAWaitingThread) {
  auto* form = new TFConnect;
  std::atomic<int> ok{-1};
  std::thread asking([&] {
    std::string user, password;
    ok = form->AskProxyLogin(user, password, false);
  });
  WhenShown(*form, [form] { form->deleteLater(); });
  EXPECT_TRUE(QTest::qWaitFor([&] { return ok >= 0; }, 10000));
  asking.join();
  EXPECT_EQ(ok, 0);
}

// CancelProxyLogin answers a question that waits in the queue without the
// user-interface thread (which may be joining the asking thread) and closes
// one that shows; a question after that is asked as usual.
TEST(TFConnect, CancelAnswersAQueuedOrShowingQuestion) {
  TFConnect form;
  for (const bool showing : {false, true}) {
    SCOPED_TRACE(showing ? "showing" : "queued");
    std::atomic<int> ok{-1};
    std::string user = "x", password;
    std::thread asking([&] { ok = form.AskProxyLogin(user, password, false); });
    if (showing) {
      // The form's modal loop runs inside the wait; the cancel comes from it.
      WhenShown(form, [&] { form.CancelProxyLogin(); });
      EXPECT_TRUE(QTest::qWaitFor([&] { return ok >= 0; }, 10000));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));  // queued, not shown: no events run here
      form.CancelProxyLogin();
    }
    asking.join();  // queued: returns without this thread running an event
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(user, "x");
    QTest::qWait(50);
    EXPECT_FALSE(form.isVisible());
  }
  WhenShown(form, [&] {
    form.TEdUName->setText("later");
    QTest::mouseClick(form.TBOk, Qt::LeftButton);
  });
  std::string user, password;
  EXPECT_TRUE(form.AskProxyLogin(user, password, false));
  EXPECT_EQ(user, "later");
}

}  // namespace
}  // namespace kestrune
