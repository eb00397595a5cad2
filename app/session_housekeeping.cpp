// The housekeeping commands of TKestruneSession: the interface language's
// dictionary, the history, the words marked on the map, the scope entries of
// the result page, the window's activation and the map panel's width, and
// the network edit panel's hooks.
#include <cmath>

#include "app/kestrune_session.h"
#include "core/base.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kestrune {

void TKestruneSession::CheckLanguageDictionary() {
  const int32_t id = Config.InterfaceLang & 0xFF;
  TDictionaryEntry* found = nullptr;
  for (TDictionaryEntry& entry : Config.DictionaryList) {
    if (entry.Header.DictID == id) {
      found = &entry;
      break;
    }
  }
  TMainSettings& s = Config.Settings;
  const std::u16string& language = LanguageName(Config.InterfaceLang);
  bool dontAsk = false;
  if (!found) {
    if (!s.AskDownloadDictForLng) return;
    const std::u16string text = MessageStrings.smNoDictForLng1 + language + MessageStrings.smNoDictForLng2;
    if (AskNoDictionary(text, dontAsk) == platform::kIdYes) OpenInBrowser(MessageStrings.UrlForDownloadingMoreDict);
    if (dontAsk) s.AskDownloadDictForLng = false;
    return;
  }
  if (found->Active) return;
  bool activate = false;
  if (s.AskActivateDict) {
    const std::u16string text = MessageStrings.smNADictForLng1 + language + MessageStrings.smNADictForLng2;
    activate = AskNoDictionary(text, dontAsk) == platform::kIdYes;
    if (dontAsk) s.AutoActivateDictForLng = activate;
    s.AskActivateDict = !dontAsk;
  } else {
    activate = s.AutoActivateDictForLng;
  }
  if (!activate) return;
  found->Active = true;
  LoadDictionaries(true);
  // The saved option set names the active dictionaries by language.
  std::string active;
  for (const TDictionaryEntry& entry : Config.DictionaryList) {
    if (!entry.Active) continue;
    active += (active.empty() ? "" : ", ") + entry.Language;
  }
  Config.SavedOptions.ActiveDictionaries = active;
}

void TKestruneSession::TellStartDamage() {
  if (startDamageTold_) return;
  startDamageTold_ = true;
  const TMessageStrings& m = MessageStrings;
  if (!Config.DamagedSettingsCopy.empty()) {
    ShowMessage(m.smSettingsDamaged + u"\n" + Config.DamagedSettingsCopy, m.smMes,
                platform::kMbOk | platform::kMbIconWarning);
  }
  std::u16string files;
  for (const TUnreadDictionary& file : Config.UnreadDictionaries) {
    const bool unopened = !file.Listed && file.Result == TIWordDictionary::kFileCorrupt;
    const std::u16string& why = file.Result == TIWordDictionary::kFileCRCMismatch ? m.smDictionaryChecksum
                                : unopened                                        ? m.smProjectFileUnreadable
                                                                                  : m.smDictionaryDamaged;
    files += u"\n" + platform::Utf8ToUtf16(file.FileName) + u" - " + why;
  }
  if (!files.empty()) ShowMessage(m.smDictionariesNotRead + files, m.smMes, platform::kMbOk | platform::kMbIconWarning);
}

void TKestruneSession::ClearHistory() {
  Entry.QueryItems.clear();
  if (View) View->SetQueryItems(Entry.QueryItems);
  const std::u16string file = Config.BasesFolder + u"query.dat";
  if (platform::FileExists(file) && !platform::RemoveFile(file)) {
    LogFile.Log("The query history " + platform::Utf16ToUtf8(file) + " could not be deleted", 1);
  }
  Entry.HistoryCleared = true;
  Config.ClearRecent();
  Results.PageResults.LastQueryHtml.clear();
  Results.PageResults.LastProjectHtml.clear();
  ShowResults(kEditNone, kPageModeChosen);
}

void TKestruneSession::TBtnWizClick() { ContentMapReGenerate(); }

void TKestruneSession::pmDeleteMetaDataClick() {
  if (ShowMessageBox(MessageStrings.smMesWarningDeleteMetaData, MessageStrings.smCapWarningDeleteMetaData,
                     platform::kMbYesNo | platform::kMbIconWarning) != platform::kIdYes) {
    return;
  }
  ClearProject();
  // The documents are gone from what a save would write.
  MarkProjectChanged();
  // The scopes stay and become the map.
  for (const TScopeWords& scope : Project.Scope.GetScopes()) {
    for (const TNNKeys* keys : {&scope.Included, &scope.Excluded}) {
      for (const TNNKey& key : *keys) {
        if (IContextMS1.FindWordElement(key.Id) < 0) IContextMS1.AddWord(key.Id);
      }
    }
  }
  ContentMap.SetNoQueryMode(true);
  Steps.SetNoQuery(true);
  ContentMapReGenerate();
  ShowResults(kEditNone, kPageModeChosen);
}

void TKestruneSession::DeleteMarkedWords(bool makeStopWords) {
  IControlKeys& steps = ContentMap.Steps();
  const TNNKeys group = Map.MarkedGroup;
  for (const TNNKey& key : group) {
    const int32_t element = IContextMS1.FindWordElement(key.Id);
    if (element >= 0) IContextMS1.Network().DeleteElement({TIContextMS::kWordLayer, element});
    if (makeStopWords) {
      if (TWDWord* word = WordDictionary.GetWord(key.Id)) {
        Project.AddStopWord(word->GetText());
        word->SetFlags(static_cast<uint16_t>(word->GetFlags() | TWDWord::kFlagMark));
      }
    }
    steps.Remove(kKindQuery, key.Id);
  }
  if (MapView) MapView->LeaveState(IMapViewOps::kStatePopup);
  ContentMapReGenerate();
  ShowResults(kEditNone, kPageModeChosen);
  MarkProjectChanged();
}

void TKestruneSession::setasstopword1Click() { DeleteMarkedWords(true); }

void TKestruneSession::deleteword1Click() { DeleteMarkedWords(false); }

void TKestruneSession::UpdateEntry1Click() {
  // "Set as current": the scope's query, as its link on the page runs it.
  SelectScope(Commands.PagePopupScope);
}

void TKestruneSession::DeleteEntry1Click() {
  if (!Project.Scope.IsValidIndex(Commands.PagePopupScope)) return;
  DeleteScope(Commands.PagePopupScope);
  ShowResults(kEditNone, kPageModeResults);
}

void TKestruneSession::WMActivate(bool active) {
  if (!MapView) return;
  if (active) {
    MapView->LeaveState(IMapViewOps::kStateInactive);
  } else {
    MapView->EnterState(IMapViewOps::kStateInactive);
  }
}

int32_t TKestruneSession::Panel1CanResize(int32_t containerWidth, double percent) {
  return static_cast<int32_t>(std::nearbyint(containerWidth / 100.0 * percent));
}

// ---------------------------------------------------------------------------
// The network edit panel.

TEditPanelHost TKestruneSession::EditPanelHost() {
  TEditPanelHost host;
  host.QueryWords = [this] {
    std::vector<int32_t> words;
    for (const TControlKeyCell& cell : ContentMap.Steps().GetCurrent()[kKindQuery]) words.push_back(cell.Key.Id);
    return words;
  };
  host.MakeOnlyQueryWord = [this](int32_t wordId) {
    IControlKeys& steps = ContentMap.Steps();
    steps.ClearKind(kKindQuery);
    steps.SetValue(kKindQuery, wordId, kQueryWeight);
    MarkProjectChanged();
    ContentMapReGenerate();
    ShowResults(kEditNone, kPageModeChosen);
  };
  host.AddToQuery = [this](std::u16string_view text) {
    TextParsing.Parse(text);
    TParsingText parse = TextParsing.ParsingText();
    FormsStore.TakeForms(parse);
    std::u16string error;
    if (!Entry.wordsToIndex(parse, true, error)) return;
    MarkProjectChanged();
    FeedNetworkAgain();
    ContentMapReGenerate();
    ShowResults(kEditNone, kPageModeChosen);
  };
  host.RebuildMap = [this] { ContentMapReGenerate(); };
  host.ShowPage = [this] { ShowResults(kEditNone, kPageModeChosen); };
  return host;
}

}  // namespace kestrune
