// The advertising search of TKestruneSession: the engine's start, its stop,
// the key texts of the current query and the page shown again when the
// engine's items arrive.
#include <algorithm>

#include "app/kestrune_session.h"
#include "core/base.h"
#include "core/log_file.h"
#include "platform/text.h"

namespace kestrune {

namespace {

constexpr std::string_view kMivaTemplate = "miva";
constexpr std::string_view kBegunTemplate = "begun";

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

// The words of the keys (a phrase between double quotes) joined by ", ".
std::u16string JoinedWords(TKestruneSession& session, const TNNKeys& keys) {
  std::u16string text;
  for (const TNNKey& key : keys) {
    std::u16string word = session.ContentMapGetKeyName(key.Id);
    if (word.empty()) continue;
    if (key.Id >= kPhraseBase) word = u"\"" + word + u"\"";
    if (!text.empty()) text += u", ";
    text += word;
  }
  return text;
}

}  // namespace

void TKestruneSession::SetAdvertEngine(std::string_view templateName) {
  if (Advert.AdvertEngine && Advert.AdvertEngine->TemplateName() == templateName) return;
  if (!Advert.AdvertEngine) {
    Advert.AdvertEngine = std::make_unique<TAmazonCom>();
    const uint64_t generation = ++Advert.Generation;
    Advert.AdvertEngine->OnAdvertsReady = [this, generation] {
      // On the engine's worker: only the queued call reaches the session.
      if (IMainView* view = View) {
        view->PostToUi([this, generation] {
          if (generation == Advert.Generation) AdvertsReady();
        });
      }
    };
  }
  // Another template: the engine is stopped and reset before it loads.
  if (!Advert.AdvertEngine->UseTemplate(templateName)) {
    LogFile.Log("The advertising template " + std::string(templateName) + " could not be loaded (" +
                    Advert.AdvertEngine->ErrorText() + "); no advertising search runs",
                1);
    StopAdvertEngine();
    return;
  }
  Advert.Shown = Advert.AdvertEngine.get();
  Results.PageResults.Advertising = &Advert.Shown;
}

void TKestruneSession::StopAdvertEngine() {
  if (!Advert.AdvertEngine) return;
  Results.PageResults.Advertising = nullptr;
  Advert.Shown = nullptr;
  ++Advert.Generation;
  // The download is aborted, the worker woken and joined: no hook runs
  // after this.
  Advert.AdvertEngine->Shutdown();
  Advert.AdvertEngine.reset();
}

void TKestruneSession::StartAdvertisingEngines() {
  const int32_t language = Config.InterfaceLang & 0xFF;
  const bool mivaListed = std::any_of(Config.Engines.begin(), Config.Engines.end(),
                                      [](const TSearchEn& engine) { return AsciiLower(engine.Name) == kMivaTemplate; });
  if (mivaListed && language == kLangEnglish) SetAdvertEngine(kMivaTemplate);
  if (Config.AdvertisingBegun && language == kLangRussian) SetAdvertEngine(kBegunTemplate);
}

void TKestruneSession::StartAdvertSearch(std::u16string_view extra, int32_t tag) {
  TAmazonCom* engine = Advert.AdvertEngine.get();
  if (!engine) return;
  const bool begun = engine->TemplateName() == kBegunTemplate;
  // "begun" is asked with one text of words joined by ", "; the others with
  // the query's own words and its " -word" exclusions apart.
  const std::u16string_view separator = begun ? u", " : u" ";
  TNNKeys keys;
  std::u16string included;
  if (begun) {
    GetStepKeys(keys, QueryKind());
    included = JoinedWords(*this, keys);
  } else {
    included = Entry.GetQueryTextPart(1);
  }
  if (included.empty() || AsciiLower(Config.Settings.website) == AsciiLower(engine->TemplateName())) return;
  std::u16string excluded;
  if (begun) {
    keys.clear();
    GetStepKeys(keys, ExcludedKind());
    excluded = JoinedWords(*this, keys);
  } else {
    excluded = Entry.GetQueryTextPart(-1);
  }
  if (!extra.empty()) {
    std::u16string& text = extra.front() == u'-' ? excluded : included;
    // An exclusion of the others always stands after a blank.
    if (!text.empty() || !begun) text += separator;
    text += extra;
  }
  // The one text of "begun" keeps a separator between its two parts, so the
  // last query word and the first excluded word stay apart.
  const std::u16string keyText =
      begun && !excluded.empty() ? included + std::u16string(separator) + excluded : included + excluded;
  if (keyText == engine->KeyText()) {
    AdvertsReady();
    return;
  }
  if (engine->Busy()) engine->StopSearch();
  engine->Tag = tag;
  if (begun) {
    engine->StartSearch(keyText);
  } else {
    engine->StartKeyWordSearch(included, excluded);
  }
}

void TKestruneSession::AdvertsReady() {
  // The engine as the page builder reads it.
  const TAmazonCom* engine = Results.PageResults.Advertising ? *Results.PageResults.Advertising : nullptr;
  if (!engine || engine->ShownItemCount() == 0) return;
  if (Results.LastPageMode != kPageModeResults) return;
  if (MapView && (MapView->State() & IMapViewOps::kStateAnimation) != 0) return;
  ShowResults(kEditNone, kPageModeResults);
}

std::u16string TKestruneSession::AdvertHoverText(int32_t id) {
  std::u16string text = ContentMapGetKeyName(id);
  if (text.empty()) return text;
  if (id >= kPhraseBase) text = u"\"" + text + u"\"";
  if (ContentMap.ExcludedMode()) text.insert(text.begin(), u'-');
  return text;
}

}  // namespace kestrune
