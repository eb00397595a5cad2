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
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/kestrune_session.h"
#include "app/main_view.h"

namespace kestrune {

class TFKestruneMain : public QMainWindow, public IMainView {
 public:
  // The creation handler: the built-in English texts, then the session's
  // creation steps with this window as its view. The session must outlive
  // the window.
  explicit TFKestruneMain(TKestruneSession& session);
  // The destruction handler: the session's destruction steps (the settings
  // write, which raises nothing).
  ~TFKestruneMain() override;

  TKestruneSession& Session() { return session_; }

  // The interface language over every form: the built-in English file, the
  // chosen file, the message strings.
  void ApplyLanguage();

  // True once the window closed, or asked to close while it was created.
  bool Closed() const { return closed_; }
  // The session could not be created: the program cannot run.
  bool CreateFailed() const { return createFailed_; }
  // Called once when the window closes (the program block ends its loop).
  std::function<void()> OnClosed;

  // IMainView. Until the window's controls exist, their states are kept
  // here; the questions are message boxes with the same answers.
  int32_t MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags) override;
  void SetCaption(std::u16string_view caption) override;
  void CloseMainWindow() override;
  void SetBusyCursor(bool busy) override;
  void SetEnabled(TMainControl control, bool enabled) override;
  bool Enabled(TMainControl control) const override;
  void SetVisible(TMainControl control, bool visible) override;
  bool Visible(TMainControl control) const override;
  void SetText(TMainControl control, std::u16string_view text) override;
  void SetDown(TMainControl control, bool down) override;
  bool Down(TMainControl control) const override;
  void SetFocus(TMainControl control) override;
  TViewRect Bounds(TMainControl control) const override;
  void SetBounds(TMainControl control, const TViewRect& bounds) override;
  void SetProgress(int32_t position) override;
  std::u16string QueryText() const override;
  void SetQueryText(std::u16string_view text) override;
  void SetQueryItems(const std::vector<std::u16string>& items) override;
  void CloseQueryDropDown() override;
  int32_t MapWidth() const override;
  int32_t MapHeight() const override;
  void SetEngineItems(const std::vector<std::u16string>& items, int32_t selected) override;
  void SelectEngineItem(int32_t index) override;
  void ShowHtml(std::u16string_view html) override;
  int32_t AskChangeEngine() override;
  int32_t ShowOptionsForm(bool fromEngineBox) override;
  void PostToUi(std::function<void()> call) override;
  void WaitUntil(const std::function<bool()>& done) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct TControlState {
    bool Enabled = true;
    bool Visible = true;
    bool Down = false;
    std::u16string Text;
    TViewRect Bounds;
  };
  TControlState& State(TMainControl control) { return controls_[static_cast<size_t>(control)]; }
  const TControlState& State(TMainControl control) const { return controls_[static_cast<size_t>(control)]; }

  TKestruneSession& session_;
  bool creating_ = true;
  bool closed_ = false;
  bool createFailed_ = false;
  std::array<TControlState, static_cast<size_t>(TMainControl::kCount)> controls_;
  std::u16string queryText_;
  std::vector<std::u16string> queryItems_;
  std::vector<std::u16string> engineItems_;
  int32_t engineIndex_ = -1;
};

// The main window while it exists, else null.
extern TFKestruneMain* FKestruneMain;

}  // namespace kestrune
