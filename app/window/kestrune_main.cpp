#include "app/window/kestrune_main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <exception>

#include "app/window/apply_language.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"

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
  ApplyBuiltInLanguage(*this);
  State(TMainControl::IComboBox1).Bounds = {0, 0, 200, 24};
  State(TMainControl::BBtnSearch).Bounds = {215, 0, 80, 24};
  try {
    createFailed_ = !session_.Create(this, nullptr, nullptr);
  } catch (const std::exception& error) {
    LogFile.Log(std::string("Error in procedure TFKestruneMain.FormCreate: ") + error.what(), 2);
  }
  creating_ = false;
}

TFKestruneMain::~TFKestruneMain() {
  try {
    session_.Destroy();
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

void TFKestruneMain::SetBusyCursor(bool busy) {
  if (busy) {
    setCursor(Qt::BusyCursor);
  } else {
    unsetCursor();
  }
}

void TFKestruneMain::SetEnabled(TMainControl control, bool enabled) { State(control).Enabled = enabled; }

bool TFKestruneMain::Enabled(TMainControl control) const { return State(control).Enabled; }

void TFKestruneMain::SetVisible(TMainControl control, bool visible) { State(control).Visible = visible; }

bool TFKestruneMain::Visible(TMainControl control) const { return State(control).Visible; }

void TFKestruneMain::SetText(TMainControl control, std::u16string_view text) { State(control).Text = text; }

void TFKestruneMain::SetDown(TMainControl control, bool down) { State(control).Down = down; }

bool TFKestruneMain::Down(TMainControl control) const { return State(control).Down; }

void TFKestruneMain::SetFocus(TMainControl) {}

TViewRect TFKestruneMain::Bounds(TMainControl control) const { return State(control).Bounds; }

void TFKestruneMain::SetBounds(TMainControl control, const TViewRect& bounds) { State(control).Bounds = bounds; }

void TFKestruneMain::SetProgress(int32_t) {}

std::u16string TFKestruneMain::QueryText() const { return queryText_; }

void TFKestruneMain::SetQueryText(std::u16string_view text) { queryText_ = text; }

void TFKestruneMain::SetQueryItems(const std::vector<std::u16string>& items) { queryItems_ = items; }

void TFKestruneMain::CloseQueryDropDown() {}

int32_t TFKestruneMain::MapWidth() const { return width(); }

int32_t TFKestruneMain::MapHeight() const { return height(); }

void TFKestruneMain::SetEngineItems(const std::vector<std::u16string>& items, int32_t selected) {
  engineItems_ = items;
  engineIndex_ = selected;
}

void TFKestruneMain::SelectEngineItem(int32_t index) { engineIndex_ = index; }

void TFKestruneMain::ShowHtml(std::u16string_view) {}

int32_t TFKestruneMain::AskChangeEngine() {
  return ShowMessageBox(MessageStrings.smWantResend, MessageStrings.smMes,
                        platform::kMbYesNo | platform::kMbIconQuestion);
}

int32_t TFKestruneMain::ShowOptionsForm(bool) { return platform::kIdCancel; }

void TFKestruneMain::PostToUi(std::function<void()> call) {
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void TFKestruneMain::WaitUntil(const std::function<bool()>& done) {
  // Every queued call wakes the loop; the test runs after each.
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TFKestruneMain::closeEvent(QCloseEvent* event) {
  event->accept();
  QMainWindow::closeEvent(event);
  if (closed_) return;
  closed_ = true;
  if (OnClosed) OnClosed();
}

}  // namespace kestrune
