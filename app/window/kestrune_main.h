// TFKestruneMain: the main window, a thin shell over the session
// (TKestruneSession). Creating it loads the main window's settings; destroying
// it writes them back; closing it ends the program's message loop. It shows
// what the session decides through IMainView.
//
// The window carries the objectName "FKestruneMain", which the language files
// name it by; its texts come from the built-in English file when it is
// constructed and from the chosen language file by ApplyLanguage. While it
// exists, the global FKestruneMain points at it.
//
// Used on the user-interface thread only.
#pragma once

#include <QMainWindow>
#include <functional>

#include "app/kestrune_session.h"
#include "app/main_view.h"

namespace kestrune {

class TFKestruneMain : public QMainWindow, public IMainView {
 public:
  // The creation handler: the session's View, the built-in English texts, the
  // settings load. The session must outlive the window.
  explicit TFKestruneMain(TKestruneSession& session);
  // The destruction handler: the settings write (which raises nothing).
  ~TFKestruneMain() override;

  TKestruneSession& Session() { return session_; }

  // The interface language over every form: the built-in English file, the
  // chosen file, the message strings.
  void ApplyLanguage();

  // True once the window closed, or asked to close while it was created.
  bool Closed() const { return closed_; }
  // Called once when the window closes (the program block ends its loop).
  std::function<void()> OnClosed;

  // IMainView
  int32_t MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags) override;
  void SetCaption(std::u16string_view caption) override;
  void CloseMainWindow() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  TKestruneSession& session_;
  bool creating_ = true;
  bool closed_ = false;
};

// The main window while it exists, else null.
extern TFKestruneMain* FKestruneMain;

}  // namespace kestrune
