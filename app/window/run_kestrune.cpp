#include "app/window/run_kestrune.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdio>
#include <memory>
#include <string>

#include "app/kestrune_session.h"
#include "app/run_temp_folder.h"
#include "app/window/apply_language.h"
#include "app/window/desktop_services.h"
#include "app/window/forms.h"
#include "app/window/kestrune_main.h"
#include "core/log_file.h"
#include "core/message.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "ui/first_frame.h"
#include "ui/splash_form.h"

namespace kestrune {

namespace {

// How long the splash form may take to come on the screen before the start
// goes on without painting it.
constexpr int kSplashMapTimeoutMs = 1000;

// SIGTERM and SIGINT while the program block runs: the handler only writes a
// byte to a pipe; the user-interface thread reads it in whichever loop runs
// (a modal box's too) and ends the program: the main window closes without
// the save question, every loop returns, and no box waits any more.
int signalPipe[2] = {-1, -1};
// The program block's run was told to end by a signal.
bool endBySignal = false;

void OnTerminateSignal(int) {
  const char byte = 1;
  const ssize_t written = ::write(signalPipe[1], &byte, 1);
  (void)written;
}

class TTerminateSignals {
 public:
  TTerminateSignals() {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [] {
      char bytes[64];
      while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
      }
      endBySignal = true;
      LogFile.Log("A signal ends the program", 1);
      if (FKestruneMain) FKestruneMain->CloseBySignal();
      // Every running loop returns, a modal box's or form's too, and a loop
      // begun from now on returns at once.
      QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminateSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &oldTerm_);
    ::sigaction(SIGINT, &action, &oldInt_);
  }
  ~TTerminateSignals() {
    if (!notifier_) return;
    ::sigaction(SIGTERM, &oldTerm_, nullptr);
    ::sigaction(SIGINT, &oldInt_, nullptr);
  }
  TTerminateSignals(const TTerminateSignals&) = delete;
  TTerminateSignals& operator=(const TTerminateSignals&) = delete;

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction oldTerm_ = {};
  struct sigaction oldInt_ = {};
};

void LogSettingsLine(std::string_view line) { LogFile.Log(line, 1); }

// The program block's message box over the installed one: the splash form
// goes before any box, so that nothing opens under it; once a signal ends
// the program, a box is only logged and answered as its close box answers.
class TProgramMessageBox {
 public:
  TProgramMessageBox() : inner_(platform::GetMessageBoxHandler()) {
    platform::SetMessageBoxHandler([inner = inner_](std::u16string_view text, std::u16string_view caption,
                                                    uint32_t flags) -> int32_t {
      if (Form1) Form1->hide();
      if (endBySignal || !inner) {
        LogFile.Log(platform::Utf16ToUtf8(caption) + ": " + platform::Utf16ToUtf8(text), 2);
        switch (flags & 0x0F) {
          case platform::kMbOkCancel: return platform::kIdCancel;
          case platform::kMbYesNo: return platform::kIdNo;
          default: return platform::kIdOk;
        }
      }
      return inner(text, caption, flags);
    });
  }
  ~TProgramMessageBox() { platform::SetMessageBoxHandler(inner_); }
  TProgramMessageBox(const TProgramMessageBox&) = delete;
  TProgramMessageBox& operator=(const TProgramMessageBox&) = delete;

 private:
  platform::MessageBoxHandler inner_;
};

}  // namespace

int RunKestrune(QApplication& app, const std::vector<std::u16string>& arguments, const TRunOptions& options) {
  // 1. The application, the log, the message box, the signals.
  QCoreApplication::setApplicationName("Kestrune Search");
  endBySignal = false;
  TTerminateSignals terminateSignals;
  TKestruneSession session;
  LogFile.Open(session.ProgramFolder() + u"kestrune.log");
  platform::SetSettingsLogHook(LogSettingsLine);
  InstallQtMessageBox();
  const TMailReportQueue mailReports;
  TProgramMessageBox messageBox;
  TDesktopOpener desktop;
  session.Opener = options.Opener ? options.Opener : &desktop;
  session.SetArguments(arguments);

  // 2-5. Languages, start-up settings, messages.
  session.ReadLanguageTable();
  session.Config.ReadStartupSettings();
  session.LoadStartupMessages();

  // 6. The data folders.
  std::u16string missing;
  if (!TKestruneSession::CheckDataFolders(session.ProgramFolder(), &missing)) {
    const std::string text = platform::Utf16ToUtf8(kIntegrityText);
    const std::string detail = text + " (the folder \"" + platform::Utf16ToUtf8(missing) + "\" is missing in " +
                               platform::Utf16ToUtf8(session.ProgramFolder()) + ")";
    LogFile.Log(detail, 2);
    std::fprintf(stderr, "%s\n", detail.c_str());
    ShowMessageBox(kIntegrityText, kIntegrityCaption, platform::kMbOk | platform::kMbIconError);
    return 1;
  }

  // 7. The splash form, with the progress of the dictionaries that the main
  // window's creation loads; it goes once the language is applied.
  auto splash = std::make_unique<TForm1>();
  ApplyBuiltInLanguage(*splash);
  splash->show();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  // A window manager maps it a moment later: it is painted once it is on the
  // screen, before the loading holds the event loop.
  if (!PaintWhenMapped(*splash, kSplashMapTimeoutMs)) {
    LogFile.Log("The splash form did not come on the screen within " + std::to_string(kSplashMapTimeoutMs) +
                    " ms; the start goes on",
                1);
  }
  session.Hooks.OnDictionaryProgress = [form = splash.get()](int32_t percent, std::u16string_view text, int32_t count,
                                                      int32_t done) {
    form->DictionaryProgress(percent, text, count, done);
  };
  auto dropSplash = [&] {
    session.Hooks.OnDictionaryProgress = nullptr;
    splash.reset();
  };

  // 8. The forms.
  std::vector<std::unique_ptr<QWidget>> forms;
  for (const TFormEntry& entry : ApplicationForms()) {
    if (!entry.Create) continue;
    forms.push_back(entry.Create(session));
    if (options.OnFormCreated) options.OnFormCreated(*forms.back());
  }
  TFKestruneMain* main = FKestruneMain;
  const bool cannotRun = main && main->CreateFailed();

  if (main && !main->Closed()) {
    // 9. The interface language over every form.
    main->ApplyLanguage();
    dropSplash();
    // 11. The message loop.
    main->OnClosed = [] { QCoreApplication::quit(); };
    main->show();
    app.exec();
    // A signal left the loop from wherever it was (a modal box's own loop,
    // say); the window closes now, unasked.
    if (endBySignal && !main->Closed()) main->CloseBySignal();
  }

  // 12. The forms go (the main window writes the settings), with the run's
  // temporary files; then the installer.
  dropSplash();
  while (!forms.empty()) forms.pop_back();
  RemoveRunTempFolder();
  if (cannotRun) {
    std::fprintf(stderr, "kestrune: the program cannot run; see kestrune.log\n");
    session.Opener = nullptr;
    return 1;
  }
  session.StartInstaller();
  session.Opener = nullptr;
  return 0;
}

}  // namespace kestrune
