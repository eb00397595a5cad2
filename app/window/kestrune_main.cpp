#include "app/window/kestrune_main.h"

#include <QCloseEvent>
#include <exception>

#include "app/window/apply_language.h"
#include "core/log_file.h"
#include "core/message.h"

namespace kestrune {

TFKestruneMain* FKestruneMain = nullptr;

namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TFKestruneMain::TFKestruneMain(TKestruneSession& session) : session_(session) {
  setObjectName("FKestruneMain");
  resize(1024, 700);
  FKestruneMain = this;
  session_.View = this;
  ApplyBuiltInLanguage(*this);
  try {
    session_.LoadSettings();
  } catch (const std::exception& error) {
    LogFile.Log(std::string("Error in procedure TFKestruneMain.FormCreate: ") + error.what(), 2);
  }
  creating_ = false;
}

TFKestruneMain::~TFKestruneMain() {
  try {
    session_.SaveSettings();
  } catch (const std::exception& error) {
    LogFile.Log(std::string("Error in procedure TFKestruneMain.FormDestroy: ") + error.what(), 2);
  }
  if (session_.View == this) session_.View = nullptr;
  if (FKestruneMain == this) FKestruneMain = nullptr;
}

void TFKestruneMain::ApplyLanguage() {
  kestrune::ApplyLanguage(session_.LanguageFolder, session_.LngHeaders, session_.InterfaceLang);
}

int32_t TFKestruneMain::MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags) {
  return ShowMessageBox(text, caption, flags);
}

void TFKestruneMain::SetCaption(std::u16string_view caption) { setWindowTitle(ToQString(caption)); }

void TFKestruneMain::CloseMainWindow() {
  if (creating_) {
    closed_ = true;  // the program block ends the program before its loop
    return;
  }
  close();
}

void TFKestruneMain::closeEvent(QCloseEvent* event) {
  event->accept();
  QMainWindow::closeEvent(event);
  if (closed_) return;
  closed_ = true;
  if (OnClosed) OnClosed();
}

}  // namespace kestrune
