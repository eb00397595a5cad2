#include "app/window/options_host.h"

#include "app/browser_opener.h"
#include "app/window/apply_language.h"
#include "core/log_file.h"
#include "platform/message_box.h"

namespace kestrune {

void TSessionOptionsHost::ApplyLanguage() {
  kestrune::ApplyLanguage(session_.LanguageFolder, session_.LngHeaders, session_.InterfaceLang);
}

void TSessionOptionsHost::ShowStartPage() { LogFile.Log("Options: the start page is not shown yet"); }

void TSessionOptionsHost::ShowResults(int32_t page, int32_t mode) { session_.ShowResults(page, mode); }

void TSessionOptionsHost::ResetKeepQuery() { LogFile.Log("Options: the query is not reset yet"); }

void TSessionOptionsHost::LoadDictionaries(bool reloadStopWords) { session_.LoadDictionaries(reloadStopWords); }

void TSessionOptionsHost::IBitmapButtonNewClick() { session_.IBitmapButtonNewClick(); }

void TSessionOptionsHost::BBtnSearchClick() { session_.BBtnSearchClick(); }

void TSessionOptionsHost::SetAdvertEngine(std::string_view templateName) {
  LogFile.Log("Options: advertising engine " + std::string(templateName));
}

void TSessionOptionsHost::StopAdvertEngine() { LogFile.Log("Options: advertising engine stopped"); }

bool TSessionOptionsHost::GetAdvancedMode() { return session_.Settings.AdvanceMode; }

void TSessionOptionsHost::SetAdvancedMode(bool) {}  // advanced mode stays off

void TSessionOptionsHost::ClearHistory() { LogFile.Log("Options: the history is not cleared yet"); }

void TSessionOptionsHost::OpenInBrowser(std::u16string_view url) {
  if (session_.Opener) session_.Opener->OpenInBrowser(url);
}

int32_t TSessionOptionsHost::AskNoDictionary(std::u16string_view text, bool& dontAsk) {
  dontAsk = false;
  return session_.View ? session_.View->AskNoDictionary(text, dontAsk) : platform::kIdNo;
}

void TSessionOptionsHost::SetEngineBox(const std::vector<std::u16string>& items, int32_t selected) {
  session_.EngineBoxItems = items;
  if (session_.View) session_.View->SetEngineItems(items, selected);
}

void TSessionOptionsHost::SetMainCaption(std::u16string_view caption) {
  if (session_.View) session_.View->SetCaption(caption);
}

bool TSessionOptionsHost::CurrentStepHasKeys() {
  TNNKeys keys;
  for (int32_t kind = kKindQuery; kind <= kKindMarks; ++kind) session_.GetStepKeys(keys, kind);
  return !keys.empty();
}

void TSessionOptionsHost::EnableRefresh() {
  if (session_.View) session_.View->SetEnabled(TMainControl::ibitmapButton1, true);
}

TOptionsFields TSessionOptionsHost::Fields() {
  TKestruneSession& s = session_;
  return TOptionsFields{s.Settings,
                        s.SavedOptions,
                        s.FactoryOptions,
                        s.LinksToDownload,
                        s.Engines,
                        s.CurrentEngineTemplate,
                        s.AdvertisingBegun,
                        s.DictionaryList,
                        s.LanguageList,
                        s.InterfaceLang,
                        s.ProjectName,
                        s.EngineChangePending,
                        ApplyDefaultsOnNewQuery,
                        MarkProjectChanged,
                        &s.TextParsing,
                        s.EngineFolder(),
                        s.DictionariesFolder()};
}

std::unique_ptr<TOptionsForm> MakeSessionOptionsForm(TKestruneSession& session) {
  auto host = std::make_unique<TSessionOptionsHost>(session);
  TOptionsFields fields = host->Fields();
  return std::make_unique<TOptionsForm>(std::move(fields), std::move(host));
}

}  // namespace kestrune
