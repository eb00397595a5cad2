// IOptionsHost: what the options dialog (app/options_model.h) asks of the
// main window. The session implements it; the dialog's tests record it.
// Used on the user-interface thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// What the dialog asks of the main window.
class IOptionsHost {
 public:
  virtual ~IOptionsHost() = default;
  // The interface language (TOptionsFields::InterfaceLang) applied to the
  // live forms and messages.
  virtual void ApplyLanguage() = 0;
  virtual void ShowStartPage() = 0;
  // The result page; (-2, 0) redraws the current page.
  virtual void ShowResults(int32_t page, int32_t mode) = 0;
  virtual void ResetKeepQuery() = 0;
  virtual void LoadDictionaries(bool reloadStopWords) = 0;
  // New query, and the search button.
  virtual void IBitmapButtonNewClick() = 0;
  virtual void BBtnSearchClick() = 0;
  virtual void SetAdvertEngine(std::string_view templateName) = 0;
  virtual void StopAdvertEngine() = 0;
  virtual bool GetAdvancedMode() = 0;
  virtual void SetAdvancedMode(bool on) = 0;
  virtual void ClearHistory() = 0;
  virtual void OpenInBrowser(std::u16string_view url) = 0;
  // The missing-dictionary question: platform::kIdYes or kIdNo; `dontAsk`
  // gets its "Don't ask me again" box.
  virtual int32_t AskNoDictionary(std::u16string_view text, bool& dontAsk) = 0;
  // The engine box CBWebSite: its items (the last is smMoreEngines) and the
  // selected one.
  virtual void SetEngineBox(const std::vector<std::u16string>& items, int32_t selected) = 0;
  virtual void SetMainCaption(std::u16string_view caption) = 0;
  // The current search step holds at least one key; and the main window's
  // "Refresh" button enabled.
  virtual bool CurrentStepHasKeys() = 0;
  virtual void EnableRefresh() = 0;
};

}  // namespace kestrune
