#include "app/options_model.h"

#include <algorithm>
#include <memory>
#include <unordered_set>
#include <utility>

#include "core/base.h"
#include "core/find_files.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/text.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;
using platform::WideLowerCase;

namespace {

// Sets a flag and restores a value when the scope ends.
class TFlagScope {
 public:
  TFlagScope(bool& flag, bool during, bool after) : flag_(flag), after_(after) { flag_ = during; }
  ~TFlagScope() { flag_ = after_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
  bool after_;
};

std::string LowerUtf8(std::string_view text) { return Utf16ToUtf8(WideLowerCase(Utf8ToUtf16(text))); }

std::u16string FileNameOf(std::u16string_view path) {
  const size_t slash = path.find_last_of(u'/');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

bool EndsWithExactly(std::u16string_view text, std::u16string_view end) {
  return text.size() > end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

std::u16string FormatWordCount(int64_t count) {
  if (count == 0) return {};
  const bool negative = count < 0;
  std::string digits = std::to_string(count);
  if (negative) digits.erase(0, 1);
  std::u16string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += u',';
    text += static_cast<char16_t>(digits[i]);
  }
  return negative ? u"-" + text : text;
}

int32_t TOptionsModel::LinksPosition(int32_t links) {
  for (int32_t i = 0; i < 5; ++i) {
    if (kLinksCounts[i] == links) return i + 1;
  }
  return 0;
}

TOptionsFields SessionOptionsFields(TKestruneSession& session) {
  TSessionSettings& c = session.Config;
  return TOptionsFields{c.Settings,
                        c.SavedOptions,
                        c.FactoryOptions,
                        c.LinksToDownload,
                        c.Engines,
                        c.CurrentEngineTemplate,
                        c.AdvertisingBegun,
                        c.DictionaryList,
                        session.Start.LanguageList,
                        c.InterfaceLang,
                        session.Project.ProjectName,
                        c.EngineChangePending,
                        session.NewQuery.ApplyDefaultsOnNewQuery,
                        session.NewQuery.MarkProjectChanged,
                        &session.TextParsing,
                        c.EngineFolder(),
                        session.DictionariesFolder()};
}

TOptionsModel::TOptionsModel(TOptionsFields fields, IOptionsHost& host) : f_(std::move(fields)), host_(host) {
  ClosedByButton = false;
  f_.Settings.ExcludeWithContext = false;
  WithContext = false;
  OpenAtEngines = false;
  f_.MarkProjectChanged = true;
}

// ---------------------------------------------------------------------------
// Showing and the page list.

void TOptionsModel::FormShow() {
  ClosedByButton = false;
  const TMainSettings& s = f_.Settings;
  const bool projectOpen = !f_.ProjectName.empty();
  SetAsDefault = !projectOpen;
  SetAsDefaultEnabled = projectOpen;
  Ask = s.AskActivateDict;
  AskDownload = s.AskDownloadDictForLng;
  Advance = host_.GetAdvancedMode();
  Name = s.Author;
  Company = s.Org;
  SaveReminder = s.askforsave;
  WithContext = InitialWithContext = s.ExcludeWithContext;
  DoRefresh = s.AutoRefresh;
  TimerRunning = true;
  Page = OpenAtEngines ? opSearchEngines : opGeneral;

  DictionaryRows.clear();
  FillDictionaryList();
  OnlyStopWords = s.DistinguishWordForms;
  OnlyStopWordsEnabled = AnyDictionaryChecked();

  LinksCount = InitialLinksCount = s.TPCountFromSite;
  if (const int32_t position = LinksPosition(LinksCount)) TrackPosition = position;

  EngineRows.clear();
  FillEngineList();

  InitialLanguage = f_.InterfaceLang;
  LanguageRows.clear();
  SelectedLanguage = -1;
  for (const TLngListEntry& entry : f_.LanguageList) {
    if (SelectedLanguage < 0 && entry.LangID == f_.InterfaceLang) {
      SelectedLanguage = static_cast<int32_t>(LanguageRows.size());
    }
    LanguageRows.push_back({entry.Language, entry.LangAuthor, entry.LangID});
  }
}

void TOptionsModel::ListBoxClick(int32_t index) {
  if (index >= 0 && index < opPageCount) Page = index;
}

void TOptionsModel::TBCountChange(int32_t position) {
  if (position < 1 || position > 5) return;
  TrackPosition = position;
  LinksCount = kLinksCounts[position - 1];
}

// ---------------------------------------------------------------------------
// What acts at once.

void TOptionsModel::ChBxWithContextClick(bool checked) {
  WithContext = checked;
  f_.Settings.ExcludeWithContext = checked;
  Redraw();
}

void TOptionsModel::lvDictionariesClick() { OnlyStopWordsEnabled = AnyDictionaryChecked(); }

void TOptionsModel::LVLangClick(int32_t row) {
  if (row < 0 || row >= static_cast<int32_t>(LanguageRows.size())) return;
  SelectedLanguage = row;
  const int32_t id = LanguageRows[static_cast<size_t>(row)].LangID;
  if (id == f_.InterfaceLang) return;
  f_.InterfaceLang = id;
  host_.ApplyLanguage();
  host_.ShowStartPage();
  Redraw();
}

void TOptionsModel::RestoreLanguage() {
  if (f_.InterfaceLang == InitialLanguage) return;
  f_.InterfaceLang = InitialLanguage;
  host_.ApplyLanguage();
  host_.ShowStartPage();
  Redraw();
}

void TOptionsModel::UndoImmediateChanges() {
  const bool contextChanged = f_.Settings.ExcludeWithContext != InitialWithContext;
  f_.Settings.ExcludeWithContext = WithContext = InitialWithContext;
  if (f_.InterfaceLang != InitialLanguage) {
    RestoreLanguage();  // redraws the page too
  } else if (contextChanged) {
    Redraw();
  }
}

void TOptionsModel::TBtnClearHistoryClick() { host_.ClearHistory(); }

void TOptionsModel::DownloadFromSiteClick() { host_.OpenInBrowser(MessageStrings.UrlForDownloadingMoreEngines); }
void TOptionsModel::DownloadFromSiteDictClick() { host_.OpenInBrowser(MessageStrings.UrlForDownloadingMoreDict); }
void TOptionsModel::DownloadFromSiteLangClick() { host_.OpenInBrowser(MessageStrings.UrlForDownloadingMoreLang); }

// ---------------------------------------------------------------------------
// The engine and dictionary lists.

void TOptionsModel::FillEngineList() {
  // A refill after a sort or a rescan keeps what the user checked so far:
  // the rows reach the engine list only through OK.
  std::vector<std::pair<std::string, bool>> checks;
  for (const TEngineRow& row : EngineRows) checks.emplace_back(row.Template, row.Checked);
  EngineRows.clear();
  for (const TSearchEn& engine : f_.Engines) {
    TEngineRow row{Utf8ToUtf16(engine.Name), engine.Template, engine.Enabled};
    for (const auto& [templateName, checked] : checks) {
      if (templateName == engine.Template) row.Checked = checked;
    }
    EngineRows.push_back(std::move(row));
  }
}

void TOptionsModel::FillDictionaryList() {
  std::vector<bool> checks;
  for (const TDictionaryRow& row : DictionaryRows) checks.push_back(row.Checked);
  DictionaryRows.clear();
  for (size_t i = 0; i < f_.DictionaryList.size(); ++i) {
    const TDictionaryEntry& entry = f_.DictionaryList[i];
    TDictionaryRow row;
    row.Entry = static_cast<int32_t>(i);
    row.Language = Utf8ToUtf16(entry.Language);
    row.WordCount = FormatWordCount(entry.Header.WordCount);
    row.Comment = entry.Description;
    row.Author = entry.Author;
    row.Checked = i < checks.size() ? static_cast<bool>(checks[i]) : entry.Active;
    DictionaryRows.push_back(std::move(row));
  }
}

void TOptionsModel::LVSearchColumnClick() {
  SortEngines(f_.Engines, true);
  FillEngineList();
}

void TOptionsModel::ReadEngineTemplate(std::string_view baseName, std::u16string& displayName, int32_t& priority) {
  std::string name;
  priority = 0;
  if (!ReadEngineHeader(f_.EngineFolder, baseName, priority, name)) {
    ShowMessageBox(MessageStrings.smTemplate + Utf8ToUtf16(baseName), u"", platform::kMbOk);
  }
  displayName = Utf8ToUtf16(name.empty() ? std::string(baseName) : name);
}

bool TOptionsModel::RescanEngines() {
  bool advertising = false;
  const std::vector<std::u16string> files = ListEngineTemplates(f_.EngineFolder, advertising);
  if (advertising) f_.AdvertisingBegun = true;
  std::unordered_set<std::string> known;
  for (const TSearchEn& engine : f_.Engines) known.insert(LowerUtf8(engine.Template));
  bool added = false;
  for (const std::u16string& file : files) {
    const std::string baseName = Utf16ToUtf8(file.substr(0, file.size() - 4));
    if (!known.insert(LowerUtf8(baseName)).second) continue;
    TSearchEn engine;
    engine.Template = baseName;
    std::u16string displayName;
    ReadEngineTemplate(baseName, displayName, engine.Priority);
    engine.Name = Utf16ToUtf8(displayName);
    engine.Enabled = true;
    f_.Engines.push_back(std::move(engine));
    added = true;
  }
  SortEngines(f_.Engines, true);
  if (added) {
    FillEngineList();
    RebuildEngineBox();
  }
  return added;
}

bool TOptionsModel::RescanDictionaries() {
  std::vector<std::u16string> files;
  WideFindFiles(files, f_.DictionariesFolder, u"*.dws", kFaDirectory, false);
  std::unordered_set<std::u16string> known;
  for (const TDictionaryEntry& entry : f_.DictionaryList) known.insert(WideLowerCase(Utf8ToUtf16(entry.FileName)));
  std::unique_ptr<TIWordDictionary> reader;  // made only when a file is new
  bool added = false;
  for (const std::u16string& path : files) {
    if (!EndsWithExactly(path, u".dws")) continue;  // the mask matches without regard to case
    const std::u16string fileName = FileNameOf(path);
    // Known files are skipped before their header (and its whole-file
    // checksum) is read: the timer runs every 1.5 s.
    if (known.count(WideLowerCase(fileName)) != 0) continue;
    TDictionaryEntry entry;
    std::u16string morphologyFile;
    if (!reader) reader = std::make_unique<TIWordDictionary>();
    if (!reader->ReadFileHeader(path, entry.Header, morphologyFile, entry.Author, entry.Description)) continue;
    known.insert(WideLowerCase(fileName));
    entry.FileName = Utf16ToUtf8(fileName);
    entry.Language = Utf16ToUtf8(LanguageName(entry.Header.DictID));
    entry.Active = true;
    f_.DictionaryList.push_back(std::move(entry));
    added = true;
  }
  if (added) {
    FillDictionaryList();
    OnlyStopWordsEnabled = AnyDictionaryChecked();
  }
  return added;
}

bool TOptionsModel::Timer1Timer() {
  TimerRunning = false;
  const bool engines = RescanEngines();
  const bool dictionaries = RescanDictionaries();
  TimerRunning = true;
  return engines || dictionaries;
}

bool TOptionsModel::RebuildEngineBox() {
  std::vector<std::u16string> items;
  int32_t selected = -1;
  const std::u16string current = WideLowerCase(Utf8ToUtf16(f_.Settings.website));
  for (const TSearchEn& engine : f_.Engines) {
    if (!engine.Enabled) continue;
    const std::u16string name = Utf8ToUtf16(engine.Name);
    if (selected < 0 && WideLowerCase(name) == current) selected = static_cast<int32_t>(items.size());
    items.push_back(name);
  }
  const bool currentListed = selected >= 0;
  if (!currentListed && !items.empty()) {
    f_.EngineChanged = true;
    selected = 0;
    f_.Settings.website = Utf16ToUtf8(items.front());
    f_.CurrentEngineTemplate = GetEngineTemplateName(f_.Engines, f_.Settings.website);
  }
  items.push_back(MessageStrings.smMoreEngines);
  host_.SetEngineBox(items, selected);
  return currentListed;
}

// ---------------------------------------------------------------------------
// Dictionaries of the interface language.

bool TOptionsModel::AnyDictionaryChecked() const {
  return std::any_of(DictionaryRows.begin(), DictionaryRows.end(), [](const auto& row) { return row.Checked; });
}

bool TOptionsModel::AnyEngineChecked() const {
  return std::any_of(EngineRows.begin(), EngineRows.end(), [](const auto& row) { return row.Checked; });
}

std::vector<size_t> TOptionsModel::RowsOfInterfaceLanguage() const {
  const int32_t primary = f_.InterfaceLang & 0xFF;
  std::vector<size_t> rows;
  for (size_t i = 0; i < DictionaryRows.size(); ++i) {
    const auto entry = static_cast<size_t>(DictionaryRows[i].Entry);
    if (entry < f_.DictionaryList.size() && f_.DictionaryList[entry].Header.DictID == primary) rows.push_back(i);
  }
  return rows;
}

void TOptionsModel::AutoActivateDictionary() {
  const std::vector<size_t> rows = RowsOfInterfaceLanguage();
  if (rows.empty()) return;
  for (size_t row : rows) {
    if (DictionaryRows[row].Checked) return;
  }
  DictionaryRows[rows.back()].Checked = true;
}

void TOptionsModel::AskActivateDictionary() {
  const std::vector<size_t> rows = RowsOfInterfaceLanguage();
  if (rows.empty()) return;
  for (size_t row : rows) {
    if (DictionaryRows[row].Checked) return;
  }
  const std::u16string text =
      MessageStrings.smNADictForLng1 + LanguageName(f_.InterfaceLang & 0xFF) + MessageStrings.smNADictForLng2;
  bool dontAsk = false;
  const bool yes = host_.AskNoDictionary(text, dontAsk) == platform::kIdYes;
  if (yes) DictionaryRows[rows.back()].Checked = true;
  if (dontAsk) f_.Settings.AutoActivateDictForLng = yes;
  f_.Settings.AskActivateDict = !dontAsk;
}

// ---------------------------------------------------------------------------
// Default, saved set, OK and Cancel.

void TOptionsModel::BDefaultClick() {
  const TDefaultOptions& factory = f_.FactoryOptions;
  for (TEngineRow& row : EngineRows) row.Checked = true;
  for (TDictionaryRow& row : DictionaryRows) row.Checked = true;
  LinksCount = factory.LinksToDownload;
  if (const int32_t position = LinksPosition(LinksCount)) TrackPosition = position;
  WithContext = factory.ExcludeWithContext;
  DoRefresh = factory.AutoRefresh;
  Advance = factory.AdvanceMode;
  OnlyStopWords = factory.WordForms;
  OnlyStopWordsEnabled = AnyDictionaryChecked();
  Ask = AskDownload = SaveReminder = true;
}

void TOptionsModel::TBAsDefaultClick() {
  TMainSettings& s = f_.Settings;
  std::string enabledText;
  std::string firstChecked;
  for (const TEngineRow& row : EngineRows) {
    if (!row.Checked) continue;
    const std::string name = Utf16ToUtf8(row.Caption);
    if (enabledText.empty()) firstChecked = name;
    enabledText += name + ",";
  }
  if (!enabledText.empty()) s.Lwebsite = enabledText;
  std::string dictionaries;
  for (const TDictionaryRow& row : DictionaryRows) {
    if (!row.Checked) continue;
    if (!dictionaries.empty()) dictionaries += ", ";
    dictionaries += Utf16ToUtf8(row.Language);
  }
  // A current engine counts as enabled only as one whole item of the text.
  const std::string current = EngineEnabledIn(s.Lwebsite, s.website) ? s.website : firstChecked;
  s.ExcludeWithContext = WithContext;
  s.AutoRefresh = DoRefresh;
  s.askforsave = SaveReminder;

  TDefaultOptions& saved = f_.SavedOptions;
  saved.EnabledEngines = s.Lwebsite;
  saved.CurrentEngine = Utf8ToUtf16(current);
  saved.LinksToDownload = LinksCount;
  saved.TrackPosContext = s.TrackPosContext;
  saved.TrackPosExact = s.TrackPosExact;
  saved.WordForms = OnlyStopWords;
  saved.ActiveDictionaries = dictionaries;
  saved.ExcludeWithContext = s.ExcludeWithContext;
  saved.AutoRefresh = s.AutoRefresh;
}

void TOptionsModel::ApplyAdvertising() {
  switch (f_.InterfaceLang & 0xFF) {
    case kLangEnglish:
      host_.SetAdvertEngine("miva");
      break;
    case kLangRussian:
      // The "begun" template exists only where its file was found.
      if (f_.AdvertisingBegun) {
        host_.SetAdvertEngine("begun");
      } else {
        host_.StopAdvertEngine();
      }
      break;
    default:
      host_.StopAdvertEngine();
  }
}

void TOptionsModel::ApplyEngines(bool& replaced) {
  TMainSettings& s = f_.Settings;
  s.ExcludeWithContext = WithContext;
  s.AutoRefresh = DoRefresh;
  f_.EngineChanged = false;
  s.TPCountFromSite = LinksCount;
  f_.LinksToDownload = LinksCount;
  for (const TEngineRow& row : EngineRows) {
    for (TSearchEn& engine : f_.Engines) {
      if (engine.Template == row.Template) engine.Enabled = row.Checked;
    }
  }
  ApplyAdvertising();
  replaced = !RebuildEngineBox();
  host_.SetMainCaption(MessageStrings.smKestruneVia + Utf8ToUtf16(s.website));
}

bool TOptionsModel::btOKClick() {
  // Without a checked engine nothing is applied: the engines page is shown
  // and the dialog stays open.
  if (!AnyEngineChecked()) {
    Page = opSearchEngines;
    return false;
  }
  ClosedByButton = true;
  TMainSettings& s = f_.Settings;
  s.AskActivateDict = Ask;
  s.AskDownloadDictForLng = AskDownload;
  if (s.AskActivateDict) {
    AskActivateDictionary();
  } else if (s.AutoActivateDictForLng) {
    AutoActivateDictionary();
  }
  if (!f_.ProjectName.empty()) {
    s.SetAsDefault = SetAsDefault;
    if (SetAsDefault) TBAsDefaultClick();
  } else {
    TBAsDefaultClick();
  }
  const bool advancedChanged = Advance != host_.GetAdvancedMode();
  if (advancedChanged) host_.SetAdvancedMode(Advance);
  s.Author = Name;
  s.Org = Company;
  s.askforsave = SaveReminder;
  if (LinksCount != InitialLinksCount && host_.CurrentStepHasKeys()) host_.EnableRefresh();

  bool replaced = false;
  ApplyEngines(replaced);

  bool activeChanged = false;
  for (const TDictionaryRow& row : DictionaryRows) {
    TDictionaryEntry& entry = f_.DictionaryList[static_cast<size_t>(row.Entry)];
    activeChanged = activeChanged || entry.Active != row.Checked;
    entry.Active = row.Checked;
  }

  // The dialog's own new query and search run without the saved set; the
  // flags are set again when OK ends.
  TFlagScope applyDefaults(f_.ApplyDefaultsOnNewQuery, f_.ApplyDefaultsOnNewQuery, true);
  bool searchAgain = false;
  if (OnlyStopWords != s.DistinguishWordForms) {
    s.DistinguishWordForms = OnlyStopWords;
    if (f_.TextParsing) f_.TextParsing->SetianwWord(s.DistinguishWordForms);
    f_.ApplyDefaultsOnNewQuery = false;
    host_.ResetKeepQuery();
    host_.LoadDictionaries(true);
    searchAgain = true;
  }
  if (activeChanged) {
    f_.ApplyDefaultsOnNewQuery = false;
    {
      TFlagScope unmarked(f_.MarkProjectChanged, false, true);
      host_.IBitmapButtonNewClick();
    }
    host_.LoadDictionaries(true);
  }
  if (searchAgain) {
    if (OnHide) OnHide();
    host_.BBtnSearchClick();
  }
  if (replaced) {
    TFlagScope unmarked(f_.MarkProjectChanged, false, true);
    host_.IBitmapButtonNewClick();
  }
  if (advancedChanged) Redraw();
  TimerRunning = false;
  if (OnHide) OnHide();
  return true;
}

void TOptionsModel::btCancelClick() {
  ClosedByButton = true;
  UndoImmediateChanges();
  TimerRunning = false;
}

void TOptionsModel::TntFormClose() {
  if (!ClosedByButton) UndoImmediateChanges();
  TimerRunning = false;
}

}  // namespace kestrune
