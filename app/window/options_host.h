// The options dialog's host over the session as it stands: what the dialog
// asks of the main window, forwarded to the session's own operations where
// they exist, and logged where the main window has none yet (the start page,
// resetting the query while keeping it, clearing the history, the
// advertising engine). It also holds the two flags of the main window's new
// query the dialog sets (ApplyDefaultsOnNewQuery, MarkProjectChanged) until
// the session keeps them.
//
// Used on the user-interface thread only.
#pragma once

#include <memory>

#include "app/kestrune_session.h"
#include "app/options_model.h"
#include "ui/options_form.h"

namespace kestrune {

class TSessionOptionsHost : public IOptionsHost {
 public:
  explicit TSessionOptionsHost(TKestruneSession& session) : session_(session) {}

  bool ApplyDefaultsOnNewQuery = true;
  bool MarkProjectChanged = true;

  void ApplyLanguage() override;
  void ShowStartPage() override;
  void ShowResults(int32_t page, int32_t mode) override;
  void ResetKeepQuery() override;
  void LoadDictionaries(bool reloadStopWords) override;
  void IBitmapButtonNewClick() override;
  void BBtnSearchClick() override;
  void SetAdvertEngine(std::string_view templateName) override;
  void StopAdvertEngine() override;
  bool GetAdvancedMode() override;
  void SetAdvancedMode(bool on) override;
  void ClearHistory() override;
  void OpenInBrowser(std::u16string_view url) override;
  int32_t AskNoDictionary(std::u16string_view text, bool& dontAsk) override;
  void SetEngineBox(const std::vector<std::u16string>& items, int32_t selected) override;
  void SetMainCaption(std::u16string_view caption) override;
  bool CurrentStepHasKeys() override;
  void EnableRefresh() override;

  // The session's fields as the dialog edits them.
  TOptionsFields Fields();

 private:
  TKestruneSession& session_;
};

// The options form over the session, owning its host.
std::unique_ptr<TOptionsForm> MakeSessionOptionsForm(TKestruneSession& session);

}  // namespace kestrune
