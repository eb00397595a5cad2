// TFAbout: the about box ("FAbout"): the picture Image1 with, over it, the
// maker's web address (TntLabel1), the support mail address (TntLabel3) and
// the program's version (lbuild, "version " + the file version of the running
// program). The two addresses are links (hand cursor): the web address opens
// in the user's browser (OpenUrlInBrowser), the mail address starts a mail to
// it (ISendMail, through OnSendMail when set). A click on the picture closes
// the box.
//
// The box is a frameless pop-up that stays on top: a mouse press anywhere
// outside it, in any window of the program, closes it.
// The main window's About menu item shows it modally, its logo modelessly
// (ShowAbout). All labels show their text as plain text.
//
// User-interface thread only.
#pragma once

#include <QDialog>
#include <QLabel>
#include <functional>
#include <string>
#include <string_view>

#include "app/browser_opener.h"
#include "app/send_mail.h"
#include "ui/ibitmap.h"

namespace kestrune {

// Opens a web address in the user's browser (IBrowserOpener::OpenInBrowser:
// http, https and ftp only). Nothing is shown when it cannot: a refused
// address, a missing opener or an error is dropped.
void OpenUrlInBrowser(IBrowserOpener* opener, std::u16string_view url);

class TFAbout : public QDialog {
 public:
  // opener: the desktop's opener (not owned; may be null).
  explicit TFAbout(IBrowserOpener* opener = nullptr, QWidget* parent = nullptr);
  ~TFAbout() override;

  ibitmap* Image1;
  QLabel* TntLabel1;  // the maker's web address
  QLabel* TntLabel3;  // the support address
  QLabel* lbuild;

  // The mail to the support address; unset: ISendMail::Send.
  std::function<void(ISendMail&)> OnSendMail;

  void FormShow();
  void TntLabel1Click();
  void TntLabel3Click();
  void Image1Click();

  // The About menu item (modal) and the logo (modeless): the program's box
  // (FAbout) when it exists, else one made for this showing (modeless: freed
  // when it closes).
  static void ShowAbout(bool modal, IBrowserOpener* opener, QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  IBrowserOpener* opener_;
};

// The about box while it exists, else null.
extern TFAbout* FAbout;

}  // namespace kestrune
