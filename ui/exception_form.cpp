#include "ui/exception_form.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

#include "app/bug_report.h"
#include "core/log_file.h"

namespace kestrune {

TExceptionForm* ExceptionForm = nullptr;

namespace {

// The handler the form installs, told apart from others by its type.
struct TFormHandler {
  TExceptionForm* form;
  void operator()(const std::exception& exception) const { form->HandleException(exception); }
};

}  // namespace

TExceptionForm::TExceptionForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("ExceptionForm");
  setModal(true);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setTextFormat(Qt::PlainText);
  Label1->setWordWrap(true);
  Label1->setFixedWidth(420);
  Button1 = new QPushButton(this);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  Button2 = new QPushButton(this);
  Button2->setObjectName("Button2");

  auto* column = new QVBoxLayout(this);
  column->addWidget(Label1);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(Button1);
  row->addWidget(Button2);
  column->addLayout(row);
  column->setSizeConstraint(QLayout::SetFixedSize);

  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  previousHandler_ = std::move(ApplicationExceptionHandler);
  ApplicationExceptionHandler = TFormHandler{this};
  ExceptionForm = this;
}

TExceptionForm::~TExceptionForm() {
  if (const TFormHandler* handler = ApplicationExceptionHandler.target<TFormHandler>();
      handler && handler->form == this) {
    ApplicationExceptionHandler = std::move(previousHandler_);
  }
  if (ExceptionForm == this) ExceptionForm = nullptr;
}

void TExceptionForm::Button1Click() {
  SendBugReport(OnSendMail);
  // The mail program's end is told through the event loop.
  QEventLoop loop;
  QTimer tick;
  const QDeadlineTimer deadline(kMailWaitMs);
  connect(&tick, &QTimer::timeout, &loop, [&] {
    if (ISendMail::Running() == 0 || deadline.hasExpired()) loop.quit();
  });
  if (ISendMail::Running() > 0) {
    tick.start(20);
    loop.exec();
  }
  close();
}

void TExceptionForm::Button2Click() { close(); }

void TExceptionForm::HandleException(const std::exception& exception) {
  LogFile.HandleException(exception);
  if (showing_) return;
  showing_ = true;
  exec();
  showing_ = false;
}

}  // namespace kestrune
