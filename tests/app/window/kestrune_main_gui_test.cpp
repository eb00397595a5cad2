// The main window over a session: typing over the map, Esc, and closing the
// window while a search runs. No test may make Qt warn of an object used
// from another thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <chrono>

#include "app/window/forms.h"
#include "app/window/kestrune_main.h"
#include "core/message_strings.h"
#include "tests/app/loopback_search.h"
#include "tests/app/window/main_window_fixture.h"
#include "ui/project_dialogs.h"
#include "ui/network_editor.h"
#include "ui/question_forms.h"

namespace kestrune {
namespace {

using test::TWindow;

TEST(FKestruneMain, TypingOverTheMap) {
  const struct {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool overMap;
    const char* opened;  // the box's text, or null when the box stays hidden
    const char16_t* text = nullptr;  // the key's text, when not QTest's own
  } cases[] = {
      {"Letter", Qt::Key_A, Qt::NoModifier, true, "a"},
      {"Digit", Qt::Key_7, Qt::NoModifier, true, "7"},
      {"Minus", Qt::Key_Minus, Qt::NoModifier, true, "-"},
      {"Quote", Qt::Key_QuoteDbl, Qt::ShiftModifier, true, "\""},
      {"Blank", Qt::Key_Space, Qt::NoModifier, true, nullptr},
      {"Enter", Qt::Key_Return, Qt::NoModifier, true, nullptr},
      {"CtrlC", Qt::Key_C, Qt::ControlModifier, true, nullptr},
      {"Delete", Qt::Key_Delete, Qt::NoModifier, true, nullptr, u"\x7f"},
      {"BeyondTheBasicPlane", Qt::Key_A, Qt::NoModifier, true, "\xF0\x9D\x84\x9E", u"\U0001D11E"},
      {"LetterBesideTheMap", Qt::Key_A, Qt::NoModifier, false, nullptr},
  };
  TWindow w;
  TDrawAndEventMap& map = *w.window->DrawAndEventMap1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    w.MapWithKeys();
    const QPoint at = c.overMap ? map.mapToGlobal(map.rect().center()) : w.window->BtnHelp->mapToGlobal(QPoint(2, 2));
    QCursor::setPos(at);
    ASSERT_EQ(QCursor::pos(), at);
    if (c.text) {
      QTest::sendKeyEvent(QTest::Click, w.KeyTarget(), c.key, QString::fromUtf16(c.text), c.modifiers);
    } else {
      QTest::keyClick(w.KeyTarget(), c.key, c.modifiers);
    }
    QComboBox& box = *w.window->IComboBox1;
    EXPECT_EQ(box.isHidden() ? "(hidden)" : box.currentText().toStdString(), c.opened ? c.opened : "(hidden)");
    if (c.opened) {
      EXPECT_TRUE(box.hasFocus() && box.lineEdit()->cursorPosition() == box.currentText().size());
    }
  }
}

// Enter typed into the query box, as the platform delivers it (to the focus
// widget), runs the search entry once: in the box of the first show a new
// query, in the box a double click opened over the map a refinement (one
// step more).
TEST(FKestruneMain, EnterTypedIntoTheQueryBoxSearchesOnce) {
  const struct {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  } cases[] = {
      {"Return", Qt::Key_Return, Qt::NoModifier},
      {"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::LoopbackHttpServer server;
    test::RouteLoopbackEngine(server, 20);
    TWindow w([&](test::TestProgram& p) {
      test::WriteEngineTemplate(p.Program(), "loopback", test::LoopbackEngineTemplate(
                                                             server.Url(""), test::LoopbackTemplateOptions().HostName("Loopback")));
    });
    TKestruneSession& s = *w.session;
    QTest::keyClicks(w.KeyTarget(), "query");
    QTest::keyClick(w.KeyTarget(), c.key, c.modifiers);  // returns with the search's run
    EXPECT_EQ(s.Run.EngineObject->QueryCounter(), 1);
    EXPECT_EQ(s.Project.Documents.size(), 20u);

    // The box a double click opens over empty map space.
    TDrawAndEventMap& map = *w.window->DrawAndEventMap1;
    const QPoint empty(3, 3);
    ASSERT_FALSE(map.HitTest(empty.x(), empty.y()));
    QCursor::setPos(map.mapToGlobal(empty));
    // A person's double click: QTest's ends at the second press.
    QTest::mouseDClick(&map, Qt::LeftButton, Qt::NoModifier, empty);
    QTest::mouseRelease(&map, Qt::LeftButton, Qt::NoModifier, empty);
    ASSERT_FALSE(w.window->IComboBox1->isHidden());
    const int32_t step = s.ContentMap.Steps().CurrentStep();
    QTest::keyClicks(w.KeyTarget(), "snippet");
    QTest::keyClick(w.KeyTarget(), c.key, c.modifiers);
    EXPECT_EQ(s.ContentMap.Steps().CurrentStep(), step + 1);
    EXPECT_EQ(s.GetQueryText(), u"query snippet");
    EXPECT_EQ(s.Run.EngineObject->QueryCounter(), 1);
  }
}

// The window fits a 1280 x 800 screen (less a title bar) whatever its
// toolbar shows, and every control in it stays whole: the track bars keep
// their length, the engine box shows its longest name.
TEST(FKestruneMain, TheWindowFitsTheSmallestScreen) {
  const struct {
    const char* name;
    bool excludedWords;  // the "Excluded words" button shown
    const char16_t* engine;
  } cases[] = {
      {"start", false, u"Loopback"},
      {"excluded words", true, u"Loopback"},
      {"a long engine name", true, u"The Searchable Library of Everything Written"},
  };
  TWindow w;
  TFKestruneMain& window = *w.window;
  // A resize of the empty map is a new query, which would fill the engine
  // box from the saved option set again.
  w.session->NewQuery.ApplyDefaultsOnNewQuery = false;
  window.setWindowState(Qt::WindowNoState);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    window.SetVisible(TMainControl::IBitmapButton4, c.excludedWords);
    window.SetEngineItems({c.engine, u"Other"}, 0);
    QCoreApplication::processEvents();
    const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize());
    EXPECT_LE(least.width(), 1280);
    EXPECT_LE(least.height(), 770);
    window.resize(1280, 770);
    QCoreApplication::processEvents();
    ASSERT_EQ(window.size(), QSize(1280, 770));
    for (QWidget* control : window.findChildren<QWidget*>()) {
      if (!control->isVisible() || control->objectName().isEmpty() || !control->parentWidget()->isVisible()) continue;
      const QRect at(control->mapTo(&window, QPoint(0, 0)), control->size());
      EXPECT_TRUE(window.rect().contains(at)) << control->objectName().toStdString();
    }
    EXPECT_EQ(window.TrackBar->width(), TFKestruneMain::kTrackBarWidth);
    EXPECT_EQ(window.TrackBar3->width(), TFKestruneMain::kTrackBar3Width);
    EXPECT_GE(window.CBWebSite->width(), window.CBWebSite->sizeHint().width());
    EXPECT_GT(window.CBWebSite->width(), window.CBWebSite->fontMetrics().horizontalAdvance(QString::fromUtf16(c.engine)));
  }
}

// "be" typed over the map opens the box with the history's entries that
// begin like it under the box; Down takes the first, a click another, Esc
// empties the box and the list goes.
TEST(FKestruneMain, SuggestionsUnderTheQueryBox) {
  TWindow w;
  TFKestruneMain& window = *w.window;
  w.session->Entry.QueryItems = {u"bear", u"alpha beta", u"beta"};
  window.SetQueryItems(w.session->Entry.QueryItems);
  w.MapWithKeys();
  TDrawAndEventMap& map = *window.DrawAndEventMap1;
  QCursor::setPos(map.mapToGlobal(map.rect().center()));
  QTest::keyClick(w.KeyTarget(), Qt::Key_B);
  QTest::keyClick(w.KeyTarget(), Qt::Key_E);
  QListWidget& list = *window.ListBox1;
  ASSERT_FALSE(list.isHidden());
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.item(0)->text(), "bear");
  EXPECT_EQ(list.item(1)->text(), "beta");
  EXPECT_EQ(list.geometry().topLeft(), window.IComboBox1->geometry().bottomLeft() + QPoint(0, 1));
  EXPECT_EQ(list.height(), 3 * window.SuggestionItemHeight());
  QTest::keyClick(w.KeyTarget(), Qt::Key_Down);
  EXPECT_EQ(window.QueryText(), u"bear");
  EXPECT_FALSE(list.isHidden());
  // A click on the second puts it into the box; the release hides the list.
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, list.visualItemRect(list.item(1)).center());
  EXPECT_EQ(window.QueryText(), u"beta");
  EXPECT_TRUE(QTest::qWaitFor([&] { return list.isHidden(); }, 2000));
  // Typing again shows it again; Esc empties the box and hides it.
  QTest::keyClick(window.IComboBox1->lineEdit(), Qt::Key_Backspace);
  EXPECT_FALSE(list.isHidden());
  QTest::keyClick(window.IComboBox1->lineEdit(), Qt::Key_Escape);
  EXPECT_EQ(window.QueryText(), u"");
  EXPECT_TRUE(list.isHidden());
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
    for (QWidget* shown : {static_cast<QWidget*>(w.window->IComboBox1), static_cast<QWidget*>(w.window->BBtnSearch),
                           static_cast<QWidget*>(w.window->querybitmap)}) {
      EXPECT_EQ(shown->isHidden(), query) << shown->objectName().toStdString();
    }
  }
}

TEST(FKestruneMain, TheChangeEngineQuestionClosedWithEscIsCancel) {
  TWindow w;
  QStringList buttons;
  QString message;
  QTimer escape;
  QObject::connect(&escape, &QTimer::timeout, [&] {
    auto* question = dynamic_cast<TQuestChSE*>(QApplication::activeModalWidget());
    if (!question) return;
    escape.stop();
    for (QPushButton* button : {question->TBtnYes, question->TBtnNo, question->TBtnCancel}) {
      if (button->isVisible()) buttons << button->objectName();
    }
    message = question->TLMsg->text();
    QTest::keyClick(question, Qt::Key_Escape);
  });
  escape.start(10);
  EXPECT_EQ(w.window->AskChangeEngine(), platform::kIdCancel);
  EXPECT_EQ(buttons, (QStringList{"TBtnYes", "TBtnNo", "TBtnCancel"}));
  EXPECT_EQ(message.toStdU16String(), MessageStrings.smWantResend);
}

// Closed while the search runs, the search stops and the window closes once
// the run returned; closed during the new map's animation, before the search
// begins, the search downloads nothing.
TEST(FKestruneMain, ClosingAroundASearch) {
  for (bool beforeTheSearch : {false, true}) {
    SCOPED_TRACE(beforeTheSearch);
    // Pages of 20 items that take about a second each: the whole search
    // would take five.
    test::LoopbackHttpServer server;
    test::RouteLoopbackEngine(server, 100, std::chrono::milliseconds(250));
    TWindow w([&](test::TestProgram& p) {
      test::WriteEngineTemplate(p.Program(), "loopback", test::LoopbackEngineTemplate(
                                                             server.Url(""), test::LoopbackTemplateOptions().HostName("Loopback")));
    });
    TFKestruneMain& window = *w.window;
    int closed = 0;
    window.OnClosed = [&] { ++closed; };
    bool closedAsMeant = false;
    QTest::keyClicks(window.IComboBox1->lineEdit(), "query");
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      const bool animation = (window.DrawAndEventMap1->State() & TDrawAndEventMap::kStateAnimation) != 0;
      if (beforeTheSearch ? !animation : !w.session->SearchRunning()) return;
      closer.stop();
      window.close();
      // A running search keeps the window open until its run returned.
      closedAsMeant = beforeTheSearch ? closed == 1 && !w.session->SearchRunning() : !window.Closed();
    });
    closer.start(1);
    const auto start = std::chrono::steady_clock::now();
    QTest::keyClick(window.IComboBox1->lineEdit(), Qt::Key_Return);  // returns with the search's run
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(closedAsMeant);
    EXPECT_LT(took, std::chrono::seconds(beforeTheSearch ? 2 : 4));
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed == 1; }, 5000));
    EXPECT_FALSE(w.session->SearchRunning() || w.session->Run.Engine->Busy());
    if (beforeTheSearch) {
      EXPECT_TRUE(w.session->Project.Documents.empty());
    }
  }
}

// The project dialogs and the edit panel are the window's; closing asks the
// save question of a modified project, also with the question switched off
// (its box shown ticked), and its Cancel keeps the window.
TEST(FKestruneMain, ProjectDialogsAndTheSaveQuestionBeforeTheClose) {
  TWindow w;
  auto* open = w.window->findChild<TTntOpenProjectDialog*>("TntOpenProjectDialog1");
  ASSERT_NE(open, nullptr);
  EXPECT_NE(w.window->findChild<TTntSaveProjectDialog*>("TntSaveProjectDialog1"), nullptr);
  EXPECT_EQ(open->Filter(), QStringLiteral("Kestrune project (*.kqp)"));
  EXPECT_TRUE(w.window->specia->isHidden());
  EXPECT_TRUE(w.window->EditPanel->isHidden());
  w.window->speciaClick();
  EXPECT_TRUE(w.session->Map.MapEditMode);
  EXPECT_FALSE(w.window->EditPanel->isHidden());
  w.window->speciaClick();
  EXPECT_FALSE(w.session->Map.MapEditMode);

  // A query word: the map's rebuilds while the question shows start no new
  // query.
  w.session->ContentMap.Steps().SetKey(kKindQuery, {w.session->WordDictionary.AddWord(u"alpha", 0, -1), 1.0f});
  w.session->ProjectFile.Modified = true;
  w.session->Config.Settings.askforsave = false;
  w.window->IBitmapButton7->setEnabled(true);
  for (const bool cancel : {true, false}) {
    int32_t asked = 0;
    bool ticked = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* question = dynamic_cast<TQuestion*>(QApplication::activeModalWidget());
      if (!question) return;
      answer.stop();
      ++asked;
      ticked = question->TntCheckBox1->isChecked();
      (cancel ? question->TntButton2 : question->TntButton3)->click();
    });
    answer.start(10);
    w.window->close();
    EXPECT_EQ(asked, 1) << cancel;
    EXPECT_TRUE(ticked) << cancel;
    EXPECT_EQ(w.window->Closed(), !cancel);
    EXPECT_EQ(w.session->ProjectFile.Modified, cancel);
    EXPECT_FALSE(w.session->Config.Settings.askforsave);  // the box left ticked keeps it off
  }
}

// "Edit Element" of the map's menu, offered while a word is marked, opens
// the network editor of the form table on that word.
TEST(FKestruneMain, EditElementOpensTheNetworkEditorOnTheMarkedWord) {
  TWindow w;
  TKestruneSession& s = *w.session;
  std::unique_ptr<QWidget> editor;
  for (const TFormEntry& entry : ApplicationForms()) {
    if (std::string_view(entry.ClassName) == "TfrmRedactor") editor = entry.Create(s);
  }
  ASSERT_TRUE(editor);
  s.Map.MarkedGroup = {{s.WordDictionary.AddWord(u"alpha", 0, -1), 1.0f}};
  emit w.window->PopupMenu1->aboutToShow();
  EXPECT_TRUE(w.window->pmEditElement->isVisible());
  w.window->pmEditElement->trigger();
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(static_cast<TfrmRedactor*>(editor.get())->lbWORD->text(), QString("alpha"));
}

}  // namespace
}  // namespace kestrune
