// TExceptionForm: the bug-report form ("ExceptionForm"), shown after an
// exception reached the program's event loop: the explanation Label1 and the
// buttons Button1 ("Send") and Button2 ("Don't send"). Send compresses the
// log and hands the mail with it to the user's mail program
// (SendBugReport, app/bug_report.h; the mail through OnSendMail when set),
// then closes the form; Don't send only closes it. As the program ends once
// the form has closed, Send waits up to kMailWaitMs for the mail program to
// end (ISendMail::Running), so that a mail program that fails is told first.
//
// While it exists the form is the program's ApplicationExceptionHandler
// (core/log_file.h): an exception is logged at [Except] and the form is
// shown modally; the event loop's caller ends the program afterwards. An
// exception raised while the form is shown is only logged. Its destruction
// gives the handler back to the one it replaced.
//
// User-interface thread only.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <exception>
#include <functional>

#include "app/send_mail.h"

namespace kestrune {

class TExceptionForm : public QDialog {
 public:
  static constexpr int kMailWaitMs = 3000;

  explicit TExceptionForm(QWidget* parent = nullptr);
  ~TExceptionForm() override;

  QLabel* Label1;
  QPushButton* Button1;  // Send
  QPushButton* Button2;  // Don't send

  // The bug report's mail; unset: ISendMail::Send.
  std::function<void(ISendMail&)> OnSendMail;

  void Button1Click();
  void Button2Click();
  // The program's exception handler: the [Except] line, then the form.
  void HandleException(const std::exception& exception);

 private:
  std::function<void(const std::exception&)> previousHandler_;
  bool showing_ = false;
};

// The form while it exists, else null.
extern TExceptionForm* ExceptionForm;

}  // namespace kestrune
