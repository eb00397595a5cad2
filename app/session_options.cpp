// The options dialog's host on TKestruneSession: what the dialog asks of the
// main window, and the saved option set applied by New query.
#include <algorithm>

#include "app/browser_opener.h"
#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// True when `item` is one whole item of a list joined by ", ".
bool ListHolds(std::string_view list, std::string_view item) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view part = list.substr(start, end - start);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (!part.empty() && part == item) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

void TKestruneSession::ApplySavedOptions() {
  const TDefaultOptions& saved = Config.SavedOptions;
  TMainSettings& s = Config.Settings;
  s.TrackPosContext = std::clamp(saved.TrackPosContext, kMinTrackPosContext, kMaxTrackPosContext);
  s.TrackPosExact = std::clamp(saved.TrackPosExact, 0, kMaxTrackPosExact);
  Config.MatchSetting = s.TrackPosExact;
  ContentMap.SetWordCount(s.TrackPosContext);
  if (View) View->SetTrackBars(s.TrackPosContext, s.TrackPosExact);
  s.TPCountFromSite = saved.LinksToDownload;
  Config.LinksToDownload = saved.LinksToDownload;
  s.ExcludeWithContext = saved.ExcludeWithContext;
  s.AutoRefresh = saved.AutoRefresh;
  s.DistinguishWordForms = saved.WordForms;
  TextParsing.SetianwWord(saved.WordForms);

  // The engines: enabled exactly as the saved list names them; a current
  // engine it does not name gives way to the saved current engine.
  s.Lwebsite = saved.EnabledEngines;
  for (TSearchEn& engine : Config.Engines) engine.Enabled = EngineEnabledIn(saved.EnabledEngines, engine.Name);
  if (!EngineEnabledIn(saved.EnabledEngines, s.website)) {
    s.website = platform::Utf16ToUtf8(saved.CurrentEngine);
  }
  Config.FillEngineBox();

  // The dictionaries: active exactly as the saved list names their languages.
  bool changed = false;
  for (TDictionaryEntry& entry : Config.DictionaryList) {
    const bool active = ListHolds(saved.ActiveDictionaries, entry.Language);
    changed = changed || active != entry.Active;
    entry.Active = active;
  }
  if (changed) LoadDictionaries(true);
}

void TKestruneSession::ApplyLanguage() {
  if (Hooks.OnApplyLanguage) {
    Hooks.OnApplyLanguage();
  } else {
    LogFile.Log("Options: no window applies the interface language");
  }
}


void TKestruneSession::OpenInBrowser(std::u16string_view url) {
  if (Opener) Opener->OpenInBrowser(url);
}

int32_t TKestruneSession::AskNoDictionary(std::u16string_view text, bool& dontAsk) {
  dontAsk = false;
  return View ? View->AskNoDictionary(text, dontAsk) : platform::kIdNo;
}

void TKestruneSession::SetEngineBox(const std::vector<std::u16string>& items, int32_t selected) {
  Config.EngineBoxItems = items;
  if (View) View->SetEngineItems(items, selected);
}

void TKestruneSession::SetMainCaption(std::u16string_view caption) {
  if (View) View->SetCaption(caption);
}

bool TKestruneSession::CurrentStepHasKeys() {
  TNNKeys keys;
  for (int32_t kind = kKindQuery; kind <= kKindMarks; ++kind) GetStepKeys(keys, kind);
  return !keys.empty();
}

void TKestruneSession::EnableRefresh() { SetEnabled(TMainControl::ibitmapButton1, true); }

}  // namespace kestrune
