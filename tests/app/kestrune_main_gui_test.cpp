// The main window over a session: typing over the map, Esc, and closing the
// window while a search runs. No test may make Qt warn of an object used
// from another thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "app/window/kestrune_main.h"
#include "core/log_file.h"
#include "tests/app/program_folder.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/result_pages.h"

namespace kestrune {
namespace {

// Qt's warnings about objects used from another thread, collected while a
// test runs.
class TThreadWarnings {
 public:
  TThreadWarnings() {
    Current() = this;
    previous_ = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type != QtDebugMsg && type != QtInfoMsg && text.contains("thread", Qt::CaseInsensitive)) {
        std::lock_guard lock(Current()->mutex_);
        Current()->warnings_ << text;
      }
    });
  }
  ~TThreadWarnings() {
    qInstallMessageHandler(previous_);
    Current() = nullptr;
  }
  QStringList Warnings() {
    std::lock_guard lock(mutex_);
    return warnings_;
  }

 private:
  static TThreadWarnings*& Current() {
    static TThreadWarnings* current = nullptr;
    return current;
  }
  QtMessageHandler previous_;
  std::mutex mutex_;
  QStringList warnings_;
};

// A shown main window over a session of a test program folder.
struct TWindow {
  explicit TWindow(const std::function<void(test::TestProgram&)>& prepare = {}) {
    if (prepare) prepare(program);
    LogFile.Open(program.Dir().WFile("kestrune.log"));
    session = std::make_unique<TKestruneSession>(program.WProgram());
    session->ReadLanguageTable();
    session->ReadStartupSettings();
    session->LoadStartupMessages();
    window = std::make_unique<TFKestruneMain>(*session);
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->Shown(); }, 20000));
  }
  ~TWindow() {
    window.reset();
    session.reset();
    LogFile.Open(std::u16string());
    EXPECT_TRUE(warnings.Warnings().isEmpty()) << warnings.Warnings().join("\n").toStdString();
  }
  // Keys on the map (at its top left corner), drawn; the query box hidden.
  void MapWithKeys() {
    session->ContentMap.AddKey(session->WordDictionary.AddWord(u"alpha", 0, -1));
    window->DrawAndEventMap1->LoadKeysAndDraw();
    window->IComboBox1->hide();
    window->querybitmap->hide();
    window->DrawAndEventMap1->setFocus();
  }
  // Where a key event goes first.
  QWidget* KeyTarget() const {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus : window.get();
  }

  TThreadWarnings warnings;
  test::TestProgram program;
  std::unique_ptr<TKestruneSession> session;
  std::unique_ptr<TFKestruneMain> window;
};

TEST(FKestruneMain, TypingOverTheMap) {
  const struct {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool overMap;
    const char* opened;  // the box's text, or null when the box stays hidden
  } cases[] = {
      {"Letter", Qt::Key_A, Qt::NoModifier, true, "a"},
      {"Digit", Qt::Key_7, Qt::NoModifier, true, "7"},
      {"Minus", Qt::Key_Minus, Qt::NoModifier, true, "-"},
      {"Quote", Qt::Key_QuoteDbl, Qt::ShiftModifier, true, "\""},
      {"Blank", Qt::Key_Space, Qt::NoModifier, true, nullptr},
      {"Enter", Qt::Key_Return, Qt::NoModifier, true, nullptr},
      {"CtrlC", Qt::Key_C, Qt::ControlModifier, true, nullptr},
      {"LetterBesideTheMap", Qt::Key_A, Qt::NoModifier, false, nullptr},
  };
  TWindow w;
  TDrawAndEventMap& map = *w.window->DrawAndEventMap1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    w.MapWithKeys();
    const QPoint inside = map.mapToGlobal(QPoint(map.width() / 2, map.height() / 2));
    QCursor::setPos(c.overMap ? inside : w.window->BtnHelp->mapToGlobal(QPoint(2, 2)));
    ASSERT_EQ(QCursor::pos(), c.overMap ? inside : w.window->BtnHelp->mapToGlobal(QPoint(2, 2)));
    QTest::keyClick(w.KeyTarget(), c.key, c.modifiers);
    EXPECT_EQ(!w.window->IComboBox1->isHidden(), c.opened != nullptr);
    if (c.opened) {
      EXPECT_EQ(w.window->IComboBox1->currentText().toStdString(), c.opened);
      EXPECT_EQ(w.window->IComboBox1->lineEdit()->cursorPosition(), 1);
      EXPECT_TRUE(w.window->IComboBox1->hasFocus());
    }
  }
}

TEST(FKestruneMain, EscTakesTheQueryBoxAwayOnlyOverAQuery) {
  TWindow w;
  for (bool query : {false, true}) {
    SCOPED_TRACE(query);
    TKestruneSession& s = *w.session;
    s.ContentMap.Steps().ClearKind(kKindQuery, true);
    if (query) s.ContentMap.Steps().SetValue(kKindQuery, s.WordDictionary.AddWord(u"alpha", 0, -1), 1.0f, true);
    s.CenterQueryBox(true);
    QTest::keyClick(w.KeyTarget(), Qt::Key_Escape);
    EXPECT_EQ(w.window->IComboBox1->isHidden(), query);
    EXPECT_EQ(w.window->BBtnSearch->isHidden(), query);
    EXPECT_EQ(w.window->querybitmap->isHidden(), query);
  }
}

// The update check's thread posts its two messages to the window: news, and
// an update found, after which a stored installer closes the window.
TEST(FKestruneMain, TheUpdateChecksMessages) {
  TWindow w;
  int news = 0, updates = 0, closed = 0;
  w.window->OnNews = [&] { ++news; };
  w.window->OnUpdateFound = [&] {
    if (++updates == 2) w.session->InstallerPath = u"/nowhere/setup.run";
  };
  w.window->OnClosed = [&] { ++closed; };
  std::thread poster([&] {
    for (QEvent::Type type : {kNewsEvent, kUpdateFoundEvent, kUpdateFoundEvent}) {
      QCoreApplication::postEvent(w.window.get(), new QEvent(type));
    }
  });
  poster.join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return closed == 1; }, 5000));
  EXPECT_EQ(news, 1);
  EXPECT_EQ(updates, 2);
  w.session->InstallerPath.clear();
}

TEST(FKestruneMain, ClosingDuringASearchStopsItAndClosesOnceTheRunReturned) {
  // Pages of 20 items that take about a second each: the whole search would
  // take five.
  test::LoopbackHttpServer server;
  const std::string base = server.Url("");
  server.Route("/search", [base](const test::HttpRequestRecord&) {
    return test::HttpReply::Html(test::WriteResultPage(test::NumberedItems(1, 20, base))).Slow(200, std::chrono::milliseconds(50));
  });
  TWindow w([&](test::TestProgram& p) {
    test::WriteEngineTemplate(p.Program(), "loopback",
                              test::LoopbackEngineTemplate(base, test::LoopbackTemplateOptions().HostName("Loopback")));
  });
  TFKestruneMain& window = *w.window;
  int closed = 0;
  window.OnClosed = [&] { ++closed; };
  bool runningWhenClosed = false;
  bool openAfterClose = false;
  QTest::keyClicks(window.IComboBox1->lineEdit(), "query");
  // Closed as soon as the search runs (the map's animation comes first).
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (!w.session->SearchRunning()) return;
    closer.stop();
    runningWhenClosed = true;
    window.close();
    openAfterClose = !window.Closed();
  });
  closer.start(20);
  const auto start = std::chrono::steady_clock::now();
  QTest::keyClick(window.IComboBox1->lineEdit(), Qt::Key_Return);  // returns with the search's run
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(runningWhenClosed);
  EXPECT_TRUE(openAfterClose);
  EXPECT_LT(took, std::chrono::seconds(4));
  EXPECT_TRUE(QTest::qWaitFor([&] { return closed == 1; }, 5000));
  EXPECT_TRUE(window.Closed());
  EXPECT_FALSE(w.session->SearchRunning());
  EXPECT_FALSE(w.session->Engine->Busy());
  EXPECT_GE(server.RequestCount(), 1u);
}

}  // namespace
}  // namespace kestrune
