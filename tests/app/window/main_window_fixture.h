// A shown main window over a session of a test program folder, for the
// window's GUI tests. No test may make Qt warn of an object used from another
// thread: the fixture collects such warnings while it lives and fails on any.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>

#include "app/window/kestrune_main.h"
#include "core/log_file.h"
#include "tests/app/program_folder.h"

namespace kestrune::test {

// Qt's warnings about objects used from another thread, while a window lives.
inline std::mutex warningsMutex;
inline QStringList threadWarnings;

inline void CollectThreadWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
  std::lock_guard lock(warningsMutex);
  if (type != QtDebugMsg && type != QtInfoMsg && text.contains("thread", Qt::CaseInsensitive)) threadWarnings << text;
}

// A shown main window over a session of a test program folder.
struct TWindow {
  explicit TWindow(const std::function<void(TestProgram&)>& prepare = {}) {
    threadWarnings.clear();
    previousHandler = qInstallMessageHandler(CollectThreadWarnings);
    if (prepare) prepare(program);
    // The pictures of the skinned controls, as the build draws them.
    std::error_code noLink;
    std::filesystem::create_directory_symlink(std::filesystem::path(KESTRUNE_PROGRAM_DIR) / "controls",
                                              program.Program() + "controls", noLink);
    LogFile.Open(program.Dir().WFile("kestrune.log"));
    session = std::make_unique<TKestruneSession>(program.WProgram());
    session->ReadLanguageTable();
    session->Config.ReadStartupSettings();
    session->LoadStartupMessages();
    window = std::make_unique<TFKestruneMain>(*session);
    // The test program has no dictionary of the interface language: the
    // first show would ask about it.
    session->Config.Settings.AskDownloadDictForLng = false;
    window->show();
    window->activateWindow();
    // Shown, at the size it keeps (the screen's, on a bare X server).
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->Shown() && window->ScreenChecked(); }, 20000));
  }
  ~TWindow() {
    window.reset();
    session.reset();
    LogFile.Open(std::u16string());
    qInstallMessageHandler(previousHandler);
    EXPECT_TRUE(threadWarnings.isEmpty()) << threadWarnings.join("\n").toStdString();
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

  QtMessageHandler previousHandler = nullptr;
  TestProgram program;
  std::unique_ptr<TKestruneSession> session;
  std::unique_ptr<TFKestruneMain> window;
};

}  // namespace kestrune::test
