// The settings unit: the start-up read, the load while the main window is
// created, the lists built from the settings and the save when the window is
// destroyed.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <optional>
#include <sstream>

#include "app/session_settings.h"

#include "app/options_model.h"
#include "app/recent_merge.h"

#include "core/errors.h"
#include "core/find_files.h"
#include "core/ini_bath.h"
#include "core/base.h"
#include "core/log_file.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "platform/text.h"

namespace kestrune {

namespace {

using platform::ERegistryException;
using platform::SettingsStore;
using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

// Typed reads over an open key that never raise: a missing value leaves the
// target as it is and returns false; so does a value of another type, with a
// [Warning] line in the log.
class TSettingsReader {
 public:
  explicit TSettingsReader(SettingsStore& store) : store_(store) {}

  bool String(const char* name, std::string& value) {
    return Read(name, [&] { value = store_.ReadString(name); });
  }
  bool Text(const char* name, std::u16string& value) {
    std::string bytes;
    if (!String(name, bytes)) return false;
    value = Utf8ToUtf16(bytes);
    return true;
  }
  bool Integer(const char* name, int32_t& value) {
    return Read(name, [&] { value = store_.ReadInteger(name); });
  }
  bool Bool(const char* name, bool& value) {
    return Read(name, [&] { value = store_.ReadBool(name); });
  }
  bool DateTime(const char* name, double& value) {
    return Read(name, [&] { value = store_.ReadDateTime(name); });
  }

 private:
  template <class F>
  bool Read(const char* name, F read) {
    if (!store_.ValueExists(name)) return false;
    try {
      read();
      return true;
    } catch (const ERegistryException& error) {
      LogFile.Log(std::string("Settings: ") + error.what() + "; the default is used", 1);
      return false;
    }
  }

  SettingsStore& store_;
};

// A folder of the store: absolute, with one trailing "/", or the fallback.
std::u16string StoredFolder(const std::u16string& value, std::u16string_view fallback) {
  if (value.empty() || value[0] != u'/') return std::u16string(fallback);
  return AddBackslash(value);
}

std::string SlotName(const char* base, int32_t slot) { return base + std::to_string(slot); }

bool EndsWith(std::u16string_view text, std::u16string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::u16string FileNameOf(std::u16string_view path) {
  const size_t slash = path.rfind(u'/');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

TSessionSettings::TSessionSettings(const std::u16string& programFolder, const TLngHeaders& lngHeaders)
    : SystemLangId(platform::SystemLangId()), programFolder_(programFolder), lngHeaders_(lngHeaders) {}

void TSessionSettings::SetAsideDamagedSettings() {
  SettingsStore store;
  const platform::HiveSetAside aside = store.SetAsideDamagedHive();
  if (aside.state != platform::HiveReadState::kNotHive) return;
  if (aside.copy.empty()) {
    LogFile.Log("Settings: " + store.HivePath() + " is no settings file and could not be moved aside; the settings " +
                    "of this run are not saved",
                2);
    return;
  }
  DamagedSettingsCopy = Utf8ToUtf16(aside.copy);
  LogFile.Log("Settings: " + store.HivePath() + " is no settings file; it is moved to " + aside.copy +
                  ", the settings start from their defaults and a new file is written at the end",
              1);
}

void TSessionSettings::ReadStartupSettings() {
  SetAsideDamagedSettings();
  SettingsStore store;
  TSettingsReader read(store);
  store.BeginUpdate();  // every value from one reading of the hive
  // A missing key reads as a key without values: nothing creates it before
  // the program's first end.
  store.OpenKeyReadOnly(kSettingsKey);

  AllDictionariesActive = !read.String("Dictionaries", Dictionaries);
  if (AllDictionariesActive) Dictionaries.clear();

  std::u16string projects, bases;
  read.Text("ProjectFolder", projects);
  read.Text("BasesFolder", bases);
  const std::u16string userData = platform::UserDataFolder();
  ProjectFolder = StoredFolder(projects, userData + u"Projects/");
  BasesFolder = StoredFolder(bases, userData);

  if (!read.Integer("InterfaceLang", InterfaceLang)) {
    InterfaceLang = kDefaultInterfaceLang;
    if (SystemLangId != 0) {
      for (const TLngHeader& header : lngHeaders_) {
        if (header.LangID == SystemLangId) {
          InterfaceLang = SystemLangId;
          break;
        }
      }
    }
  }
}

void TSessionSettings::LoadSettings() {
  // 1. The factory set and the values before the store is read.
  FactoryOptions = TDefaultOptions();
  Settings = TMainSettings();
  Settings.TPCountFromSite = FactoryOptions.LinksToDownload;
  Settings.AutoRefresh = FactoryOptions.AutoRefresh;
  Settings.ExcludeWithContext = FactoryOptions.ExcludeWithContext;
  Settings.DistinguishWordForms = FactoryOptions.WordForms;
  Settings.AdvanceMode = FactoryOptions.AdvanceMode;
  RecentQueries = {};
  RecentProjects = {};

  // 2. The main window's values and the recent slots.
  {
    SettingsStore store;
    TSettingsReader read(store);
    store.BeginUpdate();  // every value from one reading of the hive
    if (store.OpenKeyReadOnly(kSettingsKey)) {
      TMainSettings& s = Settings;
      if (read.DateTime("NewsInReg", s.NewsInReg) && !std::isfinite(s.NewsInReg)) s.NewsInReg = 0;
      if (read.Integer("TrackPosContext", s.TrackPosContext)) {
        s.TrackPosContext = std::clamp(s.TrackPosContext, kMinTrackPosContext, kMaxTrackPosContext);
      }
      if (read.Integer("TrackPosExact", s.TrackPosExact)) {
        s.TrackPosExact = std::clamp(s.TrackPosExact, 0, kMaxTrackPosExact);
      }
      // The options dialog's range; a value outside it is its nearest end.
      if (read.Integer("TPCountFromSite", s.TPCountFromSite)) {
        s.TPCountFromSite = std::clamp(s.TPCountFromSite, kLinksCounts[0], kLinksCounts[std::size(kLinksCounts) - 1]);
      }
      read.String("website", s.website);
      read.String("Lwebsite", s.Lwebsite);
      read.Bool("AutoRefresh", s.AutoRefresh);
      read.Bool("ExcludeWithContext", s.ExcludeWithContext);
      read.Bool("DistinguishWordForms", s.DistinguishWordForms);
      read.Bool("askforsave", s.askforsave);
      read.Bool("SetAsDefault", s.SetAsDefault);
      read.Bool("AskActivateDict", s.AskActivateDict);
      read.Bool("AutoActivateDictForLng", s.AutoActivateDictForLng);
      read.Bool("AskDownloadDictForLng", s.AskDownloadDictForLng);
      // The advanced mode is read and handed to its writer, which keeps it off.
      bool advanced = false;
      read.Bool("AdvanceMode", advanced);
      s.AdvanceMode = false;
      read.Text("Author", s.Author);
      read.Text("Org", s.Org);
      read.Bool("LoadAllNets", s.LoadAllNets);
      read.Bool("ClustersResult", s.ClustersResult);
      read.Bool("AnalysisMainBlock", s.AnalysisMainBlock);
      for (int32_t slot = 0; slot < kRecentSlots; ++slot) {
        read.Text(SlotName("LastQuery", slot).c_str(), RecentQueries[static_cast<size_t>(slot)]);
        read.Text(SlotName("LastProject", slot).c_str(), RecentProjects[static_cast<size_t>(slot)]);
      }
    }
  }

  // 3. The match setting and the links to download.
  MatchSetting = Settings.TrackPosExact;
  LinksToDownload = Settings.TPCountFromSite;

  // 4. The folders exist from now on.
  for (const std::u16string* folder : {&ProjectFolder, &BasesFolder}) {
    if (!folder->empty() && !platform::FolderExists(*folder) && !platform::CreateFolder(*folder)) {
      LogFile.Log("The folder " + Utf16ToUtf8(*folder) + " could not be created", 1);
    }
  }

  // 5-7. The index list and the dictionary list.
  BuildIndexList();
  BuildDictionaryList();

  // 8. The engine list.
  BuildEngineList();

  // 9. The parts of speech.
  {
    SettingsStore store;
    TSettingsReader read(store);
    Settings.PartsOfSpeech = kDefaultPartsOfSpeech;
    if (store.OpenKeyReadOnly(kSettingsKey) && read.Integer("PartsOfSpeech", Settings.PartsOfSpeech)) {
      Settings.PartsOfSpeech &= kPartsOfSpeechMask;
      if (Settings.PartsOfSpeech == 0) Settings.PartsOfSpeech = kDefaultPartsOfSpeech;
    }
  }

  // 10. The map's colours for the interface language.
  ColorFile = TemplateFolder() + u"color.ini";

  // 11. The saved option set.
  SavedOptions = TDefaultOptions();
  SavedOptions.EnabledEngines = Settings.Lwebsite;
  SavedOptions.CurrentEngine = Utf8ToUtf16(Settings.website);
  SavedOptions.LinksToDownload = Settings.TPCountFromSite;
  SavedOptions.TrackPosContext = Settings.TrackPosContext;
  SavedOptions.TrackPosExact = Settings.TrackPosExact;
  SavedOptions.WordForms = Settings.DistinguishWordForms;
  SavedOptions.ExcludeWithContext = Settings.ExcludeWithContext;
  SavedOptions.AutoRefresh = Settings.AutoRefresh;
  for (const TDictionaryEntry& entry : DictionaryList) {
    if (!entry.Active) continue;
    if (!SavedOptions.ActiveDictionaries.empty()) SavedOptions.ActiveDictionaries += ", ";
    SavedOptions.ActiveDictionaries += entry.Language;
  }
  NoteLoadedSettings();
  settingsLoaded_ = true;
}

std::vector<TSettingValue> TSessionSettings::SettingsValues() const {
  const TMainSettings& s = Settings;
  std::vector<TSettingValue> values;
  auto text = [&](const std::string& name, std::string value) {
    values.push_back({name, TSettingValue::kString, std::move(value)});
  };
  auto number = [&](const char* name, int32_t value) { values.push_back({name, TSettingValue::kInteger, {}, value}); };
  auto flag = [&](const char* name, bool value) { values.push_back({name, TSettingValue::kBool, {}, value ? 1 : 0}); };
  text("Dictionaries", ActiveDictionaryIds());
  number("PartsOfSpeech", s.PartsOfSpeech);
  flag("LoadAllNets", s.LoadAllNets);
  flag("ClustersResult", s.ClustersResult);
  flag("AnalysisMainBlock", s.AnalysisMainBlock);
  values.push_back({"NewsInReg", TSettingValue::kDateTime, {}, 0, s.NewsInReg});
  number("TrackPosContext", s.TrackPosContext);
  number("TrackPosExact", s.TrackPosExact);
  number("TPCountFromSite", SavedOptions.LinksToDownload);
  text("website", s.website);
  text("Lwebsite", s.Lwebsite);
  flag("AutoRefresh", SavedOptions.AutoRefresh);
  flag("ExcludeWithContext", SavedOptions.ExcludeWithContext);
  flag("DistinguishWordForms", SavedOptions.WordForms);
  number("InterfaceLang", InterfaceLang);
  flag("askforsave", s.askforsave);
  flag("SetAsDefault", s.SetAsDefault);
  flag("AskActivateDict", s.AskActivateDict);
  flag("AutoActivateDictForLng", s.AutoActivateDictForLng);
  flag("AskDownloadDictForLng", s.AskDownloadDictForLng);
  flag("AdvanceMode", false);
  text("Author", Utf16ToUtf8(s.Author));
  text("Org", Utf16ToUtf8(s.Org));
  for (int32_t slot = 0; slot < kRecentSlots; ++slot) {
    text(SlotName("LastQuery", slot), Utf16ToUtf8(RecentQueries[static_cast<size_t>(slot)]));
    text(SlotName("LastProject", slot), Utf16ToUtf8(RecentProjects[static_cast<size_t>(slot)]));
  }
  return values;
}

namespace {

void WriteSetting(SettingsStore& store, const TSettingValue& value) {
  switch (value.Type) {
    case TSettingValue::kString: store.WriteString(value.Name, value.Text); break;
    case TSettingValue::kInteger: store.WriteInteger(value.Name, value.Number); break;
    case TSettingValue::kBool: store.WriteBool(value.Name, value.Number != 0); break;
    case TSettingValue::kDateTime: store.WriteDateTime(value.Name, value.Date); break;
  }
}

}  // namespace

void TSessionSettings::WriteSettingsValues(SettingsStore& store) {
  for (const TSettingValue& value : SettingsValues()) WriteSetting(store, value);
}

std::optional<TSettingValue> TSessionSettings::StoredSetting(SettingsStore& store, const TSettingValue& like) {
  if (!store.KeyOpen() || !store.ValueExists(like.Name)) return std::nullopt;
  TSettingValue value = like;
  try {
    switch (like.Type) {
      case TSettingValue::kString: value.Text = store.ReadString(like.Name); break;
      case TSettingValue::kInteger: value.Number = store.ReadInteger(like.Name); break;
      case TSettingValue::kBool: value.Number = store.ReadBool(like.Name) ? 1 : 0; break;
      case TSettingValue::kDateTime: value.Date = store.ReadDateTime(like.Name); break;
    }
  } catch (const ERegistryException&) {
    return std::nullopt;  // of another type
  }
  return value;
}

void TSessionSettings::NoteLoadedSettings() {
  loadedQueries_ = RecentQueries;
  loadedProjects_ = RecentProjects;
  recentCleared_ = false;
  loadedSettings_ = SettingsValues();
  storedSettings_.clear();
  SettingsStore store;
  store.BeginUpdate();  // one reading of the hive
  store.OpenKeyReadOnly(kSettingsKey);
  for (const TSettingValue& value : loadedSettings_) storedSettings_.push_back(StoredSetting(store, value));
}

std::u16string TSessionSettings::SettingsFile() {
  SettingsStore store;
  return Utf8ToUtf16(store.HivePath());
}

namespace {

bool IsRecentSlot(const std::string& name) { return name.starts_with("LastQuery") || name.starts_with("LastProject"); }

// The recent list of the slots `base`0..4 as the open key holds them.
std::vector<std::u16string> StoredSlots(SettingsStore& store, const char* base) {
  std::vector<std::u16string> slots;
  for (int32_t slot = 0; slot < kRecentSlots; ++slot) {
    TSettingValue like;
    like.Name = SlotName(base, slot);
    const std::optional<TSettingValue> value = TSessionSettings::StoredSetting(store, like);
    slots.push_back(value ? Utf8ToUtf16(value->Text) : std::u16string());
  }
  return slots;
}

void MergeSlots(std::array<std::u16string, kRecentSlots>& list, const std::array<std::u16string, kRecentSlots>& loaded,
                const std::vector<std::u16string>& stored, bool cleared) {
  const std::vector<std::u16string> merged = MergeRecentLists({loaded.begin(), loaded.end()}, {list.begin(), list.end()},
                                                              stored, cleared, kRecentSlots, SameIgnoringCase);
  list = {};
  std::copy_n(merged.begin(), std::min(merged.size(), list.size()), list.begin());
}

}  // namespace

void TSessionSettings::MergeRecentSlots(SettingsStore& store) {
  MergeSlots(RecentQueries, loadedQueries_, StoredSlots(store, "LastQuery"), recentCleared_);
  MergeSlots(RecentProjects, loadedProjects_, StoredSlots(store, "LastProject"), recentCleared_);
}

void TSessionSettings::ClearRecent() {
  RecentQueries = {};
  RecentProjects = {};
  recentCleared_ = true;
}

bool TSessionSettings::SaveSettings() {
  if (!settingsLoaded_) return true;
  // The enabled engines as the list holds them; without a list (no engine
  // template) the stored text stays as it was.
  if (!Engines.empty()) Settings.Lwebsite = EnabledEngineText(Engines);
  std::vector<TSettingValue> values;
  SettingsStore store;
  store.BeginUpdate();
  bool saved = false;
  int32_t written = 0;
  std::string failure = "the key cannot be created";
  try {
    if (store.OpenKey(kSettingsKey, true)) {
      // The recent lists take in what another run stored meanwhile; their
      // slots are written wherever the store holds another text.
      MergeRecentSlots(store);
      values = SettingsValues();
      for (size_t i = 0; i < values.size(); ++i) {
        const TSettingValue& value = values[i];
        if (value.Name == "Dictionaries" && DictionariesStayUnwritten()) continue;
        const bool known = i < loadedSettings_.size() && loadedSettings_[i].Name == value.Name;
        // Changed by this run; or not in the session's form in the store
        // when it was read, and still as it was then (no other run wrote it).
        bool changed = !known || value != loadedSettings_[i];
        const bool mended = known && storedSettings_[i] != value && StoredSetting(store, value) == storedSettings_[i];
        if (IsRecentSlot(value.Name)) changed = StoredSetting(store, value) != value;
        if (!changed && !mended) continue;
        WriteSetting(store, value);
        ++written;
      }
      saved = true;
    }
  } catch (const std::exception& error) {
    failure = error.what();
  }
  if (!saved) {
    store.CancelUpdate();
  } else if (!store.EndUpdate()) {
    saved = false;
    failure = "the settings file cannot be written";
  }
  if (saved) {
    LogFile.Log("reg save ok (" + std::to_string(written) + " values written)");
    // What is stored now is this run's starting point for a later save.
    loadedSettings_ = values;
    storedSettings_.assign(values.begin(), values.end());
    loadedQueries_ = RecentQueries;
    loadedProjects_ = RecentProjects;
    recentCleared_ = false;
  } else {
    LogFile.Log("reg save failed: " + failure + "; the settings file is left as it was", 2);
  }
  return saved;
}

// ---------------------------------------------------------------------------
// The lists built from the settings

void TSessionSettings::BuildIndexList() {
  IndexList.clear();
  const std::u16string file = BasesFolder + u"bases/Indexes.txt";
  if (!platform::RegularFileExists(file)) return;
  try {
    TIniBath ini(file);
    ini.SetQuoteMode(true);
    while (ini.ReadLine()) {
      try {
        if (!ini.ParseLine() || ini.Section() != "Indexes") continue;
      } catch (const ERangeError&) {
        continue;  // more than 32 values: the line is skipped
      }
      TIndexEntry entry;
      entry.Path = Utf8ToUtf16(ini.Key());
      if (entry.Path.empty() || !platform::FileExists(entry.Path)) continue;
      for (const std::u16string& active : ActiveIndexPaths) entry.Active = entry.Active || active == entry.Path;
      entry.Value1 = LngNumber(ini.Values()[1]);
      entry.Value2 = LngNumber(ini.Values()[2]);
      IndexList.push_back(std::move(entry));
    }
  } catch (const std::exception& error) {
    LogFile.Log("The index list " + Utf16ToUtf8(file) + " could not be read: " + error.what(), 1);
  }
}

bool TSessionSettings::DictionaryIdActive(int32_t id) const {
  const std::string test = " " + Dictionaries + ",";
  return (" " + test + ",").find(" " + std::to_string(id) + ",") != std::string::npos;
}

namespace {

// Why a dictionary file could not be read, for the log.
std::string DictionaryFailure(int32_t result) {
  switch (result) {
    case TIWordDictionary::kFileCRCMismatch: return "its checksum does not match";
    case TIWordDictionary::kFileCorrupt: return "it cannot be opened";
    default: return "it is no dictionary file, or its header is damaged";
  }
}

// The whole numbers of a Dictionaries text ("9, 25").
std::vector<int32_t> StoredIds(std::string text) {
  std::replace(text.begin(), text.end(), ',', ' ');
  std::istringstream words(text);
  std::vector<int32_t> ids;
  for (std::string word; words >> word;) {
    int32_t id = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), id);
    if (error == std::errc() && end == word.data() + word.size()) ids.push_back(id);
  }
  return ids;
}

}  // namespace

void TSessionSettings::NoteUnreadDictionary(const std::string& fileName, int32_t result, int32_t dictId, bool listed) {
  for (const TUnreadDictionary& known : UnreadDictionaries) {
    if (known.FileName == fileName) return;
  }
  UnreadDictionaries.push_back({fileName, result, dictId, listed});
  // The load logs its own failures.
  if (listed) return;
  LogFile.Log("The dictionary " + fileName + " could not be read (" + DictionaryFailure(result) +
                  "); it is not used now and stays switched on",
              1);
}

void TSessionSettings::BuildDictionaryList() {
  DictionaryList.clear();
  std::erase_if(UnreadDictionaries, [](const TUnreadDictionary& file) { return !file.Listed; });
  std::vector<std::u16string> files;
  WideFindFiles(files, programFolder_ + u"dictionaries/", u"*.dws", 0, false);
  TIWordDictionary reader;
  for (const std::u16string& path : files) {
    if (!EndsWith(path, u".dws")) continue;  // the mask matches without regard to case
    TDictionaryEntry entry;
    std::u16string morphologyFile;
    bool headerRead = false;
    const int32_t result =
        reader.ReadFileHeaderStatus(path, entry.Header, morphologyFile, entry.Author, entry.Description, &headerRead);
    entry.FileName = Utf16ToUtf8(FileNameOf(path));
    if (result != TIWordDictionary::kFileDone) {
      // A folder of that name is no dictionary file.
      if (result != TIWordDictionary::kFileMissing) {
        NoteUnreadDictionary(entry.FileName, result, headerRead ? entry.Header.DictID : -1, false);
      }
      continue;
    }
    entry.Language = Utf16ToUtf8(LanguageName(entry.Header.DictID));
    entry.Active = AllDictionariesActive || DictionaryIdActive(entry.Header.DictID);
    DictionaryList.push_back(std::move(entry));
  }
}

std::vector<int32_t> TSessionSettings::KeptDictionaryIds() const {
  auto listed = [&](int32_t id) {
    return std::any_of(DictionaryList.begin(), DictionaryList.end(),
                       [id](const TDictionaryEntry& entry) { return entry.Header.DictID == id; });
  };
  std::vector<int32_t> ids;
  auto keep = [&](int32_t id) {
    if (!listed(id) && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  };
  bool headerUnread = false;
  for (const TUnreadDictionary& file : UnreadDictionaries) {
    if (file.Listed) continue;
    if (file.DictID <= 0 || file.DictID > 0xFFFF) {  // no header, or no language identifier in it
      headerUnread = true;
    } else if (AllDictionariesActive || DictionaryIdActive(file.DictID)) {
      keep(file.DictID);
    }
  }
  if (headerUnread && !AllDictionariesActive) {
    for (const int32_t id : StoredIds(Dictionaries)) keep(id);
  }
  return ids;
}

bool TSessionSettings::DictionariesStayUnwritten() const {
  if (!AllDictionariesActive) return false;
  const bool unread = std::any_of(UnreadDictionaries.begin(), UnreadDictionaries.end(),
                                  [](const TUnreadDictionary& file) { return !file.Listed; });
  return unread && std::all_of(DictionaryList.begin(), DictionaryList.end(),
                               [](const TDictionaryEntry& entry) { return entry.Active; });
}

std::string TSessionSettings::ActiveDictionaryIds() const {
  std::string text;
  auto add = [&text](int32_t id) {
    if (!text.empty()) text += ", ";
    text += std::to_string(id);
  };
  for (const TDictionaryEntry& entry : DictionaryList) {
    if (entry.Active) add(entry.Header.DictID);
  }
  for (const int32_t id : KeptDictionaryIds()) add(id);
  return text;
}

std::string TSessionSettings::LangFolderName() const {
  TLngHeader header;
  FindLngHeader(InterfaceLang, lngHeaders_, header);
  const std::string& folder = header.LangFolder;
  if (folder.empty() || folder == "." || folder == "..") return "en";
  for (const char c : folder) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "en";
  }
  return folder;
}

std::u16string TSessionSettings::TemplateFolder() const {
  std::u16string folder = Utf8ToUtf16(LangFolderName());
  if (!platform::FolderExists(programFolder_ + u"templates/" + folder)) folder = u"en";
  return programFolder_ + u"templates/" + folder + u"/";
}

}  // namespace kestrune
