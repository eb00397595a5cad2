// TFConnect: the proxy-login form ("FConnect"), the prompt of the connection
// probe (app/connect_probe.h). It asks for a proxy user name and password:
// two labels, two boxes (the password box masks its text), OK, Cancel and a
// "Remember my password" box that is never read: nothing typed here is stored.
// Its captions come from the language files; above the boxes, while the proxy
// has refused the login given last, the line smProxyLoginRefused.
//
// The form is created at program start and kept for the run; it is shown
// only by AskProxyLogin, modally, with empty boxes, on the user-interface
// thread. A probe on another thread asks through a queued call and waits for
// the answer. Given a probe, the form is its prompt from construction to
// destruction; the destruction releases a waiting probe with Cancel. A probe
// thread must not start a question after the destruction began (the update
// check ends its thread when the main window closes, before the forms go).
//
// CancelProxyLogin answers Cancel to the question showing and to those still
// queued: a waiting probe thread returns at once, without the user-interface
// thread (which may be waiting for that probe to end).
//
// Widgets are used on the user-interface thread (the thread that made the
// form); AskProxyLogin and CancelProxyLogin may be called from any thread.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>
#include <string>

#include "app/connect_probe.h"

namespace kestrune {

class TFConnect : public QDialog, public IProxyLoginPrompt {
 public:
  // probe: the probe whose Prompt the form is (may be null; not owned).
  explicit TFConnect(TConnectProbe* probe = nullptr, QWidget* parent = nullptr);
  ~TFConnect() override;

  // The components, named (objectName) as the language files name them.
  QLabel* TLRefused;  // smProxyLoginRefused, shown for a refused login
  QLabel* TLUName;
  QLineEdit* TEdUName;
  QLabel* TLPassword;
  QLineEdit* TEdPassword;
  QPushButton* TBOk;
  QPushButton* TBCancel;
  QCheckBox* TCBRemPasswd;

  // "Ok" after OK, "Cancel" after Cancel (or Esc, or the close box), empty
  // while the form is shown.
  const std::string& DialogResult() const { return dialogResult_; }

  void TBOkClick();
  void TBCancelClick();

  // IProxyLoginPrompt. False at once when the form is shown already.
  bool AskProxyLogin(std::string& user, std::string& password, bool refused) override;
  void CancelProxyLogin() override;

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
  void reject() override;

 private:
  bool AskOnOwnThread(std::string& user, std::string& password, bool refused);

  struct TWaiters;
  std::shared_ptr<TWaiters> waiters_;
  TConnectProbe* probe_;
  std::string dialogResult_;
};

// The form while it exists, else null.
extern TFConnect* FConnect;

}  // namespace kestrune
