// The program block in this process over a temporary program folder, and the
// real executable of the program folder.
#include <algorithm>
#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <filesystem>

#include "app/browser_opener.h"
#include "app/connect_probe.h"
#include "app/window/kestrune_main.h"
#include "app/window/run_kestrune.h"
#include "app/window/scope_explorer.h"
#include "tests/app/recording_main_view.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "tests/app/program_folder.h"
#include "ui/connect.h"
#include "ui/exception_form.h"
#include "ui/options_form.h"
#include "ui/question_forms.h"
#include "ui/progress_form.h"
#include "ui/project_manager.h"
#include "ui/splash_form.h"

namespace kestrune {
namespace {

using test::TRecordingOpener;

// Runs the program block; `during` runs once its loop has started, `shown`
// once the main window has been shown, and then the main window is closed as
// the user would. A watchdog ends a loop that would not end (status 99).
// Every caption the main window had in the last RunProgram, in order.
std::vector<QString> g_mainTitles;
// The last RunProgram's loop was ended by its watchdog.
bool g_watchdogFired = false;

int RunProgram(IBrowserOpener* opener, const std::function<void(TFKestruneMain&)>& during,
               std::vector<std::string>* formNames = nullptr,
               const std::function<void(TFKestruneMain&)>& shown = {}) {
  TRunOptions options;
  options.Opener = opener;
  g_mainTitles.clear();
  options.OnFormCreated = [&](QWidget& form) {
    if (form.objectName() == "FKestruneMain") {
      QObject::connect(&form, &QWidget::windowTitleChanged, [](const QString& title) { g_mainTitles.push_back(title); });
    }
    if (formNames) formNames->push_back(form.objectName().toStdString() + ":" + form.windowTitle().toStdString());
  };
  QTimer start, watchdog;
  watchdog.setSingleShot(true);
  bool ran = false;
  QObject::connect(&start, &QTimer::timeout, [&] {
    if (!FKestruneMain) return;  // the splash form shows before the forms exist
    // The test program has no dictionary of the interface language: the
    // first show asks about it.
    if (auto* question = dynamic_cast<TFMessNoDict*>(QApplication::activeModalWidget())) question->reject();
    if (!ran) {
      ran = true;
      start.setInterval(20);
      during(*FKestruneMain);
    }
    if (!FKestruneMain->Shown()) return;
    start.stop();
    if (shown) shown(*FKestruneMain);
    FKestruneMain->close();
  });
  g_watchdogFired = false;
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    g_watchdogFired = true;
    QCoreApplication::exit(99);
  });
  start.start(0);
  watchdog.start(10000);
  return RunKestrune(*qApp, {}, options);
}

TEST(RunKestrune, AMissingDataFolderEndsTheProgramBeforeAnyForm) {
  test::TestProgram program;
  std::filesystem::remove(program.Program() + "update");
  std::vector<std::u16string> shown;
  platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view caption, uint32_t) {
    shown.push_back(std::u16string(text) + u" / " + std::u16string(caption));
    return platform::kIdOk;
  });
  std::vector<std::string> forms;
  EXPECT_EQ(RunProgram(nullptr, [](TFKestruneMain&) {}, &forms), 1);
  platform::SetMessageBoxHandler({});
  EXPECT_EQ(shown, (std::vector<std::u16string>{u"program corrupted. Try to reinstall program / IntegityCheck error"}));
  EXPECT_TRUE(forms.empty());
  EXPECT_FALSE(std::filesystem::exists(program.Hive()));
  EXPECT_NE(test::ReadFileBytes(program.Program() + "kestrune.log").find("[Error] program corrupted"),
            std::string::npos);
}

TEST(RunKestrune, StartsAppliesTheLanguageAfterTheFormsAndSavesAtTheEnd) {
  test::TestProgram program;
  test::WriteFileBytes(program.Program() + "Language/deutsch.lng",
                       "[Header]\nlanguage=Deutsch\nlangID=1031\nCodePage=1252\nLangFolder=de\n"
                       "[Language]\nFKestruneMain.Caption=\"Kestrune Suche \xe4\"\nProgressForm.Caption=Fortschritt\n"
                       "[Messages]\nsmSearch=Suche...\n");
  {
    platform::SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
    store.WriteInteger("InterfaceLang", 1031);
    store.WriteInteger("TrackPosContext", 44);
  }
  TRecordingOpener opener;
  std::vector<std::string> forms;
  QString title, progressTitle;
  std::u16string optionsCaption;
  bool splashDuringLoop = true;
  const int status = RunProgram(
      &opener,
      [&](TFKestruneMain& main) {
        title = main.windowTitle();
        if (ProgressForm) progressTitle = ProgressForm->windowTitle();
        splashDuringLoop = Form1 != nullptr;
        EXPECT_EQ(MessageStrings.smSearch, u"Suche...");
        EXPECT_EQ(main.Session().Config.Settings.TrackPosContext, 44);
      },
      &forms,
      [&](TFKestruneMain& main) { optionsCaption = main.Session().WindowStart.OptionsCaption; });
  EXPECT_EQ(status, 0);
  // English while created, in the table's order.
  // The network editor's caption is the word it lists.
  EXPECT_EQ(forms, (std::vector<std::string>{
                       "FKestruneMain:Kestrune Search", "ProgressForm:Progress", "FMessNoDict:Warning",
                       "QuestChSE:Search engine", "ExceptionForm:Critical error", "Question:Unsaved project",
                       "manager:manageR", "FAddUrl:Add link", "exploreform:Search scopes", "OptionsForm:Options",
                       "FAbout:About", "frmRedactor:", "IForm:List", "FConnect:Connect to proxy server"}));
  // The language's caption, until the first show names the engine in it.
  EXPECT_NE(std::find(g_mainTitles.begin(), g_mainTitles.end(), QString::fromUtf8("Kestrune Suche \xc3\xa4")),
            g_mainTitles.end());
  EXPECT_FALSE(title.isEmpty());
  EXPECT_EQ(progressTitle, QString("Fortschritt"));  // the language file reaches the progress form
  EXPECT_EQ(ProgressForm, nullptr);
  EXPECT_EQ(optionsCaption, u"Options");  // kept at the first show
  EXPECT_EQ(FKestruneMain, nullptr);
  EXPECT_EQ(FConnect, nullptr);
  EXPECT_EQ(manager, nullptr);
  EXPECT_EQ(exploreform, nullptr);
  EXPECT_EQ(Form1, nullptr);  // the splash went before the loop
  EXPECT_FALSE(splashDuringLoop);
  EXPECT_EQ(ExceptionForm, nullptr);
  EXPECT_EQ(ConnectProbe().Prompt.load(), nullptr);
  platform::SettingsStore store;
  ASSERT_TRUE(store.OpenKeyReadOnly(kSettingsKey));
  EXPECT_EQ(store.ReadInteger("TrackPosContext"), 44);
  EXPECT_EQ(store.ReadInteger("InterfaceLang"), 1031);
  EXPECT_TRUE(opener.files.empty());
  EXPECT_NE(test::ReadFileBytes(program.Program() + "kestrune.log").find("reg save ok"), std::string::npos);
}

// "Options" opens the options form of the form table, modally, at its first
// page; from the engine box it opens at the engines page. OK writes the
// session's settings; Cancel leaves them.
TEST(RunKestrune, TheOptionsButtonOpensTheOptionsForm) {
  struct TCase {
    const char* name;
    bool fromEngineBox;
    bool ok;
    int32_t page;
  } cases[] = {
      {"the Options button, Cancel", false, false, opGeneral},
      {"the engine box, OK", true, true, opSearchEngines},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestProgram program;
    QString shownName;
    int32_t shownPage = -1;
    int32_t answer = -1;
    int32_t links = 0;
    const int status = RunProgram(nullptr, [](TFKestruneMain&) {}, nullptr, [&](TFKestruneMain& main) {
      QTimer::singleShot(50, [&] {
        auto* form = dynamic_cast<TOptionsForm*>(QApplication::activeModalWidget());
        if (!form) return;
        shownName = form->objectName();
        shownPage = form->Model().Page;
        form->TBCount->setValue(4);
        (c.ok ? form->btOK : form->btCancel)->click();
      });
      if (c.fromEngineBox) {
        answer = main.ShowOptionsForm(true);
      } else {
        QTest::mouseClick(main.BtnOptions, Qt::LeftButton);
      }
      links = main.Session().Config.Settings.TPCountFromSite;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(shownName, QString("OptionsForm"));
    EXPECT_EQ(shownPage, c.page);
    if (c.fromEngineBox) EXPECT_EQ(answer, c.ok ? platform::kIdOk : platform::kIdCancel);
    EXPECT_EQ(links, c.ok ? 500 : kDefaultLinksToDownload);
  }
}

// The update check at start against a server that is not there (a closed
// port): it ends quietly, with no box, and the window closes as usual.
TEST(RunKestrune, TheUpdateCheckAgainstAClosedPortShowsNoBox) {
  test::TestProgram program;
  test::ScopedEnv noProxy("no_proxy", "*");
  {
    platform::SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
    store.WriteString(kUpdateServerValue, "127.0.0.1:1");
  }
  std::vector<std::u16string> boxes;
  platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view, uint32_t) {
    boxes.emplace_back(text);
    return platform::kIdOk;
  });
  bool done = false;
  const int status = RunProgram(nullptr, [](TFKestruneMain&) {}, nullptr, [&](TFKestruneMain& main) {
    done = QTest::qWaitFor(
        [&] { return main.Session().Update.UpdateCheck && main.Session().Update.UpdateCheck->CheckDone.load(); }, 8000);
  });
  platform::SetMessageBoxHandler({});
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(done);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(RunKestrune, OnlyAnInstallerInTheUpdateFolderReachesTheOpener) {
  struct Case {
    const char* installer;  // relative to the program folder
    bool opened;
  } cases[] = {
      {"update/Kestrune Setup 2.0 (full).run", true},
      {"setup.run", false},
      {"update/../setup.run", false},
      {"update/inner", false},     // a folder
      {"update/link.run", false},  // a link to a file outside
      {"update/missing.run", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.installer);
    test::TestProgram program;
    test::WriteFileBytes(program.Program() + "update/Kestrune Setup 2.0 (full).run", "#!");
    test::WriteFileBytes(program.Program() + "setup.run", "#!");
    std::filesystem::create_directories(program.Program() + "update/inner");
    std::filesystem::create_symlink(program.Program() + "setup.run", program.Program() + "update/link.run");
    const std::u16string path = program.WProgram() + platform::Utf8ToUtf16(c.installer);
    TRecordingOpener opener;
    EXPECT_EQ(RunProgram(&opener, [&](TFKestruneMain& main) { main.Session().Start.InstallerPath = path; }), 0);
    EXPECT_EQ(opener.files, c.opened ? std::vector<std::u16string>{path} : std::vector<std::u16string>{});
  }
}

TEST(RunKestrune, AMainWindowThatClosesWhileCreatedEndsTheProgramAtOnce) {
  test::TestProgram program;
  TRunOptions options;
  options.OnFormCreated = [](QWidget&) {
    ASSERT_NE(FKestruneMain, nullptr);
    FKestruneMain->CloseMainWindow();
  };
  // The main window closes itself from its creation on; the loop never runs.
  QTimer watchdog;
  bool loopRan = false;
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    loopRan = true;
    QCoreApplication::exit(99);
  });
  watchdog.start(3000);
  EXPECT_EQ(RunKestrune(*qApp, {}, options), 0);
  EXPECT_FALSE(loopRan);
  EXPECT_TRUE(std::filesystem::exists(program.Hive()));  // the window's end still saved the settings
}

// The splash form shows from before the main window is created, which loads
// the dictionaries, and ends with a full bar; it goes with the program block.
TEST(RunKestrune, TheSplashShowsTheDictionaryLoading) {
  test::TestProgram program;
  TRunOptions options;
  bool shown = false;
  int32_t bar = -1;
  options.OnFormCreated = [&](QWidget& form) {
    if (&form != FKestruneMain) return;
    shown = Form1 && Form1->isVisible();
    bar = Form1 ? Form1->IProgressBar1->value() : -1;
    FKestruneMain->CloseMainWindow();
  };
  EXPECT_EQ(RunKestrune(*qApp, {}, options), 0);
  EXPECT_TRUE(shown);
  EXPECT_EQ(bar, 100);
  EXPECT_EQ(Form1, nullptr);
}

TEST(RunKestrune, NoEngineTemplateEndsTheProgramWithAnError) {
  test::TestProgram program;
  std::filesystem::remove(program.Program() + "templates/web/loopback.ini");
  std::vector<std::u16string> shown;
  bool underSplash = false;
  platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view, uint32_t) {
    shown.emplace_back(text);
    underSplash = underSplash || (Form1 && Form1->isVisible());
    return platform::kIdOk;
  });
  bool loopRan = false;
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    loopRan = true;
    QCoreApplication::exit(99);
  });
  watchdog.start(3000);
  EXPECT_EQ(RunKestrune(*qApp, {}, TRunOptions()), 1);
  platform::SetMessageBoxHandler({});
  EXPECT_FALSE(loopRan);
  EXPECT_EQ(shown, std::vector<std::u16string>{MessageStrings.smProgramCorrupted});
  EXPECT_FALSE(underSplash);  // the splash went first
  EXPECT_FALSE(std::filesystem::exists(program.Hive()));  // the user's settings are left alone
}

// The box of a missing engine template is a real box here: a signal while
// it is open ends the program at once.
TEST(RunKestrune, ASignalWhileTheStartBoxIsOpenEndsTheProgram) {
  test::TestProgram program;
  std::filesystem::remove(program.Program() + "templates/web/loopback.ini");
  bool boxShown = false;
  QTimer signal;
  QObject::connect(&signal, &QTimer::timeout, [&] {
    if (!dynamic_cast<QMessageBox*>(QApplication::activeModalWidget())) return;
    boxShown = true;
    signal.stop();
    ::raise(SIGTERM);
  });
  signal.start(20);
  bool waited = false;
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    waited = true;
    QCoreApplication::exit(99);
  });
  watchdog.start(10000);
  EXPECT_EQ(RunKestrune(*qApp, {}, TRunOptions()), 1);
  EXPECT_TRUE(boxShown);
  EXPECT_FALSE(waited);
}

// SIGTERM or SIGINT ends the program whatever box is open, with the settings
// saved; the close it makes asks no save question, also with unsaved work,
// and no box waits for an answer.
TEST(RunKestrune, ASignalEndsTheProgramWhateverBoxIsOpen) {
  // Unsaved work: the project marked changed with Save enabled.
  auto unsaved = [](TFKestruneMain& main) {
    main.Session().ProjectFile.Modified = true;
    main.Session().Config.Settings.askforsave = true;
    main.IBitmapButton7->setEnabled(true);
  };
  auto idle = [] {
    QEventLoop loop;  // the program's own loop, which the signal ends
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
  };
  const struct {
    const char* name;
    int signal;
    std::function<void(TFKestruneMain&)> open;  // returns once the program's loop is left
    int questions;                              // save questions seen
  } cases[] = {
      {"SIGTERM after unsaved work", SIGTERM, [&](TFKestruneMain& main) { unsaved(main); idle(); }, 0},
      {"SIGTERM with a message box", SIGTERM,
       [](TFKestruneMain&) { ShowMessageBox(u"A box", u"Kestrune", platform::kMbOkCancel); }, 0},
      {"SIGINT with a message box", SIGINT,
       [](TFKestruneMain&) { ShowMessageBox(u"A box", u"Kestrune", platform::kMbYesNo); }, 0},
      {"SIGTERM with the save question of a close", SIGTERM,
       [&](TFKestruneMain& main) {
         unsaved(main);
         main.close();
       },
       1},
      {"SIGTERM with the options form", SIGTERM, [](TFKestruneMain& main) { main.ShowOptionsForm(false); }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestProgram program;
    int questions = 0;
    QWidget* lastModal = nullptr;
    QTimer watch;  // the modal forms that show, each counted once
    QObject::connect(&watch, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != lastModal && dynamic_cast<TQuestion*>(modal)) ++questions;
      lastModal = modal;
    });
    watch.start(5);
    const int status = RunProgram(nullptr, [](TFKestruneMain&) {}, nullptr, [&](TFKestruneMain& main) {
      main.Session().Config.Settings.TrackPosContext = 57;
      QTimer::singleShot(300, [&] { ::raise(c.signal); });
      c.open(main);
    });
    watch.stop();
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(g_watchdogFired);  // nothing waited
    EXPECT_EQ(questions, c.questions);
    platform::SettingsStore store;
    ASSERT_TRUE(store.OpenKeyReadOnly(kSettingsKey));
    EXPECT_EQ(store.ReadInteger("TrackPosContext"), 57);
  }
}

#ifdef KESTRUNE_PROGRAM_DIR
TEST(KestruneExecutable, NeedsADisplayAndEndsCleanlyOnSigterm) {
  const QString program = KESTRUNE_PROGRAM_DIR "/kestrune";
  test::TempDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "KESTRUNE_HOME"}) env.remove(name);
  env.insert("KESTRUNE_CONFIG_HOME", QString::fromStdString(dir.Path() + "config"));
  env.insert("XDG_DATA_HOME", QString::fromStdString(dir.Path() + "data"));

  QProcess headless;
  headless.setProcessEnvironment(env);
  headless.start(program, {"/ie"});
  ASSERT_TRUE(headless.waitForFinished(10000));
  EXPECT_EQ(headless.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(headless.exitCode(), 2);
  EXPECT_TRUE(headless.readAllStandardError().contains("needs a graphical display"));

  const std::string log = KESTRUNE_PROGRAM_DIR "/kestrune.log";
  std::filesystem::remove(log);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess running;
  running.setProcessEnvironment(env);
  running.start(program, {});
  ASSERT_TRUE(running.waitForStarted(10000));
  // Its signal handlers stand before the log is begun.
  for (int i = 0; i < 200 && test::ReadFileBytes(log).find("Logging started.") == std::string::npos; ++i) {
    QThread::msleep(50);
  }
  EXPECT_FALSE(running.waitForFinished(300));  // it runs until told to end
  ::kill(static_cast<pid_t>(running.processId()), SIGTERM);
  ASSERT_TRUE(running.waitForFinished(10000));
  EXPECT_EQ(running.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(running.exitCode(), 0);
  test::ScopedEnv config("KESTRUNE_CONFIG_HOME", dir.Path() + "config");
  platform::SettingsStore hive;
  ASSERT_TRUE(hive.OpenKeyReadOnly(kSettingsKey));
  EXPECT_EQ(hive.ReadInteger("TrackPosContext"), 30);
  EXPECT_EQ(hive.ReadString("Dictionaries"), "9, 12, 7, 16, 25");  // every shipped dictionary
  EXPECT_NE(test::ReadFileBytes(log).find("reg save ok"), std::string::npos);
}
#endif

}  // namespace
}  // namespace kestrune
